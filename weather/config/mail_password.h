#pragma once

#include "weather/config/settings.h"

#include <QObject>
#include <QString>

#include <functional>

namespace config {

// Where the password of the mail login is kept.
enum class PasswordPlace
{
    None,         // no password saved
    SecretStore,  // the desktop's secret store (Secret Service or KWallet, through QtKeychain)
    SettingsFile, // scrambled in the settings file (`mail_pass`), which is then owner-only
};

// The words the mail dialog shows for each place.
QString passwordPlaceText(PasswordPlace place);

// The mail password, kept in the desktop's secret store under the service "Nimbulo" and the key
// "mail <user>@<server>". Where no secret store answers (none runs, it refuses, or it is silent
// for kAnswerMs) the password goes into the settings file instead, scrambled with the user name
// as the proxy password is, and the file is made readable and writable by its owner only.
// The flag `mail_keyring` says which holds it. Both calls answer through `done` from the event
// loop, never before they return.
class MailPasswordStore : public QObject
{
    Q_OBJECT
public:
    static constexpr int kAnswerMs = 10000;

    explicit MailPasswordStore(const SettingsFile& file, QObject* parent = nullptr);

    // Where the saved password is now.
    PasswordPlace place() const;
    // The saved password ("" when none or it cannot be read).
    void read(const QString& user, const QString& server, std::function<void(QString)> done);
    // Saves `password` (an empty one removes it) and tells where it went.
    void write(const QString& user, const QString& server, const QString& password,
               std::function<void(PasswordPlace)> done);

private:
    void writeToFile(const QString& user, const QString& password);

    const SettingsFile& file_;
};

} // namespace config
