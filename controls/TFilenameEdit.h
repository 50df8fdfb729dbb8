#pragma once
// An edit with a browse button for one file name. The text holds the name in
// double quotes when it contains a blank; FileName hides that quoting both
// ways and validates names a program assigns. The button opens the file
// dialog pre-set from the text and writes the chosen name back.

#include "controls/TFileDirEdit.h"
#include "engine/engine.h"
#include "platform/FileDialog.h"

#include <QStringList>

namespace scindra {

class TFilenameEdit : public TFileDirEdit {
    Q_OBJECT

public:
    explicit TFilenameEdit(QWidget* parent = nullptr);

    // FileNameFromText of the text.
    QString FileName() const;
    // Raises EComboEditError "Nom de fichier incorrect - <value>" when a
    // non-empty value is not a valid name; otherwise the text becomes the
    // quoted value and the name list is emptied. Empty clears the edit.
    void SetFileName(const QString& value);

    // The path style the names are checked and split with (native by default).
    PathStyle FilePathStyle() const { return pathStyle_; }
    void SetFilePathStyle(PathStyle style) { pathStyle_ = style; }

    // Dialog settings.
    TFileDialogKind DialogKind() const { return dialog_.Kind; }
    void SetDialogKind(TFileDialogKind kind) { dialog_.Kind = kind; }
    QString DialogTitle() const { return dialog_.Title; }
    void SetDialogTitle(const QString& title) { dialog_.Title = title; }
    QString Filter() const { return dialog_.Filter; }
    void SetFilter(const QString& filter) { dialog_.Filter = filter; }
    int FilterIndex() const { return dialog_.FilterIndex; }
    void SetFilterIndex(int index) { dialog_.FilterIndex = index; }
    QString DefaultExt() const { return dialog_.DefaultExt; }
    void SetDefaultExt(const QString& ext) { dialog_.DefaultExt = ext; }
    QString InitialDir() const { return dialog_.InitialDir; }
    // One trailing separator is dropped unless it ends a root ("/", "C:\").
    void SetInitialDir(const QString& dir);
    TOpenOptions DialogOptions() const { return dialog_.Options; }
    // MultipleDirs follows ofAllowMultiSelect.
    void SetDialogOptions(TOpenOptions options);
    QStringList HistoryList() const { return dialog_.HistoryList; }
    void SetHistoryList(const QStringList& list) { dialog_.HistoryList = list; }
    TFileEditStyle FileEditStyle() const { return dialog_.FileEditStyle; }
    void SetFileEditStyle(TFileEditStyle style) { dialog_.FileEditStyle = style; }
    // The dialog's current name and the names gathered with MultipleDirs.
    QString DialogFileName() const { return dialog_.FileName; }
    QStringList DialogFiles() const { return dialog_.Files; }

    QString LongFormName() const override;
    QString ShortFormName() const override;

    // The name in double quotes when it holds a blank (code 32) and does not
    // already begin with a double quote.
    static QString QuoteFileName(const QString& name);
    // The text itself when it names an existing file that is not a folder,
    // else its first token read like a command line (quotes removed).
    static QString FileNameFromText(const QString& text);
    // Not empty and free of the characters the style refuses: <>"[]| for
    // Windows, only the double quote for POSIX.
    static bool IsValidFileName(const QString& name, PathStyle style = NativePathStyle);
    // Everything up to and including the last separator / what follows it.
    static QString FolderPart(const QString& name, PathStyle style = NativePathStyle);
    static QString NamePart(const QString& name, PathStyle style = NativePathStyle);
    // The initial-folder trimming rule.
    static QString TrimInitialDir(const QString& dir, PathStyle style = NativePathStyle);

protected:
    void ButtonPressed() override;
    void TakeDroppedName(const QString& name) override;
    void ClearNameList() override;

private:
    void PresetDialog(QString& name);

    FileDialogSettings dialog_;
    PathStyle pathStyle_ = NativePathStyle;
};

} // namespace scindra
