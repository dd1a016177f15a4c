#pragma once

#include <QHash>
#include <QObject>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

// A scripted web server on 127.0.0.1 for tests: answers each GET with the page registered for
// the end of its URL (as a proxy receives absolute addresses, any host is accepted), 404
// otherwise, after an optional delay, and closes the connection.
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
                connect(s, &QTcpSocket::disconnected, s, &QObject::deleteLater);
            }
        });
    }

    quint16 port() const { return server_.serverPort(); }
    void setPage(const QString& pathSuffix, const QByteArray& body) { pages_[pathSuffix] = body; }
    void setDelay(int ms) { delayMs_ = ms; }
    int requests() const { return requests_; }
    QStringList requestedUrls;

private:
    void answer(QTcpSocket* s)
    {
        const QByteArray head = s->readAll();
        const QList<QByteArray> words = head.split(' ');
        const QString url = words.size() > 1 ? QString::fromLatin1(words.at(1)) : QString();
        ++requests_;
        requestedUrls.append(url);
        QByteArray response = "HTTP/1.0 404 Not Found\r\n\r\n";
        for (auto it = pages_.cbegin(); it != pages_.cend(); ++it) {
            if (url.endsWith(it.key()))
                response = "HTTP/1.0 200 OK\r\nContent-Type: text/html\r\n\r\n" + it.value();
        }
        QTimer::singleShot(delayMs_, s, [s, response] {
            s->write(response);
            s->disconnectFromHost();
        });
    }

    QTcpServer server_;
    QHash<QString, QByteArray> pages_;
    int delayMs_ = 0;
    int requests_ = 0;
};
