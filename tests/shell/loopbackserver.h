#pragma once

// A web server on a loopback address for the window tests: it answers each request, once the
// request's head has arrived, by calling `answer` with the connection.

#include <QHash>
#include <QPointer>
#include <QSet>
#include <QTcpServer>
#include <QTcpSocket>
#include <QUrl>
#include <functional>

class LoopbackServer : public QObject
{
public:
    std::function<void(QTcpSocket *)> answer;
    int connections = 0;
    QList<QByteArray> targets; // of the requests answered, in order
    QList<QPointer<QTcpSocket>> sockets;

    explicit LoopbackServer(const QHostAddress &address = QHostAddress::LocalHost)
    {
        server.listen(address);
        connect(&server, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket *socket = server.nextPendingConnection()) {
                ++connections;
                sockets << socket;
                connect(socket, &QTcpSocket::readyRead, socket, [this, socket] {
                    request[socket] += socket->readAll();
                    if (request[socket].contains("\r\n\r\n") && !answered.contains(socket)) {
                        answered << socket;
                        targets << request[socket].split(' ').value(1);
                        if (answer)
                            answer(socket);
                    }
                });
            }
        });
    }
    bool listening() const { return server.isListening(); }
    QUrl url() const
    {
        return QUrl(QStringLiteral("http://%1:%2/softnews.html")
                        .arg(server.serverAddress().toString())
                        .arg(server.serverPort()));
    }
    int openConnections() const
    {
        return int(std::count_if(sockets.begin(), sockets.end(), [](const QPointer<QTcpSocket> &s) {
            return s && s->state() != QAbstractSocket::UnconnectedState;
        }));
    }
    bool allWritten() const
    {
        return std::all_of(sockets.begin(), sockets.end(),
                           [](const QPointer<QTcpSocket> &s) { return !s || s->bytesToWrite() == 0; });
    }

private:
    QTcpServer server;
    QHash<QTcpSocket *, QByteArray> request;
    QSet<QTcpSocket *> answered;
};
