// Reading the block structure of a GIF file. Frames keep their LZW data as
// read; decoding waits until somebody asks for pixels.

#include "gif/GIFReader.h"

#include "gif/ByteViewStream.h"
#include "gif/GIFImage.h"
#include "rtl/Exception.h"
#include "rtl/TMemoryStream.h"

#include <algorithm>
#include <cctype>
#include <cstring>

namespace scindra {

namespace {

constexpr uint8_t kExtensionIntroducer = '!';
constexpr uint8_t kImageIntroducer = ',';
constexpr uint8_t kTrailer = ';';
constexpr char kCommentSeparator[] = "\r\n\r\n";
constexpr int kMaxLoopCount = 30000;

uint8_t ReadByte(TStream& stream)
{
    uint8_t value = 0;
    stream.ReadBuffer(&value, 1);
    return value;
}

bool AtEnd(TStream& stream)
{
    return stream.Position() >= stream.Size();
}

bool SameIgnoringCase(const char* text, const char* expected, size_t length)
{
    for (size_t i = 0; i < length; ++i) {
        if (std::tolower(static_cast<unsigned char>(text[i])) != std::tolower(static_cast<unsigned char>(expected[i])))
            return false;
    }
    return true;
}

TGIFExtensionKind KindOfLabel(uint8_t label)
{
    const auto* found = std::find(std::begin(kExtensionLabels), std::end(kExtensionLabels), label);
    if (found == std::end(kExtensionLabels))
        throw EInvalidGraphicOperation::UnrecognizedExtension(label);
    return static_cast<TGIFExtensionKind>(found - std::begin(kExtensionLabels));
}

std::unique_ptr<TExtension> ReadExtension(TStream& stream)
{
    auto extension = std::make_unique<TExtension>();
    extension->Kind = KindOfLabel(ReadByte(stream));
    // The fixed part has the length of its kind, whatever its size byte says.
    stream.ReadBuffer(extension->FixedBytes.data(), TExtension::FixedLength(extension->Kind));
    if (extension->Kind != ekGraphicControl)
        extension->SubBlocks = std::make_unique<std::vector<std::string>>(ReadSubBlockStrings(stream));
    return extension;
}

// As the loop of CopyImageData, over bytes in memory: the code size byte and
// the whole sub-blocks lie side by side in the file, so they are found first
// and copied at once.
void CopySubBlocks(ByteViewStream& stream, TStream& target, uint8_t codeSize, bool& damaged)
{
    const uint8_t* start = stream.Current();
    const int64_t left = stream.Left();
    int64_t used = 0;
    for (;;) {
        if (used >= left) {
            damaged = true;
            break;
        }
        const int64_t length = start[used];
        if (used + 1 + length > left) {
            damaged = true;
            break;
        }
        used += 1 + length;
        if (length == 0 || used >= left)
            break;
    }
    target.WriteBuffer(&codeSize, 1);
    target.WriteBuffer(start, used);
    stream.Seek(used + (damaged && used < left ? 1 : 0), SeekOrigin::Current);
}

} // namespace

std::vector<std::string> ReadSubBlockStrings(TStream& stream)
{
    std::vector<std::string> strings;
    uint8_t length = 0;
    do {
        length = 0;
        stream.Read(&length, 1);
        if (length > 0) {
            std::string block(length, '\0');
            block.resize(static_cast<size_t>(stream.Read(block.data(), length)));
            strings.push_back(std::move(block));
        }
    } while (length != 0 && !AtEnd(stream));
    return strings;
}

void CopyImageData(TStream& stream, TStream& target, TImageDescriptor& descriptor, TGIFPaletteRec& table,
                   uint8_t& tableBits, bool& damaged, bool& hasLocal, bool& interlaced)
{
    damaged = false;
    uint8_t bytes[9];
    stream.ReadBuffer(bytes, 9);
    descriptor.Left = static_cast<uint16_t>(bytes[0] | bytes[1] << 8);
    descriptor.Top = static_cast<uint16_t>(bytes[2] | bytes[3] << 8);
    descriptor.Width = static_cast<uint16_t>(bytes[4] | bytes[5] << 8);
    descriptor.Height = static_cast<uint16_t>(bytes[6] | bytes[7] << 8);
    descriptor.Flags = bytes[8];
    interlaced = (descriptor.Flags & 0x40) != 0;
    hasLocal = (descriptor.Flags & 0x80) != 0;
    if (hasLocal) {
        tableBits = static_cast<uint8_t>((descriptor.Flags & 7) + 1);
        table.EntryCount = 1 << tableBits;
        stream.ReadBuffer(table.Entries.data(), 3 * table.EntryCount);
    } else {
        table = TGIFPaletteRec();
    }
    // A file cut inside the data leaves the frame damaged, not unreadable:
    // everything up to the last whole sub-block is kept.
    uint8_t codeSize = 0;
    if (stream.Read(&codeSize, 1) != 1) {
        damaged = true;
        return;
    }
    if (auto* view = dynamic_cast<ByteViewStream*>(&stream)) {
        CopySubBlocks(*view, target, codeSize, damaged);
        return;
    }
    target.WriteBuffer(&codeSize, 1);
    uint8_t block[256];
    do {
        uint8_t length = 0;
        if (stream.Read(&length, 1) != 1 || stream.Position() + length > stream.Size()) {
            damaged = true;
            return;
        }
        block[0] = length;
        stream.ReadBuffer(block + 1, length);
        target.WriteBuffer(block, length + 1);
        if (length == 0)
            return;
    } while (!AtEnd(stream));
}

// --- Frame -----------------------------------------------------------------

void TGIFFrame::ReadImageBlock(TStream& stream)
{
    TGIFItem& item = Item();
    item.EncodedData = std::make_unique<TMemoryStream>();
    try {
        TImageDescriptor descriptor;
        bool damaged = false;
        bool hasLocal = false;
        bool interlaced = false;
        CopyImageData(stream, *item.EncodedData, descriptor, item.LocalTable, item.TableBits, damaged, hasLocal,
                      interlaced);
        damaged_ = damaged;
        hasLocalTable_ = hasLocal;
        interlaced_ = interlaced;
        item.EncodedData->SetPosition(0);

        // A zero size means "the whole screen".
        item.PixelWidth = descriptor.Width != 0 ? descriptor.Width : (owner_ ? owner_->ScreenWidth() : 0);
        item.PixelHeight = descriptor.Height != 0 ? descriptor.Height : (owner_ ? owner_->ScreenHeight() : 0);
        offsetX_ = descriptor.Left;
        offsetY_ = descriptor.Top;
        item.DescriptorFlags = descriptor.Flags;
        if (!hasLocal)
            item.LocalTable = owner_ ? owner_->Data().GlobalTable : TGIFPaletteRec();

        // Several graphic controls before one image: the longest delay wins,
        // the last one sets transparency and disposal.
        delayMs_ = 0;
        if (extensions_) {
            for (const auto& extension : *extensions_) {
                if (!extension || extension->Kind != ekGraphicControl)
                    continue;
                const auto& fixed = extension->FixedBytes;
                if ((fixed[1] & 1) == 0)
                    keyColor_ = kColorNone;
                else if (fixed[4] < item.LocalTable.EntryCount)
                    keyColor_ = EntryToRGB(item.LocalTable.Entries[fixed[4]]);
                SetDelay(std::max<int64_t>((fixed[2] | fixed[3] << 8) * 10, delayMs_));
                disposal_ = static_cast<TGIFDisposal>(fixed[1] >> 2 & 7);
            }
        }
    } catch (...) {
        item.EncodedData.reset();
        throw;
    }
}

// --- Image -----------------------------------------------------------------

void TGIFImage::ReadGIF(int64_t byteCount, TStream& stream, bool decodeFirst)
{
    ResetImage();
    if (byteCount > 0) {
        // A length prefix is not trusted: nothing is reserved for bytes that
        // are not there.
        if (byteCount > stream.Size() - stream.Position())
            throw EReadError();
        // Bytes already in memory are parsed where they are.
        if (auto* memory = dynamic_cast<TMemoryStream*>(&stream)) {
            const int64_t start = memory->Position();
            ByteViewStream data(memory->Memory() + start, byteCount);
            memory->SetPosition(start + byteCount);
            ParseGIF(data);
        } else {
            std::vector<uint8_t> bytes(static_cast<size_t>(byteCount));
            stream.ReadBuffer(bytes.data(), byteCount);
            ByteViewStream data(bytes.data(), byteCount);
            ParseGIF(data);
        }
    }
    if (!frames_.empty()) {
        activeFrame_ = 0;
        if (decodeFirst) {
            try {
                ActiveBitmap();
            } catch (...) {
                frames_.erase(frames_.begin());
                if (frames_.empty())
                    activeFrame_ = -1;
                throw;
            }
        }
    }
    SetPaletteModified(true);
    NotifyChanged();
}

void TGIFImage::ParseGIF(TStream& stream)
{
    // Read as far as it goes: a short non-GIF is still a non-GIF, not a
    // read error.
    char signature[6] = {};
    if (stream.Read(signature, 3) != 3 || !SameIgnoringCase(signature, "GIF", 3))
        throw EInvalidGraphicOperation::UnknownVersion();
    if (stream.Read(signature + 3, 3) != 3)
        throw EInvalidGraphicOperation::UnknownVersion();
    if (SameIgnoringCase(signature + 3, kVersionNames[fv87a], 3))
        formatVersion_ = fv87a;
    else if (SameIgnoringCase(signature + 3, kVersionNames[fv89a], 3))
        formatVersion_ = fv89a;
    else
        throw EInvalidGraphicOperation::UnknownVersion();

    uint8_t screen[7];
    stream.ReadBuffer(screen, 7);
    logicalWidth_ = static_cast<uint16_t>(screen[0] | screen[1] << 8);
    logicalHeight_ = static_cast<uint16_t>(screen[2] | screen[3] << 8);
    const uint8_t packed = screen[4];
    const uint8_t background = screen[5];
    data_->AspectByte = screen[6];
    data_->GlobalBits = static_cast<uint8_t>((packed & 7) + 1);
    data_->ColorResolution = static_cast<uint8_t>((packed >> 4 & 7) + 1);
    if (packed & 0x80) {
        TGIFPaletteRec& table = data_->GlobalTable;
        table.EntryCount = 1 << data_->GlobalBits;
        stream.ReadBuffer(table.Entries.data(), 3 * table.EntryCount);
        if (background < table.EntryCount)
            backdropColor_ = EntryToRGB(table.Entries[background]);
    }

    // A file that ends after its screen simply has no frames.
    uint8_t introducer = AtEnd(stream) ? kTrailer : ReadByte(stream);
    while (introducer != 0 && introducer != kTrailer && !AtEnd(stream)) {
        std::unique_ptr<TExtensionList> extensions = ReadExtensionRun(stream, introducer);
        if (introducer == kImageIntroducer) {
            auto frame = std::make_unique<TGIFFrame>(this);
            if (data_->GlobalTable.EntryCount > 0)
                frame->Item().TableBits = static_cast<uint8_t>(BitsForColorCount(data_->GlobalTable.EntryCount));
            // The frame owns the extensions from here on, also if it fails.
            frame->SetExtensionList(std::move(extensions));
            frame->ReadImageBlock(stream);
            frames_.push_back(std::move(frame));
            introducer = NextIntroducerAfterImage(stream);
        } else if (data_->ImageComment.empty() && extensions) {
            AppendImageComment(*extensions);
        } else if (introducer != 0 && introducer != kTrailer) {
            throw EReadError();
        }
    }
}

uint8_t TGIFImage::NextIntroducerAfterImage(TStream& stream)
{
    if (AtEnd(stream))
        return kTrailer;
    uint8_t introducer = ReadByte(stream);
    // Zero bytes between blocks are skipped.
    while (introducer == 0 && !AtEnd(stream))
        introducer = ReadByte(stream);
    // Garbage after an image ends the file quietly with the frames so far.
    const bool known = introducer == kExtensionIntroducer || introducer == kImageIntroducer || introducer == kTrailer;
    return known ? introducer : 0;
}

void TGIFImage::AppendImageComment(const TExtensionList& extensions)
{
    auto& comment = data_->ImageComment;
    for (const auto& extension : extensions) {
        if (!extension || extension->Kind != ekComment)
            continue;
        if (!comment.empty())
            comment.push_back(kCommentSeparator);
        if (extension->SubBlocks)
            comment.insert(comment.end(), extension->SubBlocks->begin(), extension->SubBlocks->end());
    }
}

std::unique_ptr<TExtensionList> TGIFImage::ReadExtensionRun(TStream& stream, uint8_t& introducer)
{
    std::unique_ptr<TExtensionList> extensions;
    while (introducer == kExtensionIntroducer) {
        std::unique_ptr<TExtension> extension = ReadExtension(stream);
        switch (extension->Kind) {
        case ekPlainText:
            // What came before the text belonged to it.
            extensions.reset();
            [[fallthrough]];
        case ekApplication:
            if (extension->IsLoopBlock()) {
                const std::string& block = extension->SubBlocks->front();
                loopEnabled_ = true;
                loopCount_ = static_cast<uint16_t>(std::min(
                    static_cast<uint8_t>(block[1]) + 256 * static_cast<uint8_t>(block[2]), kMaxLoopCount));
            }
            break;
        case ekGraphicControl:
        case ekComment:
            if (!extensions)
                extensions = std::make_unique<TExtensionList>();
            extensions->push_back(std::move(extension));
            break;
        }
        introducer = AtEnd(stream) ? kTrailer : ReadByte(stream);
    }
    if (extensions && extensions->empty())
        extensions.reset();
    return extensions;
}

} // namespace scindra
