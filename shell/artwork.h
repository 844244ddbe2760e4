#pragma once

#include <QPixmap>
#include <QString>

class QPainter;

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
    // In logical pixels: the size of the 1x file.
    QSize size() const { return normal().size(); }
    // Draws the picture with its top-left corner at topLeft, chosen at each call for the device
    // the painter really draws on, so a window moved to a screen with another scale draws
    // sharply there too.
    void draw(QPainter &painter, const QPoint &topLeft) const;

    static QString densePath(const QString &path);

private:
    // The 1x file at ratios up to 1, the twin at 2, the twin smoothly rescaled in between and
    // above; the 1x file everywhere when there is no twin.
    QPixmap pixmap(qreal devicePixelRatio) const;
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
