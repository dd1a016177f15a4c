#pragma once

#include <QString>
#include <QStringList>

namespace platform {

// The program folder: where weather.ini, wsetting.ini and the shipped files live.
// By default the folder of the executable; `--appdir DIR` (or `--appdir=DIR`) on the command line
// points any of the programs at another folder (tests, portable installs).
//
// initAppDir() takes the program's arguments, removes the option from them and fixes the folder;
// appDir() returns it with a trailing "/". Before initAppDir() it is the executable's folder.
QStringList initAppDir(const QStringList& arguments);
QString appDir();
// appDir() with symbolic links resolved (as appDir() when the folder cannot be resolved): the
// same folder reached through a link gives the same text.
QString resolvedAppDir();

} // namespace platform
