#include "rtl/Format.h"

#include <initializer_list>

namespace scindra {
namespace {

// Every byte but a continuation byte (10xxxxxx) starts a character; a stray
// byte of a damaged text counts as a character of its own.
bool StartsCharacter(char c)
{
    return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
}

std::string Digits(int64_t value)
{
    // Built from the unsigned magnitude so INT64_MIN has no overflow.
    uint64_t magnitude = value < 0 ? 0 - static_cast<uint64_t>(value) : static_cast<uint64_t>(value);
    std::string digits;
    do {
        digits.insert(digits.begin(), static_cast<char>('0' + magnitude % 10));
        magnitude /= 10;
    } while (magnitude != 0);
    return digits;
}

} // namespace

std::string FormatZeroPadded(int64_t value, int digits)
{
    std::string text = Digits(value);
    if (static_cast<int>(text.size()) < digits)
        text.insert(0, static_cast<size_t>(digits) - text.size(), '0');
    return value < 0 ? "-" + text : text;
}

std::string FormatThousands(int64_t value, std::string_view separator)
{
    const std::string digits = Digits(value);
    std::string text;
    for (size_t i = 0; i < digits.size(); ++i) {
        if (i != 0 && (digits.size() - i) % 3 == 0)
            text += separator;
        text += digits[i];
    }
    return value < 0 ? "-" + text : text;
}

std::string FormatText(std::string_view pattern, std::initializer_list<std::string_view> arguments)
{
    std::string text;
    auto next = arguments.begin();
    for (size_t i = 0; i < pattern.size(); ++i) {
        if (pattern[i] == '%' && i + 1 < pattern.size() && pattern[i + 1] == 's' && next != arguments.end()) {
            text += *next++;
            ++i;
        } else {
            text += pattern[i];
        }
    }
    return text;
}

std::string_view LastCharacters(std::string_view text, size_t count)
{
    size_t start = text.size();
    for (size_t seen = 0; start > 0 && seen < count;) {
        --start;
        if (StartsCharacter(text[start]))
            ++seen;
    }
    return text.substr(start);
}

std::string_view FirstCharacters(std::string_view text, size_t count)
{
    size_t end = 0;
    for (size_t seen = 0; end < text.size(); ++end) {
        if (StartsCharacter(text[end]) && seen++ == count)
            break;
    }
    return text.substr(0, end);
}

} // namespace scindra
