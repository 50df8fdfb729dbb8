#pragma once
// What the file-name edit and the directory edit share: the default button
// picture, the before/after dialog hooks, names dropped from a file manager
// (AcceptFiles), and the accumulation of names (MultipleDirs).

#include "controls/TCustomComboEdit.h"

#include <QObject>
#include <QString>

#include <functional>

namespace scindra {

// Handlers may change the name and cancel by clearing the action.
using TExecOpenDialogEvent = std::function<void(QObject* sender, QString& name, bool& action)>;

class TFileDirEdit : public TCustomComboEdit {
    Q_OBJECT

public:
    explicit TFileDirEdit(QWidget* parent = nullptr);

    bool AcceptFiles() const { return acceptFiles_; }
    void SetAcceptFiles(bool accept);

    bool MultipleDirs() const { return multipleDirs_; }

    // The current name in its long or short form (the same on POSIX).
    virtual QString LongFormName() const = 0;
    virtual QString ShortFormName() const = 0;

    // Takes the local files of a drop as the drop handler does (tests and
    // programmatic drops): nothing for an empty list; else ClearNameList,
    // then the first name (all names with MultipleDirs), then DropFiles().
    void TakeDroppedNames(const QStringList& names);

    TExecOpenDialogEvent OnBeforeDialog;
    TExecOpenDialogEvent OnAfterDialog;

    // The FEDITBMP picture, shared by every instance.
    static QPixmap DefaultButtonPicture();

signals:
    void DropFiles();

protected:
    QPixmap DefaultGlyph() const override;

    // Accept one dropped name; forget accumulated names.
    virtual void TakeDroppedName(const QString& name) = 0;
    virtual void ClearNameList() {}

    virtual void BeforeDialog(QString& name, bool& action);
    virtual void AfterDialog(QString& name, bool& action);
    // Once a dialog has closed: the edit takes the focus when it can.
    void FocusAfterDialog();

    void SetMultipleDirs(bool multiple) { multipleDirs_ = multiple; }

    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    bool AnswerFileDrag(QDragMoveEvent* event) const;

    bool acceptFiles_ = false;
    bool multipleDirs_ = false;
};

} // namespace scindra
