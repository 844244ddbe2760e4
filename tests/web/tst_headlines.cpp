#include "text/gbk.h"
#include "web/headlines.h"

#include <QElapsedTimer>
#include <QRandomGenerator>
#include <QStringEncoder>
#include <QTemporaryFile>
#include <QTest>
#include <unistd.h>

using namespace web;
using namespace Qt::StringLiterals;

namespace
{

QByteArray gbk(QStringView text)
{
    return text::encodeGbk(text).value();
}

QByteArray utf16(QStringView text, bool bigEndian)
{
    QStringEncoder encoder(bigEndian ? QStringEncoder::Utf16BE : QStringEncoder::Utf16LE);
    return encoder(text);
}

QStringList flat(const QList<Headline> &headlines)
{
    QStringList out;
    for (const Headline &h : headlines)
        out.append(h.caption + u'|' + h.target);
    return out;
}

QString input(int k, const QString &value)
{
    return u"<input name=\"news%1\" value=\"%2\" mysrc=\"/n/%1.html\">"_s.arg(k).arg(value);
}

QString taken(int k, const QString &value)
{
    return u"%2|/n/%1.html"_s.arg(k).arg(value);
}

QByteArray randomBytes(qsizetype size, quint32 seed, QByteArrayView alphabet = {})
{
    QRandomGenerator random(seed);
    QByteArray out(size, Qt::Uninitialized);
    for (char &c : out) {
        const quint32 r = random.generate();
        c = alphabet.isEmpty() ? char(r & 0xFF) : alphabet[r % alphabet.size()];
    }
    return out;
}

// An ordinary portal page: a long unminified script in the head, whose comparisons look like
// start tags with countless attributes to a reader that ignores what a script is.
QString longScriptPage()
{
    QString page = u"<html><head><meta charset=\"gbk\"><title>装修资讯</title>\n"
                   u"<script type=\"text/javascript\">\n"_s;
    for (int i = 0; page.size() < 100'000; ++i)
        page += u"function order%1(a, b) {\n    if (a<b) {\n        return b - a; // 升序\n"
                u"    }\n    return a - b;\n}\n"_s.arg(i);
    page += u"</script></head><body>\n"_s;
    for (int k = 1; k <= MaxHeadlines; ++k)
        page += input(k, QString::number(k));
    return page + u"</body></html>"_s;
}

// How long harvesting an ordinary page of MaxPageBytes takes here: markup with attributes,
// references and Chinese text (the fastest of three runs).
qint64 ordinaryPageNanoseconds()
{
    static const qint64 nanoseconds = [] {
        QString page;
        for (int n = 0; page.size() < MaxPageBytes; ++n)
            page += u"<li class=\"item\"><a href=\"/a/%1.html?x=1&amp;y=2\" title='客厅'>"
                    u"第%1期：客厅吊顶&nbsp;<span>2024</span></a></li>\n"_s.arg(n);
        const QByteArray bytes = gbk(page).first(MaxPageBytes);
        qint64 fastest = std::numeric_limits<qint64>::max();
        for (int run = 0; run < 3; ++run) {
            QElapsedTimer timer;
            timer.start();
            harvestHeadlines(bytes, "");
            fastest = std::min(fastest, timer.nsecsElapsed());
        }
        return fastest;
    }();
    return nanoseconds;
}

// The page arriving a few bytes at a time, as a slow network hands it over.
QList<Headline> harvestInPieces(QByteArrayView bytes, QByteArrayView contentType)
{
    HeadlineHarvest harvest(contentType);
    for (qsizetype at = 0; at < bytes.size(); at += 7)
        harvest.feed(bytes.sliced(at, qMin<qsizetype>(7, bytes.size() - at)));
    harvest.finish();
    return harvest.headlines();
}

} // namespace

class TestHeadlines : public QObject
{
    Q_OBJECT
private slots:
    void headlineRules_data();
    void headlineRules();
    void bytesAsReceived_data();
    void bytesAsReceived();
    void hostilePages_data();
    void hostilePages();
    void nothingOnStderr();
};

void TestHeadlines::headlineRules_data()
{
    QTest::addColumn<QString>("page");
    QTest::addColumn<QStringList>("expected");

    const QString stop = u"<input value=\"已结束\">"_s;

    QTest::newRow("three, then the terminator")
        << input(1, u"甲"_s) + input(2, u"乙"_s) + input(3, u"丙"_s) + stop + input(4, u"丁"_s)
        << QStringList{taken(1, u"甲"_s), taken(2, u"乙"_s), taken(3, u"丙"_s)};
    QTest::newRow("terminator first") << stop + input(1, u"甲"_s) << QStringList();
    QTest::newRow("terminator with a trailing blank does not stop")
        << input(1, u"甲"_s) + u"<input value=\"已结束 \">"_s + input(2, u"乙"_s)
        << QStringList{taken(1, u"甲"_s), taken(2, u"乙"_s)};
    QTest::newRow("terminator is exact")
        << input(1, u"甲"_s) + u"<input value=\"已結束\">"_s + input(2, u"乙"_s)
        << QStringList{taken(1, u"甲"_s), taken(2, u"乙"_s)};
    QTest::newRow("terminator written as character references")
        << input(1, u"甲"_s) + u"<input value=\"&#24050;&#x7ED3;束\">"_s + input(2, u"乙"_s)
        << QStringList{taken(1, u"甲"_s)};
    QTest::newRow("terminator on a headline: taken, then stop")
        << input(1, u"甲"_s) + input(2, u"已结束"_s) + input(3, u"丙"_s)
        << QStringList{taken(1, u"甲"_s), taken(2, u"已结束"_s)};
    QTest::newRow("terminator on another element does not stop")
        << input(1, u"甲"_s) + u"<div value=\"已结束\"></div>"_s + input(2, u"乙"_s)
        << QStringList{taken(1, u"甲"_s), taken(2, u"乙"_s)};
    QTest::newRow("name compared in lower case")
        << u"<input name=NEWS1 value=a mysrc=x><input name=nEwS2 value=b mysrc=y>"_s
        << QStringList{u"a|x"_s, u"b|y"_s};
    QTest::newRow("leading zero or blanks in the name")
        << u"<input name=news01 value=a><input name=\" news1\" value=b><input name=news1 value=c>"_s
        << QStringList{u"c|"_s};
    QTest::newRow("other elements named news1 ignored")
        << u"<div name=news1 value=a mysrc=x></div><button name=news1 value=b></button>"
           u"<select name=news1></select><input name=news1 value=c mysrc=z>"_s
        << QStringList{u"c|z"_s};
    QTest::newRow("type not looked at")
        << u"<input type=hidden name=news1 value=a><input type=submit name=news2 value=b>"
           u"<input type=checkbox name=news3 value=c>"_s
        << QStringList{u"a|"_s, u"b|"_s, u"c|"_s};
    QTest::newRow("upper-case markup")
        << u"<INPUT NAME=news1 VALUE=a MYSRC=x><Input Name=news2 Value=b MySrc=y>"_s
        << QStringList{u"a|x"_s, u"b|y"_s};
    QTest::newRow("no terminator: whole page")
        << u"<html><body>"_s + input(1, u"甲"_s) + u"<table><tr><td><form><p>"_s +
               input(2, u"乙"_s) + u"</p></form></td></tr></table><div>"_s.repeated(50) +
               input(3, u"丙"_s)
        << QStringList{taken(1, u"甲"_s), taken(2, u"乙"_s), taken(3, u"丙"_s)};
    QTest::newRow("empty document") << QString() << QStringList();
    QTest::newRow("text only") << u"没有新闻"_s << QStringList();
    QTest::newRow("out of order") << input(2, u"x"_s) + input(1, u"甲"_s) + input(1, u"y"_s) +
                                         input(2, u"乙"_s)
                                  << QStringList{taken(1, u"甲"_s), taken(2, u"乙"_s)};
    QTest::newRow("no mysrc: empty target")
        << u"<input name=news1 value=a><input name=news2 value=b mysrc=\"\">"_s
        << QStringList{u"a|"_s, u"b|"_s};
    QTest::newRow("no value: empty caption")
        << u"<input name=news1 mysrc=x><input name=news2 value mysrc=y>"_s
        << QStringList{u"|x"_s, u"|y"_s};
    QTest::newRow("first of a repeated attribute")
        << u"<input name=news1 name=news2 value=a value=b mysrc=x mysrc=y>"_s
        << QStringList{u"a|x"_s};
    QTest::newRow("entities decoded")
        << u"<input name=news1 value=\"A&amp;B &lt;i&gt; &#x4E2D;&#25991;&nbsp;&quot;\" "
           u"mysrc=\"/a?x=1&amp;y=2\">"_s
        << QStringList{u"A&B <i> 中文\u00A0\"|/a?x=1&y=2"_s};
    QTest::newRow("caption kept as is")
        << u"<input name=news1 value='  <b>粗体</b>  ' mysrc=' /a b '>"_s
        << QStringList{u"  <b>粗体</b>  | /a b "_s};
    QTest::newRow("self-closing") << u"<input name=news1 value=a mysrc=x />"_s
                                  << QStringList{u"a|x"_s};
    QTest::newRow("script and comment text are not elements")
        << u"<script>document.write('<input name=news1 value=s>');</script>"
           u"<!-- <input name=news1 value=c> --><input name=news1 value=a>"_s
        << QStringList{u"a|"_s};
    QTest::newRow("quotes inside unquoted values before the headlines")
        << u"<img src=a.gif alt=it's><p title=x\"y>"_s + input(1, u"甲"_s) + input(2, u"乙"_s)
        << QStringList{taken(1, u"甲"_s), taken(2, u"乙"_s)};
    QTest::newRow("title and textarea text are not elements")
        << u"<title>新闻 <input name=news1 value=t></title><TEXTAREA><input name=news1 value=x>"
           u"</textarea ><input name=news1 value=a>"_s
        << QStringList{u"a|"_s};
    QTest::newRow("short comments end at once")
        << u"<!-->"_s + input(1, u"甲"_s) + u"<!--->"_s + input(2, u"乙"_s)
        << QStringList{taken(1, u"甲"_s), taken(2, u"乙"_s)};
    QTest::newRow("comment ended by --!>, nested <!-- only an error")
        << u"<!-- <!-- <input name=news1 value=c> --!>"_s + input(1, u"甲"_s)
        << QStringList{taken(1, u"甲"_s)};
    QTest::newRow("legacy reference without semicolon")
        << u"<input name=news1 value=\"A&copy\" mysrc=\"/a?x=1&copy=2&not\">"_s
        << QStringList{u"A\u00A9|/a?x=1&copy=2\u00AC"_s};
    QTest::newRow("inline script with </ in its strings and escapes")
        << u"<script>if (a</b) s = '</div>' + '<!--<script>x</script>'; </script>"_s +
               input(1, u"甲"_s) + u"<script><!-- '<script>' </script> <input name=news2 value=s>"
                                   u" --></script>"_s + input(2, u"乙"_s)
        << QStringList{taken(1, u"甲"_s), taken(2, u"乙"_s)};
    QString eleven;
    QStringList ten;
    for (int k = 1; k <= 11; ++k) {
        eleven += input(k, QString::number(k));
        if (k <= MaxHeadlines)
            ten += taken(k, QString::number(k));
    }
    QTest::newRow("news11 not taken") << eleven << ten;
    QTest::newRow("100 KB page with a long inline script before the headlines")
        << longScriptPage() << ten;
}

void TestHeadlines::headlineRules()
{
    QFETCH(QString, page);
    QFETCH(QStringList, expected);
    const QByteArray bytes = gbk(page);
    QCOMPARE(flat(harvestHeadlines(bytes, "")), expected);
    // With the charset known from the header, every piece reaches the parser as it arrives.
    QCOMPARE(flat(harvestInPieces(bytes, "text/html; charset=gbk")), expected);
    // Wherever the network cuts a short page.
    for (qsizetype cut = 1; cut < bytes.size() && bytes.size() < 1000; ++cut) {
        HeadlineHarvest harvest("text/html; charset=gbk");
        harvest.feed(QByteArrayView(bytes).first(cut));
        harvest.feed(QByteArrayView(bytes).sliced(cut));
        harvest.finish();
        QVERIFY2(flat(harvest.headlines()) == expected, qPrintable(u"cut at byte %1"_s.arg(cut)));
    }
}

void TestHeadlines::bytesAsReceived_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QByteArray>("contentType");
    QTest::addColumn<QStringList>("expected");

    const QByteArray one = gbk(input(1, u"甲"_s));
    const QByteArray two = gbk(input(2, u"乙"_s));
    const QStringList first{taken(1, u"甲"_s)};
    const QStringList both{taken(1, u"甲"_s), taken(2, u"乙"_s)};

    QTest::newRow("cut inside a start tag") << one + two.chopped(1) << ""_ba << first;
    QTest::newRow("cut inside a quoted value") << one + two.first(20) << ""_ba << first;
    QTest::newRow("cut inside an unquoted value") << one + "<input name=news2 value=ab"
                                                  << ""_ba << first;
    QTest::newRow("cut in a character after a tag")
        << one + two + gbk(u"中文").chopped(1) << ""_ba << both;
    QTest::newRow("tag complete at the last byte") << one + two << ""_ba << both;
    QTest::newRow("UTF-8 by header") << (input(1, u"甲"_s) + input(2, u"乙"_s)).toUtf8()
                                     << "text/html; charset=UTF-8"_ba << both;
    QTest::newRow("UTF-8 by meta")
        << "<head><meta charset=utf-8></head>"_ba + (input(1, u"甲"_s) + input(2, u"乙"_s)).toUtf8()
        << ""_ba << both;
    QTest::newRow("UTF-16 by BOM")
        << "\xFF\xFE"_ba + utf16(input(1, u"甲"_s) + input(2, u"乙"_s), false) << ""_ba << both;
    QTest::newRow("meta cannot switch the decoded text")
        << "<meta charset=iso-8859-1>"_ba + one + two << "text/html; charset=gbk"_ba << both;
    QTest::newRow("unknown header charset: meta")
        << "<meta charset=utf-8>"_ba + (input(1, u"甲"_s) + input(2, u"乙"_s)).toUtf8()
        << "text/html; charset=x-nonsense"_ba << both;
    QTest::newRow("BOM beats meta")
        << "\xEF\xBB\xBF<meta charset=gbk>"_ba + (input(1, u"甲"_s) + input(2, u"乙"_s)).toUtf8()
        << ""_ba << both;
    QTest::newRow("unknown meta charset: GBK")
        << "<meta charset=nonsense>"_ba + one + two << ""_ba << both;
    QTest::newRow("meta past the first 1024 bytes: GBK")
        << QByteArray(MetaPrescanBytes, ' ') + "<meta charset=utf-8>" + one + two << ""_ba << both;
    // GB2312 is read as GBK, which has characters GB2312 lacks (麼).
    const QByteArray gbkOnly = gbk(input(1, u"麼"_s));
    QTest::newRow("gb2312 header read as GBK")
        << gbkOnly << "text/html; charset=gb2312"_ba << QStringList{taken(1, u"麼"_s)};
    QTest::newRow("gb2312 meta read as GBK")
        << "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=gb2312\">"_ba + gbkOnly
        << ""_ba << QStringList{taken(1, u"麼"_s)};
    // Fed in pieces, the first piece ends in the malformed byte.
    QTest::newRow("malformed UTF-8 before a tag")
        << "<b>xyz\xE4<input name=news1 value=a>"_ba
        << "text/html; charset=utf-8"_ba << QStringList{u"a|"_s};
    // A title cut inside a character keeps the quote that follows it.
    QTest::newRow("character cut before a closing quote")
        << "<input name=news1 value=\""_ba + gbk(u"中文").chopped(1) + "\" mysrc=x>" + two << ""_ba
        << QStringList{u"中\uFFFD|x"_s, taken(2, u"乙"_s)};
    QTest::newRow("NUL bytes do not end the page")
        << one + QByteArray("\0\0\x01\x1F\xFF", 5) + two << ""_ba << both;
    QTest::newRow("NUL inside a value") << "<input name=news1 value=\"a\0b\">"_ba
                                        << ""_ba << QStringList{u"a\uFFFDb|"_s};
    QTest::newRow("headline just within MaxPageBytes")
        << QByteArray(MaxPageBytes - one.size(), ' ') + one << ""_ba << first;
    QTest::newRow("headline beyond MaxPageBytes")
        << QByteArray(MaxPageBytes - one.size() + 1, ' ') + one << ""_ba << QStringList();
}

void TestHeadlines::bytesAsReceived()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QByteArray, contentType);
    QFETCH(QStringList, expected);
    QCOMPARE(flat(harvestHeadlines(bytes, contentType)), expected);
    QCOMPARE(flat(harvestInPieces(bytes, contentType)), expected);
}

// Each page starts with a headline and must give at least that one back, promptly.
void TestHeadlines::hostilePages_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QStringList>("expected");

    const QByteArray one = gbk(input(1, u"甲"_s));
    const QByteArray two = gbk(input(2, u"乙"_s));
    const QStringList first{taken(1, u"甲"_s)};
    const QStringList both{taken(1, u"甲"_s), taken(2, u"乙"_s)};

    QTest::newRow("50000 nested divs") << one + QByteArray("<div>").repeated(50000) + two << both;
    QTest::newRow("100000 nested divs, past the byte limit")
        << one + QByteArray("<div>").repeated(100000) + two << first;
    QTest::newRow("100000 nested tables")
        << one + QByteArray("<table><tr><td>").repeated(100000) << first;
    QTest::newRow("deep nesting, then unmatched end tags")
        << one + QByteArray("<span>").repeated(100000) + QByteArray("</b>").repeated(100000)
        << first;
    QByteArray manyAttributes = "<input";
    for (int i = 0; i < 100000; ++i)
        manyAttributes += " a" + QByteArray::number(i);
    QTest::newRow("100000 attributes") << one + manyAttributes + ">" + two << first;
    QTest::newRow("20 MB of markup-like junk")
        << one + randomBytes(20'000'000, 1, "<<>/!-='\" abcdinput&#;\n") << first;
    QTest::newRow("binary bytes with NULs") << one + randomBytes(2'000'000, 2) << first;
    QTest::newRow("NUL bytes only") << one + QByteArray(3'000'000, '\0') + two << first;
    QTest::newRow("unterminated tags")
        << one + QByteArray("<div <p <input ").repeated(50000) << first;
    QTest::newRow("unterminated comment") << one + "<!--" + QByteArray(2'000'000, '-') << first;
    QTest::newRow("unterminated quote")
        << one + "<input value=\"" + QByteArray(2'000'000, 'x') << first;
    QTest::newRow("unterminated script")
        << one + "<script>" + QByteArray("if (a<b) { c = '</div>'; }\n").repeated(50000) << first;
    QTest::newRow("10 MB attribute value")
        << one + "<input name=news2 value=\"" + QByteArray(10'000'000, 'v') + "\">" << first;
    QTest::newRow("entity flood") << one + QByteArray("&amp;&zz;&#99999999;").repeated(100000)
                                  << first;
}

// Promptly: within twenty times what an ordinary page of MaxPageBytes takes, with room for a
// busy machine. Work that grows with the square of the 256 KiB read takes thousands of times as
// long (a tag's attributes each compared with all earlier ones: 40 s against a bound of 0.6 s).
void TestHeadlines::hostilePages()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QStringList, expected);
    const qint64 bound = 20 * ordinaryPageNanoseconds() + 50'000'000;
    QElapsedTimer timer;
    timer.start();
    const QStringList headlines = flat(harvestHeadlines(bytes, ""));
    const qint64 took = timer.nsecsElapsed();
    QVERIFY(headlines.size() <= MaxHeadlines);
    QCOMPARE(headlines.mid(0, expected.size()), expected);
    QVERIFY2(took <= bound, qPrintable(u"%1 ms, bound %2 ms"_s.arg(took / 1e6).arg(bound / 1e6)));
}

// The parser's complaints about a broken page must not reach the terminal.
void TestHeadlines::nothingOnStderr()
{
    QTemporaryFile capture;
    QVERIFY(capture.open());
    fflush(stderr);
    const int saved = dup(STDERR_FILENO);
    QVERIFY(saved >= 0);
    dup2(capture.handle(), STDERR_FILENO);
    const QList<Headline> headlines = harvestHeadlines(
        "<html><body></b><input name=news1 value=\"a&zz;b<\"\x01 \x80\xFF</p><!-- x"_ba, "");
    fflush(stderr);
    dup2(saved, STDERR_FILENO);
    close(saved);
    QCOMPARE(headlines.size(), 1);
    QCOMPARE(capture.readAll(), QByteArray());
}

QTEST_GUILESS_MAIN(TestHeadlines)
#include "tst_headlines.moc"
