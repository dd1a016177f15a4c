// Warnings and the alarm as desktop notifications, against a real notification server (dunst on
// a private session bus, on the test run's X server): what it shows, replaces and closes, the
// buttons a user presses; and what happens without a server or without a bus.

#include "platform/desktop_notifications.h"
#include "private_bus.h"
#include "weather/shell/alarm_notifier.h"
#include "weather/shell/warning_notifier.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QtTest>

namespace {

engine::Warning warning(const char* id, const char* headline, const char* severity)
{
    engine::Warning w;
    w.id = QLatin1String(id);
    w.headline = QLatin1String(headline);
    w.districtName = QStringLiteral("Barkly");
    w.severity = QLatin1String(severity);
    w.phase = QStringLiteral("NEW");
    w.issued = QDateTime(QDate(2026, 12, 8), QTime(13, 0));
    w.expires = QDateTime(QDate(2026, 12, 8), QTime(15, 9));
    w.page = QUrl(QStringLiteral("http://www.bom.gov.au/products/") + w.id + ".shtml");
    return w;
}

} // namespace

class TestDesktopNotifications : public QObject
{
    Q_OBJECT

    PrivateSessionBus bus_;
    QTemporaryDir dir_;
    QProcess dunst_;

    static QString dunstctl(const QStringList& args)
    {
        QProcess p;
        p.start(QStringLiteral("dunstctl"), args);
        p.waitForFinished(10000);
        return QString::fromUtf8(p.readAllStandardOutput()).trimmed();
    }
    static bool displayed(int n)
    {
        const auto shown = [n] { return dunstctl({"count", "displayed"}) == QString::number(n); };
        return QTest::qWaitFor(shown, 10000);
    }

private Q_SLOTS:
    void initTestCase()
    {
        if (QStandardPaths::findExecutable(QStringLiteral("dunst")).isEmpty() ||
            qEnvironmentVariableIsEmpty("DISPLAY"))
            QSKIP("dunst or an X server is missing");
        QVERIFY(bus_.up());
        QFile rc(dir_.filePath(QStringLiteral("dunstrc")));
        QVERIFY(rc.open(QIODevice::WriteOnly));
        // Nothing leaves the screen by itself; the text shown (and kept in the history) names
        // the urgency dunst took.
        rc.write("[global]\nnotification_limit = 0\nidle_threshold = 0\n"
                 "[urgency_low]\ntimeout = 0\nformat = \"low | %s | %b\"\n"
                 "[urgency_normal]\ntimeout = 0\nformat = \"normal | %s | %b\"\n"
                 "[urgency_critical]\ntimeout = 0\nformat = \"critical | %s | %b\"\n");
        rc.close();
        dunst_.start(QStringLiteral("dunst"), {QStringLiteral("-config"), rc.fileName()});
        QVERIFY(PrivateSessionBus::waitForService(QStringLiteral("org.freedesktop.Notifications")));
    }

    void cleanupTestCase()
    {
        dunst_.terminate();
        if (!dunst_.waitForFinished(5000))
            dunst_.kill();
        dunst_.waitForFinished();
    }

    // New warnings appear, an update replaces its notification in place, an ended one goes, and
    // all go when the user turns them off; "Open" asks for the warning's page; the alarm's start
    // (with "Show") is replaced by its end. dunst's history then holds each notification once,
    // as last shown.
    void warningsAndAlarm()
    {
        platform::DesktopNotifications notices(QStringLiteral("Nimbulo"),
                                               QStringLiteral("nimbulo"));
        QSignalSpy unavailable(&notices, &platform::DesktopNotifications::unavailable);
        shell::WarningNotifier warnings(notices);
        QSignalSpy pages(&warnings, &shell::WarningNotifier::pageRequested);
        shell::AlarmNotifier alarm(notices);
        QSignalSpy show(&alarm, &shell::AlarmNotifier::showRequested);

        engine::Warning flood = warning("IDN21033", "Minor Flood Warning", "STD");
        const engine::Warning storm = warning("IDD21035", "Severe Thunderstorm Warning", "SEV");
        warnings.update({flood, storm});
        QVERIFY(displayed(2));
        flood.phase = QStringLiteral("UPD");
        flood.headline = QStringLiteral("Moderate Flood Warning");
        warnings.update({flood, storm});
        warnings.update({flood});
        QVERIFY(displayed(1));
        QVERIFY(notices.actionsOffered());
        dunstctl({"action", "0"});
        QTRY_COMPARE(pages.value(0).value(0).toUrl(), flood.page);

        warnings.update({flood}, false); // notifications for warnings turned off
        QVERIFY(displayed(0));

        alarm.started(QStringLiteral("Current Temp is 31.2 - Alarm set to notify above 30"));
        QVERIFY(displayed(1));
        dunstctl({"action", "0"});
        QTRY_COMPARE(show.size(), 1);
        alarm.ended();
        QTRY_COMPARE(dunstctl({"count", "history"}), QStringLiteral("2")); // the two warnings
        QVERIFY(displayed(1));

        dunstctl({"close-all"});
        QStringList seen;
        const QJsonArray history =
            QJsonDocument::fromJson(dunstctl({"history"}).toUtf8())["data"][0].toArray();
        for (const QJsonValue& n : history) {
            const auto text = [&n](const char* field) {
                return n[QLatin1String(field)]["data"].toVariant().toString();
            };
            QCOMPARE(text("appname"), QStringLiteral("Nimbulo"));
            seen << text("message");
        }
        seen.sort();
        QCOMPARE(seen,
                 QStringList({"critical | Severe Thunderstorm Warning | Barkly until 03:09 PM",
                              "normal | Moderate Flood Warning | Barkly until 03:09 PM",
                              "normal | Weather alarm ended | The alarm's conditions no "
                              "longer hold."}));
        QCOMPARE(unavailable.size(), 0);
    }

    // No server on the bus, or no bus at all: nothing is shown, nothing breaks, and the reason
    // is told once.
    void withoutServerOrBus_data()
    {
        QTest::addColumn<bool>("bus");
        QTest::newRow("no server") << true;
        QTest::newRow("no bus") << false;
    }
    void withoutServerOrBus()
    {
        QFETCH(bool, bus);
        cleanupTestCase();
        QVERIFY(QTest::qWaitFor(
            [] {
                return !QDBusConnection::sessionBus().interface()->isServiceRegistered(
                    QStringLiteral("org.freedesktop.Notifications"));
            },
            10000));
        platform::DesktopNotifications notices(
            QStringLiteral("Nimbulo"), QStringLiteral("nimbulo"),
            bus ? QDBusConnection::sessionBus()
                : QDBusConnection::connectToBus(QStringLiteral("unix:path=/nonexistent"),
                                                QStringLiteral("none")));
        QSignalSpy unavailable(&notices, &platform::DesktopNotifications::unavailable);
        shell::WarningNotifier warnings(notices);
        warnings.update({warning("IDN21033", "Minor Flood Warning", "STD")});
        QTRY_COMPARE(unavailable.size(), 1);
        warnings.update({warning("IDD21035", "Severe Thunderstorm Warning", "SEV")});
        QTest::qWait(200);
        QCOMPARE(unavailable.size(), 1);
        QVERIFY(!unavailable.value(0).value(0).toString().isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestDesktopNotifications)
#include "tst_desktop_notifications.moc"
