#pragma once

#include "shell/artwork.h"

#include <QAbstractButton>

// A picture that is a button: it draws its artwork at the screen's density and nothing else.
class PictureButton : public QAbstractButton
{
    Q_OBJECT
    Q_PROPERTY(QString artwork READ artwork WRITE setArtwork)
public:
    explicit PictureButton(QWidget *parent = nullptr);

    QString artwork() const { return m_artwork.path(); }
    void setArtwork(const QString &path);
    QSize sizeHint() const override { return m_artwork.size(); }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    Artwork m_artwork;
};
