#pragma once
// A varied table of well-formed GIFs built with GifBuilder, each with the
// palette indices every frame must decode to. The oracle test decodes them
// with giflib and with the program; the fuzz seed writer starts from them.

#include "GifBuilder.h"

#include <string>
#include <vector>

namespace scindra::test {

struct ExpectedFrame {
    uint16_t left = 0;
    uint16_t top = 0;
    Pixels pixels;
    Palette colours;      // the table the frame uses (local, else global)
    int transparent = -1; // index named by the last graphic control, -1 for none
};

struct GifCase {
    std::string name; // letters, digits and underscores
    Bytes gif;
    std::vector<ExpectedFrame> frames;
};

std::vector<GifCase> OracleCases();

} // namespace scindra::test
