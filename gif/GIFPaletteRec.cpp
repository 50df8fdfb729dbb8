#include "gif/GIFPaletteRec.h"

#include "rtl/Exception.h"

#include <algorithm>

namespace scindra {

static_assert(sizeof(TGIFPaletteRec::Entries) == 768, "colour table entries are packed RGB triples");

TColor EntryToRGB(const std::array<uint8_t, 3>& entry)
{
    return TColor{entry[0]} | TColor{entry[1]} << 8 | TColor{entry[2]} << 16;
}

int IndexOfColor(const TGIFPaletteRec& table, TColor color)
{
    if (color == kColorNone)
        return -1;
    const TColor rgb = PlainRGB(color);
    const int count = std::clamp(table.EntryCount, 0, 256);
    for (int i = 0; i < count; ++i) {
        if (EntryToRGB(table.Entries[static_cast<size_t>(i)]) == rgb)
            return i;
    }
    return -1;
}

int BitsForColorCount(int count)
{
    const auto count16 = static_cast<uint16_t>(count);
    for (int bits = 1; bits <= 8; ++bits) {
        if (count16 == 1u << bits)
            return bits;
    }
    throw EInvalidGraphicOperation::WrongColorCount();
}

} // namespace scindra
