#pragma once
// The file dialog as the edits see it: a plain set of settings, one call that
// shows the dialog, and a factory behind that call so tests can put in a
// dialog that answers on its own.

#include "platform/DialogFactory.h"

#include <QFlags>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <optional>

class QWidget;

namespace scindra {

enum TFileDialogKind { dkOpen, dkSave, dkOpenPicture, dkSavePicture };

enum TFileEditStyle { fsEdit, fsComboBox };

// Dialog flags. Only some have a meaning for the toolkit's dialog; the rest
// are kept so that settings survive a round trip unchanged.
enum TOpenOption : unsigned {
    ofReadOnly = 1u << 0,
    ofOverwritePrompt = 1u << 1,
    ofHideReadOnly = 1u << 2,
    ofNoChangeDir = 1u << 3,
    ofShowHelp = 1u << 4,
    ofNoValidate = 1u << 5,
    ofAllowMultiSelect = 1u << 6,
    ofExtensionDifferent = 1u << 7,
    ofPathMustExist = 1u << 8,
    ofFileMustExist = 1u << 9,
    ofCreatePrompt = 1u << 10,
    ofShareAware = 1u << 11,
    ofNoReadOnlyReturn = 1u << 12,
    ofNoTestFileCreate = 1u << 13,
    ofNoNetworkButton = 1u << 14,
    ofNoLongNames = 1u << 15,
    ofOldStyleDialog = 1u << 16,
    ofNoDereferenceLinks = 1u << 17,
    ofEnableIncludeNotify = 1u << 18,
    ofEnableSizing = 1u << 19,
};
Q_DECLARE_FLAGS(TOpenOptions, TOpenOption)
Q_DECLARE_OPERATORS_FOR_FLAGS(TOpenOptions)

// Everything a file dialog is set up with, and what it leaves behind after a
// confirmed run (FileName, Files, FilterIndex, the ofReadOnly flag).
struct FileDialogSettings {
    TFileDialogKind Kind = dkOpen;
    QString Title = QStringLiteral("Browse");
    // Description and pattern pairs separated by '|'; a pattern may hold
    // several masks separated by ';'.
    QString Filter = QStringLiteral("All files (*.*)|*.*");
    int FilterIndex = 1;                 // 1-based; 0 also means the first pair
    QString DefaultExt;                  // ignored when it holds a wildcard
    QString InitialDir;
    TOpenOptions Options = ofHideReadOnly;
    QStringList HistoryList;
    TFileEditStyle FileEditStyle = fsEdit;
    QString FileName;                    // shown first; the chosen name afterwards
    QStringList Files;                   // every chosen name
};

// What a confirmed dialog answers.
struct FileDialogAnswer {
    QStringList Files;      // full paths, at least one
    int FilterIndex = 1;    // 1-based index of the pair selected last
    bool ReadOnly = false;  // the read-only check box (never shown here)
};

// One dialog run. Returns the answer, or nothing when the user cancelled.
class FileDialog {
public:
    virtual ~FileDialog() = default;
    virtual std::optional<FileDialogAnswer> Execute(const FileDialogSettings& settings,
                                                    QWidget* parent) = 0;
};

using FileDialogFactory = DialogFactory<FileDialog>;
using ScopedFileDialogFactory = ScopedDialogFactory<FileDialog>;

// A dialog from the installed factory (the toolkit's dialog by default).
std::unique_ptr<FileDialog> CreateFileDialog();

// Shows a dialog for the settings with the system error boxes held off, and
// on confirmation stores the answer into the settings. Returns whether the
// user confirmed; a cancelled run changes nothing.
bool RunFileDialog(FileDialogSettings& settings, QWidget* parent);


} // namespace scindra
