#pragma once
// Holds the system's own error boxes off while a dialog is open (a dialog
// that looks at an empty removable drive must not raise one), and puts the
// previous mode back when it closes, also when the dialog fails.
// POSIX shows no such boxes, so here the frame only marks the place.

namespace scindra {

class ErrorModeFrame {
public:
    ErrorModeFrame() noexcept = default;
    ~ErrorModeFrame() = default;
    ErrorModeFrame(const ErrorModeFrame&) = delete;
    ErrorModeFrame& operator=(const ErrorModeFrame&) = delete;
};

} // namespace scindra
