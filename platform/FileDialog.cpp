#include "platform/FileDialog.h"

#include "platform/ErrorModeFrame.h"
#include "platform/QtFileDialog.h"

namespace scindra {

namespace {

FileDialogFactory& InstalledFactory()
{
    static FileDialogFactory factory;
    return factory;
}

} // namespace

FileDialogFactory SetFileDialogFactory(FileDialogFactory factory)
{
    FileDialogFactory previous = std::move(InstalledFactory());
    InstalledFactory() = std::move(factory);
    return previous;
}

std::unique_ptr<FileDialog> CreateFileDialog()
{
    if (const FileDialogFactory& factory = InstalledFactory())
        return factory();
    return std::make_unique<QtFileDialog>();
}

bool RunFileDialog(FileDialogSettings& settings, QWidget* parent)
{
    std::unique_ptr<FileDialog> dialog = CreateFileDialog();
    std::optional<FileDialogAnswer> answer;
    {
        [[maybe_unused]] ErrorModeFrame frame;
        answer = dialog->Execute(settings, parent);
    }
    if (!answer || answer->Files.isEmpty())
        return false;
    settings.FileName = answer->Files.first();
    settings.Files = answer->Files;
    settings.FilterIndex = answer->FilterIndex;
    settings.Options.setFlag(ofReadOnly, answer->ReadOnly);
    return true;
}

} // namespace scindra
