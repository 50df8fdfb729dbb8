#include "controls/TEditInteger.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QInputMethodEvent>
#include <QSignalSpy>
#include <QTest>

#include <ostream>

#include "tests/support/QtPrinters.h"

namespace scindra {
namespace {

TEST(TEditInteger, WritesRomanNumeralsWithTheILRuleAndReadsThemBack)
{
    const std::pair<int32_t, const char*> cases[] = {
        {4, "IV"},     {9, "IX"},          {40, "XL"},           {49, "IL"},     {99, "XCIX"}, {149, "CIL"},
        {490, "CDXC"}, {1949, "MCMIL"},    {1994, "MCMXCIV"},    {3999, "MMMCMXCIX"}, {4000, "MMMM"},
        {0, ""},       {-5, ""},           {INT32_MIN, ""},
    };
    TEditInteger edit;
    for (const auto& [number, numerals] : cases)
        EXPECT_EQ(edit.IntToRoman(number), numerals) << number;
    for (int32_t n = 1; n <= 5000; ++n)
        ASSERT_EQ(TEditInteger::RomanToInt(edit.IntToRoman(n)), n) << n;
}

TEST(TEditInteger, ReadsRomanNumeralsInUpperCaseOnlyAndWithinTheIntegerRange)
{
    const std::pair<QString, int32_t> cases[] = {
        {"XLIX", 49}, {"IL", 49}, {"CIL", 149}, {"IIII", 4}, {"DCD", 900}, {"MMMM", 4000},
        {"ILI", 0},  // IL, IX and IV only end a number
        {"IXI", 0},  {"IVI", 0},  {"VX", 0},   {"IIV", 0},  {"xii", 0},   {"", 0}, {"X I", 0}, {"12", 0},
        {QString(2'147'483, u'M') + "DCXLVII", INT32_MAX},
        {QString(2'147'484, u'M'), 0},
    };
    for (const auto& [numerals, number] : cases)
        EXPECT_EQ(TEditInteger::RomanToInt(numerals), number) << numerals.left(20).toStdString();
}

TEST(TEditInteger, ReadsDecimalTextAsTheRuntimeDoesAndZeroOtherwise)
{
    const std::pair<const char*, int32_t> cases[] = {
        {"42", 42}, {"-999", -999}, {"  7", 7}, {"$1F", 31}, {"2147483647", INT32_MAX},
        {"12a", 0}, {"-", 0},       {"2147483648", 0},       {"XII", 0},
    };
    TEditInteger edit;
    for (const auto& [text, value] : cases) {
        edit.setText(text);
        EXPECT_EQ(edit.Value(), value) << text;
    }
}

TEST(TEditInteger, SwitchesModesAsTold)
{
    TEditInteger edit;
    EXPECT_EQ(edit.text(), "0");
    EXPECT_FALSE(edit.Roman());
    edit.setText("12");
    EXPECT_EQ(edit.IntToRoman(7), "VII");  // switches to Roman, leaves the text
    EXPECT_TRUE(edit.Roman());
    EXPECT_EQ(edit.text(), "12");

    edit.SetRoman(false);
    edit.SetRoman(true);
    EXPECT_EQ(edit.text(), "XII");
    EXPECT_EQ(edit.Value(), 12);
    edit.SetValue(1949);
    EXPECT_EQ(edit.text(), "MCMIL");
    edit.SetValue(40'000'000);  // forty thousand M: no length limit by default
    EXPECT_EQ(edit.Value(), 40'000'000);
    for (const char* unrepaired : {"", "--"}) {  // no repair in Roman mode
        edit.setText(unrepaired);
        EXPECT_EQ(edit.text(), unrepaired);
    }
    edit.SetValue(0);
    EXPECT_EQ(edit.text(), "");

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

// Each change is told before the decimal repair makes its own.
TEST(TEditInteger, DecimalTextIsRepairedAfterEachChange)
{
    TEditInteger edit;
    edit.setText("123");
    QStringList seen;
    QObject::connect(&edit, &TEditInteger::Change, [&] { seen << edit.text(); });
    edit.setText("123");
    edit.SetValue(123);
    EXPECT_TRUE(seen.isEmpty());

    edit.selectAll();
    QTest::keyClick(&edit, Qt::Key_Backspace);
    EXPECT_EQ(seen, (QStringList{"", "0"}));
    EXPECT_EQ(edit.selectionStart(), 0);
    EXPECT_EQ(edit.selectedText(), "0");
    QTest::keyClick(&edit, Qt::Key_7);
    EXPECT_EQ(edit.text(), "7");

    seen.clear();
    edit.setText("-5");
    edit.setCursorPosition(0);
    QTest::keyClick(&edit, Qt::Key_Minus);
    EXPECT_EQ(seen, (QStringList{"-5", "--5", "-5"}));

    seen.clear();
    edit.setText("---12");
    EXPECT_EQ(seen, (QStringList{"---12", "--12", "-12"}));
    EXPECT_EQ(edit.Value(), -12);
}

TEST(TEditInteger, FiltersTypedKeysPerMode)
{
    struct Case {
        bool roman;
        const char* text;
        int caret, selection;  // selection: setSelection(caret, selection) when not 0
        Qt::Key key;
        Qt::KeyboardModifiers modifiers;
        const char* after;
        const char* label;
    };
    const Case cases[] = {
        {false, "12", 2, 0, Qt::Key_3, Qt::NoModifier, "123", "digit"},
        {false, "12", 2, 0, Qt::Key_A, Qt::NoModifier, "12", "letter refused"},
        {false, "12", 2, 0, Qt::Key_Space, Qt::NoModifier, "12", "blank refused"},
        {false, "12", 2, 0, Qt::Key_Plus, Qt::NoModifier, "12", "plus refused"},
        {false, "12", 0, 0, Qt::Key_Minus, Qt::NoModifier, "-12", "minus at the start"},
        {false, "12", 1, 0, Qt::Key_Minus, Qt::NoModifier, "12", "minus elsewhere"},
        {false, "123", 2, -2, Qt::Key_Minus, Qt::NoModifier, "-3", "minus over a selection from 0"},
        {false, "123", 1, 2, Qt::Key_Minus, Qt::NoModifier, "123", "minus over a selection from 1"},
        {false, "12", 2, 0, Qt::Key_Backspace, Qt::NoModifier, "1", "backspace"},
        {false, "12", 0, 0, Qt::Key_Delete, Qt::NoModifier, "2", "delete is no character"},
        {false, "12", 2, 0, Qt::Key_Return, Qt::NoModifier, "12", "enter"},
        {false, "12", 2, 0, Qt::Key_Escape, Qt::NoModifier, "12", "escape"},
        {false, "12", 2, 0, Qt::Key_V, Qt::ControlModifier, "12", "paste shortcut"},
        {false, "12", 2, 0, Qt::Key_Insert, Qt::ShiftModifier, "12", "other paste shortcut"},
        {false, "12", 2, 0, Qt::Key_X, Qt::ControlModifier, "12", "cut shortcut"},
        {false, "12", 2, 0, Qt::Key_3, Qt::AltModifier, "12", "alt + digit types nothing"},
        {false, "12", 2, 0, Qt::Key_A, Qt::MetaModifier, "12", "meta + letter types nothing"},
        {true, "X", 1, 0, Qt::Key_I, Qt::AltModifier, "X", "alt + numeral letter types nothing"},
        {true, "X", 1, 0, Qt::Key_I, Qt::NoModifier, "XI", "lower case becomes upper case"},
        {true, "X", 1, 0, Qt::Key_V, Qt::ShiftModifier, "XV", "upper case"},
        {true, "X", 1, 0, Qt::Key_M, Qt::NoModifier, "XM", "any of the seven letters"},
        {true, "X", 1, 0, Qt::Key_A, Qt::NoModifier, "X", "other letter"},
        {true, "X", 1, 0, Qt::Key_1, Qt::NoModifier, "X", "digit in Roman mode"},
        {true, "X", 0, 0, Qt::Key_Minus, Qt::NoModifier, "X", "minus in Roman mode"},
        {true, "XI", 2, 0, Qt::Key_Backspace, Qt::NoModifier, "X", "backspace in Roman mode"},
    };
    QApplication::clipboard()->setText("9");  // so that a paste let through would show
    for (const Case& c : cases) {
        TEditInteger edit;
        edit.SetRoman(c.roman);
        edit.setText(c.text);
        if (c.selection)
            edit.setSelection(c.caret, c.selection);
        else
            edit.setCursorPosition(c.caret);
        QTest::keyClick(&edit, c.key, c.modifiers);
        EXPECT_EQ(edit.text(), c.after) << c.label;
    }
}

TEST(TEditInteger, FiltersWhatAnInputMethodCommits)
{
    const std::tuple<bool, const char*, const char*> cases[] = {
        {false, "34", "1234"}, {false, "3a", "12"}, {false, "-", "12"}, {true, "vi", "XVI"}, {true, "va", "X"},
    };
    for (const auto& [roman, committed, after] : cases) {
        TEditInteger edit;
        edit.SetRoman(roman);
        edit.setText(roman ? "X" : "12");
        QInputMethodEvent event;
        event.setCommitString(committed);
        QApplication::sendEvent(&edit, &event);
        EXPECT_EQ(edit.text(), after) << committed;
    }
}

TEST(TEditInteger, MaxLengthBoundsTypingButPasteIsNotFiltered)
{
    TEditInteger edit;
    edit.SetMaxLength(4);
    for (const auto& [text, value] : {std::pair{"999", 9999}, {"-99", -999}}) {
        edit.setText(text);
        edit.setCursorPosition(3);
        QTest::keyClicks(&edit, "99");
        EXPECT_EQ(edit.Value(), value) << text;
    }
    QApplication::clipboard()->setText("12a");
    edit.selectAll();
    edit.paste();  // what the context menu does
    EXPECT_EQ(edit.text(), "12a");
    EXPECT_EQ(edit.Value(), 0);
    QApplication::clipboard()->setText("123456");
    edit.selectAll();
    edit.paste();
    EXPECT_EQ(edit.text(), "12a") << "a paste longer than the limit is refused";
}

TEST(TEditInteger, ValuesWrittenByTheProgramIgnoreTheLimit)
{
    TEditInteger edit;
    edit.SetMaxLength(4);
    edit.SetValue(12000);  // megabytes of a 12 GB source
    EXPECT_EQ(edit.text(), "12000");
    EXPECT_EQ(edit.Value(), 12000);
    edit.setCursorPosition(5);
    QTest::keyClick(&edit, Qt::Key_Backspace);
    EXPECT_EQ(edit.text(), "1200") << "shortening is always allowed";
    edit.SetValue(1000000);
    edit.setCursorPosition(7);
    QTest::keyClick(&edit, Qt::Key_Backspace);
    EXPECT_EQ(edit.text(), "100000");
    QTest::keyClick(&edit, Qt::Key_0);
    EXPECT_EQ(edit.text(), "100000") << "but not growing past the limit";
    edit.SetRoman(true);
    EXPECT_EQ(edit.Value(), 100000) << edit.text().toStdString();
}

} // namespace
} // namespace scindra
