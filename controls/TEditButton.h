#pragma once
// The small button inside the right edge of an edit. It never takes the
// focus and draws a picture strip: NumGlyphs images of equal width side by
// side, in the order normal, disabled, pressed. A missing pressed image is
// the normal one; a missing disabled image is embossed from the normal one.
// The colour of the strip's bottom-left pixel is drawn transparent.

#include <QAbstractButton>
#include <QPixmap>

namespace scindra {

class TEditButton : public QAbstractButton {
    Q_OBJECT

public:
    explicit TEditButton(QWidget* parent = nullptr);

    const QPixmap& Glyph() const { return glyph_; }
    // When the strip's width is a whole multiple of its height, NumGlyphs
    // becomes that multiple if it is below 6, else 1.
    void SetGlyph(const QPixmap& glyph);

    int NumGlyphs() const { return numGlyphs_; }
    void SetNumGlyphs(int count);  // below 1 counts as 1

    // The image drawn for a state: 0 normal, 1 disabled, 2 pressed.
    QPixmap Image(int state) const;

    // The two-tone embossed picture made for a strip without a disabled image.
    static QPixmap Embossed(const QPixmap& normal, const QPalette& palette);

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void RebuildImages();

    QPixmap glyph_;
    int numGlyphs_ = 1;
    QPixmap images_[3];
};

} // namespace scindra
