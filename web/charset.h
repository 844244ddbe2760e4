#pragma once

#include <QByteArrayView>
#include <QString>
#include <QStringDecoder>

// How the news page's bytes become text.
namespace web
{

// Bytes of the page that are kept and looked at; the fetch stops reading here too. A news page
// is some tens of kilobytes.
inline constexpr qsizetype MaxPageBytes = 256 * 1024;

// The <meta> declaration counts only within this many bytes from the start.
inline constexpr qsizetype MetaPrescanBytes = 1024;

// The decoder a page is read with, and how many bytes of byte-order mark precede the text.
struct PageCharset {
    QStringDecoder decoder;
    qsizetype markBytes = 0;
};

// The charset is, in this order of preference: the charset parameter of the Content-Type
// header, a byte-order mark (UTF-8, UTF-16LE, UTF-16BE), a <meta> declaration in the first
// MetaPrescanBytes bytes, GBK. A name no decoder knows passes on to the next rule; gb2312 is
// read as GBK. `start` is the page's first bytes: the choice is final once it holds
// MetaPrescanBytes bytes or the whole page.
PageCharset pageCharset(QByteArrayView start, QByteArrayView contentType);

// Whether the Content-Type header alone decides the charset, so that no byte need wait.
bool headerDecidesCharset(QByteArrayView contentType);

// The page text: only the first MaxPageBytes bytes are read, and a character cut off at the end
// of them is dropped.
QString decodePage(QByteArrayView bytes, QByteArrayView contentType);

} // namespace web
