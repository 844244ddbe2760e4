#include "shell/artwork.h"
#include "shell/form1.h"
#include "shell/linkbutton.h"
#include "windowtest.h"

#include <QLabel>
#include <QPainter>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <QTest>
#include <QWindow>
#include <cmath>

using namespace Qt::StringLiterals;
using windowtest::child;

// The window on scaled screens. CTest runs this at QT_SCALE_FACTOR 1, 1.5 and 2: the window
// keeps its logical size and layout, and every picture is drawn from the file that matches the
// density, never by enlarging the 1x picture.
class TestHiDpi : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void window();
    void pictureAtDensity_data();
    void pictureAtDensity();
    void windowDrawsMatchingFiles_data();
    void windowDrawsMatchingFiles();
    void captionsNotCut();

private:
    const QString catalogue = windowtest::catalogueLine(
        QStringList{u"440000|广东省"_s, u"440100|广州市"_s, u"440103|荔湾区"_s});
    std::unique_ptr<Form1> form;
};

static QImage premultiplied(const QString &path)
{
    QImage image(path);
    image.setDevicePixelRatio(1);
    return image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
}

static QString dense(const QString &path)
{
    return Artwork::densePath(path);
}

// Only the control's own painting: no children, and no parent background.
static QImage renderAlone(QWidget *control, qreal dpr,
                          QWidget::RenderFlags flags = QWidget::RenderFlags())
{
    QImage image((QSizeF(control->size()) * dpr).toSize(), QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(dpr);
    image.fill(Qt::transparent);
    control->render(&image, {}, {}, flags);
    image.setDevicePixelRatio(1);
    return image;
}

// Mean difference per colour channel, 0 to 255.
static double meanDifference(const QImage &a, const QImage &b)
{
    if (a.size() != b.size())
        return 255;
    double sum = 0;
    for (int y = 0; y < a.height(); ++y) {
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y);
            const QRgb q = b.pixel(x, y);
            sum += std::abs(qRed(p) - qRed(q)) + std::abs(qGreen(p) - qGreen(q)) +
                   std::abs(qBlue(p) - qBlue(q)) + std::abs(qAlpha(p) - qAlpha(q));
        }
    }
    return sum / (4.0 * a.width() * a.height());
}

void TestHiDpi::init()
{
    QVERIFY(windowtest::openWindow(form, catalogue));
}

void TestHiDpi::cleanup()
{
    form.reset();
}

void TestHiDpi::window()
{
    const qreal scale = qEnvironmentVariableIsSet("QT_SCALE_FACTOR")
                            ? qEnvironmentVariable("QT_SCALE_FACTOR").toDouble()
                            : 1.0;
    QCOMPARE(form->windowHandle()->devicePixelRatio(), scale);
    QCOMPARE(form->size(), QSize(797, 574));
    QCOMPARE(form->minimumSize(), form->maximumSize());
    QCOMPARE(child(*form, u"corporateSiteButton"_s)->geometry(), QRect(141, 101, 122, 38));
    QCOMPARE(Artwork(child(*form, u"formPane"_s)->property("artwork").toString()).size(),
             QSize(797, 577));
    // What the screen gets: the logical client area in device pixels.
    QCOMPARE(form->grab().size(), (QSizeF(797, 574) * scale).toSize());
}

void TestHiDpi::pictureAtDensity_data()
{
    QTest::addColumn<QString>("control");
    QTest::addColumn<QString>("file");
    QTest::addColumn<qreal>("dpr");

    const std::pair<const char *, const char *> pictures[] = {
        {"formPane", ":/assets/background.jpg"},
        {"corporateSiteButton", ":/assets/image1.gif"},
        {"submitButton", ":/assets/image5.gif"},
        {"adviceChatButton", ":/assets/online.gif"}};
    for (const auto &[control, file] : pictures) {
        for (qreal dpr : {1.0, 1.5, 2.0}) {
            QTest::addRow("%s at %g", control, dpr)
                << QString::fromLatin1(control) << QString::fromLatin1(file) << dpr;
        }
    }
}

// Independent of the process's scale: the picture is drawn for the device it is painted on.
void TestHiDpi::pictureAtDensity()
{
    QFETCH(QString, control);
    QFETCH(QString, file);
    QFETCH(qreal, dpr);

    const QImage normal = premultiplied(file);
    const QImage twin = premultiplied(dense(file));
    QCOMPARE(twin.size(), normal.size() * 2);

    const QSize device = (QSizeF(normal.size()) * dpr).toSize();
    const QImage drawn = renderAlone(child(*form, control), dpr).copy(QRect(QPoint(), device));
    if (dpr == 1) {
        QCOMPARE(drawn, normal);
    } else if (dpr == 2) {
        QCOMPARE(drawn, twin);
    } else {
        // Between the two files: the twin reduced with smoothing, much closer to it than to the
        // 1x picture enlarged.
        const double reduced = meanDifference(
            drawn, twin.scaled(device, Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
        const double enlarged = meanDifference(drawn, normal.scaled(device));
        QVERIFY2(reduced < 1.0, qPrintable(QString::number(reduced)));
        QVERIFY2(enlarged > 3 * reduced,
                 qPrintable(QStringLiteral("%1 vs %2").arg(reduced).arg(enlarged)));
    }
}

void TestHiDpi::windowDrawsMatchingFiles_data()
{
    QTest::addColumn<QRect>("area");
    QTest::addColumn<QString>("file");
    QTest::newRow("corporateSiteButton") << QRect(141, 101, 122, 38) << ":/assets/image1.gif";
    QTest::newRow("submitButton") << QRect(224, 448, 117, 40) << ":/assets/image5.gif";
    QTest::newRow("adviceChatButton") << QRect(688, 232, 68, 20) << ":/assets/online.gif";
    QTest::newRow("logo on the background") << QRect(20, 16, 60, 60) << "";
}

// The real window at the process's scale, transparent pictures over the background included.
void TestHiDpi::windowDrawsMatchingFiles()
{
    QFETCH(QRect, area);
    QFETCH(QString, file);
    const qreal dpr = form->windowHandle()->devicePixelRatio();
    if (dpr != 1 && dpr != 2)
        QSKIP("Exact comparison needs a whole-number scale; pictureAtDensity covers the rest.");
    windowtest::runStartupTick(*form); // takes the loading cover away

    const auto atScale = [dpr](const QString &path) {
        return premultiplied(dpr == 2 ? dense(path) : path);
    };
    const QRect device(area.topLeft() * dpr, area.size() * dpr);
    QImage expected = atScale(u":/assets/background.jpg"_s).copy(device);
    if (!file.isEmpty()) {
        QPainter painter(&expected);
        painter.drawImage(0, 0, atScale(file));
    }
    QImage shot = form->grab().toImage();
    shot.setDevicePixelRatio(1);
    QCOMPARE(shot.copy(device).convertToFormat(QImage::Format_ARGB32_Premultiplied), expected);
}

// Each caption is drawn once more with room to spare on the sides it may grow to (by its
// alignment); any ink beyond the control's real rectangle would be cut off on screen. Headlines
// are only checked vertically: they may be longer than their labels.
void TestHiDpi::captionsNotCut()
{
    windowtest::runStartupTick(*form);
    const qreal dpr = form->windowHandle()->devicePixelRatio();
    constexpr int Spare = 12;
    QStringList cut;
    for (QWidget *caption : child(*form, u"formPane"_s)->findChildren<QWidget *>()) {
        const auto *label = qobject_cast<QLabel *>(caption);
        if (!(label && !label->text().isEmpty()) && !qobject_cast<LinkButton *>(caption))
            continue;
        const Qt::Alignment alignment = label ? label->alignment() : Qt::AlignLeft | Qt::AlignTop;
        const QRect real = caption->geometry();
        const Qt::Alignment vertical = alignment & Qt::AlignVertical_Mask;
        const Qt::Alignment horizontal = alignment & Qt::AlignHorizontal_Mask;
        QMargins spare;
        spare.setTop(vertical == Qt::AlignTop ? 0 : Spare);
        spare.setBottom(vertical == Qt::AlignBottom ? 0 : Spare);
        if (caption->parentWidget() != child(*form, u"newsBox"_s)) {
            spare.setLeft(horizontal & Qt::AlignLeft ? 0 : Spare);
            spare.setRight(horizontal & Qt::AlignRight ? 0 : Spare);
        }
        caption->setGeometry(real + spare);
        const QImage drawn = renderAlone(caption, dpr, QWidget::DrawWindowBackground);
        caption->setGeometry(real);

        const QRgb ground = caption->palette().color(caption->backgroundRole()).rgba();
        const QRectF inside(QPointF(spare.left(), spare.top()) * dpr, QSizeF(real.size()) * dpr);
        bool clear = true;
        for (int y = 0; y < drawn.height() && clear; ++y) {
            for (int x = 0; x < drawn.width() && clear; ++x) {
                if (!inside.contains(QPointF(x + 0.5, y + 0.5)))
                    clear = drawn.pixel(x, y) == ground;
            }
        }
        if (!clear)
            cut << caption->objectName();
    }
    QVERIFY2(cut.isEmpty(), qPrintable(cut.join(u", "_s)));
}

QTEST_MAIN(TestHiDpi)
#include "tst_hidpi.moc"
