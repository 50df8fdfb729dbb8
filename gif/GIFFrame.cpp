#include "gif/GIFFrame.h"

#include "gif/GIFImage.h"

#include <algorithm>

namespace scindra {

TGIFFrame::TGIFFrame(TGIFImage* owner) : owner_(owner)
{
    ResetFrame();
}

TGIFFrame::~TGIFFrame() = default;

void TGIFFrame::ResetFrame()
{
    item_ = std::make_shared<TGIFItem>();
    gray_ = false;
    damaged_ = false;
    keyColor_ = kColorNone;
    offsetX_ = 0;
    offsetY_ = 0;
    interlaced_ = false;
    hasLocalTable_ = false;
    delayMs_ = 0;
    disposal_ = dpUnspecified;
}

void TGIFFrame::SetDelay(int64_t delayMs)
{
    delayMs_ = static_cast<uint16_t>(std::clamp<int64_t>(delayMs, 0, 65535));
}

TExtensionList& TGIFFrame::EnsureExtensionList()
{
    if (!extensions_)
        extensions_ = std::make_unique<TExtensionList>();
    return *extensions_;
}

std::vector<std::string>* TGIFFrame::FrameComment(bool create)
{
    TExtension* comment = LastExtensionOfKind(extensions_.get(), ekComment);
    if (!comment) {
        if (!create)
            return nullptr;
        auto extension = std::make_unique<TExtension>();
        extension->Kind = ekComment;
        comment = extension.get();
        EnsureExtensionList().push_back(std::move(extension));
    }
    if (!comment->SubBlocks && create)
        comment->SubBlocks = std::make_unique<std::vector<std::string>>();
    return comment->SubBlocks.get();
}

void TGIFFrame::SetFrameComment(const std::vector<std::string>& lines)
{
    *FrameComment(true) = lines;
}

QImage& TGIFFrame::NewBitmap()
{
    bitmap_.emplace();
    return *bitmap_;
}

int TGIFFrame::TransparentIndex() const
{
    if (keyColor_ == kColorNone)
        return -1;
    // The slot the file named, when it still holds the key colour; replayed
    // as reading applied the graphic controls, so the last one decides.
    int index = -1;
    if (extensions_) {
        for (const auto& extension : *extensions_) {
            if (!extension || extension->Kind != ekGraphicControl)
                continue;
            if ((extension->FixedBytes[1] & 1) == 0)
                index = -1;
            else if (extension->FixedBytes[4] < item_->LocalTable.EntryCount)
                index = extension->FixedBytes[4];
        }
    }
    if (index >= 0 && EntryToRGB(item_->LocalTable.Entries[static_cast<size_t>(index)]) == PlainRGB(keyColor_))
        return index;
    return IndexOfColor(item_->LocalTable, keyColor_);
}

// --- Conversions ---------------------------------------------------------

void TGIFFrame::CopyFrom(const TPersistent* source)
{
    if (!source) {
        ResetFrame();
        FreeBitmap();
    } else if (const auto* frame = dynamic_cast<const TGIFFrame*>(source)) {
        if (frame == this)
            return;
        CopyFromFrame(*frame);
    } else if (const auto* image = dynamic_cast<const TGIFImage*>(source)) {
        if (image->FrameCount() == 0) {
            ResetFrame();
            FreeBitmap();
        } else {
            const int active = image->ActiveFrame();
            const TGIFFrame* frame = image->FrameAt(active >= 0 && active < image->FrameCount() ? active : 0);
            if (frame == this)
                return;
            CopyFromFrame(*frame);
        }
    } else {
        ConversionError(source);
    }
    if (owner_)
        owner_->UpdateLogicalSize();
}

void TGIFFrame::CopyFromFrame(const TGIFFrame& source)
{
    item_ = source.item_;
    hasLocalTable_ = source.owner_ == owner_ ? source.hasLocalTable_ : true;
    offsetX_ = source.offsetX_;
    offsetY_ = source.offsetY_;
    interlaced_ = source.interlaced_;
    // A bitmap decoded from the old data must not outlive it.
    bitmap_ = source.bitmap_;
    keyColor_ = source.keyColor_;
    delayMs_ = source.delayMs_;
    disposal_ = source.disposal_;
    gray_ = source.gray_;
    damaged_ = source.damaged_;
    const TExtension* comment = LastExtensionOfKind(source.extensions_.get(), ekComment);
    if (comment && comment->SubBlocks && !comment->SubBlocks->empty())
        SetFrameComment(*comment->SubBlocks);
}

void TGIFFrame::CopyFrom(const QImage& bitmap, TColor transparentColor)
{
    if (bitmap.isNull()) {
        ResetFrame();
        FreeBitmap();
    } else {
        ResetFrame();
        NewBitmap() = bitmap;
        if (transparentColor != kColorNone)
            keyColor_ = PlainRGB(transparentColor);
    }
    if (owner_)
        owner_->UpdateLogicalSize();
}

void TGIFFrame::CopyTo(TPersistent& target)
{
    if (dynamic_cast<TGIFFrame*>(&target) || dynamic_cast<TGIFImage*>(&target)) {
        target.CopyFrom(this);
        return;
    }
    TPersistent::CopyTo(target);
}

void TGIFFrame::CopyTo(QImage& target, TColor* keyColor)
{
    target = RenderBitmap();
    if (keyColor)
        *keyColor = keyColor_;
}

} // namespace scindra
