#include "ui/about/TLinkLabel.h"

#include <QAccessible>
#include <QAccessibleWidget>

namespace scindra {
namespace {

// The toolkit describes every label as static text; these are links.
QAccessibleInterface* LinkLabelAccessible(const QString&, QObject* object)
{
    if (auto* label = qobject_cast<TLinkLabel*>(object))
        return new QAccessibleWidget(label, QAccessible::Link);
    return nullptr;
}

} // namespace

TLinkLabel::TLinkLabel(const QString& text, QWidget* parent)
    : QLabel(text, parent)
{
    // The toolkit keeps one copy of each factory, however often it is installed.
    QAccessible::installFactory(LinkLabelAccessible);
    setCursor(Qt::PointingHandCursor);
    setMouseTracking(true);
}

} // namespace scindra
