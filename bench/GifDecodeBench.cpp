// Times our GIF decoding (ReadGIF from memory, then RenderBitmap of every
// frame) against giflib's DGifSlurp and, when the copy of Wuffs beside the
// repository was there at build time, Wuffs decoding every frame into one
// indexed canvas. The inputs are built here: a 4000 x 3000 photo-like still
// (dithered, and smooth), a photo-like animation (240 frames of 400 x 300)
// and a screen capture (60 frames of 1024 x 768: flat background, a moving
// window with text-like bars). Throughput is millions of decoded pixels per
// second, from the best of the rounds; a ratio above 1.0 means Scindra is
// faster.
//
//   scindra_gif_decode_bench [rounds] [word]
//
// 5 rounds by default; the word (still, animation or screen) picks one kind
// of input.
//
// The decoders run in the same process, taking turns every round so that
// caches and frequency scaling treat them alike.

#include "GifBuilder.h"

#include "gif/GIFImage.h"
#include "rtl/Exception.h"
#include "rtl/TMemoryStream.h"

#include <gif_lib.h>
#ifdef SCINDRA_BENCH_WUFFS
#include "WuffsPeer.h"
#endif

#include <QImage>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

using scindra::test::Bytes;
using Clock = std::chrono::steady_clock;

struct Input {
    std::string name;
    Bytes gif;
    double pixels = 0; // decoded pixels over all frames
};

// A dithered photograph (short LZW strings) or a smooth one (longer strings).
Input MakeStill(const std::string& name, double dither)
{
    const auto pixels = scindra::test::PhotoPixels(4000, 3000, 256, 1, dither);
    return Input{name, scindra::test::SimpleGif(pixels, scindra::test::DistinctPalette(256)), 4000.0 * 3000.0};
}

// An animation of full frames, each drawn by `frame`(index, width, height).
Input MakeAnimation(const std::string& name, int frames, int width, int height,
                    scindra::test::Pixels (*frame)(int, int, int))
{
    scindra::test::GifBuilder b;
    b.Header("89a").Screen(uint16_t(width), uint16_t(height), scindra::test::DistinctPalette(256)).Loop(0);
    for (int i = 0; i < frames; ++i) {
        scindra::test::ImageBlock image;
        image.pixels = frame(i, width, height);
        b.Control({1, 4, std::nullopt, false}).Image(image);
    }
    return Input{name, b.Trailer().Build(), double(frames) * width * height};
}

scindra::test::Pixels PhotoFrame(int frame, int width, int height)
{
    return scindra::test::PhotoPixels(width, height, 256, static_cast<uint32_t>(frame + 2));
}

// A screen recording: a flat desktop, a window with a title bar and lines of
// text-like bars that moves a little every frame, a task bar. Long runs of
// one colour, as in most GIFs of screens.
scindra::test::Pixels ScreenFrame(int frame, int width, int height)
{
    scindra::test::Pixels p{width, height, scindra::test::Bytes(static_cast<std::size_t>(width) * height, 1)};
    const auto fill = [&](int x0, int y0, int x1, int y1, uint8_t colour) {
        for (int y = std::max(y0, 0); y < std::min(y1, height); ++y)
            std::fill(p.indices.begin() + y * width + std::max(x0, 0), p.indices.begin() + y * width + std::min(x1, width),
                      colour);
    };
    fill(0, height - 32, width, height, 2);
    const int left = 60 + 7 * frame;
    const int top = 50 + 4 * frame;
    fill(left, top, left + 560, top + 380, 3);
    fill(left, top, left + 560, top + 24, 4);
    uint32_t seed = 12345;
    for (int line = 0; line < 24; ++line) {
        int x = left + 16;
        const int y = top + 40 + 14 * line;
        while (x < left + 520) {
            seed = seed * 1103515245u + 12345u;
            const int word = 12 + static_cast<int>(seed >> 16) % 60;
            fill(x, y, std::min(x + word, left + 540), y + 8, static_cast<uint8_t>(5 + line % 3));
            x += word + 6;
        }
    }
    return p;
}

struct MemoryReader {
    const Bytes* bytes;
    std::size_t position;
};

int ReadFromMemory(GifFileType* file, GifByteType* buffer, int count)
{
    auto* reader = static_cast<MemoryReader*>(file->UserData);
    const std::size_t n = std::min<std::size_t>(static_cast<std::size_t>(count), reader->bytes->size() - reader->position);
    std::memcpy(buffer, reader->bytes->data() + reader->position, n);
    reader->position += n;
    return static_cast<int>(n);
}

// Returns a checksum of the pixels so neither decoder's work can be dropped.
uint64_t DecodeWithGiflib(const Bytes& gif)
{
    MemoryReader reader{&gif, 0};
    int error = 0;
    GifFileType* file = DGifOpen(&reader, ReadFromMemory, &error);
    if (!file || DGifSlurp(file) != GIF_OK)
        throw std::runtime_error("giflib failed to decode the bench input");
    uint64_t sum = 0;
    for (int i = 0; i < file->ImageCount; ++i)
        sum += file->SavedImages[i].RasterBits[0];
    DGifCloseFile(file, &error);
    return sum;
}

// The GIF already in a memory stream, as the program holds a file it read:
// filling it is no part of decoding.
scindra::TMemoryStream* ourSource = nullptr;

uint64_t DecodeWithOurs(const Bytes& gif)
{
    ourSource->SetPosition(0);
    scindra::TGIFImage image;
    image.ReadGIF(static_cast<int64_t>(gif.size()), *ourSource, false);
    uint64_t sum = 0;
    for (int i = 0; i < image.FrameCount(); ++i)
        sum += static_cast<uint64_t>(image.FrameAt(i)->RenderBitmap().pixelIndex(0, 0));
    return sum;
}

#ifdef SCINDRA_BENCH_WUFFS
uint64_t DecodeWithWuffs(const Bytes& gif)
{
    uint64_t sum = 0;
    if (WuffsDecodeEveryFrame(gif.data(), gif.size(), &sum) < 0)
        throw std::runtime_error("Wuffs failed to decode the bench input");
    return sum;
}
#endif

struct Decoder {
    const char* name;
    uint64_t (*decode)(const Bytes&);
    double best = 0; // seconds
};

void Bench(const Input& input, int rounds)
{
    std::vector<Decoder> decoders = {{"Scindra", DecodeWithOurs}, {"giflib", DecodeWithGiflib}};
#ifdef SCINDRA_BENCH_WUFFS
    decoders.push_back({"Wuffs", DecodeWithWuffs});
#endif
    scindra::TMemoryStream source(input.gif);
    ourSource = &source;
    uint64_t checksum = 0;
    for (int r = 0; r < rounds; ++r) {
        for (std::size_t k = 0; k < decoders.size(); ++k) {
            Decoder& d = decoders[(k + static_cast<std::size_t>(r)) % decoders.size()];
            const auto start = Clock::now();
            checksum += d.decode(input.gif);
            const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
            d.best = r == 0 ? seconds : std::min(d.best, seconds);
        }
    }
    const double mpixels = input.pixels / 1e6;
    std::printf("%-30s %6.2f MB GIF, %6.1f Mpixels\n   ", input.name.c_str(), input.gif.size() / 1e6, mpixels);
    for (const Decoder& d : decoders)
        std::printf(" %s %8.1f Mpixel/s |", d.name, mpixels / d.best);
    for (std::size_t k = 1; k < decoders.size(); ++k)
        std::printf(" Scindra/%s %.2f", decoders[k].name, decoders[k].best / decoders[0].best);
    std::printf("\n");
    if (checksum == 42) // keeps the decoded pixels observable
        std::printf(" \n");
}

} // namespace

int main(int argc, char** argv)
{
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    try {
        const std::pair<const char*, std::function<Input()>> inputs[] = {
            {"still", [] { return MakeStill("still 4000x3000 dithered", 0.03); }},
            {"still", [] { return MakeStill("still 4000x3000 smooth", 0.004); }},
            {"animation", [] { return MakeAnimation("animation 240 x 400x300", 240, 400, 300, PhotoFrame); }},
            {"screen", [] { return MakeAnimation("screen capture 60 x 1024x768", 60, 1024, 768, ScreenFrame); }}};
#ifndef SCINDRA_BENCH_WUFFS
        std::printf("(Wuffs was not there at build time: giflib only)\n");
#endif
        std::printf("best of %d rounds\n", rounds);
        for (const auto& [kind, make] : inputs) {
            if (argc <= 2 || std::string(kind) == argv[2])
                Bench(make(), rounds);
        }
    } catch (const scindra::Exception& e) {
        std::fprintf(stderr, "decode failed: %s\n", e.what());
        return 1;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    return 0;
}
