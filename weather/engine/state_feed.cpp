#include "weather/engine/state_feed.h"

#include <QHash>
#include <QRegularExpression>
#include <QStringBuilder>
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

// The layout's feed columns by the element type they show, built once per document so that
// each element costs one hash lookup. Columns naming the same type are chained through `next`.
class ColumnIndex
{
public:
    explicit ColumnIndex(const config::StateLayout& layout)
        : next_(std::min<qsizetype>(layout.columnCount, layout.xmlElements.size()), -1)
    {
        // Backwards, so each chain runs in column order from the first column of its type.
        for (qsizetype c = next_.size() - 1; c >= 0; --c) {
            const QString& type = layout.xmlElements.at(c);
            if (type == config::kTimeLocal) {
                timeColumns_.prepend(c);
            } else if (!type.isEmpty()) { // a column without a type shows no element
                next_[c] = first_.value(type, -1);
                first_.insert(type, c);
            }
        }
    }

    // The first column showing `type`; -1 when none does.
    qsizetype first(QStringView type) const { return first_.value(type, -1); }
    // The next column showing the same type as column `c`; -1 after the last.
    qsizetype next(qsizetype c) const { return next_.at(c); }
    const QList<qsizetype>& timeColumns() const { return timeColumns_; }

private:
    QHash<QStringView, qsizetype> first_; // views into the layout's xmlElements
    QList<qsizetype> next_;
    QList<qsizetype> timeColumns_;
};

// Reads one <station> element (the reader stands on its start) into a row; false when the
// station has no name to list it by. Only the cells the layout shows are copied out of the
// reader; everything else is looked at through views.
bool readStation(QXmlStreamReader& xml, const ColumnIndex& columns, qsizetype columnCount,
                 ObservationRow& row)
{
    {
        const QXmlStreamAttributes attributes = xml.attributes();
        QStringView name = attributes.value(QLatin1String("description")).trimmed();
        if (name.isEmpty())
            name = attributes.value(QLatin1String("stn-name")).trimmed();
        if (name.isEmpty()) {
            xml.skipCurrentElement();
            return false;
        }
        row.name = QLatin1String("<a>") % name % QLatin1String("</a>");
        row.wmo = attributes.value(QLatin1String("wmo-id")).trimmed().toString();
        row.district = attributes.value(QLatin1String("forecast-district-id")).trimmed().toString();
    }
    row.cells = QStringList(columnCount, QString()); // null: not seen yet

    bool periodSeen = false;
    for (int depth = 1; depth > 0 && !xml.atEnd();) {
        switch (xml.readNext()) {
        case QXmlStreamReader::StartElement: {
            const QStringView name = xml.name();
            if (name == u"period") {
                if (periodSeen) {
                    xml.skipCurrentElement(); // older periods: the first is the latest
                    break;
                }
                periodSeen = true;
                if (!columns.timeColumns().isEmpty()) {
                    const QString time =
                        bureauTimeText(xml.attributes().value(QLatin1String("time-local")));
                    for (const qsizetype c : columns.timeColumns())
                        row.cells[c] = time;
                }
                ++depth;
            } else if (name == u"element" && periodSeen) {
                const qsizetype c = columns.first(xml.attributes().value(QLatin1String("type")));
                // A quantity the layout does not show, or one already read: the first wins.
                if (c < 0 || !row.cells.at(c).isNull()) {
                    xml.skipCurrentElement();
                    break;
                }
                QString text = xml.readElementText(QXmlStreamReader::SkipChildElements).trimmed();
                if (text.isEmpty())
                    text = kMissing;
                for (qsizetype k = c; k >= 0; k = columns.next(k))
                    row.cells[k] = text;
            } else {
                ++depth;
            }
            break;
        }
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
    return true;
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

QString stationOfHistoryUrl(const QString& url, const config::StateLayout& layout)
{
    const QLatin1String placeholder("{wmo}");
    const qsizetype at = layout.historyUrl.indexOf(placeholder);
    if (at < 0)
        return QString();
    const QStringView head = QStringView(layout.historyUrl).first(at);
    const QStringView tail = QStringView(layout.historyUrl).sliced(at + placeholder.size());
    if (url.size() <= head.size() + tail.size() || !url.startsWith(head) || !url.endsWith(tail))
        return QString();
    return url.sliced(head.size(), url.size() - head.size() - tail.size());
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
    const ColumnIndex columns(layout);
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
                    else if (readStation(xml, columns, layout.columnCount, row))
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
