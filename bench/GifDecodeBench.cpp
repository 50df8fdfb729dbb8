// Times our GIF decoding (ReadGIF, then RenderBitmap of every frame) against
// giflib's DGifSlurp from memory, on two inputs the bench builds itself:
// a 4000 x 3000 still with photo-like 8-bit content, and a 240-frame
// animation. Throughput is megabytes of decoded pixels (one byte per pixel)
// per second; the ratio ours / giflib above 1.0 means Scindra is faster.
//
//   scindra_gif_decode_bench [rounds]
//
// Both decoders run in the same process, alternating every round so caches
// and frequency scaling treat them alike; medians are printed.

#include "GifBuilder.h"

#include "gif/GIFImage.h"
#include "rtl/Exception.h"
#include "rtl/TMemoryStream.h"

#include <gif_lib.h>

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

Input MakeAnimation()
{
    constexpr int kFrames = 240;
    constexpr int kWidth = 400;
    constexpr int kHeight = 300;
    scindra::test::GifBuilder b;
    b.Header("89a").Screen(kWidth, kHeight, scindra::test::DistinctPalette(256)).Loop(0);
    for (int i = 0; i < kFrames; ++i) {
        scindra::test::ImageSpec image;
        image.pixels = scindra::test::PhotoPixels(kWidth, kHeight, 256, static_cast<uint32_t>(i + 2));
        b.Control({2, 4, std::nullopt, false}).Image(image);
    }
    return Input{"animation 240 x 400x300", b.Trailer().Build(), double(kFrames) * kWidth * kHeight};
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

double readSeconds = 0; // time our decoding spent in ReadGIF, over all rounds

uint64_t DecodeWithOurs(const Bytes& gif)
{
    scindra::TMemoryStream stream(gif);
    scindra::TGIFImage image;
    const auto start = Clock::now();
    image.ReadGIF(static_cast<int64_t>(gif.size()), stream, false);
    readSeconds += std::chrono::duration<double>(Clock::now() - start).count();
    uint64_t sum = 0;
    for (int i = 0; i < image.FrameCount(); ++i)
        sum += static_cast<uint64_t>(image.FrameAt(i)->RenderBitmap().pixelIndex(0, 0));
    return sum;
}

double Seconds(const std::function<uint64_t()>& run, uint64_t& checksum)
{
    const auto start = Clock::now();
    checksum += run();
    return std::chrono::duration<double>(Clock::now() - start).count();
}

double Median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

void Bench(const Input& input, int rounds)
{
    std::vector<double> ours;
    std::vector<double> theirs;
    readSeconds = 0;
    uint64_t checksum = 0;
    for (int r = 0; r < rounds; ++r) {
        if (r % 2 == 0) {
            theirs.push_back(Seconds([&] { return DecodeWithGiflib(input.gif); }, checksum));
            ours.push_back(Seconds([&] { return DecodeWithOurs(input.gif); }, checksum));
        } else {
            ours.push_back(Seconds([&] { return DecodeWithOurs(input.gif); }, checksum));
            theirs.push_back(Seconds([&] { return DecodeWithGiflib(input.gif); }, checksum));
        }
    }
    const double megabytes = input.pixels / 1e6;
    const double oursRate = megabytes / Median(ours);
    const double theirRate = megabytes / Median(theirs);
    double oursTotal = 0;
    for (double t : ours)
        oursTotal += t;
    std::printf("%-26s %6.2f MB GIF (%.2f bytes/pixel), %5.1f MB pixels\n"
                "    ours %7.1f MB/s (ReadGIF %2.0f%% of it) | giflib %7.1f MB/s | ratio ours/giflib %.2f%s\n",
                input.name.c_str(), input.gif.size() / 1e6, input.gif.size() / input.pixels, megabytes, oursRate,
                100 * readSeconds / oursTotal, theirRate, oursRate / theirRate,
                oursRate / theirRate >= 1.5 ? "" : "  (below the 1.5 target)");
    if (checksum == 42) // keeps the decoded pixels observable
        std::printf(" \n");
}

} // namespace

int main(int argc, char** argv)
{
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 7;
    try {
        std::printf("building the inputs...\n");
        const Input inputs[] = {MakeStill("still 4000x3000 dithered", 0.03), MakeStill("still 4000x3000 smooth", 0.004),
                                MakeAnimation()};
        std::printf("%d rounds each, medians\n", rounds);
        for (const Input& input : inputs)
            Bench(input, rounds);
    } catch (const scindra::Exception& e) {
        std::fprintf(stderr, "decode failed: %s\n", e.what());
        return 1;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    return 0;
}
