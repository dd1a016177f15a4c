#include "net_peers.h"
#include "platform/desktop.h"
#include "platform/message_box.h"
#include "product_roads.h"
#include "tools/demo-bureau/bureau_feeds.h"
#include "weather/app/weather_app.h"
#include "weather/config/frm_options.h"
#include "weather/config/layout_file.h"
#include "weather/engine/monitor.h"
#include "weather/net/error_log.h"
#include "weather/shell/frm_menu.h"
#include "weather/shell/hot_key.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateTime>
#include <QFile>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

using shell::frmMenu;

namespace {

QString sample(const char* name)
{
    return QStringLiteral(NIMBULO_TEST_DATA "/") + QLatin1String(name);
}

QString root()
{
    QString r = config::bureauRoot();
    r.chop(1);
    return r;
}

QStringList captions(const QMenu* menu)
{
    QStringList list;
    for (const QAction* a : menu->actions()) {
        if (a->isVisible())
            list.append(a->isSeparator() ? QStringLiteral("-") : a->text());
    }
    return list;
}

// Any fetch would go to a closed local port.
const QByteArray kSettings = "[SavedSetting]\nstate=0\nproxy_on=1\nproxy_server=127.0.0.1\n"
                             "proxy_port=9\n";

} // namespace

class TestMenu : public QObject
{
    Q_OBJECT

    QTemporaryDir dir_;
    net::ErrorLog log_;
    std::unique_ptr<engine::Monitor> monitor_;
    std::unique_ptr<frmMenu> menu_;
    QStringList opened_;

    QString appDir() const { return dir_.path() + QLatin1Char('/'); }

    // Selects region `index` without letting its scan start (it would go to the bureau).
    void selectRegion(int index)
    {
        monitor_->selectRegion(index);
        monitor_->holdScans();
        menu_->showRegion(appDir());
    }

    QAction* action(const QString& name) const
    {
        auto* found = menu_->findChild<QAction*>(name);
        QTEST_ASSERT(found);
        return found;
    }
    QMenu* menu(const char* name) const
    {
        auto* found = menu_->findChild<QMenu*>(QLatin1String(name));
        QTEST_ASSERT(found);
        return found;
    }

    static void writeSettings(const QString& path, const QByteArray& text)
    {
        QFile settings(path);
        QVERIFY(settings.open(QIODevice::WriteOnly | QIODevice::Truncate));
        settings.write(text);
    }

private Q_SLOTS:
    void init()
    {
        QFile::remove(dir_.filePath("weather.ini"));
        QVERIFY(QFile::copy(sample("menu_weather.ini"), dir_.filePath("weather.ini")));
        writeSettings(dir_.filePath("wsetting.ini"), kSettings);
        monitor_ = std::make_unique<engine::Monitor>(
            dir_.filePath("weather.ini"), dir_.filePath("wsetting.ini"), log_,
            [](const QString& text) { return int(text.size() * 15); });
        menu_ = std::make_unique<frmMenu>(*monitor_);
        connect(monitor_.get(), &engine::Monitor::regionLoaded, menu_.get(),
                [this] { menu_->showRegion(appDir()); });
        monitor_->loadSettings();
        monitor_->holdScans();
        opened_.clear();
        platform::setUrlOpener([this](const QString& url) { opened_.append(url); });
    }

    void cleanup()
    {
        platform::setUrlOpener({});
        menu_.reset();
        monitor_.reset();
        QFile::remove(dir_.filePath("custom1.ini"));
        QFile::remove(dir_.filePath("custom2.ini"));
    }

    void treeAndCaptions()
    {
        QCOMPARE(
            captions(menu_->trayMenu()),
            (QStringList{"&Forecast", "-", "&Rain radar", "-", "&Historical Graphs",
                         "E&xport record\u2026", "-", "&Update Stats", "-", "&Weather Info Links",
                         "-", "&About Nimbulo", "&General Settings", "&Close"}));
        QCOMPARE(captions(menu("mnuLinksType")),
                 QStringList({"&Rainfall Maps", "&Flood Warnings", "&Elsewhere"}));
        // The readme names the entry that opens the main window as the menu calls it.
        QFile readme(QStringLiteral(NIMBULO_SOURCE_DIR "/data/readme.txt"));
        QVERIFY(readme.open(QIODevice::ReadOnly));
        QVERIFY(readme.readAll().simplified().contains(
            "menu button and choose \"" + action("mnuShow")->text().remove('&').toUtf8() + '"'));
        // Without custom menu files their entries are hidden.
        QVERIFY(!action("mnuSepC")->isVisible());
        QVERIFY(!menu("mnuCLinksType_0")->menuAction()->isVisible());
    }

    // The weather-information links come from the layout file, the flood link with the
    // region's path; a region without one has no flood link.
    void infoLinks_data()
    {
        QTest::addColumn<int>("region");
        QTest::addColumn<QStringList>("links");
        QTest::addColumn<int>("index");
        QTest::addColumn<QString>("url");
        QTest::newRow("flood with the region's path")
            << 0 << QStringList{"&Rainfall Maps", "&Flood Warnings", "&Elsewhere"} << 1
            << root() + "/nsw/flood/";
        QTest::newRow("no flood path")
            << 1 << QStringList{"&Rainfall Maps", "&Elsewhere"} << 1 << "https://example.org/x";
        QTest::newRow("relative to the bureau") << 1 << QStringList{"&Rainfall Maps", "&Elsewhere"}
                                                << 0 << root() + "/climate/maps/rainfall/";
    }

    void infoLinks()
    {
        QFETCH(int, region);
        QFETCH(QStringList, links);
        QFETCH(int, index);
        QFETCH(QString, url);
        selectRegion(region);
        QCOMPARE(captions(menu("mnuLinksType")).mid(0, links.size()), links);
        action(QStringLiteral("mnuLink1_%1").arg(index))->trigger();
        QCOMPARE(opened_, QStringList{url});
    }

    void forecastAndRadarEntriesFollowTheRegion()
    {
        QCOMPARE(captions(menu("mnuRain")), (QStringList{"&Sydney radar", "&Newcastle radar"}));
        QSignalSpy picked(menu_.get(), &frmMenu::forecastPicked);
        QSignalSpy radarPicked(menu_.get(), &frmMenu::radarPicked);
        action("mnuForeType_2")->trigger();
        action("mnuRainType_1")->trigger();
        QCOMPARE(picked.size() + radarPicked.size(), 2);
        QCOMPARE(monitor_->forecasts().selected, 2);
        QCOMPARE(opened_, (QStringList{config::bureauRoot() + "nsw/inland.shtml",
                                       config::bureauRoot() + "nsw/radar2.shtml"}));

        // A region without pages: the extra entries go, the first is hidden.
        selectRegion(1);
        QVERIFY(captions(menu("mnuForecast")).isEmpty());
        QVERIFY(!menu("mnuForecast")->isEnabled());
        selectRegion(0);
        QCOMPARE(captions(menu("mnuForecast")), (QStringList{"&Sydney", "&Coast", "&Inland"}));
    }

    void updateStats()
    {
        QAction* update = action("mnuUpdate");
        update->trigger();
        // Greyed until the scan it started ends.
        QVERIFY(!update->isEnabled());
        QVERIFY(monitor_->tmrTripLookup().isActive());
        monitor_->holdScans();
        Q_EMIT monitor_->refreshEnabledChanged(true);
        QVERIFY(update->isEnabled());
    }

    void requestsLeaveTheMenu()
    {
        QStringList requests;
        const QList<QPair<void (frmMenu::*)(), QString>> signals_ = {
            {&frmMenu::graphRequested, "graph"},
            {&frmMenu::aboutRequested, "about"},
            {&frmMenu::showRequested, "show"},
            {&frmMenu::closeRequested, "close"}};
        for (const auto& [signal, name] : signals_)
            connect(menu_.get(), signal, this, [&requests, name] { requests << name; });
        for (const char* name : {"mnuGraph", "mnuAbout", "mnuShow", "mnuClose"})
            action(name)->trigger();
        QCOMPARE(requests, (QStringList{"graph", "about", "show", "close"}));
        QVERIFY(opened_.isEmpty());
    }

    void customMenusOpenTheirOwnLinks()
    {
        QVERIFY(QFile::copy(sample("menu_custom1.ini"), dir_.filePath("custom1.ini")));
        QVERIFY(QFile::copy(sample("menu_custom2.ini"), dir_.filePath("custom2.ini")));
        selectRegion(0);
        QMenu* first = menu("mnuCLinksType_0");
        QCOMPARE(first->title(), QStringLiteral("&My Links"));
        QCOMPARE(captions(first), (QStringList{"Local council", "Surf cams", "Tides"}));

        // The extra links hang under the first link, which heads its own submenu.
        QMenu* extras = menu("mnuCLinksType0Ext");
        QCOMPARE(first->actions().first()->menu(), extras);
        QCOMPARE(captions(extras), (QStringList{"Local council", "-", "Extra one", "Extra two"}));
        for (const char* name :
             {"mnuCLinksType0_1", "mnuCLinksType1_1", "mnuCLinksType0Ext_1", "mnuCLinksType0_0Own"})
            action(name)->trigger();
        QCOMPARE(opened_, (QStringList{"http://surf.example/cams?beach=bondi&zoom=2",
                                       "http://second.example/b", "http://extra.example/2",
                                       "http://council.example/"}));

        // A region with fewer links: the entries beyond its count are hidden.
        selectRegion(1);
        QCOMPARE(captions(first), QStringList{"Melbourne"});
        opened_.clear();
        action("mnuCLinksType0_0")->trigger();
        action("mnuCLinksType0_2")->trigger(); // hidden
        QCOMPARE(opened_, QStringList{"http://melbourne.example/"});
    }

    // Only web and mail addresses reach the desktop's opener; any other is refused with a
    // message saying why.
    void customLinksOutsideTheWeb_data()
    {
        QTest::addColumn<QString>("url");
        QTest::addColumn<bool>("opened");
        for (const char* url : {"https://a.example/x", "ftp://ftp.example/f", "HTTP://a.example/",
                                "mailto:me@example.com"})
            QTest::newRow(url) << QString::fromLatin1(url) << true;
        for (const char* url : {"file:///etc/passwd", "smb://host/share", "javascript:alert(1)",
                                "/usr/bin/xterm", "--help", "http:///no-host"})
            QTest::newRow(url) << QString::fromLatin1(url) << false;
    }

    void customLinksOutsideTheWeb()
    {
        QFETCH(QString, url);
        QFETCH(bool, opened);
        QFile file(dir_.filePath("custom1.ini"));
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write("[MNU]\nname=Mine\n[NSW]\nsub_mnu_num=1\nsub_mnu_0=Link\nsub_mnu_URL_0=" +
                   url.toUtf8() + "\n");
        file.close();
        selectRegion(0);
        platform::MessageBox::script({});
        action("mnuCLinksType0_0")->trigger();
        QCOMPARE(opened_, opened ? QStringList{url} : QStringList{});
        const auto boxes = platform::MessageBox::shownBoxes();
        QCOMPARE(boxes.size(), opened ? 0 : 1);
        if (!opened)
            QVERIFY(boxes.constFirst().text.contains("Only http, https, ftp and mailto"));
        platform::MessageBox::unscript();
    }

    // The menu, hotkey, options and tips as the program wires them.
    void inTheProgram()
    {
        cleanup();
        QTemporaryDir programDir;
        QVERIFY(QFile::copy(sample("menu_weather.ini"), programDir.filePath("weather.ini")));
        const QString settings = programDir.filePath("wsetting.ini");
        writeSettings(settings, kSettings + "tool_tips=1\n[HotKeys]\nkey=17\nkey_plus=119\n"
                                            "key_string=CTRL + F8\nkey_toggle=1\n");
        platform::MessageBox::script({});
        app::WeatherApp program(programDir.path() + QLatin1Char('/'));
        program.start();
        program.monitor().holdScans();

        // Offscreen there is no key to take: the hotkey stays off without a word.
        QVERIFY(!program.hotKey().hotKeyOn());
        QVERIFY(platform::MessageBox::shownBoxes().isEmpty());

        // Help tips on the main window and the dialog (made when first opened); the banner
        // strip has its stats tip.
        QVERIFY(!program.options());
        app::frmWeather& w = program.window();
        auto* refresh = w.findChild<QPushButton*>("cmdRefresh");
        const shell::clsTooltip& tips = program.toolTips().tooltip();
        QVERIFY(tips.hasTool(refresh));
        w.findChild<QPushButton*>("cmdSettings")->click();
        config::frmOptions* options = program.options();
        QVERIFY(options && options->isVisible());
        QVERIFY(tips.hasTool(options->findChild<QWidget*>(QStringLiteral("chkUpdates"))));
        options->findChild<QCheckBox*>(QStringLiteral("chkToolTip"))->setChecked(false);
        options->findChild<QPushButton*>(QStringLiteral("cmdOK"))->click();
        QVERIFY(!tips.hasTool(refresh));
        QVERIFY(tips.hasTool(program.displays().banner().textStrip()));

        // The graph entry is usable exactly when the graph button is (no history link yet).
        const shell::frmMenu& menu = program.menu();
        auto* graph = menu.findChild<QAction*>(QStringLiteral("mnuGraph"));
        Q_EMIT menu.trayMenu()->aboutToShow();
        QVERIFY(!graph->isEnabled());
        w.findChild<QPushButton*>("cmdGraph")->setEnabled(true);
        Q_EMIT menu.trayMenu()->aboutToShow();
        QVERIFY(graph->isEnabled());

        // A menu pick of a forecast selects it in the main window's list too.
        menu.findChild<QAction*>(QStringLiteral("mnuForeType_1"))->trigger();
        QCOMPARE(w.findChild<QListWidget*>("lstForecast")->currentRow(), 1);

        menu.findChild<QAction*>(QStringLiteral("mnuClose"))->trigger();
        QVERIFY(!w.isVisible());
        // The program has shut down: the selection was saved.
        QCOMPARE(config::SettingsFile(settings).raw(QStringLiteral("forecast")),
                 QStringLiteral("1"));
        platform::MessageBox::unscript();
    }

    // The Warnings menu after a whole scan of Victoria by FTP (its observations, town forecasts
    // and warnings): the warnings in force for the station's district, a line each that opens
    // the warning's page; otherwise one line, greyed, saying there are none in the district (by
    // its name) or that the list could not be read.
    void warningsMenu_data()
    {
        QTest::addColumn<int>("stage");
        QTest::addColumn<QString>("list"); // "ftp" or "dead": the list's server
        QTest::addColumn<QString>("town"); // the town forecasts' server, which names districts
        QTest::addColumn<QString>("line");
        QTest::addColumn<QString>("page"); // "" when the line opens nothing
        QTest::newRow("new") << int(demo::WarningStage::New) << "ftp"
                             << "ftp"
                             << "Severe Thunderstorm Warning for Damaging Winds for Central "
                                "forecast district"
                             << root() + "/products/IDV21033.shtml";
        QTest::newRow("none") << int(demo::WarningStage::None) << "ftp"
                              << "ftp"
                              << "No warnings for Central" << QString();
        QTest::newRow("none, the district unnamed")
            << int(demo::WarningStage::None) << "ftp"
            << "dead"
            << "No warnings for the station's district" << QString();
        QTest::newRow("list unreadable") << int(demo::WarningStage::New) << "dead"
                                         << "ftp"
                                         << "Warnings could not be read" << QString();
    }
    void warningsMenu()
    {
        QFETCH(int, stage);
        QFETCH(QString, list);
        QFETCH(QString, town);
        QFETCH(QString, line);
        QFETCH(QString, page);
        if (!pythonHas("pyftpdlib"))
            QSKIP("python3-pyftpdlib is not installed");
        const qint64 now = QDateTime::currentSecsSinceEpoch();
        ProductFiles files = victoriaWithWarnings({demo::WarningStage(stage), now - 600}, now);
        files.append({"IDV10753.xml", demo::townForecastProduct(*demo::findRegion(u"vic"), now)});
        const Roads roads(files, "IDZ00059.warnings_vic.xml");
        QVERIFY(roads.ok());
        QTemporaryDir folder;
        QVERIFY(writeShippedLayout(
            folder.path(),
            {road(kObs, roads.address("ftp/IDV60920.xml")), road(kObsFallback, QString()),
             road(kTown, roads.address(town + "/IDV10753.xml")), road(kTownFallback, QString()),
             road(kWarnings, roads.address(list + "/IDZ00059.warnings_vic.xml")),
             road(kWarningsFallback, QString()), road(kAmoc, roads.address("ftp/"))}));
        writeSettings(folder.filePath("wsetting.ini"), "[SavedSetting]\nstate=1\n");
        engine::Monitor monitor(folder.filePath("weather.ini"), folder.filePath("wsetting.ini"),
                                log_, [](const QString& text) { return int(text.size() * 15); });
        frmMenu menu(monitor);
        monitor.loadSettings();
        monitor.holdScans();
        monitor.tripLookupTick();

        QMenu* warnings = menu.findChild<QMenu*>(QStringLiteral("mnuWarnings"));
        QVERIFY(warnings && warnings->menuAction()->isVisible());
        QCOMPARE(captions(warnings), QStringList{line});
        QAction* first = warnings->actions().constFirst();
        QCOMPARE(first->isEnabled(), !page.isEmpty());
        first->trigger();
        QCOMPARE(opened_, page.isEmpty() ? QStringList() : QStringList{page});
    }
};

QTEST_MAIN(TestMenu)
#include "tst_menu.moc"
