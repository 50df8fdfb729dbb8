// Turning a frame's encoded data into pixels, and drawing frames.

#include "gif/DIB.h"
#include "gif/GIFImage.h"
#include "gif/KeyedDraw.h"
#include "gif/LZWDecoder.h"
#include "rtl/Exception.h"

#include <QPainter>

#include <cstdlib>
#include <vector>

namespace scindra {

namespace {

// The decoder always takes the damaged data it can: faults that allow it
// flag the frame instead of failing.
constexpr bool kAcceptDamagedGIF = true;

void PutLE16(std::vector<uint8_t>& out, uint32_t value)
{
    out.push_back(static_cast<uint8_t>(value));
    out.push_back(static_cast<uint8_t>(value >> 8));
}

void PutLE32(std::vector<uint8_t>& out, uint32_t value)
{
    PutLE16(out, value & 0xFFFF);
    PutLE16(out, value >> 16);
}

// Frames too large to hold fail like corrupt data rather than exhaust memory.
void CheckBitmapSize(int64_t bytes)
{
    if (bytes > kMaxBitmapBytes)
        throw EInvalidGraphicOperation::CorruptData();
}

// The bitmaps the image's frames hold now, besides `frame`'s own.
int64_t OtherCachedBytes(const TGIFImage& image, const TGIFFrame& frame)
{
    int64_t bytes = 0;
    for (int i = 0; i < image.FrameCount(); ++i) {
        const TGIFFrame* other = image.FrameAt(i);
        if (other != &frame && other->DecodedBitmap())
            bytes += other->DecodedBitmap()->sizeInBytes();
    }
    return bytes;
}

// A frame may fit on its own and still take the image past its budget.
void CheckImageBudget(const TGIFFrame& frame, int64_t bytes)
{
    CheckBitmapSize(bytes);
    if (frame.OwnerImage() && OtherCachedBytes(*frame.OwnerImage(), frame) + bytes > kMaxImageBitmapBytes)
        throw EInvalidGraphicOperation::CorruptData();
}

// Runs the decoder over the frame's data with the owner's progress stages:
// starting, running, then ending with 100 % or with the failure's message.
void DecodeFrame(TGIFFrame& frame, const TPixelTarget& target)
{
    TGIFImage* owner = frame.OwnerImage();
    const TGIFItem& item = frame.Item();
    const auto report = [owner](TProgressStage stage, int percent, const std::string& message) {
        if (owner)
            owner->Progress(stage, percent, message);
    };
    report(TProgressStage::Starting, 0, std::string());
    try {
        const TDecodeProgress running = [&](int percent) { report(TProgressStage::Running, percent, std::string()); };
        const std::vector<uint8_t>& bytes = item.EncodedData->Bytes();
        bool damaged = false;
        item.EncodedData->SetPosition(0);
        DecodeLZW(bytes.data(), bytes.size(), target, frame.IsInterlaced(), owner ? running : TDecodeProgress(),
                  damaged, item.TableBits, kAcceptDamagedGIF);
        if (damaged)
            frame.SetDamaged(true);
    } catch (const std::exception& error) {
        report(TProgressStage::Ending, 0, error.what());
        throw;
    }
    report(TProgressStage::Ending, 100, std::string());
}

int ClampedSize(int32_t size)
{
    return size > 0 ? size : 0;
}

// Bitmaps from this size on are taken zeroed from calloc, which hands out
// blocks this large as fresh pages of the kernel: rows the data never reach
// then cost no memory. Smaller ones are not cleared at all; the decoder
// zeroes only the pixels the data do not reach.
constexpr size_t kZeroPagesBytes = size_t{32} << 20;

// A frame bitmap over memory of its own, allocated once: 8-bit rows without
// padding, so that the decoder writes its run of pixels in place, and the
// decoder's work space after the last row. `target` receives the layout.
QImage NewFrameBitmap(int width, int height, int heldBits, TPixelTarget& target)
{
    const auto stride = static_cast<size_t>(heldBits == 1 ? DibStride(width, 1) : width);
    const size_t bytes = stride * static_cast<size_t>(height) + kDecoderTailBytes;
    const bool zeroed = heldBits == 1 || bytes >= kZeroPagesBytes;
    void* memory = zeroed ? std::calloc(bytes, 1) : std::malloc(bytes);
    if (!memory)
        throw EInvalidGraphicOperation::CorruptData();
    QImage bitmap(static_cast<uchar*>(memory), width, height, static_cast<qsizetype>(stride),
                  heldBits == 1 ? QImage::Format_Mono : QImage::Format_Indexed8, std::free, memory);
    if (bitmap.isNull()) {
        std::free(memory);
        throw EInvalidGraphicOperation::CorruptData();
    }
    target.zeroed = zeroed;
    target.tailBytes = kDecoderTailBytes;
    return bitmap;
}

} // namespace

const QImage& TGIFFrame::RenderBitmap()
{
    if (bitmap_ && !bitmap_->isNull())
        return *bitmap_;
    QImage& cached = NewBitmap();
    if (!item_->IsEncoded())
        return cached;

    const int bitCount = DibBitCount(item_->TableBits);
    const int width = ClampedSize(item_->PixelWidth);
    const int height = ClampedSize(item_->PixelHeight);
    // 4-bit frames are held one byte per pixel: Qt has no packed 4-bit format.
    const int heldBits = bitCount == 1 ? 1 : 8;
    CheckImageBudget(*this, DibStride(width, heldBits) * height);
    QImage bitmap;
    TPixelTarget target;
    if (width > 0 && height > 0) {
        bitmap = NewFrameBitmap(width, height, heldBits, target);
        const auto quads = QuadFromTable(item_->LocalTable);
        QVector<QRgb> colors(1 << bitCount);
        for (int i = 0; i < colors.size(); ++i) {
            const auto& quad = quads[static_cast<size_t>(i)];
            colors[i] = qRgb(quad[2], quad[1], quad[0]);
        }
        bitmap.setColorTable(colors);
    }
    target.firstRow = bitmap.isNull() ? nullptr : bitmap.bits();
    target.rowStep = bitmap.isNull() ? 0 : bitmap.bytesPerLine();
    target.width = bitmap.isNull() ? 0 : width;
    target.height = bitmap.isNull() ? 0 : height;
    target.bitCount = heldBits;
    DecodeFrame(*this, target);
    *bitmap_ = std::move(bitmap);
    return *bitmap_;
}

int TGIFFrame::FrameWidth()
{
    if (!bitmap_ && !item_->IsEncoded())
        return 0;
    return RenderBitmap().width();
}

int TGIFFrame::FrameHeight()
{
    if (!bitmap_ && !item_->IsEncoded())
        return 0;
    return RenderBitmap().height();
}

void TGIFFrame::DecodeToDIB(TStream& stream)
{
    const int bitCount = DibBitCount(item_->TableBits);
    const int width = ClampedSize(item_->PixelWidth);
    const int height = ClampedSize(item_->PixelHeight);
    const int64_t stride = DibStride(width, bitCount);
    const int64_t imageSize = stride * height;
    CheckBitmapSize(imageSize);
    const int colorCount = 1 << bitCount;
    const uint32_t pixelOffset = kBitmapFileHeaderSize + kBitmapInfoHeaderSize + 4 * colorCount;

    std::vector<uint8_t> bytes;
    bytes.reserve(pixelOffset + static_cast<size_t>(imageSize));
    bytes.push_back('B');
    bytes.push_back('M');
    PutLE32(bytes, pixelOffset + static_cast<uint32_t>(imageSize));
    PutLE32(bytes, 0);
    PutLE32(bytes, pixelOffset);
    PutLE32(bytes, kBitmapInfoHeaderSize);
    PutLE32(bytes, static_cast<uint32_t>(width));
    PutLE32(bytes, static_cast<uint32_t>(height));
    PutLE16(bytes, 1);
    PutLE16(bytes, static_cast<uint32_t>(bitCount));
    PutLE32(bytes, 0);
    PutLE32(bytes, static_cast<uint32_t>(imageSize));
    for (int i = 0; i < 4; ++i)
        PutLE32(bytes, 0);
    const auto quads = QuadFromTable(item_->LocalTable);
    for (int i = 0; i < colorCount; ++i)
        bytes.insert(bytes.end(), quads[static_cast<size_t>(i)].begin(), quads[static_cast<size_t>(i)].end());
    bytes.resize(pixelOffset + static_cast<size_t>(imageSize), 0);

    if (!item_->EncodedData)
        throw EReadError();
    // Rows bottom-up: the first row of the picture is the last of the file.
    TPixelTarget target;
    target.width = width;
    target.height = height;
    target.bitCount = bitCount;
    if (width > 0 && height > 0) {
        target.firstRow = bytes.data() + pixelOffset + (height - 1) * stride;
        target.rowStep = -stride;
    }
    DecodeFrame(*this, target);

    stream.SetPosition(0);
    stream.SetSize(0);
    stream.WriteBuffer(bytes.data(), static_cast<int64_t>(bytes.size()));
    stream.SetPosition(0);
}

void TGIFFrame::PaintFrame(QPainter& canvas, const QRect& rect, bool transparent)
{
    const QImage& bitmap = RenderBitmap();
    if (bitmap.isNull())
        return;
    if (keyColor_ == kColorNone || !transparent) {
        DrawKeyedStretch(canvas, rect, bitmap, bitmap.rect(), kColorNone);
        return;
    }
    // The transparent slot alone is see-through: other slots of the same
    // colour (a black key among black pixels) stay opaque.
    const int index = TransparentIndex();
    if (bitmap.colorCount() > 0 && index >= 0 && index < bitmap.colorCount())
        DrawIndexKeyedStretch(canvas, rect, bitmap, index);
    else
        DrawKeyedStretch(canvas, rect, bitmap, bitmap.rect(), keyColor_);
}

} // namespace scindra
