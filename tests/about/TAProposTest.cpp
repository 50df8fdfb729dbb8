// The About window driven as a user would: the memory figures from a fixed
// source, the links opening through a recording opener, the modal showing
// closed by the keyboard, and the window's pixels where it matters.

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

#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QGroupBox>
#include <QImage>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include <functional>
#include <vector>

#include "tests/support/QtPrinters.h"

namespace scindra {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

const QString kWeb = QStringLiteral("https://scindra.org");
const QString kMailto = QStringLiteral("mailto:contact@scindra.org");

class AboutTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        previousReporter = SetErrorReporter([this](const std::exception& error) {
            errors.push_back(QString::fromUtf8(error.what()));
        });
    }
    void TearDown() override
    {
        EXPECT_THAT(errors, IsEmpty());
        SetErrorReporter(previousReporter);
    }

    // Runs `inside` once the window's modal loop is running, then returns
    // the modal result.
    static int ShowModalWhile(TAPropos_Frm& window, std::function<void()> inside)
    {
        QTimer::singleShot(0, &window, [&window, inside = std::move(inside)] {
            EXPECT_EQ(QApplication::activeModalWidget(), &window);
            inside();
        });
        return window.ShowModal();
    }

    static void PressEnter(TAPropos_Frm& window) { QTest::keyClick(&window, Qt::Key_Return); }

    // Where a widget's point lies in the window.
    static QPoint InWindow(QWidget* widget, QPoint point) { return widget->mapTo(widget->window(), point); }

    MemoryStatus memory{268'435'456, 42};
    ScopedMemoryStatusSource memorySource{[this] { return memory; }};
    std::vector<QUrl> opened;
    ScopedUrlOpener opener{[this](const QUrl& address) { opened.push_back(address); }};
    std::vector<QString> errors;
    ErrorReporter previousReporter;
};

QString Separator()
{
    return ThousandsSeparator(QLocale::system());
}

// The window survives its closing: the next showing shows the same figures,
// and a link made bold stays bold.
TEST_F(AboutTest, SecondShowingKeepsFiguresAndBoldLinks)
{
    TAPropos_Frm window;
    EXPECT_EQ(window.M1->text(), QStringLiteral("262") + Separator() + QStringLiteral("144 KB"));
    EXPECT_EQ(window.M2->text(), QStringLiteral("42 %"));

    memory = {1024, 99};
    for (int showing = 0; showing < 2; ++showing) {
        QSignalSpy clicked(window.OKButton, &QPushButton::clicked);
        EXPECT_EQ(ShowModalWhile(window, [&] {
                      EXPECT_EQ(window.Mail->font().bold(), showing == 1);
                      QTest::mouseMove(&window, InWindow(window.Mail, {3, 5}));
                      PressEnter(window);
                  }),
                  QDialog::Accepted);
        EXPECT_EQ(clicked.count(), 1) << "Enter presses the OK button";
        EXPECT_FALSE(window.isVisible());
        EXPECT_EQ(window.M1->text(), QStringLiteral("262") + Separator() + QStringLiteral("144 KB"));
        EXPECT_EQ(window.M2->text(), QStringLiteral("42 %"));
    }
}

TEST_F(AboutTest, FailedQueryShowsZeroAndHugeTotalsFitTheirBox)
{
    struct Case {
        MemoryStatus status;
        QString total;
        QString load;
    };
    const Case cases[] = {
        {{0, 0}, QStringLiteral("0 KB"), QStringLiteral("0 %")},
        {{int64_t{1} << 40, 100},
         QStringList{"1", "073", "741", "824 KB"}.join(Separator()), QStringLiteral("100 %")},
    };
    for (const Case& c : cases) {
        memory = c.status;
        TAPropos_Frm window;
        EXPECT_EQ(window.M1->text(), c.total);
        EXPECT_EQ(window.M2->text(), c.load);
        // No digit is cut off by the memory box, which stays inside the panel.
        for (QLabel* figure : {window.M1, window.M2})
            EXPECT_LE(figure->geometry().right(), window.GroupBox1->width() - 2) << figure->text().toStdString();
        EXPECT_LE(window.GroupBox1->geometry().right(), window.Panel1->contentsRect().right());
        EXPECT_EQ(window.GroupBox1->pos(), QPoint(219, 38));
    }
}

TEST_F(AboutTest, ControlsStandAtTheirPlaces)
{
    TAPropos_Frm window;
    EXPECT_EQ(window.size(), QSize(399, 253));
    EXPECT_EQ(window.windowTitle(), QStringLiteral("A propos..."));
    struct Case {
        QWidget* control;
        QWidget* parent;
        QRect place;
    };
    const Case fixed[] = {
        {window.Panel1, &window, {8, 8, 384, 192}},
        {window.Panel2, window.Panel1, {5, 5, 82, 81}},
        {window.Gif_Anime, window.Panel2, {2, 2, 78, 77}},
        {window.Panel3, window.Panel1, {193, 35, 2, 147}},
        {window.GroupBox1, window.Panel1, {219, 38, 113, 57}},
        {window.Label3, window.Panel1, {205, 109, 162, 39}},
        {window.OKButton, &window, {163, 215, 75, 25}},
    };
    for (const Case& c : fixed) {
        EXPECT_EQ(c.control->parentWidget(), c.parent) << c.control->metaObject()->className();
        EXPECT_EQ(c.control->geometry(), c.place) << c.control->metaObject()->className();
    }
    // Labels sized to their text keep their top-left corner, one line high.
    const std::pair<QLabel*, QPoint> autosized[] = {
        {window.ProductName, {127, 12}}, {window.Copyright, {14, 101}}, {window.www, {10, 136}},
        {window.Mail, {58, 164}},        {window.M1, {50, 20}},         {window.M2, {50, 36}},
        {window.Label6, {209, 12}},      {window.Label7, {194, 8}},     {window.Label4, {10, 164}},
        {window.Label2, {4, 18}},        {window.Label1, {4, 36}},
    };
    for (const auto& [label, corner] : autosized) {
        EXPECT_EQ(label->pos(), corner) << label->text().toStdString();
        EXPECT_GE(label->width(), label->sizeHint().width()) << label->text().toStdString();
        EXPECT_EQ(label->height(), 13) << label->text().toStdString();
    }
    // The description wraps within its width and its three lines.
    EXPECT_TRUE(window.Label3->wordWrap());
    EXPECT_LE(window.Label3->heightForWidth(162), 39);
    EXPECT_EQ(window.Label7->text(), QStringLiteral("®"));
    EXPECT_TRUE(window.OKButton->isDefault());
}

// Pixels of the bevels: a raised bevel is light at the top left and dark at
// the bottom right, a lowered one the reverse; the separator is a dark line
// beside a light one; the logo's panel shows its own colour inside.
TEST_F(AboutTest, PanelsDrawTheirBevelsAndColours)
{
    TAPropos_Frm window;
    window.show();
    const QColor light = window.palette().color(QPalette::Light);
    const QColor dark = window.palette().color(QPalette::Dark);
    const QColor teal(146, 201, 201);
    struct Case {
        QWidget* panel;
        QPoint pixel;
        QColor expected;
    };
    const Case cases[] = {
        {window.Panel1, {0, 0}, dark},       {window.Panel1, {383, 191}, light},
        {window.Panel1, {1, 1}, light},      {window.Panel1, {382, 190}, dark},
        {window.Panel2, {0, 40}, light},     {window.Panel2, {81, 40}, dark},
        {window.Panel2, {1, 40}, light},     {window.Panel2, {80, 40}, dark},
        {window.Panel2, {40, 0}, light},     {window.Panel2, {40, 80}, dark},
        {window.Panel3, {0, 70}, dark},      {window.Panel3, {1, 70}, light},
        {window.Panel2, {3, 3}, teal},
    };
    for (const Case& c : cases) {
        const QImage image = c.panel->grab().toImage();
        EXPECT_EQ(image.pixelColor(c.pixel).name(), c.expected.name())
            << c.panel->metaObject()->className() << " at " << c.pixel.x() << "," << c.pixel.y();
    }
}

// The 70 x 52 frames stand at 4, 12 in the 78 x 77 control; every pixel the
// frame leaves transparent, and the border around it, shows the panel.
TEST_F(AboutTest, LogoShowsEachFrameCentredOverThePanelsColour)
{
    TAPropos_Frm window;
    window.show();
    TGIFAnimator& logo = *window.Gif_Anime;
    ASSERT_EQ(logo.Image().FrameCount(), 22);
    EXPECT_TRUE(logo.Animate());
    EXPECT_TRUE(logo.Loop());
    EXPECT_TRUE(logo.Transparent());
    logo.StopAnimation();
    const QRgb teal = qRgb(146, 201, 201);
    for (int index : {0, 7, 21}) {
        logo.SetFrameIndex(index);
        TColor key = kColorNone;
        const QImage frame = logo.ComposeFrame(index, key).convertToFormat(QImage::Format_RGB32);
        ASSERT_EQ(frame.size(), QSize(70, 52));
        const QImage shown = logo.grab().toImage().convertToFormat(QImage::Format_RGB32);
        ASSERT_EQ(shown.size(), QSize(78, 77));
        int transparent = 0, mismatches = 0;
        for (int y = 0; y < shown.height(); ++y)
            for (int x = 0; x < shown.width(); ++x) {
                const QPoint inFrame(x - 4, y - 12);
                QRgb expected = teal;
                if (frame.rect().contains(inFrame) && frame.pixel(inFrame) != ColorToQRgb(key))
                    expected = frame.pixel(inFrame);
                else if (frame.rect().contains(inFrame))
                    ++transparent;
                mismatches += (shown.pixel(x, y) & 0xFFFFFF) != (expected & 0xFFFFFF);
            }
        EXPECT_EQ(mismatches, 0) << "frame " << index;
        EXPECT_GT(transparent, 0) << "frame " << index;
    }
}

// The logo keeps turning while the window is shown modally.
TEST_F(AboutTest, LogoPlaysWhileTheWindowIsModal)
{
    TAPropos_Frm window;
    ShowModalWhile(window, [&] {
        TGIFAnimator& logo = *window.Gif_Anime;
        const int first = logo.FrameIndex();
        const QImage before = logo.grab().toImage();
        EXPECT_TRUE(QTest::qWaitFor([&] { return logo.FrameIndex() != first; }, 20000));
        EXPECT_NE(logo.grab().toImage(), before);
        PressEnter(window);
    });
}

TEST_F(AboutTest, LinksTurnBoldOnTheirOwnMovesAndRegularOnlyOverThePanel)
{
    TAPropos_Frm window;
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    const int regularWidth = window.www->width();
    struct Step {
        const char* over;
        QWidget* widget;
        QPoint point;
        bool wwwBold;
        bool mailBold;
    };
    const Step steps[] = {
        {"web link", window.www, {3, 5}, true, false},
        {"product name", window.ProductName, {3, 5}, true, false},
        {"memory box", window.GroupBox1, {60, 30}, true, false},
        {"memory figure", window.M1, {3, 5}, true, false},
        {"logo panel", window.Panel2, {40, 40}, true, false},
        {"e-mail link", window.Mail, {3, 5}, true, true},
        {"window outside the panel", &window, {3, 230}, true, true},
        {"OK button", window.OKButton, {10, 10}, true, true},
        {"panel's bare surface", window.Panel1, {150, 60}, false, false},
        {"e-mail link again", window.Mail, {3, 5}, false, true},
        {"description", window.Label3, {3, 5}, false, true},
        {"panel's bare surface again", window.Panel1, {100, 120}, false, false},
    };
    for (const Step& step : steps) {
        QTest::mouseMove(&window, InWindow(step.widget, step.point));
        EXPECT_EQ(window.www->font().bold(), step.wwwBold) << step.over;
        EXPECT_EQ(window.Mail->font().bold(), step.mailBold) << step.over;
    }
    // A bold label grows to its wider text, keeping its left edge.
    QTest::mouseMove(&window, InWindow(window.www, {3, 5}));
    EXPECT_EQ(window.www->pos(), QPoint(10, 136));
    EXPECT_GT(window.www->width(), regularWidth);
    EXPECT_FALSE(window.www->font().underline());
}

TEST_F(AboutTest, AnyButtonPressOpensTheLinkAtOnceAndReleaseNothing)
{
    TAPropos_Frm window;
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    struct Case {
        QLabel* label;
        Qt::MouseButton button;
        QString expected;
    };
    const Case cases[] = {
        {window.www, Qt::LeftButton, kWeb},     {window.www, Qt::RightButton, kWeb},
        {window.www, Qt::MiddleButton, kWeb},   {window.Mail, Qt::LeftButton, kMailto},
        {window.Mail, Qt::RightButton, kMailto}, {window.Mail, Qt::MiddleButton, kMailto},
    };
    for (const Case& c : cases) {
        opened.clear();
        QTest::mousePress(c.label, c.button, Qt::NoModifier, {4, 5});
        ASSERT_EQ(opened.size(), 1u) << c.expected.toStdString();
        EXPECT_EQ(opened.front().toString(), c.expected);
        QTest::mouseRelease(c.label, c.button, Qt::NoModifier, {4, 5});
        EXPECT_EQ(opened.size(), 1u) << "release of " << c.expected.toStdString();
    }
    // Text beside the links opens nothing.
    opened.clear();
    for (QLabel* other : {window.Label4, window.Copyright, window.ProductName})
        QTest::mouseClick(other, Qt::LeftButton, Qt::NoModifier, {3, 5});
    EXPECT_THAT(opened, IsEmpty());
}

TEST_F(AboutTest, OnlyOkAndTheCloseBoxCloseTheWindow)
{
    TAPropos_Frm window;
    bool stillOpenAfterEscape = false;
    const int closedByBox = ShowModalWhile(window, [&] {
        EXPECT_EQ(window.focusWidget(), window.OKButton);
        QTest::keyClick(&window, Qt::Key_Escape);
        stillOpenAfterEscape = window.isVisible();
        window.close();
    });
    EXPECT_TRUE(stillOpenAfterEscape);
    EXPECT_EQ(closedByBox, QDialog::Rejected);
    EXPECT_FALSE(window.isVisible());
    EXPECT_EQ(ShowModalWhile(window, [&] { QTest::mouseClick(window.OKButton, Qt::LeftButton); }),
              QDialog::Accepted);
}

TEST_F(AboutTest, LinksAreAnnouncedAsLinksWithTheirAddresses)
{
    TAPropos_Frm window;
    struct Case {
        QWidget* widget;
        QAccessible::Role role;
        QString name;
    };
    const Case cases[] = {
        {window.www, QAccessible::Link, QStringLiteral("https://scindra.org")},
        {window.Mail, QAccessible::Link, QStringLiteral("contact@scindra.org")},
        {window.OKButton, QAccessible::Button, QStringLiteral("OK")},
    };
    for (const Case& c : cases) {
        QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(c.widget);
        ASSERT_NE(accessible, nullptr);
        EXPECT_EQ(accessible->role(), c.role) << c.name.toStdString();
        EXPECT_EQ(accessible->text(QAccessible::Name), c.name);
    }
    EXPECT_FALSE(QAccessible::queryAccessibleInterface(window.www)->text(QAccessible::Description).isEmpty());
    QAccessibleInterface* total = QAccessible::queryAccessibleInterface(window.M1);
    EXPECT_EQ(total->text(QAccessible::Name), window.M1->text());
    EXPECT_FALSE(total->text(QAccessible::Description).isEmpty());
}

TEST_F(AboutTest, TheMainWindowsMenuShowsItModally)
{
    TScindra main;
    main.show();
    TAPropos_Frm window;
    APropos_Frm = &window;
    bool shownModally = false;
    QTimer::singleShot(0, &window, [&] {
        shownModally = QApplication::activeModalWidget() == &window;
        PressEnter(window);
    });
    main.APropos_Menu->trigger();
    EXPECT_TRUE(shownModally);
    EXPECT_FALSE(window.isVisible());
    APropos_Frm = nullptr;
    main.APropos_Menu->trigger(); // without the window: nothing happens
}

} // namespace
} // namespace scindra
