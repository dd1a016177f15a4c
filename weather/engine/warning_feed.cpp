#include "weather/engine/warning_feed.h"

#include "common/xml_guard.h"

#include <QXmlStreamReader>

#include <algorithm>

namespace engine {
namespace {

constexpr qsizetype kMaxHazards = 64;
constexpr qsizetype kMaxAreas = 256;
constexpr qsizetype kMaxItems = 500;
constexpr qsizetype kMaxTexts = 32;
constexpr qsizetype kMaxProductText = 8000;

QString cleaned(QString text, qsizetype limit = kMaxWarningText)
{
    for (QChar& c : text) {
        if (c.category() == QChar::Other_Control)
            c = u' ';
    }
    return text.simplified().left(limit);
}

QString textOf(QXmlStreamReader& xml)
{
    return cleaned(xml.readElementText(QXmlStreamReader::IncludeChildElements));
}

QString attribute(const QXmlStreamReader& xml, const char* name)
{
    return cleaned(xml.attributes().value(QLatin1String(name)).toString());
}

// An RSS date (RFC 2822) in UTC; the bureau writes the zone as "GMT", which Qt does not read.
QDateTime rssDate(QString text)
{
    if (text.endsWith(QLatin1String(" GMT")) || text.endsWith(QLatin1String(" UTC")))
        text = text.left(text.size() - 3) + QLatin1String("+0000");
    return QDateTime::fromString(text, Qt::RFC2822Date).toUTC();
}

QDateTime isoTime(const QString& text)
{
    return QDateTime::fromString(text, Qt::ISODate);
}

QString notXml(const QXmlStreamReader& xml, const char* what)
{
    return QStringLiteral("%1 is not well-formed XML (%2 at line %3, column %4): damaged or "
                          "cut short.")
        .arg(QLatin1String(what), xml.errorString())
        .arg(xml.lineNumber())
        .arg(xml.columnNumber());
}

// Reads on to the document's end, so that one cut short or with trailing garbage is refused.
void readToEnd(QXmlStreamReader& xml)
{
    while (!xml.atEnd())
        xml.readNext();
}

WarningHazard readHazard(QXmlStreamReader& xml)
{
    WarningHazard hazard;
    hazard.type = attribute(xml, "type");
    hazard.severity = attribute(xml, "severity");
    hazard.phase = attribute(xml, "phase");
    while (xml.readNextStartElement()) {
        if (xml.name() == u"headline") {
            hazard.headline = textOf(xml);
        } else if (xml.name() == u"area-list") {
            while (xml.readNextStartElement()) {
                if (xml.name() == u"area" && hazard.areas.size() < kMaxAreas)
                    hazard.areas.append({attribute(xml, "aac"), attribute(xml, "type"),
                                         attribute(xml, "description"), attribute(xml, "phase")});
                xml.skipCurrentElement();
            }
        } else {
            xml.skipCurrentElement();
        }
    }
    return hazard;
}

// Reads one element of an <amoc> head into `head` (the reader on its start tag); false for an
// element that is not one of the head's.
bool readHeadElement(QXmlStreamReader& xml, WarningCompanion& head, QString& issuedUtc)
{
    const auto name = xml.name();
    if (name == u"identifier")
        head.id = textOf(xml);
    else if (name == u"product-type")
        head.productType = textOf(xml);
    else if (name == u"phase")
        head.phase = textOf(xml);
    else if (name == u"issue-time-utc")
        issuedUtc = textOf(xml);
    else if (name == u"issue-time-local")
        head.issued = isoTime(textOf(xml));
    else if (name == u"expiry-time")
        head.expires = isoTime(textOf(xml));
    else if (name == u"hazard") {
        WarningHazard hazard = readHazard(xml);
        if (head.hazards.size() < kMaxHazards)
            head.hazards.append(std::move(hazard));
    } else
        return false;
    return true;
}

void finishHead(WarningCompanion& head, const QString& issuedUtc)
{
    if (!head.issued.isValid())
        head.issued = isoTime(issuedUtc).toUTC();
    head.expires = head.expires.toUTC();
}

QString headError(const WarningCompanion& head, const QString& expectedId, const char* what)
{
    if (head.id.isEmpty())
        return QStringLiteral("%1 has no product identifier.").arg(QLatin1String(what));
    if (!expectedId.isEmpty() && head.id != expectedId)
        return QStringLiteral("%1 is product %2, not %3.")
            .arg(QLatin1String(what), head.id, expectedId);
    return QString();
}

} // namespace

QString warningProductIdIn(const QString& text)
{
    for (qsizetype at = text.size() - 8; at >= 0; --at) {
        if (isProductId(QStringView(text).sliced(at, 8)))
            return text.sliced(at, 8);
    }
    return QString();
}

FeedResult<WarningListing> readWarningList(const QByteArray& document, const QString& expectedId)
{
    FeedResult<WarningListing> result;
    WarningListing list;
    QXmlStreamReader xml;
    common::setXmlDocument(xml, document);
    xml.setNamespaceProcessing(false);
    bool rss = false;
    bool channel = false;
    QString channelLink;
    if (common::readXmlRoot(xml) && xml.name() == u"rss") {
        rss = true;
        while (xml.readNextStartElement()) {
            if (xml.name() != u"channel") {
                xml.skipCurrentElement();
                continue;
            }
            channel = true;
            while (xml.readNextStartElement()) {
                const auto name = xml.name();
                if (name == u"pubDate") {
                    list.pubDate = rssDate(textOf(xml));
                } else if (name == u"ttl") {
                    bool ok = false;
                    const int ttl = textOf(xml).toInt(&ok);
                    if (ok)
                        list.ttlMinutes = std::clamp(ttl, 1, 1440);
                } else if (xml.qualifiedName() == u"link") { // not <atom:link>
                    channelLink = textOf(xml);
                } else if (name == u"item") {
                    WarningListItem item;
                    while (xml.readNextStartElement()) {
                        if (xml.name() == u"title")
                            item.title = textOf(xml);
                        else if (xml.qualifiedName() == u"link")
                            item.link = QUrl(textOf(xml));
                        else if (xml.name() == u"pubDate")
                            item.pubDate = rssDate(textOf(xml));
                        else
                            xml.skipCurrentElement();
                    }
                    item.id = warningProductIdIn(item.link.toString());
                    if (item.id.isEmpty()) {
                        if (list.withoutId.size() < kMaxItems)
                            list.withoutId.append(item.title);
                        continue;
                    }
                    // The guid can repeat; the product cannot: its latest item stands for it.
                    auto same = std::find_if(list.items.begin(), list.items.end(),
                                             [&](const auto& i) { return i.id == item.id; });
                    if (same == list.items.end()) {
                        if (list.items.size() < kMaxItems)
                            list.items.append(std::move(item));
                    } else if (item.pubDate > same->pubDate) {
                        *same = std::move(item);
                    }
                } else {
                    xml.skipCurrentElement();
                }
            }
        }
    }
    readToEnd(xml);
    const QString listId = warningProductIdIn(channelLink);
    if (xml.hasError())
        result.error = notXml(xml, "The list of warnings");
    else if (!rss || !channel)
        result.error = QStringLiteral("The list of warnings is not an RSS list (no <rss> with a "
                                      "<channel>).");
    else if (!expectedId.isEmpty() && !listId.isEmpty() && listId != expectedId)
        result.error = QStringLiteral("The list of warnings is list %1, not %2 (another state's).")
                           .arg(listId, expectedId);
    else
        result.rows = std::move(list);
    return result;
}

FeedResult<WarningCompanion> readWarningCompanion(const QByteArray& document,
                                                  const QString& expectedId)
{
    FeedResult<WarningCompanion> result;
    WarningCompanion head;
    QString issuedUtc;
    QXmlStreamReader xml;
    common::setXmlDocument(xml, document);
    xml.setNamespaceProcessing(false);
    const bool amoc = common::readXmlRoot(xml) && xml.name() == u"amoc";
    if (amoc) {
        while (xml.readNextStartElement()) {
            if (!readHeadElement(xml, head, issuedUtc))
                xml.skipCurrentElement();
        }
    }
    readToEnd(xml);
    finishHead(head, issuedUtc);
    if (xml.hasError())
        result.error = notXml(xml, "The warning's companion");
    else if (!amoc)
        result.error = QStringLiteral("The warning's companion is not an <amoc> document.");
    else if (const QString error = headError(head, expectedId, "The warning's companion");
             !error.isEmpty())
        result.error = error;
    else
        result.rows = std::move(head);
    return result;
}

FeedResult<WarningProduct> readWarningProduct(const QByteArray& document, const QString& expectedId)
{
    FeedResult<WarningProduct> result;
    WarningProduct product;
    QString issuedUtc;
    QXmlStreamReader xml;
    common::setXmlDocument(xml, document);
    xml.setNamespaceProcessing(false);
    const bool root = common::readXmlRoot(xml) && xml.name() == u"product";
    bool amoc = false;
    int infoDepth = 0; // > 0 inside <warning-info>
    // The hazards stand inside the state's region area, the warning texts inside
    // <warning-info>: the product is walked token by token rather than by fixed nesting.
    while (root && !xml.atEnd()) {
        const auto token = xml.readNext();
        if (token == QXmlStreamReader::EndElement && xml.name() == u"warning-info") {
            infoDepth = 0;
            continue;
        }
        if (token != QXmlStreamReader::StartElement)
            continue;
        const auto name = xml.name();
        if (name == u"amoc") {
            amoc = true;
            while (xml.readNextStartElement()) {
                if (!readHeadElement(xml, product.head, issuedUtc))
                    xml.skipCurrentElement();
            }
        } else if (name == u"hazard") {
            WarningHazard hazard = readHazard(xml);
            if (product.head.hazards.size() < kMaxHazards)
                product.head.hazards.append(std::move(hazard));
        } else if (name == u"warning-info") {
            infoDepth = 1;
        } else if (name == u"text" && infoDepth > 0) {
            const QString type = attribute(xml, "type");
            QStringList paragraphs;
            while (xml.readNextStartElement()) {
                const QString paragraph = cleaned(
                    xml.readElementText(QXmlStreamReader::IncludeChildElements), kMaxProductText);
                if (!paragraph.isEmpty())
                    paragraphs.append(paragraph);
            }
            if (!paragraphs.isEmpty() && product.texts.size() < kMaxTexts)
                product.texts.append(
                    {type, paragraphs.join(QStringLiteral("\n\n")).left(kMaxProductText)});
        } else if (infoDepth == 0) {
            // An embedded image or anything else outside the texts: not read.
            if (name != u"product" && name != u"warning" && name != u"area" &&
                name != u"hazard-list")
                xml.skipCurrentElement();
        }
    }
    readToEnd(xml);
    finishHead(product.head, issuedUtc);
    if (xml.hasError())
        result.error = notXml(xml, "The warning's product");
    else if (!root || !amoc)
        result.error = QStringLiteral("The warning's product is not a <product> with an <amoc>.");
    else if (const QString error = headError(product.head, expectedId, "The warning's product");
             !error.isEmpty())
        result.error = error;
    else if (product.texts.isEmpty())
        result.error = QStringLiteral("The warning's product %1 has no text.").arg(product.head.id);
    else
        result.rows = std::move(product);
    return result;
}

} // namespace engine
