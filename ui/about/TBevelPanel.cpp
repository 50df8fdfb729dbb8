#include "ui/about/TBevelPanel.h"

#include <QPainter>
#include <QPalette>

namespace scindra {
namespace {

// One bevel along the edge of `area`. The dark or light colour of the lower
// and right sides is drawn last, so it owns the bottom-left and top-right
// corner pixels.
void DrawBevel(QPainter& painter, const QRect& area, const QColor& topLeft, const QColor& bottomRight)
{
    const int w = area.width();
    const int h = area.height();
    painter.fillRect(area.left(), area.top(), 1, h - 1, topLeft);
    painter.fillRect(area.left(), area.top(), w - 1, 1, topLeft);
    painter.fillRect(area.right(), area.top(), 1, h, bottomRight);
    painter.fillRect(area.left(), area.bottom(), w, 1, bottomRight);
}

} // namespace

TBevelPanel::TBevelPanel(TPanelBevel outer, TPanelBevel inner, QWidget* parent)
    : QWidget(parent), outer_(outer), inner_(inner)
{
    setAutoFillBackground(true);
    const int margin = BevelThickness();
    setContentsMargins(margin, margin, margin, margin);
}

void TBevelPanel::SetColor(const QColor& color)
{
    QPalette colours = palette();
    colours.setColor(QPalette::Window, color);
    setPalette(colours);
}

int TBevelPanel::BevelThickness() const
{
    return (outer_ != TPanelBevel::None ? 1 : 0) + (inner_ != TPanelBevel::None ? 1 : 0);
}

void TBevelPanel::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    const QColor light = palette().color(QPalette::Light);
    const QColor dark = palette().color(QPalette::Dark);
    QRect area = rect();
    for (TPanelBevel bevel : {outer_, inner_}) {
        if (bevel == TPanelBevel::None || area.width() < 1 || area.height() < 1)
            continue;
        const bool raised = bevel == TPanelBevel::Raised;
        DrawBevel(painter, area, raised ? light : dark, raised ? dark : light);
        area.adjust(1, 1, -1, -1);
    }
}

} // namespace scindra
