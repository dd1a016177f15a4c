#include "weather/engine/alarm.h"

#include <QtTest>

using engine::AlarmSettings;
using engine::AlarmState;
using engine::AlarmTests;

class TestAlarm : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void conditionTests_data()
    {
        // setup: "above|below <set point>" then any of "w<wind code>", "unarmed", "noscan",
        // "col2" (the value condition on column 2); calls: "v:<cell>" value test of column 1,
        // "d:<text>" wind-direction test, "c:<cell>" calm test, joined by ";".
        QTest::addColumn<QString>("setup");
        QTest::addColumn<QString>("calls");
        QTest::addColumn<QString>("alarmText"); // empty: no condition holds
        const QString over = QStringLiteral("Current Temp is %1 °C - Alarm set to notify %2 °C");
        QTest::newRow("above, equal") << "above 30" << QStringLiteral("v:30") << QString();
        QTest::newRow("above, over")
            << "above 30" << QStringLiteral("v:30.1") << over.arg("30.1", "above 30");
        QTest::newRow("above, under") << "above 30" << QStringLiteral("v:29.9") << QString();
        QTest::newRow("equal at four decimals")
            << "above 30" << QStringLiteral("v:30.00004") << QString();
        QTest::newRow("below, equal") << "below 5" << QStringLiteral("v:5.0") << QString();
        QTest::newRow("below, under")
            << "below 25.5" << QStringLiteral("v:25.4") << over.arg("25.4", "below 25.5");
        // A text without a number counts as 0.
        QTest::newRow("below, N/F")
            << "below 5" << QStringLiteral("v:N/F") << over.arg("N/F", "below 5");
        QTest::newRow("above negative, N/F")
            << "above -2.25" << QStringLiteral("v:N/F") << over.arg("N/F", "above -2.25");
        QTest::newRow("above, N/F") << "above 0" << QStringLiteral("v:N/F") << QString();
        QTest::newRow("no scan") << "above 0 noscan" << QStringLiteral("v:12") << QString();
        QTest::newRow("not armed") << "above 0 unarmed" << QStringLiteral("v:12") << QString();
        QTest::newRow("other column") << "above 0 col2" << QStringLiteral("v:12") << QString();

        // A direction holds when it contains the quarter's letter, in exact case.
        const QString dir = QStringLiteral("Wind direction is %1 ");
        QTest::newRow("north, NNE") << "above 0 w1" << QStringLiteral("d:NNE") << dir.arg("NNE");
        QTest::newRow("east, NNE") << "above 0 w3" << QStringLiteral("d:NNE") << dir.arg("NNE");
        QTest::newRow("north, SSE") << "above 0 w1" << QStringLiteral("d:SSE") << QString();
        QTest::newRow("south, SSE") << "above 0 w2" << QStringLiteral("d:SSE") << dir.arg("SSE");
        QTest::newRow("west, SW") << "above 0 w4" << QStringLiteral("d:SW") << dir.arg("SW");
        QTest::newRow("north, lower case") << "above 0 w1" << QStringLiteral("d:nne") << QString();
        QTest::newRow("calm is no direction")
            << "above 0 w5" << QStringLiteral("d:CALM") << QString();
        QTest::newRow("no wind condition") << "above 0 w0" << QStringLiteral("d:N") << QString();
        QTest::newRow("direction, not armed")
            << "above 0 w1 unarmed" << QStringLiteral("d:N") << QString();

        // The calm test needs no armed value condition; its text always starts with " - ".
        const QString calm = QStringLiteral(" - Wind is CALM ");
        QTest::newRow("calm") << "above 0 w5" << QStringLiteral("c:CALM") << calm;
        QTest::newRow("calm, not armed")
            << "above 0 w5 unarmed" << QStringLiteral("c:CALM") << calm;
        QTest::newRow("calm inside a text")
            << "above 0 w5" << QStringLiteral("c:CALM km/h") << calm;
        QTest::newRow("calm, no scan")
            << "above 0 w5 noscan" << QStringLiteral("c:CALM") << QString();
        QTest::newRow("calm, other condition")
            << "above 0 w1" << QStringLiteral("c:CALM") << QString();
        QTest::newRow("calm, lower case") << "above 0 w5" << QStringLiteral("c:calm") << QString();

        QTest::newRow("texts are joined") << "below 10 w2" << QStringLiteral("d:SW;v:8.5")
                                          << dir.arg("SW") + " - " + over.arg("8.5", "below 10");
    }

    void conditionTests()
    {
        QFETCH(QString, setup);
        QFETCH(QString, calls);
        QFETCH(QString, alarmText);
        const QStringList words = setup.split(u' ');
        AlarmSettings settings;
        settings.armed = !words.contains(u"unarmed");
        settings.above = words.at(0) == u"above";
        settings.setPoint = words.at(1).toDouble();
        settings.column = words.contains(u"col2") ? 2 : 1;
        for (const QString& word : words.mid(2))
            settings.wind =
                word.startsWith(u'w') ? engine::AlarmWind(word.mid(1).toInt()) : settings.wind;
        AlarmTests tests(settings, !words.contains(u"noscan"), QLocale::c());
        for (const QString& call : calls.split(u';')) {
            const QString arg = call.mid(2);
            if (call.startsWith(u'v'))
                tests.testValue(1, arg, QStringLiteral("Temp"), QStringLiteral("°C"));
            else if (call.startsWith(u'd'))
                tests.testWindDirection(arg);
            else
                tests.testCalm(arg);
        }
        QCOMPARE(tests.findings().alarmText, alarmText);
        QCOMPARE(tests.findings().valueAlarm, alarmText.contains(u"Current"));
        QCOMPARE(tests.findings().windAlarm, alarmText.contains(u"Wind"));
    }

    void setPointText_data()
    {
        QTest::addColumn<QString>("locale");
        QTest::addColumn<double>("setPoint");
        QTest::addColumn<QString>("text");
        QTest::newRow("whole") << "en_AU" << 30.0 << "30";
        QTest::newRow("four places") << "en_AU" << 0.0625 << "0.0625";
        QTest::newRow("beyond four places") << "en_AU" << 1.00004 << "1";
        QTest::newRow("negative") << "en_AU" << -2.25 << "-2.25";
        QTest::newRow("tiny negative") << "en_AU" << -0.00001 << "0";
        QTest::newRow("no group separator") << "en_AU" << 1013.25 << "1013.25";
        QTest::newRow("decimal comma") << "de_DE" << 25.5 << "25,5";
        QTest::newRow("decimal comma, whole") << "de_DE" << 1020.0 << "1020";
    }

    void setPointText()
    {
        QFETCH(QString, locale);
        QFETCH(double, setPoint);
        QFETCH(QString, text);
        QCOMPARE(AlarmTests::setPointText(setPoint, QLocale(locale)), text);
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
        QTest::addColumn<bool>("sendAlarmMail");
        QTest::addColumn<bool>("sendEndMail");
        QTest::addColumn<QString>("events");
        QTest::newRow("alarm with start and end mail")
            << 0 << true << true
            << "on=;scan:V=alert;tick=mail,show;opened=;started=;scan:V=alert;tick=show;"
               "scan:-=close,endmail;state=0,1,0;ended=;state=0,0,0";
        // The end mail needs both mail settings.
        QTest::newRow("start mail only")
            << 0 << true << false
            << "on=;scan:V=alert;tick=mail,show;opened=;started=;scan:-=close;state=0,0,0";
        QTest::newRow("end mail only")
            << 0 << false << true
            << "on=;scan:V=alert;tick=show;opened=;started=;scan:-=close;state=0,0,0";
        QTest::newRow("alarm with a wind condition")
            << 1 << true << true
            << "on=;scan:V=;scan:W=;scan:VW=alert;tick=mail,show;opened=;started=;"
               "scan:VW=alert;scan:V=close,endmail;state=0,1,0";
        QTest::newRow("alarms off from the start")
            << 0 << true << true << "scan:V=;scan:-=;state=0,0,0";
        QTest::newRow("no scan, no decision")
            << 0 << true << true
            << "on=;pick:V=;scan:V=alert;tick=mail,show;opened=;pick:-=;state=0,0,1";
        // Closed by the user: while the alarm goes on it is shown again without a new mail; it
        // then ends without an end mail, and the next alarm has its own start and end mails.
        QTest::newRow("window closed by the user")
            << 0 << true << true
            << "on=;scan:V=alert;tick=mail,show;opened=;started=;closed=;scan:V=alert;tick=show;"
               "scan:-=;state=0,0,0;scan:V=alert;tick=mail,show;opened=;started=;"
               "scan:-=close,endmail;state=0,1,0";
        QTest::newRow("unticked while the window is up")
            << 0 << true << true
            << "on=;scan:V=alert;tick=mail,show;opened=;started=;off=close;state=0,0,0;"
               "scan:-=;scan:V=;on=;scan:V=alert;tick=mail,show";
        QTest::newRow("unticked without a window") << 0 << true << true << "on=;off=;scan:V=";
        QTest::newRow("alarm ends before the window opened")
            << 0 << true << true << "on=;scan:V=alert;scan:-=;state=0,0,0";
    }

    void sequences()
    {
        QFETCH(int, wind);
        QFETCH(bool, sendAlarmMail);
        QFETCH(bool, sendEndMail);
        QFETCH(QString, events);
        AlarmSettings settings;
        settings.armed = settings.above = true;
        settings.setPoint = 30;
        settings.column = 1;
        settings.wind = engine::AlarmWind(wind);
        settings.sendAlarmMail = sendAlarmMail;
        settings.sendEndMail = sendEndMail;

        AlarmState state;
        for (const QString& step : events.split(u';')) {
            const QString event = step.section(u'=', 0, 0);
            QStringList actions;
            if (event == u"on" || event == u"off") {
                if (state.alarmCheckClicked(event == u"on"))
                    actions << "close";
            } else if (event.startsWith(u"scan:") || event.startsWith(u"pick:")) {
                engine::AlarmFindings findings;
                findings.valueAlarm = event.contains(u'V');
                findings.windAlarm = event.contains(u'W');
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
            } else {
                QCOMPARE(event, QStringLiteral("state"));
                actions << QStringLiteral("%1,%2,%3")
                               .arg(int(state.alarmMailSent))
                               .arg(int(state.alarmOffMail))
                               .arg(int(state.alarmWindowOpen));
            }
            QVERIFY2(actions.join(u',') == step.section(u'=', 1),
                     qPrintable(step + " gave " + actions.join(u',')));
        }
    }
};

QTEST_GUILESS_MAIN(TestAlarm)
#include "tst_alarm.moc"
