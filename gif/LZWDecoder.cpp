// The LZW decoder of GIF image data.
//
// Codes are read from the data sub-blocks through a small bit buffer. Each
// code stands for a string of pixels: a literal (below the clear code) for
// one pixel, a table entry for the string of its prefix followed by its
// suffix pixel. Strings are written straight into the row, last pixel first,
// when they fit in what is left of it; otherwise, and for packed 1- and
// 4-bit rows, they go through a stack one pixel at a time. Both ways give
// the same pixels.

#include "gif/LZWDecoder.h"

#include "rtl/Exception.h"

#include <array>
#include <cstring>
#include <memory>

namespace scindra {

namespace {

constexpr int kMaxCodes = 4096;
constexpr int kMaxCodeWidth = 12;
// A prefix walk longer than this can only come from a cycle in the table.
constexpr int kMaxWalk = 4096;
constexpr int kEndOfData = -1;

// The reader of codes: a bit window over the current sub-block.
//   position  next byte of the encoded data (a length byte or data)
//   bitPos    next unread bit in `buffer`
//   bitCount  bits of `buffer` that hold data
//   width     bits per code now
// Invariant: bitCount <= 8 * 258, so a code at bitPos never reads past the
// buffer (the 3 bytes taken from bitPos / 8 end before byte 260).
struct CodeReader {
    const uint8_t* data;
    size_t size;
    size_t position;
    uint32_t bitPos = 0;
    uint32_t bitCount = 0;
    int width = 0;
    std::array<uint8_t, 260> buffer{};

    // Keeps the unread tail of the window and appends the next sub-blocks
    // until a whole code is there or the data end.
    void Refill()
    {
        while (bitPos + static_cast<uint32_t>(width) > bitCount && position < size) {
            const uint32_t keep = bitPos / 8;
            std::memmove(buffer.data(), buffer.data() + keep, 3);
            bitPos %= 8;
            bitCount -= 8 * keep;
            const size_t length = data[position++];
            const size_t available = std::min(length, size - position);
            std::memcpy(buffer.data() + bitCount / 8, data + position, available);
            position += available;
            bitCount += static_cast<uint32_t>(8 * available);
        }
    }

    int Next()
    {
        if (bitPos + static_cast<uint32_t>(width) > bitCount) {
            Refill();
            if (bitPos + static_cast<uint32_t>(width) > bitCount)
                return kEndOfData;
        }
        const uint8_t* bytes = buffer.data() + bitPos / 8;
        const uint32_t window = bytes[0] | uint32_t{bytes[1]} << 8 | uint32_t{bytes[2]} << 16;
        const int code = static_cast<int>(window >> (bitPos % 8) & ((1u << width) - 1));
        bitPos += static_cast<uint32_t>(width);
        return code;
    }
};

// Where the next pixel goes. Rows are visited in order, or in the four
// interlace passes; once `row` reaches the height every pixel is ignored.
struct PixelWriter {
    const TPixelTarget& target;
    bool interlaced;
    int column = 0;
    int row = 0;
    int pass = 0;
    uint8_t* rowStart;

    PixelWriter(const TPixelTarget& t, bool interlace)
        : target(t), interlaced(interlace), rowStart(t.firstRow)
    {
        // Nothing to write into: a zero width must not make a row endless.
        if (t.width <= 0 || t.height <= 0)
            row = t.height > 0 ? t.height : 0;
    }

    bool Done() const { return row >= target.height; }
    int Left() const { return target.width - column; }

    void NextRow()
    {
        column = 0;
        row = interlaced ? NextInterlacedRow(row, target.height, pass) : row + 1;
        if (row < target.height)
            rowStart = target.firstRow + static_cast<ptrdiff_t>(row) * target.rowStep;
    }

    void PutPixel(uint8_t value)
    {
        if (Done())
            return;
        switch (target.bitCount) {
        case 1: {
            uint8_t& byte = rowStart[column / 8];
            const int shift = 7 - column % 8;
            byte = shift == 7 ? static_cast<uint8_t>(value << 7) : static_cast<uint8_t>(byte | value << shift);
            break;
        }
        case 4: {
            uint8_t& byte = rowStart[column / 2];
            byte = column % 2 == 0 ? static_cast<uint8_t>(value << 4) : static_cast<uint8_t>(byte | value);
            break;
        }
        default:
            rowStart[column] = value;
            break;
        }
        if (++column == target.width)
            NextRow();
    }

    // `count` pixels already written at the current column.
    void Advance(int count)
    {
        column += count;
        if (column == target.width)
            NextRow();
    }
};

// The string table. Entries at and above `next` may hold stale strings of
// an earlier table (kept as the walk sees them) or zeros.
//   prefix  the code of the string without its last pixel
//   suffix  the last pixel (already masked)
//   first   the first pixel (already masked)
//   length  the string's length when its whole chain is known to stay
//           as it is until the next clear code; 0 when it must be walked
struct StringTable {
    std::array<uint16_t, kMaxCodes> prefix{};
    std::array<uint8_t, kMaxCodes> suffix{};
    std::array<uint8_t, kMaxCodes> first{};
    std::array<uint16_t, kMaxCodes> length{};
    std::array<uint8_t, kMaxWalk + 2> stack{};
};

class Decoder {
public:
    Decoder(const uint8_t* encoded, size_t size, const TPixelTarget& target, bool interlaced,
            const TDecodeProgress& progress, bool& damaged, int tableBits, bool tolerant)
        : reader_{encoded, size, 1}, out_(target, interlaced), progress_(progress), damaged_(damaged),
          tolerant_(tolerant), mask_(static_cast<uint8_t>((1u << tableBits) - 1)), table_(new StringTable)
    {
        int codeSize = encoded[0];
        if (codeSize < 2 || codeSize > 9) {
            if (!tolerant)
                throw EInvalidGraphicOperation::CodeSizeOutOfRange();
            damaged_ = true;
            codeSize = codeSize < 2 ? 2 : 9;
        }
        clear_ = 1 << codeSize;
        end_ = clear_ + 1;
        firstFree_ = clear_ + 2;
        initialWidth_ = codeSize + 1;
        for (int code = 0; code < clear_; ++code) {
            table_->length[static_cast<size_t>(code)] = 1;
            table_->first[static_cast<size_t>(code)] = static_cast<uint8_t>(code & mask_);
        }
        Clear();
    }

    void Run()
    {
        int code = reader_.Next();
        while (code != end_ && code != kEndOfData && !out_.Done()) {
            const bool cleared = code == clear_;
            if (cleared) {
                // A clear after a clear only clears again.
                Clear();
            } else if (!hasOld_) {
                // The first code of the data or after a clear adds no entry.
                if (code > clear_) {
                    Corrupt();
                    return;
                }
                const uint8_t pixel = static_cast<uint8_t>(code & mask_);
                out_.PutPixel(pixel);
                SetOld(code, 1, pixel);
            } else if (damaged_ || !Expand(code)) {
                // Damaged data give only the pixels that follow a clear code.
                return;
            }
            code = reader_.Next();
            // The code that follows a clear is read as part of the clear.
            if (!cleared)
                Report();
        }
        // Data that end before the end code while rows remain are truncated.
        if (code == kEndOfData && !out_.Done())
            throw EReadError();
    }

private:
    void Clear()
    {
        reader_.width = initialWidth_;
        limit_ = 1 << initialWidth_;
        next_ = firstFree_;
        full_ = false;
        hasOld_ = false;
    }

    void SetOld(int code, int length, uint8_t firstPixel)
    {
        old_ = code;
        oldLength_ = length;
        firstPixel_ = firstPixel;
        hasOld_ = true;
    }

    void Corrupt()
    {
        if (!tolerant_)
            throw EInvalidGraphicOperation::CorruptData();
        damaged_ = true;
    }

    // Outputs the string of `code`, adds the entry it implies and makes it
    // the old code. False when the data turned out corrupt.
    bool Expand(int code)
    {
        StringTable& t = *table_;
        int length = 0;
        uint8_t firstPixel = 0;
        if (code < next_) {
            length = t.length[static_cast<size_t>(code)];
            if (length > 0) {
                firstPixel = t.first[static_cast<size_t>(code)];
                WriteString(code, length, firstPixel, -1);
            }
        } else if (oldLength_ > 0) {
            // The code being defined: the old string and its own first pixel.
            length = oldLength_ + 1;
            firstPixel = firstPixel_;
            WriteString(old_, oldLength_, firstPixel, firstPixel_);
        }
        if (length == 0 && !Walk(code, firstPixel))
            return false;
        AddEntry(firstPixel);
        // A code past the next free one is not the string it stands for
        // once that slot is filled: its length stays unknown.
        const int known = code < next_ ? t.length[static_cast<size_t>(code)] : 0;
        SetOld(code, known, firstPixel);
        return true;
    }

    // Adds old + firstPixel; the code width grows when the table reaches
    // its limit, until it holds 4096 entries. The new entry's length is
    // known only when the old string's is.
    void AddEntry(uint8_t firstPixel)
    {
        if (full_)
            return;
        StringTable& t = *table_;
        const auto index = static_cast<size_t>(next_);
        t.prefix[index] = static_cast<uint16_t>(old_);
        t.suffix[index] = firstPixel;
        t.length[index] = static_cast<uint16_t>(oldLength_ > 0 ? oldLength_ + 1 : 0);
        t.first[index] = firstPixel_;
        ++next_;
        if (next_ >= limit_) {
            if (reader_.width < kMaxCodeWidth) {
                ++reader_.width;
                limit_ *= 2;
            } else {
                full_ = true;
            }
        }
    }

    // The string `code` stands for, of `length` pixels, with `tail` (when
    // not negative) as one more pixel after it.
    void WriteString(int code, int length, uint8_t firstPixel, int tail)
    {
        const StringTable& t = *table_;
        const int total = length + (tail >= 0 ? 1 : 0);
        if (target8_ && total <= out_.Left()) {
            uint8_t* p = out_.rowStart + out_.column + total - 1;
            if (tail >= 0)
                *p-- = static_cast<uint8_t>(tail);
            for (int i = 1; i < length; ++i) {
                *p-- = t.suffix[static_cast<size_t>(code)];
                code = t.prefix[static_cast<size_t>(code)];
            }
            *p = firstPixel;
            out_.Advance(total);
            return;
        }
        auto& stack = table_->stack;
        int top = 0;
        if (tail >= 0)
            stack[static_cast<size_t>(top++)] = static_cast<uint8_t>(tail);
        for (int i = 1; i < length; ++i) {
            stack[static_cast<size_t>(top++)] = t.suffix[static_cast<size_t>(code)];
            code = t.prefix[static_cast<size_t>(code)];
        }
        stack[static_cast<size_t>(top++)] = firstPixel;
        while (top > 0 && !out_.Done())
            out_.PutPixel(stack[static_cast<size_t>(--top)]);
    }

    // The pixel-by-pixel walk for strings whose chain is not known to be
    // sound: bounded, it flags a cycle as corrupt data.
    bool Walk(int code, uint8_t& firstPixel)
    {
        const StringTable& t = *table_;
        auto& stack = table_->stack;
        int top = 0;
        if (code >= next_) {
            stack[static_cast<size_t>(top++)] = firstPixel_;
            code = old_;
        }
        while (code >= clear_) {
            stack[static_cast<size_t>(top++)] = t.suffix[static_cast<size_t>(code)];
            code = t.prefix[static_cast<size_t>(code)];
            if (top > kMaxWalk) {
                Corrupt();
                return false;
            }
        }
        firstPixel = static_cast<uint8_t>(code & mask_);
        stack[static_cast<size_t>(top++)] = firstPixel;
        while (top > 0 && !out_.Done())
            out_.PutPixel(stack[static_cast<size_t>(--top)]);
        return true;
    }

    void Report()
    {
        if (reader_.position == lastPosition_ || !progress_)
            return;
        lastPosition_ = reader_.position;
        const int percent = static_cast<int>(reader_.position * 100 / reader_.size);
        if (percent != lastPercent_) {
            lastPercent_ = percent;
            progress_(percent);
        }
    }

    CodeReader reader_;
    PixelWriter out_;
    const TDecodeProgress& progress_;
    bool& damaged_;
    bool tolerant_;
    uint8_t mask_;
    std::unique_ptr<StringTable> table_;
    bool target8_ = out_.target.bitCount == 8;
    int clear_ = 0;
    int end_ = 0;
    int firstFree_ = 0;
    int initialWidth_ = 0;
    int limit_ = 0;
    int next_ = 0;
    bool full_ = false;
    bool hasOld_ = false;
    int old_ = 0;
    int oldLength_ = 0;
    uint8_t firstPixel_ = 0;
    size_t lastPosition_ = 0;
    int lastPercent_ = -1;
};

} // namespace

int NextInterlacedRow(int row, int height, int& pass)
{
    static constexpr int steps[4] = {8, 8, 4, 2};
    const int next = row + steps[pass & 3];
    if (next < height)
        return next;
    switch (pass) {
    case 0:
        pass = 1;
        if (height > 4)
            return 4;
        [[fallthrough]];
    case 1:
        pass = 2;
        if (height > 2)
            return 2;
        [[fallthrough]];
    case 2:
        pass = 3;
        return 1;
    default:
        return next;
    }
}

void DecodeLZW(const uint8_t* encoded, size_t size, const TPixelTarget& target, bool interlaced,
               const TDecodeProgress& progress, bool& damaged, int tableBits, bool tolerant)
{
    if (size == 0)
        throw EReadError();
    if (tableBits < 1 || tableBits > 8)
        throw EInvalidGraphicOperation::WrongColorCount();
    Decoder(encoded, size, target, interlaced, progress, damaged, tableBits, tolerant).Run();
}

} // namespace scindra
