#include "EncodeTestSupport.h"
#include "GiflibReadBack.h"

#include "gif/LZWEncoder.h"
#include "rtl/TMemoryStream.h"

#include <gtest/gtest.h>

#include <random>

namespace scindra::test {
namespace {

struct RoundTripCase {
    int bits, width, height;
    Pattern pattern;
    bool interlaced;
};

class LZWRoundTrip : public ::testing::TestWithParam<RoundTripCase> {};

// giflib decodes what we encode back to the same indices, whatever the depth,
// row padding, picture content or row order.
TEST_P(LZWRoundTrip, GiflibDecodesTheSourcePixels)
{
    const RoundTripCase c = GetParam();
    const IndexPicture picture = MakePicture(c.width, c.height, c.bits, c.pattern, 7);
    const std::vector<uint8_t> data = EncodePicture(picture, c.interlaced);

    const CodeStream codes = ReadCodes(data);
    EXPECT_EQ(codes.codeSize, c.bits == 1 ? 2 : c.bits);
    ASSERT_TRUE(codes.terminated);
    for (size_t i = 0; i + 1 < codes.blockLengths.size(); ++i)
        ASSERT_EQ(codes.blockLengths[i], 255) << "sub-block " << i;
    ASSERT_FALSE(codes.codes.empty());
    EXPECT_EQ(codes.codes.front(), 1u << codes.codeSize) << "starts with a clear code";
    EXPECT_EQ(codes.codes.back(), (1u << codes.codeSize) + 1) << "ends with the end code";
    EXPECT_EQ(codes.pixelsBefore.back(), uint32_t(c.width * c.height));

    std::vector<uint8_t> gif = WrapImageData(data, c.width, c.height, c.bits == 1 ? 1 : c.bits);
    if (c.interlaced)
        gif[13 + 3 * (1 << (c.bits == 1 ? 1 : c.bits)) + 9] |= 0x40;
    const OracleImage decoded = DecodeWithGiflib(gif);
    ASSERT_EQ(decoded.error, "");
    ASSERT_EQ(decoded.frames.size(), 1u);
    EXPECT_EQ(decoded.frames[0].pixels, picture.pixels);
}

INSTANTIATE_TEST_SUITE_P(Pictures, LZWRoundTrip,
                         ::testing::Values(RoundTripCase{1, 1, 1, Pattern::Flat, false},
                                           RoundTripCase{1, 33, 9, Pattern::Random, false},
                                           RoundTripCase{1, 640, 480, Pattern::Stripes, false},
                                           RoundTripCase{4, 7, 5, Pattern::Random, false},
                                           RoundTripCase{4, 301, 203, Pattern::Random, false},
                                           RoundTripCase{4, 64, 64, Pattern::Gradient, true},
                                           RoundTripCase{8, 1, 1, Pattern::Random, false},
                                           RoundTripCase{8, 70, 52, Pattern::Gradient, false},
                                           RoundTripCase{8, 257, 3, Pattern::Flat, false},
                                           RoundTripCase{8, 500, 400, Pattern::Random, false},
                                           RoundTripCase{8, 123, 5, Pattern::Stripes, true},
                                           RoundTripCase{8, 9, 1, Pattern::Random, true}));

// Once the last assigned code reaches 4094 the pending pixel goes out on its
// own, a clear follows, and the next code is read at the initial width again.
TEST(LZWEncoder, ClearsTheTableAtCode4094)
{
    for (int bits : {1, 4, 8}) {
        SCOPED_TRACE(bits);
        const IndexPicture picture = MakePicture(400, 300, bits, Pattern::Random, 3);
        const CodeStream codes = ReadCodes(EncodePicture(picture));
        const uint32_t clear = 1u << codes.codeSize;
        std::vector<size_t> clears;
        for (size_t i = 0; i < codes.codes.size(); ++i)
            if (codes.codes[i] == clear)
                clears.push_back(i);
        ASSERT_GE(clears.size(), 3u);
        for (size_t k = 1; k < clears.size(); ++k) {
            // 4094 - (clear + 1) strings were added, each after one code,
            // plus the pending pixel sent just before the clear.
            EXPECT_EQ(clears[k] - clears[k - 1] - 1, 4094 - clear);
            EXPECT_LT(codes.codes[clears[k] - 1], clear) << "a single pixel precedes the clear";
            EXPECT_EQ(codes.widths[clears[k]], 12);
            EXPECT_EQ(codes.widths[clears[k] + 1], codes.codeSize + 1);
        }
        std::vector<uint8_t> gif = WrapImageData(EncodePicture(picture), 400, 300, bits == 1 ? 1 : bits);
        EXPECT_EQ(DecodeWithGiflib(gif).frames.at(0).pixels, picture.pixels);
    }
}

// A picture whose last pixel fills the table ends with clear, end: the pixel
// sent before the clear is not sent again.
TEST(LZWEncoder, ClearOnTheLastPixelSendsItOnce)
{
    const IndexPicture probe = MakePicture(20000, 1, 8, Pattern::Random, 11);
    const CodeStream probeCodes = ReadCodes(EncodePicture(probe));
    size_t secondClear = 0;
    for (size_t i = 1; i < probeCodes.codes.size() && secondClear == 0; ++i)
        if (probeCodes.codes[i] == 256)
            secondClear = i;
    ASSERT_GT(secondClear, 0u);
    const int width = int(probeCodes.pixelsBefore[secondClear]);

    IndexPicture picture = probe;
    picture.width = width;
    picture.pixels.resize(size_t(width));
    const std::vector<uint8_t> data = EncodePicture(picture);
    const CodeStream codes = ReadCodes(data);
    ASSERT_GE(codes.codes.size(), 3u);
    EXPECT_EQ(codes.codes[codes.codes.size() - 2], 256u);
    EXPECT_EQ(codes.codes.back(), 257u);
    EXPECT_EQ(codes.pixelsBefore.back(), uint32_t(width));
    EXPECT_EQ(DecodeWithGiflib(WrapImageData(data, width, 1, 8)).frames.at(0).pixels, picture.pixels);
}

// The packer against a plain bit-by-bit packing: codes of changing widths
// across many sub-block boundaries.
TEST(LZWEncoder, CodesArePackedLowBitFirstIntoFullSubBlocks)
{
    std::mt19937 random(5);
    TMemoryStream out;
    LZWCodeState state;
    std::vector<bool> bits;
    for (int i = 0; i < 5000; ++i) {
        state.codeWidth = 3 + int(random() % 10);
        const uint32_t code = random() & ((1u << state.codeWidth) - 1);
        EmitCode(out, code, state);
        for (int b = 0; b < state.codeWidth; ++b)
            bits.push_back(code >> b & 1);
    }
    FinishCodes(out, state);

    std::vector<uint8_t> packed((bits.size() + 7) / 8);
    for (size_t b = 0; b < bits.size(); ++b)
        packed[b / 8] |= uint8_t(bits[b] << (b % 8));
    std::vector<uint8_t> expected;
    for (size_t at = 0; at < packed.size(); at += 255) {
        const size_t n = std::min<size_t>(255, packed.size() - at);
        expected.push_back(uint8_t(n));
        expected.insert(expected.end(), packed.begin() + long(at), packed.begin() + long(at + n));
    }
    expected.push_back(0);
    EXPECT_EQ(out.Bytes(), expected);
}

TEST(LZWEncoder, NothingEmittedWritesOnlyTheTerminator)
{
    TMemoryStream out;
    LZWCodeState state;
    FinishCodes(out, state);
    EXPECT_EQ(out.Bytes(), std::vector<uint8_t>{0});
}

TEST(LZWEncoder, ProgressRunsFromStartToEndByRows)
{
    const IndexPicture picture = MakePicture(10, 4, 8, Pattern::Gradient);
    const std::vector<uint8_t> packed = PackBottomUp(picture);
    std::vector<std::pair<TProgressStage, int>> reports;
    TMemoryStream out;
    EncodeLZW(out, {10, 4, 8}, false,
              [&](TProgressStage stage, int percent, const std::string&) { reports.emplace_back(stage, percent); },
              packed.data());
    using S = TProgressStage;
    const std::vector<std::pair<S, int>> expected = {{S::Starting, 0}, {S::Running, 25}, {S::Running, 50},
                                                     {S::Running, 75}, {S::Running, 100}, {S::Ending, 100}};
    EXPECT_EQ(reports, expected);
}

TEST(LZWEncoder, InterlacedRowsComeInFourPasses)
{
    for (int height : {1, 2, 3, 4, 5, 8, 9, 17}) {
        std::vector<int> order{0};
        int pass = 0;
        for (int row = NextRowOfPasses(0, height, pass); row < height; row = NextRowOfPasses(row, height, pass))
            order.push_back(row);
        std::vector<int> expected;
        for (auto [start, step] : {std::pair{0, 8}, {4, 8}, {2, 4}, {1, 2}})
            for (int row = start; row < height; row += step)
                expected.push_back(row);
        EXPECT_EQ(order, expected) << "height " << height;
    }
}

} // namespace
} // namespace scindra::test
