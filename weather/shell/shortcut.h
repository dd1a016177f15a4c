#pragma once

#include <QString>

class QWidget;

namespace shell {

// The shortcut's file name in the start-up and desktop folders.
inline constexpr char kShortcutName[] = "Nimbulo.desktop";

// The folder of the start-up shortcut ($XDG_CONFIG_HOME/autostart) or of the desktop one (the
// XDG desktop folder), without a trailing "/"; empty when there is none.
QString specialFolderPath(bool startup);

// Creates the shortcut to the program in the program folder (`weather`, started in that
// folder) in the start-up or desktop folder, replacing one that is there; with `remove` only
// deletes it. A folder that does not exist yet is created. On failure a message box says so
// ("Create Shortcut Error") and the result is false.
bool makeShortcut(bool startup, bool remove, QWidget* parent = nullptr);

} // namespace shell
