#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>

class QTcpSocket;

namespace platform {

// A TCP client socket with the events of the Windows socket control the program was designed
// around: connect to a host and a port given as text, send, close, state, local host name;
// events connected, data arrival, error, send complete and close.
//
// Errors are reported as Winsock error numbers with Winsock-like descriptions (11001 host not
// found, 10061 refused, 10060 timed out, ...), so the texts the callers log keep their form.
// Every error, including an invalid port text or an empty host name, arrives as an error event
// from the event loop, never as an exception and never from inside connectTo() or send().
// A connection the remote side resets (TCP RST) gives error 10054 once the data received before
// it has been handed over; only an orderly close gives the close event.
// Each instance owns its own connection; several instances work independently.
class SocketControl : public QObject
{
    Q_OBJECT
public:
    // The Winsock state numbers, so callers can compare with the values they know.
    enum class State
    {
        Closed = 0,
        ResolvingHost = 4,
        Connecting = 6,
        Connected = 7,
        Closing = 8, // the remote side has closed; close() finishes it
        Error = 9,
    };
    Q_ENUM(State)

    // Winsock error numbers that the platform reports.
    enum ErrorNumber : int
    {
        kHostNotFound = 11001,
        kConnectionRefused = 10061,
        kTimedOut = 10060,
        kConnectionReset = 10054,
        kConnectionAborted = 10053,
        kAddressNotAvailable = 10049,
        kNetworkUnreachable = 10051,
        kHostUnreachable = 10065,
        kPermissionDenied = 10013,
        kNoBufferSpace = 10055,
        kNetworkFailed = 10050,
        kWrongState = 40006,
    };

    explicit SocketControl(QObject* parent = nullptr);
    ~SocketControl() override;

    // Drops any current connection and connects to `host` at the port written in `portText`
    // (decimal 1..65535, surrounding spaces allowed). An empty host gives error 11001, an
    // invalid port text error 10049.
    void connectTo(const QString& host, const QString& portText);
    // Queues `data` for sending; sendComplete follows once all queued data is written. Sending
    // while not connected gives error 40006.
    void send(const QByteArray& data);
    // Closes the connection at once; no close event follows for a close made here.
    void close();

    State state() const { return state_; }
    static QString localHostName();
    // The Winsock-like description of an error number ("" for a number not known here).
    static QString errorDescription(int number);

Q_SIGNALS:
    void connected();
    // Bytes received, in arrival order.
    void dataArrival(const QByteArray& data);
    void error(int number, const QString& description);
    void sendComplete();
    // The remote side closed the connection (all data received has been handed over first).
    void closed();

private:
    void reportError(int number);
    void onSocketError();
    void onDisconnected();
    void readPending();
    bool wasReset() const;
    void dropResetProbe();

    QTcpSocket* socket_;
    State state_ = State::Closed;
    // Counts connections, so an error queued for an earlier connection is dropped.
    quint64 generation_ = 0;
    // A second descriptor of the connected socket. Qt reads a reset as an orderly close and
    // closes its own descriptor at once; this one keeps the socket so its TCP state can still
    // tell the two apart. -1 while not connected.
    int resetProbe_ = -1;
};

} // namespace platform
