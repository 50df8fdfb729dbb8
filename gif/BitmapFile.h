#pragma once
// The in-memory bitmap files the encoder reads: writing one from an indexed
// bitmap, and reading one back with every field checked against the bytes
// the file really holds.

#include "gif/GIFPaletteRec.h"
#include "rtl/TMemoryStream.h"

#include <QImage>

#include <cstdint>
#include <vector>

namespace scindra {

// One colour-table slot of a bitmap file.
struct TRGBQuad {
    uint8_t blue = 0, green = 0, red = 0, reserved = 0;
};

// The table is zeroed; its EntryCount becomes min(256, colors) and each of the
// first `count` slots becomes an entry (red, green, blue). Entries past the
// slots the file holds stay zero.
void TableFromQuad(TGIFPaletteRec& table, const TRGBQuad* quads, int count, int colors);

// The depth an indexed bitmap is encoded at: 1 for a one-bit bitmap, 4 for
// an 8-bit one whose table and pixels fit in 16 colours, 8 for any other
// 8-bit one, 0 for a bitmap that needs the colour reduction first.
int IndexedDepth(const QImage& bitmap);

// Writes an indexed bitmap as an uncompressed bottom-up bitmap file at
// `bitCount` bits per pixel (from IndexedDepth), its colour table as it is.
void SaveIndexedBitmap(const QImage& bitmap, int bitCount, TMemoryStream& out);

// A bitmap file taken apart. The pixels point into the stream's bytes.
struct TBitmapFileView {
    int32_t width = 0, height = 0;
    uint16_t bitCount = 0;
    std::vector<TRGBQuad> quads; // the slots the file holds, at most 2^bitCount
    const uint8_t* pixels = nullptr;
};

// Fails with "GIF image encoding error" for anything but an uncompressed
// bottom-up file of 1, 4 or 8 bits per pixel, at most 65,535 pixels either
// way, whose rows all lie in the stream.
TBitmapFileView ReadBitmapFile(TMemoryStream& stream);

} // namespace scindra
