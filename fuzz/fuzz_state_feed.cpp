// A state observations product through the scan's feed reader: the rows read with each shipped
// layout's columns, each row's station name, number and history address, and the stat table
// filled for a station of the product. Its heap grows no faster than the product (no entity
// expands into a text of its own choosing).

#include "fuzz_support.h"
#include "weather/engine/stat_table.h"
#include "weather/engine/state_feed.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QList<config::StateLayout>& layouts = fuzz::shippedLayouts();
    const config::StateLayout& layout = layouts.at(static_cast<qsizetype>(size) % layouts.size());
    engine::FeedResult<engine::RowTable> read;
    fuzz::requireLinearHeap(
        size, 64, [&] { read = engine::readStateObservations(fuzz::bytes(data, size), layout); });
    fuzz::require(read.rows.has_value() == read.error.isEmpty(), "rows or a reason, not both");
    if (!read.rows)
        return 0;
    fuzz::require(!read.rows->isEmpty(), "a product that is taken lists a station");
    for (const engine::ObservationRow& row : *read.rows) {
        fuzz::require(row.cells.size() == layout.columnCount, "one cell per column");
        fuzz::require(row.name.startsWith(u"<a>") && row.name.endsWith(u"</a>"),
                      "the name cell has the page's shape");
        (void)engine::stationHistoryUrl(row, layout, config::bureauRoot());
    }
    engine::StatTable table;
    table.headers = engine::headersOf(layout);
    engine::StatPassOptions options;
    options.stationChosen = true;
    options.station = engine::stationNameOf(read.rows->constLast().name);
    options.bureauRoot = config::bureauRoot();
    const engine::StatPassResult result = engine::fillStatTable(table, *read.rows, layout, options);
    if (result.outcome == engine::StatPassOutcome::Shown)
        fuzz::require(table.values.size() == table.headers.size(), "one value per column");
    return 0;
}
