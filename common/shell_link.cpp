#include "common/shell_link.h"

#include "platform/app_dir.h"
#include "platform/save_file.h"

#include <QFile>

#include <algorithm>

namespace common {
namespace {

bool hasControlCharacter(const QString& text)
{
    return std::any_of(text.cbegin(), text.cend(), [](QChar c) { return c.unicode() < 0x20; });
}

// The escapes of a string value: only the backslash matters once control characters are out.
QString escapeString(QString value)
{
    return value.replace(QLatin1Char('\\'), QLatin1String("\\\\"));
}

// One argument of the Exec key: quoted when it holds a reserved character, with the quote, the
// backquote, the dollar sign and the backslash escaped inside the quotes; % doubled as field
// codes want.
QString execArgument(const QString& argument)
{
    static const QString reserved = QStringLiteral(" \t\"'\\><~|&;$*?#()`");
    const bool quote = std::any_of(argument.cbegin(), argument.cend(),
                                   [](QChar c) { return reserved.contains(c); });
    QString text;
    for (QChar c : argument) {
        if (c == QLatin1Char('%'))
            text += QLatin1String("%%");
        else if (quote && QStringLiteral("\"`$\\").contains(c))
            text += QLatin1Char('\\') + QString(c);
        else
            text += c;
    }
    return escapeString(quote ? QLatin1Char('"') + text + QLatin1Char('"') : text);
}

} // namespace

QString CShellLink::entryText() const
{
    if (path_.isEmpty() || hasControlCharacter(path_) || hasControlCharacter(workingDirectory_) ||
        hasControlCharacter(name_) || hasControlCharacter(icon_))
        return {};
    QString text = QStringLiteral("[Desktop Entry]\nType=Application\nName=") +
                   escapeString(name_) + QStringLiteral("\nExec=") + execArgument(path_) +
                   QLatin1Char('\n');
    if (!workingDirectory_.isEmpty())
        text += QStringLiteral("Path=") + escapeString(workingDirectory_) + QLatin1Char('\n');
    if (!icon_.isEmpty())
        text += QStringLiteral("Icon=") + escapeString(icon_) + QLatin1Char('\n');
    text += QStringLiteral("Terminal=false\n");
    return text;
}

CShellLink monitorShortcut(const QString& appDir)
{
    CShellLink link;
    // A system-wide install starts its installed command, with the icon of the desktop's theme.
    const bool installed =
        platform::appDirKind() == platform::AppDirKind::PerUser && appDir == platform::appDir();
    link.setPath(installed ? platform::monitorProgram() : appDir + QStringLiteral("weather"));
    QString workingFolder = appDir;
    if (workingFolder.size() > 1 && workingFolder.endsWith(QLatin1Char('/')))
        workingFolder.chop(1);
    link.setWorkingDirectory(workingFolder);
    link.setIcon(installed ? QStringLiteral("nimbulo")
                           : appDir + QStringLiteral("icons/nimbulo.svg"));
    return link;
}

bool CShellLink::save(const QString& file) const
{
    const QString text = entryText();
    if (text.isEmpty() || file.isEmpty())
        return false;
    if (!platform::saveFileAtomically(file, text.toUtf8()))
        return false;
    return QFile::setPermissions(file, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner |
                                           QFile::ReadGroup | QFile::ExeGroup | QFile::ReadOther |
                                           QFile::ExeOther);
}

} // namespace common
