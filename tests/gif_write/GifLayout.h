#pragma once
// A GIF file taken apart block by block, with every block's bytes as written:
// the tests compare what the writer produced with what it was given.

#include <cstdint>
#include <string>
#include <vector>

namespace scindra::test {

struct LayoutFrame {
    std::vector<std::vector<uint8_t>> extensions; // each from its label byte on
    uint8_t descriptorPacked = 0;
    int left = 0, top = 0, width = 0, height = 0;
    int localEntries = 0;
    std::vector<uint8_t> imageData; // code size byte and sub-blocks, terminator included
};

struct GifLayout {
    std::string error; // empty when the walk reached the trailer
    std::string signature;
    int width = 0, height = 0;
    uint8_t packed = 0, background = 0, aspect = 0;
    int globalEntries = 0;
    std::vector<uint8_t> globalTable;
    std::vector<std::vector<uint8_t>> leadingExtensions; // before the first image (the loop block)
    std::vector<LayoutFrame> frames;
    std::vector<std::vector<uint8_t>> trailingExtensions;

    int ColorResolutionField() const { return packed >> 4 & 7; }
};

GifLayout ParseLayout(const std::vector<uint8_t>& gif);

// The data sub-blocks of an extension or image data run: {lengths}.
std::vector<int> SubBlockLengths(const std::vector<uint8_t>& bytes, size_t from);

} // namespace scindra::test
