#include "tools/demosite/pages.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <cstdio>
#include <httplib.h>

using namespace demosite;

namespace
{

using Request = httplib::Request;
using Response = httplib::Response;

// Everything after the first "?" as the client sent it: the checks look at the program's own
// escaping, which a decoded query would hide.
QByteArray rawQuery(const Request &request)
{
    const auto mark = request.target.find('?');
    return mark == std::string::npos ? QByteArray()
                                     : QByteArray::fromStdString(request.target.substr(mark + 1));
}

void reply(Response &response, const QByteArray &body,
           const char *type = "text/html; charset=UTF-8")
{
    response.set_content(body.toStdString(), type);
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);

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

    httplib::Server server;
    QByteArray self; // host:port of this server, set once bound; the handlers only read it
    // Patterns are regular expressions matched against the whole decoded path.
    server.Get("/", [](const Request &, Response &res) { reply(res, homePage()); });
    server.Get("/zxpic\\.htm", [](const Request &, Response &res) { reply(res, picturesPage()); });
    server.Get("/MemberPrice\\.htm",
               [](const Request &, Response &res) { reply(res, memberPricePage()); });
    server.Get("/softnews\\.html", [&self](const Request &req, Response &res) {
        const QByteArray host = QByteArray::fromStdString(req.get_header_value("Host"));
        reply(res, newsPage(siteAuthority(host, self)), "text/html; charset=GBK");
    });
    server.Get("/news/([1-9]|10)\\.html", [](const Request &req, Response &res) {
        reply(res, articlePage(std::stoi(req.matches[1].str())));
    });
    server.Get("/AutoPrice\\.action",
               [](const Request &req, Response &res) { reply(res, quotationPage(rawQuery(req))); });
    server.Get("/msgrd",
               [](const Request &req, Response &res) { reply(res, chatPage(rawQuery(req))); });
    server.set_error_handler([](const Request &req, Response &res) {
        reply(res, errorPage(res.status, QByteArray::fromStdString(req.path)));
    });

    const int bound = port == 0 ? server.bind_to_any_port("127.0.0.1")
                                : (server.bind_to_port("127.0.0.1", int(port)) ? int(port) : -1);
    if (bound <= 0) {
        std::fprintf(stderr, "zx_demosite: cannot listen on 127.0.0.1:%u\n", port);
        return 1;
    }
    self = "127.0.0.1:" + QByteArray::number(bound);
    // Scripts and tests wait for this line to learn the port.
    std::printf("listening on http://%s\n", self.constData());
    std::fflush(stdout);
    return server.listen_after_bind() ? 0 : 1;
}
