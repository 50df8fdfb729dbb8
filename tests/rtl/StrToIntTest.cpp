#include "rtl/StrToInt.h"

#include "rtl/Exception.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace scindra {
namespace {

struct Reading {
    const char* text;
    std::optional<int32_t> value;
};

class StrToIntTable : public testing::TestWithParam<Reading> {};

TEST_P(StrToIntTable, ReadsOrRefuses)
{
    const Reading& row = GetParam();
    EXPECT_EQ(TryStrToInt(row.text), row.value) << '"' << row.text << '"';
    if (row.value) {
        EXPECT_EQ(StrToInt(row.text), *row.value);
    } else {
        try {
            StrToInt(row.text);
            FAIL() << "no error for \"" << row.text << '"';
        } catch (const EConvertError& error) {
            EXPECT_EQ(error.Message(), "'" + std::string(row.text) + "' n'est pas une valeur entière correcte");
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Texts, StrToIntTable, testing::Values(
    Reading{"0", 0}, Reading{"4", 4}, Reading{"007", 7}, Reading{"   12", 12},
    Reading{"+5", 5}, Reading{"-5", -5}, Reading{"-0", 0},
    Reading{"2147483647", INT32_MAX}, Reading{"-2147483648", INT32_MIN},
    Reading{"00000000000000000002147483647", INT32_MAX},
    Reading{"$1A", 26}, Reading{"x1a", 26}, Reading{"X10", 16}, Reading{"0x10", 16}, Reading{"0XfF", 255},
    Reading{"  $7FFFFFFF", INT32_MAX},
    // refused
    Reading{"", std::nullopt}, Reading{"   ", std::nullopt}, Reading{"-", std::nullopt},
    Reading{"+", std::nullopt}, Reading{"12 ", std::nullopt}, Reading{"1 2", std::nullopt},
    Reading{"- 5", std::nullopt}, Reading{"--5", std::nullopt}, Reading{"\t5", std::nullopt},
    Reading{"2147483648", std::nullopt}, Reading{"-2147483649", std::nullopt},
    Reading{"99999999999999999999", std::nullopt}, Reading{"$80000000", std::nullopt},
    Reading{"$", std::nullopt}, Reading{"0x", std::nullopt}, Reading{"-$10", std::nullopt},
    Reading{"+0x10", std::nullopt}, Reading{"00x1", std::nullopt}, Reading{"1e3", std::nullopt},
    Reading{"$G", std::nullopt}, Reading{"3.5", std::nullopt}, Reading{"٣", std::nullopt}));

} // namespace
} // namespace scindra
