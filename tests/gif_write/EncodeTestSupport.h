#pragma once
// Pixel pictures and code-stream readers shared by the writer's tests.

#include "gif/LZWEncoder.h"

#include <cstdint>
#include <vector>

namespace scindra::test {

// A picture as one palette index per pixel, rows top-down.
struct IndexPicture {
    int width = 0, height = 0, bits = 8;
    std::vector<uint8_t> pixels;
};

enum class Pattern { Random, Gradient, Flat, Stripes };
IndexPicture MakePicture(int width, int height, int bits, Pattern pattern, uint32_t seed = 1);

// The bottom-up, four-byte padded rows of a bitmap file.
std::vector<uint8_t> PackBottomUp(const IndexPicture& picture);

std::vector<uint8_t> EncodePicture(const IndexPicture& picture, bool interlaced = false);

// The codes of an image data stream, read back the way a decoder must read
// them, with the width each was read at.
struct CodeStream {
    int codeSize = 0;
    std::vector<int> blockLengths; // the terminator not included
    bool terminated = false;
    std::vector<uint32_t> codes;
    std::vector<int> widths;
    std::vector<uint32_t> pixelsBefore; // pixels decoded before each code
};
CodeStream ReadCodes(const std::vector<uint8_t>& imageData);

} // namespace scindra::test
