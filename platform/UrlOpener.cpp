#include "platform/UrlOpener.h"

#include <QDesktopServices>

namespace scindra {
namespace {

UrlOpener& InstalledOpener()
{
    static UrlOpener opener;
    return opener;
}

} // namespace

void OpenUrl(const QUrl& address)
{
    if (const UrlOpener& opener = InstalledOpener()) {
        opener(address);
        return;
    }
    QDesktopServices::openUrl(address);
}

UrlOpener SetUrlOpener(UrlOpener opener)
{
    return std::exchange(InstalledOpener(), std::move(opener));
}

} // namespace scindra
