#pragma once
// A GIF colour table held by value, and the colour arithmetic around it.

#include "gif/GIFTypes.h"

#include <array>
#include <cstdint>

namespace scindra {

struct TGIFPaletteRec {
    // Number of valid entries, 0..256; 0 means there is no table.
    int32_t EntryCount = 0;
    // Red, green, blue in file order. Entries at and beyond EntryCount stay
    // zero unless a table was copied over them.
    std::array<std::array<uint8_t, 3>, 256> Entries{};

    bool operator==(const TGIFPaletteRec&) const = default;
};

// The colour number of a table entry.
TColor EntryToRGB(const std::array<uint8_t, 3>& entry);

// The lowest index below EntryCount whose colour is `color`, or -1 (always -1
// for kColorNone).
int IndexOfColor(const TGIFPaletteRec& table, TColor color);

// The bit count of a colour table of `count` entries: 2 gives 1, 4 gives 2,
// ... 256 gives 8. Any other count fails with "Wrong number of colors".
// The count is compared as a 16-bit number.
int BitsForColorCount(int count);

// The colour number reduced to plain RGB (the top byte dropped).
inline TColor PlainRGB(TColor color) { return color & 0xFFFFFF; }

} // namespace scindra
