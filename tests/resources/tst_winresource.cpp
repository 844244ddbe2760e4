#include "buildconstants.h"
#include "shell/apptitle.h"

#include <QProcess>
#include <QRegularExpression>
#include <QXmlStreamReader>
#include <QtTest>

using namespace Qt::StringLiterals;

// Checks the compiled resource script (a .res file) through the resource compiler's own reading
// of it: windres writes it back out as resource-script text, with the icon group and the version
// record that the file manager's properties page shows.
namespace
{

// What the program printed; a null string when it could not be started.
QString output(const QString &program, const QStringList &arguments)
{
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForStarted())
        return {};
    process.waitForFinished(30000);
    return QString::fromUtf8(process.readAllStandardOutput() + process.readAllStandardError());
}

// A string as windres writes it, "text" or L"text", with \xHHHH for UTF-16 units.
QString unquoted(QString literal)
{
    if (literal.startsWith(u'L'))
        literal = literal.sliced(1);
    if (literal.size() < 2 || !literal.startsWith(u'"') || !literal.endsWith(u'"'))
        return {};
    literal = literal.sliced(1, literal.size() - 2);
    static const QRegularExpression escape(u"\\\\(?:x([0-9a-fA-F]{4})|(.))"_s);
    QString text;
    qsizetype at = 0;
    for (const QRegularExpressionMatch &m : escape.globalMatch(literal)) {
        text += literal.sliced(at, m.capturedStart() - at);
        text += m.hasCaptured(1) ? QChar(m.captured(1).toUShort(nullptr, 16)) : m.captured(2).at(0);
        at = m.capturedEnd();
    }
    return text += literal.sliced(at);
}

} // namespace

class TestWinResource : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void statements_data();
    void statements();
    void everyResourceIsChinesePrc();
    void iconGroupHoldsEveryImageOfTheAppIcon();
    void strings_data();
    void strings();
    void manifest_data();
    void manifest();

private:
    QStringList lines; // of the resource-script text, trimmed
};

void TestWinResource::initTestCase()
{
#ifndef WINDRES
    QSKIP("missing tool: x86_64-w64-mingw32-windres (Debian: binutils-mingw-w64-x86-64)");
#else
    const QString text =
        output(QStringLiteral(WINDRES),
               {u"--input-format=res"_s, u"--output-format=rc"_s, QStringLiteral(RES_FILE)});
    lines = text.split(u'\n');
    for (QString &line : lines)
        line = line.trimmed();
    QVERIFY2(lines.contains(u"1 VERSIONINFO"_s), qPrintable(text.left(2000)));
#endif
}

void TestWinResource::statements_data()
{
    QTest::addColumn<QString>("statement");

    QTest::newRow("file version") << u"FILEVERSION 1, 0, 0, 1"_s;
    QTest::newRow("product version") << u"PRODUCTVERSION 1, 0, 0, 1"_s;
    QTest::newRow("os: 32-bit Windows") << u"FILEOS 0x40004"_s;
    QTest::newRow("type: application") << u"FILETYPE 0x1"_s;
    QTest::newRow("strings: Chinese (PRC), Unicode") << u"BLOCK \"080404B0\""_s;
    QTest::newRow("translation") << u"VALUE \"Translation\", 0x804, 1200"_s;
    QTest::newRow("icon group") << u"\"IDI_ICON1\" 14 /* RT_GROUP_ICON */ MOVEABLE DISCARDABLE"_s;
    // The one Windows reads when it starts the program.
    QTest::newRow("manifest") << u"1 24 /* RT_MANIFEST */ MOVEABLE PURE DISCARDABLE"_s;
}

void TestWinResource::statements()
{
    QFETCH(QString, statement);
    QVERIFY2(lines.contains(statement), qPrintable(statement));
    // windres leaves FILEFLAGS out when it is 0, as in a release build.
    for (const QString &line : std::as_const(lines))
        QVERIFY2(!line.startsWith(u"FILEFLAGS "), qPrintable(line));
    // One string table only, the one for the translation above.
    static const QRegularExpression table(u"^BLOCK \"[0-9A-Fa-f]{8}\"$"_s);
    QCOMPARE(lines.filter(table), QStringList{u"BLOCK \"080404B0\""_s});
}

void TestWinResource::everyResourceIsChinesePrc()
{
    const QStringList languages = lines.filter(QRegularExpression(u"^LANGUAGE "_s));
    QVERIFY(!languages.isEmpty());
    for (const QString &language : languages)
        QCOMPARE(language, u"LANGUAGE 4, 2"_s); // LANG_CHINESE, SUBLANG_CHINESE_SIMPLIFIED
}

void TestWinResource::iconGroupHoldsEveryImageOfTheAppIcon()
{
    const QString listing = output(u"icotool"_s, {u"--list"_s, QStringLiteral(APP_ICON)});
    if (listing.isNull())
        QSKIP("missing tool: icotool (Debian: icoutils)");
    // "--icon --index=1 --width=16 --height=16 --bit-depth=8 --palette-size=256"
    static const QRegularExpression file(u"--width=(\\d+) --height=(\\d+) --bit-depth=(\\d+)"_s);
    QStringList inFile;
    for (const QRegularExpressionMatch &m : file.globalMatch(listing))
        inFile.append(m.captured(1) + u'x' + m.captured(2) + u' ' + m.captured(3));
    QCOMPARE(inFile.size(), 16);

    // "\020\020\000\000", 1, 8, 0x568L, 1,	/* Element no 1.  */  (sizes in octal)
    static const QRegularExpression element(
        u"^\"\\\\(\\d{3})\\\\(\\d{3})\\\\000\\\\000\", 1, (\\d+), 0x[0-9a-fA-F]+L, (\\d+)"_s);
    static const QRegularExpression icon(u"^(\\d+) 3 /\\* RT_ICON \\*/"_s);
    QStringList inGroup, named, icons;
    for (const QString &line : std::as_const(lines)) {
        if (const QRegularExpressionMatch m = element.match(line); m.hasMatch()) {
            inGroup.append(u"%1x%2 %3"_s.arg(m.captured(1).toInt(nullptr, 8))
                               .arg(m.captured(2).toInt(nullptr, 8))
                               .arg(m.captured(3)));
            named.append(m.captured(4));
        } else if (const QRegularExpressionMatch m = icon.match(line); m.hasMatch()) {
            icons.append(m.captured(1));
        }
    }
    QCOMPARE(inGroup, inFile);
    // Each image of the group is an icon resource of its own.
    QCOMPARE(named, icons);
    QCOMPARE(lines.filter(u"Has 16 elements"_s).size(), 1);
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
    const QString start = u"VALUE \"%1\", "_s.arg(key);
    const QStringList values =
        lines.filter(QRegularExpression(u"^"_s + QRegularExpression::escape(start)));
    QCOMPARE(values.size(), 1);
    const QString value = unquoted(values.first().sliced(start.size()));
    if (expected.isEmpty())
        QVERIFY2(!value.trimmed().isEmpty(), qPrintable(values.first()));
    else
        QCOMPARE(value, expected);
}

void TestWinResource::manifest_data()
{
    QTest::addColumn<QString>("element");
    QTest::addColumn<QString>("attribute"); // empty: the element's text
    QTest::addColumn<QString>("expected");

    QTest::newRow("runs as the user who starts it")
        << "requestedExecutionLevel" << "level" << "asInvoker";
    QTest::newRow("Windows 10 and 11")
        << "supportedOS" << "Id" << "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}";
    QTest::newRow("per-monitor DPI, version 2") << "dpiAwareness" << QString() << "PerMonitorV2";
    QTest::newRow("per-monitor DPI before Windows 10 1607") << "dpiAware" << QString() << "true/pm";
}

void TestWinResource::manifest()
{
    QFETCH(QString, element);
    QFETCH(QString, attribute);
    QFETCH(QString, expected);
    // The resource's text as windres writes it: one "line\n" string a line, quotes doubled.
    QString xml;
    const qsizetype start = lines.indexOf(u"1 24 /* RT_MANIFEST */ MOVEABLE PURE DISCARDABLE"_s);
    QVERIFY(start >= 0);
    for (qsizetype i = start + 2; i < lines.size() && lines.at(i) != u"END"_s; ++i) {
        QString line = lines.at(i).sliced(1, lines.at(i).size() - 2);
        xml += line.replace(u"\"\""_s, u"\""_s).replace(u"\\n"_s, u"\n"_s);
    }
    QStringList found;
    QXmlStreamReader reader(xml);
    while (!reader.atEnd()) {
        if (reader.readNext() == QXmlStreamReader::StartElement && reader.name() == element)
            found << (attribute.isEmpty() ? reader.readElementText()
                                          : reader.attributes().value(attribute).toString());
    }
    QVERIFY2(!reader.hasError(), qPrintable(reader.errorString()));
    QCOMPARE(found, QStringList{expected});
}

QTEST_GUILESS_MAIN(TestWinResource)
#include "tst_winresource.moc"
