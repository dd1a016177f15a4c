#include "tools/demo-bureau/bureau_site.h"

#include "common/ini_file.h"
#include "tools/demo-bureau/bureau_feeds.h"
#include "tools/demo-bureau/bureau_pages.h"
#include "weather/config/layout_file.h"

#include <QFile>
#include <QRegularExpression>
#include <QUrl>

namespace demo {
namespace {

const QByteArray kHtml = QByteArrayLiteral("text/html; charset=utf-8");
const QByteArray kText = QByteArrayLiteral("text/plain; charset=utf-8");
const QByteArray kXml = QByteArrayLiteral("application/xml");
const QByteArray kJson = QByteArrayLiteral("application/json");

// The bureau's FTP server keeps the products below "/anon/gen": "/anon/gen/fwo/IDN60920.xml"
// is the product "/fwo/IDN60920.xml".
QString productPath(const QString& path)
{
    const QString ftpRoot = QStringLiteral("/anon/gen/fwo/");
    return path.startsWith(ftpRoot) ? path.mid(ftpRoot.size() - 5) : path;
}

QString programVersion()
{
    return QStringLiteral("%1.%2.%3")
        .arg(NIMBULO_VERSION_MAJOR)
        .arg(NIMBULO_VERSION_MINOR)
        .arg(NIMBULO_VERSION_PATCH);
}

} // namespace

QString sitePath(const QString& url)
{
    const QString root = config::bureauRoot();
    if (url.startsWith(root))
        return QLatin1Char('/') + url.mid(root.size());
    const QString path = QUrl(url).path();
    return path.startsWith(QLatin1Char('/')) ? path : QLatin1Char('/') + path;
}

BureauSite BureauSite::fromLayout(const QString& layoutPath)
{
    BureauSite site;
    site.layoutPath_ = layoutPath;
    site.exeVersion_ = programVersion();
    for (const Region& region : builtInRegions()) {
        site.observationPages_.insert(
            QStringLiteral("/%1/observations/%1all.shtml").arg(region.code), &region);
        site.stateProducts_.insert(stateProductPath(region.productLetter), region.productLetter);
        if (const QString precis = townForecastProductId(region); !precis.isEmpty())
            site.townProducts_.insert(QStringLiteral("/fwo/") + precis + QStringLiteral(".xml"),
                                      &region);
        if (const QString list = warningListPath(region); !list.isEmpty())
            site.warningLists_.insert(list, &region);
        for (const Station& station : region.stations) {
            site.historyPages_.insert(historyPath(region, station), {&region, &station});
            site.stationProducts_.insert(stationProductPath(region, station), {&region, &station});
        }
    }
    const config::RegionList regions = config::loadRegionList(layoutPath);
    for (const QString& section : regions.sections) {
        const config::StateLayout layout = config::loadStateLayout(section, layoutPath);
        const QString obsPath = sitePath(layout.obsUrl);
        if (layout.obsFeed == config::ObservationFeed::Xml) {
            if (!site.stateProducts_.contains(productPath(obsPath))) {
                site.skipped_.append(section);
                continue;
            }
        } else {
            // "/nsw/observations/nswall.shtml": the first folder names the region's stations.
            const Region* region = findRegion(obsPath.section(QLatin1Char('/'), 1, 1));
            if (region == nullptr) {
                site.skipped_.append(section);
                continue;
            }
            site.observationPages_.insert(obsPath, region);
        }
        site.observationPaths_.append(obsPath);

        for (const config::LayoutPage& p : layout.forecastPages)
            site.placeholders_.insert(sitePath(p.url), QStringLiteral("Forecast: ") + p.name);
        for (const config::LayoutPage& p : layout.radarPages)
            site.placeholders_.insert(sitePath(p.url), QStringLiteral("Radar: ") + p.name);
        if (!layout.mapUrl.isEmpty())
            site.placeholders_.insert(sitePath(layout.mapUrl), QStringLiteral("Map: ") + section);
        for (const config::LayoutPage& p : layout.infoPages)
            site.placeholders_.insert(sitePath(p.url), QString(p.name).remove(u'&'));
    }
    return site;
}

Page BureauSite::page(const QString& path, qint64 nowUtc) const
{
    if (const auto it = observationPages_.constFind(path); it != observationPages_.cend())
        return {200, kHtml, observationPage(**it, nowUtc)};
    if (const auto it = historyPages_.constFind(path); it != historyPages_.cend())
        return {200, kHtml, historyPage(*it->region, *it->station, nowUtc)};
    const QString product = productPath(path);
    if (const auto it = stateProducts_.constFind(product); it != stateProducts_.cend()) {
        QList<const Region*> sharing;
        for (const Region& region : builtInRegions()) {
            if (region.productLetter == *it)
                sharing.append(&region);
        }
        return {200, kXml, stateProduct(sharing, *it, nowUtc)};
    }
    if (const auto it = townProducts_.constFind(product); it != townProducts_.cend())
        return {200, kXml, townForecastProduct(**it, nowUtc)};
    if (const auto it = warningLists_.constFind(product); it != warningLists_.cend())
        return {200, kXml, warningList(**it, warningAt(nowUtc), nowUtc)};
    // A warning's companion "/fwo/IDN21033.amoc.xml", full product "/fwo/IDN21033.xml" and page
    // "/products/IDN21033.shtml": of the state whose product letter it names.
    static const QRegularExpression warning(
        QStringLiteral("^/(fwo|products)/ID([A-Z])(2\\d{4})(\\.amoc\\.xml|\\.xml|\\.shtml)$"));
    if (const auto m = warning.match(product); m.hasMatch()) {
        const QString id = QStringLiteral("ID") + m.captured(2) + m.captured(3);
        const QString kind = m.captured(4);
        for (const Region* region : std::as_const(warningLists_)) {
            if (region->productLetter != m.captured(2).at(0))
                continue;
            const WarningState state = warningAt(nowUtc);
            QByteArray body;
            if (m.captured(1) == u"products" && kind == u".shtml")
                body = warningCompanion(*region, id, state, nowUtc).isEmpty()
                           ? QByteArray()
                           : placeholderPage(QStringLiteral("Warning ") + id);
            else if (m.captured(1) == u"fwo" && kind == u".amoc.xml")
                body = warningCompanion(*region, id, state, nowUtc);
            else if (m.captured(1) == u"fwo" && kind == u".xml")
                body = warningProduct(*region, id, state, nowUtc);
            if (!body.isEmpty())
                return {200, kind == u".shtml" ? kHtml : kXml, body};
        }
    }
    if (const auto it = stationProducts_.constFind(product); it != stationProducts_.cend())
        return {200, kJson, stationProduct(*it->region, *it->station, nowUtc)};
    if (path == QLatin1String("/freeload/wthrvers.txt")) {
        const QString ini = iniVersion_.isEmpty()
                                ? common::readIni(QStringLiteral("FixedSetting"),
                                                  QStringLiteral("ver"), layoutPath_)
                                : iniVersion_;
        return {200, kText, versionFile(exeVersion_, ini)};
    }
    if (path == QLatin1String("/freeload/weather.ini")) {
        QFile file(layoutPath_);
        if (file.open(QIODevice::ReadOnly))
            return {200, kText, file.readAll()};
    }
    if (const auto it = placeholders_.constFind(path); it != placeholders_.cend())
        return {200, kHtml, placeholderPage(*it)};
    return {404, kHtml,
            "<!DOCTYPE html>\n<html><head><title>404 Not Found</title></head>"
            "<body><h1>404 Not Found</h1></body></html>\n"};
}

WarningState BureauSite::warningAt(qint64 nowUtc) const
{
    if (warningStart_)
        return scheduledWarning(*warningStart_, qMax<qint64>(0, nowUtc - *warningStart_));
    // A held stage: issued at the start of the hour.
    return {warningStage_, nowUtc - nowUtc % 3600};
}

} // namespace demo
