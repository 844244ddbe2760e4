#include "shell/newsfetch.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>

namespace
{
// Qt would otherwise take in a large page as fast as it comes, whatever is read of it here.
constexpr qint64 ReadBufferBytes = 64 * 1024;
} // namespace

NewsFetch::NewsFetch(const QUrl &page, QObject *parent)
    : QObject(parent), network(new QNetworkAccessManager(this))
{
    network->setRedirectPolicy(QNetworkRequest::NoLessSafeRedirectPolicy);
    reply = network->get(QNetworkRequest(page));
    reply->setReadBufferSize(ReadBufferBytes);
    connect(reply, &QNetworkReply::readyRead, this, &NewsFetch::read);
    connect(reply, &QNetworkReply::finished, this, [this] {
        if (harvest)
            harvest->finish();
    });
}

// The harvest keeps at most web::MaxPageBytes of the page and bounds its own work.
void NewsFetch::read()
{
    if (!harvest)
        harvest = std::make_unique<web::HeadlineHarvest>(reply->rawHeader("Content-Type"));
    harvest->feed(reply->readAll());
    if (harvest->done())
        reply->abort();
}

void NewsFetch::end()
{
    if (reply) {
        reply->disconnect(this);
        reply->abort();
        reply->deleteLater();
    }
    // Nothing more is fetched; a connection Qt opened ahead for the next request goes too.
    network->clearConnectionCache();
    QList<web::Headline> headlines;
    if (harvest) {
        harvest->finish();
        headlines = harvest->headlines();
        harvest.reset();
    }
    emit ended(headlines);
}
