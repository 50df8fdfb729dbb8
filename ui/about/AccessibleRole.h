#pragma once
// Gives a plain widget the role it plays on screen, for widgets whose class
// says nothing of it: a panel drawn as a separator line, a control that plays
// an animation. Set before anything asks the widget for its accessible
// description, since the toolkit keeps the first one it builds.

#include <QAccessible>

class QWidget;

namespace scindra {

void SetAccessibleRole(QWidget* widget, QAccessible::Role role);

} // namespace scindra
