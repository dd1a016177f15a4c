// Times the observation parser on a generated page (2 MB unless told) in the bureau's table layout.
// Usage: bench_parser [passes] [megabytes]   (defaults 20 and 2). Prints the time per parse for
// three page kinds: cells closed by a cell end marker, cells ending at LF line breaks, and a cell
// end marker that the page never contains (each cell then searches ahead, the case that must stay
// linear).
// (*) every cell reads empty there, so each row replaces the first: one row results.
// Then it compares the two roads of a scan on 0.5 MB, the size of the largest state product:
// reading the state observations product (XML) and choosing a station, against cutting an
// observation page of the same size and choosing a station; and shows what QXmlStreamReader
// alone takes to read that product's tokens, the least any XML reader built on it can cost.

#include "bench_page.h"
#include "weather/engine/observation_parser.h"
#include "weather/engine/state_feed.h"

#include <QElapsedTimer>
#include <QString>
#include <QXmlStreamReader>
#include <QXmlStreamWriter>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <limits>

namespace {

void run(const char* title, const QString& page, const QString& cellEnd, int passes)
{
    config::StateLayout layout;
    layout.blockStart = "<table class=\"tabledata\"";
    layout.blockEnd = "</table>";
    layout.rowMarker = "<th";
    layout.cellEnd = cellEnd;

    qsizetype rows = 0;
    QElapsedTimer timer;
    timer.start();
    for (int i = 0; i < passes; ++i)
        rows += engine::cutDataBlock(page, layout, kColumns).value_or(engine::RowTable()).size();
    const double perParse = double(timer.nsecsElapsed()) / 1e6 / passes;
    std::printf("%-34s %8.2f ms per parse (%lld characters, %lld rows)\n", title, perParse,
                static_cast<long long>(page.size()), static_cast<long long>(rows / passes));
}

// A state observations product in the bureau's shape: stations with about twenty elements.
QString generateProduct(qsizetype size)
{
    static const char* const kTypes[] = {"apparent_temp",
                                         "delta_t",
                                         "gust_kmh",
                                         "wind_gust_spd",
                                         "air_temperature",
                                         "dew_point",
                                         "pres",
                                         "msl_pres",
                                         "qnh_pres",
                                         "rel-humidity",
                                         "wind_dir",
                                         "wind_dir_deg",
                                         "wind_spd_kmh",
                                         "wind_spd",
                                         "rainfall",
                                         "rainfall_24hr",
                                         "maximum_air_temperature",
                                         "minimum_air_temperature",
                                         "vis_km",
                                         "cloud"};
    QString product;
    QXmlStreamWriter xml(&product);
    xml.setAutoFormatting(true);
    xml.writeStartDocument();
    xml.writeStartElement("product");
    xml.writeStartElement("amoc");
    xml.writeTextElement("identifier", "IDN60920");
    xml.writeEndElement();
    xml.writeStartElement("observations");
    for (int station = 0; product.size() < size; ++station) {
        xml.writeStartElement("station");
        xml.writeAttribute("wmo-id", QString::number(94000 + station));
        xml.writeAttribute("bom-id", QString::number(66000 + station));
        xml.writeAttribute("tz", "Australia/Sydney");
        xml.writeAttribute("stn-name", QStringLiteral("STATION %1 AWS").arg(station));
        xml.writeAttribute("type", "AWS");
        xml.writeAttribute("description", QStringLiteral("Station %1").arg(station));
        xml.writeStartElement("period");
        xml.writeAttribute("index", "0");
        xml.writeAttribute("time-utc", "2020-07-29T01:50:00+00:00");
        xml.writeAttribute("time-local", "2020-07-29T11:50:00+10:00");
        xml.writeStartElement("level");
        xml.writeAttribute("index", "0");
        xml.writeAttribute("type", "surface");
        for (const char* type : kTypes) {
            xml.writeStartElement("element");
            xml.writeAttribute("units", "Celsius");
            xml.writeAttribute("type", type);
            xml.writeCharacters(QStringLiteral("%1.%2").arg(station % 40).arg(station % 10));
            xml.writeEndElement();
        }
        xml.writeEndElement();
        xml.writeEndElement();
        xml.writeEndElement();
    }
    xml.writeEndDocument();
    return product;
}

// The fastest of `passes` runs of `work`, in milliseconds: the machine's other work only ever
// adds to a run.
template <typename Work> double fastest(int passes, Work work)
{
    qint64 best = std::numeric_limits<qint64>::max();
    for (int i = 0; i < passes; ++i) {
        QElapsedTimer timer;
        timer.start();
        work();
        best = std::min(best, timer.nsecsElapsed());
    }
    return double(best) / 1e6;
}

// Times one road of a scan: reading the document and finding the middle station's row.
template <typename Document, typename Read>
double compare(const char* title, const Document& document, int passes, Read read)
{
    const QString wanted = QStringLiteral("Station %1<").arg(document.count("Station ") / 2);
    qsizetype rows = 0;
    int found = 0;
    const double best = fastest(passes, [&] {
        const engine::RowTable table = read(document);
        found += std::any_of(table.cbegin(), table.cend(), [&](const engine::ObservationRow& row) {
            return row.name.contains(wanted);
        });
        rows = table.size();
    });
    std::printf("%-34s %8.2f ms per scan, fastest of %d (%lld characters, %lld rows, station %s)\n",
                title, best, passes, static_cast<long long>(document.size()),
                static_cast<long long>(rows), found == passes ? "found" : "MISSING");
    return best;
}

} // namespace

int main(int argc, char** argv)
{
    const int passes = argc > 1 ? std::max(1, std::atoi(argv[1])) : 20;
    const qsizetype megabytes = argc > 2 ? std::max(1, std::atoi(argv[2])) : 2;
    const QString crLfPage = generatePage("\r\n", megabytes * 1024 * 1024);
    const QString lfPage = generatePage("\n", megabytes * 1024 * 1024);
    run("cell end marker, CR LF page", crLfPage, "</t", passes);
    run("cells end at the line break, LF", lfPage, QString(), passes);
    run("cell end marker never found (*)", lfPage, "</nothing>", passes);

    constexpr qsizetype kStateProduct = 512 * 1024;
    config::StateLayout feed;
    feed.obsUrl = "ftp://ftp.bom.gov.au/anon/gen/fwo/IDN60920.xml";
    feed.columnCount = 13;
    feed.xmlElements = QStringList{
        "time-local",    "air_temperature", "apparent_temp", "dew_point", "rel-humidity",
        "delta_t",       "wind_dir",        "wind_spd_kmh",  "gust_kmh",  "wind_spd",
        "wind_gust_spd", "msl_pres",        "rainfall"};
    // As it comes: bytes, which the reader reads straight.
    const QByteArray product = generateProduct(kStateProduct).toUtf8();
    const double xml =
        compare("state product (XML), 0.5 MB", product, passes, [&](const QByteArray& document) {
            return engine::readStateObservations(document, feed).rows.value_or(engine::RowTable());
        });
    config::StateLayout page;
    page.blockStart = "<table class=\"tabledata\"";
    page.blockEnd = "</table>";
    page.rowMarker = "<th";
    page.cellEnd = "</t";
    const double html = compare(
        "observation page (HTML), 0.5 MB", generatePage("\n", kStateProduct), passes,
        [&](const QString& document) {
            return engine::cutDataBlock(document, page, kColumns).value_or(engine::RowTable());
        });
    // What any reader built on QXmlStreamReader pays at least: its tokens, nothing kept.
    const double tokens = fastest(passes, [&] {
        QXmlStreamReader reader(product);
        reader.setNamespaceProcessing(false);
        while (!reader.atEnd())
            reader.readNext();
    });
    std::printf("%-34s %8.2f ms per read, fastest of %d\n", "QXmlStreamReader tokens alone", tokens,
                passes);
    std::printf("XML scan / HTML scan: %.1f; XML scan / tokens alone: %.2f\n", xml / html,
                xml / tokens);
    return 0;
}
