#include "web/links.h"

#include "buildconstants.h"
#include "text/gbk.h"

#include <QDesktopServices>
#include <QFileInfo>

namespace web
{

namespace
{

void appendPercentEncoded(QByteArray &out, QByteArrayView bytes)
{
    static constexpr char hex[] = "0123456789ABCDEF";
    for (const char b : bytes) {
        const auto u = static_cast<unsigned char>(b);
        out += '%';
        out += hex[u >> 4];
        out += hex[u & 0xf];
    }
}

// RFC 3986: a letter, then letters, digits, "+", "-" or ".", then ":". One letter alone is a
// drive letter rather than a scheme.
bool hasScheme(QStringView target)
{
    const auto isLetter = [](char16_t c) {
        return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z');
    };
    const auto isDigit = [](char16_t c) { return c >= u'0' && c <= u'9'; };
    if (target.isEmpty() || !isLetter(target.front().unicode()))
        return false;
    for (qsizetype i = 1; i < target.size(); ++i) {
        const char16_t c = target[i].unicode();
        if (c == u':')
            return i >= 2;
        if (!isLetter(c) && !isDigit(c) && c != u'+' && c != u'-' && c != u'.')
            return false;
    }
    return false;
}

} // namespace

QByteArray wireForm(QStringView target)
{
    QByteArray out;
    out.reserve(target.size() * 3);
    for (qsizetype i = 0; i < target.size();) {
        const QChar c = target[i];
        if (c.unicode() < 0x80) {
            out += char(c.unicode());
            ++i;
            continue;
        }
        const bool pair =
            c.isHighSurrogate() && i + 1 < target.size() && target[i + 1].isLowSurrogate();
        const qsizetype length = pair ? 2 : 1;
        const std::optional<QByteArray> bytes =
            pair || !c.isSurrogate() ? text::encodeGbk(target.sliced(i, length)) : std::nullopt;
        appendPercentEncoded(out, bytes ? QByteArrayView(*bytes) : QByteArrayView("?"));
        i += length;
    }
    return out;
}

// The wire form goes through QUrl unchanged except for the ASCII characters a URL may not hold
// literally: toEncoded(), which is what the desktop launcher passes on, writes "|" as "%7C",
// a blank as "%20", a lone "%" as "%25", and so on; an escaped unreserved character ("%41")
// comes out plain and lower-case hex comes out upper-case. Servers read all of these as the same
// characters, so nothing is lost. The "%XX" bytes of the GBK encoding, and escapes of "&", "=",
// "#", "+", "%" and control characters, come out exactly as they went in.
QUrl targetUrl(QStringView target)
{
    if (target.isEmpty())
        return {};
    if (hasScheme(target))
        return QUrl::fromEncoded(wireForm(target), QUrl::TolerantMode);
    // A relative file URL means nothing to a handler; resolve it the way a shell would.
    return QUrl::fromLocalFile(QFileInfo(target.toString()).absoluteFilePath());
}

bool openUrl(const QString &target)
{
    return target.isEmpty() || QDesktopServices::openUrl(targetUrl(target));
}

bool isLaunchableHeadline(QStringView target)
{
    if (!target.startsWith(u"http://", Qt::CaseInsensitive) &&
        !target.startsWith(u"https://", Qt::CaseInsensitive))
        return false;
    const QUrl url = targetUrl(target);
    return url.isValid() && !url.host().isEmpty();
}

QString linkTarget(Link link, const QString &programFolder)
{
    switch (link) {
    case Link::CorporateSite:
        return CorporateSiteOrigin;
    case Link::Renderings:
        return QString(MainSiteOrigin) + QStringLiteral("/zxpic.htm");
    case Link::ExactQuote:
        return QString(MainSiteOrigin) + QStringLiteral("/MemberPrice.htm");
    case Link::UserGuide:
        return programFolder + QStringLiteral("/111.doc");
    case Link::Chat:
        return QString(ChatServiceOrigin) + QStringLiteral("/msgrd?v=1&uin=") + SupportAccount +
               QStringLiteral("&site=技术支持&menu=yes");
    case Link::MainSite:
        return MainSiteOrigin;
    }
    Q_UNREACHABLE();
}

} // namespace web
