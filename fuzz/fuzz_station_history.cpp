// A station's history product (JSON) through the graph's feed reader, for the station an
// address names (input: product 0x1F station; any "wmo" the product holds against it): the
// kept rows read with each shipped layout's fields, its heap no faster than the product, and
// each column's range and plot over 72 hours.

#include "fuzz_support.h"
#include "weather/engine/history_feed.h"

#include <QSizeF>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QList<config::StateLayout>& layouts = fuzz::shippedLayouts();
    const config::StateLayout& layout = layouts.at(static_cast<qsizetype>(size) % layouts.size());
    const int graphCount = layout.columnCount;
    // The product, then the station the address names (perhaps none).
    const QList<QByteArray> parts = fuzz::fields(fuzz::bytes(data, size), 2);
    const QString station = QString::fromUtf8(parts[1]);
    engine::FeedResult<engine::HistoryTable> read;
    fuzz::requireLinearHeap(size, 256, [&] {
        read = engine::readStationHistory(parts[0], layout, graphCount, station);
    });

    fuzz::require(read.rows.has_value() == read.error.isEmpty(), "rows or a reason, not both");
    if (!read.rows)
        return 0;
    for (const engine::HistoryRow& row : *read.rows)
        fuzz::require(row.cells.size() == graphCount + 1, "every row has every cell");
    for (int column = 1; column < layout.columnCount; ++column) {
        const engine::GraphStat stat = engine::graphStatOf(layout, column);
        const engine::GraphPlot plot =
            engine::plotGraph(*read.rows, stat.cell, engine::Hours72, QSizeF(420, 180));
        if (plot.range.found)
            fuzz::require(plot.points.size() <= plot.lastEntry + 1, "at most a point per reading");
    }
    return 0;
}
