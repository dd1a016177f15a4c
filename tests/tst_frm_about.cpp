// The about window: what it shows, the error-log button following the log, its links and the
// system-information button.

#include "find_control.h"
#include "platform/desktop.h"
#include "platform/message_box.h"
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
    void initTestCase() { appDir_ = dir_.path() + QStringLiteral("/"); }
    void init()
    {
        MessageBox::script({});
        opened_.clear();
        platform::setUrlOpener([this](const QString& url) { opened_.append(url); });
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
        QCOMPARE(child<QLabel>(about, "lblVersion")->text(),
                 QStringLiteral("Version ") + net::programVersion());
        QCOMPARE(child<QPlainTextEdit>(about, "Text1")->toPlainText(), shown);
        // The shipped readme is what the window shows beside the program.
        net::frmAbout shipped(log, QStringLiteral(NIMBULO_SOURCE_DIR "/data/"));
        QVERIFY(child<QPlainTextEdit>(shipped, "Text1")->toPlainText().size() > 500);
    }

    // The error-log button follows the log; the buttons ask for the log and the update.
    void buttons()
    {
        net::ErrorLog log;
        log.writeTxt(QStringLiteral("earlier"));
        net::frmAbout about(log, appDir_);
        QVERIFY(child<QPushButton>(about, "cmdErrLog")->isEnabled());
        log.clear();
        QVERIFY(!child<QPushButton>(about, "cmdErrLog")->isEnabled());
        log.writeTxt(QStringLiteral("Mail Error"));
        QVERIFY(child<QPushButton>(about, "cmdErrLog")->isEnabled());
        QSignalSpy logAsked(&about, &net::frmAbout::errorLogRequested);
        QSignalSpy updateAsked(&about, &net::frmAbout::updateRequested);
        child<QPushButton>(about, "cmdErrLog")->click();
        child<QPushButton>(about, "cmdUpdateme")->click();
        QCOMPARE(logAsked.size(), 1);
        QCOMPARE(updateAsked.size(), 1);
    }

    // The links open their pages; the site label is underlined while the pointer is on it.
    void links()
    {
        net::ErrorLog log;
        net::frmAbout about(log, appDir_);
        child<QPushButton>(about, "cmdToBom")->click();
        child<QPushButton>(about, "cmdGoHome")->click();
        QTest::mouseClick(child<QLabel>(about, "lblSite"), Qt::LeftButton);
        QTest::mouseDClick(child<QLabel>(about, "picIcon"), Qt::LeftButton);
        QCOMPARE(opened_, (QStringList{config::bureauRoot(), net::homePage(), net::homePage(),
                                       net::homePage()}));
        QEvent enter(QEvent::Enter);
        QApplication::sendEvent(child<QLabel>(about, "lblSite"), &enter);
        QVERIFY(child<QLabel>(about, "lblSite")->font().underline());
        QEvent leave(QEvent::Leave);
        QApplication::sendEvent(child<QLabel>(about, "lblSite"), &leave);
        QVERIFY(!child<QLabel>(about, "lblSite")->font().underline());
    }
};

QTEST_MAIN(TestFrmAbout)
#include "tst_frm_about.moc"
