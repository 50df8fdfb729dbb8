#pragma once
// A one-line edit holding a signed 32-bit whole number, shown in decimal
// digits or in Roman numerals. Typed keys are filtered per mode, and in
// decimal mode the text is repaired after every change so that it never
// stays empty and never starts with two minus signs.

#include <QLineEdit>
#include <QString>

#include <cstdint>

class QInputMethodEvent;
class QKeyEvent;

namespace scindra {

class TEditInteger : public QLineEdit {
    Q_OBJECT

public:
    explicit TEditInteger(QWidget* parent = nullptr);

    // The number, always computed from the text: Roman reading in Roman mode,
    // the runtime's integer reading otherwise; unreadable text gives 0.
    int32_t Value() const;
    void SetValue(int32_t value);

    // The most characters the user may type or paste (0: no limit). Text the
    // program writes, a value of ten digits included, is never cut by it.
    int MaxLength() const;
    void SetMaxLength(int length);

    bool Roman() const { return roman_; }
    // Switching Roman on rewrites the current decimal value in numerals;
    // switching it off changes only the mode and leaves the text alone.
    void SetRoman(bool roman);

    // Rewrite the current value in numerals / decimal digits and switch mode.
    void ToRoman();
    void ToInt();

    // The numerals of a number (empty for zero and below). Also switches the
    // edit to Roman mode, without touching its text.
    QString IntToRoman(int32_t number);
    // Reads numerals in upper case; anything it cannot read fully gives 0.
    static int32_t RomanToInt(const QString& numerals);

signals:
    // Fired on every change of the text, before the decimal repair runs.
    void Change();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void inputMethodEvent(QInputMethodEvent* event) override;

private:
    // The toolkit's own limit cuts text written by the program too; the
    // limit lives in the validator instead, which only sees user input.
    using QLineEdit::maxLength;
    using QLineEdit::setMaxLength;

    void TextChanged();
    void RepairText();
    bool AcceptsTyped(const QString& typed) const;

    bool roman_ = false;
    class LengthLimit;
    LengthLimit* lengthLimit_;
};

} // namespace scindra
