// Frames turned into bitmaps and drawn: the BMP layout of a decoded frame,
// keyed drawing at any scale, and the size limits.
#include "GifReadSupport.h"

#include "gif/DIB.h"
#include "rtl/Exception.h"

#include <gtest/gtest.h>

#include <QPainter>

#include <algorithm>
#include <tuple>

namespace scindra::test {
namespace {

uint32_t Le32(const Bytes& bytes, size_t at)
{
    return bytes[at] | bytes[at + 1] << 8 | bytes[at + 2] << 16 | static_cast<uint32_t>(bytes[at + 3]) << 24;
}

// A one-frame file of `colours` distinct colours.
Bytes FrameOf(const Pixels& pixels, const Palette& palette, std::optional<uint8_t> transparent = std::nullopt)
{
    GifBuilder b;
    b.Header("89a").Screen(static_cast<uint16_t>(pixels.width), static_cast<uint16_t>(pixels.height), palette);
    if (transparent)
        b.Control({0, 0, transparent, false});
    ImageBlock image;
    image.pixels = pixels;
    image.lzw.codeSize = std::max(2, TableBitsFor(palette.size()));
    return b.Image(image).Trailer().Build();
}

TEST(GifRenderDib, LayoutByColourCount)
{
    struct Case {
        int colours;
        int bitCount;
    };
    for (const Case& c : {Case{2, 1}, Case{4, 4}, Case{32, 8}}) {
        const Palette palette = DistinctPalette(c.colours);
        const Pixels pixels = NoisePixels(13, 5, c.colours, static_cast<uint32_t>(c.colours));
        const auto image = Load(FrameOf(pixels, palette), false);
        TMemoryStream stream;
        image->FrameAt(0)->DecodeToDIB(stream);
        EXPECT_EQ(stream.Position(), 0) << "rewound";
        const Bytes& dib = stream.Bytes();
        const int slotCount = 1 << c.bitCount;
        const uint32_t stride = (13u * static_cast<uint32_t>(c.bitCount) + 31) / 32 * 4;
        const uint32_t offset = 54 + 4 * static_cast<uint32_t>(slotCount);
        ASSERT_EQ(dib.size(), offset + 5 * stride) << c.colours;
        EXPECT_EQ(std::tuple(Le32(dib, 2), Le32(dib, 10), int{dib[28]}, Le32(dib, 34)),
                  std::tuple(offset + 5 * stride, offset, c.bitCount, 5 * stride)) << c.colours;
        // Table entries as blue, green, red, 0; the slots past them mid grey.
        for (int slot = 0; slot < slotCount; ++slot) {
            const Rgb rgb = slot < c.colours ? palette[static_cast<size_t>(slot)] : Rgb{128, 128, 128};
            const Bytes quad{rgb.b, rgb.g, rgb.r, static_cast<uint8_t>(slot < c.colours ? 0 : 128)};
            EXPECT_TRUE(std::equal(quad.begin(), quad.end(), dib.begin() + 54 + 4 * slot)) << c.colours << " slot " << slot;
        }
        // Rows bottom-up, pixels packed from the high bits.
        for (int i = 0; i < 13 * 5; ++i) {
            const int x = i % 13, y = i / 13, bit = x * c.bitCount;
            const size_t row = offset + static_cast<size_t>(4 - y) * stride;
            const int value = dib[row + static_cast<size_t>(bit / 8)] >> (8 - c.bitCount - bit % 8) & (slotCount - 1);
            ASSERT_EQ(value, pixels.At(x, y)) << c.colours << " at " << x << "," << y;
        }
    }
}

TEST(GifRenderBitmap, FrameWithoutAnyTableFailsWhenRendered)
{
    GifBuilder b;
    ImageBlock image;
    image.pixels = NoisePixels(4, 4, 4, 1);
    image.lzw.codeSize = 2;
    b.Header("89a").Screen(4, 4).Image(image).Trailer();
    const auto loaded = Load(b.Build(), false);
    EXPECT_EQ(FailureOf([&] { loaded->FrameAt(0)->RenderBitmap(); }), "Wrong number of colors; must be a power of 2");
    EXPECT_EQ(FailureOf([&] { Load(b.Build(), true); }), "Wrong number of colors; must be a power of 2");
}

TEST(GifRenderBitmap, SizeLimits)
{
    struct Case {
        const char* name;
        uint16_t width;
        uint16_t height;
        std::string failure;
        bool empty;
    };
    const Case cases[] = {
        {"65535 x 65535", 65535, 65535, "GIF encoded data is corrupt", true},
        {"65535 x 4097: just above 256 MiB", 65535, 4097, "GIF encoded data is corrupt", true},
        {"zero width", 0, 7, "", true},
        {"zero height", 7, 0, "", true},
        {"65535 x 1", 65535, 1, "", false},
    };
    for (const Case& c : cases) {
        GifBuilder b;
        // A screen of 0 x 0 keeps zero-size descriptors at zero.
        b.Header("89a").Screen(0, 0, DistinctPalette(256)).Descriptor(0, 0, c.width, c.height, 0);
        b.ImageData(8, LzwEncode(Bytes(64, 3), LzwOptions{})).Trailer();
        const auto image = Load(b.Build(), false);
        TGIFFrame* frame = image->FrameAt(0);
        EXPECT_EQ(FailureOf([&] { frame->RenderBitmap(); }), c.failure) << c.name;
        EXPECT_EQ(frame->DecodedBitmap()->isNull(), c.empty) << c.name;
        if (c.failure.empty() && !c.empty) {
            EXPECT_EQ(frame->RenderBitmap().pixelIndex(63, 0), 3) << c.name;
            EXPECT_EQ(frame->RenderBitmap().pixelIndex(64, 0), 0) << c.name << ": past the data";
        }
    }
}

// A file of a few hundred bytes declaring frames of 256 MiB each, their data
// just "clear, end": the image caches two of them and no more, until one of
// its bitmaps is dropped.
TEST(GifRenderBitmap, AllCachedBitmapsOfAnImageShareOneBudget)
{
    GifBuilder b;
    b.Header("89a").Screen(0, 0, DistinctPalette(256));
    for (int i = 0; i < 3; ++i)
        b.Descriptor(0, 0, 16384, 16384, 0).ImageData(8, PackCodes(8, {256, 257}));
    const Bytes gif = b.Trailer().Build();
    ASSERT_LT(gif.size(), 1000u);
    const auto image = Load(gif, false);
    ASSERT_EQ(image->FrameCount(), 3);
    const auto render = [&](int i) { return FailureOf([&] { image->FrameAt(i)->RenderBitmap(); }); };
    EXPECT_EQ(render(0), "");
    EXPECT_EQ(render(1), "");
    EXPECT_EQ(render(2), "GIF encoded data is corrupt");
    EXPECT_EQ(render(1), "") << "a cached bitmap is served again";
    image->FrameAt(0)->FreeBitmap();
    EXPECT_EQ(render(2), "");
    EXPECT_EQ(image->FrameAt(2)->RenderBitmap().pixelIndex(16383, 16383), 0);
}

TEST(GifRenderBitmap, LogicalSizeSaturatesAtTheLargestScreen)
{
    GifBuilder b;
    ImageBlock image;
    image.pixels = NoisePixels(10, 10, 4, 1);
    image.left = 65530;
    image.top = 65535;
    image.lzw.codeSize = 2;
    const auto gif = Load(b.Header("89a").Screen(1, 1, DistinctPalette(4)).Image(image).Trailer().Build());
    gif->UpdateLogicalSize();
    EXPECT_EQ(gif->LogicalWidth(), 65535);
    EXPECT_EQ(gif->LogicalHeight(), 65535);
}

// --- Keyed drawing ------------------------------------------------------------------

constexpr QRgb kBackground = qRgb(1, 2, 3);

TEST(GifRenderKeyed, KeyPixelsLeaveTheCanvasAtTwiceTheSize)
{
    struct Case {
        const char* name;
        Palette palette;
        uint8_t key;
        bool transparentFlag;
    };
    const Case cases[] = {
        {"distinct colours", DistinctPalette(4), 2, true},
        // Black key among black pixels: only the key slot shows through.
        {"shared black", {{0, 0, 0}, {255, 255, 255}, {0, 0, 0}, {9, 9, 9}}, 0, true},
        // A two-colour frame keyed on black: white stays white.
        {"monochrome", {{0, 0, 0}, {255, 255, 255}}, 0, true},
        {"transparent flag cleared", DistinctPalette(4), 1, false},
    };
    for (const Case& c : cases) {
        const int colours = static_cast<int>(c.palette.size());
        const Pixels pixels = NoisePixels(7, 5, colours, 3);
        const auto image = Load(FrameOf(pixels, c.palette, c.key));
        image->SetTransparent(c.transparentFlag);
        EXPECT_EQ(image->IsTransparent(), c.transparentFlag) << c.name;
        // Drawn into a rectangle twice its size, inside a margin of 2.
        const int w = pixels.width, h = pixels.height;
        QImage canvas(2 * w + 4, 2 * h + 4, QImage::Format_RGB32);
        canvas.fill(kBackground);
        QPainter painter(&canvas);
        image->DrawTo(painter, QRect(2, 2, 2 * w, 2 * h));
        painter.end();
        EXPECT_EQ(canvas.pixel(0, 0), kBackground) << "nothing outside the rectangle";
        EXPECT_EQ(canvas.pixel(2 * w + 3, 2 * h + 3), kBackground);
        for (int i = 0; i < w * h; ++i) {
            const uint8_t index = pixels.indices[static_cast<size_t>(i)];
            const Rgb& rgb = c.palette[index];
            const QRgb expected = index == c.key && c.transparentFlag ? kBackground : qRgb(rgb.r, rgb.g, rgb.b);
            // Each source pixel covers a 2 x 2 block of one colour.
            for (int corner = 0; corner < 4; ++corner) {
                EXPECT_EQ(canvas.pixel(2 + 2 * (i % w) + corner % 2, 2 + 2 * (i / w) + corner / 2), expected)
                    << c.name << " pixel " << i;
            }
        }
    }
}

} // namespace
} // namespace scindra::test
