#include "app/TooltipStyle.h"

#include <QWidget>

namespace scindra {

TooltipStyle::TooltipStyle() = default;

int TooltipStyle::styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                            QStyleHintReturn* returnData) const
{
    // Only the wake-up delay is ours. The fall-asleep delay is the grace
    // period in which the next tooltip shows at once, not how long one stays
    // (that is the widget's duration, see polish): it keeps the platform's.
    if (hint == SH_ToolTip_WakeUpDelay)
        return kWakeUpDelay;
    return QProxyStyle::styleHint(hint, option, widget, returnData);
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
