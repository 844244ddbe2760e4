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
#include <libxml/xmlversion.h>
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

// Two faults of libxml2's push parser before 2.12 that the harvest does not mend, so pages that
// could meet them are not held to the same headlines in slices:
// - it finds the end of a start tag by pairing every quote in it, but reads a quote as opening a
//   value only after an attribute name and '=': with a quote anywhere else (in an unquoted value,
//   in what it skips as no attribute), a chunk that ends between where the two see the end of the
//   tag leaves the tag short, and it is not taken;
// - after the text of a script or style element it looks for an end tag where that text began,
//   so a chunk of script text that begins with "</" ends the element there.
bool quotesOnlyAroundValues(QByteArrayView page)
{
    const auto isNameStart = [](char c) {
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_' || c == ':' || c == '.';
    };
    const auto isNameChar = [&](char c) {
        return isNameStart(c) || (c >= '0' && c <= '9') || c == '-';
    };
    enum { Elsewhere, Blank, Name, AfterName, AfterEquals, Unquoted } at = Elsewhere;
    char quote = 0;
    for (const char c : page) {
        const bool blank = c == ' ' || c == '\t' || c == '\n' || c == '\r';
        if (quote) {
            quote = c == quote ? 0 : quote;
        } else if (c == '"' || c == '\'') {
            if (at != AfterEquals)
                return false;
            quote = c;
            at = Elsewhere;
        } else if (c == '>') {
            at = Elsewhere;
        } else if (c == '=' && (at == Name || at == AfterName)) {
            at = AfterEquals;
        } else if (at == AfterEquals) {
            at = blank ? AfterEquals : Unquoted; // an unquoted value runs to a blank or '>'
        } else if (blank) {
            at = at == Name || at == AfterName ? AfterName : Blank;
        } else if (at == Name) {
            at = isNameChar(c) ? Name : Elsewhere;
        } else if (at == Blank || at == AfterName) {
            at = isNameStart(c) ? Name : Elsewhere;
        } else if (at != Unquoted) {
            at = Elsewhere;
        }
    }
    return true;
}

bool endTagsInsideScripts(QByteArrayView page)
{
    const QByteArray lower = page.toByteArray().toLower();
    if (!lower.contains("<script") && !lower.contains("<style"))
        return false;
    for (qsizetype at = lower.indexOf("</"); at >= 0; at = lower.indexOf("</", at + 2)) {
        const QByteArrayView tag = QByteArrayView(lower).sliced(at + 2);
        if (!tag.startsWith("script") && !tag.startsWith("style"))
            return true;
    }
    return false;
}

bool chunkIndependent(QByteArrayView page)
{
    return LIBXML_VERSION >= 21200 || (quotesOnlyAroundValues(page) && !endTagsInsideScripts(page));
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
    // libxml2's error channels and the parser context must not carry anything over.
    check(harvestHeadlines(page, contentType) == headlines, "a second harvest differs");
    // Where the network happens to cut the page must not matter.
    const qsizetype largest = qsizetype(1) << (data[0] / choices % 14); // 1 to 8192 bytes
    check(!chunkIndependent(page) ||
              harvestInSlices(page, contentType, largest, hashOf(data, size)) == headlines,
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
