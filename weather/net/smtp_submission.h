#pragma once

#include "weather/net/curl_transfer.h"
#include "weather/net/mail_message.h"
#include "weather/net/smtp_mailer.h"

#include <QObject>
#include <QString>

#include <deque>

namespace net {

struct TransferResult;

// How the mail reaches the user's server (setting `mail_security`).
enum class MailSecurity
{
    Plain = 0,    // the program's own SMTP client: port 25, no login, no encryption
    StartTls = 1, // submission, usually port 587: STARTTLS required, then login
    Tls = 2,      // implicit TLS, usually port 465, then login
};

// The usual port of each way.
QString defaultMailPort(MailSecurity security);

// A server and how to reach it; user and password for the encrypted ways (no login when the
// user is empty).
struct MailAccount
{
    MailServer server;
    MailSecurity security = MailSecurity::Plain;
    QString user;
    QString password;
};

// How long a submission may take.
struct SubmissionLimits
{
    int connectMs = 8000; // until the connection is made
    int replyMs = 10000;  // each reply of the server
    int totalMs = 60000;  // the whole mail
};

// Sends mails through libcurl's SMTP over TLS: STARTTLS on a plain connection (the mail fails
// when the server offers none) or TLS from the start, then AUTH with the account's user and
// password (the mechanism libcurl picks from the server's offer, PLAIN or LOGIN among them).
// The certificate is checked as for HTTPS (the system store and SSL_CERT_FILE), never skipped.
// The message is sent 8bit when the server announces 8BITMIME and the text needs it, else
// quoted-printable (mail::encodingFor).
//
// Each mail is a CurlTransfer (run in the transfer helper); nothing of it blocks the calling
// thread. Mails asked for while one is under way follow it in order. Each mail ends with
// finished(): `accepted` when the server took it, `answer` the server's answer to the end of the
// data, or the failure in plain words followed by the server's last reply line. Every failure is
// also written to the error log as a "Mail Error" entry with that text.
class SmtpSubmission : public QObject
{
    Q_OBJECT
public:
    explicit SmtpSubmission(ErrorLog& log, QObject* parent = nullptr);

    void send(const MailAccount& account, const MailMessage& message);
    // Abandons the running mail and the queue without a log entry (the program is closing).
    void abandon();
    void setLimits(const SubmissionLimits& limits) { limits_ = limits; }
    bool busy() const { return busy_; }

    // The failure of `result` in plain words, then ": " and the server's last reply line when
    // there is one.
    static QString failureText(const TransferResult& result, const QString& lastReply);

Q_SIGNALS:
    void finished(bool accepted, const QString& answer);

private:
    struct Job
    {
        MailAccount account;
        MailMessage message;
    };

    void startNext();
    void done(bool accepted, const QString& answer);

    ErrorLog& log_;
    SubmissionLimits limits_;
    std::deque<Job> queue_;
    bool busy_ = false;
    quint64 jobNumber_ = 0; // of the running mail
    CurlTransfer transfer_;
};

} // namespace net
