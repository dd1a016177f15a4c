// demo-bureau: a local stand-in for the bureau's web server and the update server, for running
// and testing Nimbulo without the internet. See --help.

#include "tools/demo-bureau/bureau_site.h"
#include "tools/demo-bureau/demo_server.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSslCertificate>
#include <QSslConfiguration>
#include <QSslKey>
#include <QTemporaryDir>

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

// The names the demo's certificate holds: the bureau's site, the update server, the loopback.
const char* const kTlsNames =
    "subjectAltName=DNS:reg.bom.gov.au,DNS:www.bom.gov.au,DNS:nimbulo.example,DNS:localhost,"
    "IP:127.0.0.1\n";

bool openssl(const QString& dir, const QStringList& args)
{
    QProcess process;
    process.setWorkingDirectory(dir);
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(QStringLiteral("openssl"), args);
    const bool ok = process.waitForFinished(60000) &&
                    process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
    if (!ok) // its chatter only matters when it failed
        std::fprintf(stderr, "%s", process.readAll().constData());
    return ok;
}

// A server certificate made now with openssl, signed by the CA in `caDir` (ca.pem, ca.key).
QSslConfiguration tlsFromCa(const QString& caDir)
{
    QTemporaryDir work;
    const QString ca = QFileInfo(caDir).absoluteFilePath();
    QFile ext(work.filePath(QStringLiteral("names.ext")));
    if (!work.isValid() || !ext.open(QIODevice::WriteOnly) || ext.write(kTlsNames) < 0)
        fail(QStringLiteral("cannot write in a temporary folder"));
    ext.close();
    if (!openssl(work.path(), {"req", "-newkey", "rsa:2048", "-nodes", "-subj", "/CN=demo-bureau",
                               "-keyout", "server.key", "-out", "server.csr"}) ||
        !openssl(work.path(), {"x509", "-req", "-in", "server.csr", "-CA", ca + "/ca.pem", "-CAkey",
                               ca + "/ca.key", "-CAcreateserial", "-CAserial", "ca.srl", "-days",
                               "7", "-extfile", "names.ext", "-out", "server.pem"}))
        fail(QStringLiteral("openssl could not make a certificate from the CA in %1").arg(caDir));
    QFile certFile(work.filePath(QStringLiteral("server.pem")));
    QFile keyFile(work.filePath(QStringLiteral("server.key")));
    if (!certFile.open(QIODevice::ReadOnly) || !keyFile.open(QIODevice::ReadOnly))
        fail(QStringLiteral("cannot read the certificate openssl made"));
    QSslConfiguration tls = QSslConfiguration::defaultConfiguration();
    tls.setLocalCertificate(QSslCertificate(&certFile, QSsl::Pem));
    tls.setPrivateKey(QSslKey(&keyFile, QSsl::Rsa, QSsl::Pem));
    tls.setPeerVerifyMode(QSslSocket::VerifyNone); // clients show no certificate
    if (tls.localCertificate().isNull() || tls.privateKey().isNull())
        fail(QStringLiteral("the certificate openssl made cannot be read"));
    return tls;
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
        "  the lists of warnings /fwo/IDZ000nn.warnings_<state>.xml with each warning's\n"
        "  companion /fwo/<id>.amoc.xml, full product /fwo/<id>.xml and page "
        "/products/<id>.shtml,\n"
        "  each station's 72 hours /fwo/IDx60801/IDx60801.<wmo>.json (also below /anon/gen, where\n"
        "  the bureau's FTP server keeps them);\n"
        "  /freeload/wthrvers.txt (exe= and ini= versions) and /freeload/weather.ini (the layout "
        "file);\n"
        "  a placeholder for the forecast, radar, map, flood-warning and tide pages it names.\n"
        "Request targets may be paths or full URLs (as a proxy receives them) of any host.\n"
        "Point Nimbulo's proxy setting at this server to use it.\n"
        "As a CDN does, it sends ETag and Last-Modified, answers conditional requests with 304 "
        "and compresses (gzip) when asked.\n\n"
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
    const QCommandLineOption tls(
        QStringLiteral("tls"),
        QStringLiteral("Also end the tunnels a client opens with CONNECT, as through a proxy, "
                       "and serve HTTPS inside them, with a certificate made at start (for "
                       "reg.bom.gov.au, www.bom.gov.au, nimbulo.example, localhost and "
                       "127.0.0.1) from the CA in DIR (ca.pem and ca.key, e.g. made with "
                       "openssl). Clients trust it through SSL_CERT_FILE=DIR/ca.pem."),
        QStringLiteral("DIR"));
    const QCommandLineOption serve(
        QStringLiteral("serve"),
        QStringLiteral("Serve FILE (read at every request) at the site path PATH, e.g. "
                       "/fwo/IDN60920.xml=/tmp/IDN60920.xml (also below /anon/gen). Repeatable."),
        QStringLiteral("PATH=FILE"));
    const QCommandLineOption countBytes(
        QStringLiteral("count-bytes"),
        QStringLiteral("Print \"sent N bytes\" on stderr as each connection closes: what the "
                       "server sent on it, TLS records included."));
    const QCommandLineOption warning(
        QStringLiteral("warning"),
        QStringLiteral("The demo's switchable warning for the district of each state's first "
                       "station: off (the default), new, update, ended (cancelled), or "
                       "schedule: new at start, updated after 5 minutes, cancelled after 15, "
                       "gone after 25, again every 30 minutes."),
        QStringLiteral("STAGE"));
    parser.addOptions({warning, port, layout, exeVersion, iniVersion, clock, delay, drip, cut,
                       neverClose, status, authScheme, requireAuth, tls, serve, countBytes});
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

    if (parser.isSet(warning)) {
        const QString stage = parser.value(warning);
        if (stage == u"schedule")
            site.scheduleWarning(QDateTime::currentSecsSinceEpoch());
        else if (stage == u"new")
            site.holdWarning(demo::WarningStage::New);
        else if (stage == u"update")
            site.holdWarning(demo::WarningStage::Update);
        else if (stage == u"ended")
            site.holdWarning(demo::WarningStage::Ended);
        else if (stage != u"off")
            fail(QStringLiteral("bad warning stage %1").arg(stage));
    }

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
    if (parser.isSet(tls))
        server.setTls(tlsFromCa(parser.value(tls)));
    for (const QString& item : parser.values(serve)) {
        const qsizetype eq = item.indexOf(QLatin1Char('='));
        if (eq <= 0 || !item.startsWith(QLatin1Char('/')))
            fail(QStringLiteral("bad --serve %1 (PATH=FILE)").arg(item));
        server.serveFile(item.left(eq), item.mid(eq + 1));
    }
    if (parser.isSet(countBytes))
        QObject::connect(&server, &demo::DemoServer::bytesSent, [](qint64 bytes) {
            std::fprintf(stderr, "sent %lld bytes\n", static_cast<long long>(bytes));
        });
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
