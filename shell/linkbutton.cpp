#include "shell/linkbutton.h"

#include <QPainter>
#include <QStyle>

namespace
{
constexpr int TextFlags = Qt::AlignLeft | Qt::AlignTop | Qt::TextShowMnemonic;
}

LinkButton::LinkButton(QWidget *parent) : QAbstractButton(parent)
{
    setForegroundRole(QPalette::WindowText);
    setBackgroundRole(QPalette::Window);
    setCursor(Qt::PointingHandCursor);
}

QSize LinkButton::sizeHint() const
{
    return fontMetrics().size(TextFlags, text());
}

void LinkButton::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    style()->drawItemText(&painter, rect(), TextFlags, palette(), isEnabled(), text(),
                          foregroundRole());
}
