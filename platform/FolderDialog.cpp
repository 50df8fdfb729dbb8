#include "platform/FolderDialog.h"

#include "platform/QtFolderDialog.h"

namespace scindra {

namespace {

FolderDialogFactory& InstalledFactory()
{
    static FolderDialogFactory factory;
    return factory;
}

} // namespace

FolderDialogFactory SetFolderDialogFactory(FolderDialogFactory factory)
{
    FolderDialogFactory previous = std::move(InstalledFactory());
    InstalledFactory() = std::move(factory);
    return previous;
}

std::unique_ptr<FolderDialog> CreateFolderDialog()
{
    if (const FolderDialogFactory& factory = InstalledFactory())
        return factory();
    return std::make_unique<QtFolderDialog>();
}

} // namespace scindra
