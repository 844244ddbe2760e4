#include "buildconstants.h"
#include "shell/apptitle.h"

#include <QFile>
#include <QtEndian>
#include <QtTest>

using namespace Qt::StringLiterals;

// Reads the compiled resource script (a .res file) the way the Windows loader and the file
// manager's properties page do, and checks the icon and the version record in it.
namespace
{

constexpr int RtIcon = 3;
constexpr int RtGroupIcon = 14;
constexpr int RtVersion = 16;

// Little-endian numbers; 0 past the end, so that a damaged file fails a check, not the run.
quint16 u16(const QByteArray &data, qsizetype at)
{
    return at >= 0 && at + 2 <= data.size() ? qFromLittleEndian<quint16>(data.constData() + at) : 0;
}

quint32 u32(const QByteArray &data, qsizetype at)
{
    return at >= 0 && at + 4 <= data.size() ? qFromLittleEndian<quint32>(data.constData() + at) : 0;
}

qsizetype align4(qsizetype at)
{
    return (at + 3) & ~qsizetype(3);
}

// A zero-terminated UTF-16LE string starting at `at`; `at` moves past the terminator.
QString utf16z(const QByteArray &data, qsizetype &at)
{
    QString text;
    while (at + 2 <= data.size()) {
        const char16_t c = u16(data, at);
        at += 2;
        if (c == 0)
            break;
        text += QChar(c);
    }
    return text;
}

// A resource type or name: a number, or a string when id is -1.
struct ResourceId {
    int id = -1;
    QString name;
};

ResourceId readId(const QByteArray &data, qsizetype &at)
{
    if (u16(data, at) == 0xFFFF) {
        const int id = u16(data, at + 2);
        at += 4;
        return {id, {}};
    }
    return {-1, utf16z(data, at)};
}

struct Resource {
    ResourceId type;
    ResourceId name;
    quint16 language = 0;
    QByteArray data;
};

// A .res file is a run of entries, each a header (sizes, type, name, language) and its data,
// both padded to four bytes. It opens with an empty entry, which is skipped.
QList<Resource> readResources(const QByteArray &file)
{
    QList<Resource> resources;
    qsizetype at = 0;
    while (at + 8 <= file.size()) {
        const quint32 dataSize = u32(file, at);
        const quint32 headerSize = u32(file, at + 4);
        if (headerSize < 8 || quint64(at) + headerSize + dataSize > quint64(file.size()))
            break;
        qsizetype field = at + 8;
        Resource r;
        r.type = readId(file, field);
        r.name = readId(file, field);
        field = align4(field);
        r.language = u16(file, field + 6); // after DataVersion and MemoryFlags
        r.data = file.mid(at + headerSize, dataSize);
        if (dataSize > 0)
            resources.append(r);
        at = align4(at + headerSize + dataSize);
    }
    return resources;
}

// One block of a version record: its key, its value (text blocks hold UTF-16) and children.
struct VersionBlock {
    QString key;
    bool isText = false;
    QByteArray value;
    QList<VersionBlock> children;

    const VersionBlock *child(const QString &childKey) const
    {
        for (const VersionBlock &c : children) {
            if (c.key == childKey)
                return &c;
        }
        return nullptr;
    }
    QString text() const
    {
        QString s = QString::fromUtf16(reinterpret_cast<const char16_t *>(value.constData()),
                                       value.size() / 2);
        while (s.endsWith(QChar(0)))
            s.chop(1);
        return s;
    }
};

VersionBlock readVersionBlock(const QByteArray &data, qsizetype at)
{
    const qsizetype end = qMin(at + u16(data, at), data.size());
    const quint16 valueLength = u16(data, at + 2);
    VersionBlock block;
    block.isText = u16(data, at + 4) == 1;
    qsizetype p = at + 6;
    block.key = utf16z(data, p);
    p = align4(p);
    // A text value's length counts UTF-16 units, a binary one's bytes.
    const qsizetype valueBytes = block.isText ? 2 * qsizetype(valueLength) : valueLength;
    block.value = data.mid(p, valueBytes);
    p = align4(p + valueBytes);
    while (p + 6 <= end) {
        const quint16 length = u16(data, p);
        if (length == 0)
            break;
        block.children.append(readVersionBlock(data, p));
        p = align4(p + length);
    }
    return block;
}

} // namespace

class TestWinResource : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void iconGroupCarriesEveryImageOfTheAppIcon();
    void fixedVersion_data();
    void fixedVersion();
    void languageIsChinesePrc();
    void strings_data();
    void strings();

private:
    QList<Resource> resources;
    VersionBlock version;

    QList<const Resource *> ofType(int type) const
    {
        QList<const Resource *> found;
        for (const Resource &r : resources) {
            if (r.type.id == type)
                found.append(&r);
        }
        return found;
    }
    const VersionBlock *stringTable() const
    {
        const VersionBlock *info = version.child(QStringLiteral("StringFileInfo"));
        return info && !info->children.isEmpty() ? &info->children.first() : nullptr;
    }
};

void TestWinResource::initTestCase()
{
    QFile file(QStringLiteral(RES_FILE));
    QVERIFY2(file.open(QIODevice::ReadOnly), qPrintable(file.errorString()));
    resources = readResources(file.readAll());
    const QList<const Resource *> records = ofType(RtVersion);
    QCOMPARE(records.size(), 1);
    QCOMPARE(records.first()->name.id, 1);
    version = readVersionBlock(records.first()->data, 0);
    QCOMPARE(version.key, QStringLiteral("VS_VERSION_INFO"));
}

void TestWinResource::iconGroupCarriesEveryImageOfTheAppIcon()
{
    QFile file(QStringLiteral(APP_ICON));
    QVERIFY2(file.open(QIODevice::ReadOnly), qPrintable(file.errorString()));
    const QByteArray ico = file.readAll();
    const int count = u16(ico, 4);
    QCOMPARE(count, 16);

    const QList<const Resource *> groups = ofType(RtGroupIcon);
    QCOMPARE(groups.size(), 1);
    QCOMPARE(groups.first()->name.name, QStringLiteral("IDI_ICON1"));
    const QByteArray &group = groups.first()->data;
    QCOMPARE(int(u16(group, 4)), count);

    QHash<int, QByteArray> images;
    for (const Resource *r : ofType(RtIcon))
        images.insert(r->name.id, r->data);
    QCOMPARE(images.size(), count);

    // The group repeats each file entry's first 12 bytes (size, colours, planes, bits, length)
    // and names the icon resource that holds the image's bytes.
    for (int i = 0; i < count; ++i) {
        const qsizetype fileEntry = 6 + 16 * i;
        const qsizetype groupEntry = 6 + 14 * i;
        QCOMPARE(group.mid(groupEntry, 12), ico.mid(fileEntry, 12));
        const QByteArray image = ico.mid(u32(ico, fileEntry + 12), u32(ico, fileEntry + 8));
        QCOMPARE(images.value(u16(group, groupEntry + 12)), image);
    }
}

void TestWinResource::fixedVersion_data()
{
    QTest::addColumn<int>("offset");
    QTest::addColumn<quint32>("expected");

    QTest::newRow("signature") << 0 << 0xFEEF04BDu;
    QTest::newRow("file version 1.0") << 8 << 0x00010000u;
    QTest::newRow("file version .0.1") << 12 << 0x00000001u;
    QTest::newRow("product version 1.0") << 16 << 0x00010000u;
    QTest::newRow("product version .0.1") << 20 << 0x00000001u;
    QTest::newRow("flags: a release build") << 28 << 0u;
    QTest::newRow("os: 32-bit Windows") << 32 << 0x00040004u;
    QTest::newRow("type: application") << 36 << 1u;
}

void TestWinResource::fixedVersion()
{
    QFETCH(int, offset);
    QFETCH(quint32, expected);
    QCOMPARE(version.value.size(), 52);
    QCOMPARE(u32(version.value, offset), expected);
}

void TestWinResource::languageIsChinesePrc()
{
    QCOMPARE(ofType(RtVersion).first()->language, quint16(0x0804));

    const VersionBlock *info = version.child(QStringLiteral("StringFileInfo"));
    QVERIFY(info);
    QCOMPARE(info->children.size(), 1);
    QCOMPARE(info->children.first().key, QStringLiteral("080404B0"));

    const VersionBlock *vars = version.child(QStringLiteral("VarFileInfo"));
    QVERIFY(vars);
    const VersionBlock *translation = vars->child(QStringLiteral("Translation"));
    QVERIFY(translation);
    QCOMPARE(translation->value.size(), 4);
    QCOMPARE(u16(translation->value, 0), quint16(0x0804));
    QCOMPARE(u16(translation->value, 2), quint16(1200));
}

void TestWinResource::strings_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("expected"); // empty: any text, as long as there is one

    QTest::newRow("description") << "FileDescription" << u"技术支持QQ："_s + SupportAccount;
    QTest::newRow("file version") << "FileVersion"
                                  << "1.00.0001";
    QTest::newRow("product version") << "ProductVersion"
                                     << "1.00.0001";
    QTest::newRow("product name") << "ProductName" << applicationTitle();
    QTest::newRow("original file name") << "OriginalFilename"
                                        << "zxquote.exe";
    QTest::newRow("internal name") << "InternalName" << QString();
    QTest::newRow("company") << "CompanyName" << QString();
    QTest::newRow("copyright") << "LegalCopyright" << QString();
    QTest::newRow("trademarks") << "LegalTrademarks" << QString();
}

void TestWinResource::strings()
{
    QFETCH(QString, key);
    QFETCH(QString, expected);
    const VersionBlock *table = stringTable();
    QVERIFY(table);
    const VersionBlock *value = table->child(key);
    QVERIFY2(value, qPrintable(key + QStringLiteral(" missing")));
    QVERIFY(value->isText);
    if (expected.isEmpty())
        QVERIFY(!value->text().trimmed().isEmpty());
    else
        QCOMPARE(value->text(), expected);
}

QTEST_APPLESS_MAIN(TestWinResource)
#include "tst_winresource.moc"
