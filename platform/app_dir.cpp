#include "platform/app_dir.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace platform {
namespace {

struct State
{
    QString chosen;
    bool resolved = false;
    ProgramFolder found;
};

State& state()
{
    static State s;
    return s;
}

QString withSlash(const QString& path)
{
    return path.endsWith(QLatin1Char('/')) ? path : path + QLatin1Char('/');
}

QString exeDir()
{
    return withSlash(QCoreApplication::applicationDirPath());
}

const ProgramFolder& found()
{
    State& s = state();
    if (!s.resolved) {
        s.found = findProgramFolder(
            exeDir(), QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation));
        s.resolved = true;
    }
    return s.found;
}

} // namespace

ProgramFolder findProgramFolder(const QString& exeDir, const QString& dataHome)
{
    const QString dir = withSlash(exeDir);
    const bool holdsSettings = QFileInfo::exists(dir + QStringLiteral("wsetting.ini"));
    const bool holdsLayout = QFileInfo::exists(dir + QStringLiteral("weather.ini"));
    if (holdsSettings || (holdsLayout && QFileInfo(dir).isWritable()))
        return {dir, AppDirKind::Executable};
    return {withSlash(QDir::cleanPath(dataHome + QStringLiteral("/nimbulo"))), AppDirKind::PerUser};
}

QStringList initAppDir(const QStringList& arguments)
{
    QStringList rest;
    const QString option = QStringLiteral("--appdir");
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString& arg = arguments.at(i);
        if (arg == option && i + 1 < arguments.size()) {
            state().chosen = QFileInfo(arguments.at(++i)).absoluteFilePath();
        } else if (arg.startsWith(option + QLatin1Char('='))) {
            state().chosen = QFileInfo(arg.mid(option.size() + 1)).absoluteFilePath();
        } else {
            rest.append(arg);
        }
    }
    return rest;
}

QString appDir()
{
    if (!state().chosen.isEmpty())
        return withSlash(QDir::cleanPath(state().chosen));
    return found().dir;
}

QString resolvedAppDir()
{
    const QString resolved = QDir(appDir()).canonicalPath();
    return resolved.isEmpty() ? appDir() : withSlash(resolved);
}

AppDirKind appDirKind()
{
    return state().chosen.isEmpty() ? found().kind : AppDirKind::Chosen;
}

QString shippedDir()
{
    if (QFileInfo::exists(exeDir() + QStringLiteral("weather.ini")))
        return exeDir();
    return withSlash(QDir::cleanPath(exeDir() + QStringLiteral(NIMBULO_SHIPPED_FROM_PROGRAMS)));
}

QString monitorProgram()
{
    if (appDirKind() == AppDirKind::PerUser) {
        const QString installed = exeDir() + QStringLiteral("nimbulo");
        if (QFileInfo(installed).isExecutable())
            return installed;
    }
    return appDir() + QStringLiteral("weather");
}

} // namespace platform
