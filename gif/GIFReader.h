#pragma once
// The block-level pieces of GIF reading shared by the image and its frames.

#include "gif/GIFPaletteRec.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace scindra {

class TStream;

// The 9-byte image descriptor.
struct TImageDescriptor {
    uint16_t Left = 0;
    uint16_t Top = 0;
    uint16_t Width = 0;
    uint16_t Height = 0;
    uint8_t Flags = 0;
};

// Reads data sub-blocks, one string each, up to the zero-length one or the
// end of the stream (a short last block gives a shorter string, no failure).
std::vector<std::string> ReadSubBlockStrings(TStream& stream);

// Reads an image descriptor, its local table and its image data, copying the
// code size byte and the data sub-blocks (length bytes included) into
// `target`. A sub-block longer than the rest of the stream sets `damaged` and
// is left out. Without a local table, `table` is zeroed and `tableBits` kept.
void CopyImageData(TStream& stream, TStream& target, TImageDescriptor& descriptor, TGIFPaletteRec& table,
                   uint8_t& tableBits, bool& damaged, bool& hasLocal, bool& interlaced);

} // namespace scindra
