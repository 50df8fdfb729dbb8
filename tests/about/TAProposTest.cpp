// The About window driven as a user would: the memory figures from a fixed
// source, the links opening through a recording opener, the modal showing
// closed by the keyboard, and the logo's pixels.

#include "animation/GIFAnimator.h"
#include "gif/KeyedDraw.h"
#include "platform/MemoryStatus.h"
#include "platform/UrlOpener.h"
#include "rtl/Guard.h"
#include "ui/about/MemoryText.h"
#include "ui/about/TAPropos_Frm.h"
#include "ui/about/TBevelPanel.h"
#include "ui/about/TLinkLabel.h"
#include "ui/main/TScindra.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QApplication>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include "tests/support/QtPrinters.h"

namespace scindra {
namespace {

class AboutTest : public ::testing::Test {
protected:
    void TearDown() override { EXPECT_THAT(errors, ::testing::IsEmpty()); SetErrorReporter(previousReporter); }

    static QPoint InWindow(QWidget* widget, QPoint point) { return widget->mapTo(widget->window(), point); }

    MemoryStatus memory{268'435'456, 42};
    ScopedMemoryStatusSource memorySource{[this] { return memory; }};
    std::vector<QUrl> opened;
    ScopedUrlOpener opener{[this](const QUrl& address) { opened.push_back(address); }};
    std::vector<QString> errors;
    ErrorReporter previousReporter =
        SetErrorReporter([this](const std::exception& error) { errors.push_back(QString::fromUtf8(error.what())); });
};

// The window survives its closing: the next showing shows the same figures,
// a link made bold stays bold, Escape leaves it open and Enter closes it
// through OK. The logo keeps turning while the window is modal.
TEST_F(AboutTest, SecondShowingKeepsFiguresAndBoldLinks)
{
    TAPropos_Frm window;
    memory = {1024, 99};
    for (int showing = 0; showing < 2; ++showing) {
        QSignalSpy clicked(window.OKButton, &QPushButton::clicked);
        QTimer::singleShot(0, &window, [&] {
            EXPECT_EQ(window.Mail->font().bold(), showing == 1);
            QTest::mouseMove(&window, InWindow(window.Mail, {3, 5}));
            const QImage before = window.Gif_Anime->grab().toImage();
            const int first = window.Gif_Anime->FrameIndex();
            EXPECT_TRUE(QTest::qWaitFor([&] { return window.Gif_Anime->FrameIndex() != first; }, 20000));
            EXPECT_NE(window.Gif_Anime->grab().toImage(), before);
            QTest::keyClick(&window, Qt::Key_Escape);
            EXPECT_TRUE(window.isVisible());
            QTest::keyClick(&window, Qt::Key_Return);
        });
        EXPECT_EQ(window.ShowModal(), QDialog::Accepted);
        EXPECT_EQ(clicked.count(), 1) << "Enter presses the OK button";
        EXPECT_EQ(window.M1->text(), "262" + ThousandsSeparator(QLocale::system()) + "144 KB");
        EXPECT_EQ(window.M2->text(), QStringLiteral("42 %"));
    }
}

// The 70 x 52 frames stand at 4, 12 in the 78 x 77 control; every pixel the
// frame leaves transparent, and the border around it, shows the panel.
TEST_F(AboutTest, LogoShowsEachFrameAt4And12OverThePanelsColour)
{
    TAPropos_Frm window;
    window.show();
    TGIFAnimator& logo = *window.Gif_Anime;
    EXPECT_EQ(QRect(logo.mapTo(window.Panel2, QPoint()), logo.size()), QRect(2, 2, 78, 77));
    logo.StopAnimation();
    for (int index : {0, logo.Image().FrameCount() - 1}) {
        logo.SetFrameIndex(index);
        TColor key = kColorNone;
        const QImage frame = logo.ComposeFrame(index, key).convertToFormat(QImage::Format_RGB32);
        const QImage shown = logo.grab().toImage().convertToFormat(QImage::Format_RGB32);
        int transparent = 0, mismatches = 0;
        for (int y = 0; y < shown.height(); ++y)
            for (int x = 0; x < shown.width(); ++x) {
                const QPoint inFrame(x - 4, y - 12);
                const bool opaque = frame.rect().contains(inFrame) && frame.pixel(inFrame) != ColorToQRgb(key);
                transparent += frame.rect().contains(inFrame) && !opaque;
                const QRgb expected = opaque ? frame.pixel(inFrame) : qRgb(146, 201, 201); // the panel's teal
                mismatches += (shown.pixel(x, y) & 0xFFFFFF) != (expected & 0xFFFFFF);
            }
        EXPECT_EQ(mismatches, 0) << "frame " << index;
        EXPECT_GT(transparent, 0) << "frame " << index;
    }
}

TEST_F(AboutTest, LinksTurnBoldOnTheirOwnMovesAndOpenOnAnyPress)
{
    TAPropos_Frm window;
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    const QRect regular = window.www->geometry();
    const struct {
        QWidget* widget;
        QPoint point;
        bool wwwBold, mailBold;
    } steps[] = {
        {window.www, {3, 5}, true, false},     {window.GroupBox1, {60, 30}, true, false},
        {window.Panel2, {40, 40}, true, false}, {window.Mail, {3, 5}, true, true},
        {&window, {3, 230}, true, true},       // outside the panel
        {window.Panel1, {150, 60}, false, false}, // its bare surface
        {window.Mail, {3, 5}, false, true}, {window.Label3, {3, 5}, false, true}, {window.www, {3, 5}, true, true},
    };
    for (const auto& step : steps) {
        QTest::mouseMove(&window, InWindow(step.widget, step.point));
        EXPECT_EQ(window.www->font().bold(), step.wwwBold) << step.widget->metaObject()->className();
        EXPECT_EQ(window.Mail->font().bold(), step.mailBold) << step.widget->metaObject()->className();
    }
    // A bold label grows to its wider text, keeping its left edge.
    EXPECT_EQ(window.www->pos(), regular.topLeft());
    EXPECT_GT(window.www->width(), regular.width());

    // Any button opens a link at its press; the release opens nothing more.
    const std::pair<QLabel*, QString> links[] = {{window.www, "https://scindra.org"},
                                                 {window.Mail, "mailto:contact@scindra.org"}};
    for (const auto& [label, address] : links)
        for (Qt::MouseButton button : {Qt::LeftButton, Qt::RightButton, Qt::MiddleButton}) {
            opened.clear();
            QTest::mousePress(label, button, Qt::NoModifier, {4, 5});
            ASSERT_EQ(opened.size(), 1u) << address.toStdString() << " " << button;
            EXPECT_EQ(opened.front().toString(), address);
            QTest::mouseRelease(label, button, Qt::NoModifier, {4, 5});
            EXPECT_EQ(opened.size(), 1u) << "release of " << address.toStdString();
        }
    // A quick second press reaches the label as a double-click: it is a press
    // all the same.
    for (const auto& [label, address] : links) {
        opened.clear();
        QTest::mouseClick(label, Qt::LeftButton, Qt::NoModifier, {4, 5});
        QTest::mouseDClick(label, Qt::LeftButton, Qt::NoModifier, {4, 5});
        ASSERT_EQ(opened.size(), 2u) << address.toStdString();
        EXPECT_EQ(opened.back().toString(), address);
    }
}

// The memory labels let the box's own fill show through instead of painting
// patches of the window's colour, and the window carries the program's icon,
// not the toolkit's generic one.
TEST_F(AboutTest, MemoryLabelsHaveNoFillOfTheirOwnAndTheWindowHasTheProgramsIcon)
{
    TAPropos_Frm window;
    for (QLabel* label : {window.Label2, window.Label1, window.M1, window.M2})
        EXPECT_FALSE(label->autoFillBackground()) << label->text().toStdString();

    const TScindra main;
    ASSERT_FALSE(window.windowIcon().isNull());
    EXPECT_EQ(window.windowIcon().pixmap(32).toImage(), main.windowIcon().pixmap(32).toImage());
}

} // namespace
} // namespace scindra
