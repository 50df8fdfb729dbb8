#include "controls/TEditInteger.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QInputMethodEvent>
#include <QSignalSpy>
#include <QTest>

#include <ostream>

inline void PrintTo(const QString& text, std::ostream* out)
{
    *out << '"' << text.toStdString() << '"';
}

namespace scindra {
namespace {

TEST(TEditInteger, StartsAsADecimalZero)
{
    TEditInteger edit;
    EXPECT_EQ(edit.text(), "0");
    EXPECT_EQ(edit.Value(), 0);
    EXPECT_FALSE(edit.Roman());
}

TEST(TEditInteger, WritesRomanNumeralsWithTheILRule)
{
    const struct {
        int32_t number;
        const char* numerals;
    } cases[] = {
        {1, "I"},       {4, "IV"},        {9, "IX"},           {14, "XIV"},       {40, "XL"},
        {49, "IL"},     {99, "XCIX"},     {149, "CIL"},        {400, "CD"},       {490, "CDXC"},
        {900, "CM"},    {1949, "MCMIL"},  {1994, "MCMXCIV"},   {3999, "MMMCMXCIX"}, {4000, "MMMM"},
        {0, ""},        {-5, ""},         {INT32_MIN, ""},
    };
    TEditInteger edit;
    for (const auto& c : cases)
        EXPECT_EQ(edit.IntToRoman(c.number), c.numerals) << c.number;
}

TEST(TEditInteger, WritingNumeralsSwitchesToRomanButLeavesTheText)
{
    TEditInteger edit;
    edit.setText("12");
    EXPECT_EQ(edit.IntToRoman(7), "VII");
    EXPECT_TRUE(edit.Roman());
    EXPECT_EQ(edit.text(), "12");
}

TEST(TEditInteger, ReadsRomanNumeralsInUpperCaseOnly)
{
    const struct {
        const char* numerals;
        int32_t number;
    } cases[] = {
        {"MCMIL", 1949}, {"XLIX", 49}, {"IL", 49}, {"CIL", 149}, {"MCMXCIV", 1994},
        {"IIII", 4},     {"DCD", 900}, {"MMMM", 4000}, {"XIV", 14},
        {"ILI", 0},      // IL, IX and IV only end a number
        {"IXI", 0},      {"IVI", 0},   {"VX", 0},   {"IIV", 0},   {"xii", 0},
        {"", 0},         {"X I", 0},   {"12", 0},
    };
    for (const auto& c : cases)
        EXPECT_EQ(TEditInteger::RomanToInt(c.numerals), c.number) << c.numerals;
}

TEST(TEditInteger, ReadsEveryNumberItWritesBack)
{
    TEditInteger edit;
    for (int32_t n = 1; n <= 5000; ++n)
        ASSERT_EQ(TEditInteger::RomanToInt(edit.IntToRoman(n)), n) << n;
}

TEST(TEditInteger, ReadsNumeralsBeyondTheIntegerRangeAsZero)
{
    EXPECT_EQ(TEditInteger::RomanToInt(QString(2'147'483, u'M') + "DCXLVII"), INT32_MAX);
    EXPECT_EQ(TEditInteger::RomanToInt(QString(2'147'484, u'M')), 0);
}

TEST(TEditInteger, ReadsDecimalTextAsTheRuntimeDoesAndZeroOtherwise)
{
    const struct {
        const char* text;
        int32_t value;
    } cases[] = {
        {"42", 42},   {"-999", -999}, {"  7", 7},      {"$1F", 31},        {"2147483647", INT32_MAX},
        {"12a", 0},   {"-", 0},       {"2147483648", 0}, {"XII", 0},
    };
    TEditInteger edit;
    for (const auto& c : cases) {
        edit.setText(c.text);
        EXPECT_EQ(edit.Value(), c.value) << c.text;
    }
}

TEST(TEditInteger, SwitchesModesAsTold)
{
    TEditInteger edit;
    edit.setText("12");
    edit.SetRoman(true);
    EXPECT_EQ(edit.text(), "XII");
    EXPECT_EQ(edit.Value(), 12);

    edit.SetValue(1949);
    EXPECT_EQ(edit.text(), "MCMIL");
    edit.SetValue(0);
    EXPECT_EQ(edit.text(), "");  // no repair in Roman mode
    edit.setText("xii");
    EXPECT_EQ(edit.Value(), 0);

    edit.setText("XII");
    edit.SetRoman(false);
    EXPECT_EQ(edit.text(), "XII");
    EXPECT_EQ(edit.Value(), 0);
    edit.ToInt();  // reads in the current mode: the decimal reading of XII
    EXPECT_EQ(edit.text(), "0");

    edit.SetRoman(true);
    edit.setText("XII");
    edit.ToInt();
    EXPECT_FALSE(edit.Roman());
    EXPECT_EQ(edit.text(), "12");

    edit.SetValue(-40);
    EXPECT_EQ(edit.text(), "-40");
    edit.ToRoman();
    EXPECT_TRUE(edit.Roman());
    EXPECT_EQ(edit.text(), "");
}

TEST(TEditInteger, SettingTheSameTextFiresNothing)
{
    TEditInteger edit;
    edit.setText("5");
    QSignalSpy changes(&edit, &TEditInteger::Change);
    edit.setText("5");
    edit.SetValue(5);
    EXPECT_EQ(changes.count(), 0);
}

TEST(TEditInteger, AnEmptiedDecimalTextBecomesASelectedZero)
{
    TEditInteger edit;
    edit.setText("123");
    QStringList seen;
    QObject::connect(&edit, &TEditInteger::Change, [&] { seen << edit.text(); });

    edit.selectAll();
    QTest::keyClick(&edit, Qt::Key_Backspace);

    EXPECT_EQ(seen, (QStringList{"", "0"}));  // each change is told before it is repaired
    EXPECT_EQ(edit.text(), "0");
    EXPECT_EQ(edit.selectionStart(), 0);
    EXPECT_EQ(edit.selectedText(), "0");

    QTest::keyClick(&edit, Qt::Key_7);
    EXPECT_EQ(edit.text(), "7");
}

TEST(TEditInteger, LeadingMinusSignsShrinkToOne)
{
    TEditInteger edit;
    edit.setText("-5");
    QStringList seen;
    QObject::connect(&edit, &TEditInteger::Change, [&] { seen << edit.text(); });

    edit.setCursorPosition(0);
    QTest::keyClick(&edit, Qt::Key_Minus);
    EXPECT_EQ(seen, (QStringList{"--5", "-5"}));
    EXPECT_EQ(edit.text(), "-5");

    seen.clear();
    edit.setText("---12");
    EXPECT_EQ(seen, (QStringList{"---12", "--12", "-12"}));
    EXPECT_EQ(edit.Value(), -12);
}

TEST(TEditInteger, RomanModeHasNoRepair)
{
    TEditInteger edit;
    edit.SetRoman(true);
    edit.setText("");
    EXPECT_EQ(edit.text(), "");
    edit.setText("--");
    EXPECT_EQ(edit.text(), "--");
}

// Types one key into a fresh edit holding `text` with the caret at `caret`
// and returns the text afterwards.
struct KeyCase {
    bool roman;
    const char* text;
    int caret;
    Qt::Key key;
    Qt::KeyboardModifiers modifiers;
    const char* after;
    const char* label;
};

TEST(TEditInteger, FiltersTypedKeysPerMode)
{
    const KeyCase cases[] = {
        {false, "12", 2, Qt::Key_3, Qt::NoModifier, "123", "digit"},
        {false, "12", 2, Qt::Key_A, Qt::NoModifier, "12", "letter refused"},
        {false, "12", 2, Qt::Key_Space, Qt::NoModifier, "12", "blank refused"},
        {false, "12", 2, Qt::Key_Plus, Qt::NoModifier, "12", "plus refused"},
        {false, "12", 0, Qt::Key_Minus, Qt::NoModifier, "-12", "minus at the start"},
        {false, "12", 1, Qt::Key_Minus, Qt::NoModifier, "12", "minus elsewhere"},
        {false, "12", 2, Qt::Key_Backspace, Qt::NoModifier, "1", "backspace"},
        {false, "12", 0, Qt::Key_Delete, Qt::NoModifier, "2", "delete is no character"},
        {false, "12", 2, Qt::Key_Return, Qt::NoModifier, "12", "enter"},
        {false, "12", 2, Qt::Key_Escape, Qt::NoModifier, "12", "escape"},
        {false, "12", 2, Qt::Key_V, Qt::ControlModifier, "12", "paste shortcut"},
        {false, "12", 2, Qt::Key_Insert, Qt::ShiftModifier, "12", "other paste shortcut"},
        {false, "12", 2, Qt::Key_X, Qt::ControlModifier, "12", "cut shortcut"},
        {true, "X", 1, Qt::Key_I, Qt::NoModifier, "XI", "lower case becomes upper case"},
        {true, "X", 1, Qt::Key_V, Qt::ShiftModifier, "XV", "upper case"},
        {true, "X", 1, Qt::Key_M, Qt::NoModifier, "XM", "any of the seven letters"},
        {true, "X", 1, Qt::Key_A, Qt::NoModifier, "X", "other letter"},
        {true, "X", 1, Qt::Key_1, Qt::NoModifier, "X", "digit in Roman mode"},
        {true, "X", 0, Qt::Key_Minus, Qt::NoModifier, "X", "minus in Roman mode"},
        {true, "XI", 2, Qt::Key_Backspace, Qt::NoModifier, "X", "backspace in Roman mode"},
    };
    QApplication::clipboard()->setText("9");  // so that a paste let through would show
    for (const KeyCase& c : cases) {
        TEditInteger edit;
        edit.SetRoman(c.roman);
        edit.setText(c.text);
        edit.setCursorPosition(c.caret);
        QTest::keyClick(&edit, c.key, c.modifiers);
        EXPECT_EQ(edit.text(), c.after) << c.label;
    }
}

TEST(TEditInteger, AcceptsMinusOverASelectionStartingAtZero)
{
    TEditInteger edit;
    edit.setText("123");
    edit.setSelection(2, -2);  // caret at 0, selection 0..2
    QTest::keyClick(&edit, Qt::Key_Minus);
    EXPECT_EQ(edit.text(), "-3");

    edit.setText("123");
    edit.setSelection(1, 2);
    QTest::keyClick(&edit, Qt::Key_Minus);
    EXPECT_EQ(edit.text(), "123");
}

TEST(TEditInteger, FiltersWhatAnInputMethodCommits)
{
    const struct {
        bool roman;
        const char* committed;
        const char* after;
    } cases[] = {
        {false, "34", "1234"}, {false, "3a", "12"}, {false, "-", "12"},
        {true, "vi", "XVI"},   {true, "va", "X"},
    };
    for (const auto& c : cases) {
        TEditInteger edit;
        edit.SetRoman(c.roman);
        edit.setText(c.roman ? "X" : "12");
        QInputMethodEvent event;
        event.setCommitString(c.committed);
        QApplication::sendEvent(&edit, &event);
        EXPECT_EQ(edit.text(), c.after) << c.committed;
    }
}

TEST(TEditInteger, MaxLengthBoundsWhatCanBeTyped)
{
    TEditInteger edit;
    edit.setMaxLength(4);
    edit.setText("999");
    edit.setCursorPosition(3);
    QTest::keyClicks(&edit, "99");
    EXPECT_EQ(edit.Value(), 9999);
    edit.setText("-99");
    edit.setCursorPosition(3);
    QTest::keyClicks(&edit, "99");
    EXPECT_EQ(edit.Value(), -999);
}

TEST(TEditInteger, PastedTextIsNotFilteredAndReadsAsZero)
{
    TEditInteger edit;
    QApplication::clipboard()->setText("12a");
    edit.selectAll();
    edit.paste();  // what the context menu does
    EXPECT_EQ(edit.text(), "12a");
    EXPECT_EQ(edit.Value(), 0);
}

} // namespace
} // namespace scindra
