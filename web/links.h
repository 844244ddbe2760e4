#pragma once

#include <QByteArray>
#include <QString>
#include <QStringView>
#include <QUrl>

// The one way out of the program: a target (a web address or a local file path) handed to the
// desktop's default handler, and the fixed table of the window's links.
namespace web
{

// The target as the vendor's servers expect it on the wire: every non-ASCII character as its
// GBK bytes, percent-encoded (%XX, upper-case hex); ASCII is left exactly as it is. A character
// GBK lacks goes out as "%3F" (an encoded "?", so it cannot open a query by accident).
QByteArray wireForm(QStringView target);

// What the desktop gets: a target with a scheme is a web address made from its wire form; any
// other non-empty target is a local file path. Empty gives an invalid QUrl.
QUrl targetUrl(QStringView target);

// Hands the target to the desktop's default handler. False when the platform reports that it
// could not (no handler for the address, or the launch refused); an empty target launches
// nothing and is not a failure.
bool openUrl(const QString &target);

// Only an absolute http:// or https:// address with a host may be launched from a headline;
// news pages are outside our control, so local paths and other schemes are refused.
bool isLaunchableHeadline(QStringView target);

enum class Link { CorporateSite, Renderings, ExactQuote, UserGuide, Chat, MainSite };

// The fixed target of a link. programFolder is the executable's folder as the platform reports
// it; the user guide lies beside the executable.
QString linkTarget(Link link, const QString &programFolder);

} // namespace web
