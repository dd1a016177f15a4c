#pragma once

#include <QString>
#include <QStringList>

namespace setup {

// What the installer was asked to do: "add" anywhere in the command line (exact case) wins,
// then "rem"; anything else is a separate run.
enum class Mode
{
    Add,
    Remove,
    Other
};
Mode modeOf(const QStringList& arguments);

// The folders the shortcuts go into, each with a trailing "/" (empty when unknown).
struct ShortcutFolders
{
    QString startup;
    QString desktop;
    static ShortcutFolders current();
};

// The shortcut's file name.
inline constexpr char kShortcutFile[] = "Nimbulo.desktop";

// The installer writes its settings with the value trimmed at both ends.
bool writeSetting(const QString& settingsPath, const QString& key, const QString& value);

// The entry for the programs list of ~/.xscreensaver that runs the saver of the program folder
// `appDir`: the name xscreensaver lists ("Nimbulo"), the program in double quotes (with ", \,
// $ and ` escaped, for the shell xscreensaver runs it with), then -root.
QString xscreensaverEntry(const QString& appDir);

// Deletes the shortcut from the start-up folder, then from the desktop folder.
void deleteShortcuts(const ShortcutFolders& folders);

// Writes the shortcut that starts `weather` from the program folder `appDir` (with the icon
// installed there) into `folder`.
bool createShortcut(const QString& appDir, const QString& folder);

} // namespace setup
