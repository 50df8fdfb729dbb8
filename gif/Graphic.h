#pragma once
// The base of the pictures: a drawable that reads and writes itself and tells
// a listener when its content changes.

#include "gif/Persistent.h"

#include <functional>
#include <string>

class QPainter;
class QRect;
class QMimeData;

namespace scindra {

class TStream;

class TGraphic : public TPersistent {
public:
    using TNotifyEvent = std::function<void(TGraphic& sender)>;

    // Draws the picture stretched into `rect`.
    virtual void DrawTo(QPainter& canvas, const QRect& rect) = 0;
    virtual bool IsEmpty() const = 0;
    virtual int Width() = 0;
    virtual int Height() = 0;
    virtual void SetWidth(int width) = 0;
    virtual void SetHeight(int height) = 0;
    virtual bool IsTransparent() const { return transparent_; }

    // Opens the file and reads it through ReadFromStream.
    virtual void LoadFromFile(const std::string& fileName);
    // Creates the file and writes it through WriteToStream.
    virtual void SaveToFile(const std::string& fileName);
    virtual void ReadFromStream(TStream& stream) = 0;
    virtual void WriteToStream(TStream& stream) = 0;
    virtual void ReadFromClipboard(const QMimeData& data) = 0;
    virtual void WriteToClipboard(QMimeData& data) = 0;

    // The picture as a stored property of a window layout.
    virtual void ReadStoredData(TStream& stream) = 0;
    virtual void WriteStoredData(TStream& stream) = 0;

    bool Transparent() const { return transparent_; }
    void SetTransparent(bool transparent);
    bool Modified() const { return modified_; }
    void SetModified(bool modified) { modified_ = modified; }
    bool PaletteModified() const { return paletteModified_; }
    void SetPaletteModified(bool modified) { paletteModified_ = modified; }

    // One listener, told after every change of the content.
    void SetOnChange(TNotifyEvent handler) { onChange_ = std::move(handler); }
    const TNotifyEvent& OnChange() const { return onChange_; }

protected:
    // Marks the picture modified and tells the listener.
    virtual void NotifyChanged();

private:
    TNotifyEvent onChange_;
    bool transparent_ = false;
    bool modified_ = false;
    bool paletteModified_ = false;
};

} // namespace scindra
