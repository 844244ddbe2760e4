#include "shell/controls.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QAccessibleWidget>
#include <QApplication>
#include <QButtonGroup>
#include <QEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QSet>
#include <QTimer>

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

namespace
{
// What the painter really draws on: the screen's ratio when painting the window, the image's
// when the control is rendered into one (painter.device() is then still the widget).
qreal devicePixelsPerPixel(const QPainter &painter)
{
    return painter.deviceTransform().m11();
}

// A clickable label offers the press action. Qt would present it as static text or a graphic,
// which a screen reader cannot activate.
class AccessibleClickLabel : public QAccessibleWidget
{
public:
    explicit AccessibleClickLabel(ClickLabel *label) : QAccessibleWidget(label) {}

    QAccessible::Role role() const override
    {
        return label()->artwork().isEmpty() ? QAccessible::Link : QAccessible::Button;
    }
    // Headlines have no name of their own: their caption, set at the start-up tick, is it
    // (not the title of the frame around them, which Qt would take).
    QString text(QAccessible::Text t) const override
    {
        if (t != QAccessible::Name)
            return QAccessibleWidget::text(t);
        const QString name = widget()->accessibleName();
        return name.isEmpty() ? label()->text() : name;
    }
    QStringList actionNames() const override
    {
        return QAccessibleWidget::actionNames() << pressAction();
    }
    // Run from the event loop, as a click is: the submission's message box must not hold up
    // the assistive tool's call.
    void doAction(const QString &name) override
    {
        if (name == pressAction())
            QTimer::singleShot(0, label(), &ClickLabel::press);
        else
            QAccessibleWidget::doAction(name);
    }

private:
    ClickLabel *label() const { return static_cast<ClickLabel *>(widget()); }
};

// Plain widgets would reach assistive tools as a frame's border and an anonymous client area.
QAccessibleInterface *roleFor(const QString &className, QObject *object)
{
    if (!object || !object->isWidgetType())
        return nullptr;
    auto *widget = static_cast<QWidget *>(object);
    if (className == QLatin1String("ClickLabel"))
        return new AccessibleClickLabel(static_cast<ClickLabel *>(widget));
    if (className == QLatin1String("PictureBox"))
        return new QAccessibleWidget(widget, QAccessible::Pane);
    if (className == QLatin1String("LineShape"))
        return new QAccessibleWidget(widget, QAccessible::Separator);
    return nullptr;
}

void installAccessibleRoles()
{
    static const bool installed = (QAccessible::installFactory(roleFor), true);
    Q_UNUSED(installed);
}
} // namespace

ClickLabel::ClickLabel(QWidget *parent) : QLabel(parent)
{
    installAccessibleRoles();
    setTextFormat(Qt::PlainText);
    setCursor(Qt::PointingHandCursor);
}

void ClickLabel::press()
{
    QWidget *top = window();
    const QWidget *modal = QApplication::activeModalWidget();
    if (!isVisible() || !isEnabled() || (modal && modal != top) ||
        top->childAt(mapTo(top, rect().center())) != this)
        return;
    emit clicked();
}

void ClickLabel::setArtwork(const QString &path)
{
    m_artwork = Artwork(path);
    updateGeometry();
    update();
}

QSize ClickLabel::sizeHint() const
{
    return m_artwork.path().isEmpty() ? QLabel::sizeHint()
                                      : m_artwork.size() + QSize(2, 2) * frameWidth();
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

// The density is chosen at each paint, so a window moved to a screen with another scale draws
// sharply there too.
void ClickLabel::paintEvent(QPaintEvent *event)
{
    if (m_artwork.isNull()) {
        QLabel::paintEvent(event);
        return;
    }
    QPainter painter(this);
    painter.drawPixmap(contentsRect().topLeft(), m_artwork.pixmap(devicePixelsPerPixel(painter)));
}

PictureBox::PictureBox(QWidget *parent) : QFrame(parent)
{
    installAccessibleRoles();
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
    painter.drawPixmap(0, 0, m_artwork.pixmap(devicePixelsPerPixel(painter)));
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

LineShape::LineShape(QWidget *parent) : QWidget(parent)
{
    installAccessibleRoles();
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

void LineShape::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setPen(palette().color(QPalette::WindowText));
    // Through the centres of the corner pixels, so that a one-pixel lean shows halfway down.
    painter.drawLine(QPointF(0.5, 0.5), QPointF(width() - 0.5, height() - 0.5));
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

// The window definition names the list, and by the time it is shown those names are set. The
// edit field takes them over: it is what assistive tools see focused, and on Linux Qt reports
// a combo box's text as its name.
bool PickList::event(QEvent *event)
{
    if (event->type() == QEvent::Show) {
        lineEdit()->setAccessibleName(accessibleName());
        lineEdit()->setAccessibleDescription(accessibleDescription());
    }
    return QComboBox::event(event);
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
