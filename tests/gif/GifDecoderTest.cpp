// The LZW decoder: its tolerance rules and the mended faults of the code stream.
#include "GifReadSupport.h"

#include "gif/LZWDecoder.h"
#include "rtl/Exception.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace scindra::test {
namespace {

struct Decoded {
    Bytes pixels; // one byte per pixel, top row first
    bool damaged = false;
    std::string failure;
};

// Decodes into 8-bit rows with 3 bytes of padding each.
Decoded OurDecode(const Bytes& encoded, int width, int height, int tableBits, bool tolerant = true)
{
    Decoded result;
    const int stride = width + 3;
    Bytes buffer(static_cast<size_t>(stride) * static_cast<size_t>(height), 0);
    TPixelTarget target{buffer.data(), stride, width, height, 8, true};
    result.failure = FailureOf([&] {
        DecodeLZW(encoded.data(), encoded.size(), target, false, nullptr, result.damaged, tableBits, tolerant);
    });
    for (int y = 0; y < height; ++y)
        result.pixels.insert(result.pixels.end(), buffer.begin() + y * stride, buffer.begin() + y * stride + width);
    return result;
}

// The code size byte and the codes in sub-blocks; sizes the decoder clamps
// are packed with the widths of the size it clamps to.
Bytes Encoded(int codeSize, const std::vector<uint16_t>& codes)
{
    Bytes out{static_cast<uint8_t>(codeSize)};
    const Bytes blocks = SubBlocks(PackCodes(std::clamp(codeSize, 2, 9), codes));
    out.insert(out.end(), blocks.begin(), blocks.end());
    return out;
}

// --- Tolerance rules ---------------------------------------------------------------

TEST(GifDecoderRules, CodeStreamsAndTheirPixels)
{
    struct Case {
        const char* name;
        int codeSize;
        int tableBits;
        std::vector<uint16_t> codes;
        int width;
        Bytes pixels;
        bool damaged;
        std::string failure;
    };
    // Code size 2: clear 4, end 5, first free 6.
    const Case cases[] = {
        {"plain", 2, 2, {4, 1, 2, 6, 5}, 5, {1, 2, 1, 2, 0}, false, ""},
        {"no leading clear", 2, 2, {1, 2, 6, 5}, 4, {1, 2, 1, 2}, false, ""},
        {"code being defined", 2, 2, {4, 3, 6, 5}, 3, {3, 3, 3}, false, ""},
        {"two clears in a row", 2, 2, {4, 4, 2, 3, 6, 5}, 4, {2, 3, 2, 3}, false, ""},
        {"clear then end", 2, 2, {1, 4, 5}, 3, {1, 0, 0}, false, ""},
        {"end code early", 2, 2, {4, 1, 5}, 4, {1, 0, 0, 0}, false, ""},
        {"data end before the last row", 2, 2, {4, 1, 2}, 8, {}, false, "Erreur de lecture du flux"},
        {"all rows written, no end code", 2, 2, {4, 1, 2, 3}, 3, {1, 2, 3}, false, ""},
        {"pixel masked by the table", 2, 1, {4, 3, 2, 5}, 2, {1, 0}, false, ""},
        {"table code after a clear", 2, 2, {4, 7, 1, 5}, 2, {0, 0}, true, ""},
        {"code size 1 clamped", 1, 2, {4, 1, 2, 5}, 3, {1, 0, 0}, true, ""},
        {"code size 1, clears", 1, 2, {4, 1, 4, 3, 2, 5}, 3, {1, 3, 0}, true, ""},
        {"code size 12 clamped to 9", 12, 8, {512, 7, 9, 5}, 3, {7, 0, 0}, true, ""},
        {"code size 9", 9, 8, {512, 300, 7, 514, 513}, 4, {300 & 255, 7, 300 & 255, 7}, false, ""},
        // Literals are the codes below the clear code, whatever the table
        // size: with 8 table bits and code size 2, code 6 is a table entry.
        {"literal only below the clear code", 2, 8, {4, 1, 3, 6, 5}, 4, {1, 3, 1, 3}, false, ""},
    };
    for (const Case& c : cases) {
        const Bytes encoded = Encoded(c.codeSize, c.codes);
        const Decoded ours = OurDecode(encoded, c.width, 1, c.tableBits);
        EXPECT_EQ(ours.failure, c.failure) << c.name;
        EXPECT_EQ(ours.damaged, c.damaged) << c.name;
        if (c.failure.empty()) {
            EXPECT_EQ(ours.pixels, c.pixels) << c.name;
        }
    }
}

TEST(GifDecoderRules, ChainThatLoopsIsCorruptData)
{
    // Code 7 arrives before it is defined while 6 is next: its entry takes
    // the undefined 7 as prefix, then 7 is defined with prefix 7 itself.
    const Bytes chain = Encoded(2, {4, 0, 7, 7, 7, 7, 5});
    const Decoded tolerant = OurDecode(chain, 64, 1, 2);
    EXPECT_TRUE(tolerant.damaged);
    EXPECT_EQ(tolerant.failure, "");
    EXPECT_EQ(OurDecode(chain, 64, 1, 2, false).failure, "GIF encoded data is corrupt");
    EXPECT_EQ(OurDecode(Encoded(10, {4, 1, 5}), 64, 1, 2, false).failure, "GIF code size not in range 2 to 9");
}

TEST(GifDecoderRules, FullTableWithAndWithoutClear)
{
    const Pixels pixels = NoisePixels(300, 200, 256, 11);
    for (FullTable whenFull : {FullTable::Keep, FullTable::Clear}) {
        LzwOptions options;
        options.whenFull = whenFull;
        Bytes encoded{8};
        const Bytes blocks = SubBlocks(LzwEncode(pixels.indices, options));
        encoded.insert(encoded.end(), blocks.begin(), blocks.end());
        const Decoded ours = OurDecode(encoded, 300, 200, 8);
        EXPECT_EQ(ours.failure, "");
        EXPECT_FALSE(ours.damaged);
        EXPECT_EQ(ours.pixels, pixels.indices) << (whenFull == FullTable::Keep ? "no clear" : "clear");
    }
}

TEST(GifDecoderRules, ZeroWidthOrHeightWritesNothing)
{
    const Bytes encoded = Encoded(2, {4, 1, 2, 3, 1, 2, 3, 5});
    for (const auto& [width, height] : {std::pair{0, 4}, std::pair{4, 0}, std::pair{0, 0}}) {
        Bytes guard(16, 0xEE);
        TPixelTarget target{guard.data() + 8, 0, width, height, 8, true};
        bool damaged = false;
        EXPECT_EQ(FailureOf([&] { DecodeLZW(encoded.data(), encoded.size(), target, false, nullptr, damaged, 2, true); }),
                  "");
        EXPECT_EQ(guard, Bytes(16, 0xEE)) << width << "x" << height;
    }
}

} // namespace
} // namespace scindra::test
