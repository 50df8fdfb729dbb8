// The block structure of GIF files as the reader takes it: versions, loop
// blocks, graphic controls, comments, lenient endings, damaged data, and the
// mended faults around lengths, delays and the active frame.
#include "GifReadSupport.h"

#include "gif/ByteViewStream.h"
#include "gif/GIFImage.h"
#include "gif/GIFReader.h"
#include "rtl/Exception.h"
#include "rtl/TMemoryStream.h"

#include <gtest/gtest.h>

#include <QPainter>

#include <algorithm>
#include <tuple>

namespace scindra::test {
namespace {

const Palette kFour = DistinctPalette(4);

// A file with one 2 x 2 frame after the given extension bytes.
Bytes OneFrame(const std::function<void(GifBuilder&)>& extensions,
               const std::function<void(GifBuilder&)>& after = [](GifBuilder&) {})
{
    GifBuilder b;
    b.Header("89a").Screen(2, 2, kFour);
    extensions(b);
    ImageBlock image;
    image.pixels = NoisePixels(2, 2, 4, 1);
    image.lzw.codeSize = 2;
    b.Image(image);
    after(b);
    return b.Trailer().Build();
}

TEST(GifReaderFile, WholeFilesReadOrFailWithTheirMessage)
{
    const std::string readError = "Erreur de lecture du flux";
    const Bytes whole = OneFrame([](GifBuilder&) {});
    const auto cut = [&](long size) { return Bytes(whole.begin(), whole.begin() + size); };
    const Bytes secondImage(whole.begin() + 25, whole.end());
    struct Case {
        const char* name;
        Bytes gif;
        std::string failure;
        TGIFFormatVersion version;
        int frames;
    };
    const Case cases[] = {
        {"lower-case signature", GifBuilder().Header("89A", "gif").Screen(1, 1).Trailer().Build(), "", fv89a, 0},
        {"mixed-case 87a", GifBuilder().Header("87a", "GiF").Screen(1, 1).Trailer().Build(), "", fv87a, 0},
        {"version 88a", GifBuilder().Header("88a").Screen(1, 1).Trailer().Build(), "Unknown GIF version", fvUnknown, 0},
        {"signature JIF", GifBuilder().Header("89a", "JIF").Screen(1, 1).Build(), "Unknown GIF version", fvUnknown, 0},
        {"nothing after the screen", GifBuilder().Header("89a").Screen(5, 4, kFour).Build(), "", fv89a, 0},
        {"zero byte after the screen", GifBuilder().Header("89a").Screen(5, 4).Byte(0).Build(), "", fv89a, 0},
        {"no bytes at all", Bytes(), "", fvUnknown, 0},
        // Too short to be a GIF: still a non-GIF, not a read error.
        {"XYZ", Bytes{'X', 'Y', 'Z'}, "Unknown GIF version", fvUnknown, 0},
        {"PNG prefix", Bytes{0x89, 'P', 'N', 'G', '\r'}, "Unknown GIF version", fvUnknown, 0},
        {"GI", Bytes{'G', 'I'}, "Unknown GIF version", fvUnknown, 0},
        // Cut inside the version, the screen, the global table, the descriptor.
        {"cut version", cut(4), "Unknown GIF version", fvUnknown, 0},
        {"cut screen", cut(9), readError, fv89a, 0},
        {"cut table", cut(16), readError, fv89a, 0},
        {"cut descriptor", cut(28), readError, fv89a, 0},
        {"unknown label", OneFrame([](GifBuilder& b) { b.Raw({0x21, 0xAB, 0}); }), "Unrecognized extension block: ab", fv89a, 0},
        {"small unknown label", OneFrame([](GifBuilder& b) { b.Raw({0x21, 0x02, 0}); }), "Unrecognized extension block: 02", fv89a, 0},
        {"garbage after an image ends the file",
         OneFrame([](GifBuilder&) {}, [&](GifBuilder& b) { b.Raw({0, 0, 'x'}).Raw(secondImage); }), "", fv89a, 1},
        {"garbage after a comment", OneFrame([](GifBuilder& b) { b.Comment("c").Byte('x'); }), readError, fv89a, 0},
    };
    for (const Case& c : cases) {
        TGIFImage image;
        TMemoryStream stream(c.gif);
        EXPECT_EQ(FailureOf([&] { image.ReadGIF(stream.Size(), stream, true); }), c.failure) << c.name;
        EXPECT_EQ(image.FrameCount(), c.frames) << c.name;
        EXPECT_EQ(image.ActiveFrame(), c.frames - 1) << c.name;
        if (c.failure.empty()) {
            EXPECT_EQ(image.FormatVersion(), c.version) << c.name;
        }
    }
}

TEST(GifReaderLoop, LoopBlocksSetLoopingAndCount)
{
    struct Case {
        std::string identifier;
        Bytes block;
        bool enabled;
        uint16_t count;
    };
    const Case cases[] = {
        {"NETSCAPE2.0", {1, 0, 0}, true, 0},
        {"NETSCAPE2.0", {1, 0x40, 0x9C}, true, 30000}, // 40000 is capped
        {"ANIMEXTS1.0", {1, 3, 0}, true, 3},
        {"NETSCAPE2.1", {1, 3, 0}, false, 1},
        {"NETSCAPE2.0", {2, 3, 0}, false, 1},  // not the loop sub-block
        {"NETSCAPE2.0", {1, 3}, false, 1},     // too short
    };
    for (const Case& c : cases) {
        const auto image = Load(OneFrame([&](GifBuilder& b) { b.Application(c.identifier, {c.block}); }));
        EXPECT_EQ(image->LoopEnabled(), c.enabled) << c.identifier;
        EXPECT_EQ(image->LoopCount(), c.count) << c.identifier;
        ASSERT_EQ(image->FrameCount(), 1);
        EXPECT_EQ(image->FrameAt(0)->ExtensionList(), nullptr) << "application blocks are not kept";
    }
}

TEST(GifReaderControl, GraphicControlsBeforeOneImage)
{
    const auto rgb = [](int i) { return kFour[i].r | kFour[i].g << 8 | kFour[i].b << 16; };
    struct Case {
        const char* name;
        std::vector<GraphicControl> controls;
        uint16_t delayMs;
        TColor key;
        int disposal;
    };
    const Case cases[] = {
        {"one control", {{2, 10, 3, false}}, 100, static_cast<TColor>(rgb(3)), 2},
        {"longest delay wins", {{0, 5, std::nullopt, false}, {1, 3, std::nullopt, false}}, 50, kColorNone, 1},
        {"last transparency wins", {{0, 0, 1, false}, {0, 0, std::nullopt, false}}, 0, kColorNone, 0},
        {"index out of range keeps the key", {{0, 0, 2, false}, {3, 0, 4, false}}, 0, static_cast<TColor>(rgb(2)), 3},
        {"index equal to the count", {{0, 0, 4, false}}, 0, kColorNone, 0},
        {"delay saturates", {{0, 6554, std::nullopt, false}}, 65535, kColorNone, 0},
        {"reserved disposal kept", {{7, 1, std::nullopt, false}}, 10, kColorNone, 7},
    };
    for (const Case& c : cases) {
        const auto image = Load(OneFrame([&](GifBuilder& b) {
            for (const auto& control : c.controls)
                b.Control(control);
        }));
        const TGIFFrame* frame = image->FrameAt(0);
        EXPECT_EQ(frame->DelayMs(), c.delayMs) << c.name;
        EXPECT_EQ(frame->KeyColor(), c.key) << c.name;
        EXPECT_EQ(frame->Disposal(), c.disposal) << c.name;
        ASSERT_NE(frame->ExtensionList(), nullptr) << c.name;
        EXPECT_EQ(frame->ExtensionList()->size(), c.controls.size()) << c.name;
    }
}

TEST(GifReaderComment, CommentsGoToTheFrameOrTheImageAndPlainTextDropsControls)
{
    const auto gif = Load(OneFrame([](GifBuilder& b) { b.Control({2, 50, 1, false}).PlainText("hello").Comment("before"); },
                                   [](GifBuilder& b) { b.Comment("after one").Comment("after two"); }));
    ASSERT_EQ(gif->FrameCount(), 1);
    const TGIFFrame* frame = gif->FrameAt(0);
    EXPECT_EQ(frame->DelayMs(), 0);
    EXPECT_EQ(frame->KeyColor(), kColorNone);
    ASSERT_NE(frame->ExtensionList(), nullptr);
    ASSERT_EQ(frame->ExtensionList()->size(), 1u);
    EXPECT_EQ(frame->ExtensionList()->front()->Kind, ekComment);
    EXPECT_EQ(*gif->FrameAt(0)->FrameComment(false), std::vector<std::string>{"before"});
    EXPECT_EQ(gif->ImageComment(), (std::vector<std::string>{"after one", "\r\n\r\n", "after two"}));
}

TEST(GifReaderDescriptor, ZeroSizesTakeTheLogicalScreen)
{
    GifBuilder b;
    b.Header("89a").Screen(3, 2, kFour).Descriptor(0, 0, 0, 0, 0);
    const auto gif = Load(b.ImageData(2, LzwEncode(NoisePixels(3, 2, 4, 1).indices, {2})).Trailer().Build());
    EXPECT_EQ(gif->FrameAt(0)->Item().PixelWidth, 3);
    EXPECT_EQ(gif->FrameAt(0)->Item().PixelHeight, 2);
    EXPECT_EQ(IndicesOf(gif->FrameAt(0)->RenderBitmap()), NoisePixels(3, 2, 4, 1).indices);
}

TEST(GifReaderDamage, SubBlocksCutByTheEndOfTheFile)
{
    GifBuilder b;
    b.Header("89a").Screen(16, 16, DistinctPalette(256)).Control({0, 5, std::nullopt, false});
    ImageBlock image;
    image.pixels = NoisePixels(16, 16, 256, 7);
    image.blockSize = 40;
    const Bytes one = GifBuilder(b).Image(image).Build();
    Bytes two = b.Image(image).Image(image).Build();
    two.resize(two.size() - 30); // inside the last sub-block of the second frame
    const auto loaded = Load(two);
    ASSERT_EQ(loaded->FrameCount(), 2);
    EXPECT_FALSE(loaded->FrameAt(0)->IsDamaged());
    EXPECT_TRUE(loaded->FrameAt(1)->IsDamaged());
    EXPECT_EQ(FailureOf([&] { loaded->FrameAt(1)->RenderBitmap(); }), "Erreur de lecture du flux");
    EXPECT_TRUE(loaded->FrameAt(1)->DecodedBitmap()->isNull()) << "a failed decode leaves the empty bitmap";

    // A first frame that fails is removed and the active frame reset.
    TGIFImage first;
    TMemoryStream stream(Bytes(one.begin(), one.end() - 50));
    EXPECT_EQ(FailureOf([&] { first.ReadGIF(stream.Size(), stream, true); }), "Erreur de lecture du flux");
    EXPECT_EQ(first.FrameCount(), 0);
    EXPECT_EQ(first.ActiveFrame(), -1);
    first.SetActiveFrame(5);
    EXPECT_TRUE(first.IsEmpty());
    EXPECT_EQ(first.Height(), 0);
}

TEST(GifReaderDamage, FrameFailingAfterTakingItsExtensionsFreesThemOnce)
{
    // The descriptor is cut short after a control and a comment: the frame
    // owns them when it fails (run under the address sanitizer).
    GifBuilder b;
    b.Header("89a").Screen(4, 4, kFour).Control({0, 1, 0, false}).Comment("c").Raw({0x2C, 0, 0, 0});
    EXPECT_EQ(FailureOf([&] { Load(b.Build()); }), "Erreur de lecture du flux");
}

TEST(GifReaderImageData, InPlaceAndStreamedCopiesAgree)
{
    struct Case {
        Bytes blocks;
        bool damaged;
    };
    const Case cases[] = {
        {{2, 0x44, 0x01, 0, ';'}, false},  // whole, with what follows
        {{2, 0x44, 0x01}, false},          // no terminator, end of file
        {{2, 0x44, 0x01, 5, 1, 2}, true},  // last block cut
        {{3, 0x44}, true},                 // first block cut
        {{}, true},                        // no data at all
        {{0}, false},                      // only the terminator
    };
    for (const Case& c : cases) {
        // Descriptor of 2 x 1 without local table, code size 2, the blocks.
        Bytes data{0, 0, 0, 0, 2, 0, 1, 0, 0, 2};
        data.insert(data.end(), c.blocks.begin(), c.blocks.end());
        TMemoryStream streamed(data);
        ByteViewStream inPlace(data.data(), static_cast<int64_t>(data.size()));
        std::vector<std::tuple<Bytes, bool, int64_t>> results;
        for (TStream* source : std::initializer_list<TStream*>{&streamed, &inPlace}) {
            TMemoryStream target;
            TImageDescriptor read;
            TGIFPaletteRec table;
            uint8_t bits = 0;
            bool damaged = false, hasLocal = false, interlaced = false;
            CopyImageData(*source, target, read, table, bits, damaged, hasLocal, interlaced);
            EXPECT_EQ(damaged, c.damaged) << c.blocks.size();
            results.emplace_back(target.Bytes(), damaged, source->Position());
        }
        EXPECT_EQ(results[0], results[1]) << c.blocks.size();
    }
}

TEST(GifReaderActiveFrame, OutOfRangeIndexesReadFrameZeroOrNothing)
{
    const auto image = Load(OneFrame([](GifBuilder&) {}));
    for (int active : {-1, 1, 7}) {
        image->SetActiveFrame(active);
        EXPECT_FALSE(image->IsEmpty()) << active;
        EXPECT_EQ(image->Width(), 0) << active;
        EXPECT_EQ(image->ActiveBitmap().width(), 2) << active << ": frame 0";
        QImage canvas(4, 4, QImage::Format_RGB32);
        canvas.fill(Qt::red);
        QPainter painter(&canvas);
        image->DrawTo(painter, canvas.rect());
        painter.end();
        EXPECT_EQ(canvas.pixel(0, 0), qRgb(255, 0, 0)) << active << ": nothing drawn";
    }
}

TEST(GifReaderByteCount, LengthPrefixIsCheckedAgainstTheBytesThere)
{
    struct Case {
        const char* name;
        Bytes stored;
        std::string failure;
        int frames;
    };
    const Bytes gif = OneFrame([](GifBuilder&) {});
    // Sized once and filled in place: GCC 12's optimiser misreads an insert
    // after a four-byte start as writing past it (-Warray-bounds).
    const auto prefixed = [&](uint32_t length, const Bytes& body) {
        Bytes out(4 + body.size());
        for (int i = 0; i < 4; ++i)
            out[i] = static_cast<uint8_t>(length >> (8 * i));
        std::copy(body.begin(), body.end(), out.begin() + 4);
        return out;
    };
    const Bytes twentyBytes(16, 'G');
    const Case cases[] = {
        {"exact", prefixed(static_cast<uint32_t>(gif.size()), gif), "", 1},
        {"2 GiB claimed by 20 bytes", prefixed(0x80000000u, twentyBytes), "Erreur de lecture du flux", 0},
        {"4 GiB - 1 claimed", prefixed(0xFFFFFFFFu, gif), "Erreur de lecture du flux", 0},
        {"one byte short", prefixed(static_cast<uint32_t>(gif.size() + 1), gif), "Erreur de lecture du flux", 0},
        {"prefix cut", Bytes{1, 0}, "Erreur de lecture du flux", 0},
    };
    for (const Case& c : cases) {
        TGIFImage image;
        TMemoryStream stream(c.stored);
        EXPECT_EQ(FailureOf([&] { image.ReadStoredData(stream); }), c.failure) << c.name;
        EXPECT_EQ(image.FrameCount(), c.frames) << c.name;
    }
}

} // namespace
} // namespace scindra::test
