#pragma once
// A label that stands for an address: a hand pointer over it, and screen
// readers announce it as a link named by its accessible name (the address).
// Every press on it, of any mouse button, a double-click's second press
// included, and a screen reader's press action alike, fires Pressed(); what
// that does is left to the window that holds it.

#include <QLabel>

namespace scindra {

class TLinkLabel : public QLabel {
    Q_OBJECT

public:
    TLinkLabel(const QString& text, QWidget* parent);

signals:
    void Pressed();

protected:
    // The widget base hands a double-click here as well, so a quick second
    // press counts like the first.
    void mousePressEvent(QMouseEvent* event) override;
};

} // namespace scindra
