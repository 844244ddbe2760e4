#include "tools/demosite/server.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <cstdio>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("zx_demosite"));

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("A stand-in for the vendor's web sites, on 127.0.0.1 only."));
    parser.addHelpOption();
    const QCommandLineOption portOption(QStringLiteral("port"),
                                        QStringLiteral("Port to listen on; 0 picks a free one."),
                                        QStringLiteral("N"), QStringLiteral("8808"));
    parser.addOption(portOption);
    parser.process(app);

    bool ok = false;
    const uint port = parser.value(portOption).toUInt(&ok);
    if (!ok || port > 65535) {
        std::fprintf(stderr, "zx_demosite: --port wants a number from 0 to 65535\n");
        return 2;
    }

    demosite::DemoServer server;
    if (!server.listen(quint16(port))) {
        std::fprintf(stderr, "zx_demosite: cannot listen on 127.0.0.1:%u: %s\n", port,
                     qPrintable(server.errorString()));
        return 1;
    }
    // Scripts and tests wait for this line to learn the port.
    std::printf("listening on http://127.0.0.1:%u\n", unsigned(server.serverPort()));
    std::fflush(stdout);
    return app.exec();
}
