#include "shell/artwork.h"

#include <QImage>
#include <QPainter>

Artwork::Artwork(const QString &path) : m_path(path) {}

const QPixmap &Artwork::normal() const
{
    if (!m_normalLoaded) {
        m_normalLoaded = true;
        m_normal = QPixmap(m_path);
    }
    return m_normal;
}

const QPixmap &Artwork::dense() const
{
    if (!m_denseLoaded) {
        m_denseLoaded = true;
        QPixmap twin(densePath(m_path));
        // A twin of any other size would change the picture's logical size: ignore it.
        if (!normal().isNull() && twin.size() == 2 * normal().size()) {
            twin.setDevicePixelRatio(2);
            m_dense = twin;
        }
    }
    return m_dense;
}

QString Artwork::densePath(const QString &path)
{
    const qsizetype dot = path.lastIndexOf(u'.');
    if (dot <= path.lastIndexOf(u'/'))
        return path + QStringLiteral("@2x");
    return path.left(dot) + QStringLiteral("@2x") + path.mid(dot);
}

QPixmap Artwork::pixmap(qreal devicePixelRatio) const
{
    if (devicePixelRatio <= 1 || qFuzzyCompare(devicePixelRatio, 1) || dense().isNull())
        return normal();
    if (qFuzzyCompare(devicePixelRatio, 2))
        return m_dense;
    // Drawing the twin with the painter's scaling would sample it without smoothing; rescale it
    // once to the device pixels the picture covers instead.
    if (m_rescaled.isNull() || !qFuzzyCompare(m_rescaledFor, devicePixelRatio)) {
        const QSize device = (QSizeF(size()) * devicePixelRatio).toSize();
        QImage image =
            dense().toImage().scaled(device, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        image.setDevicePixelRatio(devicePixelRatio);
        m_rescaled = QPixmap::fromImage(std::move(image));
        m_rescaledFor = devicePixelRatio;
    }
    return m_rescaled;
}

// The painter's own ratio: the screen's when painting the window, the image's when a control is
// rendered into one (painter.device() is then still the widget).
void Artwork::draw(QPainter &painter, const QPoint &topLeft) const
{
    painter.drawPixmap(topLeft, pixmap(painter.deviceTransform().m11()));
}
