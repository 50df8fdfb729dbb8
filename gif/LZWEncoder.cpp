#include "gif/LZWEncoder.h"

#include "gif/LZWDecoder.h"

#include <algorithm>
#include <cstring>
#include <exception>
#include <memory>
#include <vector>

namespace scindra {

namespace {

constexpr uint32_t kHashSlots = 17777;
// The last code the table may hold before it is cleared; 4095 stays unused so
// the code width never passes 12 bits.
constexpr uint32_t kLastCode = 4094;
// A sub-block of 255 bytes is 2040 bits.
constexpr int kBlockBits = 255 * 8;

// One hash slot: the string (prefix code, suffix pixel) as the key and the
// code it was given. Packing them in one word keeps a probe to one load.
//   bits 0-11  code
//   bits 12-31 prefix << 8 | suffix
constexpr uint32_t kEmptySlot = 0xFFFFFFFFu;
constexpr uint32_t SlotKey(uint32_t prefix, uint32_t suffix) { return (prefix << 8 | suffix) << 12; }

// Where the pixels of one row are read from.
class RowReader {
public:
    RowReader(const LZWPixelLayout& layout, const uint8_t* pixels)
        : pixels_(pixels), height_(layout.height),
          stride_((static_cast<int64_t>(layout.width) * layout.bitCount + 31) / 32 * 4)
    {
    }
    const uint8_t* Row(int row) const { return pixels_ + (height_ - 1 - row) * stride_; }

private:
    const uint8_t* pixels_;
    int64_t height_;
    int64_t stride_;
};

// The string table and the code stream of one frame.
class Encoder {
public:
    Encoder(TStream& target, int bitCount)
        : target_(target),
          initialWidth_(bitCount == 1 ? 3 : bitCount + 1),
          clearCode_(1u << (initialWidth_ - 1)),
          slots_(kHashSlots, kEmptySlot)
    {
        const uint8_t codeSize = static_cast<uint8_t>(initialWidth_ - 1);
        target_.WriteBuffer(&codeSize, 1);
        Restart();
        EmitCode(target_, clearCode_, codes_);
    }

    // Feeds one row of pixels. The string being matched lives in locals
    // while the row is walked: the table writes cannot disturb it.
    template <int Bits>
    void PutRow(const uint8_t* row, int width)
    {
        uint32_t string = string_, hash = hash_, length = length_;
        const uint32_t* slots = slots_.data();
        for (int x = 0; x < width; ++x) {
            const uint32_t pixel = PixelAt<Bits>(row, x);
            if (++length == 1) {
                string = pixel;
                hash = HashSeed(pixel);
                continue;
            }
            // No overflow: a string is never longer than the table has
            // codes, so (pixel + length + 4) stays below 4400 and the hash
            // below 77659.
            hash = (pixel + length + 4) * hash % kHashSlots;
            const uint32_t key = SlotKey(string, pixel);
            uint32_t slot = hash;
            uint32_t entry;
            while ((entry = slots[slot]) != kEmptySlot && (entry & ~0xFFFu) != key)
                slot = slot + 1 == kHashSlots ? 0 : slot + 1;
            if (entry != kEmptySlot) {
                string = entry & 0xFFFu;
                continue;
            }
            length = AddString(string, pixel, slot);
            string = pixel;
            hash = HashSeed(pixel);
        }
        string_ = string;
        hash_ = hash;
        length_ = length;
    }

    void Finish()
    {
        // After a clear on the very last pixel nothing is pending any more.
        if (length_ > 0) {
            EmitCode(target_, string_, codes_);
            // A reader adds one more entry on this code, one behind ours;
            // when that entry fills the width, it reads the end code one
            // bit wider. (Right after a clear it adds none, and then our
            // last code is never one short of the limit.)
            if (lastCode_ + 1 == limit_)
                ++codes_.codeWidth;
        }
        EmitCode(target_, clearCode_ + 1, codes_);
        FinishCodes(target_, codes_);
    }

private:
    template <int Bits>
    static uint32_t PixelAt(const uint8_t* row, int x)
    {
        if constexpr (Bits == 8)
            return row[x];
        else if constexpr (Bits == 4)
            return x % 2 == 0 ? row[x / 2] >> 4 : row[x / 2] & 0x0Fu;
        else
            return row[x / 8] >> (7 - x % 8) & 1u;
    }

    // No string (prefix, pixel) yet: sends the longest match, gives the longer
    // string the next code in the empty slot found for it, and starts again
    // from the pixel. Returns the new string's length: 1, or 0 when the full
    // table was cleared and the pixel went out on its own.
    uint32_t AddString(uint32_t prefix, uint32_t pixel, uint32_t slot)
    {
        EmitCode(target_, prefix, codes_);
        ++lastCode_;
        slots_[slot] = SlotKey(prefix, pixel) | lastCode_;
        if (lastCode_ >= limit_) {
            limit_ *= 2;
            ++codes_.codeWidth;
        } else if (lastCode_ >= kLastCode) {
            EmitCode(target_, pixel, codes_);
            EmitCode(target_, clearCode_, codes_);
            Restart();
            return 0;
        }
        return 1;
    }

    void Restart()
    {
        length_ = 0;
        lastCode_ = clearCode_ + 1;
        codes_.codeWidth = initialWidth_;
        limit_ = 1u << initialWidth_;
        std::fill(slots_.begin(), slots_.end(), kEmptySlot);
    }

    TStream& target_;
    const int initialWidth_;
    const uint32_t clearCode_;
    std::vector<uint32_t> slots_;
    LZWCodeState codes_;
    uint32_t lastCode_ = 0; // the code given last; the end code before any string
    uint32_t limit_ = 0;    // 2^width: reaching it widens the codes
    uint32_t string_ = 0;   // code of the string matched so far
    uint32_t hash_ = 0;     // running hash of that string
    uint32_t length_ = 0;   // its length in pixels; 0 when nothing is pending
};

} // namespace

void EmitCode(TStream& target, uint32_t code, LZWCodeState& state)
{
    const uint32_t shifted = code << (state.bitPosition % 8);
    uint8_t* at = state.buffer + state.bitPosition / 8;
    at[0] |= static_cast<uint8_t>(shifted);
    at[1] = static_cast<uint8_t>(shifted >> 8);
    at[2] = static_cast<uint8_t>(shifted >> 16);
    state.bitPosition += state.codeWidth;
    if (state.bitPosition >= kBlockBits) {
        const uint8_t blockLength = 255;
        target.WriteBuffer(&blockLength, 1);
        target.WriteBuffer(state.buffer, 255);
        state.buffer[0] = state.buffer[255];
        state.buffer[1] = state.buffer[256];
        std::memset(state.buffer + 2, 0, 255);
        state.bitPosition -= kBlockBits;
    }
}

void FinishCodes(TStream& target, LZWCodeState& state)
{
    const int n = (state.bitPosition + 7) / 8;
    if (n > 0) {
        const uint8_t blockLength = static_cast<uint8_t>(n);
        target.WriteBuffer(&blockLength, 1);
        target.WriteBuffer(state.buffer, n);
    }
    const uint8_t terminator = 0;
    target.WriteBuffer(&terminator, 1);
}

void EncodeLZW(TStream& target, const LZWPixelLayout& layout, bool interlaced, const LZWProgress& progress,
               const uint8_t* pixels)
{
    auto report = [&](TProgressStage stage, int percent, const std::string& message = {}) {
        if (progress)
            progress(stage, percent, message);
    };
    report(TProgressStage::Starting, 0);
    try {
        Encoder encoder(target, layout.bitCount);
        const RowReader rows(layout, pixels);
        int pass = 0;
        int row = 0;
        for (int done = 1; done <= layout.height && row < layout.height; ++done) {
            const uint8_t* bytes = rows.Row(row);
            switch (layout.bitCount) {
            case 1: encoder.PutRow<1>(bytes, layout.width); break;
            case 4: encoder.PutRow<4>(bytes, layout.width); break;
            default: encoder.PutRow<8>(bytes, layout.width); break;
            }
            row = interlaced ? NextInterlacedRow(row, layout.height, pass) : row + 1;
            report(TProgressStage::Running, static_cast<int>(int64_t{done} * 100 / layout.height));
        }
        encoder.Finish();
    } catch (const std::exception& e) {
        report(TProgressStage::Ending, 0, e.what());
        throw;
    }
    report(TProgressStage::Ending, 100);
}

} // namespace scindra
