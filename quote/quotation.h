#pragma once

#include <QAnyStringView>
#include <QLocale>
#include <QString>
#include <QStringView>
#include <array>
#include <optional>

// The quotation request: checks the address and the phone number, turns the window's choices
// into the vendor site's codes and composes the AutoPrice.action address. No I/O here; the
// window shows the refusal or hands the request to the link launcher.
namespace quote
{

inline constexpr QStringView RefusalPrefix = u"请录入正确的：";
inline constexpr QStringView AddressField = u"业主地址";
inline constexpr QStringView PhoneField = u"电话号码";

// The ids of the window's option buttons: its style and grade groups give the checked one.
enum StyleId { ModernStyle = 1, FusionStyle, ChineseStyle, EuropeanStyle, CountryStyle };
enum GradeId { EconomyGrade = 1, ComfortGrade, LuxuryGrade };
inline constexpr int NoneChecked = -1;

// What the window holds when the user submits, as plain texts, flags and option ids.
struct QuotationForm {
    QString province, city, district;
    QString phone;
    // The checked style and grade by their ids above, NoneChecked when none is.
    int style = NoneChecked;
    int grade = NoneChecked;
    QString houseType, bathrooms, balconies;
    QString livingRoomArea, diningRoomArea, bedroomArea, kitchenArea, bathroomArea, balconyArea;
    // Whether each area box above, in that order, is enabled. A box the user cannot edit is
    // never refused.
    std::array<bool, 6> areaEnabled{true, true, true, true, true, true};
};

// Exactly one member is non-empty: the message to show, or the address to open.
struct Quotation {
    QString refusal;
    QString request;
};

Quotation composeQuotation(const QuotationForm &form, QAnyStringView mainSiteOrigin,
                           const QLocale &locale = QLocale());

// "请录入正确的：" followed by the field's name.
QString refusalMessage(QStringView fieldName);

// A region list counts as chosen unless it shows the placeholder or nothing at all.
bool regionChosen(QStringView regionText);

// Eleven UTF-16 code units, the last one an ASCII digit. Nothing else is looked at, so
// letters or blanks earlier on pass.
bool phonePasses(QStringView phone);

// The name of the field to complain about, or empty when both checks pass. Both checks always
// run; a bad phone number is named in place of a bad address.
QString failedField(const QuotationForm &form);

// The first four styles give "1".."4", anything else (the fifth, or none) "5". Likewise the first
// grade "1", the second "2", anything else "3".
QString styleCode(int style);
QString gradeCode(int grade);

// bom1: bedrooms; bom2: living room; bom3: dining room; findman3: the vendor's type code.
struct HouseTypeCodes {
    int bom1 = 0;
    int bom2 = 0;
    int bom3 = 0;
    QString findman3;
    friend bool operator==(const HouseTypeCodes &, const HouseTypeCodes &) = default;
};
// The seven listed house types; any other text gives all zeros and an empty code.
HouseTypeCodes houseTypeCodes(QStringView houseType);

// "一间".."四间" give 1..4, any other text 0.
int countCode(QStringView count);

// A finite number written in the given locale or plainly with "." as the decimal point (no
// digit grouping), blanks around it allowed. Empty, letters, out of range, inf and nan give
// nothing.
std::optional<double> readArea(QStringView text, const QLocale &locale);

// At most 15 significant digits, "." as the decimal point, no grouping, no trailing zeros;
// negative zero is written "0".
QString writeArea(double area);

// Percent-escapes the characters that would change the meaning of a query value ("&", "#",
// "=", "+", "%", blank) and the ASCII control characters. Everything else, "|" and Chinese
// included, is left as it is; the launcher encodes those for the wire.
QString escapeValue(QStringView value);

} // namespace quote
