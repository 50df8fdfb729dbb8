// Our reader and decoder against an independent one: every built case is
// decoded by giflib and by TGIFImage, and the palette indices, sizes, offsets,
// tables and graphic-control fields must agree frame by frame.
#include "GifCases.h"
#include "GifReadSupport.h"
#include "GiflibOracle.h"
#include "gif/LZWEncoder.h"

#include <gtest/gtest.h>

#include <tuple>

namespace scindra::test {
namespace {

class OracleCase : public ::testing::TestWithParam<GifCase> {};

TEST_P(OracleCase, OurIndicesEqualGiflibsFrameByFrame)
{
    const GifCase& c = GetParam();
    const OracleImage oracle = DecodeWithGiflib(c.gif);
    ASSERT_TRUE(oracle.ok) << oracle.error;
    std::unique_ptr<TGIFImage> image;
    ASSERT_NO_THROW(image = Load(c.gif));
    EXPECT_EQ(QSize(image->LogicalWidth(), image->LogicalHeight()), QSize(oracle.width, oracle.height));
    ASSERT_EQ(image->FrameCount(), static_cast<int>(oracle.frames.size()));
    ASSERT_EQ(c.frames.size(), oracle.frames.size());

    for (int i = 0; i < image->FrameCount(); ++i) {
        SCOPED_TRACE("frame " + std::to_string(i));
        const OracleFrame& o = oracle.frames[static_cast<std::size_t>(i)];
        TGIFFrame* f = image->FrameAt(i);
        EXPECT_EQ(o.indices, c.frames[static_cast<std::size_t>(i)].pixels.indices) << "the builder wrote these";
        EXPECT_EQ(std::tuple(f->OffsetX(), f->OffsetY(), f->IsInterlaced(), static_cast<int>(f->Disposal()), int{f->DelayMs()}),
                  std::tuple(o.left, o.top, o.interlaced, o.disposal, o.delayHundredths * 10));
        const bool keyed = o.transparent >= 0 && o.transparent < static_cast<int>(o.colours.size());
        const Rgb key = keyed ? o.colours[static_cast<std::size_t>(o.transparent)] : Rgb{};
        EXPECT_EQ(static_cast<uint32_t>(f->KeyColor()), keyed ? key.r | key.g << 8 | key.b << 16 : 0x1FFFFFFFu);

        QImage bitmap;
        ASSERT_NO_THROW(bitmap = f->RenderBitmap());
        EXPECT_FALSE(f->IsDamaged());
        ASSERT_EQ(bitmap.size(), QSize(o.width, o.height));
        EXPECT_TRUE(bitmap.format() == QImage::Format_Mono || bitmap.format() == QImage::Format_Indexed8);
        EXPECT_EQ(IndicesOf(bitmap), o.indices);

        // The bitmap's table is the frame's, except a transparent slot that
        // rendering may recolour to keep it unique.
        const QVector<QRgb> table = bitmap.colorTable();
        ASSERT_GE(static_cast<std::size_t>(table.size()), o.colours.size());
        for (std::size_t j = 0; j < o.colours.size(); ++j) {
            const QRgb rgb = table[static_cast<int>(j)];
            if (static_cast<int>(j) != o.transparent) {
                EXPECT_EQ((Rgb{uint8_t(qRed(rgb)), uint8_t(qGreen(rgb)), uint8_t(qBlue(rgb))}), o.colours[j]) << j;
            }
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Built, OracleCase, ::testing::ValuesIn(OracleCases()),
                         [](const auto& info) { return info.param.name; });

// Our encoder's interlaced row order, read back by giflib: every row of every
// pass lands where it belongs, for heights around each pass's step.
TEST(InterlacedEncoding, GiflibPutsEveryRowBack)
{
    for (int height : {1, 2, 3, 4, 5, 6, 7, 8, 9, 12, 13, 16, 17, 31, 64}) {
        SCOPED_TRACE(height);
        const int width = 7, stride = 8;
        const Pixels pixels = NoisePixels(width, height, 16, static_cast<uint32_t>(height));
        Bytes bottomUp(static_cast<std::size_t>(stride * height));
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                bottomUp[static_cast<std::size_t>((height - 1 - y) * stride + x)] = pixels.At(x, y);
        TMemoryStream data;
        EncodeLZW(data, {width, height, 8}, true, {}, bottomUp.data());
        GifBuilder gif;
        gif.Header("89a").Screen(width, static_cast<uint16_t>(height), DistinctPalette(256));
        gif.Descriptor(0, 0, width, static_cast<uint16_t>(height), 0x40).Raw(data.Bytes()).Trailer();
        const OracleImage oracle = DecodeWithGiflib(gif.Build());
        ASSERT_TRUE(oracle.ok) << oracle.error;
        ASSERT_EQ(oracle.frames.size(), 1u);
        EXPECT_TRUE(oracle.frames[0].interlaced);
        EXPECT_EQ(oracle.frames[0].indices, pixels.indices);
    }
}

} // namespace
} // namespace scindra::test
