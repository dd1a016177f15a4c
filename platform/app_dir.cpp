#include "platform/app_dir.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace platform {
namespace {

QString& overrideDir()
{
    static QString dir;
    return dir;
}

QString withSlash(const QString& path)
{
    return path.endsWith(QLatin1Char('/')) ? path : path + QLatin1Char('/');
}

} // namespace

QStringList initAppDir(const QStringList& arguments)
{
    QStringList rest;
    const QString option = QStringLiteral("--appdir");
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString& arg = arguments.at(i);
        if (arg == option && i + 1 < arguments.size()) {
            overrideDir() = QFileInfo(arguments.at(++i)).absoluteFilePath();
        } else if (arg.startsWith(option + QLatin1Char('='))) {
            overrideDir() = QFileInfo(arg.mid(option.size() + 1)).absoluteFilePath();
        } else {
            rest.append(arg);
        }
    }
    return rest;
}

QString appDir()
{
    if (!overrideDir().isEmpty())
        return withSlash(QDir::cleanPath(overrideDir()));
    return withSlash(QCoreApplication::applicationDirPath());
}

QString resolvedAppDir()
{
    const QString resolved = QDir(appDir()).canonicalPath();
    return resolved.isEmpty() ? appDir() : withSlash(resolved);
}

} // namespace platform
