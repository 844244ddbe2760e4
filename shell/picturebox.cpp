#include "shell/picturebox.h"

#include "shell/accessiblerole.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QPainter>
#include <QSet>

PictureBox::PictureBox(QWidget *parent) : QFrame(parent)
{
    installAccessibleRole<PictureBox, QAccessible::Pane>();
    setFocusPolicy(Qt::StrongFocus);
}

void PictureBox::setArtwork(const QString &path)
{
    m_artwork = Artwork(path);
    update();
}

void PictureBox::paintEvent(QPaintEvent *event)
{
    QPainter painter(this);
    m_artwork.draw(painter, QPoint(0, 0));
    QFrame::paintEvent(event);
}

// Qt takes the other members of an option group out of the tab chain only once a member has
// had the focus, and then keeps the one that had it, selected or not. Every Tab reaches here
// (the children pass it up), so the chain is set from the selection just before each step.
bool PictureBox::focusNextPrevChild(bool next)
{
    QSet<QButtonGroup *> groups;
    for (const QAbstractButton *button : findChildren<QAbstractButton *>()) {
        if (button->group())
            groups.insert(button->group());
    }
    for (const QButtonGroup *group : std::as_const(groups)) {
        const QAbstractButton *selected = group->checkedButton();
        if (!selected)
            continue;
        for (QAbstractButton *member : group->buttons()) {
            const int policy = member == selected ? member->focusPolicy() | Qt::TabFocus
                                                  : member->focusPolicy() & ~Qt::TabFocus;
            member->setFocusPolicy(Qt::FocusPolicy(policy));
        }
    }
    return QFrame::focusNextPrevChild(next);
}
