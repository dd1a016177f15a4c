#pragma once

#include <QString>
#include <QStringList>

namespace common {

// Fixes the program folder from the program's arguments (platform::initAppDir) and returns them
// without --appdir. When it is the per-user folder of a system-wide install, the folder is laid
// out from the shipped files first (layOutUserFolder), so all three programs find it ready.
QStringList initProgramFolder(const QStringList& arguments);

// Lays out the per-user program folder `folder` from the shipped files in `shipped` (both with
// a trailing "/"): makes the folder; gives it the shipped weather.ini when it has none, or when
// the shipped one's [FixedSetting] ver is a higher version (dotted numbers) than its own, which
// it then replaces whole; links readme.txt and Media/Ding.wav to the shipped files (a file the
// user put there instead is kept). A layout file from the update server with a higher ver than
// the shipped one stays. False when the folder or its layout file cannot be written; the
// programs run on without them.
bool layOutUserFolder(const QString& folder, const QString& shipped);

} // namespace common
