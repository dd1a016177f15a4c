#include "common/station_cache.h"
#include "find_control.h"
#include "platform/message_box.h"
#include "setup/frm_inst_weather.h"
#include "setup/installer.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

#include <functional>
#include <utility>

using platform::MessageBox;
using setup::frmInstWeather;
using setup::Mode;

namespace {

const QByteArray kLayout = "[RegionHeads]\nregions=3\nregion_1=NSW\nregion_2=VIC\nregion_3=QLD\n"
                           "[NSW]\ndisplay=New South Wales\n[VIC]\ndisplay=Victoria\n"
                           "[QLD]\ndisplay=Queensland\n";

// Calls `onShow` when the watched window is first shown.
class ShowWatch : public QObject
{
public:
    explicit ShowWatch(std::function<void()> onShow) : onShow_(std::move(onShow)) {}
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Show && onShow_)
            std::exchange(onShow_, nullptr)();
        return false;
    }

private:
    std::function<void()> onShow_;
};

} // namespace

Q_DECLARE_METATYPE(setup::Mode)

class TestInstaller : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> dir_;
    QString appDir_;
    setup::ShortcutFolders folders_;

    void write(const QString& path, const QByteArray& content)
    {
        QDir().mkpath(QFileInfo(path).absolutePath());
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(content);
    }

    // A key's value in the settings file; "state=1" reads "state".
    QString setting(const char* key) const
    {
        QFile f(appDir_ + QStringLiteral("wsetting.ini"));
        const QByteArray name = QByteArray(key).split('=')[0] + '=';
        for (const QByteArray& line :
             f.open(QIODevice::ReadOnly) ? f.readAll().split('\n') : QList<QByteArray>())
            if (line.startsWith(name))
                return QString::fromUtf8(line.mid(name.size()));
        return {};
    }

    std::unique_ptr<frmInstWeather> window(Mode mode)
    {
        auto w = std::make_unique<frmInstWeather>(mode, appDir_, folders_);
        w->load();
        return w;
    }

private Q_SLOTS:
    void init()
    {
        dir_ = std::make_unique<QTemporaryDir>();
        appDir_ = dir_->filePath("program/");
        folders_ = {dir_->filePath("autostart/"), dir_->filePath("Desktop/")};
        write(appDir_ + QStringLiteral("weather.ini"), kLayout);
        MessageBox::script({});
    }

    void cleanup() { MessageBox::unscript(); }

    void commandLine()
    {
        // The words after the program name; "add" wins over "rem".
        const QList<QPair<QStringList, Mode>> cases = {
            {{"nimsetup", "add"}, Mode::Add},        {{"nimsetup", "/add"}, Mode::Add},
            {{"nimsetup", "ADD"}, Mode::Other},      {{"nimsetup", "rem"}, Mode::Remove},
            {{"nimsetup", "rem", "add"}, Mode::Add}, {{"nimsetup"}, Mode::Other},
            {{"nimsetup", "/x"}, Mode::Other},       {{"/opt/address/nimsetup"}, Mode::Other}};
        for (const auto& [args, mode] : cases)
            QVERIFY2(setup::modeOf(args) == mode, qPrintable(args.join(' ')));
    }

    void preselectsEarlierChoices_data()
    {
        QTest::addColumn<QByteArray>("saved");
        QTest::addColumn<int>("state");
        QTest::addColumn<int>("display");
        QTest::addColumn<int>("position");
        QTest::addColumn<bool>("startIcon");
        QTest::newRow("fresh") << QByteArray() << 0 << 0 << 0 << false;
        QTest::newRow("earlier install")
            << QByteArray("state=2\nbanner=1\nbanner_pos=1\nstart_icon=1\n") << 2 << 1 << 1 << true;
        QTest::newRow("values outside the lists")
            << QByteArray("state=7\nbanner=4\nbanner_pos=-3\n") << -1 << -1 << -1 << false;
    }

    void preselectsEarlierChoices()
    {
        QFETCH(QByteArray, saved);
        QFETCH(int, state);
        QFETCH(int, display);
        QFETCH(int, position);
        QFETCH(bool, startIcon);
        write(appDir_ + QStringLiteral("wsetting.ini"), "[SavedSetting]\n" + saved);
        auto w = window(Mode::Add);
        QCOMPARE(child<QComboBox>(*w, "cmbState")->count(), 3);
        QCOMPARE(child<QComboBox>(*w, "cmbState")->currentIndex(), state);
        QCOMPARE(child<QComboBox>(*w, "cmbDispType")->currentIndex(), display);
        QCOMPARE(child<QComboBox>(*w, "cmbBanner")->currentIndex(), position);
        QCOMPARE(child<QComboBox>(*w, "cmbBanner")->isEnabled(), display == 1);
        QCOMPARE(child<QCheckBox>(*w, "chkStartIcon")->isChecked(), startIcon);
        QVERIFY(child<QWidget>(*w, "Frame2")->isHidden());
    }

    void continueWritesInOrderAndMakesShortcuts()
    {
        write(appDir_ + QStringLiteral("wsetting.ini"),
              "[SavedSetting]\nproxy_on=1\nproxy_server=10.1.1.1\n");
        write(folders_.desktop + QStringLiteral("Nimbulo.desktop"), "old");
        auto w = window(Mode::Add);
        child<QComboBox>(*w, "cmbState")->setCurrentIndex(1);
        child<QComboBox>(*w, "cmbDispType")->setCurrentIndex(1);
        child<QComboBox>(*w, "cmbBanner")->setCurrentIndex(1);
        child<QCheckBox>(*w, "chkStartIcon")->setChecked(true);
        child<QCheckBox>(*w, "chkDeskIcon")->setChecked(false);
        QVERIFY(w->save());
        // No visit to the proxy dialog in this run: the earlier proxy choice stays.
        for (const char* pair :
             {"state=1", "banner=1", "banner_pos=1", "proxy_on=1", "start_icon=1", "desk_icon=0"})
            QCOMPARE(QByteArray(pair).split('=')[0] + '=' + setting(pair).toUtf8(), pair);

        // The unticked desktop box removed the old entry; the start-up one is a valid entry
        // that starts weather from the program folder.
        QVERIFY(!QFile::exists(folders_.desktop + QStringLiteral("Nimbulo.desktop")));
        const QString entry = folders_.startup + QStringLiteral("Nimbulo.desktop");
        QFile f(entry);
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QString text = QString::fromUtf8(f.readAll());
        QVERIFY(text.contains("Exec=" + appDir_ + "weather"));
        QVERIFY(text.contains("Path=" + dir_->filePath("program") + '\n'));
        QVERIFY(text.contains("Icon=" + appDir_ + "icons/nimbulo.svg\n"));
        QProcess check;
        check.start(QStringLiteral("desktop-file-validate"), {entry});
        QVERIFY(check.waitForFinished());
        QVERIFY2(check.exitCode() == 0, check.readAllStandardOutput().constData());
        QCOMPARE(MessageBox::shownBoxes().size(), 1);
        QCOMPARE(MessageBox::shownBoxes().first().title, QStringLiteral("Nimbulo Screen Saver"));
        QVERIFY(MessageBox::shownBoxes().first().text.contains(setup::xscreensaverEntry(appDir_)));
    }

    // The stations of the region the monitor scanned last are offered, the saved one chosen;
    // another region has none to offer until the monitor has scanned it.
    void offersTheScannedStations_data()
    {
        QTest::addColumn<int>("state");
        QTest::addColumn<QStringList>("offered");
        QTest::newRow("scanned region") << 1 << QStringList{"Melbourne", "Ballarat"};
        QTest::newRow("another region") << 0 << QStringList();
    }
    void offersTheScannedStations()
    {
        QFETCH(int, state);
        QFETCH(QStringList, offered);
        QVERIFY(common::saveStationCache(appDir_, "VIC", {"Melbourne", "Ballarat"}));
        write(appDir_ + QStringLiteral("wsetting.ini"),
              "[SavedSetting]\nstate=" + QByteArray::number(state) + "\nstation_name=Melbourne\n");
        auto w = window(Mode::Add);
        QStringList shown;
        for (int i = 0; i < child<QComboBox>(*w, "cmbStation")->count(); ++i)
            shown.append(child<QComboBox>(*w, "cmbStation")->itemText(i));
        QCOMPARE(shown, offered);
        QCOMPARE(child<QComboBox>(*w, "cmbStation")->isEnabled(), !offered.isEmpty());
        QCOMPARE(child<QComboBox>(*w, "cmbStation")->currentText(), offered.value(0));
        if (!offered.isEmpty())
            child<QComboBox>(*w, "cmbStation")->setCurrentIndex(1);
        QVERIFY(w->save());
        QCOMPARE(setting("station_name"), offered.isEmpty() ? "Melbourne" : "Ballarat");
        QCOMPARE(setting("station"), offered.isEmpty() ? QString() : "1");
    }

    // The saver's line for xscreensaver's list: the program quoted as its shell reads it.
    void xscreensaverEntry()
    {
        const QList<QPair<QString, QString>> cases = {
            {"/opt/n/", "\"Nimbulo\" \"/opt/n/nimsaver\" -root"},
            {"/home/a b/", "\"Nimbulo\" \"/home/a b/nimsaver\" -root"},
            {"/x/\"$HOME`\\/", "\"Nimbulo\" \"/x/\\\"\\$HOME\\`\\\\/nimsaver\" -root"}};
        for (const auto& [appDir, entry] : cases)
            QCOMPARE(setup::xscreensaverEntry(appDir), entry);
    }

    void missingLayoutWritesNoRegion()
    {
        QFile::remove(appDir_ + QStringLiteral("weather.ini"));
        auto w = window(Mode::Add);
        QCOMPARE(child<QComboBox>(*w, "cmbState")->count(), 0);
        QVERIFY(w->save());
        QCOMPARE(setting("state"), QStringLiteral("-1"));
    }

    void shortcutFailureIsReported()
    {
        folders_.desktop.clear(); // no desktop folder could be named
        auto w = window(Mode::Add);
        child<QCheckBox>(*w, "chkDeskIcon")->setChecked(true);
        QVERIFY(!w->save());
        QCOMPARE(MessageBox::shownBoxes().last().title, QStringLiteral("Create Shortcut Error"));
        // Keys written before the failing step stay written.
        QCOMPARE(setting("desk_icon"), QStringLiteral("1"));
    }

    void removeModeDeletesShortcuts()
    {
        write(folders_.startup + QStringLiteral("Nimbulo.desktop"), "x");
        write(folders_.desktop + QStringLiteral("Nimbulo.desktop"), "x");
        write(appDir_ + QStringLiteral("wsetting.ini"), "[SavedSetting]\nstate=1\n");
        frmInstWeather w(Mode::Remove, appDir_, folders_);
        w.start();
        QVERIFY(!QFile::exists(folders_.startup + QStringLiteral("Nimbulo.desktop")));
        QVERIFY(!QFile::exists(folders_.desktop + QStringLiteral("Nimbulo.desktop")));
        QCOMPARE(setting("state"), QStringLiteral("1")); // settings stay
    }

    void windowShowsFilled_data()
    {
        QTest::addColumn<Mode>("mode");
        QTest::addColumn<QString>("shown"); // the frames and buttons the window shows
        QTest::newRow("add") << Mode::Add << "Frame5 Frame6 Frame1 Command1";
        QTest::newRow("remove") << Mode::Remove << "Frame2";
    }

    void windowShowsFilled()
    {
        QFETCH(Mode, mode);
        QFETCH(QString, shown);
        frmInstWeather w(mode, appDir_, folders_);
        // What the window holds when it first shows.
        QString atShow;
        int regionsAtShow = -1;
        ShowWatch watch([&] {
            for (const char* name : {"Frame5", "Frame6", "Frame1", "Command1", "Frame2"})
                if (!child<QWidget>(w, name)->isHidden())
                    atShow += (atShow.isEmpty() ? "" : " ") + QLatin1String(name);
            regionsAtShow = child<QComboBox>(w, "cmbState")->count();
        });
        w.installEventFilter(&watch);
        w.start();
        QCOMPARE(atShow, shown);
        if (mode == Mode::Add)
            QCOMPARE(regionsAtShow, 3);
    }

    void tabIntoDisplayTypeHints()
    {
        auto w = window(Mode::Add);
        QTest::keyRelease(child<QComboBox>(*w, "cmbDispType"), Qt::Key_Tab);
        QCOMPARE(MessageBox::shownBoxes().size(), 1);
        QCOMPARE(MessageBox::shownBoxes().first().title, QStringLiteral("Nimbulo Install"));
        QTest::keyRelease(child<QComboBox>(*w, "cmbDispType"), Qt::Key_Down);
        QCOMPARE(MessageBox::shownBoxes().size(), 1);
    }

    void warnsOnceWhenWeatherRuns()
    {
        if (QGuiApplication::platformName() != QLatin1String("xcb"))
            QSKIP("needs an X server to find the running program's window");
        QWidget running;
        running.setWindowTitle(QStringLiteral("Nimbulo (Australia) ver 1.5.8"));
        running.show();
        QVERIFY(QTest::qWaitForWindowExposed(&running));
        auto w = window(Mode::Add);
        QCOMPARE(MessageBox::shownBoxes().size(), 1);
        QCOMPARE(MessageBox::shownBoxes().first().title, QStringLiteral("Nimbulo Running"));
        QVERIFY(w->save()); // the installation goes on
    }
};

QTEST_MAIN(TestInstaller)
#include "tst_installer.moc"
