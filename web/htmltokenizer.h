#pragma once

#include <QList>
#include <QSet>
#include <QString>
#include <QStringView>
#include <array>
#include <functional>

namespace web
{

// A start tag as the tokenizer reports it. The views are valid during the report only.
struct HtmlAttribute {
    QStringView name;  // ASCII lower case
    QStringView value; // character references resolved
};

struct HtmlStartTag {
    QStringView name;                // ASCII lower case
    QList<HtmlAttribute> attributes; // in order; of a repeated name only the first

    // The attribute's value; a null view when the tag has no such attribute.
    QStringView attribute(QStringView attributeName) const;
};

// The HTML tokenizer a browser runs, reduced to what a reader of start tags needs: it is fed the
// page's decoded text in pieces of any size, keeps its state between them, and reports each
// start tag once its '>' has arrived. Text, comments, end tags and DOCTYPEs are read and
// dropped. Where a browser's tree construction switches the tokenizer after an HTML element's
// start tag (title, textarea, style, script, plaintext, ...), this one switches too; it knows no
// SVG or MathML content and reads every tag as HTML. Its work is linear in the text.
class HtmlTokenizer
{
public:
    // Called with each complete start tag; returning false stops the tokenizer for good.
    using StartTagHandler = std::function<bool(const HtmlStartTag &)>;

    explicit HtmlTokenizer(StartTagHandler onStartTag);

    // The next characters of the page. A tag cut by the end of the text so far waits for the
    // rest; one that never gets its '>' is never reported.
    void feed(QStringView text);
    bool stopped() const { return state == State::Stopped; }

private:
    enum class State {
        Data,
        TagOpen,
        EndTagOpen,
        TagName,
        BeforeAttributeName,
        AttributeName,
        AfterAttributeName,
        BeforeAttributeValue,
        AttributeValueDoubleQuoted,
        AttributeValueSingleQuoted,
        AttributeValueUnquoted,
        AfterAttributeValueQuoted,
        SelfClosingStartTag,
        MarkupDeclarationOpen,
        BogusComment,
        CommentStart,
        CommentStartDash,
        Comment,
        CommentLessThanSign,
        CommentLessThanSignBang,
        CommentLessThanSignBangDash,
        CommentLessThanSignBangDashDash,
        CommentEndDash,
        CommentEnd,
        CommentEndBang,
        Doctype,
        RcData,
        RawText,
        ScriptData,
        PlainText,
        // The "<", "</" and end tag name states of RCDATA, RAWTEXT and the three kinds of
        // script text share one set, told apart by `textState`.
        TextLessThanSign,
        TextEndTagOpen,
        TextEndTagName,
        ScriptDataEscapeStart,
        ScriptDataEscapeStartDash,
        ScriptDataEscaped,
        ScriptDataEscapedDash,
        ScriptDataEscapedDashDash,
        ScriptDataDoubleEscapeStart,
        ScriptDataDoubleEscaped,
        ScriptDataDoubleEscapedDash,
        ScriptDataDoubleEscapedDashDash,
        ScriptDataDoubleEscapedLessThanSign,
        ScriptDataDoubleEscapeEnd,
        CharacterReference,
        NamedCharacterReference,
        NumericCharacterReference,
        HexadecimalReferenceStart,
        DecimalReferenceStart,
        HexadecimalReference,
        DecimalReference,
        Stopped,
    };

    bool step(char16_t c);
    void startTag(bool end);
    void emitTag();
    void appendToTagName(QStringView text);
    void appendToAttributeName(QStringView text);
    void appendToValue(QStringView text);
    void startAttribute();
    bool dropsAttribute(QStringView name);
    void finishAttributeName();
    void flushReference(QStringView text);
    bool extendsReference(char16_t c);
    void finishNamedReference(char16_t next);
    void finishNumericReference();
    void matchName(QLatin1StringView name, char16_t lower);
    bool nameMatches(QLatin1StringView name) const;
    void tokenize(QStringView text);

    StartTagHandler onStartTag;
    State state = State::Data;
    State textState = State::Data;   // the text an end tag candidate in raw text returns to
    State returnState = State::Data; // the attribute value a character reference is in
    bool afterCarriageReturn = false;

    // The tag being read: its name, and its attributes' names and values one after the other
    // in `characters`, where `attributes` finds them. Both keep their capacity from tag to tag.
    struct Span {
        qsizetype from = 0, length = 0;
    };
    struct Attribute {
        Span name, value;
    };
    bool endTag = false;
    static constexpr qsizetype MaxNameLength = 256; // see the .cpp
    std::array<char16_t, MaxNameLength> tagNameCharacters;
    qsizetype tagNameLength = 0;
    QString characters;
    QList<Attribute> attributes;
    qsizetype nameFrom = 0;  // where the attribute name being read starts in `characters`
    bool keepValue = false;  // false while a repeated attribute's value is read
    QSet<QString> seenNames; // of tags with many attributes
    HtmlStartTag tag;        // the report

    QLatin1StringView rawTextName; // the element whose end tag ends the raw text
    qsizetype nameMatched = 0;    // characters of an end tag or "script" matched so far
    bool nameMismatch = false;
    qsizetype markupMatched = 0; // characters after "<!" that match "--", DOCTYPE or [CDATA[
    char16_t markupKind = 0;

    // What follows '&' in the reference read so far: a name (no name is longer than 32
    // characters) or "#" and "x" (the digits are counted in `codePoint`).
    std::array<char16_t, 32> referenceCharacters;
    qsizetype referenceLength = 0;
    QStringView reference() const { return {referenceCharacters.data(), referenceLength}; }
    void appendToReference(char16_t c) { referenceCharacters[size_t(referenceLength++)] = c; }
    qsizetype candidatesFrom = 0, candidatesTo = 0; // names that start with `reference`
    qsizetype matchedLength = 0;                     // of the longest name matched so far
    qsizetype matchedIndex = -1;
    char32_t codePoint = 0;
};

} // namespace web
