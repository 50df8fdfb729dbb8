#pragma once
// A captionless panel framed by up to two one-pixel bevels, the outer one
// drawn first along the edge and the inner one just inside it. A raised bevel
// is light on its top and left sides and dark on the other two, a lowered one
// the reverse; a lowered outer bevel alone on a panel two pixels wide is an
// etched separator line. Children lie inside the bevels.

#include <QColor>
#include <QWidget>

namespace scindra {

enum class TPanelBevel { None, Lowered, Raised };

class TBevelPanel : public QWidget {
    Q_OBJECT

public:
    TBevelPanel(TPanelBevel outer, TPanelBevel inner, QWidget* parent);

    TPanelBevel BevelOuter() const { return outer_; }
    TPanelBevel BevelInner() const { return inner_; }

    // The background inside the bevels; the parent's colour until set.
    void SetColor(const QColor& color);

    // Pixels taken by the bevels on each side.
    int BevelThickness() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    TPanelBevel outer_;
    TPanelBevel inner_;
};

} // namespace scindra
