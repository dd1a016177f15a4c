// A warning's companion and its full product through their readers, then the rules that say
// whether it counts for a district.

#include "fuzz_support.h"
#include "weather/engine/warning_watch.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArray document = fuzz::bytes(data, size);
    const auto read = engine::readWarningCompanion(document, QString());
    fuzz::require(read.rows.has_value() == read.error.isEmpty(), "a companion or a reason");
    const auto product = engine::readWarningProduct(document, QString());
    fuzz::require(product.rows.has_value() == product.error.isEmpty(), "a product or a reason");
    if (product.rows)
        fuzz::require(!product.rows->texts.isEmpty(), "a product that is taken has a text");
    if (!read.rows)
        return 0;
    const engine::WarningCompanion& c = *read.rows;
    fuzz::require(!c.id.isEmpty(), "a companion that is taken has its identifier");
    fuzz::require(c.hazards.size() <= 64, "hazards are bounded");
    engine::WarningListItem item{c.id, QStringLiteral("01/10:00 EST A warning"), QUrl(), {}};
    for (const QString& district : {QString(), QStringLiteral("NT_PW006")}) {
        const auto inForce = engine::warningsInForce({{item, c}}, district,
                                                     QDateTime::currentDateTimeUtc(), QString());
        fuzz::require(inForce.size() <= 1, "one warning per product");
        for (const engine::Warning& w : inForce) {
            fuzz::require(w.id == c.id, "the warning is the companion's");
            fuzz::require(w.phase != u"CAN" && w.phase != u"FIN" && w.phase != u"EXP",
                          "an ended warning never counts");
            fuzz::require(!w.headline.isEmpty(), "a warning shows a headline");
        }
    }
    return 0;
}
