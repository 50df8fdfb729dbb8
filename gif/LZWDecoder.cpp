// The LZW decoder of GIF image data.
//
// Codes are read from the data sub-blocks through a small bit buffer. Each
// code stands for a string of pixels: a literal (below the clear code) for
// one pixel, a table entry for the string of its prefix followed by its
// suffix pixel.
//
// Byte rows are decoded as one run of pixels in file order (interlaced rows
// are put in their places afterwards). A sound entry's string then already
// stands in the run where it was first written, the previous string and the
// first pixel of the next: the entry keeps that position and length, and
// writing its string again is a copy, however long. Damaged data can make an
// entry whose string was never written as such (its prefix a code defined
// later, or never); prefix and suffix are kept for those, and their strings
// are spelt out along the prefixes before they are copied. Packed 1- and
// 4-bit rows cannot be a byte source: every string goes there spelt out,
// pixel by pixel.

#include "gif/LZWDecoder.h"

#include "rtl/Exception.h"

#include <algorithm>
#include <array>
#include <cstdlib>
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
// Strings are copied in blocks of this many bytes.
constexpr uint32_t kBlock = 16;
// The work space after a run: the spill of the last block (kBlock bytes),
// the literal pixels (at most 512 codes), a block's read past the last one.
constexpr uint32_t kLiteralsAfterRun = kBlock;
static_assert(kDecoderTailBytes >= kLiteralsAfterRun + 512 + kBlock);

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

// Byte rows as one run of `count` pixels in file order, followed by
// kDecoderTailBytes of work space; `done` pixels are written.
struct PixelRun {
    static constexpr bool kCopies = true;
    uint8_t* pixels;
    uint32_t count;
    uint32_t done = 0;
    const uint8_t* literals; // c & mask at literals[c], in the work space

    bool Done() const { return done >= count; }
    uint32_t Position() const { return done; }

    // The one way a string reaches byte rows: `length` pixels from `from`,
    // cut at the end of the run. Whole blocks are copied, each read before
    // it is stored, so the last one spills up to kBlock - 1 bytes past the
    // string (the next string overwrites them; Finish clears them at the
    // end). This is sound because:
    // - the spill stays in the work space: done + length <= count + kBlock;
    // - `from` lies before the string's place with from + length <= pixels
    //   + done, or outside the run (a literal, a spelt string), so the bytes
    //   of the string are read before anything of this copy is stored, and
    //   what a block reads past them only reaches the spill;
    // - a block read past the string stays inside the run and its work
    //   space, or inside the spelling buffer, which both end kBlock bytes
    //   after the last byte a string can come from.
    [[gnu::always_inline]] void Put(const uint8_t* from, uint32_t length)
    {
        const uint32_t n = std::min(length, count - done);
        uint8_t* const to = pixels + done;
        done += n;
        uint32_t i = 0;
        do {
            uint8_t block[kBlock];
            std::memcpy(block, from + i, kBlock);
            std::memcpy(to + i, block, kBlock);
            i += kBlock;
        } while (i < n);
    }
};

// Packed or otherwise unrunnable rows, pixel by pixel. Rows are visited in
// order, or in the four interlace passes; once `row` reaches the height
// every pixel is ignored.
struct PixelRows {
    static constexpr bool kCopies = false;
    const TPixelTarget* target;
    bool interlaced;
    const uint8_t* literals;
    int column = 0;
    int row = 0;
    int pass = 0;
    uint8_t* rowStart;

    PixelRows(const TPixelTarget& t, bool interlace, const uint8_t* literalPixels)
        : target(&t), interlaced(interlace), literals(literalPixels), rowStart(t.firstRow)
    {
        // Nothing to write into: a zero width must not make a row endless.
        if (t.width <= 0 || t.height <= 0)
            row = t.height > 0 ? t.height : 0;
    }

    bool Done() const { return row >= target->height; }
    uint32_t Position() const { return 0; }

    void Put(const uint8_t* from, uint32_t length)
    {
        for (uint32_t i = 0; i < length && !Done(); ++i)
            PutPixel(from[i]);
    }

    void PutPixel(uint8_t value)
    {
        switch (target->bitCount) {
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
        if (++column < target->width)
            return;
        column = 0;
        row = interlaced ? NextInterlacedRow(row, target->height, pass) : row + 1;
        if (row < target->height)
            rowStart = target->firstRow + static_cast<ptrdiff_t>(row) * target->rowStep;
    }
};

// One table entry, the string of `prefix` followed by its suffix pixel:
//   position  where its string stands in the run of pixels
//   length    its length when that string is known to be the entry's until
//             the next clear code; 0 when it must be spelt out
// A known entry's prefix is a known code below its own (the previous code,
// defined before it), so its chain ends at a literal and does not change
// until the next clear; its string grows by one pixel per entry, so it is
// at most 4,096 pixels long and lies wholly in the pixels written before
// the code that added it. Entries at and above the next free code may hold
// stale entries of an earlier table (a corrupt code can still reach them)
// or zeros.
struct Entry {
    uint32_t position;
    uint16_t length;
    uint16_t prefix;
};

// Only entries and suffixes need to start zero-filled (a corrupt code may
// walk stale or unset ones); the rest is zeroed so that every byte a block
// copy reads is defined.
struct Tables {
    std::array<Entry, kMaxCodes> entries{};
    std::array<uint8_t, kMaxCodes> suffix{};
    // Literal pixels for rows that are no run, a block's read past the last.
    std::array<uint8_t, 512 + kBlock> literals{};
    // A string spelt out along its prefixes, ending at kSpelt; at most
    // kMaxWalk + 1 pixels, then room for a block read past its end.
    static constexpr size_t kSpelt = kMaxWalk + 2;
    std::array<uint8_t, kSpelt + kBlock> spelt{};
    // 260 bytes of window and 8 more, so that a code is read with one
    // 8-byte load wherever it starts.
    std::array<uint8_t, 268> buffer{};
};

// What the decoder carries from one code to the next.
//   codeWidth, limit  bits per code, and the table size that widens them
//   next              the next free code
//   hasOld            a code was output since the last clear
//   canAdd            hasOld, and the table is not full
//   old...            the previous code, its length (0 when unknown or no
//                     code since the clear), where its string was written
//                     in the run, and its first pixel
struct CodeState {
    int codeWidth = 0;
    int limit = 0;
    int next = 0;
    bool hasOld = false;
    bool canAdd = false;
    int old = 0;
    uint32_t oldLength = 0;
    uint32_t oldPosition = 0;
    uint8_t oldFirst = 0;
};

// Adds the old string plus `firstPixel`, which stands where the old string
// was written (the string just written follows it there); the code width
// grows when the table reaches its limit, until it holds 4096 entries.
[[gnu::always_inline]] inline void AddEntry(CodeState& s, Tables& tables, uint8_t firstPixel)
{
    const auto length = static_cast<uint16_t>(s.oldLength > 0 ? s.oldLength + 1 : 0);
    tables.entries[static_cast<size_t>(s.next)] = Entry{s.oldPosition, length, static_cast<uint16_t>(s.old)};
    tables.suffix[static_cast<size_t>(s.next)] = firstPixel;
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
    Decoder(const uint8_t* encoded, size_t size, const TDecodeProgress& progress, bool& damaged, int tableBits,
            bool tolerant)
        : data_(encoded), size_(size), progress_(progress), damaged_(damaged), tolerant_(tolerant),
          mask_(static_cast<uint8_t>((1u << tableBits) - 1)), tables_(new Tables)
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
        // strings at all (length 0, from the zero fill).
        for (int code = 0; code < clear_; ++code) {
            tables_->entries[static_cast<size_t>(code)].length = 1;
            tables_->literals[static_cast<size_t>(code)] = static_cast<uint8_t>(code & mask_);
        }
        Clear();
    }

    // Decodes into a run of `count` pixels followed by kDecoderTailBytes.
    // Returns the pixels written; the rest of the run is not written, except
    // the spill of the last block (ClearSpill).
    uint32_t Decode(uint8_t* pixels, uint32_t count)
    {
        uint8_t* const literals = pixels + count + kLiteralsAfterRun;
        std::memcpy(literals, tables_->literals.data(), static_cast<size_t>(clear_));
        for (int code = 0; code < clear_; ++code)
            tables_->entries[static_cast<size_t>(code)].position = count + kLiteralsAfterRun + static_cast<uint32_t>(code);
        PixelRun run{pixels, count, 0, literals};
        // Damaged from the start: every code the general way.
        if (damaged_)
            RunCodes<PixelRun, false>(run);
        else
            RunCodes<PixelRun, true>(run);
        return run.done;
    }

    void Decode(const TPixelTarget& target, bool interlaced)
    {
        PixelRows rows(target, interlaced, tables_->literals.data());
        RunCodes<PixelRows, false>(rows);
    }

private:
    void Clear()
    {
        state_.codeWidth = initialWidth_;
        state_.limit = 1 << initialWidth_;
        state_.next = clear_ + 2;
        state_.hasOld = false;
        state_.canAdd = false;
        state_.oldLength = 0;
    }

    void Corrupt()
    {
        if (!tolerant_)
            throw EInvalidGraphicOperation::CorruptData();
        damaged_ = true;
    }

    template <class Output, bool kFast>
    void RunCodes(Output& out);
    template <class Output>
    bool DecodeCode(int code, bool& reportable, Output& out);
    template <class Output>
    bool PutString(int code, uint8_t& firstPixel, Output& out);
    const uint8_t* Spell(int code, uint32_t& length);
    void Report(size_t position);

    const uint8_t* data_;
    size_t size_;
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

// The codes of sound data that are not a clear (a literal, a known string,
// the code being defined after a known one) are handled here with the state
// in locals, so that pixel stores, which may alias anything, do not force it
// back to memory. Every other code goes through DecodeCode, which follows
// the rules case by case.
template <class Output, bool kFast>
void Decoder::RunCodes(Output& out)
{
    Tables& tables = *tables_;
    uint8_t* const buffer = tables.buffer.data();
    const int end = clear_ + 1;

    size_t position = 1;
    size_t lastPosition = position;
    BitWindow window;
    CodeState s = state_;
    Output o = out;
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
        if (code == end || code == kEndOfData || o.Done())
            break;

        if constexpr (kFast) {
            const uint32_t start = o.done;
            if (code < s.next) {
                const Entry entry = tables.entries[static_cast<size_t>(code)];
                if (entry.length != 0) {
                    // Known: position + length <= start (the entry was added
                    // after its last pixel was written), or a literal.
                    const uint8_t* from = o.pixels + entry.position;
                    const uint8_t firstPixel = *from;
                    o.Put(from, entry.length);
                    if (s.canAdd)
                        AddEntry(s, tables, firstPixel);
                    else if (!s.hasOld)
                        s.hasOld = s.canAdd = true;
                    s.old = code;
                    s.oldLength = entry.length;
                    s.oldPosition = start;
                    s.oldFirst = firstPixel;
                    continue;
                }
            } else if (code == s.next && s.oldLength != 0) {
                // The code being defined: the old string, written just
                // before (oldPosition + oldLength == start), then its first
                // pixel. A first pixel is a masked literal below the clear
                // code, so it is its own literal. The table is not full
                // (code < 4096 is the next free code), so the entry is added.
                const uint8_t firstPixel = s.oldFirst;
                o.Put(o.pixels + s.oldPosition, s.oldLength);
                o.Put(o.literals + firstPixel, 1);
                AddEntry(s, tables, firstPixel);
                s.old = code;
                s.oldLength = s.oldLength + 1;
                s.oldPosition = start;
                continue;
            }
        }

        state_ = s;
        out = o;
        const bool goOn = DecodeCode(code, reportable, out);
        s = state_;
        o = out;
        if (!goOn)
            return;
    }
    out = o;
    // Data that end before the end code while rows remain are truncated.
    if (code == kEndOfData && !o.Done())
        throw EReadError();
}

// One code the general way. False when decoding stops here.
template <class Output>
bool Decoder::DecodeCode(int code, bool& reportable, Output& out)
{
    CodeState& s = state_;
    if (code == clear_) {
        // A clear after a clear only clears again.
        Clear();
        reportable = false;
        return true;
    }
    const uint32_t start = out.Position();
    uint8_t firstPixel = 0;
    if (!s.hasOld) {
        // The first code of the data or after a clear adds no entry.
        if (code > clear_) {
            Corrupt();
            return false;
        }
        firstPixel = out.literals[code];
        out.Put(out.literals + code, 1);
        s.old = code;
        s.oldLength = 1;
        s.oldPosition = start;
        s.oldFirst = firstPixel;
        s.hasOld = s.canAdd = true;
        return true;
    }
    // Damaged data give only the pixels that follow a clear code.
    if (damaged_)
        return false;
    if (!PutString(code, firstPixel, out))
        return false;
    if (s.canAdd)
        AddEntry(s, *tables_, firstPixel);
    // A code past the next free one is not the string it stood for once
    // that slot is filled: its length stays unknown.
    s.oldLength = code < s.next ? tables_->entries[static_cast<size_t>(code)].length : 0;
    s.old = code;
    s.oldPosition = start;
    s.oldFirst = firstPixel;
    return true;
}

// Writes the string of `code` (the code being defined when it is the next
// free one or above). False when its chain is corrupt.
template <class Output>
bool Decoder::PutString(int code, uint8_t& firstPixel, Output& out)
{
    const CodeState& s = state_;
    if constexpr (Output::kCopies) {
        const uint32_t length = code < s.next ? tables_->entries[static_cast<size_t>(code)].length : 0;
        if (length != 0) {
            const uint8_t* from = out.pixels + tables_->entries[static_cast<size_t>(code)].position;
            firstPixel = *from;
            out.Put(from, length);
            return true;
        }
        if (code >= s.next && s.oldLength != 0) {
            firstPixel = s.oldFirst;
            out.Put(out.pixels + s.oldPosition, s.oldLength);
            out.Put(out.literals + firstPixel, 1);
            return true;
        }
    }
    uint32_t length = 0;
    const uint8_t* from = Spell(code, length);
    if (!from) {
        Corrupt();
        return false;
    }
    firstPixel = *from;
    out.Put(from, length);
    return true;
}

// The string of `code` along its prefixes, as the table holds it now (for
// the code being defined, the old string and its first pixel), ending at
// tables.spelt[kSpelt]. Null for a chain longer than any real string, which
// can only be a cycle: corrupt data.
const uint8_t* Decoder::Spell(int code, uint32_t& length)
{
    const Tables& tables = *tables_;
    uint8_t* const end = tables_->spelt.data() + Tables::kSpelt;
    uint8_t* p = end;
    if (code >= state_.next) {
        *--p = state_.oldFirst;
        code = state_.old;
    }
    while (code >= clear_) {
        *--p = tables.suffix[static_cast<size_t>(code)];
        code = tables.entries[static_cast<size_t>(code)].prefix;
        if (end - p > kMaxWalk)
            return nullptr;
    }
    *--p = static_cast<uint8_t>(code & mask_);
    length = static_cast<uint32_t>(end - p);
    return p;
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

// A run the decoder may use in place: byte rows, top row first, no padding,
// the work space after them, positions within 32 bits.
bool RunsInPlace(const TPixelTarget& target)
{
    return target.bitCount == 8 && target.width > 0 && target.height > 0 && target.rowStep == target.width &&
           target.tailBytes >= kDecoderTailBytes &&
           int64_t{target.width} * target.height <= int64_t{UINT32_MAX} - int64_t{kDecoderTailBytes};
}

// The last block copied may have spilt past the last pixel written; pixels
// the data never reach are 0 (all of them when the run was not zeroed).
void ClearSpill(uint8_t* pixels, uint32_t count, uint32_t done, bool zeroed)
{
    const uint32_t left = count - done;
    std::memset(pixels + done, 0, zeroed ? std::min(left, kBlock - 1) : left);
}

// The image row each row of the data belongs to, in the order of the data.
std::vector<int> RowsOfData(int height, bool interlaced)
{
    std::vector<int> rows(static_cast<size_t>(height));
    int row = 0;
    int pass = 0;
    for (int i = 0; i < height; ++i) {
        // Every row once: a height-row image has exactly height rows of data.
        rows[static_cast<size_t>(i)] = row;
        row = interlaced ? NextInterlacedRow(row, height, pass) : row + 1;
    }
    return rows;
}

// Moves the rows of an interlaced run, in the order of the data, to their
// places in the same memory: each cycle of the permutation through one
// spare row.
void PlaceInterlacedRows(uint8_t* pixels, int width, int height)
{
    const std::vector<int> rowOf = RowsOfData(height, true);
    std::vector<int> dataRowAt(static_cast<size_t>(height));
    for (int i = 0; i < height; ++i)
        dataRowAt[static_cast<size_t>(rowOf[static_cast<size_t>(i)])] = i;
    const auto rowStart = [&](int row) { return pixels + static_cast<ptrdiff_t>(row) * width; };
    std::vector<bool> placed(static_cast<size_t>(height));
    std::vector<uint8_t> spare(static_cast<size_t>(width));
    for (int start = 0; start < height; ++start) {
        if (placed[static_cast<size_t>(start)])
            continue;
        std::memcpy(spare.data(), rowStart(start), spare.size());
        int row = start;
        for (int from = dataRowAt[static_cast<size_t>(row)]; from != start; from = dataRowAt[static_cast<size_t>(row)]) {
            std::memcpy(rowStart(row), rowStart(from), spare.size());
            placed[static_cast<size_t>(row)] = true;
            row = from;
        }
        std::memcpy(rowStart(row), spare.data(), spare.size());
        placed[static_cast<size_t>(row)] = true;
    }
}

// Copies a run of pixels in the order of the data into the target's rows.
void PlaceRows(const uint8_t* run, const TPixelTarget& target, bool interlaced)
{
    const auto width = static_cast<size_t>(target.width);
    const size_t stride = static_cast<size_t>(target.rowStep < 0 ? -target.rowStep : target.rowStep);
    const std::vector<int> rowOf = RowsOfData(target.height, interlaced);
    for (size_t i = 0; i < rowOf.size(); ++i) {
        uint8_t* to = target.firstRow + static_cast<ptrdiff_t>(rowOf[i]) * target.rowStep;
        std::memcpy(to, run + i * width, width);
        if (!target.zeroed && stride > width)
            std::memset(to + width, 0, stride - width);
    }
}

struct FreeBytes {
    void operator()(uint8_t* bytes) const { std::free(bytes); }
};

void DecodeRun(Decoder& decoder, const TPixelTarget& target, bool interlaced)
{
    const int width = target.width > 0 && target.height > 0 ? target.width : 0;
    const int height = width > 0 ? target.height : 0;
    const auto count = static_cast<uint32_t>(int64_t{width} * height);
    if (RunsInPlace(target)) {
        const uint32_t done = decoder.Decode(target.firstRow, count);
        ClearSpill(target.firstRow, count, done, target.zeroed);
        if (interlaced)
            PlaceInterlacedRows(target.firstRow, width, height);
        return;
    }
    // Fresh zeroed memory: the pages of a large run cost nothing until used.
    std::unique_ptr<uint8_t, FreeBytes> run(static_cast<uint8_t*>(std::calloc(count + kDecoderTailBytes, 1)));
    if (!run)
        throw EInvalidGraphicOperation::CorruptData();
    const uint32_t done = decoder.Decode(run.get(), count);
    ClearSpill(run.get(), count, done, true);
    PlaceRows(run.get(), TPixelTarget{target.firstRow, target.rowStep, width, height, 8, target.zeroed, 0},
              interlaced);
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
    damaged = false;
    if (size == 0)
        throw EReadError();
    if (tableBits < 1 || tableBits > 8)
        throw EInvalidGraphicOperation::WrongColorCount();
    Decoder decoder(encoded, size, progress, damaged, tableBits, tolerant);
    const int64_t pixels = int64_t{std::max(target.width, 0)} * std::max(target.height, 0);
    if (target.bitCount == 8 && pixels <= int64_t{UINT32_MAX} - int64_t{kDecoderTailBytes}) {
        DecodeRun(decoder, target, interlaced);
        return;
    }
    // Packed rows, or more pixels than a run's positions reach.
    if (!target.zeroed) {
        const size_t stride = static_cast<size_t>(target.rowStep < 0 ? -target.rowStep : target.rowStep);
        for (int row = 0; row < target.height && target.width > 0; ++row)
            std::memset(target.firstRow + row * target.rowStep, 0, stride);
    }
    decoder.Decode(target, interlaced);
}

} // namespace scindra
