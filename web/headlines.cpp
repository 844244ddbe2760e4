#include "web/headlines.h"

#include <QStringDecoder>
#include <libxml/HTMLparser.h>
#include <libxml/parser.h>
#include <libxml/parserInternals.h>
#include <libxml/xmlerror.h>
#include <mutex>
#include <optional>

namespace web
{

namespace
{

constexpr qsizetype MetaPrescanBytes = 1024;

bool isAsciiSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\f' || c == '\r';
}

char asciiLower(char c)
{
    return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c;
}

QByteArray asciiLower(QByteArrayView s)
{
    QByteArray out(s.size(), Qt::Uninitialized);
    for (qsizetype i = 0; i < s.size(); ++i)
        out[i] = asciiLower(s[i]);
    return out;
}

bool startsWithNoCase(QByteArrayView s, qsizetype at, QByteArrayView prefix)
{
    if (s.size() - at < prefix.size())
        return false;
    for (qsizetype i = 0; i < prefix.size(); ++i) {
        if (asciiLower(s[at + i]) != prefix[i])
            return false;
    }
    return true;
}

// A decoder for a charset label, or nothing when no decoder knows the name.
std::optional<QStringDecoder> decoderFor(QByteArrayView label)
{
    const QByteArray name = asciiLower(label.trimmed());
    if (name.isEmpty())
        return std::nullopt;
    // Pages labelled with any of the GB2312 names are GBK in practice; a strict GB2312
    // decoder would turn every GBK-only character into a replacement character.
    static const char *const gbkLabels[] = {"gbk",        "gb2312",    "gb_2312",
                                            "gb_2312-80", "csgb2312",  "x-gbk",
                                            "chinese",    "iso-ir-58", "csiso58gb231280"};
    for (const char *gbk : gbkLabels) {
        if (name == gbk)
            return QStringDecoder("GBK");
    }
    // "Locale" would make the result depend on the machine.
    if (name == "locale")
        return std::nullopt;
    QStringDecoder decoder(name.constData());
    if (!decoder.isValid())
        return std::nullopt;
    return decoder;
}

// The charset parameter of a Content-Type value, e.g. text/html; charset="gbk".
QByteArray headerCharset(QByteArrayView contentType)
{
    qsizetype pos = contentType.indexOf(';');
    while (pos >= 0) {
        const qsizetype next = contentType.indexOf(';', pos + 1);
        const QByteArrayView param =
            contentType.sliced(pos + 1, (next < 0 ? contentType.size() : next) - pos - 1);
        const qsizetype eq = param.indexOf('=');
        if (eq > 0 && asciiLower(param.first(eq).trimmed()) == "charset") {
            QByteArrayView value = param.sliced(eq + 1).trimmed();
            if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
                value = value.sliced(1, value.size() - 2);
            return value.toByteArray();
        }
        pos = next;
    }
    return {};
}

// Reads one attribute of a tag in the prescan, lower-casing the name; false at the tag's end.
bool prescanAttribute(QByteArrayView s, qsizetype &i, QByteArray &name, QByteArray &value)
{
    name.clear();
    value.clear();
    while (i < s.size() && (isAsciiSpace(s[i]) || s[i] == '/'))
        ++i;
    if (i >= s.size() || s[i] == '>')
        return false;
    // The name; a leading "=" belongs to it.
    do {
        name += asciiLower(s[i]);
        ++i;
    } while (i < s.size() && s[i] != '=' && s[i] != '/' && s[i] != '>' && !isAsciiSpace(s[i]));
    while (i < s.size() && isAsciiSpace(s[i]))
        ++i;
    if (i >= s.size() || s[i] != '=')
        return true;
    ++i;
    while (i < s.size() && isAsciiSpace(s[i]))
        ++i;
    if (i >= s.size())
        return true;
    if (s[i] == '"' || s[i] == '\'') {
        const char quote = s[i++];
        while (i < s.size() && s[i] != quote)
            value += asciiLower(s[i++]);
        ++i;
        return true;
    }
    while (i < s.size() && s[i] != '>' && !isAsciiSpace(s[i]))
        value += asciiLower(s[i++]);
    return true;
}

// The charset named in a content attribute such as "text/html; charset=gbk".
std::optional<QByteArray> charsetFromContent(QByteArrayView content)
{
    qsizetype i = 0;
    for (;;) {
        const qsizetype at = content.indexOf("charset", i);
        if (at < 0)
            return std::nullopt;
        i = at + 7;
        while (i < content.size() && isAsciiSpace(content[i]))
            ++i;
        if (i < content.size() && content[i] == '=')
            break;
    }
    ++i;
    while (i < content.size() && isAsciiSpace(content[i]))
        ++i;
    if (i >= content.size())
        return std::nullopt;
    if (content[i] == '"' || content[i] == '\'') {
        const qsizetype close = content.indexOf(content[i], i + 1);
        if (close < 0)
            return std::nullopt;
        return content.sliced(i + 1, close - i - 1).toByteArray();
    }
    qsizetype end = i;
    while (end < content.size() && content[end] != ';' && !isAsciiSpace(content[end]))
        ++end;
    return content.sliced(i, end - i).toByteArray();
}

// The charset declared by a <meta> element, found the way browsers prescan the start of a
// page: comments and other tags are skipped whole, so a "<meta" inside them does not count.
std::optional<QStringDecoder> metaDecoder(QByteArrayView s)
{
    qsizetype i = 0;
    QByteArray name, value;
    while (i < s.size()) {
        if (s.sliced(i).startsWith("<!--")) {
            const qsizetype close = s.indexOf("-->", i + 2);
            if (close < 0)
                return std::nullopt;
            i = close + 3;
            continue;
        }
        if (startsWithNoCase(s, i, "<meta") && i + 5 < s.size() &&
            (isAsciiSpace(s[i + 5]) || s[i + 5] == '/')) {
            i += 6;
            QList<QByteArray> seen;
            bool gotPragma = false;
            std::optional<bool> needPragma;
            QByteArray charset;
            while (prescanAttribute(s, i, name, value)) {
                if (seen.contains(name))
                    continue;
                seen.append(name);
                if (name == "http-equiv") {
                    gotPragma = gotPragma || value == "content-type";
                } else if (name == "content" && charset.isEmpty()) {
                    if (auto found = charsetFromContent(value)) {
                        charset = *found;
                        needPragma = true;
                    }
                } else if (name == "charset") {
                    charset = value;
                    needPragma = false;
                }
            }
            if (!needPragma || (*needPragma && !gotPragma))
                continue;
            // The declaration could be read as ASCII, so the page is not UTF-16.
            const QByteArray label = asciiLower(charset.trimmed());
            if (label == "utf-16" || label == "utf-16le" || label == "utf-16be")
                return QStringDecoder(QStringDecoder::Utf8);
            if (auto decoder = decoderFor(charset))
                return decoder;
            continue;
        }
        const bool endTag = s.sliced(i).startsWith("</");
        const qsizetype letterAt = i + (endTag ? 2 : 1);
        if (s[i] == '<' && letterAt < s.size() &&
            ((s[letterAt] >= 'a' && s[letterAt] <= 'z') ||
             (s[letterAt] >= 'A' && s[letterAt] <= 'Z'))) {
            i = letterAt;
            while (i < s.size() && !isAsciiSpace(s[i]) && s[i] != '>')
                ++i;
            while (prescanAttribute(s, i, name, value)) {
            }
            ++i;
            continue;
        }
        if (s.sliced(i).startsWith("<!") || s.sliced(i).startsWith("</") ||
            s.sliced(i).startsWith("<?")) {
            const qsizetype close = s.indexOf('>', i + 2);
            if (close < 0)
                return std::nullopt;
            i = close + 1;
            continue;
        }
        ++i;
    }
    return std::nullopt;
}

// Silences libxml2's process-wide error channels for the duration of a parse; errors of the
// parser context itself go to the context's own handler, which prints nothing.
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
    static void ignoreStructured(void *, xmlErrorPtr) {}

private:
    xmlGenericErrorFunc generic;
    void *genericContext;
    xmlStructuredErrorFunc structured;
    void *structuredContext;
};

// libxml2 (2.9) has two paths whose cost grows with the square of the input: every attribute
// of a start tag is compared with all earlier ones of that tag, and an end tag that matches
// nothing open is looked for through the whole stack of open elements. Both are bounded here;
// everything else the parser does is linear in the bytes, which MaxPageBytes bounds.
constexpr qint64 MaxAttributePairs = 4'000'000;
constexpr qint64 MaxStackSteps = 10'000'000;
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

// How much of the page to hand to the parser so that its attribute comparisons stay within
// MaxAttributePairs: the page is cut before the start tag that would exceed them. Tags are
// read the way the parser reads them, but everywhere, including inside comments and scripts:
// it may count attributes the parser never sees, never fewer.
qsizetype attributeCut(QByteArrayView s)
{
    const qsizetype n = s.size();
    qint64 pairs = 0;
    qsizetype i = 0;
    while ((i = s.indexOf('<', i)) >= 0) {
        const qsizetype tagStart = i;
        ++i;
        if (i >= n || !isNameStart(s[i]))
            continue;
        for (int len = 0; i < n && len < ParserNameLimit && isNameChar(s[i]); ++len)
            ++i;
        qint64 attributes = 0;
        for (;;) {
            while (i < n && isParserBlank(s[i]))
                ++i;
            if (i >= n || s[i] == '>' || (s[i] == '/' && i + 1 < n && s[i + 1] == '>'))
                break;
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
                if (close >= 0) {
                    i = close + 1;
                    continue;
                }
                // Unclosed: read on as an unquoted value, which ends no later than the parser's
                // reading (to the end of the page).
            }
            while (i < n && !isParserBlank(s[i]) && s[i] != '>')
                ++i;
        }
        pairs += attributes * (attributes - 1) / 2;
        if (pairs > MaxAttributePairs)
            return tagStart;
    }
    return n;
}

struct Walk {
    QList<Headline> taken;
    qint64 stackSteps = 0;
};

Walk &walkOf(htmlParserCtxtPtr context)
{
    return *static_cast<Walk *>(context->_private);
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

void onStartElement(void *userData, const xmlChar *tag, const xmlChar **attributes)
{
    auto *context = static_cast<htmlParserCtxtPtr>(userData);
    // A start tag cut off by the end of the bytes received is not an element yet (a browser
    // drops it too); its attributes may be incomplete.
    if (context->input->cur >= context->input->end)
        return;
    if (qstricmp(reinterpret_cast<const char *>(tag), "input") != 0)
        return;
    Walk &walk = walkOf(context);
    const QString value = attributeText(attributes, "value");
    const QString expected = QLatin1String("news") + QString::number(walk.taken.size() + 1);
    if (attributeText(attributes, "name").toLower() == expected) {
        walk.taken.append({value, attributeText(attributes, "mysrc")});
        if (walk.taken.size() == MaxHeadlines) {
            xmlStopParser(context);
            return;
        }
    }
    if (value == Terminator)
        xmlStopParser(context);
}

// The parser reports an error after each search of its element stack that found no match;
// those searches are what an end-tag flood costs, so they are charged here.
void onError(void *userData, xmlErrorPtr)
{
    auto *context = static_cast<htmlParserCtxtPtr>(userData);
    Walk &walk = walkOf(context);
    walk.stackSteps += 1 + qMax(0, context->nameNr);
    if (walk.stackSteps > MaxStackSteps)
        xmlStopParser(context);
}

} // namespace

QString decodePage(QByteArrayView bytes, QByteArrayView contentType)
{
    bytes = bytes.first(qMin(bytes.size(), MaxPageBytes));
    std::optional<QStringDecoder> decoder = decoderFor(headerCharset(contentType));
    if (!decoder) {
        if (bytes.startsWith("\xEF\xBB\xBF")) {
            decoder.emplace(QStringDecoder::Utf8);
            bytes = bytes.sliced(3);
        } else if (bytes.startsWith("\xFF\xFE")) {
            decoder.emplace(QStringDecoder::Utf16LE);
            bytes = bytes.sliced(2);
        } else if (bytes.startsWith("\xFE\xFF")) {
            decoder.emplace(QStringDecoder::Utf16BE);
            bytes = bytes.sliced(2);
        }
    }
    if (!decoder)
        decoder = metaDecoder(bytes.first(qMin(bytes.size(), MetaPrescanBytes)));
    if (!decoder)
        decoder.emplace("GBK");
    // A stateful decoder that is never flushed holds back an incomplete character at the end,
    // except the first half of a UTF-16 surrogate pair.
    QString text = (*decoder)(bytes);
    if (!text.isEmpty() && text.back().isHighSurrogate())
        text.chop(1);
    return text;
}

QList<Headline> harvestHeadlines(QByteArrayView bytes, QByteArrayView contentType)
{
    QString text = decodePage(bytes, contentType);
    // The parser would take a NUL for the end of the page.
    text.replace(QChar(u'\0'), QChar::ReplacementCharacter);
    QByteArray utf8 = text.toUtf8();
    text.clear();
    utf8.truncate(attributeCut(utf8));
    if (utf8.isEmpty())
        return {};

    static std::once_flag initialised;
    std::call_once(initialised, [] { xmlInitParser(); });
    const QuietErrors quiet;

    htmlParserCtxtPtr context = htmlCreateMemoryParserCtxt(utf8.constData(), int(utf8.size()));
    if (!context)
        return {};
    // Only start tags matter; no tree is built, so neither memory nor the walk grows with the
    // page's nesting.
    xmlSAXHandler *sax = context->sax;
    *sax = xmlSAXHandler{};
    sax->startElement = &onStartElement;
    sax->serror = &onError;
    sax->initialized = XML_SAX2_MAGIC;
    Walk walk;
    context->_private = &walk;
    context->userData = context;
    htmlCtxtUseOptions(context, HTML_PARSE_RECOVER | HTML_PARSE_NONET | HTML_PARSE_NOERROR |
                                    HTML_PARSE_NOWARNING | HTML_PARSE_IGNORE_ENC);
    xmlSwitchEncoding(context, XML_CHAR_ENCODING_UTF8);
    htmlParseDocument(context);
    htmlFreeParserCtxt(context);
    return walk.taken;
}

} // namespace web
