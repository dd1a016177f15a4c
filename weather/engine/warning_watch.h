#pragma once

#include "weather/config/layout_file.h"
#include "weather/engine/warning.h"
#include "weather/engine/warning_feed.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QHash>
#include <QString>
#include <QStringList>

#include <optional>

namespace net {
class ErrorLog;
class frmInet;
} // namespace net

namespace engine {

// What a list and its companions say about one product, as the watch keeps it.
struct KnownWarning
{
    WarningListItem item;
    std::optional<WarningCompanion> companion; // nullopt: not read yet (or refused)
};

// Which warnings count for a station of district `district` (a forecast-district-id such as
// "NSW_PW005"; empty: the station's district is not known) at `now`: the listed products whose
// companion is a warning (product-type W), whose phase is not CAN, FIN or EXP, that have not
// expired, and one of whose hazards names the district or a whole-state area (type "region")
// of the district's state (the part of its code before "_") in its area-list; an area or a
// hazard of an ended phase does not count. Without a district every such warning of the list
// counts. Newest issue first; `pagePattern` (wn_page_url) gives each its page, else the item's
// link.
WarningList warningsInForce(const QList<KnownWarning>& known, const QString& district,
                            const QDateTime& now, const QString& pagePattern);

// The state's warnings the monitor shows: the list fetched at most once per its ttl, the
// companions of products new to it or whose pubDate changed, at most kCompanionsPerScan a scan,
// and what was read kept through failed fetches and refused documents.
class WarningWatch
{
public:
    static constexpr int kCompanionsPerScan = 4;

    // The fetcher and the log must outlive the watch.
    WarningWatch(net::frmInet& inet, net::ErrorLog& log);

    // A new region: its addresses; what was read belongs to another state and goes.
    void setLayout(const config::StateLayout& layout);
    // The shown station's district (empty: not known).
    void setDistrict(const QString& district) { district_ = district; }

    // The region has a list of warnings.
    bool available() const { return !listUrl_.isEmpty(); }
    // One scan's share: the list when its ttl has passed since it was last fetched (or it never
    // was), then up to kCompanionsPerScan companions waiting to be read. Each comes by its
    // second road when the first fails or gives a document that is refused. A list or
    // companion that cannot be fetched or is refused is logged with its address; what was read
    // stays.
    void scan();

    // The warnings in force now for the district.
    WarningList inForce(const QDateTime& now) const;
    // A list was read at least once since the region was set.
    bool everRead() const { return readAt_.isValid(); }
    // The last fetch of the list failed or was refused (the warnings shown are older).
    bool lastFailed() const { return lastFailed_; }
    // When the list was last read, local time.
    const QDateTime& readAt() const { return readAt_; }
    const QString& district() const { return district_; }

    // Fetches and reads the full product of warning `id` (by its fallback when the first road
    // fails or gives a document that is refused); nullopt, logged, when neither gives one.
    std::optional<WarningProduct> fetchProduct(const QString& id);

private:
    net::frmInet& inet_;
    net::ErrorLog& log_;
    config::StateLayout layout_;
    QString listUrl_;
    QString listFallbackUrl_;
    QString district_;
    QList<KnownWarning> known_;
    QStringList waiting_;       // ids whose companion is to be read
    QStringList seenWithoutId_; // titles of id-less items already logged
    int ttlMinutes_ = 10;
    QElapsedTimer lastFetch_; // invalid: none since the region was set
    QDateTime readAt_;
    bool lastFailed_ = false;
};

// "Warnings as of 10:32 AM" while the last fetch of the list failed; empty otherwise.
QString warningsAgeText(const WarningWatch& watch);

// The main window's line: the headline of each warning in force, newest first, one a line;
// "No warnings for <district>" when the list was read and none counts; "Warnings could not be
// read" when no list was ever read; "" for a region without warnings. A station without a
// district reads "(all of <region>'s warnings: the station's district is not known)" after.
// `districtName` is the name shown for the district.
QString warningsSummary(const WarningWatch& watch, const WarningList& inForce,
                        const QString& districtName, const QString& regionName);

// The tooltip lines: "Warning: <headline>" for each, with CR LF after each, and the age line
// when the list is old; "Warnings could not be read" while no list was ever read and the last
// fetch failed.
QString warningTipText(const WarningWatch& watch, const WarningList& inForce);

// `weather --print=warnings`: "<hh:mm AM/PM dd/mm> <headline>" a line, the issue time in the
// bureau's local time of the product.
QString warningPrintText(const WarningList& inForce);

} // namespace engine
