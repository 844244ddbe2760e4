#include "web/htmltokenizer.h"

#include "web/htmlentities.h"

#include <algorithm>
#include <array>

namespace web
{

namespace
{

// Each token is bounded whatever the page holds: a tag or attribute name is cut after
// MaxNameLength characters (two attribute names alike that far count as one, which no name a
// reader looks for comes near), a value after MaxValueLength characters (a headline is a line of
// text and an address), and a tag keeps its first MaxAttributes attributes (later ones are read
// and dropped). Repeated names are found through a hash once a tag has more than a few.
constexpr qsizetype MaxValueLength = 64 * 1024;
constexpr qsizetype MaxAttributes = 256;
constexpr qsizetype LinearSearchAttributes = 16;

bool isWhitespace(char16_t c)
{
    return c == u'\t' || c == u'\n' || c == u'\f' || c == u' ';
}

bool isUpper(char16_t c)
{
    return c >= u'A' && c <= u'Z';
}

bool isAlpha(char16_t c)
{
    return isUpper(c) || (c >= u'a' && c <= u'z');
}

bool isDigit(char16_t c)
{
    return c >= u'0' && c <= u'9';
}

bool isAlphanumeric(char16_t c)
{
    return isAlpha(c) || isDigit(c);
}

int hexValue(char16_t c)
{
    if (isDigit(c))
        return c - u'0';
    if (c >= u'a' && c <= u'f')
        return c - u'a' + 10;
    if (c >= u'A' && c <= u'F')
        return c - u'A' + 10;
    return -1;
}

char16_t lower(char16_t c)
{
    return isUpper(c) ? char16_t(c + 0x20) : c;
}

// Numeric references to the C1 controls mean what windows-1252 puts there.
constexpr char16_t Windows1252[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

// The raw-text elements: after such an HTML element's start tag, tree construction switches
// the tokenizer to the element's kind of text (scripting on, so noscript is raw text).
struct RawTextElement {
    QLatin1StringView name;
    bool rcdata, script, plaintext;
};
constexpr RawTextElement RawTextElements[] = {
    {QLatin1StringView("title"), true, false, false},
    {QLatin1StringView("textarea"), true, false, false},
    {QLatin1StringView("style"), false, false, false},
    {QLatin1StringView("xmp"), false, false, false},
    {QLatin1StringView("iframe"), false, false, false},
    {QLatin1StringView("noembed"), false, false, false},
    {QLatin1StringView("noframes"), false, false, false},
    {QLatin1StringView("noscript"), false, false, false},
    {QLatin1StringView("script"), false, true, false},
    {QLatin1StringView("plaintext"), false, false, true},
};

constexpr QLatin1StringView Script("script");

struct Range {
    qsizetype from = 0, to = 0;
};

// Where the named references that start with each ASCII character lie in the sorted table.
const std::array<Range, 128> &firstCharacterRanges()
{
    static const std::array<Range, 128> ranges = [] {
        std::array<Range, 128> r{};
        const std::span<const NamedReference> names = namedReferences();
        for (qsizetype i = 0; i < qsizetype(names.size()); ++i) {
            Range &of = r[uchar(names[size_t(i)].name[0]) & 0x7F];
            if (of.to == 0)
                of.from = i;
            of.to = i + 1;
        }
        return r;
    }();
    return ranges;
}

} // namespace

QStringView HtmlStartTag::attribute(QStringView attributeName) const
{
    for (const HtmlAttribute &a : attributes) {
        if (a.name == attributeName)
            return a.value;
    }
    return {};
}

HtmlTokenizer::HtmlTokenizer(StartTagHandler handler) : onStartTag(std::move(handler)) {}

void HtmlTokenizer::feed(QStringView input)
{
    if (stopped())
        return;
    // CR LF and a lone CR become LF before the tokenizer sees them; a CR at the end of one
    // piece may be followed by the LF at the start of the next.
    if (!afterCarriageReturn && !input.contains(u'\r')) {
        tokenize(input);
        return;
    }
    QString text;
    text.reserve(input.size());
    for (const QChar qc : input) {
        const char16_t c = qc.unicode();
        if (c == u'\n' && afterCarriageReturn) {
            afterCarriageReturn = false;
            continue;
        }
        afterCarriageReturn = c == u'\r';
        text.append(afterCarriageReturn ? QChar(u'\n') : qc);
    }
    tokenize(text);
}

void HtmlTokenizer::tokenize(QStringView text)
{
    const char16_t *const begin = text.utf16();
    const char16_t *const end = begin + text.size();
    const char16_t *p = begin;
    // The long runs a state passes over go in one search; everything else one character at a
    // time through step(), which returns false when the character is to be read again in the
    // state it switched to.
    const auto find = [&](auto stop) { return std::find_if(p, end, stop); };
    while (p < end) {
        switch (state) {
        case State::Stopped:
            return;
        case State::PlainText:
            return;
        case State::Data:
            p = find([](char16_t c) { return c == u'<'; });
            // The usual start of a tag, without a round through step() for each state.
            if (p + 1 < end && isAlpha(p[1])) {
                startTag(false);
                state = State::TagName;
                ++p;
                continue;
            }
            if (p == end)
                return;
            break;
        case State::RcData:
        case State::RawText:
        case State::ScriptData:
            p = find([](char16_t c) { return c == u'<'; });
            if (p == end)
                return;
            break;
        case State::BogusComment:
        case State::Doctype:
            p = find([](char16_t c) { return c == u'>'; });
            if (p == end)
                return;
            break;
        case State::Comment:
        case State::ScriptDataEscaped:
        case State::ScriptDataDoubleEscaped:
            p = find([](char16_t c) { return c == u'-' || c == u'<'; });
            if (p == end)
                return;
            break;
        case State::TagName:
        case State::AttributeName: {
            const bool attribute = state == State::AttributeName;
            const char16_t *run = find([attribute](char16_t c) {
                return isWhitespace(c) || c == u'/' || c == u'>' || (attribute && c == u'=');
            });
            if (attribute)
                appendToAttributeName(QStringView(p, run));
            else
                appendToTagName(QStringView(p, run));
            p = run;
            if (p == end)
                return;
            if (!attribute && *p == u'>') {
                emitTag();
                ++p;
                continue;
            }
            break;
        }
        case State::NamedCharacterReference:
            while (p < end && extendsReference(*p))
                ++p;
            if (p == end)
                return;
            finishNamedReference(*p);
            continue;
        case State::AttributeValueDoubleQuoted:
        case State::AttributeValueSingleQuoted:
        case State::AttributeValueUnquoted: {
            const char16_t quote = state == State::AttributeValueDoubleQuoted ? u'"'
                                   : state == State::AttributeValueSingleQuoted ? u'\''
                                                                                : u'>';
            const bool unquoted = quote == u'>';
            const char16_t *run = find([quote, unquoted](char16_t c) {
                return c == quote || c == u'&' || c == 0 || (unquoted && isWhitespace(c));
            });
            appendToValue(QStringView(p, run));
            p = run;
            if (p == end)
                return;
            break;
        }
        default:
            break;
        }
        if (step(*p))
            ++p;
    }
}

bool HtmlTokenizer::step(char16_t c)
{
    switch (state) {
    case State::Data:
        if (c == u'<')
            state = State::TagOpen;
        return true;

    case State::TagOpen:
        if (c == u'!') {
            state = State::MarkupDeclarationOpen;
            markupMatched = 0;
            return true;
        }
        if (c == u'/') {
            state = State::EndTagOpen;
            return true;
        }
        if (isAlpha(c)) {
            startTag(false);
            state = State::TagName;
            return false;
        }
        state = c == u'?' ? State::BogusComment : State::Data;
        return false;

    case State::EndTagOpen:
        if (isAlpha(c)) {
            startTag(true);
            state = State::TagName;
            return false;
        }
        if (c == u'>') {
            state = State::Data;
            return true;
        }
        state = State::BogusComment;
        return false;

    case State::TagName:
        if (isWhitespace(c))
            state = State::BeforeAttributeName;
        else if (c == u'/')
            state = State::SelfClosingStartTag;
        else if (c == u'>')
            emitTag();
        else
            appendToTagName(QStringView(&c, 1));
        return true;

    case State::BeforeAttributeName:
        if (isWhitespace(c))
            return true;
        if (c == u'/' || c == u'>') {
            state = State::AfterAttributeName;
            return false;
        }
        startAttribute();
        state = State::AttributeName;
        if (c == u'=') {
            appendToAttributeName(QStringView(&c, 1));
            return true;
        }
        return false;

    case State::AttributeName:
        if (isWhitespace(c) || c == u'/' || c == u'>') {
            finishAttributeName();
            state = State::AfterAttributeName;
            return false;
        }
        if (c == u'=') {
            finishAttributeName();
            state = State::BeforeAttributeValue;
            return true;
        }
        appendToAttributeName(QStringView(&c, 1));
        return true;

    case State::AfterAttributeName:
        if (isWhitespace(c))
            return true;
        if (c == u'/') {
            state = State::SelfClosingStartTag;
            return true;
        }
        if (c == u'=') {
            state = State::BeforeAttributeValue;
            return true;
        }
        if (c == u'>') {
            emitTag();
            return true;
        }
        startAttribute();
        state = State::AttributeName;
        return false;

    case State::BeforeAttributeValue:
        if (isWhitespace(c))
            return true;
        if (c == u'"') {
            state = State::AttributeValueDoubleQuoted;
            return true;
        }
        if (c == u'\'') {
            state = State::AttributeValueSingleQuoted;
            return true;
        }
        if (c == u'>') {
            emitTag();
            return true;
        }
        state = State::AttributeValueUnquoted;
        return false;

    case State::AttributeValueDoubleQuoted:
    case State::AttributeValueSingleQuoted:
        if (c == (state == State::AttributeValueDoubleQuoted ? u'"' : u'\'')) {
            state = State::AfterAttributeValueQuoted;
        } else if (c == u'&') {
            returnState = state;
            state = State::CharacterReference;
        } else {
            const char16_t ch = c == 0 ? char16_t(0xFFFD) : c;
            appendToValue(QStringView(&ch, 1));
        }
        return true;

    case State::AttributeValueUnquoted:
        if (isWhitespace(c)) {
            state = State::BeforeAttributeName;
        } else if (c == u'&') {
            returnState = state;
            state = State::CharacterReference;
        } else if (c == u'>') {
            emitTag();
        } else {
            const char16_t ch = c == 0 ? char16_t(0xFFFD) : c;
            appendToValue(QStringView(&ch, 1));
        }
        return true;

    case State::AfterAttributeValueQuoted:
        if (isWhitespace(c)) {
            state = State::BeforeAttributeName;
            return true;
        }
        if (c == u'/') {
            state = State::SelfClosingStartTag;
            return true;
        }
        if (c == u'>') {
            emitTag();
            return true;
        }
        state = State::BeforeAttributeName;
        return false;

    case State::SelfClosingStartTag:
        if (c == u'>') {
            emitTag();
            return true;
        }
        state = State::BeforeAttributeName;
        return false;

    case State::MarkupDeclarationOpen: {
        // "--", "DOCTYPE" in any case or "[CDATA["; the first character tells which one the
        // rest must match. With no SVG or MathML content, CDATA is a bogus comment.
        static constexpr char Doctype[] = "doctype";
        static constexpr char CData[] = "[CDATA[";
        const qsizetype at = markupMatched;
        if (at == 0)
            markupKind = c == u'-' ? u'-' : c == u'[' ? u'[' : u'd';
        const bool match = markupKind == u'-' ? c == u'-'
                           : markupKind == u'[' ? c == char16_t(CData[at])
                                                : lower(c) == char16_t(Doctype[at]);
        if (!match) {
            state = State::BogusComment;
            return false;
        }
        markupMatched = at + 1;
        if (markupKind == u'-' && markupMatched == 2)
            state = State::CommentStart;
        else if (markupMatched == 7)
            state = markupKind == u'[' ? State::BogusComment : State::Doctype;
        return true;
    }

    case State::BogusComment:
    case State::Doctype:
        if (c == u'>')
            state = State::Data;
        return true;

    case State::CommentStart:
        if (c == u'-') {
            state = State::CommentStartDash;
            return true;
        }
        if (c == u'>') { // <!-->
            state = State::Data;
            return true;
        }
        state = State::Comment;
        return false;

    case State::CommentStartDash:
        if (c == u'-') {
            state = State::CommentEnd;
            return true;
        }
        if (c == u'>') { // <!--->
            state = State::Data;
            return true;
        }
        state = State::Comment;
        return false;

    case State::Comment:
        if (c == u'<')
            state = State::CommentLessThanSign;
        else if (c == u'-')
            state = State::CommentEndDash;
        return true;

    case State::CommentLessThanSign:
        if (c == u'!') {
            state = State::CommentLessThanSignBang;
            return true;
        }
        if (c == u'<')
            return true;
        state = State::Comment;
        return false;

    case State::CommentLessThanSignBang:
        if (c == u'-') {
            state = State::CommentLessThanSignBangDash;
            return true;
        }
        state = State::Comment;
        return false;

    case State::CommentLessThanSignBangDash:
        if (c == u'-') {
            state = State::CommentLessThanSignBangDashDash;
            return true;
        }
        state = State::CommentEndDash;
        return false;

    case State::CommentLessThanSignBangDashDash:
        // A nested "<!--" is an error only: either way the comment may end right here.
        state = State::CommentEnd;
        return false;

    case State::CommentEndDash:
        if (c == u'-') {
            state = State::CommentEnd;
            return true;
        }
        state = State::Comment;
        return false;

    case State::CommentEnd:
        if (c == u'>') {
            state = State::Data;
            return true;
        }
        if (c == u'!') {
            state = State::CommentEndBang;
            return true;
        }
        if (c == u'-')
            return true;
        state = State::Comment;
        return false;

    case State::CommentEndBang:
        if (c == u'-') {
            state = State::CommentEndDash;
            return true;
        }
        if (c == u'>') { // --!>
            state = State::Data;
            return true;
        }
        state = State::Comment;
        return false;

    case State::RcData:
    case State::RawText:
    case State::ScriptData:
        if (c == u'<') {
            textState = state;
            state = State::TextLessThanSign;
        }
        return true;

    case State::PlainText:
    case State::Stopped:
        return true;

    case State::TextLessThanSign:
        if (c == u'/') {
            state = State::TextEndTagOpen;
            return true;
        }
        if (textState == State::ScriptData && c == u'!') {
            state = State::ScriptDataEscapeStart;
            return true;
        }
        if (textState == State::ScriptDataEscaped && isAlpha(c)) {
            nameMatched = 0;
            nameMismatch = false;
            state = State::ScriptDataDoubleEscapeStart;
            return false;
        }
        state = textState;
        return false;

    case State::TextEndTagOpen:
        if (isAlpha(c)) {
            nameMatched = 0;
            nameMismatch = false;
            state = State::TextEndTagName;
            return false;
        }
        state = textState;
        return false;

    case State::TextEndTagName:
        if (isAlpha(c)) {
            matchName(rawTextName, lower(c));
            return true;
        }
        if ((isWhitespace(c) || c == u'/' || c == u'>') && nameMatches(rawTextName)) {
            startTag(true);
            if (c == u'>')
                emitTag();
            else
                state = c == u'/' ? State::SelfClosingStartTag : State::BeforeAttributeName;
            return true;
        }
        state = textState;
        return false;

    case State::ScriptDataEscapeStart:
        if (c == u'-') {
            state = State::ScriptDataEscapeStartDash;
            return true;
        }
        state = State::ScriptData;
        return false;

    case State::ScriptDataEscapeStartDash:
        if (c == u'-') {
            state = State::ScriptDataEscapedDashDash;
            return true;
        }
        state = State::ScriptData;
        return false;

    case State::ScriptDataEscaped:
    case State::ScriptDataEscapedDash:
        if (c == u'-') {
            state = state == State::ScriptDataEscaped ? State::ScriptDataEscapedDash
                                                      : State::ScriptDataEscapedDashDash;
        } else if (c == u'<') {
            textState = State::ScriptDataEscaped;
            state = State::TextLessThanSign;
        } else {
            state = State::ScriptDataEscaped;
        }
        return true;

    case State::ScriptDataEscapedDashDash:
        if (c == u'<') {
            textState = State::ScriptDataEscaped;
            state = State::TextLessThanSign;
        } else if (c == u'>') {
            state = State::ScriptData;
        } else if (c != u'-') {
            state = State::ScriptDataEscaped;
        }
        return true;

    case State::ScriptDataDoubleEscapeStart:
    case State::ScriptDataDoubleEscapeEnd:
        if (isWhitespace(c) || c == u'/' || c == u'>') {
            const bool script = nameMatches(Script);
            if (state == State::ScriptDataDoubleEscapeStart)
                state = script ? State::ScriptDataDoubleEscaped : State::ScriptDataEscaped;
            else
                state = script ? State::ScriptDataEscaped : State::ScriptDataDoubleEscaped;
            return true;
        }
        if (isAlpha(c)) {
            matchName(Script, lower(c));
            return true;
        }
        state = state == State::ScriptDataDoubleEscapeStart ? State::ScriptDataEscaped
                                                            : State::ScriptDataDoubleEscaped;
        return false;

    case State::ScriptDataDoubleEscaped:
    case State::ScriptDataDoubleEscapedDash:
        if (c == u'-') {
            state = state == State::ScriptDataDoubleEscaped ? State::ScriptDataDoubleEscapedDash
                                                            : State::ScriptDataDoubleEscapedDashDash;
        } else if (c == u'<') {
            state = State::ScriptDataDoubleEscapedLessThanSign;
        } else {
            state = State::ScriptDataDoubleEscaped;
        }
        return true;

    case State::ScriptDataDoubleEscapedDashDash:
        if (c == u'<')
            state = State::ScriptDataDoubleEscapedLessThanSign;
        else if (c == u'>')
            state = State::ScriptData;
        else if (c != u'-')
            state = State::ScriptDataDoubleEscaped;
        return true;

    case State::ScriptDataDoubleEscapedLessThanSign:
        if (c == u'/') {
            nameMatched = 0;
            nameMismatch = false;
            state = State::ScriptDataDoubleEscapeEnd;
            return true;
        }
        state = State::ScriptDataDoubleEscaped;
        return false;

    case State::CharacterReference:
        referenceLength = 0;
        if (isAlphanumeric(c) && firstCharacterRanges()[c].to > 0) {
            // No name is a single character.
            candidatesFrom = firstCharacterRanges()[c].from;
            candidatesTo = firstCharacterRanges()[c].to;
            matchedLength = 0;
            matchedIndex = -1;
            appendToReference(c);
            state = State::NamedCharacterReference;
            return true;
        }
        if (c == u'#') {
            appendToReference(c);
            codePoint = 0;
            state = State::NumericCharacterReference;
            return true;
        }
        flushReference({});
        return false;

    case State::NamedCharacterReference:
        if (extendsReference(c))
            return true;
        finishNamedReference(c);
        return false;

    case State::NumericCharacterReference:
        if (c == u'x' || c == u'X') {
            appendToReference(c);
            state = State::HexadecimalReferenceStart;
            return true;
        }
        state = State::DecimalReferenceStart;
        return false;

    case State::HexadecimalReferenceStart:
    case State::DecimalReferenceStart:
        if (state == State::HexadecimalReferenceStart ? hexValue(c) >= 0 : isDigit(c)) {
            state = state == State::HexadecimalReferenceStart ? State::HexadecimalReference
                                                              : State::DecimalReference;
            return false;
        }
        flushReference(reference());
        return false;

    case State::HexadecimalReference:
    case State::DecimalReference: {
        const bool hex = state == State::HexadecimalReference;
        const int digit = hex ? hexValue(c) : isDigit(c) ? c - u'0' : -1;
        if (digit >= 0) {
            // Past U+10FFFF the number only has to stay out of range.
            codePoint = std::min<char32_t>(codePoint * (hex ? 16 : 10) + char32_t(digit),
                                           0x110000);
            return true;
        }
        finishNumericReference();
        return c == u';';
    }
    }
    return true;
}

void HtmlTokenizer::startTag(bool end)
{
    endTag = end;
    tagNameLength = 0;
    characters.truncate(0);
    attributes.clear();
    if (!seenNames.isEmpty())
        seenNames.clear();
    keepValue = false;
}

void HtmlTokenizer::emitTag()
{
    state = State::Data;
    if (endTag)
        return;
    const QStringView tagName(tagNameCharacters.data(), tagNameLength);
    for (const RawTextElement &e : RawTextElements) {
        if (tagName.size() == e.name.size() && tagName == e.name) {
            rawTextName = e.name;
            state = e.plaintext ? State::PlainText
                    : e.script  ? State::ScriptData
                    : e.rcdata  ? State::RcData
                                : State::RawText;
            break;
        }
    }
    tag.name = tagName;
    tag.attributes.clear();
    const QStringView all(characters);
    for (const Attribute &a : std::as_const(attributes))
        tag.attributes.append(HtmlAttribute{all.sliced(a.name.from, a.name.length),
                                            all.sliced(a.value.from, a.value.length)});
    if (!onStartTag(tag))
        state = State::Stopped;
}

namespace
{
// Text as part of a name, at most `room` characters of it: ASCII in lower case, NUL as U+FFFD.
qsizetype lowered(QStringView text, char16_t *out, qsizetype room)
{
    const qsizetype n = std::max<qsizetype>(0, std::min(text.size(), room));
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t c = text[i].unicode();
        out[i] = c == 0 ? char16_t(0xFFFD) : lower(c);
    }
    return n;
}
} // namespace

void HtmlTokenizer::appendToTagName(QStringView text)
{
    if (!endTag)
        tagNameLength += lowered(text, tagNameCharacters.data() + tagNameLength,
                                 MaxNameLength - tagNameLength);
}

void HtmlTokenizer::appendToAttributeName(QStringView text)
{
    if (endTag)
        return;
    const qsizetype at = characters.size();
    const qsizetype room = MaxNameLength - (at - nameFrom);
    characters.resize(at + std::max<qsizetype>(0, std::min(text.size(), room)));
    lowered(text, reinterpret_cast<char16_t *>(characters.data()) + at, room);
}

void HtmlTokenizer::appendToValue(QStringView text)
{
    if (!keepValue || text.isEmpty())
        return;
    Span &value = attributes.back().value;
    const qsizetype n = std::min(text.size(), MaxValueLength - value.length);
    characters.append(text.first(n));
    value.length += n;
}

void HtmlTokenizer::startAttribute()
{
    nameFrom = characters.size();
    keepValue = false;
}

// Whether the attribute whose name has just been read is dropped: one past MaxAttributes, or a
// repeat (the first of a repeated attribute wins).
bool HtmlTokenizer::dropsAttribute(QStringView name)
{
    if (attributes.size() >= MaxAttributes)
        return true;
    const QStringView all(characters);
    if (attributes.size() < LinearSearchAttributes) {
        return std::any_of(attributes.cbegin(), attributes.cend(), [&](const Attribute &a) {
            return all.sliced(a.name.from, a.name.length) == name;
        });
    }
    if (seenNames.isEmpty()) {
        for (const Attribute &a : std::as_const(attributes))
            seenNames.insert(all.sliced(a.name.from, a.name.length).toString());
    }
    const qsizetype before = seenNames.size();
    seenNames.insert(name.toString());
    return seenNames.size() == before;
}

// A dropped attribute's value is read and dropped too.
void HtmlTokenizer::finishAttributeName()
{
    if (endTag)
        return;
    const qsizetype length = characters.size() - nameFrom;
    if (dropsAttribute(QStringView(characters).sliced(nameFrom))) {
        characters.truncate(nameFrom);
        return;
    }
    attributes.append(Attribute{{nameFrom, length}, {characters.size(), 0}});
    keepValue = true;
}

// A reference that is none: its characters go into the value as they are, and the character
// that showed it is read again in the value.
void HtmlTokenizer::flushReference(QStringView text)
{
    const char16_t ampersand = u'&';
    appendToValue(QStringView(&ampersand, 1));
    appendToValue(text);
    state = returnState;
}

// Whether c goes on a name of a named reference; the longest name matched on the way is the
// reference.
bool HtmlTokenizer::extendsReference(char16_t c)
{
    // The names that begin with what has been read narrow with each character. Names are
    // letters and digits, and some end in ';'.
    if (!isAlphanumeric(c) && c != u';')
        return false;
    const std::span<const NamedReference> names = namedReferences();
    const qsizetype at = referenceLength;
    const auto charAt = [at](const NamedReference &r) {
        return r.name.size() > size_t(at) ? char16_t(uchar(r.name[size_t(at)])) : char16_t(0);
    };
    const auto from = names.begin() + candidatesFrom, to = names.begin() + candidatesTo;
    const auto first = std::lower_bound(
        from, to, c, [&](const NamedReference &r, char16_t ch) { return charAt(r) < ch; });
    const auto last = std::upper_bound(
        first, to, c, [&](char16_t ch, const NamedReference &r) { return ch < charAt(r); });
    if (first == last)
        return false;
    appendToReference(c);
    candidatesFrom = first - names.begin();
    candidatesTo = last - names.begin();
    if (first->name.size() == size_t(referenceLength)) {
        matchedLength = referenceLength;
        matchedIndex = candidatesFrom;
    }
    return true;
}

void HtmlTokenizer::finishNamedReference(char16_t next)
{
    if (matchedIndex < 0) {
        flushReference(reference());
        return;
    }
    const NamedReference &match = namedReferences()[size_t(matchedIndex)];
    // Inside an attribute, a name without its ';' followed by a letter, a digit or '=' is text
    // (an address such as ?a=1&copy=2 keeps its "&copy").
    const char16_t after =
        matchedLength < referenceLength ? reference()[matchedLength].unicode() : next;
    if (match.name[size_t(matchedLength - 1)] != ';' && (isAlphanumeric(after) || after == u'=')) {
        flushReference(reference());
        return;
    }
    appendToValue(QStringView(match.text.data(), qsizetype(match.text.size())));
    appendToValue(reference().sliced(matchedLength));
    state = returnState;
}

void HtmlTokenizer::finishNumericReference()
{
    char32_t cp = codePoint;
    if (cp == 0 || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
        cp = 0xFFFD;
    else if (cp >= 0x80 && cp <= 0x9F)
        cp = Windows1252[cp - 0x80];
    if (QChar::requiresSurrogates(cp)) {
        const char16_t pair[] = {QChar::highSurrogate(cp), QChar::lowSurrogate(cp)};
        appendToValue(QStringView(pair, 2));
    } else {
        const char16_t unit = char16_t(cp);
        appendToValue(QStringView(&unit, 1));
    }
    state = returnState;
}

void HtmlTokenizer::matchName(QLatin1StringView name, char16_t c)
{
    if (nameMatched < name.size() && char16_t(uchar(name.data()[nameMatched])) == c)
        ++nameMatched;
    else
        nameMismatch = true;
}

bool HtmlTokenizer::nameMatches(QLatin1StringView name) const
{
    return !nameMismatch && nameMatched == name.size();
}

} // namespace web
