#pragma once

#include <QList>
#include <QSet>
#include <QString>
#include <QStringView>
#include <functional>

namespace web
{

struct HtmlAttribute {
    QString name; // ASCII lower case
    QString value; // character references resolved
};

struct HtmlStartTag {
    QString name; // ASCII lower case
    QList<HtmlAttribute> attributes; // in order; of a repeated name only the first

    // The attribute's value; a null string when the tag has no such attribute.
    QString attribute(QStringView attributeName) const;
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
    void appendToName(QString &name, char16_t c);
    void appendToValue(QStringView text);
    void startAttribute();
    void finishAttributeName();
    void flushReference(QStringView text);
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

    HtmlStartTag tag;
    bool endTag = false;
    QString attributeName;
    bool keepValue = false; // false while a repeated attribute's value is read
    QSet<QString> seenNames; // of tags with many attributes

    QLatin1StringView rawTextName; // the element whose end tag ends the raw text
    qsizetype nameMatched = 0;    // characters of an end tag or "script" matched so far
    bool nameMismatch = false;
    qsizetype markupMatched = 0; // characters after "<!" that match "--", DOCTYPE or [CDATA[
    char16_t markupKind = 0;

    QString reference; // what follows '&' in the reference read so far
    qsizetype candidatesFrom = 0, candidatesTo = 0; // names that start with `reference`
    qsizetype matchedLength = 0;                     // of the longest name matched so far
    qsizetype matchedIndex = -1;
    char32_t codePoint = 0;
};

} // namespace web
