// The LZW decoder against a reference that follows the decoding rules
// literally, one pixel at a time (its own bit reader, prefix walk and
// interlace order), on random code streams: sound encodings, encodings with
// bits flipped or cut short, and codes drawn at random around the next free
// code, into every kind of target. Pixels, the damaged flag, the failure
// and the progress told must all agree.
//
// SCINDRA_LZW_STREAMS sets the number of streams (3,000 by default).
#include "GifReadSupport.h"

#include "gif/DIB.h"
#include "gif/LZWDecoder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <random>
#include <utility>

namespace scindra::test {
namespace {

struct Outcome {
    Bytes pixels; // top row first, one byte per pixel; empty after a failure
    bool damaged = false;
    std::string failure;
    std::vector<int> progress;
    bool operator==(const Outcome&) const = default;
};

struct Stream {
    Bytes encoded;
    int width = 0, height = 0, tableBits = 8;
    bool interlaced = false, tolerant = true;
};

Outcome ReferenceDecode(const Stream& in)
{
    Outcome out;
    const Bytes& data = in.encoded;
    std::vector<int> rows; // image rows in the order of the data
    const std::pair<int, int> passes[] = {{0, 8}, {4, 8}, {2, 4}, {1, 2}};
    for (const auto& [start, step] : in.interlaced ? std::vector(std::begin(passes), std::end(passes))
                                                   : std::vector{std::pair{0, 1}})
        for (int y = start; y < in.height; y += step)
            rows.push_back(y);
    const size_t total = static_cast<size_t>(in.width) * static_cast<size_t>(in.height);
    out.pixels.assign(total, 0);
    size_t written = 0;
    const auto put = [&](int value) {
        if (written < total) {
            out.pixels[static_cast<size_t>(rows[written / in.width]) * in.width + written % in.width] = uint8_t(value);
            ++written;
        }
    };

    uint8_t buffer[264] = {};
    unsigned bitPos = 0, bitCount = 0;
    size_t position = 1;
    int width = 0;
    const auto nextCode = [&]() -> int {
        while (bitPos + width > bitCount && position < data.size()) {
            const unsigned keep = bitPos / 8;
            std::memmove(buffer, buffer + keep, 3);
            bitPos %= 8;
            bitCount -= 8 * keep;
            const size_t declared = data[position++];
            const size_t length = std::min(declared, data.size() - position);
            std::memcpy(buffer + bitCount / 8, data.data() + position, length);
            position += length;
            bitCount += unsigned(8 * length);
        }
        if (bitPos + width > bitCount)
            return -1;
        const size_t at = bitPos / 8;
        uint32_t bits = buffer[at] | buffer[at + 1] << 8 | (width > 8 ? buffer[at + 2] << 16 : 0);
        bits >>= bitPos % 8;
        bitPos += unsigned(width);
        return int(bits & ((1u << width) - 1));
    };
    const auto report = [&] {
        const int percent = int(position * 100 / data.size());
        if (out.progress.empty() || out.progress.back() != percent)
            out.progress.push_back(percent);
    };
    const auto corrupt = [&] {
        if (!in.tolerant)
            out.failure = "GIF encoded data is corrupt";
        else
            out.damaged = true;
    };

    int codeSize = data[0];
    if (codeSize < 2 || codeSize > 9) {
        if (!in.tolerant) {
            out.failure = "GIF code size not in range 2 to 9";
            return out;
        }
        out.damaged = true;
        codeSize = std::clamp(codeSize, 2, 9);
    }
    const int clear = 1 << codeSize, end = clear + 1, mask = (1 << in.tableBits) - 1;
    std::vector<int> prefix(4096, 0), suffix(4096, 0);
    int next = clear + 2, limit = 0, old = -1, first = 0;
    bool full = false;
    const auto reset = [&] {
        width = codeSize + 1;
        limit = 1 << width;
        next = clear + 2;
        full = false;
        old = -1;
    };
    reset();
    int code = nextCode();
    while (code != end && code >= 0 && written < total) {
        if (code == clear) {
            reset();
            code = nextCode();
            continue;
        }
        if (old < 0) {
            // The first code of the data or after a clear: a literal, no entry.
            if (code > clear) {
                corrupt();
                return out;
            }
            first = code & mask;
            put(first);
        } else {
            if (out.damaged)
                return out;
            std::vector<int> stack;
            int walk = code;
            if (code >= next) {
                stack.push_back(first);
                walk = old;
            }
            for (; walk >= clear; walk = prefix[size_t(walk)]) {
                stack.push_back(suffix[size_t(walk)]);
                if (stack.size() > 4096) {
                    corrupt();
                    return out;
                }
            }
            first = walk & mask;
            stack.push_back(first);
            for (auto it = stack.rbegin(); it != stack.rend(); ++it)
                put(*it);
            if (!full) {
                prefix[size_t(next)] = old;
                suffix[size_t(next)] = first;
                if (++next >= limit && width < 12) {
                    ++width;
                    limit *= 2;
                } else if (next >= limit) {
                    full = true;
                }
            }
        }
        old = code;
        code = nextCode();
        report();
    }
    if (code < 0 && written < total)
        out.failure = "Erreur de lecture du flux";
    return out;
}

// --- Random streams -----------------------------------------------------------------

int Pick(std::mt19937& rng, int low, int high) { return std::uniform_int_distribution<int>(low, high)(rng); }
bool Chance(std::mt19937& rng, int percent) { return Pick(rng, 1, 100) <= percent; }

// Pixels with runs of one colour (long strings) and noise (short ones).
Bytes RandomPixels(std::mt19937& rng, size_t count, int colours)
{
    Bytes pixels;
    while (pixels.size() < count) {
        const auto run = static_cast<size_t>(Chance(rng, 30) ? Pick(rng, 1, 400) : 1);
        pixels.insert(pixels.end(), std::min(run, count - pixels.size()), uint8_t(Pick(rng, 0, colours - 1)));
    }
    return pixels;
}

// Codes around the next free one, with clears, ends and literals, packed as
// a reader widens them.
Bytes RandomCodes(std::mt19937& rng, int codeSize)
{
    const int packSize = std::clamp(codeSize, 2, 9);
    const int clear = 1 << packSize;
    std::vector<uint16_t> codes;
    int next = clear + 2;
    bool hasOld = false;
    const int count = Pick(rng, 1, Chance(rng, 20) ? 6000 : 200);
    for (int i = 0; i < count; ++i) {
        const int kind = Pick(rng, 1, 100);
        int code;
        if (kind <= 3)
            code = clear;
        else if (kind <= 4)
            code = clear + 1;
        else if (kind <= 40)
            code = Pick(rng, 0, clear - 1);
        else
            code = std::clamp(next + Pick(rng, -6, 2), 0, 4095);
        if (code == clear) {
            next = clear + 2;
            hasOld = false;
        } else if (hasOld && next < 4096) {
            ++next;
        }
        hasOld = hasOld || code != clear;
        codes.push_back(uint16_t(code));
    }
    return PackCodes(packSize, codes);
}

Stream RandomStream(std::mt19937& rng)
{
    Stream s;
    s.width = Pick(rng, 1, Chance(rng, 20) ? 300 : 40);
    s.height = Pick(rng, 1, Chance(rng, 20) ? 60 : 12);
    s.tableBits = Pick(rng, 1, 8);
    s.interlaced = Chance(rng, 30);
    s.tolerant = Chance(rng, 85);
    int codeSize = Pick(rng, 2, 8);
    Bytes lzw;
    if (Chance(rng, 50)) {
        LzwOptions options{codeSize, Chance(rng, 80), Chance(rng, 80), Chance(rng, 50) ? FullTable::Clear : FullTable::Keep,
                           Chance(rng, 20) ? Pick(rng, 1, 300) : 0};
        const int count = std::max(1, s.width * s.height + Pick(rng, -20, 20));
        lzw = LzwEncode(RandomPixels(rng, static_cast<size_t>(count), 1 << codeSize), options);
        for (int flips = Chance(rng, 40) ? Pick(rng, 1, 3) : 0; flips > 0 && !lzw.empty(); --flips)
            lzw[size_t(Pick(rng, 0, int(lzw.size()) - 1))] ^= uint8_t(1 << Pick(rng, 0, 7));
    } else {
        if (Chance(rng, 10))
            codeSize = Chance(rng, 50) ? Pick(rng, 0, 1) : Pick(rng, 9, 12);
        lzw = RandomCodes(rng, codeSize);
    }
    s.encoded = {uint8_t(codeSize)};
    const Bytes blocks = SubBlocks(lzw, Pick(rng, 1, 255), Chance(rng, 90));
    s.encoded.insert(s.encoded.end(), blocks.begin(), blocks.end());
    if (Chance(rng, 10))
        s.encoded.resize(size_t(Pick(rng, 1, int(s.encoded.size()))));
    return s;
}

// --- Our decoder into a random kind of target ---------------------------------------

constexpr uint8_t kGuard = 0xEE;

Outcome OurDecode(const Stream& s, std::mt19937& rng)
{
    // In place (byte rows, no padding, work space), padded byte rows top
    // down or bottom up, or packed rows when the table is small enough.
    const int kind = Pick(rng, 0, s.tableBits <= 4 ? 2 : 1);
    const int bitCount = kind < 2 ? 8 : (s.tableBits == 1 && Chance(rng, 50) ? 1 : 4);
    const auto stride = static_cast<ptrdiff_t>(kind == 0 ? s.width : DibStride(s.width, bitCount) + Pick(rng, 0, 3));
    const bool zeroed = Chance(rng, 50);
    const size_t tail = kind == 0 ? kDecoderTailBytes : 0;
    const size_t rowsBytes = size_t(stride) * size_t(s.height);
    Bytes memory(rowsBytes + tail + 64, kGuard);
    std::fill_n(memory.begin() + 32, rowsBytes + tail, zeroed ? 0 : 0xA5);
    uint8_t* rows = memory.data() + 32;
    const bool bottomUp = kind != 0 && Chance(rng, 50);
    TPixelTarget target{bottomUp ? rows + (s.height - 1) * stride : rows, bottomUp ? -stride : stride, s.width,
                        s.height, bitCount, zeroed, tail};

    Outcome out;
    const TDecodeProgress progress = [&](int percent) { out.progress.push_back(percent); };
    out.damaged = true; // an output only: what it holds before must not matter
    out.failure = FailureOf([&] {
        DecodeLZW(s.encoded.data(), s.encoded.size(), target, s.interlaced, progress, out.damaged, s.tableBits,
                  s.tolerant);
    });
    EXPECT_TRUE(std::all_of(memory.begin(), memory.begin() + 32, [](uint8_t b) { return b == kGuard; }));
    EXPECT_TRUE(std::all_of(memory.end() - 32, memory.end(), [](uint8_t b) { return b == kGuard; }));
    for (int y = 0; y < s.height; ++y) {
        const uint8_t* row = target.firstRow + y * target.rowStep;
        for (int x = 0; x < s.width; ++x) {
            const int shift = bitCount == 8 ? 0 : 8 - bitCount - (x * bitCount) % 8;
            out.pixels.push_back(uint8_t(row[x * bitCount / 8] >> shift & ((1 << bitCount) - 1)));
        }
    }
    return out;
}

TEST(GifDecoderAgreement, RandomStreamsDecodeAsTheRulesSay)
{
    const char* setting = std::getenv("SCINDRA_LZW_STREAMS");
    const int streams = setting ? std::atoi(setting) : 3000;
    std::mt19937 rng(20261209);
    int mismatches = 0;
    for (int i = 0; i < streams && mismatches < 5; ++i) {
        const Stream s = RandomStream(rng);
        Outcome expected = ReferenceDecode(s);
        Outcome ours = OurDecode(s, rng);
        // Pixels after a failure are whatever was written so far.
        if (!expected.failure.empty())
            expected.pixels.clear();
        if (!ours.failure.empty())
            ours.pixels.clear();
        if (!(ours == expected)) {
            ++mismatches;
            ADD_FAILURE() << "stream " << i << ": " << s.width << "x" << s.height << " table bits " << s.tableBits
                          << (s.interlaced ? " interlaced" : "") << (s.tolerant ? "" : " strict") << "; failure '"
                          << ours.failure << "' / '" << expected.failure << "', damaged " << ours.damaged << " / "
                          << expected.damaged << ", progress " << ours.progress.size() << " / "
                          << expected.progress.size() << ", pixels equal " << (ours.pixels == expected.pixels);
        }
    }
}

} // namespace
} // namespace scindra::test
