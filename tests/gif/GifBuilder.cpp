#include "GifBuilder.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <fstream>
#include <stdexcept>
#include <unordered_map>
#include <utility>

namespace scindra::test {

namespace {

constexpr int kMaxCodes = 4096;

uint32_t NextRandom(uint32_t& state)
{
    // xorshift32: the same content on every machine and run.
    state ^= state << 13;
    state ^= state >> 17;
    state ^= state << 5;
    return state;
}

void CheckCodeSize(int codeSize)
{
    if (codeSize < 2 || codeSize > 8)
        throw std::invalid_argument("LZW code size must be 2..8");
}

} // namespace

Palette DistinctPalette(int count)
{
    Palette palette;
    for (int i = 0; i < count; ++i)
        palette.push_back(Rgb{static_cast<uint8_t>(i), static_cast<uint8_t>(255 - i), static_cast<uint8_t>(i * 7 + 3)});
    return palette;
}

int TableBitsFor(std::size_t count)
{
    int bits = 1;
    while ((std::size_t{1} << bits) < count && bits < 8)
        ++bits;
    return bits;
}

Pixels NoisePixels(int width, int height, int colours, uint32_t seed)
{
    Pixels p{width, height, Bytes(static_cast<std::size_t>(width) * height)};
    uint32_t state = seed * 2654435761u + 1;
    for (auto& v : p.indices)
        v = static_cast<uint8_t>(NextRandom(state) % static_cast<uint32_t>(colours));
    return p;
}

Pixels PhotoPixels(int width, int height, int colours, uint32_t seed, double dither)
{
    Pixels p{width, height, Bytes(static_cast<std::size_t>(width) * height)};
    uint32_t state = seed * 2654435761u + 7;
    const double phase = (seed % 97) / 13.0;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            // Broad shapes, a finer texture and a little dither, like a
            // photograph reduced to a palette.
            double v = 0.5 + 0.22 * std::sin(x / 173.0 + phase) * std::cos(y / 211.0) +
                       0.12 * std::sin((x + 2 * y) / 41.0 + phase) + 0.06 * std::cos((x - y) / 9.0);
            v += ((NextRandom(state) & 0xFF) / 255.0 - 0.5) * dither;
            const int q = std::clamp(static_cast<int>(v * colours), 0, colours - 1);
            p.indices[static_cast<std::size_t>(y) * width + x] = static_cast<uint8_t>(q);
        }
    }
    return p;
}

std::vector<int> InterlacedRowOrder(int height)
{
    static constexpr std::array<std::array<int, 2>, 4> kPasses{{{0, 8}, {4, 8}, {2, 4}, {1, 2}}};
    std::vector<int> rows;
    for (const auto& [start, step] : kPasses)
        for (int row = start; row < height; row += step)
            rows.push_back(row);
    return rows;
}

Bytes InterlaceRows(const Pixels& pixels)
{
    Bytes out;
    out.reserve(pixels.indices.size());
    for (int row : InterlacedRowOrder(pixels.height)) {
        auto begin = pixels.indices.begin() + static_cast<std::ptrdiff_t>(row) * pixels.width;
        out.insert(out.end(), begin, begin + pixels.width);
    }
    return out;
}

Bytes LzwEncode(const Bytes& indices, const LzwOptions& options)
{
    CheckCodeSize(options.codeSize);
    const uint16_t clear = static_cast<uint16_t>(1 << options.codeSize);
    const uint16_t first = clear + 2;
    for (uint8_t v : indices)
        if (v >= clear)
            throw std::invalid_argument("pixel index does not fit the LZW code size");

    std::vector<uint16_t> codes;
    if (options.leadingClear)
        codes.push_back(clear);
    if (!indices.empty()) {
        std::unordered_map<uint32_t, uint16_t> table; // (prefix code << 8 | pixel) -> code
        int next = first; // the code the next new string gets
        uint16_t prefix = indices[0];
        for (std::size_t i = 1; i < indices.size(); ++i) {
            const uint8_t pixel = indices[i];
            const uint32_t key = (static_cast<uint32_t>(prefix) << 8) | pixel;
            if (const auto known = table.find(key); known != table.end()) {
                prefix = known->second;
                continue;
            }
            codes.push_back(prefix);
            if (next < kMaxCodes) {
                table.emplace(key, static_cast<uint16_t>(next++));
                const bool early = options.clearAfter > 0 && next - first == options.clearAfter;
                if (early || (next == kMaxCodes && options.whenFull == FullTable::Clear)) {
                    codes.push_back(clear);
                    table.clear();
                    next = first;
                }
            }
            prefix = pixel;
        }
        codes.push_back(prefix);
    }
    if (options.endCode)
        codes.push_back(clear + 1);
    return PackCodes(SizeCodes(options.codeSize, codes));
}

std::vector<SizedCode> SizeCodes(int codeSize, const std::vector<uint16_t>& codes)
{
    const int clear = 1 << codeSize;
    int width = codeSize + 1;
    int next = clear + 2; // the next free table entry as a reader counts it
    bool afterClear = true; // the first code of a table only outputs
    std::vector<SizedCode> out;
    for (uint16_t code : codes) {
        out.push_back({code, width});
        if (code == clear) {
            width = codeSize + 1;
            next = clear + 2;
            afterClear = true;
        } else if (code != clear + 1 && !std::exchange(afterClear, false) && next < kMaxCodes) {
            if (++next == (1 << width) && width < 12)
                ++width;
        }
    }
    return out;
}

Bytes PackCodes(const std::vector<SizedCode>& codes)
{
    Bytes out;
    uint32_t buffer = 0;
    int bits = 0;
    for (const SizedCode& c : codes) {
        buffer |= static_cast<uint32_t>(c.code & ((1u << c.width) - 1)) << bits;
        bits += c.width;
        while (bits >= 8) {
            out.push_back(static_cast<uint8_t>(buffer & 0xFF));
            buffer >>= 8;
            bits -= 8;
        }
    }
    if (bits > 0)
        out.push_back(static_cast<uint8_t>(buffer & 0xFF));
    return out;
}

Bytes SubBlocks(const Bytes& data, int blockSize, bool terminate)
{
    if (blockSize < 1 || blockSize > 255)
        throw std::invalid_argument("sub-block size must be 1..255");
    Bytes out;
    out.reserve(data.size() + data.size() / blockSize + 2);
    for (std::size_t pos = 0; pos < data.size(); pos += blockSize) {
        const std::size_t n = std::min<std::size_t>(blockSize, data.size() - pos);
        out.push_back(static_cast<uint8_t>(n));
        out.insert(out.end(), data.begin() + static_cast<std::ptrdiff_t>(pos),
                   data.begin() + static_cast<std::ptrdiff_t>(pos + n));
    }
    if (terminate)
        out.push_back(0);
    return out;
}

GifBuilder& GifBuilder::Header(const std::string& version, const std::string& signature)
{
    bytes_.insert(bytes_.end(), signature.begin(), signature.end());
    bytes_.insert(bytes_.end(), version.begin(), version.end());
    return *this;
}

GifBuilder& GifBuilder::Screen(uint16_t width, uint16_t height, const std::optional<Palette>& globalTable,
                               uint8_t backgroundIndex, uint8_t aspect, int colourResolution,
                               std::optional<int> tableBits)
{
    Word(width);
    Word(height);
    const int bits = tableBits.value_or(globalTable ? TableBitsFor(globalTable->size()) : 1);
    uint8_t packed = static_cast<uint8_t>(((colourResolution - 1) & 7) << 4);
    if (globalTable)
        packed |= static_cast<uint8_t>(0x80 | ((bits - 1) & 7));
    Byte(packed);
    Byte(backgroundIndex);
    Byte(aspect);
    if (globalTable)
        ColourTable(*globalTable, bits);
    return *this;
}

GifBuilder& GifBuilder::Control(const GraphicControl& control)
{
    Raw({0x21, 0xF9, 0x04});
    uint8_t packed = static_cast<uint8_t>((control.disposal & 7) << 2);
    if (control.userInput)
        packed |= 0x02;
    if (control.transparent)
        packed |= 0x01;
    Byte(packed);
    Word(control.delayHundredths);
    Byte(control.transparent.value_or(0));
    return Byte(0);
}

GifBuilder& GifBuilder::Loop(uint16_t count, const std::string& identifier)
{
    return Application(identifier, {Bytes{0x01, static_cast<uint8_t>(count & 0xFF), static_cast<uint8_t>(count >> 8)}});
}

GifBuilder& GifBuilder::Comment(const std::string& text, int blockSize)
{
    Raw({0x21, 0xFE});
    return Raw(SubBlocks(Bytes(text.begin(), text.end()), blockSize));
}

GifBuilder& GifBuilder::PlainText(const std::string& text, uint16_t left, uint16_t top, uint16_t width,
                                  uint16_t height)
{
    Raw({0x21, 0x01, 0x0C});
    Word(left);
    Word(top);
    Word(width);
    Word(height);
    Raw({8, 8, 1, 0}); // cell width and height, foreground and background indices
    return Raw(SubBlocks(Bytes(text.begin(), text.end())));
}

GifBuilder& GifBuilder::Application(const std::string& identifierAndCode, const std::vector<Bytes>& blocks)
{
    Raw({0x21, 0xFF, 0x0B});
    std::string id = identifierAndCode;
    id.resize(11, ' ');
    bytes_.insert(bytes_.end(), id.begin(), id.end());
    for (const Bytes& block : blocks) {
        Byte(static_cast<uint8_t>(block.size()));
        Raw(block);
    }
    return Byte(0);
}

GifBuilder& GifBuilder::Image(const ImageBlock& image)
{
    const Pixels& p = image.pixels;
    uint8_t packed = image.interlaced ? 0x40 : 0x00;
    int localBits = 0;
    if (image.localTable) {
        localBits = TableBitsFor(image.localTable->size());
        packed |= static_cast<uint8_t>(0x80 | (localBits - 1));
    }
    Descriptor(image.left, image.top, image.descriptorWidth.value_or(static_cast<uint16_t>(p.width)),
               image.descriptorHeight.value_or(static_cast<uint16_t>(p.height)), packed);
    if (image.localTable)
        ColourTable(*image.localTable, localBits);
    const Bytes order = image.interlaced ? InterlaceRows(p) : p.indices;
    return ImageData(static_cast<uint8_t>(image.lzw.codeSize), LzwEncode(order, image.lzw), image.blockSize);
}

GifBuilder& GifBuilder::Descriptor(uint16_t left, uint16_t top, uint16_t width, uint16_t height, uint8_t packed)
{
    Byte(0x2C);
    Word(left);
    Word(top);
    Word(width);
    Word(height);
    return Byte(packed);
}

GifBuilder& GifBuilder::ColourTable(const Palette& table, int tableBits)
{
    const std::size_t entries = std::size_t{1} << tableBits;
    for (std::size_t i = 0; i < entries; ++i) {
        const Rgb c = i < table.size() ? table[i] : Rgb{};
        Raw({c.r, c.g, c.b});
    }
    return *this;
}

GifBuilder& GifBuilder::ImageData(uint8_t codeSize, const Bytes& lzw, int blockSize, bool terminate)
{
    Byte(codeSize);
    return Raw(SubBlocks(lzw, blockSize, terminate));
}

GifBuilder& GifBuilder::Trailer() { return Byte(0x3B); }

GifBuilder& GifBuilder::Raw(const Bytes& bytes)
{
    bytes_.insert(bytes_.end(), bytes.begin(), bytes.end());
    return *this;
}

GifBuilder& GifBuilder::Byte(uint8_t value) { return Raw({value}); }

GifBuilder& GifBuilder::Word(uint16_t value) { return Raw({static_cast<uint8_t>(value & 0xFF), static_cast<uint8_t>(value >> 8)}); }

Bytes SimpleGif(const Pixels& pixels, const Palette& palette, const LzwOptions& lzw, bool interlaced)
{
    GifBuilder b;
    b.Header("89a").Screen(static_cast<uint16_t>(pixels.width), static_cast<uint16_t>(pixels.height), palette);
    ImageBlock image;
    image.pixels = pixels;
    image.interlaced = interlaced;
    image.lzw = lzw;
    return b.Image(image).Trailer().Build();
}

void WriteFile(const std::string& path, const Bytes& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (!out)
        throw std::runtime_error("cannot write " + path);
}

} // namespace scindra::test
