#pragma once
// The directory dialog: a folder list, a drive list and an informative file
// list, with an optional edit to type a folder that does not exist yet.
// ChooseDirectory runs it and, if asked, creates the chosen folder.

#include <QDialog>
#include <QFlags>
#include <QString>

#include <functional>

class QLabel;
class QLineEdit;
class QPushButton;

namespace scindra {

class TDirectoryListBox;
class TDriveComboBox;
class TFileListBox;
class TPathLabel;

enum TSelectDirOpt : unsigned {
    sdAllowCreate = 1u << 0,    // the folder may be typed, also one that does not exist
    sdPerformCreate = 1u << 1,  // ChooseDirectory creates the chosen folder
    sdPrompt = 1u << 2,         // ask before accepting a folder that does not exist
};
Q_DECLARE_FLAGS(TSelectDirOpts, TSelectDirOpt)
Q_DECLARE_OPERATORS_FOR_FLAGS(TSelectDirOpts)

class TSelectDirDlg : public QDialog {
    Q_OBJECT
public:
    static constexpr int kClientWidth = 424;
    static constexpr int kClientHeight = 255;

    explicit TSelectDirDlg(QWidget* parent = nullptr);

    TPathLabel* DirLabel() const { return dirLabel_; }
    QLineEdit* DirEdit() const { return dirEdit_; }
    TDirectoryListBox* DirList() const { return dirList_; }
    TFileListBox* FileList() const { return fileList_; }
    TDriveComboBox* DriveList() const { return driveList_; }
    QPushButton* NetButton() const { return netButton_; }
    QPushButton* OKButton() const { return okButton_; }
    QPushButton* CancelButton() const { return cancelButton_; }
    QPushButton* HelpButton() const { return helpButton_; }

    // Opens the lists at the folder named by `folder`: a folder opens at
    // itself, the root at the current directory; a folder that cannot be
    // entered (missing, a file) falls back to the current directory.
    void SetStartFolder(const QString& folder);

    // Create mode shows the edit in place of the path label.
    bool AllowCreate() const { return allowCreate_; }
    void SetAllowCreate(bool allow);
    bool Prompt() const { return prompt_; }
    void SetPrompt(bool prompt) { prompt_ = prompt; }

    // Without a help context the help button is hidden and OK and Annuler
    // take its place and the one before it.
    int HelpContext() const { return helpContext_; }
    void SetHelpContext(int context);

    // The chosen folder: the typed text in create mode, else the current
    // folder of the list.
    QString Directory() const;

    // OK: in create mode with the prompt, a folder that does not exist is
    // created only if the user agrees; otherwise the dialog stays open.
    void accept() override;

signals:
    void HelpRequested(int context);

private:
    void DirectoryChanged(const QString& directory);
    void DriveChosen(const QString& rootPath);

    TPathLabel* dirLabel_ = nullptr;
    QLineEdit* dirEdit_ = nullptr;
    TDirectoryListBox* dirList_ = nullptr;
    TFileListBox* fileList_ = nullptr;
    TDriveComboBox* driveList_ = nullptr;
    QPushButton* netButton_ = nullptr;
    QPushButton* okButton_ = nullptr;
    QPushButton* cancelButton_ = nullptr;
    QPushButton* helpButton_ = nullptr;
    bool allowCreate_ = false;
    bool prompt_ = false;
    int helpContext_ = 0;
};

// The question asked before a missing folder is accepted; true for Yes.
// Replaceable so that tests can answer it.
using CreateQuestion = std::function<bool(QWidget* parent, const QString& question)>;
CreateQuestion SetCreateQuestion(CreateQuestion question);  // empty: the message box

// Shows the dialog modally and returns its result. Replaceable so that tests
// can drive the dialog in code.
using SelectDirRunner = std::function<int(TSelectDirDlg& dialog)>;
SelectDirRunner SetSelectDirRunner(SelectDirRunner runner);  // empty: exec()

// Runs the directory dialog started at `directory`; on OK stores the chosen
// folder there (absolute, no trailing separator unless it is the root) and,
// with sdPerformCreate, creates it. True exactly for OK.
bool ChooseDirectory(QString& directory, TSelectDirOpts options, int helpContext);

// Creates a folder and every missing folder above it.
void ForceDirectories(const QString& path);

} // namespace scindra
