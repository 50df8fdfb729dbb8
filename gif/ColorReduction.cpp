#include "gif/ColorReduction.h"

#include "rtl/Exception.h"

#include <cstring>
#include <optional>

namespace scindra {

namespace {

// The popularity count: at most 2049 distinct colours, found through an
// index of 5191 slots with linear probing. Colours keep the order they were
// first seen in, which breaks ties when the palette is chosen.
class ColorCount {
public:
    static constexpr int kMaxColors = 2049;
    static constexpr int kIndexSlots = 5191;

    struct Entry {
        RGBTriple color;
        uint32_t count = 0;
    };

    ColorCount() { index_.fill(-1); }

    // Counts one more pixel of the colour; false when it would be the 2050th.
    bool Add(RGBTriple c)
    {
        const int slot = Find(c);
        if (index_[slot] >= 0) {
            ++entries_[index_[slot]].count;
            return true;
        }
        if (int(entries_.size()) == kMaxColors)
            return false;
        index_[slot] = int16_t(entries_.size());
        entries_.push_back({c, 1});
        return true;
    }
    int IndexOf(RGBTriple c) const { return index_[Find(c)]; }
    std::vector<Entry>& Entries() { return entries_; }

private:
    int Find(RGBTriple c) const
    {
        int slot = int((c.r + c.g) * (c.g + c.b) * (c.b + c.r) % kIndexSlots);
        while (index_[slot] >= 0 && !(entries_[index_[slot]].color == c))
            slot = slot + 1 == kIndexSlots ? 0 : slot + 1;
        return slot;
    }

    std::array<int16_t, kIndexSlots> index_;
    std::vector<Entry> entries_;
};

struct ChannelMasks {
    uint8_t r = 0xFF, g = 0xFF, b = 0xFF;

    RGBTriple Apply(RGBTriple c) const { return {uint8_t(c.r & r), uint8_t(c.g & g), uint8_t(c.b & b)}; }

    // One channel loses its lowest remaining bit: blue, red, green, blue, ...
    // when all start full.
    void Coarsen()
    {
        uint8_t& mask = r < g ? g : r > b ? r : b;
        mask &= uint8_t(mask - 1);
    }
};

bool IsKey(const RGBTriple& c, const RGBTriple* key) { return key && c == *key; }

// Counts the masked colours of every pixel but the key's, coarsening the
// masks until at most 2049 distinct colours remain.
ColorCount CountColors(const TrueColorPixels& source, const RGBTriple* key, ChannelMasks& masks)
{
    for (;;) {
        ColorCount count;
        bool fits = true;
        for (const RGBTriple& c : source.pixels)
            if (!IsKey(c, key) && !count.Add(masks.Apply(c))) {
                fits = false;
                break;
            }
        if (fits)
            return count;
        masks.Coarsen();
    }
}

// Only the key's own slot may hold the key colour, whether or not a pixel
// has it: the writer names the first slot of that colour transparent, and a
// coarsened colour or a spare slot landing on it would take pixels with it.
// Any other slot of that colour moves one step of blue away.
void MoveOffKey(std::array<RGBTriple, 256>& palette, const RGBTriple* key, int keySlot)
{
    if (!key)
        return;
    for (int slot = 0; slot < 256; ++slot)
        if (slot != keySlot && palette[size_t(slot)] == *key)
            palette[size_t(slot)].b ^= 1;
}

int SquaredDistance(RGBTriple a, RGBTriple b)
{
    const int dr = a.r - b.r, dg = a.g - b.g, db = a.b - b.b;
    return dr * dr + dg * dg + db * db;
}

} // namespace

ReducedPixels ReducePopularity(const TrueColorPixels& source, const RGBTriple* key)
{
    bool keyPresent = false;
    for (const RGBTriple& c : source.pixels)
        keyPresent = keyPresent || IsKey(c, key);
    ChannelMasks masks;
    ColorCount count = CountColors(source, keyPresent ? key : nullptr, masks);
    std::vector<ColorCount::Entry>& entries = count.Entries();

    ReducedPixels result;
    result.palette.fill({128, 128, 128});
    std::vector<int> slotOf(entries.size(), -1);
    const int popularSlots = keyPresent ? 255 : 256;
    int used = 0;
    for (; used < popularSlots; ++used) {
        int best = -1;
        for (int i = 0; i < int(entries.size()); ++i)
            if (entries[i].count > 0 && (best < 0 || entries[i].count > entries[best].count))
                best = i;
        if (best < 0)
            break;
        result.palette[used] = entries[best].color;
        slotOf[best] = used;
        entries[best].count = 0;
    }
    const int keySlot = keyPresent ? used : -1;
    if (keyPresent)
        result.palette[keySlot] = *key;
    MoveOffKey(result.palette, key, keySlot);

    for (size_t i = 0; i < entries.size(); ++i) {
        if (slotOf[i] >= 0)
            continue;
        int best = -1, bestDistance = 0;
        for (int slot = 0; slot < 256; ++slot) {
            const int d = SquaredDistance(entries[i].color, result.palette[slot]);
            if (slot != keySlot && (best < 0 || d < bestDistance)) {
                best = slot;
                bestDistance = d;
            }
        }
        slotOf[i] = best;
    }

    result.indices.resize(source.pixels.size());
    for (size_t p = 0; p < source.pixels.size(); ++p) {
        const RGBTriple& c = source.pixels[p];
        result.indices[p] = uint8_t(IsKey(c, key) ? keySlot : slotOf[count.IndexOf(masks.Apply(c))]);
    }
    return result;
}

ReducedPixels ReduceGray(const TrueColorPixels& source, const RGBTriple* key)
{
    auto level = [](RGBTriple c) { return uint8_t((77 * c.r + 150 * c.g + 29 * c.b) >> 8); };
    ReducedPixels result;
    for (int i = 0; i < 256; ++i)
        result.palette[i] = {uint8_t(i), uint8_t(i), uint8_t(i)};
    bool keyPresent = false;
    for (const RGBTriple& c : source.pixels)
        keyPresent = keyPresent || IsKey(c, key);
    // The key takes over its own level's slot; other pixels of that level
    // move to the neighbouring one.
    const int keySlot = keyPresent ? level(*key) : -1;
    const uint8_t displaced = uint8_t(keySlot == 255 ? 254 : keySlot + 1);
    if (keyPresent)
        result.palette[keySlot] = *key;
    MoveOffKey(result.palette, key, keySlot);
    result.indices.resize(source.pixels.size());
    for (size_t p = 0; p < source.pixels.size(); ++p) {
        const RGBTriple& c = source.pixels[p];
        const uint8_t l = level(c);
        result.indices[p] = IsKey(c, key) ? uint8_t(keySlot) : l == keySlot ? displaced : l;
    }
    return result;
}

void ReduceColors(const QImage& bitmap, ReductionMethod method, TColor keyColor, TMemoryStream& out)
{
    if (bitmap.isNull())
        throw EInvalidGraphic::InvalidBitmap();
    const QImage rgb = bitmap.convertToFormat(QImage::Format_RGB888);
    TrueColorPixels source{rgb.width(), rgb.height(), {}};
    source.pixels.resize(size_t(source.width) * size_t(source.height));
    for (int y = 0; y < source.height; ++y)
        std::memcpy(&source.pixels[size_t(y) * source.width], rgb.constScanLine(y), size_t(source.width) * 3);

    std::optional<RGBTriple> key;
    if (keyColor != kColorNone)
        key = RGBTriple{uint8_t(keyColor), uint8_t(keyColor >> 8), uint8_t(keyColor >> 16)};
    const RGBTriple* keyPointer = key ? &*key : nullptr;
    const ReducedPixels reduced =
        method == ReductionMethod::Gray ? ReduceGray(source, keyPointer) : ReducePopularity(source, keyPointer);

    const uint32_t stride = (uint32_t(source.width) + 3) / 4 * 4;
    const uint32_t imageSize = stride * uint32_t(source.height);
    const uint32_t pixelOffset = 14 + 40 + 1024;
    std::vector<uint8_t> file(pixelOffset + imageSize);
    auto put32 = [&](size_t at, uint32_t v) {
        for (int i = 0; i < 4; ++i)
            file[at + i] = uint8_t(v >> (8 * i));
    };
    file[0] = 'B';
    file[1] = 'M';
    put32(2, pixelOffset + imageSize);
    put32(10, pixelOffset);
    put32(14, 40);
    put32(18, uint32_t(source.width));
    put32(22, uint32_t(source.height));
    file[26] = 1;  // planes
    file[28] = 8;  // bits per pixel
    put32(34, imageSize);
    for (int i = 0; i < 256; ++i) {
        uint8_t* quad = &file[54 + 4 * i];
        quad[0] = reduced.palette[i].b;
        quad[1] = reduced.palette[i].g;
        quad[2] = reduced.palette[i].r;
    }
    for (int y = 0; y < source.height; ++y)
        std::memcpy(&file[pixelOffset + size_t(source.height - 1 - y) * stride],
                    &reduced.indices[size_t(y) * source.width], size_t(source.width));
    out.Clear();
    out.WriteBuffer(file.data(), int64_t(file.size()));
    out.SetPosition(0);
}

} // namespace scindra
