// A state's list of warnings through its reader, then which of its products count for a
// district when every listed product had a companion naming that district.

#include "fuzz_support.h"
#include "weather/engine/warning_watch.h"

#include <QSet>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArray list = fuzz::bytes(data, size);
    const auto read = engine::readWarningList(list, QStringLiteral("IDZ00054"));
    fuzz::require(read.rows.has_value() == read.error.isEmpty(), "a list or a reason, not both");
    if (!read.rows)
        return 0;
    const engine::WarningListing& listing = *read.rows;
    fuzz::require(listing.ttlMinutes >= 1 && listing.ttlMinutes <= 1440, "a ttl in range");
    QSet<QString> ids;
    QList<engine::KnownWarning> known;
    for (const engine::WarningListItem& item : listing.items) {
        fuzz::require(item.id == engine::warningProductIdIn(item.link.toString()),
                      "an item's id is its link's");
        fuzz::require(!ids.contains(item.id), "one item per product");
        ids.insert(item.id);
        engine::WarningCompanion c;
        c.id = item.id;
        c.productType = QStringLiteral("W");
        c.phase = QStringLiteral("NEW");
        c.hazards.append({QStringLiteral("STW"),
                          QStringLiteral("SEV"),
                          QString(),
                          QString(),
                          {{QStringLiteral("NSW_PW005"), QStringLiteral("public-district"),
                            QStringLiteral("Sydney Metropolitan"), QString()}}});
        known.append({item, c});
    }
    const auto inForce = engine::warningsInForce(known, QStringLiteral("NSW_PW005"),
                                                 QDateTime::currentDateTimeUtc(), QString());
    fuzz::require(inForce.size() == known.size(), "every product naming the district counts");
    fuzz::require(engine::warningPrintText(inForce).count(u'\n') == inForce.size(),
                  "a printed line per warning");
    return 0;
}
