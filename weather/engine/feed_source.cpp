#include "weather/engine/feed_source.h"

#include "weather/engine/history_feed.h"
#include "weather/engine/state_feed.h"
#include "weather/net/error_log.h"
#include "weather/net/frm_inet.h"

namespace engine {
namespace {

// The rows a reader gave, or its error text in the log.
template <typename Rows> std::optional<Rows> logged(FeedResult<Rows> read, net::ErrorLog& log)
{
    if (!read.rows)
        log.writeTxt(read.error);
    return std::move(read.rows);
}

QString emptyProduct(const QString& url)
{
    return QStringLiteral("State observations feed at ") + url +
           QStringLiteral(" is empty (0 bytes).\r\nConnection OK but the product held nothing.");
}

} // namespace

FeedFetch<RowTable> fetchObservations(net::frmInet& inet, const config::StateLayout& layout,
                                      net::ErrorLog& log)
{
    if (layout.obsFeed == config::ObservationFeed::Html) {
        inet.blockStart = layout.blockStart;
        inet.blockEnd = layout.blockEnd;
        // A failed fetch gives an empty page.
        const QString page = inet.myOpenURL(layout.obsUrl, false);
        if (page.isEmpty())
            return {};
        return {true, cutDataBlock(page, layout, layout.columnCount)};
    }
    const auto fetchAndRead = [&](const QString& url) -> std::optional<RowTable> {
        const QString logBefore = log.text();
        const QString product = inet.myOpenURL(url, true);
        if (product.isEmpty()) {
            // A failed fetch has logged why; a body of no bytes is said here.
            if (log.text() == logBefore)
                log.writeTxt(emptyProduct(url));
            return std::nullopt;
        }
        return logged(readStateObservations(product, layout), log);
    };
    std::optional<RowTable> rows = fetchAndRead(layout.obsUrl);
    if (!rows && !layout.obsFallbackUrl.isEmpty())
        rows = fetchAndRead(layout.obsFallbackUrl);
    return {rows.has_value(), std::move(rows)};
}

FeedFetch<HistoryTable> fetchHistory(net::frmInet& inet, const config::StateLayout& layout,
                                     const QString& url, int graphCount, net::ErrorLog& log,
                                     QDate today)
{
    if (layout.historyFeed == config::HistoryFeed::Html) {
        inet.blockStart = layout.blockStart;
        inet.blockEnd = layout.blockEnd;
        const QString page = inet.myOpenURL(url, false);
        if (page.isEmpty())
            return {};
        return {true, readHistoryPage(page, layout, graphCount, today)};
    }
    const QString product = inet.myOpenURL(url, true);
    if (product.isEmpty())
        return {};
    return {true, logged(readStationHistory(product.toUtf8(), layout, graphCount,
                                            stationOfHistoryUrl(url, layout)),
                         log)};
}

} // namespace engine
