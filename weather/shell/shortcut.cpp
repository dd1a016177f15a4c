#include "weather/shell/shortcut.h"

#include "common/files.h"
#include "common/shell_folders.h"
#include "common/shell_link.h"
#include "platform/app_dir.h"
#include "platform/message_box.h"

#include <QDir>
#include <QFile>

namespace shell {

QString specialFolderPath(bool startup)
{
    return startup ? common::startupFolder() : common::desktopFolder();
}

bool makeShortcut(bool startup, bool remove, QWidget* parent)
{
    const QString folder = specialFolderPath(startup);
    const QString file = common::addBackslash(folder) + QLatin1String(kShortcutName);
    bool ok = !folder.isEmpty();
    if (ok && QFile::exists(file))
        ok = QFile::remove(file);
    if (ok && !remove) {
        ok = QDir().mkpath(folder) && common::monitorShortcut(platform::appDir()).save(file);
    }
    if (!ok)
        platform::MessageBox::show(
            parent,
            QStringLiteral("Error creating the shortcut in ") + folder +
                QStringLiteral(".\r\n\r\nYou will have to create it by hand: a shortcut on "
                               "the desktop starts Nimbulo when you open it, one in the "
                               "autostart folder starts it with your desktop session."),
            QStringLiteral("Create Shortcut Error"), platform::MessageBox::Buttons::Ok,
            platform::MessageBox::Icon::Warning);
    return ok;
}

} // namespace shell
