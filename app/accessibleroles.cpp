#include "app/accessibleroles.h"

#include <QAccessibleWidget>
#include <QWidget>

#include <mutex>

namespace didu {

namespace {

QAccessibleInterface* ownControl(const QString& className, QObject* object)
{
    if (!object || !object->isWidgetType())
        return nullptr;
    auto* widget = static_cast<QWidget*>(object);
    if (className == QLatin1String("didu::Image"))
        return new QAccessibleWidget(widget, QAccessible::Graphic);
    if (className == QLatin1String("didu::Panel"))
        return new QAccessibleWidget(widget, QAccessible::Grouping);
    return nullptr;
}

} // namespace

void installAccessibleRoles()
{
    static std::once_flag installed;
    std::call_once(installed, [] { QAccessible::installFactory(ownControl); });
}

} // namespace didu
