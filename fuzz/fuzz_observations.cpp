// An observation page through the scan's readers: the data block cut and split into station
// rows, the stat table filled for a station of the page (twice, so the trend compares), and the
// texts published from it. The region layout is one of the shipped ones, chosen by the size.

#include "common/text_codec.h"
#include "fuzz_support.h"
#include "weather/engine/observation_parser.h"
#include "weather/engine/publishing.h"
#include "weather/engine/stat_table.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QList<config::StateLayout>& layouts = fuzz::shippedLayouts();
    const config::StateLayout& layout = layouts.at(static_cast<qsizetype>(size) % layouts.size());
    const QString page = common::decodeText(fuzz::bytes(data, size));

    engine::RowTable split;
    fuzz::requireLinearHeap(size, 256, [&] {
        split = engine::splitRows(page, layout.rowMarker, layout.cellEnd, layout.columnCount);
    });
    for (const engine::ObservationRow& row : split)
        fuzz::require(row.cells.size() <= layout.columnCount, "no more cells than columns");

    const std::optional<engine::RowTable> rows =
        engine::cutDataBlock(page, layout, layout.columnCount);
    if (!rows)
        return 0;
    engine::StatTable table;
    table.headers = engine::headersOf(layout);
    engine::StatPassOptions options;
    options.stationChosen = true;
    options.station = rows->isEmpty() ? QStringLiteral("Nowhere") : rows->constLast().name;
    options.iconLow = 15;
    options.iconHigh = 30;
    options.showTrend = true;
    options.alarm.armed = true;
    options.alarm.wind = engine::AlarmWind::Calm;
    options.bureauRoot = config::bureauRoot();
    for (int pass = 0; pass < 2; ++pass) {
        const engine::StatPassResult result = engine::fillStatTable(table, *rows, layout, options);
        if (result.outcome != engine::StatPassOutcome::Shown)
            continue;
        fuzz::require(table.values.size() == table.headers.size(), "one value per column");
        const engine::StatTexts texts =
            engine::statTexts(table, options.station, engine::TransLabels(), fuzz::textWidth);
        (void)engine::screenFeedText(true, texts.feedText);
        (void)engine::bannerTextOf(table, engine::TransLabels());
        (void)engine::bannerTipOf(table.obsTime, options.station);
        (void)engine::tickerTextOf(table.values, 0, true, 1);
        (void)engine::tickerTextOf(table.values, static_cast<int>(table.values.size()), false, -1);
    }
    for (const engine::ObservationRow& row : *rows)
        (void)engine::historyUrlOf(row, options.bureauRoot);
    return 0;
}
