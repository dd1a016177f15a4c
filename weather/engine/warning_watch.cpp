#include "weather/engine/warning_watch.h"

#include "common/number.h"
#include "weather/net/error_log.h"
#include "weather/net/frm_inet.h"

#include <QLocale>
#include <QStringBuilder>

#include <algorithm>

namespace engine {
namespace {

// The scan that comes a ttl after the one that fetched the list starts a little less than a ttl
// after that fetch began, and would otherwise wait for the next one.
constexpr qint64 kEarlyMsecs = 30 * 1000;

bool ended(const QString& phase)
{
    return phase == u"CAN" || phase == u"FIN" || phase == u"EXP";
}

int severityRank(const QString& severity)
{
    if (severity == u"EXT")
        return 3;
    if (severity == u"SEV")
        return 2;
    return severity.isEmpty() ? 0 : 1;
}

// The list's title without its "05/16:04 EDT " day, time and zone.
QString titleHeadline(const QString& title)
{
    QStringView rest(title);
    // Takes from the front of `rest` between `least` and `most` characters of a kind.
    const auto take = [&rest](auto kind, qsizetype least, qsizetype most) {
        qsizetype n = 0;
        while (n < rest.size() && n < most && kind(rest[n]))
            ++n;
        if (n < least)
            return false;
        rest = rest.sliced(n);
        return true;
    };
    const auto capital = [](QChar c) { return c >= u'A' && c <= u'Z'; };
    const auto space = [](QChar c) { return c.isSpace(); };
    const auto is = [](char16_t wanted) { return [wanted](QChar c) { return c == wanted; }; };
    const qsizetype any = title.size();
    const bool stamped = take(common::isAsciiDigit, 1, 2) && take(is(u'/'), 1, 1) &&
                         take(common::isAsciiDigit, 1, 2) && take(is(u':'), 1, 1) &&
                         take(common::isAsciiDigit, 2, 2) && take(space, 1, any) &&
                         take(capital, 2, 5) && take(space, 1, any);
    return (stamped ? rest : QStringView(title)).trimmed().toString();
}

// The state part of an area code: "NSW_" of "NSW_PW005"; empty for a code without one.
QString stateOf(const QString& aac)
{
    const qsizetype underscore = aac.indexOf(u'_');
    return underscore > 0 ? aac.left(underscore + 1) : QString();
}

// Fetches a document from `url`, else from `fallback` when the first road gives nothing or a
// document `read` refuses; each refusal is logged with its address (a failed fetch logs itself).
// Documents are fetched as products: asked only whether they changed, once per scan.
// nullopt when neither road gives one.
template <typename Read>
auto fetchRead(net::frmInet& inet, net::ErrorLog& log, const char* what, const QString& url,
               const QString& fallback, Read read)
{
    decltype(read(QByteArray()).rows) rows;
    for (const QString& road : {url, fallback}) {
        if (road.isEmpty())
            continue;
        rows = inet.readProduct({road}, [&](const QByteArray& document) -> decltype(rows) {
            if (document.isEmpty())
                return std::nullopt;
            auto result = read(document);
            if (!result.rows)
                log.writeTxt(QStringLiteral("%1 %2 refused: %3")
                                 .arg(QLatin1String(what), road, result.error));
            return std::move(result.rows);
        });
        if (rows)
            break;
    }
    return rows;
}

QString clock(const QDateTime& at)
{
    return QLocale::c().toString(at.time(), QStringLiteral("hh:mm AP"));
}

} // namespace

WarningList warningsInForce(const QList<KnownWarning>& known, const QString& district,
                            const QDateTime& now, const QString& pagePattern)
{
    const QString state = stateOf(district);
    WarningList list;
    for (const KnownWarning& k : known) {
        if (!k.companion)
            continue;
        const WarningCompanion& c = *k.companion;
        if (c.productType != u"W" || ended(c.phase) || (c.expires.isValid() && c.expires <= now))
            continue;
        Warning w;
        bool counts = false;
        for (const WarningHazard& hazard : c.hazards) {
            if (ended(hazard.phase))
                continue;
            for (const WarningArea& area : hazard.areas) {
                if (ended(area.phase))
                    continue;
                const bool here =
                    district.isEmpty() || area.aac == district ||
                    (area.type == u"region" && !state.isEmpty() && area.aac.startsWith(state));
                if (!here)
                    continue;
                if (!counts || (area.aac == district && w.districtName.isEmpty()))
                    w.districtName = area.description;
                if (w.headline.isEmpty())
                    w.headline = hazard.headline;
                if (severityRank(hazard.severity) > severityRank(w.severity))
                    w.severity = hazard.severity;
                counts = true;
            }
        }
        if (!counts)
            continue;
        w.id = c.id;
        if (w.headline.isEmpty())
            w.headline = titleHeadline(k.item.title);
        w.phase = c.phase;
        w.issued = c.issued;
        w.expires = c.expires;
        w.pubDate = k.item.pubDate;
        w.page =
            pagePattern.isEmpty() ? k.item.link : QUrl(config::warningAddress(pagePattern, c.id));
        list.append(std::move(w));
    }
    std::stable_sort(list.begin(), list.end(),
                     [](const Warning& a, const Warning& b) { return a.issued > b.issued; });
    return list;
}

WarningWatch::WarningWatch(net::frmInet& inet, net::ErrorLog& log) : inet_(inet), log_(log) {}

void WarningWatch::setLayout(const config::StateLayout& layout)
{
    layout_ = layout;
    if (layout.warningListUrl == listUrl_ && layout.warningListFallbackUrl == listFallbackUrl_)
        return;
    listUrl_ = layout.warningListUrl;
    listFallbackUrl_ = layout.warningListFallbackUrl;
    if (listUrl_.isEmpty())
        std::swap(listUrl_, listFallbackUrl_);
    known_.clear();
    waiting_.clear();
    seenWithoutId_.clear();
    ttlMinutes_ = 10;
    lastFetch_.invalidate();
    readAt_ = {};
    lastFailed_ = false;
}

void WarningWatch::scan()
{
    if (!available())
        return;
    if (!lastFetch_.isValid() ||
        lastFetch_.hasExpired(qint64(ttlMinutes_) * 60 * 1000 - kEarlyMsecs)) {
        lastFetch_.start();
        const QString listId = warningProductIdIn(listUrl_);
        const auto listing = fetchRead(
            inet_, log_, "List of warnings", listUrl_, listFallbackUrl_,
            [&listId](const QByteArray& document) { return readWarningList(document, listId); });
        if (!listing) {
            lastFailed_ = true;
            log_.writeTxt(QStringLiteral("List of warnings %1 could not be read.\r\n"
                                         "The last warnings read stay.")
                              .arg(listUrl_));
        } else {
            lastFailed_ = false;
            readAt_ = QDateTime::currentDateTime();
            ttlMinutes_ = listing->ttlMinutes;
            QList<KnownWarning> known;
            waiting_.clear();
            for (const WarningListItem& item : listing->items) {
                auto before = std::find_if(known_.cbegin(), known_.cend(),
                                           [&](const auto& k) { return k.item.id == item.id; });
                KnownWarning k{item, std::nullopt};
                if (before != known_.cend() && before->item.pubDate == item.pubDate)
                    k.companion = before->companion;
                if (!k.companion)
                    waiting_.append(item.id);
                known.append(std::move(k));
            }
            known_ = std::move(known);
            for (const QString& title : listing->withoutId) {
                if (seenWithoutId_.contains(title))
                    continue;
                seenWithoutId_.append(title);
                log_.writeTxt(QStringLiteral("List of warnings %1: the item \"%2\" names no "
                                             "product and is left out.")
                                  .arg(listUrl_, title));
            }
        }
    }
    for (int n = 0; n < kCompanionsPerScan && !waiting_.isEmpty(); ++n) {
        const QString id = waiting_.takeFirst();
        // One that cannot be read is logged and tried again when the list is next read.
        const auto companion = fetchRead(
            inet_, log_, "Warning companion", config::warningAddress(layout_.warningAmocUrl, id),
            config::warningAddress(layout_.warningAmocFallbackUrl, id),
            [&id](const QByteArray& document) { return readWarningCompanion(document, id); });
        for (KnownWarning& k : known_) {
            if (k.item.id == id && companion)
                k.companion = *companion;
        }
    }
}

WarningList WarningWatch::inForce(const QDateTime& now) const
{
    return warningsInForce(known_, district_, now, layout_.warningPageUrl);
}

std::optional<WarningProduct> WarningWatch::fetchProduct(const QString& id)
{
    return fetchRead(
        inet_, log_, "Warning product", config::warningAddress(layout_.warningProductUrl, id),
        config::warningAddress(layout_.warningProductFallbackUrl, id),
        [&id](const QByteArray& document) { return readWarningProduct(document, id); });
}

QString warningsAgeText(const WarningWatch& watch)
{
    if (!watch.lastFailed() || !watch.everRead())
        return QString();
    return QStringLiteral("Warnings as of ") + clock(watch.readAt());
}

QString warningsSummary(const WarningWatch& watch, const WarningList& inForce,
                        const QString& districtName, const QString& regionName)
{
    if (!watch.available())
        return QString();
    if (!watch.everRead())
        return watch.lastFailed() ? QStringLiteral("Warnings could not be read")
                                  : QStringLiteral("Warnings not read yet");
    QStringList lines;
    for (const Warning& w : inForce)
        lines.append(w.headline);
    if (lines.isEmpty())
        lines.append(watch.district().isEmpty()
                         ? QStringLiteral("No warnings for ") + regionName
                         : QStringLiteral("No warnings for ") + districtName);
    if (watch.district().isEmpty())
        lines.append(QStringLiteral("(all of %1's warnings: the station's district is not known)")
                         .arg(regionName));
    if (const QString age = warningsAgeText(watch); !age.isEmpty())
        lines.append(u'(' % age % u')');
    return lines.join(u'\n');
}

QString warningTipText(const WarningWatch& watch, const WarningList& inForce)
{
    if (watch.available() && watch.lastFailed() && !watch.everRead())
        return QStringLiteral("Warnings could not be read\r\n");
    QString text;
    for (const Warning& w : inForce)
        text += QStringLiteral("Warning: ") % w.headline % QStringLiteral("\r\n");
    if (!text.isEmpty())
        if (const QString age = warningsAgeText(watch); !age.isEmpty())
            text += age % QStringLiteral("\r\n");
    return text;
}

QString warningPrintText(const WarningList& inForce)
{
    QString text;
    for (const Warning& w : inForce)
        text += QLocale::c().toString(w.issued, QStringLiteral("hh:mm AP dd/MM")) % u' ' %
                w.headline % u'\n';
    return text;
}

} // namespace engine
