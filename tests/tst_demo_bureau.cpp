// The shipped layout file and the demo bureau that stands in for the bureau's pages: the layout
// loads for every region, the generated pages parse with the layout's markers by the cell rules
// the program uses, and the server answers (and misbehaves) over real sockets on 127.0.0.1.

#include "common/ini_file.h"
#include "tools/demo-bureau/bureau_pages.h"
#include "tools/demo-bureau/bureau_site.h"
#include "tools/demo-bureau/demo_server.h"
#include "tools/demo-bureau/station_data.h"
#include "weather/config/layout_file.h"

#include <QDateTime>
#include <QDeadlineTimer>
#include <QFile>
#include <QRegularExpression>
#include <QSet>
#include <QSignalSpy>
#include <QTcpSocket>
#include <QTest>

#include <functional>
#include <memory>

using namespace demo;

namespace {

const QString kLayout = QStringLiteral(NIMBULO_SOURCE_DIR "/data/weather.ini");

// 1:30 pm in the eastern states, on the half hour everywhere.
const qint64 kNow =
    QDateTime::fromString(QStringLiteral("2025-01-07T03:30:00Z"), Qt::ISODate).toSecsSinceEpoch();

// The column ids of the regional table for the layout's columns, in layout order, and the ids the
// history table uses for them (its pressure column is the mean-sea-level one).
const QStringList kRegionalIds = {QStringLiteral("datetime"),      QStringLiteral("tmp"),
                                  QStringLiteral("apptmp"),        QStringLiteral("dewpoint"),
                                  QStringLiteral("relhum"),        QStringLiteral("delta-t"),
                                  QStringLiteral("wind-dir"),      QStringLiteral("wind-spd-kmh"),
                                  QStringLiteral("wind-gust-kmh"), QStringLiteral("wind-spd-kts"),
                                  QStringLiteral("wind-gust-kts"), QStringLiteral("press"),
                                  QStringLiteral("rainsince9am")};

QString historyIdOf(const QString& regionalId)
{
    return regionalId == QLatin1String("press") ? QStringLiteral("press-msl") : regionalId;
}

QString trimBlanks(QStringView text)
{
    qsizetype a = 0;
    qsizetype b = text.size();
    while (a < b && text[a] == u' ')
        ++a;
    while (b > a && text[b - 1] == u' ')
        --b;
    return text.mid(a, b - a).toString();
}

// The line of `text` that holds position `pos`.
QString lineAt(const QString& text, qsizetype pos)
{
    const qsizetype start = text.lastIndexOf(QLatin1Char('\n'), pos - 1) + 1;
    qsizetype end = text.indexOf(QLatin1Char('\n'), pos);
    if (end < 0)
        end = text.size();
    return text.mid(start, end - start);
}

struct Cell
{
    QString value;
    QString line; // the page line the value stands on
};

// Walks a cut-out data block with the parser's rules, by position.
class BlockWalk
{
public:
    BlockWalk(QString block, QString cellEnd)
        : text_(std::move(block)), cellEnd_(std::move(cellEnd)),
          lastBang_(text_.lastIndexOf(QLatin1Char('!')))
    {}

    // Moves to the next occurrence of `marker`; false when there is none.
    bool nextRow(const QString& marker)
    {
        const qsizetype p = text_.indexOf(marker, pos_);
        if (p < 0)
            return false;
        pos_ = p;
        return true;
    }

    // History rows: a marker right before a line end is stepped over.
    bool nextHistoryRow(const QString& marker)
    {
        if (!nextRow(marker))
            return false;
        if (text_.indexOf(QLatin1Char('\n'), pos_) == pos_ + 4)
            pos_ += 4;
        return true;
    }

    // A cell of the observation page: value after the first ">" up to the cell end (or the line
    // break); the next cell is looked for from the next line feed.
    Cell readCell()
    {
        const qsizetype p = valueStart();
        Cell cell{trimBlanks(QStringView(text_).mid(p, valueEnd(p) - p)), lineAt(text_, p)};
        advanceToLineFeed(p);
        return cell;
    }

    // A cell of the history page: as readCell, but "&nbsp" reads as N/F, and with a cell end the
    // walk goes on 5 characters after it, unless the rest holds a "!".
    Cell readGraphCell()
    {
        const qsizetype p = valueStart();
        QString value = text_.mid(p, valueEnd(p) - p);
        if (value.contains(QLatin1String("&nbsp")))
            value = QStringLiteral("N/F");
        Cell cell{trimBlanks(value), lineAt(text_, p)};
        const bool restHasBang = lastBang_ >= pos_;
        const qsizetype end = cellEnd_.isEmpty() ? -1 : text_.indexOf(cellEnd_, p);
        if (end >= 0 && !restHasBang)
            pos_ = end + 5;
        else
            advanceToLineFeed(p);
        return cell;
    }

    // The text from the walk's position to the first occurrence of `marker`.
    QString restUntil(const QString& marker) const
    {
        const qsizetype end = text_.indexOf(marker, pos_);
        return text_.mid(pos_, end < 0 ? -1 : end - pos_);
    }

private:
    qsizetype valueStart() const { return text_.indexOf(QLatin1Char('>'), pos_) + 1; }

    qsizetype valueEnd(qsizetype p) const
    {
        if (cellEnd_.isEmpty()) {
            const qsizetype crlf = text_.indexOf(QLatin1String("\r\n"), p);
            const qsizetype lf = text_.indexOf(QLatin1Char('\n'), p);
            return crlf >= 0 ? crlf : lf >= 0 ? lf : text_.size();
        }
        const qsizetype q = text_.indexOf(cellEnd_, p);
        return q < 0 ? p : q;
    }

    void advanceToLineFeed(qsizetype p)
    {
        const qsizetype lf = text_.indexOf(QLatin1Char('\n'), p);
        pos_ = lf < 0 ? text_.size() : lf;
    }

    QString text_;
    QString cellEnd_;
    qsizetype lastBang_; // the rest holds a "!" while the walk is before this
    qsizetype pos_ = 0;
};

// The data block: from one character into the start marker to one past the end marker.
QString cutBlock(const QString& page, const QString& start, Qt::CaseSensitivity startCase,
                 const QString& end)
{
    const qsizetype s = page.indexOf(start, 0, startCase);
    if (s < 0)
        return {};
    const qsizetype e = page.indexOf(end, s);
    return page.mid(s + 1, e < 0 ? -1 : e - s + end.size());
}

struct StationRow
{
    Cell name;
    QList<Cell> cells;
};

QList<StationRow> parseObservationPage(const QString& page, const config::StateLayout& layout)
{
    BlockWalk walk(cutBlock(page, layout.blockStart, Qt::CaseInsensitive, layout.blockEnd),
                   layout.cellEnd);
    QList<StationRow> rows;
    while (walk.nextRow(layout.rowMarker)) {
        StationRow row{walk.readCell(), {}};
        for (int c = 0; c < layout.columnCount; ++c)
            row.cells.append(walk.readCell());
        rows.append(row);
    }
    return rows;
}

struct HistoryRow
{
    Cell time;
    QList<Cell> cells;
    QList<Cell> dropped;
    QString rest; // what is left of the row after its cells were read
};

// Columns the graph offers: after the fixed ones, without the wind direction.
int graphCountOf(const config::StateLayout& layout)
{
    int count = 0;
    for (int i = layout.fixedColumns + 1; i <= layout.columnCount; ++i)
        count += i != layout.windDirColumn ? 1 : 0;
    return count;
}

QList<HistoryRow> parseHistoryPage(const QString& page, const config::StateLayout& layout)
{
    const QString start =
        layout.historyBlockStart.isEmpty() ? layout.blockStart : layout.historyBlockStart;
    BlockWalk walk(cutBlock(page, start, Qt::CaseSensitive, layout.blockEnd), layout.cellEnd);
    const QSet<int> skips(layout.historySkipCells.begin(), layout.historySkipCells.end());
    QList<HistoryRow> rows;
    while (walk.nextHistoryRow(layout.historyRowMarker)) {
        HistoryRow row;
        row.time = walk.readGraphCell();
        for (int i = 0; i <= graphCountOf(layout); ++i) {
            if (i != 0 && skips.contains(i))
                row.dropped.append(walk.readGraphCell());
            row.cells.append(walk.readGraphCell());
        }
        row.rest = walk.restUntil(QStringLiteral("</tr>"));
        rows.append(row);
    }
    return rows;
}

// A value the bureau could show in a column with this unit sign ("-" is always possible).
bool saneValue(const QString& value, const config::LayoutColumn& column, bool windDir)
{
    static const QSet<QString> compass = {
        QStringLiteral("N"),   QStringLiteral("NNE"), QStringLiteral("NE"), QStringLiteral("ENE"),
        QStringLiteral("E"),   QStringLiteral("ESE"), QStringLiteral("SE"), QStringLiteral("SSE"),
        QStringLiteral("S"),   QStringLiteral("SSW"), QStringLiteral("SW"), QStringLiteral("WSW"),
        QStringLiteral("W"),   QStringLiteral("WNW"), QStringLiteral("NW"), QStringLiteral("NNW"),
        QStringLiteral("CALM")};
    if (value == QLatin1String("-"))
        return true;
    if (windDir)
        return compass.contains(value);
    static const QRegularExpression decimal(QStringLiteral("^-?\\d+\\.\\d$"));
    static const QRegularExpression whole(QStringLiteral("^\\d+$"));
    const double v = value.toDouble();
    const QString& sign = column.sign;
    if (sign == QStringLiteral("°C"))
        return decimal.match(value).hasMatch() && v > -60 && v < 60;
    if (sign == QLatin1String("%"))
        return whole.match(value).hasMatch() && v >= 0 && v <= 100;
    if (sign == QLatin1String("km/h") || sign == QLatin1String("kts"))
        return whole.match(value).hasMatch() && v < 300;
    if (sign == QLatin1String("hPa"))
        return decimal.match(value).hasMatch() && v > 900 && v < 1100;
    if (sign == QLatin1String("mm"))
        return decimal.match(value).hasMatch() && v >= 0;
    return false;
}

const QRegularExpression& bureauTimePattern()
{
    static const QRegularExpression pattern(QStringLiteral("^(\\d\\d)/(\\d\\d):(\\d\\d)([ap]m)$"));
    return pattern;
}

// Minutes since the start of the month of a "07/01:30pm" text.
int minutesOf(const QString& text)
{
    const auto m = bureauTimePattern().match(text);
    const int hour = m.captured(2).toInt() % 12 + (m.captured(4) == QLatin1String("pm") ? 12 : 0);
    return (m.captured(1).toInt() * 24 + hour) * 60 + m.captured(3).toInt();
}

const Region& regionOf(const config::StateLayout& layout)
{
    const Region* region = findRegion(sitePath(layout.obsUrl).section(QLatin1Char('/'), 1, 1));
    Q_ASSERT(region != nullptr);
    return *region;
}

// Waits, running the event loop, until `done` holds or 10 s have passed.
bool waitUntil(const std::function<bool()>& done)
{
    QDeadlineTimer deadline(10'000);
    while (!done() && !deadline.hasExpired())
        QTest::qWait(5);
    return done();
}

struct Exchange
{
    QByteArray head;
    QByteArray body;
    int status = 0;
    qsizetype contentLength = -1;
};

Exchange splitResponse(const QByteArray& bytes)
{
    Exchange e;
    const qsizetype end = bytes.indexOf("\r\n\r\n");
    e.head = bytes.left(end);
    e.body = end < 0 ? QByteArray() : bytes.mid(end + 4);
    e.status = bytes.mid(bytes.indexOf(' ') + 1, 3).toInt();
    static const QRegularExpression length(QStringLiteral("\r\nContent-Length: (\\d+)\r\n"));
    const auto m = length.match(QString::fromLatin1(e.head + "\r\n"));
    if (m.hasMatch())
        e.contentLength = m.captured(1).toLongLong();
    return e;
}

// A client connection to the demo server that collects everything it receives.
class Client
{
public:
    explicit Client(quint16 port) : closed_(&socket_, &QTcpSocket::disconnected)
    {
        QObject::connect(&socket_, &QTcpSocket::readyRead,
                         [this] { received_ += socket_.readAll(); });
        socket_.connectToHost(QHostAddress::LocalHost, port);
    }

    void send(const QByteArray& request) { socket_.write(request); }

    // Everything up to the server's close.
    bool waitForClose()
    {
        return waitUntil([this] { return !closed_.isEmpty(); });
    }

    // The whole announced body, whether or not the server closes.
    bool waitForBody()
    {
        return waitUntil([this] {
            const Exchange e = splitResponse(received_);
            return e.contentLength >= 0 && e.body.size() >= e.contentLength;
        });
    }

    bool closedByServer() const { return !closed_.isEmpty(); }
    QSignalSpy& closedSpy() { return closed_; }
    Exchange response() const { return splitResponse(received_); }
    QTcpSocket& socket() { return socket_; }

private:
    QTcpSocket socket_;
    QByteArray received_;
    QSignalSpy closed_;
};

std::unique_ptr<DemoServer> startServer(const QString& options)
{
    Misbehaviour defaults;
    QString error;
    if (!defaults.setItems(options, &error))
        qFatal("bad options %s", qPrintable(error));
    auto server = std::make_unique<DemoServer>(BureauSite::fromLayout(kLayout), defaults);
    server->setClock(kNow);
    if (!server->listen(0))
        qFatal("cannot listen: %s", qPrintable(server->errorString()));
    return server;
}

} // namespace

class TestDemoBureau : public QObject
{
    Q_OBJECT

private slots:
    void layoutFileIsWellFormed();
    void regionLayout_data();
    void regionLayout();
    void observationPageParses_data() { regionLayout_data(); }
    void observationPageParses();
    void historyPageParses_data() { regionLayout_data(); }
    void historyPageParses();
    void pagesFollowTheClock();
    void historyPagesAreDistinct();
    void versionFile();
    void serves_data();
    void serves();
    void cutClosesEarly();
    void neverCloseKeepsConnectionWhileOthersAreServed();
    void oversizedRequestHeadIsRefused();

private:
    BureauSite site_ = BureauSite::fromLayout(kLayout);
};

void TestDemoBureau::layoutFileIsWellFormed()
{
    QFile file(kLayout);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    QVERIFY(QString::fromUtf8(bytes).toUtf8() == bytes); // valid UTF-8

    // Every value reaches the program whole.
    for (const QByteArray& line : bytes.split('\n')) {
        const qsizetype eq = line.indexOf('=');
        if (eq > 0 && !line.startsWith(';'))
            QVERIFY2(line.mid(eq + 1).trimmed().size() <= common::kIniValueLimit, line.constData());
    }

    // What the layout update accepts: "[FixedSetting]" and "[EOF]" in the last 21 characters.
    QVERIFY(bytes.contains("[FixedSetting]"));
    QVERIFY(bytes.indexOf("[EOF]", bytes.size() - 21) >= 0);
    QCOMPARE(bytes.trimmed().right(5), QByteArray("[EOF]"));
    QCOMPARE(common::readIni(QStringLiteral("FixedSetting"), QStringLiteral("ver"), kLayout).size(),
             5);

    const config::RegionList regions = config::loadRegionList(kLayout);
    QCOMPARE(regions.sections.size(), 8);
    QCOMPARE(regions.displayNames.size(), 8);
    QVERIFY(!regions.displayNames.contains(QString()));
    QCOMPARE(site_.skippedRegions(), QStringList());
}

void TestDemoBureau::regionLayout_data()
{
    QTest::addColumn<QString>("section");
    for (const QString& section : config::loadRegionList(kLayout).sections)
        QTest::newRow(qPrintable(section)) << section;
}

void TestDemoBureau::regionLayout()
{
    QFETCH(QString, section);
    const config::StateLayout layout = config::loadStateLayout(section, kLayout);
    const auto own = [&](const char* key) {
        return common::readIni(section, QLatin1String(key), kLayout);
    };

    QVERIFY(!own("st_url").isEmpty());
    QVERIFY(!own("st_url").startsWith(QLatin1Char('/')));
    QVERIFY(!layout.blockStart.isEmpty() && !layout.blockEnd.isEmpty());
    QVERIFY(!layout.rowMarker.isEmpty() && !layout.historyRowMarker.isEmpty());

    QCOMPARE(layout.columnCount, int(kRegionalIds.size()));
    QCOMPARE(layout.columns.size(), layout.columnCount);
    QCOMPARE(int(layout.fixedColumns), 1);
    QCOMPARE(layout.columns.at(0).header, QStringLiteral("Date/Time"));
    // The level icon and the trend read the first stat column.
    QVERIFY(layout.columns.at(1).header.startsWith(QLatin1String("Temp")));
    QCOMPARE(layout.columns.at(layout.windDirColumn - 1).header, QStringLiteral("Wind Dir"));
    for (int i = 0; i < layout.columnCount; ++i) {
        const config::LayoutColumn& column = layout.columns.at(i);
        QVERIFY(!column.header.isEmpty());
        const bool unitless = i == 0 || i + 1 == layout.windDirColumn;
        QCOMPARE(column.sign.isEmpty(), unitless);
        QCOMPARE(column.kind == 0, unitless);
        QVERIFY(column.kind >= 0 && column.kind <= 6);
        QVERIFY2(!common::readIni(QStringLiteral("Trans"), column.header, kLayout).isEmpty(),
                 qPrintable(column.header));
    }

    QCOMPARE(layout.forecastPages.size(), own("forecasts").toInt());
    QCOMPARE(layout.radarPages.size(), own("rain").toInt());
    for (const auto& pages : {layout.forecastPages, layout.radarPages}) {
        for (const config::LayoutPage& page : pages) {
            QVERIFY(!page.name.isEmpty());
            QVERIFY(page.url.size() > config::bureauRoot().size());
            QCOMPARE(site_.page(sitePath(page.url), kNow).status, 200);
        }
    }
    QVERIFY(!layout.mapUrl.isEmpty());
    QCOMPARE(site_.page(sitePath(layout.mapUrl), kNow).status, 200);
}

void TestDemoBureau::observationPageParses()
{
    QFETCH(QString, section);
    const config::StateLayout layout = config::loadStateLayout(section, kLayout);
    const Region& region = regionOf(layout);
    const Page page = site_.page(sitePath(layout.obsUrl), kNow);
    QCOMPARE(page.status, 200);
    const QString html = QString::fromUtf8(page.body);
    // The fetcher's test of a whole page.
    QVERIFY(html.contains(layout.blockStart, Qt::CaseInsensitive));
    QVERIFY(html.contains(layout.blockEnd, Qt::CaseInsensitive));

    const QList<StationRow> rows = parseObservationPage(html, layout);
    QCOMPARE(rows.size(), region.stations.size());
    QVERIFY(rows.size() >= 6 && rows.size() <= 12);
    QSet<QString> names;
    for (const StationRow& row : rows) {
        // The station list takes the text after the first ">" without its last 4 characters.
        const QString& nameCell = row.name.value;
        const QString name = nameCell.mid(nameCell.indexOf(QLatin1Char('>')) + 1).chopped(4);
        const auto station = std::find_if(region.stations.begin(), region.stations.end(),
                                          [&](const Station& s) { return s.name == name; });
        QVERIFY2(station != region.stations.end(), qPrintable(nameCell));
        names.insert(name);

        // The history link, read as the program reads it.
        const qsizetype href = nameCell.indexOf(QLatin1String("href="));
        QVERIFY(href >= 0);
        const qsizetype a = href + 6;
        const QString path = nameCell.mid(a, nameCell.indexOf(QLatin1Char('>'), a) - 1 - a);
        QCOMPARE(path, historyPath(region, *station));
        QCOMPARE(site_.page(path, kNow).status, 200);

        // Each cell is the page's cell of its column, and holds a value that column can hold.
        QCOMPARE(row.cells.size(), layout.columnCount);
        QVERIFY2(bureauTimePattern().match(row.cells.at(0).value).hasMatch(),
                 qPrintable(row.cells.at(0).value));
        for (int c = 0; c < layout.columnCount; ++c) {
            const Cell& cell = row.cells.at(c);
            QVERIFY2(cell.line.contains(QStringLiteral("-%1 t").arg(kRegionalIds.at(c))),
                     qPrintable(cell.line));
            if (c > 0) {
                QVERIFY2(saneValue(cell.value, layout.columns.at(c), c + 1 == layout.windDirColumn),
                         qPrintable(cell.line));
            }
        }
    }
    QCOMPARE(names.size(), rows.size());
}

void TestDemoBureau::historyPageParses()
{
    QFETCH(QString, section);
    const config::StateLayout layout = config::loadStateLayout(section, kLayout);
    const Region& region = regionOf(layout);
    const QList<StationRow> current = parseObservationPage(
        QString::fromUtf8(site_.page(sitePath(layout.obsUrl), kNow).body), layout);
    QCOMPARE(current.size(), region.stations.size());

    for (qsizetype s = 0; s < region.stations.size(); ++s) {
        const Station& station = region.stations.at(s);
        const Page page = site_.page(historyPath(region, station), kNow);
        QCOMPARE(page.status, 200);
        const QString html = QString::fromUtf8(page.body);
        // The history page is fetched with the observation page's markers.
        QVERIFY(html.contains(layout.blockStart, Qt::CaseInsensitive));
        QVERIFY(html.contains(layout.blockEnd, Qt::CaseInsensitive));

        const QList<HistoryRow> rows = parseHistoryPage(html, layout);
        QCOMPARE(rows.size(), kHistoryRows);
        for (qsizetype r = 0; r < rows.size(); ++r) {
            const HistoryRow& row = rows.at(r);
            QVERIFY2(bureauTimePattern().match(row.time.value).hasMatch(),
                     qPrintable(row.time.value));
            if (r > 0) {
                const int step = minutesOf(rows.at(r - 1).time.value) - minutesOf(row.time.value);
                QVERIFY2(step == 30 || step < 0, qPrintable(row.time.value)); // or a new month
            }
            // Cell k is the page's cell of layout column k + 1; the extra pressure is dropped.
            QCOMPARE(row.cells.size(), graphCountOf(layout) + 1);
            for (int k = 0; k < row.cells.size(); ++k) {
                const QString id = historyIdOf(kRegionalIds.at(k + 1));
                QVERIFY2(row.cells.at(k).line.contains(QStringLiteral("\"t1-%1\"").arg(id)),
                         qPrintable(row.cells.at(k).line));
                QVERIFY(saneValue(row.cells.at(k).value, layout.columns.at(k + 1),
                                  k + 2 == layout.windDirColumn));
            }
            QCOMPARE(row.dropped.size(), 1);
            QVERIFY(row.dropped.at(0).line.contains(QLatin1String("\"t1-press-qnh\"")));
            QVERIFY2(!row.rest.contains(QLatin1String("<td")), qPrintable(row.rest));
        }

        // On the half hour the newest history row is the station's current reading.
        const StationRow& now = current.at(s);
        QVERIFY(now.name.value.contains(QStringLiteral(">%1<").arg(station.name)));
        QCOMPARE(rows.at(0).time.value, now.cells.at(0).value);
        for (int k = 0; k < rows.at(0).cells.size(); ++k)
            QCOMPARE(rows.at(0).cells.at(k).value, now.cells.at(k + 1).value);
    }
}

void TestDemoBureau::pagesFollowTheClock()
{
    const Region& region = *findRegion(u"nsw");
    const QByteArray page = observationPage(region, kNow);
    QCOMPARE(observationPage(region, kNow), page);
    QVERIFY(observationPage(region, kNow + kStepSeconds) != page);

    // Over a day the temperature of a station swings by some degrees, warmest in the afternoon.
    const Station& station = region.stations.first();
    const qint64 midnight = kNow - 13 * 3600 - 30 * 60; // now is 1:30 pm local
    const double dawn = readingAt(region, station, midnight + 4 * 3600).values[Temp].toDouble();
    const double afternoon =
        readingAt(region, station, midnight + 15 * 3600).values[Temp].toDouble();
    QVERIFY2(afternoon > dawn + 2, qPrintable(QStringLiteral("%1 %2").arg(dawn).arg(afternoon)));
}

void TestDemoBureau::historyPagesAreDistinct()
{
    // Tasmania and Antarctica share a product; every station must still have its own page.
    QSet<QString> paths;
    qsizetype stations = 0;
    for (const Region& region : builtInRegions()) {
        stations += region.stations.size();
        for (const Station& station : region.stations)
            paths.insert(historyPath(region, station));
    }
    QCOMPARE(paths.size(), stations);
}

void TestDemoBureau::versionFile()
{
    const Page page = site_.page(QStringLiteral("/freeload/wthrvers.txt"), kNow);
    QCOMPARE(page.status, 200);
    const QString ver =
        common::readIni(QStringLiteral("FixedSetting"), QStringLiteral("ver"), kLayout);
    QCOMPARE(page.body, QByteArray("exe=1.0.0\r\nini=" + ver.toLatin1() + "\r\n"));
    // The version check takes exactly 5 characters after each key.
    QCOMPARE(page.body.mid(page.body.indexOf("exe=") + 4, 5), QByteArray("1.0.0"));

    BureauSite site = BureauSite::fromLayout(kLayout);
    site.setExeVersion(QStringLiteral("1.5.9"));
    site.setIniVersion(QStringLiteral("2.0.1"));
    QCOMPARE(site.page(QStringLiteral("/freeload/wthrvers.txt"), kNow).body,
             QByteArray("exe=1.5.9\r\nini=2.0.1\r\n"));

    QFile file(kLayout);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(site.page(QStringLiteral("/freeload/weather.ini"), kNow).body, file.readAll());
}

void TestDemoBureau::serves_data()
{
    QTest::addColumn<QString>("options");
    QTest::addColumn<QByteArray>("request");
    QTest::addColumn<int>("status");
    QTest::addColumn<QByteArray>("header"); // a header line the answer carries
    QTest::addColumn<QByteArray>("body");   // text the body holds

    const QByteArray obs = "/nsw/observations/nswall.shtml";
    const QByteArray get = "GET " + obs + " HTTP/1.0\r\n";
    const QByteArray html = "Content-Type: text/html; charset=utf-8";
    const QByteArray basic = "Proxy-Authenticate: Basic realm=\"demo-bureau\"";

    QTest::newRow("origin form") << "" << get + "\r\n" << 200 << html << QByteArray("tabledata");
    QTest::newRow("absolute form, as a proxy receives it")
        << ""
        << QByteArray("GET http://www.bom.gov.au/vic/observations/vicall.shtml HTTP/1.0\r\n"
                      "Accept: text/html\r\n\r\n")
        << 200 << html << QByteArray("Melbourne (Olympic Park)");
    QTest::newRow("absolute form, any host")
        << "" << QByteArray("GET HTTP://demo.invalid:81/freeload/wthrvers.txt HTTP/1.0\r\n\r\n")
        << 200 << QByteArray("Content-Type: text/plain; charset=utf-8") << QByteArray("exe=");
    QTest::newRow("history page")
        << "" << QByteArray("GET /products/IDN60801/IDN60801.94768.shtml HTTP/1.0\r\n\r\n") << 200
        << html << QByteArray("<table id=\"t1\"");
    QTest::newRow("layout file, line feeds only")
        << "" << QByteArray("GET /freeload/weather.ini HTTP/1.0\n\n") << 200
        << QByteArray("Content-Type: text/plain") << QByteArray("[FixedSetting]");
    QTest::newRow("query ignored") << "" << QByteArray("GET " + obs + "?x=1 HTTP/1.0\r\n\r\n")
                                   << 200 << html << QByteArray("tabledata");
    QTest::newRow("unknown path") << "" << QByteArray("GET /nsw/nothing.shtml HTTP/1.0\r\n\r\n")
                                  << 404 << html << QByteArray("404");
    QTest::newRow("not GET") << "" << QByteArray("POST " + obs + " HTTP/1.0\r\n\r\n") << 405
                             << QByteArray("Allow: GET") << QByteArray();
    QTest::newRow("garbage") << "" << QByteArray("hello\r\n\r\n") << 400 << html << QByteArray();
    QTest::newRow("unknown misbehaviour")
        << "" << QByteArray("GET /_misbehave/bogus=1" + obs + " HTTP/1.0\r\n\r\n") << 400 << html
        << QByteArray();

    QTest::newRow("301 by option")
        << "status=301" << get + "\r\n"
        << 301 << QByteArray("Location: /moved" + obs) << QByteArray("301");
    QTest::newRow("302 by path") << ""
                                 << QByteArray("GET /_misbehave/status=302" + obs +
                                               " HTTP/1.0\r\n\r\n")
                                 << 302 << QByteArray("Location: /moved" + obs) << QByteArray();
    QTest::newRow("404 by option") << "status=404" << get + "\r\n" << 404 << html << QByteArray();
    QTest::newRow("407 Basic") << "status=407" << get + "\r\n" << 407 << basic << QByteArray();
    QTest::newRow("407 Digest")
        << "status=407,auth-scheme=Digest" << get + "\r\n"
        << 407 << QByteArray("Proxy-Authenticate: Digest realm=\"demo-bureau\", qop=\"auth\"")
        << QByteArray();
    QTest::newRow("407 NTLM by path")
        << ""
        << QByteArray("GET /_misbehave/status=407,auth-scheme=NTLM" + obs + " HTTP/1.0\r\n\r\n")
        << 407 << QByteArray("Proxy-Authenticate: NTLM") << QByteArray();
    QTest::newRow("path overrides option")
        << "status=407" << QByteArray("GET /_misbehave/status=200" + obs + " HTTP/1.0\r\n\r\n")
        << 200 << html << QByteArray("tabledata");

    const QByteArray credentials = "dXNlcjpzZWNyZXQ="; // user:secret
    QTest::newRow("auth required, none sent")
        << "require-auth=user:secret" << get + "Accept: text/html\r\n\r\n"
        << 407 << basic << QByteArray();
    QTest::newRow("auth required, BASIC sent")
        << "require-auth=user:secret"
        << get + "Proxy-Authorization: BASIC " + credentials + "\r\n\r\n"
        << 200 << html << QByteArray("tabledata");
    QTest::newRow("auth required, basic sent")
        << "require-auth=user:secret"
        << get + "proxy-authorization: basic " + credentials + "\r\n\r\n"
        << 200 << html << QByteArray("tabledata");
    QTest::newRow("auth required, wrong password")
        << "require-auth=user:secret"
        << get + "Proxy-Authorization: Basic " + QByteArray("user:wrong").toBase64() + "\r\n\r\n"
        << 407 << basic << QByteArray();
    QTest::newRow("auth required, other scheme")
        << "require-auth=user:secret"
        << get + "Proxy-Authorization: Digest " + credentials + "\r\n\r\n"
        << 407 << basic << QByteArray();
    QTest::newRow("auth required by path")
        << "" << QByteArray("GET /_misbehave/require-auth=u:p" + obs + " HTTP/1.0\r\n\r\n") << 407
        << basic << QByteArray();

    QTest::newRow("delayed and dripped") << "delay=20,drip=4096" << get + "\r\n"
                                         << 200 << html << QByteArray("</html>");
}

void TestDemoBureau::serves()
{
    QFETCH(QString, options);
    QFETCH(QByteArray, request);
    QFETCH(int, status);
    QFETCH(QByteArray, header);
    QFETCH(QByteArray, body);

    const auto server = startServer(options);
    Client client(server->port());
    client.send(request);
    QVERIFY(client.waitForClose());

    const Exchange e = client.response();
    QVERIFY2(e.head.startsWith("HTTP/1.0 "), e.head.constData());
    QCOMPARE(e.status, status);
    QVERIFY2(e.head.contains("\r\n" + header), e.head.constData());
    QCOMPARE(e.contentLength, e.body.size());
    QVERIFY(e.body.contains(body));
    QVERIFY(waitUntil([&] { return server->openConnections() == 0; }));
}

void TestDemoBureau::cutClosesEarly()
{
    for (const QString& options : {QStringLiteral("cut=100"), QString()}) {
        const auto server = startServer(options);
        Client client(server->port());
        client.send(options.isEmpty()
                        ? "GET /_misbehave/cut=100/nsw/observations/nswall.shtml HTTP/1.0\r\n\r\n"
                        : "GET /nsw/observations/nswall.shtml HTTP/1.0\r\n\r\n");
        QVERIFY(client.waitForClose());
        const Exchange e = client.response();
        QCOMPARE(e.status, 200);
        QCOMPARE(e.body.size(), 100);
        QVERIFY(e.contentLength > 100);
    }
}

void TestDemoBureau::neverCloseKeepsConnectionWhileOthersAreServed()
{
    const auto server = startServer(QStringLiteral("never-close"));
    Client lingering(server->port());
    lingering.send("GET /freeload/wthrvers.txt HTTP/1.0\r\n\r\n");
    QVERIFY(lingering.waitForBody());
    QCOMPARE(lingering.response().status, 200);

    // Another client is served meanwhile (its own request turns the lingering off).
    Client other(server->port());
    other.send("GET /_misbehave/never-close=0/freeload/wthrvers.txt HTTP/1.0\r\n\r\n");
    QVERIFY(other.waitForClose());
    QCOMPARE(other.response().body, lingering.response().body);

    QVERIFY(!lingering.closedByServer());
    QVERIFY(!lingering.closedSpy().wait(200));
    QCOMPARE(server->openConnections(), 1);

    lingering.socket().close();
    QVERIFY(waitUntil([&] { return server->openConnections() == 0; }));
}

void TestDemoBureau::oversizedRequestHeadIsRefused()
{
    const auto server = startServer(QString());
    Client client(server->port());
    client.send("GET /" + QByteArray(20'000, 'a'));
    QVERIFY(client.waitForClose());
    QCOMPARE(client.response().status, 400);
}

QTEST_GUILESS_MAIN(TestDemoBureau)
#include "tst_demo_bureau.moc"
