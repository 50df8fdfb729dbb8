#pragma once
// The device-independent bitmap layout a decoded frame is laid out in: an
// uncompressed BMP file of 1, 4 or 8 bits per pixel, rows bottom-up.

#include "gif/GIFPaletteRec.h"

#include <array>
#include <cstdint>

namespace scindra {

inline constexpr int kBitmapFileHeaderSize = 14;
inline constexpr int kBitmapInfoHeaderSize = 40;

// The largest frame bitmap we agree to build, in bytes: a hostile file of a
// few bytes must not make us reserve gigabytes.
inline constexpr int64_t kMaxBitmapBytes = int64_t{256} << 20;
// The most that all cached frame bitmaps of one image may hold together: a
// few bytes can declare any number of such frames, and a player caches them.
inline constexpr int64_t kMaxImageBitmapBytes = int64_t{512} << 20;

// The bitmap bit count for a colour table of `tableBits`: 1 gives 1; 2, 3
// and 4 give 4; 5 to 8 give 8. Anything else (0 for a frame without any
// table) fails with "Wrong number of colors".
int DibBitCount(int tableBits);

// Bytes per row at `bitCount` bits per pixel, rounded up to 4 bytes.
int64_t DibStride(int64_t width, int bitCount);

// The 256 colour slots (blue, green, red, reserved): all mid grey (128 in
// every byte), then the first entries of `table` (its count taken modulo
// 256, 0 counting as 256) as blue, green, red, 0.
std::array<std::array<uint8_t, 4>, 256> QuadFromTable(const TGIFPaletteRec& table);

} // namespace scindra
