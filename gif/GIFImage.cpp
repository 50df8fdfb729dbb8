#include "gif/GIFImage.h"

#include "rtl/Exception.h"
#include "rtl/TMemoryStream.h"

#include <QMimeData>

#include <algorithm>

namespace scindra {

TGIFImage::TGIFImage()
{
    ResetImage();
    SetTransparent(true);
}

TGIFImage::~TGIFImage()
{
    SetOnChange(nullptr);
}

void TGIFImage::ResetImage()
{
    data_ = std::make_shared<TGIFData>();
    frames_.clear();
    activeFrame_ = -1;
    backdropColor_ = kColorNone;
    loopCount_ = 1;
    loopEnabled_ = false;
    formatVersion_ = fvUnknown;
}

TGIFFrame* TGIFImage::FrameAt(int index) const
{
    if (index < 0 || index >= FrameCount())
        throw EListError::IndexOutOfBounds(index);
    return frames_[static_cast<size_t>(index)].get();
}

void TGIFImage::DeleteFrame(int index)
{
    FrameAt(index);
    frames_.erase(frames_.begin() + index);
}

uint16_t TGIFImage::LogicalWidth() const
{
    return IsEmpty() ? 0 : logicalWidth_;
}

uint16_t TGIFImage::LogicalHeight() const
{
    return IsEmpty() ? 0 : logicalHeight_;
}

void TGIFImage::SetLogicalSize(uint16_t width, uint16_t height)
{
    logicalWidth_ = width;
    logicalHeight_ = height;
}

void TGIFImage::Progress(TProgressStage stage, int percent, const std::string& message)
{
    if (onProgress_)
        onProgress_(*this, stage, percent, message);
}

// --- Conversions -----------------------------------------------------------

void TGIFImage::CopyFrom(const TPersistent* source)
{
    if (!source) {
        ResetImage();
    } else if (const auto* image = dynamic_cast<const TGIFImage*>(source)) {
        if (image == this)
            return;
        CopyFromImage(*image);
    } else if (const auto* frame = dynamic_cast<const TGIFFrame*>(source)) {
        CopyFromFrame(*frame);
    } else {
        ConversionError(source);
    }
    NotifyChanged();
}

void TGIFImage::CopyFromImage(const TGIFImage& source)
{
    data_ = source.data_;
    formatVersion_ = source.formatVersion_;
    backdropColor_ = source.backdropColor_;
    loopCount_ = source.loopCount_;
    loopEnabled_ = source.loopEnabled_;
    frames_.clear();
    for (const auto& sourceFrame : source.frames_) {
        auto frame = std::make_unique<TGIFFrame>(this);
        frame->CopyFrom(sourceFrame.get());
        frame->SetHasLocalTable(sourceFrame->HasLocalTable());
        frames_.push_back(std::move(frame));
    }
    logicalWidth_ = source.logicalWidth_;
    logicalHeight_ = source.logicalHeight_;
    activeFrame_ = source.activeFrame_;
}

void TGIFImage::CopyFromFrame(const TGIFFrame& source)
{
    // The frame may belong to this very image: keep what it needs first.
    std::shared_ptr<TGIFData> sourceData = source.OwnerImage() ? source.OwnerImage()->data_ : nullptr;
    const bool hasLocalTable = source.OwnerImage() == this ? source.HasLocalTable() : true;
    auto keep = std::make_unique<TGIFFrame>(nullptr);
    keep->CopyFrom(&source);
    ResetImage();
    if (sourceData) {
        data_->AspectByte = sourceData->AspectByte;
        data_->GlobalBits = sourceData->GlobalBits;
        data_->ColorResolution = sourceData->ColorResolution;
        data_->GlobalTable = sourceData->GlobalTable;
    }
    frames_.push_back(std::make_unique<TGIFFrame>(this));
    activeFrame_ = FrameCount() - 1;
    frames_.back()->CopyFrom(keep.get());
    // Copied through a frame without owner: the flag as a direct copy sets it.
    frames_.back()->SetHasLocalTable(hasLocalTable);
    if (formatVersion_ == fvUnknown)
        formatVersion_ = fv87a;
}

void TGIFImage::CopyFrom(const QImage& bitmap, TColor transparentColor)
{
    ResetImage();
    AppendFrame(bitmap, transparentColor);
    NotifyChanged();
}

void TGIFImage::CopyTo(TPersistent& target)
{
    if (dynamic_cast<TGIFImage*>(&target)) {
        target.CopyFrom(this);
        return;
    }
    TPersistent::CopyTo(target);
}

void TGIFImage::CopyTo(QImage& target, TColor* keyColor)
{
    if (keyColor)
        *keyColor = kColorNone;
    if (IsEmpty()) {
        target = QImage();
    } else if (activeFrame_ < 0 || activeFrame_ >= FrameCount()) {
        target = ActiveBitmap();
    } else {
        frames_[static_cast<size_t>(activeFrame_)]->CopyTo(target, keyColor);
    }
}

int TGIFImage::AppendFrame(const TPersistent* graphic)
{
    frames_.push_back(std::make_unique<TGIFFrame>(this));
    const int index = FrameCount() - 1;
    activeFrame_ = index;
    frames_.back()->CopyFrom(graphic);
    AfterAppend();
    return index;
}

int TGIFImage::AppendFrame(const QImage& bitmap, TColor transparentColor)
{
    frames_.push_back(std::make_unique<TGIFFrame>(this));
    const int index = FrameCount() - 1;
    activeFrame_ = index;
    frames_.back()->CopyFrom(bitmap, transparentColor);
    AfterAppend();
    return index;
}

void TGIFImage::AfterAppend()
{
    if (formatVersion_ == fvUnknown)
        formatVersion_ = fv87a;
    if (FrameCount() > 1)
        formatVersion_ = fv89a;
}

// --- Picture operations ------------------------------------------------------

bool TGIFImage::ActiveInRange() const
{
    return activeFrame_ >= 0 && activeFrame_ < FrameCount();
}

const QImage& TGIFImage::ActiveBitmap()
{
    if (frames_.empty()) {
        activeFrame_ = 0;
        CopyFrom(QImage());
        return frames_.front()->RenderBitmap();
    }
    return frames_[static_cast<size_t>(ActiveInRange() ? activeFrame_ : 0)]->RenderBitmap();
}

void TGIFImage::UpdateLogicalSize()
{
    int64_t width = 0;
    int64_t height = 0;
    for (const auto& frame : frames_) {
        width = std::max<int64_t>(width, int64_t{frame->FrameWidth()} + frame->OffsetX());
        height = std::max<int64_t>(height, int64_t{frame->FrameHeight()} + frame->OffsetY());
    }
    // A frame reaching past the format's largest screen saturates.
    logicalWidth_ = static_cast<uint16_t>(std::clamp<int64_t>(width, 0, 65535));
    logicalHeight_ = static_cast<uint16_t>(std::clamp<int64_t>(height, 0, 65535));
}

bool TGIFImage::SameImage(const TGraphic& other) const
{
    const auto* image = dynamic_cast<const TGIFImage*>(&other);
    return image && image->data_ == data_;
}

bool TGIFImage::IsEmpty() const
{
    if (frames_.empty())
        return true;
    const TGIFFrame& frame = *frames_[static_cast<size_t>(ActiveInRange() ? activeFrame_ : 0)];
    return !frame.DecodedBitmap() && !frame.Item().IsEncoded();
}

int TGIFImage::Width()
{
    if (IsEmpty() || !ActiveInRange())
        return 0;
    return frames_[static_cast<size_t>(activeFrame_)]->RenderBitmap().width();
}

int TGIFImage::Height()
{
    if (IsEmpty() || !ActiveInRange())
        return 0;
    return frames_[static_cast<size_t>(activeFrame_)]->RenderBitmap().height();
}

void TGIFImage::SetWidth(int)
{
    throw EInvalidGraphicOperation::CannotChangeSize();
}

void TGIFImage::SetHeight(int)
{
    throw EInvalidGraphicOperation::CannotChangeSize();
}

bool TGIFImage::IsTransparent() const
{
    return Transparent()
           && std::any_of(frames_.begin(), frames_.end(),
                          [](const auto& frame) { return frame->KeyColor() != kColorNone; });
}

QVector<QRgb> TGIFImage::PaletteHandle()
{
    if (frames_.empty())
        return {};
    return ActiveBitmap().colorTable();
}

void TGIFImage::DrawTo(QPainter& canvas, const QRect& rect)
{
    if (!ActiveInRange())
        return;
    frames_[static_cast<size_t>(activeFrame_)]->PaintFrame(canvas, rect, IsTransparent());
}

// --- Streams and clipboard ---------------------------------------------------

void TGIFImage::ReadFromStream(TStream& stream)
{
    ReadGIF(stream.Size() - stream.Position(), stream, true);
}

static uint32_t ReadLength(TStream& stream)
{
    uint8_t bytes[4];
    stream.ReadBuffer(bytes, 4);
    return uint32_t{bytes[0]} | uint32_t{bytes[1]} << 8 | uint32_t{bytes[2]} << 16 | uint32_t{bytes[3]} << 24;
}

void TGIFImage::ReadStoredData(TStream& stream)
{
    const uint32_t length = ReadLength(stream);
    ReadGIF(length, stream, true);
}

void TGIFImage::ReadFromClipboard(const QMimeData& data)
{
    if (data.hasFormat(kClipboardMimeType)) {
        const QByteArray bytes = data.data(kClipboardMimeType);
        TMemoryStream stream(std::vector<uint8_t>(bytes.begin(), bytes.end()));
        const uint32_t length = ReadLength(stream);
        ReadGIF(length, stream, false);
        // The program that put both there meant the bitmap as frame 0's picture.
        if (!frames_.empty() && data.hasImage())
            frames_.front()->NewBitmap() = qvariant_cast<QImage>(data.imageData());
    } else if (data.hasFormat(kPlainMimeType)) {
        const QByteArray bytes = data.data(kPlainMimeType);
        TMemoryStream stream(std::vector<uint8_t>(bytes.begin(), bytes.end()));
        ReadGIF(stream.Size(), stream, false);
    } else if (data.hasImage()) {
        CopyFrom(qvariant_cast<QImage>(data.imageData()));
        return;
    } else {
        throw EConvertError::CannotAssign("nil", ClassName());
    }
    if (!frames_.empty())
        activeFrame_ = 0;
}

} // namespace scindra
