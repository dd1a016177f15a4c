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

void frmInet::MailStatsTo(const MailServer& server, const MailMessage& message)
{
    mailer().send(server, message);
}

} // namespace net
