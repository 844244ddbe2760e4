#include "quote/enablement.h"

#include <QTest>

using namespace quote;
using namespace Qt::StringLiterals;

class TestEnablement : public QObject
{
    Q_OBJECT
private slots:
    void hallAreas_data();
    void hallAreas();
    void countArea();
};

void TestEnablement::hallAreas_data()
{
    QTest::addColumn<QString>("houseType");
    QTest::addColumn<QString>("enabled"); // living room, dining room, bedroom

    QTest::newRow("one hall") << u"一房一厅"_s << u"101"_s;
    QTest::newRow("two halls") << u"五房二厅"_s << u"111"_s;
    QTest::newRow("placeholder") << u"请选择"_s << u"000"_s;
    QTest::newRow("empty") << QString() << u"000"_s;
    // Only characters 3 and 4 count, whatever surrounds them.
    QTest::newRow("typed, longer") << u"六房二厅半"_s << u"111"_s;
    QTest::newRow("hall part at the start") << u"二厅"_s << u"000"_s;
    QTest::newRow("one character from position 3") << u"一房一"_s << u"000"_s;
    QTest::newRow("three halls") << u"四房三厅"_s << u"000"_s;
}

void TestEnablement::hallAreas()
{
    QFETCH(QString, houseType);
    QFETCH(QString, enabled);
    const HallAreas a = quote::hallAreas(houseType);
    QString actual;
    for (const bool on : {a.livingRoom, a.diningRoom, a.bedroom})
        actual += on ? u'1' : u'0';
    QCOMPARE(actual, enabled);
}

void TestEnablement::countArea()
{
    QVERIFY(!countAreaEnabled(u"请选择"));
    QVERIFY(countAreaEnabled(u"一间"));
    QVERIFY(countAreaEnabled(u"请选择 "));
}

QTEST_GUILESS_MAIN(TestEnablement)
#include "tst_enablement.moc"
