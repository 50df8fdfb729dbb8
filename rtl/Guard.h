#pragma once
// The guard every event handler runs through. An exception ends that handler
// only: it is handed to the installed reporter (the application's error box)
// and never travels further, so it cannot cross the toolkit's own code and a
// handler that triggered a nested one simply goes on with its next step.

#include <exception>
#include <stdexcept>
#include <functional>
#include <type_traits>
#include <utility>

namespace scindra {

using ErrorReporter = std::function<void(const std::exception&)>;

// Installs the reporter and returns the previous one (tests install their own).
ErrorReporter SetErrorReporter(ErrorReporter reporter);

// Hands an error to the reporter; EAbort is ignored silently.
void ReportError(const std::exception& error);

// A handler that takes no arguments may be connected to a signal that has
// some (clicked(bool), textChanged(QString)): they are then dropped.
template <class F, class... Args>
void Guard(F&& handler, Args&&... args) noexcept
{
    try {
        if constexpr (std::is_invocable_v<F, Args...>)
            std::invoke(std::forward<F>(handler), std::forward<Args>(args)...);
        else
            std::invoke(std::forward<F>(handler));
    } catch (const std::exception& error) {
        ReportError(error);
    } catch (...) {
        ReportError(std::runtime_error("Erreur inconnue"));
    }
}

// Wraps a handler so that every call of the result runs through Guard.
template <class F>
auto Guarded(F handler)
{
    return [handler = std::move(handler)](auto&&... args) mutable noexcept {
        Guard(handler, std::forward<decltype(args)>(args)...);
    };
}

} // namespace scindra
