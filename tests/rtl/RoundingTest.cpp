#include "rtl/Rounding.h"

#include "rtl/Exception.h"

#include <gtest/gtest.h>

#include <string>

namespace scindra {
namespace {

TEST(Division, RoundsHalfToEvenAndUp)
{
    struct Row { long double a, b; int64_t rounded, ceiling; };
    for (const Row& q : {Row{5, 2, 2, 3}, Row{7, 2, 4, 4}, Row{1, 2, 0, 1}, Row{3, 2, 2, 2}, Row{-5, 2, -2, -2},
                         Row{-7, 2, -4, -3}, Row{-1, 2, 0, 0}, Row{10, 3, 3, 4}, Row{9, 3, 3, 3}, Row{0, 5, 0, 0},
                         // Large byte counts stay exact in the extended format.
                         Row{9007199254740993.0L, 1, 9007199254740993LL, 9007199254740993LL},
                         Row{9223372036854775806.0L, 2, 4611686018427387903LL, 4611686018427387903LL}}) {
        EXPECT_EQ(DivRound(q.a, q.b), q.rounded) << q.a << " / " << q.b;
        EXPECT_EQ(DivCeil(q.a, q.b), q.ceiling) << q.a << " / " << q.b;
    }
}

TEST(Division, ZeroDivisorAndOverflowRaiseTheMathErrors)
{
    const auto messageOf = [](auto&& divide) -> std::string {
        try {
            divide();
        } catch (const EMathError& error) {
            return error.Message();
        }
        return "no error";
    };
    for (long double a : {10.0L, -3.0L, 0.0L}) {
        const std::string expected =
            a == 0 ? "Opération en virgule flottante incorrecte" : "Division par zéro en virgule flottante";
        EXPECT_EQ(messageOf([&] { DivRound(a, 0); }), expected) << a;
        EXPECT_EQ(messageOf([&] { DivCeil(a, 0); }), expected) << a;
    }
    EXPECT_THROW(DivRound(10, 0), EZeroDivide);
    EXPECT_THROW(DivRound(0, 0), EInvalidOp);
    // A quotient beyond 64 bits is an invalid operation, not a wrapped figure.
    EXPECT_THROW(DivRound(1e30L, 1), EInvalidOp);
    EXPECT_THROW(DivCeil(-1e30L, 1), EInvalidOp);
}

} // namespace
} // namespace scindra
