#include "gif/BitmapFile.h"

#include "gif/DIB.h"
#include "rtl/Exception.h"

#include <algorithm>
#include <cstring>

namespace scindra {

namespace {

uint32_t LE32(const uint8_t* p) { return p[0] | p[1] << 8 | p[2] << 16 | uint32_t{p[3]} << 24; }
uint16_t LE16(const uint8_t* p) { return uint16_t(p[0] | p[1] << 8); }

void PutLE32(std::vector<uint8_t>& out, size_t at, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        out[at + i] = uint8_t(v >> (8 * i));
}

} // namespace

void TableFromQuad(TGIFPaletteRec& table, const TRGBQuad* quads, int count, int colors)
{
    table = TGIFPaletteRec{};
    table.EntryCount = std::min(256, colors);
    const int n = std::clamp(count, 0, table.EntryCount);
    for (int i = 0; i < n; ++i)
        table.Entries[size_t(i)] = {quads[i].red, quads[i].green, quads[i].blue};
}

int IndexedDepth(const QImage& bitmap)
{
    switch (bitmap.format()) {
    case QImage::Format_Mono:
    case QImage::Format_MonoLSB:
        return 1;
    case QImage::Format_Indexed8: {
        if (bitmap.colorCount() > 16)
            return 8;
        for (int y = 0; y < bitmap.height(); ++y) {
            const uchar* row = bitmap.constScanLine(y);
            if (std::any_of(row, row + bitmap.width(), [](uchar p) { return p >= 16; }))
                return 8;
        }
        return 4;
    }
    default:
        return 0;
    }
}

void SaveIndexedBitmap(const QImage& source, int bitCount, TMemoryStream& out)
{
    const QImage bitmap = source.format() == QImage::Format_MonoLSB ? source.convertToFormat(QImage::Format_Mono) : source;
    const int width = bitmap.width(), height = bitmap.height();
    // A one-bit bitmap without a colour table is black on white.
    const QVector<QRgb> table = bitmap.colorCount() == 0 && bitCount == 1
                                    ? QVector<QRgb>{qRgb(0, 0, 0), qRgb(255, 255, 255)}
                                    : bitmap.colorTable();
    const int slotCount = std::min<int>(int(table.size()), 1 << bitCount);
    const int64_t stride = DibStride(width, bitCount);
    const uint32_t pixelOffset = uint32_t(kBitmapFileHeaderSize + kBitmapInfoHeaderSize + 4 * slotCount);
    std::vector<uint8_t> file(pixelOffset + size_t(stride * height));
    file[0] = 'B';
    file[1] = 'M';
    PutLE32(file, 2, uint32_t(file.size()));
    PutLE32(file, 10, pixelOffset);
    PutLE32(file, 14, kBitmapInfoHeaderSize);
    PutLE32(file, 18, uint32_t(width));
    PutLE32(file, 22, uint32_t(height));
    file[26] = 1;
    file[28] = uint8_t(bitCount);
    PutLE32(file, 34, uint32_t(stride * height));
    PutLE32(file, 46, uint32_t(slotCount)); // colours used: the slots that follow
    for (int i = 0; i < slotCount; ++i) {
        const QRgb c = table[i];
        uint8_t* quad = &file[size_t(54 + 4 * i)];
        quad[0] = uint8_t(qBlue(c));
        quad[1] = uint8_t(qGreen(c));
        quad[2] = uint8_t(qRed(c));
    }
    for (int y = 0; y < height; ++y) {
        const uchar* row = bitmap.constScanLine(y);
        uint8_t* target = &file[pixelOffset + size_t((height - 1 - y) * stride)];
        if (bitCount == 4) {
            for (int x = 0; x < width; ++x)
                target[x / 2] |= uint8_t((row[x] & 0x0F) << (x % 2 == 0 ? 4 : 0));
        } else {
            std::memcpy(target, row, size_t(bitCount == 1 ? (width + 7) / 8 : width));
        }
    }
    out.Clear();
    out.WriteBuffer(file.data(), int64_t(file.size()));
    out.SetPosition(0);
}

TBitmapFileView ReadBitmapFile(TMemoryStream& stream)
{
    const std::vector<uint8_t>& bytes = stream.Bytes();
    const int64_t size = int64_t(bytes.size());
    if (size < kBitmapFileHeaderSize + kBitmapInfoHeaderSize)
        throw EInvalidGraphicOperation::EncodingError();
    const uint8_t* info = bytes.data() + kBitmapFileHeaderSize;
    TBitmapFileView view;
    view.width = int32_t(LE32(info + 4));
    view.height = int32_t(LE32(info + 8));
    view.bitCount = LE16(info + 14);
    const uint32_t compression = LE32(info + 16);
    const uint32_t colorsUsed = LE32(info + 32);
    // A GIF frame is at most 65,535 pixels either way.
    if ((view.bitCount != 1 && view.bitCount != 4 && view.bitCount != 8) || compression != 0 || view.width < 0 ||
        view.height < 0 || view.width > 65535 || view.height > 65535)
        throw EInvalidGraphicOperation::EncodingError();

    // The colour slots the file says it holds, and no more than it does hold
    // between its headers and its pixels.
    const int64_t offset = LE32(bytes.data() + 10);
    const int colors = 1 << view.bitCount;
    int64_t slotCount = colorsUsed == 0 || colorsUsed > uint32_t(colors) ? colors : colorsUsed;
    slotCount = std::min(slotCount, (std::min(offset, size) - kBitmapFileHeaderSize - kBitmapInfoHeaderSize) / 4);
    slotCount = std::max<int64_t>(slotCount, 0);
    view.quads.resize(size_t(slotCount));
    for (int64_t i = 0; i < slotCount; ++i) {
        const uint8_t* q = info + kBitmapInfoHeaderSize + 4 * i;
        view.quads[size_t(i)] = {q[0], q[1], q[2], q[3]};
    }

    const int64_t stride = DibStride(view.width, view.bitCount);
    if (offset > size || (view.height > 0 && stride > (size - offset) / view.height))
        throw EInvalidGraphicOperation::EncodingError();
    view.pixels = bytes.data() + offset;
    return view;
}

} // namespace scindra
