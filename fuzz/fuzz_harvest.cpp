// Input: one byte choosing the Content-Type the page arrived with, then the page's bytes. With
// the last choice the Content-Type is the input's own first line. The page is harvested whole and
// again fed in slices, as the network hands it over; the rest of the first byte sets the largest
// slice, and a hash of the input draws the sizes.
#include "fuzz/check.h"
#include "web/headlines.h"
#include "web/links.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <random>

using namespace web;

namespace
{

// No header, the page's usual charset, the two Unicode ones and a name no decoder knows, which
// must fall through to the byte-order mark, the <meta> prescan and GBK.
constexpr QByteArrayView ContentTypes[] = {
    "",
    "text/html; charset=gbk",
    "text/html; charset=utf-8",
    "text/html; charset=utf-16",
    "text/html; charset=x-no-such-charset",
};

// FNV-1a: the same input always gives the same slices, so a finding replays.
uint32_t hashOf(const uint8_t *data, size_t size)
{
    uint32_t h = 2166136261u;
    for (size_t i = 0; i < size; ++i)
        h = (h ^ data[i]) * 16777619u;
    return h;
}

QList<Headline> harvestInSlices(QByteArrayView page, QByteArrayView contentType, qsizetype largest,
                                uint32_t seed)
{
    // At most about a thousand slices, so that a long page stays within the time limit.
    const qsizetype smallest = std::max<qsizetype>(1, page.size() / 1024);
    std::minstd_rand random(seed);
    HeadlineHarvest harvest(contentType);
    for (qsizetype at = 0; at < page.size();) {
        const qsizetype drawn = qsizetype(random() % uint32_t(largest)) + 1;
        const qsizetype size = std::min(page.size() - at, std::max(smallest, drawn));
        harvest.feed(page.sliced(at, size));
        at += size;
    }
    harvest.finish();
    return harvest.headlines();
}

bool isAscii(QByteArrayView bytes)
{
    for (const char b : bytes) {
        if (uint8_t(b) >= 0x80)
            return false;
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size == 0)
        return 0;
    const QByteArrayView rest(data + 1, qsizetype(size - 1));
    QByteArrayView contentType, page = rest;
    const size_t choices = std::size(ContentTypes) + 1;
    if (const size_t choice = data[0] % choices; choice < std::size(ContentTypes)) {
        contentType = ContentTypes[choice];
    } else {
        const qsizetype lineEnd = rest.indexOf('\n');
        contentType = lineEnd < 0 ? rest : rest.first(lineEnd);
        page = lineEnd < 0 ? QByteArrayView() : rest.sliced(lineEnd + 1);
    }

    const QList<Headline> headlines = harvestHeadlines(page, contentType);
    check(headlines.size() <= MaxHeadlines, "more headlines than labels");
    // Nothing may carry over from one harvest to the next.
    check(harvestHeadlines(page, contentType) == headlines, "a second harvest differs");
    // Where the network happens to cut the page must never matter.
    const qsizetype largest = qsizetype(1) << (data[0] / choices % 14); // 1 to 8192 bytes
    check(harvestInSlices(page, contentType, largest, hashOf(data, size)) == headlines,
          "the page fed in slices gives other headlines");

    for (qsizetype i = 0; i < headlines.size(); ++i) {
        // The terminator ends the walk, so only the last headline can carry it.
        check(i == headlines.size() - 1 || headlines[i].caption != Terminator,
              "a headline after the terminator");
        check(isAscii(wireForm(headlines[i].target)), "a wire form that is not ASCII");
        isLaunchableHeadline(headlines[i].target);
    }
    return 0;
}
