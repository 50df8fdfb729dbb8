#pragma once
// Opening a web address or a "mailto:" address in the user's default program.
// The desktop does it without the caller waiting; tests install an opener of
// their own that records the addresses instead.

#include <QUrl>

#include <functional>
#include <utility>

namespace scindra {

using UrlOpener = std::function<void(const QUrl&)>;

// Hands the address to the installed opener, or to the desktop. Whether the
// desktop found a program for it is not reported: a missing browser or mail
// program simply opens nothing.
void OpenUrl(const QUrl& address);

// Installs an opener and returns the previous one; an empty opener puts the
// desktop's back.
UrlOpener SetUrlOpener(UrlOpener opener);

class ScopedUrlOpener {
public:
    explicit ScopedUrlOpener(UrlOpener opener) : previous_(SetUrlOpener(std::move(opener))) {}
    ~ScopedUrlOpener() { SetUrlOpener(std::move(previous_)); }
    ScopedUrlOpener(const ScopedUrlOpener&) = delete;
    ScopedUrlOpener& operator=(const ScopedUrlOpener&) = delete;

private:
    UrlOpener previous_;
};

} // namespace scindra
