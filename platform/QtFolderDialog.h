#pragma once
// The folder browser drawn by the toolkit: its file dialog in directory mode.

#include "platform/FolderDialog.h"

namespace scindra {

class QtFolderDialog : public FolderDialog {
public:
    std::optional<QString> Execute(const FolderDialogSettings& settings, QWidget* parent) override;
};

} // namespace scindra
