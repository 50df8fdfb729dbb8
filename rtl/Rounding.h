#pragma once
// The two ways a quotient becomes a whole number. Both divide in the extended
// long double format, so every 64-bit byte count is held exactly, and both
// check the divisor first: a zero divisor raises EZeroDivide, or EInvalidOp
// when the dividend is zero too. No floating-point trap is involved.

#include <cstdint>

namespace scindra {

// The quotient a / b, checked as above.
long double CheckedDivide(long double a, long double b);

// Rounds to the nearest whole number, an exact half going to the even one.
// A value outside the 64-bit range raises EInvalidOp.
int64_t RoundHalfEven(long double value);

// a / b rounded to nearest, ties to even.
int64_t DivRound(long double a, long double b);

// a / b rounded up to the smallest whole number not below it.
int64_t DivCeil(long double a, long double b);

} // namespace scindra
