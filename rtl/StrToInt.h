#pragma once
// Reading a whole number typed by the user: leading blanks, then an optional
// sign and decimal digits or, without a sign, hexadecimal digits introduced by
// '$', 'x' or "0x" (either case). The value must fit a signed 32-bit integer.

#include <cstdint>
#include <optional>
#include <string_view>

namespace scindra {

// The number, or nothing when the text is not one (empty, stray character, out of range).
std::optional<int32_t> TryStrToInt(std::string_view text);

// The number; raises EConvertError "'%s' n'est pas une valeur entière correcte".
int32_t StrToInt(std::string_view text);

} // namespace scindra
