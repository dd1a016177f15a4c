// demo-bureau: a local stand-in for the bureau's web server and the update server, for running
// and testing Nimbulo without the internet. See --help.

#include "tools/demo-bureau/bureau_site.h"
#include "tools/demo-bureau/demo_server.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDateTime>
#include <QFileInfo>

#include <cstdio>

namespace {

// The layout file beside the program (an installed copy), else the one of the source tree.
QString defaultLayout()
{
    const QString beside = QCoreApplication::applicationDirPath() + QStringLiteral("/weather.ini");
    if (QFileInfo::exists(beside))
        return beside;
    return QStringLiteral(NIMBULO_SOURCE_LAYOUT);
}

[[noreturn]] void fail(const QString& message)
{
    std::fprintf(stderr, "demo-bureau: %s\n", qPrintable(message));
    std::exit(2);
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("demo-bureau"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Serves on 127.0.0.1, over HTTP/1.0, what Nimbulo reads from the bureau and the update "
        "server:\n"
        "  the observation page of every region, with generated values that\n"
        "  follow the time of day and change every 10 minutes;\n"
        "  each station's 72-hour history page /products/IDx60801/IDx60801.<wmo>.shtml;\n"
        "  the bureau's feeds of the same readings: the state observations /fwo/IDx60920.xml and\n"
        "  each station's 72 hours /fwo/IDx60801/IDx60801.<wmo>.json (also below /anon/gen, where\n"
        "  the bureau's FTP server keeps them);\n"
        "  /freeload/wthrvers.txt (exe= and ini= versions) and /freeload/weather.ini (the layout "
        "file);\n"
        "  a placeholder for the forecast, radar, map, flood-warning and tide pages it names.\n"
        "Request targets may be paths or full URLs (as a proxy receives them) of any host.\n"
        "Point Nimbulo's proxy setting at this server to use it.\n\n"
        "The misbehaviour options apply to every answer. One request can set its own by a path\n"
        "prefix with the option names, comma-separated:\n"
        "  GET /_misbehave/status=407,auth-scheme=NTLM/nsw/observations/nswall.shtml\n"
        "  GET /_misbehave/drip=64,cut=1000,never-close/freeload/weather.ini"));
    parser.addHelpOption();
    const QCommandLineOption port(QStringLiteral("port"),
                                  QStringLiteral("Port to listen on (default 8080; 0 picks a free "
                                                 "port). The first line on stdout is "
                                                 "\"listening on 127.0.0.1:<port>\"."),
                                  QStringLiteral("N"), QStringLiteral("8080"));
    const QCommandLineOption layout(QStringLiteral("layout"),
                                    QStringLiteral("Layout file to serve (default: weather.ini "
                                                   "beside the program, else the source tree's "
                                                   "data/weather.ini)."),
                                    QStringLiteral("FILE"));
    const QCommandLineOption exeVersion(QStringLiteral("exe-version"),
                                        QStringLiteral("Program version the version file "
                                                       "announces (default: this build's)."),
                                        QStringLiteral("X.Y.Z"));
    const QCommandLineOption iniVersion(QStringLiteral("ini-version"),
                                        QStringLiteral("Layout version the version file "
                                                       "announces (default: the layout's "
                                                       "[FixedSetting] ver)."),
                                        QStringLiteral("X.Y.Z"));
    const QCommandLineOption clock(QStringLiteral("clock"),
                                   QStringLiteral("Answer as if it were always this moment (ISO "
                                                  "8601, e.g. 2025-01-07T03:30:00Z)."),
                                   QStringLiteral("TIME"));
    const QCommandLineOption delay(QStringLiteral("delay"),
                                   QStringLiteral("Wait MS milliseconds before answering."),
                                   QStringLiteral("MS"));
    const QCommandLineOption drip(
        QStringLiteral("drip"),
        QStringLiteral("Send the answer slowly: N bytes every %1 ms.").arg(demo::kDripIntervalMs),
        QStringLiteral("N"));
    const QCommandLineOption cut(QStringLiteral("cut"),
                                 QStringLiteral("Close the connection after N bytes of the body "
                                                "(the headers announce the full length)."),
                                 QStringLiteral("N"));
    const QCommandLineOption neverClose(QStringLiteral("never-close"),
                                        QStringLiteral("Keep the connection open after the "
                                                       "answer until the client closes it."));
    const QCommandLineOption status(QStringLiteral("status"),
                                    QStringLiteral("Answer every request with this status "
                                                   "instead: 301 or 302 (with a Location), 404, "
                                                   "407 (with Proxy-Authenticate, see "
                                                   "--auth-scheme), or any other code."),
                                    QStringLiteral("CODE"));
    const QCommandLineOption authScheme(QStringLiteral("auth-scheme"),
                                        QStringLiteral("Scheme a 407 answer names: Basic "
                                                       "(default), Digest or NTLM."),
                                        QStringLiteral("SCHEME"));
    const QCommandLineOption requireAuth(QStringLiteral("require-auth"),
                                         QStringLiteral("Act as a proxy that wants credentials: "
                                                        "answer 407 Basic unless the request "
                                                        "carries \"Proxy-Authorization: Basic "
                                                        "<base64 of USER:PASSWORD>\" (scheme "
                                                        "word in any capitals)."),
                                         QStringLiteral("USER:PASSWORD"));
    parser.addOptions({port, layout, exeVersion, iniVersion, clock, delay, drip, cut, neverClose,
                       status, authScheme, requireAuth});
    parser.process(app);

    demo::Misbehaviour defaults;
    QString error;
    for (const QCommandLineOption* option :
         {&delay, &drip, &cut, &status, &authScheme, &requireAuth}) {
        if (parser.isSet(*option) &&
            !defaults.set(option->names().constFirst(), parser.value(*option), &error))
            fail(error);
    }
    defaults.neverClose = parser.isSet(neverClose);

    const QString layoutPath = parser.isSet(layout) ? parser.value(layout) : defaultLayout();
    if (!QFileInfo(layoutPath).isReadable())
        fail(QStringLiteral("cannot read the layout file %1").arg(layoutPath));
    demo::BureauSite site = demo::BureauSite::fromLayout(layoutPath);
    if (site.observationPaths().isEmpty())
        fail(QStringLiteral("the layout file %1 names no region the demo has stations for")
                 .arg(layoutPath));
    for (const QString& section : site.skippedRegions())
        std::fprintf(stderr, "demo-bureau: no stations for region [%s], not served\n",
                     qPrintable(section));
    if (parser.isSet(exeVersion))
        site.setExeVersion(parser.value(exeVersion));
    if (parser.isSet(iniVersion))
        site.setIniVersion(parser.value(iniVersion));

    bool portOk = false;
    const uint portNumber = parser.value(port).toUInt(&portOk);
    if (!portOk || portNumber > 65535)
        fail(QStringLiteral("bad port %1").arg(parser.value(port)));

    demo::DemoServer server(std::move(site), defaults);
    if (parser.isSet(clock)) {
        const QDateTime moment = QDateTime::fromString(parser.value(clock), Qt::ISODate);
        if (!moment.isValid())
            fail(QStringLiteral("bad time %1").arg(parser.value(clock)));
        server.setClock(moment.toSecsSinceEpoch());
    }
    if (!server.listen(static_cast<quint16>(portNumber)))
        fail(QStringLiteral("cannot listen on 127.0.0.1:%1: %2")
                 .arg(portNumber)
                 .arg(server.errorString()));
    QObject::connect(&server, &demo::DemoServer::requestServed,
                     [](const QString& requestLine, int code) {
                         std::fprintf(stderr, "%s -> %d\n", qPrintable(requestLine), code);
                     });

    std::printf("listening on 127.0.0.1:%u\n", static_cast<unsigned>(server.port()));
    std::fflush(stdout);
    return QCoreApplication::exec();
}
