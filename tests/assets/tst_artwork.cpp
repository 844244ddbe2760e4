#include <QFile>
#include <QImage>
#include <QImageReader>
#include <QProcess>
#include <QTest>
#include <algorithm>

using namespace Qt::StringLiterals;

// The window places its pictures unscaled at fixed positions, so the files must have exact
// sizes and formats that the image plugins on every platform read the same way. Qt decodes
// them; ImageMagick's identify and icoutils' icotool tell what Qt's readers do not: baseline or
// progressive JPEG, the GIF's logical screen, which icon images are 8-bit and which 32-bit.

static QString asset(const QString &name)
{
    return QStringLiteral(ASSETS_DIR "/") + name;
}

// What the program printed, or a null string when it is not installed.
static QString output(const QString &program, const QStringList &arguments)
{
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForStarted())
        return {};
    process.waitForFinished();
    return QString::fromUtf8(process.readAllStandardOutput() + process.readAllStandardError());
}

static const QList<int> iconSizes = {16, 24, 32, 48, 64, 72, 96, 128};

static QImage decode(const QString &name)
{
    QImageReader reader(asset(name));
    return reader.read().convertToFormat(QImage::Format_ARGB32);
}

class TestArtwork : public QObject
{
    Q_OBJECT

private slots:
    void identified_data();
    void identified();
    void iconImages();
    void decodes_data();
    void decodes();
    void iconDecodes();
    void headingButtonsDiffer();
};

void TestArtwork::identified_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("identity");

    // Format, size, logical screen and offset, frames, interlacing, opaque (no transparent
    // pixel). A baseline JPEG is not interlaced; a GIF's only frame covers its whole screen.
    QTest::newRow("background") << "background.jpg"
                                << "jpeg 797x577 797x577+0+0 1 none true";
    QTest::newRow("home tools") << "image1.gif"
                                << "gif 122x38 122x38+0+0 1 none false";
    QTest::newRow("renderings") << "image2.gif"
                                << "gif 122x38 122x38+0+0 1 none false";
    QTest::newRow("precise quote") << "image3.gif"
                                   << "gif 122x38 122x38+0+0 1 none false";
    QTest::newRow("instructions") << "image4.gif"
                                  << "gif 122x38 122x38+0+0 1 none false";
    QTest::newRow("submit") << "image5.gif"
                            << "gif 117x40 117x40+0+0 1 none false";
    QTest::newRow("online badge") << "online.gif"
                                  << "gif 68x20 68x20+0+0 1 none false";
}

void TestArtwork::identified()
{
    QFETCH(QString, file);
    QFETCH(QString, identity);
    const QString said = output(
        u"identify"_s, {u"-format"_s, u"%m %wx%h %Wx%H%X%Y %n %[interlace] %[opaque]\n"_s, asset(file)});
    if (said.isNull())
        QSKIP("missing tool: identify (Debian: imagemagick)");
    // ImageMagick 6 and 7 differ in case only.
    QCOMPARE(said.toLower(), identity + u'\n');
    if (file.endsWith(u".gif")) {
        // The version that has transparency, and the trailer that ends the file: some readers
        // want it, and no decoder misses it.
        QFile gif(asset(file));
        QVERIFY(gif.open(QIODevice::ReadOnly));
        const QByteArray bytes = gif.readAll();
        QVERIFY(bytes.startsWith("GIF89a"));
        QVERIFY(bytes.endsWith(";"));
    }
}

void TestArtwork::iconImages()
{
    // Uncompressed bitmaps, not embedded PNGs: older readers only understand these.
    const QString formats = output(u"identify"_s, {u"-format"_s, u"%m\n"_s, asset(u"app.ico"_s)});
    if (formats.isNull())
        QSKIP("missing tool: identify (Debian: imagemagick)");
    QCOMPARE(formats, u"ICO\n"_s.repeated(16));

    // Each size as 256 colours (whose only transparency is the one-bit mask) and as 32 bits.
    const QString listing = output(u"icotool"_s, {u"--list"_s, asset(u"app.ico"_s)});
    if (listing.isNull())
        QSKIP("missing tool: icotool (Debian: icoutils)");
    QStringList images;
    for (const QString &line : listing.split(u'\n', Qt::SkipEmptyParts))
        images.append(line.section(u' ', 2)); // past "--icon --index=N"
    QStringList expected;
    for (int n : iconSizes) {
        for (const char *depth : {"8 --palette-size=256", "32 --palette-size=0"})
            expected.append(
                u"--width=%1 --height=%1 --bit-depth=%2"_s.arg(n).arg(QLatin1String(depth)));
    }
    images.sort();
    expected.sort();
    QCOMPARE(images, expected);
}

void TestArtwork::decodes_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QByteArray>("format");
    QTest::addColumn<QSize>("size");
    QTest::addColumn<bool>("roundedCorners");

    QTest::newRow("background") << "background.jpg" << QByteArray("jpeg") << QSize(797, 577)
                                << false;
    QTest::newRow("home tools") << "image1.gif" << QByteArray("gif") << QSize(122, 38) << true;
    QTest::newRow("renderings") << "image2.gif" << QByteArray("gif") << QSize(122, 38) << true;
    QTest::newRow("precise quote") << "image3.gif" << QByteArray("gif") << QSize(122, 38) << true;
    QTest::newRow("instructions") << "image4.gif" << QByteArray("gif") << QSize(122, 38) << true;
    QTest::newRow("submit") << "image5.gif" << QByteArray("gif") << QSize(117, 40) << true;
    QTest::newRow("online badge") << "online.gif" << QByteArray("gif") << QSize(68, 20) << true;
}

void TestArtwork::decodes()
{
    QFETCH(QString, file);
    QFETCH(QByteArray, format);
    QFETCH(QSize, size);
    QFETCH(bool, roundedCorners);

    QImageReader reader(asset(file));
    QCOMPARE(reader.format(), format);
    const QImage image = reader.read().convertToFormat(QImage::Format_ARGB32);
    QVERIFY2(!image.isNull(), qPrintable(reader.errorString()));
    QCOMPARE(image.size(), size);

    const QPoint centre(size.width() / 2, size.height() / 2);
    QCOMPARE(qAlpha(image.pixel(centre)), 255);
    if (roundedCorners) {
        const QPoint corners[] = {{0, 0},
                                  {size.width() - 1, 0},
                                  {0, size.height() - 1},
                                  {size.width() - 1, size.height() - 1}};
        for (const QPoint &p : corners)
            QCOMPARE(qAlpha(image.pixel(p)), 0);
    }
}

void TestArtwork::iconDecodes()
{
    QImageReader reader(asset("app.ico"));
    QCOMPARE(reader.format(), QByteArray("ico"));
    QCOMPARE(reader.imageCount(), 16);

    QList<int> sizes;
    for (int i = 0; i < 16; ++i) {
        QVERIFY(reader.jumpToImage(i));
        const QImage image = reader.read().convertToFormat(QImage::Format_ARGB32);
        QVERIFY2(!image.isNull(), qPrintable(reader.errorString()));
        QCOMPARE(image.width(), image.height());
        sizes.append(image.width());
        // The rounded square leaves the corners to the desktop behind it.
        QCOMPARE(qAlpha(image.pixel(0, 0)), 0);
        QCOMPARE(qAlpha(image.pixel(image.width() / 2, image.height() / 2)), 255);
    }
    std::sort(sizes.begin(), sizes.end());
    QList<int> expected;
    for (int size : iconSizes)
        expected << size << size;
    QCOMPARE(sizes, expected);
}

void TestArtwork::headingButtonsDiffer()
{
    const QStringList files = {"image1.gif", "image2.gif", "image3.gif", "image4.gif"};
    QList<QImage> images;
    for (const QString &f : files) {
        images.append(decode(f));
        QVERIFY(!images.last().isNull());
    }
    for (qsizetype i = 0; i < images.size(); ++i)
        for (qsizetype j = i + 1; j < images.size(); ++j)
            QVERIFY2(images[i] != images[j], qPrintable(files[i] + " equals " + files[j]));
}

QTEST_GUILESS_MAIN(TestArtwork)
#include "tst_artwork.moc"
