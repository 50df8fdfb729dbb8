#pragma once
// The platform's folder browser, wrapped: set it up, run it, read the chosen
// folder back from FolderName. Here the browser is the toolkit's file dialog in
// directory mode, through the replaceable FolderDialog of platform/.

#include <QObject>
#include <QString>

namespace scindra {

enum TBrowseKind { bfFolders, bfComputers };

class TBrowseFolderDlg : public QObject {
    Q_OBJECT
public:
    explicit TBrowseFolderDlg(QObject* parent = nullptr);

    bool DesktopRoot() const { return desktopRoot_; }
    void SetDesktopRoot(bool desktopRoot) { desktopRoot_ = desktopRoot; }
    TBrowseKind BrowseKind() const { return browseKind_; }
    void SetBrowseKind(TBrowseKind kind) { browseKind_ = kind; }
    QString DialogText() const { return dialogText_; }
    void SetDialogText(const QString& text) { dialogText_ = text; }
    // In: the folder selected first. Out: the chosen folder.
    QString FolderName() const { return folderName_; }
    void SetFolderName(const QString& folder) { folderName_ = folder; }
    int HelpContext() const { return helpContext_; }
    void SetHelpContext(int context) { helpContext_ = context; }
    // The path of the current selection, empty when it is no folder.
    QString SelectedPath() const { return selectedPath_; }

    // Runs the browser; true when the user confirmed. FolderName is then the
    // chosen folder without a trailing separator (the root keeps its own).
    bool Execute();

    // A chosen path as FolderName holds it.
    static QString WithoutTrailingSeparator(const QString& path);

signals:
    void Initialized();
    void SelChanged();

private:
    bool desktopRoot_ = true;
    TBrowseKind browseKind_ = bfFolders;
    QString dialogText_;
    QString folderName_;
    int helpContext_ = 0;
    QString selectedPath_;
};

// Runs the folder browser started at `folder`; on OK stores the choice there.
bool BrowseForFolder(QString& folder, const QString& dialogText, int helpContext);

} // namespace scindra
