#pragma once

#include "common/deployment.h"

#include <QObject>
#include <QPointer>
#include <QString>

#include <optional>

class QWidget;

namespace net {

class frmInet;
class frmUpdMsg;

// Addresses fixed when the program is built (empty when the build names none) and the
// program's version.
using common::homePage;
using common::programVersion;
using common::updateRoot;
using common::updatesFromServer;
// Opens the product's home page in the user's browser (nothing when the build names none).
void openUrl();

// The versions a version file announces: the 5 characters after "exe=" and after "ini="
// (keys in any capitals; "" when "ini=" is missing).
struct LatestVersions
{
    QString exe;
    QString ini;
};
// nullopt when the text holds no "exe=" in exactly these capitals (no usable version file).
std::optional<LatestVersions> readVersionFile(const QString& text);

enum class UpdateOffer
{
    None,
    Program, // a newer program: the user is sent to the maker's site
    Layout,  // a newer layout file: it can be downloaded and installed
};
// Compares the versions as plain text, character by character (so "1.10." is older than
// "1.5.8"): a newer program first, else a newer layout file.
UpdateOffer compareVersions(const QString& exeVersion, const QString& iniVersion,
                            const LatestVersions& latest);

enum class LayoutDownload
{
    NoPart,     // no "[FixedSetting]" in it (an empty download included)
    Incomplete, // no "[EOF]" within its last 21 characters, or shorter than 21 characters
    Complete,
};
LayoutDownload checkLayoutDownload(const QString& text);

enum class LayoutInstall
{
    Installed,
    NotMatching, // its [FixedSetting] ver is empty or not `latestIni`, or the installed
                 // version's length differs from `latestIni`'s: nothing replaced
    TooLarge,    // over config::kMaxLayoutBytes: nothing replaced
    WriteFailed, // tmp.txt could not be written or not put in place: nothing replaced
};
// Installs a complete layout download in `appDir` (with its trailing "/"): a text without any
// CR gets CR LF line ends; it is written to tmp.txt (followed by CR LF), its version read back,
// and when it matches, tmp.txt replaces weather.ini in one rename, so at every moment
// weather.ini is either the old file or the new one, whole. tmp.txt never stays behind.
LayoutInstall installLayout(const QString& text, const QString& latestIni,
                            const QString& iniVersion, const QString& appDir);

// The version check and the layout-file update.
//
// checkVersion(manual) notes today's date as the last check, reads the version file from the
// update server (a whole-page fetch) and compares: a newer program or layout file opens the
// message window frmUpdMsg (modeless); otherwise a manual check says "There are No Updates for
// Nimbulo" and a daily one shows nothing. A version file that cannot be fetched is reported
// only to a manual check. The message window's update button sends the user to the maker's
// site or downloads, checks and installs the layout file, with a message for each outcome.
//
// A build that names no update server fetches nothing: checkVersion() then does nothing.
//
// A check or an update asked for while one runs (from an event handled during its fetch) is
// dropped; busyChanged() lets a button follow.
class VersionCheck : public QObject
{
    Q_OBJECT
public:
    // `appDir` is the program folder with its trailing "/"; `lastCheckDate` is the settings'
    // check_date held in memory; message boxes are owned by `owner`.
    VersionCheck(frmInet& inet, QString appDir, QString& lastCheckDate, QWidget* owner = nullptr,
                 QObject* parent = nullptr);
    ~VersionCheck() override;

    void checkVersion(bool manual);
    // The message window's update button.
    void cmdUpdClick();

    // The message window while it is open.
    frmUpdMsg* messageWindow() const;
    bool busy() const { return busy_; }

Q_SIGNALS:
    void busyChanged(bool busy);

private:
    void setBusy(bool busy);
    void offer(UpdateOffer kind);
    void updateLayout();

    frmInet& inet_;
    QString appDir_;
    QString& lastCheckDate_;
    QWidget* owner_;
    QPointer<frmUpdMsg> window_;
    bool busy_ = false;
    bool iniUpdatePending_ = false;
    QString iniVersion_;
    QString latestIni_;
};

} // namespace net
