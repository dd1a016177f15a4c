#include "platform/registry_store.h"

#include "platform/save_file.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QStringList>

namespace platform {
namespace {

QString sectionOf(const QString& root, const QString& keyPath)
{
    QString path = keyPath;
    path.replace(QLatin1Char('/'), QLatin1Char('\\'));
    while (path.endsWith(QLatin1Char('\\')))
        path.chop(1);
    return root + QLatin1Char('\\') + path;
}

QString escape(const QString& text)
{
    QString out;
    for (const QChar c : text) {
        if (c == QLatin1Char('\\'))
            out += QStringLiteral("\\\\");
        else if (c == QLatin1Char('\n'))
            out += QStringLiteral("\\n");
        else if (c == QLatin1Char('\r'))
            out += QStringLiteral("\\r");
        else if (c == QChar(0))
            out += QStringLiteral("\\0");
        else
            out += c;
    }
    return out;
}

QString unescape(QStringView text)
{
    QString out;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] != u'\\' || i + 1 == text.size()) {
            out += text[i];
            continue;
        }
        const QChar next = text[++i];
        out += next == u'n'   ? QChar(u'\n')
               : next == u'r' ? QChar(u'\r')
               : next == u'0' ? QChar(0)
                              : next;
    }
    return out;
}

QStringList readLines(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QStringList lines = QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'));
    if (!lines.isEmpty() && lines.constLast().isEmpty())
        lines.removeLast();
    return lines;
}

// The line index range of a section's values: [first, end). first = -1 when it is missing.
std::pair<qsizetype, qsizetype> sectionRange(const QStringList& lines, const QString& section)
{
    const QString header = QLatin1Char('[') + section + QLatin1Char(']');
    qsizetype first = -1;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        if (lines[i].startsWith(QLatin1Char('['))) {
            if (first >= 0)
                return {first, i};
            if (lines[i].compare(header, Qt::CaseInsensitive) == 0)
                first = i + 1;
        }
    }
    return {first, lines.size()};
}

qsizetype findValue(const QStringList& lines, std::pair<qsizetype, qsizetype> range,
                    const QString& name)
{
    for (qsizetype i = range.first; i >= 0 && i < range.second; ++i) {
        const qsizetype eq = lines[i].indexOf(QLatin1Char('='));
        if (eq > 0 && QStringView(lines[i]).left(eq).compare(name, Qt::CaseInsensitive) == 0)
            return i;
    }
    return -1;
}

} // namespace

RegistryStore::RegistryStore(QString path) : path_(std::move(path)) {}

QString RegistryStore::defaultPath()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/nimbulo/registry.ini");
}

QString RegistryStore::regRoot(const QString& name)
{
    for (const char* root : {"HKCU", "HKLM", "HKU", "HKDD", "HKCC", "HKCR"}) {
        if (name.compare(QLatin1String(root), Qt::CaseInsensitive) == 0)
            return QLatin1String(root);
    }
    return {};
}

int RegistryStore::regRead(const QString& root, const QString& keyPath, const QString& valueName,
                           const QString& kind, QVariant& value) const
{
    const QString canonical = regRoot(root);
    if (canonical.isEmpty())
        return kUnknownRoot;
    const QStringList lines = readLines(path_);
    const qsizetype i =
        findValue(lines, sectionRange(lines, sectionOf(canonical, keyPath)), valueName);
    if (i < 0)
        return kNotFound;
    const QStringView stored = QStringView(lines[i]).mid(lines[i].indexOf(QLatin1Char('=')) + 1);
    const QString k = kind.toUpper();
    if (k == QLatin1String("S") && stored.startsWith(u"sz:")) {
        value = unescape(stored.mid(3));
        return kOk;
    }
    if (k == QLatin1String("D") && stored.startsWith(u"dword:")) {
        bool ok = false;
        const quint32 number = stored.mid(6).toUInt(&ok);
        if (!ok)
            return kWrongType;
        value = number;
        return kOk;
    }
    if (k == QLatin1String("B") && stored.startsWith(u"bool:")) {
        value = stored.mid(5) != u"0";
        return kOk;
    }
    return kWrongType;
}

int RegistryStore::regWrite(const QString& root, const QString& keyPath, const QString& valueName,
                            const QString& kind, const QVariant& value) const
{
    const QString canonical = regRoot(root);
    if (canonical.isEmpty())
        return kUnknownRoot;
    if (canonical != QLatin1String("HKCU"))
        return kAccessDenied; // only the user's own part is writable
    // A name the file could not give back: its line would read as a section header, or split.
    if (valueName.isEmpty() || valueName.contains(QLatin1Char('=')) ||
        valueName.contains(QLatin1Char('\n')) || valueName.startsWith(QLatin1Char('[')))
        return kWrongType;

    const QString k = kind.toUpper();
    QString stored;
    if (k == QLatin1String("S"))
        stored = QStringLiteral("sz:") + escape(value.toString());
    else if (k == QLatin1String("D"))
        stored = QStringLiteral("dword:") + QString::number(value.toUInt());
    else if (k == QLatin1String("B"))
        stored = value.toBool() ? QStringLiteral("bool:1") : QStringLiteral("bool:0");
    else
        return kWrongType;

    QStringList lines = readLines(path_);
    const QString section = sectionOf(canonical, keyPath);
    const auto range = sectionRange(lines, section);
    const QString line = valueName + QLatin1Char('=') + stored;
    if (const qsizetype i = findValue(lines, range, valueName); i >= 0) {
        lines[i] = line;
    } else if (range.first >= 0) {
        lines.insert(range.second, line);
    } else {
        lines << QLatin1Char('[') + section + QLatin1Char(']') << line;
    }

    makePrivateFolder(QFileInfo(path_).absolutePath());
    return saveFileAtomically(path_, (lines.join(QLatin1Char('\n')) + QLatin1Char('\n')).toUtf8())
               ? kOk
               : kWriteFailed;
}

} // namespace platform
