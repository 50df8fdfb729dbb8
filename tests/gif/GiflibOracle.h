#pragma once
// giflib, used only as an independent decoder to compare against (never linked
// into the program): decodes bytes from memory with DGifSlurp.

#include "GifBuilder.h"

#include <string>
#include <vector>

namespace scindra::test {

struct OracleFrame {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
    bool interlaced = false;
    Palette colours;      // the local table, or the global one
    int transparent = -1; // from the last graphic control before the frame
    int delayHundredths = 0;
    int disposal = 0;
    Bytes indices;        // top row first, rows de-interlaced
};

struct OracleImage {
    bool ok = false;
    std::string error; // giflib's error text when !ok
    int width = 0;
    int height = 0;
    std::vector<OracleFrame> frames;
};

OracleImage DecodeWithGiflib(const Bytes& gif);

} // namespace scindra::test
