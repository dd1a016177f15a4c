#pragma once

#include "weather/config/settings.h"

#include <QLocale>
#include <QString>
#include <QStringView>

namespace engine {

// The alarm settings are the settings file's (config::AlarmSettings, read by
// config::readAlarmChoices and set by the options dialog); the rules below only read them.
using config::AlarmSettings;
using config::AlarmWind;

// What the condition tests of one display pass found.
struct AlarmFindings
{
    bool valueAlarm = false;
    bool windAlarm = false;
    QString alarmText; // the conditions that held, joined by " - "
};

// The alarm holds after a pass: the value condition, and the wind condition when one is set.
bool alarmHolds(const AlarmFindings& findings, const AlarmSettings& settings);

// The condition tests that run while the cells of the shown row are walked. One instance per
// pass; it starts cleared. Nothing is tested in a pass without a running scan (`scanBusy`
// false), so picking a station never touches the alarm.
class AlarmTests
{
public:
    AlarmTests(const AlarmSettings& settings, bool scanBusy, const QLocale& locale = QLocale());

    // The value test of column `column` with cell text `cell` (already "N/F" for a missing
    // value). Runs when the value condition is armed for this column: the cell's number at four
    // decimal places ("N/F" and text without a number count as 0) must lie strictly above (or
    // below) the set point. Adds "Current <header> is <cell> <sign> - Alarm set to notify
    // above|below <set point> <sign>".
    void testValue(int column, QStringView cell, const QString& header, const QString& sign);

    // The wind-direction test on the direction text (NNE, SW, CALM, ...): holds when the text
    // contains the letter of the wanted quarter (N, S, E, W; exact case), so NNE counts as north
    // and as east. Needs the value condition armed. Adds "Wind direction is <text> ".
    void testWindDirection(QStringView direction);

    // The calm test on a non-direction stat column: holds when the wind condition is calm and
    // the text contains "CALM"; needs no armed value condition. Adds " - Wind is CALM ", always
    // with its leading " - ".
    void testCalm(QStringView cell);

    const AlarmFindings& findings() const { return findings_; }

    // The set point as the alarm text shows it: no trailing zeros, the locale's decimal
    // separator, no group separators (30, 25.5, -2.25).
    static QString setPointText(double setPoint, const QLocale& locale = QLocale());

private:
    void append(const QString& piece);

    AlarmSettings settings_;
    bool scanBusy_;
    QLocale locale_;
    AlarmFindings findings_;
};

// What the main window does after the decision of a pass.
struct AlarmDecision
{
    bool closeWindow = false;      // unload the alarm window (alarmWindowOpen is already false)
    bool enableMailTimer = false;  // the end-of-alarm mail: enable `tmrMail` (alarmOffMail set)
    bool enableAlertTimer = false; // the alarm holds: enable `tmrAlert`
};

// What the main window does on a `tmrAlert` tick (after disabling the timer).
struct AlertTick
{
    bool enableMailTimer = false; // the start-of-alarm mail: enable `tmrMail`
    bool showWindow = true;       // show the alarm window non-modally (an open one stays up)
};

// The alarm's state between passes and the rules that move it. The main window owns one
// instance and carries out the returned actions; the alarm window reports its own opening and
// closing through `alarmWindowOpen`, and the mail timer sets `alarmMailSent` when it composes a
// start mail and clears `alarmOffMail` when it composes the end mail.
//
//   quiet     + condition        -> tmrAlert: window, start mail if wanted and not yet sent
//   alarming  + condition        -> window shown again, no new mail
//   alarming, window up + none   -> window closed; end mail if the start mail went out and both
//                                   mail settings are on; alarmMailSent cleared
//   alarming, window closed by the user + none -> no end mail; alarmMailSent cleared
//   alarm box unticked           -> window closed, no end mail; alarmMailSent cleared
struct AlarmState
{
    bool alarmOff = true; // the alarm check box `chkAlarm` is not ticked
    bool alarmWindowOpen = false;
    bool alarmMailSent = false;
    bool alarmOffMail = false;

    // The decision after the cell walk of a pass. Acts only while a scan runs and alarms are on.
    // With a wind condition the alarm is value and wind condition together.
    AlarmDecision decide(const AlarmFindings& findings, const AlarmSettings& settings,
                         bool scanBusy);

    // A `tmrAlert` tick.
    AlertTick alertTick(const AlarmSettings& settings) const;

    // A click on `chkAlarm`, with the box's new state. Returns true when the open alarm window
    // must be closed (unticking; no end mail is sent then).
    bool alarmCheckClicked(bool ticked);
};

} // namespace engine
