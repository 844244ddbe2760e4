#pragma once

#include <QByteArrayView>
#include <QString>
#include <QStringList>

// The region catalogue: one line of "PPCCDD|Name," entries, and the three filters that fill the
// province, city and district lists. Filters work by character position only, so malformed
// entries simply match nothing (or match by position), never fail.
namespace region
{

inline constexpr QStringView CatalogueFileName = u"city.txt";

// The catalogue's code page, read with GbkDecoder.
inline constexpr char CatalogueEncoding[] = "GBK";

// The first line of the file's bytes: everything before the first carriage return, decoded
// as GBK. A line feed does not end the line. Throws RunFailure when there is no decoder for the
// encoding (GBK is the only one there is): reading on would give an empty catalogue that names
// nothing of the cause.
QString decodeFirstLine(QByteArrayView bytes, const char *encoding = CatalogueEncoding);

// Reads the first line of the catalogue file. Throws RunFailure: file not found; path/file
// access error when it exists but cannot be opened for reading (a folder, no permission);
// input past end of file for an empty file; no GBK decoder.
QString readCatalogueLine(const QString &path);

// Looks for the catalogue in the current directory first, then in fallbackDir (the program's
// folder: a program started from a desktop menu runs in the home folder). Returns the path to
// open; when neither exists, the bare name, so that opening it reports the usual failure.
QString locateCatalogue(const QString &fallbackDir);

// Splits the line at "," and drops the last field (the one after the final ","); a line without
// "," is one entry. Throws RunFailure for an empty line (no field) and for more than
// MaxFields fields.
inline constexpr qsizetype MaxFields = 32765;
QStringList catalogueEntries(QStringView line);

// Entries whose characters 3 to 6 are "0000".
QStringList provinces(const QStringList &entries);
// Entries of the province picked in the first list (its characters 1 and 2) that are cities.
QStringList cities(const QStringList &entries, QStringView provinceText);
// Entries under the picked city: province digits from the province text, city digits from the
// city text. The city's own entry is listed too, at its place in catalogue order.
QStringList districts(const QStringList &entries, QStringView provinceText, QStringView cityText);

} // namespace region
