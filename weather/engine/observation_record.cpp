#include "weather/engine/observation_record.h"

#include "weather/engine/state_feed.h"
#include "weather/net/error_log.h"

#include <QFile>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QVarLengthArray>
#include <QVariant>

#include <array>
#include <cmath>

namespace engine {
namespace {

// The readings for people, with the station and the time spelled out.
const QString kReadingsView = QStringLiteral(R"sql(
CREATE VIEW readings AS
SELECT s.key AS station, s.name AS station_name,
       datetime(o.observed + o.utc_offset * 60, 'unixepoch') AS local_time, o.utc_offset,
       o.air_temp / 10.0 AS air_temp, o.apparent_t / 10.0 AS apparent_t, o.dewpt / 10.0 AS dewpt,
       o.rel_hum, o.delta_t / 10.0 AS delta_t, o.wind_dir, o.wind_spd_kmh, o.gust_kmh,
       o.wind_spd_kt, o.gust_kt,
       o.press_msl / 10.0 AS press_msl, o.rain_trace / 10.0 AS rain_trace, o.weather
FROM observation o JOIN station s ON s.id = o.station_id)sql");

// The record's schema, written once here. Step i brings a record of version i to version i + 1
// (a new record runs them all); PRAGMA user_version holds the version reached. Numbers are
// kept as integers (tenths, or whole where the bureau gives whole numbers), which SQLite stores
// in one or two bytes where a real number takes eight; the view `readings` shows them as the
// feeds do, with the station and the time spelled out.
const QList<QStringList> kMigrations = {
    // 1: the stations and their readings.
    {
        QStringLiteral(R"sql(
CREATE TABLE station (
    id INTEGER PRIMARY KEY,
    key TEXT NOT NULL UNIQUE, -- the WMO number, or the name where the feed gives none
    name TEXT NOT NULL        -- what the station list calls it
))sql"),
        QStringLiteral(R"sql(
CREATE TABLE observation (
    station_id INTEGER NOT NULL REFERENCES station (id),
    observed INTEGER NOT NULL,   -- seconds since 1970, UTC
    utc_offset INTEGER NOT NULL, -- minutes the station's clock is ahead of UTC
    air_temp INTEGER,            -- tenths of a degree, as every number below but whole ones
    apparent_t INTEGER,
    dewpt INTEGER,
    rel_hum INTEGER,             -- whole per cent
    delta_t INTEGER,
    wind_dir TEXT,
    wind_spd_kmh INTEGER,        -- whole km/h and knots
    gust_kmh INTEGER,
    wind_spd_kt INTEGER,
    gust_kt INTEGER,
    press_msl INTEGER,           -- sea-level pressure, whatever element the feed names it by
    rain_trace INTEGER,
    weather TEXT,
    PRIMARY KEY (station_id, observed)
) WITHOUT ROWID)sql"),
    },
    // 2: the record's own upkeep (the day retention last ran), and a view for people.
    {
        QStringLiteral(R"sql(
CREATE TABLE upkeep (
    name TEXT PRIMARY KEY,
    value TEXT NOT NULL
))sql"),
        kReadingsView,
    },
    // 3: a reading in about 38 bytes where it took 48 (a year of ten-minute readings under
    // 2 MB). The station and the time are one integer key, so the readings are the table's own
    // b-tree, filled to the brim as readings arrive in time order (a two-column key keeps an
    // index b-tree, some 12 % empty). SQLite spends a header byte on every column and the bytes
    // a value needs (none for NULL, 0 and 1, one for -128 … 127), so numbers that sit far from
    // zero are kept as their distance from what they usually are. The generated columns (not
    // stored) read them back as before, under the names the readings have always had.
    {
        QStringLiteral(R"sql(
CREATE TABLE reading (
    id INTEGER PRIMARY KEY,     -- station id × 2^32 + observed: 5 bytes where two columns took 6
    station_id INTEGER AS (id >> 32),
    observed INTEGER AS (id & 4294967295), -- seconds since 1970, UTC
    offset_from_aest INTEGER NOT NULL,     -- minutes ahead of +10:00: no byte for most stations
    utc_offset INTEGER AS (offset_from_aest + 600),
    air_temp INTEGER,           -- tenths of a degree, as the numbers below but whole ones
    apparent_from_air INTEGER,  -- apparent_t − air_temp (apparent_t itself without air_temp)
    apparent_t INTEGER AS (apparent_from_air + ifnull(air_temp, 0)),
    dewpt_from_air INTEGER,     -- dewpt − air_temp, as apparent_from_air
    dewpt INTEGER AS (dewpt_from_air + ifnull(air_temp, 0)),
    rel_hum INTEGER,            -- whole per cent
    delta_t INTEGER,
    wind_dir_code,              -- 0 … 16 for N, NNE … NNW, CALM (one byte); any other text as it is
    wind_dir TEXT AS (CASE typeof(wind_dir_code) WHEN 'integer' THEN rtrim(substr(
        'N   NNE NE  ENE E   ESE SE  SSE S   SSW SW  WSW W   WNW NW  NNW CALM',
        wind_dir_code * 4 + 1, 4)) ELSE wind_dir_code END),
    wind_spd_kmh INTEGER,       -- whole km/h and knots
    gust_kmh INTEGER,
    wind_spd_kt INTEGER,
    gust_kt INTEGER,
    press_from_1000 INTEGER,    -- tenths of a hPa above 1000 hPa: mostly one byte, not two
    press_msl INTEGER AS (press_from_1000 + 10000),
    rain_trace INTEGER,
    weather TEXT
))sql"),
        // Times outside 1970 … 2106 do not fit the key; only a damaged feed could have given one.
        QStringLiteral(R"sql(
WITH compass (code, point) AS (VALUES (0, 'N'), (1, 'NNE'), (2, 'NE'), (3, 'ENE'), (4, 'E'),
    (5, 'ESE'), (6, 'SE'), (7, 'SSE'), (8, 'S'), (9, 'SSW'), (10, 'SW'), (11, 'WSW'), (12, 'W'),
    (13, 'WNW'), (14, 'NW'), (15, 'NNW'), (16, 'CALM'))
INSERT INTO reading (id, offset_from_aest, air_temp, apparent_from_air, dewpt_from_air, rel_hum,
                     delta_t, wind_dir_code, wind_spd_kmh, gust_kmh, wind_spd_kt, gust_kt,
                     press_from_1000, rain_trace, weather)
SELECT station_id << 32 | observed, utc_offset - 600, air_temp,
       apparent_t - ifnull(air_temp, 0), dewpt - ifnull(air_temp, 0), rel_hum, delta_t,
       ifnull((SELECT code FROM compass WHERE point = wind_dir), wind_dir), wind_spd_kmh,
       gust_kmh, wind_spd_kt, gust_kt, press_msl - 10000, rain_trace, weather
FROM observation WHERE observed BETWEEN 0 AND 4294967295)sql"),
        QStringLiteral("DROP VIEW IF EXISTS readings"),
        QStringLiteral("DROP TABLE observation"),
        QStringLiteral("ALTER TABLE reading RENAME TO observation"),
        kReadingsView,
    },
};

// The quantities of a reading, in table order, as the generated columns of `observation` give
// them, and the stored column each is kept in. A number is stored times `scale` (tenths, or
// whole for quantities the bureau gives whole).
struct Quantity
{
    const char* name;
    int scale;          // 0: text
    const char* stored; // the column written (see step 3 of the schema)
};
constexpr std::array<Quantity, 13> kQuantities{{{"air_temp", 10, "air_temp"},
                                                {"apparent_t", 10, "apparent_from_air"},
                                                {"dewpt", 10, "dewpt_from_air"},
                                                {"rel_hum", 1, "rel_hum"},
                                                {"delta_t", 10, "delta_t"},
                                                {"wind_dir", 0, "wind_dir_code"},
                                                {"wind_spd_kmh", 1, "wind_spd_kmh"},
                                                {"gust_kmh", 1, "gust_kmh"},
                                                {"wind_spd_kt", 1, "wind_spd_kt"},
                                                {"gust_kt", 1, "gust_kt"},
                                                {"press_msl", 10, "press_from_1000"},
                                                {"rain_trace", 10, "rain_trace"},
                                                {"weather", 0, "weather"}}};
constexpr int kAirTemp = 0;
constexpr int kApparent = 1;
constexpr int kDewPoint = 2;
constexpr int kWindDir = 5;
constexpr int kPressure = 10;

// The points of the compass and CALM in the order of their codes (wind_dir_code).
constexpr std::array<const char*, 17> kCompass{"N",  "NNE", "NE", "ENE", "E",   "ESE",
                                               "SE", "SSE", "S",  "SSW", "SW",  "WSW",
                                               "W",  "WNW", "NW", "NNW", "CALM"};

// The key of a reading: station id × 2^32 + the time (seconds since 1970, UTC).
constexpr qint64 kTimesPerStation = qint64(1) << 32;
// What offset_from_aest and press_from_1000 are counted from (step 3).
constexpr int kAestMinutes = 600;
constexpr qint64 kPressureBase = 10000;
// The pages SQLite keeps in memory, in KiB.
constexpr int kPageCacheKiB = 256;

// The readings of a station from one time to another, by the key; binds station, from, station,
// to (times clamped to those the key holds).
constexpr char kStationSpan[] = "id BETWEEN (SELECT id << 32 FROM station WHERE key = ?) + ? AND "
                                "(SELECT id << 32 FROM station WHERE key = ?) + ?";

void bindSpan(QSqlQuery& query, const QString& station, qint64 fromUtc, qint64 toUtc)
{
    query.addBindValue(station);
    query.addBindValue(std::clamp<qint64>(fromUtc, 0, kTimesPerStation - 1));
    query.addBindValue(station);
    query.addBindValue(std::clamp<qint64>(toUtc, -1, kTimesPerStation - 1));
}

// A reading's quantities as the columns of step 3 keep them (see there).
void encode(std::array<QVariant, kQuantities.size()>& values)
{
    const QVariant& air = values[kAirTemp];
    for (const int q : {kApparent, kDewPoint}) {
        if (!values[q].isNull() && !air.isNull())
            values[q] = values[q].toLongLong() - air.toLongLong();
    }
    if (!values[kPressure].isNull())
        values[kPressure] = values[kPressure].toLongLong() - kPressureBase;
    const QString dir = values[kWindDir].toString();
    for (size_t code = 0; code < kCompass.size(); ++code) {
        if (dir == QLatin1String(kCompass[code]))
            values[kWindDir] = qint64(code);
    }
}

// The column a quantity is read from: its generated column, but the wind direction's code,
// turned into text by cellText() far faster than by the generated column (which is for people).
QLatin1String readColumn(size_t q)
{
    return QLatin1String(q == kWindDir ? kQuantities[q].stored : kQuantities[q].name);
}

// The columns the quantities are read from, or with `stored` written to, as a list for SQL.
QString quantityList(bool stored = false)
{
    QStringList names;
    for (size_t q = 0; q < kQuantities.size(); ++q)
        names.append(stored ? QLatin1String(kQuantities[q].stored) : readColumn(q));
    return names.join(QStringLiteral(", "));
}

// The quantity of history cell k (layout column k + 1), -1 when the record has none.
int quantityOfCell(const config::StateLayout& layout, int cell)
{
    const QString& field = layout.jsonFields.value(cell + 1);
    for (int q = 0; q < int(kQuantities.size()); ++q) {
        if (field == QLatin1String(kQuantities[q].name))
            return q;
    }
    return -1;
}

// SQLite's primary result codes that matter here.
enum SqliteCode
{
    kBusy = 5,
    kLocked = 6,
    kIoError = 10,
    kCorrupt = 11,
    kFull = 13,
    kNotADatabase = 26,
};

int sqliteCode(const QSqlError& error)
{
    if (!error.nativeErrorCode().isEmpty())
        return error.nativeErrorCode().toInt() & 0xff;
    // A failed commit comes without the code (Qt 6.4), but with SQLite's fixed text for it.
    static const std::pair<const char*, SqliteCode> kTexts[] = {
        {"database or disk is full", kFull},
        {"database disk image is malformed", kCorrupt},
        {"file is not a database", kNotADatabase},
        {"database is locked", kBusy},
        {"disk I/O error", kIoError},
    };
    for (const auto& [text, code] : kTexts) {
        if (error.databaseText().contains(QLatin1String(text)) ||
            error.driverText().contains(QLatin1String(text)))
            return code;
    }
    return 0;
}

QVariant cellValue(const QString& cell, const Quantity& quantity)
{
    const bool text = quantity.scale == 0;
    if (!hasValue(cell))
        return QVariant(text ? QMetaType(QMetaType::QString) : QMetaType(QMetaType::LongLong));
    if (text)
        return cell;
    bool ok = false;
    const double value = cell.trimmed().toDouble(&ok);
    if (!ok || !std::isfinite(value) || std::abs(value) > 1e12)
        return QVariant(QMetaType(QMetaType::LongLong));
    return qint64(std::llround(value * quantity.scale));
}

// A stored number as the feeds write it: "21.5", "20", "-0.4".
QString numberText(qint64 stored, int scale)
{
    if (scale == 1)
        return QString::number(stored);
    const qint64 whole = std::abs(stored) / 10;
    const qint64 tenth = std::abs(stored) % 10;
    QString text = QString::number(whole);
    if (tenth != 0)
        text += u'.' + QString::number(tenth);
    return stored < 0 ? u'-' + text : text;
}

// Quantity q's cell from the value of its readColumn() (not NULL): "21.5", "NNE".
QString cellText(const QVariant& value, size_t q)
{
    if (kQuantities[q].scale > 0)
        return numberText(value.toLongLong(), kQuantities[q].scale);
    const qint64 code = value.toLongLong();
    if (q == kWindDir && value.typeId() == QMetaType::LongLong && code >= 0 &&
        code < qint64(kCompass.size()))
        return QLatin1String(kCompass[size_t(code)]);
    return value.toString();
}

QDateTime localTime(qint64 utc, int offsetMinutes)
{
    return QDateTime::fromSecsSinceEpoch(utc, Qt::OffsetFromUTC, offsetMinutes * 60);
}

QString csvField(const QString& text)
{
    if (!text.contains(u',') && !text.contains(u'"') && !text.contains(u'\n'))
        return text;
    return u'"' + QString(text).replace(u'"', QStringLiteral("\"\"")) + u'"';
}

} // namespace

QString stationKeyOf(const ObservationRow& row)
{
    const QString number = stationNumberOf(row);
    return number.isEmpty() ? stationNameOf(row.name) : number;
}

int recordSchemaVersion()
{
    return int(kMigrations.size());
}

ObservationRecord::ObservationRecord(const QString& path, net::ErrorLog& log)
    : path_(path),
      connection_(QStringLiteral("record-%1").arg(reinterpret_cast<quintptr>(this), 0, 16)),
      log_(log)
{
    open();
}

ObservationRecord::~ObservationRecord()
{
    {
        QSqlDatabase db = QSqlDatabase::database(connection_, false);
        if (db.isValid())
            db.close();
    }
    QSqlDatabase::removeDatabase(connection_);
}

bool ObservationRecord::isOpen() const
{
    return QSqlDatabase::database(connection_, false).isOpen();
}

bool ObservationRecord::open()
{
    {
        QSqlDatabase db = QSqlDatabase::contains(connection_)
                              ? QSqlDatabase::database(connection_, false)
                              : QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connection_);
        db.setDatabaseName(path_);
        // A lock held by another copy delays a write a little, never the monitor.
        db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=250"));
        if (!db.open()) {
            if (!closedLogged_)
                log_.writeTxt(QStringLiteral("Observation record %1 cannot be opened (%2).\r\n"
                                             "Observations are not recorded.")
                                  .arg(path_, db.lastError().text()));
            closedLogged_ = true;
            return false;
        }
        QSqlQuery query(db);
        // Open all day, the record keeps few pages in memory: SQLite's own bound (2 MB) would
        // hold a whole year's record once the quick check has read it. What it reads again
        // comes from the system's file cache.
        query.exec(QStringLiteral("PRAGMA cache_size=-%1").arg(kPageCacheKiB));
        // The quick check reads every page's structure: a damaged file shows here, not in
        // the middle of a scan.
        const bool checked = query.exec(QStringLiteral("PRAGMA quick_check")) && query.next();
        const QSqlError error = query.lastError();
        // Only SQLite's own verdict sets a file aside: a lock, a full disk or a folder that
        // cannot be written leave a sound record alone.
        const bool damaged =
            checked ? query.value(0).toString() != u"ok"
                    : sqliteCode(error) == kCorrupt || sqliteCode(error) == kNotADatabase;
        if (damaged) {
            const QString why = checked ? query.value(0).toString() : error.text();
            query.finish();
            setAside(why);
            return open();
        }
        if (!checked) {
            db.close();
            if (!closedLogged_)
                log_.writeTxt(QStringLiteral("Observation record %1 cannot be read (%2).\r\n"
                                             "Observations are not recorded.")
                                  .arg(path_, error.text()));
            closedLogged_ = true;
            return false;
        }
        query.finish();
        query.exec(QStringLiteral("PRAGMA journal_mode=WAL"));
        query.exec(QStringLiteral("PRAGMA synchronous=NORMAL"));
        query.exec(QStringLiteral("PRAGMA user_version"));
        const int version = query.next() ? query.value(0).toInt() : 0;
        query.finish();
        if (version > recordSchemaVersion()) {
            db.close();
            log_.writeTxt(QStringLiteral("Observation record %1 was written by a newer Nimbulo "
                                         "(version %2).\r\nObservations are not recorded.")
                              .arg(path_)
                              .arg(version));
            closedLogged_ = true;
            return false;
        }
        if (version < recordSchemaVersion()) {
            db.transaction();
            for (int v = version; v < recordSchemaVersion(); ++v) {
                for (const QString& statement : kMigrations.at(v)) {
                    if (!query.exec(statement)) {
                        const QSqlError error = query.lastError();
                        db.rollback();
                        failed(error, QStringLiteral("setting up"));
                        db.close();
                        return false;
                    }
                }
            }
            query.exec(QStringLiteral("PRAGMA user_version=%1").arg(recordSchemaVersion()));
            if (!db.commit()) {
                failed(db.lastError(), QStringLiteral("setting up"));
                db.close();
                return false;
            }
            // A converted record gives back the pages of its old layout (once; where the disk
            // has no room for it, new readings reuse them instead).
            if (version > 0)
                query.exec(QStringLiteral("VACUUM"));
        }
    }
    closedLogged_ = false;
    return true;
}

void ObservationRecord::setAside(const QString& why)
{
    {
        QSqlDatabase db = QSqlDatabase::database(connection_, false);
        db.close();
    }
    const QString base = path_ + QStringLiteral(".damaged-") +
                         QDate::currentDate().toString(QStringLiteral("yyyy-MM-dd"));
    QString aside = base;
    for (int n = 2; QFile::exists(aside); ++n)
        aside = base + QStringLiteral("-%1").arg(n);
    QFile::rename(path_, aside);
    // The journal belongs to the damaged file: it goes with it.
    QFile::rename(path_ + QStringLiteral("-wal"), aside + QStringLiteral("-wal"));
    QFile::remove(path_ + QStringLiteral("-shm"));
    log_.writeTxt(QStringLiteral("Observation record %1 was damaged (%2).\r\nIt was set aside as "
                                 "%3 and a new record started.")
                      .arg(path_, why, aside));
}

bool ObservationRecord::ready()
{
    return isOpen() || open();
}

bool ObservationRecord::failed(const QSqlError& error, const QString& doing)
{
    const int code = sqliteCode(error);
    if (code == kFull) {
        if (!suspended_)
            log_.writeTxt(QStringLiteral("Observation record %1: the disk is full.\r\nRecording "
                                         "stops until there is room again.")
                              .arg(path_));
        suspended_ = true;
    } else if (code == kCorrupt || code == kNotADatabase) {
        setAside(error.text());
        open();
    } else if (code != kBusy && code != kLocked) {
        // Busy: another copy writes; the next store fills the gap.
        log_.writeTxt(QStringLiteral("Observation record %1: %2 failed (%3).")
                          .arg(path_, doing, error.text()));
    }
    return false;
}

int ObservationRecord::store(const QString& station, const QString& name,
                             const HistoryTable& readings, const config::StateLayout& layout)
{
    if (station.isEmpty() || readings.isEmpty() || !ready())
        return 0;
    QSqlDatabase db = QSqlDatabase::database(connection_, false);
    QList<int> cellOf(kQuantities.size(), -1);
    for (int k = 0; k < layout.jsonFields.size(); ++k) {
        const int q = quantityOfCell(layout, k);
        if (q >= 0 && cellOf[q] < 0)
            cellOf[q] = k;
    }

    if (!db.transaction()) {
        failed(db.lastError(), QStringLiteral("storing"));
        return 0;
    }
    QSqlQuery query(db);
    const auto abandon = [&](const QSqlError& error) {
        query.finish();
        db.rollback();
        failed(error, QStringLiteral("storing"));
        return 0;
    };
    query.prepare(QStringLiteral("INSERT INTO station (key, name) VALUES (?, ?) "
                                 "ON CONFLICT (key) DO UPDATE SET name = excluded.name "
                                 "WHERE name <> excluded.name"));
    query.addBindValue(station);
    query.addBindValue(name.isEmpty() ? station : name);
    if (!query.exec())
        return abandon(query.lastError());
    query.prepare(QStringLiteral("SELECT id FROM station WHERE key = ?"));
    query.addBindValue(station);
    if (!query.exec() || !query.next())
        return abandon(query.lastError());
    const qint64 stationId = query.value(0).toLongLong();
    query.finish();

    QString marks;
    for (size_t q = 0; q < kQuantities.size(); ++q)
        marks += QStringLiteral(", ?");
    if (!query.prepare(QStringLiteral("INSERT OR IGNORE INTO observation (id, offset_from_aest, "
                                      "%1) VALUES (?, ?%2)")
                           .arg(quantityList(true), marks)))
        return abandon(query.lastError());
    // Oldest first (histories come newest first): new readings then go to the end of the
    // table, which keeps its pages full.
    QList<const HistoryRow*> ordered;
    for (const HistoryRow& reading : readings) {
        const qint64 at = reading.observed.isValid() ? reading.observed.toSecsSinceEpoch() : -1;
        if (at >= 0 && at < kTimesPerStation)
            ordered.append(&reading);
    }
    std::stable_sort(ordered.begin(), ordered.end(), [](const HistoryRow* a, const HistoryRow* b) {
        return a->observed < b->observed;
    });
    int stored = 0;
    for (const HistoryRow* reading : ordered) {
        query.bindValue(0, stationId * kTimesPerStation + reading->observed.toSecsSinceEpoch());
        query.bindValue(1, reading->observed.offsetFromUtc() / 60 - kAestMinutes);
        std::array<QVariant, kQuantities.size()> values;
        for (size_t q = 0; q < kQuantities.size(); ++q)
            values[q] = cellValue(cellOf[q] < 0 ? QString() : reading->cells.value(cellOf[q]),
                                  kQuantities[q]);
        encode(values);
        for (size_t q = 0; q < kQuantities.size(); ++q)
            query.bindValue(int(q) + 2, values[q]);
        if (!query.exec())
            return abandon(query.lastError());
        stored += query.numRowsAffected() > 0 ? 1 : 0;
    }
    query.finish();
    if (!db.commit())
        return abandon(db.lastError());
    if (suspended_) {
        suspended_ = false;
        log_.writeTxt(QStringLiteral("Observation record %1: there is room again; recording "
                                     "resumed.")
                          .arg(path_));
    }
    return stored;
}

HistoryTable ObservationRecord::readings(const QString& station, qint64 fromUtc, qint64 toUtc,
                                         const config::StateLayout& layout, int cellCount,
                                         int onlyCell, int buckets) const
{
    HistoryTable rows;
    if (!isOpen())
        return rows;
    const int onlyQuantity = onlyCell >= 0 ? quantityOfCell(layout, onlyCell) : -1;
    const bool thinned = buckets > 0 && onlyQuantity >= 0 && kQuantities[onlyQuantity].scale > 0;
    // The cells to fill and the quantity each shows.
    QList<std::pair<int, int>> wanted;
    const int windDirCell = layout.windDirColumn >= 2 ? layout.windDirColumn - 2 : -1;
    for (int k = 0; k < cellCount; ++k) {
        if (onlyCell >= 0 && k != onlyCell && k != windDirCell)
            continue;
        if (const int q = quantityOfCell(layout, k); q >= 0)
            wanted.append({k, q});
    }
    QStringList columns;
    for (const auto& [cell, q] : wanted)
        columns.append(readColumn(q));

    QSqlQuery query(QSqlDatabase::database(connection_, false));
    query.setForwardOnly(true);
    const QString selected =
        columns.isEmpty() ? QString() : QStringLiteral(", ") + columns.join(u", ");
    query.prepare(QStringLiteral("SELECT observed, utc_offset%1 FROM observation WHERE %2 ORDER BY "
                                 "id DESC")
                      .arg(selected, QLatin1String(kStationSpan)));
    bindSpan(query, station, fromUtc, toUtc);
    if (!query.exec())
        return rows;
    const QStringList empty(cellCount, kNoValue.toString());
    // A row's columns as the query gives them: time, offset, then the wanted quantities.
    using Columns = QVarLengthArray<QVariant, 8>;
    const auto columnsOf = [&query, &wanted] {
        Columns columns;
        for (int i = 0; i < wanted.size() + 2; ++i)
            columns.append(query.value(i));
        return columns;
    };
    const auto rowOf = [&](const Columns& record) {
        HistoryRow row;
        row.observed = localTime(record.value(0).toLongLong(), record.value(1).toInt());
        row.cells = empty;
        for (int i = 0; i < wanted.size(); ++i) {
            const QVariant value = record.value(i + 2);
            if (value.isNull())
                continue;
            const auto [cell, q] = wanted.at(i);
            row.cells[cell] = cellText(value, q);
        }
        return row;
    };
    if (thinned) {
        // Each part's highest and lowest reading, newest part first; of equal values the
        // oldest, as findMinMax() keeps them. A row is made only for the extremes.
        const int valueAt = int(std::find_if(wanted.cbegin(), wanted.cend(),
                                             [&](const auto& w) { return w.first == onlyCell; }) -
                                wanted.cbegin()) +
                            2;
        const qint64 width = std::max<qint64>((toUtc - fromUtc) / buckets, 1);
        qint64 part = -1;
        Columns high;
        Columns low;
        const auto flush = [&] {
            if (part < 0)
                return;
            const qint64 a = high.value(0).toLongLong();
            const qint64 b = low.value(0).toLongLong();
            rows.append(rowOf(a >= b ? high : low));
            if (a != b)
                rows.append(rowOf(a >= b ? low : high));
        };
        while (query.next()) {
            const QVariant value = query.value(valueAt);
            if (value.isNull())
                continue;
            const qint64 v = value.toLongLong();
            const qint64 p = (query.value(0).toLongLong() - fromUtc) / width;
            if (p != part) {
                flush();
                part = p;
                high = low = columnsOf();
                continue;
            }
            // Newest first: a later-met equal value is older and takes the place.
            if (v >= high.value(valueAt).toLongLong())
                high = columnsOf();
            if (v <= low.value(valueAt).toLongLong())
                low = columnsOf();
        }
        flush();
        return rows;
    }
    while (query.next()) {
        HistoryRow row;
        row.observed = localTime(query.value(0).toLongLong(), query.value(1).toInt());
        row.cells = empty;
        for (int i = 0; i < wanted.size(); ++i) {
            const QVariant value = query.value(i + 2);
            if (value.isNull())
                continue;
            const auto [cell, q] = wanted.at(i);
            row.cells[cell] = cellText(value, q);
        }
        rows.append(std::move(row));
    }
    return rows;
}

std::optional<qint64> ObservationRecord::newestObserved(const QString& station) const
{
    if (!isOpen())
        return std::nullopt;
    QSqlQuery query(QSqlDatabase::database(connection_, false));
    query.prepare(
        QStringLiteral("SELECT observed FROM observation WHERE %1 ORDER BY id DESC LIMIT 1")
            .arg(QLatin1String(kStationSpan)));
    bindSpan(query, station, 0, kTimesPerStation - 1);
    if (!query.exec() || !query.next())
        return std::nullopt;
    return query.value(0).toLongLong();
}

QString ObservationRecord::csv(const QString& station, qint64 fromUtc, qint64 toUtc) const
{
    QString text = QStringLiteral("Time");
    for (const Quantity& q : kQuantities)
        text += u',' + QLatin1String(q.name);
    text += u'\n';
    if (!isOpen())
        return text;
    QSqlQuery query(QSqlDatabase::database(connection_, false));
    query.setForwardOnly(true);
    query.prepare(QStringLiteral("SELECT observed, utc_offset, %1 FROM observation WHERE %2 ORDER "
                                 "BY id")
                      .arg(quantityList(), QLatin1String(kStationSpan)));
    bindSpan(query, station, fromUtc, toUtc);
    if (!query.exec())
        return text;
    while (query.next()) {
        text +=
            localTime(query.value(0).toLongLong(), query.value(1).toInt()).toString(Qt::ISODate);
        for (int q = 0; q < int(kQuantities.size()); ++q) {
            const QVariant value = query.value(q + 2);
            text += u',';
            if (!value.isNull())
                text += csvField(cellText(value, q));
        }
        text += u'\n';
    }
    return text;
}

QString ObservationRecord::stationNamed(const QString& name) const
{
    QSqlQuery query(QSqlDatabase::database(connection_, false));
    if (name.isEmpty()) {
        query.prepare(QStringLiteral("SELECT s.key FROM observation o JOIN station s ON s.id = "
                                     "o.station_id ORDER BY o.observed DESC LIMIT 1"));
    } else {
        query.prepare(QStringLiteral("SELECT key FROM station WHERE name = ? ORDER BY id DESC"));
        query.addBindValue(name);
    }
    return isOpen() && query.exec() && query.next() ? query.value(0).toString() : QString();
}

std::optional<ObservationRecord::DayExtremes>
ObservationRecord::todaysTemperatures(const QString& station) const
{
    if (!isOpen())
        return std::nullopt;
    QSqlQuery query(QSqlDatabase::database(connection_, false));
    query.setForwardOnly(true);
    query.prepare(
        QStringLiteral("SELECT observed, utc_offset FROM observation WHERE %1 ORDER BY id "
                       "DESC LIMIT 1")
            .arg(QLatin1String(kStationSpan)));
    bindSpan(query, station, 0, kTimesPerStation - 1);
    if (!query.exec() || !query.next())
        return std::nullopt;
    const QDateTime newest = localTime(query.value(0).toLongLong(), query.value(1).toInt());
    const QDateTime midnight(newest.date(), QTime(0, 0), Qt::OffsetFromUTC, newest.offsetFromUtc());
    query.finish();
    query.prepare(QStringLiteral("SELECT observed, utc_offset, %1 FROM observation WHERE %2 AND %1 "
                                 "IS NOT NULL ORDER BY id")
                      .arg(QLatin1String(kQuantities[kAirTemp].name), QLatin1String(kStationSpan)));
    bindSpan(query, station, midnight.toSecsSinceEpoch(), kTimesPerStation - 1);
    if (!query.exec())
        return std::nullopt;
    std::optional<DayExtremes> day;
    while (query.next()) {
        const double value = double(query.value(2).toLongLong()) / 10;
        const QDateTime at = localTime(query.value(0).toLongLong(), query.value(1).toInt());
        if (!day) {
            day = DayExtremes{value, value, at, at};
            continue;
        }
        if (value > day->high)
            day->high = value, day->highAt = at;
        if (value < day->low)
            day->low = value, day->lowAt = at;
    }
    return day;
}

void ObservationRecord::applyRetention(int years, const QDateTime& now)
{
    if (years <= 0 || !ready())
        return;
    QSqlDatabase db = QSqlDatabase::database(connection_, false);
    QSqlQuery query(db);
    const QString today = now.date().toString(Qt::ISODate);
    query.exec(QStringLiteral("SELECT value FROM upkeep WHERE name = 'retention_day'"));
    if (query.next() && query.value(0).toString() == today)
        return;
    query.finish();
    db.transaction();
    query.prepare(QStringLiteral("DELETE FROM observation WHERE observed < ?"));
    query.addBindValue(now.addYears(-years).toSecsSinceEpoch());
    bool ok = query.exec();
    query.prepare(QStringLiteral("INSERT OR REPLACE INTO upkeep (name, value) VALUES "
                                 "('retention_day', ?)"));
    query.addBindValue(today);
    ok = ok && query.exec();
    if (!ok || !db.commit()) {
        const QSqlError error = ok ? db.lastError() : query.lastError();
        query.finish();
        db.rollback();
        failed(error, QStringLiteral("dropping old readings"));
    }
}

} // namespace engine
