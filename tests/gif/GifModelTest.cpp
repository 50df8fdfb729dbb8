// The GIF model: sharing, copy rules and conversion errors, and the colour
// arithmetic.
#include "GifReadSupport.h"

#include "gif/Extension.h"
#include "gif/GIFPaletteRec.h"
#include "rtl/Exception.h"

#include <gtest/gtest.h>

#include <QMimeData>

namespace scindra::test {
namespace {

Bytes TwoFrames()
{
    GifBuilder b;
    b.Header("89a").Screen(4, 3, DistinctPalette(4), 2).Loop(3);
    ImageBlock image;
    image.pixels = NoisePixels(4, 3, 4, 1);
    image.lzw.codeSize = 2;
    b.Control({2, 7, 1, false}).Comment("first").Image(image);
    image.pixels = NoisePixels(3, 2, 4, 2);
    image.localTable = DistinctPalette(4);
    image.left = 1;
    return b.Image(image).Trailer().Build();
}

TEST(GifModel, CopiedImagesShareTheirDataUntilReset)
{
    const auto source = Load(TwoFrames());
    TGIFImage copy;
    int changes = 0;
    copy.SetOnChange([&](TGraphic&) { ++changes; });
    copy.CopyFrom(source.get());
    EXPECT_EQ(changes, 1);
    EXPECT_TRUE(copy.SameImage(*source));
    EXPECT_EQ(copy.FrameAt(1)->SharedItem(), source->FrameAt(1)->SharedItem());
    EXPECT_EQ(copy.FrameAt(0)->HasLocalTable(), false) << "the source's flag is kept";
    EXPECT_EQ(copy.LoopCount(), 3);
    EXPECT_EQ(*copy.FrameAt(0)->FrameComment(false), std::vector<std::string>{"first"});
    EXPECT_EQ(IndicesOf(copy.FrameAt(1)->RenderBitmap()), IndicesOf(source->FrameAt(1)->RenderBitmap()));
    copy.CopyFrom(nullptr);
    EXPECT_FALSE(copy.SameImage(*source));
    EXPECT_EQ(copy.FrameCount(), 0);
    EXPECT_EQ(changes, 2);
}

TEST(GifModel, FrameCopiesAcrossImagesCarryTheirColours)
{
    const auto source = Load(TwoFrames());
    TGIFImage other;
    other.CopyFrom(source->FrameAt(0));
    ASSERT_EQ(other.FrameCount(), 1);
    EXPECT_EQ(other.ActiveFrame(), 0);
    EXPECT_EQ(other.FormatVersion(), fv87a);
    EXPECT_TRUE(other.FrameAt(0)->HasLocalTable()) << "another image: the frame carries its table";
    EXPECT_EQ(other.Data().GlobalTable, source->Data().GlobalTable);
    EXPECT_EQ(other.FrameAt(0)->DelayMs(), 70);

    // Within one image the flag is the source's.
    source->FrameAt(1)->CopyFrom(source->FrameAt(0));
    EXPECT_FALSE(source->FrameAt(1)->HasLocalTable());
    // An image made from one of its own frames.
    source->CopyFrom(source->FrameAt(1));
    ASSERT_EQ(source->FrameCount(), 1);
    EXPECT_EQ(IndicesOf(source->FrameAt(0)->RenderBitmap()), NoisePixels(4, 3, 4, 1).indices);
}

TEST(GifModel, FrameCopyDropsABitmapOfOldData)
{
    const auto image = Load(TwoFrames());
    TGIFFrame* target = image->FrameAt(0);
    target->RenderBitmap();
    const auto other = Load(TwoFrames(), false);
    TGIFFrame* source = other->FrameAt(1);
    ASSERT_EQ(source->DecodedBitmap(), nullptr);
    target->CopyFrom(source);
    EXPECT_EQ(IndicesOf(target->RenderBitmap()), NoisePixels(3, 2, 4, 2).indices);
}

// The "GIF Image" layout from the clipboard, with and without a bitmap beside
// it: the bitmap, when there is one, is frame 0's picture.
TEST(GifModel, ClipboardBitmapBesideTheGifBecomesFrameZero)
{
    const Bytes gif = TwoFrames();
    QByteArray stored(4, '\0');
    for (int i = 0; i < 4; ++i)
        stored[i] = static_cast<char>(gif.size() >> (8 * i));
    stored.append(reinterpret_cast<const char*>(gif.data()), static_cast<qsizetype>(gif.size()));
    QImage bitmap(5, 5, QImage::Format_RGB32);
    bitmap.fill(qRgb(9, 8, 7));
    for (bool withBitmap : {false, true}) {
        SCOPED_TRACE(withBitmap);
        QMimeData data;
        data.setData(TGIFImage::kClipboardMimeType, stored);
        if (withBitmap)
            data.setImageData(bitmap);
        TGIFImage image;
        image.ReadFromClipboard(data);
        ASSERT_EQ(std::pair(image.FrameCount(), image.ActiveFrame()), std::pair(2, 0));
        const QImage& frame0 = image.FrameAt(0)->RenderBitmap();
        if (withBitmap)
            EXPECT_EQ(frame0, bitmap);
        else
            EXPECT_EQ(IndicesOf(frame0), NoisePixels(4, 3, 4, 1).indices);
        EXPECT_EQ(IndicesOf(image.FrameAt(1)->RenderBitmap()), NoisePixels(3, 2, 4, 2).indices);
    }
}

TEST(GifModel, ConversionsBetweenUnrelatedClassesFail)
{
    TGIFImage image;
    const auto loaded = Load(TwoFrames());
    TGIFFrame frame(nullptr);
    TExtension extension;
    struct Case {
        const char* name;
        std::function<void()> action;
        std::string failure;
    };
    const Case cases[] = {
        {"image into extension", [&] { extension.CopyFrom(&image); }, "Impossible d'affecter TGIFImage à TExtension"},
        {"extension into image", [&] { image.CopyFrom(&extension); }, "Impossible d'affecter TExtension à TGIFImage"},
        {"extension into frame", [&] { frame.CopyFrom(&extension); }, "Impossible d'affecter TExtension à TGIFFrame"},
        {"image to frame", [&] { image.CopyTo(frame); }, "Impossible d'affecter TGIFImage à TGIFFrame"},
        {"frame to image", [&] { frame.CopyTo(image); }, ""},
        {"none into image empties it", [&] { image.CopyFrom(nullptr); }, ""},
        {"frame of an empty image", [&] { image.FrameAt(0); }, "Index de liste hors limites (0)"},
        {"height of a loaded image", [&] { loaded->SetHeight(10); }, "Cannot change the Size of a GIF image"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(FailureOf(c.action), c.failure) << c.name;
}

TEST(GifModelColour, TableLookupsAndColourCounts)
{
    TGIFPaletteRec table;
    table.EntryCount = 3;
    table.Entries[0] = {1, 2, 3};
    table.Entries[1] = table.Entries[2] = {255, 0, 255};
    table.Entries[3] = {9, 9, 9};
    EXPECT_EQ(IndexOfColor(table, 0x030201), 0);
    EXPECT_EQ(IndexOfColor(table, kColorMagenta), 1) << "lowest index";
    EXPECT_EQ(IndexOfColor(table, 0x090909), -1) << "past the entry count";
    for (const auto& [count, bits] : {std::pair{2, 1}, {256, 8}, {65536 + 4, 2}})
        EXPECT_EQ(BitsForColorCount(count), bits) << count;
    for (int count : {0, 3, 512})
        EXPECT_EQ(FailureOf([&] { BitsForColorCount(count); }), "Wrong number of colors; must be a power of 2") << count;
}

} // namespace
} // namespace scindra::test
