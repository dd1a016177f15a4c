#include "common/ini_file.h"
#include "weather/config/settings.h"

#include <QDate>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

using config::SettingsFile;

namespace {

// Records every call of the start-up load, in order.
class RecordingTarget : public config::SettingsTarget
{
public:
    QStringList calls;
    void loadRegionList() override { calls << "regions"; }
    void selectRegion(int i) override { calls << QStringLiteral("region %1").arg(i); }
    void selectStation(int i) override { calls << QStringLiteral("station %1").arg(i); }
    void selectForecast(int i) override { calls << QStringLiteral("forecast %1").arg(i); }
    void selectDisplays(int a, int b) override
    {
        calls << QStringLiteral("displays %1 %2").arg(a).arg(b);
    }
    void showSecondValue(bool on) override { calls << QStringLiteral("second %1").arg(on); }
    void setHelpTips(bool on) override { calls << QStringLiteral("tips %1").arg(on); }
    void setUpStatTips() override { calls << "stat tips"; }
    void registerHotKey() override { calls << "hotkey"; }
    void applyAlarmType(int i) override { calls << QStringLiteral("alarm type %1").arg(i); }
    void startScanTimer(int m) override { calls << QStringLiteral("scan timer %1").arg(m); }
};

} // namespace

class TestSettings : public QObject
{
    Q_OBJECT

    QTemporaryDir dir_;

    SettingsFile settings(const QByteArray& saved, const QByteArray& hotKeys = {})
    {
        const QString path = dir_.filePath("wsetting.ini");
        QFile f(path);
        f.open(QIODevice::WriteOnly | QIODevice::Truncate);
        f.write("[SavedSetting]\n" + saved + "\n[HotKeys]\n" + hotKeys + "\n");
        return SettingsFile(path);
    }

    // Loads `file` into `s` and returns the start-up calls it made.
    static QStringList load(const SettingsFile& file, config::AppSettings& s)
    {
        RecordingTarget target;
        config::loadSettings(file, s, target);
        return target.calls;
    }

    static QByteArray contents(const QString& path)
    {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

private Q_SLOTS:
    void values_data()
    {
        QTest::addColumn<QByteArray>("line");   // key=value, or the key alone when missing
        QTest::addColumn<QVariant>("expected"); // a bool for a flag, an int otherwise
        const auto row = [](const char* line, const QVariant& expected) {
            QTest::newRow(line) << QByteArray(line) << expected;
        };
        // Three kinds of flag read the same stored numbers differently: > 0, != 0 and = 1.
        row("trend_arrow=-1", false);
        row("trend_arrow=2", true);
        row("alert_play_sound=-1", true);
        row("alert_play_sound=0", false);
        row("notify_warnings", true); // desktop notifications are on until turned off
        row("notify_alarm=0", false);
        row("tool_tips=1", true);
        row("tool_tips=2", false);
        row("auto_update=-1", false);
        row("banner", false);
        row("banner=yes", false);
        row("banner_pos=2", true); // bottom
        row("interval=5", 30);
        row("interval=10", 10);
        row("interval=240", 240);
        row("interval=300", 30);
        row("interval", 30);
        row("interval=soon", 30);
        row("station", -1);
        row("station=3", 3);
        row("display", -1);
        row("state", 0);
        // A first run's icon levels: cold below 10 °C, hot above 30 °C.
        row("icon_set_1", 10);
        row("icon_set_2", 30);
        row("icon_set_2=35", 35);
        row("alert_check", false);
        row("alert_check=1", true);
    }

    void values()
    {
        QFETCH(QByteArray, line);
        QFETCH(QVariant, expected);
        const SettingsFile file = settings(line.contains('=') ? line : QByteArray());
        const QString key = QString::fromLatin1(line.split('=').first());
        if (expected.typeId() == QMetaType::Bool)
            QCOMPARE(file.flag(key), expected.toBool());
        else
            QCOMPARE(file.integer(key), expected.toInt());
    }

    void loadOrderAndValues()
    {
        const auto file = settings(
            "state=2\nstation=4\nstation_name=Sydney\ninterval=15\ndisplay=1\ndisplay_2=-1\n"
            "display_2_toggle=1\nforecast=3\nalert_toggle=2\nalert_type=5\nalert_compare=30\n"
            "alert_wind=1\nmail_server=  smtp.example  \nfore_color=255\nfont_na=DejaVu Sans\n"
            "font_si=8.25\nfont_bd=1\nbanner=1\nbanner_pos=0\ncheck_date=2026-12-01\n",
            "key=17\nkey_plus=119\nkey_string=Ctrl + F8\nkey_toggle=1\n");
        config::AppSettings s;
        QCOMPARE(load(file, s), QStringList({"regions", "region 2", "station 4", "forecast 3",
                                             "displays 1 -1", "second 1", "tips 0", "stat tips",
                                             "hotkey", "alarm type 5", "scan timer 15"}));
        QCOMPARE(s.stationName, QStringLiteral("Sydney"));
        QVERIFY(s.alarm.armed && s.alarm.above && s.banner && !s.bannerBottom);
        QCOMPARE(s.alarm.wind, config::AlarmWind::North);
        QCOMPARE(s.alarm.setPoint, 30.0);
        QCOMPARE(s.mailServer, QStringLiteral("smtp.example"));
        QCOMPARE(s.foreColor, QColor(255, 0, 0));
        QCOMPARE(s.backColor, QGuiApplication::palette().color(QPalette::Window));
        QCOMPARE(s.displayFont.family(), QStringLiteral("DejaVu Sans"));
        QCOMPARE(s.displayFont.pointSizeF(), 8.25);
        QVERIFY(s.displayFont.bold());
        QCOMPARE(s.hotKeyModifier, 17);
        QCOMPARE(s.hotKeyText, QStringLiteral("Ctrl + F8"));
        QCOMPARE(s.checkDate, QStringLiteral("2026-12-01"));
    }

    // A start reads the file once: another program's change during it is not read piecemeal,
    // yet what the start writes (through any SettingsFile of the file) reads back at once; after
    // the start every read sees the file as it is.
    void aStartReadsTheFileOnce()
    {
        const SettingsFile file = settings("station_name=Alpha\nfc_town=Bravo");
        const auto read = [&file](const char* key) { return file.text(QLatin1String(key)); };
        {
            const SettingsFile::ReadOnce once(file);
            QCOMPARE(read("station_name"), u"Alpha");
            settings("station_name=Charlie\nfc_town=Delta");
            QCOMPARE(read("fc_town"), u"Bravo");
            QVERIFY(SettingsFile(file.path()).write(QStringLiteral("station_name"), "Echo"));
            QCOMPARE(read("station_name"), u"Echo");
            QCOMPARE(read("fc_town"), u"Delta");
            settings("station_name=Foxtrot");
        }
        QCOMPARE(read("station_name"), u"Foxtrot");
    }

    void defaultsFromMissingFile()
    {
        config::AppSettings s;
        const QStringList calls = load(SettingsFile(dir_.filePath("none/wsetting.ini")), s);
        QCOMPARE(calls.first(), QStringLiteral("regions"));
        QVERIFY(calls.contains(QStringLiteral("region 0")));
        QVERIFY(calls.contains(QStringLiteral("displays -1 -1")));
        QVERIFY(!calls.contains(QStringLiteral("hotkey")));
        QCOMPARE(calls.last(), QStringLiteral("scan timer 30"));
        QVERIFY(!s.alarm.armed);
        QCOMPARE(s.checkDate, config::todayText());
    }

    void proxy_data()
    {
        QTest::addColumn<QByteArray>("lines");
        QTest::addColumn<QStringList>("expected"); // on, server, auth, user, password, strip www
        const QByteArray stored =
            config::scramblePassword(QStringLiteral("pa55"), QStringLiteral("bob")).toUtf8();
        QTest::newRow("off: nothing read")
            << QByteArray("proxy_on=0\nproxy_server=p\nauth_on=1\nauth_1=bob")
            << QStringList{"0", "", "0", "", "", "1"};
        QTest::newRow("on without auth: credentials not read")
            << QByteArray("proxy_on=1\nproxy_server= p \nauth_on=0\nauth_1=bob\nauth_2=x")
            << QStringList{"1", "p", "0", "", "", "1"};
        QTest::newRow("on with auth")
            << "proxy_on=1\nproxy_server=p\nauth_on=1\nauth_1=bob\nauth_2=" + stored
            << QStringList{"1", "p", "1", "bob", "pa55", "1"};
        QTest::newRow("empty user keeps stored password")
            << QByteArray("proxy_on=1\nproxy_server=p\nauth_on=1\nauth_1=\nauth_2=plain")
            << QStringList{"1", "p", "1", "", "plain", "1"};
        // strip_www only ever switches the setting on (here on since an earlier load).
        QTest::newRow("strip_www=0 leaves it on")
            << QByteArray("strip_www=0") << QStringList{"0", "", "0", "", "", "1"};
    }

    void proxy()
    {
        QFETCH(QByteArray, lines);
        QFETCH(QStringList, expected);
        config::AppSettings s;
        load(settings("strip_www=1"), s);
        load(settings(lines), s);
        const auto& p = s.proxy;
        QCOMPARE(QStringList({QString::number(p.useProxy), p.server, QString::number(p.auth),
                              p.user, p.password, QString::number(p.stripWww)}),
                 expected);
    }

    void saveSelectionWritesInOrder()
    {
        const QString path = dir_.filePath("saved.ini");
        QFile::remove(path);
        config::Selection sel;
        sel.state = 1;
        sel.station = -1;
        sel.stationName = QStringLiteral("Cairns Aero");
        sel.forecast = 0;
        sel.display = 2;
        sel.display2 = -1;
        sel.secondValue = true;
        sel.alarmChecked = true;
        config::saveSelection(SettingsFile(path), sel);
        const QByteArray expected =
            "[SavedSetting]\nstate=1\nstation=-1\nstation_name=Cairns Aero\n"
            "forecast=0\ndisplay=2\ndisplay_2=-1\ndisplay_2_toggle=1\n"
            "check_date=" +
            config::todayText().toUtf8() + "\nalert_check=1\n";
        QCOMPARE(contents(path), expected);

        sel.checkDate = QStringLiteral("2026-01-31");
        config::saveSelection(SettingsFile(path), sel);
        QCOMPARE(SettingsFile(path).text(QStringLiteral("check_date")), sel.checkDate);
    }
};

QTEST_MAIN(TestSettings)
#include "tst_settings.moc"
