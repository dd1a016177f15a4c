#pragma once

#include "tools/demo-bureau/bureau_site.h"
#include "tools/demo-bureau/misbehaviour.h"

#include <QByteArray>
#include <QHash>
#include <QObject>
#include <QSslConfiguration>
#include <QString>
#include <QTcpServer>

#include <optional>

namespace demo {

// A complete answer to one request, before any misbehaviour in sending it.
struct Answer
{
    QString requestLine; // as received, for the log
    int status = 0;
    QByteArray bytes; // status line, headers, empty line, body
    qsizetype headSize = 0;
    Misbehaviour how; // how to send it: the server's defaults with the request's own items
};

// Answers one HTTP request head (the request line and header lines, without the empty line).
// The target may be in origin form ("/nsw/…") or in the absolute form a proxy receives
// ("http://any.host/nsw/…", also https:// and ftp://). Only GET is served. Answers are HTTP/1.0
// with Content-Type and Content-Length. In this order: a malformed request gives 400, another
// method 405, a bad
// "/_misbehave/" prefix 400; `requireAuth` without matching "Proxy-Authorization: Basic"
// credentials (scheme word in any capitals) gives 407 naming Basic; a `status` gives that
// status (301/302 with a Location, 407 with a Proxy-Authenticate header naming `authScheme`);
// otherwise the site's page or 404.
Answer answerRequest(const QByteArray& head, const BureauSite& site, const Misbehaviour& defaults,
                     qint64 nowUtc);

// What a CDN keeps of one path: the body's tag and when it last changed.
struct Version
{
    QByteArray etag;
    qint64 changedUtc = 0;
};

// Makes a 200 answer behave as a CDN's: `ETag` (a digest of the body) and `Last-Modified` (when
// `versions` first saw that body at the path), a 304 without a body when the request's
// If-None-Match names the tag (or, without one, its If-Modified-Since is not older), and the
// body gzip-compressed when the request's Accept-Encoding takes gzip. Other answers stay.
void actAsCdn(Answer& answer, const QByteArray& head, QHash<QString, Version>& versions,
              qint64 nowUtc);

// The demo bureau's HTTP server on 127.0.0.1. Event-driven: any number of connections at once,
// each closed after its answer (unless told otherwise), none ever blocking another.
//
// With TLS set (setTls) it also ends the tunnels a client opens through it as through a proxy:
// "CONNECT host:port" is answered "200 Connection established", TLS is started on the same
// connection with the configured certificate, and the request that follows inside is answered
// as any other. Without TLS a CONNECT gets 405 like any other method but GET. Every answer goes
// through actAsCdn(). Each closed connection reports the bytes the server sent on it (TLS
// records included) with bytesSent(), but for the FTP front's copying of products.
class DemoServer : public QObject
{
    Q_OBJECT

public:
    DemoServer(BureauSite site, Misbehaviour defaults, QObject* parent = nullptr);

    // Listens on 127.0.0.1; port 0 picks a free port. False with errorString() on failure.
    bool listen(quint16 port);
    quint16 port() const { return server_.serverPort(); }
    QString errorString() const { return server_.errorString(); }

    // Answers as if it were this moment (seconds since the epoch); -1 follows the system clock.
    void setClock(qint64 fixedUtc) { fixedClock_ = fixedUtc; }

    int openConnections() const { return openConnections_; }

    // The certificate and key CONNECT tunnels are served with.
    void setTls(const QSslConfiguration& configuration) { tls_ = configuration; }
    // Serves the file at `file` (read at every request) for the site path `path`.
    void serveFile(const QString& path, const QString& file) { files_.insert(path, file); }

signals:
    void requestServed(const QString& requestLine, int status);
    void connectionClosed();
    void bytesSent(qint64 bytes);

private:
    friend class Connection;
    void onNewConnection();
    qint64 now() const;
    // A served file's content for the request, in place of the site's answer.
    void serveFileFor(const QByteArray& head, Answer& answer) const;

    // Hands out QSslSocket connections, which act as plain TCP until TLS is started.
    class Listener : public QTcpServer
    {
    protected:
        void incomingConnection(qintptr descriptor) override;
    };

    Listener server_;
    std::optional<QSslConfiguration> tls_;
    BureauSite site_;
    Misbehaviour defaults_;
    QHash<QString, QString> files_;
    QHash<QString, Version> versions_;
    qint64 fixedClock_ = -1;
    int openConnections_ = 0;
};

} // namespace demo
