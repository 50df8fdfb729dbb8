#include "app/TooltipStyle.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QPushButton>
#include <QStyle>

namespace scindra {
namespace {

// The style in use while a test runs; the application's own comes back after.
class StyleSwap {
public:
    explicit StyleSwap(QStyle* style) : previous_(QApplication::style()->name()) { QApplication::setStyle(style); }
    ~StyleSwap() { QApplication::setStyle(previous_); }

private:
    QString previous_;
};

TEST(TooltipStyle, ShowsAfterHalfASecondAndHidesAfterTwoAndAHalf)
{
    // The grace period after a tooltip hides is not the display time: it stays
    // what the platform's style gives.
    const int graceOfThePlatform = QApplication::style()->styleHint(QStyle::SH_ToolTip_FallAsleepDelay);
    StyleSwap swap(new TooltipStyle);
    EXPECT_EQ(QApplication::style()->styleHint(QStyle::SH_ToolTip_WakeUpDelay), 500);
    EXPECT_EQ(QApplication::style()->styleHint(QStyle::SH_ToolTip_FallAsleepDelay), graceOfThePlatform);

    QPushButton button("Valider");
    button.setToolTip("Prendre la taille du fichier");
    button.ensurePolished();
    EXPECT_EQ(button.toolTipDuration(), 2500);

    QPushButton chosen("Quitter");
    chosen.setToolTipDuration(8000);
    chosen.ensurePolished();
    EXPECT_EQ(chosen.toolTipDuration(), 8000);
}

} // namespace
} // namespace scindra
