#pragma once

#include "weather/config/layout_file.h"
#include "weather/engine/history_graph.h"
#include "weather/engine/state_feed.h"

#include <QByteArray>

namespace engine {

// Reads the bureau's station history product (IDx60801.<wmo>.json) into the kept history rows,
// the same rows the history page gives: each entry placed by its full local time
// (`local_date_time_full`) with the offset its UTC time (`aifstime_utc`) gives (the computer's
// offset when only one is there; an entry with neither is left out), its time text from the
// field that `jsonFields` names for layout column 1 and cell k (k = 0 …
// graphCount) from the field of column k + 2. A string is taken trimmed, a number in its shortest
// form (17.0 reads "17"); a missing field, null, "-", an empty string or any other value reads
// kNoValue. Rows are kept as HistoryKeeper keeps them. The document is parsed once with
// QJsonDocument.
//
// No rows, and an error text, for a document that is not valid JSON (cut short included), one
// without an `observations.data` list, one whose list holds no observation (object), and, when
// `station` (a WMO number) is given, one with an observation whose `wmo` names another station
// (another station's product). An observation without a `wmo` is taken as the station's.
FeedResult<HistoryTable> readStationHistory(const QByteArray& document,
                                            const config::StateLayout& layout, int graphCount,
                                            const QString& station = QString());

} // namespace engine
