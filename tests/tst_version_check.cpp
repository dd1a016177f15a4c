// The version check and the layout-file update: the version rules, the download checks, the
// installation, and whole checks against the demo bureau and a scripted server.

#include "common/ini_file.h"
#include "page_server.h"
#include "platform/desktop.h"
#include "platform/message_box.h"
#include "weather/config/settings.h"
#include "weather/net/error_log.h"
#include "weather/net/frm_inet.h"
#include "weather/net/frm_upd_msg.h"
#include "weather/net/version_check.h"

#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

using net::LayoutDownload;
using net::LayoutInstall;
using net::UpdateOffer;
using platform::MessageBox;

Q_DECLARE_METATYPE(UpdateOffer)
Q_DECLARE_METATYPE(LayoutDownload)
Q_DECLARE_METATYPE(LayoutInstall)

namespace {

QByteArray readAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool writeAll(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// The shipped layout file with another version in [FixedSetting].
QByteArray layoutOfVersion(const QByteArray& version)
{
    QByteArray layout = readAll(QStringLiteral(NIMBULO_SOURCE_DIR "/data/weather.ini"));
    layout.replace("[FixedSetting]\nver=1.0.0", "[FixedSetting]\nver=" + version);
    return layout;
}

// The demo bureau as a separate process on a free port.
class DemoBureau
{
public:
    bool start(const QStringList& options)
    {
        process_.start(QStringLiteral(DEMO_BUREAU), QStringList{"--port", "0"} + options);
        if (!process_.waitForReadyRead(10000))
            return false;
        const QByteArray line = process_.readLine().trimmed();
        if (!line.startsWith("listening on 127.0.0.1:"))
            return false;
        port_ = QString::fromLatin1(line.mid(line.lastIndexOf(':') + 1));
        return true;
    }
    ~DemoBureau()
    {
        process_.kill();
        process_.waitForFinished();
    }
    QString port() const { return port_; }

private:
    QProcess process_;
    QString port_;
};

} // namespace

class TestVersionCheck : public QObject
{
    Q_OBJECT

    QTemporaryDir dir_;
    QString appDir_;
    QStringList opened_;

    QString layoutPath() const { return appDir_ + QStringLiteral("weather.ini"); }

private Q_SLOTS:
    void init()
    {
        appDir_ = dir_.filePath(QString::fromLatin1(QTest::currentDataTag()).replace(' ', '_') +
                                QStringLiteral("_") + QTest::currentTestFunction()) +
                  QStringLiteral("/");
        QVERIFY(QDir().mkpath(appDir_));
        QVERIFY(writeAll(layoutPath(), layoutOfVersion("1.0.0")));
        MessageBox::script({});
        opened_.clear();
        platform::setUrlOpener([this](const QString& url) { opened_.append(url); });
    }
    void cleanup()
    {
        MessageBox::unscript();
        platform::setUrlOpener({});
    }

    void readVersionFile_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("usable");
        QTest::addColumn<QString>("exe");
        QTest::addColumn<QString>("ini");
        QTest::newRow("lines") << "exe=1.5.9\r\nini=1.2.3\r\n"
                               << true << "1.5.9"
                               << "1.2.3";
        QTest::newRow("no line breaks, text around")
            << "versions: exe=1.5.8 ini=2.0.1 end" << true << "1.5.8"
            << "2.0.1";
        QTest::newRow("only capitals") << "EXE=1.5.9\nINI=1.2.3" << false << ""
                                       << "";
        QTest::newRow("capitals first, then exe=")
            << "EXE=9.9.9 exe=1.0.0 ini=1.0.0" << true << "9.9.9"
            << "1.0.0";
        QTest::newRow("no ini=") << "exe=1.0.0" << true << "1.0.0"
                                 << "";
        QTest::newRow("short values") << "exe=1.0" << true << "1.0"
                                      << "";
        QTest::newRow("empty") << "" << false << ""
                               << "";
    }
    void readVersionFile()
    {
        QFETCH(QString, text);
        QFETCH(bool, usable);
        QFETCH(QString, exe);
        QFETCH(QString, ini);
        const auto latest = net::readVersionFile(text);
        QCOMPARE(latest.has_value(), usable);
        if (latest) {
            QCOMPARE(latest->exe, exe);
            QCOMPARE(latest->ini, ini);
        }
    }

    void compareVersions_data()
    {
        QTest::addColumn<QString>("exe");
        QTest::addColumn<QString>("ini");
        QTest::addColumn<QString>("latestExe");
        QTest::addColumn<QString>("latestIni");
        QTest::addColumn<UpdateOffer>("offer");
        QTest::newRow("newer program") << "1.5.8"
                                       << "1.0.0"
                                       << "1.5.9"
                                       << "1.0.0" << UpdateOffer::Program;
        QTest::newRow("newer program wins over newer layout") << "1.5.8"
                                                              << "1.0.0"
                                                              << "1.5.9"
                                                              << "1.0.1" << UpdateOffer::Program;
        QTest::newRow("same program, newer layout") << "1.5.8"
                                                    << "1.0.0"
                                                    << "1.5.8"
                                                    << "1.0.1" << UpdateOffer::Layout;
        QTest::newRow("equal") << "1.5.8"
                               << "1.0.0"
                               << "1.5.8"
                               << "1.0.0" << UpdateOffer::None;
        QTest::newRow("textual: 1.10. is older than 1.5.8") << "1.5.8"
                                                            << "1.0.0"
                                                            << "1.10."
                                                            << "1.0.0" << UpdateOffer::None;
        QTest::newRow("older on the server") << "1.5.8"
                                             << "1.0.1"
                                             << "1.5.7"
                                             << "1.0.0" << UpdateOffer::None;
        QTest::newRow("no installed layout version") << "1.5.8"
                                                     << ""
                                                     << "1.5.8"
                                                     << "1.0.0" << UpdateOffer::Layout;
    }
    void compareVersions()
    {
        QFETCH(QString, exe);
        QFETCH(QString, ini);
        QFETCH(QString, latestExe);
        QFETCH(QString, latestIni);
        QFETCH(UpdateOffer, offer);
        QCOMPARE(net::compareVersions(exe, ini, {latestExe, latestIni}), offer);
    }

    void checkLayoutDownload_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<LayoutDownload>("verdict");
        QTest::newRow("empty") << "" << LayoutDownload::NoPart;
        QTest::newRow("no [FixedSetting]") << "[COMMON]\nx=1\n[EOF]\n" << LayoutDownload::NoPart;
        QTest::newRow("whole") << "[FixedSetting]\nver=1.0.1\n\n[EOF]\n"
                               << LayoutDownload::Complete;
        QTest::newRow("[EOF] just within the last 21")
            << "[FixedSetting]\nver=1.0.1\n[EOF]" + QString(16, u' ') << LayoutDownload::Complete;
        QTest::newRow("[EOF] too far from the end")
            << "[FixedSetting]\nver=1.0.1\n[EOF]" + QString(17, u' ') << LayoutDownload::Incomplete;
        QTest::newRow("cut before [EOF]")
            << "[FixedSetting]\nver=1.0.1\n[EO" << LayoutDownload::Incomplete;
        QTest::newRow("shorter than 21 characters")
            << "[FixedSetting][EOF]" << LayoutDownload::Incomplete;
    }
    void checkLayoutDownload()
    {
        QFETCH(QString, text);
        QFETCH(LayoutDownload, verdict);
        QCOMPARE(net::checkLayoutDownload(text), verdict);
    }

    void installLayout_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("latestIni");
        QTest::addColumn<QString>("iniVersion");
        QTest::addColumn<LayoutInstall>("outcome");
        QTest::addColumn<QByteArray>("installed"); // weather.ini afterwards; empty: unchanged

        QTest::newRow("LF line ends become CR LF")
            << "[FixedSetting]\nver=1.0.1\n[EOF]\n"
            << "1.0.1"
            << "1.0.0" << LayoutInstall::Installed
            << QByteArray("[FixedSetting]\r\nver=1.0.1\r\n[EOF]\r\n\r\n");
        QTest::newRow("a text with any CR is kept")
            << "[FixedSetting]\r\nver=1.0.1\n[EOF]"
            << "1.0.1"
            << "1.0.0" << LayoutInstall::Installed
            << QByteArray("[FixedSetting]\r\nver=1.0.1\n[EOF]\r\n");
        QTest::newRow("version differs from the version file")
            << "[FixedSetting]\nver=1.0.2\n[EOF]\n"
            << "1.0.1"
            << "1.0.0" << LayoutInstall::NotMatching << QByteArray();
        QTest::newRow("no version in the download")
            << "[FixedSetting]\n[EOF]\n"
            << ""
            << "1.0.0" << LayoutInstall::NotMatching << QByteArray();
        QTest::newRow("installed version of another length")
            << "[FixedSetting]\nver=1.0.1\n[EOF]\n"
            << "1.0.1"
            << "1.0" << LayoutInstall::NotMatching << QByteArray();
    }
    void installLayout()
    {
        QFETCH(QString, text);
        QFETCH(QString, latestIni);
        QFETCH(QString, iniVersion);
        QFETCH(LayoutInstall, outcome);
        QFETCH(QByteArray, installed);

        const QByteArray before = readAll(layoutPath());
        QCOMPARE(net::installLayout(text, latestIni, iniVersion, appDir_), outcome);
        QCOMPARE(readAll(layoutPath()), installed.isEmpty() ? before : installed);
        // tmp.txt has become the layout file, or stays beside it.
        QCOMPARE(QFile::exists(appDir_ + "tmp.txt"), outcome != LayoutInstall::Installed);
    }

    // A download that cannot be written leaves the installed layout whole.
    void installLayoutWriteFails()
    {
        const QByteArray before = readAll(layoutPath());
        QVERIFY(QDir().mkpath(appDir_ + "tmp.txt")); // a folder where tmp.txt would go
        QCOMPARE(
            net::installLayout("[FixedSetting]\nver=1.0.1\n[EOF]\n", "1.0.1", "1.0.0", appDir_),
            LayoutInstall::WriteFailed);
        QCOMPARE(readAll(layoutPath()), before);
    }

    // Whole checks against the demo bureau, reached as the proxy.
    void againstDemoBureau_data()
    {
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<QByteArray>("served"); // the layout the bureau serves ("": shipped one)
        QTest::addColumn<int>("cut");           // body bytes sent: 0 all, below 0 all but so many
        QTest::addColumn<bool>("manual");
        QTest::addColumn<QString>("window");    // the start of txtBox; "" when not shown
        QTest::addColumn<QString>("boxTitle");  // after the check, or after the update button
        QTest::addColumn<QString>("boxText");   // the box's text begins so
        QTest::addColumn<QByteArray>("layout"); // the installed layout's version afterwards

        const QString program = "There is a newer version of Nimbulo program available.";
        const QString layout = "There is a newer version of Weather INI file to Update.";
        QTest::newRow("newer program")
            << QStringList{"--exe-version", "9.9.9"} << QByteArray() << 0 << false << program << ""
            << "" << QByteArray("1.0.0");
        QTest::newRow("newer layout, installed")
            << QStringList{"--ini-version", "1.0.1"} << layoutOfVersion("1.0.1") << 0 << false
            << layout << "INI Update"
            << "INI Update is complete." << QByteArray("1.0.1");
        QTest::newRow("equal versions, manual")
            << QStringList{} << QByteArray() << 0 << true << ""
            << "Version Check"
            << "There are No Updates for Nimbulo" << QByteArray("1.0.0");
        QTest::newRow("equal versions, daily") << QStringList{} << QByteArray() << 0 << false << ""
                                               << ""
                                               << "" << QByteArray("1.0.0");
        QTest::newRow("incomplete download")
            << QStringList{"--ini-version", "1.0.1"} << layoutOfVersion("1.0.1") << -8 << true
            << layout << "INI Update ERROR"
            << "ERROR downloading new INI.\r\n\r\nThe INI file downloaded was incomplete."
            << QByteArray("1.0.0");
        QTest::newRow("download of another version")
            << QStringList{"--ini-version", "1.0.1"} << layoutOfVersion("1.0.2") << 0 << true
            << layout << ""
            << "" << QByteArray("1.0.0");
        QTest::newRow("download cut before [FixedSetting]")
            << QStringList{"--ini-version", "1.0.1"} << layoutOfVersion("1.0.1") << 300 << true
            << layout << "INI Update ERROR"
            << "ERROR downloading new INI.\r\n\r\nNo part of the INI file could not be downloaded"
            << QByteArray("1.0.0");
    }
    void againstDemoBureau()
    {
        QFETCH(QStringList, options);
        QFETCH(QByteArray, served);
        QFETCH(int, cut);
        QFETCH(bool, manual);
        QFETCH(QString, window);
        QFETCH(QString, boxTitle);
        QFETCH(QString, boxText);
        QFETCH(QByteArray, layout);

        if (!served.isEmpty()) {
            const QString servedPath = appDir_ + "served.ini";
            QVERIFY(writeAll(servedPath, served));
            options << "--layout" << servedPath;
        }
        if (cut != 0)
            options << "--cut" << QString::number(cut > 0 ? cut : served.size() + cut);
        DemoBureau bureau;
        QVERIFY(bureau.start(options));

        net::FetchState state;
        config::ProxySettings proxy;
        proxy.useProxy = true;
        proxy.server = QStringLiteral("127.0.0.1");
        proxy.port = bureau.port();
        net::ErrorLog log;
        net::frmInet inet(state, proxy, log);
        QString lastCheck;
        net::VersionCheck check(inet, appDir_, lastCheck);

        check.checkVersion(manual);
        QCOMPARE(lastCheck, config::todayText());
        QVERIFY2(log.isEmpty(), qPrintable(log.text()));
        if (window.isEmpty()) {
            QVERIFY(!check.messageWindow());
        } else {
            QVERIFY(check.messageWindow());
            QVERIFY(check.messageWindow()->isVisible());
            QVERIFY(check.messageWindow()->txtBox->toPlainText().startsWith(window));
            QVERIFY(MessageBox::shownBoxes().isEmpty());
            check.messageWindow()->cmdUpd->click();
            QTRY_VERIFY(!check.messageWindow()); // the window is unloaded
        }
        if (window.startsWith("There is a newer version of Nimbulo"))
            QCOMPARE(opened_, QStringList{net::homePage()});
        else
            QVERIFY(opened_.isEmpty());

        if (boxTitle.isEmpty()) {
            QVERIFY(MessageBox::shownBoxes().isEmpty());
        } else {
            QCOMPARE(MessageBox::shownBoxes().size(), 1);
            QCOMPARE(MessageBox::shownBoxes().first().title, boxTitle);
            QVERIFY2(MessageBox::shownBoxes().first().text.startsWith(boxText),
                     qPrintable(MessageBox::shownBoxes().first().text));
        }
        QCOMPARE(
            common::readIni(QStringLiteral("FixedSetting"), QStringLiteral("ver"), layoutPath())
                .toLatin1(),
            layout);
        if (layout == "1.0.1") {
            // The shipped layout has LF line ends; the installed copy has CR LF throughout.
            const QByteArray installed = readAll(layoutPath());
            QCOMPARE(installed.count('\n'), installed.count("\r\n"));
            QCOMPARE(installed, QByteArray(served).replace("\n", "\r\n") + "\r\n");
        }
    }

    // A server without a version file: only a manual check says so.
    void noVersionFile_data()
    {
        QTest::addColumn<bool>("manual");
        QTest::addColumn<int>("boxes");
        QTest::newRow("manual") << true << 1;
        QTest::newRow("daily") << false << 0;
    }
    void noVersionFile()
    {
        QFETCH(bool, manual);
        QFETCH(int, boxes);
        PageServer server;
        server.setPage(QStringLiteral("/freeload/wthrvers.txt"), "version=1.0.0");
        net::FetchState state;
        config::ProxySettings proxy{true, "127.0.0.1", QString::number(server.port()), false, "",
                                    "",   false};
        net::ErrorLog log;
        net::frmInet inet(state, proxy, log);
        QString lastCheck;
        net::VersionCheck check(inet, appDir_, lastCheck);
        check.checkVersion(manual);
        QVERIFY(!check.messageWindow());
        QCOMPARE(MessageBox::shownBoxes().size(), boxes);
        if (boxes) {
            QCOMPARE(
                MessageBox::shownBoxes().first().text,
                QStringLiteral("Cannot find version checker file Online please try again later"));
        }
    }

    // The layout server goes away between the check and the update.
    void layoutServerGone()
    {
        auto server = std::make_unique<PageServer>();
        server->setPage(QStringLiteral("/freeload/wthrvers.txt"), "exe=1.0.0 ini=1.0.1");
        net::FetchState state;
        config::ProxySettings proxy{true, "127.0.0.1", QString::number(server->port()), false, "",
                                    "",   false};
        net::ErrorLog log;
        net::frmInet inet(state, proxy, log);
        QString lastCheck;
        net::VersionCheck check(inet, appDir_, lastCheck);
        check.checkVersion(false);
        QVERIFY(check.messageWindow());
        server.reset();
        const QByteArray before = readAll(layoutPath());
        check.messageWindow()->cmdUpd->click();
        QCOMPARE(MessageBox::shownBoxes().size(), 1);
        QVERIFY(MessageBox::shownBoxes().first().text.contains(
            "No part of the INI file could not be downloaded"));
        QCOMPARE(readAll(layoutPath()), before);
    }
};

QTEST_MAIN(TestVersionCheck)
#include "tst_version_check.moc"
