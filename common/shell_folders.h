#pragma once

#include <QString>

namespace common {

// The folders that stand in for the shell's start-up and desktop folders: the XDG autostart
// folder ($XDG_CONFIG_HOME/autostart) and the user's desktop folder. Without a trailing "/";
// empty when the folder cannot be named.
QString startupFolder();
QString desktopFolder();

} // namespace common
