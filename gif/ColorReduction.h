#pragma once
// Brings a bitmap of any depth down to 256 colours, as an in-memory bitmap
// file of 8 bits per pixel (14-byte file header, 40-byte info header, 256
// colour-table slots, bottom-up rows) that the encoder reads.

#include "gif/GIFTypes.h"
#include "rtl/TMemoryStream.h"

#include <QImage>

#include <array>
#include <cstdint>
#include <vector>

namespace scindra {

// The methods the writer uses; the graphics layer's others are not needed.
enum class ReductionMethod { Popularity = 0, Gray = 5 };
constexpr ReductionMethod DefaultReductionMethod = ReductionMethod::Popularity;

struct RGBTriple {
    uint8_t r = 0, g = 0, b = 0;
    bool operator==(const RGBTriple&) const = default;
};

// Pixels as red, green, blue bytes, rows top-down and unpadded.
struct TrueColorPixels {
    int width = 0, height = 0;
    std::vector<RGBTriple> pixels;
};

// A picture of palette indices, rows top-down.
struct ReducedPixels {
    std::array<RGBTriple, 256> palette{};
    std::vector<uint8_t> indices;
};

// The picture's pixels of exactly the key colour get a slot of their own that
// holds the key exactly and that no other pixel uses, so transparency
// survives the reduction; no other slot ever holds the key colour, even when
// no pixel has it. Without a key the methods run unchanged.
ReducedPixels ReducePopularity(const TrueColorPixels& source, const RGBTriple* key);
ReducedPixels ReduceGray(const TrueColorPixels& source, const RGBTriple* key);

// Fills `out` with the bitmap file and rewinds it. A null bitmap fails with
// "Image bitmap incorrecte".
void ReduceColors(const QImage& bitmap, ReductionMethod method, TColor keyColor, TMemoryStream& out);

} // namespace scindra
