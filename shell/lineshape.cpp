#include "shell/lineshape.h"

#include "shell/accessiblerole.h"

#include <QPainter>

LineShape::LineShape(QWidget *parent) : QWidget(parent)
{
    installAccessibleRole<LineShape, QAccessible::Separator>();
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

void LineShape::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setPen(palette().color(QPalette::WindowText));
    // Through the centres of the corner pixels, so that a one-pixel lean shows halfway down.
    painter.drawLine(QPointF(0.5, 0.5), QPointF(width() - 0.5, height() - 0.5));
}
