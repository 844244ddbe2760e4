#include "buildconstants.h"
#include "messageboxes.h"
#include "region/regioncatalogue.h"
#include "shell/form1.h"
#include "windowtest.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QDesktopServices>
#include <QLineEdit>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;
using windowtest::child;

// The quotation, the area boxes and the links, driven on the real window with the bundled
// catalogue.
class TestQuoteWindow : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void hallAreas_data();
    void hallAreas();
    void countAreas();
    void typedHouseTypeOpensNothing();
    void links_data();
    void links();
    void emptyHeadlinesLaunchNothing();
    void quotationEndToEnd();
    void refusals_data();
    void refusals();

private:
    void pick(const QString &list, const QString &text);
    QLineEdit *box(const QString &name) const { return child<QLineEdit>(*form, name); }
    QString clickAndAnswer(const QString &control, QMessageBox::Icon icon = QMessageBox::NoIcon);

    const QString catalogue = region::readCatalogueLine(QStringLiteral(BUNDLED_CATALOGUE));
    windowtest::Launches launches;
    std::unique_ptr<Form1> form;
    QString messageTitle;
};

void TestQuoteWindow::init()
{
    launches.urls.clear();
    QVERIFY(windowtest::openWindow(form, catalogue));
}

void TestQuoteWindow::cleanup()
{
    form.reset();
}

// Picks with the keyboard: Down from the item before, as a user stepping through the list.
void TestQuoteWindow::pick(const QString &name, const QString &text)
{
    auto *list = child<QComboBox>(*form, name);
    const int index = list->findText(text);
    QVERIFY2(index >= 0, qPrintable(text));
    list->setFocus();
    list->setCurrentIndex(index - 1);
    QTest::keyClick(list, Qt::Key_Down);
    QCOMPARE(list->currentText(), text);
}

QString TestQuoteWindow::clickAndAnswer(const QString &control, QMessageBox::Icon icon)
{
    QString text;
    const MessageBoxAnswerer answerer([&](QMessageBox &box) {
        text = box.text();
        messageTitle = box.windowTitle();
        QCOMPARE(box.icon(), icon);
        QCOMPARE(box.buttons().size(), 1);
    });
    QTest::mouseClick(child(*form, control), Qt::LeftButton);
    return text;
}

void TestQuoteWindow::hallAreas_data()
{
    QTest::addColumn<QStringList>("picks");
    QTest::addColumn<QList<bool>>("enabled"); // living room, dining room, bedroom

    QTest::newRow("two halls") << QStringList{u"三房二厅"_s} << QList<bool>{true, true, true};
    QTest::newRow("one hall") << QStringList{u"一房一厅"_s} << QList<bool>{true, false, true};
    QTest::newRow("two then one hall")
        << QStringList{u"三房二厅"_s, u"二房一厅"_s} << QList<bool>{true, false, true};
}

void TestQuoteWindow::hallAreas()
{
    QFETCH(QStringList, picks);
    QFETCH(QList<bool>, enabled);
    for (const QString &houseType : picks) {
        pick(u"houseTypeList"_s, houseType);
        if (box(u"diningRoomArea"_s)->isEnabled())
            box(u"diningRoomArea"_s)->setText(u"12"_s);
    }
    QCOMPARE(
        (QList<bool>{box(u"livingRoomArea"_s)->isEnabled(), box(u"diningRoomArea"_s)->isEnabled(),
                     box(u"bedroomArea"_s)->isEnabled()}),
        enabled);
    QVERIFY(box(u"kitchenArea"_s)->isEnabled());
    if (picks.size() > 1)
        QCOMPARE(box(u"diningRoomArea"_s)->text(), u"12"_s); // closing a box keeps what it holds
}

void TestQuoteWindow::countAreas()
{
    pick(u"bathroomList"_s, u"一间"_s);
    QVERIFY(box(u"bathroomArea"_s)->isEnabled());
    QVERIFY(!box(u"balconyArea"_s)->isEnabled());
    pick(u"bathroomList"_s, u"三间"_s);
    QVERIFY(box(u"bathroomArea"_s)->isEnabled());
    pick(u"balconyList"_s, u"二间"_s);
    QVERIFY(box(u"balconyArea"_s)->isEnabled());
}

void TestQuoteWindow::typedHouseTypeOpensNothing()
{
    auto *houseTypes = child<QComboBox>(*form, u"houseTypeList"_s);
    houseTypes->setFocus();
    houseTypes->lineEdit()->selectAll();
    QKeyEvent typed(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, u"二房二厅"_s);
    QApplication::sendEvent(houseTypes->lineEdit(), &typed);
    QTest::keyClick(houseTypes->lineEdit(), Qt::Key_Return);
    box(u"phoneEdit"_s)->setFocus();
    QCOMPARE(houseTypes->currentText(), u"二房二厅"_s);
    QVERIFY(!box(u"livingRoomArea"_s)->isEnabled() && !box(u"diningRoomArea"_s)->isEnabled() &&
            !box(u"bedroomArea"_s)->isEnabled());
}

void TestQuoteWindow::links_data()
{
    QTest::addColumn<QString>("control");
    QTest::addColumn<QByteArray>("url");

    const QByteArray main(MainSiteOrigin.data(), MainSiteOrigin.size());
    const QByteArray chat =
        QByteArray(ChatServiceOrigin.data(), ChatServiceOrigin.size()) +
        "/msgrd?v=1&uin=" + QByteArray(SupportAccount.data(), SupportAccount.size()) +
        "&site=%BC%BC%CA%F5%D6%A7%B3%D6&menu=yes";
    QTest::newRow("corporateSiteButton")
        << "corporateSiteButton"
        << QByteArray(CorporateSiteOrigin.data(), CorporateSiteOrigin.size());
    QTest::newRow("renderingsButton") << "renderingsButton" << main + "/zxpic.htm";
    QTest::newRow("exactQuoteButton") << "exactQuoteButton" << main + "/MemberPrice.htm";
    QTest::newRow("userGuideButton")
        << "userGuideButton"
        << QUrl::fromLocalFile(QCoreApplication::applicationDirPath() + u"/111.doc"_s).toEncoded();
    for (const char *badge :
         {"websiteChatButton", "advertisingChatButton", "franchiseChatButton", "adviceChatButton"})
        QTest::newRow(badge) << badge << chat;
    QTest::newRow("mainSiteLink") << "mainSiteLink" << main;
}

void TestQuoteWindow::links()
{
    QFETCH(QString, control);
    QFETCH(QByteArray, url);
    windowtest::runStartupTick(*form); // until then the loading page takes every click
    QTest::mouseClick(child(*form, control), Qt::LeftButton);
    QTest::mouseClick(child(*form, control), Qt::LeftButton);
    QCOMPARE(launches.urls.size(), 2); // nothing is remembered between clicks
    QCOMPARE(launches.urls.at(0).toEncoded(), url);
    QCOMPARE(launches.urls.at(1), launches.urls.at(0));
}

void TestQuoteWindow::emptyHeadlinesLaunchNothing()
{
    windowtest::runStartupTick(*form);
    for (int i = 0; i < 10; ++i)
        QTest::mouseClick(child(*form, u"headline%1"_s.arg(i)), Qt::LeftButton);
    QVERIFY(launches.urls.isEmpty());
}

void TestQuoteWindow::quotationEndToEnd()
{
    windowtest::runStartupTick(*form);
    pick(u"provinceList"_s, u"110000|北京市"_s);
    pick(u"cityList"_s, u"110100|北京市"_s);
    pick(u"districtList"_s, u"110101|东城区"_s);
    pick(u"houseTypeList"_s, u"三房二厅"_s);
    pick(u"bathroomList"_s, u"二间"_s);
    pick(u"balconyList"_s, u"一间"_s);
    box(u"bedroomArea"_s)->setText(u"25"_s);
    box(u"livingRoomArea"_s)->setText(u"18.50"_s);
    box(u"diningRoomArea"_s)->setText(u"12"_s);
    box(u"balconyArea"_s)->setText(u"4"_s);
    box(u"bathroomArea"_s)->setText(u"008"_s);
    QTest::keyClicks(box(u"phoneEdit"_s), u"13912345678"_s);
    QTest::mouseClick(child(*form, u"chineseStyleOption"_s), Qt::LeftButton);
    QTest::mouseClick(child(*form, u"comfortGradeOption"_s), Qt::LeftButton);

    QCOMPARE(clickAndAnswer(u"submitButton"_s), QString());
    QCOMPARE(launches.urls.size(), 1);
    const QByteArray expected =
        QByteArray(MainSiteOrigin.data(), MainSiteOrigin.size()) +
        "/AutoPrice.action?bom1=3&bom2=1&bom3=1&bom4=1&bom5=1&bom6=2&bomarea2=18.5&bomarea3=12"
        "&bomarea1=25&bomarea4=0&bomarea5=4&bomarea6=8&pho=13912345678"
        "&cit1=110000%7C%B1%B1%BE%A9%CA%D0&cit2=110100%7C%B1%B1%BE%A9%CA%D0"
        "&cit3=110101%7C%B6%AB%B3%C7%C7%F8&dc=2&findman3=13&kongzhi=tijiao&findman=1&fengge=3"
        "&jmid=null";
    QCOMPARE(launches.urls.at(0).toEncoded(), expected);
    QCOMPARE(box(u"phoneEdit"_s)->text(), QString());
    // everything else stays
    QCOMPARE(child<QComboBox>(*form, u"districtList"_s)->currentText(), u"110101|东城区"_s);

    QCOMPARE(clickAndAnswer(u"submitButton"_s), u"请录入正确的：电话号码"_s);
    QCOMPARE(messageTitle, u"装修报价器"_s);
    QCOMPARE(launches.urls.size(), 1);
}

void TestQuoteWindow::refusals_data()
{
    QTest::addColumn<bool>("address");
    QTest::addColumn<QString>("phone");
    QTest::addColumn<QString>("kitchen");
    QTest::addColumn<QString>("message");
    QTest::addColumn<bool>("browser"); // whether the desktop opens the request

    QTest::newRow("straight after start") << false << ""
                                          << "0" << u"请录入正确的：电话号码"_s << true;
    QTest::newRow("address only") << false << "13912345678"
                                  << "0" << u"请录入正确的：业主地址"_s << true;
    QTest::newRow("area not a number") << true << "13912345678"
                                       << "abc" << u"请录入正确的：厨房面积"_s << true;
    QTest::newRow("no browser") << true << "13912345678"
                                << "0" << u"无法打开浏览器查看报价，请检查电脑的默认浏览器设置后再试。"_s
                                << false;
}

void TestQuoteWindow::refusals()
{
    QFETCH(bool, address);
    QFETCH(QString, phone);
    QFETCH(QString, kitchen);
    QFETCH(QString, message);
    QFETCH(bool, browser);
    windowtest::runStartupTick(*form);
    if (address) {
        pick(u"provinceList"_s, u"440000|广东省"_s);
        pick(u"cityList"_s, u"440300|深圳市"_s);
        pick(u"districtList"_s, u"440305|南山区"_s);
    }
    box(u"phoneEdit"_s)->setText(phone);
    box(u"kitchenArea"_s)->setText(kitchen);
    // Without a handler of its own the offscreen platform reports that it opened nothing.
    const QString scheme = QUrl(MainSiteOrigin).scheme();
    if (!browser)
        QDesktopServices::unsetUrlHandler(scheme);
    QCOMPARE(clickAndAnswer(u"submitButton"_s, browser ? QMessageBox::NoIcon : QMessageBox::Warning),
             message);
    if (!browser)
        QDesktopServices::setUrlHandler(scheme, &launches, "open");
    QVERIFY(launches.urls.isEmpty());
    QCOMPARE(box(u"phoneEdit"_s)->text(), phone);
}

QTEST_MAIN(TestQuoteWindow)
#include "tst_quotewindow.moc"
