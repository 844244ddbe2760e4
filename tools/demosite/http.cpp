#include "tools/demosite/http.h"

namespace demosite
{

namespace
{

bool isTokenChar(char c)
{
    if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9'))
        return true;
    return QByteArrayView("!#$%&'*+-.^_`|~").contains(c);
}

bool isToken(QByteArrayView s)
{
    if (s.isEmpty())
        return false;
    for (char c : s) {
        if (!isTokenChar(c))
            return false;
    }
    return true;
}

// Visible ASCII only: a target with blanks, controls or raw 8-bit bytes is not one we answer.
bool isTargetText(QByteArrayView s)
{
    for (char c : s) {
        const auto u = static_cast<unsigned char>(c);
        if (u <= 0x20 || u >= 0x7F)
            return false;
    }
    return !s.isEmpty();
}

// Either "\r\n\r\n" or "\n\n" (also mixed) ends the head; returns the offset just past it.
qsizetype headEnd(QByteArrayView buffer)
{
    for (qsizetype i = buffer.indexOf('\n'); i >= 0; i = buffer.indexOf('\n', i + 1)) {
        qsizetype next = i + 1;
        if (next < buffer.size() && buffer[next] == '\r')
            ++next;
        if (next < buffer.size() && buffer[next] == '\n')
            return next + 1;
    }
    return -1;
}

QByteArrayView chopCr(QByteArrayView line)
{
    return line.endsWith('\r') ? line.chopped(1) : line;
}

bool hasConnectionOption(QByteArrayView value, QByteArrayView option)
{
    for (const QByteArray &part : value.toByteArray().split(','))
        if (part.trimmed().compare(option, Qt::CaseInsensitive) == 0)
            return true;
    return false;
}

} // namespace

ParseResult parseRequest(QByteArrayView buffer)
{
    ParseResult result;
    // Browsers may send a stray blank line after a request; RFC 9112 says to ignore it.
    qsizetype start = 0;
    while (start < buffer.size() && (buffer[start] == '\r' || buffer[start] == '\n'))
        ++start;
    const qsizetype end = headEnd(buffer.sliced(start));
    if (end < 0) {
        result.status =
            buffer.size() > MaxHeadBytes ? ParseStatus::TooLarge : ParseStatus::Incomplete;
        return result;
    }
    if (end > MaxHeadBytes) {
        result.status = ParseStatus::TooLarge;
        return result;
    }
    result.consumed = start + end;
    result.status = ParseStatus::Malformed;

    const QList<QByteArray> lines = buffer.sliced(start, end).toByteArray().split('\n');
    const QList<QByteArray> parts = chopCr(lines.first()).toByteArray().split(' ');
    if (parts.size() != 3 || !isToken(parts[0]) || !isTargetText(parts[1]))
        return result;
    const QByteArray &version = parts[2];
    if (version != "HTTP/1.1" && version != "HTTP/1.0")
        return result;

    Request &request = result.request;
    request.method = parts[0];
    QByteArray target = parts[1];
    // Absolute form, as sent to a proxy: its authority stands in for the Host header.
    QByteArray absoluteHost;
    if (target.startsWith("http://") || target.startsWith("https://")) {
        const qsizetype authority = target.indexOf("//") + 2;
        qsizetype rest = authority;
        while (rest < target.size() && target[rest] != '/' && target[rest] != '?')
            ++rest;
        absoluteHost = target.sliced(authority, rest - authority);
        const bool hasSlash = rest < target.size() && target[rest] == '/';
        target = hasSlash ? target.sliced(rest) : "/" + target.sliced(rest);
    }
    if (!target.startsWith('/'))
        return result;
    if (const qsizetype hash = target.indexOf('#'); hash >= 0)
        target.truncate(hash);
    const qsizetype question = target.indexOf('?');
    request.path = question < 0 ? target : target.first(question);
    request.query = question < 0 ? QByteArray() : target.sliced(question + 1);

    bool hostSeen = false;
    request.keepAlive = version == "HTTP/1.1";
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const QByteArrayView line = chopCr(lines[i]);
        if (line.isEmpty())
            continue;
        const qsizetype colon = line.indexOf(':');
        if (colon <= 0 || !isToken(line.first(colon)))
            return result;
        const QByteArrayView name = line.first(colon);
        const QByteArray value = line.sliced(colon + 1).toByteArray().trimmed();
        if (name.compare("Host", Qt::CaseInsensitive) == 0) {
            // Two Host headers could disagree; which one to believe is not ours to guess.
            if (hostSeen)
                return result;
            hostSeen = true;
            request.host = value;
        } else if (name.compare("Connection", Qt::CaseInsensitive) == 0) {
            if (hasConnectionOption(value, "close"))
                request.keepAlive = false;
            else if (hasConnectionOption(value, "keep-alive"))
                request.keepAlive = true;
        } else if (name.compare("Content-Length", Qt::CaseInsensitive) == 0) {
            bool ok = false;
            const qlonglong length = value.toLongLong(&ok);
            if (!ok || length < 0)
                return result;
            request.hasBody = request.hasBody || length > 0;
        } else if (name.compare("Transfer-Encoding", Qt::CaseInsensitive) == 0) {
            request.hasBody = true;
        }
    }
    if (!absoluteHost.isEmpty())
        request.host = absoluteHost;
    result.status = ParseStatus::Complete;
    return result;
}

QByteArray reasonPhrase(int status)
{
    switch (status) {
    case 200:
        return "OK";
    case 400:
        return "Bad Request";
    case 404:
        return "Not Found";
    case 405:
        return "Method Not Allowed";
    case 408:
        return "Request Timeout";
    case 431:
        return "Request Header Fields Too Large";
    case 503:
        return "Service Unavailable";
    default:
        return "Unknown";
    }
}

QByteArray serialise(const Response &response, bool headOnly, bool keepAlive)
{
    QByteArray out = "HTTP/1.1 " + QByteArray::number(response.status) + ' ' +
                     reasonPhrase(response.status) + "\r\n";
    out += "Server: zx_demosite\r\n";
    out += "Content-Type: " + response.contentType + "\r\n";
    out += "Content-Length: " + QByteArray::number(response.body.size()) + "\r\n";
    out += "Cache-Control: no-store\r\n";
    for (const auto &[name, value] : response.extraHeaders)
        out += name + ": " + value + "\r\n";
    out += keepAlive ? "Connection: keep-alive\r\n" : "Connection: close\r\n";
    out += "\r\n";
    if (!headOnly)
        out += response.body;
    return out;
}

} // namespace demosite
