#pragma once

#include "shell/artwork.h"

#include <QFrame>

// The background picture box: holds every other control and draws its picture unscaled (in
// logical pixels) at the top-left corner. Tab and Shift+Tab enter each option group inside it
// at the group's selected member. Assistive tools see a pane.
class PictureBox : public QFrame
{
    Q_OBJECT
    Q_PROPERTY(QString artwork READ artwork WRITE setArtwork)
public:
    explicit PictureBox(QWidget *parent = nullptr);

    QString artwork() const { return m_artwork.path(); }
    void setArtwork(const QString &path);

protected:
    void paintEvent(QPaintEvent *event) override;
    bool focusNextPrevChild(bool next) override;

private:
    Artwork m_artwork;
};
