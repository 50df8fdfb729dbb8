#include "ui/about/AccessibleRole.h"

#include <QAccessibleWidget>
#include <QVariant>
#include <QWidget>

namespace scindra {
namespace {

const char* const kRoleProperty = "scindraAccessibleRole";

QAccessibleInterface* RoleAccessible(const QString&, QObject* object)
{
    auto* widget = qobject_cast<QWidget*>(object);
    if (widget == nullptr)
        return nullptr;
    const QVariant role = widget->property(kRoleProperty);
    if (!role.isValid())
        return nullptr;
    return new QAccessibleWidget(widget, static_cast<QAccessible::Role>(role.toInt()));
}

} // namespace

void SetAccessibleRole(QWidget* widget, QAccessible::Role role)
{
    // The toolkit keeps one copy of each factory, however often it is installed.
    QAccessible::installFactory(RoleAccessible);
    widget->setProperty(kRoleProperty, static_cast<int>(role));
}

} // namespace scindra
