#include "GifBuilder.h"
#include "GifCases.h"
#include "GiflibOracle.h"

#include "gif/ColorReduction.h"
#include "gif/GIFImage.h"
#include "gif/KeyedDraw.h"
#include "rtl/Exception.h"
#include "rtl/TMemoryStream.h"

#include <QImage>
#include <QPainter>

#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace scindra::test {
namespace {

Bytes Save(TGIFImage& image)
{
    TMemoryStream out;
    return image.WriteToStream(out), out.Bytes();
}

void Load(TGIFImage& image, const Bytes& gif)
{
    TMemoryStream in(gif);
    image.ReadFromStream(in);
}

// The message of the E that `action` raises, empty when it raises none.
template <class E>
std::string FailureOf(const std::function<void()>& action)
{
    try {
        action();
    } catch (const E& e) {
        return e.Message();
    }
    return {};
}

namespace fs = std::filesystem;
const fs::path kAssets = SCINDRA_ASSETS_DIR;

Bytes ReadFile(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), {});
}

// The file as written, block by block: each extension from its label on, each
// frame's image data from its code size byte through the terminator.
struct LayoutFrame {
    std::vector<Bytes> extensions;
    uint8_t packed = 0;
    Bytes imageData;
    int LocalEntries() const { return packed & 0x80 ? 2 << (packed & 7) : 0; }
};
struct Layout {
    std::string signature;
    uint8_t packed = 0;
    std::vector<Bytes> leading, trailing; // application blocks before the first frame; blocks after the last
    std::vector<LayoutFrame> frames;
};

// Appends n bytes from `at` to `out` (at() stops a walk past the end).
void Take(const Bytes& gif, size_t& at, size_t n, Bytes& out)
{
    for (const size_t end = at + n; at < end; ++at)
        out.push_back(gif.at(at));
}

void TakeSubBlocks(const Bytes& gif, size_t& at, Bytes& out)
{
    for (uint8_t n = 1; n != 0;)
        Take(gif, at, (n = gif.at(at)) + 1u, out);
}

Layout ParseLayout(const Bytes& gif)
{
    Layout layout;
    size_t at = 0;
    Bytes header;
    Take(gif, at, 13, header);
    layout.signature.assign(header.begin(), header.begin() + 6);
    layout.packed = header[10];
    Take(gif, at, layout.packed & 0x80 ? 6u << (layout.packed & 7) : 0, header);
    std::vector<Bytes> pending;
    for (uint8_t introducer; (introducer = gif.at(at++)) != 0x3B;) {
        if (introducer == 0x21) {
            Bytes extension{gif.at(at++)};
            TakeSubBlocks(gif, at, extension);
            (layout.frames.empty() && extension[0] == 0xFF ? layout.leading : pending).push_back(extension);
            continue;
        }
        EXPECT_EQ(introducer, 0x2C);
        LayoutFrame frame{std::move(pending), gif.at(at + 8), {}};
        pending.clear();
        Take(gif, at, 9 + 3 * size_t(frame.LocalEntries()), header);
        Take(gif, at, 1, frame.imageData);
        TakeSubBlocks(gif, at, frame.imageData);
        layout.frames.push_back(frame);
    }
    layout.trailing = pending;
    return layout;
}

std::vector<int> SubBlockLengths(const Bytes& extension)
{
    std::vector<int> lengths;
    for (size_t at = 1; at < extension.size() && extension[at] != 0; at += 1 + extension[at])
        lengths.push_back(extension[at]);
    return lengths;
}

QImage Indexed(QImage::Format format, int width, int height, int colours, uint32_t seed)
{
    QImage image(width, height, format);
    QVector<QRgb> table;
    for (int i = 0; i < colours; ++i)
        table.push_back(qRgb(i * 37 % 256, 255 - i, i * 11 % 256));
    image.setColorTable(table);
    const Pixels noise = NoisePixels(width, height, colours, seed);
    for (int i = 0; i < width * height; ++i)
        image.setPixel(i % width, i / width, noise.At(i % width, i / width));
    return image;
}

// Every pixel's colour, row by row.
std::vector<QRgb> ColoursOf(const QImage& image)
{
    std::vector<QRgb> colours;
    for (int i = 0; i < image.width() * image.height(); ++i)
        colours.push_back(image.pixel(i % image.width(), i / image.width()) | 0xFF000000);
    return colours;
}

QImage Mono(int size = 4) { return Indexed(QImage::Format_Mono, size, size, 2, 9); }

// Shaded colours, far more than 256 of them.
QImage TrueColor(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    for (int i = 0; i < width * height; ++i)
        image.setPixel(i % width, i / width, qRgb(i % width * 5 % 256, i / width * 7 % 256, (i % width) * (i / width) % 256));
    return image;
}

ImageBlock Block(Pixels pixels, int codeSize = 8, std::optional<Palette> localTable = std::nullopt)
{
    ImageBlock block;
    block.pixels = std::move(pixels);
    block.localTable = std::move(localTable);
    block.lzw.codeSize = codeSize;
    return block;
}

// Frames read from a file go back out with their data untouched, and the
// colour resolution field is the global table's bits less one.
TEST(GIFWriter, LoadThenSaveKeepsEveryFramesDataByteForByte)
{
    const Bytes logo = ReadFile(kAssets / "logo.gif");
    TGIFImage image;
    Load(image, logo);
    EXPECT_EQ(Save(image), logo);
    for (const GifCase& c : OracleCases()) {
        SCOPED_TRACE(c.name);
        TGIFImage copy;
        Load(copy, c.gif);
        const Layout before = ParseLayout(c.gif), after = ParseLayout(Save(copy));
        EXPECT_EQ(after.packed >> 4 & 7, before.packed & 0x80 ? before.packed & 7 : after.packed >> 4 & 7);
        ASSERT_EQ(after.frames.size(), before.frames.size());
        for (size_t i = 0; i < before.frames.size(); ++i)
            EXPECT_EQ(after.frames[i].imageData, before.frames[i].imageData) << "frame " << i;
    }
}

// The codes of an image data run as a reader takes them: each with its width
// and the number of pixels decoded before it.
struct Code {
    uint32_t value;
    int width;
    uint32_t pixelsBefore;
};
std::vector<Code> ReadCodes(const Bytes& imageData)
{
    Bytes packed;
    for (size_t at = 1; imageData.at(at) != 0; at += 1 + imageData[at])
        packed.insert(packed.end(), &imageData[at + 1], &imageData[at + 1] + imageData[at]);
    const uint32_t clear = 1u << imageData[0];
    std::vector<uint32_t> lengths(4096, 1); // pixels in each code's string
    std::vector<Code> codes;
    uint32_t next = clear + 2, previous = 0, pixels = 0;
    int width = imageData[0] + 1;
    for (size_t bit = 0; bit + size_t(width) <= packed.size() * 8 && previous != clear + 1;) {
        uint32_t code = 0;
        for (int i = 0; i < width; ++i, ++bit)
            code |= uint32_t(packed[bit / 8] >> (bit % 8) & 1) << i;
        codes.push_back({code, width, pixels});
        if (code == clear) {
            width = imageData[0] + 1, next = clear + 2;
        } else if (code != clear + 1) {
            pixels += code < clear ? 1 : code < next ? lengths[code] : lengths[previous] + 1;
            if (previous != clear && codes.size() > 1 && next < 4096) {
                lengths[next++] = lengths[previous] + 1;
                width += next == (1u << width) && width < 12;
            }
        }
        previous = code;
    }
    return codes;
}

// A bitmap of each depth goes out as one 87a frame with a global table and no
// extension, and giflib and our reader both see its colours again (24-bit: as
// reduced). Whenever the last assigned code reaches 4094 the pending pixel goes
// out alone, then a clear, and the next code has the initial width again.
TEST(GIFWriter, EncodedBitmapsDecodeBackToTheirColours)
{
    const std::vector<std::tuple<QImage, int, bool>> cases = {
        {Indexed(QImage::Format_Mono, 401, 300, 2, 3), 2, false},
        {Indexed(QImage::Format_Indexed8, 41, 17, 16, 4), 4, false},
        {Indexed(QImage::Format_Indexed8, 400, 300, 256, 5), 8, false},
        {TrueColor(200, 150), 8, false},
        // This noise fills the table on its last pixel: that pixel goes out once.
        {Indexed(QImage::Format_Indexed8, 3947, 1, 256, 11), 8, true},
        // Here the reader's entry for the last code fills 9 bits: the end code goes out with 10.
        {Indexed(QImage::Format_Indexed8, 4207, 1, 256, 1), 8, false},
    };
    for (const auto& [source, codeSize, clearBeforeEnd] : cases) {
        SCOPED_TRACE(testing::Message() << source.depth() << " bits, " << source.width() << " wide");
        TGIFImage image;
        image.AppendFrame(source);
        const Bytes gif = Save(image);
        const Layout layout = ParseLayout(gif);
        ASSERT_EQ(layout.frames.size(), 1u);
        EXPECT_EQ(std::tuple(layout.signature, layout.packed & 0x80, layout.frames[0].LocalEntries(),
                             layout.frames[0].extensions.size(), int(layout.frames[0].imageData[0])),
                  std::tuple("GIF87a", 0x80, 0, 0u, codeSize));

        const std::vector<Code> codes = ReadCodes(layout.frames[0].imageData);
        const uint32_t clear = 1u << codeSize;
        EXPECT_EQ(std::tuple(codes.front().value, codes.back().value, codes.back().pixelsBefore,
                             codes.at(codes.size() - 2).value == clear),
                  std::tuple(clear, clear + 1, uint32_t(source.width() * source.height()), clearBeforeEnd));
        size_t last = 0;
        for (size_t i = 1; i < codes.size(); ++i)
            if (codes[i].value == clear) {
                // So many codes since the previous clear, a single pixel before it, full width, then initial width.
                EXPECT_EQ(std::tuple(i - last - 1, codes[i - 1].value < clear, codes[i].width, codes.at(i + 1).width),
                          std::tuple(4094 - clear, true, 12, codeSize + 1));
                last = i;
            }
        EXPECT_EQ(last > 0, source.width() > 100) << "the table filled";

        TMemoryStream reducedFile;
        ReduceColors(source, ReductionMethod::Popularity, kColorNone, reducedFile);
        const QImage reference =
            source.colorCount() > 0 ? source : QImage::fromData(reducedFile.Bytes().data(), int(reducedFile.Size()), "BMP");
        const OracleImage decoded = DecodeWithGiflib(gif);
        ASSERT_TRUE(decoded.ok) << decoded.error;
        std::vector<QRgb> giflibColours;
        for (uint8_t index : decoded.frames.at(0).indices) {
            const Rgb& rgb = decoded.frames[0].colours.at(index);
            giflibColours.push_back(qRgb(rgb.r, rgb.g, rgb.b));
        }
        EXPECT_EQ(giflibColours, ColoursOf(reference));
        TGIFImage reread;
        Load(reread, gif);
        EXPECT_EQ(ColoursOf(reread.FrameAt(0)->RenderBitmap()), ColoursOf(reference));
    }
}

// A transparent true-colour picture keeps exactly its transparent pixels,
// though a colour masks onto the key when the colours are reduced: (5, 2, 4)
// among pixels of the key, or the left half's (100, 100, 101) when no pixel
// has the key (100, 100, 100).
TEST(GIFWriter, ReducingATransparentPictureKeepsAnExactSlotForTheKey)
{
    struct Case { const char* name; QRect keyArea; QRgb key; QRect nearKeyArea; QRgb nearKey; };
    const Case cases[] = {
        {"key present", QRect(5, 10, 45, 20), qRgb(4, 2, 4), QRect(60, 50, 1, 1), qRgb(5, 2, 4)},
        {"key absent", QRect(), qRgb(100, 100, 100), QRect(0, 0, 50, 60), qRgb(100, 100, 101)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QImage source = TrueColor(100, 60);
        QPainter painter(&source);
        painter.fillRect(c.keyArea, QColor(c.key));
        painter.fillRect(c.nearKeyArea, QColor(c.nearKey));
        painter.end();
        TGIFImage image;
        image.AppendFrame(source, QRgbToColor(c.key));
        const OracleImage decoded = DecodeWithGiflib(Save(image));
        const OracleFrame& frame = decoded.frames.at(0);
        int transparent = 0;
        for (int i = 0; i < 100 * 60; ++i) {
            const bool keyed = frame.indices[size_t(i)] == frame.transparent;
            transparent += keyed;
            ASSERT_EQ(keyed, source.pixel(i % 100, i / 100) == c.key) << i;
        }
        EXPECT_EQ(transparent, c.keyArea.width() * c.keyArea.height());
    }
}

// No pixel has the key, and still no slot may hold its colour: the grey
// level (51, 50, 49) shares with the key, or the spare mid-grey slots.
TEST(ColorReduction, AnAbsentKeyColourIsInNoSlot)
{
    const std::tuple<ReducedPixels (*)(const TrueColorPixels&, const RGBTriple*), RGBTriple, RGBTriple> cases[] = {
        {ReduceGray, {51, 50, 49}, {50, 50, 50}}, {ReducePopularity, {7, 7, 7}, {128, 128, 128}}};
    for (const auto& [reduce, colour, key] : cases) {
        const ReducedPixels reduced = reduce(TrueColorPixels{3, 1, std::vector<RGBTriple>(3, colour)}, &key);
        EXPECT_EQ(std::count(reduced.palette.begin(), reduced.palette.end(), key), 0) << int(key.r);
    }
}

// What each change writes: the signature, the first frame's extensions, and
// the blocks before the first frame (the loop block).
TEST(GIFWriter, BlocksAndVersionFollowTheContent)
{
    const Bytes loop{0xFF, 11, 'N', 'E', 'T', 'S', 'C', 'A', 'P', 'E', '2', '.', '0', 3, 1, 700 & 0xFF, 700 >> 8, 0};
    using Change = std::function<void(TGIFImage&)>;
    const std::vector<std::tuple<const char*, Change, std::string, std::vector<Bytes>, std::vector<Bytes>>> cases = {
        {"plain bitmap", [](TGIFImage&) {}, "GIF87a", {}, {}},
        // Delay in hundredths, the key's slot, the disposal in bits 2-4.
        {"control", [](TGIFImage& i) { i.FrameAt(0)->SetDelayMs(150), i.FrameAt(0)->SetKeyColor(0x0BFE25),
                                       i.FrameAt(0)->SetDisposal(dpRestoreBackground); },
         "GIF89a", {{0xF9, 4, 2 << 2 | 1, 15, 0, 1, 0}}, {}},
        {"image comment", [](TGIFImage& i) { i.Data().ImageComment = {"hi"}; }, "GIF89a", {}, {}},
        {"empty frame comment", [](TGIFImage& i) { i.FrameAt(0)->SetFrameComment({}); }, "GIF87a", {}, {}},
        // Comments of empty lines only are no comments: nothing to write.
        {"frame comment of empty lines", [](TGIFImage& i) { i.FrameAt(0)->SetFrameComment({"", ""}); }, "GIF87a", {}, {}},
        {"image comment of empty lines", [](TGIFImage& i) { i.Data().ImageComment = {""}; }, "GIF87a", {}, {}},
        {"two frames, loop", [](TGIFImage& i) { i.AppendFrame(Mono(3)); }, "GIF89a", {}, {loop}},
        {"two frames, no loop", [](TGIFImage& i) { i.AppendFrame(Mono(3)); i.SetLoopEnabled(false); }, "GIF89a", {}, {}},
        {"unknown version", [](TGIFImage& i) { i.SetFormatVersion(fvUnknown); }, "GIF87a", {}, {}},
    };
    for (const auto& [name, change, signature, extensions, leading] : cases) {
        TGIFImage image;
        image.AppendFrame(Mono()); // colours (0, 255, 0) and (37, 254, 11)
        image.SetLoopEnabled(true);
        image.SetLoopCount(700);
        change(image);
        const Bytes saved = Save(image);
        const Layout layout = ParseLayout(saved);
        EXPECT_EQ(std::tie(layout.signature, layout.frames.at(0).extensions, layout.leading),
                  std::tie(signature, extensions, leading)) << name;
        EXPECT_TRUE(layout.trailing.empty() || std::string(name) == "image comment") << name;
        EXPECT_TRUE(DecodeWithGiflib(saved).ok) << name;
    }
}

// Lines longer than a sub-block are split, not cut; empty lines are left out.
TEST(GIFWriter, CommentsAreSplitIntoSubBlocks)
{
    TGIFImage image;
    image.AppendFrame(Mono());
    image.Data().ImageComment = {std::string(300, 'x'), "", "ok"};
    image.FrameAt(0)->SetFrameComment({std::string(255, 'y'), std::string(256, 'z')});
    const Layout layout = ParseLayout(Save(image));
    ASSERT_EQ(layout.trailing.size(), 1u);
    EXPECT_EQ(SubBlockLengths(layout.trailing[0]), (std::vector<int>{255, 45, 2}));
    EXPECT_EQ(SubBlockLengths(layout.frames.at(0).extensions.at(0)), (std::vector<int>{255, 255, 1}));
}

// A 256-entry table whose entries 0 and 254 are both black; the file names 254.
Bytes TwoBlacks(uint16_t delay)
{
    Palette palette = DistinctPalette(256);
    palette[0] = palette[254] = Rgb{0, 0, 0};
    GifBuilder gif;
    gif.Header("89a").Screen(8, 8, palette).Control({1, delay, 254, false});
    return gif.Image(Block(NoisePixels(8, 8, 256, 2))).Trailer().Build();
}

TEST(GIFWriter, GraphicControlOfAFileReadBackKeepsWhatStillHolds)
{
    const std::vector<std::tuple<const char*, uint16_t, std::function<void(TGIFFrame&)>, Bytes>> cases = {
        // The named slot still holds the key: not the first black slot.
        {"same", 7, [](TGIFFrame&) {}, {0xF9, 4, 1 << 2 | 1, 7, 0, 254, 0}},
        // More milliseconds than DelayMs holds: written back as read.
        {"long delay", 6554, [](TGIFFrame&) {}, {0xF9, 4, 1 << 2 | 1, 6554 & 0xFF, 6554 >> 8, 254, 0}},
        {"absent key", 7, [](TGIFFrame& f) { f.SetKeyColor(0x123456); }, {0xF9, 4, 1 << 2, 7, 0, 254, 0}},
        {"other key", 7, [](TGIFFrame& f) { f.SetKeyColor(0x26FA05); }, {0xF9, 4, 1 << 2 | 1, 7, 0, 5, 0}},
        // No table flag for an empty local table, and no key in it.
        {"empty local table", 7, [](TGIFFrame& f) { f.SetHasLocalTable(true), f.Item().LocalTable.EntryCount = 0; },
         {0xF9, 4, 1 << 2, 7, 0, 254, 0}},
    };
    for (const auto& [name, delay, change, control] : cases) {
        TGIFImage image;
        Load(image, TwoBlacks(delay));
        change(*image.FrameAt(0));
        const LayoutFrame frame = ParseLayout(Save(image)).frames.at(0);
        EXPECT_EQ(std::pair(frame.extensions, frame.LocalEntries()), std::pair(std::vector<Bytes>{control}, 0)) << name;
    }
}

// Without a global table a frame always takes its own along.
TEST(GIFWriter, EveryFrameGoesOutWithAColourTable)
{
    TGIFImage image;
    Load(image, GifBuilder().Header("87a").Screen(6, 6).Image(Block(NoisePixels(6, 6, 4, 3), 2, DistinctPalette(4))).Trailer().Build());
    image.FrameAt(0)->SetHasLocalTable(false);
    const Bytes saved = Save(image);
    EXPECT_EQ(ParseLayout(saved).frames.at(0).LocalEntries(), 4);
    EXPECT_TRUE(DecodeWithGiflib(saved).ok);
}

// A file cut off after the last frame's sub-blocks: the terminator is written
// back, so the trailer is not taken for image data.
TEST(GIFWriter, TruncatedFrameGetsItsTerminatorBack)
{
    const Pixels second = NoisePixels(8, 8, 16, 2);
    const Bytes lzw = LzwEncode(second.indices, {4});
    GifBuilder gif;
    gif.Header("89a").Screen(8, 8, DistinctPalette(16)).Image(Block(NoisePixels(8, 8, 16, 1), 4));
    gif.Descriptor(0, 0, 8, 8, 0).ImageData(4, lzw, 255, false);
    TGIFImage image;
    Load(image, gif.Build());
    ASSERT_EQ(image.FrameCount(), 2);
    const Bytes saved = Save(image);
    Bytes expected = SubBlocks(lzw);
    expected.insert(expected.begin(), 4);
    EXPECT_EQ(ParseLayout(saved).frames.at(1).imageData, expected);
    EXPECT_EQ(DecodeWithGiflib(saved).frames.at(1).indices, second.indices);
}

// A bitmap file: 8-bit unless told, colour quads blue i+1 and red 200-i.
Bytes BitmapFile(int width, int height, uint32_t colorsUsed, int quads, int64_t pixelBytes, uint16_t bitCount = 8)
{
    Bytes file(size_t(54 + 4 * quads + pixelBytes));
    const auto put32 = [&](size_t at, uint32_t v) {
        for (int i = 0; i < 4; ++i)
            file[at + i] = uint8_t(v >> (8 * i));
    };
    file[0] = 'B', file[1] = 'M', file[26] = 1, file[28] = uint8_t(bitCount);
    put32(10, uint32_t(54 + 4 * quads)), put32(14, 40), put32(18, uint32_t(width)), put32(22, uint32_t(height));
    put32(46, colorsUsed);
    for (int i = 0; i < quads; ++i)
        file[size_t(54 + 4 * i)] = uint8_t(i + 1), file[size_t(56 + 4 * i)] = uint8_t(200 - i);
    return file;
}

std::function<void(TGIFImage&)> EncodeFile(const Bytes& file)
{
    return [file](TGIFImage& image) {
        image.AppendFrame(Mono());
        TMemoryStream stream(file);
        image.FrameAt(0)->EncodeDIB(stream);
    };
}

TEST(GIFWriter, RefusalsCarryTheirMessages)
{
    const std::string noData = "No GIF Data to write", encoding = "GIF image encoding error";
    const std::vector<std::tuple<const char*, std::function<void(TGIFImage&)>, std::string>> cases = {
        {"no frames", [](TGIFImage& i) { Save(i); }, noData},
        {"frame without data or bitmap", [](TGIFImage& i) { i.AppendFrame(nullptr), Save(i); }, noData},
        {"empty bitmap", [](TGIFImage& i) { i.AppendFrame(Mono()), i.FrameAt(0)->NewBitmap(), Save(i); }, noData},
        {"24 bits", EncodeFile(BitmapFile(2, 2, 0, 0, 16, 24)), encoding},
        {"rows past the end", EncodeFile(BitmapFile(16, 16, 0, 256, 16 * 15)), encoding},
        {"header cut short", EncodeFile([] { Bytes f = BitmapFile(2, 2, 0, 0, 8); f.resize(30); return f; }()), encoding},
        {"wider than a GIF", EncodeFile(BitmapFile(65536, 1, 0, 0, 65536)), encoding},
    };
    for (const auto& [name, action, message] : cases) {
        TGIFImage image;
        EXPECT_EQ(FailureOf<EInvalidGraphicOperation>([&] { action(image); }), message) << name;
    }
}

// A file that claims all 256 colours but holds only 3 before its pixels: the
// other slots stay black, nothing past the file's end is read.
TEST(GIFWriter, EncodeDIBReadsOnlyTheColoursTheFileHolds)
{
    TGIFImage image;
    image.AppendFrame(Mono());
    TMemoryStream stream(BitmapFile(3, 2, 0, 3, 8));
    image.FrameAt(0)->EncodeDIB(stream);
    const TGIFPaletteRec& table = image.FrameAt(0)->Item().LocalTable;
    ASSERT_EQ(table.EntryCount, 256);
    for (int i = 0; i < 256; ++i)
        ASSERT_EQ(table.Entries[size_t(i)], (i < 3 ? std::array<uint8_t, 3>{uint8_t(200 - i), 0, uint8_t(i + 1)}
                                                   : std::array<uint8_t, 3>{})) << i;
}

struct TempFolder {
    TempFolder() { path = mkdtemp((fs::temp_directory_path() / "scindra_gif_write_XXXXXX").string().data()); }
    ~TempFolder() { fs::remove_all(path); }
    size_t EntryCount() const { return size_t(std::distance(fs::directory_iterator(path), {})); }
    fs::path path;
};

// Replaces the target whole, or leaves it as it was: into a missing folder, and
// under a file-size limit in a child (a full disk looks the same).
TEST(SaveToFile, ReplacesTheTargetWholeOrNotAtAll)
{
    TGIFImage image;
    image.AppendFrame(Indexed(QImage::Format_Indexed8, 400, 400, 256, 1)); // noise: a few hundred kilobytes
    TempFolder folder;
    const fs::path target = folder.path / "picture.gif", absent = folder.path / "absent" / "picture.gif";
    std::ofstream(target) << "old";
    image.SaveToFile(target.string());
    EXPECT_EQ(ReadFile(target), Save(image));
    EXPECT_EQ(FailureOf<EFCreateError>([&] { image.SaveToFile(absent.string()); }),
              "Impossible de créer le fichier " + absent.string());

    std::ofstream(target) << "the good old picture";
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{64 * 1024, 64 * 1024};
        setrlimit(RLIMIT_FSIZE, &limit);
        // The failure names the file, as the create error does.
        const std::string failure = FailureOf<EWriteError>([&] { image.SaveToFile(target.string()); });
        _exit(failure.empty() ? 2 : failure == "Erreur d'écriture dans le fichier " + target.string() ? 0 : 3);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "2: saved despite the limit, 3: another message";
    const Bytes kept = ReadFile(target);
    EXPECT_EQ(std::string(kept.begin(), kept.end()), "the good old picture");
    EXPECT_EQ(folder.EntryCount(), 1u) << "no temporary file is left behind";
}

// 22 frames of 70 x 52 over a 256-entry global table, a second apart, 254 the
// key (4, 2, 4); all but the last restore the background; looping for ever.
// The logo tool draws without fonts or library trigonometry: run again, it
// gives the committed bytes.
TEST(Logo, MatchesItsTableWithOurReaderAndGiflibAndIsReproducible)
{
    TempFolder folder;
    const std::string command = std::string(SCINDRA_MAKE_LOGO) + " " + folder.path.string() + " > /dev/null";
    ASSERT_EQ(std::system(command.c_str()), 0);
    const Bytes gif = ReadFile(kAssets / "logo.gif"), stored = ReadFile(kAssets / "logo.data");
    EXPECT_EQ(ReadFile(folder.path / "logo.gif"), gif);
    EXPECT_EQ(ReadFile(folder.path / "logo.data"), stored);
    ASSERT_EQ(stored.size(), gif.size() + 4);
    EXPECT_EQ(uint32_t(stored[0] | stored[1] << 8 | stored[2] << 16 | stored[3] << 24), gif.size());
    EXPECT_EQ(Bytes(stored.begin() + 4, stored.end()), gif);

    TGIFImage logo;
    TMemoryStream in(stored);
    logo.ReadStoredData(in);
    EXPECT_EQ(std::tuple(logo.FormatVersion(), logo.LogicalWidth(), logo.LogicalHeight(), logo.Data().GlobalTable.EntryCount,
                         logo.BackdropColor(), logo.LoopEnabled(), logo.LoopCount()),
              std::tuple(fv89a, 70, 52, 256, 0x040204u, true, 0));
    const OracleImage oracle = DecodeWithGiflib(gif);
    ASSERT_TRUE(oracle.ok) << oracle.error;
    ASSERT_EQ(std::pair(logo.FrameCount(), oracle.frames.size()), std::pair(22, size_t(22)));
    for (int k = 0; k < 22; ++k) {
        SCOPED_TRACE(k);
        TGIFFrame& frame = *logo.FrameAt(k);
        const OracleFrame& o = oracle.frames[size_t(k)];
        EXPECT_FALSE(frame.HasLocalTable() || frame.IsInterlaced() || frame.IsDamaged());
        EXPECT_EQ(std::tuple(frame.DelayMs(), frame.KeyColor(), frame.TransparentIndex(), frame.Disposal()),
                  std::tuple(100, 0x040204u, 254, k < 21 ? dpRestoreBackground : dpKeep));
        EXPECT_EQ(std::tuple(o.left, o.top, o.width, o.height, o.interlaced, o.colours.size(), o.colours.at(254)),
                  std::tuple(0, 0, 70, 52, false, 256u, Rgb{4, 2, 4}));
        EXPECT_EQ(std::tuple(o.delayHundredths, o.transparent, o.disposal), std::tuple(10, 254, k < 21 ? 2 : 1));
        const QImage& bitmap = frame.RenderBitmap();
        ASSERT_EQ(bitmap.size(), QSize(70, 52));
        for (int y = 0; y < 52; ++y)
            for (int x = 0; x < 70; ++x)
                ASSERT_EQ(bitmap.pixelIndex(x, y), o.indices[size_t(y * 70 + x)]) << x << "," << y;
    }
}

} // namespace
} // namespace scindra::test
