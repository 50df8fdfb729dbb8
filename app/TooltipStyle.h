#pragma once
// The program's tooltip timing: a tooltip shows after the pointer has rested
// 500 ms on a control and hides again after 2,500 ms. Everything else is the
// platform's own style.

#include <QProxyStyle>

namespace scindra {

class TooltipStyle : public QProxyStyle {
    Q_OBJECT

public:
    static constexpr int kWakeUpDelay = 500;
    static constexpr int kDisplayTime = 2500;

    TooltipStyle();

    int styleHint(StyleHint hint, const QStyleOption* option = nullptr, const QWidget* widget = nullptr,
                  QStyleHintReturn* returnData = nullptr) const override;

    using QProxyStyle::polish;
    // Gives every widget that did not choose its own the tooltip display time.
    void polish(QWidget* widget) override;
};

} // namespace scindra
