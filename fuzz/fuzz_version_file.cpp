// The update server's answers: a version file (what it announces, compared with this release)
// and a layout download installed over a layout file. Input: version file 0x1F layout text.
// Properties: the layout file afterwards is the old one or the download whole, a download over
// the size a layout may have is never installed, and no tmp.txt stays behind.

#include "fuzz_support.h"
#include "weather/config/layout_file.h"
#include "weather/net/version_check.h"

#include <QDir>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QList<QByteArray> parts = fuzz::fields(fuzz::bytes(data, size), 2);
    const QString versionFile = QString::fromUtf8(parts[0]);
    const QString layoutText = QString::fromUtf8(parts[1]);

    const std::optional<net::LatestVersions> latest = net::readVersionFile(versionFile);
    if (latest) {
        fuzz::require(latest->exe.size() <= 5 && latest->ini.size() <= 5,
                      "versions are five characters at most");
        (void)net::compareVersions(net::programVersion(), QStringLiteral("1.0.0"), *latest);
    }
    if (net::checkLayoutDownload(layoutText) != net::LayoutDownload::Complete)
        return 0;

    static QTemporaryDir dir;
    const QString appDir = dir.path() + QLatin1Char('/');
    const QByteArray old = "[FixedSetting]\r\nver=1.0.0\r\n";
    const QString layoutPath = appDir + QStringLiteral("weather.ini");
    {
        QFile file(layoutPath);
        fuzz::require(file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
                          file.write(old) == old.size(),
                      "the old layout can be written");
    }
    const net::LayoutInstall outcome =
        net::installLayout(layoutText, latest ? latest->ini : QStringLiteral("1.0.1"),
                           QStringLiteral("1.0.0"), appDir);
    const QByteArray now = fuzz::fileContent(layoutPath);
    fuzz::require(!QFile::exists(appDir + QStringLiteral("tmp.txt")), "no tmp.txt stays behind");
    if (outcome == net::LayoutInstall::Installed) {
        fuzz::require(now.size() <= config::kMaxLayoutBytes,
                      "an installed layout is not too large");
        fuzz::require(QString::fromUtf8(now).contains(QLatin1String("[FixedSetting]")),
                      "the download is installed whole");
    } else {
        fuzz::require(now == old, "a layout not installed leaves the old one");
    }
    return 0;
}
