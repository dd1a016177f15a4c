#pragma once

#include <QString>

namespace common {

// A shortcut to a program, saved as a freedesktop desktop entry (the stand-in for the shell's
// link object): Type=Application, Name, Exec = the program (quoted and escaped as the format
// wants), Path = its working folder, Icon = an icon file when one is set. No arguments or
// description.
class CShellLink
{
public:
    void setPath(const QString& program) { path_ = program; }
    const QString& path() const { return path_; }
    void setWorkingDirectory(const QString& folder) { workingDirectory_ = folder; }
    const QString& workingDirectory() const { return workingDirectory_; }
    void setName(const QString& name) { name_ = name; }
    const QString& name() const { return name_; }
    void setIcon(const QString& file) { icon_ = file; }
    const QString& icon() const { return icon_; }

    // The entry's text; empty when the path is empty or a value holds a control character,
    // which the format cannot carry.
    QString entryText() const;

    // Writes the entry to `file` atomically, executable (desktops launch only executable
    // entries from the desktop folder). False when there is nothing valid to write or the
    // write fails.
    bool save(const QString& file) const;

private:
    QString path_;
    QString workingDirectory_;
    QString name_ = QStringLiteral("Nimbulo");
    QString icon_;
};

// The shortcut that starts the monitor of the program folder `appDir` (with a trailing "/"):
// `appDir`weather, working in that folder, with the icon installed there (icons/nimbulo.svg).
// For the per-user folder of a system-wide install: the installed command
// (platform::monitorProgram()) with the theme's icon "nimbulo".
CShellLink monitorShortcut(const QString& appDir);

} // namespace common
