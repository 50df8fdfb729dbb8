#include "LogoPalette.h"

#include "LogoArt.h"

#include <stdexcept>

namespace scindra::logo {

IndexedFrames MapOntoOnePalette(const std::vector<std::vector<RGBTriple>>& frames)
{
    // All frames stacked as one tall picture, so they share one palette; the
    // key keeps an exact entry for the untouched pixels.
    TrueColorPixels atlas{kWidth, 0, {}};
    for (const auto& frame : frames)
        atlas.pixels.insert(atlas.pixels.end(), frame.begin(), frame.end());
    atlas.height = int(atlas.pixels.size() / kWidth);
    ReducedPixels reduced = ReducePopularity(atlas, &kTransparent);

    // Move the key's entry to its fixed place.
    int keySlot = 0;
    while (keySlot < 256 && !(reduced.palette[keySlot] == kTransparent))
        ++keySlot;
    if (keySlot == 256)
        throw std::runtime_error("the logo has no transparent pixel");
    std::swap(reduced.palette[keySlot], reduced.palette[kTransparentIndex]);
    std::array<bool, 256> used{};
    for (uint8_t& index : reduced.indices) {
        if (index == keySlot)
            index = kTransparentIndex;
        else if (index == kTransparentIndex)
            index = uint8_t(keySlot);
        used[index] = true;
    }
    for (int i = 0; i < 256; ++i)
        if (!used[i])
            throw std::runtime_error("palette entry " + std::to_string(i) + " is used by no frame");

    IndexedFrames result{reduced.palette, {}};
    const size_t frameSize = size_t(kWidth) * kHeight;
    for (size_t k = 0; k < frames.size(); ++k)
        result.frames.emplace_back(reduced.indices.begin() + long(k * frameSize),
                                   reduced.indices.begin() + long((k + 1) * frameSize));
    return result;
}

} // namespace scindra::logo
