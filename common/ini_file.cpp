#include "common/ini_file.h"

#include "common/text_codec.h"
#include "platform/save_file.h"

#include <QFile>
#include <QHash>
#include <QStringList>

#include <algorithm>

namespace common {
namespace {

// Names in the file are read trimmed, so the asked-for name is matched trimmed as well: a name
// written with blanks around it reads back by the same name.
bool sameName(QStringView inFile, QStringView asked)
{
    return inFile.compare(asked.trimmed(), Qt::CaseInsensitive) == 0;
}

// True for a "[section]" line, with its trimmed name in `name`.
bool isSectionHeader(QStringView trimmedLine, QStringView* name)
{
    if (!trimmedLine.startsWith(u'['))
        return false;
    QStringView inner = trimmedLine.mid(1);
    const qsizetype close = inner.indexOf(u']');
    if (close >= 0)
        inner = inner.left(close);
    *name = inner.trimmed();
    return true;
}

// Splits a "key=value" line. Comment lines (";" or "#") and lines without "=" are no entries.
bool splitEntry(QStringView trimmedLine, QStringView* key, QStringView* value)
{
    if (trimmedLine.startsWith(u';') || trimmedLine.startsWith(u'#'))
        return false;
    const qsizetype eq = trimmedLine.indexOf(u'=');
    if (eq <= 0)
        return false;
    *key = trimmedLine.left(eq).trimmed();
    *value = trimmedLine.mid(eq + 1).trimmed();
    return !key->isEmpty();
}

// The start of `value` that fits in kIniValueLimit bytes of UTF-8, cut between characters.
QString cutToLimit(QStringView value)
{
    // Keep whole characters only: count the UTF-8 length of each code point.
    qsizetype bytes = 0;
    qsizetype end = 0;
    while (end < value.size()) {
        const char32_t cp = value[end].isHighSurrogate() && end + 1 < value.size()
                                ? QChar::surrogateToUcs4(value[end], value[end + 1])
                                : value[end].unicode();
        const int units = cp > 0xFFFF ? 2 : 1;
        const int length = cp < 0x80 ? 1 : cp < 0x800 ? 2 : cp < 0x10000 ? 3 : 4;
        if (bytes + length > kIniValueLimit)
            break;
        bytes += length;
        end += units;
    }
    return value.left(end).toString();
}

QString cleanValue(QStringView value)
{
    if (value.size() >= 2 && value.startsWith(u'"') && value.endsWith(u'"'))
        value = value.mid(1, value.size() - 2);
    return cutToLimit(value);
}

struct IniText
{
    QStringList lines;
    QString lineEnd = QStringLiteral("\n");
};

bool loadLines(const QString& path, IniText* ini)
{
    QFile file(path);
    if (!file.exists())
        return true;
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QString text = decodeText(file.readAll());
    ini->lines = text.split(QLatin1Char('\n'));
    // CR LF only when every line ends so: in a file with any bare LF, a CR before a line end is
    // the line's own, kept as it is (else a second write would turn the file's line ends).
    const bool crLf =
        ini->lines.size() > 1 && std::all_of(ini->lines.cbegin(), ini->lines.cend() - 1,
                                             [](const QString& l) { return l.endsWith(u'\r'); });
    if (crLf) {
        ini->lineEnd = QStringLiteral("\r\n");
        for (qsizetype i = 0; i + 1 < ini->lines.size(); ++i)
            ini->lines[i].chop(1);
    }
    // The text after the final line end is an empty last "line"; it is written back as the end.
    if (!ini->lines.isEmpty() && ini->lines.constLast().isEmpty())
        ini->lines.removeLast();
    return true;
}

bool isBlank(const QString& line)
{
    return line.trimmed().isEmpty();
}

bool representable(const QString& section, const QString& key, const QString& value)
{
    const auto hasBreak = [](const QString& s) {
        return s.contains(QLatin1Char('\n')) || s.contains(QLatin1Char('\r'));
    };
    return !section.trimmed().isEmpty() && !key.trimmed().isEmpty() && !hasBreak(section) &&
           !hasBreak(key) && !hasBreak(value) && !section.contains(QLatin1Char(']')) &&
           !key.contains(QLatin1Char('=')) && !key.trimmed().startsWith(QLatin1Char(';')) &&
           !key.trimmed().startsWith(QLatin1Char('#')) &&
           !key.trimmed().startsWith(QLatin1Char('['));
}

} // namespace

IniDocument IniDocument::load(const QString& path, qint64 maxBytes)
{
    IniDocument doc;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || (maxBytes >= 0 && file.size() > maxBytes))
        return doc;
    const QString text = decodeText(file.readAll());
    // One pass: each value is looked up by its names afterwards, whatever the file's size.
    QHash<QString, QString>* section = nullptr;
    qsizetype pos = 0;
    while (pos < text.size()) {
        qsizetype next = text.indexOf(QLatin1Char('\n'), pos);
        if (next < 0)
            next = text.size();
        const QStringView line = QStringView(text).mid(pos, next - pos).trimmed();
        pos = next + 1;

        QStringView name;
        if (isSectionHeader(line, &name)) {
            // Only the first section of a name counts; a later one is skipped whole.
            const QString folded = name.toString().toCaseFolded();
            section = doc.sections_.contains(folded) ? nullptr : &doc.sections_[folded];
            continue;
        }
        QStringView entryKey;
        QStringView entryValue;
        if (section && splitEntry(line, &entryKey, &entryValue)) {
            const QString key = entryKey.toString().toCaseFolded();
            if (!section->contains(key)) // the first key of a name wins
                section->insert(key, cleanValue(entryValue));
        }
    }
    return doc;
}

QString IniDocument::value(const QString& section, const QString& key) const
{
    const auto found = sections_.constFind(section.trimmed().toCaseFolded());
    return found == sections_.cend() ? QString() : found->value(key.trimmed().toCaseFolded());
}

QString readIni(const QString& section, const QString& key, const QString& path)
{
    return IniDocument::load(path).value(section, key);
}

namespace {

std::function<void(const QString&)>& writeFailureHandler()
{
    static std::function<void(const QString&)> handler;
    return handler;
}

// writeIni() for a representable entry.
bool writeEntry(const QString& section, const QString& key, const QString& value,
                const QString& path)
{
    IniText ini;
    if (!loadLines(path, &ini))
        return false;

    // No more is kept than a read gives back (a 7 MB station name would be saved whole and lost).
    const QString entry = key.trimmed() + QLatin1Char('=') + cutToLimit(value);
    qsizetype header = -1;    // the first matching section's header line
    qsizetype lastEntry = -1; // its last non-blank line
    bool replaced = false;
    for (qsizetype i = 0; i < ini.lines.size(); ++i) {
        const QStringView line = QStringView(ini.lines.at(i)).trimmed();
        QStringView name;
        if (isSectionHeader(line, &name)) {
            if (header >= 0)
                break;
            if (sameName(name, section))
                header = lastEntry = i;
            continue;
        }
        if (header < 0)
            continue;
        if (!line.isEmpty())
            lastEntry = i;
        QStringView entryKey;
        QStringView entryValue;
        if (splitEntry(line, &entryKey, &entryValue) && sameName(entryKey, key)) {
            ini.lines[i] = entry;
            replaced = true;
            break;
        }
    }

    if (!replaced) {
        if (header >= 0) {
            ini.lines.insert(lastEntry + 1, entry);
        } else {
            if (!ini.lines.isEmpty() && !isBlank(ini.lines.constLast()))
                ini.lines.append(QString());
            ini.lines.append(QLatin1Char('[') + section.trimmed() + QLatin1Char(']'));
            ini.lines.append(entry);
        }
    }

    return platform::saveFileAtomically(path, (ini.lines.join(ini.lineEnd) + ini.lineEnd).toUtf8());
}

} // namespace

void setIniWriteFailureHandler(std::function<void(const QString& path)> handler)
{
    writeFailureHandler() = std::move(handler);
}

bool writeIni(const QString& section, const QString& key, const QString& value, const QString& path)
{
    if (!representable(section, key, value))
        return false;
    if (writeEntry(section, key, value, path))
        return true;
    if (writeFailureHandler())
        writeFailureHandler()(path);
    return false;
}

} // namespace common
