#pragma once
// The frame-level payload of a GIF, shared by frames copied from each other.

#include "gif/GIFPaletteRec.h"
#include "rtl/TMemoryStream.h"

#include <cstdint>
#include <memory>

namespace scindra {

struct TGIFItem {
    // The frame's table-based image data exactly as in a file: the LZW
    // minimum code size byte, then the data sub-blocks with their length
    // bytes, normally ending with the zero-length terminator. None or empty
    // means the frame is not encoded.
    std::unique_ptr<TMemoryStream> EncodedData;
    // The frame's size from its image descriptor.
    int32_t PixelWidth = 0;
    int32_t PixelHeight = 0;
    // The packed byte of the image descriptor as read.
    uint8_t DescriptorFlags = 0;
    // Bit count of the frame's colour table (1..8; 0 when there is none): it
    // sets the decoder's pixel mask and the bitmap depth.
    uint8_t TableBits = 0;
    // The frame's own table, or a copy of the global one.
    TGIFPaletteRec LocalTable;

    bool IsEncoded() const { return EncodedData && EncodedData->Size() > 0; }
};

} // namespace scindra
