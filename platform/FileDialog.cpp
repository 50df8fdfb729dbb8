#include "platform/FileDialog.h"

#include "platform/ErrorModeFrame.h"
#include "platform/QtFileDialog.h"

namespace scindra {

std::unique_ptr<FileDialog> CreateFileDialog()
{
    return CreateDialog<FileDialog, QtFileDialog>();
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
