#include "web/headlines.h"

#include "web/htmltokenizer.h"

#include <optional>

namespace web
{

struct HeadlineHarvest::Parse {
    qsizetype received = 0;
    QByteArray start; // the first bytes, until the charset is chosen
    std::optional<PageDecoder> decoder;
    HtmlTokenizer tokenizer{[this](const HtmlStartTag &tag) { return take(tag); }};
    QList<Headline> taken;
    bool ended = false;

    void chooseCharset()
    {
        decoder.emplace(bodyDecoder(start));
        tokenizer.feed(decoder->decode(std::exchange(start, {})));
    }

    // The walk, one start tag at a time; false once no later element can count.
    bool take(const HtmlStartTag &tag)
    {
        if (tag.name != u"input")
            return true;
        const QStringView value = tag.attribute(u"value");
        const QString expected = QLatin1String("news") + QString::number(taken.size() + 1);
        if (tag.attribute(u"name").toString().toLower() == expected) {
            taken.append({value.toString(), tag.attribute(u"mysrc").toString()});
            if (taken.size() == MaxHeadlines)
                return false;
        }
        return value != Terminator;
    }
};

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
        parse->tokenizer.feed(parse->decoder->decode(bytes));
    } else {
        parse->start += bytes;
        if (parse->start.size() >= MetaPrescanBytes)
            parse->chooseCharset();
    }
    if (parse->received >= MaxPageBytes)
        finish();
}

// A start tag still waiting for its '>' is not an element yet (a browser drops it too), so
// ending the page only stops the reading.
void HeadlineHarvest::finish()
{
    if (parse->ended)
        return;
    if (!parse->tokenizer.stopped() && !parse->decoder && !parse->start.isEmpty())
        parse->chooseCharset();
    parse->ended = true;
}

bool HeadlineHarvest::done() const
{
    return parse->ended || parse->tokenizer.stopped();
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
