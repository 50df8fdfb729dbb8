#include "rtl/Rounding.h"

#include "rtl/Exception.h"

#include <gtest/gtest.h>

#include <string>

namespace scindra {
namespace {

struct Quotient {
    long double a, b;
    int64_t rounded, ceiling;
};

class DivisionTable : public testing::TestWithParam<Quotient> {};

TEST_P(DivisionTable, RoundsHalfToEvenAndUp)
{
    const Quotient& q = GetParam();
    EXPECT_EQ(DivRound(q.a, q.b), q.rounded) << q.a << " / " << q.b;
    EXPECT_EQ(DivCeil(q.a, q.b), q.ceiling) << q.a << " / " << q.b;
}

INSTANTIATE_TEST_SUITE_P(Quotients, DivisionTable, testing::Values(
    Quotient{5, 2, 2, 3}, Quotient{7, 2, 4, 4}, Quotient{1, 2, 0, 1}, Quotient{3, 2, 2, 2},
    Quotient{-5, 2, -2, -2}, Quotient{-7, 2, -4, -3}, Quotient{-1, 2, 0, 0},
    Quotient{10, 3, 3, 4}, Quotient{9, 3, 3, 3}, Quotient{0, 5, 0, 0},
    Quotient{1000000, 333333, 3, 4},
    // Large byte counts stay exact in the extended format.
    Quotient{9007199254740993.0L, 1, 9007199254740993LL, 9007199254740993LL},
    Quotient{9223372036854775806.0L, 2, 4611686018427387903LL, 4611686018427387903LL}));

TEST(Division, ZeroDivisorRaisesTheTwoMessages)
{
    struct Row { long double a; std::string message; };
    for (const Row& row : {Row{10, "Division par zéro en virgule flottante"},
                           Row{-3, "Division par zéro en virgule flottante"},
                           Row{0, "Opération en virgule flottante incorrecte"}}) {
        try {
            DivRound(row.a, 0);
            FAIL() << row.a;
        } catch (const EMathError& error) {
            EXPECT_EQ(error.Message(), row.message);
        }
        try {
            DivCeil(row.a, 0);
            FAIL() << row.a;
        } catch (const EMathError& error) {
            EXPECT_EQ(error.Message(), row.message);
        }
    }
    EXPECT_THROW(DivRound(10, 0), EZeroDivide);
    EXPECT_THROW(DivRound(0, 0), EInvalidOp);
}

TEST(Division, QuotientBeyondSixtyFourBitsIsAnInvalidOperation)
{
    EXPECT_THROW(DivRound(1e30L, 1), EInvalidOp);
    EXPECT_THROW(DivCeil(-1e30L, 1), EInvalidOp);
}

} // namespace
} // namespace scindra
