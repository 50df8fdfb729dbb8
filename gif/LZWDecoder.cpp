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

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <memory>

namespace scindra {

namespace {

constexpr int kMaxCodes = 4096;
constexpr int kMaxCodeWidth = 12;
// A prefix walk longer than this can only come from a cycle in the table.
constexpr int kMaxWalk = 4096;
// Beyond every code, so that it never passes for a table index.
constexpr int kEndOfData = 0x10000;

// The bit window over the data sub-blocks (the reader of codes):
//   buffer    the unread tail of the previous sub-block and the current one
//   bitPos    next unread bit in `buffer`
//   bitCount  bits of `buffer` that hold data
// A refill keeps the 3 bytes from bitPos / 8, so bitCount never exceeds
// 8 * 258 and the 3 bytes read for a code always lie inside the buffer.
struct BitWindow {
    uint32_t bitPos = 0;
    uint32_t bitCount = 0;
};

// Appends sub-blocks to the window until a code of `width` bits is there or
// the data end; `position` is the next byte of the data (a length byte).
[[gnu::noinline]] BitWindow Refill(BitWindow window, uint8_t* buffer, const uint8_t* data, size_t size,
                                   size_t& position, int width)
{
    while (window.bitPos + static_cast<uint32_t>(width) > window.bitCount && position < size) {
        const uint32_t keep = window.bitPos / 8;
        std::memmove(buffer, buffer + keep, 3);
        window.bitPos %= 8;
        window.bitCount -= 8 * keep;
        const size_t length = data[position++];
        const size_t available = std::min(length, size - position);
        std::memcpy(buffer + window.bitCount / 8, data + position, available);
        position += available;
        window.bitCount += static_cast<uint32_t>(8 * available);
    }
    return window;
}

// Where the next pixel goes. Rows are visited in order, or in the four
// interlace passes; once `row` reaches the height every pixel is ignored.
struct PixelWriter {
    const TPixelTarget& target;
    bool interlaced;
    int column = 0;
    int row = 0;
    int pass = 0;
    uint8_t* rowStart;

    PixelWriter(const TPixelTarget& t, bool interlace) : target(t), interlaced(interlace), rowStart(t.firstRow)
    {
        // Nothing to write into: a zero width must not make a row endless.
        if (t.width <= 0 || t.height <= 0)
            row = t.height > 0 ? t.height : 0;
    }

    bool Done() const { return row >= target.height; }

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
};

// One string of the table: the string of `prefix` followed by `suffix`.
//   first   its first pixel
//   length  its length when the whole chain is known to stay as it is until
//           the next clear code; 0 when it must be walked
//   pixels  the whole string, first pixel in the low byte, when it is
//           known and at most 8 pixels long
// Pixels are stored already masked with the colour table mask. Entries at
// and above the next free code may hold stale strings of an earlier table
// (a corrupt code can still reach them) or zeros.
struct Entry {
    uint64_t pixels;
    uint16_t prefix;
    uint16_t length;
    uint8_t suffix;
    uint8_t first;
};

struct Tables {
    std::array<Entry, kMaxCodes> entries{};
    std::array<uint8_t, kMaxWalk + 2> stack{};
    std::array<uint8_t, 260> buffer{};
};

class Decoder {
public:
    Decoder(const uint8_t* encoded, size_t size, const TPixelTarget& target, bool interlaced,
            const TDecodeProgress& progress, bool& damaged, int tableBits, bool tolerant)
        : data_(encoded), size_(size), out_(target, interlaced), progress_(progress), damaged_(damaged),
          tolerant_(tolerant), mask_(static_cast<uint8_t>((1u << tableBits) - 1)), tables_(new Tables)
    {
        int codeSize = encoded[0];
        if (codeSize < 2 || codeSize > 9) {
            if (!tolerant)
                throw EInvalidGraphicOperation::CodeSizeOutOfRange();
            damaged_ = true;
            codeSize = codeSize < 2 ? 2 : 9;
        }
        clear_ = 1 << codeSize;
        // Literals are strings of one pixel; the clear and end codes are
        // no strings at all (length 0).
        for (int code = 0; code < clear_; ++code) {
            Entry& entry = tables_->entries[static_cast<size_t>(code)];
            entry.length = 1;
            entry.first = entry.suffix = static_cast<uint8_t>(code & mask_);
            entry.pixels = entry.first;
        }
    }

    void Run()
    {
        RunCodes();
        ClearScratch();
    }

private:
    void Corrupt()
    {
        if (!tolerant_)
            throw EInvalidGraphicOperation::CorruptData();
        damaged_ = true;
    }

    void RunCodes();
    void ClearScratch();
    bool Walk(int code, int next, int old, uint8_t oldFirst, uint8_t& firstPixel);
    void PutString(int code, int length, uint8_t firstPixel, int tail);
    void Report(size_t position);

    const uint8_t* data_;
    size_t size_;
    PixelWriter out_;
    const TDecodeProgress& progress_;
    bool& damaged_;
    bool tolerant_;
    uint8_t mask_;
    std::unique_ptr<Tables> tables_;
    int clear_ = 0;
    int lastPercent_ = -1;
};

// The state lives in locals so that pixel stores, which may alias anything,
// do not force it back to memory on every code. The common code (a literal
// or a known string that fits in the row, with the data sound so far) takes
// the first branch; everything else goes through the general one, which
// follows the rules case by case.
void Decoder::RunCodes()
{
    Entry* const entries = tables_->entries.data();
    uint8_t* const buffer = tables_->buffer.data();
    const int clear = clear_;
    const int end = clear + 1;
    const int firstFree = clear + 2;
    const int initialWidth = std::countr_zero(static_cast<unsigned>(clear)) + 1;
    const int width = out_.target.width;
    // Damaged from the start, or packed rows: one code at a time.
    const bool fast = out_.target.bitCount == 8 && !damaged_;

    size_t position = 1;
    size_t lastPosition = position;
    BitWindow window;
    int codeWidth = initialWidth;
    int limit = 1 << initialWidth;
    int next = firstFree;
    bool hasOld = false; // a code was output since the last clear
    bool canAdd = false; // hasOld and the table is not full
    int old = 0;
    int oldLength = 0;
    uint8_t oldFirst = 0;
    // The next pixel of the current row and the pixels left in it (0 once
    // every row is written, which sends every code to the general branch).
    uint8_t* cursor = out_.rowStart;
    int room = out_.Done() ? 0 : width;

    const auto nextCode = [&]() -> int {
        if (window.bitPos + static_cast<uint32_t>(codeWidth) > window.bitCount) {
            window = Refill(window, buffer, data_, size_, position, codeWidth);
            if (window.bitPos + static_cast<uint32_t>(codeWidth) > window.bitCount)
                return kEndOfData;
        }
        const uint8_t* p = buffer + window.bitPos / 8;
        const uint32_t bits = p[0] | uint32_t{p[1]} << 8 | uint32_t{p[2]} << 16;
        const int code = static_cast<int>(bits >> (window.bitPos % 8) & ((1u << codeWidth) - 1));
        window.bitPos += static_cast<uint32_t>(codeWidth);
        return code;
    };
    // Adds the old string plus `firstPixel`; the code width grows when the
    // table reaches its limit, until it holds 4096 entries.
    const auto addEntry = [&](uint8_t firstPixel) {
        Entry& entry = entries[next];
        entry.prefix = static_cast<uint16_t>(old);
        entry.suffix = firstPixel;
        entry.first = oldFirst;
        entry.length = static_cast<uint16_t>(oldLength > 0 ? oldLength + 1 : 0);
        if (oldLength > 0 && oldLength < 8)
            entry.pixels = entries[old].pixels | uint64_t{firstPixel} << (8 * oldLength);
        if (++next >= limit) {
            if (codeWidth < kMaxCodeWidth) {
                ++codeWidth;
                limit *= 2;
            } else {
                canAdd = false;
            }
        }
    };
    const auto syncFromWriter = [&]() {
        room = out_.Done() ? 0 : width - out_.column;
        if (fast)
            cursor = out_.rowStart + out_.column;
    };

    int code = nextCode();
    for (;;) {
        bool cleared = false;
        int length = 0;
        if (fast && static_cast<unsigned>(code) < static_cast<unsigned>(next)
            && (length = entries[code].length) != 0 && length <= room) {
            // A literal or a string of known length that fits in the row.
            // Short strings go in one 8-byte store: the bytes past the
            // string are scratch that later pixels overwrite (see
            // ClearScratch). Longer ones are written last pixel first.
            const uint8_t firstPixel = entries[code].first;
            if (length <= 8 && room >= 8) {
                std::memcpy(cursor, &entries[code].pixels, 8);
            } else {
                uint8_t* p = cursor + length - 1;
                int c = code;
                for (int i = 1; i < length; ++i) {
                    *p-- = entries[c].suffix;
                    c = entries[c].prefix;
                }
                *p = firstPixel;
            }
            cursor += length;
            room -= length;
            if (canAdd)
                addEntry(firstPixel);
            else if (!hasOld)
                hasOld = canAdd = true;
            old = code;
            oldLength = length;
            oldFirst = firstPixel;
            if (room == 0) {
                out_.NextRow();
                syncFromWriter();
            }
        } else {
            if (!out_.Done())
                out_.column = width - room;
            if (code == end || code == kEndOfData || out_.Done())
                break;
            cleared = code == clear;
            if (cleared) {
                // A clear after a clear only clears again.
                codeWidth = initialWidth;
                limit = 1 << initialWidth;
                next = firstFree;
                hasOld = canAdd = false;
            } else if (!hasOld) {
                // The first code of the data or after a clear adds no entry.
                if (code > clear) {
                    Corrupt();
                    return;
                }
                oldFirst = static_cast<uint8_t>(code & mask_);
                out_.PutPixel(oldFirst);
                old = code;
                oldLength = 1;
                hasOld = canAdd = true;
            } else {
                // Damaged data give only the pixels that follow a clear code.
                if (damaged_)
                    return;
                uint8_t firstPixel = 0;
                length = code < next ? entries[code].length : 0;
                if (length > 0) {
                    firstPixel = entries[code].first;
                    PutString(code, length, firstPixel, -1);
                } else if (code >= next && oldLength > 0) {
                    // The code being defined: the old string and its first pixel.
                    firstPixel = oldFirst;
                    PutString(old, oldLength, firstPixel, oldFirst);
                } else if (!Walk(code, next, old, oldFirst, firstPixel)) {
                    return;
                }
                if (canAdd)
                    addEntry(firstPixel);
                // A code past the next free one is not the string it stood
                // for once that slot is filled: its length stays unknown.
                old = code;
                oldLength = code < next ? entries[code].length : 0;
                oldFirst = firstPixel;
            }
            syncFromWriter();
        }
        code = nextCode();
        // The code that follows a clear is read as part of the clear.
        if (!cleared && position != lastPosition) {
            lastPosition = position;
            Report(position);
        }
    }
    // Data that end before the end code while rows remain are truncated.
    if (code == kEndOfData && !out_.Done())
        throw EReadError();
}

// The 8-byte stores of short strings may leave up to 7 bytes of scratch
// after the last pixel written, inside its row: pixels the data never reach
// keep the value 0.
void Decoder::ClearScratch()
{
    if (out_.target.bitCount != 8 || out_.Done())
        return;
    const int left = out_.target.width - out_.column;
    std::memset(out_.rowStart + out_.column, 0, static_cast<size_t>(std::min(left, 7)));
}

// The string `code` stands for, `length` pixels, then `tail` when it is not
// negative, one pixel at a time.
void Decoder::PutString(int code, int length, uint8_t firstPixel, int tail)
{
    const Entry* entries = tables_->entries.data();
    uint8_t* stack = tables_->stack.data();
    int top = 0;
    if (tail >= 0)
        stack[top++] = static_cast<uint8_t>(tail);
    for (int i = 1; i < length; ++i) {
        stack[top++] = entries[code].suffix;
        code = entries[code].prefix;
    }
    stack[top++] = firstPixel;
    while (top > 0 && !out_.Done())
        out_.PutPixel(stack[--top]);
}

// The pixel-by-pixel walk for strings whose chain is not known to be sound.
// Bounded: a chain longer than any real string is a cycle, corrupt data.
bool Decoder::Walk(int code, int next, int old, uint8_t oldFirst, uint8_t& firstPixel)
{
    const Entry* entries = tables_->entries.data();
    uint8_t* stack = tables_->stack.data();
    int top = 0;
    if (code >= next) {
        stack[top++] = oldFirst;
        code = old;
    }
    while (code >= clear_) {
        stack[top++] = entries[code].suffix;
        code = entries[code].prefix;
        if (top > kMaxWalk) {
            Corrupt();
            return false;
        }
    }
    firstPixel = static_cast<uint8_t>(code & mask_);
    stack[top++] = firstPixel;
    while (top > 0 && !out_.Done())
        out_.PutPixel(stack[--top]);
    return true;
}

// Told only when the truncated percentage changes.
void Decoder::Report(size_t position)
{
    const int percent = static_cast<int>(position * 100 / size_);
    if (percent != lastPercent_ && progress_) {
        lastPercent_ = percent;
        progress_(percent);
    }
}

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
