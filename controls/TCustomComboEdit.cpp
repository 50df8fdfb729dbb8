#include "controls/TCustomComboEdit.h"

#include "rtl/Guard.h"

#include <QApplication>
#include <QFontMetrics>
#include <QImage>
#include <QKeyEvent>
#include <QPainter>
#include <QStyle>

#include <algorithm>
#include <limits>

namespace scindra {

namespace {

constexpr int DefaultHeight = 21;
constexpr int SystemBorderHeight = 1;

// The frame a framed edit draws on each side; the button sits inside it.
int FrameWidth(const QLineEdit& edit)
{
    return edit.hasFrame() ? 2 : 0;
}

// Modifiers that are not part of a shortcut: the keypad flag depends only on
// which of the two arrow blocks was used.
QKeyCombination WithoutKeypad(QKeyCombination key)
{
    return QKeyCombination(key.keyboardModifiers() & ~(Qt::KeypadModifier | Qt::GroupSwitchModifier),
                           key.key());
}

} // namespace

TCustomComboEdit::TCustomComboEdit(QWidget* parent) : QLineEdit(parent)
{
    // File names are not cut at the edit's default length.
    setMaxLength(std::numeric_limits<int>::max());

    holder_ = new QWidget(this);
    holder_->setCursor(Qt::ArrowCursor);
    button_ = new TEditButton(holder_);
    holder_->resize(21, 17);
    button_->setGeometry(0, 0, 21, 17);

    connect(button_, &QAbstractButton::pressed, this, Guarded([this] { ButtonMousePressed(); }));
    connect(button_, &QAbstractButton::clicked, this, Guarded([this] { DoClick(); }));
    connect(this, &QLineEdit::textChanged, this, &TCustomComboEdit::Change);

    resize(width(), std::max(DefaultHeight, MinimumHeight()));
    UpdateLayout();
    creating_ = false;
}

TCustomComboEdit::~TCustomComboEdit() = default;

int TCustomComboEdit::ButtonWidth() const
{
    return button_->width();
}

void TCustomComboEdit::SetButtonWidth(int width)
{
    width = std::max(width, 0);
    if (width == ButtonWidth())
        return;
    holder_->setVisible(width > 1);
    if (creating_) {
        holder_->resize(width, holder_->height());
        button_->resize(width, button_->height());
    } else {
        if (width >= this->width() - 2 * FrameWidth(*this))
            return;
        button_->resize(width, button_->height());
    }
    UpdateLayout();
    RecreateGlyph(false);
}

QString TCustomComboEdit::ButtonHint() const
{
    return button_->toolTip();
}

void TCustomComboEdit::SetButtonHint(const QString& hint)
{
    button_->setToolTip(hint);
    NameButton();
}

// The button shows no text, so a screen reader would announce a bare
// "button": it is named by the hint a mouse user sees over it, its own or,
// when it has none, the edit's that the pointer then shows.
void TCustomComboEdit::NameButton()
{
    button_->setAccessibleName(button_->toolTip().isEmpty() ? toolTip() : button_->toolTip());
}

bool TCustomComboEdit::event(QEvent* event)
{
    if (event->type() == QEvent::ToolTipChange)
        NameButton();
    return QLineEdit::event(event);
}

void TCustomComboEdit::SetGlyph(const QPixmap& glyph)
{
    glyphKind_ = gkCustom;
    customGlyph_ = glyph;
    button_->SetGlyph(glyph);
    customNumGlyphs_ = button_->NumGlyphs();
}

void TCustomComboEdit::SetNumGlyphs(int count)
{
    switch (glyphKind_) {
    case gkCustom:
        button_->SetNumGlyphs(count);
        customNumGlyphs_ = button_->NumGlyphs();
        break;
    case gkDefault:
        button_->SetNumGlyphs(defaultNumGlyphs_);
        break;
    case gkDropDown:
    case gkEllipsis:
        button_->SetNumGlyphs(1);
        break;
    }
}

void TCustomComboEdit::SetGlyphKind(TGlyphKind kind)
{
    if (kind == glyphKind_)
        return;
    glyphKind_ = kind;
    RecreateGlyph(true);
}

void TCustomComboEdit::RecreateGlyph(bool switching)
{
    switch (glyphKind_) {
    case gkCustom:
        button_->SetGlyph(customGlyph_);
        button_->SetNumGlyphs(customNumGlyphs_);
        break;
    case gkDefault: {
        const QPixmap picture = DefaultGlyph();
        button_->SetGlyph(picture);
        button_->SetNumGlyphs(defaultNumGlyphs_);
        if (switching && !picture.isNull())
            SetButtonWidth(std::max(picture.width() / defaultNumGlyphs_ + 6, ButtonWidth()));
        break;
    }
    case gkDropDown:
        button_->SetGlyph(DropDownGlyph());
        button_->SetNumGlyphs(1);
        if (switching)
            SetButtonWidth(style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, this));
        break;
    case gkEllipsis:
        button_->SetGlyph(EllipsisGlyph(ButtonWidth()));
        button_->SetNumGlyphs(1);
        break;
    }
}

QPixmap TCustomComboEdit::DefaultGlyph() const
{
    return {};
}

QPixmap TCustomComboEdit::DropDownGlyph()
{
    // A black arrow pointing down, on white that the button draws transparent.
    QImage image(7, 4, QImage::Format_RGB32);
    image.fill(Qt::white);
    for (int row = 0; row < 4; ++row)
        for (int x = row; x < 7 - row; ++x)
            image.setPixel(x, row, qRgb(0, 0, 0));
    return QPixmap::fromImage(image);
}

QPixmap TCustomComboEdit::EllipsisGlyph(int buttonWidth)
{
    const int width = std::max(1, buttonWidth - 6);
    const int gap = std::clamp((width - 6) / 2, 1, 3);
    const int start = (width - 6 - 2 * gap) / 2;
    QImage image(width, 4, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    for (const int x : {start, start + gap + 2, start + 2 * gap + 4})
        painter.fillRect(x, 1, 2, 2, Qt::black);
    painter.end();
    return QPixmap::fromImage(image);
}

void TCustomComboEdit::SetReadOnly(bool readOnly)
{
    if (readOnly == readOnly_)
        return;
    readOnly_ = readOnly;
    UpdateEditReadOnly();
}

void TCustomComboEdit::SetDirectInput(bool directInput)
{
    directInput_ = directInput;
    UpdateEditReadOnly();
}

void TCustomComboEdit::UpdateEditReadOnly()
{
    setReadOnly(readOnly_ || !directInput_);
}

void TCustomComboEdit::DoClick()
{
    if (!readOnly_)
        ButtonPressed();
}

void TCustomComboEdit::ButtonPressed()
{
    emit ButtonClick();
}

void TCustomComboEdit::ButtonMousePressed()
{
    // The edit is focused before anything the button starts, so a handler or
    // a dialog finds it focused.
    if ((focusPolicy() & Qt::TabFocus) && isEnabled() && isVisible() && !hasFocus())
        setFocus(Qt::MouseFocusReason);
}

int TCustomComboEdit::MinimumHeight() const
{
    const int textHeight = std::min(QFontMetrics(QApplication::font()).height(), fontMetrics().height());
    return textHeight + 4 * SystemBorderHeight + 1;
}

QSize TCustomComboEdit::sizeHint() const
{
    return {QLineEdit::sizeHint().width(), std::max(DefaultHeight, MinimumHeight())};
}

QSize TCustomComboEdit::minimumSizeHint() const
{
    return {QLineEdit::minimumSizeHint().width() + ButtonWidth(), MinimumHeight()};
}

void TCustomComboEdit::UpdateLayout()
{
    const int buttonWidth = ButtonWidth();
    const int frame = FrameWidth(*this);
    const QRect place(width() - buttonWidth - frame, frame, buttonWidth, height() - 2 * frame);
    holder_->setGeometry(place);
    button_->setGeometry(0, 0, buttonWidth, place.height());
    // The text stops two pixels short of the button.
    setTextMargins(0, 0, buttonWidth + 2, 0);
}

void TCustomComboEdit::resizeEvent(QResizeEvent* event)
{
    QLineEdit::resizeEvent(event);
    const int minimum = MinimumHeight();
    if (height() < minimum)
        resize(width(), minimum);
    UpdateLayout();
}

void TCustomComboEdit::keyPressEvent(QKeyEvent* event)
{
    QLineEdit::keyPressEvent(event);
    if (WithoutKeypad(event->keyCombination()) == WithoutKeypad(clickKey_) && ButtonWidth() > 0) {
        event->accept();
        Guard([this] { DoClick(); });
    }
}

void TCustomComboEdit::focusInEvent(QFocusEvent* event)
{
    QLineEdit::focusInEvent(event);
    focused_ = true;
    // Entering selects the whole text, so typing replaces it, but only where
    // the user may type over it. A mouse press placed the caret itself, and a
    // closing popup menu returns the focus the edit never really left.
    if (!directInput_) {
        if (hasSelectedText())
            deselect();
    } else if (event->reason() != Qt::MouseFocusReason && event->reason() != Qt::PopupFocusReason) {
        selectAll();
    }
}

void TCustomComboEdit::focusOutEvent(QFocusEvent* event)
{
    QLineEdit::focusOutEvent(event);
    focused_ = false;
}

void TCustomComboEdit::changeEvent(QEvent* event)
{
    QLineEdit::changeEvent(event);
    if (event->type() == QEvent::FontChange || event->type() == QEvent::StyleChange)
        UpdateLayout();
}

} // namespace scindra
