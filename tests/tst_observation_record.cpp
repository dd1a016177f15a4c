#include "killed_writer.h"
#include "weather/engine/history_graph.h"
#include "weather/engine/observation_record.h"
#include "weather/net/error_log.h"

#include <QDir>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QtTest>

using engine::HistoryRow;
using engine::HistoryTable;
using engine::ObservationRecord;

namespace {

constexpr char kWriterEnv[] = "NIMBULO_RECORD_TORTURE_FILE";

// Columns: time, temperature, wind direction, wind speed, rain (the record's air_temp,
// wind_dir, wind_spd_kmh and rain_trace).
config::StateLayout recordLayout()
{
    config::StateLayout layout;
    layout.windDirColumn = 3;
    layout.columnCount = 5;
    layout.jsonFields = {"local_date_time", "air_temp", "wind_dir", "wind_spd_kmh", "rain_trace"};
    return layout;
}

// Half-hourly readings from `newest` back, station time +10:00; cells "temp,dir,speed,rain".
HistoryTable readings(const QDateTime& newest, const QStringList& cells, int minutesApart = 30)
{
    HistoryTable table;
    for (qsizetype k = 0; k < cells.size(); ++k)
        table.append(HistoryRow{QString(), cells.at(k).split(u','),
                                newest.addSecs(-60LL * minutesApart * k)});
    return table;
}

const QDateTime kNewest(QDate(2024, 3, 8), QTime(15, 0), Qt::OffsetFromUTC, 10 * 3600);

QStringList describe(const HistoryTable& table)
{
    QStringList out;
    for (const HistoryRow& row : table)
        out.append(row.observed.toString(Qt::ISODate) + u'|' + row.cells.join(u'|'));
    return out;
}

QString path(const QTemporaryDir& dir)
{
    return dir.filePath(QStringLiteral("observations.sqlite"));
}

// Runs `use` on a connection of its own to the record file `file`, as another program would.
template <typename Use> void withConnection(const QString& file, Use use)
{
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), "other");
        db.setDatabaseName(file);
        QVERIFY(db.open());
        QSqlQuery q(db);
        use(q);
    }
    QSqlDatabase::removeDatabase("other");
}

// The killed writer: stores one reading a round, each in its own transaction, for ever.
int runWriter(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    net::ErrorLog log;
    ObservationRecord record(qEnvironmentVariable(kWriterEnv), log);
    QTextStream out(stdout);
    for (qint64 k = 0;; ++k) {
        record.store(QStringLiteral("94768"), QStringLiteral("Sydney"),
                     readings(kNewest.addSecs(600 * k), {"21.5,NNE,15,0.2"}), recordLayout());
        if (k == 0)
            out << "stored" << Qt::endl;
    }
}

} // namespace

class TestObservationRecord : public QObject
{
    Q_OBJECT

    QTemporaryDir dir_;
    net::ErrorLog log_;

private Q_SLOTS:
    void init()
    {
        QFile::remove(path(dir_));
        QFile::remove(path(dir_) + QStringLiteral("-wal"));
        QFile::remove(path(dir_) + QStringLiteral("-shm"));
        log_.clear();
    }

    // Repeated times are stored once, whoever brings them (a scan, a history); stations are
    // kept apart; values come back as the feed wrote them, missing ones as N/F.
    void storesOncePerTime()
    {
        ObservationRecord record(path(dir_), log_);
        QVERIFY(record.isOpen());
        const config::StateLayout layout = recordLayout();
        QCOMPARE(record.store("94768", "Sydney", readings(kNewest, {"21.5,NNE,15,0.2"}), layout),
                 1);
        // The same observation time again (a scan of an unchanged product): nothing new.
        QCOMPARE(record.store("94768", "Sydney", readings(kNewest, {"99,S,1,0"}), layout), 0);
        // A history with that time, a duplicate, a gap and missing values fills the rest.
        HistoryTable history =
            readings(kNewest, {"9,N,9,9", "20.9,N/F,N/F,0.0", "20.1,SW,7,0.0", "-,CALM,0,0.0"});
        history.append(history.at(1));
        history.removeAt(2); // the gap at 14:00
        QCOMPARE(record.store("94768", "Sydney", history, layout), 2);
        QCOMPARE(record.store("94767", "Airport", readings(kNewest, {"1,N,1,1"}), layout), 1);

        QCOMPARE(describe(record.readings("94768", 0, kNewest.toSecsSinceEpoch(), layout, 4)),
                 QStringList({"2024-03-08T15:00:00+10:00|21.5|NNE|15|0.2",
                              "2024-03-08T14:30:00+10:00|20.9|N/F|N/F|0",
                              "2024-03-08T13:30:00+10:00|N/F|CALM|0|0"}));
        // A graph of one stat reads that stat and the direction only.
        QCOMPARE(describe(record.readings("94768", kNewest.addSecs(-1800).toSecsSinceEpoch(),
                                          kNewest.toSecsSinceEpoch(), layout, 4, 2)),
                 QStringList({"2024-03-08T15:00:00+10:00|N/F|NNE|15|N/F",
                              "2024-03-08T14:30:00+10:00|N/F|N/F|N/F|N/F"}));
        QCOMPARE(record.stationNamed("Airport"), QStringLiteral("94767"));
        QVERIFY(log_.text().isEmpty());
    }

    // A year read as each part's extremes: at most two readings a part, the year's extremes
    // and their times as the full readings give them, a silent week still a gap.
    void yearByParts()
    {
        ObservationRecord record(path(dir_), log_);
        const config::StateLayout layout = recordLayout();
        QStringList cells;
        for (int k = 0; k < 365 * 24; ++k)
            cells.append(QStringLiteral("%1,N,%2,0").arg((k * 37) % 1001 / 10.0).arg(k % 50));
        HistoryTable table = readings(kNewest, cells, 60);
        table.erase(table.begin() + 1000, table.begin() + 1168);
        record.store("94768", "Sydney", table, layout);
        const qint64 to = kNewest.toSecsSinceEpoch();
        const qint64 from = to - engine::spanSeconds(engine::Year1);
        const HistoryTable all = record.readings("94768", from, to, layout, 4, 0);
        const HistoryTable parts =
            record.readings("94768", from, to, layout, 4, 0, engine::kGraphParts);
        QCOMPARE(all.size(), 365 * 24 - 168);
        QVERIFY(parts.size() <= 2 * engine::kGraphParts && parts.size() < all.size());
        const engine::MinMax full = engine::findMinMax(all, 0, int(all.size()) - 1);
        const engine::MinMax thin = engine::findMinMax(parts, 0, int(parts.size()) - 1);
        QCOMPARE(std::pair(thin.max, thin.min), std::pair(full.max, full.min));
        QCOMPARE(parts.at(thin.maxEntry).observed, all.at(full.maxEntry).observed);
        QCOMPARE(parts.at(thin.minEntry).observed, all.at(full.minEntry).observed);
        for (qsizetype k = 1; k < parts.size(); ++k)
            QVERIFY(parts.at(k).observed < parts.at(k - 1).observed);
        const engine::GraphPlot plot = engine::plotGraph(parts, 0, engine::Year1, QSizeF(600, 100));
        QCOMPARE(plot.lines.size(), 2);
    }

    // Every wind direction reads back as stored, in the program and in the view for people:
    // the points of the compass, CALM, and texts that are neither (even one like a number).
    void windDirections()
    {
        ObservationRecord record(path(dir_), log_);
        const QStringList directions{"N",   "NNE", "NE",   "ENE", "E",   "ESE", "SE",
                                     "SSE", "S",   "SSW",  "SW",  "WSW", "W",   "WNW",
                                     "NW",  "NNW", "CALM", "VRB", "5",   "n"};
        QStringList cells;
        for (const QString& direction : directions)
            cells.append("1," + direction + ",1,1");
        QCOMPARE(record.store("94768", "Sydney", readings(kNewest, cells, 10), recordLayout()),
                 directions.size());
        QStringList read;
        for (const HistoryRow& row : record.readings("94768", 0, LLONG_MAX, recordLayout(), 4))
            read.append(row.cells.at(1));
        QCOMPARE(read, directions);
        withConnection(path(dir_), [&directions](QSqlQuery& q) {
            QVERIFY(q.exec("SELECT wind_dir FROM readings ORDER BY local_time DESC"));
            QStringList viewed;
            while (q.next())
                viewed.append(q.value(0).toString());
            QCOMPARE(viewed, directions);
        });
    }

    // The CSV read back: a header, ISO 8601 times on the station's clock, oldest first, one
    // column per quantity, empty where nothing was recorded, text quoted where it must be.
    void exportsCsv()
    {
        ObservationRecord record(path(dir_), log_);
        HistoryTable rows = readings(kNewest, {"21.5,NNE,15,0.2", "20,W,0,-"});
        rows[1].cells[1] = QStringLiteral("W, \"gusty\"");
        record.store("94768", "Sydney", rows, recordLayout());
        QCOMPARE(record.csv("94768", 0, kNewest.toSecsSinceEpoch()),
                 QStringLiteral("Time,air_temp,apparent_t,dewpt,rel_hum,delta_t,wind_dir,"
                                "wind_spd_kmh,gust_kmh,wind_spd_kt,gust_kt,press_msl,rain_trace,"
                                "weather\n"
                                "2024-03-08T14:30:00+10:00,20,,,,,\"W, \"\"gusty\"\"\",0,,,,,,\n"
                                "2024-03-08T15:00:00+10:00,21.5,,,,,NNE,15,,,,,0.2,\n"));
    }

    // The day's highest and lowest temperature on the station's clock: yesterday's readings
    // and missing values do not count; of equal values the first stays.
    void todaysTemperatures()
    {
        ObservationRecord record(path(dir_), log_);
        QVERIFY(!record.todaysTemperatures("94768"));
        record.store("94768", "Sydney",
                     readings(kNewest,
                              {"20,N,1,0", "24.1,N,1,0", "-,N,1,0", "24.1,N,1,0", "12.3,N,1,0"},
                              180),
                     recordLayout());
        record.store("94768", "Sydney", readings(kNewest.addDays(-1), {"40,N,1,0", "-5,N,1,0"}),
                     recordLayout());
        const auto day = record.todaysTemperatures("94768");
        QVERIFY(day);
        QCOMPARE(day->high, 24.1);
        QCOMPARE(day->highAt.time(), QTime(6, 0));
        QCOMPARE(day->low, 12.3);
        QCOMPARE(day->lowAt.time(), QTime(3, 0));
    }

    // Retention drops readings older than the years kept, at most once a day.
    void retention()
    {
        ObservationRecord record(path(dir_), log_);
        const config::StateLayout layout = recordLayout();
        const auto store = [&](const QDateTime& at) {
            return record.store("94768", "Sydney", readings(at, {"1,N,1,1"}), layout);
        };
        store(kNewest.addYears(-4));
        store(kNewest.addYears(-2));
        store(kNewest);
        const auto count = [&] { return record.readings("94768", 0, LLONG_MAX, layout, 4).size(); };
        record.applyRetention(0, kNewest);
        QCOMPARE(count(), 3);
        record.applyRetention(3, kNewest);
        QCOMPARE(count(), 2);
        store(kNewest.addYears(-5));
        record.applyRetention(3, kNewest.addSecs(3600));
        QCOMPARE(count(), 3); // the same day: not again
        record.applyRetention(3, kNewest.addDays(1));
        QCOMPARE(count(), 2);
    }

    // A record of an older version is brought up to date and keeps its readings exactly as
    // they read before: numbers far from the usual, missing air temperature, a wind direction
    // that is no point of the compass, a station on a half-hour clock, summer time.
    void migratesAnOlderRecord_data()
    {
        QTest::addColumn<int>("version");
        QTest::newRow("version 1") << 1;
        QTest::newRow("version 2") << 2;
    }

    void migratesAnOlderRecord()
    {
        QFETCH(int, version);
        const qint64 at = kNewest.toSecsSinceEpoch();
        withConnection(path(dir_), [version, at](QSqlQuery& q) {
            QVERIFY(q.exec("CREATE TABLE station (id INTEGER PRIMARY KEY, key TEXT NOT NULL "
                           "UNIQUE, name TEXT NOT NULL)"));
            QVERIFY(q.exec("CREATE TABLE observation (station_id INTEGER NOT NULL, observed "
                           "INTEGER NOT NULL, utc_offset INTEGER NOT NULL, air_temp INTEGER, "
                           "apparent_t INTEGER, dewpt INTEGER, rel_hum INTEGER, delta_t "
                           "INTEGER, wind_dir TEXT, wind_spd_kmh INTEGER, gust_kmh INTEGER, "
                           "wind_spd_kt INTEGER, gust_kt INTEGER, press_msl INTEGER, "
                           "rain_trace INTEGER, weather TEXT, "
                           "PRIMARY KEY (station_id, observed)) WITHOUT ROWID"));
            if (version >= 2) {
                QVERIFY(q.exec("CREATE TABLE upkeep (name TEXT PRIMARY KEY, value TEXT NOT NULL)"));
                QVERIFY(q.exec("CREATE VIEW readings AS SELECT * FROM observation"));
            }
            QVERIFY(q.exec("INSERT INTO station VALUES (1, '94768', 'Sydney'), "
                           "(2, '94672', 'Adelaide')"));
            QVERIFY(q.exec(
                QStringLiteral("INSERT INTO observation VALUES "
                               "(1, %1, 600, 215, 198, 102, 45, 38, 'NNE', 15, 24, 8, 13, 10132, "
                               "2, NULL), "
                               "(1, %2, 660, NULL, 150, -12, 100, 0, 'VRB', 0, 1, 0, 1, 9876, 0, "
                               "'Fog'), "
                               "(1, %3, 600, 412, 458, -35, 4, 203, 'CALM', NULL, NULL, NULL, "
                               "NULL, 10415, 1204, NULL), "
                               "(2, %1, 570, -31, -52, -88, 71, 9, 'WSW', 120, 150, 65, 81, "
                               "NULL, NULL, NULL)")
                    .arg(at)
                    .arg(at - 1800)
                    .arg(at - 86400)));
            QVERIFY(q.exec(QStringLiteral("PRAGMA user_version=%1").arg(version)));
        });

        ObservationRecord record(path(dir_), log_);
        QVERIFY(record.isOpen());
        config::StateLayout layout;
        layout.windDirColumn = 7;
        layout.jsonFields = {"local_date_time", "air_temp",    "apparent_t", "dewpt",
                             "rel_hum",         "delta_t",     "wind_dir",   "wind_spd_kmh",
                             "gust_kmh",        "wind_spd_kt", "gust_kt",    "press_msl",
                             "rain_trace",      "weather"};
        const HistoryTable sydney = record.readings("94768", 0, LLONG_MAX, layout, 13);
        QCOMPARE(describe(sydney),
                 QStringList({"2024-03-08T15:00:00+10:00|21.5|19.8|10.2|45|3.8|NNE|15|24|8|13|"
                              "1013.2|0.2|N/F",
                              "2024-03-08T15:30:00+11:00|N/F|15|-1.2|100|0|VRB|0|1|0|1|987.6|0|Fog",
                              "2024-03-07T15:00:00+10:00|41.2|45.8|-3.5|4|20.3|CALM|N/F|N/F|N/F|"
                              "N/F|1041.5|120.4|N/F"}));
        QCOMPARE(describe(record.readings("94672", 0, LLONG_MAX, layout, 13)),
                 QStringList{"2024-03-08T14:30:00+09:30|-3.1|-5.2|-8.8|71|0.9|WSW|120|150|65|81|"
                             "N/F|N/F|N/F"});
        // The same readings stored afresh read back the same.
        QCOMPARE(record.store("copy", "Copy", sydney, layout), 3);
        QCOMPARE(describe(record.readings("copy", 0, LLONG_MAX, layout, 13)), describe(sydney));
        withConnection(path(dir_), [](QSqlQuery& q) {
            QVERIFY(q.exec("PRAGMA user_version") && q.next());
            QCOMPARE(q.value(0).toInt(), engine::recordSchemaVersion());
            QVERIFY(q.exec("PRAGMA journal_mode") && q.next());
            QCOMPARE(q.value(0).toString(), QStringLiteral("wal"));
            // The old layout's pages are given back.
            QVERIFY(q.exec("PRAGMA freelist_count") && q.next());
            QCOMPARE(q.value(0).toInt(), 0);
            QVERIFY(q.exec("SELECT station_name, local_time, utc_offset, air_temp, wind_dir, "
                           "press_msl FROM readings WHERE station = '94672'") &&
                    q.next());
            QCOMPARE(q.value(0).toString(), QStringLiteral("Adelaide"));
            QCOMPARE(q.value(1).toString(), QStringLiteral("2024-03-08 14:30:00"));
            QCOMPARE(q.value(2).toInt(), 570);
            QCOMPARE(q.value(3).toDouble(), -3.1);
            QCOMPARE(q.value(4).toString(), QStringLiteral("WSW"));
            QVERIFY(q.value(5).isNull());
        });
        QVERIFY(log_.text().isEmpty());
    }

    // A damaged file is set aside with the date and a new record started, with a message.
    void damagedFileSetAside_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("not a database") << QByteArray(8192, 'x');
        QByteArray header("SQLite format 3");
        header.append('\0');
        QTest::newRow("cut after the header") << header + QByteArray(84, '\0');
    }

    void damagedFileSetAside()
    {
        QFETCH(QByteArray, bytes);
        {
            QFile file(path(dir_));
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(bytes);
        }
        ObservationRecord record(path(dir_), log_);
        QVERIFY(record.isOpen());
        const QString aside = path(dir_) + ".damaged-" + QDate::currentDate().toString(Qt::ISODate);
        QFile setAside(aside);
        QVERIFY(setAside.open(QIODevice::ReadOnly));
        QCOMPARE(setAside.readAll(), bytes);
        QVERIFY2(log_.text().contains("was damaged") && log_.text().contains(aside),
                 qPrintable(log_.text()));
        QCOMPARE(record.store("94768", "Sydney", readings(kNewest, {"1,N,1,1"}), recordLayout()),
                 1);
        QVERIFY(QFile::remove(aside));
    }

    // A second copy holding the write lock delays a store a fraction of a second, no more:
    // the store is skipped quietly and the next one goes in.
    void secondCopyNeverBlocks()
    {
        ObservationRecord first(path(dir_), log_);
        ObservationRecord second(path(dir_), log_);
        QCOMPARE(second.store("94768", "Sydney", readings(kNewest, {"1,N,1,1"}), recordLayout()),
                 1);
        withConnection(path(dir_), [&first](QSqlQuery& q) {
            QVERIFY(q.exec("BEGIN IMMEDIATE"));
            QCOMPARE(first.store("94768", "Sydney", readings(kNewest.addSecs(600), {"2,N,2,2"}),
                                 recordLayout()),
                     0);
            // Readers are not held up by a writer.
            QCOMPARE(first.readings("94768", 0, LLONG_MAX, recordLayout(), 4).size(), 1);
            QVERIFY(q.exec("ROLLBACK"));
        });
        QCOMPARE(first.store("94768", "Sydney", readings(kNewest.addSecs(600), {"2,N,2,2"}),
                             recordLayout()),
                 1);
        QVERIFY(log_.text().isEmpty());
    }

    // Killed in the middle of a write, the record opens cleanly with every stored reading
    // whole.
    void killedWriterLosesNothing()
    {
        killWriterAtRandomMoments(kWriterEnv, path(dir_), 40, 30000, [this] {
            net::ErrorLog log;
            const ObservationRecord record(path(dir_), log);
            const HistoryTable rows = record.readings("94768", 0, LLONG_MAX, recordLayout(), 4);
            return record.isOpen() && log.text().isEmpty() && !rows.isEmpty() &&
                   std::all_of(rows.cbegin(), rows.cend(), [](const HistoryRow& row) {
                       return row.cells == QStringList{"21.5", "NNE", "15", "0.2"};
                   });
        });
    }
};

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsSet(kWriterEnv))
        return runWriter(argc, argv);
    QCoreApplication app(argc, argv);
    TestObservationRecord test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_observation_record.moc"
