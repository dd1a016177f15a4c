// Times the whole fetch of a generated observation page (2 MB unless told) and its parse, over
// loopback http (the HTTP/1.0 client, through the server as its proxy) and https (libcurl, with
// a CA made at start), against the bare transfer of the same bytes over the same kind of
// connection (no decoding, no marker search, no parse). The server is tests/data/net_https_peer.py.
// Usage: bench_fetch [passes] [megabytes]   (defaults 10 and 2).

#include "bench_page.h"
#include "tests/net_peers.h"
#include "weather/engine/observation_parser.h"
#include "weather/net/curl_transfer.h"
#include "weather/net/error_log.h"
#include "weather/net/frm_inet.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTcpSocket>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>

namespace {

// Milliseconds per pass of `pass`, which returns the bytes or characters it got.
void time(const char* title, int passes, const std::function<qsizetype()>& pass)
{
    pass(); // warms the connection path and the caches
    qsizetype got = 0;
    QElapsedTimer timer;
    timer.start();
    for (int i = 0; i < passes; ++i)
        got += pass();
    std::printf("%-40s %8.2f ms per pass (%lld bytes or characters)\n", title,
                double(timer.nsecsElapsed()) / 1e6 / passes, static_cast<long long>(got / passes));
}

qsizetype bareHttp(quint16 port)
{
    QTcpSocket socket;
    socket.connectToHost(QHostAddress::LocalHost, port);
    if (!socket.waitForConnected(10000))
        return 0;
    socket.write("GET /file HTTP/1.0\r\n\r\n");
    QByteArray bytes;
    while (socket.waitForReadyRead(10000))
        bytes += socket.readAll();
    return bytes.size();
}

qsizetype bareHttps(const QString& url)
{
    net::CurlTransfer transfer;
    net::CurlTransfer::Options options;
    options.url = url;
    transfer.start(options);
    while (!transfer.done())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    return transfer.result().body.size();
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const int passes = argc > 1 ? std::max(1, std::atoi(argv[1])) : 10;
    const qsizetype megabytes = argc > 2 ? std::max(1, std::atoi(argv[2])) : 2;

    TestCa ca;
    QTemporaryDir dir;
    QFile page(dir.filePath(QStringLiteral("page.html")));
    if (!ca.ok() || !page.open(QIODevice::WriteOnly) ||
        page.write(generatePage("\r\n", megabytes * 1024 * 1024).toUtf8()) < 0) {
        std::fprintf(stderr, "bench_fetch: cannot make the certificates or the page\n");
        return 1;
    }
    page.close();
    const QStringList file{QStringLiteral("--file"), page.fileName()};
    Peer http("net_https_peer.py", file);
    Peer https("net_https_peer.py", ca.serverArgs(QStringLiteral("good")) + file);
    if (http.port.isEmpty() || https.port.isEmpty()) {
        std::fprintf(stderr, "bench_fetch: the page server did not start\n");
        return 1;
    }

    config::StateLayout layout;
    layout.blockStart = "<table class=\"tabledata\"";
    layout.blockEnd = "</table>";
    layout.rowMarker = "<th";
    layout.cellEnd = "</t";
    net::FetchState state;
    common::ProxySettings proxy;
    net::ErrorLog log;
    net::frmInet inet(state, proxy, log);
    inet.blockStart = layout.blockStart;
    inet.blockEnd = layout.blockEnd;
    const auto fetchAndParse = [&](const QString& url) {
        const QString text = inet.myOpenURL(url, false);
        return engine::cutDataBlock(text, layout, kColumns).has_value() ? text.size() : 0;
    };

    time("http: bare transfer", passes, [&] { return bareHttp(http.port.toUShort()); });
    proxy.useProxy = true;
    proxy.server = QStringLiteral("127.0.0.1");
    proxy.port = http.port;
    time("http: fetch (myOpenURL)", passes,
         [&] { return inet.myOpenURL("http://127.0.0.1/file", false).size(); });
    time("http: fetch and parse", passes, [&] { return fetchAndParse("http://127.0.0.1/file"); });
    proxy.useProxy = false;
    const QString secure = https.url("https", QStringLiteral("/file"));
    time("https: bare transfer (libcurl)", passes, [&] { return bareHttps(secure); });
    time("https: fetch (myOpenURL)", passes, [&] { return inet.myOpenURL(secure, false).size(); });
    time("https: fetch and parse", passes, [&] { return fetchAndParse(secure); });
    if (!log.isEmpty()) {
        std::fprintf(stderr, "bench_fetch: a fetch failed:\n%s\n", qPrintable(log.text()));
        return 1;
    }
    return 0;
}
