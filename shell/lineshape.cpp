#include "shell/lineshape.h"

#include <QAccessibleWidget>
#include <QPainter>

namespace
{
// A plain widget would reach assistive tools as an anonymous client area.
QAccessibleInterface *separatorRole(const QString &className, QObject *object)
{
    if (className != QLatin1String("LineShape") || !object || !object->isWidgetType())
        return nullptr;
    return new QAccessibleWidget(static_cast<QWidget *>(object), QAccessible::Separator);
}
} // namespace

LineShape::LineShape(QWidget *parent) : QWidget(parent)
{
    static const bool roleInstalled = (QAccessible::installFactory(separatorRole), true);
    Q_UNUSED(roleInstalled);
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

void LineShape::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setPen(palette().color(QPalette::WindowText));
    // Through the centres of the corner pixels, so that a one-pixel lean shows halfway down.
    painter.drawLine(QPointF(0.5, 0.5), QPointF(width() - 0.5, height() - 0.5));
}
