#pragma once

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDeadlineTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

// A D-Bus session bus of the test's own, without service activation (nothing starts behind the
// test's back): the test process and everything it starts use it (DBUS_SESSION_BUS_ADDRESS).
// The daemon ends with the object (and, through host_guard.sh, with the test).
class PrivateSessionBus
{
public:
    PrivateSessionBus()
    {
        QFile config(dir_.filePath(QStringLiteral("bus.conf")));
        if (!config.open(QIODevice::WriteOnly))
            return;
        config.write("<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-Bus Bus Configuration "
                     "1.0//EN\" \"http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd\">"
                     "<busconfig><type>session</type><listen>unix:tmpdir=/tmp</listen>"
                     "<auth>EXTERNAL</auth><policy context=\"default\">"
                     "<allow send_destination=\"*\" eavesdrop=\"true\"/><allow eavesdrop=\"true\"/>"
                     "<allow own=\"*\"/></policy></busconfig>");
        config.close();
        daemon_.start(QStringLiteral("dbus-daemon"),
                      {QStringLiteral("--config-file=") + config.fileName(),
                       QStringLiteral("--print-address=1"), QStringLiteral("--nofork")});
        if (!daemon_.waitForReadyRead(10000))
            return;
        qputenv("DBUS_SESSION_BUS_ADDRESS", daemon_.readLine().trimmed());
    }
    ~PrivateSessionBus()
    {
        daemon_.kill();
        daemon_.waitForFinished();
    }
    bool up() const { return qEnvironmentVariableIsSet("DBUS_SESSION_BUS_ADDRESS"); }

    // Waits (handling the test's events) until `service` has an owner on the bus, or 10 s pass.
    static bool waitForService(const QString& service)
    {
        QDBusConnectionInterface* bus = QDBusConnection::sessionBus().interface();
        QDeadlineTimer deadline(10000);
        while (bus && !bus->isServiceRegistered(service) && !deadline.hasExpired())
            QTest::qWait(50);
        return bus && bus->isServiceRegistered(service);
    }

private:
    QTemporaryDir dir_;
    QProcess daemon_;
};
