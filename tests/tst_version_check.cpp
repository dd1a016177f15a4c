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

#include <QFileInfo>
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

const QString kShippedLayout = QStringLiteral(NIMBULO_SOURCE_DIR "/data/weather.ini");

// The shipped layout file's [FixedSetting] ver.
QByteArray shippedVersion()
{
    return common::readIni(QStringLiteral("FixedSetting"), QStringLiteral("ver"), kShippedLayout)
        .toLatin1();
}

// A version of the same length that the check takes as newer (it compares text): the last
// character raised.
QByteArray newerThan(QByteArray version)
{
    ++version.back();
    return version;
}

// The shipped layout file with another version in [FixedSetting] (none: as shipped).
QByteArray layoutOfVersion(const QByteArray& version)
{
    QByteArray layout = readAll(kShippedLayout);
    const QByteArray key = "[FixedSetting]\nver=";
    const qsizetype at = layout.indexOf(key) + key.size();
    if (!version.isEmpty())
        layout.replace(at, layout.indexOf('\n', at) - at, version);
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

// A version check that reaches the update server at `port` on the loopback address, as its proxy.
struct Checker
{
    Checker(const QString& port, const QString& appDir) : check(inet, appDir, lastCheck)
    {
        proxy.useProxy = true;
        proxy.server = QStringLiteral("127.0.0.1");
        proxy.port = port;
    }
    net::FetchState state;
    config::ProxySettings proxy;
    net::ErrorLog log;
    net::frmInet inet{state, proxy, log};
    QString lastCheck;
    net::VersionCheck check;
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
        QVERIFY(writeAll(layoutPath(), layoutOfVersion(QByteArray())));
        MessageBox::script({});
        opened_.clear();
        platform::setUrlOpener([this](const QString& url) { opened_.append(url); });
    }
    void cleanup()
    {
        MessageBox::unscript();
        platform::setUrlOpener({});
    }

    // "exe|ini" as read from the version file; "-" when it is unusable.
    void readVersionFile_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("latest");
        QTest::newRow("lines") << "exe=1.5.9\r\nini=1.2.3\r\n" << QStringLiteral("1.5.9|1.2.3");
        QTest::newRow("no line breaks, text around")
            << "versions: exe=1.5.8 ini=2.0.1 end" << QStringLiteral("1.5.8|2.0.1");
        QTest::newRow("only capitals") << "EXE=1.5.9\nINI=1.2.3" << QStringLiteral("-");
        QTest::newRow("capitals first, then exe=")
            << "EXE=9.9.9 exe=1.0.0 ini=1.0.0" << QStringLiteral("9.9.9|1.0.0");
        QTest::newRow("no ini=") << "exe=1.0.0" << QStringLiteral("1.0.0|");
        QTest::newRow("empty") << "" << QStringLiteral("-");
    }
    void readVersionFile()
    {
        QFETCH(QString, text);
        QFETCH(QString, latest);
        const auto read = net::readVersionFile(text);
        QCOMPARE(read ? read->exe + '|' + read->ini : QStringLiteral("-"), latest);
    }

    // "exe ini latestExe latestIni": what is installed, then what the version file says.
    void compareVersions_data()
    {
        QTest::addColumn<QString>("versions");
        QTest::addColumn<UpdateOffer>("offer");
        QTest::newRow("newer program wins") << "1.5.8 1.0.0 1.5.9 1.0.1" << UpdateOffer::Program;
        QTest::newRow("newer layout") << "1.5.8 1.0.0 1.5.8 1.0.1" << UpdateOffer::Layout;
        QTest::newRow("equal") << "1.5.8 1.0.0 1.5.8 1.0.0" << UpdateOffer::None;
        QTest::newRow("textual: 1.10. is older") << "1.5.8 1.0.0 1.10. 1.0.0" << UpdateOffer::None;
        QTest::newRow("older on the server") << "1.5.8 1.0.1 1.5.7 1.0.0" << UpdateOffer::None;
        QTest::newRow("no installed layout version") << "1.5.8  1.5.8 1.0.0" << UpdateOffer::Layout;
    }
    void compareVersions()
    {
        QFETCH(QString, versions);
        QFETCH(UpdateOffer, offer);
        const QStringList v = versions.split(u' ');
        QCOMPARE(net::compareVersions(v[0], v[1], {v[2], v[3]}), offer);
    }

    void checkLayoutDownload_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<LayoutDownload>("verdict");
        const QString whole = QStringLiteral("[FixedSetting]\nver=1.0.1\n[EOF]");
        QTest::newRow("empty") << "" << LayoutDownload::NoPart;
        QTest::newRow("no [FixedSetting]") << "[COMMON]\nx=1\n[EOF]\n" << LayoutDownload::NoPart;
        QTest::newRow("[EOF] just within the last 21")
            << whole + QString(16, u' ') << LayoutDownload::Complete;
        QTest::newRow("[EOF] too far from the end")
            << whole + QString(17, u' ') << LayoutDownload::Incomplete;
        QTest::newRow("cut before [EOF]") << whole.chopped(2) << LayoutDownload::Incomplete;
        QTest::newRow("shorter than 21 characters")
            << "[FixedSetting][EOF]" << LayoutDownload::Incomplete;
    }
    void checkLayoutDownload()
    {
        QFETCH(QString, text);
        QFETCH(LayoutDownload, verdict);
        QCOMPARE(net::checkLayoutDownload(text), verdict);
    }

    // The download replaces weather.ini by way of tmp.txt, which never stays behind;
    // "installed" is the layout file afterwards, empty when it is unchanged.
    void installLayout_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("versions"); // "latestIni installedIni"
        QTest::addColumn<LayoutInstall>("outcome");
        QTest::addColumn<QByteArray>("installed");
        const QString text = QStringLiteral("[FixedSetting]\nver=1.0.1\n[EOF]\n");
        QTest::newRow("LF line ends become CR LF")
            << text << "1.0.1 1.0.0" << LayoutInstall::Installed
            << QByteArray("[FixedSetting]\r\nver=1.0.1\r\n[EOF]\r\n\r\n");
        QTest::newRow("a text with any CR is kept")
            << "[FixedSetting]\r\nver=1.0.1\n[EOF]"
            << "1.0.1 1.0.0" << LayoutInstall::Installed
            << QByteArray("[FixedSetting]\r\nver=1.0.1\n[EOF]\r\n");
        QTest::newRow("version differs from the version file")
            << text << "1.0.2 1.0.0" << LayoutInstall::NotMatching << QByteArray();
        QTest::newRow("installed version of another length")
            << text << "1.0.1 1.0" << LayoutInstall::NotMatching << QByteArray();
        QTest::newRow("over 1 MB") << text + QString(1024 * 1024, u';') << "1.0.1 1.0.0"
                                   << LayoutInstall::TooLarge << QByteArray();
        // A download that cannot be written leaves the installed layout whole.
        QTest::newRow("tmp.txt cannot be written")
            << text << "1.0.1 1.0.0" << LayoutInstall::WriteFailed << QByteArray();
    }
    void installLayout()
    {
        QFETCH(QString, text);
        QFETCH(QString, versions);
        QFETCH(LayoutInstall, outcome);
        QFETCH(QByteArray, installed);
        if (outcome == LayoutInstall::WriteFailed)
            QVERIFY(QDir().mkpath(appDir_ + "tmp.txt")); // a folder where tmp.txt would go
        const QByteArray before = readAll(layoutPath());
        const QStringList v = versions.split(u' ');
        QCOMPARE(net::installLayout(text, v[0], v[1], appDir_), outcome);
        QCOMPARE(readAll(layoutPath()), installed.isEmpty() ? before : installed);
        QCOMPARE(QFileInfo(appDir_ + "tmp.txt").isFile(), false);
    }

    // Whole checks against the demo bureau, reached as the proxy.
    void againstDemoBureau_data()
    {
        QTest::addColumn<QByteArray>("installed"); // layout version installed ("": shipped)
        QTest::addColumn<QString>("exe");          // program version announced ("": as shipped)
        QTest::addColumn<QByteArray>("ini"); // layout version announced and served ("": shipped)
        QTest::addColumn<int>("cut");        // body bytes sent: 0 all, below 0 all but so many
        QTest::addColumn<bool>("manual");
        QTest::addColumn<QString>("window");    // the start of txtBox; "" when not shown
        QTest::addColumn<QString>("box");       // "title|start of the text" of the one box shown
        QTest::addColumn<QByteArray>("layout"); // the installed layout's version afterwards
        const QString layout = "There is a newer version of Weather INI file to Update.";
        const QString error = "INI Update ERROR|ERROR downloading new INI.\r\n\r\n";
        const QString done = "INI Update|INI Update is complete.";
        const QByteArray v0 = shippedVersion(), v1 = newerThan(v0), none;
        QTest::newRow("newer layout, installed")
            << none << QString() << v1 << 0 << false << layout << done << v1;
        // What the first release installed gets the shipped layout.
        QTest::newRow("layout of 1.0.0, the shipped one installed")
            << QByteArray("1.0.0") << QString() << none << 0 << false << layout << done << v0;
        QTest::newRow("1.5.9: newer than this release")
            << none << "1.5.9" << none << 0 << false
            << "There is a newer version of Nimbulo program available." << QString() << v0;
        QTest::newRow("1.10.: older than this release, as text")
            << none << "1.10." << none << 0 << true << QString()
            << "Version Check|There are No Updates for Nimbulo" << v0;
        QTest::newRow("equal versions, manual")
            << none << QString() << none << 0 << true << QString()
            << "Version Check|There are No Updates for Nimbulo" << v0;
        // Refused, and the user told so.
        QTest::newRow("installed layout version of another length")
            << QByteArray("1.0") << QString() << v1 << 0 << false << layout
            << "INI Update ERROR|ERROR installing new INI.\r\n\r\nThe INI file downloaded is not "
               "version " +
                   QString::fromLatin1(v1)
            << QByteArray("1.0");
        QTest::newRow("incomplete download")
            << none << QString() << v1 << -8 << true << layout
            << error + "The INI file downloaded was incomplete." << v0;
        QTest::newRow("download cut before [FixedSetting]")
            << none << QString() << v1 << 300 << true << layout
            << error + "No part of the INI file could not be downloaded" << v0;
    }
    void againstDemoBureau()
    {
        QFETCH(QByteArray, installed);
        QFETCH(QString, exe);
        QFETCH(QByteArray, ini);
        QFETCH(int, cut);
        QFETCH(bool, manual);
        QFETCH(QString, window);
        QFETCH(QString, box);
        QFETCH(QByteArray, layout);
        if (!installed.isEmpty())
            QVERIFY(writeAll(layoutPath(), layoutOfVersion(installed)));
        QStringList options;
        if (!exe.isEmpty())
            options << "--exe-version" << exe;
        const QByteArray servedLayout = layoutOfVersion(ini);
        if (!ini.isEmpty()) {
            QVERIFY(writeAll(appDir_ + "served.ini", servedLayout));
            options << "--ini-version" << QString::fromLatin1(ini) << "--layout"
                    << appDir_ + "served.ini";
        }
        if (cut != 0)
            options << "--cut" << QString::number(cut > 0 ? cut : servedLayout.size() + cut);
        DemoBureau bureau;
        QVERIFY(bureau.start(options));
        Checker c(bureau.port(), appDir_);

        c.check.checkVersion(manual);
        QCOMPARE(c.lastCheck, config::todayText());
        QVERIFY2(c.log.isEmpty(), qPrintable(c.log.text()));
        QCOMPARE(bool(c.check.messageWindow()), !window.isEmpty());
        if (!window.isEmpty()) {
            QVERIFY(c.check.messageWindow()
                        ->findChild<QPlainTextEdit*>("txtBox")
                        ->toPlainText()
                        .startsWith(window));
            QVERIFY(MessageBox::shownBoxes().isEmpty());
            c.check.messageWindow()->findChild<QPushButton*>("cmdUpd")->click();
            QTRY_VERIFY(!c.check.messageWindow()); // the window is unloaded
        }
        const bool programOffer = window.contains(QStringLiteral("Nimbulo program"));
        QCOMPARE(opened_, programOffer ? QStringList{net::homePage()} : QStringList{});
        QCOMPARE(MessageBox::shownBoxes().size(), box.isEmpty() ? 0 : 1);
        if (!box.isEmpty()) {
            const auto& shown = MessageBox::shownBoxes().first();
            QCOMPARE(shown.title, box.section(u'|', 0, 0));
            QVERIFY2(shown.text.startsWith(box.section(u'|', 1)), qPrintable(shown.text));
        }
        QCOMPARE(
            common::readIni(QStringLiteral("FixedSetting"), QStringLiteral("ver"), layoutPath())
                .toLatin1(),
            layout);
    }

    // A server without a version file: a manual check says so.
    void noVersionFile()
    {
        PageServer server;
        server.setPage(QStringLiteral("/freeload/wthrvers.txt"), "version=1.0.0");
        Checker c(QString::number(server.port()), appDir_);
        c.check.checkVersion(true);
        QVERIFY(!c.check.messageWindow());
        QCOMPARE(MessageBox::shownBoxes().size(), 1);
        QCOMPARE(MessageBox::shownBoxes().first().text,
                 QStringLiteral("Cannot find version checker file Online please try again later"));
    }

    // The layout server goes away between the check and the update.
    void layoutServerGone()
    {
        auto server = std::make_unique<PageServer>();
        server->setPage(QStringLiteral("/freeload/wthrvers.txt"),
                        "exe=1.0.0 ini=" + newerThan(shippedVersion()));
        Checker c(QString::number(server->port()), appDir_);
        c.check.checkVersion(false);
        QVERIFY(c.check.messageWindow());
        server.reset();
        const QByteArray before = readAll(layoutPath());
        c.check.messageWindow()->findChild<QPushButton*>("cmdUpd")->click();
        QCOMPARE(MessageBox::shownBoxes().size(), 1);
        QVERIFY(MessageBox::shownBoxes().first().text.contains(
            "No part of the INI file could not be downloaded"));
        QCOMPARE(readAll(layoutPath()), before);
    }
};

QTEST_MAIN(TestVersionCheck)
#include "tst_version_check.moc"
