// Reads the pages and the reference headlines differential.py wrote, harvests each page whole,
// cut in two at every byte offset (at 48 random ones for pages over 320 bytes) and byte by
// byte, and reports every harvest that differs from the reference.
#include "web/headlines.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRandomGenerator>
#include <cstdio>

using namespace web;

namespace
{

constexpr qsizetype EveryOffsetUpTo = 320;
constexpr int RandomOffsets = 48;

QList<Headline> harvestInPieces(QByteArrayView page, QByteArrayView contentType,
                                const QList<qsizetype> &cuts)
{
    HeadlineHarvest harvest(contentType);
    qsizetype from = 0;
    for (const qsizetype cut : cuts) {
        harvest.feed(page.sliced(from, cut - from));
        from = cut;
    }
    harvest.feed(page.sliced(from));
    harvest.finish();
    return harvest.headlines();
}

QByteArray describe(const QList<Headline> &headlines)
{
    QByteArray out;
    for (const Headline &h : headlines)
        out += "  [" + h.caption.toUtf8().toPercentEncoding(" /") + "] -> [" +
               h.target.toUtf8().toPercentEncoding(" /") + "]\n";
    return out.isEmpty() ? "  (none)\n" : out;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: differential_harvest CASES.json\n");
        return 2;
    }
    QFile file(QString::fromLocal8Bit(argv[1]));
    if (!file.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "cannot read %s\n", argv[1]);
        return 2;
    }
    const QJsonObject root = QJsonDocument::fromJson(file.readAll()).object();
    const QJsonArray cases = root[u"cases"].toArray();
    int failures = 0;
    qint64 harvests = 0;
    for (qsizetype index = 0; index < cases.size(); ++index) {
        const QJsonObject c = cases[index].toObject();
        const QByteArray page = QByteArray::fromHex(c[u"page"].toString().toLatin1());
        const QByteArray contentType = c[u"contentType"].toString().toLatin1();
        QList<Headline> expected;
        for (const QJsonValue h : c[u"headlines"].toArray())
            expected.append({h[0].toString(), h[1].toString()});

        QList<QList<qsizetype>> slicings{{}};
        if (page.size() <= EveryOffsetUpTo) {
            for (qsizetype cut = 1; cut < page.size(); ++cut)
                slicings.append(QList<qsizetype>{cut});
        } else {
            QRandomGenerator random{quint32(index)};
            for (int i = 0; i < RandomOffsets; ++i)
                slicings.append(QList<qsizetype>{random.bounded(1, int(page.size()))});
        }
        QList<qsizetype> everyByte;
        for (qsizetype cut = 1; cut < page.size(); ++cut)
            everyByte.append(cut);
        slicings.append(everyByte);

        for (const QList<qsizetype> &cuts : std::as_const(slicings)) {
            const QList<Headline> actual = harvestInPieces(page, contentType, cuts);
            ++harvests;
            if (actual == expected)
                continue;
            if (++failures <= 5) {
                const QByteArray where = cuts.isEmpty()     ? QByteArray("whole")
                                         : cuts.size() == 1 ? "cut at byte " + QByteArray::number(cuts[0])
                                                            : QByteArray("byte by byte");
                std::printf("page %lld of seed %d (%s, Content-Type \"%s\"), %lld bytes:\n%s\n"
                            "reference:\n%sharvest:\n%s\n",
                            static_cast<long long>(index), root[u"seed"].toInt(), where.constData(),
                            contentType.constData(), static_cast<long long>(page.size()),
                            page.toPercentEncoding(" <>=/\"'!-&#;:?.,").constData(),
                            describe(expected).constData(), describe(actual).constData());
            }
            break; // one report per page
        }
    }
    std::printf("%lld pages, %lld harvests, %d pages differ from the reference\n",
                static_cast<long long>(cases.size()), static_cast<long long>(harvests), failures);
    return failures == 0 && !cases.isEmpty() ? 0 : 1;
}
