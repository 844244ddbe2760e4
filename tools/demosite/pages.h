#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

// The demo site's pages. One site stands in for the main site, the corporate site and the chat
// service alike; the host is only used to make absolute addresses that point back at this server.
namespace demosite
{

struct Article {
    const char16_t *title;
    const char16_t *text;
};

// The ten headlines of the news page; headline n (1-based) has the article /news/n.html.
inline constexpr int HeadlineCount = 10;
const Article &article(int n);

// The host[:port] to put in absolute addresses: the request's Host header when it looks like
// one, otherwise the fallback (the address the server listens on).
QByteArray siteAuthority(QByteArrayView hostHeader, QByteArrayView fallback);

// The news page, encoded in GBK: a visible list for people, then the hidden INPUT elements
// news1..news10 (value: the headline, mysrc: http://authority/news/n.html) and the terminator.
QByteArray newsPage(QByteArrayView authority);

// The quotation request as received: every field in its order with key, decoded value and
// meaning, with missing, unknown, repeated and misplaced keys flagged.
QByteArray quotationPage(QByteArrayView rawQuery);

// The chat service stand-in: shows the account (uin) and the site name it was opened with.
QByteArray chatPage(QByteArrayView rawQuery);

// The other pages, all in UTF-8; article n is 1..HeadlineCount.
QByteArray homePage();
QByteArray picturesPage();
QByteArray memberPricePage();
QByteArray articlePage(int n);
QByteArray errorPage(int status, QByteArrayView path);

} // namespace demosite
