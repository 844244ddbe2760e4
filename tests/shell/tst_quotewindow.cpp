#include "buildconstants.h"
#include "region/regioncatalogue.h"
#include "shell/controls.h"
#include "shell/form1.h"
#include "ui_form1.h"
#include "messageboxes.h"
#include "windowtest.h"

#include <QDesktopServices>
#include <QLineEdit>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

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
    static void pick(QComboBox *list, const QString &text);
    QString clickAndAnswer(QWidget *control);

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
void TestQuoteWindow::pick(QComboBox *list, const QString &text)
{
    const int index = list->findText(text);
    QVERIFY2(index >= 0, qPrintable(text));
    list->setFocus();
    list->setCurrentIndex(index - 1);
    QTest::keyClick(list, Qt::Key_Down);
    QCOMPARE(list->currentText(), text);
}

QString TestQuoteWindow::clickAndAnswer(QWidget *control)
{
    QString text;
    const MessageBoxAnswerer answerer([&](QMessageBox &box) {
        text = box.text();
        messageTitle = box.windowTitle();
        QCOMPARE(box.icon(), QMessageBox::NoIcon);
        QCOMPARE(box.buttons().size(), 1);
    });
    QTest::mouseClick(control, Qt::LeftButton);
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
    Ui::Form1 &ui = form->controls();
    for (const QString &houseType : picks) {
        pick(ui.Combo6, houseType);
        if (ui.Text3->isEnabled())
            ui.Text3->setText(u"12"_s);
    }
    QCOMPARE((QList<bool>{ui.Text2->isEnabled(), ui.Text3->isEnabled(), ui.Text4->isEnabled()}),
             enabled);
    QVERIFY(ui.Text5->isEnabled());
    if (picks.size() > 1)
        QCOMPARE(ui.Text3->text(), u"12"_s); // closing a box keeps what it holds
}

void TestQuoteWindow::countAreas()
{
    Ui::Form1 &ui = form->controls();
    pick(ui.Combo4, u"一间"_s);
    QVERIFY(ui.Text6->isEnabled());
    QVERIFY(!ui.Text7->isEnabled());
    pick(ui.Combo4, u"三间"_s);
    QVERIFY(ui.Text6->isEnabled());
    pick(ui.Combo5, u"二间"_s);
    QVERIFY(ui.Text7->isEnabled());
}

void TestQuoteWindow::typedHouseTypeOpensNothing()
{
    Ui::Form1 &ui = form->controls();
    ui.Combo6->setFocus();
    ui.Combo6->lineEdit()->selectAll();
    QKeyEvent typed(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, u"二房二厅"_s);
    QApplication::sendEvent(ui.Combo6->lineEdit(), &typed);
    QTest::keyClick(ui.Combo6->lineEdit(), Qt::Key_Return);
    ui.Text8->setFocus();
    QCOMPARE(ui.Combo6->currentText(), u"二房二厅"_s);
    QVERIFY(!ui.Text2->isEnabled() && !ui.Text3->isEnabled() && !ui.Text4->isEnabled());
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
    auto *label = form->findChild<ClickLabel *>(control);
    QVERIFY(label);
    QTest::mouseClick(label, Qt::LeftButton);
    QTest::mouseClick(label, Qt::LeftButton);
    QCOMPARE(launches.urls.size(), 2); // nothing is remembered between clicks
    QCOMPARE(launches.urls.at(0).toEncoded(), url);
    QCOMPARE(launches.urls.at(1), launches.urls.at(0));
}

void TestQuoteWindow::emptyHeadlinesLaunchNothing()
{
    for (int i = 0; i < 10; ++i)
        QTest::mouseClick(form->findChild<ClickLabel *>(u"news%1"_s.arg(i)), Qt::LeftButton);
    QVERIFY(launches.urls.isEmpty());
}

void TestQuoteWindow::quotationEndToEnd()
{
    Ui::Form1 &ui = form->controls();
    windowtest::runStartupTick(*form);
    pick(ui.city1, u"110000|北京市"_s);
    pick(ui.city2, u"110100|北京市"_s);
    pick(ui.city3, u"110101|东城区"_s);
    pick(ui.Combo6, u"三房二厅"_s);
    pick(ui.Combo4, u"二间"_s);
    pick(ui.Combo5, u"一间"_s);
    ui.Text4->setText(u"25"_s);
    ui.Text2->setText(u"18.50"_s);
    ui.Text3->setText(u"12"_s);
    ui.Text7->setText(u"4"_s);
    ui.Text6->setText(u"008"_s);
    QTest::keyClicks(ui.Text8, u"13912345678"_s);
    QTest::mouseClick(ui.Option3, Qt::LeftButton);
    QTest::mouseClick(ui.Option7, Qt::LeftButton);

    QCOMPARE(clickAndAnswer(ui.Image5), QString());
    QCOMPARE(launches.urls.size(), 1);
    const QByteArray expected =
        QByteArray(MainSiteOrigin.data(), MainSiteOrigin.size()) +
        "/AutoPrice.action?bom1=3&bom2=1&bom3=1&bom4=1&bom5=1&bom6=2&bomarea2=18.5&bomarea3=12"
        "&bomarea1=25&bomarea4=0&bomarea5=4&bomarea6=8&pho=13912345678"
        "&cit1=110000%7C%B1%B1%BE%A9%CA%D0&cit2=110100%7C%B1%B1%BE%A9%CA%D0"
        "&cit3=110101%7C%B6%AB%B3%C7%C7%F8&dc=2&findman3=13&kongzhi=tijiao&findman=1&fengge=3"
        "&jmid=null";
    QCOMPARE(launches.urls.at(0).toEncoded(), expected);
    QCOMPARE(ui.Text8->text(), QString());
    QCOMPARE(ui.city3->currentText(), u"110101|东城区"_s); // everything else stays

    QCOMPARE(clickAndAnswer(ui.Image5), u"请录入正确的：电话号码"_s);
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
    Ui::Form1 &ui = form->controls();
    windowtest::runStartupTick(*form);
    if (address) {
        pick(ui.city1, u"440000|广东省"_s);
        pick(ui.city2, u"440300|深圳市"_s);
        pick(ui.city3, u"440305|南山区"_s);
    }
    ui.Text8->setText(phone);
    ui.Text5->setText(kitchen);
    QCOMPARE(clickAndAnswer(ui.Image5), message);
    QVERIFY(launches.urls.isEmpty());
    QCOMPARE(ui.Text8->text(), phone);
}

QTEST_MAIN(TestQuoteWindow)
#include "tst_quotewindow.moc"
