#pragma once

#include "weather/engine/state_feed.h"

#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>
#include <QUrl>

namespace engine {

// The readers of the bureau's warning products. Each reads its document once, front to back,
// from its bytes (common::setXmlDocument()) with QXmlStreamReader after common::readXmlRoot() (a
// document with a DTD is refused), reads it to its end (a document cut short or with trailing
// garbage is refused) and gives either what it read or an error text for the log (without the
// address, which the caller adds). Texts are trimmed, control characters read as spaces, and cut at
// kMaxWarningText.

inline constexpr qsizetype kMaxWarningText = 300;

// One item of a state's list of warnings in force.
struct WarningListItem
{
    QString id;        // the product identifier in its <link> ("IDV21037")
    QString title;     // <title>: "05/16:04 EDT Severe Weather Warning for ..."
    QUrl link;         // <link>
    QDateTime pubDate; // <pubDate> (RFC 2822), in UTC; invalid when missing or unreadable
};

// A state's list of warnings in force (RSS 2.0 `IDZ000nn.warnings_<state>.xml`).
struct WarningListing
{
    QDateTime pubDate;            // the channel's <pubDate>, in UTC
    int ttlMinutes = 10;          // the channel's <ttl>, clamped to 1..1440 (10 when missing)
    QList<WarningListItem> items; // one per product, in list order
    QStringList withoutId;        // titles of items whose link names no product
};

// Reads a list: an <rss> root with a <channel>. Items are keyed on the product identifier
// (`ID[A-Z]\d{5}` anywhere in <link>), not on <guid>, which can repeat: of two items naming
// one product the one with the later pubDate is kept (the first when equal). An item whose link
// names no product is listed in `withoutId`. An empty channel is a valid list. Refused: not
// well-formed, not RSS, no channel, and a list whose channel <link> names another list than
// `expectedId` (the "IDZ00059" of the address read; empty: not checked).
FeedResult<WarningListing> readWarningList(const QByteArray& document, const QString& expectedId);

// One area a hazard covers.
struct WarningArea
{
    QString aac;         // "NT_PW006", "NSW_FA001"
    QString type;        // "public-district", "region", "fire-district", ...
    QString description; // "Barkly"
    QString phase;       // the area's own phase; empty when not given
};

struct WarningHazard
{
    QString type;     // "STW"
    QString severity; // "STD", "SEV", "EXT", ...
    QString phase;
    QString headline;
    QList<WarningArea> areas;
};

// A warning's small companion (`<id>.amoc.xml`), or the <amoc> head and hazards of its full
// product.
struct WarningCompanion
{
    QString id;          // <identifier>
    QString productType; // <product-type>: "W" for a warning
    QString phase;       // <phase>: NEW, UPD, CAN, FIN, EXP
    QDateTime issued;    // <issue-time-local> with its offset, else <issue-time-utc>
    QDateTime expires;   // <expiry-time>; invalid when missing
    QList<WarningHazard> hazards;
};

// Reads a companion: an <amoc> root whose <identifier> is `expectedId` (empty: not checked),
// with its hazards (at most 64, with at most 256 areas each). Refused: not well-formed, not an
// <amoc>, without an identifier, another product's.
FeedResult<WarningCompanion> readWarningCompanion(const QByteArray& document,
                                                  const QString& expectedId);

// A warning's full product (`<id>.xml`), read when a user opens the warning.
struct WarningProduct
{
    WarningCompanion head; // its <amoc> and its hazards (wherever they stand in it)
    // The texts of its <warning-info>, in order: each <text>'s paragraphs joined by blank
    // lines, titled by the text's type ("warning_title", "warning_advice", ...). Embedded
    // images and anything else are skipped.
    QList<std::pair<QString, QString>> texts;
};

// Reads a full product: a <product> root with an <amoc> whose identifier is `expectedId`.
// Refused as readWarningCompanion(); a product without any text is refused too.
FeedResult<WarningProduct> readWarningProduct(const QByteArray& document,
                                              const QString& expectedId);

// The product identifier (`ID[A-Z]\d{5}`) in a text such as a link or an address; empty when
// it names none. The last one counts ("/fwo/IDZ00059.warnings_vic.xml" gives "IDZ00059").
QString warningProductIdIn(const QString& text);

} // namespace engine
