#pragma once

#include <QString>
#include <QStringList>

namespace common {

// The station list of the region the monitor scanned last, kept in the program folder's
// stations.txt (the region's layout section on the first line, one station name on each line
// after), so that the installer can offer the stations without going to the network.

// Writes the list where the file does not hold it already; false when it could not be written.
bool saveStationCache(const QString& appDir, const QString& section, const QStringList& names);
// The names kept for `section`; empty when none are, or the file holds another region's.
QStringList readStationCache(const QString& appDir, const QString& section);

} // namespace common
