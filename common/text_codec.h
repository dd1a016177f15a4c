#pragma once

#include <QByteArray>
#include <QString>

namespace common {

// Decodes a file or page: UTF-8 (a leading byte-order mark is dropped) when the bytes are valid
// UTF-8, otherwise Windows-1252, the code page of older layout files and pages, so that degree
// signs and the like survive either way.
QString decodeText(const QByteArray& bytes);

// Windows-1252 both ways. Characters that code page cannot hold become "?" on encoding.
QString fromWindows1252(const QByteArray& bytes);
QByteArray toWindows1252(const QString& text);

// `text` from outside (a feed, a server's reply) made safe to show on one line, print to a
// terminal or log: every control character (C0, DEL, C1: line breaks, tabs, the escape that
// starts a terminal sequence) and the Unicode line and paragraph separators become a space.
QString printableText(QStringView text);

} // namespace common
