#include "platform/single_instance.h"

#include <QCryptographicHash>
#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>
#include <QStandardPaths>

#include <unistd.h>

namespace platform {
namespace {

constexpr char kRestore[] = "restore\n";
constexpr char kQuit[] = "quit\n";

} // namespace

SingleInstance::SingleInstance(const QString& name, QObject* parent) : QObject(parent)
{
    // A per-user folder that only the user can write; the name carries the program folder so
    // two separate installations (or test folders) do not see each other.
    QString dir = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (dir.isEmpty())
        dir = QDir::tempPath();
    const QByteArray hash =
        QCryptographicHash::hash(name.toUtf8(), QCryptographicHash::Sha1).toHex().left(16);
    socketName_ = dir + QStringLiteral("/nimbulo-%1-%2").arg(getuid()).arg(QLatin1String(hash));
}

bool SingleInstance::claim()
{
    QLocalSocket probe;
    probe.connectToServer(socketName_);
    if (probe.waitForConnected(1000)) {
        probe.write(kRestore);
        probe.waitForBytesWritten(1000);
        probe.disconnectFromServer();
        return false;
    }

    // Nobody answered: a socket file left by a copy that crashed is stale.
    QLocalServer::removeServer(socketName_);
    server_ = new QLocalServer(this);
    server_->setSocketOptions(QLocalServer::UserAccessOption);
    if (!server_->listen(socketName_))
        return true; // cannot guard, but this copy is still the one to run
    connect(server_, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* peer = server_->nextPendingConnection()) {
            connect(peer, &QLocalSocket::readyRead, this, [this, peer] {
                const QByteArray request = peer->readAll();
                if (request.startsWith("restore"))
                    Q_EMIT restoreRequested();
                else if (request.startsWith("quit"))
                    Q_EMIT quitRequested();
            });
            connect(peer, &QLocalSocket::disconnected, peer, &QObject::deleteLater);
        }
    });
    return true;
}

bool SingleInstance::askToQuit(int waitMs)
{
    QLocalSocket peer;
    peer.connectToServer(socketName_);
    if (!peer.waitForConnected(1000))
        return true;
    peer.write(kQuit);
    peer.waitForBytesWritten(1000);
    // The copy's end closes its side: it has saved its settings by then.
    return peer.state() == QLocalSocket::UnconnectedState || peer.waitForDisconnected(waitMs);
}

} // namespace platform
