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

    static QByteArray contents(const QString& path)
    {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

private Q_SLOTS:
    void everyKeyIsInTheTable()
    {
        for (const char* key : {"state",
                                "station",
                                "station_name",
                                "display",
                                "display_2",
                                "display_2_toggle",
                                "forecast",
                                "check_date",
                                "interval",
                                "auto_update",
                                "tool_tips",
                                "trend_arrow",
                                "icon_set_1",
                                "icon_set_2",
                                "banner",
                                "banner_pos",
                                "fore_color",
                                "back_color",
                                "use_sys_color",
                                "use_sys_font",
                                "font_na",
                                "font_si",
                                "font_bd",
                                "font_it",
                                "font_ul",
                                "font_st",
                                "no_xp_help",
                                "alert_toggle",
                                "alert_type",
                                "alert_value",
                                "alert_compare",
                                "alert_wind",
                                "alert_play_sound",
                                "alert_send_mail",
                                "alert_send_end_mail",
                                "mail_server",
                                "mail_port",
                                "mail_send",
                                "mail_recip",
                                "proxy_on",
                                "proxy_server",
                                "proxy_port",
                                "auth_on",
                                "auth_1",
                                "auth_2",
                                "strip_www",
                                "start_icon",
                                "desk_icon",
                                "key",
                                "key_plus",
                                "key_string",
                                "key_toggle"})
            QVERIFY2(config::findSetting(QLatin1String(key)), key);
        QCOMPARE(config::findSetting(QStringLiteral("key"))->section, QStringLiteral("HotKeys"));
    }

    void flags_data()
    {
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<QString>("key");
        QTest::addColumn<bool>("expected");
        // Three kinds of flag read the same stored numbers differently.
        QTest::newRow("> 0 with -1") << QByteArray("trend_arrow=-1") << "trend_arrow" << false;
        QTest::newRow("> 0 with 2") << QByteArray("trend_arrow=2") << "trend_arrow" << true;
        QTest::newRow("!= 0 with -1")
            << QByteArray("alert_play_sound=-1") << "alert_play_sound" << true;
        QTest::newRow("!= 0 with 0")
            << QByteArray("alert_play_sound=0") << "alert_play_sound" << false;
        QTest::newRow("= 1 with 1") << QByteArray("tool_tips=1") << "tool_tips" << true;
        QTest::newRow("= 1 with 2") << QByteArray("tool_tips=2") << "tool_tips" << false;
        QTest::newRow("= 1 with -1") << QByteArray("auto_update=-1") << "auto_update" << false;
        QTest::newRow("missing") << QByteArray() << "banner" << false;
        QTest::newRow("junk") << QByteArray("banner=yes") << "banner" << false;
        QTest::newRow("banner_pos 2 is bottom")
            << QByteArray("banner_pos=2") << "banner_pos" << true;
    }

    void flags()
    {
        QFETCH(QByteArray, line);
        QFETCH(QString, key);
        QFETCH(bool, expected);
        QCOMPARE(settings(line).flag(key), expected);
    }

    void integers_data()
    {
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<QString>("key");
        QTest::addColumn<int>("expected");
        QTest::newRow("interval 5") << QByteArray("interval=5") << "interval" << 30;
        QTest::newRow("interval 10") << QByteArray("interval=10") << "interval" << 10;
        QTest::newRow("interval 240") << QByteArray("interval=240") << "interval" << 240;
        QTest::newRow("interval 300") << QByteArray("interval=300") << "interval" << 30;
        QTest::newRow("interval missing") << QByteArray() << "interval" << 30;
        QTest::newRow("interval junk") << QByteArray("interval=soon") << "interval" << 30;
        QTest::newRow("station missing") << QByteArray() << "station" << -1;
        QTest::newRow("station 3") << QByteArray("station=3") << "station" << 3;
        QTest::newRow("display missing") << QByteArray() << "display" << -1;
        QTest::newRow("state missing") << QByteArray() << "state" << 0;
    }

    void integers()
    {
        QFETCH(QByteArray, line);
        QFETCH(QString, key);
        QFETCH(int, expected);
        QCOMPARE(settings(line).integer(key), expected);
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
        RecordingTarget target;
        config::loadSettings(file, s, target);

        QCOMPARE(target.calls, QStringList({"regions", "region 2", "station 4", "forecast 3",
                                            "displays 1 -1", "second 1", "tips 0", "stat tips",
                                            "hotkey", "alarm type 5", "scan timer 15"}));
        QCOMPARE(s.stationName, QStringLiteral("Sydney"));
        QVERIFY(s.alarmOn);
        QVERIFY(s.alarmAbove);
        QCOMPARE(s.alarmWind, 1);
        QCOMPARE(s.alarmCompare, QStringLiteral("30"));
        QCOMPARE(s.mailServer, QStringLiteral("smtp.example"));
        QCOMPARE(s.foreColor, QColor(255, 0, 0));
        QCOMPARE(s.backColor, QGuiApplication::palette().color(QPalette::Window));
        QCOMPARE(s.displayFont.family(), QStringLiteral("DejaVu Sans"));
        QCOMPARE(s.displayFont.pointSizeF(), 8.25);
        QVERIFY(s.displayFont.bold());
        QVERIFY(s.banner);
        QVERIFY(!s.bannerBottom);
        QCOMPARE(s.hotKeyModifier, 17);
        QCOMPARE(s.hotKeyText, QStringLiteral("Ctrl + F8"));
        QCOMPARE(s.checkDate, QStringLiteral("2026-12-01"));
    }

    void defaultsFromMissingFile()
    {
        const SettingsFile file(dir_.filePath("none/wsetting.ini"));
        config::AppSettings s;
        RecordingTarget target;
        config::loadSettings(file, s, target);
        QCOMPARE(target.calls.first(), QStringLiteral("regions"));
        QVERIFY(target.calls.contains(QStringLiteral("region 0")));
        QVERIFY(target.calls.contains(QStringLiteral("displays -1 -1")));
        QVERIFY(!target.calls.contains(QStringLiteral("hotkey")));
        QCOMPARE(target.calls.last(), QStringLiteral("scan timer 30"));
        QVERIFY(!s.alarmOn);
        QCOMPARE(s.checkDate, config::todayText());
    }

    void proxy_data()
    {
        QTest::addColumn<QByteArray>("lines");
        QTest::addColumn<bool>("useProxy");
        QTest::addColumn<QString>("server");
        QTest::addColumn<bool>("auth");
        QTest::addColumn<QString>("user");
        QTest::addColumn<QString>("password");

        const QByteArray stored =
            config::scramblePassword(QStringLiteral("pa55"), QStringLiteral("bob")).toUtf8();
        QTest::newRow("off: nothing read")
            << QByteArray("proxy_on=0\nproxy_server=p\nauth_on=1\nauth_1=bob") << false << ""
            << false << ""
            << "";
        QTest::newRow("on without auth: credentials not read")
            << QByteArray("proxy_on=1\nproxy_server= p \nproxy_port=3128\nauth_on=0\n"
                          "auth_1=bob\nauth_2=x")
            << true << "p" << false << ""
            << "";
        QTest::newRow("on with auth")
            << "proxy_on=1\nproxy_server=p\nauth_on=1\nauth_1=bob\nauth_2=" + stored << true << "p"
            << true << "bob"
            << "pa55";
        QTest::newRow("empty user keeps stored password")
            << QByteArray("proxy_on=1\nproxy_server=p\nauth_on=1\nauth_1=\nauth_2=plain") << true
            << "p" << true << ""
            << "plain";
    }

    void proxy()
    {
        QFETCH(QByteArray, lines);
        QFETCH(bool, useProxy);
        QFETCH(QString, server);
        QFETCH(bool, auth);
        QFETCH(QString, user);
        QFETCH(QString, password);
        config::AppSettings s;
        RecordingTarget target;
        config::loadSettings(settings(lines), s, target);
        QCOMPARE(s.proxy.useProxy, useProxy);
        QCOMPARE(s.proxy.server, server);
        QCOMPARE(s.proxy.auth, auth);
        QCOMPARE(s.proxy.user, user);
        QCOMPARE(s.proxy.password, password);
    }

    void stripWwwOnlySwitchesOn()
    {
        config::AppSettings s;
        s.proxy.stripWww = true;
        RecordingTarget target;
        config::loadSettings(settings("strip_www=0"), s, target);
        QVERIFY(s.proxy.stripWww);
        s.proxy.stripWww = false;
        config::loadSettings(settings("strip_www=1"), s, target);
        QVERIFY(s.proxy.stripWww);
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
        config::saveSelection(SettingsFile(path), sel);
        const QByteArray expected =
            "[SavedSetting]\nstate=1\nstation=-1\nstation_name=Cairns Aero\n"
            "forecast=0\ndisplay=2\ndisplay_2=-1\ndisplay_2_toggle=1\n"
            "check_date=" +
            config::todayText().toUtf8() + "\n";
        QCOMPARE(contents(path), expected);

        sel.checkDate = QStringLiteral("2026-01-31");
        config::saveSelection(SettingsFile(path), sel);
        QCOMPARE(SettingsFile(path).text(QStringLiteral("check_date")), sel.checkDate);
    }

    void colourNumbers()
    {
        QCOMPARE(config::colorFromNumber(0x00FF8040), QColor(0x40, 0x80, 0xFF));
        QCOMPARE(config::numberFromColor(QColor(0x40, 0x80, 0xFF)), 0x00FF8040);
    }
};

QTEST_MAIN(TestSettings)
#include "tst_settings.moc"
