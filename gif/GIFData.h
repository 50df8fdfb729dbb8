#pragma once
// The image-level payload of a GIF, shared by images copied from each other.

#include "gif/GIFPaletteRec.h"

#include <cstdint>
#include <string>
#include <vector>

namespace scindra {

struct TGIFData {
    // The comment that stands after the last frame, one string per line.
    std::vector<std::string> ImageComment;
    // The pixel aspect byte of the screen descriptor, written back unchanged.
    uint8_t AspectByte = 0;
    // The colour table size field of the screen descriptor plus one (1..8),
    // set even when the descriptor announces no global table.
    uint8_t GlobalBits = 0;
    // The colour resolution field plus one (1..8).
    uint8_t ColorResolution = 0;
    // EntryCount 0 when the file has no global table.
    TGIFPaletteRec GlobalTable;
};

} // namespace scindra
