#pragma once

#include "text/gbk.h"

#include <QByteArrayView>
#include <QString>
#include <QStringDecoder>
#include <optional>
#include <variant>

// How the news page's bytes become text.
namespace web
{

// Bytes of the page that are kept and looked at; the fetch stops reading here too. A news page
// is some tens of kilobytes.
inline constexpr qsizetype MaxPageBytes = 256 * 1024;

// The <meta> declaration counts only within this many bytes from the start.
inline constexpr qsizetype MetaPrescanBytes = 1024;

// Qt's UTF-8 decoder, handed whole characters only (see the .cpp).
class Utf8Decoder
{
public:
    QString decode(QByteArrayView bytes);

private:
    QStringDecoder decoder{QStringDecoder::Utf8, QStringDecoder::Flag::Stateless |
                                                     QStringDecoder::Flag::ConvertInitialBom};
    QByteArray cut; // a character cut at the end of the bytes so far
    bool started = false;
};

// Decodes the page as its bytes arrive: a character cut at the end of one call waits for the
// rest in the next, and the text does not depend on where the calls cut the bytes. A byte-order
// mark at the start is dropped.
class PageDecoder
{
public:
    explicit PageDecoder(QStringDecoder decoder);
    explicit PageDecoder(text::GbkDecoder decoder) : decoder(std::move(decoder)) {}

    QString decode(QByteArrayView bytes);

private:
    std::variant<QStringDecoder, Utf8Decoder, text::GbkDecoder> decoder;
};

// The charset is, in this order of preference: the charset parameter of the Content-Type
// header, a byte-order mark, a <meta> declaration in the first MetaPrescanBytes bytes, GBK.
// A name no decoder knows passes on to the next rule; the GB2312 names are read as GBK.

// The decoder the Content-Type header names, if it names one a decoder knows.
std::optional<PageDecoder> headerDecoder(QByteArrayView contentType);

// The decoder the page's first bytes call for, from the byte-order mark on. The choice is final
// once `start` holds MetaPrescanBytes bytes or the whole page.
PageDecoder bodyDecoder(QByteArrayView start);

} // namespace web
