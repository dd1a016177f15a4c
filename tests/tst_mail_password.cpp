// The mail password's keeping: in a real Secret Service (gnome-keyring on a private session bus)
// when one answers, else scrambled in the owner-only settings file.

#include "private_bus.h"
#include "weather/config/mail_password.h"
#include "weather/config/settings.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

namespace {

// gnome-keyring's Secret Service with an unlocked login keyring, on a session bus of the test's
// own.
class PrivateSecretService
{
public:
    ~PrivateSecretService() { stopKeyring(); }
    bool busUp() const { return bus_.up(); }

    // Starts gnome-keyring's secrets component, its keyrings in the test's folder.
    bool startKeyring()
    {
        if (QStandardPaths::findExecutable(QStringLiteral("gnome-keyring-daemon")).isEmpty())
            return false;
        QDir(dir_.path()).mkpath(QStringLiteral("runtime"));
        QFile::setPermissions(dir_.filePath(QStringLiteral("runtime")),
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("HOME"), dir_.path());
        env.insert(QStringLiteral("XDG_DATA_HOME"), dir_.filePath(QStringLiteral("data")));
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), dir_.filePath(QStringLiteral("runtime")));
        keyring_.setProcessEnvironment(env);
        keyring_.start(QStringLiteral("gnome-keyring-daemon"),
                       {QStringLiteral("--foreground"), QStringLiteral("--unlock"),
                        QStringLiteral("--components=secrets")});
        if (!keyring_.waitForStarted())
            return false;
        keyring_.write("test password"); // the login keyring's, read from standard input
        keyring_.closeWriteChannel();
        return PrivateSessionBus::waitForService(QStringLiteral("org.freedesktop.secrets"));
    }
    void stopKeyring()
    {
        if (keyring_.state() == QProcess::NotRunning)
            return;
        keyring_.terminate();
        if (!keyring_.waitForFinished(5000)) {
            keyring_.kill();
            keyring_.waitForFinished();
        }
    }

private:
    PrivateSessionBus bus_; // first made, last ended
    QTemporaryDir dir_;
    QProcess keyring_;
};

} // namespace

class TestMailPassword : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { QVERIFY(service_.busUp()); }

    // The password goes where it can be kept and comes back from there. Without a secret
    // store it is scrambled in the settings file, which is readable by its owner only and stays
    // so when other settings are written.
    void passwordKept_data()
    {
        QTest::addColumn<bool>("secretService");
        QTest::newRow("Secret Service") << true;
        QTest::newRow("no secret store") << false; // after the row above: the service ends
    }
    void passwordKept()
    {
        QFETCH(bool, secretService);
        if (secretService && !service_.startKeyring())
            QSKIP("gnome-keyring-daemon cannot run here");
        if (!secretService)
            service_.stopKeyring();
        QTemporaryDir dir;
        const config::SettingsFile file(dir.filePath(QStringLiteral("wsetting.ini")));
        const QString password = QStringLiteral("pä ss \"w0rd\"");
        config::MailPasswordStore store(file);
        QCOMPARE(store.place(), config::PasswordPlace::None);

        std::optional<config::PasswordPlace> place;
        store.write(QStringLiteral("me"), QStringLiteral("mail.example.com"), password,
                    [&place](config::PasswordPlace p) { place = p; });
        QTRY_VERIFY_WITH_TIMEOUT(place.has_value(), 15000);
        const config::PasswordPlace expected = secretService ? config::PasswordPlace::SecretStore
                                                             : config::PasswordPlace::SettingsFile;
        QCOMPARE(*place, expected);
        QCOMPARE(store.place(), expected);
        const QString stored = file.raw(QStringLiteral("mail_pass"));
        QCOMPARE(stored.isEmpty(), secretService);
        QVERIFY(!stored.contains(QStringLiteral("pä")));
        file.write(QStringLiteral("mail_user"), QStringLiteral("me"));
        const QFile::Permissions others =
            QFile::ReadGroup | QFile::WriteGroup | QFile::ReadOther | QFile::WriteOther;
        if (!secretService)
            QCOMPARE(QFile::permissions(file.path()) & others, QFile::Permissions());

        std::optional<QString> read;
        config::MailPasswordStore reader(file);
        reader.read(QStringLiteral("me"), QStringLiteral("mail.example.com"),
                    [&read](const QString& p) { read = p; });
        QTRY_VERIFY_WITH_TIMEOUT(read.has_value(), 15000);
        QCOMPARE(*read, password);
    }

private:
    PrivateSecretService service_;
};

QTEST_MAIN(TestMailPassword)
#include "tst_mail_password.moc"
