#include "rtl/StrToInt.h"

#include "rtl/Exception.h"

#include <string>

namespace scindra {
namespace {

constexpr int64_t kMaxMagnitude = int64_t{INT32_MAX} + 1; // reachable only with a minus sign

int DigitValue(char c, int base)
{
    int value = 99;
    if (c >= '0' && c <= '9')
        value = c - '0';
    else if (c >= 'a' && c <= 'f')
        value = c - 'a' + 10;
    else if (c >= 'A' && c <= 'F')
        value = c - 'A' + 10;
    return value < base ? value : -1;
}

// Accumulates the digits of `text` in `base`; nothing when a character is no
// digit, when there is no digit at all, or when the magnitude passes `limit`.
std::optional<int64_t> ReadDigits(std::string_view text, int base, int64_t limit)
{
    if (text.empty())
        return std::nullopt;
    int64_t magnitude = 0;
    for (char c : text) {
        const int digit = DigitValue(c, base);
        if (digit < 0)
            return std::nullopt;
        magnitude = magnitude * base + digit;
        if (magnitude > limit)
            return std::nullopt;
    }
    return magnitude;
}

// Length of the hexadecimal prefix that opens `text`, 0 when there is none.
size_t HexPrefixLength(std::string_view text)
{
    if (text.starts_with('$') || text.starts_with('x') || text.starts_with('X'))
        return 1;
    if (text.starts_with("0x") || text.starts_with("0X"))
        return 2;
    return 0;
}

} // namespace

std::optional<int32_t> TryStrToInt(std::string_view text)
{
    while (!text.empty() && text.front() == ' ')
        text.remove_prefix(1);

    if (const size_t prefix = HexPrefixLength(text); prefix > 0) {
        const auto value = ReadDigits(text.substr(prefix), 16, INT32_MAX);
        if (!value)
            return std::nullopt;
        return static_cast<int32_t>(*value);
    }

    bool negative = false;
    if (text.starts_with('+') || text.starts_with('-')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    const auto magnitude = ReadDigits(text, 10, negative ? kMaxMagnitude : INT32_MAX);
    if (!magnitude)
        return std::nullopt;
    return static_cast<int32_t>(negative ? -*magnitude : *magnitude);
}

int32_t StrToInt(std::string_view text)
{
    if (const auto value = TryStrToInt(text))
        return *value;
    throw EConvertError::NotAnInteger(std::string(text));
}

} // namespace scindra
