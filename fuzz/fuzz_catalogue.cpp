// Input: the bytes of a catalogue file. The catalogue is only the first line; the bytes after
// its carriage return, which the program never reads, choose the entries to pick, two at a time
// (province, then city), as an index into the list on screen.
#include "fuzz/check.h"
#include "region/regioncatalogue.h"
#include "text/chars.h"
#include "text/runfailure.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

using namespace region;
using text::chars;
using text::Placeholder;

namespace
{

struct Pick {
    unsigned province = 0;
    unsigned city = 0;
};

void pickAndFilter(const QStringList &entries, const QStringList &provinceList, Pick pick)
{
    const QString &province = provinceList.at(pick.province % provinceList.size());
    const QStringList cityList = cities(entries, province);
    for (const QString &c : cityList) {
        check(chars(c, 3, 6) != u"0000", "a province among the cities");
        check(chars(c, 1, 2) == chars(province, 1, 2), "a city of another province");
    }
    // The placeholder stands in the city list until a city is picked.
    const QString city =
        cityList.isEmpty() ? Placeholder.toString() : cityList.at(pick.city % cityList.size());
    const QStringList districtList = districts(entries, province, city);
    if (!cityList.isEmpty())
        check(districtList.contains(city), "the picked city missing from its districts");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArrayView bytes(data, qsizetype(size));
    const QString line = decodeFirstLine(bytes);
    check(!line.contains(u'\r'), "a carriage return in the first line");

    QStringList entries;
    try {
        entries = catalogueEntries(line);
    } catch (const RunFailure &failure) {
        check(failure.number() == RunFailure::SubscriptOutOfRange ||
                  failure.number() == RunFailure::Overflow,
              "an unexpected failure number");
        check(line.isEmpty() == (failure.number() == RunFailure::SubscriptOutOfRange),
              "the empty line and the failure disagree");
        return 0;
    }
    check(entries.size() == std::max<qsizetype>(line.count(u','), 1), "wrong entry count");

    const QStringList provinceList = provinces(entries);
    for (const QString &p : provinceList)
        check(chars(p, 3, 6) == u"0000", "a province that is not one");
    // The window filters by the placeholder too, before anything is picked.
    cities(entries, Placeholder);
    districts(entries, Placeholder, Placeholder);
    if (provinceList.isEmpty())
        return 0;

    const qsizetype cr = bytes.indexOf('\r');
    const QByteArrayView rest = cr < 0 ? QByteArrayView() : bytes.sliced(cr + 1);
    if (rest.size() < 2) {
        pickAndFilter(entries, provinceList, {});
        return 0;
    }
    for (qsizetype i = 0; i + 1 < rest.size() && i < 8; i += 2)
        pickAndFilter(entries, provinceList, {uint8_t(rest[i]), uint8_t(rest[i + 1])});
    return 0;
}
