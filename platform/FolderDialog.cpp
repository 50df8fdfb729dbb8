#include "platform/FolderDialog.h"

#include "platform/QtFolderDialog.h"

namespace scindra {

std::unique_ptr<FolderDialog> CreateFolderDialog()
{
    return CreateDialog<FolderDialog, QtFolderDialog>();
}

} // namespace scindra
