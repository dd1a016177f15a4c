#include "common/station_cache.h"
#include "find_control.h"
#include "page_server.h"
#include "platform/desktop.h"
#include "platform/message_box.h"
#include "weather/app/frm_weather.h"
#include "weather/app/weather_app.h"
#include "weather/config/frm_options.h"
#include "weather/engine/frm_graph.h"

#include <QAccessible>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

using platform::MessageBox;

namespace {

const QByteArray kLayout =
    "[RegionHeads]\nregions=1\nregion_1=R1\n"
    "[R1]\ndisplay=Region One\nst_url=r1/obs.html\ndelim_1=<table>\ndelim_2=</table>\n"
    "delim_3=<th>\ndelim_4=</t\nheaders=3\nskip=1\nst_hdr_1=Date/Time\nst_hdr_2=Temp\n"
    "st_sgn_2=C\nst_hdr_3=Rain\nst_sgn_3=mm\nforecasts=3\nfc_1=Coast\nfc_url_1=r1/coast.shtml\n"
    "fc_2=Inland\nfc_url_2=r1/inland.shtml\nfc_3=Marine\nfc_url_3=r1/marine.shtml\n"
    "rain=1\nrain_name_1=Radar\nrain_url_1=r1/radar.shtml\nmap_url=\n";

const QByteArray kPage = "<table>\n<tr><th><a href=\"/p/1.shtml\">Alpha</a></th>\n"
                         "<td>06/10:00am</td>\n<td>35.5</td>\n<td>1.0</td>\n</tr>\n</table>\n";

// The passing note on show; empty without one.
QString passingNote()
{
    for (QWidget* window : QApplication::topLevelWidgets()) {
        if (window->objectName() == u"passingNote" && window->isVisible())
            return static_cast<QLabel*>(window)->text();
    }
    return {};
}

void closeNotes()
{
    for (QWidget* window : QApplication::topLevelWidgets()) {
        if (window->objectName() == u"passingNote")
            window->close();
    }
}

// Pixels of a widget's picture drawn in its text colour.
int inkOf(QWidget* widget)
{
    const QImage image = widget->grab().toImage();
    const QRgb ink = widget->palette().color(QPalette::WindowText).rgb();
    int count = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            count += image.pixel(x, y) == ink;
    return count;
}

} // namespace

class TestFrmWeather : public QObject
{
    Q_OBJECT

    QTemporaryDir dir_;
    PageServer server_;
    QStringList opened_;
    std::unique_ptr<app::WeatherApp> app_;

    void write(const QString& name, const QByteArray& content)
    {
        QFile f(dir_.filePath(name));
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(content);
    }

    // A control of the main window, by its name.
    template <typename T = QPushButton> T* control(const char* name) const
    {
        return child<T>(app_->window(), name);
    }
    void click(const char* name) const { control(name)->click(); }
    // A control of the options dialog, by its name.
    template <typename T = QPushButton> T* option(const char* name) const
    {
        if (!app_->options())
            qFatal("the options dialog is not open");
        return child<T>(*app_->options(), name);
    }
    // The value list's row `row` (List1_1), or the header list's (List1_0).
    QString listed(int row, const char* list = "List1_1") const
    {
        const QListWidgetItem* item = control<QListWidget>(list)->item(row);
        return item ? item->text() : QString();
    }

    // A fresh program on the test folder, its settings file holding `saved` as well.
    void restart(const QByteArray& saved = {})
    {
        app_.reset();
        write(QStringLiteral("wsetting.ini"),
              "[SavedSetting]\nproxy_on=1\nproxy_server=127.0.0.1\nproxy_port=" +
                  QByteArray::number(server_.port()) +
                  "\nalert_toggle=2\nalert_type=0\nalert_compare=30\n" + saved);
        app_ = std::make_unique<app::WeatherApp>(dir_.path() + QLatin1Char('/'));
    }

private Q_SLOTS:
    void init()
    {
        write(QStringLiteral("weather.ini"), kLayout);
        server_.setPage(QStringLiteral("r1/obs.html"), kPage);
        platform::setUrlOpener([this](const QString& url) { opened_.append(url); });
        MessageBox::script({});
        opened_.clear();
        restart();
    }

    void cleanup()
    {
        app_.reset();
        closeNotes();
        QDir(dir_.path()).rmdir(QStringLiteral("wsetting.ini")); // left by a settings test
        platform::setUrlOpener({});
        MessageBox::unscript();
    }

    // The town forecast of the saved town in the strip, out of date for a product of 2024; the
    // options offer the product's towns, and a town picked there shows at once.
    void forecastStripAndTownChoice()
    {
        write(QStringLiteral("weather.ini"), kLayout + "fc_town_url=r1/IDN11060.xml\n");
        QFile sample(QStringLiteral(NIMBULO_TEST_DATA "/feed_precis_nsw.xml"));
        QVERIFY(sample.open(QIODevice::ReadOnly));
        server_.setPage(QStringLiteral("r1/IDN11060.xml"), sample.readAll());
        restart("fc_town=NSW_PT027\n");
        app_->start();
        app::frmWeather& w = app_->window();
        const auto* title = w.findChild<QLabel*>(QStringLiteral("lblForecastTitle"));
        QVERIFY(title);
        QTRY_COMPARE(
            title->text(),
            QStringLiteral("Forecast for Canberra out of date: issued Sun 27/10 03:50 PM"));
        click("cmdSettings");
        // The dialog, made now, lists the region's alarm kinds.
        auto* alarmKinds = option<QComboBox>("cmbTempAlertType");
        QVERIFY(!app_->monitor().alarmTypes().entries.isEmpty());
        QCOMPARE(alarmKinds->count(), app_->monitor().alarmTypes().entries.size());
        QCOMPARE(alarmKinds->itemText(0), app_->monitor().alarmTypes().entries.first());
        auto* towns = option<QComboBox>("cmbForecastTown");
        QCOMPARE(towns->currentText(), QStringLiteral("    Canberra"));
        towns->setCurrentIndex(towns->findText(QStringLiteral("    Sydney")));
        option("cmdOK")->click();
        QCOMPARE(title->text(),
                 QStringLiteral("Forecast for Sydney out of date: issued Sun 27/10 03:50 PM"));
    }

    void startUpArmsFirstScanAndShowsIt()
    {
        app::frmWeather& w = app_->window();
        QVERIFY(w.windowTitle().startsWith(QStringLiteral("Nimbulo (Australia) ver ")));
        app_->start();
        QVERIFY(w.isVisible());
        QCOMPARE(app_->monitor().texts().tickerText, QStringLiteral("Busy....."));
        QTRY_COMPARE(control<QComboBox>("cmbCurrStation")->currentText(), QStringLiteral("Alpha"));
        QTRY_COMPARE(listed(2), QStringLiteral("1.0 mm"));
        QCOMPARE(listed(1, "List1_0"), QStringLiteral("Temp"));
        QCOMPARE(listed(1), QStringLiteral("35.5 C"));
        QVERIFY(app_->monitor().texts().feedText.startsWith(QStringLiteral("Alpha at: 10:00 AM")));
        // The scanned stations are kept for the installer.
        QCOMPARE(common::readStationCache(dir_.path() + '/', "R1"), QStringList{"Alpha"});
        // 35.5 is above the set point: the screen saver is shown the alert even while the
        // alarm box is unticked, since the value test does not depend on it.
        QCOMPARE(w.txtScr(), QStringLiteral("Nimbulo\r\nALERT"));
        QVERIFY(!control<QLabel>("lblScanNow")->isVisible());
        QVERIFY(!control<QLabel>("lblScanErr")->isVisible());

        // The value lists never show a selection.
        auto* values = control<QListWidget>("List1_1");
        QTest::mouseClick(values->viewport(), Qt::LeftButton, {},
                          values->visualItemRect(values->item(0)).center());
        QVERIFY(control<QListWidget>("List1_0")->selectedItems().isEmpty());
        QVERIFY(values->selectedItems().isEmpty());

        // A passing note, no box to answer.
        click("cmdClip");
        QVERIFY(MessageBox::shownBoxes().isEmpty());
        QVERIFY(passingNote().startsWith(QStringLiteral("Stats Saved to Clipboard")));
        QVERIFY(QGuiApplication::clipboard()->text().startsWith(
            QStringLiteral("BUREAU OF METEOROLOGY\r\n")));

        // Closing saves the selection.
        click("cmdClose");
        QVERIFY(app_->monitor().fetchState().appClosing);
        const config::SettingsFile file(dir_.filePath("wsetting.ini"));
        QCOMPARE(file.text(QStringLiteral("station_name")), QStringLiteral("Alpha"));
        QCOMPARE(file.integer(QStringLiteral("state")), 0);
        QVERIFY(!file.text(QStringLiteral("check_date")).isEmpty());
    }

    // A monitor that starts in the panel makes the main window's controls only when the window
    // is first shown; until then the screen saver's feed and the alarm window follow the scans
    // all the same, and the controls, made late, show what the scans left: the values, the
    // failure or the age of the values, the alarm box.
    void controlsMadeLateShowTheScans_data()
    {
        QTest::addColumn<QByteArray>("saved");
        QTest::addColumn<QByteArrayList>("pages"); // one product for each scan
        QTest::addColumn<bool>("alarmTicked");
        QTest::addColumn<bool>("scanFailed");
        QTest::addColumn<bool>("stale");

        const QByteArray saved = "station_name=Alpha\n";
        QByteArray gone = kPage;
        gone.replace("Alpha", "Beta");
        QTest::newRow("fresh values") << saved << QByteArrayList{kPage} << false << false << false;
        QTest::newRow("alarm box ticked") << saved + "alert_check=1\n"
                                          << QByteArrayList{kPage} << true << false << false;
        QTest::newRow("station gone")
            << saved << QByteArrayList{kPage, gone} << false << false << true;
        QTest::newRow("product empty")
            << saved << QByteArrayList{kPage, QByteArray()} << false << true << true;
    }

    void controlsMadeLateShowTheScans()
    {
        QFETCH(QByteArray, saved);
        QFETCH(QByteArrayList, pages);
        QFETCH(bool, alarmTicked);
        QFETCH(bool, scanFailed);
        QFETCH(bool, stale);
        restart(saved);
        engine::Monitor& m = app_->monitor();
        m.loadSettings();
        for (const QByteArray& page : pages) {
            server_.setPage(QStringLiteral("r1/obs.html"), page);
            m.tripLookupTick();
        }
        app::frmWeather* w = nullptr;
        for (QWidget* window : QApplication::topLevelWidgets()) {
            if (window->objectName() == u"frmWeather")
                w = static_cast<app::frmWeather*>(window);
        }
        QVERIFY(w && !w->hasControls() && !w->findChild<QComboBox*>());
        QVERIFY(!m.texts().screenText.isEmpty());
        QCOMPARE(w->txtScr(), m.texts().screenText);
        // 35.5 is above the set point.
        if (alarmTicked)
            QTRY_VERIFY(w->alarmWindow() && w->alarmWindow()->isVisible());
        else
            QVERIFY(!w->alarmWindow());

        w->show();
        QVERIFY(w->hasControls());
        QCOMPARE(control<QComboBox>("cmbState")->currentText(), QStringLiteral("Region One"));
        QVERIFY(control<QComboBox>("cmbState")->isEnabled());
        QCOMPARE(control<QComboBox>("cmbCurrStation")->currentText(), QStringLiteral("Alpha"));
        QCOMPARE(listed(1, "List1_0"), QStringLiteral("Temp"));
        // The last good values stay on show.
        QCOMPARE(listed(1), QStringLiteral("35.5 C"));
        QCOMPARE(control<QListWidget>("lstForecast")->count(), 3);
        QCOMPARE(control<QCheckBox>("chkAlarm")->isChecked(), alarmTicked);
        QVERIFY(!control<QLabel>("lblScanNow")->isVisible());
        auto* scanError = control<QLabel>("lblScanErr");
        QCOMPARE(scanError->isVisible(), scanFailed);
        if (scanFailed)
            QCOMPARE(scanError->text(), m.texts().scanError);
        auto* staleLabel = control<QLabel>("lblStale");
        QCOMPARE(staleLabel->isVisible(), stale);
        QCOMPARE(staleLabel->text(), m.texts().staleText);
        QCOMPARE(stale, !m.texts().staleText.isEmpty());
    }

    void everyControlIsNamed()
    {
        app::frmWeather& w = app_->window();
        const QString names = QStringLiteral(
            "cmbState cmbCurrStation cmbDisplay cmbExtDisplay chkShowExt List1_0 List1_1 "
            "lstForecast lstRadar cmdForecast cmdRadar cmdMap cmdRefresh cmdClip cmdSettings "
            "cmdAbout cmdHide cmdClose cmdGraph cmdLinks chkAlarm lblScanNow lblScanErr "
            "lblIsConnect");
        for (const QString& name : names.split(QLatin1Char(' ')))
            QVERIFY2(w.findChild<QWidget*>(name), qPrintable(name));
        QCOMPARE(control<QCheckBox>("chkShowExt")->text(), QStringLiteral("2nd value"));
        // A screen reader names every control of the main window, the options and the graph.
        click("cmdSettings");
        engine::HistoryTable history;
        engine::frmGraph graph(history);
        for (QWidget* window : {static_cast<QWidget*>(&w), static_cast<QWidget*>(app_->options()),
                                static_cast<QWidget*>(&graph)}) {
            for (QWidget* control : window->findChildren<QWidget*>()) {
                if (control->objectName().isEmpty() || (control->focusPolicy() == Qt::NoFocus &&
                                                        !qobject_cast<QAbstractItemView*>(control)))
                    continue;
                QVERIFY2(!QAccessible::queryAccessibleInterface(control)
                              ->text(QAccessible::Name)
                              .isEmpty(),
                         qPrintable(control->objectName()));
            }
        }
        // Escape closes the graph; the main window keeps one size, so tiling compositors float
        // it.
        app_->options()->hide(); // modal: no other window would become active
        graph.show();
        graph.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&graph));
        QTest::keyClick(&graph, Qt::Key_Escape);
        QVERIFY(!graph.isVisible());
        w.show();
        QCOMPARE(w.minimumSize(), w.maximumSize());
        QCOMPARE(control<QCheckBox>("chkAlarm")->text(), QStringLiteral("Alarm On/Off"));
        QCOMPARE(control<QLabel>("lblScanErr")->text(), QStringLiteral("No response on last scan"));
    }

    // The saved forecast is the one highlighted and the one the button opens; without a
    // selection nothing opens; another entry picked in the list is opened and saved. The radar
    // button opens its page; a region without a map page has the map button disabled.
    void pageButtons()
    {
        restart("forecast=2\n");
        app_->start();
        auto* forecasts = control<QListWidget>("lstForecast");
        QCOMPARE(forecasts->currentRow(), 2);
        click("cmdForecast");
        forecasts->setCurrentRow(-1);
        click("cmdForecast");
        QTest::mouseClick(forecasts->viewport(), Qt::LeftButton, {},
                          forecasts->visualItemRect(forecasts->item(0)).center());
        QCOMPARE(forecasts->currentRow(), 0);
        click("cmdForecast");
        click("cmdRadar");
        QVERIFY(!control("cmdMap")->isEnabled());
        click("cmdMap");
        QStringList pages;
        for (const QString& url : std::as_const(opened_))
            pages.append(url.section(u'/', -2));
        QCOMPARE(pages, QStringList({"r1/marine.shtml", "r1/coast.shtml", "r1/radar.shtml"}));
        QVERIFY(control("cmdForecast")->isEnabled() && control("cmdRadar")->isEnabled());
        click("cmdClose");
        QCOMPARE(config::SettingsFile(dir_.filePath("wsetting.ini")).integer("forecast"), 0);
    }

    // Saved positions beyond their lists (written while the layout file was missing, or left
    // by a layout update) fall back to the first entry, and the monitor works as usual.
    void savedSelectionOutsideTheLists_data()
    {
        QTest::addColumn<QByteArray>("saved");
        QTest::newRow("region -1") << QByteArray("state=-1\nstation=-1\ndisplay=-1\n");
        QTest::newRow("region 99") << QByteArray("state=99\n");
        QTest::newRow("display 99") << QByteArray("display=99\n");
        QTest::newRow("2nd display 99") << QByteArray("display_2=99\ndisplay_2_toggle=1\n");
    }

    void savedSelectionOutsideTheLists()
    {
        QFETCH(QByteArray, saved);
        restart(saved);
        app_->start();
        QCOMPARE(control<QComboBox>("cmbState")->count(), 1);
        QCOMPARE(control<QComboBox>("cmbState")->currentIndex(), 0);
        QVERIFY(control("cmdForecast")->isEnabled());
        QTRY_COMPARE(control<QComboBox>("cmbCurrStation")->currentText(), QStringLiteral("Alpha"));
        QCOMPARE(control<QComboBox>("cmbDisplay")->currentIndex(), 0);
        QCOMPARE(control<QComboBox>("cmbExtDisplay")->currentIndex(), 0);
        QTRY_VERIFY2(app_->monitor().texts().tickerText.startsWith(QStringLiteral("35.5 C")),
                     qPrintable(app_->monitor().texts().tickerText));
        click("cmdSettings");
        QVERIFY(app_->options() && app_->options()->isVisible());
    }

    // A run without a layout file has nothing to offer but still opens its options, and the
    // selection it saves does not stop the next run from choosing a region.
    void runWithoutLayoutFile()
    {
        QVERIFY(QFile::remove(dir_.filePath("weather.ini")));
        restart();
        app_->start();
        QCOMPARE(control<QComboBox>("cmbState")->count(), 0);
        for (const char* page : {"cmdForecast", "cmdRadar", "cmdMap"})
            QVERIFY2(!control(page)->isEnabled(), page);
        click("cmdSettings");
        QVERIFY(app_->options() && app_->options()->isVisible());
        click("cmdClose");
        const config::SettingsFile file(dir_.filePath("wsetting.ini"));
        QCOMPARE(file.integer(QStringLiteral("state")), -1);

        write(QStringLiteral("weather.ini"), kLayout);
        app_.reset();
        app_ = std::make_unique<app::WeatherApp>(dir_.path() + QLatin1Char('/'));
        app_->start();
        QCOMPARE(control<QComboBox>("cmbState")->currentText(), QStringLiteral("Region One"));
        QTRY_COMPARE(control<QComboBox>("cmbCurrStation")->currentText(), QStringLiteral("Alpha"));
    }

    // Switched to the banner in the options, the banner shows the stats as soon as it is up.
    void switchToBannerShowsTheStatsAtOnce()
    {
        app_->start();
        QTRY_COMPARE(listed(2), QStringLiteral("1.0 mm"));
        click("cmdSettings");
        option<QComboBox>("cmbDispType")->setCurrentIndex(1);
        option("cmdOK")->click();
        click("cmdHide");
        const shell::frmDesk& banner = app_->displays().banner();
        QVERIFY(banner.isVisible());
        QVERIFY2(banner.printed().contains(QStringLiteral("35.5")), qPrintable(banner.printed()));
    }

    // A first run (no station chosen yet) opens the main window, pointing at the station box,
    // even where the chosen panel display could show; later runs start in the panel display.
    void firstRunShowsTheWindow_data()
    {
        QTest::addColumn<QByteArray>("saved");
        QTest::addColumn<bool>("first");
        QTest::newRow("first run") << QByteArray("banner=1\n") << true;
        QTest::newRow("station chosen")
            << QByteArray("banner=1\nstate=0\nstation=0\nstation_name=Alpha\n") << false;
    }
    void firstRunShowsTheWindow()
    {
        QFETCH(QByteArray, saved);
        QFETCH(bool, first);
        restart(saved);
        app::frmWeather& w = app_->window();
        app_->start();
        QCOMPARE(w.isVisible(), first);
        QCOMPARE(app_->displays().banner().isVisible(), !first);
        QTRY_COMPARE(control<QComboBox>("cmbCurrStation")->currentText(), QStringLiteral("Alpha"));
        QCOMPARE(passingNote() == QStringLiteral("Pick your observation station here."), first);
    }

    // The window manager's close (×, Alt+F4) hides the window to a panel display that can show,
    // with a note the first time only; without one it ends the program, as Close always does.
    void closeHidesToThePanel_data()
    {
        QTest::addColumn<QByteArray>("saved");
        QTest::addColumn<bool>("hides");
        QTest::newRow("banner") << QByteArray("banner=1\n") << true;
        QTest::newRow("no panel display") << QByteArray() << false; // no tray in the test
    }
    void closeHidesToThePanel()
    {
        QFETCH(QByteArray, saved);
        QFETCH(bool, hides);
        restart(saved + "state=0\nstation=0\nstation_name=Alpha\n");
        app::frmWeather& w = app_->window();
        app_->start();
        for (int close = 1; close <= 2; ++close) {
            closeNotes();
            app_->displays().restoreMainWindow();
            w.close();
            QCOMPARE(app_->monitor().fetchState().appClosing, !hides);
            if (!hides)
                return;
            QVERIFY(!w.isVisible());
            QVERIFY(app_->displays().banner().isVisible());
            QCOMPARE(passingNote().startsWith(QStringLiteral("Nimbulo runs on in the panel")),
                     close == 1);
        }
        QVERIFY(MessageBox::shownBoxes().isEmpty());
        click("cmdClose");
        QVERIFY(app_->monitor().fetchState().appClosing);
    }

    // Settings that cannot be saved (a folder where the file should be: that fails for root
    // too, as a read-only folder or a full disk fails for a user): each failure is logged, and
    // the user is told once, with the folder named.
    void unsavableSettingsAreReported()
    {
        app_.reset();
        QVERIFY(QFile::remove(dir_.filePath("wsetting.ini")));
        QVERIFY(QDir(dir_.path()).mkdir(QStringLiteral("wsetting.ini")));
        app_ = std::make_unique<app::WeatherApp>(dir_.path() + QLatin1Char('/'));
        for (int save = 1; save <= 2; ++save) {
            click("cmdSettings");
            option("cmdOK")->click();
        }
        click("cmdClose");
        QStringList told;
        for (const MessageBox::Record& box : MessageBox::shownBoxes()) {
            if (box.title == QStringLiteral("Settings Not Saved"))
                told.append(box.text);
        }
        QCOMPARE(told.size(), 1);
        QVERIFY2(told.first().contains(dir_.path()), qPrintable(told.first()));
        QVERIFY(app_->log().text().contains(dir_.filePath("wsetting.ini")));
    }

    // A 127-character region name and hotkey text are cut in their controls, whole in their
    // tooltips: neither window outgrows a 1280-pixel screen.
    void longTextsKeepWindowsOnScreen()
    {
        const QString longName(127, QLatin1Char('W'));
        QByteArray layout = kLayout;
        write(QStringLiteral("weather.ini"),
              layout.replace("display=Region One", "display=" + longName.toUtf8()));
        restart("[HotKeys]\nkey_string=" + longName.toUtf8() + "\n");
        app::frmWeather& w = app_->window();
        app_->start();
        QCOMPARE(control<QComboBox>("cmbState")->itemData(0, Qt::ToolTipRole).toString(), longName);
        click("cmdSettings");
        QCOMPARE(option<QLabel>("lblHotKey")->text(), longName);
        for (QWidget* window : {static_cast<QWidget*>(&w), static_cast<QWidget*>(app_->options())})
            QVERIFY2(window->width() <= 1280 && window->sizeHint().width() <= 1280,
                     qPrintable(window->objectName() + ' ' + QString::number(window->width())));
    }

    // Values kept from an earlier scan are marked as old until a scan shows fresh ones.
    void oldValuesAreMarked_data()
    {
        QTest::addColumn<QByteArray>("page"); // served after the first scan
        QTest::addColumn<QString>("reason");  // the start of the reason; empty: any
        QTest::newRow("station missing")
            << QByteArray("<table>\n<tr><th><a href=\"/p/2.shtml\">Beta</a></th>\n"
                          "<td>06/10:30am</td>\n<td>20.0</td>\n<td>0.0</td>\n</tr>\n</table>\n")
            << QStringLiteral("Station Alpha was not found on last scan");
        QTest::newRow("scan failed") << QByteArray() << QString();
    }

    void oldValuesAreMarked()
    {
        QFETCH(QByteArray, page);
        QFETCH(QString, reason);
        app_->start();
        QTRY_COMPARE(listed(2), QStringLiteral("1.0 mm"));
        auto* stale = control<QLabel>("lblStale");
        QVERIFY(stale->isHidden());

        server_.setPage(QStringLiteral("r1/obs.html"), page);
        for (int scan = 1; scan <= 2; ++scan) {
            click("cmdRefresh");
            const QRegularExpression mark(
                QStringLiteral("^Last good scan \\d\\d:\\d\\d [AP]M; %1 scans since failed: (.+)$")
                    .arg(scan));
            QTRY_VERIFY2(mark.match(stale->text()).hasMatch(), qPrintable(stale->text()));
            QVERIFY(mark.match(stale->text()).captured(1).startsWith(reason));
        }
        QVERIFY(stale->isVisible());
        QCOMPARE(listed(1), QStringLiteral("35.5 C")); // still on show
        // Every panel display marks its value stale, in one way.
        shell::PanelDisplays& panel = app_->displays();
        panel.printBanner();
        QVERIFY(panel.tray().content().marks.testFlag(shell::PanelMark::Stale));
        QVERIFY(panel.banner().marks().testFlag(shell::PanelMark::Stale));

        server_.setPage(QStringLiteral("r1/obs.html"), kPage);
        click("cmdRefresh");
        QTRY_VERIFY(stale->isHidden());
        panel.printBanner();
        QVERIFY(!panel.tray().content().marks && !panel.banner().marks());
    }

    void alarmWindowFollowsTheAlarm()
    {
        app::frmWeather& w = app_->window();
        app_->start();
        QVERIFY(!control<QCheckBox>("chkAlarm")->isChecked());
        control<QCheckBox>("chkAlarm")->click(); // alarms on
        QTRY_VERIFY(w.alarmWindow() != nullptr);
        QVERIFY(w.alarmWindow()->isVisible());
        QVERIFY(app_->monitor().alarmState().alarmWindowOpen);
        // Hide restarts the panel display with a pass of its own: the message still scrolls.
        click("cmdHide");
        QTest::qWait(200);
        QVERIFY(inkOf(w.alarmWindow()->findChild<QWidget*>("picTicker")) > 0);

        // Alarms stay on across a restart, and the next scan raises the alarm again.
        app_->quit();
        restart("alert_check=" +
                config::SettingsFile(dir_.filePath("wsetting.ini")).raw("alert_check").toUtf8());
        app::frmWeather& again = app_->window();
        app_->start();
        QVERIFY(control<QCheckBox>("chkAlarm")->isChecked());
        QTRY_VERIFY(again.alarmWindow() != nullptr);
        // Shift in the alarm window closes it and switches all alarms off.
        QTest::keyClick(again.alarmWindow()->findChild<QWidget*>("picTicker"), Qt::Key_Shift);
        QTRY_VERIFY(again.alarmWindow() == nullptr);
        QVERIFY(!control<QCheckBox>("chkAlarm")->isChecked());
        QVERIFY(app_->monitor().alarmState().alarmOff);
        QVERIFY(!app_->monitor().alarmState().alarmWindowOpen);
    }
};

QTEST_MAIN(TestFrmWeather)
#include "tst_frm_weather.moc"
