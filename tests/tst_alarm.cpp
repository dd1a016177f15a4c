#include "weather/engine/alarm.h"

#include <QtTest>

using engine::AlarmSettings;
using engine::AlarmState;
using engine::AlarmTests;

namespace {

AlarmSettings valueAlarm(bool above, double setPoint, int column = 1)
{
    AlarmSettings settings;
    settings.armed = true;
    settings.above = above;
    settings.setPoint = setPoint;
    settings.column = column;
    return settings;
}

const QString kDegrees = QString::fromUtf8("°C");

} // namespace

class TestAlarm : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void valueTest_data()
    {
        QTest::addColumn<bool>("above");
        QTest::addColumn<double>("setPoint");
        QTest::addColumn<QString>("cell");
        QTest::addColumn<QString>("alarmText"); // empty: the condition does not hold
        QTest::newRow("above, equal") << true << 30.0 << "30"
                                      << "";
        QTest::newRow("above, over")
            << true << 30.0 << "30.1"
            << QString::fromUtf8("Current Temp is 30.1 °C - Alarm set to notify above 30 °C");
        QTest::newRow("above, under") << true << 30.0 << "29.9"
                                      << "";
        QTest::newRow("above, equal at four decimals") << true << 30.0 << "30.00004"
                                                       << "";
        QTest::newRow("below, equal") << false << 5.0 << "5.0"
                                      << "";
        QTest::newRow("below, under")
            << false << 25.5 << "25.4"
            << QString::fromUtf8("Current Temp is 25.4 °C - Alarm set to notify below 25.5 °C");
        // A text without a number counts as 0.
        QTest::newRow("below, N/F")
            << false << 5.0 << "N/F"
            << QString::fromUtf8("Current Temp is N/F °C - Alarm set to notify below 5 °C");
        QTest::newRow("above negative, N/F")
            << true << -2.25 << "N/F"
            << QString::fromUtf8("Current Temp is N/F °C - Alarm set to notify above -2.25 °C");
        QTest::newRow("above, N/F") << true << 0.0 << "N/F"
                                    << "";
    }

    void valueTest()
    {
        QFETCH(bool, above);
        QFETCH(double, setPoint);
        QFETCH(QString, cell);
        QFETCH(QString, alarmText);
        AlarmTests tests(valueAlarm(above, setPoint), true, QLocale::c());
        tests.testValue(1, cell, "Temp", kDegrees);
        QCOMPARE(tests.findings().valueAlarm, !alarmText.isEmpty());
        QCOMPARE(tests.findings().alarmText, alarmText);
        QVERIFY(!tests.findings().windAlarm);
    }

    void valueTestNeedsScanArmingAndColumn_data()
    {
        QTest::addColumn<bool>("scanBusy");
        QTest::addColumn<bool>("armed");
        QTest::addColumn<int>("column");
        QTest::addColumn<bool>("holds");
        QTest::newRow("all given") << true << true << 1 << true;
        QTest::newRow("no scan") << false << true << 1 << false;
        QTest::newRow("not armed") << true << false << 1 << false;
        QTest::newRow("other column") << true << true << 2 << false;
    }

    void valueTestNeedsScanArmingAndColumn()
    {
        QFETCH(bool, scanBusy);
        QFETCH(bool, armed);
        QFETCH(int, column);
        QFETCH(bool, holds);
        AlarmSettings settings = valueAlarm(true, 0.0, column);
        settings.armed = armed;
        AlarmTests tests(settings, scanBusy, QLocale::c());
        tests.testValue(1, u"12", "Temp", kDegrees);
        QCOMPARE(tests.findings().valueAlarm, holds);
    }

    void setPointText_data()
    {
        QTest::addColumn<double>("setPoint");
        QTest::addColumn<QString>("locale");
        QTest::addColumn<QString>("text");
        QTest::newRow("whole") << 30.0 << "en_AU"
                               << "30";
        QTest::newRow("half") << 25.5 << "en_AU"
                              << "25.5";
        QTest::newRow("four places") << 0.0625 << "en_AU"
                                     << "0.0625";
        QTest::newRow("beyond four places") << 1.00004 << "en_AU"
                                            << "1";
        QTest::newRow("negative") << -2.25 << "en_AU"
                                  << "-2.25";
        QTest::newRow("tiny negative") << -0.00001 << "en_AU"
                                       << "0";
        QTest::newRow("no group separator") << 1013.25 << "en_AU"
                                            << "1013.25";
        QTest::newRow("decimal comma") << 25.5 << "de_DE"
                                       << "25,5";
        QTest::newRow("decimal comma, whole") << 1020.0 << "de_DE"
                                              << "1020";
    }

    void setPointText()
    {
        QFETCH(double, setPoint);
        QFETCH(QString, locale);
        QFETCH(QString, text);
        QCOMPARE(AlarmTests::setPointText(setPoint, QLocale(locale)), text);
    }

    void windTest_data()
    {
        QTest::addColumn<int>("wind");
        QTest::addColumn<QString>("direction");
        QTest::addColumn<bool>("holds");
        QTest::newRow("north, NNE") << 1 << "NNE" << true;
        QTest::newRow("east, NNE") << 3 << "NNE" << true;
        QTest::newRow("north, SSE") << 1 << "SSE" << false;
        QTest::newRow("south, SSE") << 2 << "SSE" << true;
        QTest::newRow("west, SW") << 4 << "SW" << true;
        QTest::newRow("west, CALM") << 4 << "CALM" << false;
        QTest::newRow("north, CALM") << 1 << "CALM" << false;
        QTest::newRow("north, lower case") << 1 << "nne" << false;
        QTest::newRow("calm is no direction") << 5 << "CALM" << false;
        QTest::newRow("no wind condition") << 0 << "N" << false;
    }

    void windTest()
    {
        QFETCH(int, wind);
        QFETCH(QString, direction);
        QFETCH(bool, holds);
        AlarmSettings settings = valueAlarm(true, 0.0);
        settings.wind = wind;
        AlarmTests tests(settings, true, QLocale::c());
        tests.testWindDirection(direction);
        QCOMPARE(tests.findings().windAlarm, holds);
        QCOMPARE(tests.findings().alarmText,
                 holds ? QStringLiteral("Wind direction is ") + direction + u' ' : QString());
        QVERIFY(!tests.findings().valueAlarm);

        // The direction test belongs to the value alarm: not armed, not tested.
        settings.armed = false;
        AlarmTests unarmed(settings, true, QLocale::c());
        unarmed.testWindDirection(direction);
        QVERIFY(!unarmed.findings().windAlarm);
    }

    void calmTest_data()
    {
        QTest::addColumn<int>("wind");
        QTest::addColumn<bool>("armed");
        QTest::addColumn<bool>("scanBusy");
        QTest::addColumn<QString>("cell");
        QTest::addColumn<bool>("holds");
        QTest::newRow("calm") << 5 << true << true << "CALM" << true;
        QTest::newRow("calm, not armed") << 5 << false << true << "CALM" << true;
        QTest::newRow("calm inside a text") << 5 << true << true << "CALM km/h" << true;
        QTest::newRow("calm, no scan") << 5 << true << false << "CALM" << false;
        QTest::newRow("other condition") << 1 << true << true << "CALM" << false;
        QTest::newRow("lower case") << 5 << true << true << "calm" << false;
        QTest::newRow("wind") << 5 << true << true << "12" << false;
    }

    void calmTest()
    {
        QFETCH(int, wind);
        QFETCH(bool, armed);
        QFETCH(bool, scanBusy);
        QFETCH(QString, cell);
        QFETCH(bool, holds);
        AlarmSettings settings = valueAlarm(true, 0.0);
        settings.armed = armed;
        settings.wind = wind;
        AlarmTests tests(settings, scanBusy, QLocale::c());
        tests.testCalm(cell);
        QCOMPARE(tests.findings().windAlarm, holds);
        // Always with its leading " - ", even as the first text.
        QCOMPARE(tests.findings().alarmText,
                 holds ? QStringLiteral(" - Wind is CALM ") : QString());
    }

    void textsAreJoined()
    {
        AlarmSettings settings = valueAlarm(false, 10.0);
        settings.wind = engine::WindSouth;
        AlarmTests tests(settings, true, QLocale::c());
        tests.testWindDirection(u"SW");
        tests.testValue(1, u"8.5", "Temp", kDegrees);
        QCOMPARE(tests.findings().alarmText,
                 QString::fromUtf8("Wind direction is SW  - Current Temp is 8.5 °C - Alarm set to "
                                   "notify below 10 °C"));
    }

    void sequences_data()
    {
        // A run of events, each "event=expected actions":
        //   on / off        tick or untick chkAlarm (expected: "close" or nothing)
        //   scan:V, scan:W, scan:VW, scan:-   a pass during a scan with those conditions holding
        //   pick:V          a pass without a scan (station pick)
        //                   (expected: close, endmail, alert, in that order)
        //   tick            tmrAlert tick (expected: mail, show)
        //   opened / closed the alarm window loaded / closed by the user
        //   started / ended the mail timer composed the start / end mail
        //   state           expected "sent,offMail,open" as 0/1 flags
        QTest::addColumn<int>("wind");
        QTest::addColumn<QString>("events");
        const QString fullAlarm =
            "on=;scan:V=alert;tick=mail,show;opened=;started=;scan:V=alert;tick=show;"
            "scan:-=close,endmail;state=0,1,0;ended=;state=0,0,0";
        QTest::newRow("alarm with start and end mail") << 0 << fullAlarm;
        QTest::newRow("alarm with a wind condition")
            << 1
            << "on=;scan:V=;scan:W=;scan:VW=alert;tick=mail,show;opened=;started=;"
               "scan:VW=alert;scan:V=close,endmail;state=0,1,0";
        QTest::newRow("alarms off from the start") << 0 << "scan:V=;scan:-=;state=0,0,0";
        QTest::newRow("no scan, no decision")
            << 0 << "on=;pick:V=;scan:V=alert;tick=mail,show;opened=;pick:-=;state=0,0,1";
        // Closed by the user: no end mail and the start mail still counts as sent, so the next
        // alarm sends no start mail; when that one ends with the window up, the end mail goes.
        QTest::newRow("window closed by the user")
            << 0
            << "on=;scan:V=alert;tick=mail,show;opened=;started=;closed=;scan:-=;state=1,0,0;"
               "scan:V=alert;tick=show;opened=;scan:-=close,endmail;state=0,1,0;"
               "scan:V=alert;tick=mail,show";
        QTest::newRow("unticked while the window is up")
            << 0
            << "on=;scan:V=alert;tick=mail,show;opened=;started=;off=close;state=1,0,0;"
               "scan:-=;scan:V=;on=;scan:V=alert";
        QTest::newRow("unticked without a window") << 0 << "on=;off=;scan:V=";
        QTest::newRow("alarm ends before the window opened")
            << 0 << "on=;scan:V=alert;scan:-=;state=0,0,0";
    }

    void sequences()
    {
        QFETCH(int, wind);
        QFETCH(QString, events);
        AlarmSettings settings = valueAlarm(true, 30.0);
        settings.wind = wind;
        settings.sendAlarmMail = true;
        settings.sendEndMail = true;

        AlarmState state;
        for (const QString& step : events.split(u';')) {
            const QString event = step.section(u'=', 0, 0);
            const QString expected = step.section(u'=', 1);
            QStringList actions;
            if (event == u"on" || event == u"off") {
                if (state.alarmCheckClicked(event == u"on"))
                    actions << "close";
            } else if (event.startsWith(u"scan:") || event.startsWith(u"pick:")) {
                const QString held = event.section(u':', 1);
                engine::AlarmFindings findings;
                findings.valueAlarm = held.contains(u'V');
                findings.windAlarm = held.contains(u'W');
                const auto decision = state.decide(findings, settings, event.startsWith(u"scan"));
                if (decision.closeWindow)
                    actions << "close";
                if (decision.enableMailTimer)
                    actions << "endmail";
                if (decision.enableAlertTimer)
                    actions << "alert";
            } else if (event == u"tick") {
                const auto tick = state.alertTick(settings);
                if (tick.enableMailTimer)
                    actions << "mail";
                if (tick.showWindow)
                    actions << "show";
            } else if (event == u"opened" || event == u"closed") {
                state.alarmWindowOpen = event == u"opened";
            } else if (event == u"started") {
                state.alarmMailSent = true;
            } else if (event == u"ended") {
                state.alarmOffMail = false;
            } else if (event == u"state") {
                actions << QStringLiteral("%1,%2,%3")
                               .arg(int(state.alarmMailSent))
                               .arg(int(state.alarmOffMail))
                               .arg(int(state.alarmWindowOpen));
            } else {
                QFAIL(qPrintable("unknown event " + event));
            }
            QVERIFY2(actions.join(u',') == expected,
                     qPrintable(step + " gave " + actions.join(u',')));
        }
    }

    void endMailNeedsBothSettings_data()
    {
        QTest::addColumn<bool>("sendAlarmMail");
        QTest::addColumn<bool>("sendEndMail");
        QTest::addColumn<bool>("endMail");
        QTest::newRow("both") << true << true << true;
        QTest::newRow("start only") << true << false << false;
        QTest::newRow("end only") << false << true << false;
    }

    void endMailNeedsBothSettings()
    {
        QFETCH(bool, sendAlarmMail);
        QFETCH(bool, sendEndMail);
        QFETCH(bool, endMail);
        AlarmSettings settings = valueAlarm(true, 30.0);
        settings.sendAlarmMail = sendAlarmMail;
        settings.sendEndMail = sendEndMail;
        AlarmState state;
        state.alarmOff = false;
        state.alarmWindowOpen = true;
        state.alarmMailSent = true; // a start mail went out earlier
        const auto decision = state.decide({}, settings, true);
        QVERIFY(decision.closeWindow);
        QCOMPARE(decision.enableMailTimer, endMail);
        QCOMPARE(state.alarmOffMail, endMail);
        QVERIFY(!state.alarmMailSent);
        // Without the start-mail setting the tick asks for no mail.
        QCOMPARE(state.alertTick(settings).enableMailTimer, sendAlarmMail);
    }
};

QTEST_GUILESS_MAIN(TestAlarm)
#include "tst_alarm.moc"
