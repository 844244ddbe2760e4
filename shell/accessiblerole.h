#pragma once

#include <QAccessibleWidget>

// Gives every widget of class W the accessible role R: Qt's plain widgets reach assistive tools
// as an anonymous client area or a border. Call from W's constructor; installs once.
template <typename W, QAccessible::Role R> void installAccessibleRole()
{
    static const bool installed =
        (QAccessible::installFactory(
             [](const QString &className, QObject *object) -> QAccessibleInterface * {
                 if (className != QLatin1String(W::staticMetaObject.className()) || !object ||
                     !object->isWidgetType())
                     return nullptr;
                 return new QAccessibleWidget(static_cast<QWidget *>(object), R);
             }),
         true);
    Q_UNUSED(installed);
}
