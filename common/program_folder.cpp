#include "common/program_folder.h"

#include "common/ini_file.h"
#include "platform/app_dir.h"
#include "platform/save_file.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QVersionNumber>

namespace common {
namespace {

QVersionNumber layoutVersion(const QString& path)
{
    return QVersionNumber::fromString(
        readIni(QStringLiteral("FixedSetting"), QStringLiteral("ver"), path));
}

// `name` in `folder` links to the shipped file, unless the user has put a file of their own there.
void linkShipped(const QString& folder, const QString& shipped, const QString& name)
{
    const QString target = shipped + name;
    const QString link = folder + name;
    const QFileInfo info(link);
    if (!QFileInfo::exists(target) || (info.exists() && !info.isSymLink()))
        return;
    if (info.isSymLink()) {
        if (info.symLinkTarget() == target)
            return;
        QFile::remove(link);
    }
    QDir().mkpath(info.absolutePath());
    QFile::link(target, link);
}

} // namespace

bool layOutUserFolder(const QString& folder, const QString& shipped)
{
    if (!QDir().mkpath(folder))
        return false;
    bool ok = true;
    const QString layout = folder + QStringLiteral("weather.ini");
    const QString shippedLayout = shipped + QStringLiteral("weather.ini");
    if (QFileInfo::exists(shippedLayout) &&
        (!QFileInfo::exists(layout) || layoutVersion(shippedLayout) > layoutVersion(layout))) {
        QFile file(shippedLayout);
        ok = file.open(QIODevice::ReadOnly) && platform::saveFileAtomically(layout, file.readAll());
    }
    linkShipped(folder, shipped, QStringLiteral("readme.txt"));
    linkShipped(folder, shipped, QStringLiteral("Media/Ding.wav"));
    return ok;
}

QStringList initProgramFolder(const QStringList& arguments)
{
    QStringList rest = platform::initAppDir(arguments);
    // A program without shipped files (run from a build's folder) makes no folder for nothing.
    if (platform::appDirKind() == platform::AppDirKind::PerUser &&
        QFileInfo::exists(platform::shippedDir() + QStringLiteral("weather.ini")))
        layOutUserFolder(platform::appDir(), platform::shippedDir());
    return rest;
}

} // namespace common
