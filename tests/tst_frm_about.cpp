// The about window: what it shows, the error-log button following the log, its links and the
// system-information button.

#include "platform/desktop.h"
#include "platform/message_box.h"
#include "platform/registry_store.h"
#include "weather/config/layout_file.h"
#include "weather/net/error_log.h"
#include "weather/net/frm_about.h"
#include "weather/net/version_check.h"

#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

using platform::MessageBox;

class TestFrmAbout : public QObject
{
    Q_OBJECT

    QTemporaryDir dir_;
    QString appDir_;
    QStringList opened_;

private Q_SLOTS:
    void initTestCase()
    {
        // The registry store lives under the configuration folder.
        qputenv("XDG_CONFIG_HOME", dir_.filePath(QStringLiteral("config")).toUtf8());
        appDir_ = dir_.path() + QStringLiteral("/");
    }
    void init()
    {
        MessageBox::script({});
        opened_.clear();
        platform::setUrlOpener([this](const QString& url) { opened_.append(url); });
        QFile::remove(platform::RegistryStore::defaultPath());
    }
    void cleanup()
    {
        MessageBox::unscript();
        platform::setUrlOpener({});
    }

    void shows_data()
    {
        QTest::addColumn<QByteArray>("readme");
        QTest::addColumn<QString>("shown");
        QTest::newRow("UTF-8") << QByteArray("Nimbulo\r\n21 \xC2\xB0"
                                             "C\r\n")
                               << "Nimbulo\n21 °C\n";
        QTest::newRow("Windows-1252") << QByteArray("21 \xB0"
                                                    "C")
                                      << "21 °C";
        QTest::newRow("missing") << QByteArray() << "";
    }
    void shows()
    {
        QFETCH(QByteArray, readme);
        QFETCH(QString, shown);
        QFile file(appDir_ + "readme.txt");
        QVERIFY(readme.isEmpty() ? !file.exists() || file.remove()
                                 : file.open(QIODevice::WriteOnly) && file.write(readme) > 0);
        file.close();
        net::ErrorLog log;
        net::frmAbout about(log, appDir_);
        QCOMPARE(about.windowTitle(), QStringLiteral("About Nimbulo"));
        QCOMPARE(about.lblVersion->text(), QStringLiteral("Version ") + net::programVersion());
        QCOMPARE(about.Text1->toPlainText(), shown);
        // The shipped readme is what the window shows beside the program.
        net::frmAbout shipped(log, QStringLiteral(NIMBULO_SOURCE_DIR "/data/"));
        QVERIFY(shipped.Text1->toPlainText().size() > 500);
    }

    // The error-log button follows the log; the buttons ask for the log and the update, and
    // the update button is off while an update runs.
    void buttons()
    {
        net::ErrorLog log;
        log.writeTxt(QStringLiteral("earlier"));
        net::frmAbout about(log, appDir_);
        QVERIFY(about.cmdErrLog->isEnabled());
        log.clear();
        QVERIFY(!about.cmdErrLog->isEnabled());
        log.writeTxt(QStringLiteral("Mail Error"));
        QVERIFY(about.cmdErrLog->isEnabled());
        QSignalSpy logAsked(&about, &net::frmAbout::errorLogRequested);
        QSignalSpy updateAsked(&about, &net::frmAbout::updateRequested);
        about.cmdErrLog->click();
        about.cmdUpdateme->click();
        QCOMPARE(logAsked.size(), 1);
        QCOMPARE(updateAsked.size(), 1);
        about.setUpdateBusy(true);
        QVERIFY(!about.cmdUpdateme->isEnabled());
        about.setUpdateBusy(false);
        QVERIFY(about.cmdUpdateme->isEnabled());
    }

    // The links open their pages; the site label is underlined while the pointer is on it.
    void links()
    {
        net::ErrorLog log;
        net::frmAbout about(log, appDir_);
        about.cmdToBom->click();
        about.cmdGoHome->click();
        QTest::mouseClick(about.lblSite, Qt::LeftButton);
        QTest::mouseDClick(about.picIcon, Qt::LeftButton);
        QCOMPARE(opened_, (QStringList{config::bureauRoot(), net::homePage(), net::homePage(),
                                       net::homePage()}));
        QEvent enter(QEvent::Enter);
        QApplication::sendEvent(about.lblSite, &enter);
        QVERIFY(about.lblSite->font().underline());
        QEvent leave(QEvent::Leave);
        QApplication::sendEvent(about.lblSite, &leave);
        QVERIFY(!about.lblSite->font().underline());
    }

    void systemInfo_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("program"); // the file the registry leads to
        const QString path = QStringLiteral("SOFTWARE\\Microsoft\\Shared Tools\\MSINFO|PATH");
        QTest::newRow("nothing registered") << QString() << QString() << QString();
        QTest::newRow("PATH") << path << "sysinfo.sh"
                              << "sysinfo.sh";
        QTest::newRow("folder") << "SOFTWARE\\Microsoft\\Shared Tools Location|MSINFO" << QString()
                                << "MSINFO32.EXE";
        QTest::newRow("registered program missing") << path << "gone.sh" << QString();
    }
    void systemInfo()
    {
        QFETCH(QString, key);
        QFETCH(QString, value);
        QFETCH(QString, program);
        const QString marker = appDir_ + "started";
        QFile::remove(marker);
        if (!program.isEmpty()) {
            QFile script(appDir_ + program);
            QVERIFY(script.open(QIODevice::WriteOnly));
            script.write("#!/bin/sh\ntouch '" + marker.toUtf8() + "'\n");
            script.close();
            script.setPermissions(script.permissions() | QFile::ExeUser);
        }
        if (!key.isEmpty()) {
            const QStringList parts = key.split('|');
            QCOMPARE(platform::RegistryStore().regWrite("HKCU", parts[0], parts[1], "S",
                                                        appDir_ + value),
                     platform::RegistryStore::kOk);
        }
        QCOMPARE(net::systemInfoProgram().isEmpty(), program.isEmpty());

        net::ErrorLog log;
        net::frmAbout about(log, appDir_);
        about.cmdSysInfo->click();
        if (program.isEmpty()) {
            QCOMPARE(MessageBox::shownBoxes().size(), 1);
            QCOMPARE(MessageBox::shownBoxes().first().text,
                     QStringLiteral("System Information Is Unavailable At This Time"));
        } else {
            QVERIFY(MessageBox::shownBoxes().isEmpty());
            QTRY_VERIFY(QFile::exists(marker));
        }
        QFile::remove(appDir_ + program);
    }
};

QTEST_MAIN(TestFrmAbout)
#include "tst_frm_about.moc"
