// A history page through the graph's readers and arithmetic: the table read, and for each
// column its range, plot, extremes, read-outs and date texts, over every span. The reader's
// heap grows no faster than the page.

#include "common/text_codec.h"
#include "fuzz_support.h"
#include "weather/engine/history_graph.h"

#include <QDate>
#include <QSizeF>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QList<config::StateLayout>& layouts = fuzz::shippedLayouts();
    const config::StateLayout& layout = layouts.at(static_cast<qsizetype>(size) % layouts.size());
    const QString page = common::decodeText(fuzz::bytes(data, size));
    const int graphCount = layout.columnCount;
    std::optional<engine::HistoryTable> table;
    fuzz::requireLinearHeap(size, 256, [&] {
        table = engine::readHistoryPage(page, layout, graphCount, QDate(2025, 3, 7));
    });
    if (!table || table->isEmpty())
        return 0;
    fuzz::require(table->size() <= engine::kMaxHistoryRows, "the readings are bounded");
    for (const engine::HistoryRow& row : *table) {
        fuzz::require(row.observed.isValid(), "every reading has its time");
        (void)engine::historyDateText(row.observed, true);
        (void)engine::dayTimeText(row.observed);
    }
    for (int column = -1; column <= graphCount; ++column) {
        const engine::GraphStat stat = engine::graphStatOf(layout, column);
        for (int hours = engine::Hours12; hours < engine::kSpanCount; ++hours) {
            const engine::GraphPlot plot =
                engine::plotGraph(*table, stat.cell, hours, QSizeF(420, 180));
            if (!plot.range.found)
                continue;
            fuzz::require(plot.range.maxEntry >= 0 && plot.range.maxEntry < table->size() &&
                              plot.range.minEntry >= 0 && plot.range.minEntry < table->size(),
                          "extremes are entries of the table");
            const engine::HistoryRow& max = table->at(plot.range.maxEntry);
            (void)engine::extremeText(plot.range.max, stat, max, true);
            (void)engine::extremeText(plot.range.min, stat, table->at(plot.range.minEntry), false);
            for (double x = -1; x <= plot.width + 1; x += plot.width / 7 + 1) {
                const int entry = plot.entryAt(x);
                if (entry >= 0) {
                    fuzz::require(entry < table->size(), "the entry at x is in the table");
                    (void)engine::readoutText(stat, table->at(entry));
                    (void)plot.labelLeft(plot.xOf(table->at(entry)), 40);
                }
            }
        }
    }
    return 0;
}
