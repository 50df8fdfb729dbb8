#pragma once
// Small text helpers shared by the engine and the windows (UTF-8 strings).

#include <cstdint>
#include <string>
#include <initializer_list>
#include <string_view>

namespace scindra {

// The value in decimal with at least `digits` digits, zeros on the left
// (the picture "000" for 3): 7 gives 007, 1234 gives 1234, -7 gives -007.
std::string FormatZeroPadded(int64_t value, int digits);

// The value in decimal with `separator` between groups of three digits.
std::string FormatThousands(int64_t value, std::string_view separator);

// `pattern` with each "%s" replaced, in order, by the next argument.
std::string FormatText(std::string_view pattern, std::initializer_list<std::string_view> arguments);

// The last (first) `count` characters of a UTF-8 text, counted in code points,
// so a text is never cut inside a character; the whole text when shorter.
std::string_view LastCharacters(std::string_view text, size_t count);
std::string_view FirstCharacters(std::string_view text, size_t count);

} // namespace scindra
