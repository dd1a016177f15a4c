#pragma once

#include <QString>
#include <QStringList>

namespace platform {

// The program folder: where weather.ini, wsetting.ini and the user's files live.
//
// `--appdir DIR` (or `--appdir=DIR`) on the command line points any of the programs at DIR.
// Without it the executable's folder is the program folder when it holds the settings
// (wsetting.ini), or holds the layout file (weather.ini) and is writable: a build, or a
// per-user install. Otherwise the programs are installed system-wide (a package: the folder
// holds neither, or cannot take the settings) and the program folder is the user's own
// $XDG_DATA_HOME/nimbulo (by default ~/.local/share/nimbulo); the three programs find the same
// one. Running as root does not make /usr/bin a program folder: it holds no layout file.
//
// initAppDir() takes the program's arguments, removes the option from them and fixes the folder;
// appDir() returns it with a trailing "/". Before initAppDir() it is the folder the rule finds.
QStringList initAppDir(const QStringList& arguments);
QString appDir();
// appDir() with symbolic links resolved (as appDir() when the folder cannot be resolved): the
// same folder reached through a link gives the same text.
QString resolvedAppDir();

enum class AppDirKind
{
    Chosen,     // --appdir DIR
    Executable, // the executable's folder
    PerUser,    // the user's folder of a system-wide install
};

struct ProgramFolder
{
    QString dir; // with a trailing "/"
    AppDirKind kind = AppDirKind::Executable;
};

// The rule above for an executable in `exeDir` and the user's data folder `dataHome`
// ($XDG_DATA_HOME or ~/.local/share), without a --appdir option.
ProgramFolder findProgramFolder(const QString& exeDir, const QString& dataHome);

// How initAppDir() found the program folder.
AppDirKind appDirKind();

// The folder of the files a system-wide install ships for the program folder (weather.ini,
// readme.txt, Media/Ding.wav), with a trailing "/": the executable's folder when it holds
// weather.ini, else <prefix>/share/nimbulo/ for programs in <prefix>/bin.
QString shippedDir();

// The monitor's executable: the installed command (`nimbulo` beside this program) of a
// system-wide install, else `weather` in the program folder.
QString monitorProgram();

} // namespace platform
