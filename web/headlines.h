#pragma once

#include "web/charset.h"

#include <QByteArrayView>
#include <QList>
#include <QString>
#include <memory>

// The headline harvest: the news page's INPUT elements named news1, news2, ... carry the
// headline text in "value" and the address to open in "mysrc"; an INPUT whose value is exactly
// "已结束" ends the list. The page is parsed as its bytes arrive; the harvest ends with whatever
// has arrived by then, complete or not.
namespace web
{

struct Headline {
    QString caption; // plain text, shown as is
    QString target;  // the mysrc attribute; empty when the element has none

    friend bool operator==(const Headline &, const Headline &) = default;
};

// There are ten headline labels; an eleventh headline is never taken.
inline constexpr int MaxHeadlines = 10;

// The value that ends the walk.
inline constexpr QStringView Terminator = u"已结束";

// One page's harvest, fed the page's bytes as they arrive. The page is read as a browser's HTML
// tokenizer reads it, and the headlines are taken from its INPUT start tags in order; they stop
// at the terminator or once MaxHeadlines are taken. A start tag that has not fully arrived is
// not an element yet and is never taken. The headlines never depend on where the bytes are cut.
// Broken or hostile bytes give fewer or no headlines, never a failure, and the work is linear in
// the bytes fed.
class HeadlineHarvest
{
public:
    // The Content-Type header the page came with; it may name the charset.
    explicit HeadlineHarvest(QByteArrayView contentType);
    ~HeadlineHarvest();
    HeadlineHarvest(const HeadlineHarvest &) = delete;
    HeadlineHarvest &operator=(const HeadlineHarvest &) = delete;

    // The next bytes of the page. Only the first MaxPageBytes bytes of the page are looked at.
    void feed(QByteArrayView bytes);
    // The page has ended: the charset is chosen with what there is, and everything received is
    // parsed. Bytes fed afterwards are never looked at.
    void finish();
    // True once no further byte could change the headlines.
    bool done() const;
    QList<Headline> headlines() const;

private:
    struct Parse;
    std::unique_ptr<Parse> parse;
};

// The headlines of a page given whole.
QList<Headline> harvestHeadlines(QByteArrayView bytes, QByteArrayView contentType);

} // namespace web
