#include "weather/engine/feed_source.h"

#include "weather/engine/history_feed.h"
#include "weather/engine/state_feed.h"
#include "weather/net/error_log.h"
#include "weather/net/frm_inet.h"

#include <QStringList>

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
    // The reader runs on each product that arrives (a kept one too) until one is taken.
    std::optional<RowTable> rows =
        inet.readProduct({layout.obsUrl, layout.obsFallbackUrl},
                         [&](const QByteArray& body) -> std::optional<RowTable> {
                             if (body.isEmpty()) {
                                 log.writeTxt(emptyProduct(layout.obsUrl));
                                 return std::nullopt;
                             }
                             return logged(readStateObservations(body, layout), log);
                         });
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
    // The same history by the layout's other road, for an address made from its historyUrl.
    const QString station = stationOfHistoryUrl(url, layout);
    QString fallback = layout.historyFallbackUrl;
    if (station.isEmpty() || !fallback.contains(QLatin1String("{wmo}")))
        fallback.clear();
    fallback.replace(QLatin1String("{wmo}"), station);
    std::optional<HistoryTable> rows = inet.readProduct(
        {url, fallback}, [&](const QByteArray& document) -> std::optional<HistoryTable> {
            if (document.isEmpty())
                return std::nullopt;
            return logged(readStationHistory(document, layout, graphCount, station), log);
        });
    return {rows.has_value(), std::move(rows)};
}

} // namespace engine
