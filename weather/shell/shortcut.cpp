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
            QStringLiteral("Error creating Icon,\r\n\r\nYou will have to create a shortcut "
                           "manually\r\nShortcut for Dialup is on the Desktop\r\nShortcut for "
                           "permanent connections is in StartUp folder"),
            QStringLiteral("Create Shortcut Error"), platform::MessageBox::Buttons::Ok,
            platform::MessageBox::Icon::Warning);
    return ok;
}

} // namespace shell
