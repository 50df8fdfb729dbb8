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
    b.Image({0, 0, pixels, std::nullopt, interlaced, lzw, blockSize}).Trailer();
    return GifCase{std::move(name), b.Build(), {ExpectedFrame{0, 0, std::move(pixels), palette, -1}}};
}

// Code streams of other encoders: every code size, a first code that is not
// a clear, tables that fill to 4095 entries with and without a clear, code
// sizes smaller and larger than the table, short sub-blocks, no end code.
void AddStreams(std::vector<GifCase>& cases)
{
    for (int s = 2; s <= 8; ++s) {
        const std::string n = std::to_string(s);
        cases.push_back(Single("CodeSize" + n, PhotoPixels(97, 53, 1 << s, s), DistinctPalette(1 << s), {s}));
        cases.push_back(Single("CodeSize" + n + "_NoLeadingClear", NoisePixels(83, 41, 1 << s, s + 10),
                               DistinctPalette(1 << s), {s, false}));
    }
    const Palette p256 = DistinctPalette(256);
    for (int h : {1, 2, 3, 4, 5, 9})
        cases.push_back(Single("Interlaced_Height" + std::to_string(h), NoisePixels(5, h, 16, 100 + h),
                               DistinctPalette(16), {4}, true));
    cases.push_back(Single("Interlaced_Large", PhotoPixels(201, 157, 256, 7), p256, {8}, true));
    cases.push_back(Single("FullTable_Clear", NoisePixels(300, 200, 256, 9), p256, {8}));
    cases.push_back(Single("FullTable_NoClear", NoisePixels(300, 200, 256, 10), p256, {8, true, true, FullTable::Keep}));
    cases.push_back(Single("FullTable_NoClear_CodeSize2", NoisePixels(400, 300, 4, 12), DistinctPalette(4),
                           {2, false, true, FullTable::Keep}));
    cases.push_back(Single("Table256_CodeSize2", NoisePixels(40, 40, 4, 16), p256, {2}));
    cases.push_back(Single("Table2_CodeSize8", NoisePixels(33, 9, 2, 18), DistinctPalette(2), {8}));
    cases.push_back(Single("SubBlocks1_NoEndCode", PhotoPixels(90, 30, 64, 19), DistinctPalette(64), {6, true, false}, false, 1));
    cases.push_back(Single("ClearAfter254", PhotoPixels(120, 90, 256, 22), p256, {8, true, true, FullTable::Clear, 254}));

    // Two clears in a row, then a short stream that widens the codes once.
    GifBuilder b;
    b.Header("87a").Screen(3, 2, DistinctPalette(4));
    b.Descriptor(0, 0, 3, 2, 0).ImageData(2, PackCodes(2, {4, 4, 1, 2, 3, 6, 0, 5})).Trailer();
    cases.push_back(GifCase{"DoubleClear", b.Build(),
                            {ExpectedFrame{0, 0, Pixels{3, 2, {1, 2, 3, 1, 2, 0}}, DistinctPalette(4), -1}}});
}

// Several frames: local tables (with and without a global one), offsets,
// transparency, comments and a loop block between frames.
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
        ImageBlock image;
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
        image.lzw = {std::max(2, TableBitsFor(table.size()))};
        GraphicControl control{static_cast<int>(seed % 4), static_cast<uint16_t>(seed), std::nullopt, false};
        if (plan.transparent >= 0)
            control.transparent = static_cast<uint8_t>(plan.transparent);
        b.Control(control).Image(image).Comment("between frames");
        c.frames.push_back(ExpectedFrame{plan.left, plan.top, image.pixels, table, plan.transparent});
    }
    c.gif = b.Trailer().Build();
    return c;
}

} // namespace

std::vector<GifCase> OracleCases()
{
    std::vector<GifCase> cases;
    AddStreams(cases);
    cases.push_back(Animation("LocalTablesNoGlobal", false,
                              {{0, 0, 30, 30, 8, true, false, -1}, {1, 2, 29, 28, 128, true, false, 5}}, 30, 30));
    cases.push_back(Animation("LocalTablesTransparencyOffsets", true,
                              {{0, 0, 100, 80, 4, false, false, 3},
                               {13, 7, 20, 30, 16, true, false, 2},
                               {99, 79, 1, 1, 4, false, false, -1},
                               {50, 0, 50, 80, 256, true, true, 255},
                               {0, 60, 100, 20, 4, false, true, 1}},
                              100, 80));
    return cases;
}

} // namespace scindra::test
