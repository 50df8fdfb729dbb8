// Our reader and decoder against an independent one: every built case is
// decoded by giflib and by TGIFImage, and the palette indices, sizes, offsets,
// tables and graphic-control fields must agree frame by frame.
#include "GifCases.h"
#include "GiflibOracle.h"

#include "gif/GIFImage.h"
#include "rtl/Exception.h"
#include "rtl/TMemoryStream.h"

#include <gtest/gtest.h>

#include <QColor>
#include <QImage>

#include <algorithm>
#include <sstream>

namespace scindra::test {
namespace {

constexpr uint32_t kNoColour = 0x1FFFFFFF;

uint32_t ColourValue(const Rgb& c)
{
    return static_cast<uint32_t>(c.r) | (static_cast<uint32_t>(c.g) << 8) | (static_cast<uint32_t>(c.b) << 16);
}

// Empty when equal; otherwise how many indices differ and where the first is.
std::string CompareIndices(const QImage& bitmap, const OracleFrame& oracle)
{
    int mismatches = 0;
    std::ostringstream first;
    for (int y = 0; y < oracle.height; ++y) {
        for (int x = 0; x < oracle.width; ++x) {
            const int want = oracle.indices[static_cast<std::size_t>(y) * oracle.width + x];
            const int got = bitmap.pixelIndex(x, y);
            if (got != want && mismatches++ == 0)
                first << " first at (" << x << ", " << y << "): ours " << got << ", giflib " << want;
        }
    }
    if (mismatches == 0)
        return {};
    return std::to_string(mismatches) + " indices differ;" + first.str();
}

class OracleCase : public ::testing::TestWithParam<GifCase> {};

TEST_P(OracleCase, OurIndicesEqualGiflibsFrameByFrame)
{
    const GifCase& c = GetParam();
    const OracleImage oracle = DecodeWithGiflib(c.gif);
    ASSERT_TRUE(oracle.ok) << oracle.error;

    TMemoryStream stream(c.gif);
    TGIFImage image;
    try {
        image.ReadGIF(static_cast<int64_t>(c.gif.size()), stream, true);
    } catch (const Exception& e) {
        FAIL() << "ReadGIF failed: " << e.what();
    }
    EXPECT_EQ(image.LogicalWidth(), oracle.width);
    EXPECT_EQ(image.LogicalHeight(), oracle.height);
    ASSERT_EQ(image.FrameCount(), static_cast<int>(oracle.frames.size()));

    for (int i = 0; i < image.FrameCount(); ++i) {
        SCOPED_TRACE("frame " + std::to_string(i));
        const OracleFrame& o = oracle.frames[static_cast<std::size_t>(i)];
        TGIFFrame* f = image.FrameAt(i);
        ASSERT_NE(f, nullptr);
        EXPECT_EQ(f->OffsetX(), o.left);
        EXPECT_EQ(f->OffsetY(), o.top);
        EXPECT_EQ(f->IsInterlaced(), o.interlaced);
        EXPECT_EQ(static_cast<int>(f->Disposal()), o.disposal);
        EXPECT_EQ(static_cast<int>(f->DelayMs()), o.delayHundredths * 10);
        const bool keyed = o.transparent >= 0 && o.transparent < static_cast<int>(o.colours.size());
        EXPECT_EQ(static_cast<uint32_t>(f->KeyColor()),
                  keyed ? ColourValue(o.colours[static_cast<std::size_t>(o.transparent)]) : kNoColour);

        QImage bitmap;
        try {
            bitmap = f->RenderBitmap();
        } catch (const Exception& e) {
            FAIL() << "RenderBitmap failed: " << e.what();
        }
        EXPECT_FALSE(f->IsDamaged());
        ASSERT_EQ(bitmap.width(), o.width);
        ASSERT_EQ(bitmap.height(), o.height);
        EXPECT_TRUE(bitmap.format() == QImage::Format_Mono || bitmap.format() == QImage::Format_Indexed8)
            << "format " << bitmap.format();
        EXPECT_EQ(CompareIndices(bitmap, o), "");

        // The bitmap's table is the frame's, except a transparent slot that
        // rendering may recolour to keep it unique.
        const QVector<QRgb> table = bitmap.colorTable();
        ASSERT_GE(static_cast<std::size_t>(table.size()), std::min<std::size_t>(o.colours.size(), 256));
        for (std::size_t j = 0; j < o.colours.size(); ++j) {
            if (static_cast<int>(j) == o.transparent)
                continue;
            const QRgb rgb = table[static_cast<int>(j)];
            EXPECT_EQ(ColourValue(Rgb{static_cast<uint8_t>(qRed(rgb)), static_cast<uint8_t>(qGreen(rgb)),
                                      static_cast<uint8_t>(qBlue(rgb))}),
                      ColourValue(o.colours[j]))
                << "slot " << j;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Built, OracleCase, ::testing::ValuesIn(OracleCases()),
                         [](const auto& info) { return info.param.name; });

} // namespace
} // namespace scindra::test
