#include "controls/TEditButton.h"

#include "controls/BottomLeftTransparency.h"

#include <QBitmap>
#include <QImage>
#include <QPainter>
#include <QStyleOptionButton>
#include <QStylePainter>

namespace scindra {

namespace {

enum { NormalImage, DisabledImage, PressedImage };

// Pixels that make the shape of an embossed picture: opaque and not light,
// so the highlights of a picture do not turn into blots.
bool InShape(QRgb pixel)
{
    return qAlpha(pixel) > 127 && qGray(pixel) < 192;
}

QImage Shape(const QImage& image, QColor colour)
{
    QImage shape(image.size(), QImage::Format_ARGB32);
    shape.fill(Qt::transparent);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (InShape(image.pixel(x, y)))
                shape.setPixelColor(x, y, colour);
    return shape;
}

} // namespace

TEditButton::TEditButton(QWidget* parent) : QAbstractButton(parent)
{
    setFocusPolicy(Qt::NoFocus);
    setCursor(Qt::ArrowCursor);
}

void TEditButton::SetGlyph(const QPixmap& glyph)
{
    glyph_ = glyph;
    if (!glyph.isNull() && glyph.height() > 0 && glyph.width() % glyph.height() == 0) {
        const int count = glyph.width() / glyph.height();
        numGlyphs_ = count < 6 ? count : 1;
    }
    RebuildImages();
}

void TEditButton::SetNumGlyphs(int count)
{
    numGlyphs_ = count < 1 ? 1 : count;
    RebuildImages();
}

QPixmap TEditButton::Image(int state) const
{
    return state >= 0 && state < 3 ? images_[state] : QPixmap();
}

QPixmap TEditButton::Embossed(const QPixmap& normal, const QPalette& palette)
{
    const QImage image = normal.toImage().convertToFormat(QImage::Format_ARGB32);
    QImage result(image.width() + 1, image.height() + 1, QImage::Format_ARGB32);
    result.fill(Qt::transparent);
    QPainter painter(&result);
    painter.drawImage(1, 1, Shape(image, palette.color(QPalette::Active, QPalette::Light)));
    painter.drawImage(0, 0, Shape(image, palette.color(QPalette::Active, QPalette::Dark)));
    painter.end();
    return QPixmap::fromImage(result.copy(0, 0, image.width(), image.height()));
}

void TEditButton::RebuildImages()
{
    for (QPixmap& image : images_)
        image = QPixmap();
    const QImage strip = WithBottomLeftTransparent(glyph_.toImage());
    if (strip.isNull())
        return update();
    const int width = strip.width() / numGlyphs_;
    if (width <= 0)
        return update();
    for (int i = 0; i < 3 && i < numGlyphs_; ++i)
        images_[i] = QPixmap::fromImage(strip.copy(i * width, 0, width, strip.height()));
    if (images_[DisabledImage].isNull())
        images_[DisabledImage] = Embossed(images_[NormalImage], palette());
    if (images_[PressedImage].isNull())
        images_[PressedImage] = images_[NormalImage];
    update();
}

QSize TEditButton::sizeHint() const
{
    return {21, 17};
}

void TEditButton::paintEvent(QPaintEvent*)
{
    QStylePainter painter(this);
    QStyleOptionButton option;
    option.initFrom(this);
    const bool pressed = isDown();
    option.state |= pressed ? QStyle::State_Sunken : QStyle::State_Raised;
    painter.drawPrimitive(QStyle::PE_PanelButtonCommand, option);

    const QPixmap& image = images_[!isEnabled() ? DisabledImage : pressed ? PressedImage : NormalImage];
    if (!image.isNull()) {
        const QSize size = image.deviceIndependentSize().toSize();
        QPoint at((width() - size.width()) / 2, (height() - size.height()) / 2);
        if (pressed)
            at += QPoint(1, 1);
        painter.drawPixmap(at, image);
    }
    // Two lines over the left edge join the button to the edit's frame.
    if (!pressed) {
        painter.setPen(palette().color(QPalette::Button));
        painter.drawLine(0, 0, 0, height() - 1);
        painter.setPen(palette().color(QPalette::Light));
        painter.drawLine(1, 1, 1, height() - 2);
    }
}

} // namespace scindra
