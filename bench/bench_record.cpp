// The station's record, measured: the time of one scan's store into a record holding a year, the
// time to read and plot a year's graph (52,560 ten-minute readings: the graph's query, the
// extremes of 2000 parts of the year, and the plot), the heap an open record of that year holds,
// the file's size after that year, and the history reader on a product of a million empty rows.
// Not a test: the figures depend on the machine (build with the sanitizers off for release
// figures).
//   bench_record [FOLDER]   (default: a temporary folder)

#include "weather/engine/history_feed.h"
#include "weather/engine/observation_record.h"
#include "weather/net/error_log.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTextStream>

#include <cstdio>
#include <malloc.h>
#include <sys/resource.h>

namespace {

config::StateLayout benchLayout()
{
    config::StateLayout layout;
    layout.windDirColumn = 7;
    layout.columnCount = 13;
    layout.jsonFields = {"local_date_time", "air_temp",  "apparent_t",   "dewpt",    "rel_hum",
                         "delta_t",         "wind_dir",  "wind_spd_kmh", "gust_kmh", "wind_spd_kt",
                         "gust_kt",         "press_msl", "rain_trace"};
    return layout;
}

// A plausible reading k ten-minute steps after `start`.
engine::HistoryRow reading(const QDateTime& start, int k)
{
    static const char* const dirs[] = {"N", "NNE", "NE", "E", "SE", "S", "SW", "W", "NW", "CALM"};
    const double t = 18 + 8 * std::sin(k / 144.0 * 6.283) + (k % 7) / 10.0;
    const int wind = (k * 7) % 40;
    const auto n = [](double v) { return QString::number(v, 'f', 1); };
    return {QString(),
            {n(t), n(t - 2), n(t - 6), QString::number(40 + k % 50), n(3 + (k % 9) / 3.0),
             QLatin1String(dirs[k % 10]), QString::number(wind), QString::number(wind + 9),
             QString::number(wind / 2), QString::number(wind / 2 + 5), n(1005 + (k % 200) / 10.0),
             n((k % 144) / 12 * 0.2)},
            start.addSecs(600LL * k)};
}

long peakMemoryKb()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QTemporaryDir temporary;
    const QString folder = argc > 1 ? QString::fromLocal8Bit(argv[1]) : temporary.path();
    const QString path = folder + QStringLiteral("/bench-observations.sqlite");
    QFile::remove(path);
    QTextStream out(stdout);
    net::ErrorLog log;
    const config::StateLayout layout = benchLayout();
    const QString station = QStringLiteral("94768");
    const QDateTime start(QDate(2024, 1, 1), QTime(0, 0), Qt::OffsetFromUTC, 10 * 3600);
    constexpr int kYear = 52560;
    {
        engine::ObservationRecord record(path, log);
        // A year as the graph's histories would fill it: a day (144 readings) per store.
        engine::HistoryTable day;
        for (int k = 0; k < kYear; ++k) {
            day.append(reading(start, k));
            if (day.size() == 144 || k == kYear - 1) {
                record.store(station, QStringLiteral("Sydney"), day, layout);
                day.clear();
            }
        }
        // Then scans: one reading each, as the monitor stores them.
        constexpr int kScans = 200;
        QElapsedTimer timer;
        timer.start();
        for (int k = 0; k < kScans; ++k)
            record.store(station, QStringLiteral("Sydney"), {reading(start, kYear + k)}, layout);
        out << "store per scan: " << double(timer.nsecsElapsed()) / kScans / 1e6 << " ms"
            << Qt::endl;

        timer.restart();
        const qint64 newest = *record.newestObserved(station);
        const engine::HistoryTable year = record.readings(
            station, newest - engine::spanSeconds(engine::Year1), newest, layout, 12, 0, 2000);
        const qint64 readNs = timer.nsecsElapsed();
        const engine::GraphPlot plot = engine::plotGraph(year, 0, engine::Year1, QSizeF(800, 300));
        out << "1-year graph: " << year.size() << " readings (each part's extremes), read "
            << readNs / 1e6 << " ms, plotted " << (timer.nsecsElapsed() - readNs) / 1e6 << " ms, "
            << plot.lines.value(0).size() << " points drawn" << Qt::endl;
    }
    {
        // The monitor keeps its record open all day: what that holds once opened (its quick
        // check reads every page) and once a year's graph has been read.
        const auto heap = [] { return qint64(mallinfo2().uordblks) / 1024; };
        const qint64 before = heap();
        engine::ObservationRecord reopened(path, log);
        const qint64 opened = heap() - before;
        const qint64 newest = *reopened.newestObserved(station);
        (void)reopened.readings(station, newest - engine::spanSeconds(engine::Year1), newest,
                                layout, 12, 0, 2000);
        out << "heap held by the open record: " << opened << " KiB opened, " << heap() - before
            << " KiB after a year's graph" << Qt::endl;
    }
    qint64 bytes = 0;
    for (const char* end : {"", "-wal"})
        bytes += QFileInfo(path + QLatin1String(end)).size();
    out << "file after a year: " << bytes / 1024 << " KiB (" << bytes << " bytes, "
        << double(bytes) / kYear << " a reading)" << Qt::endl;
    if (!log.text().isEmpty())
        out << "log: " << log.text() << Qt::endl;

    QByteArray empty = "{\"observations\":{\"data\":[{}";
    for (int i = 1; i < 1000000; ++i)
        empty += ",{}";
    empty += "]}}";
    const long before = peakMemoryKb();
    QElapsedTimer timer;
    timer.start();
    const auto read = engine::readStationHistory(empty, layout, 11);
    out << "history of 1,000,000 empty rows (" << empty.size() / 1024
        << " KiB): " << timer.elapsed() << " ms, "
        << read.rows.value_or(engine::HistoryTable()).size() << " readings kept, peak memory +"
        << (peakMemoryKb() - before) / 1024 << " MiB" << Qt::endl;
    QFile::remove(path);
    return 0;
}
