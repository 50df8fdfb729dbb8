#pragma once
// The platform's folder browser as the directory edit sees it: one call that
// shows it, and a factory behind that call so tests can put in a browser that
// answers on its own.

#include "platform/DialogFactory.h"

#include <QString>

#include <functional>
#include <memory>
#include <optional>

class QWidget;

namespace scindra {

struct FolderDialogSettings {
    QString Title;   // the instruction text
    QString Folder;  // pre-selected when it is an existing directory
    // Told the browser is up, and of every selection change (the selected
    // folder's path, empty for an item that is no folder).
    std::function<void()> Initialized;
    std::function<void(const QString& path)> SelectionChanged;
};

// One browser run. Returns the chosen folder, or nothing when the user cancelled.
class FolderDialog {
public:
    virtual ~FolderDialog() = default;
    virtual std::optional<QString> Execute(const FolderDialogSettings& settings, QWidget* parent) = 0;
};

using FolderDialogFactory = DialogFactory<FolderDialog>;
using ScopedFolderDialogFactory = ScopedDialogFactory<FolderDialog>;

// A browser from the installed factory (the toolkit's one by default).
std::unique_ptr<FolderDialog> CreateFolderDialog();


} // namespace scindra
