// Input: one byte choosing the Content-Type the page arrived with, then the page's bytes. With
// the last choice the Content-Type is the input's own first line.
#include "fuzz/check.h"
#include "web/headlines.h"
#include "web/links.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>

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
    if (const size_t choice = data[0] % (std::size(ContentTypes) + 1);
        choice < std::size(ContentTypes)) {
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

    for (qsizetype i = 0; i < headlines.size(); ++i) {
        // The terminator ends the walk, so only the last headline can carry it.
        check(i == headlines.size() - 1 || headlines[i].caption != Terminator,
              "a headline after the terminator");
        check(isAscii(wireForm(headlines[i].target)), "a wire form that is not ASCII");
        isLaunchableHeadline(headlines[i].target);
    }
    return 0;
}
