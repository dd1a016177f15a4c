#pragma once

#include <QHash>
#include <QString>

#include <functional>

namespace common {

// The longest value readIni() gives back, in bytes of its UTF-8 form.
inline constexpr int kIniValueLimit = 127;

// Reads one value of a Windows-style INI file ("[section]" lines, "key=value" lines).
//  - Section and key names match without regard to case or surrounding blanks; only the first
//  section of that name is
//    consulted, and within it the first key of that name wins.
//  - Blanks around the value and then one pair of enclosing double quotes are removed.
//  - At most kIniValueLimit bytes of UTF-8 come back, cut at a character boundary.
//  - A missing file, section or key reads as "". A file that is not valid UTF-8 is read as
//    Windows-1252.
// Every call reads the file afresh, so a reader always sees the file's current content.
QString readIni(const QString& section, const QString& key, const QString& path);

// A snapshot of an INI file for a run of reads that belong together (a whole region layout),
// so the file is read, decoded and indexed once: loading is linear in the file's size, and
// value() gives exactly what readIni() gives without reading the file again. A file larger
// than `maxBytes` (when not negative) reads as empty.
class IniDocument
{
public:
    static IniDocument load(const QString& path, qint64 maxBytes = -1);
    QString value(const QString& section, const QString& key) const;

private:
    // Values by case-folded section and key names.
    QHash<QString, QHash<QString, QString>> sections_;
};

// Writes one value. An existing key (the first in the first matching section) gets its value
// replaced in place; a new key goes after the last entry of its section; a new section goes at
// the end of the file; a missing file is created. Every other line (comments, blank lines, lines
// that are not key=value) is kept as it was, and the file keeps its line-end style (CR LF when
// every line ends so). A value is saved only as far as readIni() reads it back (kIniValueLimit
// bytes, cut between characters). The file is
// replaced atomically (temporary file beside it, then rename), so a crash or a full disk never
// leaves it half-written. Returns false, and leaves the file untouched, when the write fails or
// when the section, key or value cannot be represented in the format (empty or containing a
// line break; a key containing "=" or a section containing "]").
bool writeIni(const QString& section, const QString& key, const QString& value,
              const QString& path);

// Called with the file's path whenever writeIni() could not write a file (not for a value the
// format cannot hold), so a program can tell its user; none by default. Set it to {} to remove.
void setIniWriteFailureHandler(std::function<void(const QString& path)> handler);

} // namespace common
