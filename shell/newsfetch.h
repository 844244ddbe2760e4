#pragma once

#include "web/headlines.h"

#include <QList>
#include <QObject>
#include <QPointer>
#include <memory>

class QNetworkAccessManager;
class QNetworkReply;
class QUrl;

// The news page's download at start-up. The page is harvested as its bytes arrive and read no
// further than the harvest looks: once no further byte can change the headlines the download is
// given up. end() gives it up in any case and reports the headlines of what arrived by then.
class NewsFetch : public QObject
{
    Q_OBJECT
public:
    // Starts the request.
    explicit NewsFetch(const QUrl &page, QObject *parent = nullptr);

    void end();

signals:
    void ended(const QList<web::Headline> &headlines);

private:
    void read();

    QNetworkAccessManager *network;
    QPointer<QNetworkReply> reply;
    std::unique_ptr<web::HeadlineHarvest> harvest;
};
