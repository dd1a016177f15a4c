#include "weather/net/mail_outbox.h"

#include "weather/config/settings.h"
#include "weather/net/frm_inet.h"

#include <algorithm>

namespace net {

MailAccount accountOf(const config::AppSettings& s)
{
    return MailAccount{{s.mailServer, s.mailPort},
                       MailSecurity(std::clamp(s.mailSecurity, 0, 2)),
                       s.mailUser,
                       s.mailPassword};
}

MailOutbox::MailOutbox(frmInet& inet, ErrorLog& log, QObject* parent)
    : QObject(parent), inet_(inet), submission_(log)
{
    connect(&submission_, &SmtpSubmission::finished, this,
            [this](bool accepted, const QString& answer) {
                if (submitted_.empty())
                    return; // abandoned
                const int number = submitted_.front();
                submitted_.pop_front();
                Q_EMIT finished(number, accepted, answer);
            });
    connect(&inet_.mailer(), &SmtpMailer::mailDone, this, [this](bool accepted) {
        if (mailed_.empty())
            return; // sent past the outbox
        const int number = mailed_.front();
        mailed_.pop_front();
        // Reported from the event loop, so even a mail that ends inside send() is reported
        // after send() has given its number.
        QMetaObject::invokeMethod(
            this,
            [this, number, accepted, answer = inet_.mailer().lastAnswer()] {
                Q_EMIT finished(number, accepted, answer);
            },
            Qt::QueuedConnection);
    });
}

int MailOutbox::send(const MailAccount& account, const MailMessage& message)
{
    const int number = ++lastNumber_;
    if (account.security != MailSecurity::Plain) {
        if (!submission_.busy())
            submitted_.clear(); // left by an abandoned mail
        submitted_.push_back(number);
        submission_.send(account, message);
        return number;
    }
    // A mail asked for during another one's waits is sent after it, inside the first call.
    if (!inet_.mailer().busy())
        mailed_.clear(); // left by mails dropped at closing
    mailed_.push_back(number);
    inet_.MailStatsTo(account.server, message);
    return number;
}

} // namespace net
