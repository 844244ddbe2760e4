#include "web/charset.h"

#include <QList>
#include <optional>

namespace web
{

namespace
{

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

} // namespace

PageCharset pageCharset(QByteArrayView start, QByteArrayView contentType)
{
    if (std::optional<QStringDecoder> decoder = decoderFor(headerCharset(contentType)))
        return {std::move(*decoder), 0};
    if (start.startsWith("\xEF\xBB\xBF"))
        return {QStringDecoder(QStringDecoder::Utf8), 3};
    if (start.startsWith("\xFF\xFE"))
        return {QStringDecoder(QStringDecoder::Utf16LE), 2};
    if (start.startsWith("\xFE\xFF"))
        return {QStringDecoder(QStringDecoder::Utf16BE), 2};
    if (std::optional<QStringDecoder> decoder =
            metaDecoder(start.first(qMin(start.size(), MetaPrescanBytes))))
        return {std::move(*decoder), 0};
    return {QStringDecoder("GBK"), 0};
}

bool headerDecidesCharset(QByteArrayView contentType)
{
    return decoderFor(headerCharset(contentType)).has_value();
}

QString decodePage(QByteArrayView bytes, QByteArrayView contentType)
{
    bytes = bytes.first(qMin(bytes.size(), MaxPageBytes));
    PageCharset charset = pageCharset(bytes, contentType);
    // A stateful decoder that is never flushed holds back an incomplete character at the end,
    // except the first half of a UTF-16 surrogate pair.
    QString text = charset.decoder(bytes.sliced(charset.markBytes));
    if (!text.isEmpty() && text.back().isHighSurrogate())
        text.chop(1);
    return text;
}

} // namespace web
