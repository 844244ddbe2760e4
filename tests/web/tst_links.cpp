#include "buildconstants.h"
#include "web/links.h"

#include <QDesktopServices>
#include <QDir>
#include <QTest>

using namespace web;
using namespace Qt::StringLiterals;

// Stands in for the desktop: records every URL handed to it.
class Receiver : public QObject
{
    Q_OBJECT
public:
    QList<QUrl> urls;
public slots:
    void open(const QUrl &url) { urls.append(url); }
};

class TestLinks : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void wireForm_data();
    void wireForm();
    void headlineTargets_data();
    void headlineTargets();
    void linkTable_data();
    void linkTable();
    void openUrlReachesHandler_data();
    void openUrlReachesHandler();

private:
    Receiver receiver;
};

void TestLinks::initTestCase()
{
    // Every scheme a test could launch goes to the receiver, never to a real browser.
    for (const QString &scheme : {u"http"_s, u"https"_s, u"file"_s})
        QDesktopServices::setUrlHandler(scheme, &receiver, "open");
}

void TestLinks::cleanupTestCase()
{
    for (const QString &scheme : {u"http"_s, u"https"_s, u"file"_s})
        QDesktopServices::unsetUrlHandler(scheme);
}

void TestLinks::wireForm_data()
{
    QTest::addColumn<QString>("target");
    QTest::addColumn<QByteArray>("wire");

    QTest::newRow("北京市") << u"北京市"_s << QByteArray("%B1%B1%BE%A9%CA%D0");
    QTest::newRow("乌鲁木齐市") << u"乌鲁木齐市"_s << QByteArray("%CE%DA%C2%B3%C4%BE%C6%EB%CA%D0");
    QTest::newRow("region entry") << u"110000|北京市"_s << QByteArray("110000|%B1%B1%BE%A9%CA%D0");
    QTest::newRow("ascii unchanged")
        << u"http://a.b/x?y=1&z=%20 |#"_s << QByteArray("http://a.b/x?y=1&z=%20 |#");
    QTest::newRow("chat site name")
        << u"&site=技术支持&"_s << QByteArray("&site=%BC%BC%CA%F5%D6%A7%B3%D6&");
    QTest::newRow("euro sign, one byte") << u"€"_s << QByteArray("%80");
    QTest::newRow("not in GBK") << u"a\U0001F600b北"_s << QByteArray("a%3Fb%B1%B1");
    QTest::newRow("lone surrogate") << QString(QChar(0xD800)) + u"北"_s << QByteArray("%3F%B1%B1");
    QTest::newRow("empty") << QString() << QByteArray();
}

void TestLinks::wireForm()
{
    QFETCH(QString, target);
    QFETCH(QByteArray, wire);
    QCOMPARE(web::wireForm(target), wire);
}

void TestLinks::headlineTargets_data()
{
    QTest::addColumn<QString>("target");
    QTest::addColumn<bool>("launchable");

    QTest::newRow("http") << u"http://www.example.com/news/1.html"_s << true;
    QTest::newRow("https") << u"https://www.example.com/n?id=3"_s << true;
    QTest::newRow("upper-case scheme") << u"HTTP://www.example.com/"_s << true;
    QTest::newRow("chinese in the path") << u"http://www.example.com/新闻.html"_s << true;
    QTest::newRow("empty") << QString() << false;
    QTest::newRow("relative") << u"news/1.html"_s << false;
    QTest::newRow("local path") << u"C:\\Windows\\notepad.exe"_s << false;
    QTest::newRow("file") << u"file:///etc/passwd"_s << false;
    QTest::newRow("javascript") << u"javascript:alert(1)"_s << false;
    QTest::newRow("ftp") << u"ftp://www.example.com/x"_s << false;
    QTest::newRow("no host") << u"http:///x"_s << false;
    QTest::newRow("no slashes") << u"http:www.example.com"_s << false;
    QTest::newRow("user, no host") << u"http://user@/x"_s << false;
    QTest::newRow("leading blank") << u" http://www.example.com/"_s << false;
}

void TestLinks::headlineTargets()
{
    QFETCH(QString, target);
    QFETCH(bool, launchable);
    QCOMPARE(isLaunchableHeadline(target), launchable);
}

void TestLinks::linkTable_data()
{
    QTest::addColumn<Link>("link");
    QTest::addColumn<QString>("target");

    const QString main = MainSiteOrigin;
    QTest::newRow("corporate site") << Link::CorporateSite << QString(CorporateSiteOrigin);
    QTest::newRow("renderings") << Link::Renderings << main + u"/zxpic.htm"_s;
    QTest::newRow("exact quote") << Link::ExactQuote << main + u"/MemberPrice.htm"_s;
    QTest::newRow("user guide") << Link::UserGuide << u"/opt/报价 软件/111.doc"_s;
    QTest::newRow("chat") << Link::Chat
                          << QString(ChatServiceOrigin) + u"/msgrd?v=1&uin="_s + SupportAccount +
                                 u"&site=技术支持&menu=yes"_s;
    QTest::newRow("main site") << Link::MainSite << main;
}

void TestLinks::linkTable()
{
    QFETCH(Link, link);
    QFETCH(QString, target);
    QCOMPARE(linkTarget(link, u"/opt/报价 软件"_s), target);
}

void TestLinks::openUrlReachesHandler_data()
{
    QTest::addColumn<QString>("target");
    QTest::addColumn<QByteArray>("encoded"); // empty: nothing may arrive

    // QUrl cannot hold a literal "|": it arrives as "%7C", the same character to the server.
    QTest::newRow("quotation request")
        << u"http://www.example.com/AutoPrice.action?bom1=3&pho=123%20567&cit1=110000|北京市"
           "&jmid=null"_s
        << QByteArray("http://www.example.com/AutoPrice.action?bom1=3&pho=123%20567"
                      "&cit1=110000%7C%B1%B1%BE%A9%CA%D0&jmid=null");
    QTest::newRow("chat link") << linkTarget(Link::Chat, {})
                               << QString(ChatServiceOrigin).toLatin1() +
                                      "/msgrd?v=1&uin=" + QString(SupportAccount).toLatin1() +
                                      "&site=%BC%BC%CA%F5%D6%A7%B3%D6&menu=yes";
    QTest::newRow("bare origin") << u"http://www.example.com"_s
                                 << QByteArray("http://www.example.com");
    const QByteArray here = QUrl::fromLocalFile(QDir::currentPath()).toEncoded();
    QTest::newRow("relative file") << u"docs/111.doc"_s << here + "/docs/111.doc";
#ifdef Q_OS_WIN
    QTest::newRow("document beside the program")
        << linkTarget(Link::UserGuide, u"C:/Program Files/报价"_s)
        << QByteArray("file:///C:/Program%20Files/%E6%8A%A5%E4%BB%B7/111.doc");
    QTest::newRow("drive letter is no scheme") << u"C:/111.doc"_s << QByteArray("file:///C:/111.doc");
#else
    QTest::newRow("document beside the program")
        << linkTarget(Link::UserGuide, u"/opt/报价"_s)
        << QByteArray("file:///opt/%E6%8A%A5%E4%BB%B7/111.doc");
    QTest::newRow("drive letter is no scheme") << u"C:/111.doc"_s << here + "/C:/111.doc";
#endif
    QTest::newRow("empty target") << QString() << QByteArray();
}

void TestLinks::openUrlReachesHandler()
{
    QFETCH(QString, target);
    QFETCH(QByteArray, encoded);
    receiver.urls.clear();
    QVERIFY(openUrl(target)); // an empty target is no failure either
    if (encoded.isEmpty()) {
        QVERIFY(receiver.urls.isEmpty());
        return;
    }
    QCOMPARE(receiver.urls.size(), 1);
    QCOMPARE(receiver.urls.first().toEncoded(), encoded);
}

QTEST_MAIN(TestLinks)
#include "tst_links.moc"
