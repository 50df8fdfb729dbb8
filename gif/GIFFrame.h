#pragma once
// One frame of a GIF: its encoded data (shared with copies), its placement
// and timing, the extensions that preceded it, and the bitmap decoded from it
// on first use.

#include "gif/Extension.h"
#include "gif/GIFItem.h"
#include "gif/GIFTypes.h"
#include "gif/Persistent.h"

#include <QImage>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class QPainter;
class QRect;

namespace scindra {

class TGIFImage;
class TStream;

class TGIFFrame : public TPersistent {
public:
    explicit TGIFFrame(TGIFImage* owner);
    ~TGIFFrame() override;

    std::string ClassName() const override { return "TGIFFrame"; }

    // --- Conversions --------------------------------------------------------
    // From none, another frame, or an image (its active frame, or frame 0).
    void CopyFrom(const TPersistent* source) override;
    // From a bitmap; a non-none `transparentColor` becomes the key colour.
    void CopyFrom(const QImage& bitmap, TColor transparentColor = kColorNone);
    // Into a frame or an image; anything else is the conversion error.
    void CopyTo(TPersistent& target) override;
    // Into a bitmap: a copy of RenderBitmap; `keyColor` receives KeyColor.
    void CopyTo(QImage& target, TColor* keyColor = nullptr);

    // Back to the defaults: a fresh item, no flags, no key colour, offsets,
    // delay and disposal 0. The cached bitmap and the extensions stay.
    void ResetFrame();

    // --- Fields -------------------------------------------------------------
    TGIFImage* OwnerImage() const { return owner_; }
    int OffsetX() const { return offsetX_; }
    int OffsetY() const { return offsetY_; }
    bool IsInterlaced() const { return interlaced_; }
    bool IsDamaged() const { return damaged_; }
    bool IsGray() const { return gray_; }
    TColor KeyColor() const { return keyColor_; }
    uint16_t DelayMs() const { return delayMs_; }
    TGIFDisposal Disposal() const { return disposal_; }
    bool HasLocalTable() const { return hasLocalTable_; }

    void SetOffsetX(int x) { offsetX_ = x; }
    void SetOffsetY(int y) { offsetY_ = y; }
    void SetInterlaced(bool interlaced) { interlaced_ = interlaced; }
    void SetDamaged(bool damaged) { damaged_ = damaged; }
    void SetGray(bool gray) { gray_ = gray; }
    void SetKeyColor(TColor color) { keyColor_ = color; }
    void SetDelayMs(uint16_t delay) { delayMs_ = delay; }
    // A delay in milliseconds of any size, saturated at 65,535.
    void SetDelay(int64_t delayMs);
    void SetDisposal(TGIFDisposal disposal) { disposal_ = disposal; }
    void SetHasLocalTable(bool hasLocal) { hasLocalTable_ = hasLocal; }

    // The shared payload; changing it changes every frame that shares it.
    TGIFItem& Item() { return *item_; }
    const TGIFItem& Item() const { return *item_; }
    const std::shared_ptr<TGIFItem>& SharedItem() const { return item_; }

    // The extensions that preceded the frame, or nullptr.
    TExtensionList* ExtensionList() { return extensions_.get(); }
    const TExtensionList* ExtensionList() const { return extensions_.get(); }
    TExtensionList& EnsureExtensionList();
    void SetExtensionList(std::unique_ptr<TExtensionList> list) { extensions_ = std::move(list); }

    // The strings of the last comment extension, or nullptr; with `create`
    // a missing comment extension is appended first.
    std::vector<std::string>* FrameComment(bool create);
    void SetFrameComment(const std::vector<std::string>& lines);

    // --- Bitmap -------------------------------------------------------------
    // The cached bitmap, or nullptr when there is none.
    const QImage* DecodedBitmap() const { return bitmap_ ? &*bitmap_ : nullptr; }
    // Puts a new empty bitmap in the cache and returns it.
    QImage& NewBitmap();
    // Drops the cached bitmap (the next RenderBitmap decodes again).
    void FreeBitmap() { bitmap_.reset(); }

    // The decoded frame, cached: an indexed image (Format_Mono or
    // Format_Indexed8) whose pixelIndex(x, y) is the palette index, top row
    // first, and whose colorTable() is the frame's table (2, 16 or 256
    // slots, unused slots mid grey). Empty when the frame holds no data.
    const QImage& RenderBitmap();
    // 0 without cached bitmap and without encoded data, else the size of
    // RenderBitmap.
    int FrameWidth();
    int FrameHeight();

    // Fills `stream` with the decoded frame as an uncompressed bottom-up BMP
    // file of 1, 4 or 8 bits per pixel, and rewinds it.
    void DecodeToDIB(TStream& stream);

    // Draws RenderBitmap stretched into `rect`; with `transparent` and a key
    // colour, the frame's transparent pixels leave the canvas as it was.
    void PaintFrame(QPainter& canvas, const QRect& rect, bool transparent);

    // The palette index that is transparent when drawn, or -1: the index of
    // the last graphic control extension that sets one, else the first
    // table entry of the key colour.
    int TransparentIndex() const;

    // --- Reading and writing ------------------------------------------------
    // Reads one image block from `stream` (the ',' introducer already read).
    void ReadImageBlock(TStream& stream);
    // Encodes `stream`, a BMP file of 1, 4 or 8 bits per pixel.
    void EncodeDIB(TStream& stream);
    // Encodes the cached bitmap.
    void EncodeFromBitmap();
    // Brings the graphic control extension in line with the frame's fields.
    void PrepareExtensions();

private:
    void CopyFromFrame(const TGIFFrame& source);

    TGIFImage* owner_;
    std::optional<QImage> bitmap_;
    std::shared_ptr<TGIFItem> item_;
    std::unique_ptr<TExtensionList> extensions_;
    int offsetX_ = 0;
    int offsetY_ = 0;
    bool interlaced_ = false;
    bool damaged_ = false;
    bool gray_ = false;
    TColor keyColor_ = kColorNone;
    uint16_t delayMs_ = 0;
    TGIFDisposal disposal_ = dpUnspecified;
    bool hasLocalTable_ = false;
};

} // namespace scindra
