#pragma once

#include <QObject>
#include <QString>
#include <QTcpServer>
#include <chrono>

// Serves the demo site on 127.0.0.1. Each connection reads request heads, answers them in
// order and is closed after an answer that asks for it, on a malformed request, or when it has
// been idle for the idle timeout.
namespace demosite
{

class DemoServer : public QObject
{
public:
    explicit DemoServer(QObject *parent = nullptr);

    // Port 0 picks a free port; serverPort() then tells which.
    bool listen(quint16 port);
    quint16 serverPort() const { return server.serverPort(); }
    QString errorString() const { return server.errorString(); }

    void setIdleTimeout(std::chrono::milliseconds timeout) { idleTimeout = timeout; }

    // Connections beyond this are closed at once.
    static constexpr int MaxConnections = 64;

private:
    void acceptPending();

    QTcpServer server;
    std::chrono::milliseconds idleTimeout{15000};
};

} // namespace demosite
