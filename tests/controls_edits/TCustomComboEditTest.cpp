// The edit with an embedded button: layout, glyphs, keys and input rules.
#include "EditTestSupport.h"
#include "controls/TFilenameEdit.h"

#include <QApplication>
#include <QClipboard>
#include <QDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QStyle>
#include <QTest>

#include <tuple>

namespace scindra {
namespace {

// An edit with the base's behaviour only (no dialog), counting presses.
class PlainComboEdit : public TCustomComboEdit {
public:
    using TCustomComboEdit::TCustomComboEdit;
    int pressed = 0;

protected:
    void ButtonPressed() override
    {
        ++pressed;
        TCustomComboEdit::ButtonPressed();
    }
};

TEST(ComboEditLayout, ButtonSitsInsideTheRightEdgeAndTextStopsBeforeIt)
{
    TFilenameEdit edit;
    edit.setGeometry(0, 0, 291, 21);
    edit.show();
    EXPECT_EQ(edit.ButtonWidth(), 21);  // max(14 / 1 + 6, 21)
    EXPECT_EQ(edit.ButtonHolder()->geometry(), QRect(291 - 21 - 2, 2, 21, 17));
    EXPECT_EQ(edit.Button()->geometry(), QRect(0, 0, 21, 17));
    EXPECT_GE(edit.textMargins().right(), 21 + 2);

    edit.SetButtonWidth(30);
    EXPECT_EQ(edit.ButtonHolder()->geometry(), QRect(291 - 30 - 2, 2, 30, 17));
    EXPECT_GE(edit.textMargins().right(), 30 + 2);

    edit.setFrame(false);
    edit.resize(200, 25);
    EXPECT_EQ(edit.ButtonHolder()->geometry(), QRect(200 - 30, 0, 30, 25));
}

TEST(ComboEditLayout, ButtonWidthRules)
{
    PlainComboEdit edit;
    edit.setGeometry(0, 0, 100, 21);
    EXPECT_FALSE(edit.ButtonHolder()->isHidden());
    // width set, holder hidden afterwards, width read back
    const std::tuple<int, bool, int> steps[] = {
        {1, true, 1}, {0, true, 0}, {25, false, 25},
        {1, true, 1}, {500, false, 1},  // not below the client width: only the holder's visibility follows
    };
    for (const auto& [width, hidden, read] : steps) {
        edit.SetButtonWidth(width);
        EXPECT_EQ(edit.ButtonHolder()->isHidden(), hidden) << width;
        EXPECT_EQ(edit.ButtonWidth(), read) << width;
    }
}

TEST(ComboEditLayout, ResizedTooLowGrowsBackToTheMinimumHeight)
{
    PlainComboEdit edit;
    edit.show();
    EXPECT_EQ(edit.height(), 21);
    const int minimum = edit.MinimumHeight();
    EXPECT_EQ(minimum, std::min(QFontMetrics(QApplication::font()).height(), edit.fontMetrics().height()) + 5);
    edit.resize(120, 10);
    EXPECT_EQ(edit.height(), minimum);
    EXPECT_EQ(edit.ButtonHolder()->height(), minimum - 4);
    edit.resize(120, minimum + 7);
    EXPECT_EQ(edit.height(), minimum + 7);
}

TEST(ComboEditGlyphs, KindsGiveTheirPicturesCountsAndWidths)
{
    PlainComboEdit edit;
    edit.setGeometry(0, 0, 200, 21);
    TFilenameEdit fileEdit;
    EXPECT_EQ(fileEdit.GlyphKind(), gkDefault);
    EXPECT_EQ(fileEdit.Glyph().size(), QSize(14, 12));
    EXPECT_EQ(fileEdit.NumGlyphs(), 1);
    fileEdit.SetNumGlyphs(3);  // gkDefault keeps its own count
    EXPECT_EQ(fileEdit.NumGlyphs(), 1);

    edit.SetGlyphKind(gkDropDown);
    EXPECT_EQ(edit.ButtonWidth(), edit.style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, &edit));
    EXPECT_FALSE(edit.Glyph().isNull());

    edit.SetButtonWidth(26);
    edit.SetGlyphKind(gkEllipsis);
    EXPECT_EQ(edit.Glyph().size(), QSize(20, 4));
    edit.SetNumGlyphs(2);
    EXPECT_EQ(edit.NumGlyphs(), 1);
    edit.SetButtonWidth(10);  // the ellipsis follows the width
    EXPECT_EQ(edit.Glyph().size(), QSize(4, 4));
}

TEST(ComboEditGlyphs, EllipsisDotsAreCentredWithABoundedGap)
{
    struct Case {
        int buttonWidth;
        std::vector<int> dotColumns;  // left columns of the three 2x2 squares
    };
    // width 15: G = 3 (capped from 4), x0 = 1; width 10: G = 2, x0 = 0;
    // width 8: G = 1, x0 = 0; width 9: G = 1, x0 = 0.
    const Case cases[] = {{21, {1, 6, 11}}, {16, {0, 4, 8}}, {14, {0, 3, 6}}, {15, {0, 3, 6}}};
    for (const Case& c : cases) {
        const QImage image = TCustomComboEdit::EllipsisGlyph(c.buttonWidth).toImage();
        ASSERT_EQ(image.size(), QSize(c.buttonWidth - 6, 4));
        std::vector<int> columns;
        for (int x = 0; x < image.width(); ++x)
            if (qGray(image.pixel(x, 1)) < 128 && (x == 0 || qGray(image.pixel(x - 1, 1)) >= 128))
                columns.push_back(x);
        EXPECT_EQ(columns, c.dotColumns) << c.buttonWidth;
        for (int x = 0; x < image.width(); ++x) {
            EXPECT_GE(qGray(image.pixel(x, 0)), 128);
            EXPECT_GE(qGray(image.pixel(x, 3)), 128);
        }
    }
    EXPECT_EQ(TCustomComboEdit::EllipsisGlyph(3).size(), QSize(1, 4));
}

TEST(ComboEditGlyphs, CustomStripSplitsIntoNormalAndDisabled)
{
    QImage strip(32, 16, QImage::Format_RGB32);
    strip.fill(QColor(128, 0, 128));                     // background: bottom-left pixel
    strip.setPixelColor(3, 3, Qt::yellow);               // normal image
    strip.setPixelColor(16 + 5, 5, QColor(90, 90, 90));  // disabled image
    PlainComboEdit edit;
    edit.SetGlyphKind(gkEllipsis);
    edit.SetGlyph(QPixmap::fromImage(strip));
    EXPECT_EQ(edit.GlyphKind(), gkCustom);
    EXPECT_EQ(edit.NumGlyphs(), 2);

    const QImage normal = edit.Button()->Image(0).toImage();
    const QImage disabled = edit.Button()->Image(1).toImage();
    const QImage pressed = edit.Button()->Image(2).toImage();
    ASSERT_EQ(normal.size(), QSize(16, 16));
    EXPECT_EQ(qAlpha(normal.pixel(0, 0)), 0);  // background drawn transparent
    EXPECT_EQ(normal.pixelColor(3, 3), QColor(Qt::yellow));
    EXPECT_EQ(disabled.pixelColor(5, 5), QColor(90, 90, 90));
    EXPECT_EQ(qAlpha(disabled.pixel(3, 3)), 0);
    EXPECT_EQ(pressed, normal);

    // Width not a multiple of the height: the count stays as set.
    edit.SetNumGlyphs(1);
    edit.SetGlyph(QPixmap(20, 16));
    EXPECT_EQ(edit.NumGlyphs(), 1);
    edit.SetGlyph(QPixmap(96, 16));  // six images: taken as one
    EXPECT_EQ(edit.NumGlyphs(), 1);
}

TEST(ComboEditGlyphs, MissingDisabledImageIsEmbossed)
{
    QImage picture(4, 4, QImage::Format_RGB32);
    picture.fill(Qt::white);
    picture.setPixelColor(1, 1, Qt::black);
    PlainComboEdit edit;
    edit.SetGlyph(QPixmap::fromImage(picture));
    const QImage disabled = edit.Button()->Image(1).toImage();
    const QPalette palette = edit.Button()->palette();
    EXPECT_EQ(disabled.pixel(1, 1), palette.color(QPalette::Active, QPalette::Dark).rgb());
    EXPECT_EQ(disabled.pixel(2, 2), palette.color(QPalette::Active, QPalette::Light).rgb());
    EXPECT_EQ(qAlpha(disabled.pixel(0, 0)), 0);
}

TEST(ComboEditGlyphs, ButtonPaintsInEveryStateAndIsDisabledWithTheEdit)
{
    TFilenameEdit edit;
    edit.setGeometry(0, 0, 120, 21);
    edit.show();
    TEditButton* button = edit.Button();
    const QImage raised = button->grab().toImage();
    button->setDown(true);
    const QImage pressed = button->grab().toImage();
    button->setDown(false);
    edit.setEnabled(false);
    EXPECT_FALSE(button->isEnabled());
    const QImage disabled = button->grab().toImage();
    EXPECT_EQ(raised.size(), button->size() * raised.devicePixelRatio());
    EXPECT_NE(raised, pressed);
    EXPECT_NE(raised, disabled);
    // The light line at x = 1 joins the button to the frame, except pressed.
    EXPECT_EQ(raised.pixel(1, button->height() / 2), button->palette().color(QPalette::Light).rgb());
    edit.setEnabled(true);
    EXPECT_TRUE(button->isEnabled());
}

TEST(ComboEditKeys, OnlyTheClickKeyPressesTheButtonAndOnlyWithAWidth)
{
    PlainComboEdit edit;
    edit.setGeometry(0, 0, 200, 21);
    edit.SetText("abc");
    QTest::keyClick(&edit, Qt::Key_Down, Qt::AltModifier);
    EXPECT_EQ(edit.pressed, 1);
    QTest::keyClick(&edit, Qt::Key_Down);
    QTest::keyClick(&edit, Qt::Key_Down, Qt::ControlModifier);
    EXPECT_EQ(edit.pressed, 1);

    edit.SetButtonWidth(0);
    QKeyEvent press(QEvent::KeyPress, Qt::Key_Down, Qt::AltModifier);
    QApplication::sendEvent(&edit, &press);
    EXPECT_EQ(edit.pressed, 1);
    EXPECT_FALSE(press.isAccepted());  // left to the edit and its window
    EXPECT_EQ(edit.Text(), "abc");

    edit.SetButtonWidth(21);
    edit.SetClickKey(QKeyCombination(Qt::ControlModifier, Qt::Key_Return));
    QTest::keyClick(&edit, Qt::Key_Down, Qt::AltModifier);
    QTest::keyClick(&edit, Qt::Key_Return, Qt::ControlModifier);
    EXPECT_EQ(edit.pressed, 2);

    edit.SetReadOnly(true);  // a read-only edit ignores its button: key, call or mouse
    QSignalSpy clicks(&edit, &TCustomComboEdit::ButtonClick);
    QTest::keyClick(&edit, Qt::Key_Return, Qt::ControlModifier);
    edit.DoClick();
    edit.show();
    QTest::mouseClick(edit.Button(), Qt::LeftButton);
    EXPECT_EQ(edit.pressed, 2);
    EXPECT_EQ(clicks.count(), 0);
    EXPECT_EQ(edit.Text(), "abc");
    edit.SetReadOnly(false);  // the same click counts once the flag is off
    QTest::mouseClick(edit.Button(), Qt::LeftButton);
    EXPECT_EQ(edit.pressed, 3);
}

TEST(ComboEditKeys, EnterNeverInsertsALineBreakAndReachesTheDefaultButton)
{
    QDialog dialog;
    auto* edit = new PlainComboEdit(&dialog);
    auto* ok = new QPushButton("OK", &dialog);
    ok->setDefault(true);
    dialog.show();
    QSignalSpy okClicks(ok, &QPushButton::clicked);
    edit->SetText("ab");
    edit->setCursorPosition(1);
    QTest::keyClick(edit, Qt::Key_Return);
    QTest::keyClick(edit, Qt::Key_Enter, Qt::KeypadModifier);
    EXPECT_EQ(edit->Text(), "ab");
    EXPECT_EQ(okClicks.count(), 2);
}

TEST(ComboEditFocus, EnteringSelectsTheTextUnlessAMousePressPlacedTheCaret)
{
    QWidget window;
    auto* edit = new PlainComboEdit(&window);
    auto* other = new QLineEdit(&window);
    other->move(0, 30);
    window.show();
    QApplication::setActiveWindow(&window);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    edit->SetText("C:/Films");

    // Focus reason, direct input allowed, text selected on entry.
    const std::tuple<Qt::FocusReason, bool, bool> rows[] = {
        {Qt::TabFocusReason, true, true}, {Qt::BacktabFocusReason, true, true}, {Qt::ShortcutFocusReason, true, true},
        {Qt::ActiveWindowFocusReason, true, true}, {Qt::OtherFocusReason, true, true},
        {Qt::MouseFocusReason, true, false}, {Qt::TabFocusReason, false, false},
    };
    for (const auto& [reason, directInput, selected] : rows) {
        SCOPED_TRACE(testing::Message() << reason << (directInput ? "" : " without direct input"));
        other->setFocus(Qt::OtherFocusReason);
        edit->SetDirectInput(directInput);
        edit->deselect();
        edit->end(false);
        edit->setFocus(reason);
        ASSERT_TRUE(edit->Focused());
        EXPECT_EQ(edit->selectedText(), selected ? QStringLiteral("C:/Films") : QString());
    }
}

TEST(ComboEditInput, DirectInputOffRefusesTypingAndPasteButKeepsTheButton)
{
    PlainComboEdit edit;
    edit.SetText("keep");
    edit.SetDirectInput(false);
    EXPECT_TRUE(edit.isReadOnly());
    QTest::keyClicks(&edit, "xyz");
    QApplication::clipboard()->setText("pasted");
    edit.selectAll();
    QTest::keyClick(&edit, Qt::Key_V, Qt::ControlModifier);
    QTest::keyClick(&edit, Qt::Key_Insert, Qt::ShiftModifier);
    QTest::keyClick(&edit, Qt::Key_X, Qt::ControlModifier);
    QTest::keyClick(&edit, Qt::Key_Delete);
    EXPECT_EQ(edit.Text(), "keep");
    edit.DoClick();
    QTest::keyClick(&edit, Qt::Key_Down, Qt::AltModifier);
    EXPECT_EQ(edit.pressed, 2);

    edit.SetDirectInput(true);
    EXPECT_FALSE(edit.isReadOnly());
    edit.SetReadOnly(true);
    EXPECT_TRUE(edit.isReadOnly());
    edit.SetReadOnly(false);
    edit.end(false);
    QTest::keyClicks(&edit, "!");
    EXPECT_EQ(edit.Text(), "keep!");
}

} // namespace
} // namespace scindra
