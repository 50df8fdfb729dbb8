#pragma once
// Stretched drawing of a bitmap in which one colour lets the destination
// show through.

#include "gif/GIFPaletteRec.h"

#include <QImage>
#include <QRect>

class QPainter;

namespace scindra {

// Draws `source` of `bitmap` stretched into `dest`. Pixels of the key colour
// (white for a monochrome bitmap) leave the canvas as it was, at any scale;
// with kColorNone the bitmap is copied as it is. A destination or source
// smaller than one pixel takes the bitmap's whole size.
void DrawKeyedStretch(QPainter& canvas, QRect dest, const QImage& bitmap, QRect source, TColor key);

// As above, for an indexed bitmap whose palette slot `keyIndex` is the
// transparent one: only that slot lets the canvas show through, whatever
// colours the other slots share with it.
void DrawIndexKeyedStretch(QPainter& canvas, QRect dest, const QImage& bitmap, int keyIndex);

// The QRgb of a colour number (opaque).
QRgb ColorToQRgb(TColor color);
// The colour number of a QRgb (alpha dropped).
TColor QRgbToColor(QRgb rgb);

} // namespace scindra
