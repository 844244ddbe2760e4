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
    QString clickAndAnswer(const QString &control);

    const QString catalogue = region::readCatalogueLine(QStringLiteral(BUNDLED_CATALOGUE));
    windowtest::Launches launches;
    std::unique_ptr<Form1> form;
    QString messageTitle;
};

void TestQuoteWindow::init()
{
    launches.urls.clear();
    form = windowtest::openWindow(catalogue);
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

QString TestQuoteWindow::clickAndAnswer(const QString &control)
{
    QString text;
    const MessageBoxAnswerer answerer([&](QMessageBox &box) {
        text = box.text();
        messageTitle = box.windowTitle();
        QCOMPARE(box.icon(), QMessageBox::NoIcon);
        QCOMPARE(box.buttons().size(), 1);
    });
    QTest::mouseClick(child(*form, control), Qt::LeftButton);
    return text;
}

void TestQuoteWindow::hallAreas_data()
{
    QTest::addColumn<QStringList>("picks");
    QTest::addColumn<QList<bool>>("enabled"); // Text2, Text3, Text4

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
        pick(u"Combo6"_s, houseType);
        if (box(u"Text3"_s)->isEnabled())
            box(u"Text3"_s)->setText(u"12"_s);
    }
    QCOMPARE((QList<bool>{box(u"Text2"_s)->isEnabled(), box(u"Text3"_s)->isEnabled(),
                          box(u"Text4"_s)->isEnabled()}),
             enabled);
    QVERIFY(box(u"Text5"_s)->isEnabled());
    if (picks.size() > 1)
        QCOMPARE(box(u"Text3"_s)->text(), u"12"_s); // closing a box keeps what it holds
}

void TestQuoteWindow::countAreas()
{
    pick(u"Combo4"_s, u"一间"_s);
    QVERIFY(box(u"Text6"_s)->isEnabled());
    QVERIFY(!box(u"Text7"_s)->isEnabled());
    pick(u"Combo4"_s, u"三间"_s);
    QVERIFY(box(u"Text6"_s)->isEnabled());
    pick(u"Combo5"_s, u"二间"_s);
    QVERIFY(box(u"Text7"_s)->isEnabled());
}

void TestQuoteWindow::typedHouseTypeOpensNothing()
{
    auto *houseTypes = child<QComboBox>(*form, u"Combo6"_s);
    houseTypes->setFocus();
    houseTypes->lineEdit()->selectAll();
    QKeyEvent typed(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, u"二房二厅"_s);
    QApplication::sendEvent(houseTypes->lineEdit(), &typed);
    QTest::keyClick(houseTypes->lineEdit(), Qt::Key_Return);
    box(u"Text8"_s)->setFocus();
    QCOMPARE(houseTypes->currentText(), u"二房二厅"_s);
    QVERIFY(!box(u"Text2"_s)->isEnabled() && !box(u"Text3"_s)->isEnabled() &&
            !box(u"Text4"_s)->isEnabled());
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
    QTest::newRow("Image1") << "Image1"
                            << QByteArray(CorporateSiteOrigin.data(), CorporateSiteOrigin.size());
    QTest::newRow("Image2") << "Image2" << main + "/zxpic.htm";
    QTest::newRow("Image3") << "Image3" << main + "/MemberPrice.htm";
    QTest::newRow("Image4")
        << "Image4"
        << QUrl::fromLocalFile(QCoreApplication::applicationDirPath() + u"/111.doc"_s).toEncoded();
    for (const char *badge : {"Image6", "Image7", "Image8", "Image9"})
        QTest::newRow(badge) << badge << chat;
    QTest::newRow("Label21") << "Label21" << main;
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
        QTest::mouseClick(child(*form, u"news%1"_s.arg(i)), Qt::LeftButton);
    QVERIFY(launches.urls.isEmpty());
}

void TestQuoteWindow::quotationEndToEnd()
{
    windowtest::runStartupTick(*form);
    pick(u"city1"_s, u"110000|北京市"_s);
    pick(u"city2"_s, u"110100|北京市"_s);
    pick(u"city3"_s, u"110101|东城区"_s);
    pick(u"Combo6"_s, u"三房二厅"_s);
    pick(u"Combo4"_s, u"二间"_s);
    pick(u"Combo5"_s, u"一间"_s);
    box(u"Text4"_s)->setText(u"25"_s);
    box(u"Text2"_s)->setText(u"18.50"_s);
    box(u"Text3"_s)->setText(u"12"_s);
    box(u"Text7"_s)->setText(u"4"_s);
    box(u"Text6"_s)->setText(u"008"_s);
    QTest::keyClicks(box(u"Text8"_s), u"13912345678"_s);
    QTest::mouseClick(child(*form, u"Option3"_s), Qt::LeftButton);
    QTest::mouseClick(child(*form, u"Option7"_s), Qt::LeftButton);

    QCOMPARE(clickAndAnswer(u"Image5"_s), QString());
    QCOMPARE(launches.urls.size(), 1);
    const QByteArray expected =
        QByteArray(MainSiteOrigin.data(), MainSiteOrigin.size()) +
        "/AutoPrice.action?bom1=3&bom2=1&bom3=1&bom4=1&bom5=1&bom6=2&bomarea2=18.5&bomarea3=12"
        "&bomarea1=25&bomarea4=0&bomarea5=4&bomarea6=8&pho=13912345678"
        "&cit1=110000%7C%B1%B1%BE%A9%CA%D0&cit2=110100%7C%B1%B1%BE%A9%CA%D0"
        "&cit3=110101%7C%B6%AB%B3%C7%C7%F8&dc=2&findman3=13&kongzhi=tijiao&findman=1&fengge=3"
        "&jmid=null";
    QCOMPARE(launches.urls.at(0).toEncoded(), expected);
    QCOMPARE(box(u"Text8"_s)->text(), QString());
    // everything else stays
    QCOMPARE(child<QComboBox>(*form, u"city3"_s)->currentText(), u"110101|东城区"_s);

    QCOMPARE(clickAndAnswer(u"Image5"_s), u"请录入正确的：电话号码"_s);
    QCOMPARE(messageTitle, u"装修报价器"_s);
    QCOMPARE(launches.urls.size(), 1);
}

void TestQuoteWindow::refusals_data()
{
    QTest::addColumn<bool>("address");
    QTest::addColumn<QString>("phone");
    QTest::addColumn<QString>("kitchen");
    QTest::addColumn<QString>("message");

    QTest::newRow("straight after start") << false << ""
                                          << "0" << u"请录入正确的：电话号码"_s;
    QTest::newRow("address only") << false << "13912345678"
                                  << "0" << u"请录入正确的：业主地址"_s;
    QTest::newRow("area not a number") << true << "13912345678"
                                       << "abc" << u"请录入正确的：厨房面积"_s;
}

void TestQuoteWindow::refusals()
{
    QFETCH(bool, address);
    QFETCH(QString, phone);
    QFETCH(QString, kitchen);
    QFETCH(QString, message);
    windowtest::runStartupTick(*form);
    if (address) {
        pick(u"city1"_s, u"440000|广东省"_s);
        pick(u"city2"_s, u"440300|深圳市"_s);
        pick(u"city3"_s, u"440305|南山区"_s);
    }
    box(u"Text8"_s)->setText(phone);
    box(u"Text5"_s)->setText(kitchen);
    QCOMPARE(clickAndAnswer(u"Image5"_s), message);
    QVERIFY(launches.urls.isEmpty());
    QCOMPARE(box(u"Text8"_s)->text(), phone);
}

QTEST_MAIN(TestQuoteWindow)
#include "tst_quotewindow.moc"
