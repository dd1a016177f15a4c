#include "setup/installer.h"

#include "common/files.h"
#include "common/ini_file.h"
#include "common/shell_folders.h"
#include "common/shell_link.h"

#include <QDir>
#include <QFile>

namespace setup {

Mode modeOf(const QStringList& arguments)
{
    const QString commandLine = arguments.mid(1).join(QLatin1Char(' '));
    if (commandLine.contains(QLatin1String("add")))
        return Mode::Add;
    if (commandLine.contains(QLatin1String("rem")))
        return Mode::Remove;
    return Mode::Other;
}

ShortcutFolders ShortcutFolders::current()
{
    const auto slashed = [](const QString& folder) {
        return folder.isEmpty() ? folder : common::addBackslash(folder);
    };
    return {slashed(common::startupFolder()), slashed(common::desktopFolder())};
}

bool writeSetting(const QString& settingsPath, const QString& key, const QString& value)
{
    return common::writeIni(QStringLiteral("SavedSetting"), key, value.trimmed(), settingsPath);
}

QString xscreensaverEntry(const QString& appDir)
{
    QString program;
    for (const QChar c : appDir + QStringLiteral("nimsaver")) {
        if (QStringView(u"\"\\$`").contains(c))
            program += QLatin1Char('\\');
        program += c;
    }
    // Without the name first, xscreensaver would take the quoted program for the name.
    return QStringLiteral("\"Nimbulo\" \"") + program + QStringLiteral("\" -root");
}

void deleteShortcuts(const ShortcutFolders& folders)
{
    for (const QString& folder : {folders.startup, folders.desktop}) {
        const QString file = folder + QLatin1String(kShortcutFile);
        if (!folder.isEmpty() && common::fileExists(file))
            QFile::remove(file);
    }
}

bool createShortcut(const QString& appDir, const QString& folder)
{
    // Without a folder there is nowhere sensible to put it: report the failure.
    if (folder.isEmpty() || !QDir().mkpath(folder))
        return false;
    return common::monitorShortcut(appDir).save(folder + QLatin1String(kShortcutFile));
}

} // namespace setup
