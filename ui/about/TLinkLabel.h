#pragma once
// A label that stands for an address: a hand pointer over it, and screen
// readers announce it as a link named by its accessible name (the address).
// What a press does is left to the window that holds it.

#include <QLabel>

namespace scindra {

class TLinkLabel : public QLabel {
    Q_OBJECT

public:
    TLinkLabel(const QString& text, QWidget* parent);
};

} // namespace scindra
