#include "EncodeTestSupport.h"
#include "GifLayout.h"
#include "GiflibReadBack.h"

#include "GifBuilder.h"
#include "GifCases.h"

#include "gif/BitmapFile.h"
#include "gif/ColorReduction.h"
#include "gif/GIFImage.h"
#include "rtl/Exception.h"
#include "rtl/TMemoryStream.h"

#include <QImage>
#include <QMimeData>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>

namespace scindra::test {
namespace {

using Bytes = std::vector<uint8_t>;

Bytes Save(TGIFImage& image)
{
    TMemoryStream out;
    image.WriteToStream(out);
    return out.Bytes();
}

void Load(TGIFImage& image, const Bytes& gif)
{
    TMemoryStream in(gif);
    image.ReadFromStream(in);
}

Bytes ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), {});
}

std::string AssetsDir() { return SCINDRA_ASSETS_DIR; }

template <typename Error = EInvalidGraphicOperation>
std::string FailureOf(const std::function<void()>& action)
{
    try {
        action();
    } catch (const Error& e) {
        return e.Message();
    }
    return "no failure";
}

// --- Pictures ----------------------------------------------------------------

QImage RandomIndexed(int width, int height, int colors, uint32_t seed)
{
    const IndexPicture picture = MakePicture(width, height, 8, Pattern::Random, seed);
    QImage image(width, height, QImage::Format_Indexed8);
    QVector<QRgb> table;
    for (int i = 0; i < colors; ++i)
        table.push_back(qRgb(i * 37 % 256, 255 - i, i * 11 % 256));
    image.setColorTable(table);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.scanLine(y)[x] = uint8_t(picture.pixels[size_t(y) * width + x] % colors);
    return image;
}

QImage RandomMono(int width, int height, uint32_t seed)
{
    QImage image(width, height, QImage::Format_Mono);
    image.setColorTable({qRgb(10, 20, 30), qRgb(250, 240, 230)});
    const IndexPicture picture = MakePicture(width, height, 1, Pattern::Random, seed);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.setPixel(x, y, picture.pixels[size_t(y) * width + x]);
    return image;
}

// Shaded colours, far more than 256 of them.
QImage TrueColor(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.setPixel(x, y, qRgb(x * 5 % 256, y * 7 % 256, (x * y) % 256));
    return image;
}

TrueColorPixels PixelsOf(const QImage& image)
{
    TrueColorPixels pixels{image.width(), image.height(), {}};
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QRgb c = image.pixel(x, y);
            pixels.pixels.push_back({uint8_t(qRed(c)), uint8_t(qGreen(c)), uint8_t(qBlue(c))});
        }
    return pixels;
}

QRgb GlobalColor(const OracleImage& decoded, int index)
{
    const auto& t = decoded.globalTable;
    return qRgb(t.at(size_t(3 * index)), t.at(size_t(3 * index + 1)), t.at(size_t(3 * index + 2)));
}

ImageSpec Spec(Pixels pixels, std::optional<Palette> localTable, int codeSize)
{
    ImageSpec spec;
    spec.pixels = std::move(pixels);
    spec.localTable = std::move(localTable);
    spec.lzw.codeSize = codeSize;
    return spec;
}

// --- Load and save --------------------------------------------------------------

// Frames read from a file go back out with their data untouched: the logo
// comes back whole, and every built test file frame by frame.
TEST(GIFWriter, LoadThenSaveKeepsEveryFramesDataByteForByte)
{
    const Bytes logo = ReadFile(AssetsDir() + "/logo.gif");
    ASSERT_FALSE(logo.empty());
    TGIFImage image;
    Load(image, logo);
    EXPECT_EQ(Save(image), logo);

    for (const GifCase& c : OracleCases()) {
        SCOPED_TRACE(c.name);
        TGIFImage copy;
        ASSERT_NO_THROW(Load(copy, c.gif));
        const GifLayout before = ParseLayout(c.gif), after = ParseLayout(Save(copy));
        ASSERT_EQ(after.error, "");
        ASSERT_EQ(after.frames.size(), before.frames.size());
        for (size_t i = 0; i < before.frames.size(); ++i)
            EXPECT_EQ(after.frames[i].imageData, before.frames[i].imageData) << "frame " << i;
    }
}

TEST(GIFWriter, ColorResolutionFollowsTheGlobalTable)
{
    struct Case {
        int entries, resolutionRead, fieldWritten;
    };
    for (const Case& c : {Case{256, 3, 7}, Case{4, 8, 1}, Case{2, 5, 0}}) {
        GifBuilder gif;
        gif.Header("87a").Screen(4, 2, DistinctPalette(c.entries), 0, 0, c.resolutionRead);
        gif.Image(Spec(NoisePixels(4, 2, c.entries, 1), std::nullopt, std::max(2, TableBitsFor(size_t(c.entries)))));
        gif.Trailer();
        TGIFImage image;
        Load(image, gif.Build());
        EXPECT_EQ(ParseLayout(Save(image)).ColorResolutionField(), c.fieldWritten) << c.entries;
    }
}

// --- Encoding bitmaps -------------------------------------------------------------

struct DepthCase {
    const char* name;
    std::function<QImage()> make;
    int codeSize, globalEntries;
};

class EncodeDepth : public ::testing::TestWithParam<DepthCase> {};

// A bitmap of each depth goes out as one 87a frame with a global table, and
// giflib and our reader both see its colours again (24-bit: as reduced).
TEST_P(EncodeDepth, DecodesBackToTheSourceColours)
{
    const QImage source = GetParam().make();
    TGIFImage image;
    image.AppendFrame(source);
    const Bytes gif = Save(image);

    const GifLayout layout = ParseLayout(gif);
    ASSERT_EQ(layout.error, "");
    EXPECT_EQ(layout.signature, "GIF87a");
    EXPECT_EQ(layout.globalEntries, GetParam().globalEntries);
    ASSERT_EQ(layout.frames.size(), 1u);
    EXPECT_EQ(layout.frames[0].localEntries, 0);
    EXPECT_TRUE(layout.frames[0].extensions.empty());
    EXPECT_EQ(layout.frames[0].imageData[0], GetParam().codeSize);

    std::vector<QRgb> expected;
    if (source.colorCount() > 0) {
        for (int y = 0; y < source.height(); ++y)
            for (int x = 0; x < source.width(); ++x)
                expected.push_back(source.color(source.pixelIndex(x, y)));
    } else {
        const ReducedPixels reduced = ReducePopularity(PixelsOf(source), nullptr);
        for (uint8_t index : reduced.indices) {
            const RGBTriple& c = reduced.palette[index];
            expected.push_back(qRgb(c.r, c.g, c.b));
        }
    }

    const OracleImage decoded = DecodeWithGiflib(gif);
    ASSERT_EQ(decoded.error, "");
    std::vector<QRgb> giflibColors, ourColors;
    for (uint8_t index : decoded.frames.at(0).pixels)
        giflibColors.push_back(GlobalColor(decoded, index));
    EXPECT_EQ(giflibColors, expected);

    TGIFImage reread;
    Load(reread, gif);
    const QImage& bitmap = reread.FrameAt(0)->RenderBitmap();
    for (int y = 0; y < bitmap.height(); ++y)
        for (int x = 0; x < bitmap.width(); ++x)
            ourColors.push_back(bitmap.pixel(x, y) | 0xFF000000);
    EXPECT_EQ(ourColors, expected);
}

INSTANTIATE_TEST_SUITE_P(Depths, EncodeDepth,
                         ::testing::Values(DepthCase{"mono", [] { return RandomMono(37, 23, 3); }, 2, 2},
                                           DepthCase{"sixteen", [] { return RandomIndexed(41, 17, 16, 4); }, 4, 16},
                                           DepthCase{"eight_colours", [] { return RandomIndexed(9, 9, 8, 6); }, 4, 16},
                                           DepthCase{"full", [] { return RandomIndexed(64, 48, 256, 5); }, 8, 256},
                                           DepthCase{"true_color", [] { return TrueColor(60, 50); }, 8, 256}),
                         [](const auto& info) { return std::string(info.param.name); });

// The first encoded frame gives the image its global table; later frames
// carry their own.
TEST(GIFWriter, LaterEncodedFramesCarryLocalTables)
{
    TGIFImage image;
    image.AppendFrame(RandomIndexed(8, 8, 256, 1));
    image.AppendFrame(RandomMono(5, 5, 2));
    const GifLayout layout = ParseLayout(Save(image));
    ASSERT_EQ(layout.frames.size(), 2u);
    EXPECT_EQ(layout.globalEntries, 256);
    EXPECT_EQ(layout.frames[0].localEntries, 0);
    EXPECT_EQ(layout.frames[1].localEntries, 2);
    EXPECT_EQ(layout.frames[1].imageData[0], 2);
}

// A transparent true-colour picture keeps exactly its transparent pixels.
TEST(GIFWriter, ReducingATransparentPictureKeepsItsTransparency)
{
    QImage source = TrueColor(64, 64);
    const QRgb key = qRgb(4, 2, 4);
    for (int y = 10; y < 30; ++y)
        for (int x = 5; x < 50; ++x)
            source.setPixel(x, y, key);
    source.setPixel(60, 60, qRgb(5, 2, 4)); // masks onto the key
    TGIFImage image;
    image.AppendFrame(source, 0x040204);
    const OracleImage decoded = DecodeWithGiflib(Save(image));
    ASSERT_EQ(decoded.error, "");
    const OracleFrame& frame = decoded.frames.at(0);
    ASSERT_GE(frame.transparentIndex, 0);
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x)
            ASSERT_EQ(frame.pixels[size_t(y) * 64 + x] == frame.transparentIndex, source.pixel(x, y) == key)
                << x << "," << y;
}

TEST(GIFWriter, RecreatingReplacesATrueColourBitmapByTheEncodedOne)
{
    TGIFImage image;
    image.AppendFrame(TrueColor(10, 10));
    image.EncodeFrames(true);
    const QImage* bitmap = image.FrameAt(0)->DecodedBitmap();
    ASSERT_NE(bitmap, nullptr);
    EXPECT_EQ(bitmap->colorCount(), 256);
}

// --- Blocks --------------------------------------------------------------------------

struct VersionCase {
    const char* name;
    std::function<void(TGIFImage&)> change;
    const char* signature;
    size_t extensions; // on the first frame
};

TEST(GIFWriter, VersionAndExtensionsFollowTheContent)
{
    const std::vector<VersionCase> cases = {
        {"plain bitmap", [](TGIFImage&) {}, "GIF87a", 0},
        {"delay", [](TGIFImage& i) { i.FrameAt(0)->SetDelayMs(150); }, "GIF89a", 1},
        {"key colour", [](TGIFImage& i) { i.FrameAt(0)->SetKeyColor(0x1E140A); }, "GIF89a", 1},
        {"disposal", [](TGIFImage& i) { i.FrameAt(0)->SetDisposal(dpRestorePrevious); }, "GIF89a", 1},
        {"image comment", [](TGIFImage& i) { i.Data().ImageComment = {"hello"}; }, "GIF89a", 0},
        {"frame comment", [](TGIFImage& i) { i.FrameAt(0)->SetFrameComment({"frame"}); }, "GIF89a", 1},
        {"empty frame comment", [](TGIFImage& i) { i.FrameAt(0)->SetFrameComment({}); }, "GIF87a", 0},
        {"second frame", [](TGIFImage& i) { i.AppendFrame(RandomMono(3, 3, 1)); }, "GIF89a", 0},
        {"unknown version", [](TGIFImage& i) { i.SetFormatVersion(fvUnknown); }, "GIF87a", 0},
    };
    for (const VersionCase& c : cases) {
        SCOPED_TRACE(c.name);
        TGIFImage image;
        image.AppendFrame(RandomMono(4, 4, 9));
        c.change(image);
        const GifLayout layout = ParseLayout(Save(image));
        ASSERT_EQ(layout.error, "");
        EXPECT_EQ(layout.signature, c.signature);
        EXPECT_EQ(layout.frames.at(0).extensions.size(), c.extensions);
    }
}

// A graphic control built from the frame's fields: delay in hundredths, the
// key's slot, the disposal in bits 2-4.
TEST(GIFWriter, GraphicControlComesFromTheFrame)
{
    TGIFImage image;
    image.AppendFrame(RandomMono(4, 4, 9)); // colours (10, 20, 30) and (250, 240, 230)
    image.FrameAt(0)->SetDelayMs(150);
    image.FrameAt(0)->SetKeyColor(0xE6F0FA);
    image.FrameAt(0)->SetDisposal(dpRestoreBackground);
    const GifLayout layout = ParseLayout(Save(image));
    EXPECT_EQ(layout.frames.at(0).extensions.at(0), (Bytes{0xF9, 4, 2 << 2 | 1, 15, 0, 1, 0}));
}

TEST(GIFWriter, LoopBlockOnlyWithSeveralFrames)
{
    struct Case {
        int frames;
        bool loop;
        bool written;
    };
    for (const Case& c : {Case{1, true, false}, Case{2, true, true}, Case{3, false, false}}) {
        TGIFImage image;
        for (int i = 0; i < c.frames; ++i)
            image.AppendFrame(RandomMono(4, 4, uint32_t(i)));
        image.SetLoopEnabled(c.loop);
        image.SetLoopCount(700);
        const GifLayout layout = ParseLayout(Save(image));
        ASSERT_EQ(layout.leadingExtensions.size(), c.written ? 1u : 0u) << c.frames;
        if (c.written) {
            Bytes expected{0xFF, 0x0B};
            for (char ch : std::string("NETSCAPE2.0"))
                expected.push_back(uint8_t(ch));
            expected.insert(expected.end(), {3, 1, 700 & 0xFF, 700 >> 8, 0});
            EXPECT_EQ(layout.leadingExtensions[0], expected);
        }
    }
}

// Lines longer than a sub-block are split, not cut; empty lines are left out.
TEST(GIFWriter, CommentsAreSplitIntoSubBlocks)
{
    TGIFImage image;
    image.AppendFrame(RandomMono(4, 4, 9));
    const std::string longLine(300, 'x');
    image.Data().ImageComment = {longLine, "", "ok"};
    image.FrameAt(0)->SetFrameComment({std::string(255, 'y'), std::string(256, 'z')});
    const Bytes gif = Save(image);
    const GifLayout layout = ParseLayout(gif);
    ASSERT_EQ(layout.trailingExtensions.size(), 1u);
    EXPECT_EQ(SubBlockLengths(layout.trailingExtensions[0], 1), (std::vector<int>{255, 45, 2}));
    EXPECT_EQ(SubBlockLengths(layout.frames.at(0).extensions.at(0), 1), (std::vector<int>{255, 255, 1}));

    TGIFImage reread;
    Load(reread, gif);
    std::string text;
    for (const std::string& line : reread.ImageComment())
        text += line;
    EXPECT_EQ(text, longLine + "ok");
}

// --- Mended faults of files read back ---------------------------------------------

// A 256-entry table whose entries 0 and 254 are both black; the file names 254.
Bytes TwoBlacks(uint16_t delay, uint8_t transparent)
{
    Palette palette = DistinctPalette(256);
    palette[0] = palette[254] = Rgb{0, 0, 0};
    GifBuilder gif;
    gif.Header("89a").Screen(8, 8, palette);
    gif.Control({1, delay, transparent, false});
    gif.Image(Spec(NoisePixels(8, 8, 256, 2), std::nullopt, 8));
    gif.Trailer();
    return gif.Build();
}

TEST(GIFWriter, GraphicControlOfAFileReadBackKeepsWhatStillHolds)
{
    struct Case {
        const char* name;
        uint16_t delay;
        std::function<void(TGIFFrame&)> change;
        Bytes control; // label, block size, packed, delay, index, terminator
    };
    const std::vector<Case> cases = {
        // The named slot still holds the key: not the first black slot.
        {"same", 7, [](TGIFFrame&) {}, {0xF9, 4, 1 << 2 | 1, 7, 0, 254, 0}},
        // 6554 hundredths are more milliseconds than DelayMs holds: written back as read.
        {"long delay", 6554, [](TGIFFrame&) {}, {0xF9, 4, 1 << 2 | 1, 6554 & 0xFF, 6554 >> 8, 254, 0}},
        {"new delay", 7, [](TGIFFrame& f) { f.SetDelayMs(250); }, {0xF9, 4, 1 << 2 | 1, 25, 0, 254, 0}},
        // A key the table lacks: no transparency, the old index byte stays.
        {"absent key", 7, [](TGIFFrame& f) { f.SetKeyColor(0x123456); }, {0xF9, 4, 1 << 2, 7, 0, 254, 0}},
        // A key in another slot moves the index there.
        {"other key", 7, [](TGIFFrame& f) { f.SetKeyColor(0x26FA05); }, {0xF9, 4, 1 << 2 | 1, 7, 0, 5, 0}},
        {"no key", 7, [](TGIFFrame& f) { f.SetKeyColor(kColorNone); }, {0xF9, 4, 1 << 2, 7, 0, 254, 0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TGIFImage image;
        Load(image, TwoBlacks(c.delay, 254));
        c.change(*image.FrameAt(0));
        EXPECT_EQ(ParseLayout(Save(image)).frames.at(0).extensions.at(0), c.control);
    }
}

// A frame of an image without a global table always takes its own table
// along, and a table flag is never written for an empty table.
TEST(GIFWriter, EveryFrameGoesOutWithAColourTable)
{
    GifBuilder gif;
    gif.Header("87a").Screen(6, 6);
    gif.Image(Spec(NoisePixels(6, 6, 4, 3), DistinctPalette(4), 2));
    gif.Trailer();
    TGIFImage image;
    Load(image, gif.Build());
    image.FrameAt(0)->SetHasLocalTable(false);
    const Bytes saved = Save(image);
    EXPECT_EQ(ParseLayout(saved).frames.at(0).localEntries, 4);
    const OracleImage decoded = DecodeWithGiflib(saved);
    EXPECT_EQ(decoded.error, "");

    TGIFImage global;
    Load(global, TwoBlacks(1, 3));
    global.FrameAt(0)->SetHasLocalTable(true);
    global.FrameAt(0)->Item().LocalTable.EntryCount = 0;
    EXPECT_EQ(ParseLayout(Save(global)).frames.at(0).descriptorPacked & 0x80, 0);
}

// A file cut off after the last frame's sub-blocks: the terminator is written
// back, so the trailer is not taken for image data.
TEST(GIFWriter, TruncatedFrameGetsItsTerminatorBack)
{
    GifBuilder gif;
    gif.Header("89a").Screen(8, 8, DistinctPalette(16));
    gif.Image(Spec(NoisePixels(8, 8, 16, 1), std::nullopt, 4));
    const Pixels second = NoisePixels(8, 8, 16, 2);
    gif.Descriptor(0, 0, 8, 8, 0).ImageData(4, LzwEncode(second.indices, {4}), 255, false);
    TGIFImage image;
    Load(image, gif.Build());
    ASSERT_EQ(image.FrameCount(), 2);

    const Bytes saved = Save(image);
    const GifLayout layout = ParseLayout(saved);
    ASSERT_EQ(layout.error, "");
    ASSERT_EQ(layout.frames.size(), 2u);
    EXPECT_EQ(layout.frames[1].imageData, [&] {
        Bytes data{4};
        const Bytes blocks = SubBlocks(LzwEncode(second.indices, {4}));
        data.insert(data.end(), blocks.begin(), blocks.end());
        return data;
    }());
    EXPECT_EQ(saved.back(), 0x3B);
    EXPECT_EQ(DecodeWithGiflib(saved).frames.at(1).pixels, second.indices);
}

// --- Failures --------------------------------------------------------------------------

Bytes BitmapFile(uint16_t bitCount, int width, int height, uint32_t colorsUsed, int quads, int64_t pixelBytes)
{
    Bytes file(size_t(54 + 4 * quads + pixelBytes));
    auto put32 = [&](size_t at, uint32_t v) {
        for (int i = 0; i < 4; ++i)
            file[at + i] = uint8_t(v >> (8 * i));
    };
    file[0] = 'B';
    file[1] = 'M';
    put32(10, uint32_t(54 + 4 * quads));
    put32(14, 40);
    put32(18, uint32_t(width));
    put32(22, uint32_t(height));
    file[26] = 1;
    file[28] = uint8_t(bitCount);
    put32(46, colorsUsed);
    for (int i = 0; i < quads; ++i) {
        file[size_t(54 + 4 * i)] = uint8_t(i + 1); // blue
        file[size_t(54 + 4 * i + 2)] = uint8_t(200 - i); // red
    }
    return file;
}

TEST(GIFWriter, RefusalsCarryTheirMessages)
{
    const std::vector<std::pair<const char*, std::function<void()>>> noData = {
        {"no frames", [] { TGIFImage image; Save(image); }},
        {"frame without data or bitmap", [] { TGIFImage image; image.AppendFrame(nullptr); Save(image); }},
        {"empty bitmap", [] { TGIFImage image; image.AppendFrame(RandomMono(2, 2, 1)); image.FrameAt(0)->NewBitmap(); Save(image); }},
    };
    for (const auto& [name, action] : noData)
        EXPECT_EQ(FailureOf(action), "No GIF Data to write") << name;

    const std::vector<std::pair<const char*, Bytes>> badFiles = {
        {"24 bits", BitmapFile(24, 2, 2, 0, 0, 16)},
        {"rows past the end", BitmapFile(8, 16, 16, 0, 256, 16 * 15)},
        {"header cut short", [] { Bytes f = BitmapFile(8, 2, 2, 0, 0, 8); f.resize(30); return f; }()},
        {"compressed", [] { Bytes f = BitmapFile(8, 2, 2, 0, 0, 8); f[30] = 1; return f; }()},
        {"wider than a GIF", BitmapFile(8, 65536, 1, 0, 0, 65536)},
    };
    for (const auto& [name, file] : badFiles) {
        TGIFImage image;
        image.AppendFrame(RandomMono(2, 2, 1));
        TMemoryStream stream(file);
        EXPECT_EQ(FailureOf([&] { image.FrameAt(0)->EncodeDIB(stream); }), "GIF image encoding error") << name;
    }
}

// The colour slots come from what the file holds: its colours-used count, and
// never past its end; the table keeps the size of the depth.
TEST(GIFWriter, EncodeDIBReadsOnlyTheColoursTheFileHolds)
{
    struct Case {
        uint32_t colorsUsed;
        int quadsInFile;
        int expectedFromFile;
    };
    // The last file claims all slots but holds only 3 before its pixels.
    for (const Case& c : {Case{2, 2, 2}, Case{0, 256, 256}, Case{300, 256, 256}, Case{0, 3, 3}}) {
        TGIFImage image;
        image.AppendFrame(RandomMono(2, 2, 1));
        TMemoryStream stream(BitmapFile(8, 3, 2, c.colorsUsed, c.quadsInFile, 8));
        image.FrameAt(0)->EncodeDIB(stream);
        const TGIFPaletteRec& table = image.FrameAt(0)->Item().LocalTable;
        EXPECT_EQ(table.EntryCount, 256);
        for (int i = 0; i < 256; ++i) {
            const std::array<uint8_t, 3> expected =
                i < c.expectedFromFile ? std::array<uint8_t, 3>{uint8_t(200 - i), 0, uint8_t(i + 1)} : std::array<uint8_t, 3>{};
            ASSERT_EQ(table.Entries[size_t(i)], expected) << i;
        }
    }
}

// --- Where the bytes go ----------------------------------------------------------------

TEST(GIFWriter, StoredDataAndClipboardCarryALengthPrefix)
{
    TGIFImage image;
    Load(image, ReadFile(AssetsDir() + "/logo.gif"));
    const Bytes plain = Save(image);
    TMemoryStream stored;
    image.WriteStoredData(stored);
    EXPECT_EQ(stored.Bytes(), ReadFile(AssetsDir() + "/logo.data"));
    ASSERT_EQ(stored.Size(), int64_t(plain.size()) + 4);
    EXPECT_EQ(Bytes(stored.Bytes().begin() + 4, stored.Bytes().end()), plain);
    const uint32_t length = stored.Bytes()[0] | stored.Bytes()[1] << 8 | stored.Bytes()[2] << 16 | stored.Bytes()[3] << 24;
    EXPECT_EQ(length, plain.size());

    QMimeData mime;
    image.WriteToClipboard(mime);
    EXPECT_TRUE(mime.hasImage());
    const QByteArray clip = mime.data(TGIFImage::kClipboardMimeType), gif = mime.data(TGIFImage::kPlainMimeType);
    EXPECT_EQ(Bytes(clip.begin(), clip.end()), stored.Bytes());
    EXPECT_EQ(Bytes(gif.begin(), gif.end()), plain);

    // A frame that still needs encoding puts only the bitmap there.
    TGIFImage fresh;
    fresh.AppendFrame(RandomMono(3, 3, 1));
    QMimeData bitmapOnly;
    fresh.WriteToClipboard(bitmapOnly);
    EXPECT_TRUE(bitmapOnly.hasImage());
    EXPECT_FALSE(bitmapOnly.hasFormat(TGIFImage::kClipboardMimeType));
}

} // namespace
} // namespace scindra::test
