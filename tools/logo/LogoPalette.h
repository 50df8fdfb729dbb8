#pragma once
// One palette for all frames of the logo: 255 colours of the lettering and
// the transparent colour in entry 254, each entry used by some frame.

#include "gif/ColorReduction.h"

#include <vector>

namespace scindra::logo {

constexpr int kTransparentIndex = 254;

struct IndexedFrames {
    std::array<RGBTriple, 256> palette{};
    std::vector<std::vector<uint8_t>> frames; // one index per pixel, rows top-down
};

// Fails (std::runtime_error) when the pictures do not fill every entry.
IndexedFrames MapOntoOnePalette(const std::vector<std::vector<RGBTriple>>& frames);

} // namespace scindra::logo
