// Times our LZW encoder against giflib's (EGifPutLine) on the same 8-bit
// pixels, made here: a large photo-like still and a long animation.
//
//   scindra_gif_encode_bench [rounds]
//
// Each round runs both encoders once over every picture, alternating which
// goes first. Prints the median throughput of each in megapixels (one byte
// each) per second, the ratio ours / theirs (above 1.0 means Scindra is
// faster), and the ratio of the output sizes (below 1.02 meets the target).

#include "gif/LZWEncoder.h"
#include "rtl/TMemoryStream.h"

#include <gif_lib.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
using scindra::TMemoryStream;

// One 8-bit frame, rows top-down.
struct Frame {
    int width, height;
    std::vector<uint8_t> pixels;
};

struct Workload {
    std::string name;
    std::vector<Frame> frames;
    int64_t PixelCount() const
    {
        int64_t n = 0;
        for (const Frame& f : frames)
            n += int64_t(f.width) * f.height;
        return n;
    }
};

uint32_t NextRandom(uint32_t& state)
{
    state ^= state << 13;
    state ^= state >> 17;
    state ^= state << 5;
    return state;
}

// Smooth shading with a little grain, as an error-diffused photograph looks
// after reduction to 256 colours.
Workload PhotoStill()
{
    Frame f{2400, 1800, {}};
    f.pixels.resize(size_t(f.width) * f.height);
    uint32_t state = 12345;
    for (int y = 0; y < f.height; ++y)
        for (int x = 0; x < f.width; ++x) {
            const double v = 96 + 60 * std::sin(x / 97.0) * std::cos(y / 131.0) + 40 * std::sin((x + 2 * y) / 53.0);
            const int grain = int(NextRandom(state) % 9) - 4;
            f.pixels[size_t(y) * f.width + x] = uint8_t(std::clamp(int(v) + grain, 0, 255));
        }
    return {"photo-like still 2400x1800", {f}};
}

// Moving shapes over a shaded backdrop, like a screen recording or a banner.
Workload LongAnimation()
{
    Workload w{"animation 300 frames 320x240", {}};
    for (int t = 0; t < 300; ++t) {
        Frame f{320, 240, std::vector<uint8_t>(320 * 240)};
        for (int y = 0; y < f.height; ++y)
            for (int x = 0; x < f.width; ++x) {
                int v = (x + y + t) / 4 % 64;
                const int dx = x - 160 - int(100 * std::cos(t / 20.0)), dy = y - 120 - int(80 * std::sin(t / 15.0));
                if (dx * dx + dy * dy < 40 * 40)
                    v = 64 + (dx * dx + dy * dy) / 25;
                if (std::abs(x - (t * 3) % 320) < 12)
                    v = 200 + y % 50;
                f.pixels[size_t(y) * f.width + x] = uint8_t(v);
            }
        w.frames.push_back(std::move(f));
    }
    return w;
}

// Ours: the encoder reads bottom-up rows padded to four bytes.
std::vector<std::vector<uint8_t>> BottomUp(const Workload& w)
{
    std::vector<std::vector<uint8_t>> out;
    for (const Frame& f : w.frames) {
        const size_t stride = (size_t(f.width) + 3) / 4 * 4;
        std::vector<uint8_t> rows(stride * f.height);
        for (int y = 0; y < f.height; ++y)
            std::copy_n(&f.pixels[size_t(y) * f.width], f.width, &rows[(f.height - 1 - y) * stride]);
        out.push_back(std::move(rows));
    }
    return out;
}

// The GIF bytes around the image data that giflib writes too, so the sizes
// compare like with like.
int64_t ContainerBytes(const Workload& w) { return 6 + 7 + 3 * 256 + int64_t(w.frames.size()) * 10 + 1; }

int64_t EncodeOurs(const Workload& w, const std::vector<std::vector<uint8_t>>& rows)
{
    int64_t size = ContainerBytes(w);
    for (size_t i = 0; i < w.frames.size(); ++i) {
        const Frame& f = w.frames[i];
        TMemoryStream out;
        scindra::EncodeLZW(out, {f.width, f.height, 8}, false, {}, rows[i].data());
        size += out.Size();
    }
    return size;
}

int WriteToVector(GifFileType* gif, const GifByteType* bytes, int count)
{
    auto* out = static_cast<std::vector<uint8_t>*>(gif->UserData);
    out->insert(out->end(), bytes, bytes + count);
    return count;
}

int64_t EncodeGiflib(const Workload& w)
{
    std::vector<uint8_t> out;
    out.reserve(size_t(w.PixelCount()));
    int error = 0;
    GifFileType* gif = EGifOpen(&out, WriteToVector, &error);
    std::vector<GifColorType> colors(256);
    for (int i = 0; i < 256; ++i)
        colors[i] = {GifByteType(i), GifByteType(i), GifByteType(i)};
    ColorMapObject* map = GifMakeMapObject(256, colors.data());
    if (!gif || EGifPutScreenDesc(gif, w.frames[0].width, w.frames[0].height, 8, 0, map) != GIF_OK)
        throw std::runtime_error("giflib cannot start a file");
    for (const Frame& f : w.frames) {
        if (EGifPutImageDesc(gif, 0, 0, f.width, f.height, false, nullptr) != GIF_OK)
            throw std::runtime_error("giflib refuses an image");
        for (int y = 0; y < f.height; ++y)
            if (EGifPutLine(gif, const_cast<GifPixelType*>(&f.pixels[size_t(y) * f.width]), f.width) != GIF_OK)
                throw std::runtime_error("giflib refuses a row");
    }
    EGifCloseFile(gif, &error);
    GifFreeMapObject(map);
    return int64_t(out.size());
}

double Seconds(Clock::duration d) { return std::chrono::duration<double>(d).count(); }

double Median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

} // namespace

int main(int argc, char** argv)
{
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 7;
    for (const Workload& w : {PhotoStill(), LongAnimation()}) {
        const auto rows = BottomUp(w);
        std::vector<double> ours, theirs;
        int64_t ourSize = 0, theirSize = 0;
        for (int r = 0; r < rounds; ++r) {
            auto timeOurs = [&] {
                const auto start = Clock::now();
                ourSize = EncodeOurs(w, rows);
                ours.push_back(Seconds(Clock::now() - start));
            };
            auto timeTheirs = [&] {
                const auto start = Clock::now();
                theirSize = EncodeGiflib(w);
                theirs.push_back(Seconds(Clock::now() - start));
            };
            if (r % 2 == 0) {
                timeOurs();
                timeTheirs();
            } else {
                timeTheirs();
                timeOurs();
            }
        }
        const double megabytes = double(w.PixelCount()) / 1e6;
        const double oursRate = megabytes / Median(ours), theirsRate = megabytes / Median(theirs);
        std::printf("%s (%.1f MB of pixels, %d rounds)\n", w.name.c_str(), megabytes, rounds);
        std::printf("  scindra  %8.1f MB/s  %10lld bytes\n", oursRate, static_cast<long long>(ourSize));
        std::printf("  giflib   %8.1f MB/s  %10lld bytes\n", theirsRate, static_cast<long long>(theirSize));
        std::printf("  speed ratio scindra/giflib %.2f, size ratio %.4f\n", oursRate / theirsRate,
                    double(ourSize) / double(theirSize));
    }
    return 0;
}
