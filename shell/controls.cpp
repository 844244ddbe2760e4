#include "shell/controls.h"

#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>

ClickLabel::ClickLabel(QWidget *parent) : QLabel(parent)
{
    setTextFormat(Qt::PlainText);
    setCursor(Qt::PointingHandCursor);
}

void ClickLabel::mousePressEvent(QMouseEvent *event)
{
    m_pressed = event->button() == Qt::LeftButton;
    QLabel::mousePressEvent(event);
}

void ClickLabel::mouseReleaseEvent(QMouseEvent *event)
{
    const bool click = m_pressed && event->button() == Qt::LeftButton &&
                       rect().contains(event->position().toPoint());
    m_pressed = false;
    QLabel::mouseReleaseEvent(event);
    if (click)
        emit clicked();
}

PictureBox::PictureBox(QWidget *parent) : QFrame(parent)
{
    setFocusPolicy(Qt::StrongFocus);
}

void PictureBox::setPicture(const QPixmap &picture)
{
    m_picture = picture;
    update();
}

void PictureBox::paintEvent(QPaintEvent *event)
{
    QPainter painter(this);
    painter.drawPixmap(0, 0, m_picture);
    QFrame::paintEvent(event);
}

LineShape::LineShape(QWidget *parent) : QWidget(parent)
{
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

void LineShape::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setPen(palette().color(QPalette::WindowText));
    painter.drawLine(0, 0, width() - 1, height() - 1);
}

PickList::PickList(QWidget *parent) : QComboBox(parent)
{
    setEditable(true);
    setInsertPolicy(QComboBox::NoInsert);
    setCompleter(nullptr);
    // QComboBox selects the item equal to the typed text when editing finishes (Return, focus
    // loss) and reports that as activated(); here typing only ever changes the text.
    disconnect(lineEdit(), &QLineEdit::editingFinished, this, nullptr);
}

void PickList::appendItems(const QStringList &items)
{
    const QString shown = currentText();
    const int index = currentIndex();
    addItems(items);
    // Adding to an empty list selects the first item and shows it; keep what was shown.
    if (currentIndex() != index)
        setCurrentIndex(index);
    if (currentText() != shown)
        setEditText(shown);
}

void PickList::resetTo(const QString &text)
{
    clear();
    setEditText(text);
}
