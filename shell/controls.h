#pragma once

#include <QComboBox>
#include <QFrame>
#include <QLabel>
#include <QPixmap>
#include <QStringList>

// Small control classes the window definition (form1.ui) is built from.

// A picture file with an optional twice-as-dense twin beside it ("name@2x.ext"). Plain QPixmap
// loading never looks for the twin, and QIcon only does so when created on a dense screen and
// then upscales the 1x picture at fractional scales; this picks per device pixel ratio and
// always covers the 1x file's size in logical pixels.
class Artwork
{
public:
    Artwork() = default;
    explicit Artwork(const QString &path);

    QString path() const { return m_path; }
    bool isNull() const { return normal().isNull(); }
    // In logical pixels: the size of the 1x file.
    QSize size() const { return normal().size(); }
    // The 1x file at ratios up to 1, the twin at 2, the twin smoothly rescaled in between and
    // above; the 1x file everywhere when there is no twin.
    QPixmap pixmap(qreal devicePixelRatio) const;

    static QString densePath(const QString &path);

private:
    // Both decoded on first use: the pictures when first painted, and the twin never on an
    // ordinary screen.
    const QPixmap &normal() const;
    const QPixmap &dense() const;

    QString m_path;
    mutable bool m_normalLoaded = false;
    mutable QPixmap m_normal;
    mutable bool m_denseLoaded = false;
    mutable QPixmap m_dense;
    mutable QPixmap m_rescaled;
    mutable qreal m_rescaledFor = 0;
};

// A label or picture that reports a click: picture buttons, the link label, the headlines.
// A picture is given as an artwork path and drawn at the screen's density. Assistive tools see
// a button (a picture) or a link (a text) that they can press.
class ClickLabel : public QLabel
{
    Q_OBJECT
    Q_PROPERTY(QString artwork READ artwork WRITE setArtwork)
public:
    explicit ClickLabel(QWidget *parent = nullptr);

    QString artwork() const { return m_artwork.path(); }
    void setArtwork(const QString &path);
    QSize sizeHint() const override;

    // The accessibility press: a click at the label's centre. Like the mouse's, it lands only
    // where the label can be seen and clicked, not under the loading cover or a modal box.
    void press();

signals:
    void clicked();

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    bool m_pressed = false;
    Artwork m_artwork;
};

// The background picture box: holds every other control and draws its picture unscaled (in
// logical pixels) at the top-left corner. Tab and Shift+Tab enter each option group inside it
// at the group's selected member.
class PictureBox : public QFrame
{
    Q_OBJECT
    Q_PROPERTY(QString artwork READ artwork WRITE setArtwork)
public:
    explicit PictureBox(QWidget *parent = nullptr);

    QString artwork() const { return m_artwork.path(); }
    void setArtwork(const QString &path);
    // The picture as an ordinary screen shows it.
    QPixmap picture() const { return m_artwork.pixmap(1); }

protected:
    void paintEvent(QPaintEvent *event) override;
    bool focusNextPrevChild(bool next) override;

private:
    Artwork m_artwork;
};

// A line from the top-left to the bottom-right pixel of its rectangle; a one-pixel-wide
// rectangle gives a vertical line, a wider one a slanted line. Assistive tools see a separator.
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
// arrow keys. Screen readers land on the edit field, so it carries the list's name.
class PickList : public QComboBox
{
    Q_OBJECT
public:
    explicit PickList(QWidget *parent = nullptr);

    void appendItems(const QStringList &items);
    // Empties the list and shows text, with no item selected.
    void resetTo(const QString &text);

protected:
    bool event(QEvent *event) override;
};
