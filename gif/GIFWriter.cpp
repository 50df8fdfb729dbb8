// Writing GIF files: the image's blocks in file order, the frames that hold
// only a bitmap encoded first. Everything is assembled in memory and handed
// over in one piece, so a failure never leaves half a picture behind.

#include "gif/BitmapFile.h"
#include "gif/ColorReduction.h"
#include "gif/DIB.h"
#include "gif/GIFImage.h"
#include "gif/LZWEncoder.h"
#include "rtl/Exception.h"
#include "rtl/TMemoryStream.h"

#include <QMimeData>
#include <QSaveFile>

#include <algorithm>

namespace scindra {

namespace {

void PutByte(TStream& out, uint8_t value) { out.WriteBuffer(&value, 1); }

void PutLE16(TStream& out, uint32_t value)
{
    const uint8_t bytes[2] = {uint8_t(value), uint8_t(value >> 8)};
    out.WriteBuffer(bytes, 2);
}

// The smallest bit count from 1 up whose table holds `count` entries.
uint8_t BitsToHold(int count)
{
    uint8_t bits = 1;
    while (bits < 8 && (1 << bits) < count)
        ++bits;
    return bits;
}

// Each string as data sub-blocks, then the terminator. A string longer than
// a sub-block goes out as several, so nothing is cut off; an empty one is
// skipped (a zero length would end the block list).
void WriteSubBlockStrings(TStream& out, const std::vector<std::string>* strings)
{
    if (strings)
        for (const std::string& s : *strings)
            for (size_t at = 0; at < s.size(); at += 255) {
                const size_t n = std::min<size_t>(255, s.size() - at);
                PutByte(out, uint8_t(n));
                out.WriteBuffer(s.data() + at, int64_t(n));
            }
    PutByte(out, 0);
}

// A comment whose lines are all empty would go out as a bare terminator,
// which readers take for a broken block: it is written like no comment.
bool HasText(const std::vector<std::string>* lines)
{
    return lines && std::any_of(lines->begin(), lines->end(), [](const std::string& line) { return !line.empty(); });
}

void WriteExtensionList(TStream& out, const TExtensionList& list)
{
    for (const auto& extension : list) {
        if (!extension)
            continue;
        PutByte(out, 0x21);
        PutByte(out, kExtensionLabels[extension->Kind]);
        out.WriteBuffer(extension->FixedBytes.data(), TExtension::FixedLength(extension->Kind));
        if (extension->Kind != ekGraphicControl)
            WriteSubBlockStrings(out, extension->SubBlocks.get());
    }
}

// The frame's image data as stored, cut after the last whole sub-block and
// closed with the zero terminator when reading stopped short of it (a
// truncated file): otherwise the next block would be taken for image data.
void WriteImageData(TStream& out, const TMemoryStream& data)
{
    const std::vector<uint8_t>& bytes = data.Bytes();
    size_t end = 1;
    bool terminated = false;
    while (end < bytes.size()) {
        const size_t length = bytes[end];
        if (length == 0) {
            terminated = true;
            ++end;
            break;
        }
        if (length > bytes.size() - end - 1)
            break;
        end += 1 + length;
    }
    out.WriteBuffer(bytes.data(), int64_t(std::min(end, bytes.size())));
    if (!terminated)
        PutByte(out, 0);
}

void WriteTable(TStream& out, const TGIFPaletteRec& table, int bits)
{
    out.WriteBuffer(table.Entries.data(), 3 * (int64_t{1} << bits));
}

// The screen the frames cover. A frame that holds data is as large as its
// descriptor says, so nothing needs decoding (and a damaged frame can still
// be saved).
void FitLogicalScreen(TGIFImage& image)
{
    int64_t width = 0, height = 0;
    for (int i = 0; i < image.FrameCount(); ++i) {
        TGIFFrame& frame = *image.FrameAt(i);
        int64_t w = 0, h = 0;
        if (frame.DecodedBitmap() && !frame.DecodedBitmap()->isNull()) {
            w = frame.DecodedBitmap()->width();
            h = frame.DecodedBitmap()->height();
        } else if (frame.Item().IsEncoded()) {
            w = std::max(frame.Item().PixelWidth, 0);
            h = std::max(frame.Item().PixelHeight, 0);
        }
        width = std::max(width, w + frame.OffsetX());
        height = std::max(height, h + frame.OffsetY());
    }
    image.SetLogicalSize(uint16_t(std::clamp<int64_t>(width, 0, 65535)),
                         uint16_t(std::clamp<int64_t>(height, 0, 65535)));
}

void WriteScreen(TStream& out, TGIFImage& image)
{
    FitLogicalScreen(image);
    const TGIFData& data = image.Data();
    PutLE16(out, image.ScreenWidth());
    PutLE16(out, image.ScreenHeight());
    if (data.GlobalTable.EntryCount > 0) {
        const int bits = BitsForColorCount(data.GlobalTable.EntryCount);
        const int background = IndexOfColor(data.GlobalTable, image.BackdropColor());
        PutByte(out, uint8_t(0x80 | (bits - 1) << 4 | (bits - 1)));
        PutByte(out, uint8_t(std::max(background, 0)));
        PutByte(out, data.AspectByte);
        WriteTable(out, data.GlobalTable, bits);
    } else {
        PutByte(out, 0);
        PutByte(out, 0);
        PutByte(out, data.AspectByte);
    }
}

void WriteLoopBlock(TStream& out, uint16_t loopCount)
{
    static const uint8_t head[] = {0x21, 0xFF, 0x0B, 'N', 'E', 'T', 'S', 'C', 'A', 'P', 'E', '2', '.', '0', 0x03, 0x01};
    out.WriteBuffer(head, sizeof head);
    PutLE16(out, loopCount);
    PutByte(out, 0);
}

void WriteFrame(TStream& out, TGIFFrame& frame, bool imageHasGlobalTable)
{
    if (frame.ExtensionList())
        WriteExtensionList(out, *frame.ExtensionList());
    TGIFItem& item = frame.Item();
    // Without a global table the frame's own table must travel with it; and
    // an empty table is never announced.
    const bool local = (frame.HasLocalTable() || !imageHasGlobalTable) && item.LocalTable.EntryCount > 0;
    PutByte(out, 0x2C);
    PutLE16(out, uint32_t(frame.OffsetX()) & 0xFFFF);
    PutLE16(out, uint32_t(frame.OffsetY()) & 0xFFFF);
    PutLE16(out, uint32_t(item.PixelWidth) & 0xFFFF);
    PutLE16(out, uint32_t(item.PixelHeight) & 0xFFFF);
    uint8_t packed = frame.IsInterlaced() ? 0x40 : 0;
    if (local) {
        item.TableBits = BitsToHold(item.LocalTable.EntryCount);
        packed |= uint8_t(0x80 | (item.TableBits - 1));
    }
    PutByte(out, packed);
    if (local)
        WriteTable(out, item.LocalTable, item.TableBits);
    WriteImageData(out, *item.EncodedData);
}

void PutLE32(TStream& out, uint32_t value)
{
    PutLE16(out, value & 0xFFFF);
    PutLE16(out, value >> 16);
}

} // namespace

// --- The image ---------------------------------------------------------------

void TGIFImage::WriteGIF(TStream& stream, bool withLength)
{
    if (frames_.empty())
        throw EInvalidGraphicOperation::NoDataToWrite();
    EncodeFrames(false);

    TMemoryStream out;
    const bool imageComment = HasText(&data_->ImageComment);
    if (imageComment)
        formatVersion_ = fv89a;
    // An image that never learnt its version is written as the older one.
    const char* version = kVersionNames[formatVersion_ == fv89a ? fv89a : fv87a];
    out.WriteBuffer("GIF", 3);
    out.WriteBuffer(version, 3);
    WriteScreen(out, *this);
    if (loopEnabled_ && frames_.size() > 1)
        WriteLoopBlock(out, loopCount_);
    const bool globalTable = data_->GlobalTable.EntryCount > 0;
    for (const auto& frame : frames_)
        WriteFrame(out, *frame, globalTable);
    if (imageComment) {
        PutByte(out, 0x21);
        PutByte(out, 0xFE);
        WriteSubBlockStrings(out, &data_->ImageComment);
    }
    PutByte(out, 0x3B);

    if (withLength)
        PutLE32(stream, uint32_t(out.Size()));
    stream.WriteBuffer(out.Memory(), out.Size());
}

void TGIFImage::EncodeFrames(bool recreate)
{
    for (const auto& frame : frames_) {
        if (frame->Item().IsEncoded())
            continue;
        frame->Item().EncodedData.reset();
        frame->EncodeFromBitmap();
        // A true-colour bitmap is replaced by the one the encoded data give.
        if (recreate && frame->DecodedBitmap() && frame->DecodedBitmap()->colorTable().isEmpty()) {
            frame->FreeBitmap();
            try {
                frame->RenderBitmap();
            } catch (const EAbort&) {
            }
        }
    }
    for (const auto& frame : frames_)
        frame->PrepareExtensions();
}

void TGIFImage::WriteToStream(TStream& stream)
{
    WriteGIF(stream, false);
}

void TGIFImage::WriteStoredData(TStream& stream)
{
    WriteGIF(stream, true);
}

void TGIFImage::SaveToFile(const std::string& fileName)
{
    TMemoryStream gif;
    WriteGIF(gif, false);
    // A temporary file beside the target takes the bytes and replaces the
    // target only once all of them are on disk.
    QSaveFile file(QString::fromStdString(fileName));
    if (!file.open(QIODevice::WriteOnly))
        throw EFCreateError(fileName);
    const int64_t size = gif.Size();
    if (file.write(reinterpret_cast<const char*>(gif.Memory()), size) != size) {
        file.cancelWriting();
        throw EWriteError(fileName);
    }
    if (!file.commit())
        throw EWriteError(fileName);
}

void TGIFImage::WriteToClipboard(QMimeData& data)
{
    if (frames_.empty())
        return;
    data.setImageData(frames_.front()->RenderBitmap());
    const bool allEncoded =
        std::all_of(frames_.begin(), frames_.end(), [](const auto& frame) { return frame->Item().IsEncoded(); });
    if (!allEncoded)
        return;
    TMemoryStream stored;
    WriteGIF(stored, true);
    const auto* bytes = reinterpret_cast<const char*>(stored.Memory());
    data.setData(kClipboardMimeType, QByteArray(bytes, qsizetype(stored.Size())));
    data.setData(kPlainMimeType, QByteArray(bytes + 4, qsizetype(stored.Size() - 4)));
}

// --- The frames --------------------------------------------------------------

void TGIFFrame::PrepareExtensions()
{
    TExtension* control = LastExtensionOfKind(extensions_.get(), ekGraphicControl);
    if (!control && (delayMs_ > 0 || keyColor_ != kColorNone || disposal_ != dpUnspecified)) {
        auto extension = std::make_unique<TExtension>();
        extension->Kind = ekGraphicControl;
        extension->FixedBytes[0] = 4;
        control = extension.get();
        EnsureExtensionList().push_back(std::move(extension));
    }
    if (control) {
        std::array<uint8_t, 14>& bytes = control->FixedBytes;
        // A delay read from this block comes back as it was (reading turns
        // hundredths into milliseconds, saturated at 65,535); only a changed
        // DelayMs is written anew.
        const int stored = bytes[2] | bytes[3] << 8;
        if (std::min(stored * 10, 65535) != delayMs_) {
            bytes[2] = uint8_t(delayMs_ / 10);
            bytes[3] = uint8_t(delayMs_ / 10 >> 8);
        }
        // The slot the file named stays while it still holds the key colour:
        // another slot of the same colour would make other pixels transparent.
        const int transparent = TransparentIndex();
        if (transparent >= 0) {
            bytes[4] = uint8_t(transparent);
            bytes[1] |= 1;
        } else {
            bytes[1] &= uint8_t(~1);
        }
        bytes[1] = uint8_t((bytes[1] & ~0x1C) | (disposal_ & 7) << 2);
    }
    if (extensions_) {
        std::erase_if(*extensions_, [](const std::unique_ptr<TExtension>& e) {
            return e && e->Kind == ekComment && !HasText(e->SubBlocks.get());
        });
        if (!extensions_->empty() && owner_)
            owner_->SetFormatVersion(fv89a);
    }
}

void TGIFFrame::EncodeFromBitmap()
{
    if (!bitmap_ || bitmap_->isNull())
        throw EInvalidGraphicOperation::NoDataToWrite();
    TMemoryStream file;
    const int depth = IndexedDepth(*bitmap_);
    if (depth > 0) {
        SaveIndexedBitmap(*bitmap_, depth, file);
    } else {
        const ReductionMethod method = gray_ ? ReductionMethod::Gray : DefaultReductionMethod;
        ReduceColors(*bitmap_, method, keyColor_, file);
        if (method == ReductionMethod::Gray)
            gray_ = true;
    }
    EncodeDIB(file);
}

void TGIFFrame::EncodeDIB(TStream& stream)
{
    // The bitmap file is read in place: bring it into memory when it is not.
    TMemoryStream* file = dynamic_cast<TMemoryStream*>(&stream);
    TMemoryStream copy;
    if (!file) {
        copy.LoadFromStream(stream);
        file = &copy;
    }
    const TBitmapFileView bitmap = ReadBitmapFile(*file);

    interlaced_ = false;
    TableFromQuad(item_->LocalTable, bitmap.quads.data(), int(bitmap.quads.size()), 1 << bitmap.bitCount);
    if (item_->EncodedData)
        item_->EncodedData->Clear();
    else
        item_->EncodedData = std::make_unique<TMemoryStream>();
    TGIFImage* owner = owner_;
    const LZWProgress progress = [owner](TProgressStage stage, int percent, const std::string& message) {
        if (owner)
            owner->Progress(stage, percent, message);
    };
    try {
        EncodeLZW(*item_->EncodedData, {bitmap.width, bitmap.height, bitmap.bitCount}, false, progress,
                  bitmap.pixels);
    } catch (const EAbort&) {
        ResetFrame();
        throw;
    }
    item_->TableBits = BitsToHold(item_->LocalTable.EntryCount);
    if (owner && owner->Data().GlobalTable.EntryCount > 0) {
        hasLocalTable_ = true;
    } else if (owner) {
        owner->Data().GlobalTable = item_->LocalTable;
        owner->Data().GlobalBits = item_->TableBits;
        hasLocalTable_ = false;
    } else {
        hasLocalTable_ = true;
    }
    item_->PixelWidth = bitmap.width;
    item_->PixelHeight = bitmap.height;
    if (owner) {
        const int64_t right = int64_t{bitmap.width} + offsetX_, bottom = int64_t{bitmap.height} + offsetY_;
        owner->SetLogicalSize(uint16_t(std::clamp<int64_t>(std::max<int64_t>(owner->ScreenWidth(), right), 0, 65535)),
                              uint16_t(std::clamp<int64_t>(std::max<int64_t>(owner->ScreenHeight(), bottom), 0, 65535)));
    }
}

} // namespace scindra
