#include "platform/QtFolderDialog.h"

#include "rtl/Guard.h"

#include <QFileDialog>
#include <QFileInfo>

namespace scindra {

std::optional<QString> QtFolderDialog::Execute(const FolderDialogSettings& settings, QWidget* parent)
{
    QFileDialog dialog(parent, settings.Title);
    dialog.setOption(QFileDialog::DontUseNativeDialog, true);
    dialog.setOption(QFileDialog::ShowDirsOnly, true);
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setWindowModality(Qt::ApplicationModal);
    if (QFileInfo(settings.Folder).isDir()) {
        dialog.setDirectory(settings.Folder);
        dialog.selectFile(settings.Folder);
    }
    if (settings.SelectionChanged) {
        QObject::connect(&dialog, &QFileDialog::currentChanged, &dialog,
                         Guarded([&settings](const QString& path) {
                             settings.SelectionChanged(QFileInfo(path).isDir() ? path : QString());
                         }));
    }
    if (settings.Initialized)
        Guard(settings.Initialized);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return dialog.selectedFiles().first();
}

} // namespace scindra
