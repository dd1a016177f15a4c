#include "weather/engine/state_feed.h"

#include "common/number.h"
#include "common/text_codec.h"
#include "common/xml_guard.h"

#include <QDateTime>
#include <QHash>
#include <QStringBuilder>
#include <QXmlStreamReader>

#include <algorithm>
#include <limits>

namespace engine {
namespace {

const QString kMissing = QStringLiteral("-");

bool isAsciiLetters(QStringView text)
{
    return !text.isEmpty() && std::all_of(text.begin(), text.end(), [](QChar c) {
        return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z');
    });
}

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

// The layout's feed columns by the element types they show, built once per document so that
// each element costs one hash lookup. A column names one type or alternatives ("pres|msl_pres"),
// ranked by their order; the entries naming the same type are chained through `next`.
class ColumnIndex
{
public:
    struct Entry
    {
        qsizetype column;
        int rank; // the alternative's position in its column's list: 0 wins over 1 ...
        qsizetype next;
    };

    explicit ColumnIndex(const config::StateLayout& layout)
    {
        const qsizetype count = std::min<qsizetype>(layout.columnCount, layout.xmlElements.size());
        // Backwards, so each chain runs in column order from the first column of its type.
        for (qsizetype c = count - 1; c >= 0; --c) {
            const QString& types = layout.xmlElements.at(c);
            if (types == config::kTimeLocal) {
                timeColumns_.prepend(c);
                continue;
            }
            int rank = 0;
            for (const QStringView type : QStringView(types).split(u'|')) {
                const QStringView name = type.trimmed();
                if (name.isEmpty()) // a column without a type shows no element
                    continue;
                entries_.append(Entry{c, rank++, first_.value(name, -1)});
                first_.insert(name, entries_.size() - 1);
            }
        }
    }

    // The first entry showing `type`; -1 when none does.
    qsizetype first(QStringView type) const { return first_.value(type, -1); }
    const Entry& entry(qsizetype e) const { return entries_.at(e); }
    const QList<qsizetype>& timeColumns() const { return timeColumns_; }

private:
    QHash<QStringView, qsizetype> first_; // views into the layout's xmlElements
    QList<Entry> entries_;
    QList<qsizetype> timeColumns_;
};

// How far the row's observation (ObservationRow::observed) stands from the product's issue time
// `issued`: ObservationRow::otherDay and ::old.
void dateAgainstIssue(const QDateTime& issued, ObservationRow& row)
{
    const QDateTime& observed = row.observed;
    if (!issued.isValid() || !observed.isValid())
        return;
    constexpr qint64 kOldSeconds = 2 * 3600;
    row.old = observed.secsTo(issued) > kOldSeconds;
    if (issued.toOffsetFromUtc(observed.offsetFromUtc()).date() != observed.date())
        row.otherDay = observed.toString(QStringLiteral("ddd dd/MM"));
}

// Reads one <station> element (the reader stands on its start) into a row; false when the
// station has no name to list it by. Only the cells the layout shows are copied out of the
// reader; everything else is looked at through views.
bool readStation(QXmlStreamReader& xml, const ColumnIndex& columns, qsizetype columnCount,
                 const QDateTime& issued, ObservationRow& row)
{
    {
        const QXmlStreamAttributes attributes = xml.attributes();
        QStringView name = attributes.value(QLatin1String("description")).trimmed();
        if (name.isEmpty())
            name = attributes.value(QLatin1String("stn-name")).trimmed();
        if (name.isEmpty() || name.size() > kMaxStationNameChars) {
            xml.skipCurrentElement();
            return false;
        }
        // Line breaks and other controls (&#13;&#10;) would shift lines wherever it is shown.
        row.name = QLatin1String("<a>") % common::printableText(name) % QLatin1String("</a>");
        row.wmo = common::printableText(attributes.value(QLatin1String("wmo-id")).trimmed());
        row.district = common::printableText(
            attributes.value(QLatin1String("forecast-district-id")).trimmed());
    }
    row.cells = QStringList(columnCount, QString()); // null: not seen yet
    // The rank of the alternative each cell holds; kUnset while it holds none.
    constexpr int kUnset = std::numeric_limits<int>::max();
    QList<int> cellRank(columnCount, kUnset);

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
                const QStringView timeLocal = xml.attributes().value(QLatin1String("time-local"));
                row.observed = QDateTime::fromString(timeLocal.toString(), Qt::ISODate);
                dateAgainstIssue(issued, row);
                if (!columns.timeColumns().isEmpty()) {
                    const QString time = bureauTimeText(timeLocal);
                    for (const qsizetype c : columns.timeColumns())
                        row.cells[c] = time;
                }
                ++depth;
            } else if (name == u"element" && periodSeen) {
                // The columns this type would improve: none shows it, or each holds an element
                // of the same type or of a better alternative already (the first wins).
                qsizetype e = columns.first(xml.attributes().value(QLatin1String("type")));
                while (e >= 0 && columns.entry(e).rank >= cellRank.at(columns.entry(e).column))
                    e = columns.entry(e).next;
                if (e < 0) {
                    xml.skipCurrentElement();
                    break;
                }
                const QString text =
                    common::printableText(xml.readElementText(QXmlStreamReader::SkipChildElements))
                        .trimmed();
                // An empty element is not present, and none is that long: an alternative may
                // follow.
                if (text.isEmpty() || text.size() > kMaxCellChars)
                    break;
                for (; e >= 0; e = columns.entry(e).next) {
                    const ColumnIndex::Entry& entry = columns.entry(e);
                    if (entry.rank < cellRank.at(entry.column)) {
                        row.cells[entry.column] = text;
                        cellRank[entry.column] = entry.rank;
                    }
                }
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
    // "…/IDN60901.94768.json": the part between the file name's last two dots.
    const QString url = historyUrlOf(row, QString());
    const qsizetype extension = url.lastIndexOf(u'.');
    const qsizetype number = extension > 0 ? url.lastIndexOf(u'.', extension - 1) + 1 : 0;
    if (number <= 0 || !isAsciiLetters(QStringView(url).sliced(extension + 1)))
        return QString();
    const QStringView digits = QStringView(url).sliced(number, extension - number);
    return common::isAsciiDigits(digits) ? digits.toString() : QString();
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

bool isProductId(QStringView text)
{
    return text.size() == 8 && text.startsWith(u"ID") && text[2] >= u'A' && text[2] <= u'Z' &&
           common::isAsciiDigits(text.sliced(3));
}

QString productIdOf(const QString& url)
{
    const QStringView file = QStringView(url).sliced(url.lastIndexOf(u'/') + 1);
    const qsizetype dot = file.indexOf(u'.');
    if (url.lastIndexOf(u'/') < 0 || dot < 0 || !isProductId(file.first(dot)) ||
        !isAsciiLetters(file.sliced(dot + 1)))
        return QString();
    return file.first(dot).toString();
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

FeedResult<RowTable> readStateObservations(const QByteArray& document,
                                           const config::StateLayout& layout)
{
    const QString expectedProduct = productIdOf(layout.obsUrl);
    const ColumnIndex columns(layout);
    QXmlStreamReader xml;
    common::setXmlDocument(xml, document);
    xml.setNamespaceProcessing(false);
    FeedResult<RowTable> result;
    RowTable rows;
    bool observations = false;
    QString identifier;
    QDateTime issued; // invalid: the observations are not dated against it
    if (common::readXmlRoot(xml) && xml.name() == u"product") {
        while (xml.readNextStartElement()) {
            if (xml.name() == u"amoc") {
                while (xml.readNextStartElement()) {
                    if (xml.name() == u"identifier")
                        identifier = xml.readElementText().trimmed();
                    else if (xml.name() == u"issue-time-utc")
                        issued =
                            QDateTime::fromString(xml.readElementText().trimmed(), Qt::ISODate);
                    else
                        xml.skipCurrentElement();
                }
            } else if (xml.name() == u"observations") {
                observations = true;
                while (xml.readNextStartElement()) {
                    ObservationRow row;
                    if (xml.name() != u"station")
                        xml.skipCurrentElement();
                    else if (readStation(xml, columns, layout.columnCount, issued, row))
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
