#include "weather/engine/state_feed.h"

#include <QRegularExpression>
#include <QXmlStreamReader>

#include <algorithm>

namespace engine {
namespace {

const QString kMissing = QStringLiteral("-");

QString notXml(const QXmlStreamReader& xml)
{
    return QStringLiteral("State observations feed is not well-formed XML (%1 at line %2, "
                          "column %3).\r\nConnection OK but the product was damaged or cut short.")
        .arg(xml.errorString())
        .arg(xml.lineNumber())
        .arg(xml.columnNumber());
}

const QString kNotProduct =
    QStringLiteral("State observations feed is not an observations product.\r\n"
                   "Connection OK but correct data page not retrieved.");
const QString kNoStations = QStringLiteral("State observations feed lists no stations.\r\n"
                                           "Connection OK but the product holds no observations.");

QString otherProduct(const QString& found, const QString& expected)
{
    return QStringLiteral("State observations feed is product %1, not %2.\r\n"
                          "Check the feed address (st_url) in weather.ini.")
        .arg(found, expected);
}

// Reads one <station> element (the reader stands on its start) into a row; false when the
// station has no name to list it by.
bool readStation(QXmlStreamReader& xml, const config::StateLayout& layout, ObservationRow& row)
{
    const QXmlStreamAttributes attributes = xml.attributes();
    QString name = attributes.value(QLatin1String("description")).trimmed().toString();
    if (name.isEmpty())
        name = attributes.value(QLatin1String("stn-name")).trimmed().toString();
    row.wmo = attributes.value(QLatin1String("wmo-id")).trimmed().toString();
    row.cells = QStringList(layout.columnCount, QString()); // null: not seen yet
    const qsizetype columns = std::min<qsizetype>(layout.columnCount, layout.xmlElements.size());

    bool periodSeen = false;
    for (int depth = 1; depth > 0 && !xml.atEnd();) {
        switch (xml.readNext()) {
        case QXmlStreamReader::StartElement:
            if (xml.name() == u"period") {
                if (periodSeen) {
                    xml.skipCurrentElement(); // older periods: the first is the latest
                    break;
                }
                periodSeen = true;
                const QString time =
                    bureauTimeText(xml.attributes().value(QLatin1String("time-local")));
                for (qsizetype c = 0; c < columns; ++c) {
                    if (layout.xmlElements[c] == config::kTimeLocal)
                        row.cells[c] = time;
                }
                ++depth;
            } else if (xml.name() == u"element" && periodSeen) {
                const QXmlStreamAttributes element = xml.attributes();
                const QStringView type = element.value(QLatin1String("type"));
                const auto wanted = [&](qsizetype c) {
                    return row.cells[c].isNull() && layout.xmlElements[c] == type;
                };
                qsizetype c = 0;
                while (c < columns && !wanted(c))
                    ++c;
                if (c == columns) {
                    xml.skipCurrentElement(); // a quantity the layout does not show
                    break;
                }
                const QString text =
                    xml.readElementText(QXmlStreamReader::SkipChildElements).trimmed();
                for (; c < columns; ++c) {
                    if (wanted(c))
                        row.cells[c] = text.isEmpty() ? kMissing : text;
                }
            } else {
                ++depth;
            }
            break;
        case QXmlStreamReader::EndElement:
            --depth;
            break;
        default:
            break;
        }
    }
    for (QString& cell : row.cells) {
        if (cell.isNull())
            cell = kMissing;
    }
    row.name = QStringLiteral("<a>") + name + QStringLiteral("</a>");
    return !name.isEmpty();
}

} // namespace

int indexOfStation(const QStringList& names, const QString& name)
{
    const auto letters = [](const QString& text) {
        QString kept;
        for (const QChar c : text) {
            if (c.isLetterOrNumber())
                kept += c.toCaseFolded();
        }
        return kept;
    };
    const QString wanted = letters(name);
    if (wanted.isEmpty())
        return -1;
    for (qsizetype i = 0; i < names.size(); ++i) {
        if (letters(names.at(i)) == wanted)
            return int(i);
    }
    return -1;
}

QString stationNumberOf(const ObservationRow& row)
{
    if (!row.wmo.isEmpty())
        return row.wmo;
    static const QRegularExpression number(QStringLiteral("\\.(\\d+)\\.[A-Za-z]+$"));
    return number.match(historyUrlOf(row, QString())).captured(1);
}

QString stationHistoryUrl(const ObservationRow& row, const config::StateLayout& layout,
                          const QString& bureauRoot)
{
    const QString number = layout.historyUrl.isEmpty() ? QString() : stationNumberOf(row);
    if (number.isEmpty())
        return historyUrlOf(row, bureauRoot);
    return QString(layout.historyUrl).replace(QLatin1String("{wmo}"), number);
}

QString productIdOf(const QString& url)
{
    static const QRegularExpression id(QStringLiteral("/(ID[A-Z]\\d{5})\\.[A-Za-z]+$"));
    return id.match(url).captured(1);
}

QString bureauTimeText(QStringView iso)
{
    // "2020-07-29T11:50:00+10:00": day at 8, hour at 11, minute at 14.
    const auto number = [iso](qsizetype at) {
        bool ok = false;
        const int value = iso.size() >= at + 2 ? iso.sliced(at, 2).toInt(&ok) : -1;
        return ok && iso[at].isDigit() && iso[at + 1].isDigit() ? value : -1;
    };
    const int day = number(8);
    const int hour = number(11);
    const int minute = number(14);
    if (iso.size() < 16 || iso[10] != u'T' || iso[13] != u':' || day < 1 || day > 31 || hour < 0 ||
        hour > 23 || minute < 0 || minute > 59)
        return kMissing;
    const int hour12 = hour % 12 == 0 ? 12 : hour % 12;
    return QStringLiteral("%1/%2:%3%4")
        .arg(day, 2, 10, QLatin1Char('0'))
        .arg(hour12, 2, 10, QLatin1Char('0'))
        .arg(minute, 2, 10, QLatin1Char('0'))
        .arg(hour < 12 ? QLatin1String("am") : QLatin1String("pm"));
}

FeedResult<RowTable> readStateObservations(const QString& document,
                                           const config::StateLayout& layout)
{
    const QString expectedProduct = productIdOf(layout.obsUrl);
    QXmlStreamReader xml(document);
    xml.setNamespaceProcessing(false);
    FeedResult<RowTable> result;
    RowTable rows;
    bool observations = false;
    QString identifier;
    if (xml.readNextStartElement() && xml.name() == u"product") {
        while (xml.readNextStartElement()) {
            if (xml.name() == u"amoc") {
                while (xml.readNextStartElement()) {
                    if (xml.name() == u"identifier")
                        identifier = xml.readElementText().trimmed();
                    else
                        xml.skipCurrentElement();
                }
            } else if (xml.name() == u"observations") {
                observations = true;
                while (xml.readNextStartElement()) {
                    ObservationRow row;
                    if (xml.name() != u"station")
                        xml.skipCurrentElement();
                    else if (readStation(xml, layout, row))
                        rows.append(std::move(row));
                }
            } else {
                xml.skipCurrentElement();
            }
        }
    }
    // Anything after the product is read too, so a document cut short or with trailing
    // garbage is not taken.
    while (!xml.atEnd())
        xml.readNext();

    if (xml.hasError())
        result.error = notXml(xml);
    else if (!observations)
        result.error = kNotProduct;
    else if (!identifier.isEmpty() && !expectedProduct.isEmpty() && identifier != expectedProduct)
        result.error = otherProduct(identifier, expectedProduct);
    else if (rows.isEmpty())
        result.error = kNoStations;
    else
        result.rows = std::move(rows);
    return result;
}

} // namespace engine
