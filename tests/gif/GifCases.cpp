#include "GifCases.h"

#include <algorithm>
#include <utility>

namespace scindra::test {

namespace {

// One frame with the palette as global table.
GifCase Single(std::string name, Pixels pixels, const Palette& palette, LzwOptions lzw, bool interlaced = false,
               int blockSize = 255)
{
    GifBuilder b;
    b.Header("89a").Screen(static_cast<uint16_t>(pixels.width), static_cast<uint16_t>(pixels.height), palette);
    ImageSpec image;
    image.pixels = pixels;
    image.interlaced = interlaced;
    image.lzw = lzw;
    image.blockSize = blockSize;
    b.Image(image).Trailer();
    return GifCase{std::move(name), b.Build(), {ExpectedFrame{0, 0, std::move(pixels), palette, -1}}};
}

LzwOptions Lzw(int codeSize, bool leadingClear = true, FullTable whenFull = FullTable::Clear, bool endCode = true)
{
    return LzwOptions{codeSize, leadingClear, endCode, whenFull};
}

void AddCodeSizes(std::vector<GifCase>& cases)
{
    for (int s = 2; s <= 8; ++s) {
        const int colours = 1 << s;
        const Palette palette = DistinctPalette(colours);
        const std::string n = std::to_string(s);
        cases.push_back(Single("CodeSize" + n + "_Noise", NoisePixels(61, 37, colours, s), palette, Lzw(s)));
        cases.push_back(Single("CodeSize" + n + "_Photo", PhotoPixels(97, 53, colours, s), palette, Lzw(s)));
        cases.push_back(Single("CodeSize" + n + "_NoLeadingClear", PhotoPixels(83, 41, colours, s + 10), palette,
                               Lzw(s, false)));
    }
    // Two- and eight-entry tables: the 1-bit and the 4-bit-with-grey-slots bitmaps.
    cases.push_back(Single("TwoColourTable", NoisePixels(45, 19, 2, 3), DistinctPalette(2), Lzw(2)));
    cases.push_back(Single("EightColourTable", PhotoPixels(33, 27, 8, 4), DistinctPalette(8), Lzw(3)));
}

void AddInterlaced(std::vector<GifCase>& cases)
{
    for (int h = 1; h <= 9; ++h)
        cases.push_back(Single("Interlaced_Height" + std::to_string(h), NoisePixels(5, h, 16, 100 + h),
                               DistinctPalette(16), Lzw(4), true));
    cases.push_back(Single("Interlaced_Large", PhotoPixels(201, 157, 256, 7), DistinctPalette(256), Lzw(8), true));
    cases.push_back(Single("Interlaced_NoLeadingClear", PhotoPixels(64, 23, 32, 8), DistinctPalette(32),
                           Lzw(5, false), true));
}

void AddFullTables(std::vector<GifCase>& cases)
{
    const Palette p256 = DistinctPalette(256);
    cases.push_back(Single("FullTable_Clear", NoisePixels(300, 200, 256, 9), p256, Lzw(8)));
    cases.push_back(Single("FullTable_NoClear", NoisePixels(300, 200, 256, 10), p256, Lzw(8, true, FullTable::Keep)));
    cases.push_back(
        Single("FullTable_NoClear_Photo", PhotoPixels(320, 240, 256, 11), p256, Lzw(8, true, FullTable::Keep)));
    cases.push_back(Single("FullTable_NoClear_CodeSize2", NoisePixels(400, 300, 4, 12), DistinctPalette(4),
                           Lzw(2, true, FullTable::Keep)));
    cases.push_back(Single("FullTable_NoClear_NoLeadingClear", NoisePixels(250, 200, 64, 13), DistinctPalette(64),
                           Lzw(6, false, FullTable::Keep)));
    cases.push_back(
        Single("FullTable_Clear_NoLeadingClear", NoisePixels(250, 200, 256, 14), p256, Lzw(8, false)));
}

void AddTableAndCodeSizeMismatch(std::vector<GifCase>& cases)
{
    // Optimisers write small code sizes under big tables and the reverse.
    cases.push_back(Single("Table256_CodeSize4", PhotoPixels(71, 43, 16, 15), DistinctPalette(256), Lzw(4)));
    cases.push_back(Single("Table256_CodeSize2", NoisePixels(40, 40, 4, 16), DistinctPalette(256), Lzw(2)));
    cases.push_back(Single("Table16_CodeSize8", PhotoPixels(71, 43, 16, 17), DistinctPalette(16), Lzw(8)));
    cases.push_back(Single("Table2_CodeSize8", NoisePixels(33, 9, 2, 18), DistinctPalette(2), Lzw(8)));
}

void AddStreamShapes(std::vector<GifCase>& cases)
{
    const Palette p64 = DistinctPalette(64);
    for (int size : {1, 7, 254})
        cases.push_back(Single("SubBlocks" + std::to_string(size), PhotoPixels(90, 30, 64, 19), p64, Lzw(6), false,
                               size));
    cases.push_back(Single("NoEndCode", PhotoPixels(90, 30, 64, 20), p64, Lzw(6, true, FullTable::Clear, false)));
    for (int every : {1, 5, 253, 254, 255, 766, 1790})
        cases.push_back(Single("ClearAfter" + std::to_string(every), PhotoPixels(120, 90, 256, 22), DistinctPalette(256),
                               LzwOptions{8, true, true, FullTable::Clear, every}));
    cases.push_back(Single("FlatRuns", FlatPixels(300, 50, 5), DistinctPalette(8), Lzw(3)));

    // Two clears in a row, then a short stream that widens the codes once.
    GifBuilder b;
    b.Header("89a").Screen(3, 2, DistinctPalette(4));
    b.Descriptor(0, 0, 3, 2, 0).ImageData(2, PackCodes(SizeCodes(2, {4, 4, 1, 2, 3, 6, 0, 5}))).Trailer();
    cases.push_back(GifCase{"DoubleClear", b.Build(),
                            {ExpectedFrame{0, 0, Pixels{3, 2, {1, 2, 3, 1, 2, 0}}, DistinctPalette(4), -1}}});

    GifBuilder v87;
    v87.Header("87a").Screen(20, 10, DistinctPalette(16));
    ImageSpec image;
    image.pixels = PhotoPixels(20, 10, 16, 21);
    image.lzw = Lzw(4);
    v87.Image(image).Trailer();
    cases.push_back(GifCase{"Version87a", v87.Build(), {ExpectedFrame{0, 0, image.pixels, DistinctPalette(16), -1}}});
}

// Several frames: local tables (with and without a global one), offsets,
// transparency, comments, a loop block and plain text between frames.
struct FramePlan {
    uint16_t left, top;
    int width, height, colours;
    bool local, interlaced;
    int transparent;
};

GifCase Animation(std::string name, bool global, const std::vector<FramePlan>& plans, uint16_t w, uint16_t h)
{
    GifBuilder b;
    const Palette globalTable = DistinctPalette(4);
    b.Header("89a").Screen(w, h, global ? std::optional<Palette>(globalTable) : std::nullopt);
    b.Loop(0).Comment("made by the tests");
    GifCase c{std::move(name), {}, {}};
    uint32_t seed = 30;
    for (const FramePlan& plan : plans) {
        ImageSpec image;
        image.left = plan.left;
        image.top = plan.top;
        Palette table = plan.local ? DistinctPalette(plan.colours) : globalTable;
        image.pixels = PhotoPixels(plan.width, plan.height, static_cast<int>(table.size()), ++seed);
        image.interlaced = plan.interlaced;
        if (plan.local) {
            for (Rgb& rgb : table)
                rgb.b = static_cast<uint8_t>(rgb.b ^ seed); // each local table its own colours
            image.localTable = table;
        }
        image.lzw = Lzw(std::max(2, TableBitsFor(table.size())));
        GraphicControl control;
        control.delayHundredths = static_cast<uint16_t>(seed);
        control.disposal = static_cast<int>(seed % 4);
        if (plan.transparent >= 0)
            control.transparent = static_cast<uint8_t>(plan.transparent);
        b.Control(control).Image(image);
        if (seed % 2 == 0)
            b.Comment("between frames");
        c.frames.push_back(ExpectedFrame{plan.left, plan.top, image.pixels, table, plan.transparent});
    }
    c.gif = b.Trailer().Build();
    return c;
}

void AddAnimations(std::vector<GifCase>& cases)
{
    cases.push_back(Animation("LocalTables", true,
                              {{0, 0, 50, 40, 4, false, false, -1},
                               {0, 0, 50, 40, 16, true, false, -1},
                               {5, 6, 20, 10, 256, true, true, -1},
                               {0, 0, 50, 40, 4, false, false, -1}},
                              50, 40));
    cases.push_back(Animation("LocalTablesNoGlobal", false,
                              {{0, 0, 30, 30, 8, true, false, -1}, {1, 2, 29, 28, 128, true, false, 5}}, 30, 30));
    cases.push_back(Animation("Transparency", true,
                              {{0, 0, 40, 40, 4, false, false, 3},
                               {0, 0, 40, 40, 32, true, false, 0},
                               {0, 0, 40, 40, 256, true, false, 255}},
                              40, 40));
    cases.push_back(Animation("Offsets", true,
                              {{0, 0, 100, 80, 4, false, false, -1},
                               {13, 7, 20, 30, 16, true, false, 2},
                               {99, 79, 1, 1, 4, false, false, -1},
                               {50, 0, 50, 80, 64, true, true, -1},
                               {0, 60, 100, 20, 4, false, true, 1}},
                              100, 80));
    std::vector<FramePlan> many;
    for (int i = 0; i < 24; ++i)
        many.push_back(FramePlan{static_cast<uint16_t>(i), static_cast<uint16_t>(i / 2), 40 - i, 30 - i,
                                 2 << (i % 8), i % 3 != 0, i % 5 == 0, i % 4 == 0 ? 1 : -1});
    cases.push_back(Animation("ManyFrames", true, many, 64, 48));
}

} // namespace

std::vector<GifCase> OracleCases()
{
    std::vector<GifCase> cases;
    AddCodeSizes(cases);
    AddInterlaced(cases);
    AddFullTables(cases);
    AddTableAndCodeSizeMismatch(cases);
    AddStreamShapes(cases);
    AddAnimations(cases);
    return cases;
}

} // namespace scindra::test
