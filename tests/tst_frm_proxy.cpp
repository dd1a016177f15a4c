// The proxy dialog: what OK writes, its warnings, and the stored password's round trip.

#include "common/frm_proxy.h"
#include "common/ini_file.h"
#include "common/proxy_password.h"
#include "find_control.h"
#include "platform/message_box.h"

#include <QCheckBox>
#include <QFocusEvent>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QtTest>

using common::frmProxy;
using common::ProxySettings;
using platform::MessageBox;

Q_DECLARE_METATYPE(common::ProxySettings)

class TestFrmProxy : public QObject
{
    Q_OBJECT

    QTemporaryDir dir_;
    QString path_;

    QString stored(const char* key) const
    {
        return common::readIni(QStringLiteral("SavedSetting"), QLatin1String(key), path_);
    }

private Q_SLOTS:
    void init()
    {
        path_ = dir_.filePath(QStringLiteral("wsetting.ini"));
        QFile::remove(path_);
        MessageBox::script({});
    }
    void cleanup() { MessageBox::unscript(); }

    // Whatever the password, what is written reads back as the same password.
    void passwordRoundTrip_data()
    {
        QTest::addColumn<QString>("password");
        QTest::addColumn<QString>("user");
        QTest::newRow("Windows-1252 letters") << "grüße°" << QString("jörg");
        // With the user "ab" the first byte is shifted by 'b' (98), the second by 'a' (97).
        QTest::newRow("scrambles to CR") << "«x" << QString("ab");
        QTest::newRow("scrambles to LF") << QString(QChar(0xA8)) + "x" << QString("ab");
        QTest::newRow("scrambles to NUL") << "žx" << QString("ab");
        QTest::newRow("scrambles to a trailing blank") << "x¿" << QString("ab");
        QTest::newRow("scrambles to enclosing quotes") << "ÀÁ" << QString("ab");
        QTest::newRow("too long as UTF-8") << QString(64, u'x') << QString("~~");
        QTest::newRow("Cyrillic") << "пароль" << QString("иван");
        QTest::newRow("blank password with empty user") << " x " << QString();
    }
    void passwordRoundTrip()
    {
        QFETCH(QString, password);
        QFETCH(QString, user);
        QVERIFY(common::writeIni(QStringLiteral("SavedSetting"), QStringLiteral("auth_2"),
                                 common::scramblePassword(password, user), path_));
        QCOMPARE(common::unscramblePassword(stored("auth_2"), user), password);
    }

    // An older file's value read as Windows-1252 characters unscrambles as before.
    void storedFormOfOlderFiles()
    {
        // 'p' + 'o', 'a' + 'b', '5' + 'b', '5' + 'o' as Windows-1252 characters.
        const QString older = QStringLiteral(u"\u00DF\u00C3\u2014\u00A4");
        QCOMPARE(common::scramblePassword(QStringLiteral("pa55"), QStringLiteral("bob")), older);
        QCOMPARE(common::unscramblePassword(older, QStringLiteral("bob")), QStringLiteral("pa55"));
    }

    void ok_data()
    {
        QTest::addColumn<bool>("useProxy");
        QTest::addColumn<bool>("auth");
        QTest::addColumn<QString>("password");
        QTest::addColumn<QStringList>("expected"); // proxy_on ... auth_1
        // Direct: the old authorisation stays switched on, its user goes.
        QTest::newRow("direct") << false << false << "" << QStringList{"0", "", "", "1", ""};
        QTest::newRow("proxy without authorisation")
            << true << false << "" << QStringList{"1", "proxy.local", "3128", "0", ""};
        QTest::newRow("proxy with authorisation")
            << true << true << "s3cr€t" << QStringList{"1", "proxy.local", "3128", "1", "alice"};
    }
    void ok()
    {
        QFETCH(bool, useProxy);
        QFETCH(bool, auth);
        QFETCH(QString, password);
        QFETCH(QStringList, expected);

        frmProxy dialog(path_);
        dialog.setChoice({true, "old", "8080", true, "olduser", "oldpass"});
        child<QRadioButton>(dialog, useProxy ? "optProxy_1" : "optProxy_0")->setChecked(true);
        child<QLineEdit>(dialog, "txtServer")->setText(QStringLiteral("proxy.local"));
        child<QLineEdit>(dialog, "txtPort")->setText(QStringLiteral("3128"));
        child<QCheckBox>(dialog, "chkSpecAuth")->setChecked(auth);
        child<QLineEdit>(dialog, "txtUser")->setText(auth ? QStringLiteral(" alice ") : QString());
        child<QLineEdit>(dialog, "txtPass_0")->setText(password);
        child<QLineEdit>(dialog, "txtPass_1")->setText(password);
        child<QPushButton>(dialog, "Command2")->click();

        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QVERIFY(MessageBox::shownBoxes().isEmpty());
        const QStringList written{stored("proxy_on"), stored("proxy_server"), stored("proxy_port"),
                                  stored("auth_on"), stored("auth_1")};
        QCOMPARE(written, expected);
        QCOMPARE(dialog.choice().password, password);
        QCOMPARE(common::unscramblePassword(stored("auth_2"), stored("auth_1")), password);
    }

    void refusedPassword_data()
    {
        QTest::addColumn<QString>("password");
        QTest::addColumn<QString>("confirm");
        QTest::addColumn<QString>("title");
        QTest::newRow("empty") << "" << QString() << "Mismatched or empty password";
        QTest::newRow("mismatched") << "one" << QString("two") << "Mismatched or empty password";
        QTest::newRow("too long") << QString(120, u'я') << QString(120, u'я')
                                  << "Password too long";
    }
    void refusedPassword()
    {
        QFETCH(QString, password);
        QFETCH(QString, confirm);
        QFETCH(QString, title);

        frmProxy dialog(path_);
        child<QRadioButton>(dialog, "optProxy_1")->setChecked(true);
        child<QCheckBox>(dialog, "chkSpecAuth")->setChecked(true);
        child<QLineEdit>(dialog, "txtUser")->setText(QStringLiteral("bob"));
        child<QLineEdit>(dialog, "txtPass_0")->setText(password);
        child<QLineEdit>(dialog, "txtPass_1")->setText(confirm);
        child<QPushButton>(dialog, "Command2")->click();

        QCOMPARE(MessageBox::shownBoxes().size(), 1);
        QCOMPARE(MessageBox::shownBoxes().first().title, title);
        QVERIFY(!QFile::exists(path_)); // nothing saved
        QCOMPARE(dialog.result(), int(QDialog::Rejected));
    }

    // The installer writes proxy_on itself, on its own Continue.
    void installerLeavesProxyOn()
    {
        QVERIFY(common::writeIni(QStringLiteral("SavedSetting"), QStringLiteral("proxy_on"),
                                 QStringLiteral("0"), path_));
        frmProxy dialog(path_, frmProxy::Mode::Installer);
        child<QRadioButton>(dialog, "optProxy_1")->setChecked(true);
        child<QLineEdit>(dialog, "txtServer")->setText(QStringLiteral("p"));
        child<QPushButton>(dialog, "Command2")->click();
        QCOMPARE(stored("proxy_on"), QStringLiteral("0"));
        QCOMPARE(stored("proxy_server"), QStringLiteral("p"));
        QVERIFY(dialog.choice().useProxy);
    }

    void controlsFollowChoices()
    {
        frmProxy dialog(path_);
        dialog.setChoice({true, "p", "1", true, "bob", "pw"});
        QCOMPARE(child<QLineEdit>(dialog, "txtPass_0")->text(), QStringLiteral("pw"));
        child<QCheckBox>(dialog, "chkSpecAuth")->setChecked(false);
        QVERIFY(!child<QLineEdit>(dialog, "txtUser")->isEnabled());
        QVERIFY(child<QLineEdit>(dialog, "txtUser")->text().isEmpty());
        QVERIFY(child<QLineEdit>(dialog, "txtPass_0")->text().isEmpty());
        child<QRadioButton>(dialog, "optProxy_0")->setChecked(true);
        QVERIFY(!child<QGroupBox>(dialog, "Frame1")->isEnabled());
    }

    void focusWarnings_data()
    {
        QTest::addColumn<QString>("user");
        QTest::addColumn<int>("entered");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("focusTo");
        QTest::newRow("password without user") << "" << 0 << "No Username"
                                               << "txtUser";
        QTest::newRow("confirmation without password") << "bob" << 1 << "No Password"
                                                       << "txtPass_0";
        QTest::newRow("user given") << "bob" << 0 << ""
                                    << "txtPass_0";
    }
    void focusWarnings()
    {
        QFETCH(QString, user);
        QFETCH(int, entered);
        QFETCH(QString, title);
        QFETCH(QString, focusTo);

        frmProxy dialog(path_);
        dialog.setChoice({true, "p", "1", true, user, ""});
        dialog.show();
        dialog.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&dialog));
        dialog.findChild<QLineEdit*>(QStringLiteral("txtPass_%1").arg(entered))->setFocus();
        QTRY_COMPARE(QApplication::focusWidget()->objectName(), focusTo);
        if (title.isEmpty()) {
            QVERIFY(MessageBox::shownBoxes().isEmpty());
        } else {
            QCOMPARE(MessageBox::shownBoxes().size(), 1);
            QCOMPARE(MessageBox::shownBoxes().first().title, title);
        }
    }
};

QTEST_MAIN(TestFrmProxy)
#include "tst_frm_proxy.moc"
