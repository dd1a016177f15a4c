// A station's history product (JSON) through the graph's feed reader: the kept rows read with
// each shipped layout's fields, and each column's range and plot over 72 hours.

#include "fuzz_support.h"
#include "weather/engine/history_feed.h"

#include <QSizeF>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QList<config::StateLayout>& layouts = fuzz::shippedLayouts();
    const config::StateLayout& layout = layouts.at(static_cast<qsizetype>(size) % layouts.size());
    const int graphCount = layout.columnCount;
    const engine::FeedResult<engine::HistoryTable> read =
        engine::readStationHistory(fuzz::bytes(data, size), layout, graphCount);
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
