#pragma once
// A one-line edit with a small push button inside its right edge. Pressing
// the button (mouse or ClickKey) runs ButtonPressed, which fires
// ButtonClick(); subclasses add their dialog after it. The text never runs
// under the button.

#include "controls/TEditButton.h"

#include <QKeyCombination>
#include <QLineEdit>
#include <QPixmap>

namespace scindra {

enum TGlyphKind { gkCustom, gkDefault, gkDropDown, gkEllipsis };

class TCustomComboEdit : public QLineEdit {
    Q_OBJECT

public:
    explicit TCustomComboEdit(QWidget* parent = nullptr);
    ~TCustomComboEdit() override;

    // The text exactly as shown; setting it fires Change() when it differs.
    QString Text() const { return text(); }
    void SetText(const QString& text) { setText(text); }
    void Clear() { setText(QString()); }

    TEditButton* Button() const { return button_; }
    QWidget* ButtonHolder() const { return holder_; }

    int ButtonWidth() const;
    // A width above 1 shows the holder, 0 or 1 hides it. Outside of
    // construction a width not below the client width changes only that.
    void SetButtonWidth(int width);

    QString ButtonHint() const;
    void SetButtonHint(const QString& hint);

    QPixmap Glyph() const { return button_->Glyph(); }
    // Also switches GlyphKind to gkCustom.
    void SetGlyph(const QPixmap& glyph);

    int NumGlyphs() const { return button_->NumGlyphs(); }
    // Taken as given for gkCustom only; the other kinds keep their own count.
    void SetNumGlyphs(int count);

    TGlyphKind GlyphKind() const { return glyphKind_; }
    void SetGlyphKind(TGlyphKind kind);

    // Alt+Down by default. Matched after the edit's own key handling; it
    // presses the button only while ButtonWidth is above 0.
    QKeyCombination ClickKey() const { return clickKey_; }
    void SetClickKey(QKeyCombination key) { clickKey_ = key; }

    // The control's own read-only flag: a read-only control also ignores its
    // button. The underlying edit refuses typing, cut and paste when
    // ReadOnly is set or DirectInput is cleared.
    bool ReadOnly() const { return readOnly_; }
    void SetReadOnly(bool readOnly);
    bool DirectInput() const { return directInput_; }
    void SetDirectInput(bool directInput);

    bool Focused() const { return focused_; }

    // Presses the button as the mouse or ClickKey does (nothing when ReadOnly).
    void DoClick();

    // The least height that still shows a line of text.
    int MinimumHeight() const;

    // The generated pictures of the drop-down and ellipsis kinds.
    static QPixmap DropDownGlyph();
    static QPixmap EllipsisGlyph(int buttonWidth);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

signals:
    void Change();
    void ButtonClick();

protected:
    // Run when the button is pressed; the base fires ButtonClick().
    virtual void ButtonPressed();
    // The picture of gkDefault; the base has none.
    virtual QPixmap DefaultGlyph() const;

    // Construction switches some setters to their first-time rules.
    bool Creating() const { return creating_; }
    void SetCreating(bool creating) { creating_ = creating; }

    bool event(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void ButtonMousePressed();
    void NameButton();
    void UpdateLayout();
    void RecreateGlyph(bool switching);
    void UpdateEditReadOnly();

    QWidget* holder_ = nullptr;
    TEditButton* button_ = nullptr;
    QPixmap customGlyph_;
    int customNumGlyphs_ = 1;
    int defaultNumGlyphs_ = 1;
    TGlyphKind glyphKind_ = gkCustom;
    QKeyCombination clickKey_{Qt::AltModifier, Qt::Key_Down};
    bool readOnly_ = false;
    bool directInput_ = true;
    bool focused_ = false;
    bool creating_ = true;
};

} // namespace scindra
