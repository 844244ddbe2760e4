#include "web/charset.h"

namespace web
{

namespace
{

// Pages labelled with any of the GB2312 names are GBK in practice; a strict GB2312 decoder would
// turn every GBK-only character into a replacement character. The list holds the names Qt gives
// its decoders for these labels too.
bool isGbkName(QByteArrayView name)
{
    static constexpr QByteArrayView names[] = {
        "gbk",     "gb2312",    "gb_2312", "gb_2312-80",  "csgb2312",        "x-gbk",
        "chinese", "iso-ir-58", "cp936",   "windows-936", "csiso58gb231280",
    };
    for (const QByteArrayView gbk : names) {
        if (name.compare(gbk, Qt::CaseInsensitive) == 0)
            return true;
    }
    return false;
}

// Which of Qt's own encodings the decoder is, if any. An ICU converter can have no name.
std::optional<QStringConverter::Encoding> builtIn(const QStringDecoder &decoder)
{
    const char *name = decoder.name();
    return name ? QStringConverter::encodingForName(name) : std::nullopt;
}

// Qt's GBK goes to the project's codec, which Windows has too; "Locale" would make the result
// depend on the machine.
std::optional<PageDecoder> usable(QStringDecoder decoder)
{
    if (!decoder.isValid() || builtIn(decoder) == QStringConverter::System)
        return std::nullopt;
    if (isGbkName(decoder.name()))
        return PageDecoder(text::GbkDecoder());
    return PageDecoder(std::move(decoder));
}

// The charset parameter of a Content-Type value, e.g. text/html; charset="gbk".
QByteArrayView headerCharset(QByteArrayView contentType)
{
    qsizetype pos = contentType.indexOf(';');
    while (pos >= 0) {
        const qsizetype next = contentType.indexOf(';', pos + 1);
        const QByteArrayView param =
            contentType.sliced(pos + 1, (next < 0 ? contentType.size() : next) - pos - 1);
        const qsizetype eq = param.indexOf('=');
        if (eq > 0 && param.first(eq).trimmed().compare("charset", Qt::CaseInsensitive) == 0) {
            QByteArrayView value = param.sliced(eq + 1).trimmed();
            if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
                value = value.sliced(1, value.size() - 2);
            return value.trimmed();
        }
        pos = next;
    }
    return {};
}

// Qt takes the charset that follows the first "meta " and falls back to UTF-8 when there is
// none; here a page that declares nothing is GBK.
bool declaresCharset(QByteArrayView head)
{
    const QByteArray lower = head.toByteArray().toLower();
    const qsizetype meta = lower.indexOf("meta ");
    return meta >= 0 && lower.indexOf("charset=", meta) >= 0;
}

// Where the bytes end in whole characters: before a last lead byte still short of its
// continuation bytes.
qsizetype wholeCharacters(QByteArrayView utf8)
{
    for (qsizetype back = 1; back <= qMin<qsizetype>(utf8.size(), 3); ++back) {
        const uchar b = uchar(utf8[utf8.size() - back]);
        if ((b & 0xC0) == 0x80)
            continue;
        const qsizetype length = b >= 0xF0 ? 4 : b >= 0xE0 ? 3 : b >= 0xC0 ? 2 : 1;
        return length > back ? utf8.size() - back : utf8.size();
    }
    return utf8.size();
}

} // namespace

// A stateful QStringDecoder loses the byte that follows a malformed sequence cut by the end of a
// call, so the cut character waits here and Qt decodes whole characters only, statelessly.
// Every byte that is not a continuation byte starts a sequence, so the text is the same wherever
// the calls cut.
QString Utf8Decoder::decode(QByteArrayView bytes)
{
    QByteArray joined = std::exchange(cut, {});
    joined += bytes;
    const qsizetype whole = wholeCharacters(joined);
    cut = joined.sliced(whole);
    QString text = decoder.decode(QByteArrayView(joined).first(whole));
    if (!started && !text.isEmpty()) {
        started = true;
        if (text.front() == QChar::ByteOrderMark)
            text.remove(0, 1);
    }
    return text;
}

PageDecoder::PageDecoder(QStringDecoder qt)
{
    if (builtIn(qt) == QStringConverter::Utf8)
        decoder.emplace<Utf8Decoder>();
    else
        decoder.emplace<QStringDecoder>(std::move(qt));
}

QString PageDecoder::decode(QByteArrayView bytes)
{
    return std::visit([bytes](auto &d) -> QString { return d.decode(bytes); }, decoder);
}

std::optional<PageDecoder> headerDecoder(QByteArrayView contentType)
{
    const QByteArrayView name = headerCharset(contentType);
    if (isGbkName(name))
        return PageDecoder(text::GbkDecoder());
    if (name.isEmpty())
        return std::nullopt;
    return usable(QStringDecoder(name.toByteArray().constData()));
}

PageDecoder bodyDecoder(QByteArrayView start)
{
    if (const std::optional<QStringConverter::Encoding> mark =
            QStringConverter::encodingForData(start))
        return PageDecoder(QStringDecoder(*mark));
    const QByteArrayView head = start.first(qMin(start.size(), MetaPrescanBytes));
    if (declaresCharset(head)) {
        // Without ICU, Qt knows no GB name: the declaration then passes on to GBK all the same.
        if (std::optional<PageDecoder> declared = usable(QStringDecoder::decoderForHtml(head)))
            return std::move(*declared);
    }
    return PageDecoder(text::GbkDecoder());
}

} // namespace web
