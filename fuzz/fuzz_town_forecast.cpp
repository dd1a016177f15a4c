// A town forecasts (precis) product through its reader, then what the monitor does with it:
// the default town of every district for a station name, the lines of every town's periods and
// the glance of the stats tooltip.

#include "fuzz_support.h"
#include "weather/engine/town_forecast.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArray product = fuzz::bytes(data, size);
    const auto read = engine::readTownForecasts(product, QStringLiteral("IDN11060"));
    fuzz::require(read.rows.has_value() == read.error.isEmpty(), "forecasts or a reason, not both");
    if (!read.rows)
        return 0;
    const engine::TownForecasts& forecasts = *read.rows;
    fuzz::require(!forecasts.towns.isEmpty(), "a product that is taken lists a town");
    fuzz::require(forecasts.issued.isValid(), "a product that is taken has its issue time");
    const QDateTime now = forecasts.issued.addSecs(3600);
    for (const engine::ForecastDistrict& district : forecasts.districts) {
        const QString aac =
            engine::defaultTownOf(forecasts, district.aac, QStringLiteral("Sydney"));
        fuzz::require(aac.isEmpty() || forecasts.town(aac),
                      "the default town is one of the product");
    }
    for (const engine::ForecastTown& town : forecasts.towns) {
        for (const engine::ForecastPeriod& period : town.periods) {
            fuzz::require(period.iconCode == 0 || engine::knownIconCode(period.iconCode),
                          "only codes we draw");
            fuzz::require(period.precis.size() <= 160, "a precis is cut to a line");
            (void)engine::periodLine(period);
        }
        fuzz::require(engine::glanceLines(town, now).size() <= 2, "at most two glance lines");
    }
    return 0;
}
