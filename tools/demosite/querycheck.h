#pragma once

#include <QByteArrayView>
#include <QList>
#include <QString>
#include <QStringList>

// Reading a query the way the quotation program sends it, and checking an AutoPrice.action
// query against the keys and order the vendor site expects.
namespace demosite
{

// What a key of the quotation request means, in Chinese; empty for a key it does not have.
QString quotationKeyMeaning(QStringView key);

struct DecodedText {
    QString text;
    bool clean = true; // false when the bytes were not valid GBK
};

// Undoes %XX escapes and reads the bytes as GBK. A "%" without two hex digits after it stays as
// it is, and so does "+": the program writes its values unescaped, so a "+" on the wire is a
// "+" that was typed, not a blank.
DecodedText decodeGbkPercent(QByteArrayView raw);

struct QueryField {
    QString key;
    QString value;
    bool clean = true; // key and value were valid GBK
};

// The "&"-separated fields of a raw query, in the order received, split at the first "=".
// An empty query has no fields; an empty piece between two "&" is a field with an empty key.
QList<QueryField> splitQuery(QByteArrayView rawQuery);

enum class Verdict {
    Ok,
    OutOfOrder, // a known key, but placing it here breaks the expected order
    Unknown,    // not a key of the quotation request
    Repeated,   // a known key that already came earlier
};

struct CheckedField {
    QueryField field;
    Verdict verdict = Verdict::Ok;
    int expectedPosition = 0; // 1-based place in the expected order; 0 for an unknown key
};

struct QuotationCheck {
    QList<CheckedField> fields; // as received
    QStringList missing;        // expected keys never received, in the expected order
    bool passes() const;        // everything Ok, nothing missing, every value valid GBK
};

// Keys out of order are the fewest that, taken out, leave the rest in the expected order; of
// two keys that arrive swapped, the later one is flagged.
QuotationCheck checkQuotation(const QList<QueryField> &fields);

} // namespace demosite
