// frmInet's mail element: socket element 2 carries the alarm mails.

#include "weather/net/frm_inet.h"

namespace net {

SmtpMailer& frmInet::mailer()
{
    if (!mailer_) {
        mailer_ = std::make_unique<SmtpMailer>(
            [this]() -> platform::SocketControl& { return loadSocket(2); }, log_,
            [this] { return state_.appClosing; });
    }
    return *mailer_;
}

void frmInet::MailStatsTo(const MailServer& server, const QString& senderEmail,
                          const QString& RecipientEmail, const QString& msgBlock)
{
    mailer().send(server, senderEmail, RecipientEmail, msgBlock);
}

} // namespace net
