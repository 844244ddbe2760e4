#pragma once

#include <QByteArrayView>
#include <QList>
#include <QString>

// The headline harvest: the news page's INPUT elements named news1, news2, ... carry the
// headline text in "value" and the address to open in "mysrc"; an INPUT whose value is exactly
// "已结束" ends the list. Works on whatever bytes of the page have arrived, complete or not.
namespace web
{

struct Headline {
    QString caption; // plain text, shown as is
    QString target;  // the mysrc attribute; empty when the element has none

    friend bool operator==(const Headline &, const Headline &) = default;
};

// There are ten headline labels; an eleventh headline is never taken.
inline constexpr int MaxHeadlines = 10;

// Bytes of the page that are kept and looked at; the fetch stops reading here too. A news page
// is some tens of kilobytes. The parse is linear in the bytes but costs about 1 us per tag, so
// even a page of nothing but tags is walked within the start-up tick's 100 ms budget.
inline constexpr qsizetype MaxPageBytes = 256 * 1024;

// The value that ends the walk.
inline constexpr QStringView Terminator = u"已结束";

// The page text. The charset is, in this order of preference: the charset parameter of the
// Content-Type header, a byte-order mark (UTF-8, UTF-16LE, UTF-16BE), a <meta> declaration in
// the first 1024 bytes, GBK. A name no decoder knows passes on to the next rule; gb2312 is read
// as GBK. Only the first MaxPageBytes bytes are read, and a character cut off at the end of
// them is dropped.
QString decodePage(QByteArrayView bytes, QByteArrayView contentType);

// The headlines of the page, at most MaxHeadlines, in document order. Stops at the terminator
// or once MaxHeadlines are taken (nothing after that could change the result). A start tag
// cut off by the end of the bytes is not an element yet and is passed over. Broken or hostile
// bytes give fewer or no headlines, never a failure; the parse is bounded (see the .cpp).
QList<Headline> harvestHeadlines(QByteArrayView bytes, QByteArrayView contentType);

} // namespace web
