#include "buildconstants.h"
#include "quote/quotation.h"

#include <QHash>
#include <QScopeGuard>
#include <QTest>

using namespace quote;
using namespace Qt::StringLiterals;

namespace
{

const QString Origin = u"http://www.example.com"_s;

// The worked example: every check passes.
QuotationForm exampleForm()
{
    QuotationForm f;
    f.province = u"990000|示范省"_s;
    f.city = u"990100|示范市"_s;
    f.district = u"990102|示范区"_s;
    f.phone = u"12345678901"_s;
    f.style = ChineseStyle;
    f.grade = ComfortGrade;
    f.houseType = u"三房二厅"_s;
    f.bathrooms = u"二间"_s;
    f.balconies = u"一间"_s;
    f.bedroomArea = u"25"_s;
    f.livingRoomArea = u"18.50"_s;
    f.diningRoomArea = u"12"_s;
    f.kitchenArea = u"0"_s;
    f.balconyArea = u"4"_s;
    f.bathroomArea = u"008"_s;
    return f;
}

const QString ExampleQuery =
    u"/AutoPrice.action?bom1=3&bom2=1&bom3=1&bom4=1&bom5=1&bom6=2&bomarea2=18.5&bomarea3=12"
    "&bomarea1=25&bomarea4=0&bomarea5=4&bomarea6=8&pho=12345678901&cit1=990000|示范省"
    "&cit2=990100|示范市&cit3=990102|示范区&dc=2&findman3=13&kongzhi=tijiao&findman=1&fengge=3"
    "&jmid=null"_s;

const QLocale Chinese(QLocale::Chinese, QLocale::China);

// Spoils the named fields of the form: a region back to the placeholder ("-district" empties
// the text instead), the phone, an area box ("off:diningRoomArea" disables the box and leaves
// its text).
void spoil(QuotationForm &f, const QString &fields)
{
    const QHash<QString, QString *> regions{
        {u"province"_s, &f.province}, {u"city"_s, &f.city}, {u"district"_s, &f.district}};
    const QStringList areaNames{u"livingRoomArea"_s, u"diningRoomArea"_s, u"bedroomArea"_s,
                                u"kitchenArea"_s,    u"bathroomArea"_s,   u"balconyArea"_s};
    QString *areas[] = {&f.livingRoomArea, &f.diningRoomArea, &f.bedroomArea,
                        &f.kitchenArea,    &f.bathroomArea,   &f.balconyArea};
    for (const QString &name : fields.split(u' ')) {
        if (name == u"phone")
            f.phone = u"123"_s;
        else if (name.startsWith(u"off:"))
            f.areaEnabled[std::size_t(areaNames.indexOf(name.mid(4)))] = false;
        else if (name.startsWith(u'-'))
            regions.value(name.mid(1))->clear();
        else if (regions.contains(name))
            *regions.value(name) = u"请选择"_s;
        else
            *areas[areaNames.indexOf(name)] = u"abc"_s;
    }
}

QStringList queryPairs(const QString &request)
{
    return request.sliced(request.indexOf(u'?') + 1).split(u'&');
}

} // namespace

class TestQuotation : public QObject
{
    Q_OBJECT
private slots:
    void workedExample();
    void phoneRule_data();
    void phoneRule();
    void styleAndGrade_data();
    void styleAndGrade();
    void houseTypes_data();
    void houseTypes();
    void requestCodes_data();
    void requestCodes();
    void readAndWriteArea_data();
    void readAndWriteArea();
    void writeAreaIgnoresDefaultLocale();
    void refusals_data();
    void refusals();
    void areasReadInUserLocale();
    void escaping_data();
    void escaping();
    void typedTextsEscapedInRequest();
};

void TestQuotation::workedExample()
{
    const Quotation q = composeQuotation(exampleForm(), Origin, Chinese);
    QCOMPARE(q.refusal, QString());
    QCOMPARE(q.request, Origin + ExampleQuery);

    const Quotation built = composeQuotation(exampleForm(), MainSiteOrigin, Chinese);
    QCOMPARE(built.request, QString(MainSiteOrigin) + ExampleQuery);
}

void TestQuotation::phoneRule_data()
{
    QTest::addColumn<QString>("phone");
    QTest::addColumn<bool>("passes");

    QTest::newRow("eleven digits") << u"13800138000"_s << true;
    QTest::newRow("ten digits") << u"1380013800"_s << false;
    QTest::newRow("twelve digits") << u"138001380001"_s << false;
    QTest::newRow("ends in a letter") << u"1380013800a"_s << false;
    QTest::newRow("letters, then a digit") << u"abcdefghij9"_s << true;
    QTest::newRow("blank inside") << u"138 0013800"_s << true;
    QTest::newRow("full-width last digit") << u"1380013800０"_s << false;
    QTest::newRow("arabic-indic last digit") << u"1380013800\u0663"_s << false;
    // A character outside the BMP is two code units.
    QTest::newRow("surrogate pair counts twice") << u"\U0001F600123456789"_s << true;
    QTest::newRow("empty") << QString() << false;
}

void TestQuotation::phoneRule()
{
    QFETCH(QString, phone);
    QFETCH(bool, passes);
    QCOMPARE(phonePasses(phone), passes);
}

void TestQuotation::styleAndGrade_data()
{
    QTest::addColumn<int>("style");
    QTest::addColumn<int>("grade");
    QTest::addColumn<QString>("styleCode");
    QTest::addColumn<QString>("gradeCode");

    QTest::newRow("start-up selection")
        << int(ModernStyle) << int(EconomyGrade) << u"1"_s << u"1"_s;
    QTest::newRow("second of each") << int(FusionStyle) << int(ComfortGrade) << u"2"_s << u"2"_s;
    QTest::newRow("fourth style, last grade")
        << int(EuropeanStyle) << int(LuxuryGrade) << u"4"_s << u"3"_s;
    QTest::newRow("last style") << int(CountryStyle) << int(LuxuryGrade) << u"5"_s << u"3"_s;
    QTest::newRow("nothing selected") << NoneChecked << NoneChecked << u"5"_s << u"3"_s;
}

void TestQuotation::styleAndGrade()
{
    QFETCH(int, style);
    QFETCH(int, grade);
    QFETCH(QString, styleCode);
    QFETCH(QString, gradeCode);
    QCOMPARE(quote::styleCode(style), styleCode);
    QCOMPARE(quote::gradeCode(grade), gradeCode);
}

void TestQuotation::houseTypes_data()
{
    QTest::addColumn<QString>("houseType");
    QTest::addColumn<int>("bom1");
    QTest::addColumn<int>("bom2");
    QTest::addColumn<int>("bom3");
    QTest::addColumn<QString>("findman3");

    QTest::newRow("一房一厅") << u"一房一厅"_s << 1 << 1 << 0 << u"1"_s;
    QTest::newRow("三房一厅") << u"三房一厅"_s << 3 << 1 << 0 << u"3"_s;
    QTest::newRow("二房二厅") << u"二房二厅"_s << 2 << 1 << 1 << u"12"_s;
    QTest::newRow("四房二厅") << u"四房二厅"_s << 4 << 1 << 1 << u"14"_s;
    QTest::newRow("五房二厅") << u"五房二厅"_s << 5 << 1 << 1 << u"15"_s;
    QTest::newRow("placeholder") << u"请选择"_s << 0 << 0 << 0 << QString();
    QTest::newRow("typed, trailing blank") << u"三房二厅 "_s << 0 << 0 << 0 << QString();
    QTest::newRow("typed, not listed") << u"六房二厅"_s << 0 << 0 << 0 << QString();
}

void TestQuotation::houseTypes()
{
    QFETCH(QString, houseType);
    QFETCH(int, bom1);
    QFETCH(int, bom2);
    QFETCH(int, bom3);
    QFETCH(QString, findman3);
    QCOMPARE(houseTypeCodes(houseType), (HouseTypeCodes{bom1, bom2, bom3, findman3}));
}

void TestQuotation::requestCodes_data()
{
    QTest::addColumn<QString>("houseType");
    QTest::addColumn<QString>("bathrooms");
    QTest::addColumn<QString>("balconies");
    QTest::addColumn<QStringList>("expected");

    QTest::newRow("choices left at the placeholder")
        << u"请选择"_s << u"请选择"_s << u"请选择"_s
        << QStringList{u"bom1=0"_s, u"bom2=0"_s, u"bom3=0"_s,   u"findman3="_s,
                       u"bom5=0"_s, u"bom6=0"_s, u"findman=0"_s};
    QTest::newRow("balconies go to bom5 and findman")
        << u"二房一厅"_s << u"四间"_s << u"二间"_s
        << QStringList{u"bom1=2"_s, u"bom2=1"_s, u"bom3=0"_s,   u"findman3=2"_s,
                       u"bom5=2"_s, u"bom6=4"_s, u"findman=2"_s};
}

void TestQuotation::requestCodes()
{
    QFETCH(QString, houseType);
    QFETCH(QString, bathrooms);
    QFETCH(QString, balconies);
    QFETCH(QStringList, expected);

    QuotationForm f = exampleForm();
    f.houseType = houseType;
    f.bathrooms = bathrooms;
    f.balconies = balconies;
    const QStringList pairs = queryPairs(composeQuotation(f, Origin, Chinese).request);

    QStringList keys;
    for (const QString &pair : pairs)
        keys.append(pair.section(u'=', 0, 0));
    const QStringList order{
        u"bom1"_s,     u"bom2"_s,     u"bom3"_s,     u"bom4"_s,     u"bom5"_s,     u"bom6"_s,
        u"bomarea2"_s, u"bomarea3"_s, u"bomarea1"_s, u"bomarea4"_s, u"bomarea5"_s, u"bomarea6"_s,
        u"pho"_s,      u"cit1"_s,     u"cit2"_s,     u"cit3"_s,     u"dc"_s,       u"findman3"_s,
        u"kongzhi"_s,  u"findman"_s,  u"fengge"_s,   u"jmid"_s};
    QCOMPARE(keys, order);
    for (const QString &pair : expected)
        QVERIFY2(pairs.contains(pair), qPrintable(pair));
}

void TestQuotation::readAndWriteArea_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<QString>("written"); // empty: refused

    const QLocale german(QLocale::German, QLocale::Germany);
    QTest::newRow("plain") << u"12.5"_s << Chinese << u"12.5"_s;
    QTest::newRow("german comma") << u"12,5"_s << german << u"12.5"_s;
    QTest::newRow("german user, plain point") << u"12.5"_s << german << u"12.5"_s;
    QTest::newRow("german user, grouped") << u"1.234"_s << german << u"1234"_s;
    QTest::newRow("german user, english grouping") << u"1,234.5"_s << german << QString();
    QTest::newRow("comma where it is no separator") << u"12,5"_s << Chinese << QString();
    QTest::newRow("leading zeros") << u"007"_s << Chinese << u"7"_s;
    QTest::newRow("trailing zero") << u"12.50"_s << Chinese << u"12.5"_s;
    QTest::newRow("negative zero") << u"-0"_s << Chinese << u"0"_s;
    QTest::newRow("negative") << u"-3.25"_s << Chinese << u"-3.25"_s;
    QTest::newRow("blanks around") << u" 3 "_s << Chinese << u"3"_s;
    QTest::newRow("fifteen digits kept")
        << u"123456789012.345"_s << Chinese << u"123456789012.345"_s;
    QTest::newRow("rounded to fifteen digits") << u"0.30000000000000004"_s << Chinese << u"0.3"_s;
    QTest::newRow("no grouping written") << u"1234567"_s << german << u"1234567"_s;
    QTest::newRow("empty") << QString() << Chinese << QString();
    QTest::newRow("letters") << u"abc"_s << Chinese << QString();
    QTest::newRow("full-width digits") << u"１２"_s << Chinese << QString();
    QTest::newRow("overflow") << u"1e400"_s << Chinese << QString();
    // Fifteen digits round the largest double up past the largest double: the site could not
    // read it back.
    QTest::newRow("largest double") << u"1.7976931348623157e308"_s << Chinese << QString();
    QTest::newRow("underflow") << u"1e-400"_s << Chinese << QString();
    QTest::newRow("inf") << u"inf"_s << Chinese << QString();
}

void TestQuotation::readAndWriteArea()
{
    QFETCH(QString, text);
    QFETCH(QLocale, locale);
    QFETCH(QString, written);

    const std::optional<double> value = readArea(text, locale);
    QCOMPARE(value.has_value(), !written.isEmpty());
    if (value)
        QCOMPARE(writeArea(*value), written);
}

void TestQuotation::writeAreaIgnoresDefaultLocale()
{
    const QLocale before;
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    const auto restore = qScopeGuard([&] { QLocale::setDefault(before); });
    QCOMPARE(writeArea(12345.5), u"12345.5"_s);
    QCOMPARE(writeArea(-0.0), u"0"_s);
}

void TestQuotation::refusals_data()
{
    QTest::addColumn<QString>("spoilt");
    QTest::addColumn<QString>("outcome"); // the field refused, or "key=value" of the request

    QTest::newRow("province") << u"province"_s << u"业主地址"_s;
    QTest::newRow("district") << u"district"_s << u"业主地址"_s;
    QTest::newRow("district emptied") << u"-district"_s << u"业主地址"_s;
    QTest::newRow("phone") << u"phone"_s << u"电话号码"_s;
    QTest::newRow("address and phone name the phone") << u"city phone"_s << u"电话号码"_s;
    QTest::newRow("bedroom") << u"bedroomArea"_s << u"卧房面积"_s;
    QTest::newRow("living room") << u"livingRoomArea"_s << u"客厅面积"_s;
    QTest::newRow("dining room") << u"diningRoomArea"_s << u"餐厅面积"_s;
    QTest::newRow("kitchen") << u"kitchenArea"_s << u"厨房面积"_s;
    QTest::newRow("balcony") << u"balconyArea"_s << u"阳台面积"_s;
    QTest::newRow("bathroom") << u"bathroomArea"_s << u"卫生间面积"_s;
    QTest::newRow("bedroom read before living room")
        << u"livingRoomArea bedroomArea"_s << u"卧房面积"_s;
    QTest::newRow("dining room before kitchen") << u"kitchenArea diningRoomArea"_s << u"餐厅面积"_s;
    QTest::newRow("balcony read before bathroom") << u"bathroomArea balconyArea"_s << u"阳台面积"_s;
    QTest::newRow("phone named first") << u"bedroomArea phone"_s << u"电话号码"_s;
    QTest::newRow("address named first") << u"kitchenArea city"_s << u"业主地址"_s;
    // A disabled box cannot be corrected: without a number it goes out as 0.
    QTest::newRow("disabled dining room, letters")
        << u"diningRoomArea off:diningRoomArea"_s << u"bomarea3=0"_s;
    QTest::newRow("disabled balcony, letters")
        << u"balconyArea off:balconyArea"_s << u"bomarea5=0"_s;
    QTest::newRow("disabled bedroom keeps its number") << u"off:bedroomArea"_s << u"bomarea1=25"_s;
    QTest::newRow("enabled box beside a disabled one")
        << u"livingRoomArea off:diningRoomArea"_s << u"客厅面积"_s;
}

void TestQuotation::refusals()
{
    QFETCH(QString, spoilt);
    QFETCH(QString, outcome);

    QuotationForm f = exampleForm();
    spoil(f, spoilt);
    const Quotation q = composeQuotation(f, Origin, Chinese);
    if (outcome.contains(u'=')) {
        QCOMPARE(q.refusal, QString());
        QVERIFY2(queryPairs(q.request).contains(outcome), qPrintable(q.request));
        return;
    }
    QCOMPARE(q.refusal, u"请录入正确的："_s + outcome);
    QVERIFY(q.request.isEmpty());
}

void TestQuotation::areasReadInUserLocale()
{
    QuotationForm f = exampleForm();
    f.livingRoomArea = u"18,50"_s;
    const QString request =
        composeQuotation(f, Origin, QLocale(QLocale::German, QLocale::Germany)).request;
    QCOMPARE(request, Origin + ExampleQuery);
}

void TestQuotation::escaping_data()
{
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("escaped");

    QTest::newRow("ampersand") << u"a&b"_s << u"a%26b"_s;
    QTest::newRow("equals") << u"="_s << u"%3D"_s;
    QTest::newRow("plus") << u"+"_s << u"%2B"_s;
    QTest::newRow("percent") << u"50%"_s << u"50%25"_s;
    QTest::newRow("percent before hex") << u"%41"_s << u"%2541"_s;
    QTest::newRow("blank") << u"示范 区"_s << u"示范%20区"_s;
    QTest::newRow("tab and line feed") << u"\t\n"_s << u"%09%0A"_s;
    QTest::newRow("delete") << u"\x7f"_s << u"%7F"_s;
    QTest::newRow("region entry unchanged") << u"990000|示范省"_s << u"990000|示范省"_s;
    QTest::newRow("other punctuation unchanged") << u"?/:;@!$'()*,~"_s << u"?/:;@!$'()*,~"_s;
    QTest::newRow("full-width blank unchanged") << u"示范\u3000区"_s << u"示范\u3000区"_s;
    QTest::newRow("C1 control unchanged") << u"\u0085"_s << u"\u0085"_s;
}

void TestQuotation::escaping()
{
    QFETCH(QString, value);
    QFETCH(QString, escaped);
    QCOMPARE(escapeValue(value), escaped);
}

void TestQuotation::typedTextsEscapedInRequest()
{
    QuotationForm f = exampleForm();
    f.district = u"990102|甲&乙 区"_s;
    f.phone = u"123 567&901"_s;
    f.kitchenArea = u"1e15"_s;
    const QStringList pairs = queryPairs(composeQuotation(f, Origin, Chinese).request);
    QCOMPARE(pairs.size(), 22);
    QVERIFY(pairs.contains(u"cit3=990102|甲%26乙%20区"_s));
    QVERIFY(pairs.contains(u"pho=123%20567%26901"_s));
    QVERIFY(pairs.contains(u"bomarea4=1e%2B15"_s));
}

QTEST_GUILESS_MAIN(TestQuotation)
#include "tst_quotation.moc"
