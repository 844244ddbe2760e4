#include "buildconstants.h"
#include "shell/form1.h"
#include "windowtest.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;
using windowtest::child;

static const QStringList Catalogue{u"110000|北京市"_s, u"110100|市辖区"_s, u"110101|东城区"_s,
                                   u"110102|西城区"_s, u"440000|广东省"_s, u"440100|广州市"_s,
                                   u"440103|荔湾区"_s, u"440300|深圳市"_s, u"440305|南山区"_s};

// The window as a user meets it: its controls, their first state, and the cascading region
// lists driven with the mouse and the keyboard.
class TestForm1 : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void window();
    void geometry_data();
    void geometry();
    void initialState();
    void tabOrder_data();
    void tabOrder();
    void optionGroups();
    void typingIsOnlyText_data();
    void typingIsOnlyText();
    void cascade();
    void newProvinceEmptiesLowerLists();

private:
    static void pickWithMouse(QComboBox *list, int index);
    static void pickWithKeyboard(QComboBox *list);

    const QString catalogue = windowtest::catalogueLine(Catalogue);
    std::unique_ptr<Form1> form;
    QComboBox *provinces = nullptr, *cities = nullptr, *districts = nullptr;
};

void TestForm1::init()
{
    QVERIFY(windowtest::openWindow(form, catalogue));
    provinces = child<QComboBox>(*form, u"provinceList"_s);
    cities = child<QComboBox>(*form, u"cityList"_s);
    districts = child<QComboBox>(*form, u"districtList"_s);
}

void TestForm1::cleanup()
{
    form.reset();
}

void TestForm1::pickWithMouse(QComboBox *list, int index)
{
    list->showPopup();
    QAbstractItemView *view = list->view();
    QTRY_VERIFY(view->isVisible());
    const QRect item = view->visualRect(view->model()->index(index, 0));
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, item.center());
    QTRY_VERIFY(!view->isVisible());
}

void TestForm1::pickWithKeyboard(QComboBox *list)
{
    list->setFocus();
    QTest::keyClick(list, Qt::Key_Down);
}

void TestForm1::window()
{
    QCOMPARE(form->windowTitle(), u"装修报价器1.001（Ruveloxp版,技术qq:"_s +
                                      QString(SupportAccount) + QStringLiteral("）"));
    QCOMPARE(form->size(), QSize(797, 574));
    QCOMPARE(form->minimumSize(), form->maximumSize());
    QVERIFY(!(form->windowFlags() & Qt::WindowMaximizeButtonHint));
    QCOMPARE(QPixmap(child(*form, u"formPane"_s)->property("artwork").toString()).size(),
             QSize(797, 577));
    // Centred to the pixel: the margins either side differ by one at most.
    const QRect frame = form->frameGeometry();
    const QRect area = form->screen()->availableGeometry();
    QVERIFY(std::abs((frame.left() - area.left()) - (area.right() - frame.right())) <= 1);
    QVERIFY(std::abs((frame.top() - area.top()) - (area.bottom() - frame.bottom())) <= 1);
}

void TestForm1::geometry_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("parent");
    QTest::addColumn<QRect>("rect");
    QTest::addColumn<QString>("text");

    QTest::newRow("formPane") << "formPane"
                              << "Form1" << QRect(0, 0, 801, 577) << "";
    QTest::newRow("headingLabel") << "headingLabel"
                                  << "formPane" << QRect(24, 112, 97, 25) << "自动报价";
    QTest::newRow("corporateSiteButton") << "corporateSiteButton"
                                         << "formPane" << QRect(141, 101, 122, 38) << "";
    QTest::newRow("userGuideButton") << "userGuideButton"
                                     << "formPane" << QRect(512, 101, 122, 38) << "";
    QTest::newRow("houseTypeLabel") << "houseTypeLabel"
                                    << "formPane" << QRect(15, 216, 65, 25) << "户    型";
    QTest::newRow("districtList") << "districtList"
                                  << "formPane" << QRect(360, 176, 105, 20) << "请选择";
    QTest::newRow("balconyCountLabel") << "balconyCountLabel"
                                       << "formPane" << QRect(416, 216, 57, 17) << "阳  台";
    QTest::newRow("areasLabel") << "areasLabel"
                                << "formPane" << QRect(15, 288, 81, 17) << "面积(平方米)";
    QTest::newRow("diningRoomArea") << "diningRoomArea"
                                    << "formPane" << QRect(192, 288, 33, 25) << "0";
    QTest::newRow("countryStyleOption") << "countryStyleOption"
                                        << "formPane" << QRect(504, 320, 73, 41) << "西式田园";
    QTest::newRow("luxuryGradeOption") << "luxuryGradeOption"
                                       << "gradeBox" << QRect(432, 8, 73, 17) << "高档豪华";
    QTest::newRow("phoneEdit") << "phoneEdit"
                               << "formPane" << QRect(80, 400, 193, 25) << "";
    QTest::newRow("submitButton") << "submitButton"
                                  << "formPane" << QRect(224, 448, 117, 40) << "";
    QTest::newRow("adviceChatButton") << "adviceChatButton"
                                      << "formPane" << QRect(688, 232, 68, 20) << "";
    QTest::newRow("newsBox") << "newsBox"
                             << "formPane" << QRect(600, 280, 169, 233) << "最新动态";
    QTest::newRow("headline9") << "headline9"
                               << "newsBox" << QRect(8, 208, 129, 17) << "Label21";
    QTest::newRow("mainSiteLink") << "mainSiteLink"
                                  << "formPane" << QRect(624, 520, 121, 17) << "进入Ruvelo官方";
    QTest::newRow("columnDivider") << "columnDivider"
                                   << "formPane" << QRect(592, 141, 2, 410) << "";
}

static QString textOf(QWidget *w)
{
    if (auto *label = qobject_cast<QLabel *>(w))
        return label->text();
    if (auto *button = qobject_cast<QAbstractButton *>(w))
        return button->text();
    if (auto *edit = qobject_cast<QLineEdit *>(w))
        return edit->text();
    if (auto *list = qobject_cast<QComboBox *>(w))
        return list->currentText();
    if (auto *group = qobject_cast<QGroupBox *>(w))
        return group->title();
    return {};
}

void TestForm1::geometry()
{
    QFETCH(QString, name);
    QFETCH(QString, parent);
    QFETCH(QRect, rect);
    QFETCH(QString, text);

    auto *w = form->findChild<QWidget *>(name);
    QVERIFY(w);
    QCOMPARE(w->parentWidget()->objectName(), parent);
    QCOMPARE(w->geometry(), rect);
    QCOMPARE(textOf(w), text);
    if (auto *label = qobject_cast<QLabel *>(w))
        QCOMPARE(label->textFormat(), Qt::PlainText);
}

void TestForm1::initialState()
{
    for (QComboBox *list : {provinces, cities, districts}) {
        QCOMPARE(list->count(), 0);
        QCOMPARE(list->currentText(), u"请选择"_s);
    }
    auto *houseTypes = child<QComboBox>(*form, u"houseTypeList"_s);
    QCOMPARE(houseTypes->count(), 7);
    QCOMPARE(houseTypes->itemText(6), u"五房二厅"_s);
    for (const char *name : {"bathroomList", "balconyList", "houseTypeList"}) {
        auto *list = child<QComboBox>(*form, QLatin1String(name));
        QCOMPARE(list->currentIndex(), -1);
        QCOMPARE(list->currentText(), u"请选择"_s);
        QCOMPARE(list->findText(u"请选择"_s), -1);
    }
    QCOMPARE(child<QComboBox>(*form, u"bathroomList"_s)->itemText(0), u"一间"_s);
    QList<bool> enabled;
    for (const char *name : {"livingRoomArea", "diningRoomArea", "bedroomArea", "kitchenArea",
                             "bathroomArea", "balconyArea"})
        enabled << child(*form, QLatin1String(name))->isEnabled();
    QCOMPARE(enabled, (QList<bool>{false, false, false, true, false, false}));
    QVERIFY(child<QRadioButton>(*form, u"modernStyleOption"_s)->isChecked());
    QVERIFY(child<QRadioButton>(*form, u"economyGradeOption"_s)->isChecked());
    QTRY_COMPARE(QApplication::focusWidget(), child(*form, u"formPane"_s));
}

void TestForm1::tabOrder_data()
{
    QTest::addColumn<QStringList>("select"); // options selected before the walk
    QTest::addColumn<bool>("forward");
    QTest::addColumn<QStringList>("expected");

    const QStringList before{"formPane",     "provinceList", "cityList",   "districtList",
                             "bathroomList", "balconyList",  "kitchenArea"};
    auto reversed = [](QStringList list) {
        std::reverse(list.begin(), list.end());
        return list;
    };
    QTest::newRow("Tab") << QStringList() << true
                         << before + QStringList{"modernStyleOption", "phoneEdit", "houseTypeList",
                                                 "economyGradeOption", "formPane"};
    QTest::newRow("Shift+Tab") << QStringList() << false
                               << QStringList{"formPane", "economyGradeOption", "houseTypeList",
                                              "phoneEdit", "modernStyleOption"} +
                                      reversed(before);
    QTest::newRow("Tab, selection changed")
        << QStringList{"chineseStyleOption", "luxuryGradeOption"} << true
        << before + QStringList{"chineseStyleOption", "phoneEdit", "houseTypeList",
                                "luxuryGradeOption", "formPane"};
    QTest::newRow("Shift+Tab, selection changed")
        << QStringList{"countryStyleOption", "comfortGradeOption"} << false
        << QStringList{"formPane", "comfortGradeOption", "houseTypeList", "phoneEdit",
                       "countryStyleOption"} +
               reversed(before);
}

// Real key presses from the focused control; an option group is entered at its selected
// member from either side, from the first press on.
void TestForm1::tabOrder()
{
    QFETCH(QStringList, select);
    QFETCH(bool, forward);
    QFETCH(QStringList, expected);

    windowtest::runStartupTick(*form); // the loading cover takes the focus in turn while it is up
    if (!select.isEmpty()) {
        // Once a member has had the focus, Qt keeps it as the group's tab stop; the selection
        // then changes without moving the focus, as a screen reader's press does.
        child(*form, u"modernStyleOption"_s)->setFocus();
        child(*form, u"economyGradeOption"_s)->setFocus();
        for (const QString &name : select)
            child<QRadioButton>(*form, name)->click();
    }
    child(*form, u"formPane"_s)->setFocus();
    QStringList visited{QApplication::focusWidget()->objectName()};
    for (int i = 1; i < expected.size(); ++i) {
        QTest::keyClick(QApplication::focusWidget(), forward ? Qt::Key_Tab : Qt::Key_Backtab);
        visited << QApplication::focusWidget()->objectName();
    }
    QCOMPARE(visited, expected);
}

void TestForm1::optionGroups()
{
    const auto option = [this](const QString &name) { return child<QRadioButton>(*form, name); };
    QTest::mouseClick(option(u"chineseStyleOption"_s), Qt::LeftButton);
    QVERIFY(option(u"chineseStyleOption"_s)->isChecked() &&
            !option(u"modernStyleOption"_s)->isChecked() &&
            option(u"economyGradeOption"_s)->isChecked());
    QTest::mouseClick(option(u"luxuryGradeOption"_s), Qt::LeftButton);
    QVERIFY(option(u"luxuryGradeOption"_s)->isChecked() &&
            !option(u"economyGradeOption"_s)->isChecked() &&
            option(u"chineseStyleOption"_s)->isChecked());
}

void TestForm1::typingIsOnlyText_data()
{
    QTest::addColumn<QString>("typed");
    QTest::newRow("new text") << u"深圳"_s;
    QTest::newRow("equal to an item") << u"440000|广东省"_s;
}

void TestForm1::typingIsOnlyText()
{
    QFETCH(QString, typed);
    windowtest::runStartupTick(*form);
    const int count = provinces->count();
    provinces->setFocus();
    provinces->lineEdit()->selectAll();
    // Chinese text arrives as committed text, as from an input method.
    QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, typed);
    QApplication::sendEvent(provinces->lineEdit(), &press);
    QTest::keyClick(provinces->lineEdit(), Qt::Key_Return);
    child(*form, u"phoneEdit"_s)->setFocus(); // leaving the field must not pick either
    QCOMPARE(provinces->currentText(), typed);
    QCOMPARE(provinces->currentIndex(), -1);
    QCOMPARE(provinces->count(), count);
    QCOMPARE(cities->count(), 0);
    QCOMPARE(cities->currentText(), u"请选择"_s);
}

void TestForm1::cascade()
{
    QCOMPARE(provinces->count(), 0); // nothing listed before the tick
    windowtest::runStartupTick(*form);
    QCOMPARE(provinces->count(), 2);
    QCOMPARE(provinces->currentText(), u"请选择"_s);

    pickWithMouse(provinces, 1);
    QCOMPARE(provinces->currentText(), u"440000|广东省"_s);
    QCOMPARE(cities->currentText(), u"请选择"_s);
    QCOMPARE(cities->count(), 2);
    QCOMPARE(cities->itemText(1), u"440300|深圳市"_s);
    QCOMPARE(districts->count(), 0);

    pickWithKeyboard(cities); // from nothing selected, Down picks the first city
    QCOMPARE(cities->currentText(), u"440100|广州市"_s);
    QCOMPARE(districts->currentText(), u"请选择"_s);
    QCOMPARE(districts->count(), 2);
    QCOMPARE(districts->itemText(0), u"440100|广州市"_s);

    pickWithMouse(districts, 1);
    QCOMPARE(districts->currentText(), u"440103|荔湾区"_s);
    QCOMPARE(cities->currentText(), u"440100|广州市"_s);
}

void TestForm1::newProvinceEmptiesLowerLists()
{
    windowtest::runStartupTick(*form);
    pickWithMouse(provinces, 1);
    pickWithMouse(cities, 1);
    pickWithMouse(districts, 1);
    QCOMPARE(districts->currentText(), u"440305|南山区"_s);

    pickWithMouse(provinces, 0);
    QCOMPARE(cities->count(), 1);
    QCOMPARE(cities->itemText(0), u"110100|市辖区"_s);
    QCOMPARE(cities->currentText(), u"请选择"_s);
    QCOMPARE(districts->count(), 0);
    QCOMPARE(districts->currentText(), u"请选择"_s);

    pickWithMouse(provinces, 0); // the same province again lists its cities once
    QCOMPARE(cities->count(), 1);
}

QTEST_MAIN(TestForm1)
#include "tst_form1.moc"
