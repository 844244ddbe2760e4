#include "web/headlines.h"

#include <libxml/HTMLparser.h>
#include <libxml/parser.h>
#include <libxml/xmlerror.h>
#include <libxml/xmlversion.h>
#include <mutex>
#include <optional>

namespace web
{

namespace
{

// libxml2 2.12 passes error records as const.
#if LIBXML_VERSION >= 21200
using ErrorRecord = const xmlError *;
#else
using ErrorRecord = xmlErrorPtr;
#endif

// Silences libxml2's process-wide error channels while the parser runs; errors of the parser
// context itself go to the context's own handler.
class QuietErrors
{
public:
    QuietErrors()
        : generic(xmlGenericError), genericContext(xmlGenericErrorContext),
          structured(xmlStructuredError), structuredContext(xmlStructuredErrorContext)
    {
        xmlSetGenericErrorFunc(nullptr, &ignoreGeneric);
        xmlSetStructuredErrorFunc(nullptr, &ignoreStructured);
    }
    ~QuietErrors()
    {
        xmlSetGenericErrorFunc(genericContext, generic);
        xmlSetStructuredErrorFunc(structuredContext, structured);
    }
    QuietErrors(const QuietErrors &) = delete;
    QuietErrors &operator=(const QuietErrors &) = delete;

    static void ignoreGeneric(void *, const char *, ...) {}
    static void ignoreStructured(void *, ErrorRecord) {}

private:
    xmlGenericErrorFunc generic;
    void *genericContext;
    xmlStructuredErrorFunc structured;
    void *structuredContext;
};

// The parser is handed the page in slices of this many bytes, so that the work of one call is
// bounded by the slice for everything the parser does in linear time.
constexpr qsizetype SliceBytes = 4096;

// Before 2.12 the push parser misreads what a chunk cuts: an end tag such as </script>, the
// quote that opened a value (the 2.11 point releases differ in those checks, so 2.12 is the
// first version trusted).
constexpr bool ChunkBoundaryBugs = LIBXML_VERSION < 21200;
// Before 2.14 each attribute of a start tag is compared with all earlier ones.
constexpr bool QuadraticAttributes = LIBXML_VERSION < 21400;

// Two of the parser's paths cost the square of the input, and it bounds neither. A start tag is
// parsed in one step once its '>' has arrived, and each of its attributes is compared with all
// earlier ones: the pairs of the tag the parser is waiting on are counted before it is given
// more (2 million pairs take about 10 ms). An end tag that matches no open element is looked
// for through the whole stack of open elements: those searches are charged as the parser
// reports them.
constexpr qint64 MaxAttributePairs = 2'000'000;
constexpr qint64 MaxStackSteps = 5'000'000;
constexpr int ParserNameLimit = 100; // libxml2 splits longer names

bool isParserBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

bool isNameStart(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_' || c == ':' || c == '.';
}

bool isNameChar(char c)
{
    return isNameStart(c) || (c >= '0' && c <= '9') || c == '-';
}

// The attributes of the start tag at the beginning of s, read the way the parser reads them,
// up to the tag's end or the end of s.
qint64 attributesOfTag(QByteArrayView s)
{
    const qsizetype n = s.size();
    qsizetype i = 1;
    for (int len = 0; i < n && len < ParserNameLimit && isNameChar(s[i]); ++len)
        ++i;
    qint64 attributes = 0;
    for (;;) {
        while (i < n && isParserBlank(s[i]))
            ++i;
        if (i >= n || s[i] == '>' || (s[i] == '/' && i + 1 < n && s[i + 1] == '>'))
            return attributes;
        ++attributes;
        if (!isNameStart(s[i])) {
            // Not a name: the parser skips it up to a blank or the end of the tag.
            while (i < n && !isParserBlank(s[i]) && s[i] != '>' &&
                   !(s[i] == '/' && i + 1 < n && s[i + 1] == '>'))
                ++i;
            continue;
        }
        for (int len = 0; i < n && len < ParserNameLimit && isNameChar(s[i]); ++len)
            ++i;
        while (i < n && isParserBlank(s[i]))
            ++i;
        if (i >= n || s[i] != '=')
            continue;
        ++i;
        while (i < n && isParserBlank(s[i]))
            ++i;
        if (i < n && (s[i] == '"' || s[i] == '\'')) {
            const qsizetype close = s.indexOf(s[i], i + 1);
            if (close < 0)
                return attributes;
            i = close + 1;
            continue;
        }
        while (i < n && !isParserBlank(s[i]) && s[i] != '>')
            ++i;
    }
}

// Whether the bytes the parser holds begin with a tag it looks for the end of, and end inside
// a quoted value as that look-up reads quotes (any quote opens a value, the same one closes it).
bool endsInsideQuotedValue(QByteArrayView held)
{
    if (held.size() < 2 || held[0] != '<' || held[1] == '/' ||
        (!isNameStart(held[1]) && !(held[1] == '!' && !held.startsWith("<!--"))))
        return false;
    char quote = 0;
    for (const char c : held.sliced(1)) {
        if (quote) {
            if (c == quote)
                quote = 0;
        } else if (c == '"' || c == '\'') {
            quote = c;
        }
    }
    return quote != 0;
}

// Where to cut UTF-8 text at most `limit` bytes in, so that no character is split.
qsizetype characterBoundary(QByteArrayView utf8, qsizetype limit)
{
    if (limit >= utf8.size())
        return utf8.size();
    qsizetype cut = limit;
    while (cut > 0 && (uchar(utf8[cut]) & 0xC0) == 0x80)
        --cut;
    return cut;
}

QString attributeText(const xmlChar **attributes, const char *name)
{
    if (!attributes)
        return {};
    // libxml2 lower-cases attribute names and keeps only the first of a repeated attribute.
    for (const xmlChar **a = attributes; a[0]; a += 2) {
        if (qstrcmp(reinterpret_cast<const char *>(a[0]), name) == 0)
            return a[1] ? QString::fromUtf8(reinterpret_cast<const char *>(a[1])) : QString();
    }
    return {};
}

} // namespace

struct HeadlineHarvest::Parse {
    qsizetype received = 0;
    QByteArray start; // the first bytes, until the charset is chosen
    std::optional<PageDecoder> decoder;
    QString heldSurrogate; // the first half of a pair, until the second arrives

    htmlParserCtxtPtr context = nullptr;
    qint64 origin = 0;   // where the context's input starts in the page's text
    qint64 handed = 0;   // where the bytes handed to the parser end
    qint64 heldFrom = 0; // where the bytes in `held` start
    QByteArray held;     // handed to the parser and not yet consumed by it
    QByteArray queued;   // text not yet handed to the parser
    qint64 depth = 0;     // open elements
    qint64 stackSteps = 0;

    QList<Headline> taken;
    bool stopped = false;
    bool ended = false;

    ~Parse()
    {
        if (context)
            htmlFreeParserCtxt(context);
    }

    void stop()
    {
        stopped = true;
        if (context)
            xmlStopParser(context);
    }

    void chooseCharset()
    {
        decoder.emplace(bodyDecoder(start));
        decode(std::exchange(start, {}));
    }

    void decode(QByteArrayView bytes)
    {
        QString text = std::exchange(heldSurrogate, {}) + decoder->decode(bytes);
        if (!text.isEmpty() && text.back().isHighSurrogate()) {
            heldSurrogate = text.back();
            text.chop(1);
        }
        // The parser would take a NUL for the end of the page.
        text.replace(QChar(u'\0'), QChar::ReplacementCharacter);
        parse(text.toUtf8());
    }

    void parse(QByteArrayView utf8)
    {
        queued += utf8;
        const QuietErrors quiet;
        qsizetype from = 0;
        while (!stopped) {
            const qsizetype end = nextCut(from);
            if (end <= from)
                break;
            hand(QByteArrayView(queued).sliced(from, end - from));
            from = end;
        }
        queued.remove(0, from);
    }

    qsizetype nextCut(qsizetype from) const
    {
        const QByteArrayView text(queued);
        if constexpr (!ChunkBoundaryBugs)
            return from + characterBoundary(text.sliced(from), SliceBytes);
        // Slices never end inside "<..." with no '>' yet, where the parser would misread a tag
        // such as </script>; what follows the last such '<' cannot be a complete element anyway.
        qsizetype safe = text.size();
        const qsizetype lastOpen = text.lastIndexOf('<');
        if (lastOpen >= from && lastOpen > text.lastIndexOf('>'))
            safe = lastOpen;
        if (safe - from <= SliceBytes)
            return safe;
        const QByteArrayView window = text.sliced(from, SliceBytes);
        const qsizetype open = window.lastIndexOf('<');
        if (open < 0 || open < window.lastIndexOf('>'))
            return from + characterBoundary(text.sliced(from), SliceBytes);
        if (open > 0)
            return from + open;
        // A '<' with no '>' in the whole window: up to the first '>', which lies before `safe`.
        return text.indexOf('>', from) + 1;
    }

    void hand(QByteArrayView slice)
    {
        if (!withinAttributeBound(slice)) {
            stop();
            return;
        }
        held += slice;
        handed += slice.size();
        if (context) {
            htmlParseChunk(context, slice.data(), int(slice.size()), 0);
        } else {
            // A new context starts at the tag the previous one was waiting on.
            if (!open())
                return;
            origin = heldFrom;
            htmlParseChunk(context, held.constData(), int(held.size()), 0);
        }
        const qint64 consumed = origin + xmlByteConsumed(context);
        if (consumed > heldFrom) {
            held.remove(0, qMin(consumed - heldFrom, held.size()));
            heldFrom = consumed;
        }
        // A parser that forgot which quote opened the value it waits in never finds the end of
        // the tag. Waiting at a start tag, it has nothing open that matters to the walk, so a
        // fresh one takes over from that tag.
        if (ChunkBoundaryBugs && !stopped && endsInsideQuotedValue(held)) {
            htmlFreeParserCtxt(context);
            context = nullptr;
        }
    }

    // Whether the start tag the parser is waiting on, or that starts the slice, stays within
    // MaxAttributePairs with the slice.
    bool withinAttributeBound(QByteArrayView slice) const
    {
        if constexpr (!QuadraticAttributes)
            return true;
        const QByteArray text = held + slice.toByteArray();
        if (text.size() < 2 || text[0] != '<' || !isNameStart(text[1]))
            return true;
        const qint64 attributes = attributesOfTag(text);
        return attributes * (attributes - 1) / 2 <= MaxAttributePairs;
    }

    bool open();
    static void onStartElement(void *data, const xmlChar *tag, const xmlChar **attributes);
    static void onEndElement(void *data, const xmlChar *tag);
    static void onError(void *data, ErrorRecord error);
};

bool HeadlineHarvest::Parse::open()
{
    static std::once_flag initialised;
    std::call_once(initialised, [] { xmlInitParser(); });
    // Only start tags matter; no tree is built, so neither memory nor the walk grows with the
    // page's nesting.
    htmlSAXHandler sax{};
    sax.startElement = &onStartElement;
    sax.endElement = &onEndElement;
    sax.serror = &onError;
    sax.initialized = XML_SAX2_MAGIC;
    context = htmlCreatePushParserCtxt(&sax, this, nullptr, 0, nullptr, XML_CHAR_ENCODING_UTF8);
    if (!context) {
        stopped = true;
        return false;
    }
    // The text is UTF-8 already, whatever the page declares.
    htmlCtxtUseOptions(context, HTML_PARSE_RECOVER | HTML_PARSE_NONET | HTML_PARSE_NOERROR |
                                    HTML_PARSE_NOWARNING | HTML_PARSE_IGNORE_ENC);
    return true;
}

void HeadlineHarvest::Parse::onStartElement(void *data, const xmlChar *tag,
                                            const xmlChar **attributes)
{
    auto *parse = static_cast<Parse *>(data);
    ++parse->depth;
    // A start tag that ran into the end of the bytes received is not an element yet (a browser
    // drops it too); its attributes may be incomplete.
    if (parse->origin + xmlByteConsumed(parse->context) >= parse->handed)
        return;
    if (qstricmp(reinterpret_cast<const char *>(tag), "input") != 0)
        return;
    const QString value = attributeText(attributes, "value");
    const QString expected = QLatin1String("news") + QString::number(parse->taken.size() + 1);
    if (attributeText(attributes, "name").toLower() == expected) {
        parse->taken.append({value, attributeText(attributes, "mysrc")});
        if (parse->taken.size() == MaxHeadlines) {
            parse->stop();
            return;
        }
    }
    if (value == Terminator)
        parse->stop();
}

void HeadlineHarvest::Parse::onEndElement(void *data, const xmlChar *)
{
    auto *parse = static_cast<Parse *>(data);
    parse->depth = qMax<qint64>(0, parse->depth - 1);
}

// The parser reports an error after each search of its element stack that found no match;
// those searches are what an end-tag flood costs, so they are charged here.
void HeadlineHarvest::Parse::onError(void *data, ErrorRecord)
{
    auto *parse = static_cast<Parse *>(data);
    parse->stackSteps += 1 + parse->depth;
    if (parse->stackSteps > MaxStackSteps)
        parse->stop();
}

HeadlineHarvest::HeadlineHarvest(QByteArrayView contentType) : parse(std::make_unique<Parse>())
{
    parse->decoder = headerDecoder(contentType);
}

HeadlineHarvest::~HeadlineHarvest() = default;

void HeadlineHarvest::feed(QByteArrayView bytes)
{
    if (done())
        return;
    bytes = bytes.first(qMin(bytes.size(), MaxPageBytes - parse->received));
    parse->received += bytes.size();
    if (parse->decoder) {
        parse->decode(bytes);
    } else {
        parse->start += bytes;
        if (parse->start.size() >= MetaPrescanBytes)
            parse->chooseCharset();
    }
    if (parse->received >= MaxPageBytes)
        finish();
}

void HeadlineHarvest::finish()
{
    if (parse->ended)
        return;
    if (!parse->stopped && !parse->decoder && !parse->start.isEmpty())
        parse->chooseCharset();
    parse->ended = true;
    parse->stopped = true;
    if (parse->context) {
        htmlFreeParserCtxt(parse->context);
        parse->context = nullptr;
    }
    parse->held = QByteArray();
    parse->queued = QByteArray();
}

bool HeadlineHarvest::done() const
{
    return parse->stopped || parse->ended;
}

QList<Headline> HeadlineHarvest::headlines() const
{
    return parse->taken;
}

QList<Headline> harvestHeadlines(QByteArrayView bytes, QByteArrayView contentType)
{
    HeadlineHarvest harvest(contentType);
    harvest.feed(bytes);
    harvest.finish();
    return harvest.headlines();
}

} // namespace web
