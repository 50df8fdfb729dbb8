#pragma once
// A GIF picture (87a or 89a): a list of frames that keep their LZW data as
// read and decode it only when pixels are asked for.

#include "gif/GIFData.h"
#include "gif/GIFFrame.h"
#include "gif/GIFTypes.h"
#include "gif/Graphic.h"

#include <QImage>
#include <QRgb>
#include <QVector>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace scindra {

class TStream;

class TGIFImage : public TGraphic {
public:
    // Told at the start, during and at the end of decoding and encoding.
    // `message` is empty except for an end reached by a failure.
    using TProgressEvent = std::function<void(TGIFImage& sender, TProgressStage stage, int percent,
                                              const std::string& message)>;

    // The version strings by TGIFFormatVersion.
    static constexpr const char* kVersionNames[3] = {"", "87a", "89a"};
    // The private clipboard type of the "GIF Image" layout (a 4-byte
    // little-endian length, then the GIF), and the plain type other programs read.
    static constexpr const char* kClipboardMimeType = "application/x-qt-windows-mime;value=\"GIF Image\"";
    static constexpr const char* kPlainMimeType = "image/gif";

    TGIFImage();
    ~TGIFImage() override;

    std::string ClassName() const override { return "TGIFImage"; }

    // --- Conversions --------------------------------------------------------
    // From none, another image (sharing its data) or a frame.
    void CopyFrom(const TPersistent* source) override;
    // From a bitmap: one frame; a non-none `transparentColor` becomes its key.
    void CopyFrom(const QImage& bitmap, TColor transparentColor = kColorNone);
    // Into another image only; anything else, a frame too, is the
    // conversion error (a frame copies from an image with its own CopyFrom).
    void CopyTo(TPersistent& target) override;
    // Into a bitmap: the active frame's (or ActiveBitmap when none is active).
    void CopyTo(QImage& target, TColor* keyColor = nullptr);

    // Appends a frame made from `graphic` (a frame, an image or none) or from
    // a bitmap, makes it active and returns its index.
    int AppendFrame(const TPersistent* graphic);
    int AppendFrame(const QImage& bitmap, TColor transparentColor = kColorNone);

    // Back to an empty image with fresh shared data (the logical size stays).
    void ResetImage();

    // --- Fields -------------------------------------------------------------
    int FrameCount() const { return static_cast<int>(frames_.size()); }
    // Fails with the list index error outside 0..FrameCount-1.
    TGIFFrame* FrameAt(int index) const;
    // Removes and frees a frame (the active frame is not moved).
    void DeleteFrame(int index);

    int ActiveFrame() const { return activeFrame_; }
    void SetActiveFrame(int index) { activeFrame_ = index; }

    // 0 while the image is empty.
    uint16_t LogicalWidth() const;
    uint16_t LogicalHeight() const;
    void SetLogicalSize(uint16_t width, uint16_t height);
    // The logical screen size as stored, also while the image is empty.
    uint16_t ScreenWidth() const { return logicalWidth_; }
    uint16_t ScreenHeight() const { return logicalHeight_; }

    TColor BackdropColor() const { return backdropColor_; }
    void SetBackdropColor(TColor color) { backdropColor_ = color; }
    TGIFFormatVersion FormatVersion() const { return formatVersion_; }
    void SetFormatVersion(TGIFFormatVersion version) { formatVersion_ = version; }
    bool LoopEnabled() const { return loopEnabled_; }
    void SetLoopEnabled(bool enabled) { loopEnabled_ = enabled; }
    uint16_t LoopCount() const { return loopCount_; }
    void SetLoopCount(uint16_t count) { loopCount_ = count; }

    const std::vector<std::string>& ImageComment() const { return data_->ImageComment; }
    // The shared image-level payload.
    TGIFData& Data() { return *data_; }
    const TGIFData& Data() const { return *data_; }
    const std::shared_ptr<TGIFData>& SharedData() const { return data_; }

    // The decoded active frame (frame 0 when ActiveFrame is out of range); an
    // image without frames first gains one empty frame.
    const QImage& ActiveBitmap();
    // The logical size becomes the extent of all frames (decoding them).
    void UpdateLogicalSize();

    // --- Reading and writing ------------------------------------------------
    // Replaces the content with the `byteCount` bytes at the stream's
    // position; with `decodeFirst` the first frame is decoded at once.
    void ReadGIF(int64_t byteCount, TStream& stream, bool decodeFirst);
    // Writes the image, after a 4-byte length with `withLength`.
    void WriteGIF(TStream& stream, bool withLength);
    // Encodes every frame that holds only a bitmap.
    void EncodeFrames(bool recreate);

    // --- Picture operations -------------------------------------------------
    void DrawTo(QPainter& canvas, const QRect& rect) override;
    // True when `other` is an image sharing the same data.
    bool SameImage(const TGraphic& other) const;
    bool IsEmpty() const override;
    int Width() override;
    int Height() override;
    // Both fail: a GIF's size comes from its frames.
    void SetWidth(int width) override;
    void SetHeight(int height) override;
    // The transparent flag and at least one frame with a key colour.
    bool IsTransparent() const override;
    // The colour table of the active bitmap; empty without frames.
    QVector<QRgb> PaletteHandle();

    void SaveToFile(const std::string& fileName) override;
    void ReadFromStream(TStream& stream) override;
    void WriteToStream(TStream& stream) override;
    void ReadFromClipboard(const QMimeData& data) override;
    void WriteToClipboard(QMimeData& data) override;
    // A 4-byte little-endian length, then the GIF.
    void ReadStoredData(TStream& stream) override;
    void WriteStoredData(TStream& stream) override;

    // --- Progress -----------------------------------------------------------
    void SetOnProgress(TProgressEvent handler) { onProgress_ = std::move(handler); }
    const TProgressEvent& OnProgress() const { return onProgress_; }
    // Tells the progress listener, when there is one.
    void Progress(TProgressStage stage, int percent, const std::string& message = std::string());

    using TGraphic::NotifyChanged;

private:
    void CopyFromImage(const TGIFImage& source);
    void CopyFromFrame(const TGIFFrame& source);
    void AfterAppend();
    bool ActiveInRange() const;
    void ParseGIF(TStream& stream);
    std::unique_ptr<TExtensionList> ReadExtensionRun(TStream& stream, uint8_t& introducer);
    uint8_t NextIntroducerAfterImage(TStream& stream);
    void AppendImageComment(const TExtensionList& extensions);

    std::shared_ptr<TGIFData> data_;
    std::vector<std::unique_ptr<TGIFFrame>> frames_;
    int activeFrame_ = -1;
    uint16_t logicalWidth_ = 0;
    uint16_t logicalHeight_ = 0;
    TColor backdropColor_ = kColorNone;
    TGIFFormatVersion formatVersion_ = fvUnknown;
    bool loopEnabled_ = false;
    uint16_t loopCount_ = 1;
    TProgressEvent onProgress_;
};

} // namespace scindra
