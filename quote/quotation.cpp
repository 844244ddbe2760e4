#include "quote/quotation.h"

#include "text/chars.h"

#include <cmath>
#include <utility>

namespace quote
{

QString refusalMessage(QStringView fieldName)
{
    QString message = RefusalPrefix.toString();
    message += fieldName;
    return message;
}

bool regionChosen(QStringView regionText)
{
    return !regionText.isEmpty() && regionText != text::Placeholder;
}

bool phonePasses(QStringView phone)
{
    if (phone.size() != 11)
        return false;
    const char16_t last = phone.back().unicode();
    return last >= u'0' && last <= u'9';
}

QString failedField(const QuotationForm &form)
{
    QString field;
    const bool addressOk =
        regionChosen(form.province) && regionChosen(form.city) && regionChosen(form.district);
    if (!addressOk)
        field = AddressField.toString();
    if (!phonePasses(form.phone))
        field = PhoneField.toString();
    return field;
}

QString styleCode(int style)
{
    const bool ownCode = style >= ModernStyle && style <= EuropeanStyle;
    return QString::number(ownCode ? style : int(CountryStyle));
}

QString gradeCode(int grade)
{
    const bool ownCode = grade == EconomyGrade || grade == ComfortGrade;
    return QString::number(ownCode ? grade : int(LuxuryGrade));
}

HouseTypeCodes houseTypeCodes(QStringView houseType)
{
    struct Row {
        QStringView text;
        int bom1, bom2, bom3;
        QStringView findman3;
    };
    static constexpr Row rows[] = {
        {u"一房一厅", 1, 1, 0, u"1"},  {u"二房一厅", 2, 1, 0, u"2"},  {u"三房一厅", 3, 1, 0, u"3"},
        {u"二房二厅", 2, 1, 1, u"12"}, {u"三房二厅", 3, 1, 1, u"13"}, {u"四房二厅", 4, 1, 1, u"14"},
        {u"五房二厅", 5, 1, 1, u"15"},
    };
    for (const Row &row : rows) {
        if (houseType == row.text)
            return {row.bom1, row.bom2, row.bom3, row.findman3.toString()};
    }
    return {};
}

int countCode(QStringView count)
{
    static constexpr QStringView counts[] = {u"一间", u"二间", u"三间", u"四间"};
    for (int i = 0; i < 4; ++i) {
        if (count == counts[i])
            return i + 1;
    }
    return 0;
}

std::optional<double> readArea(QStringView text, const QLocale &locale)
{
    const QStringView trimmed = text.trimmed();
    bool ok = false;
    double value = locale.toDouble(trimmed, &ok);
    if (!ok) {
        // Someone used to a point as decimal separator may type one whatever the locale says.
        QLocale plain = QLocale::c();
        plain.setNumberOptions(QLocale::RejectGroupSeparator);
        value = plain.toDouble(trimmed, &ok);
    }
    // A number whose written form reads back as infinite (the fifteen digits round the largest
    // doubles up) would reach the site as a value out of range.
    if (!ok || !std::isfinite(value) || !std::isfinite(writeArea(value).toDouble()))
        return std::nullopt;
    return value;
}

QString writeArea(double area)
{
    if (area == 0)
        return QStringLiteral("0");
    return QString::number(area, 'g', 15);
}

QString escapeValue(QStringView value)
{
    QString out;
    out.reserve(value.size());
    for (const QChar c : value) {
        const char16_t u = c.unicode();
        const bool escape = u < 0x20 || u == 0x7f || u == u'&' || u == u'#' || u == u'=' ||
                            u == u'+' || u == u'%' || u == u' ';
        if (escape)
            out += u'%' + QString::number(u, 16).toUpper().rightJustified(2, u'0');
        else
            out += c;
    }
    return out;
}

Quotation composeQuotation(const QuotationForm &form, QAnyStringView mainSiteOrigin,
                           const QLocale &locale)
{
    if (const QString field = failedField(form); !field.isEmpty())
        return {refusalMessage(field), {}};

    const HouseTypeCodes house = houseTypeCodes(form.houseType);
    const int bathrooms = countCode(form.bathrooms);
    const int balconies = countCode(form.balconies);

    // Box i gives bomarea(i + 1). They are read in this order, so that the first box without a
    // number is the one named. A disabled box without a number goes out as 0: the user could
    // not correct it.
    struct Box {
        const QString &text;
        bool enabled;
        QStringView field;
    };
    const std::array<bool, 6> &on = form.areaEnabled;
    const Box boxes[] = {
        {form.bedroomArea, on[2], u"卧房面积"},    {form.livingRoomArea, on[0], u"客厅面积"},
        {form.diningRoomArea, on[1], u"餐厅面积"}, {form.kitchenArea, on[3], u"厨房面积"},
        {form.balconyArea, on[5], u"阳台面积"},    {form.bathroomArea, on[4], u"卫生间面积"},
    };
    std::array<QString, 6> areas;
    for (int i = 0; i < 6; ++i) {
        const std::optional<double> value = readArea(boxes[i].text, locale);
        if (!value && boxes[i].enabled)
            return {refusalMessage(boxes[i].field), {}};
        areas[i] = writeArea(value.value_or(0));
    }

    const std::pair<QStringView, QString> query[] = {
        {u"bom1", QString::number(house.bom1)},
        {u"bom2", QString::number(house.bom2)},
        {u"bom3", QString::number(house.bom3)},
        {u"bom4", QStringLiteral("1")},
        {u"bom5", QString::number(balconies)},
        {u"bom6", QString::number(bathrooms)},
        {u"bomarea2", areas[1]},
        {u"bomarea3", areas[2]},
        {u"bomarea1", areas[0]},
        {u"bomarea4", areas[3]},
        {u"bomarea5", areas[4]},
        {u"bomarea6", areas[5]},
        {u"pho", form.phone},
        {u"cit1", form.province},
        {u"cit2", form.city},
        {u"cit3", form.district},
        {u"dc", gradeCode(form.grade)},
        {u"findman3", house.findman3},
        {u"kongzhi", QStringLiteral("tijiao")},
        {u"findman", QString::number(balconies)},
        {u"fengge", styleCode(form.style)},
        {u"jmid", QStringLiteral("null")},
    };

    QString request = mainSiteOrigin.toString();
    request += u"/AutoPrice.action";
    QChar separator = u'?';
    for (const auto &[key, value] : query) {
        request += separator;
        request += key;
        request += u'=';
        request += escapeValue(value);
        separator = u'&';
    }
    return {{}, request};
}

} // namespace quote
