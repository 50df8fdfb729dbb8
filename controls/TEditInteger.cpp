#include "controls/TEditInteger.h"

#include "rtl/Guard.h"
#include "rtl/StrToInt.h"

#include <QApplication>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QKeySequence>
#include <QStringView>
#include <QValidator>

#include <algorithm>
#include <array>
#include <limits>

namespace scindra {
namespace {

// How a numeral of the table is matched: any number of times, at most once,
// or only as the whole rest of the text (IL, IX and IV end a number).
enum class Repeat { Many, Once, Whole };

struct Numeral {
    QStringView letters;
    int32_t value;
    Repeat repeat;
};

// Both directions walk this table in order; IL makes 49 read and write as IL.
constexpr std::array<Numeral, 14> kNumerals{{
    {u"M", 1000, Repeat::Many},
    {u"CM", 900, Repeat::Once},
    {u"D", 500, Repeat::Once},
    {u"CD", 400, Repeat::Once},
    {u"C", 100, Repeat::Many},
    {u"XC", 90, Repeat::Once},
    {u"L", 50, Repeat::Once},
    {u"IL", 49, Repeat::Whole},
    {u"XL", 40, Repeat::Once},
    {u"X", 10, Repeat::Many},
    {u"IX", 9, Repeat::Whole},
    {u"V", 5, Repeat::Once},
    {u"IV", 4, Repeat::Whole},
    {u"I", 1, Repeat::Many},
}};

const QString kRomanLetters = QStringLiteral("CDILMVX");

bool IsPrintable(const QString& text)
{
    return !text.isEmpty() && std::all_of(text.begin(), text.end(), [](QChar c) { return c.isPrint(); });
}

bool IsControlLetter(const QKeyEvent& event)
{
    return (event.modifiers() & Qt::ControlModifier) && event.key() >= Qt::Key_A && event.key() <= Qt::Key_Z;
}

bool IsClipboardShortcut(const QKeyEvent& event)
{
    return event.matches(QKeySequence::Copy) || event.matches(QKeySequence::Cut) ||
           event.matches(QKeySequence::Paste);
}

// What a key press means to the filter. Keys that type no character (caret
// moves, Delete) and Backspace go to the edit unfiltered; control characters
// (Enter, Esc, Ctrl + letter, the clipboard shortcuts) are always refused;
// printable text is checked against the mode. A character key held with Alt
// or Meta is a command for the window, never typing: the edit would
// otherwise insert its character past the filter.
enum class KeyKind { Editing, Command, Refused, Typed };

KeyKind KindOf(const QKeyEvent& event)
{
    if (IsClipboardShortcut(event))
        return KeyKind::Refused;
    if (event.modifiers() & (Qt::AltModifier | Qt::MetaModifier))
        return IsPrintable(event.text()) ? KeyKind::Command : KeyKind::Editing;
    if (event.key() == Qt::Key_Backspace)
        return KeyKind::Editing;
    const bool controlCharacter = IsControlLetter(event) || event.key() == Qt::Key_Return ||
                                  event.key() == Qt::Key_Enter || event.key() == Qt::Key_Escape;
    if (controlCharacter)
        return KeyKind::Refused;
    return IsPrintable(event.text()) ? KeyKind::Typed : KeyKind::Editing;
}

void Refuse(QKeyEvent& event)
{
    QApplication::beep();
    event.accept();
}

} // namespace

// Refuses user input that grows the text past the limit. The toolkit runs a
// validator on typing, pasting and dropping, never on text the program sets;
// a longer text the program wrote can still be shortened by the user.
class TEditInteger::LengthLimit : public QValidator {
public:
    using QValidator::QValidator;
    State validate(QString& input, int&) const override
    {
        const bool grows = input.size() > shownLength;
        return length > 0 && grows && input.size() > length ? Invalid : Acceptable;
    }
    int length = 0;
    qsizetype shownLength = 0; // of the text before this edit
};

TEditInteger::TEditInteger(QWidget* parent)
    : QLineEdit(QStringLiteral("0"), parent), lengthLimit_(new LengthLimit(this))
{
    // No toolkit limit: its default length would cut the numerals of large
    // values and change the number they read as.
    setMaxLength(std::numeric_limits<int>::max());
    setValidator(lengthLimit_);
    lengthLimit_->shownLength = text().size();
    connect(this, &QLineEdit::textChanged, this, Guarded([this] { TextChanged(); }));
}

int TEditInteger::MaxLength() const
{
    return lengthLimit_->length;
}

void TEditInteger::SetMaxLength(int length)
{
    lengthLimit_->length = std::max(length, 0);
}

int32_t TEditInteger::Value() const
{
    if (roman_)
        return RomanToInt(text());
    return TryStrToInt(text().toStdString()).value_or(0);
}

void TEditInteger::SetValue(int32_t value)
{
    setText(roman_ ? IntToRoman(value) : QString::number(value));
}

void TEditInteger::SetRoman(bool roman)
{
    if (roman == roman_)
        return;
    if (!roman) {
        roman_ = false;
        return;
    }
    const int32_t value = Value();
    roman_ = true;
    setText(IntToRoman(value));
}

void TEditInteger::ToRoman()
{
    const int32_t value = Value();
    setText(IntToRoman(value));
    roman_ = true;
}

void TEditInteger::ToInt()
{
    setText(QString::number(Value()));
    roman_ = false;
}

QString TEditInteger::IntToRoman(int32_t number)
{
    roman_ = true;
    QString numerals;
    for (const Numeral& numeral : kNumerals) {
        switch (numeral.repeat) {
        case Repeat::Many:
            for (; number >= numeral.value; number -= numeral.value)
                numerals += numeral.letters;
            break;
        case Repeat::Once:
            if (number >= numeral.value) {
                numerals += numeral.letters;
                number -= numeral.value;
            }
            break;
        case Repeat::Whole:
            if (number == numeral.value) {
                numerals += numeral.letters;
                number = 0;
            }
            break;
        }
    }
    return numerals;
}

int32_t TEditInteger::RomanToInt(const QString& numerals)
{
    // A long run of M can pass the 32-bit range; such a text is not a
    // number this edit can hold, so it reads as 0 like any other.
    int64_t number = 0;
    QStringView rest(numerals);
    for (const Numeral& numeral : kNumerals) {
        switch (numeral.repeat) {
        case Repeat::Many:
            while (rest.startsWith(numeral.letters)) {
                number += numeral.value;
                if (number > std::numeric_limits<int32_t>::max())
                    return 0;
                rest = rest.mid(numeral.letters.size());
            }
            break;
        case Repeat::Once:
            if (rest.startsWith(numeral.letters)) {
                number += numeral.value;
                rest = rest.mid(numeral.letters.size());
            }
            break;
        case Repeat::Whole:
            if (rest == numeral.letters) {
                number += numeral.value;
                rest = {};
            }
            break;
        }
    }
    if (!rest.isEmpty() || number > std::numeric_limits<int32_t>::max())
        return 0;
    return static_cast<int32_t>(number);
}

void TEditInteger::TextChanged()
{
    lengthLimit_->shownLength = text().size();
    emit Change();
    if (!roman_)
        RepairText();
}

void TEditInteger::RepairText()
{
    const QString current = text();
    if (current.isEmpty()) {
        // Selected, so the next digit typed replaces it.
        setText(QStringLiteral("0"));
        setSelection(0, 1);
    } else if (current.startsWith(QStringLiteral("--"))) {
        // Each removal is a change of its own and comes back here, so any
        // run of leading minus signs shrinks to one.
        const int caret = cursorPosition();
        setText(current.mid(1));
        if (text() == current.mid(1))
            setCursorPosition(std::max(caret - 1, 0));
    }
}

bool TEditInteger::AcceptsTyped(const QString& typed) const
{
    if (roman_)
        return std::all_of(typed.begin(), typed.end(), [](QChar c) { return kRomanLetters.contains(c); });
    const int start = hasSelectedText() ? selectionStart() : cursorPosition();
    for (qsizetype i = 0; i < typed.size(); ++i) {
        const QChar c = typed[i];
        const bool accepted = (c >= u'0' && c <= u'9') || (c == u'-' && i == 0 && start == 0);
        if (!accepted)
            return false;
    }
    return true;
}

void TEditInteger::keyPressEvent(QKeyEvent* event)
{
    Guard([this, event] {
        switch (KindOf(*event)) {
        case KeyKind::Editing:
            QLineEdit::keyPressEvent(event);
            return;
        case KeyKind::Command:
            event->ignore();
            return;
        case KeyKind::Refused:
            Refuse(*event);
            return;
        case KeyKind::Typed:
            break;
        }
        const QString typed = roman_ ? event->text().toUpper() : event->text();
        if (!AcceptsTyped(typed)) {
            Refuse(*event);
            return;
        }
        QKeyEvent converted(event->type(), event->key(), event->modifiers(), typed, event->isAutoRepeat(),
                            event->count());
        QLineEdit::keyPressEvent(&converted);
        event->setAccepted(converted.isAccepted());
    });
}

// An input method hands over typed text past the key events: the same filter
// applies to what it commits.
void TEditInteger::inputMethodEvent(QInputMethodEvent* event)
{
    Guard([this, event] {
        const QString committed = event->commitString();
        const QString typed = roman_ ? committed.toUpper() : committed;
        if (!typed.isEmpty() && !AcceptsTyped(typed)) {
            QApplication::beep();
            event->accept();
            return;
        }
        if (typed == committed) {
            QLineEdit::inputMethodEvent(event);
            return;
        }
        QInputMethodEvent converted(event->preeditString(), event->attributes());
        converted.setCommitString(typed, event->replacementStart(), event->replacementLength());
        QLineEdit::inputMethodEvent(&converted);
        event->setAccepted(converted.isAccepted());
    });
}

} // namespace scindra
