#include "gif/DIB.h"

#include "rtl/Exception.h"

namespace scindra {

int DibBitCount(int tableBits)
{
    static constexpr int bitCounts[9] = {0, 1, 4, 4, 4, 8, 8, 8, 8};
    if (tableBits < 1 || tableBits > 8)
        throw EInvalidGraphicOperation::WrongColorCount();
    return bitCounts[tableBits];
}

int64_t DibStride(int64_t width, int bitCount)
{
    return (width * bitCount + 31) / 32 * 4;
}

std::array<std::array<uint8_t, 4>, 256> QuadFromTable(const TGIFPaletteRec& table)
{
    std::array<std::array<uint8_t, 4>, 256> quads;
    for (auto& quad : quads)
        quad = {128, 128, 128, 128};
    // A full table and a missing one (all zero entries) both fill every slot.
    int count = table.EntryCount % 256;
    if (count <= 0)
        count += 256;
    for (int i = 0; i < count; ++i) {
        const auto& entry = table.Entries[static_cast<size_t>(i)];
        quads[static_cast<size_t>(i)] = {entry[2], entry[1], entry[0], 0};
    }
    return quads;
}

} // namespace scindra
