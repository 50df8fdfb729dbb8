#include "gif/KeyedDraw.h"

#include <QPainter>

namespace scindra {

QRgb ColorToQRgb(TColor color)
{
    return qRgb(static_cast<int>(color & 0xFF), static_cast<int>(color >> 8 & 0xFF),
                static_cast<int>(color >> 16 & 0xFF));
}

TColor QRgbToColor(QRgb rgb)
{
    return static_cast<TColor>(qRed(rgb)) | static_cast<TColor>(qGreen(rgb)) << 8
           | static_cast<TColor>(qBlue(rgb)) << 16;
}

namespace {

bool IsIndexed(const QImage& bitmap)
{
    return bitmap.format() == QImage::Format_Mono || bitmap.format() == QImage::Format_MonoLSB
           || bitmap.format() == QImage::Format_Indexed8;
}

bool IsMonochrome(const QImage& bitmap)
{
    return bitmap.format() == QImage::Format_Mono || bitmap.format() == QImage::Format_MonoLSB;
}

// Sizes below one pixel mean "the bitmap's own".
QRect WholeIfEmpty(QRect rect, const QImage& bitmap, bool keepOrigin)
{
    if (!keepOrigin && (rect.width() < 1 || rect.height() < 1))
        return bitmap.rect();
    if (rect.width() < 1)
        rect.setWidth(bitmap.width());
    if (rect.height() < 1)
        rect.setHeight(bitmap.height());
    return rect;
}

// Nearest-neighbour stretching keeps every alpha value 0 or 255, so a
// see-through pixel stays see-through at any scale.
void DrawStretched(QPainter& canvas, const QRect& dest, const QImage& image, const QRect& source)
{
    canvas.save();
    canvas.setRenderHint(QPainter::SmoothPixmapTransform, false);
    canvas.setCompositionMode(QPainter::CompositionMode_SourceOver);
    canvas.drawImage(dest, image, source);
    canvas.restore();
}

// The palette with every slot opaque except those `seeThrough` picks.
template <class Pick>
QImage WithSeeThroughSlots(const QImage& bitmap, Pick seeThrough)
{
    QVector<QRgb> colors = bitmap.colorTable();
    for (int i = 0; i < colors.size(); ++i)
        colors[i] = seeThrough(i, colors[i]) ? qRgba(0, 0, 0, 0) : (colors[i] | 0xFF000000u);
    QImage keyed = bitmap;
    keyed.setColorTable(colors);
    return keyed;
}

} // namespace

void DrawKeyedStretch(QPainter& canvas, QRect dest, const QImage& bitmap, QRect source, TColor key)
{
    if (bitmap.isNull())
        return;
    dest = WholeIfEmpty(dest, bitmap, true);
    source = WholeIfEmpty(source, bitmap, false);
    if (key == kColorNone) {
        canvas.drawImage(dest, bitmap, source);
        return;
    }
    const QRgb keyRgb = IsMonochrome(bitmap) ? qRgb(255, 255, 255) : ColorToQRgb(PlainRGB(key));
    const auto isKey = [keyRgb](QRgb pixel) { return (pixel & 0xFFFFFF) == (keyRgb & 0xFFFFFF); };
    if (IsIndexed(bitmap)) {
        DrawStretched(canvas, dest, WithSeeThroughSlots(bitmap, [&](int, QRgb c) { return isKey(c); }), source);
        return;
    }
    QImage work = bitmap.copy(source).convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < work.height(); ++y) {
        auto* row = reinterpret_cast<QRgb*>(work.scanLine(y));
        for (int x = 0; x < work.width(); ++x)
            row[x] = isKey(row[x]) ? qRgba(0, 0, 0, 0) : (row[x] | 0xFF000000u);
    }
    DrawStretched(canvas, dest, work, work.rect());
}

void DrawIndexKeyedStretch(QPainter& canvas, QRect dest, const QImage& bitmap, int keyIndex)
{
    if (bitmap.isNull())
        return;
    dest = WholeIfEmpty(dest, bitmap, true);
    DrawStretched(canvas, dest, WithSeeThroughSlots(bitmap, [keyIndex](int i, QRgb) { return i == keyIndex; }),
                  bitmap.rect());
}

} // namespace scindra
