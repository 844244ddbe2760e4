#include "shell/picturebutton.h"

#include <QPainter>

PictureButton::PictureButton(QWidget *parent) : QAbstractButton(parent)
{
    setCursor(Qt::PointingHandCursor);
}

void PictureButton::setArtwork(const QString &path)
{
    m_artwork = Artwork(path);
    updateGeometry();
    update();
}

void PictureButton::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    m_artwork.draw(painter, QPoint(0, 0));
}
