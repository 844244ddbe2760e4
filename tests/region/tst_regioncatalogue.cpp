#include "region/regioncatalogue.h"
#include "text/gbk.h"
#include "text/runfailure.h"

#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

using namespace region;

class TestRegionCatalogue : public QObject
{
    Q_OBJECT

private slots:
    void firstLine_data();
    void firstLine();
    void readFailures_data();
    void readFailures();
    void locate();
    void entries_data();
    void entries();
    void entryLimits_data();
    void entryLimits();
    void filters_data();
    void filters();
};

static QByteArray gbk(const QString &s)
{
    return text::encodeGbk(s).value();
}

void TestRegionCatalogue::firstLine_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("line");

    QTest::newRow("CR LF ends the line") << QByteArray("a,b,\r\nc,") << "a,b,";
    QTest::newRow("lone CR ends it") << QByteArray("a,\rb,") << "a,";
    QTest::newRow("LF alone does not") << QByteArray("a,\nb,\n") << "a,\nb,\n";
    QTest::newRow("no terminator") << QByteArray("a,b") << "a,b";
    QTest::newRow("starts with CR") << QByteArray("\r\na,") << "";
    QTest::newRow("GBK names") << gbk(u"110000|北京市,110100|市辖区,"_s)
                               << u"110000|北京市,110100|市辖区,"_s;
    // A UTF-8 byte-order mark is not recognised: its bytes stay in front of the first entry.
    QTest::newRow("BOM not skipped") << QByteArray("\xEF\xBB\xBF"
                                                   "110000|P,")
                                     << u"锘\uFFFD110000|P,"_s;
    // A name cut inside a character: the byte after the lead byte is read on its own.
    QTest::newRow("cut character before a comma")
        << gbk(u"110000|北京"_s).chopped(1) + ",110100|C," << u"110000|北\uFFFD,110100|C,"_s;
}

void TestRegionCatalogue::firstLine()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, line);
    QCOMPARE(decodeFirstLine(bytes), line);
}

void TestRegionCatalogue::readFailures_data()
{
    QTest::addColumn<QString>("kind"); // what stands at city.txt
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QByteArray>("encoding");
    QTest::addColumn<int>("failure"); // 0: reads fine

    const QByteArray gbk = CatalogueEncoding;
    QTest::newRow("missing") << "none" << QByteArray() << gbk << int(RunFailure::FileNotFound);
    QTest::newRow("empty") << "file" << QByteArray() << gbk << int(RunFailure::InputPastEndOfFile);
    QTest::newRow("only a CR") << "file" << QByteArray("\r") << gbk << 0;
    QTest::newRow("one entry") << "file" << QByteArray("110000|P") << gbk << 0;
    QTest::newRow("a folder") << "folder" << QByteArray() << gbk << int(RunFailure::PathFileAccess);
    QTest::newRow("no read permission")
        << "unreadable" << QByteArray("110000|P") << gbk << int(RunFailure::PathFileAccess);
    QTest::newRow("no decoder") << "file" << QByteArray("110000|P") << QByteArray("no-such-codec")
                                << int(RunFailure::LibraryNotLoaded);
}

void TestRegionCatalogue::readFailures()
{
    QFETCH(QString, kind);
    QFETCH(QByteArray, content);
    QFETCH(QByteArray, encoding);
    QFETCH(int, failure);

    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("city.txt"));
    if (kind == u"folder") {
        QVERIFY(QDir().mkdir(path));
    } else if (kind != u"none") {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(content);
    }
    if (kind == u"unreadable") {
        QVERIFY(QFile::setPermissions(path, QFile::WriteOwner));
        if (QFile(path).open(QIODevice::ReadOnly))
            failure = 0; // permission bits do not stop root: the file is read
    }
    try {
        const QString line = readCatalogueLine(path);
        QCOMPARE(decodeFirstLine(content, encoding.constData()), line);
        QCOMPARE(failure, 0);
    } catch (const RunFailure &f) {
        QCOMPARE(f.number(), failure);
        QVERIFY(f.message().contains(QString::number(failure)));
        // The decoder failure names the decoder; the others the file.
        QVERIFY(f.message().contains(
            failure == RunFailure::LibraryNotLoaded ? QString::fromLatin1(encoding) : path));
    }
}

void TestRegionCatalogue::locate()
{
    QTemporaryDir work, program;
    const QString saved = QDir::currentPath();
    QDir::setCurrent(work.path());
    auto restore = qScopeGuard([&] { QDir::setCurrent(saved); });

    QCOMPARE(locateCatalogue(program.path()), u"city.txt"_s); // nowhere: the bare name fails later
    QFile beside(QDir(program.path()).filePath(u"city.txt"_s));
    QVERIFY(beside.open(QIODevice::WriteOnly));
    QCOMPARE(locateCatalogue(program.path()), beside.fileName());
    QFile here(u"city.txt"_s);
    QVERIFY(here.open(QIODevice::WriteOnly));
    QCOMPARE(locateCatalogue(program.path()), u"city.txt"_s); // the current directory wins
}

void TestRegionCatalogue::entries_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<QStringList>("expected");

    QTest::newRow("each followed by comma")
        << "120000|P,120100|C,120101|D," << QStringList{"120000|P", "120100|C", "120101|D"};
    QTest::newRow("last field dropped")
        << "120000|P,120100|C,120101|D" << QStringList{"120000|P", "120100|C"};
    QTest::newRow("no comma: one entry") << "120000|P" << QStringList{"120000|P"};
    QTest::newRow("only a comma") << "," << QStringList{""};
    QTest::newRow("adjacent commas") << "a,,b," << QStringList{"a", "", "b"};
    QTest::newRow("blanks kept") << " 130000|R, 130100|S," << QStringList{" 130000|R", " 130100|S"};
}

void TestRegionCatalogue::entries()
{
    QFETCH(QString, line);
    QFETCH(QStringList, expected);
    QCOMPARE(catalogueEntries(line), expected);
}

void TestRegionCatalogue::entryLimits_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<int>("failure");
    QTest::addColumn<int>("count");

    QTest::newRow("empty line") << QString() << int(RunFailure::SubscriptOutOfRange) << 0;
    QTest::newRow("32765 fields") << QString(32764, u',') << 0 << 32764;
    QTest::newRow("32766 fields") << QString(32765, u',') << int(RunFailure::Overflow) << 0;
}

void TestRegionCatalogue::entryLimits()
{
    QFETCH(QString, line);
    QFETCH(int, failure);
    QFETCH(int, count);
    try {
        QCOMPARE(catalogueEntries(line).size(), count);
        QCOMPARE(failure, 0);
    } catch (const RunFailure &f) {
        QCOMPARE(f.number(), failure);
    }
}

void TestRegionCatalogue::filters_data()
{
    QTest::addColumn<QStringList>("entries");
    QTest::addColumn<QString>("province");
    QTest::addColumn<QString>("city");
    QTest::addColumn<QStringList>("provinces");
    QTest::addColumn<QStringList>("cities");
    QTest::addColumn<QStringList>("districts");

    const QStringList small{"120000|P", "120100|C", "120101|D"};
    QTest::newRow("city listed first among its districts")
        << small << "120000|P"
        << "120100|C" << QStringList{"120000|P"} << QStringList{"120100|C"}
        << QStringList{"120100|C", "120101|D"};

    const QStringList two{"110000|A",  "110100|A1",  "110101|A1a", "120000|B",
                          "120100|B1", "120101|B1a", "120200|B2"};
    QTest::newRow("only the picked province")
        << two << "120000|B"
        << "120200|B2" << QStringList{"110000|A", "120000|B"}
        << QStringList{"120100|B1", "120200|B2"} << QStringList{"120200|B2"};
    // Province digits come from the province list, city digits from the city list.
    QTest::newRow("city of another province")
        << two << "120000|B"
        << "110100|A1" << QStringList{"110000|A", "120000|B"}
        << QStringList{"120100|B1", "120200|B2"} << QStringList{"120100|B1", "120101|B1a"};

    QTest::newRow("province by position only")
        << QStringList{"XY0000|Q", "XY0100|R"} << "XY0000|Q"
        << "XY0100|R" << QStringList{"XY0000|Q"} << QStringList{"XY0100|R"}
        << QStringList{"XY0100|R"};
    QTest::newRow("leading blank shifts positions")
        << QStringList{" 130000|R", " 130100|S", "130000|T"} << "130000|T"
        << " 130100|S" << QStringList{"130000|T"} << QStringList{} << QStringList{};
    QTest::newRow("short entries")
        << QStringList{"120000|P", "120100|C", "1201", "12010", "12", ""} << "120000|P"
        << "120100|C" << QStringList{"120000|P"} << QStringList{"120100|C"}
        << QStringList{"120100|C", "1201", "12010"};
    QTest::newRow("Chinese names")
        << QStringList{"440000|广东省", "440300|深圳市", "440305|南山区", "440400|珠海市"}
        << "440000|广东省"
        << "440300|深圳市" << QStringList{"440000|广东省"}
        << QStringList{"440300|深圳市", "440400|珠海市"}
        << QStringList{"440300|深圳市", "440305|南山区"};
}

void TestRegionCatalogue::filters()
{
    QFETCH(QStringList, entries);
    QFETCH(QString, province);
    QFETCH(QString, city);

    QTEST(provinces(entries), "provinces");
    QTEST(cities(entries, province), "cities");
    QTEST(districts(entries, province, city), "districts");
}

QTEST_GUILESS_MAIN(TestRegionCatalogue)
#include "tst_regioncatalogue.moc"
