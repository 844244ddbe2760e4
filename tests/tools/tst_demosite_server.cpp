#include "tools/demosite/server.h"

#include <QNetworkAccessManager>
#include <QNetworkProxy>
#include <QNetworkReply>
#include <QProcess>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QStringDecoder>
#include <QTcpSocket>
#include <QTest>
#include <memory>

using namespace demosite;
using namespace Qt::StringLiterals;

class TestDemoSiteServer : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void newsPage();
    void quotation_data();
    void quotation();
    void headAndPost();
    void rawExchanges_data();
    void rawExchanges();
    void idleConnectionClosed();
    void executable();

private:
    // The reply once finished, or null after a timeout.
    std::unique_ptr<QNetworkReply> wait(QNetworkReply *reply);
    QUrl url(const QByteArray &pathAndQuery) const;

    DemoServer server;
    QNetworkAccessManager network;
};

void TestDemoSiteServer::initTestCase()
{
    QVERIFY2(server.listen(0), qPrintable(server.errorString()));
    QVERIFY(server.serverPort() != 0);
    network.setProxy(QNetworkProxy::NoProxy);
}

std::unique_ptr<QNetworkReply> TestDemoSiteServer::wait(QNetworkReply *reply)
{
    std::unique_ptr<QNetworkReply> owned(reply);
    if (!reply->isFinished()) {
        QSignalSpy finished(reply, &QNetworkReply::finished);
        if (!finished.wait(10000))
            return nullptr;
    }
    return owned;
}

QUrl TestDemoSiteServer::url(const QByteArray &pathAndQuery) const
{
    return QUrl::fromEncoded("http://127.0.0.1:" + QByteArray::number(server.serverPort()) +
                             pathAndQuery);
}

void TestDemoSiteServer::newsPage()
{
    const auto reply = wait(network.get(QNetworkRequest(url("/softnews.html"))));
    QVERIFY(reply);
    QCOMPARE(reply->error(), QNetworkReply::NoError);
    QCOMPARE(reply->header(QNetworkRequest::ContentTypeHeader).toString(),
             u"text/html; charset=GBK"_s);
    QStringDecoder gbk("GBK");
    const QString page = gbk.decode(reply->readAll());
    QVERIFY(!gbk.hasError());
    // The addresses point back at this server, as the client named it.
    const QString origin = u"http://127.0.0.1:%1"_s.arg(server.serverPort());
    for (int n = 1; n <= 10; ++n)
        QVERIFY(page.contains(u"name=\"news%1\""_s.arg(n)));
    QVERIFY(page.contains(u"mysrc=\"%1/news/10.html\""_s.arg(origin)));
    QVERIFY(page.contains(u"value=\"已结束\""_s));
}

void TestDemoSiteServer::quotation_data()
{
    QTest::addColumn<QByteArray>("query");
    QTest::addColumn<QString>("verdict");

    const QByteArray example =
        "bom1=3&bom2=1&bom3=1&bom4=1&bom5=1&bom6=2&bomarea2=18.5&bomarea3=12&bomarea1=25"
        "&bomarea4=0&bomarea5=4&bomarea6=8&pho=12345678901&cit1=990000|%CA%BE%B7%B6%CA%A1"
        "&cit2=990100|%CA%BE%B7%B6%CA%D0&cit3=990102|%CA%BE%B7%B6%C7%F8&dc=2&findman3=13"
        "&kongzhi=tijiao&findman=1&fengge=3&jmid=null";
    QTest::newRow("raw bars") << example << u"22 个键全部收到，顺序正确"_s;
    QTest::newRow("escaped bars") << QByteArray(example).replace("|", "%7C")
                                  << u"22 个键全部收到，顺序正确"_s;
    QTest::newRow("areas misplaced")
        << QByteArray(example).replace("bomarea2=18.5&bomarea3=12&bomarea1=25",
                                       "bomarea1=25&bomarea2=18.5&bomarea3=12")
        << u"1 个键顺序不对"_s;
}

void TestDemoSiteServer::quotation()
{
    QFETCH(QByteArray, query);
    QFETCH(QString, verdict);
    const auto reply = wait(network.get(QNetworkRequest(url("/AutoPrice.action?" + query))));
    QVERIFY(reply);
    QCOMPARE(reply->error(), QNetworkReply::NoError);
    const QString page = QString::fromUtf8(reply->readAll());
    QVERIFY(page.contains(u"演示站：收到的报价请求"_s));
    QVERIFY(page.contains(verdict));
    QVERIFY(page.contains(u"<td>cit1</td><td>990000|示范省</td>"_s));
}

void TestDemoSiteServer::headAndPost()
{
    const auto head = wait(network.head(QNetworkRequest(url("/zxpic.htm"))));
    QVERIFY(head);
    QCOMPARE(head->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt(), 200);
    QVERIFY(head->header(QNetworkRequest::ContentLengthHeader).toLongLong() > 0);
    QVERIFY(head->readAll().isEmpty());

    const auto post = wait(network.post(QNetworkRequest(url("/")), QByteArray("a=1")));
    QVERIFY(post);
    QCOMPARE(post->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt(), 405);
    QCOMPARE(post->rawHeader("Allow"), QByteArray("GET, HEAD"));
}

void TestDemoSiteServer::rawExchanges_data()
{
    QTest::addColumn<QByteArray>("sent");
    QTest::addColumn<QList<int>>("statuses");
    QTest::addColumn<bool>("closed");

    QTest::newRow("malformed") << QByteArray("garbage\r\n\r\n") << QList<int>{400} << true;
    QTest::newRow("oversized head")
        << "GET /" + QByteArray(70 * 1024, 'a') << QList<int>{431} << true;
    QTest::newRow("pipelined, then close")
        << QByteArray("GET / HTTP/1.1\r\nHost: x\r\n\r\n"
                      "GET /nowhere HTTP/1.1\r\nHost: x\r\nConnection: close\r\n\r\n"
                      "GET / HTTP/1.1\r\n\r\n")
        << QList<int>{200, 404} << true;
    QTest::newRow("keep-alive stays open")
        << QByteArray("GET / HTTP/1.1\r\nHost: x\r\n\r\n") << QList<int>{200} << false;
    QTest::newRow("request with body closes")
        << QByteArray("GET / HTTP/1.1\r\nContent-Length: 2\r\n\r\nab") << QList<int>{200} << true;
}

void TestDemoSiteServer::rawExchanges()
{
    QFETCH(QByteArray, sent);
    QFETCH(QList<int>, statuses);
    QFETCH(bool, closed);

    QTcpSocket socket;
    socket.connectToHost(u"127.0.0.1"_s, server.serverPort());
    QVERIFY(socket.waitForConnected(5000));
    socket.write(sent);

    QByteArray received;
    const auto answered = [&] {
        received += socket.readAll();
        static const QRegularExpression statusLine(u"HTTP/1\\.1 (\\d{3}) "_s);
        QList<int> found;
        for (const auto &m : statusLine.globalMatch(QString::fromLatin1(received)))
            found << m.captured(1).toInt();
        return found;
    };
    QTRY_VERIFY_WITH_TIMEOUT(answered().size() >= statuses.size(), 5000);
    const QList<int> got = answered();
    QCOMPARE(got, statuses);
    if (closed)
        QTRY_COMPARE_WITH_TIMEOUT(socket.state(), QAbstractSocket::UnconnectedState, 5000);
    else
        QVERIFY(!socket.waitForDisconnected(300));
}

void TestDemoSiteServer::idleConnectionClosed()
{
    DemoServer quick;
    quick.setIdleTimeout(std::chrono::milliseconds(200));
    QVERIFY(quick.listen(0));
    QTcpSocket socket;
    socket.connectToHost(u"127.0.0.1"_s, quick.serverPort());
    QVERIFY(socket.waitForConnected(5000));
    socket.write("GET / HTTP/1.1\r\n"); // and then nothing more
    QTRY_COMPARE_WITH_TIMEOUT(socket.state(), QAbstractSocket::UnconnectedState, 5000);
}

void TestDemoSiteServer::executable()
{
    QProcess process;
    process.start(QStringLiteral(DEMOSITE), {u"--port"_s, u"0"_s});
    QVERIFY(process.waitForStarted(5000));
    const auto stop = qScopeGuard([&process] {
        process.kill();
        process.waitForFinished(5000);
    });
    QTRY_VERIFY_WITH_TIMEOUT(process.canReadLine(), 10000);
    const QString line = QString::fromLatin1(process.readLine()).trimmed();
    static const QRegularExpression listening(u"^listening on http://127\\.0\\.0\\.1:(\\d+)$"_s);
    const QRegularExpressionMatch match = listening.match(line);
    QVERIFY2(match.hasMatch(), qPrintable(line));
    const int port = match.captured(1).toInt();
    QVERIFY(port > 0);

    const auto reply = wait(
        network.get(QNetworkRequest(QUrl(u"http://127.0.0.1:%1/MemberPrice.htm"_s.arg(port)))));
    QVERIFY(reply);
    QCOMPARE(reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt(), 200);
}

QTEST_GUILESS_MAIN(TestDemoSiteServer)
#include "tst_demosite_server.moc"
