#pragma once

#include <QString>
#include <QStringList>

namespace saver {

// What the screen saver was started to do.
enum class Mode
{
    Run,            // full screen until the user comes back ("/s", nothing, "-root")
    Preview,        // inside a host window until that window goes ("/p N", "-window-id N")
    Settings,       // the settings dialog ("/c")
    ChangePassword, // the change-password dialog ("/a")
    End             // anything else: end at once
};

struct CommandLine
{
    Mode mode = Mode::End;
    quint32 window = 0; // the host window of a preview; 0 when none was given
};

// Reads the command line (the program's arguments after its name). The desktop's switches are
// read from the arguments joined by blanks, lower-cased and trimmed, by their first two
// characters: "" or "/s" run, "/p" preview in the window whose number ends the line (so "/p 12"
// and "/p:12" alike), "/c" settings, "/a" change password. xscreensaver's conventions are read
// too, with one dash or two: "-window-id N" (decimal or 0x-hex, blank or "=" before it) draws
// into window N; "-root"
// draws into the window that xscreensaver names in $XSCREENSAVER_WINDOW (`xscreensaverWindow`)
// when it names one, else runs full screen. Anything else ends.
CommandLine parseCommandLine(const QStringList& arguments, const QString& xscreensaverWindow = {});

// A window number in decimal or 0x-hex; 0 when the text is not one or does not fit 32 bits.
quint32 windowNumber(QStringView text);

} // namespace saver
