#pragma once
// An independent decoder for the tests: giflib reads what our writer wrote.

#include <cstdint>
#include <string>
#include <vector>

namespace scindra::test {

struct OracleFrame {
    int left = 0, top = 0, width = 0, height = 0;
    bool interlaced = false;
    bool hasLocalTable = false;
    int localColorCount = 0;
    std::vector<uint8_t> pixels; // one index per pixel, rows top-down, interlacing undone
    // Graphic control, when the frame has one.
    bool hasControl = false;
    int delay = 0, disposal = 0, transparentIndex = -1;
};

struct OracleImage {
    std::string error; // empty when giflib read the whole file
    std::string version;
    int width = 0, height = 0, backgroundIndex = 0, aspectByte = 0, colorResolution = 0;
    std::vector<uint8_t> globalTable; // RGB triples
    bool hasLoopBlock = false;
    int loopCount = -1;
    std::vector<OracleFrame> frames;
};

OracleImage DecodeWithGiflib(const std::vector<uint8_t>& gif);

// A GIF89a around one frame's table-based image data: w x h, a global table of
// 2^bits grey entries, no extensions.
std::vector<uint8_t> WrapImageData(const std::vector<uint8_t>& imageData, int width, int height, int bits);

} // namespace scindra::test
