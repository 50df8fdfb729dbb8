#include "rtl/Rounding.h"

#include "rtl/Exception.h"

#include <cmath>

namespace scindra {
namespace {

// 2^63 is exactly representable; every whole long double below it in
// magnitude converts to int64_t without overflow.
constexpr long double kTwoPow63 = 9223372036854775808.0L;

int64_t ToInt64(long double whole)
{
    if (!(whole >= -kTwoPow63 && whole < kTwoPow63))
        throw EInvalidOp();
    return static_cast<int64_t>(whole);
}

} // namespace

long double CheckedDivide(long double a, long double b)
{
    if (b == 0.0L) {
        if (a == 0.0L)
            throw EInvalidOp();
        throw EZeroDivide();
    }
    return a / b;
}

int64_t RoundHalfEven(long double value)
{
    // Worked out by hand rather than through the current rounding mode, so a
    // library that changes the mode cannot change a figure.
    const long double below = std::floor(value);
    const long double fraction = value - below;
    long double whole = below;
    if (fraction > 0.5L || (fraction == 0.5L && std::fmod(below, 2.0L) != 0.0L))
        whole = below + 1.0L;
    return ToInt64(whole);
}

int64_t DivRound(long double a, long double b)
{
    return RoundHalfEven(CheckedDivide(a, b));
}

int64_t DivCeil(long double a, long double b)
{
    return ToInt64(std::ceil(CheckedDivide(a, b)));
}

} // namespace scindra
