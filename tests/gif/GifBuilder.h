#pragma once
// A test-only GIF assembler writing every block byte for byte, with an LZW
// writer of its own (independent of the program's encoder) for the code
// streams other encoders write.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace scindra::test {

using Bytes = std::vector<uint8_t>;

struct Rgb {
    uint8_t r = 0, g = 0, b = 0;
    bool operator==(const Rgb&) const = default;
};
using Palette = std::vector<Rgb>;

// A palette of count entries whose colours are all different (count <= 256).
Palette DistinctPalette(int count);

// Number of table bits a colour count needs (2 -> 1 ... 256 -> 8); the count
// is rounded up to a power of two.
int TableBitsFor(std::size_t count);

// Pixels of an image, top row first, one palette index per byte.
struct Pixels {
    int width = 0, height = 0;
    Bytes indices;
    uint8_t At(int x, int y) const { return indices[static_cast<std::size_t>(y) * width + x]; }
};

// Deterministic content below colours: noise, and photo-like gradients with
// dither (noise amplitude as a fraction of the palette).
Pixels NoisePixels(int width, int height, int colours, uint32_t seed);
Pixels PhotoPixels(int width, int height, int colours, uint32_t seed, double dither = 0.03);

// The rows in the order an interlaced GIF transmits them.
Bytes InterlaceRows(const Pixels& pixels);

// What the LZW writer does when its table holds its 4095th entry.
enum class FullTable {
    Clear, // write a clear code and start a new table (what most encoders do)
    Keep,  // go on with 12-bit codes and no new entries (a "deferred clear")
};

struct LzwOptions {
    int codeSize = 8;           // minimum code size written before the data, 2..8
    bool leadingClear = true;   // start the stream with a clear code
    bool endCode = true;        // finish with the end code
    FullTable whenFull = FullTable::Clear;
    int clearAfter = 0;         // when > 0, also clear once the table holds this many new strings
};

// The packed LZW bytes (no code size byte, no sub-blocks). Every index must be
// below 2^codeSize.
Bytes LzwEncode(const Bytes& indices, const LzwOptions& options);

// Packs codes low bit first, each as wide as a reader takes it at that point
// (codeSize may be 9, as hostile files have).
Bytes PackCodes(int codeSize, const std::vector<uint16_t>& codes);

// Cuts data into sub-blocks of at most blockSize bytes (1..255), each preceded
// by its length, followed by a zero-length block when terminate is true.
Bytes SubBlocks(const Bytes& data, int blockSize = 255, bool terminate = true);

// The fields of a graphic control extension.
struct GraphicControl {
    int disposal = 0;                  // 0..7, packed bits 2-4
    uint16_t delayHundredths = 0;
    std::optional<uint8_t> transparent; // sets packed bit 0 and the index
    bool userInput = false;
};

// An image block built from pixels.
struct ImageBlock {
    uint16_t left = 0, top = 0;
    Pixels pixels;
    std::optional<Palette> localTable;
    bool interlaced = false;
    LzwOptions lzw;
    int blockSize = 255;
};

class GifBuilder {
public:
    // "GIF" + version; any bytes may be given to test the signature check.
    GifBuilder& Header(const std::string& version = "89a", const std::string& signature = "GIF");

    // Logical screen descriptor and global table (padded to a power of two).
    GifBuilder& Screen(uint16_t width, uint16_t height, const std::optional<Palette>& globalTable = std::nullopt,
                       uint8_t backgroundIndex = 0);

    GifBuilder& Control(const GraphicControl& control);
    GifBuilder& Loop(uint16_t count, const std::string& identifier = "NETSCAPE2.0");
    GifBuilder& Comment(const std::string& text);
    GifBuilder& PlainText(const std::string& text);
    GifBuilder& Application(const std::string& identifierAndCode, const std::vector<Bytes>& blocks);

    // A whole image block: descriptor, local table, code size and data.
    GifBuilder& Image(const ImageBlock& image);

    // The pieces of an image block, for hostile layouts.
    GifBuilder& Descriptor(uint16_t left, uint16_t top, uint16_t width, uint16_t height, uint8_t packed);
    GifBuilder& ColourTable(const Palette& table, int tableBits);
    GifBuilder& ImageData(uint8_t codeSize, const Bytes& lzw, int blockSize = 255, bool terminate = true);

    GifBuilder& Trailer();
    GifBuilder& Raw(const Bytes& bytes);
    GifBuilder& Byte(uint8_t value);
    GifBuilder& Word(uint16_t value);

    Bytes Build() const { return bytes_; }

private:
    Bytes bytes_;
};

// A one-frame file: header, screen with the palette as global table, the image.
Bytes SimpleGif(const Pixels& pixels, const Palette& palette, const LzwOptions& lzw = {}, bool interlaced = false);

// Writes bytes to a file; throws std::runtime_error when it cannot.
void WriteFile(const std::string& path, const Bytes& bytes);

} // namespace scindra::test
