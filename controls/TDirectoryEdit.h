#pragma once
// The edit for a folder path. Its button opens the directory dialog (or the
// platform's folder browser) at the folder in the text and writes the chosen
// folder back as plain text: no quotes, no validation.

#include "controls/TFileDirEdit.h"
#include "controls/TSelectDirDlg.h"

#include <QString>

namespace scindra {

enum TDirDialogKind { dkBuiltIn, dkShellBrowser };

class TDirectoryEdit : public TFileDirEdit {
    Q_OBJECT
public:
    explicit TDirectoryEdit(QWidget* parent = nullptr);

    // dkBuiltIn: the directory dialog; dkShellBrowser: the folder browser.
    TDirDialogKind DialogKind() const { return dialogKind_; }
    void SetDialogKind(TDirDialogKind kind) { dialogKind_ = kind; }

    // Options of the directory dialog (create mode, prompt, creation).
    TSelectDirOpts DialogOptions() const { return dialogOptions_; }
    void SetDialogOptions(TSelectDirOpts options) { dialogOptions_ = options; }

    // The instruction text of the folder browser.
    QString DialogText() const { return dialogText_; }
    void SetDialogText(const QString& text) { dialogText_ = text; }

    // The folder the dialog opens at while the text is empty; every confirmed
    // dialog that ends on an existing folder updates it.
    QString InitialDir() const { return initialDir_; }
    void SetInitialDir(const QString& folder) { initialDir_ = folder; }

    // With MultipleDirs, chosen and dropped folders are appended after ";".
    using TFileDirEdit::SetMultipleDirs;

    int HelpContext() const { return helpContext_; }
    void SetHelpContext(int context) { helpContext_ = context; }

    // Short names do not exist here: both give every folder of the text as
    // written (with MultipleDirs, the non-empty parts joined by ";").
    QString LongFormName() const override;
    QString ShortFormName() const override;

protected:
    void ButtonPressed() override;
    void TakeDroppedName(const QString& name) override;

private:
    TDirDialogKind dialogKind_ = dkBuiltIn;
    TSelectDirOpts dialogOptions_;
    QString dialogText_;
    QString initialDir_;
    int helpContext_ = 0;
};

} // namespace scindra
