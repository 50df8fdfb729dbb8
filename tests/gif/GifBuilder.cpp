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

// xorshift32: the same content on every machine and run.
uint32_t NextRandom(uint32_t& state)
{
    state ^= state << 13;
    state ^= state >> 17;
    return state ^= state << 5;
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
    for (std::size_t i = 0; i < p.indices.size(); ++i) {
        const int x = static_cast<int>(i % static_cast<std::size_t>(width));
        const int y = static_cast<int>(i / static_cast<std::size_t>(width));
        // Broad shapes, a finer texture and a little dither, like a
        // photograph reduced to a palette.
        const double v = 0.5 + 0.22 * std::sin(x / 173.0 + phase) * std::cos(y / 211.0) +
                         0.12 * std::sin((x + 2 * y) / 41.0 + phase) + 0.06 * std::cos((x - y) / 9.0) +
                         ((NextRandom(state) & 0xFF) / 255.0 - 0.5) * dither;
        p.indices[i] = static_cast<uint8_t>(std::clamp(static_cast<int>(v * colours), 0, colours - 1));
    }
    return p;
}

Bytes InterlaceRows(const Pixels& pixels)
{
    static constexpr std::array<std::array<int, 2>, 4> kPasses{{{0, 8}, {4, 8}, {2, 4}, {1, 2}}};
    Bytes out;
    for (const auto& [start, step] : kPasses) {
        for (int row = start; row < pixels.height; row += step) {
            auto begin = pixels.indices.begin() + static_cast<std::ptrdiff_t>(row) * pixels.width;
            out.insert(out.end(), begin, begin + pixels.width);
        }
    }
    return out;
}

Bytes LzwEncode(const Bytes& indices, const LzwOptions& options)
{
    const uint16_t clear = static_cast<uint16_t>(1 << options.codeSize);
    const int first = clear + 2;
    std::vector<uint16_t> codes;
    if (options.leadingClear)
        codes.push_back(clear);
    std::unordered_map<uint32_t, uint16_t> table; // (prefix code << 8 | pixel) -> code
    int next = first; // the code the next new string gets
    for (std::size_t i = 1, prefix = indices.empty() ? 0 : indices[0]; i <= indices.size(); ++i) {
        if (i == indices.size()) {
            codes.push_back(static_cast<uint16_t>(prefix));
            break;
        }
        const uint32_t key = static_cast<uint32_t>(prefix) << 8 | indices[i];
        if (const auto known = table.find(key); known != table.end()) {
            prefix = known->second;
            continue;
        }
        codes.push_back(static_cast<uint16_t>(prefix));
        prefix = indices[i];
        if (next == kMaxCodes)
            continue;
        table.emplace(key, static_cast<uint16_t>(next++));
        if ((options.clearAfter > 0 && next - first == options.clearAfter) ||
            (next == kMaxCodes && options.whenFull == FullTable::Clear)) {
            codes.push_back(clear);
            table.clear();
            next = first;
        }
    }
    if (options.endCode)
        codes.push_back(clear + 1);
    return PackCodes(options.codeSize, codes);
}

Bytes PackCodes(int codeSize, const std::vector<uint16_t>& codes)
{
    const int clear = 1 << codeSize;
    int width = codeSize + 1;
    int next = clear + 2; // the next free table entry as a reader counts it
    bool afterClear = true; // the first code of a table only outputs
    Bytes out;
    uint32_t buffer = 0;
    int bits = 0;
    for (uint16_t code : codes) {
        buffer |= static_cast<uint32_t>(code & ((1u << width) - 1)) << bits;
        for (bits += width; bits >= 8; bits -= 8, buffer >>= 8)
            out.push_back(static_cast<uint8_t>(buffer));
        if (code == clear) {
            width = codeSize + 1;
            next = clear + 2;
            afterClear = true;
        } else if (code != clear + 1 && !std::exchange(afterClear, false) && next < kMaxCodes) {
            if (++next == (1 << width) && width < 12)
                ++width;
        }
    }
    if (bits > 0)
        out.push_back(static_cast<uint8_t>(buffer));
    return out;
}

Bytes SubBlocks(const Bytes& data, int blockSize, bool terminate)
{
    Bytes out;
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
    return Raw(Bytes(signature.begin(), signature.end())).Raw(Bytes(version.begin(), version.end()));
}

GifBuilder& GifBuilder::Screen(uint16_t width, uint16_t height, const std::optional<Palette>& globalTable,
                               uint8_t backgroundIndex)
{
    const int bits = globalTable ? TableBitsFor(globalTable->size()) : 1;
    Word(width).Word(height).Raw({static_cast<uint8_t>(globalTable ? 0xF0 | (bits - 1) : 0x70), backgroundIndex, 0});
    return globalTable ? ColourTable(*globalTable, bits) : *this;
}

GifBuilder& GifBuilder::Control(const GraphicControl& control)
{
    const int packed = (control.disposal & 7) << 2 | (control.userInput ? 2 : 0) | (control.transparent ? 1 : 0);
    Raw({0x21, 0xF9, 0x04, static_cast<uint8_t>(packed)}).Word(control.delayHundredths);
    return Raw({control.transparent.value_or(0), 0});
}

GifBuilder& GifBuilder::Loop(uint16_t count, const std::string& identifier)
{
    return Application(identifier, {Bytes{0x01, static_cast<uint8_t>(count & 0xFF), static_cast<uint8_t>(count >> 8)}});
}

GifBuilder& GifBuilder::Comment(const std::string& text)
{
    return Raw({0x21, 0xFE}).Raw(SubBlocks(Bytes(text.begin(), text.end())));
}

GifBuilder& GifBuilder::PlainText(const std::string& text)
{
    // A grid of 8 x 8 at the origin, cells of 8 x 8, colours 1 on 0.
    Raw({0x21, 0x01, 0x0C, 0, 0, 0, 0, 8, 0, 8, 0, 8, 8, 1, 0});
    return Raw(SubBlocks(Bytes(text.begin(), text.end())));
}

GifBuilder& GifBuilder::Application(const std::string& identifierAndCode, const std::vector<Bytes>& blocks)
{
    std::string id = identifierAndCode;
    id.resize(11, ' ');
    Raw({0x21, 0xFF, 0x0B}).Raw(Bytes(id.begin(), id.end()));
    for (const Bytes& block : blocks)
        Byte(static_cast<uint8_t>(block.size())).Raw(block);
    return Byte(0);
}

GifBuilder& GifBuilder::Image(const ImageBlock& image)
{
    const Pixels& p = image.pixels;
    const int localBits = image.localTable ? TableBitsFor(image.localTable->size()) : 0;
    const int packed = (image.interlaced ? 0x40 : 0) | (image.localTable ? 0x80 | (localBits - 1) : 0);
    Descriptor(image.left, image.top, static_cast<uint16_t>(p.width), static_cast<uint16_t>(p.height),
               static_cast<uint8_t>(packed));
    if (image.localTable)
        ColourTable(*image.localTable, localBits);
    const Bytes order = image.interlaced ? InterlaceRows(p) : p.indices;
    return ImageData(static_cast<uint8_t>(image.lzw.codeSize), LzwEncode(order, image.lzw), image.blockSize);
}

GifBuilder& GifBuilder::Descriptor(uint16_t left, uint16_t top, uint16_t width, uint16_t height, uint8_t packed)
{
    return Byte(0x2C).Word(left).Word(top).Word(width).Word(height).Byte(packed);
}

GifBuilder& GifBuilder::ColourTable(const Palette& table, int tableBits)
{
    for (std::size_t i = 0; i < std::size_t{1} << tableBits; ++i) {
        const Rgb c = i < table.size() ? table[i] : Rgb{};
        Raw({c.r, c.g, c.b});
    }
    return *this;
}

GifBuilder& GifBuilder::ImageData(uint8_t codeSize, const Bytes& lzw, int blockSize, bool terminate)
{
    return Byte(codeSize).Raw(SubBlocks(lzw, blockSize, terminate));
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
    return b.Image({0, 0, pixels, std::nullopt, interlaced, lzw}).Trailer().Build();
}

void WriteFile(const std::string& path, const Bytes& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (!out)
        throw std::runtime_error("cannot write " + path);
}

} // namespace scindra::test
