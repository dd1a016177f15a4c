#pragma once

#include <QString>
#include <QStringList>

#include <functional>

namespace net {

// What an alarm mail reports.
struct AlarmMailFacts
{
    bool endOfAlarm = false; // "Alarm OFF" rather than "Alarm ON"
    QString alarmText;       // the conditions of the alarm
    QString station;         // the selected station, as listed
    QStringList names;       // the stat names of the main window's list, in order
    QStringList values;      // the values beside them ("" where a value is missing)
    QString bureauSite;      // the bureau's web site
    int year = 0;            // for the copyright line
};

// The width of a text in the main window's font, in twips.
using TwipsWidth = std::function<int(const QString&)>;

// The tabs that follow a stat name of `twips` width so the values line up: 4 below 850 twips,
// 3 below 1130, else 2.
int leaderTabs(int twips);

// The text of an alarm mail, lines ending in CR LF:
//   "Aus Nimbulo Alarm Message", "", "Alarm ON" or "Alarm OFF", "", the alarm text, "",
//   "Last observations at <station>", one line per stat: name, tabs, value;
//   "", the bureau's site, "Copyright Commonwealth of Australia <year>, Bureau of Meteorology."
QString composeAlarmMail(const AlarmMailFacts& facts, const TwipsWidth& width);

} // namespace net
