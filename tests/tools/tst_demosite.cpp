#include "tools/demosite/pages.h"
#include "tools/demosite/querycheck.h"

#include <QNetworkAccessManager>
#include <QNetworkProxy>
#include <QNetworkReply>
#include <QProcess>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QStringDecoder>
#include <QTest>
#include <memory>

using namespace demosite;
using namespace Qt::StringLiterals;

namespace
{

// The worked example as the program puts it on the wire: GBK escaped, "|" left raw.
const QByteArray ExampleQuery =
    "bom1=3&bom2=1&bom3=1&bom4=1&bom5=1&bom6=2&bomarea2=18.5&bomarea3=12&bomarea1=25&bomarea4=0"
    "&bomarea5=4&bomarea6=8&pho=12345678901&cit1=990000|%CA%BE%B7%B6%CA%A1"
    "&cit2=990100|%CA%BE%B7%B6%CA%D0&cit3=990102|%CA%BE%B7%B6%C7%F8&dc=2&findman3=13"
    "&kongzhi=tijiao&findman=1&fengge=3&jmid=null";

QByteArray replaced(QByteArray query, const QByteArray &from, const QByteArray &to)
{
    return query.replace(from, to);
}

// "key=value" for every field, so a whole split compares in one go.
QStringList flattened(const QList<QueryField> &fields)
{
    QStringList out;
    for (const QueryField &f : fields)
        out << f.key + u'=' + f.value;
    return out;
}

// "key:O" (out of order), "key:U" (unknown), "key:R" (repeated) for every flagged field.
QStringList flagged(const QuotationCheck &check)
{
    QStringList out;
    for (const CheckedField &f : check.fields) {
        static const char16_t letters[] = u"-OUR";
        if (f.verdict != Verdict::Ok)
            out << f.field.key + u':' + QChar(letters[int(f.verdict)]);
    }
    return out;
}

QString unescaped(QString s)
{
    return s.replace(u"&quot;"_s, u"\""_s)
        .replace(u"&lt;"_s, u"<"_s)
        .replace(u"&gt;"_s, u">"_s)
        .replace(u"&amp;"_s, u"&"_s);
}

} // namespace

class TestDemoSite : public QObject
{
    Q_OBJECT
private slots:
    void decodeGbkPercent_data();
    void decodeGbkPercent();
    void splitQuery_data();
    void splitQuery();
    void checkQuotation_data();
    void checkQuotation();
    void quotationPage_data();
    void quotationPage();
    void newsPage_data();
    void newsPage();
    void siteAuthority_data();
    void siteAuthority();
    void chatPage_data();
    void chatPage();
    void served_data();
    void served();
    void cleanupTestCase();

private:
    QProcess site;
    QString origin; // of the running zx_demosite, once started
};

void TestDemoSite::decodeGbkPercent_data()
{
    QTest::addColumn<QByteArray>("raw");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("clean");

    QTest::newRow("北京") << QByteArray("%B1%B1%BE%A9") << u"北京"_s << true;
    QTest::newRow("lower-case hex") << QByteArray("%b1%b1%be%a9") << u"北京"_s << true;
    QTest::newRow("raw bar") << QByteArray("990000|%CA%BE%B7%B6%CA%A1") << u"990000|示范省"_s
                             << true;
    QTest::newRow("escaped bar") << QByteArray("990000%7C%CA%BE") << u"990000|示"_s << true;
    QTest::newRow("plus stays") << QByteArray("+86%20138") << u"+86 138"_s << true;
    QTest::newRow("bad escapes stay") << QByteArray("%%4%zz%") << u"%%4%zz%"_s << true;
    QTest::newRow("half a character") << QByteArray("a%B1") << u"a\uFFFD"_s << false;
    QTest::newRow("invalid trail byte") << QByteArray("%81%20a") << u"\uFFFD a"_s << false;
    QTest::newRow("euro, one byte") << QByteArray("%80") << u"€"_s << true;
}

void TestDemoSite::decodeGbkPercent()
{
    QFETCH(QByteArray, raw);
    QFETCH(QString, text);
    QFETCH(bool, clean);
    const DecodedText decoded = demosite::decodeGbkPercent(raw);
    QCOMPARE(decoded.text, text);
    QCOMPARE(decoded.clean, clean);
}

void TestDemoSite::splitQuery_data()
{
    QTest::addColumn<QByteArray>("query");
    QTest::addColumn<QStringList>("fields");

    QTest::newRow("empty") << QByteArray() << QStringList();
    QTest::newRow("no equals") << QByteArray("a=1&b") << QStringList{u"a=1"_s, u"b="_s};
    QTest::newRow("second equals is value") << QByteArray("a=1=2") << QStringList{u"a=1=2"_s};
    QTest::newRow("empty piece") << QByteArray("a=1&&b=2")
                                 << QStringList{u"a=1"_s, u"="_s, u"b=2"_s};
    QTest::newRow("escaped ampersand in value")
        << QByteArray("cit1=1%26%CA%BE&x=") << QStringList{u"cit1=1&示"_s, u"x="_s};
}

void TestDemoSite::splitQuery()
{
    QFETCH(QByteArray, query);
    QFETCH(QStringList, fields);
    QCOMPARE(flattened(demosite::splitQuery(query)), fields);
}

void TestDemoSite::checkQuotation_data()
{
    QTest::addColumn<QByteArray>("query");
    QTest::addColumn<QStringList>("flags");
    QTest::addColumn<QStringList>("missing");
    QTest::addColumn<bool>("passes");

    const QStringList none;
    QTest::newRow("worked example") << ExampleQuery << none << none << true;
    QTest::newRow("escaped bars") << replaced(ExampleQuery, "|", "%7C") << none << none << true;
    QTest::newRow("areas 1..6") << replaced(ExampleQuery, "bomarea2=18.5&bomarea3=12&bomarea1=25",
                                            "bomarea1=25&bomarea2=18.5&bomarea3=12")
                                << QStringList{u"bomarea1:O"_s} << none << false;
    QTest::newRow("bom1 and bom2 swapped")
        << replaced(ExampleQuery, "bom1=3&bom2=1", "bom2=1&bom1=3") << QStringList{u"bom1:O"_s}
        << none << false;
    QTest::newRow("jmid first") << "jmid=null&" + replaced(ExampleQuery, "&jmid=null", "")
                                << QStringList{u"jmid:O"_s} << none << false;
    QTest::newRow("jmid missing") << replaced(ExampleQuery, "&jmid=null", "") << none
                                  << QStringList{u"jmid"_s} << false;
    QTest::newRow("two missing, in expected order")
        << replaced(replaced(ExampleQuery, "&pho=12345678901", ""), "bom1=3&", "") << none
        << QStringList{u"bom1"_s, u"pho"_s} << false;
    QTest::newRow("extra key") << ExampleQuery + "&extra=1" << QStringList{u"extra:U"_s} << none
                               << false;
    QTest::newRow("trailing ampersand")
        << ExampleQuery + "&" << QStringList{u":U"_s} << none << false;
    QTest::newRow("case matters") << replaced(ExampleQuery, "pho=", "PHO=")
                                  << QStringList{u"PHO:U"_s} << QStringList{u"pho"_s} << false;
    QTest::newRow("repeated key") << ExampleQuery + "&pho=1" << QStringList{u"pho:R"_s} << none
                                  << false;
    QTest::newRow("value not GBK")
        << replaced(ExampleQuery, "%C7%F8", "%C7") << none << none << false;
    QTest::newRow("empty query") << QByteArray() << none
                                 << QStringList{u"bom1"_s,     u"bom2"_s,     u"bom3"_s,
                                                u"bom4"_s,     u"bom5"_s,     u"bom6"_s,
                                                u"bomarea2"_s, u"bomarea3"_s, u"bomarea1"_s,
                                                u"bomarea4"_s, u"bomarea5"_s, u"bomarea6"_s,
                                                u"pho"_s,      u"cit1"_s,     u"cit2"_s,
                                                u"cit3"_s,     u"dc"_s,       u"findman3"_s,
                                                u"kongzhi"_s,  u"findman"_s,  u"fengge"_s,
                                                u"jmid"_s}
                                 << false;
}

void TestDemoSite::checkQuotation()
{
    QFETCH(QByteArray, query);
    QFETCH(QStringList, flags);
    QFETCH(QStringList, missing);
    QFETCH(bool, passes);
    const QuotationCheck check = demosite::checkQuotation(demosite::splitQuery(query));
    QCOMPARE(flagged(check), flags);
    QCOMPARE(check.missing, missing);
    QCOMPARE(check.passes(), passes);
}

void TestDemoSite::quotationPage_data()
{
    QTest::addColumn<QByteArray>("query");
    QTest::addColumn<QStringList>("shown");

    QTest::newRow("worked example")
        << ExampleQuery
        << QStringList{u"演示站：收到的报价请求"_s, u"22 个键全部收到，顺序正确"_s,
                       u"<td>16</td><td>cit3</td><td>990102|示范区</td>"_s,
                       u"<td>22</td><td>jmid</td><td>null</td>"_s};
    QTest::newRow("swapped") << replaced(ExampleQuery, "bom1=3&bom2=1", "bom2=1&bom1=3")
                             << QStringList{u"1 个键顺序不对"_s,
                                            u"<td>2</td><td>bom1</td><td>3</td>"_s,
                                            u"顺序不对：应为第 1 个键"_s};
    QTest::newRow("missing and extra")
        << replaced(ExampleQuery, "dc=2", "dc2=<b>")
        << QStringList{u"缺少 1 个键，多余 1 个键"_s, u"<td>dc2</td><td>&lt;b&gt;</td>"_s,
                       u"<td>dc</td><td></td><td>装修档次"_s};
}

void TestDemoSite::quotationPage()
{
    QFETCH(QByteArray, query);
    QFETCH(QStringList, shown);
    const QString page = QString::fromUtf8(demosite::quotationPage(query));
    for (const QString &s : shown)
        QVERIFY2(page.contains(s), qPrintable(s));
}

void TestDemoSite::newsPage_data()
{
    QTest::addColumn<QByteArray>("authority");
    QTest::newRow("loopback") << QByteArray("127.0.0.1:8808");
    QTest::newRow("host name") << QByteArray("localhost:41000");
}

void TestDemoSite::newsPage()
{
    QFETCH(QByteArray, authority);
    const QByteArray bytes = demosite::newsPage(authority);
    QStringDecoder gbk("GBK");
    const QString page = gbk.decode(bytes);
    QVERIFY(!gbk.hasError());
    QVERIFY(page.contains(u"<meta charset=\"gbk\">"_s));

    static const QRegularExpression inputTag(u"<input\\b[^>]*>"_s);
    static const QRegularExpression attribute(u"(\\w+)=\"([^\"]*)\""_s);
    QList<QHash<QString, QString>> inputs;
    for (const auto &tag : inputTag.globalMatch(page)) {
        QHash<QString, QString> attributes;
        for (const auto &a : attribute.globalMatch(tag.captured()))
            attributes.insert(a.captured(1), unescaped(a.captured(2)));
        inputs.append(attributes);
    }
    QCOMPARE(inputs.size(), HeadlineCount + 1);
    for (int n = 1; n <= HeadlineCount; ++n) {
        const auto &input = inputs[n - 1];
        QCOMPARE(input.value(u"name"_s), u"news%1"_s.arg(n));
        // The title went out in GBK and came back whole, no "?" for an unmappable character.
        QCOMPARE(input.value(u"value"_s), QString::fromUtf16(article(n).title));
        QCOMPARE(input.value(u"mysrc"_s),
                 u"http://%1/news/%2.html"_s.arg(QString::fromLatin1(authority)).arg(n));
    }
    QCOMPARE(inputs.last().value(u"value"_s), u"已结束"_s);
}

void TestDemoSite::siteAuthority_data()
{
    QTest::addColumn<QByteArray>("host");
    QTest::addColumn<QByteArray>("authority");

    const QByteArray fallback = "127.0.0.1:9";
    QTest::newRow("address and port")
        << QByteArray("127.0.0.1:8808") << QByteArray("127.0.0.1:8808");
    QTest::newRow("IPv6") << QByteArray("[::1]:8808") << QByteArray("[::1]:8808");
    QTest::newRow("absent") << QByteArray() << fallback;
    QTest::newRow("markup") << QByteArray("a\"><script>") << fallback;
    QTest::newRow("path") << QByteArray("a.example/evil") << fallback;
    QTest::newRow("user info") << QByteArray("u@a.example") << fallback;
    QTest::newRow("too long") << QByteArray(300, 'a') << fallback;
}

void TestDemoSite::siteAuthority()
{
    QFETCH(QByteArray, host);
    QFETCH(QByteArray, authority);
    QCOMPARE(demosite::siteAuthority(host, "127.0.0.1:9"), authority);
}

void TestDemoSite::chatPage_data()
{
    QTest::addColumn<QByteArray>("query");
    QTest::addColumn<QStringList>("shown");

    QTest::newRow("as the program sends it")
        << QByteArray("v=1&uin=800012345&site=%BC%BC%CA%F5%D6%A7%B3%D6&menu=yes")
        << QStringList{u"<td>800012345</td>"_s, u"<td>技术支持</td>"_s};
    QTest::newRow("nothing") << QByteArray() << QStringList{u"<td>（未收到）</td>"_s};
    QTest::newRow("markup escaped")
        << QByteArray("uin=%3Cb%3E&site=") << QStringList{u"<td>&lt;b&gt;</td>"_s, u"<td></td>"_s};
}

void TestDemoSite::chatPage()
{
    QFETCH(QByteArray, query);
    QFETCH(QStringList, shown);
    const QString page = QString::fromUtf8(demosite::chatPage(query));
    for (const QString &s : shown)
        QVERIFY2(page.contains(s), qPrintable(s));
}

void TestDemoSite::served_data()
{
    QTest::addColumn<QByteArray>("target");
    QTest::addColumn<int>("status");
    QTest::addColumn<QByteArray>("type");
    QTest::addColumn<QString>("shown"); // "{origin}" stands for the server's own address

    const QByteArray utf8 = "text/html; charset=UTF-8";
    QTest::newRow("home") << QByteArray("/") << 200 << utf8 << u"装修报价演示站"_s;
    QTest::newRow("news page") << QByteArray("/softnews.html") << 200
                               << QByteArray("text/html; charset=GBK")
                               << u"mysrc=\"{origin}/news/10.html\""_s;
    QTest::newRow("article 10") << QByteArray("/news/10.html") << 200 << utf8
                                << QString::fromUtf16(article(10).title);
    QTest::newRow("article 01") << QByteArray("/news/01.html") << 404 << utf8
                                << u"找不到这个页面"_s;
    QTest::newRow("article 11") << QByteArray("/news/11.html") << 404 << utf8
                                << u"找不到这个页面"_s;
    QTest::newRow("quotation, raw bars") << "/AutoPrice.action?" + ExampleQuery << 200 << utf8
                                         << u"<td>cit1</td><td>990000|示范省</td>"_s;
    QTest::newRow("quotation, escaped bars")
        << "/AutoPrice.action?" + replaced(ExampleQuery, "|", "%7C") << 200 << utf8
        << u"22 个键全部收到，顺序正确"_s;
    QTest::newRow("quotation, other case")
        << QByteArray("/autoprice.action") << 404 << utf8 << u"找不到这个页面"_s;
    QTest::newRow("chat") << QByteArray("/msgrd?v=1&uin=1&site=%BC%BC%CA%F5&menu=yes") << 200
                          << utf8 << u"<td>技术</td>"_s;
    QTest::newRow("pictures") << QByteArray("/zxpic.htm") << 200 << utf8 << u"装修效果图"_s;
    QTest::newRow("member price") << QByteArray("/MemberPrice.htm") << 200 << utf8 << u"精确报价"_s;
}

// The executable serves each page at its address, with the raw query and the Host it was sent.
void TestDemoSite::served()
{
#ifndef DEMOSITE
    QSKIP("missing tool: cpp-httplib (Debian: libcpp-httplib-dev), so zx_demosite was not built");
#else
    if (origin.isEmpty()) {
        site.start(QStringLiteral(DEMOSITE), {u"--port"_s, u"0"_s});
        QVERIFY2(site.waitForReadyRead(10000), site.readAllStandardError().constData());
        static const QRegularExpression listening(u"^listening on (http://127.0.0.1:\\d+)\n"_s);
        const QString line = QString::fromLatin1(site.readLine());
        const QRegularExpressionMatch match = listening.match(line);
        QVERIFY2(match.hasMatch(), qPrintable(line));
        origin = match.captured(1);
    }
#endif
    QFETCH(QByteArray, target);
    QFETCH(int, status);
    QFETCH(QByteArray, type);
    QFETCH(QString, shown);

    QNetworkAccessManager network;
    network.setProxy(QNetworkProxy::NoProxy);
    const std::unique_ptr<QNetworkReply> reply(
        network.get(QNetworkRequest(QUrl::fromEncoded(origin.toLatin1() + target))));
    QSignalSpy finished(reply.get(), &QNetworkReply::finished);
    QVERIFY(finished.wait(10000));
    QCOMPARE(reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt(), status);
    QCOMPARE(reply->header(QNetworkRequest::ContentTypeHeader).toByteArray(), type);
    QStringDecoder decoder(type.endsWith("GBK") ? "GBK" : "UTF-8");
    const QString page = decoder.decode(reply->readAll());
    QVERIFY(!decoder.hasError());
    shown.replace(u"{origin}"_s, origin);
    QVERIFY2(page.contains(shown), qPrintable(shown));
}

void TestDemoSite::cleanupTestCase()
{
    site.kill();
    site.waitForFinished();
}

QTEST_GUILESS_MAIN(TestDemoSite)
#include "tst_demosite.moc"
