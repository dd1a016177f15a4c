#pragma once

#include "weather/config/layout_file.h"
#include "weather/engine/history_graph.h"
#include "weather/engine/observation_parser.h"

#include <QDateTime>
#include <QString>

#include <optional>

class QSqlError;

namespace net {
class ErrorLog;
}

namespace engine {

// The name a station has in the record: its WMO number (stationNumberOf()), else its name.
QString stationKeyOf(const ObservationRow& row);

// The record's file in the program folder.
inline constexpr QStringView kRecordFileName = u"observations.sqlite";

// The version of the record's schema that this program writes (PRAGMA user_version).
int recordSchemaVersion();

// The station's own record: every reading the monitor saw or read in a history, kept in an
// SQLite file (Qt SQL's QSQLITE driver, WAL journal). A reading is keyed by its station (the
// WMO number, or the name where the feed gives none) and its time in UTC (whole seconds, 1970 …
// 2106; readings of other times are not kept); each quantity reads back as a column holding a
// number or NULL, the wind direction and the weather as text (stored compactly: a year of
// ten-minute readings takes under 2 MB). A reading whose time the record already holds for the
// station is kept as it is.
//
// Which layout column goes into which quantity: the column's `jsonFields` name (st_json_<n>),
// the bureau's name for it (air_temp, rel_hum, wind_dir, …); columns of other names are not
// recorded.
//
// Nothing here may cost the monitor its settings or its responsiveness: every problem is one
// line in the error log and the record steps aside.
//  - A file that is not a database or fails SQLite's quick check is renamed with the date
//    ("observations.sqlite.damaged-2026-12-08") and a new record is started.
//  - A file the program cannot open or create (a read-only folder) leaves the record closed.
//  - A full disk stops recording with one message; each later store tries again, and the first
//    that succeeds says recording resumed.
//  - Another program holding a write lock makes a store wait at most a fraction of a second;
//    it is then skipped (the next scan or history read fills the gap).
class ObservationRecord
{
public:
    // Opens the record at `path`, creating it or bringing an older schema up to date.
    ObservationRecord(const QString& path, net::ErrorLog& log);
    ~ObservationRecord();
    ObservationRecord(const ObservationRecord&) = delete;
    ObservationRecord& operator=(const ObservationRecord&) = delete;

    bool isOpen() const;
    // Whether a full disk stopped recording (and no later store has succeeded yet).
    bool suspended() const { return suspended_; }
    const QString& path() const { return path_; }

    // Stores readings of `station` (`name` is what the station list calls it) with the layout's
    // columns; times already recorded stay as they are. One transaction. The number stored.
    int store(const QString& station, const QString& name, const HistoryTable& readings,
              const config::StateLayout& layout);

    // The station's readings observed from `fromUtc` to `toUtc` (seconds since 1970) inclusive,
    // newest first, as history rows with cells 0 … `cellCount` − 1 of the layout's columns (cell
    // k = column k + 1; kNoValue where the record has nothing). With `onlyCell` ≥ 0 only that
    // cell and the wind direction are filled, which is all a graph of one stat needs. With
    // `buckets` > 0 as well (a number), the span is cut into that many equal parts and only the
    // lowest and the highest reading of each part come back: a year's graph needs no more than
    // its width can show, and SQLite finds them far faster than every row can be read.
    HistoryTable readings(const QString& station, qint64 fromUtc, qint64 toUtc,
                          const config::StateLayout& layout, int cellCount, int onlyCell = -1,
                          int buckets = 0) const;

    // The time of the station's newest reading (seconds since 1970); nullopt without any.
    std::optional<qint64> newestObserved(const QString& station) const;

    // The station's readings in CSV: a header row ("Time" and one column per quantity), then
    // one row per reading, oldest first, the time in ISO 8601 on the station's clock.
    QString csv(const QString& station, qint64 fromUtc, qint64 toUtc) const;

    // The station recorded under `name` (the station list's name); with an empty name the
    // station of the newest reading. Empty when none.
    QString stationNamed(const QString& name) const;

    // The highest and lowest air temperature of the station's day that holds its newest
    // reading, with their times (the first of equal values); nullopt without any.
    struct DayExtremes
    {
        double high = 0;
        double low = 0;
        QDateTime highAt;
        QDateTime lowAt;
    };
    std::optional<DayExtremes> todaysTemperatures(const QString& station) const;

    // Drops readings older than `years` before `now` (0: keeps everything). Runs at most once a
    // day per record: a later call on the same day does nothing.
    void applyRetention(int years, const QDateTime& now);

private:
    bool open();
    bool ready();
    void setAside(const QString& why);
    bool failed(const QSqlError& error, const QString& doing);

    QString path_;
    QString connection_;
    net::ErrorLog& log_;
    bool suspended_ = false;
    bool closedLogged_ = false;
};

} // namespace engine
