#pragma once
// Where dialogs come from. By default a dialog is the toolkit's own; a test
// installs a factory that makes dialogs answering on their own, for as long
// as a ScopedDialogFactory lives.

#include <functional>
#include <memory>
#include <utility>

namespace scindra {

template <class Dialog>
using DialogFactory = std::function<std::unique_ptr<Dialog>()>;

template <class Dialog>
DialogFactory<Dialog>& InstalledDialogFactory()
{
    static DialogFactory<Dialog> factory;
    return factory;
}

// Installs the factory and returns the previous one; an empty factory puts
// the toolkit's dialog back.
template <class Dialog>
DialogFactory<Dialog> SetDialogFactory(DialogFactory<Dialog> factory)
{
    return std::exchange(InstalledDialogFactory<Dialog>(), std::move(factory));
}

// A dialog from the installed factory, or a ToolkitDialog when none is installed.
template <class Dialog, class ToolkitDialog>
std::unique_ptr<Dialog> CreateDialog()
{
    if (const DialogFactory<Dialog>& factory = InstalledDialogFactory<Dialog>())
        return factory();
    return std::make_unique<ToolkitDialog>();
}

template <class Dialog>
class ScopedDialogFactory {
public:
    explicit ScopedDialogFactory(DialogFactory<Dialog> factory)
        : previous_(SetDialogFactory<Dialog>(std::move(factory))) {}
    ~ScopedDialogFactory() { SetDialogFactory<Dialog>(std::move(previous_)); }
    ScopedDialogFactory(const ScopedDialogFactory&) = delete;
    ScopedDialogFactory& operator=(const ScopedDialogFactory&) = delete;

private:
    DialogFactory<Dialog> previous_;
};

} // namespace scindra
