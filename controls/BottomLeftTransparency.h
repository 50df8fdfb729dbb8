#pragma once
// Button and list pictures are stored opaque; the colour of their bottom-left
// pixel stands for "transparent", as the pictures were drawn that way.

#include <QImage>

namespace scindra {

// An ARGB copy of the image with every pixel of its bottom-left colour made
// fully transparent; a null image stays null.
QImage WithBottomLeftTransparent(const QImage& image);

} // namespace scindra
