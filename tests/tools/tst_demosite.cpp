#include "tools/demosite/http.h"
#include "tools/demosite/pages.h"
#include "tools/demosite/querycheck.h"

#include <QRegularExpression>
#include <QStringDecoder>
#include <QTest>

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

Q_DECLARE_METATYPE(ParseStatus)

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
    void parseRequest_data();
    void parseRequest();
    void route_data();
    void route();
    void chatPage_data();
    void chatPage();
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
                                 << QStringList(QuotationKeys.begin(), QuotationKeys.end())
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

void TestDemoSite::parseRequest_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<ParseStatus>("status");
    QTest::addColumn<QByteArray>("path");
    QTest::addColumn<QByteArray>("query");
    QTest::addColumn<QByteArray>("host");
    QTest::addColumn<bool>("keepAlive");
    QTest::addColumn<bool>("hasBody");

    const QByteArray none;
    const auto ok = ParseStatus::Complete;
    const auto bad = ParseStatus::Malformed;
    QTest::newRow("plain GET") << QByteArray("GET /softnews.html HTTP/1.1\r\nHost: h:1\r\n\r\n")
                               << ok << QByteArray("/softnews.html") << none << QByteArray("h:1")
                               << true << false;
    QTest::newRow("query with raw bar and GBK")
        << QByteArray("GET /AutoPrice.action?cit1=1|%B1%B1 HTTP/1.1\r\n\r\n") << ok
        << QByteArray("/AutoPrice.action") << QByteArray("cit1=1|%B1%B1") << none << true << false;
    QTest::newRow("bare LF lines")
        << QByteArray("GET /?a HTTP/1.1\nHost: h\n\n") << ok << QByteArray("/") << QByteArray("a")
        << QByteArray("h") << true << false;
    QTest::newRow("stray blank lines first") << QByteArray("\r\n\r\nGET / HTTP/1.1\r\n\r\n") << ok
                                             << QByteArray("/") << none << none << true << false;
    QTest::newRow("HTTP/1.0 closes") << QByteArray("GET / HTTP/1.0\r\n\r\n") << ok
                                     << QByteArray("/") << none << none << false << false;
    QTest::newRow("Connection: close")
        << QByteArray("GET / HTTP/1.1\r\nconnection: TE, close\r\n\r\n") << ok << QByteArray("/")
        << none << none << false << false;
    QTest::newRow("absolute form")
        << QByteArray("GET http://a.example:8/news/1.html?x#f HTTP/1.1\r\nHost: b\r\n\r\n") << ok
        << QByteArray("/news/1.html") << QByteArray("x") << QByteArray("a.example:8") << true
        << false;
    QTest::newRow("absolute form, query only")
        << QByteArray("GET http://a.example?x HTTP/1.1\r\n\r\n") << ok << QByteArray("/")
        << QByteArray("x") << QByteArray("a.example") << true << false;
    QTest::newRow("fragment dropped") << QByteArray("GET /a#b?c HTTP/1.1\r\n\r\n") << ok
                                      << QByteArray("/a") << none << none << true << false;
    QTest::newRow("announced body") << QByteArray("GET / HTTP/1.1\r\nContent-Length: 3\r\n\r\n")
                                    << ok << QByteArray("/") << none << none << true << true;
    QTest::newRow("head not finished")
        << QByteArray("GET / HTTP/1.1\r\nHost: h\r\n") << ParseStatus::Incomplete << none << none
        << none << false << false;
    QTest::newRow("empty") << QByteArray() << ParseStatus::Incomplete << none << none << none
                           << false << false;
    QTest::newRow("head too large")
        << "GET /" + QByteArray(MaxHeadBytes, 'a') << ParseStatus::TooLarge << none << none << none
        << false << false;
    QTest::newRow("finished head too large")
        << "GET / HTTP/1.1\r\nX: " + QByteArray(MaxHeadBytes, 'a') + "\r\n\r\n"
        << ParseStatus::TooLarge << none << none << none << false << false;
    QTest::newRow("garbage") << QByteArray("garbage\r\n\r\n") << bad << none << none << none
                             << false << false;
    QTest::newRow("blank in target")
        << QByteArray("GET /a b HTTP/1.1\r\n\r\n") << bad << none << none << none << false << false;
    QTest::newRow("8-bit target") << QByteArray("GET /\xB1\xB1 HTTP/1.1\r\n\r\n") << bad << none
                                  << none << none << false << false;
    QTest::newRow("relative target")
        << QByteArray("GET a HTTP/1.1\r\n\r\n") << bad << none << none << none << false << false;
    QTest::newRow("unknown version")
        << QByteArray("GET / HTTP/2.0\r\n\r\n") << bad << none << none << none << false << false;
    QTest::newRow("header without colon") << QByteArray("GET / HTTP/1.1\r\nHost h\r\n\r\n") << bad
                                          << none << none << none << false << false;
    QTest::newRow("two Host headers") << QByteArray("GET / HTTP/1.1\r\nHost: a\r\nHost: b\r\n\r\n")
                                      << bad << none << none << none << false << false;
    QTest::newRow("negative length") << QByteArray("GET / HTTP/1.1\r\nContent-Length: -1\r\n\r\n")
                                     << bad << none << none << none << false << false;
}

void TestDemoSite::parseRequest()
{
    QFETCH(QByteArray, bytes);
    QFETCH(ParseStatus, status);
    const ParseResult result = demosite::parseRequest(bytes);
    QCOMPARE(result.status, status);
    if (status != ParseStatus::Complete)
        return;
    QFETCH(QByteArray, path);
    QFETCH(QByteArray, query);
    QFETCH(QByteArray, host);
    QFETCH(bool, keepAlive);
    QFETCH(bool, hasBody);
    QCOMPARE(result.consumed, bytes.size());
    QCOMPARE(result.request.path, path);
    QCOMPARE(result.request.query, query);
    QCOMPARE(result.request.host, host);
    QCOMPARE(result.request.keepAlive, keepAlive);
    QCOMPARE(result.request.hasBody, hasBody);
}

void TestDemoSite::route_data()
{
    QTest::addColumn<QByteArray>("method");
    QTest::addColumn<QByteArray>("path");
    QTest::addColumn<int>("status");
    QTest::addColumn<QByteArray>("contentType");

    const QByteArray html = "text/html; charset=UTF-8";
    QTest::newRow("home") << QByteArray("GET") << QByteArray("/") << 200 << html;
    QTest::newRow("news page, HEAD") << QByteArray("HEAD") << QByteArray("/softnews.html") << 200
                                     << QByteArray("text/html; charset=GBK");
    QTest::newRow("article 10") << QByteArray("GET") << QByteArray("/news/10.html") << 200 << html;
    QTest::newRow("article 11") << QByteArray("GET") << QByteArray("/news/11.html") << 404 << html;
    QTest::newRow("article 0") << QByteArray("GET") << QByteArray("/news/0.html") << 404 << html;
    QTest::newRow("article 01") << QByteArray("GET") << QByteArray("/news/01.html") << 404 << html;
    QTest::newRow("quotation") << QByteArray("GET") << QByteArray("/AutoPrice.action") << 200
                               << html;
    QTest::newRow("quotation, other case")
        << QByteArray("GET") << QByteArray("/autoprice.action") << 404 << html;
    QTest::newRow("unknown") << QByteArray("GET") << QByteArray("/favicon.ico") << 404 << html;
    QTest::newRow("POST") << QByteArray("POST") << QByteArray("/") << 405 << html;
    QTest::newRow("lower-case get") << QByteArray("get") << QByteArray("/") << 405 << html;
}

void TestDemoSite::route()
{
    QFETCH(QByteArray, method);
    QFETCH(QByteArray, path);
    QFETCH(int, status);
    QFETCH(QByteArray, contentType);
    Request request;
    request.method = method;
    request.path = path;
    const Response response = demosite::route(request, "127.0.0.1:9");
    QCOMPARE(response.status, status);
    QCOMPARE(response.contentType, contentType);
    QVERIFY(!response.body.isEmpty());
    const bool allows =
        response.extraHeaders.contains(qMakePair(QByteArray("Allow"), QByteArray("GET, HEAD")));
    QCOMPARE(allows, status == 405);

    // A HEAD answer is the GET answer's head: same length announced, no body sent.
    const QByteArray head = serialise(response, true, true);
    QVERIFY(head.endsWith("\r\n\r\n"));
    QVERIFY(head.contains("Content-Length: " + QByteArray::number(response.body.size()) + "\r\n"));
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

QTEST_APPLESS_MAIN(TestDemoSite)
#include "tst_demosite.moc"
