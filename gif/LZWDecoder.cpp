// The LZW decoder of GIF image data.
//
// Codes are read from the data sub-blocks through a small bit buffer. Each
// code stands for a string of pixels: a literal (below the clear code) for
// one pixel, a table entry for the string of its prefix followed by its
// suffix pixel. Rows of one byte per pixel take a string whole when it fits
// in what is left of the row: strings of up to 3 pixels, kept packed in one
// word per code, in a single 4-byte store; longer ones written last pixel
// first along their prefixes. Everything else (row ends, packed 1- and 4-bit
// rows, codes of damaged data) goes one pixel at a time through a stack,
// as the rules are written. Both ways give the same pixels.

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
// 8 * 258 and the 8 bytes read for a code always lie inside the buffer.
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

// The next code of `width` bits, the window refilled from the sub-blocks
// first when it holds too few bits; kEndOfData once the data end.
[[gnu::always_inline]] inline int NextCode(BitWindow& window, uint8_t* buffer, const uint8_t* data, size_t size,
                                           size_t& position, int width)
{
    if (window.bitPos + static_cast<uint32_t>(width) > window.bitCount) {
        window = Refill(window, buffer, data, size, position, width);
        if (window.bitPos + static_cast<uint32_t>(width) > window.bitCount)
            return kEndOfData;
    }
    uint64_t bits = 0;
    std::memcpy(&bits, buffer + window.bitPos / 8, sizeof bits);
    window.bitPos += static_cast<uint32_t>(width);
    return static_cast<int>(bits >> ((window.bitPos - static_cast<uint32_t>(width)) % 8) & ((1u << width) - 1));
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

    // `count` pixels already written at the current column (byte rows).
    void Advance(int count)
    {
        column += count;
        if (column == target.width)
            NextRow();
    }

    // Byte rows: `count` pixels in order, across as many rows as they reach.
    void PutPixels(const uint8_t* pixels, int count)
    {
        while (count > 0 && !Done()) {
            const int n = std::min(count, target.width - column);
            std::memcpy(rowStart + column, pixels, static_cast<size_t>(n));
            pixels += n;
            count -= n;
            Advance(n);
        }
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
// Pixels are stored already masked with the colour table mask. Entries at
// and above the next free code may hold stale strings of an earlier table
// (a corrupt code can still reach them) or zeros.
struct Entry {
    uint16_t prefix;
    uint16_t length;
    uint8_t suffix;
    uint8_t first;
};

// Codes and short strings are moved as little-endian words.
static_assert(std::endian::native == std::endian::little);

// A known string of at most 3 pixels packed in one word: the pixels in the
// low bytes, first pixel lowest, and the length in the top byte; 0 for any
// other string. Most codes of real images stand for such strings, and the
// words of all codes (16 KiB) stay in the first-level cache.
constexpr uint32_t kShortMax = 3;

uint32_t ShortAppend(uint32_t word, uint8_t pixel)
{
    const uint32_t length = word >> 24;
    if (length == 0 || length >= kShortMax)
        return 0;
    return (word & 0xFFFFFFu) | uint32_t{pixel} << (8 * length) | (length + 1) << 24;
}

// Only the entries start zero-filled (a corrupt code may walk stale or
// unset ones); short-string words are read for defined codes only.
struct Tables {
    std::array<uint32_t, kMaxCodes> shortStrings;
    std::array<Entry, kMaxCodes> entries{};
    std::array<uint8_t, kMaxWalk + 2> stack;
    // 260 bytes of window and 8 more, so that a code is read with one
    // 8-byte load wherever it starts.
    std::array<uint8_t, 268> buffer{};
};

// What the decoder carries from one code to the next.
//   codeWidth, limit  bits per code, and the table size that widens them
//   next              the next free code
//   hasOld            a code was output since the last clear
//   canAdd            hasOld, and the table is not full
//   old...            the previous code, its length (0 when unknown), first
//                     pixel and short-string word
struct CodeState {
    int codeWidth = 0;
    int limit = 0;
    int next = 0;
    bool hasOld = false;
    bool canAdd = false;
    int old = 0;
    int oldLength = 0;
    uint8_t oldFirst = 0;
    uint32_t oldWord = 0;
};

// Adds the old string plus `firstPixel`; the code width grows when the
// table reaches its limit, until it holds 4096 entries. Inline: the fast
// loop calls it with its state in locals.
inline void AddEntry(CodeState& s, Entry* entries, uint32_t* words, uint8_t firstPixel)
{
    Entry& entry = entries[s.next];
    entry.prefix = static_cast<uint16_t>(s.old);
    entry.suffix = firstPixel;
    entry.first = s.oldFirst;
    entry.length = static_cast<uint16_t>(s.oldLength > 0 ? s.oldLength + 1 : 0);
    words[s.next] = ShortAppend(s.oldWord, firstPixel);
    if (++s.next >= s.limit) {
        if (s.codeWidth < kMaxCodeWidth) {
            ++s.codeWidth;
            s.limit *= 2;
        } else {
            s.canAdd = false;
        }
    }
}

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
        initialWidth_ = codeSize + 1;
        // Literals are strings of one pixel; the clear and end codes are no
        // strings at all (length 0).
        for (int code = 0; code < clear_; ++code) {
            Entry& entry = tables_->entries[static_cast<size_t>(code)];
            entry.length = 1;
            entry.first = entry.suffix = static_cast<uint8_t>(code & mask_);
            tables_->shortStrings[static_cast<size_t>(code)] = entry.first | uint32_t{1} << 24;
        }
        tables_->shortStrings[static_cast<size_t>(clear_)] = 0;
        tables_->shortStrings[static_cast<size_t>(clear_ + 1)] = 0;
        Clear();
    }

    void Run()
    {
        const TPixelTarget& target = out_.target;
        const bool zeroFirst = !target.zeroed && (out_.interlaced || target.bitCount != 8);
        if (zeroFirst) {
            for (int row = 0; row < target.height && target.width > 0; ++row)
                std::memset(target.firstRow + row * target.rowStep, 0, RowBytes());
        }
        // Damaged from the start, or packed rows: every code the general way.
        if (target.bitCount == 8 && !damaged_)
            RunCodes<true>();
        else
            RunCodes<false>();
        if (target.zeroed || zeroFirst)
            ClearScratch();
        else
            ZeroRest();
    }

private:
    void Clear()
    {
        state_.codeWidth = initialWidth_;
        state_.limit = 1 << initialWidth_;
        state_.next = clear_ + 2;
        state_.hasOld = false;
        state_.canAdd = false;
    }

    void Corrupt()
    {
        if (!tolerant_)
            throw EInvalidGraphicOperation::CorruptData();
        damaged_ = true;
    }

    size_t RowBytes() const
    {
        return static_cast<size_t>(out_.target.rowStep < 0 ? -out_.target.rowStep : out_.target.rowStep);
    }
    void ZeroRest();
    template <bool kBytes>
    void RunCodes();
    bool DecodeCode(int code, bool& reportable);
    void ClearScratch();
    bool Walk(int code, uint8_t& firstPixel);
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
    int initialWidth_ = 0;
    CodeState state_;
    int lastPercent_ = -1;
};

// The common code (a literal or a known string that fits in the row, the
// data sound so far) is handled here with
// its state in locals, so that pixel stores, which may alias anything, do
// not force it back to memory. Every other code goes through DecodeCode,
// which follows the rules case by case.
template <bool kFast>
void Decoder::RunCodes()
{
    uint32_t* const words = tables_->shortStrings.data();
    Entry* const entries = tables_->entries.data();
    uint8_t* const buffer = tables_->buffer.data();
    const int end = clear_ + 1;
    const int width = out_.target.width;

    size_t position = 1;
    size_t lastPosition = position;
    BitWindow window;
    CodeState s = state_;
    // The next pixel of the current row and the pixels left in it (0 once
    // every row is written).
    uint8_t* cursor = out_.rowStart;
    int room = out_.Done() ? 0 : width;
    // The previous code was one after which progress is told: every code
    // but a clear (the code after it is read as part of the clear).
    bool reportable = false;
    int code = 0;

    for (;;) {
        code = NextCode(window, buffer, data_, size_, position, s.codeWidth);
        if (reportable && position != lastPosition) {
            lastPosition = position;
            Report(position);
        }
        reportable = true;

        if (kFast && static_cast<unsigned>(code) < static_cast<unsigned>(s.next)) {
            const uint32_t word = words[code];
            int length = static_cast<int>(word >> 24);
            uint8_t firstPixel = 0;
            bool written = false;
            if (length != 0 && length <= room) {
                // One 4-byte store: the bytes past the string are scratch
                // that later pixels overwrite (see ClearScratch). At the end
                // of a row, byte by byte.
                if (room >= 4) {
                    std::memcpy(cursor, &word, 4);
                } else {
                    for (int i = 0; i < length; ++i)
                        cursor[i] = static_cast<uint8_t>(word >> (8 * i));
                }
                firstPixel = static_cast<uint8_t>(word);
                written = true;
            } else if ((length = entries[code].length) != 0 && length <= room) {
                // A longer known string that fits: written last pixel first.
                firstPixel = entries[code].first;
                uint8_t* p = cursor + length - 1;
                int c = code;
                for (int i = 1; i < length; ++i) {
                    *p-- = entries[c].suffix;
                    c = entries[c].prefix;
                }
                *p = firstPixel;
                written = true;
            }
            if (written) {
                cursor += length;
                room -= length;
                if (s.canAdd) {
                    AddEntry(s, entries, words, firstPixel);
                } else if (!s.hasOld) {
                    s.hasOld = s.canAdd = true;
                }
                s.old = code;
                s.oldLength = length;
                s.oldFirst = firstPixel;
                s.oldWord = word;
                if (room == 0) {
                    out_.NextRow();
                    room = out_.Done() ? 0 : width;
                    cursor = out_.rowStart;
                }
                continue;
            }
        }

        if (!out_.Done())
            out_.column = width - room;
        if (code == end || code == kEndOfData || out_.Done())
            break;
        state_ = s;
        if (!DecodeCode(code, reportable))
            return;
        s = state_;
        room = out_.Done() ? 0 : width - out_.column;
        if (kFast)
            cursor = out_.rowStart + out_.column;
    }
    // Data that end before the end code while rows remain are truncated.
    if (code == kEndOfData && !out_.Done())
        throw EReadError();
}

// One code the general way. False when decoding stops here.
bool Decoder::DecodeCode(int code, bool& reportable)
{
    CodeState& s = state_;
    const Entry* entries = tables_->entries.data();
    if (code == clear_) {
        // A clear after a clear only clears again.
        Clear();
        reportable = false;
        return true;
    }
    if (!s.hasOld) {
        // The first code of the data or after a clear adds no entry.
        if (code > clear_) {
            Corrupt();
            return false;
        }
        s.oldFirst = static_cast<uint8_t>(code & mask_);
        out_.PutPixel(s.oldFirst);
        s.old = code;
        s.oldLength = 1;
        s.oldWord = tables_->shortStrings[static_cast<size_t>(code)];
        s.hasOld = s.canAdd = true;
        return true;
    }
    // Damaged data give only the pixels that follow a clear code.
    if (damaged_)
        return false;
    uint8_t firstPixel = 0;
    const int length = code < s.next ? entries[code].length : 0;
    if (length > 0) {
        firstPixel = entries[code].first;
        PutString(code, length, firstPixel, -1);
    } else if (code >= s.next && s.oldLength > 0) {
        // The code being defined: the old string and its own first pixel.
        firstPixel = s.oldFirst;
        PutString(s.old, s.oldLength, firstPixel, s.oldFirst);
    } else if (!Walk(code, firstPixel)) {
        return false;
    }
    if (s.canAdd)
        AddEntry(s, tables_->entries.data(), tables_->shortStrings.data(), firstPixel);
    // A code past the next free one is not the string it stood for once
    // that slot is filled: its length stays unknown.
    const bool defined = code < s.next;
    s.old = code;
    s.oldLength = defined ? entries[code].length : 0;
    s.oldWord = defined ? tables_->shortStrings[static_cast<size_t>(code)] : 0;
    s.oldFirst = firstPixel;
    return true;
}


// The 4-byte stores of short strings may leave up to 3 bytes of scratch
// after the last pixel written, inside its row: pixels the data never reach
// keep the value 0.
void Decoder::ClearScratch()
{
    if (out_.target.bitCount != 8 || out_.Done())
        return;
    const int left = out_.target.width - out_.column;
    std::memset(out_.rowStart + out_.column, 0, static_cast<size_t>(std::min(left, 3)));
}

// Rows in order: the rest of the current row and every row after it.
void Decoder::ZeroRest()
{
    if (out_.Done())
        return;
    const TPixelTarget& target = out_.target;
    std::memset(out_.rowStart + out_.column, 0, RowBytes() - static_cast<size_t>(out_.column));
    for (int row = out_.row + 1; row < target.height; ++row)
        std::memset(target.firstRow + row * target.rowStep, 0, RowBytes());
}

// The string `code` stands for, `length` pixels, then `tail` when it is not
// negative: written last pixel first when it fits in the row, else one
// pixel at a time through the stack.
void Decoder::PutString(int code, int length, uint8_t firstPixel, int tail)
{
    const Entry* entries = tables_->entries.data();
    const int total = length + (tail >= 0 ? 1 : 0);
    // Byte rows: the string is spelt out in order (last pixel first along
    // the prefixes), then copied row piece by row piece.
    if (out_.target.bitCount == 8) {
        const bool fits = !out_.Done() && total <= out_.target.width - out_.column;
        uint8_t* const start = fits ? out_.rowStart + out_.column : tables_->stack.data();
        uint8_t* p = start + total - 1;
        if (tail >= 0)
            *p-- = static_cast<uint8_t>(tail);
        for (int i = 1; i < length; ++i) {
            *p-- = entries[code].suffix;
            code = entries[code].prefix;
        }
        *p = firstPixel;
        if (fits)
            out_.Advance(total);
        else
            out_.PutPixels(start, total);
        return;
    }
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
bool Decoder::Walk(int code, uint8_t& firstPixel)
{
    const Entry* entries = tables_->entries.data();
    uint8_t* stack = tables_->stack.data();
    int top = 0;
    if (code >= state_.next) {
        stack[top++] = state_.oldFirst;
        code = state_.old;
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
