// The proxy dialog: what OK writes, its warnings, and the stored password's round trip.

#include "common/frm_proxy.h"
#include "common/ini_file.h"
#include "common/proxy_password.h"
#include "common/scramble.h"
#include "common/text_codec.h"
#include "platform/message_box.h"

#include <QCheckBox>
#include <QFocusEvent>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRandomGenerator>
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
    bool hasKey(const char* key) const
    {
        QFile file(path_);
        if (!file.open(QIODevice::ReadOnly))
            return false;
        return file.readAll().contains(QByteArray(key) + '=');
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
        QTest::addColumn<bool>("usualForm"); // stored as settings files have always held it

        QTest::newRow("plain") << "pa55"
                               << "bob" << true;
        QTest::newRow("empty user") << "secret"
                                    << "" << true;
        QTest::newRow("Windows-1252 letters") << "grüße°"
                                              << "jörg" << true;
        QTest::newRow("scrambles to a control character") << "päss°wörd€"
                                                          << "jürgen" << false;
        // With the user "ab" the first byte is shifted by 'b' (98), the second by 'a' (97).
        QTest::newRow("scrambles to CR") << "«x"
                                         << "ab" << false;
        QTest::newRow("scrambles to LF") << QString(QChar(0xA8)) + "x"
                                         << "ab" << false;
        QTest::newRow("scrambles to NUL") << "žx"
                                          << "ab" << false;
        QTest::newRow("scrambles to a trailing blank") << "x¿"
                                                       << "ab" << false;
        QTest::newRow("scrambles to enclosing quotes") << "ÀÁ"
                                                       << "ab" << false;
        QTest::newRow("too long as UTF-8") << QString(64, u'x') << "~~" << false;
        QTest::newRow("Cyrillic") << "пароль"
                                  << "иван" << false;
        QTest::newRow("Cyrillic user") << "secret"
                                       << "иван" << false;
        QTest::newRow("Chinese and emoji") << "密码🙂"
                                           << "user" << false;
        QTest::newRow("blank password with empty user") << " x "
                                                        << "" << false;
        QTest::newRow("quoted password with empty user") << "\"x\""
                                                         << "" << false;
    }
    void passwordRoundTrip()
    {
        QFETCH(QString, password);
        QFETCH(QString, user);
        QFETCH(bool, usualForm);

        const QString value = common::scramblePassword(password, user);
        const QString usual = common::fromWindows1252(
            common::scramble(common::toWindows1252(password), common::toWindows1252(user)));
        QCOMPARE(value == usual, usualForm);
        QVERIFY(common::writeIni(QStringLiteral("SavedSetting"), QStringLiteral("auth_2"), value,
                                 path_));
        QCOMPARE(common::unscramblePassword(stored("auth_2"), user), password);
    }

    // Random passwords over all of Windows-1252 and beyond, against random user names.
    void passwordRoundTripRandom()
    {
        QRandomGenerator random(20240611);
        const auto randomText = [&random](int maxLength) {
            QString text;
            const int length = random.bounded(maxLength + 1);
            for (int i = 0; i < length; ++i) {
                const int pick = random.bounded(10);
                // Mostly Windows-1252 (controls and blanks included), sometimes further out.
                const char16_t code = pick < 8   ? char16_t(random.bounded(1, 256))
                                      : pick < 9 ? char16_t(random.bounded(0x100, 0x800))
                                                 : char16_t(random.bounded(0x3000, 0xD000));
                text.append(QChar(code));
            }
            return text;
        };
        for (int round = 0; round < 300; ++round) {
            const QString password = randomText(30);
            const QString user = randomText(8).trimmed();
            if (!common::proxyCredentialsStorable(user, password))
                continue;
            QVERIFY(common::writeIni(QStringLiteral("SavedSetting"), QStringLiteral("auth_2"),
                                     common::scramblePassword(password, user), path_));
            QCOMPARE(common::unscramblePassword(stored("auth_2"), user), password);
        }
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
        QTest::addColumn<ProxySettings>("before");
        QTest::addColumn<bool>("useProxy");
        QTest::addColumn<bool>("auth");
        QTest::addColumn<QString>("user");
        QTest::addColumn<QString>("password");
        QTest::addColumn<QString>("confirm");
        QTest::addColumn<QStringList>("expected"); // proxy_on ... auth_1

        const ProxySettings old{true, "old", "8080", true, "olduser", "oldpass"};
        QTest::newRow("direct") << old << false << false << ""
                                << ""
                                << "" << QStringList{"0", "", "", "1", ""};
        QTest::newRow("proxy without authorisation")
            << ProxySettings{} << true << false << ""
            << ""
            << "" << QStringList{"1", "proxy.local", "3128", "0", ""};
        QTest::newRow("proxy with authorisation")
            << ProxySettings{} << true << true << " alice "
            << "s3cr€t"
            << "s3cr€t" << QStringList{"1", "proxy.local", "3128", "1", "alice"};
    }
    void ok()
    {
        QFETCH(ProxySettings, before);
        QFETCH(bool, useProxy);
        QFETCH(bool, auth);
        QFETCH(QString, user);
        QFETCH(QString, password);
        QFETCH(QString, confirm);
        QFETCH(QStringList, expected);

        frmProxy dialog(path_);
        dialog.setChoice(before);
        dialog.optProxy[useProxy ? 1 : 0]->setChecked(true);
        dialog.txtServer->setText(QStringLiteral("proxy.local"));
        dialog.txtPort->setText(QStringLiteral("3128"));
        dialog.chkSpecAuth->setChecked(auth);
        dialog.txtUser->setText(user);
        dialog.txtPass[0]->setText(password);
        dialog.txtPass[1]->setText(confirm);
        dialog.Command2->click();

        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QVERIFY(MessageBox::shownBoxes().isEmpty());
        const QStringList written{stored("proxy_on"), stored("proxy_server"), stored("proxy_port"),
                                  stored("auth_on"), stored("auth_1")};
        QCOMPARE(written, expected);
        QCOMPARE(dialog.choice().useProxy, useProxy);
        QCOMPARE(dialog.choice().server, expected[1]);
        QCOMPARE(dialog.choice().user, expected[4]);
        if (auth) {
            QCOMPARE(dialog.choice().password, password);
            QCOMPARE(common::unscramblePassword(stored("auth_2"), stored("auth_1")), password);
        } else {
            QVERIFY(dialog.choice().password.isEmpty());
            QVERIFY(hasKey("auth_2"));
            QCOMPARE(stored("auth_2"), QString());
        }
    }

    void refusedPassword_data()
    {
        QTest::addColumn<QString>("password");
        QTest::addColumn<QString>("confirm");
        QTest::addColumn<QString>("title");
        QTest::newRow("empty") << ""
                               << ""
                               << "Mismatched or empty password";
        QTest::newRow("mismatched") << "one"
                                    << "two"
                                    << "Mismatched or empty password";
        QTest::newRow("too long") << QString(120, u'я') << QString(120, u'я')
                                  << "Password too long";
    }
    void refusedPassword()
    {
        QFETCH(QString, password);
        QFETCH(QString, confirm);
        QFETCH(QString, title);

        frmProxy dialog(path_);
        dialog.optProxy[1]->setChecked(true);
        dialog.chkSpecAuth->setChecked(true);
        dialog.txtUser->setText(QStringLiteral("bob"));
        dialog.txtPass[0]->setText(password);
        dialog.txtPass[1]->setText(confirm);
        dialog.Command2->click();

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
        dialog.optProxy[1]->setChecked(true);
        dialog.txtServer->setText(QStringLiteral("p"));
        dialog.Command2->click();
        QCOMPARE(stored("proxy_on"), QStringLiteral("0"));
        QCOMPARE(stored("proxy_server"), QStringLiteral("p"));
        QVERIFY(dialog.choice().useProxy);
    }

    void cancelWritesNothing()
    {
        frmProxy dialog(path_);
        dialog.optProxy[1]->setChecked(true);
        dialog.txtServer->setText(QStringLiteral("p"));
        dialog.Command1->click();
        QVERIFY(!QFile::exists(path_));
        QCOMPARE(dialog.result(), int(QDialog::Rejected));
    }

    void controlsFollowChoices()
    {
        frmProxy dialog(path_);
        dialog.setChoice({true, "p", "1", true, "bob", "pw"});
        QVERIFY(dialog.Frame1->isEnabled());
        QCOMPARE(dialog.txtPass[0]->text(), QStringLiteral("pw"));
        dialog.chkSpecAuth->setChecked(false);
        QVERIFY(!dialog.txtUser->isEnabled());
        QVERIFY(dialog.txtUser->text().isEmpty());
        QVERIFY(dialog.txtPass[0]->text().isEmpty());
        dialog.chkSpecAuth->setChecked(true);
        QVERIFY(dialog.txtPass[1]->isEnabled());
        dialog.optProxy[0]->setChecked(true);
        QVERIFY(!dialog.Frame1->isEnabled());
    }

    void focusWarnings_data()
    {
        QTest::addColumn<QString>("user");
        QTest::addColumn<QString>("password");
        QTest::addColumn<int>("entered");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("focusTo");
        QTest::newRow("password without user") << ""
                                               << "" << 0 << "No Username"
                                               << "txtUser";
        QTest::newRow("confirmation without password") << "bob"
                                                       << "" << 1 << "No Password"
                                                       << "txtPass_0";
        QTest::newRow("user given") << "bob"
                                    << "" << 0 << ""
                                    << "txtPass_0";
    }
    void focusWarnings()
    {
        QFETCH(QString, user);
        QFETCH(QString, password);
        QFETCH(int, entered);
        QFETCH(QString, title);
        QFETCH(QString, focusTo);

        frmProxy dialog(path_);
        dialog.setChoice({true, "p", "1", true, user, password});
        dialog.show();
        dialog.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&dialog));
        dialog.txtPass[entered]->setFocus();
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
