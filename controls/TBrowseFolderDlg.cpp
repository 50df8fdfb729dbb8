#include "controls/TBrowseFolderDlg.h"

#include "platform/FolderDialog.h"

#include <QApplication>

namespace scindra {

TBrowseFolderDlg::TBrowseFolderDlg(QObject* parent) : QObject(parent) {}

QString TBrowseFolderDlg::WithoutTrailingSeparator(const QString& path)
{
    if (path.size() > 1 && path.endsWith(QChar('/')))
        return path.left(path.size() - 1);
    return path;
}

bool TBrowseFolderDlg::Execute()
{
    FolderDialogSettings settings;
    settings.Title = dialogText_;
    settings.Folder = folderName_;
    settings.Initialized = [this] { emit Initialized(); };
    settings.SelectionChanged = [this](const QString& path) {
        selectedPath_ = path;
        emit SelChanged();
    };
    const std::optional<QString> chosen = CreateFolderDialog()->Execute(settings, QApplication::activeWindow());
    if (!chosen)
        return false;
    folderName_ = WithoutTrailingSeparator(*chosen);
    selectedPath_ = folderName_;
    return true;
}

bool BrowseForFolder(QString& folder, const QString& dialogText, int helpContext)
{
    TBrowseFolderDlg dialog;
    dialog.SetDialogText(dialogText);
    dialog.SetFolderName(folder);
    dialog.SetHelpContext(helpContext);
    if (!dialog.Execute())
        return false;
    folder = dialog.FolderName();
    return true;
}

} // namespace scindra
