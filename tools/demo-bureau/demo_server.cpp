#include "tools/demo-bureau/demo_server.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QFile>
#include <QLocale>
#include <QSslSocket>
#include <QTcpSocket>
#include <QTimer>

#include <zlib.h>

namespace demo {
namespace {

// A request head larger than this is refused; the program's own requests are a few lines.
constexpr qsizetype kMaxHead = 16 * 1024;
// A client that has not finished its request head by then is dropped.
constexpr int kHeadTimeoutMs = 30'000;

const char* reasonOf(int status)
{
    switch (status) {
    case 200:
        return "OK";
    case 301:
        return "Moved Permanently";
    case 302:
        return "Found";
    case 304:
        return "Not Modified";
    case 400:
        return "Bad Request";
    case 403:
        return "Forbidden";
    case 404:
        return "Not Found";
    case 405:
        return "Method Not Allowed";
    case 407:
        return "Proxy Authentication Required";
    case 500:
        return "Internal Server Error";
    case 503:
        return "Service Unavailable";
    default:
        return "Status";
    }
}

Answer make(int status, const QByteArray& contentType, const QByteArray& body,
            const QByteArray& extraHeaders = {})
{
    Answer a;
    a.status = status;
    a.bytes = "HTTP/1.0 " + QByteArray::number(status) + ' ' + reasonOf(status) +
              "\r\nServer: demo-bureau\r\nContent-Type: " + contentType +
              "\r\nContent-Length: " + QByteArray::number(body.size()) + "\r\n" + extraHeaders +
              "\r\n";
    a.headSize = a.bytes.size();
    a.bytes += body;
    return a;
}

Answer statusPage(int status, const QByteArray& extraHeaders = {})
{
    const QByteArray text = QByteArray::number(status) + ' ' + reasonOf(status);
    return make(status, "text/html; charset=utf-8",
                "<!DOCTYPE html>\n<html><head><title>" + text + "</title></head><body><h1>" + text +
                    "</h1></body></html>\n",
                extraHeaders);
}

QByteArray challenge(const QString& scheme)
{
    QByteArray value = scheme.toLatin1();
    if (scheme.compare(QLatin1String("Basic"), Qt::CaseInsensitive) == 0)
        value += " realm=\"demo-bureau\"";
    else if (scheme.compare(QLatin1String("Digest"), Qt::CaseInsensitive) == 0)
        value += " realm=\"demo-bureau\", qop=\"auth\", nonce=\"6e696d62756c6f\"";
    return "Proxy-Authenticate: " + value + "\r\n";
}

// The value of header `name` (any capitals), or empty.
QByteArray headerValue(const QList<QByteArray>& lines, const QByteArray& name)
{
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const QByteArray& line = lines.at(i);
        const qsizetype colon = line.indexOf(':');
        if (colon > 0 && line.left(colon).trimmed().compare(name, Qt::CaseInsensitive) == 0)
            return line.mid(colon + 1).trimmed();
    }
    return {};
}

bool carriesCredentials(const QList<QByteArray>& lines, const QString& userAndPassword)
{
    const QByteArray value = headerValue(lines, "Proxy-Authorization");
    const qsizetype space = value.indexOf(' ');
    if (space < 0 || value.left(space).compare("Basic", Qt::CaseInsensitive) != 0)
        return false;
    const auto decoded = QByteArray::fromBase64Encoding(value.mid(space + 1).trimmed(),
                                                        QByteArray::AbortOnBase64DecodingErrors);
    return decoded && *decoded == userAndPassword.toUtf8();
}

// The path of a request target in origin or absolute form, without query; empty if neither.
QString targetPath(const QByteArray& target)
{
    QByteArray path = target;
    const QByteArray lower = target.toLower();
    // A proxy receives the whole address, FTP ones included (FTP by way of an HTTP proxy).
    if (lower.startsWith("http://") || lower.startsWith("https://") || lower.startsWith("ftp://")) {
        const qsizetype slash = target.indexOf('/', target.indexOf("//") + 2);
        path = slash < 0 ? QByteArray("/") : target.mid(slash);
    }
    if (!path.startsWith('/'))
        return {};
    const qsizetype query = path.indexOf('?');
    return QString::fromUtf8(query < 0 ? path : path.left(query));
}

QByteArray gzip(const QByteArray& data)
{
    z_stream z = {};
    deflateInit2(&z, Z_DEFAULT_COMPRESSION, Z_DEFLATED, 15 + 16, 8, Z_DEFAULT_STRATEGY);
    QByteArray out(qsizetype(deflateBound(&z, uLong(data.size()))) + 32, Qt::Uninitialized);
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.constData()));
    z.avail_in = uInt(data.size());
    z.next_out = reinterpret_cast<Bytef*>(out.data());
    z.avail_out = uInt(out.size());
    deflate(&z, Z_FINISH);
    out.truncate(qsizetype(z.total_out));
    deflateEnd(&z);
    return out;
}

const char* const kHttpDate = "ddd, dd MMM yyyy HH:mm:ss 'GMT'";

QByteArray httpDate(qint64 utc)
{
    return QLocale::c()
        .toString(QDateTime::fromSecsSinceEpoch(utc, Qt::UTC), QLatin1String(kHttpDate))
        .toLatin1();
}

} // namespace

void actAsCdn(Answer& answer, const QByteArray& head, QHash<QString, Version>& versions,
              qint64 nowUtc)
{
    if (answer.status != 200)
        return;
    QList<QByteArray> lines = head.split('\n');
    for (QByteArray& line : lines)
        line = line.trimmed();
    const QList<QByteArray> words = lines.value(0).simplified().split(' ');
    const QString path = targetPath(words.value(1));
    QByteArray body = answer.bytes.mid(answer.headSize);
    QByteArray top = answer.bytes.left(answer.headSize - 2); // without the empty line

    const QByteArray etag =
        '"' + QCryptographicHash::hash(body, QCryptographicHash::Sha1).toHex().left(16) + '"';
    Version& version = versions[path];
    if (version.etag != etag)
        version = {etag, nowUtc};
    const QByteArray validators =
        "ETag: " + etag + "\r\nLast-Modified: " + httpDate(version.changedUtc) + "\r\n";

    const QByteArray ifNoneMatch = headerValue(lines, "If-None-Match");
    QDateTime ifModifiedSince = QLocale::c().toDateTime(
        QString::fromLatin1(headerValue(lines, "If-Modified-Since")), QLatin1String(kHttpDate));
    ifModifiedSince.setTimeSpec(Qt::UTC);
    const bool unchanged =
        !ifNoneMatch.isEmpty()
            ? ifNoneMatch == "*" || ifNoneMatch.split(',').contains(etag) ||
                  ifNoneMatch.contains(" " + etag)
            : ifModifiedSince.isValid() && ifModifiedSince.toSecsSinceEpoch() >= version.changedUtc;
    if (unchanged) {
        answer.status = 304;
        answer.bytes = "HTTP/1.0 304 Not Modified\r\nServer: demo-bureau\r\n" + validators + "\r\n";
        answer.headSize = answer.bytes.size();
        return;
    }
    if (headerValue(lines, "Accept-Encoding").contains("gzip")) {
        body = gzip(body);
        const qsizetype at = top.indexOf("Content-Length: ");
        const qsizetype end = top.indexOf("\r\n", at);
        top.replace(at, end - at, "Content-Length: " + QByteArray::number(body.size()));
        top += "Content-Encoding: gzip\r\n";
    }
    answer.bytes = top + validators + "\r\n";
    answer.headSize = answer.bytes.size();
    answer.bytes += body;
}

Answer answerRequest(const QByteArray& head, const BureauSite& site, const Misbehaviour& defaults,
                     qint64 nowUtc)
{
    QList<QByteArray> lines = head.split('\n');
    for (QByteArray& line : lines)
        line = line.trimmed();
    const QString requestLine = QString::fromUtf8(lines.value(0));
    const auto finish = [&](Answer a, const Misbehaviour& how) {
        a.requestLine = requestLine;
        a.how = how;
        return a;
    };

    const QList<QByteArray> words = lines.value(0).simplified().split(' ');
    QString path = words.size() == 3 ? targetPath(words.at(1)) : QString();
    if (path.isEmpty() || !words.at(2).startsWith("HTTP/"))
        return finish(statusPage(400), defaults);
    if (words.at(0) != "GET")
        return finish(statusPage(405, "Allow: GET\r\n"), defaults);

    Misbehaviour how = defaults;
    const QString prefix = QStringLiteral("/_misbehave/");
    if (path.startsWith(prefix)) {
        const qsizetype end = path.indexOf(QLatin1Char('/'), prefix.size());
        QString error;
        if (end < 0 || !how.setItems(path.mid(prefix.size(), end - prefix.size()), &error))
            return finish(statusPage(400), defaults);
        path = path.mid(end);
    }

    if (!how.requireAuth.isEmpty() && !carriesCredentials(lines, how.requireAuth))
        return finish(statusPage(407, challenge(QStringLiteral("Basic"))), how);
    if (how.status == 301 || how.status == 302)
        return finish(statusPage(how.status, "Location: /moved" + path.toUtf8() + "\r\n"), how);
    if (how.status == 407)
        return finish(statusPage(407, challenge(how.authScheme)), how);
    if (how.status != 0 && how.status != 200)
        return finish(statusPage(how.status), how);

    const Page page = site.page(path, nowUtc);
    return finish(make(page.status, page.contentType, page.body), how);
}

// One client connection: reads the request head, answers it as the misbehaviour says, and
// closes (or, told never to close, waits for the client to). Deletes itself when closed; a
// child of the server, so none outlives it.
class Connection : public QObject
{
public:
    Connection(QTcpSocket* socket, DemoServer* server)
        : QObject(server), socket_(socket), server_(server)
    {
        socket_->setParent(this);
        connect(socket_, &QTcpSocket::readyRead, this, &Connection::onReadyRead);
        connect(socket_, &QTcpSocket::disconnected, this, &Connection::onDisconnected);
        connect(&drip_, &QTimer::timeout, this, &Connection::sendSome);
        // What went out on the wire: TLS records once encrypted, the bytes themselves before.
        connect(socket_, &QTcpSocket::bytesWritten, this, [this](qint64 n) {
            if (!tunnel_)
                sentOnWire_ += n;
        });
        if (auto* tls = qobject_cast<QSslSocket*>(socket_))
            connect(tls, &QSslSocket::encryptedBytesWritten, this,
                    [this](qint64 n) { sentOnWire_ += n; });
        headTimeout_.setSingleShot(true);
        connect(&headTimeout_, &QTimer::timeout, socket_, &QTcpSocket::abort);
        headTimeout_.start(kHeadTimeoutMs);
        if (socket_->state() != QAbstractSocket::ConnectedState)
            QTimer::singleShot(0, this, &Connection::onDisconnected);
    }

private:
    void onReadyRead()
    {
        const QByteArray data = socket_->readAll();
        if (answered_)
            return; // anything after the head is not read
        request_ += data;
        qsizetype end = request_.indexOf("\r\n\r\n");
        if (end < 0)
            end = request_.indexOf("\n\n");
        if (end < 0 && request_.size() <= kMaxHead)
            return;
        if (end >= 0 && request_.startsWith("CONNECT ") && server_->tls_) {
            openTunnel();
            return;
        }
        answered_ = true;
        headTimeout_.stop();
        if (end < 0) {
            answer_ = answerRequest({}, server_->site_, server_->defaults_, 0); // 400
        } else {
            const QByteArray head = request_.left(end);
            // The FTP front's copying of products is the bureau's own, not a client's.
            counted_ = !head.contains("User-Agent: demo-bureau-ftp-front");
            answer_ = answerRequest(head, server_->site_, server_->defaults_, server_->now());
            server_->serveFileFor(head, answer_);
            actAsCdn(answer_, head, server_->versions_, server_->now());
        }
        request_.clear();
        emit server_->requestServed(answer_.requestLine, answer_.status);

        const Misbehaviour& how = answer_.how;
        limit_ = how.cutAfter < 0 ? answer_.bytes.size()
                                  : std::min(answer_.bytes.size(), answer_.headSize + how.cutAfter);
        if (how.delayMs > 0)
            QTimer::singleShot(how.delayMs, this, &Connection::startSending);
        else
            startSending();
    }

    // The client's tunnel ends here: TLS on this connection, then its request as usual.
    void openTunnel()
    {
        auto* tls = qobject_cast<QSslSocket*>(socket_);
        emit server_->requestServed(
            QString::fromLatin1(request_.left(request_.indexOf('\n'))).trimmed(), 200);
        request_.clear();
        socket_->write("HTTP/1.1 200 Connection established\r\n\r\n");
        sentOnWire_ += 39; // written before TLS starts, reported after
        tunnel_ = true;
        tls->setSslConfiguration(*server_->tls_);
        tls->startServerEncryption();
    }

    void startSending()
    {
        if (answer_.how.dripBytes > 0) {
            drip_.start(kDripIntervalMs);
            sendSome();
        } else {
            send(limit_);
        }
    }

    void sendSome() { send(answer_.how.dripBytes); }

    void send(qsizetype count)
    {
        if (socket_->state() != QAbstractSocket::ConnectedState)
            return;
        count = std::min(count, limit_ - sent_);
        socket_->write(answer_.bytes.constData() + sent_, count);
        sent_ += count;
        if (sent_ < limit_)
            return;
        drip_.stop();
        if (!answer_.how.neverClose)
            socket_->disconnectFromHost(); // after the written bytes have gone out
    }

    void onDisconnected()
    {
        if (closed_)
            return;
        closed_ = true;
        drip_.stop();
        --server_->openConnections_;
        if (counted_)
            emit server_->bytesSent(sentOnWire_);
        emit server_->connectionClosed();
        deleteLater();
    }

    QTcpSocket* socket_;
    DemoServer* server_;
    QTimer drip_;
    QTimer headTimeout_;
    QByteArray request_;
    Answer answer_;
    qsizetype limit_ = 0;
    qsizetype sent_ = 0;
    bool answered_ = false;
    bool closed_ = false;
    bool tunnel_ = false;
    bool counted_ = true;
    qint64 sentOnWire_ = 0;
};

DemoServer::DemoServer(BureauSite site, Misbehaviour defaults, QObject* parent)
    : QObject(parent), site_(std::move(site)), defaults_(std::move(defaults))
{
    connect(&server_, &QTcpServer::newConnection, this, &DemoServer::onNewConnection);
}

bool DemoServer::listen(quint16 port)
{
    return server_.listen(QHostAddress::LocalHost, port);
}

void DemoServer::serveFileFor(const QByteArray& head, Answer& answer) const
{
    const QList<QByteArray> words = head.left(head.indexOf('\n')).simplified().split(' ');
    const QString path = targetPath(words.value(1));
    const auto it =
        files_.constFind(path.startsWith(QLatin1String("/anon/gen")) ? path.mid(9) : path);
    if (answer.status != 200 && answer.status != 404)
        return;
    if (it == files_.constEnd())
        return;
    QFile file(*it);
    if (!file.open(QIODevice::ReadOnly))
        return;
    const Misbehaviour how = answer.how;
    const QString requestLine = answer.requestLine;
    answer = make(200, "application/xml", file.readAll());
    answer.how = how;
    answer.requestLine = requestLine;
}

qint64 DemoServer::now() const
{
    return fixedClock_ >= 0 ? fixedClock_ : QDateTime::currentSecsSinceEpoch();
}

void DemoServer::Listener::incomingConnection(qintptr descriptor)
{
    auto* socket = new QSslSocket(this);
    if (socket->setSocketDescriptor(descriptor))
        addPendingConnection(socket);
    else
        delete socket;
}

void DemoServer::onNewConnection()
{
    while (QTcpSocket* socket = server_.nextPendingConnection()) {
        ++openConnections_;
        new Connection(socket, this);
    }
}

} // namespace demo
