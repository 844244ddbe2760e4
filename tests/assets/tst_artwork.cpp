#include <QFile>
#include <QImage>
#include <QImageReader>
#include <QTest>
#include <QtEndian>
#include <algorithm>
#include <optional>

// The window places its pictures unscaled at fixed positions, so the files must have exact
// sizes and formats that the image plugins on every platform read the same way.

static QString asset(const QString &name)
{
    return QStringLiteral(ASSETS_DIR "/") + name;
}

static QByteArray readAsset(const QString &name)
{
    QFile f(asset(name));
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return f.readAll();
}

static quint8 u8(const QByteArray &b, qsizetype at)
{
    return static_cast<quint8>(b.at(at));
}

static quint16 le16(const QByteArray &b, qsizetype at)
{
    return qFromLittleEndian<quint16>(b.constData() + at);
}

static quint32 le32(const QByteArray &b, qsizetype at)
{
    return qFromLittleEndian<quint32>(b.constData() + at);
}

static quint16 be16(const QByteArray &b, qsizetype at)
{
    return qFromBigEndian<quint16>(b.constData() + at);
}

struct JpegFrame {
    QList<quint8> frameMarkers; // every SOFn met before the first scan
    int width = 0;
    int height = 0;
};

static std::optional<JpegFrame> walkJpeg(const QByteArray &b)
{
    if (b.size() < 4 || u8(b, 0) != 0xFF || u8(b, 1) != 0xD8)
        return std::nullopt;
    JpegFrame frame;
    qsizetype at = 2;
    while (at + 4 <= b.size()) {
        if (u8(b, at) != 0xFF)
            return std::nullopt;
        const quint8 marker = u8(b, at + 1);
        if (marker == 0xFF) { // fill byte
            ++at;
            continue;
        }
        const quint16 length = be16(b, at + 2);
        if (length < 2 || at + 2 + length > b.size())
            return std::nullopt;
        if (marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 &&
            marker != 0xCC) {
            frame.frameMarkers.append(marker);
            frame.height = be16(b, at + 5);
            frame.width = be16(b, at + 7);
        }
        if (marker == 0xDA) // start of scan: entropy-coded data follows
            return frame;
        at += 2 + length;
    }
    return std::nullopt;
}

struct GifStructure {
    QByteArray signature;
    int width = 0;
    int height = 0;
    int imageDescriptors = 0;
    bool transparencyFlag = false;
    bool imageCoversScreen = false;
    bool trailer = false;
};

static qsizetype skipSubBlocks(const QByteArray &b, qsizetype at)
{
    while (at < b.size()) {
        const quint8 len = u8(b, at);
        at += 1 + len;
        if (len == 0)
            return at;
    }
    return -1;
}

// Walks the block structure rather than scanning for bytes, which could occur in pixel data.
static std::optional<GifStructure> walkGif(const QByteArray &b)
{
    if (b.size() < 13)
        return std::nullopt;
    GifStructure gif;
    gif.signature = b.left(6);
    gif.width = le16(b, 6);
    gif.height = le16(b, 8);
    const quint8 packed = u8(b, 10);
    qsizetype at = 13;
    if (packed & 0x80)
        at += 3 * (1 << ((packed & 7) + 1));
    while (at < b.size()) {
        const quint8 introducer = u8(b, at);
        if (introducer == 0x3B) {
            gif.trailer = true;
            return gif;
        }
        if (introducer == 0x21) {
            if (at + 2 > b.size())
                return std::nullopt;
            const quint8 label = u8(b, at + 1);
            if (label == 0xF9 && at + 4 <= b.size() && u8(b, at + 2) == 4)
                gif.transparencyFlag = gif.transparencyFlag || (u8(b, at + 3) & 1);
            at = skipSubBlocks(b, at + 2);
        } else if (introducer == 0x2C) {
            if (at + 11 > b.size())
                return std::nullopt;
            ++gif.imageDescriptors;
            gif.imageCoversScreen = le16(b, at + 1) == 0 && le16(b, at + 3) == 0 &&
                                    le16(b, at + 5) == gif.width && le16(b, at + 7) == gif.height;
            const quint8 local = u8(b, at + 9);
            at += 10;
            if (local & 0x80)
                at += 3 * (1 << ((local & 7) + 1));
            at = skipSubBlocks(b, at + 1); // past the LZW minimum code size
        } else {
            return std::nullopt;
        }
        if (at < 0)
            return std::nullopt;
    }
    return std::nullopt;
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
    void backgroundIsBaselineJpeg();
    void gifStructure_data();
    void gifStructure();
    void iconStructure();
    void decodes_data();
    void decodes();
    void iconDecodes();
    void headingButtonsDiffer();
};

void TestArtwork::backgroundIsBaselineJpeg()
{
    const QByteArray bytes = readAsset("background.jpg");
    QVERIFY(!bytes.isEmpty());
    const auto frame = walkJpeg(bytes);
    QVERIFY2(frame, "no well-formed marker sequence up to the first scan");
    QCOMPARE(frame->frameMarkers, QList<quint8>{0xC0});
    QCOMPARE(frame->width, 797);
    QCOMPARE(frame->height, 577);
}

void TestArtwork::gifStructure_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QSize>("size");

    QTest::newRow("home tools") << "image1.gif" << QSize(122, 38);
    QTest::newRow("renderings") << "image2.gif" << QSize(122, 38);
    QTest::newRow("precise quote") << "image3.gif" << QSize(122, 38);
    QTest::newRow("instructions") << "image4.gif" << QSize(122, 38);
    QTest::newRow("submit") << "image5.gif" << QSize(117, 40);
    QTest::newRow("online badge") << "online.gif" << QSize(68, 20);
}

void TestArtwork::gifStructure()
{
    QFETCH(QString, file);
    QFETCH(QSize, size);

    const auto gif = walkGif(readAsset(file));
    QVERIFY2(gif, "block structure does not parse");
    QCOMPARE(gif->signature, QByteArray("GIF89a"));
    QCOMPARE(QSize(gif->width, gif->height), size);
    QCOMPARE(gif->imageDescriptors, 1);
    QVERIFY(gif->imageCoversScreen);
    QVERIFY(gif->transparencyFlag);
    QVERIFY(gif->trailer);
}

void TestArtwork::iconStructure()
{
    const QByteArray b = readAsset("app.ico");
    QVERIFY(b.size() > 6 + 16 * 16);
    QCOMPARE(le16(b, 0), 0);
    QCOMPARE(le16(b, 2), 1);
    QCOMPARE(le16(b, 4), 16);

    QList<QPair<int, int>> seen;
    for (int i = 0; i < 16; ++i) {
        const qsizetype e = 6 + 16 * i;
        const int width = u8(b, e) ? u8(b, e) : 256;
        const int height = u8(b, e + 1) ? u8(b, e + 1) : 256;
        const int bits = le16(b, e + 6);
        const quint32 bytes = le32(b, e + 8);
        const quint32 offset = le32(b, e + 12);
        QCOMPARE(height, width);
        QCOMPARE(le16(b, e + 4), 1); // planes
        QVERIFY(offset + bytes <= quint32(b.size()));
        seen.append({width, bits});

        // Uncompressed DIB, not an embedded PNG: older readers only understand these.
        QCOMPARE(le32(b, offset), 40u);
        QCOMPARE(qint32(le32(b, offset + 4)), width);
        QCOMPARE(qint32(le32(b, offset + 8)), 2 * height); // colour bitmap plus AND mask
        QCOMPARE(int(le16(b, offset + 14)), bits);
        QCOMPARE(le32(b, offset + 16), 0u);

        const int stride = ((width * bits + 31) / 32) * 4;
        const int maskStride = ((width + 31) / 32) * 4;
        const int palette = bits == 8 ? 256 * 4 : 0;
        QCOMPARE(bytes, quint32(40 + palette + (stride + maskStride) * height));
    }

    QList<QPair<int, int>> expected;
    for (int size : iconSizes)
        expected << QPair{size, 8} << QPair{size, 32};
    std::sort(seen.begin(), seen.end());
    QCOMPARE(seen, expected);
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
