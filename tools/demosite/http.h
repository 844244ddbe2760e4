#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QPair>

// Just enough HTTP/1.1 for a browser talking to a demo site: request heads in, whole responses
// out. Bodies are never read; a request that announces one is answered and the connection closed.
namespace demosite
{

// A request head larger than this is refused; a real quotation request is well under 2 KiB.
inline constexpr qsizetype MaxHeadBytes = 64 * 1024;

struct Request {
    QByteArray method; // as sent, case-sensitive ("get" is not GET)
    QByteArray path;   // the target up to "?", still percent-encoded
    QByteArray query;  // after the first "?", raw; empty when there is none
    QByteArray host;   // the Host header, trimmed; empty when absent
    bool keepAlive = false;
    bool hasBody = false; // Content-Length other than 0, or any Transfer-Encoding
};

enum class ParseStatus { Incomplete, Complete, Malformed, TooLarge };

struct ParseResult {
    ParseStatus status = ParseStatus::Incomplete;
    Request request;        // filled when Complete
    qsizetype consumed = 0; // bytes of the buffer the head took, when Complete
};

// Looks for one request head at the start of buffer. Lines may end in CRLF or a bare LF.
ParseResult parseRequest(QByteArrayView buffer);

struct Response {
    int status = 200;
    QByteArray contentType = "text/html; charset=UTF-8";
    QByteArray body;
    QList<QPair<QByteArray, QByteArray>> extraHeaders;
};

// The bytes on the wire. A HEAD answer carries the headers of the GET answer (Content-Length
// included) and no body.
QByteArray serialise(const Response &response, bool headOnly, bool keepAlive);

QByteArray reasonPhrase(int status);

} // namespace demosite
