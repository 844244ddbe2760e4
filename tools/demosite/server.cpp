#include "tools/demosite/server.h"

#include "tools/demosite/http.h"
#include "tools/demosite/pages.h"

#include <QHostAddress>
#include <QTcpSocket>
#include <QTimer>

namespace demosite
{

namespace
{

// One client connection; lives as a child of its socket and goes with it.
class Connection : public QObject
{
public:
    Connection(QTcpSocket *socket, std::chrono::milliseconds idleTimeout)
        : QObject(socket), socket(socket)
    {
        // Bounds what one read can pull in; the head limit is enforced on the buffer.
        socket->setReadBufferSize(MaxHeadBytes);
        idle.setSingleShot(true);
        idle.setInterval(idleTimeout);
        connect(&idle, &QTimer::timeout, this, [this] { drop(); });
        connect(socket, &QTcpSocket::readyRead, this, &Connection::read);
        connect(socket, &QTcpSocket::bytesWritten, this, [this] { idle.start(); });
        connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        authority = "127.0.0.1:" + QByteArray::number(socket->localPort());
        idle.start();
    }

private:
    void read()
    {
        const QByteArray data = socket->readAll();
        if (closing)
            return;
        idle.start();
        buffer += data;
        for (;;) {
            const ParseResult parsed = parseRequest(buffer);
            switch (parsed.status) {
            case ParseStatus::Incomplete:
                return;
            case ParseStatus::Malformed:
                finish(serialise(errorResponse(400), false, false));
                return;
            case ParseStatus::TooLarge:
                finish(serialise(errorResponse(431), false, false));
                return;
            case ParseStatus::Complete:
                break;
            }
            buffer.remove(0, parsed.consumed);
            const Request &request = parsed.request;
            // The body of a request is never read, so the connection cannot be reused after one.
            const bool keepAlive = request.keepAlive && !request.hasBody;
            const QByteArray answer =
                serialise(route(request, authority), request.method == "HEAD", keepAlive);
            if (!keepAlive) {
                finish(answer);
                return;
            }
            socket->write(answer);
        }
    }

    void finish(const QByteArray &answer)
    {
        closing = true;
        buffer.clear();
        socket->write(answer);
        socket->disconnectFromHost();
    }

    // A peer that stops talking, or stops reading what we write, is cut off.
    void drop()
    {
        closing = true;
        socket->abort();
        socket->deleteLater();
    }

    QTcpSocket *socket;
    QTimer idle;
    QByteArray buffer;
    QByteArray authority;
    bool closing = false;
};

} // namespace

DemoServer::DemoServer(QObject *parent) : QObject(parent)
{
    connect(&server, &QTcpServer::newConnection, this, &DemoServer::acceptPending);
}

bool DemoServer::listen(quint16 port)
{
    return server.listen(QHostAddress::LocalHost, port);
}

void DemoServer::acceptPending()
{
    while (QTcpSocket *socket = server.nextPendingConnection()) {
        // Accepted sockets are the server's children until they are deleted.
        if (server.findChildren<QTcpSocket *>(Qt::FindDirectChildrenOnly).size() > MaxConnections) {
            socket->abort();
            socket->deleteLater();
            continue;
        }
        new Connection(socket, idleTimeout);
    }
}

} // namespace demosite
