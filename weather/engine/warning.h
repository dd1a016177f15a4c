#pragma once

#include <QDateTime>
#include <QList>
#include <QString>
#include <QUrl>

namespace engine {

// One of the bureau's warnings in force for the station's district (or, for a station without
// a district, for its state), as the monitor hands it to everything that shows warnings.
// A plain value: copied freely, compared field by field.
struct Warning
{
    QString id;           // the product's identifier, "IDD21033"; unique within a list
    QString headline;     // the first hazard's <headline>; the list's title when it has none
    QString districtName; // the description of the area that made it count ("Barkly"), or the
                          // state's region's when it counts for the whole state
    QString severity;     // the most severe of its hazards: "STD", "SEV", "EXT", ... ("" unknown)
    QString phase;        // "NEW" or "UPD" (ended phases never reach a Warning)
    QDateTime issued;     // the issue time, at the offset of the bureau's local time for it
                          // (<issue-time-local>; UTC when the companion gives only that)
    QDateTime expires;    // <expiry-time>, in UTC; invalid when the companion gives none
    QDateTime pubDate;    // the list item's <pubDate>, in UTC: changes when the product does
    QUrl page;            // the page a user opens for it

    friend bool operator==(const Warning&, const Warning&) = default;
};

// The warnings in force, newest issue first.
using WarningList = QList<Warning>;

} // namespace engine
