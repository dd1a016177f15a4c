#pragma once

// The shipped layout's roads to Victoria's products, and real servers on loopback to put at their
// ends: for tests that run a whole scan through the transports a user has.

#include "net_peers.h"
#include "tools/demo-bureau/bureau_feeds.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QList>
#include <QString>
#include <QTcpServer>
#include <QTemporaryDir>

#include <utility>

// The shipped layout's roads to Victoria's products.
inline const QByteArray kObs = "st_url=https://reg.bom.gov.au/fwo/IDV60920.xml";
inline const QByteArray kObsFallback =
    "st_fallback_url=ftp://ftp.bom.gov.au/anon/gen/fwo/IDV60920.xml";
inline const QByteArray kTown = "fc_town_url=https://reg.bom.gov.au/fwo/IDV10753.xml";
inline const QByteArray kTownFallback =
    "fc_town_fallback_url=ftp://ftp.bom.gov.au/anon/gen/fwo/IDV10753.xml";
inline const QByteArray kWarnings = "wn_url=https://reg.bom.gov.au/fwo/IDZ00059.warnings_vic.xml";
inline const QByteArray kWarningsFallback =
    "wn_fallback_url=ftp://ftp.bom.gov.au/anon/gen/fwo/IDZ00059.warnings_vic.xml";
inline const QByteArray kAmoc = "wn_amoc_url=https://reg.bom.gov.au/fwo/";

using Replacements = QList<std::pair<QByteArray, QByteArray>>;

// The layout's `road` ("key=address") going to `address` instead.
inline std::pair<QByteArray, QByteArray> road(const QByteArray& road, const QString& address)
{
    return {road, road.left(road.indexOf('=') + 1) + address.toUtf8()};
}

// The shipped layout in `folder`'s weather.ini with the `replaced` texts; false when it could not
// be written.
inline bool writeShippedLayout(const QString& folder, const Replacements& replaced)
{
    QFile shipped(QStringLiteral(NIMBULO_SOURCE_DIR "/data/weather.ini"));
    if (!shipped.open(QIODevice::ReadOnly))
        return false;
    QByteArray layout = shipped.readAll();
    for (const auto& [from, to] : replaced)
        layout.replace(from, to);
    QFile file(QDir(folder).filePath(QStringLiteral("weather.ini")));
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
           file.write(layout) == layout.size();
}

using ProductFiles = QList<std::pair<QString, QByteArray>>;

// Victoria's observations, its list of warnings and the companions of the listed warnings, as
// the demo bureau makes them at `now` with its thunderstorm warning in `state`.
inline ProductFiles victoriaWithWarnings(const demo::WarningState& state, qint64 now)
{
    const demo::Region& vic = *demo::findRegion(u"vic");
    ProductFiles files{{"IDV60920.xml", demo::stateProduct({&vic}, u'V', now)},
                       {"IDZ00059.warnings_vic.xml", demo::warningList(vic, state, now)}};
    for (const QString id : {"IDV21033", "IDV20001"})
        files.append({id + ".amoc.xml", demo::warningCompanion(vic, id, state, now)});
    return files;
}

// A port where nothing listens.
inline QString deadPort()
{
    QTcpServer closed;
    closed.listen(QHostAddress::LocalHost);
    return QString::number(closed.serverPort());
}

// The products of a whole run (paths under anon/gen/fwo/ and their bytes) in a folder of their
// own, and the roads they come by: a real FTP server over the folder, a TLS server (with a CA
// made now, which SSL_CERT_FILE names for the monitor too) giving the product `httpsFile` for
// any path, and a port where nothing listens.
struct Roads
{
    Roads(const ProductFiles& files, const QString& httpsFile)
        : written(write(served, files)), ftp("net_ftp_peer.py", {served.path()}),
          https("net_https_peer.py",
                ca.serverArgs("good") +
                    QStringList{"--file", served.filePath("anon/gen/fwo/" + httpsFile)}),
          dead(deadPort())
    {}
    static bool write(const QTemporaryDir& served, const ProductFiles& files)
    {
        for (const auto& [path, bytes] : files) {
            QFile file(served.filePath("anon/gen/fwo/" + path));
            if (!QDir(served.path()).mkpath(QFileInfo(file).path()) ||
                !file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
                return false;
        }
        return true;
    }
    bool ok() const { return ca.ok() && written; }
    // "ftp/<path>", "dead/<path>" (the path under anon/gen/fwo/), "https/file"; empty: no
    // address.
    QString address(const QString& where) const
    {
        if (where.isEmpty())
            return QString();
        const QString server = where.section(u'/', 0, 0);
        if (server == u"https")
            return https.url("https", "/file");
        const QString path = "/anon/gen/fwo/" + where.section(u'/', 1);
        return server == u"ftp" ? ftp.url("ftp", path)
                                : QStringLiteral("ftp://127.0.0.1:") + dead + path;
    }
    TestCa ca;
    QTemporaryDir served;
    bool written;
    Peer ftp;
    Peer https;
    QString dead;
};
