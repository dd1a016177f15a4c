#include "platform/socket_control.h"

#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QtTest>

using platform::SocketControl;
using State = platform::SocketControl::State;

namespace {

constexpr int kWaitMs = 5000;

// A loopback port on which nothing listens.
quint16 closedPort()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost);
    return probe.serverPort();
}

// A loopback server that accepts one connection and keeps its socket for the test to drive.
class Peer
{
public:
    Peer() { server_.listen(QHostAddress::LocalHost); }
    QString port() const { return QString::number(server_.serverPort()); }
    QTcpSocket* accept()
    {
        if (!server_.hasPendingConnections() && !server_.waitForNewConnection(kWaitMs))
            return nullptr;
        return server_.nextPendingConnection();
    }

private:
    QTcpServer server_;
};

QByteArray receivedBy(QTcpSocket* socket, qsizetype size)
{
    // Both ends live in this thread: keep the event loop running while waiting.
    QByteArray data;
    (void)QTest::qWaitFor(
        [&] {
            data += socket->readAll();
            return data.size() >= size;
        },
        kWaitMs);
    return data;
}

} // namespace

class TestSocketControl : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void connectSendReceiveClose_data()
    {
        QTest::addColumn<bool>("spaces");
        QTest::newRow("port text") << false;
        QTest::newRow("port text with spaces") << true;
    }

    void connectSendReceiveClose()
    {
        QFETCH(bool, spaces);
        Peer peer;
        SocketControl ws;
        QSignalSpy connected(&ws, &SocketControl::connected);
        QSignalSpy arrived(&ws, &SocketControl::dataArrival);
        QSignalSpy sent(&ws, &SocketControl::sendComplete);
        QSignalSpy closed(&ws, &SocketControl::closed);
        QSignalSpy failed(&ws, &SocketControl::error);

        ws.connectTo(QStringLiteral("127.0.0.1"), spaces ? " " + peer.port() + " " : peer.port());
        QVERIFY(connected.wait(kWaitMs));
        QCOMPARE(ws.state(), State::Connected);
        QTcpSocket* remote = peer.accept();
        QVERIFY(remote);

        ws.send("HELO there\r\n");
        QVERIFY(sent.wait(kWaitMs));
        QCOMPARE(receivedBy(remote, 12), QByteArray("HELO there\r\n"));

        remote->write("250 first");
        remote->flush();
        QTRY_COMPARE_WITH_TIMEOUT(arrived.size(), 1, kWaitMs);
        remote->write(" second");
        remote->disconnectFromHost();
        QVERIFY(closed.wait(kWaitMs));

        QByteArray all;
        for (const QList<QVariant>& event : arrived)
            all += event.at(0).toByteArray();
        QCOMPARE(all, QByteArray("250 first second"));
        QCOMPARE(ws.state(), State::Closing);
        ws.close();
        QCOMPARE(ws.state(), State::Closed);
        QCOMPARE(failed.size(), 0);
        delete remote;
    }

    void localCloseIsNoCloseEvent()
    {
        Peer peer;
        SocketControl ws;
        QSignalSpy connected(&ws, &SocketControl::connected);
        QSignalSpy closed(&ws, &SocketControl::closed);
        ws.connectTo(QStringLiteral("127.0.0.1"), peer.port());
        QVERIFY(connected.wait(kWaitMs));
        std::unique_ptr<QTcpSocket> remote(peer.accept());
        QVERIFY(remote);
        ws.close();
        QCOMPARE(ws.state(), State::Closed);
        QVERIFY(remote->state() == QAbstractSocket::UnconnectedState ||
                remote->waitForDisconnected(kWaitMs));
        QCoreApplication::processEvents();
        QCOMPARE(closed.size(), 0);
    }

    // The owner may close the control while it handles arriving data, also data that came
    // with the remote side's close: no close event may follow.
    void closeOnDataArrival()
    {
        Peer peer;
        SocketControl ws;
        QSignalSpy connected(&ws, &SocketControl::connected);
        QSignalSpy closed(&ws, &SocketControl::closed);
        QByteArray got;
        connect(&ws, &SocketControl::dataArrival, &ws, [&](const QByteArray& data) {
            got += data;
            ws.close();
        });
        ws.connectTo(QStringLiteral("127.0.0.1"), peer.port());
        QVERIFY(connected.wait(kWaitMs));
        std::unique_ptr<QTcpSocket> remote(peer.accept());
        QVERIFY(remote);
        remote->write("last words");
        remote->disconnectFromHost();
        QTRY_VERIFY_WITH_TIMEOUT(!got.isEmpty(), kWaitMs);
        QCoreApplication::processEvents();
        QCOMPARE(ws.state(), State::Closed);
        QCOMPARE(closed.size(), 0);
    }

    void connectErrors_data()
    {
        QTest::addColumn<QString>("host");
        QTest::addColumn<QString>("port");
        QTest::addColumn<int>("number");
        QTest::addColumn<QString>("description");
        const QString refused = QString::number(closedPort());
        QTest::newRow("refused") << "127.0.0.1" << refused << 10061
                                 << "Connection is forcefully rejected";
        QTest::newRow("unknown host") << "nosuchhost.invalid"
                                      << "80" << 11001 << "Authoritative answer: Host not found";
        QTest::newRow("empty host") << ""
                                    << "80" << 11001 << "Authoritative answer: Host not found";
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

    void sendWhileNotConnectedIsAnErrorEvent()
    {
        SocketControl ws;
        QSignalSpy failed(&ws, &SocketControl::error);
        ws.send("QUIT\r\n");
        QVERIFY(failed.wait(kWaitMs));
        QCOMPARE(failed.at(0).at(0).toInt(), 40006);
    }

    void closeDropsAPendingError()
    {
        SocketControl ws;
        QSignalSpy failed(&ws, &SocketControl::error);
        ws.connectTo(QStringLiteral("127.0.0.1"), QStringLiteral("abc"));
        ws.close();
        QVERIFY(!failed.wait(200));
        QCOMPARE(ws.state(), State::Closed);
    }

    void twoInstancesAreIndependent()
    {
        Peer peerA;
        Peer peerB;
        SocketControl a;
        SocketControl b;
        QSignalSpy connectedA(&a, &SocketControl::connected);
        QSignalSpy connectedB(&b, &SocketControl::connected);
        QSignalSpy arrivedA(&a, &SocketControl::dataArrival);
        QSignalSpy arrivedB(&b, &SocketControl::dataArrival);
        QSignalSpy closedA(&a, &SocketControl::closed);
        QSignalSpy closedB(&b, &SocketControl::closed);

        a.connectTo(QStringLiteral("127.0.0.1"), peerA.port());
        b.connectTo(QStringLiteral("127.0.0.1"), peerB.port());
        QVERIFY(connectedA.wait(kWaitMs));
        QTRY_COMPARE_WITH_TIMEOUT(connectedB.size(), 1, kWaitMs);
        std::unique_ptr<QTcpSocket> remoteA(peerA.accept());
        std::unique_ptr<QTcpSocket> remoteB(peerB.accept());
        QVERIFY(remoteA && remoteB);

        a.send("to A");
        b.send("to B");
        QCOMPARE(receivedBy(remoteA.get(), 4), QByteArray("to A"));
        QCOMPARE(receivedBy(remoteB.get(), 4), QByteArray("to B"));

        // The first connection ends; the second goes on untouched.
        remoteA->disconnectFromHost();
        QVERIFY(closedA.wait(kWaitMs));
        QCOMPARE(b.state(), State::Connected);
        remoteB->write("from B");
        QVERIFY(arrivedB.wait(kWaitMs));
        QCOMPARE(arrivedB.at(0).at(0).toByteArray(), QByteArray("from B"));
        QCOMPARE(arrivedA.size(), 0);
        QCOMPARE(closedB.size(), 0);

        // A failure on the first control is not seen by the second.
        QSignalSpy failedA(&a, &SocketControl::error);
        QSignalSpy failedB(&b, &SocketControl::error);
        a.connectTo(QStringLiteral("127.0.0.1"), QString::number(closedPort()));
        QVERIFY(failedA.wait(kWaitMs));
        QCOMPARE(failedB.size(), 0);
        QCOMPARE(b.state(), State::Connected);
    }

    void localHostNameIsKnown() { QVERIFY(!SocketControl::localHostName().isEmpty()); }
};

QTEST_MAIN(TestSocketControl)
#include "tst_socket_control.moc"
