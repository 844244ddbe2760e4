// Input: two bytes of choices, then the form's texts separated by NUL characters.
//   byte 0: bits 0-2 the checked style's id plus one (0 for none, 6 and 7 no button's), bit 5 set
//           when the texts are UTF-16LE rather than UTF-8
//   byte 1: bits 0-2 the checked grade's id likewise, the rest modulo 3 the locale (C, zh_CN,
//           de_DE)
// The texts are province, city, district, phone, house type, bathrooms, balconies, then the
// living-room, dining-room, bedroom, kitchen, bathroom and balcony areas; missing ones are empty.
#include "fuzz/check.h"
#include "quote/quotation.h"
#include "web/links.h"

#include <QRegularExpression>
#include <QStringDecoder>
#include <QUrl>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

using namespace quote;
using namespace Qt::StringLiterals;

namespace
{

const QString Origin = u"http://www.example.com"_s;

const QStringList Keys{u"bom1"_s,     u"bom2"_s,     u"bom3"_s,     u"bom4"_s,     u"bom5"_s,
                       u"bom6"_s,     u"bomarea2"_s, u"bomarea3"_s, u"bomarea1"_s, u"bomarea4"_s,
                       u"bomarea5"_s, u"bomarea6"_s, u"pho"_s,      u"cit1"_s,     u"cit2"_s,
                       u"cit3"_s,     u"dc"_s,       u"findman3"_s, u"kongzhi"_s,  u"findman"_s,
                       u"fengge"_s,   u"jmid"_s};

QLocale localeFor(uint8_t choice)
{
    switch (choice % 3) {
    case 0:
        return QLocale::c();
    case 1:
        return QLocale(QLocale::Chinese, QLocale::China);
    default:
        return QLocale(QLocale::German, QLocale::Germany);
    }
}

QuotationForm formFrom(const uint8_t *data, size_t size)
{
    QuotationForm form;
    form.style = int(data[0] & 0x07) - 1;
    form.grade = int(data[1] & 0x07) - 1;

    QStringDecoder decoder(data[0] & 0x20 ? QStringDecoder::Utf16LE : QStringDecoder::Utf8);
    const QString text = decoder(QByteArrayView(data + 2, qsizetype(size - 2)));
    QString *const fields[] = {
        &form.province,       &form.city,        &form.district,    &form.phone,
        &form.houseType,      &form.bathrooms,   &form.balconies,   &form.livingRoomArea,
        &form.diningRoomArea, &form.bedroomArea, &form.kitchenArea, &form.bathroomArea,
        &form.balconyArea,
    };
    const QStringList parts = text.split(QChar(u'\0'));
    for (qsizetype i = 0; i < parts.size() && i < qsizetype(std::size(fields)); ++i)
        *fields[i] = parts[i];
    return form;
}

int hexDigit(QChar c)
{
    const char16_t u = c.unicode();
    if (u >= u'0' && u <= u'9')
        return u - u'0';
    if (u >= u'A' && u <= u'F')
        return u - u'A' + 10;
    return -1;
}

// Undoes escapeValue; each escape is "%" and two upper-case hex digits of an ASCII character.
QString unescape(QStringView value)
{
    QString out;
    for (qsizetype i = 0; i < value.size(); ++i) {
        if (value[i] != u'%') {
            out += value[i];
            continue;
        }
        check(i + 2 < value.size(), "an escape cut short");
        const int high = hexDigit(value[i + 1]);
        const int low = hexDigit(value[i + 2]);
        check(high >= 0 && low >= 0, "an escape without two hex digits");
        out += QChar(char16_t(high * 16 + low));
        i += 2;
    }
    return out;
}

// Plain decimal or exponent form, "." as the decimal point, no grouping, no trailing zeros, at
// most 15 significant digits. Rounding to 15 digits may carry the largest doubles past the
// double range ("1.79769313486232e+308"); the text is still well formed.
bool isCanonicalNumber(const QString &text)
{
    static const QRegularExpression form(uR"(^-?(0|[1-9][0-9]*)(\.[0-9]*[1-9])?(e[+-][0-9]+)?$)"_s);
    const QRegularExpressionMatch match = form.match(text);
    if (!match.hasMatch())
        return false;
    QString digits = match.captured(1) + match.captured(2);
    digits.remove(u'.');
    while (digits.startsWith(u'0'))
        digits.remove(0, 1);
    return digits.size() <= 15 && text != u"-0"_s;
}

void checkRequest(const QuotationForm &form, const QString &request)
{
    const QString prefix = Origin + u"/AutoPrice.action?bom1="_s;
    check(request.startsWith(prefix), "the request does not start with the address");

    const QStringList pairs = request.sliced(request.indexOf(u'?') + 1).split(u'&');
    check(pairs.size() == Keys.size(), "not 22 query pairs");
    QStringList values;
    for (qsizetype i = 0; i < pairs.size(); ++i) {
        const QStringList keyValue = pairs[i].split(u'=');
        check(keyValue.size() == 2, "a query pair without exactly one '='");
        check(keyValue[0] == Keys[i], "a key out of place");
        for (const QChar c : keyValue[1]) {
            const char16_t u = c.unicode();
            check(u >= 0x20 && u != 0x7f && u != u'#' && u != u'+' && u != u' ',
                  "a character left unescaped");
        }
        values.append(unescape(keyValue[1]));
    }

    // The typed texts go out as typed.
    check(values[Keys.indexOf(u"pho"_s)] == form.phone, "the phone number changed");
    check(values[Keys.indexOf(u"cit1"_s)] == form.province, "the province changed");
    check(values[Keys.indexOf(u"cit2"_s)] == form.city, "the city changed");
    check(values[Keys.indexOf(u"cit3"_s)] == form.district, "the district changed");
    for (qsizetype i = Keys.indexOf(u"bomarea2"_s); i <= Keys.indexOf(u"bomarea6"_s); ++i)
        check(isCanonicalNumber(values[i]), "an area not in canonical form");

    const QByteArray wire = web::wireForm(request);
    for (const char b : wire)
        check(uint8_t(b) < 0x80, "a wire form that is not ASCII");
    const QUrl url = web::targetUrl(request);
    check(url.isValid(), "an invalid request URL");
    // Nothing typed may move the request to another host, path or fragment.
    check(url.host() == u"www.example.com"_s, "the request's host changed");
    check(url.path() == u"/AutoPrice.action"_s, "the request's path changed");
    check(!url.hasFragment(), "the request has a fragment");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 2)
        return 0;
    const QuotationForm form = formFrom(data, size);
    const Quotation q = composeQuotation(form, Origin, localeFor(data[1] >> 3));
    check(q.refusal.isEmpty() != q.request.isEmpty(), "not exactly one of refusal and request");
    if (!q.refusal.isEmpty()) {
        check(q.refusal.startsWith(RefusalPrefix), "a refusal without its prefix");
        return 0;
    }
    checkRequest(form, q.request);
    return 0;
}
