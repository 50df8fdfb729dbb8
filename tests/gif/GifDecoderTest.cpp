// The LZW decoder: its tolerance rules, the mended faults of the code stream,
// interlacing, progress, and a differential check of the fast paths against
// a plain one-pixel-at-a-time decoder written here from the rules.
#include "GifReadSupport.h"

#include "gif/LZWDecoder.h"
#include "rtl/Exception.h"

#include <gtest/gtest.h>

#include <deque>
#include <random>

namespace scindra::test {
namespace {

// --- A reference decoder -------------------------------------------------------

struct Decoded {
    Bytes pixels; // one byte per pixel, top row first
    bool damaged = false;
    std::string failure;
};

// The widths a reader gives the codes: each code but a clear, the end code
// and the first one after a clear adds an entry; the width grows when the
// next free code reaches 2^width, up to 12 bits.
class Widths {
public:
    explicit Widths(int codeSize) : clear_(1 << codeSize), initial_(codeSize + 1) { Clear(); }
    int Width() const { return width_; }
    void After(int code)
    {
        if (code == clear_) {
            Clear();
        } else if (!first_ && code != clear_ + 1 && !full_) {
            if (++next_ >= 1 << width_) {
                if (width_ < 12)
                    ++width_;
                else
                    full_ = true;
            }
        } else {
            first_ = false;
        }
    }
    int Next() const { return next_; }

private:
    void Clear()
    {
        width_ = initial_;
        next_ = clear_ + 2;
        first_ = true;
        full_ = false;
    }
    int clear_;
    int initial_;
    int width_ = 0;
    int next_ = 0;
    bool first_ = true;
    bool full_ = false;
};

// The rules as written, with a stack and one pixel at a time.
Decoded ReferenceDecode(const Bytes& encoded, int width, int height, bool interlaced, int tableBits)
{
    Decoded result;
    result.pixels.assign(static_cast<size_t>(width) * static_cast<size_t>(height), 0);
    if (encoded.empty()) {
        result.failure = "Erreur de lecture du flux";
        return result;
    }
    int codeSize = encoded[0];
    if (codeSize < 2 || codeSize > 9) {
        result.damaged = true;
        codeSize = std::clamp(codeSize, 2, 9);
    }
    const int clear = 1 << codeSize;
    const int end = clear + 1;
    const int mask = (1 << tableBits) - 1;
    size_t position = 1;
    std::deque<uint8_t> bytes;
    int bitOffset = 0;
    int codeWidth = codeSize + 1;
    const auto nextCode = [&]() -> int {
        while (static_cast<int>(bytes.size()) * 8 - bitOffset < codeWidth && position < encoded.size()) {
            const size_t length = encoded[position++];
            for (size_t i = 0; i < length && position < encoded.size(); ++i)
                bytes.push_back(encoded[position++]);
        }
        if (static_cast<int>(bytes.size()) * 8 - bitOffset < codeWidth)
            return -1;
        int code = 0;
        for (int bit = 0; bit < codeWidth; ++bit) {
            const int at = bitOffset + bit;
            code |= (bytes[static_cast<size_t>(at / 8)] >> (at % 8) & 1) << bit;
        }
        bitOffset += codeWidth;
        while (bitOffset >= 8) {
            bytes.pop_front();
            bitOffset -= 8;
        }
        return code;
    };
    const std::vector<int> order = InterlacedRowOrder(height);
    size_t orderIndex = 0;
    int row = 0;
    int column = 0;
    const auto done = [&] { return width <= 0 || row >= height; };
    const auto put = [&](int value) {
        if (done())
            return;
        result.pixels[static_cast<size_t>(row) * static_cast<size_t>(width) + static_cast<size_t>(column)] =
            static_cast<uint8_t>(value & mask);
        if (++column == width) {
            column = 0;
            row = interlaced ? (++orderIndex < order.size() ? order[orderIndex] : height) : row + 1;
        }
    };
    std::vector<int> prefix(4096, 0);
    std::vector<int> suffix(4096, 0);
    int limit = 0;
    int next = 0;
    bool full = false;
    bool hasOld = false;
    int old = 0;
    int first = 0;
    const auto reset = [&] {
        codeWidth = codeSize + 1;
        limit = 1 << codeWidth;
        next = clear + 2;
        full = false;
        hasOld = false;
    };
    reset();
    int code = nextCode();
    while (code != end && code != -1 && !done()) {
        if (code == clear) {
            reset();
        } else if (!hasOld) {
            if (code > clear) {
                result.damaged = true;
                return result;
            }
            first = code & mask;
            put(first);
            old = code;
            hasOld = true;
        } else {
            if (result.damaged)
                return result;
            std::vector<int> stack;
            int walk = code;
            if (code >= next) {
                stack.push_back(first);
                walk = old;
            }
            while (walk >= clear) {
                stack.push_back(suffix[static_cast<size_t>(walk)]);
                walk = prefix[static_cast<size_t>(walk)];
                if (stack.size() > 4096) {
                    result.damaged = true;
                    return result;
                }
            }
            first = walk & mask;
            stack.push_back(first);
            for (auto it = stack.rbegin(); it != stack.rend(); ++it)
                put(*it);
            if (!full) {
                prefix[static_cast<size_t>(next)] = old;
                suffix[static_cast<size_t>(next)] = first;
                if (++next >= limit) {
                    if (codeWidth < 12) {
                        ++codeWidth;
                        limit *= 2;
                    } else {
                        full = true;
                    }
                }
            }
            old = code;
        }
        code = nextCode();
    }
    if (code == -1 && !done())
        result.failure = "Erreur de lecture du flux";
    return result;
}

// --- Our decoder over a plain buffer ---------------------------------------------

// Decodes into rows of `bitCount` bits, top-down or bottom-up, with 3 bytes
// of padding per row, and unpacks the result. Rows start as `fill` when the
// decoder is told they are not zeroed.
Decoded OurDecode(const Bytes& encoded, int width, int height, bool interlaced, int tableBits, int bitCount = 8,
                  bool bottomUp = false, bool zeroed = true, TDecodeProgress progress = nullptr)
{
    Decoded result;
    const int rowBytes = (width * bitCount + 7) / 8;
    const int stride = rowBytes + 3;
    Bytes buffer(static_cast<size_t>(stride) * static_cast<size_t>(std::max(height, 0)), zeroed ? 0 : 0xCD);
    TPixelTarget target;
    target.width = width;
    target.height = height;
    target.bitCount = bitCount;
    target.zeroed = zeroed;
    if (width > 0 && height > 0) {
        target.firstRow = buffer.data() + (bottomUp ? static_cast<ptrdiff_t>(height - 1) * stride : 0);
        target.rowStep = bottomUp ? -stride : stride;
    }
    result.failure = FailureOf([&] {
        DecodeLZW(encoded.data(), encoded.size(), target, interlaced, progress, result.damaged, tableBits, true);
    });
    for (int y = 0; y < height; ++y) {
        const uint8_t* row = target.firstRow + static_cast<ptrdiff_t>(y) * target.rowStep;
        for (int x = 0; x < width; ++x) {
            const int bit = x * bitCount;
            const int value = row[bit / 8] >> (8 - bitCount - bit % 8) & ((1 << bitCount) - 1);
            result.pixels.push_back(static_cast<uint8_t>(value));
        }
        // Packed rows: the bits past the last pixel stay clear.
        if (bitCount < 8 && width * bitCount % 8 != 0) {
            EXPECT_EQ(row[rowBytes - 1] & ((1 << (8 - width * bitCount % 8)) - 1), 0);
        }
    }
    return result;
}

Bytes Encoded(int codeSize, const std::vector<int>& codes, int blockSize = 255, bool terminate = true)
{
    // Packed here, for code sizes the test writer refuses.
    Bytes data;
    Widths widths(std::clamp(codeSize, 2, 9));
    uint32_t buffer = 0;
    int bits = 0;
    for (int code : codes) {
        buffer |= static_cast<uint32_t>(code & ((1 << widths.Width()) - 1)) << bits;
        bits += widths.Width();
        widths.After(code);
        for (; bits >= 8; bits -= 8, buffer >>= 8)
            data.push_back(static_cast<uint8_t>(buffer));
    }
    if (bits > 0)
        data.push_back(static_cast<uint8_t>(buffer));
    Bytes out{static_cast<uint8_t>(codeSize)};
    const Bytes blocks = SubBlocks(data, blockSize, terminate);
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
        std::vector<int> codes;
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
        const Decoded ours = OurDecode(encoded, c.width, 1, false, c.tableBits);
        EXPECT_EQ(ours.failure, c.failure) << c.name;
        EXPECT_EQ(ours.damaged, c.damaged) << c.name;
        if (c.failure.empty()) {
            EXPECT_EQ(ours.pixels, c.pixels) << c.name;
        }
        const Decoded reference = ReferenceDecode(encoded, c.width, 1, false, c.tableBits);
        EXPECT_EQ(reference.failure, c.failure) << c.name << " (reference)";
        if (c.failure.empty()) {
            EXPECT_EQ(reference.pixels, c.pixels) << c.name << " (reference)";
        }
    }
}

TEST(GifDecoderRules, ChainThatLoopsIsCorruptData)
{
    // Code 7 arrives before it is defined while 6 is next: its entry takes
    // the undefined 7 as prefix, then 7 is defined with prefix 7 itself.
    const Bytes encoded = Encoded(2, {4, 0, 7, 7, 7, 7, 5});
    const Decoded ours = OurDecode(encoded, 64, 1, false, 2);
    EXPECT_TRUE(ours.damaged);
    EXPECT_EQ(ours.failure, "");
    Bytes pixels(64, 0);
    bool damaged = false;
    TPixelTarget target{pixels.data(), 64, 64, 1, 8, true};
    EXPECT_EQ(FailureOf([&] { DecodeLZW(encoded.data(), encoded.size(), target, false, nullptr, damaged, 2, false); }),
              "GIF encoded data is corrupt");
    const Bytes badSize = Encoded(10, {4, 1, 5});
    EXPECT_EQ(FailureOf([&] { DecodeLZW(badSize.data(), badSize.size(), target, false, nullptr, damaged, 2, false); }),
              "GIF code size not in range 2 to 9");
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
        const Decoded ours = OurDecode(encoded, 300, 200, false, 8);
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

// --- Interlacing -------------------------------------------------------------------

TEST(GifDecoderInterlace, NextRowVisitsEveryRowOnce)
{
    for (int height = 1; height <= 20; ++height) {
        std::vector<int> rows{0};
        int pass = 0;
        for (int row = 0; (row = NextInterlacedRow(row, height, pass)) < height;)
            rows.push_back(row);
        EXPECT_EQ(rows, InterlacedRowOrder(height)) << height;
    }
}

TEST(GifDecoderInterlace, SmallInterlacedImagesFillEveryRow)
{
    for (int height = 1; height <= 5; ++height) {
        const Pixels pixels = RowPixels(3, height, 8);
        GifBuilder b;
        ImageSpec image;
        image.pixels = pixels;
        image.interlaced = true;
        b.Header("89a").Screen(3, static_cast<uint16_t>(height), DistinctPalette(8)).Image(image).Trailer();
        const auto gif = Load(b.Build());
        EXPECT_EQ(IndicesOf(gif->FrameAt(0)->RenderBitmap()), pixels.indices) << height;
    }
}

// --- Progress ------------------------------------------------------------------------

TEST(GifDecoderProgress, StagesAndPercentages)
{
    GifBuilder b;
    ImageSpec image;
    image.pixels = NoisePixels(64, 64, 256, 5);
    image.blockSize = 20;
    b.Header("89a").Screen(64, 64, DistinctPalette(256)).Image(image).Trailer();
    const Bytes whole = b.Build();

    struct Report {
        TProgressStage stage;
        int percent;
        std::string message;
    };
    for (bool cut : {false, true}) {
        Bytes gif = whole;
        if (cut)
            gif.resize(gif.size() - 200);
        const auto loaded = Load(gif, false);
        std::vector<Report> reports;
        loaded->SetOnProgress([&](TGIFImage&, TProgressStage stage, int percent, const std::string& message) {
            reports.push_back({stage, percent, message});
        });
        const std::string failure = FailureOf([&] { loaded->FrameAt(0)->RenderBitmap(); });
        ASSERT_GE(reports.size(), 3u);
        EXPECT_EQ(reports.front().stage, TProgressStage::Starting);
        EXPECT_EQ(reports.front().percent, 0);
        for (size_t i = 1; i + 1 < reports.size(); ++i) {
            EXPECT_EQ(reports[i].stage, TProgressStage::Running);
            EXPECT_GT(reports[i].percent, i > 1 ? reports[i - 1].percent : -1) << "told when it changes";
            EXPECT_LE(reports[i].percent, 100);
        }
        EXPECT_EQ(reports.back().stage, TProgressStage::Ending);
        EXPECT_EQ(reports.back().percent, cut ? 0 : 100);
        EXPECT_EQ(reports.back().message, failure);
        EXPECT_EQ(failure, cut ? "Erreur de lecture du flux" : "");
    }
}

// --- Differential check ---------------------------------------------------------------

// Code streams as hostile files hold them: mostly sound codes, some clears,
// codes not defined yet, now and then an early end, cut at random.
Bytes RandomStream(std::mt19937& random, int codeSize, int count)
{
    Widths widths(std::clamp(codeSize, 2, 9));
    const int clear = 1 << std::clamp(codeSize, 2, 9);
    std::vector<int> codes;
    for (int i = 0; i < count; ++i) {
        const int roll = static_cast<int>(random() % 100);
        int code = 0;
        if (roll < 2)
            code = clear;
        else if (roll < 5)
            code = static_cast<int>(random() % (1u << widths.Width()));
        else if (roll < 45)
            code = static_cast<int>(random() % static_cast<unsigned>(clear));
        else
            code = clear + 2 + static_cast<int>(random() % static_cast<unsigned>(std::max(1, widths.Next() - clear - 1)));
        if (code >= 1 << widths.Width())
            code = clear;
        if (roll == 99 && random() % 8 == 0)
            code = clear + 1;
        codes.push_back(code);
        widths.After(code);
    }
    Bytes encoded = Encoded(codeSize, codes, 1 + static_cast<int>(random() % 255), random() % 4 != 0);
    if (random() % 3 == 0)
        encoded.resize(1 + random() % encoded.size());
    return encoded;
}

TEST(GifDecoderDifferential, WholeStringsGiveThePixelsOfThePlainDecoder)
{
    std::mt19937 random(20261208);
    int damaged = 0;
    int failed = 0;
    for (int round = 0; round < 1500; ++round) {
        const int codeSize = round % 50 == 0 ? static_cast<int>(random() % 12) : 2 + static_cast<int>(random() % 7);
        const int tableBits = 1 + static_cast<int>(random() % 8);
        const int width = 1 + static_cast<int>(random() % 70);
        const int height = 1 + static_cast<int>(random() % 30);
        const bool interlaced = random() % 4 == 0;
        const Bytes encoded = RandomStream(random, codeSize, 50 + static_cast<int>(random() % 3000));
        const Decoded expected = ReferenceDecode(encoded, width, height, interlaced, tableBits);
        damaged += expected.damaged;
        failed += !expected.failure.empty();
        const int packed = tableBits == 1 ? 1 : tableBits <= 4 ? 4 : 8;
        struct Variant {
            int bitCount;
            bool bottomUp;
            bool zeroed;
        };
        for (const Variant& v : {Variant{8, false, false}, Variant{8, true, true}, Variant{packed, true, true},
                                 Variant{packed, false, false}}) {
            const Decoded ours = OurDecode(encoded, width, height, interlaced, tableBits, v.bitCount, v.bottomUp, v.zeroed);
            ASSERT_EQ(ours.failure, expected.failure) << "round " << round << " bits " << v.bitCount;
            ASSERT_EQ(ours.damaged, expected.damaged) << "round " << round << " bits " << v.bitCount;
            if (expected.failure.empty()) {
                ASSERT_EQ(ours.pixels, expected.pixels) << "round " << round << " bits " << v.bitCount;
            }
        }
    }
    // The streams reach every way out.
    EXPECT_GT(damaged, 20);
    EXPECT_GT(failed, 20);
}

TEST(GifDecoderDifferential, RealImagesThroughEveryPath)
{
    std::mt19937 random(7);
    for (int round = 0; round < 40; ++round) {
        const int colours = 2 << (round % 8);
        const int width = 1 + static_cast<int>(random() % 200);
        const int height = 1 + static_cast<int>(random() % 60);
        const Pixels pixels = round % 3 == 0 ? NoisePixels(width, height, colours, static_cast<uint32_t>(round))
                              : round % 3 == 1 ? PhotoPixels(width, height, colours, static_cast<uint32_t>(round))
                                               : FlatPixels(width, height, static_cast<uint8_t>(colours - 1));
        LzwOptions options;
        options.codeSize = std::max(2, TableBitsFor(static_cast<size_t>(colours)));
        options.leadingClear = round % 2 == 0;
        options.clearAfter = round % 5 == 0 ? 100 : 0;
        Bytes encoded{static_cast<uint8_t>(options.codeSize)};
        const Bytes blocks = SubBlocks(LzwEncode(pixels.indices, options), 1 + static_cast<int>(random() % 255));
        encoded.insert(encoded.end(), blocks.begin(), blocks.end());
        const int tableBits = TableBitsFor(static_cast<size_t>(colours));
        const Decoded ours = OurDecode(encoded, width, height, false, tableBits, 8, false, false);
        EXPECT_EQ(ours.failure, "") << round;
        EXPECT_EQ(ours.pixels, pixels.indices) << round;
        EXPECT_EQ(ours.pixels, ReferenceDecode(encoded, width, height, false, tableBits).pixels) << round;
    }
}

} // namespace
} // namespace scindra::test
