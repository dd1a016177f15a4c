#include "platform/message_box.h"
#include "weather/config/frm_options.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QtTest>

using config::frmOptions;
using platform::MessageBox;

namespace {

// Records, in order, what the dialog asked of the program.
class FakeHost : public config::OptionsHost
{
public:
    QStringList calls;
    bool timerRunning = true;
    bool hotKey = false;
    bool refuseHotKey = false;
    bool tips = false;
    config::AlarmChoice alarm;
    std::optional<config::MailChoice> mailResult;
    QList<config::MailChoice> mailShown;

    bool scanTimerRunning() const override { return timerRunning; }
    void restartScanTimer(int minutes) override
    {
        calls << QStringLiteral("timer %1").arg(minutes);
    }
    void applyAlarm(const config::AlarmChoice& a) override
    {
        alarm = a;
        calls << QStringLiteral("alarm");
    }
    void trendArrowCleared() override { calls << QStringLiteral("trend cleared"); }
    bool hotKeyOn() const override { return hotKey; }
    bool setHotKey(int mainKey, int modifierKey) override
    {
        calls << QStringLiteral("set hotkey %1 %2").arg(mainKey).arg(modifierKey);
        hotKey = !refuseHotKey;
        return hotKey;
    }
    void clearHotKey() override
    {
        calls << QStringLiteral("clear hotkey");
        hotKey = false;
    }
    bool helpTipsOn() const override { return tips; }
    void setHelpTips(bool on) override
    {
        calls << QStringLiteral("tips %1").arg(on);
        tips = on;
    }
    void makeShortcut(bool startup, bool remove) override
    {
        calls << QStringLiteral("shortcut %1 %2")
                     .arg(startup ? QStringLiteral("startup") : QStringLiteral("desktop"),
                          remove ? QStringLiteral("remove") : QStringLiteral("create"));
    }
    std::optional<config::MailChoice> showMailWindow(const config::MailChoice& mail) override
    {
        mailShown << mail;
        return mailResult;
    }
    std::optional<config::ProxySettings> showProxyDialog(const config::ProxySettings&) override
    {
        return std::nullopt;
    }
};

config::StateLayout layoutWithKinds()
{
    config::StateLayout layout;
    const QList<QPair<QString, int>> columns = {{"Date/Time", 0}, {"Temp", 1},  {"Wind Dir", 0},
                                                {"Humidity", 3},  {"Press", 5}, {"Rain", 6},
                                                {"Gust", 2},      {"Cloud", 4}, {"Text", 9}};
    for (const auto& [header, kind] : columns)
        layout.columns.append({header, QStringLiteral("u") + header.left(1), qint16(kind)});
    layout.columnCount = int(layout.columns.size());
    layout.fixedColumns = 1;
    layout.windDirColumn = 3;
    return layout;
}

// The alarm list as a region change builds it: after the fixed column, without wind direction.
const QStringList kAlarmEntries = {"Temp", "Humidity", "Press", "Rain", "Gust", "Cloud", "Text"};
const QList<int> kAlarmColumns = {1, 3, 4, 5, 6, 7, 8};

// Picks entry `index` of `box` as the user does.
void pick(QComboBox* box, int index)
{
    box->setCurrentIndex(index);
    Q_EMIT box->activated(index);
}

} // namespace

class TestOptions : public QObject
{
    Q_OBJECT

    QTemporaryDir dir_;
    config::AppSettings settings_;
    FakeHost host_;
    std::unique_ptr<frmOptions> dialog_;

    QString settingsPath() const { return dir_.filePath(QStringLiteral("wsetting.ini")); }
    config::SettingsFile file() const { return config::SettingsFile(settingsPath()); }

    void create(const QByteArray& saved)
    {
        QFile f(settingsPath());
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(saved);
        f.close();
        dialog_ = std::make_unique<frmOptions>(file(), settings_, host_);
        dialog_->regionChanged(layoutWithKinds(), kAlarmEntries, kAlarmColumns);
        host_.calls.clear();
    }

private Q_SLOTS:
    void init()
    {
        settings_ = {};
        host_ = FakeHost();
        MessageBox::script({});
    }

    void cleanup()
    {
        dialog_.reset();
        MessageBox::unscript();
    }

    void formatMinutes_data()
    {
        QTest::addColumn<int>("minutes");
        QTest::addColumn<QString>("text");
        QTest::newRow("10") << 10 << "00:10";
        QTest::newRow("240") << 240 << "04:00";
        QTest::newRow("95") << 95 << "01:35";
        QTest::newRow("0") << 0 << "00:00";
    }

    void formatMinutes()
    {
        QFETCH(int, minutes);
        QFETCH(QString, text);
        QCOMPARE(config::formatMinutes(minutes), text);
    }

    void setPoints_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<int>("value");
        QTest::addColumn<QString>("text");
        QTest::addColumn<double>("number");
        QTest::newRow("kind 1 at 45") << 1 << 45 << "0" << 0.0;
        QTest::newRow("kind 1 at 0") << 1 << 0 << "45" << 45.0;
        QTest::newRow("kind 1 at 55") << 1 << 55 << "-10" << -10.0;
        QTest::newRow("kind 2 at 30") << 2 << 30 << "150" << 150.0;
        QTest::newRow("kind 3 at 97") << 3 << 97 << "0" << 0.0;
        QTest::newRow("kind 4 at 1") << 4 << 1 << "99" << 99.0;
        QTest::newRow("kind 5 at 1000") << 5 << 1000 << "1000.0" << 1000.0;
        QTest::newRow("kind 5 at 1") << 5 << 1 << "1099.9" << 1099.9;
        QTest::newRow("kind 6 at 125") << 6 << 125 << "2.5" << 2.5;
    }

    void setPoints()
    {
        QFETCH(int, kind);
        QFETCH(int, value);
        QFETCH(QString, text);
        QFETCH(double, number);
        const auto scale = config::setPointScale(kind);
        QVERIFY(scale);
        const auto point = config::setPointOf(kind, scale->maximum, value);
        QVERIFY(point);
        QCOMPARE(point->text, text);
        QCOMPARE(point->value, number);
    }

    void otherKindsHaveNoScale()
    {
        QVERIFY(!config::setPointScale(0));
        QVERIFY(!config::setPointScale(9));
        QVERIFY(!config::setPointOf(7, 100, 3));
    }

    void controlsAndCaptions()
    {
        create({});
        QCOMPARE(dialog_->windowTitle(), QStringLiteral("Options"));
        const QList<QPair<const char*, const char*>> captions = {
            {"chkToolTip", "Show Pop-up Tool Tips"},
            {"chkFontSys", "System Font"},
            {"chkColorSys", "System Colors"},
            {"cmdColorChoice_0", "Text"},
            {"cmdColorChoice_1", "Back"},
            {"chkTrendArrow", "Use temp trend arrow"},
            {"chkStartIcon", "Start-up group Shortcut"},
            {"chkDeskIcon", "Desktop Shortcut"},
            {"chkUpdates", "Autocheck for Updates"},
            {"cmdSetCon", "Set http proxy"},
            {"chkAlarmSound", "Play Sound"},
            {"chkSendMail", "Send E-mail"},
            {"chkSendMailEnd", "Alarm end notify"},
            {"cmdSendMail", "Set E-mail output"},
            {"chkHotKey", "HotKey Toggle"},
            {"cmdSetHotKey", "Set key/s"},
            {"cmdOK", "OK"},
            {"cmdCancel", "Cancel"}};
        for (const auto& [name, caption] : captions) {
            auto* b = dialog_->findChild<QAbstractButton*>(QLatin1String(name));
            QVERIFY2(b, name);
            QCOMPARE(b->text(), QLatin1String(caption));
        }
        for (const char* name :
             {"Frame1",          "Frame3",      "lblColor",  "picColor",     "Label1_0",
              "Label1_1",        "Label2",      "Label3",    "Label5",       "lblObsTime",
              "lblAlert",        "lblHotKey",   "VScroll1",  "VScroll2_0",   "VScroll2_1",
              "VScrollAlert",    "cmbDispType", "cmbBanner", "cmbTempAlert", "cmbTempAlertType",
              "cmbTempAlertWind"})
            QVERIFY2(dialog_->findChild<QWidget*>(QLatin1String(name)), name);
        QCOMPARE(dialog_->Label2->text(), QStringLiteral("Observations (HH:MM)"));
        QCOMPARE(dialog_->Label5->text(), QStringLiteral("Wind direction"));
        QCOMPARE(dialog_->Label3->text(), QStringLiteral("Position"));
        QCOMPARE(dialog_->cmbDispType->itemText(1), QStringLiteral("Desk Banner"));
        QCOMPARE(dialog_->cmbTempAlert->itemText(2), QStringLiteral("Alert above set"));
        QCOMPARE(dialog_->cmbTempAlertWind->itemText(5), QStringLiteral("CALM"));
        QCOMPARE(dialog_->lblHotKey->text(), QStringLiteral("HotKey not set"));
        QVERIFY(!dialog_->cmdSetHotKey->isEnabled());
        QVERIFY(!dialog_->cmbBanner->isEnabled());
    }

    void creationReadsTheSettings()
    {
        create("[SavedSetting]\ninterval=240\ntrend_arrow=1\nicon_set_1=5\nicon_set_2=30\n"
               "banner=1\nbanner_pos=2\nfore_color=255\nback_color=65280\ntool_tips=1\n"
               "start_icon=1\n[HotKeys]\nkey=17\nkey_plus=119\nkey_string=CTRL + F8\n"
               "key_toggle=1\n");
        QCOMPARE(dialog_->VScroll1->value(), 10);
        QCOMPARE(dialog_->lblObsTime->text(), QStringLiteral("04:00"));
        QVERIFY(dialog_->chkTrendArrow->isChecked());
        QCOMPARE(dialog_->Label1[0]->text(), QStringLiteral("< 5"));
        QCOMPARE(dialog_->Label1[1]->text(), QStringLiteral("30 >"));
        QCOMPARE(dialog_->cmbDispType->currentIndex(), 1);
        QVERIFY(dialog_->cmbBanner->isEnabled());
        QCOMPARE(dialog_->cmbBanner->currentText(), QStringLiteral("Bottom"));
        QCOMPARE(dialog_->lblColor->palette().color(QPalette::WindowText), QColor(255, 0, 0));
        QCOMPARE(dialog_->picColor->palette().color(QPalette::Window), QColor(0, 255, 0));
        QVERIFY(dialog_->chkToolTip->isChecked());
        QVERIFY(dialog_->chkStartIcon->isChecked());
        QVERIFY(!dialog_->chkDeskIcon->isChecked());
        QVERIFY(dialog_->chkHotKey->isChecked());
        QVERIFY(dialog_->cmdSetHotKey->isEnabled());
        QCOMPARE(dialog_->lblHotKey->text(), QStringLiteral("CTRL + F8"));
        QCOMPARE(settings_.hotKeyMain, 119);
    }

    void outOfRangeIntervalShowsThirty()
    {
        create("[SavedSetting]\ninterval=5\n");
        QCOMPARE(dialog_->VScroll1->value(), 220);
        QCOMPARE(dialog_->lblObsTime->text(), QStringLiteral("00:30"));
    }

    void intervalScroll_data()
    {
        QTest::addColumn<int>("value");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<int>("interval");
        QTest::newRow("10") << 10 << "04:00" << 240;
        QTest::newRow("240") << 240 << "00:10" << 10;
        QTest::newRow("190") << 190 << "01:00" << 60;
    }

    void intervalScroll()
    {
        QFETCH(int, value);
        QFETCH(QString, shown);
        QFETCH(int, interval);
        create({});
        dialog_->VScroll1->setValue(value);
        QCOMPARE(dialog_->lblObsTime->text(), shown);
        dialog_->cmdOK->click();
        QCOMPARE(file().integer(QStringLiteral("interval")), interval);
        QCOMPARE(settings_.interval, interval);
        // The scan timer runs every 30 minutes until now: it restarts at once.
        QVERIFY(host_.calls.contains(QStringLiteral("timer %1").arg(interval)));
        QVERIFY(!dialog_->isVisible());
    }

    void unchangedIntervalKeepsTheTimer()
    {
        create("[SavedSetting]\ninterval=60\n");
        dialog_->cmdOK->click();
        QVERIFY(!host_.calls.join(' ').contains(QLatin1String("timer")));
    }

    void scalesByKind_data()
    {
        QTest::addColumn<int>("entry");
        QTest::addColumn<int>("maximum");
        QTest::addColumn<int>("value");
        QTest::addColumn<QString>("label");
        QTest::newRow("kind 1") << 0 << 55 << 45 << "0 uT";
        QTest::newRow("kind 3") << 1 << 97 << 97 << "0 uH";
        QTest::newRow("kind 5") << 2 << 1800 << 1000 << "1000.0 uP";
        QTest::newRow("kind 6") << 3 << 150 << 150 << "0.0 uR";
        QTest::newRow("kind 2") << 4 << 180 << 180 << "0 uG";
        QTest::newRow("kind 4") << 5 << 100 << 100 << "0 uC";
    }

    void scalesByKind()
    {
        QFETCH(int, entry);
        QFETCH(int, maximum);
        QFETCH(int, value);
        QFETCH(QString, label);
        create({});
        pick(dialog_->cmbTempAlertType, entry);
        QCOMPARE(dialog_->VScrollAlert->maximum(), maximum);
        QCOMPARE(dialog_->VScrollAlert->value(), value);
        QCOMPARE(dialog_->lblAlert->text(), label);
    }

    void otherKindKeepsTheScale()
    {
        create({});
        pick(dialog_->cmbTempAlertType, 2); // kind 5
        dialog_->VScrollAlert->setValue(900);
        pick(dialog_->cmbTempAlertType, 6); // kind 9: no scale of its own
        QCOMPARE(dialog_->VScrollAlert->maximum(), 1800);
        QCOMPARE(dialog_->VScrollAlert->value(), 900);
        QCOMPARE(dialog_->lblAlert->text(), QStringLiteral("1010.0 uT"));
    }

    void dragShowsWhatTheReleaseShows()
    {
        create({});
        pick(dialog_->cmbTempAlertType, 2);
        dialog_->VScrollAlert->setSliderDown(true);
        dialog_->VScrollAlert->setSliderPosition(1234);
        const QString dragged = dialog_->lblAlert->text();
        dialog_->VScrollAlert->setSliderDown(false);
        QCOMPARE(dragged, QStringLiteral("976.6 uP"));
        QCOMPARE(dialog_->lblAlert->text(), dragged);
    }

    void regionChangeReappliesTheAlarm()
    {
        create("[SavedSetting]\nalert_type=2\nalert_value=1000\nalert_toggle=2\nalert_wind=5\n"
               "alert_play_sound=1\nalert_send_mail=1\nalert_send_end_mail=1\n");
        QCOMPARE(dialog_->cmbTempAlertType->currentText(), QStringLiteral("Press"));
        QCOMPARE(dialog_->lblAlert->text(), QStringLiteral("1000.0 uP"));
        QCOMPARE(dialog_->setPointText(), QStringLiteral("1000.0"));
        QCOMPARE(dialog_->cmbTempAlert->currentIndex(), 2);
        QCOMPARE(dialog_->cmbTempAlertWind->currentText(), QStringLiteral("CALM"));
        QVERIFY(dialog_->chkAlarmSound->isChecked());
        QVERIFY(dialog_->chkSendMail->isChecked());
        QVERIFY(dialog_->chkSendMailEnd->isEnabled());
        QVERIFY(dialog_->chkSendMailEnd->isChecked());

        // A layout whose list is shorter than the saved choice: nothing is selected, no crash.
        dialog_->regionChanged(layoutWithKinds(), {QStringLiteral("Temp")}, {1});
        QCOMPARE(dialog_->cmbTempAlertType->count(), 1);
        QCOMPARE(dialog_->cmbTempAlertType->currentIndex(), -1);
    }

    void okWritesAndAppliesInOrder()
    {
        create("[SavedSetting]\ninterval=30\ntool_tips=0\ntrend_arrow=1\n");
        host_.tips = false;
        dialog_->VScroll1->setValue(190);
        dialog_->cmbTempAlert->setCurrentIndex(1);
        pick(dialog_->cmbTempAlertType, 2);
        dialog_->VScrollAlert->setValue(1000);
        dialog_->cmbTempAlertWind->setCurrentIndex(3);
        dialog_->chkAlarmSound->setChecked(true);
        dialog_->chkTrendArrow->setChecked(false);
        dialog_->cmbDispType->setCurrentIndex(1);
        dialog_->cmbBanner->setCurrentIndex(1);
        dialog_->chkToolTip->setChecked(true);
        dialog_->chkUpdates->setChecked(true);
        dialog_->chkDeskIcon->setChecked(true);
        dialog_->cmdOK->click();

        QCOMPARE(host_.calls, (QStringList{"timer 60", "alarm", "trend cleared", "tips 1",
                                           "shortcut desktop create"}));
        QVERIFY(host_.alarm.on);
        QVERIFY(!host_.alarm.above);
        QCOMPARE(host_.alarm.column, 4);
        QCOMPARE(host_.alarm.setPoint, 1000.0);
        QCOMPARE(host_.alarm.wind, 3);
        QVERIFY(host_.alarm.playSound);

        const config::SettingsFile f = file();
        QCOMPARE(f.raw(QStringLiteral("alert_toggle")), QStringLiteral("1"));
        QCOMPARE(f.raw(QStringLiteral("alert_type")), QStringLiteral("2"));
        QCOMPARE(f.raw(QStringLiteral("alert_value")), QStringLiteral("1000"));
        QCOMPARE(f.raw(QStringLiteral("alert_compare")), QStringLiteral("1000.0"));
        QCOMPARE(f.raw(QStringLiteral("alert_wind")), QStringLiteral("3"));
        QCOMPARE(f.raw(QStringLiteral("trend_arrow")), QStringLiteral("0"));
        QCOMPARE(f.raw(QStringLiteral("banner")), QStringLiteral("1"));
        QCOMPARE(f.raw(QStringLiteral("banner_pos")), QStringLiteral("1"));
        QCOMPARE(f.raw(QStringLiteral("tool_tips")), QStringLiteral("1"));
        QCOMPARE(f.raw(QStringLiteral("auto_update")), QStringLiteral("1"));
        QCOMPARE(f.raw(QStringLiteral("desk_icon")), QStringLiteral("1"));
        QCOMPARE(f.raw(QStringLiteral("start_icon")), QStringLiteral("0"));
        QCOMPARE(f.raw(QStringLiteral("key_toggle")), QStringLiteral("0"));
        QVERIFY(!f.raw(QStringLiteral("font_na")).isEmpty());
        QVERIFY(!f.raw(QStringLiteral("fore_color")).isEmpty());
        QVERIFY(settings_.banner);
        QVERIFY(settings_.bannerBottom);
        QVERIFY(!settings_.showTrend);
        QVERIFY(settings_.autoUpdate);

        // A second OK with the boxes as stored makes no shortcut and touches no tips.
        host_.calls.clear();
        dialog_->cmdOK->click();
        QCOMPARE(host_.calls, (QStringList{"alarm", "trend cleared"}));
    }

    void shortcutsOnlyWhenTheBoxDiffers_data()
    {
        QTest::addColumn<QByteArray>("saved");
        QTest::addColumn<bool>("startBox");
        QTest::addColumn<bool>("deskBox");
        QTest::addColumn<QStringList>("calls");
        QTest::newRow("tick start-up")
            << QByteArray() << true << false << QStringList{"shortcut startup create"};
        QTest::newRow("clear desktop") << QByteArray("[SavedSetting]\ndesk_icon=1\n") << false
                                       << false << QStringList{"shortcut desktop remove"};
        QTest::newRow("unchanged, stored as 2")
            << QByteArray("[SavedSetting]\nstart_icon=2\n") << true << false << QStringList{};
        QTest::newRow("both") << QByteArray("[SavedSetting]\nstart_icon=1\n") << false << true
                              << QStringList{"shortcut startup remove", "shortcut desktop create"};
    }

    void shortcutsOnlyWhenTheBoxDiffers()
    {
        QFETCH(QByteArray, saved);
        QFETCH(bool, startBox);
        QFETCH(bool, deskBox);
        QFETCH(QStringList, calls);
        create(saved);
        dialog_->chkStartIcon->setChecked(startBox);
        dialog_->chkDeskIcon->setChecked(deskBox);
        dialog_->cmdOK->click();
        QStringList shortcuts;
        for (const QString& call : std::as_const(host_.calls))
            if (call.startsWith(QLatin1String("shortcut")))
                shortcuts << call;
        QCOMPARE(shortcuts, calls);
    }

    void hotKeyRegisteredOnlyWhenChanged()
    {
        create("[SavedSetting]\ntrend_arrow=1\n[HotKeys]\nkey=17\nkey_plus=119\n"
               "key_string=CTRL + F8\nkey_toggle=1\n");
        host_.hotKey = true; // registered at start-up
        dialog_->cmdOK->click();
        QVERIFY(!host_.calls.join(' ').contains(QLatin1String("hotkey")));

        // A new key: the old one goes, the new one is registered and saved.
        host_.calls.clear();
        dialog_->show();
        dialog_->cmdSetHotKey->click();
        QCOMPARE(dialog_->lblHotKey->text(), QStringLiteral("Press Key(s)"));
        QTest::keyClick(dialog_->cmdSetHotKey, Qt::Key_Control, Qt::ControlModifier);
        QTest::keyClick(dialog_->cmdSetHotKey, Qt::Key_Alt, Qt::AltModifier);
        QCOMPARE(dialog_->lblHotKey->text(), QStringLiteral("ALT + "));
        QTest::keyClick(dialog_->cmdSetHotKey, Qt::Key_W, Qt::AltModifier);
        QCOMPARE(dialog_->lblHotKey->text(), QStringLiteral("ALT + W"));
        QVERIFY(!dialog_->capturing());
        QVERIFY(dialog_->isVisible()); // the captured keys reached no button
        dialog_->cmdOK->click();
        QCOMPARE(host_.calls, (QStringList{"alarm", "clear hotkey", "set hotkey 87 18"}));

        const config::SettingsFile f = file();
        QCOMPARE(f.raw(QStringLiteral("key")), QStringLiteral("18"));
        QCOMPARE(f.raw(QStringLiteral("key_plus")), QStringLiteral("87"));
        QCOMPARE(f.raw(QStringLiteral("key_string")), QStringLiteral("ALT + W"));

        // Switched off: unregistered; on again with the same key: registered again.
        host_.calls.clear();
        dialog_->chkHotKey->setChecked(false);
        dialog_->cmdOK->click();
        QCOMPARE(host_.calls, (QStringList{"alarm", "clear hotkey"}));
        QCOMPARE(f.raw(QStringLiteral("key_toggle")), QStringLiteral("0"));
        host_.calls.clear();
        dialog_->chkHotKey->setChecked(true);
        dialog_->cmdOK->click();
        QCOMPARE(host_.calls, (QStringList{"alarm", "set hotkey 87 18"}));
    }

    void hotKeyHeldElsewhere()
    {
        create("[HotKeys]\nkey=17\nkey_plus=119\nkey_string=CTRL + F8\n");
        host_.refuseHotKey = true;
        dialog_->chkHotKey->setChecked(true);
        dialog_->cmdOK->click();
        QCOMPARE(MessageBox::shownBoxes().size(), 1);
        QCOMPARE(MessageBox::shownBoxes().first().title, QStringLiteral("Set HotKey Error"));
        QCOMPARE(MessageBox::shownBoxes().first().text,
                 QStringLiteral("Cannot set Global HotKey to CTRL + F8\r\n\r\nThis HotKey may "
                                "already be used by another\r\nprogram, choose an alternative"));
        const config::SettingsFile f = file();
        QCOMPARE(f.raw(QStringLiteral("key_toggle")), QStringLiteral("1"));
        QCOMPARE(f.raw(QStringLiteral("key")), QStringLiteral("17")); // as it was
        QVERIFY(!host_.hotKey);
    }

    void helpTipsSwitchedOff()
    {
        create("[SavedSetting]\ntool_tips=1\n");
        host_.tips = true;
        dialog_->chkToolTip->setChecked(false);
        dialog_->cmdOK->click();
        QVERIFY(host_.calls.contains(QStringLiteral("tips 0")));
        QVERIFY(!host_.tips);
    }

    void cancelKeepsTheControls()
    {
        create("[SavedSetting]\ninterval=30\n");
        dialog_->show();
        dialog_->VScroll1->setValue(190);
        dialog_->chkUpdates->setChecked(true);
        dialog_->cmdCancel->click();
        QVERIFY(!dialog_->isVisible());
        QVERIFY(host_.calls.isEmpty());
        QCOMPARE(file().raw(QStringLiteral("interval")), QStringLiteral("30"));
        dialog_->show();
        QCOMPARE(dialog_->VScroll1->value(), 190);
        QVERIFY(dialog_->chkUpdates->isChecked());
        QTest::keyClick(dialog_.get(), Qt::Key_Escape);
        QVERIFY(!dialog_->isVisible());
        QVERIFY(dialog_->chkUpdates->isChecked());
    }

    void colourAndFontChoices()
    {
        create({});
        QList<QColor> offered;
        std::optional<QColor> answer = QColor(10, 20, 30);
        dialog_->chooseColor = [&](const QColor& initial) {
            offered << initial;
            return answer;
        };
        QFont chosen(QStringLiteral("DejaVu Serif"), 14);
        chosen.setBold(true);
        dialog_->chooseFont = [&](const QFont&) { return std::optional<QFont>(chosen); };

        dialog_->cmdColorChoice[1]->click();
        QCOMPARE(dialog_->picColor->palette().color(QPalette::Window), QColor(10, 20, 30));
        QCOMPARE(dialog_->lblColor->palette().color(QPalette::Window), QColor(10, 20, 30));

        answer = QColor(200, 0, 0);
        dialog_->cmdColorChoice[0]->click();
        QCOMPARE(dialog_->lblColor->palette().color(QPalette::WindowText), QColor(200, 0, 0));
        QCOMPARE(dialog_->lblColor->font().family(), QStringLiteral("DejaVu Serif"));

        // Cancelled: nothing changes.
        answer.reset();
        dialog_->cmdColorChoice[1]->click();
        QCOMPARE(dialog_->picColor->palette().color(QPalette::Window), QColor(10, 20, 30));

        dialog_->cmdOK->click();
        const config::SettingsFile f = file();
        QCOMPARE(f.raw(QStringLiteral("back_color")), QString::number(10 + 20 * 256 + 30 * 65536));
        QCOMPARE(f.raw(QStringLiteral("fore_color")), QStringLiteral("200"));
        QCOMPARE(f.raw(QStringLiteral("font_na")), QStringLiteral("DejaVu Serif"));
        QCOMPARE(f.raw(QStringLiteral("font_si")), QStringLiteral("14"));
        QCOMPARE(f.raw(QStringLiteral("font_bd")), QStringLiteral("1"));
        QCOMPARE(settings_.displayFont.family(), QStringLiteral("DejaVu Serif"));
    }

    void systemFontKeepsTheSample()
    {
        create("[SavedSetting]\nuse_sys_font=1\n");
        const QString before = dialog_->lblColor->font().family();
        dialog_->chooseFont = [](const QFont&) {
            return std::optional<QFont>(QFont(QStringLiteral("DejaVu Serif"), 20));
        };
        dialog_->chooseColor = [](const QColor&) { return std::optional<QColor>(Qt::blue); };
        dialog_->cmdColorChoice[0]->click();
        QCOMPARE(dialog_->lblColor->font().family(), before);
        QCOMPARE(dialog_->lblColor->palette().color(QPalette::WindowText), QColor(Qt::blue));
    }

    void mailNeedsItsSettings()
    {
        create({});
        MessageBox::script({MessageBox::Answer::Ok});
        dialog_->chkSendMail->click();
        QCOMPARE(MessageBox::shownBoxes().size(), 1);
        QCOMPARE(MessageBox::shownBoxes().first().title, QStringLiteral("Set E-mail"));
        QCOMPARE(host_.mailShown.size(), 1);
        QCOMPARE(host_.mailShown.first().port, QStringLiteral("25"));
        // Still incomplete after the mail window: the box is cleared again.
        QVERIFY(!dialog_->chkSendMail->isChecked());
        QVERIFY(!dialog_->chkSendMailEnd->isEnabled());

        host_.mailResult =
            config::MailChoice{QStringLiteral("127.0.0.1"), QStringLiteral("25"),
                               QStringLiteral("a@example.org"), QStringLiteral("b@example.org")};
        dialog_->chkSendMail->click();
        QVERIFY(dialog_->chkSendMail->isChecked());
        QVERIFY(dialog_->chkSendMailEnd->isEnabled());
        QCOMPARE(settings_.mailServer, QStringLiteral("127.0.0.1"));
        // Complete settings: no more warnings.
        dialog_->chkSendMail->click();
        dialog_->chkSendMail->click();
        QCOMPARE(MessageBox::shownBoxes().size(), 2);
    }
};

QTEST_MAIN(TestOptions)
#include "tst_options.moc"
