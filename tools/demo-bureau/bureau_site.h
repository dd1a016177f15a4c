#pragma once

#include "tools/demo-bureau/bureau_feeds.h"
#include "tools/demo-bureau/station_data.h"

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QStringList>

#include <optional>

namespace demo {

struct Page
{
    int status = 200; // 200, or 404 for a path the site does not have
    QByteArray contentType;
    QByteArray body;
};

// What the demo bureau serves: for every region it has stations for, the observation page, the
// history page of every station, the state observations product (XML), the town forecasts
// product (XML), every state's list of warnings with its warnings' companions and full products
// (XML) and every station's product (JSON) at the bureau's paths (also below "/anon/gen",
// where the bureau's FTP server keeps them); learnt from a layout file, a placeholder for each
// forecast, radar, map, flood-warning and tide page the layout names, and the update server's
// version file and layout file.
class BureauSite
{
public:
    // Reads the layout's regions and page paths. The layout file itself is read again for every
    // request for it, so replacing it while the server runs offers the new file.
    static BureauSite fromLayout(const QString& layoutPath);

    // Regions of the layout whose observation page or product the demo has no stations for.
    const QStringList& skippedRegions() const { return skipped_; }

    // Paths of the layout's observation pages and products served, in layout order
    // ("/nsw/observations/nswall.shtml", "/anon/gen/fwo/IDN60920.xml").
    const QStringList& observationPaths() const { return observationPaths_; }

    // What the version file announces: by default this program's version and the layout
    // file's [FixedSetting] ver.
    void setExeVersion(const QString& version) { exeVersion_ = version; }
    void setIniVersion(const QString& version) { iniVersion_ = version; }

    // The switchable warning (see WarningStage): off (the default), held in one stage, or
    // following scheduledWarning() from `startUtc`.
    void holdWarning(WarningStage stage) { warningStage_ = stage; }
    void scheduleWarning(qint64 startUtc) { warningStart_ = startUtc; }
    WarningState warningAt(qint64 nowUtc) const;

    // The answer to a GET of `path` (origin form, without query) at `nowUtc` seconds.
    Page page(const QString& path, qint64 nowUtc) const;

private:
    struct StationRef
    {
        const Region* region = nullptr;
        const Station* station = nullptr;
    };

    QString layoutPath_;
    QString exeVersion_;
    QString iniVersion_;
    QStringList skipped_;
    QStringList observationPaths_;
    QHash<QString, const Region*> observationPages_;
    QHash<QString, StationRef> historyPages_;
    QHash<QString, StationRef> stationProducts_;
    QHash<QString, QChar> stateProducts_;  // path -> product letter
    QHash<QString, QString> placeholders_; // path -> title
    // path -> the region of the town forecasts (precis) product
    QHash<QString, const Region*> townProducts_;
    QHash<QString, const Region*> warningLists_; // path -> region
    WarningStage warningStage_ = WarningStage::None;
    std::optional<qint64> warningStart_;
};

// The site path of a page address of the layout: the part after the bureau's root address, with
// a leading "/" ("http://www.bom.gov.au/nsw/x.shtml" gives "/nsw/x.shtml").
QString sitePath(const QString& url);

} // namespace demo
