#include "tools/demosite/querycheck.h"

#include <QRegularExpression>
#include <QStringDecoder>
#include <algorithm>
#include <array>

using namespace Qt::StringLiterals;

namespace demosite
{

namespace
{

// The keys of a quotation request in the order they must arrive (the areas go 2, 3, 1, 4, 5, 6),
// each with what it means.
constexpr std::pair<QLatin1StringView, const char16_t *> Keys[] = {
    {"bom1"_L1, u"卧房数（户型中“房”前的数字）"},
    {"bom2"_L1, u"客厅数（列出的户型都是 1）"},
    {"bom3"_L1, u"餐厅数（“二厅”户型为 1）"},
    {"bom4"_L1, u"厨房数（总是 1）"},
    {"bom5"_L1, u"阳台数"},
    {"bom6"_L1, u"卫生间数"},
    {"bomarea2"_L1, u"客厅面积（平方米）"},
    {"bomarea3"_L1, u"餐厅面积（平方米）"},
    {"bomarea1"_L1, u"卧房面积（平方米）"},
    {"bomarea4"_L1, u"厨房面积（平方米）"},
    {"bomarea5"_L1, u"阳台面积（平方米）"},
    {"bomarea6"_L1, u"卫生间面积（平方米）"},
    {"pho"_L1, u"手机号码"},
    {"cit1"_L1, u"省份（地区码|名称）"},
    {"cit2"_L1, u"城市（地区码|名称）"},
    {"cit3"_L1, u"区县（地区码|名称）"},
    {"dc"_L1, u"装修档次：1 经济实惠，2 小康实用，3 高档豪华"},
    {"findman3"_L1, u"户型代码：一厅为卧房数，二厅为 10 加卧房数，未选为空"},
    {"kongzhi"_L1, u"提交标记（总是 tijiao）"},
    {"findman"_L1, u"阳台数（与 bom5 相同）"},
    {"fengge"_L1, u"装修风格：1 现代简约，2 中西合璧，3 中式怀旧，4 欧式古典，5 西式田园"},
    {"jmid"_L1, u"固定为 null"},
};
constexpr int KeyCount = int(std::size(Keys));

int positionOf(QStringView key)
{
    for (int i = 0; i < KeyCount; ++i) {
        if (Keys[i].first == key)
            return i;
    }
    return -1;
}

} // namespace

QString quotationKeyMeaning(QStringView key)
{
    const int position = positionOf(key);
    return position < 0 ? QString() : QString::fromUtf16(Keys[position].second);
}

DecodedText decodeGbkPercent(QByteArrayView raw)
{
    // A "%" that starts no escape is a "%" of its own.
    static const QRegularExpression stray(u"%(?![0-9A-Fa-f]{2})"_s);
    const QByteArray bytes = QByteArray::fromPercentEncoding(
        QString::fromLatin1(raw).replace(stray, u"%25"_s).toLatin1());
    // Stateless, so a character cut off at the end shows up as an error instead of vanishing.
    QStringDecoder gbk("GBK", QStringConverter::Flag::Stateless);
    DecodedText decoded;
    decoded.text = gbk.decode(bytes);
    decoded.clean = !gbk.hasError();
    // The decoder drops a cut-off character without a trace; show where it was.
    if (!decoded.clean && !decoded.text.contains(QChar::ReplacementCharacter))
        decoded.text += QChar::ReplacementCharacter;
    return decoded;
}

QList<QueryField> splitQuery(QByteArrayView rawQuery)
{
    QList<QueryField> fields;
    if (rawQuery.isEmpty())
        return fields;
    for (const QByteArray &piece : rawQuery.toByteArray().split('&')) {
        const qsizetype equals = piece.indexOf('=');
        const DecodedText key = decodeGbkPercent(equals < 0 ? piece : piece.first(equals));
        const DecodedText value =
            decodeGbkPercent(equals < 0 ? QByteArrayView() : piece.sliced(equals + 1));
        fields.append({key.text, value.text, key.clean && value.clean});
    }
    return fields;
}

bool QuotationCheck::passes() const
{
    return missing.isEmpty() && std::all_of(fields.begin(), fields.end(), [](const auto &f) {
               return f.verdict == Verdict::Ok && f.field.clean;
           });
}

QuotationCheck checkQuotation(const QList<QueryField> &fields)
{
    QuotationCheck check;
    std::array<bool, KeyCount> seen{};
    QList<qsizetype> firsts; // indexes into check.fields of each known key's first arrival
    for (const QueryField &field : fields) {
        CheckedField checked{field, Verdict::Ok, 0};
        const int position = positionOf(field.key);
        if (position < 0) {
            checked.verdict = Verdict::Unknown;
        } else {
            checked.expectedPosition = position + 1;
            if (seen[position])
                checked.verdict = Verdict::Repeated;
            else
                firsts.append(check.fields.size());
            seen[position] = true;
        }
        check.fields.append(checked);
    }

    // Longest run of first arrivals in increasing expected position; at most 22 of them, so the
    // quadratic search costs nothing. Ties keep the earliest, which flags the later of a swap.
    const qsizetype n = firsts.size();
    QList<int> length(n, 1), previous(n, -1);
    for (qsizetype i = 0; i < n; ++i) {
        for (qsizetype j = 0; j < i; ++j) {
            if (check.fields[firsts[j]].expectedPosition <
                    check.fields[firsts[i]].expectedPosition &&
                length[j] + 1 > length[i]) {
                length[i] = length[j] + 1;
                previous[i] = int(j);
            }
        }
    }
    QList<bool> inOrder(n, false);
    if (n > 0) {
        int i = int(std::max_element(length.begin(), length.end()) - length.begin());
        for (; i >= 0; i = previous[i])
            inOrder[i] = true;
    }
    for (qsizetype i = 0; i < n; ++i) {
        if (!inOrder[i])
            check.fields[firsts[i]].verdict = Verdict::OutOfOrder;
    }

    for (int i = 0; i < KeyCount; ++i) {
        if (!seen[i])
            check.missing.append(Keys[i].first);
    }
    return check;
}

} // namespace demosite
