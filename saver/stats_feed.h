#pragma once

#include "common/deployment.h"

#include <QString>
#include <QStringList>
#include <QTime>

namespace saver {

// The caption with which the main program's window begins.
inline constexpr char kAppTitle[] = "Nimbulo (Australia)";

// The product's web site.
using common::homePage;

// What the saver shows when the main program is not running: "Nimbulo", the product's web
// address (left out when the build names none), "Nimbulo program", "Not running", "Start up
// Nimbulo", separated by CR LF.
QString notRunningText(const QString& homeAddress = homePage());
// What it shows when the main program runs but its feed text is empty.
QString noReadingsText();

// The main program's feed text read through the window system: the text of the feed box of
// the first window whose caption begins with kAppTitle; noReadingsText() when that box is
// empty, missing or gone while being read; notRunningText() when there is no such window.
QString readStatsText(const QString& homeAddress = homePage());

// "Time: " and the time as "hh:mm AM/PM".
QString timeLine(const QTime& time);
// The lines a display shows: the time line, then the text split at CR LF, any other control
// character (a lone line feed, an escape) shown as a space.
QStringList displayItemsOf(const QString& statsText, const QTime& time);

} // namespace saver
