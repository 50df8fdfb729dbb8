#include "ui/about/TLinkLabel.h"

#include <QAccessible>
#include <QAccessibleWidget>

namespace scindra {
namespace {

// The toolkit describes every label as static text that offers nothing to
// do; these are links a screen reader can follow. The label keeps out of the
// focus chain, so the action is the only way to them without a mouse.
class LinkAccessible : public QAccessibleWidget {
public:
    explicit LinkAccessible(TLinkLabel* label) : QAccessibleWidget(label, QAccessible::Link) {}

    QStringList actionNames() const override
    {
        return QAccessibleWidget::actionNames() << pressAction();
    }

    void doAction(const QString& name) override
    {
        if (name == pressAction())
            emit static_cast<TLinkLabel*>(widget())->Pressed();
        else
            QAccessibleWidget::doAction(name);
    }
};

QAccessibleInterface* LinkLabelAccessible(const QString&, QObject* object)
{
    if (auto* label = qobject_cast<TLinkLabel*>(object))
        return new LinkAccessible(label);
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

void TLinkLabel::mousePressEvent(QMouseEvent* event)
{
    emit Pressed();
    QLabel::mousePressEvent(event);
}

} // namespace scindra
