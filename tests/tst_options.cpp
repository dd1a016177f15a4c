#include "find_control.h"
#include "platform/message_box.h"
#include "platform/session_abilities.h"
#include "weather/config/frm_options.h"

#include <QAccessible>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QRegularExpression>
#include <QScrollBar>
#include <QStandardItemModel>
#include <QTemporaryDir>
#include <QtTest>

using config::frmOptions;
using platform::MessageBox;

namespace {

// Records what the dialog asked of the program.
class FakeHost : public config::OptionsHost
{
public:
    QStringList calls;
    bool hotKey = false, refuseHotKey = false, tips = false;
    std::optional<config::MailChoice> mailResult;
    int mailShown = 0;

    bool scanTimerRunning() const override { return true; }
    void restartScanTimer(int minutes) override
    {
        calls << QStringLiteral("timer %1").arg(minutes);
    }
    void trendArrowCleared() override { calls << QStringLiteral("trend cleared"); }
    bool hotKeyOn() const override { return hotKey; }
    bool setHotKey(int mainKey, int modifierKey) override
    {
        calls << QStringLiteral("set hotkey %1 %2").arg(mainKey).arg(modifierKey);
        return hotKey = !refuseHotKey;
    }
    void clearHotKey() override
    {
        calls << "clear hotkey";
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
                     .arg(startup ? "startup" : "desktop", remove ? "remove" : "create");
    }
    std::optional<config::MailChoice> showMailWindow(const config::MailChoice&) override
    {
        ++mailShown;
        return mailResult;
    }
    std::optional<config::ProxySettings> showProxyDialog(const config::ProxySettings&) override
    {
        return std::nullopt;
    }
    void forecastTownChosen(const QString& aac) override
    {
        calls << QStringLiteral("town '%1'").arg(aac);
    }
};

// Columns of every set-point kind; the unit is "u" and the header's first letter.
config::StateLayout layoutWithKinds()
{
    config::StateLayout layout;
    const QList<QPair<QString, int>> columns = {{"Date/Time", 0}, {"Temp", 1},  {"Wind Dir", 0},
                                                {"Humidity", 3},  {"Press", 5}, {"Rain", 6},
                                                {"Gust", 2},      {"Cloud", 4}, {"Text", 9}};
    for (const auto& [header, kind] : columns)
        layout.columns.append(
            {header, QStringLiteral("u") + header.left(1), config::ColumnKind(kind)});
    layout.columnCount = int(layout.columns.size());
    layout.fixedColumns = 1;
    layout.windDirColumn = 3;
    return layout;
}

// Picks entry `index` of `box` as the user does.
void pick(QComboBox* box, int index)
{
    box->setCurrentIndex(index);
    Q_EMIT box->activated(index);
}

const char* const kHotKeyCtrlF8 = "[HotKeys]\nkey=17\nkey_plus=119\nkey_string=CTRL + F8\n";

} // namespace

class TestOptions : public QObject
{
    Q_OBJECT

    QTemporaryDir dir_;
    config::AppSettings settings_;
    FakeHost host_;
    std::unique_ptr<frmOptions> dialog_;

    config::SettingsFile file() const
    {
        return config::SettingsFile(dir_.filePath("wsetting.ini"));
    }

    void create(const QByteArray& saved)
    {
        QFile f(dir_.filePath("wsetting.ini"));
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(saved);
        f.close();
        dialog_ = std::make_unique<frmOptions>(file(), settings_, host_);
        // The alarm list as a region change builds it: without fixed column and wind direction.
        dialog_->regionChanged(layoutWithKinds(),
                               {"Temp", "Humidity", "Press", "Rain", "Gust", "Cloud", "Text"},
                               {1, 3, 4, 5, 6, 7, 8});
        host_.calls.clear();
    }

    // The dialog's control named `name`.
    template <class T> T* child(const char* name) const { return ::child<T>(*dialog_, name); }
    QCheckBox* check(const char* name) const { return child<QCheckBox>(name); }
    QComboBox* combo(const char* name) const { return child<QComboBox>(name); }
    QScrollBar* bar(const char* name) const { return child<QScrollBar>(name); }
    QString text(const char* label) const { return child<QLabel>(label)->text(); }
    void click(const char* button) const { child<QPushButton>(button)->click(); }

    // Each "key=value" as the settings file holds it.
    void expectSaved(const QStringList& pairs)
    {
        const config::SettingsFile f = file();
        for (const QString& pair : pairs)
            QCOMPARE(pair.section('=', 0, 0) + '=' + f.raw(pair.section('=', 0, 0)), pair);
    }

    void expectOneBox(const QString& title)
    {
        QCOMPARE(MessageBox::shownBoxes().size(), 1);
        QCOMPARE(MessageBox::shownBoxes().first().title, title);
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

    // What the session cannot do is greyed out, says why and keeps what was saved; elsewhere
    // nothing is. The Wayland desktop test runs this case inside sway, where the dialog's
    // picture is kept in $NIMBULO_ARTEFACTS.
    void greysOutWhatTheSessionCannotDo()
    {
        create(QByteArray("[SavedSetting]\nbanner=1\ntray_sni=0\n") + kHotKeyCtrlF8 +
               "key_toggle=1\n");
        const bool wayland = platform::waylandSession();
        for (const char* name : {"chkHotKey", "cmdSetHotKey", "chkTraySni", "cmbBanner"})
            QVERIFY2(child<QWidget>(name)->isEnabled() == !wayland, name);
        for (const char* reason : {"lblNoDock", "lblNoStrip", "lblNoHotKey"})
            QCOMPARE(text(reason).isEmpty(), !wayland);
        // The value icon is the only way there. Without a host for it (none runs here), the box
        // says that the ticker stays docked.
        QCOMPARE(check("chkTraySni")->isChecked(), wayland);
        QCOMPARE(text("lblNoSniHost").isEmpty(), wayland);
        if (wayland && qEnvironmentVariableIsSet("NIMBULO_ARTEFACTS")) {
            dialog_->show();
            QVERIFY(QTest::qWaitForWindowExposed(dialog_.get()));
            dialog_->grab().save(qEnvironmentVariable("NIMBULO_ARTEFACTS") +
                                 QStringLiteral("/wayland-options.png"));
        }
        click("cmdOK");
        expectSaved({"key_toggle=1", "banner=1", "tray_sni=0"});
        if (wayland)
            QVERIFY(!host_.calls.join(u' ').contains(QStringLiteral("set hotkey")));
    }

    // A first start's controls, and the saved settings shown.
    void creationReadsTheSettings_data()
    {
        QTest::addColumn<QByteArray>("saved");
        QTest::addColumn<QString>("shown"); // banner position and hotkey, each "enabled" or not
        QTest::addColumn<QColor>("back");   // of the colour sample; invalid: the palette's
        QTest::newRow("first start") << QByteArray() << "Top 0 HotKey not set 0" << QColor();
        QTest::newRow("saved") << QByteArray(
                                      "[SavedSetting]\ninterval=240\ntrend_arrow=1\nicon_set_1=5\n"
                                      "banner=1\nbanner_pos=2\nfore_color=255\nback_color=65280\n"
                                      "start_icon=2\n") +
                                      kHotKeyCtrlF8 + "key_toggle=1\n"
                               << "Bottom 1 CTRL + F8 1" << QColor(0, 255, 0);
    }
    void creationReadsTheSettings()
    {
        QFETCH(QByteArray, saved);
        QFETCH(QString, shown);
        QFETCH(QColor, back);
        create(saved);
        QCOMPARE(dialog_->windowTitle(), QStringLiteral("Options"));
        QCOMPARE(QStringLiteral("%1 %2 %3 %4")
                     .arg(combo("cmbBanner")->currentText())
                     .arg(combo("cmbBanner")->isEnabled())
                     .arg(text("lblHotKey"))
                     .arg(child<QPushButton>("cmdSetHotKey")->isEnabled()),
                 shown);
        if (back.isValid())
            QCOMPARE(child<QLabel>("picColor")->palette().color(QPalette::Window), back);
        click("cmdOK"); // start_icon=2 is ticked too: no shortcut is made
        QCOMPARE(host_.calls.filter(QStringLiteral("shortcut")), QStringList());
    }

    // Screen readers read the number bars as the numbers on show; Up raises them.
    void numberBarsReadAsShown_data()
    {
        QTest::addColumn<QString>("bar");
        QTest::addColumn<QString>("label");
        QTest::addColumn<int>("value");
        QTest::newRow("cold below") << "VScroll2_0"
                                    << "Label1_0" << 5;
        QTest::newRow("hot above") << "VScroll2_1"
                                   << "Label1_1" << 30;
        QTest::newRow("interval") << "VScroll1"
                                  << "lblObsTime" << 10;
    }
    void numberBarsReadAsShown()
    {
        QFETCH(QString, bar);
        QFETCH(QString, label);
        QFETCH(int, value);
        create("[SavedSetting]\ninterval=10\nicon_set_1=5\nicon_set_2=30\n");
        auto* control = dialog_->findChild<QScrollBar*>(bar);
        QVERIFY(control);
        QAccessibleInterface* read = QAccessible::queryAccessibleInterface(control);
        QCOMPARE(read->valueInterface()->currentValue().toInt(), value);
        QVERIFY(!read->text(QAccessible::Name).isEmpty());
        const QString shown = dialog_->findChild<QLabel*>(label)->text();
        QVERIFY2(shown.contains(QString::number(value)), qPrintable(shown));
        QTest::keyClick(control, Qt::Key_Up);
        QCOMPARE(control->value(), value + 1);
    }

    void interval_data()
    {
        QTest::addColumn<QByteArray>("saved");
        QTest::addColumn<int>("value"); // the scroll's position (the minutes); -1 leaves it
        QTest::addColumn<QString>("shown");
        QTest::addColumn<int>("interval");
        QTest::addColumn<bool>("restarts");
        QTest::newRow("top") << QByteArray() << 240 << "04:00" << 240 << true;
        QTest::newRow("unchanged keeps the timer")
            << QByteArray("[SavedSetting]\ninterval=60\n") << 60 << "01:00" << 60 << false;
        QTest::newRow("out of range shows thirty")
            << QByteArray("[SavedSetting]\ninterval=5\n") << -1 << "00:30" << 30 << false;
    }

    void interval()
    {
        QFETCH(QByteArray, saved);
        QFETCH(int, value);
        QFETCH(QString, shown);
        QFETCH(int, interval);
        QFETCH(bool, restarts);
        create(saved);
        if (value >= 0)
            bar("VScroll1")->setValue(value);
        QCOMPARE(text("lblObsTime"), shown);
        click("cmdOK");
        QCOMPARE(file().integer(QStringLiteral("interval")), interval);
        // A running scan timer takes the new period at once.
        QCOMPARE(host_.calls.contains(QStringLiteral("timer %1").arg(interval)), restarts);
    }

    // Each kind's scale, dragged to a second point: the alarm uses the number shown.
    void alarmScales_data()
    {
        QTest::addColumn<int>("entry");
        QTest::addColumn<int>("maximum");
        QTest::addColumn<int>("moveTo");
        QTest::addColumn<QString>("moved");
        QTest::newRow("temperature") << 0 << 55 << 55 << "-10 uT";
        QTest::newRow("knots") << 1 << 97 << 0 << "97 uH";
        QTest::newRow("pressure") << 2 << 1800 << 1 << "1099.9 uP";
        QTest::newRow("tenths") << 3 << 150 << 125 << "2.5 uR";
        QTest::newRow("km/h") << 4 << 180 << 30 << "150 uG";
        QTest::newRow("percent") << 5 << 100 << 1 << "99 uC";
    }

    void alarmScales()
    {
        QFETCH(int, entry);
        QFETCH(int, maximum);
        QFETCH(int, moveTo);
        QFETCH(QString, moved);
        create({});
        pick(combo("cmbTempAlertType"), entry);
        QScrollBar* alert = bar("VScrollAlert");
        QCOMPARE(alert->maximum(), maximum);
        alert->setSliderDown(true);
        alert->setSliderPosition(moveTo);
        QCOMPARE(text("lblAlert"), moved); // while dragging
        // A screen reader hears the set point, not the bar's position.
        QCOMPARE(QAccessible::queryAccessibleInterface(alert)->text(QAccessible::Description),
                 "Set point " + moved);
        click("cmdOK");
        QCOMPARE(settings_.alarm.setPoint, moved.section(' ', 0, 0).toDouble());
    }

    void otherKindKeepsTheScale()
    {
        create({});
        pick(combo("cmbTempAlertType"), 2); // pressure
        bar("VScrollAlert")->setValue(900);
        pick(combo("cmbTempAlertType"), 6); // a kind without a scale of its own
        QCOMPARE(bar("VScrollAlert")->maximum(), 1800);
        QCOMPARE(text("lblAlert"), QStringLiteral("1010.0 uT"));
    }

    void regionChangeReappliesTheAlarm()
    {
        create("[SavedSetting]\nalert_type=2\nalert_value=1000\nalert_toggle=2\nalert_wind=5\n"
               "alert_play_sound=1\nalert_send_mail=1\nalert_send_end_mail=1\n");
        QCOMPARE(combo("cmbTempAlertType")->currentText(), QStringLiteral("Press"));
        QCOMPARE(text("lblAlert"), QStringLiteral("1000.0 uP"));

        // A layout whose list is shorter than the saved choice: nothing is selected, no crash.
        dialog_->regionChanged(layoutWithKinds(), {QStringLiteral("Temp")}, {1});
        QCOMPARE(combo("cmbTempAlertType")->count(), 1);
        QCOMPARE(combo("cmbTempAlertType")->currentIndex(), -1);
    }

    // OK saves what the controls show and applies it: the alarm the monitor tests (as the next
    // start reads it back), the scan timer, the trend arrow, the tips and the shortcuts, these
    // only where a box differs from what is stored.
    void okSavesAndApplies()
    {
        create("[SavedSetting]\ninterval=30\ntool_tips=0\ntrend_arrow=1\n");
        bar("VScroll1")->setValue(60);
        combo("cmbTempAlert")->setCurrentIndex(1);
        pick(combo("cmbTempAlertType"), 2);
        bar("VScrollAlert")->setValue(1000);
        combo("cmbTempAlertWind")->setCurrentIndex(3);
        for (const char* box : {"chkAlarmSound", "chkToolTip", "chkUpdates", "chkDeskIcon"})
            check(box)->setChecked(true);
        check("chkTrendArrow")->setChecked(false);
        combo("cmbDispType")->setCurrentIndex(1);
        combo("cmbBanner")->setCurrentIndex(1);
        // The record is kept 3 years unless chosen otherwise; 0 is for ever.
        QCOMPARE(combo("cmbRecordYears")->currentData().toInt(), 3);
        pick(combo("cmbRecordYears"), combo("cmbRecordYears")->findData(0));
        click("cmdOK");

        host_.calls.sort();
        QCOMPARE(host_.calls,
                 (QStringList{"shortcut desktop create", "timer 60", "tips 1", "trend cleared"}));
        const config::AlarmSettings& alarm = settings_.alarm;
        QVERIFY(alarm.armed && !alarm.above && alarm.playSound && !alarm.sendAlarmMail);
        QCOMPARE(alarm.column, 4);
        QCOMPARE(alarm.setPoint, 1000.0);
        QCOMPARE(alarm.wind, config::AlarmWind::East);
        config::AppSettings next;
        next.alarm.column = alarm.column; // the region's list gives it
        config::readAlarmChoices(file(), next);
        QVERIFY(next.alarm == alarm);
        expectSaved({"alert_toggle=1", "alert_type=2", "alert_value=1000", "alert_compare=1000.0",
                     "alert_wind=3", "trend_arrow=0", "banner=1", "banner_pos=1", "tool_tips=1",
                     "auto_update=1", "desk_icon=1", "start_icon=0", "key_toggle=0",
                     "record_years=0"});

        host_.calls.clear();
        click("cmdOK");
        QCOMPARE(host_.calls.filter(QRegularExpression("shortcut|tips")), QStringList());
        check("chkDeskIcon")->setChecked(false);
        click("cmdOK");
        QVERIFY(host_.calls.contains(QStringLiteral("shortcut desktop remove")));
    }

    void hotKeyRegisteredOnlyWhenChanged()
    {
        create(QByteArray("[SavedSetting]\ntrend_arrow=1\n") + kHotKeyCtrlF8 + "key_toggle=1\n");
        host_.hotKey = true; // registered at start-up
        click("cmdOK");
        QCOMPARE(host_.calls.filter(QStringLiteral("hotkey")), QStringList());

        // A new key: the old one goes, the new one is registered and saved.
        host_.calls.clear();
        dialog_->show();
        auto* setKey = child<QPushButton>("cmdSetHotKey");
        setKey->click();
        QTest::keyClick(setKey, Qt::Key_Control, Qt::ControlModifier);
        QTest::keyClick(setKey, Qt::Key_Alt, Qt::AltModifier);
        QTest::keyClick(setKey, Qt::Key_W, Qt::AltModifier);
        QCOMPARE(text("lblHotKey"), QStringLiteral("ALT + W"));
        QVERIFY(dialog_->isVisible()); // the captured keys reached no button
        click("cmdOK");
        QCOMPARE(host_.calls, (QStringList{"clear hotkey", "set hotkey 87 18"}));
        expectSaved({"key=18", "key_plus=87", "key_string=ALT + W"});

        // A key another program holds: the user is told, and the saved key stays.
        host_.refuseHotKey = true;
        setKey->click();
        QTest::keyClick(setKey, Qt::Key_F8);
        click("cmdOK");
        expectOneBox(QStringLiteral("Set HotKey Error"));
        QCOMPARE(MessageBox::shownBoxes().first().text,
                 QStringLiteral("Cannot set Global HotKey to F8\r\n\r\nThis HotKey may "
                                "already be used by another\r\nprogram, choose an alternative"));
        expectSaved({"key_toggle=1", "key=18", "key_string=ALT + W"});
        QVERIFY(!host_.hotKey);
    }

    // The region's towns under their districts; OK hands on a town that differs from the saved
    // one, "Town of the station" going back to the default; a saved town not listed stays.
    void forecastTown_data()
    {
        QTest::addColumn<QString>("saved");
        QTest::addColumn<QString>("pick"); // the entry picked; empty: none
        QTest::addColumn<QStringList>("calls");
        QTest::newRow("a town") << ""
                                << "    Canberra" << QStringList{"town 'NSW_PT027'"};
        QTest::newRow("back to the station's") << "NSW_PT027"
                                               << "Town of the station" << QStringList{"town ''"};
        QTest::newRow("unchanged") << "NSW_PT027"
                                   << "" << QStringList{};
        QTest::newRow("saved, not listed") << "VIC_PT001"
                                           << "" << QStringList{};
    }
    void forecastTown()
    {
        QFETCH(QString, saved);
        QFETCH(QString, pick);
        QFETCH(QStringList, calls);
        create("[SavedSetting]\ninterval=30\n");
        settings_.forecastTown = saved;
        dialog_->setForecastTowns({{"Sydney Metropolitan", "Sydney", "NSW_PT131"},
                                   {"Sydney Metropolitan", "Penrith", "NSW_PT114"},
                                   {"Australian Capital Territory", "Canberra", "NSW_PT027"}},
                                  saved);
        QComboBox* box = combo("cmbForecastTown");
        QStringList entries;
        for (int i = 0; i < box->count(); ++i)
            entries << box->itemText(i);
        QCOMPARE(entries.mid(0, 6),
                 (QStringList{"Town of the station", "Sydney Metropolitan", "    Sydney",
                              "    Penrith", "Australian Capital Territory", "    Canberra"}));
        QCOMPARE(box->currentData().toString(), saved);
        // A district's heading cannot be chosen.
        const auto* model = qobject_cast<QStandardItemModel*>(box->model());
        QVERIFY(model && !(model->item(1)->flags() & Qt::ItemIsEnabled));
        if (!pick.isEmpty())
            box->setCurrentIndex(box->findText(pick));
        click("cmdOK");
        QCOMPARE(host_.calls.filter("town"), calls);
    }

    // Tab reads the dialog as a user does: column by column, each from top to bottom and a row
    // from left to right, through every control.
    void tabReadsTheColumns()
    {
        create("");
        dialog_->show();
        QVERIFY(QTest::qWaitForWindowExposed(dialog_.get()));
        QWidget* first = child<QWidget>("chkToolTip");
        QList<QWidget*> chain{first};
        for (QWidget* w = first->nextInFocusChain(); w != first; w = w->nextInFocusChain()) {
            if ((w->focusPolicy() & Qt::TabFocus) && w->isVisibleTo(dialog_.get()))
                chain.append(w);
        }
        // The left edge of the dialog's column holding `w`: columns are the dialog's own
        // children side by side (those one above another, such as the buttons under the
        // alarm's box, overlap and share one).
        const QList<QWidget*> tops = dialog_->findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
        const auto column = [&](QWidget* w) {
            while (w->parentWidget() != dialog_.get())
                w = w->parentWidget();
            int left = w->x();
            for (QWidget* top : tops) {
                if (top->x() < left && top->geometry().right() >= w->x())
                    left = top->x();
            }
            return left;
        };
        const auto middle = [&](QWidget* w) { return w->mapTo(dialog_.get(), w->rect().center()); };
        for (qsizetype i = 1; i < chain.size(); ++i) {
            QWidget* a = chain.at(i - 1);
            QWidget* b = chain.at(i);
            const int dy = middle(b).y() - middle(a).y();
            const bool inOrder = column(a) == column(b)
                                     ? dy > 8 || (qAbs(dy) <= 8 && middle(b).x() > middle(a).x())
                                     : column(b) > column(a);
            QVERIFY2(inOrder, qPrintable(a->objectName() + " -> " + b->objectName()));
        }
        // Every control but the labels is on the way.
        QCOMPARE(chain.size(), 32);
    }

    void cancelKeepsTheControls()
    {
        create("[SavedSetting]\ninterval=30\n");
        dialog_->show();
        bar("VScroll1")->setValue(60);
        check("chkUpdates")->setChecked(true);
        click("cmdCancel");
        QVERIFY(host_.calls.isEmpty());
        expectSaved({"interval=30"});
        QCOMPARE(bar("VScroll1")->value(), 60);
        QVERIFY(check("chkUpdates")->isChecked());
    }

    void colourAndFontChoices()
    {
        create({});
        std::optional<QColor> answer = QColor(10, 20, 30);
        QFont chosen(QStringLiteral("DejaVu Serif"), 14);
        chosen.setBold(true);
        dialog_->setChoosers([&](const QColor&) { return answer; },
                             [&](const QFont&) { return std::optional<QFont>(chosen); });
        const auto sample = [this] {
            return child<QLabel>("picColor")->palette().color(QPalette::Window);
        };
        click("cmdColorChoice_1");
        QCOMPARE(sample(), QColor(10, 20, 30));
        answer = QColor(200, 0, 0);
        click("cmdColorChoice_0"); // the text colour comes with a font
        answer.reset();            // cancelled: nothing changes
        click("cmdColorChoice_1");
        QCOMPARE(sample(), QColor(10, 20, 30));

        click("cmdOK");
        expectSaved({"back_color=" + QString::number(10 + 20 * 256 + 30 * 65536), "fore_color=200",
                     "font_na=DejaVu Serif", "font_si=14", "font_bd=1"});
    }

    void mailNeedsItsSettings()
    {
        create({});
        MessageBox::script({MessageBox::Answer::Ok});
        QCheckBox* sendMail = check("chkSendMail");
        sendMail->click();
        expectOneBox(QStringLiteral("Set E-mail"));
        QCOMPARE(host_.mailShown, 1);
        // Still incomplete after the mail window: the box is cleared again.
        QVERIFY(!sendMail->isChecked());

        host_.mailResult = config::MailChoice{"127.0.0.1", "25", "a@example.org", "b@example.org"};
        sendMail->click();
        QVERIFY(sendMail->isChecked() && check("chkSendMailEnd")->isEnabled());
        // Complete settings: no more warnings.
        sendMail->click();
        sendMail->click();
        QCOMPARE(MessageBox::shownBoxes().size(), 2);
    }
};

QTEST_MAIN(TestOptions)
#include "tst_options.moc"
