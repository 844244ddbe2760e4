#pragma once

#include <QComboBox>
#include <QFrame>
#include <QLabel>
#include <QPixmap>
#include <QStringList>

// Small control classes the window definition (form1.ui) is built from.

// A label or picture that reports a click: picture buttons, the link label, the headlines.
class ClickLabel : public QLabel
{
    Q_OBJECT
public:
    explicit ClickLabel(QWidget *parent = nullptr);

signals:
    void clicked();

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    bool m_pressed = false;
};

// The background picture box: holds every other control and draws its picture unscaled at the
// top-left corner.
class PictureBox : public QFrame
{
    Q_OBJECT
    Q_PROPERTY(QPixmap picture READ picture WRITE setPicture)
public:
    explicit PictureBox(QWidget *parent = nullptr);
    QPixmap picture() const { return m_picture; }
    void setPicture(const QPixmap &picture);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QPixmap m_picture;
};

// A line from the top-left to the bottom-right pixel of its rectangle; a one-pixel-wide
// rectangle gives a vertical line, a wider one a slanted line.
class LineShape : public QWidget
{
    Q_OBJECT
public:
    explicit LineShape(QWidget *parent = nullptr);

protected:
    void paintEvent(QPaintEvent *event) override;
};

// An editable drop-down list that behaves like a classic combo box: typed text is only text
// (never added as an item, never completed, never selects an item), appending items never
// changes the text shown, and activated() means the user picked an item with the mouse or the
// arrow keys.
class PickList : public QComboBox
{
    Q_OBJECT
public:
    explicit PickList(QWidget *parent = nullptr);

    void appendItems(const QStringList &items);
    // Empties the list and shows text, with no item selected.
    void resetTo(const QString &text);
};
