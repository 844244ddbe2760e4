#include "loopbackserver.h"
#include "shell/form1.h"
#include "windowtest.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QDesktopServices>
#include <QNetworkReply>
#include <QStringEncoder>
#include <QTest>
#include <QTextBrowser>

using namespace Qt::StringLiterals;
using windowtest::child;

// A news page on loopback. It answers every request with `head`, then `first` at once, and
// `rest` only when told to; the connection stays open until then (or for good, with `endless`).
class PageServer : public LoopbackServer
{
public:
    QByteArray head = "HTTP/1.1 200 OK\r\nConnection: close\r\n\r\n";
    QByteArray first, rest;
    bool endless = false;

    PageServer()
    {
        answer = [this](QTcpSocket *socket) {
            socket->write(head + first);
            if (rest.isEmpty() && !endless)
                socket->disconnectFromHost();
        };
    }
    void sendRest()
    {
        for (QTcpSocket *socket : std::as_const(sockets)) {
            socket->write(rest);
            socket->disconnectFromHost();
        }
    }
};

// The start-up: the news page fetched unseen, the loading cover over the
// window, and at the tick the headlines, the provinces and the cover taken away.
class TestStartupNews : public QObject
{
    Q_OBJECT

private slots:
    void cleanupTestCase();
    void cleanup();

    void headlines_data();
    void headlines();
    void onlyWhatArrivedByTheTick();
    void unreachableNewsPage();
    void cover_data();
    void cover();
    void hostilePages_data();
    void hostilePages();

private:
    static QStringList captions(Form1 &form);

    const QString catalogue = windowtest::catalogueLine(
        QStringList{u"440000|广东省"_s, u"440300|深圳市"_s, u"440305|南山区"_s});
    windowtest::Launches launches{{u"http"_s}};
    std::unique_ptr<Form1> form;
};

void TestStartupNews::cleanupTestCase()
{
    QFile::remove(QCoreApplication::applicationDirPath() + u"/loading.html"_s);
}

void TestStartupNews::cleanup()
{
    form.reset();
    launches.urls.clear();
}

QStringList TestStartupNews::captions(Form1 &form)
{
    QStringList out;
    for (int i = 0; i < 10; ++i)
        out << child<QAbstractButton>(form, u"headline%1"_s.arg(i))->text();
    return out;
}

void TestStartupNews::headlines_data()
{
    QTest::addColumn<QByteArray>("head");
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<int>("taken");

    QTest::newRow("GBK declared in the page")
        << QByteArray("HTTP/1.1 200 OK\r\nContent-Type: text/html\r\nConnection: close\r\n\r\n")
        << windowtest::newsPage(3) << 3;
    const QByteArray utf8 =
        u"<input name=news1 value=\"装修快讯 1\" mysrc=\"http://news.example.com/1.html\">"
        "<input name=NEWS2 value=\"装修快讯 2\" mysrc=\"http://news.example.com/2.html\">"_s
            .toUtf8();
    QTest::newRow("UTF-8 declared in the header only")
        << QByteArray("HTTP/1.1 200 OK\r\nContent-Type: text/html; charset=utf-8\r\nConnection: "
                      "close\r\n\r\n")
        << utf8 << 2;
    QTest::newRow("error page still walked")
        << QByteArray("HTTP/1.1 404 Not Found\r\nConnection: close\r\n\r\n")
        << windowtest::newsPage(1) << 1;
    QTest::newRow("ten of eleven") << QByteArray("HTTP/1.1 200 OK\r\nConnection: close\r\n\r\n")
                                   << windowtest::newsPage(11, false) << 10;
}

void TestStartupNews::headlines()
{
    QFETCH(QByteArray, head);
    QFETCH(QByteArray, body);
    QFETCH(int, taken);

    PageServer server;
    server.head = head;
    server.first = body;
    form = std::make_unique<Form1>(catalogue, server.url());
    form->show();
    QTRY_VERIFY(server.connections == 1 && server.allWritten());
    // The first fetch of a process also sets up the system's proxy lookup, which can be slow.
    QTRY_VERIFY(form->findChild<QNetworkReply *>() &&
                form->findChild<QNetworkReply *>()->isFinished());
    windowtest::runStartupTick(*form);

    const QStringList shown = captions(*form);
    for (int i = 0; i < 10; ++i)
        QCOMPARE(shown[i], i < taken ? u"装修快讯 %1"_s.arg(i + 1) : u"Label21"_s);
    QTest::mouseClick(child(*form, u"headline%1"_s.arg(taken - 1)), Qt::LeftButton);
    if (taken < 10) // a label no headline reached has no target
        QTest::mouseClick(child(*form, u"headline%1"_s.arg(taken)), Qt::LeftButton);
    QCOMPARE(launches.urls, QList<QUrl>{QUrl(u"http://news.example.com/%1.html"_s.arg(taken))});
}

void TestStartupNews::onlyWhatArrivedByTheTick()
{
    PageServer server;
    server.head = "HTTP/1.1 200 OK\r\nContent-Type: text/html; charset=gbk\r\n\r\n";
    const QByteArray page = windowtest::newsPage(6);
    const qsizetype cut = page.indexOf("<input type=hidden name=news4");
    server.first = page.left(cut);
    server.rest = page.mid(cut);
    form = std::make_unique<Form1>(catalogue, server.url());
    QTRY_VERIFY(server.connections == 1 && server.allWritten());
    QTest::qWait(100);
    windowtest::runStartupTick(*form);
    server.sendRest();
    QTest::qWait(100);
    QCOMPARE(captions(*form).count(u"Label21"_s), 7);
    QCOMPARE(captions(*form).at(2), u"装修快讯 3"_s);
}

void TestStartupNews::unreachableNewsPage()
{
    form = std::make_unique<Form1>(catalogue, QUrl(u"http://127.0.0.1:1/softnews.html"_s));
    form->show();
    QTest::qWait(50);
    windowtest::runStartupTick(*form);
    QCOMPARE(child<QComboBox>(*form, u"provinceList"_s)->count(), 1);
    QVERIFY(child(*form, u"loadingPage"_s)->isHidden());
    QCOMPARE(captions(*form), QStringList(10, u"Label21"_s));
}

void TestStartupNews::cover_data()
{
    QTest::addColumn<bool>("pagePresent");
    QTest::addColumn<QString>("shows");
    QTest::newRow("loading page") << true << u"正在加载"_s;
    QTest::newRow("page missing") << false << u"loading.html"_s;
}

void TestStartupNews::cover()
{
    QFETCH(bool, pagePresent);
    QFETCH(QString, shows);
    const QString path = QCoreApplication::applicationDirPath() + u"/loading.html"_s;
    QFile::remove(path);
    if (pagePresent) {
        QFile page(path);
        QVERIFY(page.open(QIODevice::WriteOnly));
        page.write(
            u"<html><body><p>正在加载，请稍候…</p><a href=\"http://x/\">x</a></body></html>"_s
                .toUtf8());
    }
    QVERIFY(windowtest::openWindow(form, catalogue));
    auto *cover = child<QTextBrowser>(*form, u"loadingPage"_s);
    auto *provinces = child<QComboBox>(*form, u"provinceList"_s);
    QWidget *pane = child(*form, u"formPane"_s);

    QVERIFY(cover->isVisible());
    QCOMPARE(cover->geometry(), QRect(0, 0, 835, 571));
    QVERIFY(cover->toPlainText().contains(shows));
    QCOMPARE(provinces->count(), 0);
    // The submit picture lies under the cover: a click there reaches the cover only.
    const QPoint submit = child(*form, u"submitButton"_s)->geometry().center();
    QWidget *hit = pane->childAt(submit);
    QVERIFY(hit == cover || cover->isAncestorOf(hit));
    QTest::mouseClick(hit, Qt::LeftButton, {}, hit->mapFrom(pane, submit));
    QVERIFY(QApplication::activeModalWidget() == nullptr);

    windowtest::runStartupTick(*form);
    QVERIFY(cover->isHidden());
    QCOMPARE(child<QTextBrowser>(*form, u"loadingPage"_s), cover); // hidden, not destroyed
    QCOMPARE(provinces->count(), 1);
    QTest::qWait(2100);
    QVERIFY(!windowtest::startupTick(*form)->isActive()); // never runs again
    QVERIFY(cover->isHidden());
}

void TestStartupNews::hostilePages_data()
{
    QTest::addColumn<QByteArray>("first");
    QTest::addColumn<bool>("endless");

    QByteArray nested = QByteArray("<div>").repeated(100000) + windowtest::newsPage(2);
    QTest::newRow("100000 nested elements") << nested << false;
    QTest::newRow("20 MB") << windowtest::newsPage(2) + QByteArray(20 * 1024 * 1024, 'x') << false;
    QByteArray binary(1 << 20, '\0');
    for (int i = 0; i < binary.size(); ++i)
        binary[i] = char((unsigned(i) * 7919u) & 0xffu);
    QTest::newRow("binary") << binary << false;
    QTest::newRow("never finishes") << windowtest::newsPage(2, false) << true;
}

void TestStartupNews::hostilePages()
{
    QFETCH(QByteArray, first);
    QFETCH(bool, endless);
    PageServer server;
    server.first = first;
    server.endless = endless;
    form = std::make_unique<Form1>(catalogue, server.url());
    QTRY_VERIFY(server.connections == 1);
    QTest::qWait(200);
    windowtest::runStartupTick(*form);
    QCOMPARE(child<QComboBox>(*form, u"provinceList"_s)->count(), 1);
    QVERIFY(child(*form, u"loadingPage"_s)->isHidden());
}

QTEST_MAIN(TestStartupNews)
#include "tst_startupnews.moc"
