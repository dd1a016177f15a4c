#include "common/station_cache.h"

#include "platform/save_file.h"

#include <QFile>

namespace common {
namespace {

QString cachePath(const QString& appDir)
{
    return appDir + QStringLiteral("stations.txt");
}

} // namespace

bool saveStationCache(const QString& appDir, const QString& section, const QStringList& names)
{
    const QByteArray bytes = (QStringList{section} + names).join(u'\n').toUtf8() + '\n';
    // A status bar's `--print` every few minutes finds the same list nearly every time.
    QFile kept(cachePath(appDir));
    if (kept.size() == bytes.size() && kept.open(QIODevice::ReadOnly) && kept.readAll() == bytes)
        return true;
    return platform::saveFileAtomically(cachePath(appDir), bytes);
}

QStringList readStationCache(const QString& appDir, const QString& section)
{
    QFile file(cachePath(appDir));
    // A station list is a few kilobytes; anything far larger is not one.
    if (section.isEmpty() || !file.open(QIODevice::ReadOnly) || file.size() > (1 << 20))
        return {};
    QStringList lines = QString::fromUtf8(file.readAll()).split(u'\n', Qt::SkipEmptyParts);
    if (lines.isEmpty() || lines.takeFirst() != section)
        return {};
    return lines;
}

} // namespace common
