#pragma once
// The LZW compressor of the GIF writer: packed bottom-up pixel rows in, the
// table-based image data of a GIF out (code size byte, data sub-blocks of
// 255 bytes, zero terminator).

#include "gif/GIFTypes.h"
#include "rtl/TStream.h"

#include <cstdint>
#include <functional>
#include <string>

namespace scindra {

// The part of a bitmap info header the encoder reads.
struct LZWPixelLayout {
    int32_t width = 0;
    int32_t height = 0;  // rows stored bottom-up, as in a bitmap file
    uint16_t bitCount = 8; // 1, 4 or 8
};

// Receives the stage, the percentage of rows done and, when a failure passes
// through, its message.
using LZWProgress = std::function<void(TProgressStage, int percent, const std::string& message)>;

// The code packer: codes go in least significant bit first, full sub-blocks
// of 255 bytes go out to the target as soon as they fill.
struct LZWCodeState {
    uint8_t buffer[260] = {};
    int bitPosition = 0;
    int codeWidth = 0;
};

// A string's first hash: the starting slot for a one-pixel string.
constexpr uint32_t HashSeed(uint32_t pixel) { return pixel * 301 + 903; }

void EmitCode(TStream& target, uint32_t code, LZWCodeState& state);
// Writes the partly filled last sub-block and the zero terminator.
void FinishCodes(TStream& target, LZWCodeState& state);

// Encodes a bottom-up buffer of 1, 4 or 8 bits per pixel, rows padded to four
// bytes. Interlaced takes the rows in the four GIF passes (NextInterlacedRow).
void EncodeLZW(TStream& target, const LZWPixelLayout& layout, bool interlaced, const LZWProgress& progress,
               const uint8_t* pixels);

} // namespace scindra
