#include "platform/socket_control.h"

#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QtTest>

#include <memory>

using platform::SocketControl;
using State = platform::SocketControl::State;

namespace {

constexpr int kWaitMs = 5000;

// A loopback port on which nothing listens.
QString closedPort()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost);
    return QString::number(probe.serverPort());
}

// A control connected to a loopback server, with the server's end of the connection.
struct Link
{
    QTcpServer server;
    SocketControl ws;
    std::unique_ptr<QTcpSocket> remote;

    // `portText` is the port as typed, "%1" standing for the server's port.
    bool open(const QString& portText = QStringLiteral("%1"))
    {
        server.listen(QHostAddress::LocalHost);
        QSignalSpy connected(&ws, &SocketControl::connected);
        ws.connectTo(QStringLiteral("127.0.0.1"), portText.arg(server.serverPort()));
        if (!connected.wait(kWaitMs) ||
            !(server.hasPendingConnections() || server.waitForNewConnection(kWaitMs)))
            return false;
        remote.reset(server.nextPendingConnection());
        return ws.state() == State::Connected;
    }

    // What the server's end has received once it holds `size` bytes; both ends live in this
    // thread, so the event loop keeps running while waiting.
    QByteArray received(qsizetype size)
    {
        QByteArray data;
        (void)QTest::qWaitFor(
            [&] {
                data += remote->readAll();
                return data.size() >= size;
            },
            kWaitMs);
        return data;
    }
};

} // namespace

class TestSocketControl : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void connectSendReceiveClose_data()
    {
        QTest::addColumn<QString>("port");
        QTest::newRow("port text") << "%1";
        QTest::newRow("port text with spaces") << " %1 ";
    }

    void connectSendReceiveClose()
    {
        QFETCH(QString, port);
        Link link;
        QSignalSpy arrived(&link.ws, &SocketControl::dataArrival);
        QSignalSpy sent(&link.ws, &SocketControl::sendComplete);
        QSignalSpy closed(&link.ws, &SocketControl::closed);
        QSignalSpy failed(&link.ws, &SocketControl::error);
        QVERIFY(link.open(port));

        link.ws.send("HELO there\r\n");
        QVERIFY(sent.wait(kWaitMs));
        QCOMPARE(link.received(12), QByteArray("HELO there\r\n"));

        link.remote->write("250 first");
        link.remote->flush();
        QTRY_COMPARE_WITH_TIMEOUT(arrived.size(), 1, kWaitMs);
        link.remote->write(" second");
        link.remote->disconnectFromHost();
        QVERIFY(closed.wait(kWaitMs));
        QByteArray all;
        for (const QList<QVariant>& event : arrived)
            all += event.at(0).toByteArray();
        QCOMPARE(all, QByteArray("250 first second"));
        QCOMPARE(link.ws.state(), State::Closing);
        link.ws.close();
        QCOMPARE(link.ws.state(), State::Closed);
        QCOMPARE(failed.size(), 0);
        QVERIFY(!SocketControl::localHostName().isEmpty());
    }

    // Closing from this side is no close event, also when the owner closes while it handles
    // data that came with the remote side's close.
    void localCloseIsNoCloseEvent_data()
    {
        QTest::addColumn<bool>("onData");
        QTest::newRow("idle") << false;
        QTest::newRow("on data arrival") << true;
    }

    void localCloseIsNoCloseEvent()
    {
        QFETCH(bool, onData);
        Link link;
        QSignalSpy closed(&link.ws, &SocketControl::closed);
        QByteArray got;
        connect(&link.ws, &SocketControl::dataArrival, &link.ws, [&](const QByteArray& data) {
            got += data;
            link.ws.close();
        });
        QVERIFY(link.open());
        if (onData) {
            link.remote->write("last words");
            link.remote->disconnectFromHost();
            QTRY_VERIFY_WITH_TIMEOUT(!got.isEmpty(), kWaitMs);
        } else {
            link.ws.close();
            QVERIFY(link.remote->state() == QAbstractSocket::UnconnectedState ||
                    link.remote->waitForDisconnected(kWaitMs));
        }
        QCoreApplication::processEvents();
        QCOMPARE(link.ws.state(), State::Closed);
        QCOMPARE(closed.size(), 0);
    }

    void connectErrors_data()
    {
        QTest::addColumn<QString>("host");
        QTest::addColumn<QString>("port");
        QTest::addColumn<int>("number");
        QTest::addColumn<QString>("description");
        QTest::newRow("refused") << "127.0.0.1" << closedPort() << 10061
                                 << "Connection is forcefully rejected";
        const QString notFound = QStringLiteral("Authoritative answer: Host not found");
        QTest::newRow("unknown host") << "nosuchhost.invalid"
                                      << "80" << 11001 << notFound;
        QTest::newRow("empty host") << ""
                                    << "80" << 11001 << notFound;
        const QString notAvailable = QStringLiteral("Address not available from the local machine");
        for (const char* port : {"", "abc", "0", "65536", "80x", "-1", "99999999999"})
            QTest::addRow("port text '%s'", port) << "127.0.0.1" << port << 10049 << notAvailable;
    }

    void connectErrors()
    {
        QFETCH(QString, host);
        QFETCH(QString, port);
        QFETCH(int, number);
        QFETCH(QString, description);
        SocketControl ws;
        QSignalSpy connected(&ws, &SocketControl::connected);
        QSignalSpy failed(&ws, &SocketControl::error);
        ws.connectTo(host, port);
        // An error is an event from the event loop, never a reaction inside the call.
        QCOMPARE(failed.size(), 0);
        QVERIFY(failed.wait(kWaitMs));
        QCOMPARE(failed.size(), 1);
        QCOMPARE(failed.at(0).at(0).toInt(), number);
        QCOMPARE(failed.at(0).at(1).toString(), description);
        QCOMPARE(ws.state(), State::Error);
        QCOMPARE(connected.size(), 0);
    }

    // Closing drops an error still to come; sending while not connected is an error event.
    void withoutAConnection()
    {
        SocketControl ws;
        QSignalSpy failed(&ws, &SocketControl::error);
        ws.connectTo(QStringLiteral("127.0.0.1"), QStringLiteral("abc"));
        ws.close();
        QVERIFY(!failed.wait(200));
        QCOMPARE(ws.state(), State::Closed);
        ws.send("QUIT\r\n");
        QVERIFY(failed.wait(kWaitMs));
        QCOMPARE(failed.at(0).at(0).toInt(), 40006);
    }

    void twoInstancesAreIndependent()
    {
        Link a;
        Link b;
        QVERIFY(a.open() && b.open());
        QSignalSpy arrivedA(&a.ws, &SocketControl::dataArrival);
        QSignalSpy arrivedB(&b.ws, &SocketControl::dataArrival);
        QSignalSpy closedA(&a.ws, &SocketControl::closed);
        QSignalSpy closedB(&b.ws, &SocketControl::closed);
        QSignalSpy failedA(&a.ws, &SocketControl::error);
        QSignalSpy failedB(&b.ws, &SocketControl::error);
        a.ws.send("to A");
        b.ws.send("to B");
        QCOMPARE(a.received(4), QByteArray("to A"));
        QCOMPARE(b.received(4), QByteArray("to B"));

        // The first connection ends; the second goes on untouched.
        a.remote->disconnectFromHost();
        QVERIFY(closedA.wait(kWaitMs));
        b.remote->write("from B");
        QVERIFY(arrivedB.wait(kWaitMs));
        QCOMPARE(arrivedB.at(0).at(0).toByteArray(), QByteArray("from B"));
        QCOMPARE(arrivedA.size(), 0);
        QCOMPARE(closedB.size(), 0);

        // A failure on the first control is not seen by the second.
        a.ws.connectTo(QStringLiteral("127.0.0.1"), closedPort());
        QVERIFY(failedA.wait(kWaitMs));
        QCOMPARE(failedB.size(), 0);
        QCOMPARE(b.ws.state(), State::Connected);
    }
};

QTEST_MAIN(TestSocketControl)
#include "tst_socket_control.moc"
