#include "weather/net/version_check.h"

#include "common/ini_file.h"
#include "platform/desktop.h"
#include "platform/message_box.h"
#include "platform/save_file.h"
#include "weather/config/layout_file.h"
#include "weather/config/settings.h"
#include "weather/net/frm_inet.h"
#include "weather/net/frm_upd_msg.h"

#include <QFile>

#include <filesystem>
#include <system_error>

namespace net {

using platform::MessageBox;

namespace {

const QString kCrLf = QStringLiteral("\r\n");
const QString kRequired = QStringLiteral(
    "Updates are required to ensure the Nimbulo are scanned and displayed correctly.");

QString downloadError(const QString& detail)
{
    return QStringLiteral("ERROR downloading new INI.") + kCrLf + kCrLf + detail;
}

void showBox(QWidget* owner, const QString& text, const QString& title, MessageBox::Icon icon)
{
    MessageBox::show(owner, text, title, MessageBox::Buttons::Ok, icon);
}

std::filesystem::path fsPath(const QString& path)
{
    return std::filesystem::path(QFile::encodeName(path).toStdString());
}

} // namespace

void openUrl()
{
    if (!homePage().isEmpty())
        platform::openUrl(homePage());
}

std::optional<LatestVersions> readVersionFile(const QString& text)
{
    if (!text.contains(QLatin1String("exe=")))
        return std::nullopt;
    const auto after = [&text](QLatin1String key) {
        const qsizetype at = text.indexOf(key, 0, Qt::CaseInsensitive);
        return at < 0 ? QString() : text.mid(at + key.size(), 5);
    };
    return LatestVersions{after(QLatin1String("exe=")), after(QLatin1String("ini="))};
}

UpdateOffer compareVersions(const QString& exeVersion, const QString& iniVersion,
                            const LatestVersions& latest)
{
    // QString orders by UTF-16 code units: the binary comparison the version file is made for.
    if (exeVersion < latest.exe)
        return UpdateOffer::Program;
    if (iniVersion < latest.ini)
        return UpdateOffer::Layout;
    return UpdateOffer::None;
}

LayoutDownload checkLayoutDownload(const QString& text)
{
    if (!text.contains(QLatin1String("[FixedSetting]")))
        return LayoutDownload::NoPart;
    constexpr qsizetype kTail = 21;
    if (text.size() < kTail || text.indexOf(QLatin1String("[EOF]"), text.size() - kTail) < 0)
        return LayoutDownload::Incomplete;
    return LayoutDownload::Complete;
}

LayoutInstall installLayout(const QString& text, const QString& latestIni,
                            const QString& iniVersion, const QString& appDir)
{
    QString content = text;
    if (!content.contains(u'\r'))
        content.replace(u'\n', kCrLf);
    const QByteArray bytes = (content + kCrLf).toUtf8();
    if (bytes.size() > config::kMaxLayoutBytes)
        return LayoutInstall::TooLarge;
    const QString tmpPath = appDir + QStringLiteral("tmp.txt");
    if (!platform::saveFileAtomically(tmpPath, bytes))
        return LayoutInstall::WriteFailed;

    const QString newVer =
        common::readIni(QStringLiteral("FixedSetting"), QStringLiteral("ver"), tmpPath);
    if (newVer.isEmpty() || newVer != latestIni || iniVersion.size() != latestIni.size()) {
        QFile::remove(tmpPath);
        return LayoutInstall::NotMatching;
    }

    // rename() replaces the target in one step: the old layout stays until the new one is in.
    std::error_code error;
    std::filesystem::rename(fsPath(tmpPath), fsPath(appDir + QStringLiteral("weather.ini")), error);
    if (error) {
        QFile::remove(tmpPath);
        return LayoutInstall::WriteFailed;
    }
    return LayoutInstall::Installed;
}

VersionCheck::VersionCheck(frmInet& inet, QString appDir, QString& lastCheckDate, QWidget* owner,
                           QObject* parent)
    : QObject(parent), inet_(inet), appDir_(std::move(appDir)), lastCheckDate_(lastCheckDate),
      owner_(owner)
{}

VersionCheck::~VersionCheck()
{
    delete window_.data();
}

frmUpdMsg* VersionCheck::messageWindow() const
{
    return window_;
}

void VersionCheck::setBusy(bool busy)
{
    busy_ = busy;
    Q_EMIT busyChanged(busy);
}

void VersionCheck::checkVersion(bool manual)
{
    if (busy_ || !updatesFromServer())
        return;
    lastCheckDate_ = config::todayText();
    iniVersion_ = common::readIni(QStringLiteral("FixedSetting"), QStringLiteral("ver"),
                                  appDir_ + QStringLiteral("weather.ini"));
    setBusy(true);
    const QString text =
        inet_.myOpenURL(updateRoot() + QStringLiteral("freeload/wthrvers.txt"), true);
    setBusy(false);

    const std::optional<LatestVersions> latest = readVersionFile(text);
    if (!latest) {
        if (manual)
            showBox(
                owner_,
                QStringLiteral("Cannot find version checker file Online please try again later"),
                QStringLiteral("No Internet Connection"), MessageBox::Icon::Warning);
        return;
    }
    latestIni_ = latest->ini;
    const UpdateOffer kind = compareVersions(programVersion(), iniVersion_, *latest);
    if (kind != UpdateOffer::None)
        offer(kind);
    else if (manual)
        showBox(owner_, QStringLiteral("There are No Updates for Nimbulo"),
                QStringLiteral("Version Check"), MessageBox::Icon::Information);
}

void VersionCheck::offer(UpdateOffer kind)
{
    iniUpdatePending_ = kind == UpdateOffer::Layout;
    if (!window_) {
        window_ = new frmUpdMsg;
        connect(window_, &frmUpdMsg::updateClicked, this, &VersionCheck::cmdUpdClick);
    }
    if (iniUpdatePending_) {
        window_->setMessage(QStringLiteral("There is a newer version of Weather INI file to "
                                           "Update.") +
                                kCrLf + kCrLf + kRequired + kCrLf +
                                QStringLiteral("The update takes only a moment and needs no "
                                               "visit to the Nimbulo web site."),
                            QStringLiteral("Click here to update the INI file"));
    } else {
        window_->setMessage(
            QStringLiteral("There is a newer version of Nimbulo program available.") + kCrLf +
                QStringLiteral("Please download it from the Nimbulo web site: it is in the menu "
                               "on the left of the site's main page, under Weather Software.") +
                kCrLf + kCrLf + kRequired,
            QStringLiteral("Click here to go to the Nimbulo web site"));
    }
    window_->show();
    window_->raise();
}

void VersionCheck::cmdUpdClick()
{
    if (!window_ || busy_)
        return;
    window_->hide();
    if (iniUpdatePending_)
        updateLayout();
    else
        openUrl();
    if (window_)
        window_->close();
}

void VersionCheck::updateLayout()
{
    setBusy(true);
    const QString text =
        inet_.myOpenURL(updateRoot() + QStringLiteral("freeload/weather.ini"), true);
    setBusy(false);

    const QString title = QStringLiteral("INI Update ERROR");
    switch (checkLayoutDownload(text)) {
    case LayoutDownload::NoPart:
        showBox(owner_,
                downloadError(QStringLiteral("No part of the INI file could not be downloaded") +
                              kCrLf + kCrLf +
                              QStringLiteral("Ensure you have a current connection to the net.") +
                              kCrLf +
                              QStringLiteral("If you are connected the server end may be down so "
                                             "try again later.")),
                title, MessageBox::Icon::Critical);
        return;
    case LayoutDownload::Incomplete:
        showBox(owner_,
                downloadError(
                    QStringLiteral("The INI file downloaded was incomplete.") + kCrLf + kCrLf +
                    QStringLiteral("Connection may have failed during download of file.") + kCrLf +
                    QStringLiteral("If the error persists after trying to Auto UpDate button "
                                   "again") +
                    kCrLf +
                    QStringLiteral("you may need to clear your internet browser cache of files.")),
                title, MessageBox::Icon::Critical);
        return;
    case LayoutDownload::Complete:
        break;
    }

    switch (installLayout(text, latestIni_, iniVersion_, appDir_)) {
    case LayoutInstall::Installed:
        showBox(owner_,
                QStringLiteral("INI Update is complete.") + kCrLf + kCrLf +
                    QStringLiteral("To activate new settings from INI file") + kCrLf +
                    QStringLiteral("Re-start the program."),
                QStringLiteral("INI Update"), MessageBox::Icon::Information);
        break;
    case LayoutInstall::WriteFailed:
        showBox(owner_,
                QStringLiteral("ERROR installing new INI.") + kCrLf + kCrLf +
                    QStringLiteral("The new INI file could not be saved in the program folder.") +
                    kCrLf + QStringLiteral("The INI file in use has not been changed."),
                title, MessageBox::Icon::Critical);
        break;
    case LayoutInstall::NotMatching:
        showBox(owner_,
                QStringLiteral("ERROR installing new INI.") + kCrLf + kCrLf +
                    QStringLiteral("The INI file downloaded is not version ") + latestIni_ +
                    QStringLiteral(" of the same form as the installed version ") + iniVersion_ +
                    QLatin1Char('.') + kCrLf +
                    QStringLiteral("The INI file in use has not been changed."),
                title, MessageBox::Icon::Critical);
        break;
    case LayoutInstall::TooLarge:
        showBox(owner_,
                QStringLiteral("ERROR installing new INI.") + kCrLf + kCrLf +
                    QStringLiteral("The INI file downloaded is larger than 1 MB: it cannot be a "
                                   "layout file.") +
                    kCrLf + QStringLiteral("The INI file in use has not been changed."),
                title, MessageBox::Icon::Critical);
        break;
    }
}

} // namespace net
