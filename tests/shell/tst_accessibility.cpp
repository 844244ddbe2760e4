#include "buildconstants.h"
#include "messageboxes.h"
#include "shell/form1.h"
#include "windowtest.h"

#include <QAccessible>
#include <QComboBox>
#include <QLineEdit>
#include <QMessageBox>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

// What a screen reader gets from the window: the accessibility tree as Qt builds it in process,
// with the name, description and role of every control.
class TestAccessibility : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void names_data();
    void names();
    void everyControlIsNamed();
    void labelledByTheLabelBeside_data();
    void labelledByTheLabelBeside();
    void headlineNameFollowsCaption();
    void coverAnnouncedWhileUp();
    void press_data();
    void press();
    void nothingNewTakesFocus();

private:
    QHash<QObject *, QAccessibleInterface *> tree() const;
    QAccessibleInterface *node(const QString &objectName) const;

    const QString catalogue = windowtest::catalogueLine(
        QStringList{u"440000|广东省"_s, u"440100|广州市"_s, u"440103|荔湾区"_s});
    std::unique_ptr<Form1> form;
};

void TestAccessibility::init()
{
    QVERIFY(windowtest::openWindow(form, catalogue));
}

void TestAccessibility::cleanup()
{
    form.reset();
}

// Every node reachable from the window, by the object it stands for.
QHash<QObject *, QAccessibleInterface *> TestAccessibility::tree() const
{
    QHash<QObject *, QAccessibleInterface *> nodes;
    QList<QAccessibleInterface *> pending{QAccessible::queryAccessibleInterface(form.get())};
    while (!pending.isEmpty()) {
        QAccessibleInterface *iface = pending.takeLast();
        nodes.insert(iface->object(), iface);
        for (int i = 0; i < iface->childCount(); ++i) {
            if (QAccessibleInterface *child = iface->child(i))
                pending << child;
        }
    }
    return nodes;
}

QAccessibleInterface *TestAccessibility::node(const QString &objectName) const
{
    return tree().value(form->findChild<QWidget *>(objectName));
}

void TestAccessibility::names_data()
{
    QTest::addColumn<QString>("control");
    QTest::addColumn<QAccessible::Role>("role");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("description");

    const auto row = [](const char *control, QAccessible::Role role, const QString &name,
                        const QString &description = {}) {
        QTest::newRow(control) << QString::fromLatin1(control) << role << name << description;
    };
    using R = QAccessible::Role;
    row("formPane", R::Pane, u"报价表单"_s,
        u"选择业主地址、户型和各房间面积，填写手机号码，然后单击“快速报价”"_s);
    row("headingLabel", R::StaticText, u"自动报价"_s);
    row("corporateSiteButton", R::Button, u"家装工具"_s, u"单击在浏览器中打开家装工具网站"_s);
    row("renderingsButton", R::Button, u"装修效果图"_s, u"单击在浏览器中打开装修效果图网页"_s);
    row("exactQuoteButton", R::Button, u"精确报价"_s, u"单击在浏览器中打开精确报价网页"_s);
    row("userGuideButton", R::Button, u"使用说明"_s, u"单击打开使用说明文档"_s);
    row("submitButton", R::Button, u"快速报价"_s, u"检查地址和手机号码，然后在浏览器中显示报价"_s);
    row("websiteChatButton", R::Button, u"在线咨询：建设网站"_s, u"单击与技术支持在线交谈"_s);
    row("advertisingChatButton", R::Button, u"在线咨询：投放广告"_s, u"单击与技术支持在线交谈"_s);
    row("franchiseChatButton", R::Button, u"在线咨询：合作加盟"_s, u"单击与技术支持在线交谈"_s);
    row("adviceChatButton", R::Button, u"在线咨询：装修咨询"_s, u"单击与技术支持在线交谈"_s);
    row("mainSiteLink", R::Button, u"进入Ruvelo官方"_s, u"单击在浏览器中打开Ruvelo官方网站"_s);
    row("houseTypeLabel", R::StaticText, u"户    型"_s);
    row("provinceList", R::ComboBox, u"业主地址：省"_s);
    row("cityList", R::ComboBox, u"业主地址：市"_s);
    row("districtList", R::ComboBox, u"业主地址：区"_s);
    row("houseTypeList", R::ComboBox, u"户型"_s);
    row("bathroomList", R::ComboBox, u"卫生间数量"_s);
    row("balconyList", R::ComboBox, u"阳台数量"_s);
    const QString squareMetres = u"单位：平方米"_s;
    row("livingRoomArea", R::EditableText, u"客厅面积"_s, squareMetres);
    row("diningRoomArea", R::EditableText, u"餐厅面积"_s, squareMetres);
    row("bedroomArea", R::EditableText, u"卧房面积"_s, squareMetres);
    row("kitchenArea", R::EditableText, u"厨房面积"_s, squareMetres);
    row("bathroomArea", R::EditableText, u"卫生间面积"_s, squareMetres);
    row("balconyArea", R::EditableText, u"阳台面积"_s, squareMetres);
    row("phoneEdit", R::EditableText, u"手机号码"_s, u"11位手机号码"_s);
    row("modernStyleOption", R::RadioButton, u"现代简约"_s, u"装修风格"_s);
    row("countryStyleOption", R::RadioButton, u"西式田园"_s, u"装修风格"_s);
    row("economyGradeOption", R::RadioButton, u"经济实惠"_s, u"装修档次"_s);
    row("luxuryGradeOption", R::RadioButton, u"高档豪华"_s, u"装修档次"_s);
    row("gradeBox", R::Grouping, u"装修档次"_s);
    row("newsBox", R::Grouping, u"最新动态"_s);
    row("headline0", R::Button, u"Label21"_s, u"最新动态第1条，单击打开"_s);
    row("headline9", R::Button, u"Label21"_s, u"最新动态第10条，单击打开"_s);
    row("columnDivider", R::Separator, {});
    row("loadingPage", R::StaticText, u"正在加载"_s,
        u"启动时盖住窗口的加载页面，约两秒后自动关闭"_s);
}

void TestAccessibility::names()
{
    QFETCH(QString, control);
    QFETCH(QAccessible::Role, role);
    QFETCH(QString, name);
    QFETCH(QString, description);
    using R = QAccessible::Role;

    const QHash<QObject *, QAccessibleInterface *> nodes = tree();
    QAccessibleInterface *iface = nodes.value(form->findChild<QWidget *>(control));
    QVERIFY2(iface, "not reachable from the window");
    QCOMPARE(iface->role(), role);
    if (auto *list = qobject_cast<QComboBox *>(iface->object())) {
        // Windows reads the list's own name; on Linux Qt gives the list's text as its name, and
        // the edit field carries the list's name.
        QCOMPARE(list->accessibleName(), name);
        iface = nodes.value(list->lineEdit());
        QVERIFY(iface);
    }
    QCOMPARE(iface->text(QAccessible::Name), name);
    QCOMPARE(iface->text(QAccessible::Description), description);
    if (role == R::Button) {
        QVERIFY(iface->actionInterface());
        QVERIFY(iface->actionInterface()->actionNames().contains(
            QAccessibleActionInterface::pressAction()));
    }
}

// A control added to the window definition later must not reach a screen reader unnamed.
void TestAccessibility::everyControlIsNamed()
{
    const QHash<QObject *, QAccessibleInterface *> nodes = tree();
    const QList<QWidget *> controls =
        windowtest::child(*form, u"formPane"_s)->findChildren<QWidget *>();
    int checked = 0;
    for (QWidget *control : controls) {
        if (control->objectName().isEmpty() || control->objectName().startsWith(u"qt_"_s))
            continue; // parts of Qt's composite widgets
        QAccessibleInterface *iface = nodes.value(control);
        QVERIFY2(iface, qPrintable(control->objectName()));
        if (iface->role() != QAccessible::Separator)
            QVERIFY2(!iface->text(QAccessible::Name).isEmpty(), qPrintable(control->objectName()));
        ++checked;
    }
    QCOMPARE(checked, 65);
}

// The harvest sets the captions at the tick; the name must be the caption as the page gives it,
// not a fixed text.
void TestAccessibility::headlineNameFollowsCaption()
{
    QVERIFY(windowtest::openWindow(
        form, catalogue,
        QUrl(u"data:text/html,<input name=news1 value=x><input name=news2 "
             "value=\"A%26amp;B\"><input name=news3 value=y><input name=news4 "
             "value=\"R%26amp;D %26amp;%26amp; more\">"_s)));
    QTest::qWait(50);
    windowtest::runStartupTick(*form);
    QAccessibleInterface *iface = node(u"headline3"_s);
    QVERIFY(iface);
    QCOMPARE(iface->text(QAccessible::Name), u"R&D && more"_s);
    QCOMPARE(iface->text(QAccessible::Description), u"最新动态第4条，单击打开"_s);
    QCOMPARE(node(u"headline1"_s)->text(QAccessible::Name), u"A&B"_s);
}

void TestAccessibility::labelledByTheLabelBeside_data()
{
    QTest::addColumn<QString>("control");
    QTest::addColumn<QString>("label");
    QTest::newRow("province") << "provinceList"
                              << "addressLabel";
    QTest::newRow("house type") << "houseTypeList"
                                << "houseTypeLabel";
    QTest::newRow("living room") << "livingRoomArea"
                                 << "livingRoomLabel";
    QTest::newRow("phone") << "phoneEdit"
                           << "phoneLabel";
}

// Linux screen readers name a field by the label that labels it.
void TestAccessibility::labelledByTheLabelBeside()
{
    QFETCH(QString, control);
    QFETCH(QString, label);
    QAccessibleInterface *iface = node(control);
    QVERIFY(iface);
    const auto relations = iface->relations(QAccessible::Label);
    QCOMPARE(relations.size(), 1);
    QCOMPARE(relations.first().first->object()->objectName(), label);
}

// A screen reader learns that the cover is up from its node: named, and visible until the tick.
void TestAccessibility::coverAnnouncedWhileUp()
{
    QAccessibleInterface *cover = node(u"loadingPage"_s);
    QVERIFY(cover);
    QVERIFY(!cover->state().invisible);
    QCOMPARE(cover->text(QAccessible::Name), u"正在加载"_s);
    windowtest::runStartupTick(*form);
    QVERIFY(cover->state().invisible);
}

void TestAccessibility::press_data()
{
    QTest::addColumn<QString>("control");
    QTest::addColumn<bool>("coverUp");
    QTest::addColumn<QString>("opens");   // what reaches the desktop
    QTest::addColumn<QString>("message"); // the message box shown

    QTest::newRow("picture button")
        << "corporateSiteButton" << false << QString(CorporateSiteOrigin) << QString();
    QTest::newRow("submit picture")
        << "submitButton" << false << QString() << u"请录入正确的：电话号码"_s;
    QTest::newRow("headline, web address")
        << "headline0" << false << u"http://news.example.com/1.html"_s << QString();
    QTest::newRow("headline, local file") << "headline1" << false << QString() << QString();
    QTest::newRow("under the loading cover")
        << "corporateSiteButton" << true << QString() << QString();
}

// A screen reader's press runs the control's click: the same handler, the same rules.
void TestAccessibility::press()
{
    QFETCH(QString, control);
    QFETCH(bool, coverUp);
    QFETCH(QString, opens);
    QFETCH(QString, message);

    const QByteArray page = "<input name=news1 value=web mysrc=\"http://news.example.com/1.html\">"
                            "<input name=news2 value=file mysrc=\"file:///tmp/111.doc\">";
    QVERIFY(windowtest::openWindow(form, catalogue,
                                   QUrl(u"data:text/html,"_s + QString::fromLatin1(page))));
    QTest::qWait(50);
    if (!coverUp)
        windowtest::runStartupTick(*form);
    windowtest::Launches launches;
    QString shown;
    const MessageBoxAnswerer answer([&](QMessageBox &box) { shown = box.text(); });

    QAccessibleInterface *iface = node(control);
    QVERIFY(iface && iface->actionInterface());
    iface->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    QTest::qWait(300); // a press shows the button down for 100 ms before it clicks
    QCOMPARE(launches.urls, opens.isEmpty() ? QList<QUrl>() : QList<QUrl>{QUrl(opens)});
    QCOMPARE(shown, message);
}

// Names and descriptions only: the controls that take the focus are still exactly those of the
// window definition.
void TestAccessibility::nothingNewTakesFocus()
{
    QStringList focusable;
    for (QWidget *control : form->findChildren<QWidget *>()) {
        if (!control->objectName().isEmpty() && !control->objectName().startsWith(u"qt_"_s) &&
            control->focusPolicy() != Qt::NoFocus)
            focusable << control->objectName();
    }
    focusable.sort();
    QStringList expected;
    for (const char *name :
         {"formPane",           "loadingPage",        "provinceList",        "cityList",
          "districtList",       "houseTypeList",      "bathroomList",        "balconyList",
          "livingRoomArea",     "diningRoomArea",     "bedroomArea",         "kitchenArea",
          "bathroomArea",       "balconyArea",        "phoneEdit",           "modernStyleOption",
          "fusionStyleOption",  "chineseStyleOption", "europeanStyleOption", "countryStyleOption",
          "economyGradeOption", "comfortGradeOption", "luxuryGradeOption"})
        expected << QString::fromLatin1(name);
    expected.sort();
    QCOMPARE(focusable, expected);
}

QTEST_MAIN(TestAccessibility)
#include "tst_accessibility.moc"
