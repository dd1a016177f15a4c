#include "platform/socket_control.h"

#include <QHostInfo>
#include <QNetworkProxy>
#include <QTcpSocket>

#include <algorithm>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

namespace platform {
namespace {

struct ErrorText
{
    int number;
    const char* description;
};

constexpr ErrorText kErrorTexts[] = {
    {SocketControl::kHostNotFound, "Authoritative answer: Host not found"},
    {SocketControl::kConnectionRefused, "Connection is forcefully rejected"},
    {SocketControl::kTimedOut, "Attempt to connect timed out"},
    {SocketControl::kConnectionReset, "Connection is reset by remote side"},
    {SocketControl::kConnectionAborted, "Connection is aborted due to timeout or other failure"},
    {SocketControl::kAddressNotAvailable, "Address not available from the local machine"},
    {SocketControl::kNetworkUnreachable, "Network is unreachable"},
    {SocketControl::kHostUnreachable, "No route to host"},
    {SocketControl::kPermissionDenied, "Permission denied"},
    {SocketControl::kNoBufferSpace, "No buffer space is available"},
    {SocketControl::kNetworkFailed, "Network subsystem is failed"},
    {SocketControl::kWrongState,
     "Wrong protocol or connection state for the requested transaction or request"},
};

// Qt reports several distinct failures as NetworkError; its (untranslated) error text is the
// only thing that tells them apart.
int numberForNetworkError(const QString& qtText)
{
    if (qtText.contains(QLatin1String("timed out"), Qt::CaseInsensitive))
        return SocketControl::kTimedOut;
    if (qtText.contains(QLatin1String("Host unreachable"), Qt::CaseInsensitive))
        return SocketControl::kHostUnreachable;
    if (qtText.contains(QLatin1String("unreachable"), Qt::CaseInsensitive))
        return SocketControl::kNetworkUnreachable;
    if (qtText.contains(QLatin1String("address is not available"), Qt::CaseInsensitive))
        return SocketControl::kAddressNotAvailable;
    if (qtText.contains(QLatin1String("reset"), Qt::CaseInsensitive))
        return SocketControl::kConnectionReset;
    return SocketControl::kNetworkFailed;
}

int winsockNumber(QAbstractSocket::SocketError qtError, const QString& qtText)
{
    switch (qtError) {
    case QAbstractSocket::HostNotFoundError:
        return SocketControl::kHostNotFound;
    case QAbstractSocket::ConnectionRefusedError:
        return SocketControl::kConnectionRefused;
    case QAbstractSocket::SocketTimeoutError:
        return SocketControl::kTimedOut;
    case QAbstractSocket::SocketAccessError:
        return SocketControl::kPermissionDenied;
    case QAbstractSocket::SocketResourceError:
        return SocketControl::kNoBufferSpace;
    case QAbstractSocket::NetworkError:
        return numberForNetworkError(qtText);
    case QAbstractSocket::OperationError:
        return SocketControl::kWrongState;
    default:
        return SocketControl::kConnectionAborted;
    }
}

// The port of a port text, or 0 when the text is not a port number.
quint16 parsePort(const QString& portText)
{
    const QString text = portText.trimmed();
    if (text.isEmpty() || text.size() > 5 ||
        !std::all_of(text.begin(), text.end(), [](QChar c) { return c.isDigit(); }))
        return 0;
    const uint port = text.toUInt();
    return port <= 65535 ? static_cast<quint16>(port) : 0;
}

} // namespace

SocketControl::SocketControl(QObject* parent) : QObject(parent), socket_(new QTcpSocket(this))
{
    // The program speaks to proxies itself; the socket must never go through one of Qt's.
    socket_->setProxy(QNetworkProxy::NoProxy);
    connect(socket_, &QTcpSocket::hostFound, this, [this] {
        if (state_ == State::ResolvingHost)
            state_ = State::Connecting;
    });
    connect(socket_, &QTcpSocket::connected, this, [this] {
        dropResetProbe();
        resetProbe_ = ::dup(static_cast<int>(socket_->socketDescriptor()));
        state_ = State::Connected;
        Q_EMIT connected();
    });
    connect(socket_, &QTcpSocket::readyRead, this, &SocketControl::readPending);
    connect(socket_, &QTcpSocket::bytesWritten, this, [this] {
        if (socket_->bytesToWrite() == 0)
            Q_EMIT sendComplete();
    });
    connect(socket_, &QTcpSocket::disconnected, this, &SocketControl::onDisconnected);
    connect(socket_, &QTcpSocket::errorOccurred, this, &SocketControl::onSocketError);
}

SocketControl::~SocketControl()
{
    // No event may reach the owner while it is tearing this control down.
    socket_->disconnect(this);
    socket_->abort();
    dropResetProbe();
}

void SocketControl::connectTo(const QString& host, const QString& portText)
{
    close();
    const QString name = host.trimmed();
    const quint16 port = parsePort(portText);
    if (name.isEmpty()) {
        reportError(kHostNotFound);
        return;
    }
    if (port == 0) {
        reportError(kAddressNotAvailable);
        return;
    }
    state_ = State::ResolvingHost;
    socket_->connectToHost(name, port);
}

void SocketControl::send(const QByteArray& data)
{
    if (state_ != State::Connected) {
        reportError(kWrongState);
        return;
    }
    socket_->write(data);
}

void SocketControl::close()
{
    ++generation_;
    state_ = State::Closed;
    // abort() emits disconnected at once; a close made here is not the remote side's close.
    const QSignalBlocker quiet(socket_);
    socket_->abort();
    dropResetProbe();
}

QString SocketControl::localHostName()
{
    return QHostInfo::localHostName();
}

QString SocketControl::errorDescription(int number)
{
    for (const ErrorText& e : kErrorTexts) {
        if (e.number == number)
            return QString::fromLatin1(e.description);
    }
    return {};
}

void SocketControl::reportError(int number)
{
    state_ = State::Error;
    // Delivered from the event loop so the caller never meets an event inside its own call;
    // dropped when the connection it belongs to has been closed or replaced meanwhile.
    const quint64 generation = generation_;
    QMetaObject::invokeMethod(
        this,
        [this, number, generation] {
            if (generation == generation_)
                Q_EMIT error(number, errorDescription(number));
        },
        Qt::QueuedConnection);
}

bool SocketControl::wasReset() const
{
    // After a reset the socket is closed outright; after the peer's orderly close it waits for
    // ours (CLOSE_WAIT).
    tcp_info info{};
    socklen_t size = sizeof info;
    return resetProbe_ >= 0 &&
           ::getsockopt(resetProbe_, IPPROTO_TCP, TCP_INFO, &info, &size) == 0 &&
           info.tcpi_state == TCP_CLOSE;
}

void SocketControl::dropResetProbe()
{
    if (resetProbe_ >= 0)
        ::close(resetProbe_);
    resetProbe_ = -1;
}

void SocketControl::onSocketError()
{
    if (socket_->error() == QAbstractSocket::RemoteHostClosedError) {
        const bool reset = state_ == State::Connected && wasReset();
        dropResetProbe();
        // An orderly remote close is reported by the close event, not as an error.
        if (!reset)
            return;
        readPending();
        // The owner may have closed the control on the data just handed over.
        if (state_ != State::Connected)
            return;
        // Reported at once (this runs from the event loop): a waiting owner must learn of the
        // reset before it takes the missing close for the end of the data.
        state_ = State::Error;
        {
            const QSignalBlocker quiet(socket_);
            socket_->abort();
        }
        Q_EMIT error(kConnectionReset, errorDescription(kConnectionReset));
        return;
    }
    const int number = winsockNumber(socket_->error(), socket_->errorString());
    {
        const QSignalBlocker quiet(socket_);
        socket_->abort();
    }
    reportError(number);
}

void SocketControl::onDisconnected()
{
    dropResetProbe();
    if (state_ != State::Connected)
        return;
    readPending();
    // The owner may have closed the control on the data just handed over.
    if (state_ != State::Connected)
        return;
    state_ = State::Closing;
    Q_EMIT closed();
}

void SocketControl::readPending()
{
    const QByteArray data = socket_->readAll();
    if (!data.isEmpty())
        Q_EMIT dataArrival(data);
}

} // namespace platform
