#include "region/regioncatalogue.h"

#include "text/chars.h"
#include "text/gbk.h"
#include "text/runfailure.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace region
{

using text::chars;

QString decodeFirstLine(QByteArrayView bytes, const char *encoding)
{
    text::GbkDecoder decoder;
    if (qstrcmp(encoding, CatalogueEncoding) != 0 || !decoder.isValid())
        throw RunFailure(RunFailure::LibraryNotLoaded,
                         QString::fromLatin1(encoding) + QStringLiteral(" 解码器"));
    const qsizetype cr = bytes.indexOf('\r');
    return decoder.decode(cr < 0 ? bytes : bytes.first(cr));
}

QString readCatalogueLine(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        throw RunFailure(file.exists() ? RunFailure::PathFileAccess : RunFailure::FileNotFound,
                         path);
    }
    const QByteArray bytes = file.readAll();
    if (bytes.isEmpty())
        throw RunFailure(RunFailure::InputPastEndOfFile, path);
    return decodeFirstLine(bytes);
}

QString locateCatalogue(const QString &fallbackDir)
{
    const QString bare = CatalogueFileName.toString();
    if (QFileInfo::exists(bare) || fallbackDir.isEmpty())
        return bare;
    const QString beside = QDir(fallbackDir).filePath(bare);
    return QFileInfo::exists(beside) ? beside : bare;
}

QStringList catalogueEntries(QStringView line)
{
    if (line.isEmpty())
        throw RunFailure(RunFailure::SubscriptOutOfRange, CatalogueFileName.toString());
    const qsizetype fields = line.count(u',') + 1;
    if (fields > MaxFields)
        throw RunFailure(RunFailure::Overflow, CatalogueFileName.toString());

    QStringList entries;
    entries.reserve(std::max<qsizetype>(fields - 1, 1));
    qsizetype start = 0;
    for (qsizetype comma; (comma = line.indexOf(u',', start)) >= 0; start = comma + 1)
        entries.append(line.sliced(start, comma - start).toString());
    if (entries.isEmpty())
        entries.append(line.toString());
    return entries;
}

namespace
{
bool isProvince(QStringView e)
{
    return chars(e, 3, 6) == u"0000";
}

template <typename Pred> QStringList select(const QStringList &entries, Pred pred)
{
    QStringList out;
    for (const QString &e : entries)
        if (pred(QStringView(e)))
            out.append(e);
    return out;
}
} // namespace

QStringList provinces(const QStringList &entries)
{
    return select(entries, isProvince);
}

QStringList cities(const QStringList &entries, QStringView provinceText)
{
    const QStringView pp = chars(provinceText, 1, 2);
    return select(entries, [pp](QStringView e) {
        return !isProvince(e) && chars(e, 1, 2) == pp && chars(e, 5, 6) == u"00";
    });
}

QStringList districts(const QStringList &entries, QStringView provinceText, QStringView cityText)
{
    const QStringView pp = chars(provinceText, 1, 2);
    const QStringView cc = chars(cityText, 3, 4);
    return select(entries, [pp, cc](QStringView e) {
        return !isProvince(e) && chars(e, 1, 2) == pp && chars(e, 3, 4) == cc;
    });
}

} // namespace region
