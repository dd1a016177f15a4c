#pragma once

#include <QHash>
#include <QObject>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

#include <functional>

// A scripted web server on 127.0.0.1 for tests: answers each GET, once its head is in, with the
// page registered for the longest matching end of its URL (an empty end matches every URL; as a
// proxy receives absolute addresses, any host is accepted), 404 otherwise, after an optional
// delay, and closes the connection. onRequest runs first: a test looks at the program while its
// fetch is certainly waiting.
class PageServer : public QObject
{
    Q_OBJECT
public:
    explicit PageServer(QObject* parent = nullptr) : QObject(parent)
    {
        server_.listen(QHostAddress::LocalHost);
        connect(&server_, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket* s = server_.nextPendingConnection()) {
                connect(s, &QTcpSocket::readyRead, this, [this, s] { answer(s); });
                connect(s, &QTcpSocket::disconnected, this, [this, s] {
                    heads_.remove(s);
                    s->deleteLater();
                });
            }
        });
    }

    quint16 port() const { return server_.serverPort(); }
    void setPage(const QString& pathSuffix, const QByteArray& body) { pages_[pathSuffix] = body; }
    void clear() { pages_.clear(); }
    void setDelay(int ms) { delayMs_ = ms; }
    int requests() const { return requests_; }
    QStringList requestedUrls;
    std::function<void(const QString& url)> onRequest;

private:
    void answer(QTcpSocket* s)
    {
        QByteArray& head = heads_[s];
        head += s->readAll();
        if (!head.contains("\r\n\r\n"))
            return;
        const QString url = QString::fromLatin1(heads_.take(s).split(' ').value(1));
        ++requests_;
        requestedUrls.append(url);
        if (onRequest)
            onRequest(url);
        QByteArray response = "HTTP/1.0 404 Not Found\r\n\r\n";
        qsizetype matched = -1;
        for (auto it = pages_.cbegin(); it != pages_.cend(); ++it) {
            if (url.endsWith(it.key()) && it.key().size() > matched) {
                matched = it.key().size();
                response = "HTTP/1.0 200 OK\r\nContent-Type: text/html\r\n\r\n" + it.value();
            }
        }
        QTimer::singleShot(delayMs_, s, [s, response] {
            s->write(response);
            s->disconnectFromHost();
        });
    }

    QTcpServer server_;
    QHash<QString, QByteArray> pages_;
    QHash<QTcpSocket*, QByteArray> heads_;
    int delayMs_ = 0;
    int requests_ = 0;
};
