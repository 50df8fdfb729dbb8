// The assembler is the ground truth of the oracle test, so it is checked on
// its own first: giflib must read back every built case as the pixels it was
// built from, and the code streams must have the shapes the cases promise.
#include "GifBuilder.h"
#include "GifCases.h"
#include "GiflibOracle.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace scindra::test {
namespace {

class BuiltCase : public ::testing::TestWithParam<GifCase> {};

TEST_P(BuiltCase, GiflibReadsBackTheBuiltPixels)
{
    const GifCase& c = GetParam();
    const OracleImage decoded = DecodeWithGiflib(c.gif);
    ASSERT_TRUE(decoded.ok) << decoded.error;
    ASSERT_EQ(decoded.frames.size(), c.frames.size());
    for (std::size_t i = 0; i < c.frames.size(); ++i) {
        SCOPED_TRACE("frame " + std::to_string(i));
        const OracleFrame& got = decoded.frames[i];
        const ExpectedFrame& want = c.frames[i];
        EXPECT_EQ(got.left, want.left);
        EXPECT_EQ(got.top, want.top);
        EXPECT_EQ(got.width, want.pixels.width);
        EXPECT_EQ(got.height, want.pixels.height);
        EXPECT_EQ(got.transparent, want.transparent);
        EXPECT_TRUE(got.indices == want.pixels.indices);
        ASSERT_GE(got.colours.size(), want.colours.size());
        EXPECT_TRUE(std::equal(want.colours.begin(), want.colours.end(), got.colours.begin()));
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, BuiltCase, ::testing::ValuesIn(OracleCases()),
                         [](const auto& info) { return info.param.name; });

int CountOf(const std::vector<SizedCode>& codes, uint16_t value)
{
    return static_cast<int>(std::count_if(codes.begin(), codes.end(), [&](const SizedCode& c) { return c.code == value; }));
}

TEST(LzwWriter, FullTableShapes)
{
    const Bytes noise = NoisePixels(300, 200, 256, 1).indices;
    const auto withClear = LzwCodes(noise, {8, true, true, FullTable::Clear});
    const auto keep = LzwCodes(noise, {8, true, true, FullTable::Keep});
    const auto noLead = LzwCodes(noise, {8, false, true, FullTable::Keep});

    EXPECT_GT(CountOf(withClear, 256), 2);   // leading clear plus clears at each full table
    EXPECT_EQ(CountOf(keep, 256), 1);        // only the leading one
    EXPECT_EQ(CountOf(noLead, 256), 0);
    EXPECT_EQ(keep.front().width, 9);
    EXPECT_EQ(keep.back().code, 257);
    EXPECT_EQ(keep.back().width, 12);
    // With a kept table the 12-bit codes go on far past the 4096th code.
    EXPECT_GT(std::count_if(keep.begin(), keep.end(), [](const SizedCode& c) { return c.width == 12; }), 10000);
}

TEST(LzwWriter, ReaderWidthsGrowAtThePowersOfTwo)
{
    struct Row {
        int codeSize;
        std::vector<uint16_t> codes;
        std::vector<int> widths;
    };
    const std::vector<Row> rows = {
        // First free 6: entries 6 and 7 fill 3 bits, so the fourth code is 4 bits wide.
        {2, {4, 1, 2, 3, 6, 5}, {3, 3, 3, 3, 4, 4}},
        // A clear after a clear starts again; the first code after it adds nothing.
        {2, {4, 4, 1, 2, 3, 6, 0, 5}, {3, 3, 3, 3, 3, 4, 4, 4}},
        // Without a leading clear the stream starts in the same state.
        {2, {1, 2, 3, 6, 5}, {3, 3, 3, 4, 4}},
        {8, {256, 1, 2, 257}, {9, 9, 9, 9}},
    };
    for (const Row& row : rows) {
        const auto sized = SizeCodes(row.codeSize, row.codes);
        std::vector<int> widths;
        for (const SizedCode& c : sized)
            widths.push_back(c.width);
        EXPECT_EQ(widths, row.widths);
    }
}

TEST(LzwWriter, PacksLowBitFirstAndInterlacesRows)
{
    EXPECT_EQ(PackCodes({{4, 3}, {1, 3}, {5, 3}}), (Bytes{0x4C, 0x01}));
    EXPECT_EQ(InterlacedRowOrder(10), (std::vector<int>{0, 8, 4, 2, 6, 1, 3, 5, 7, 9}));
    EXPECT_EQ(SubBlocks({1, 2, 3}, 2), (Bytes{2, 1, 2, 1, 3, 0}));
}

} // namespace
} // namespace scindra::test
