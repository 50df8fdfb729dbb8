#include "EncodeTestSupport.h"

#include "rtl/TMemoryStream.h"

namespace scindra::test {

IndexPicture MakePicture(int width, int height, int bits, Pattern pattern, uint32_t seed)
{
    IndexPicture picture{width, height, bits, std::vector<uint8_t>(size_t(width) * size_t(height))};
    const int colors = 1 << bits;
    uint32_t state = seed * 2654435761u + 1;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            int value = 0;
            switch (pattern) {
            case Pattern::Random:
                state = state * 1664525u + 1013904223u;
                value = int(state >> 24);
                break;
            case Pattern::Gradient: value = (x + y) / 3; break;
            case Pattern::Flat: value = int(seed); break;
            case Pattern::Stripes: value = (x / 5 + y / 7) * 37; break;
            }
            picture.pixels[size_t(y) * width + x] = uint8_t(value % colors);
        }
    return picture;
}

std::vector<uint8_t> PackBottomUp(const IndexPicture& picture)
{
    const size_t stride = (size_t(picture.width) * picture.bits + 31) / 32 * 4;
    std::vector<uint8_t> packed(stride * picture.height);
    for (int y = 0; y < picture.height; ++y) {
        uint8_t* row = packed.data() + (picture.height - 1 - y) * stride;
        for (int x = 0; x < picture.width; ++x) {
            const uint8_t v = picture.pixels[size_t(y) * picture.width + x];
            const int bit = x * picture.bits;
            row[bit / 8] |= uint8_t(v << (8 - picture.bits - bit % 8));
        }
    }
    return packed;
}

std::vector<uint8_t> EncodePicture(const IndexPicture& picture, bool interlaced)
{
    const std::vector<uint8_t> packed = PackBottomUp(picture);
    TMemoryStream out;
    EncodeLZW(out, {picture.width, picture.height, uint16_t(picture.bits)}, interlaced, {}, packed.data());
    return out.Bytes();
}

CodeStream ReadCodes(const std::vector<uint8_t>& data)
{
    CodeStream result;
    if (data.empty())
        return result;
    result.codeSize = data[0];
    std::vector<uint8_t> bytes;
    size_t at = 1;
    while (at < data.size()) {
        const int length = data[at++];
        if (length == 0) {
            result.terminated = true;
            break;
        }
        result.blockLengths.push_back(length);
        bytes.insert(bytes.end(), data.begin() + long(at), data.begin() + long(std::min(at + length, data.size())));
        at += length;
    }
    const uint32_t clear = 1u << result.codeSize, end = clear + 1;
    const int initialWidth = result.codeSize + 1;
    int width = initialWidth;
    uint32_t next = clear + 2;
    bool first = true;
    std::vector<uint32_t> lengths(4096, 1); // pixels in each code's string
    uint32_t previous = 0, pixels = 0;
    for (size_t bit = 0; bit + width <= bytes.size() * 8;) {
        uint32_t code = 0;
        for (int i = 0; i < width; ++i, ++bit)
            code |= uint32_t(bytes[bit / 8] >> (bit % 8) & 1) << i;
        result.codes.push_back(code);
        result.widths.push_back(width);
        result.pixelsBefore.push_back(pixels);
        if (code == end)
            break;
        if (code == clear) {
            width = initialWidth;
            next = clear + 2;
            first = true;
            continue;
        }
        const uint32_t length = code < clear ? 1 : code < next ? lengths[code] : lengths[previous] + 1;
        pixels += length;
        if (!first && next < 4096) {
            lengths[next++] = lengths[previous] + 1;
            if (next == (1u << width) && width < 12)
                ++width;
        }
        first = false;
        previous = code;
    }
    return result;
}

} // namespace scindra::test
