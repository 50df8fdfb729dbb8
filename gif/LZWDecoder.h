#pragma once
// The LZW decoder of GIF image data.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

namespace scindra {

// Bytes of work space the decoder uses after the last row of a target that
// offers them (see TPixelTarget::tailBytes).
inline constexpr size_t kDecoderTailBytes = 544;

// Where decoded pixels go: `height` rows of `width` pixels at `bitCount`
// bits (1, 4 or 8; pixels packed from the high bits down), row r starting
// at firstRow + r * rowStep. A bottom-up bitmap has a negative step.
struct TPixelTarget {
    uint8_t* firstRow = nullptr;
    ptrdiff_t rowStep = 0;
    int width = 0;
    int height = 0;
    int bitCount = 8;
    // The rows hold zeros already. Otherwise the decoder writes the zeros of
    // the pixels the data do not reach (each row as a whole, padding included).
    bool zeroed = true;
    // Writable bytes after the last row. Byte rows without padding, top row
    // first and followed by kDecoderTailBytes, are decoded in place; any
    // other target is filled from a run of pixels decoded beside it.
    size_t tailBytes = 0;
};

// Told the percentage (truncated) of the encoded bytes consumed as decoding
// goes on, each time it changes.
using TDecodeProgress = std::function<void(int percent)>;

// The row that follows `row` in an interlaced image of `height` rows:
// 0, 8, 16, ...; 4, 12, ...; 2, 6, ...; 1, 3, ... A result at or past the
// height ends the image.
int NextInterlacedRow(int row, int height, int& pass);

// Decodes `encoded` (the code size byte, then data sub-blocks with their
// length bytes) into `target`: pixels the data do not reach have the value 0.
// Pixel values are masked with the colour table mask 2^tableBits - 1. With
// `tolerant`, faults that allow it set `damaged` (an output only) and end
// decoding instead of failing. Fails with "Erreur de lecture du flux" when
// the data end before the end code while rows remain.
void DecodeLZW(const uint8_t* encoded, size_t size, const TPixelTarget& target, bool interlaced,
               const TDecodeProgress& progress, bool& damaged, int tableBits, bool tolerant);

} // namespace scindra
