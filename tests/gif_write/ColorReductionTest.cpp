#include "gif/ColorReduction.h"

#include "rtl/Exception.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

namespace scindra::test {
namespace {

// n^3 colours with channels 0..n-1, after 1000 white pixels: white wins the
// first slot, and masked it shows the channel masks the count ended with.
TrueColorPixels CubeAfterWhite(int n)
{
    TrueColorPixels picture{1, 0, std::vector<RGBTriple>(1000, RGBTriple{255, 255, 255})};
    for (int r = 0; r < n; ++r)
        for (int g = 0; g < n; ++g)
            for (int b = 0; b < n; ++b)
                picture.pixels.push_back({uint8_t(r), uint8_t(g), uint8_t(b)});
    picture.height = int(picture.pixels.size());
    return picture;
}

// Each 2050th distinct colour drops one mask bit: blue, red, green, then blue
// again, and the count starts over.
TEST(ReducePopularity, DropsMaskBitsInTurnUntilTheColoursFit)
{
    struct Case {
        int n;
        RGBTriple masks;
    };
    for (const Case& c : {Case{12, {0xFF, 0xFF, 0xFF}}, Case{14, {0xFF, 0xFF, 0xFE}}, Case{18, {0xFE, 0xFF, 0xFE}},
                          Case{22, {0xFE, 0xFE, 0xFE}}, Case{28, {0xFE, 0xFE, 0xFC}}}) {
        SCOPED_TRACE(c.n);
        const TrueColorPixels picture = CubeAfterWhite(c.n);
        const ReducedPixels reduced = ReducePopularity(picture, nullptr);
        EXPECT_EQ(reduced.palette[0], c.masks);
        for (const RGBTriple& entry : reduced.palette) {
            EXPECT_EQ(entry.r & ~c.masks.r, 0);
            EXPECT_EQ(entry.g & ~c.masks.g, 0);
            EXPECT_EQ(entry.b & ~c.masks.b, 0);
        }
        // Every pixel of a chosen colour shows that colour, masked.
        for (size_t p = 0; p < picture.pixels.size(); ++p) {
            const RGBTriple& s = picture.pixels[p];
            const RGBTriple masked{uint8_t(s.r & c.masks.r), uint8_t(s.g & c.masks.g), uint8_t(s.b & c.masks.b)};
            const RGBTriple& shown = reduced.palette[reduced.indices[p]];
            if (std::find(reduced.palette.begin(), reduced.palette.end(), masked) != reduced.palette.end()) {
                ASSERT_EQ(shown, masked) << "pixel " << p;
            }
        }
    }
}

// The most frequent colours win the slots, the earliest seen on equal counts;
// the others go to the nearest slot.
TEST(ReducePopularity, ChoosesByCountAndMapsTheRestToTheNearest)
{
    TrueColorPixels picture{1, 0, {}};
    for (int i = 255; i >= 0; --i)
        picture.pixels.insert(picture.pixels.end(), 2, RGBTriple{uint8_t(i), uint8_t(i), uint8_t(i)});
    const std::vector<std::pair<RGBTriple, RGBTriple>> strays = {
        {{10, 10, 12}, {11, 11, 11}}, {{0, 0, 40}, {13, 13, 13}}, {{255, 250, 255}, {253, 253, 253}}};
    for (const auto& stray : strays)
        picture.pixels.push_back(stray.first);
    picture.pixels.push_back({7, 7, 7}); // a third one: 7 comes first
    picture.height = int(picture.pixels.size());

    const ReducedPixels reduced = ReducePopularity(picture, nullptr);
    EXPECT_EQ(reduced.palette[0], (RGBTriple{7, 7, 7}));
    EXPECT_EQ(reduced.palette[1], (RGBTriple{255, 255, 255}));
    EXPECT_EQ(reduced.palette[255], (RGBTriple{0, 0, 0}));
    for (size_t k = 0; k < strays.size(); ++k)
        EXPECT_EQ(reduced.palette[reduced.indices[512 + k]], strays[k].second) << k;
}

TEST(ReducePopularity, FewColoursKeepTheirOwnAndFillTheRestWithGray)
{
    const TrueColorPixels picture{3, 1, {{1, 2, 3}, {200, 100, 50}, {1, 2, 3}}};
    const ReducedPixels reduced = ReducePopularity(picture, nullptr);
    EXPECT_EQ(reduced.palette[0], (RGBTriple{1, 2, 3}));
    EXPECT_EQ(reduced.palette[1], (RGBTriple{200, 100, 50}));
    EXPECT_TRUE(std::all_of(reduced.palette.begin() + 2, reduced.palette.end(),
                            [](const RGBTriple& e) { return e == RGBTriple{128, 128, 128}; }));
    EXPECT_EQ(reduced.indices, (std::vector<uint8_t>{0, 1, 0}));
}

// A transparent picture keeps its transparency: the key's pixels, and only
// they, land on one slot that holds the key exactly, and it is the first slot
// holding that colour.
TEST(ColorReduction, KeyColourKeepsAnExactSlotOfItsOwn)
{
    const RGBTriple key{4, 2, 4};
    const TrueColorPixels noisy = CubeAfterWhite(28); // many colours; (5, 2, 4) masks onto the key
    TrueColorPixels picture = noisy;
    picture.pixels.insert(picture.pixels.end(), 50, key);
    picture.pixels.push_back({128, 128, 128});
    picture.height = int(picture.pixels.size());
    const TrueColorPixels gray{3, 1, {key, {5, 2, 4}, {3, 2, 3}}}; // all three share one gray level
    const TrueColorPixels few{4, 1, {key, {128, 128, 128}, {9, 9, 9}, key}};

    using Reduce = ReducedPixels (*)(const TrueColorPixels&, const RGBTriple*);
    const std::vector<std::pair<Reduce, const TrueColorPixels*>> cases = {
        {ReducePopularity, &picture}, {ReducePopularity, &few}, {ReduceGray, &gray}, {ReduceGray, &picture}};
    for (const auto& [reduce, source] : cases) {
        const ReducedPixels reduced = reduce(*source, &key);
        const int keySlot = int(std::find(reduced.palette.begin(), reduced.palette.end(), key) - reduced.palette.begin());
        ASSERT_LT(keySlot, 256);
        for (size_t p = 0; p < source->pixels.size(); ++p)
            ASSERT_EQ(reduced.indices[p] == keySlot, source->pixels[p] == key) << "pixel " << p;
    }
}

TEST(ReduceGray, MapsByWeightedLevel)
{
    const TrueColorPixels picture{4, 1, {{0, 0, 0}, {255, 255, 255}, {255, 0, 0}, {10, 200, 30}}};
    const ReducedPixels reduced = ReduceGray(picture, nullptr);
    for (int i = 0; i < 256; ++i)
        ASSERT_EQ(reduced.palette[i], (RGBTriple{uint8_t(i), uint8_t(i), uint8_t(i)}));
    EXPECT_EQ(reduced.indices, (std::vector<uint8_t>{0, 255, 76, (77 * 10 + 150 * 200 + 29 * 30) >> 8}));
}

uint32_t Le32(const std::vector<uint8_t>& b, size_t at)
{
    return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | uint32_t(b[at + 3]) << 24;
}

TEST(ReduceColors, WritesAnEightBitBitmapFileBottomUp)
{
    QImage image(5, 2, QImage::Format_RGB32);
    image.fill(QColor(10, 20, 30));
    image.setPixelColor(0, 0, QColor(200, 100, 0)); // top left
    TMemoryStream out;
    ReduceColors(image, ReductionMethod::Popularity, kColorNone, out);
    const std::vector<uint8_t>& file = out.Bytes();
    ASSERT_EQ(file.size(), 14u + 40 + 1024 + 2 * 8);
    EXPECT_EQ(file[0], 'B');
    EXPECT_EQ(file[1], 'M');
    EXPECT_EQ(Le32(file, 2), file.size());
    EXPECT_EQ(Le32(file, 10), 1078u);
    EXPECT_EQ(Le32(file, 14), 40u);
    EXPECT_EQ(Le32(file, 18), 5u);
    EXPECT_EQ(Le32(file, 22), 2u);
    EXPECT_EQ(file[28], 8);
    // Slot 0 is the majority colour as blue, green, red, 0.
    EXPECT_EQ(std::vector<uint8_t>(file.begin() + 54, file.begin() + 62), (std::vector<uint8_t>{30, 20, 10, 0, 0, 100, 200, 0}));
    const std::vector<uint8_t> bottom(file.begin() + 1078, file.begin() + 1083);
    const std::vector<uint8_t> top(file.begin() + 1086, file.begin() + 1091);
    EXPECT_EQ(bottom, (std::vector<uint8_t>{0, 0, 0, 0, 0}));
    EXPECT_EQ(top, (std::vector<uint8_t>{1, 0, 0, 0, 0}));
    EXPECT_EQ(out.Position(), 0);
}

TEST(ReduceColors, NullBitmapIsRefused)
{
    TMemoryStream out;
    try {
        ReduceColors(QImage(), ReductionMethod::Gray, kColorNone, out);
        FAIL();
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), "Image bitmap incorrecte");
    }
}

} // namespace
} // namespace scindra::test
