#pragma once

#include "weather/net/mail_message.h"
#include "weather/net/smtp_submission.h"

#include <QObject>
#include <QString>

#include <deque>

namespace config {
struct AppSettings;
}

namespace net {

class ErrorLog;

// The account the settings describe.
MailAccount accountOf(const config::AppSettings& settings);
class frmInet;

// Where the program's mails go out: the account's way chooses the road. Plain: the program's
// own SMTP client (frmInet::MailStatsTo), which returns when the mail is dealt with, pumping
// events meanwhile. STARTTLS and TLS: SmtpSubmission, which returns at once. Either way each
// mail ends with finished(), carrying the number send() gave it, whether the server took it and
// its answer (or the failure in plain words, as logged).
class MailOutbox : public QObject
{
    Q_OBJECT
public:
    MailOutbox(frmInet& inet, ErrorLog& log, QObject* parent = nullptr);

    int send(const MailAccount& account, const MailMessage& message);
    // The program is closing: encrypted mails under way or waiting are dropped.
    void abandon() { submission_.abandon(); }
    SmtpSubmission& submission() { return submission_; }

Q_SIGNALS:
    void finished(int mail, bool accepted, const QString& answer);

private:
    frmInet& inet_;
    SmtpSubmission submission_;
    std::deque<int> mailed_;    // numbers of the plain mails not yet reported, in order
    std::deque<int> submitted_; // numbers of the mails SmtpSubmission has, in order
    int lastNumber_ = 0;
};

} // namespace net
