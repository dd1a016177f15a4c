#pragma once

#include <QString>

namespace common {

// `path` with the folder separator "/" appended unless it already ends with one.
QString addBackslash(const QString& path);

// True when `path` names a readable file whose length is not 0; a missing, unreadable or empty
// file (or a folder) gives false.
bool fileExists(const QString& path);

} // namespace common
