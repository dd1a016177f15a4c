#include "weather/engine/history_feed.h"

#include "common/text_codec.h"

#include <QDateTime>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocale>

namespace engine {
namespace {

const QString kNoData = QStringLiteral("Station history feed holds no observations data.\r\n"
                                       "Connection OK but correct data page not retrieved.");
const QString kNoRows = QStringLiteral("Station history feed lists no observations.\r\n"
                                       "Connection OK but the product holds no observations.");

QString textOf(const QJsonValue& value)
{
    if (value.isString())
        return historyValue(common::printableText(value.toString()).trimmed());
    if (value.isDouble())
        return QString::number(value.toDouble(), 'g', QLocale::FloatingPointShortest);
    return kNoValue.toString();
}

// The station number an observation names ("wmo": 94768 or "94768"); empty when none.
QString stationOf(const QJsonObject& observation)
{
    const QString number = textOf(observation.value(u"wmo"));
    return number == kNoValue ? QString() : number;
}

QString otherStation(const QString& found, const QString& expected)
{
    return QStringLiteral("Station history feed is for station %1, not %2.\r\n"
                          "Check the history address (st_hist_url) in weather.ini.")
        .arg(found, expected);
}

// "20230506093000" as a date and time (no zone); invalid for any other text. Read by hand: a
// product of many rows costs a few comparisons per row.
QDateTime fullTime(const QJsonValue& value)
{
    if (!value.isString())
        return {};
    const QString text = value.toString();
    if (text.size() != 14)
        return {};
    int parts[6] = {};
    const int widths[6] = {4, 2, 2, 2, 2, 2};
    for (int p = 0, at = 0; p < 6; at += widths[p++]) {
        for (int i = at; i < at + widths[p]; ++i) {
            if (!text.at(i).isDigit())
                return {};
            parts[p] = parts[p] * 10 + text.at(i).digitValue();
        }
    }
    return QDateTime(QDate(parts[0], parts[1], parts[2]), QTime(parts[3], parts[4], parts[5]),
                     Qt::UTC);
}

// When an observation was taken, on the station's clock: its local time with the offset that
// its UTC time gives; the computer's offset when the product names only one of them.
QDateTime observedAt(const QJsonObject& observation)
{
    const QDateTime local = fullTime(observation.value(u"local_date_time_full"));
    const QDateTime utc = fullTime(observation.value(u"aifstime_utc"));
    if (local.isValid() && utc.isValid()) {
        const qint64 offset = utc.secsTo(local);
        // Offsets of the world's clocks; anything else is a damaged time.
        if (offset >= -14 * 3600 && offset <= 14 * 3600)
            return utc.toOffsetFromUtc(int(offset));
        return {};
    }
    if (local.isValid()) {
        const QDateTime onComputer(local.date(), local.time());
        return onComputer.toOffsetFromUtc(onComputer.offsetFromUtc());
    }
    if (utc.isValid())
        return utc.toOffsetFromUtc(utc.toLocalTime().offsetFromUtc());
    return {};
}

QString fieldOf(const config::StateLayout& layout, int column)
{
    return layout.jsonFields.value(column - 1);
}

} // namespace

FeedResult<HistoryTable> readStationHistory(const QByteArray& document,
                                            const config::StateLayout& layout, int graphCount,
                                            const QString& station)
{
    FeedResult<HistoryTable> result;
    QJsonParseError parse;
    const QJsonDocument json = QJsonDocument::fromJson(document, &parse);
    if (parse.error != QJsonParseError::NoError) {
        result.error = QStringLiteral("Station history feed is not valid JSON (%1 at character "
                                      "%2).\r\nConnection OK but the product was damaged or cut "
                                      "short.")
                           .arg(parse.errorString())
                           .arg(parse.offset);
        return result;
    }
    const QJsonValue data = json.object().value(u"observations").toObject().value(u"data");
    if (!data.isArray()) {
        result.error = kNoData;
        return result;
    }
    const QJsonArray entries = data.toArray();
    const int cellCount = std::max(graphCount, 0) + 1;
    QStringList fields;
    for (int k = 0; k < cellCount; ++k)
        fields.append(fieldOf(layout, k + 2));
    const QString timeField = fieldOf(layout, 1);

    HistoryKeeper keeper;
    bool any = false;
    for (const QJsonValue& entry : entries) {
        if (!entry.isObject())
            continue;
        any = true;
        const QJsonObject observation = entry.toObject();
        if (const QString found = stationOf(observation);
            !station.isEmpty() && !found.isEmpty() && found != station) {
            result.error = otherStation(found, station);
            return result;
        }
        HistoryRow row;
        // A reading that cannot be placed in time is of no use: nothing more is copied.
        row.observed = observedAt(observation);
        if (!row.observed.isValid())
            continue;
        const QJsonValue time = observation.value(timeField);
        row.time = time.isString() ? common::printableText(time.toString()).trimmed() : QString();
        row.cells.reserve(cellCount);
        for (const QString& field : fields)
            row.cells.append(field.isEmpty() ? kNoValue.toString()
                                             : textOf(observation.value(field)));
        keeper.add(std::move(row));
    }
    if (any)
        result.rows = keeper.take();
    else
        result.error = kNoRows;
    return result;
}

} // namespace engine
