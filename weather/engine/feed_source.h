#pragma once

#include "weather/config/layout_file.h"
#include "weather/engine/history_graph.h"
#include "weather/engine/observation_parser.h"

#include <QString>

#include <optional>

namespace net {
class ErrorLog;
class frmInet;
} // namespace net

namespace engine {

// What one fetch of observations or of a history gave.
template <typename Rows> struct FeedFetch
{
    bool arrived = false;     // a usable document came; false: the scan or graph says it failed
    std::optional<Rows> rows; // the new rows; nullopt: keep the previous ones
};

// One scan's fetch and read, with the reader the layout names (st_feed):
//  - HTML: the page at `obsUrl` fetched in data-block mode with the layout's markers and cut
//    with cutDataBlock(); a page without the start marker arrives but gives no rows.
//  - XML: the product at `obsUrl` fetched whole and read with readStateObservations(); when
//    the fetch fails or the product is refused (empty, cut short, not the product, another
//    state's) the same at `obsFallbackUrl` once (the same product by another road: FTP first,
//    then HTTPS). Each refusal, an empty body included, puts its text into `log`; when neither
//    address gives a product it counts as not arrived, so the previous rows stay and nothing
//    is shown as fresh.
FeedFetch<RowTable> fetchObservations(net::frmInet& inet, const config::StateLayout& layout,
                                      net::ErrorLog& log);

// The graph's fetch and read of a station's history at `url`, with the reader the layout names
// (st_hist_feed): the HTML history page (readHistoryPage(); a page without the history block
// arrives without rows) or the station's JSON product (readStationHistory(), for the station
// the address names by stationOfHistoryUrl(); a document it refuses puts its text into `log`
// and counts as not arrived, as does a failed fetch). `today` dates the page's day-of-month
// times.
FeedFetch<HistoryTable> fetchHistory(net::frmInet& inet, const config::StateLayout& layout,
                                     const QString& url, int graphCount, net::ErrorLog& log,
                                     QDate today);

} // namespace engine
