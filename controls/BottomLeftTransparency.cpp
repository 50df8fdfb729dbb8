#include "controls/BottomLeftTransparency.h"

namespace scindra {

QImage WithBottomLeftTransparent(const QImage& image)
{
    if (image.isNull())
        return image;
    QImage argb = image.convertToFormat(QImage::Format_ARGB32);
    const QRgb key = argb.pixel(0, argb.height() - 1);
    for (int y = 0; y < argb.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(argb.scanLine(y));
        for (int x = 0; x < argb.width(); ++x)
            if (line[x] == key)
                line[x] = qRgba(0, 0, 0, 0);
    }
    return argb;
}

} // namespace scindra
