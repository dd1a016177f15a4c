#include "weather/config/mail_password.h"

#include "common/proxy_password.h"

#include <QFile>
#include <QTimer>
#include <qt6keychain/keychain.h>

#include <memory>

namespace config {

namespace {

const QString kService = QStringLiteral("Nimbulo");

QString keyOf(const QString& user, const QString& server)
{
    return QStringLiteral("mail %1@%2").arg(user, server);
}

// Runs a keychain job, answering `done(ok)` once: when it finishes or, if it stays silent,
// after kAnswerMs (a store that waits for a prompt no one sees).
void run(QKeychain::Job* job, QObject* context, std::function<void(bool)> done)
{
    auto answered = std::make_shared<bool>(false);
    auto answer = [answered, done = std::move(done)](bool ok) {
        if (!std::exchange(*answered, true))
            done(ok);
    };
    QObject::connect(job, &QKeychain::Job::finished, context,
                     [answer](QKeychain::Job* j) { answer(j->error() == QKeychain::NoError); });
    QTimer::singleShot(MailPasswordStore::kAnswerMs, context, [answer] { answer(false); });
    job->setAutoDelete(true);
    job->start();
}

} // namespace

QString passwordPlaceText(PasswordPlace place)
{
    switch (place) {
    case PasswordPlace::SecretStore:
        return QStringLiteral("Password kept in the desktop's secret store");
    case PasswordPlace::SettingsFile:
        return QStringLiteral("No secret store found: password kept scrambled in the settings "
                              "file, readable by you only");
    case PasswordPlace::None:
        break;
    }
    return QStringLiteral("No password saved");
}

MailPasswordStore::MailPasswordStore(const SettingsFile& file, QObject* parent)
    : QObject(parent), file_(file)
{}

PasswordPlace MailPasswordStore::place() const
{
    if (file_.flag(QStringLiteral("mail_keyring")))
        return PasswordPlace::SecretStore;
    return file_.raw(QStringLiteral("mail_pass")).isEmpty() ? PasswordPlace::None
                                                            : PasswordPlace::SettingsFile;
}

void MailPasswordStore::read(const QString& user, const QString& server,
                             std::function<void(QString)> done)
{
    if (place() != PasswordPlace::SecretStore) {
        const QString password =
            common::unscramblePassword(file_.text(QStringLiteral("mail_pass")), user);
        QTimer::singleShot(0, this, [done, password] { done(password); });
        return;
    }
    auto* job = new QKeychain::ReadPasswordJob(kService);
    job->setKey(keyOf(user, server));
    run(job, this, [job, done](bool ok) { done(ok ? job->textData() : QString()); });
}

void MailPasswordStore::write(const QString& user, const QString& server, const QString& password,
                              std::function<void(PasswordPlace)> done)
{
    if (password.isEmpty()) {
        if (place() == PasswordPlace::SecretStore) {
            auto* job = new QKeychain::DeletePasswordJob(kService);
            job->setKey(keyOf(user, server));
            run(job, this, [](bool) {});
        }
        writeToFile(user, QString());
        file_.writeFlag(QStringLiteral("mail_keyring"), false);
        QTimer::singleShot(0, this, [done] { done(PasswordPlace::None); });
        return;
    }
    auto* job = new QKeychain::WritePasswordJob(kService);
    job->setKey(keyOf(user, server));
    job->setTextData(password);
    run(job, this, [this, user, password, done](bool ok) {
        if (ok) {
            writeToFile(user, QString()); // no copy stays behind in the file
            file_.writeFlag(QStringLiteral("mail_keyring"), true);
            done(PasswordPlace::SecretStore);
            return;
        }
        writeToFile(user, password);
        file_.writeFlag(QStringLiteral("mail_keyring"), false);
        done(PasswordPlace::SettingsFile);
    });
}

void MailPasswordStore::writeToFile(const QString& user, const QString& password)
{
    if (!password.isEmpty()) {
        // Owner-only before the password goes in; rewrites keep the file's mode.
        if (!QFile::exists(file_.path()))
            file_.write(QStringLiteral("mail_pass"), QString());
        QFile::setPermissions(file_.path(), QFile::ReadOwner | QFile::WriteOwner);
    }
    file_.write(QStringLiteral("mail_pass"), common::scramblePassword(password, user));
}

} // namespace config
