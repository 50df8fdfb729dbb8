#include "app/TooltipStyle.h"

#include <QWidget>

namespace scindra {

TooltipStyle::TooltipStyle() = default;

int TooltipStyle::styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                            QStyleHintReturn* returnData) const
{
    switch (hint) {
    case SH_ToolTip_WakeUpDelay:
        return kWakeUpDelay;
    case SH_ToolTip_FallAsleepDelay:
        return kDisplayTime;
    default:
        return QProxyStyle::styleHint(hint, option, widget, returnData);
    }
}

void TooltipStyle::polish(QWidget* widget)
{
    QProxyStyle::polish(widget);
    // The style hints only say when a tooltip wakes up; how long it stays is
    // the widget's own duration, which Qt otherwise derives from the text.
    if (widget->toolTipDuration() < 0)
        widget->setToolTipDuration(kDisplayTime);
}

} // namespace scindra
