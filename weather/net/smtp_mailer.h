#pragma once

#include "weather/net/mail_message.h"

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QLocale>
#include <QObject>
#include <QString>

#include <deque>
#include <functional>

namespace platform {
class SocketControl;
}

namespace net {

class ErrorLog;

// The user's SMTP server: host name or address, and the port as typed.
struct MailServer
{
    QString host;
    QString port;
};

// How long each step of a mail may take. An expired wait fails the mail.
struct SmtpLimits
{
    int connectMs = 8000;  // until the connection is made
    int greetingMs = 5000; // until the greeting starts to arrive (then a reply wait follows)
    int replyMs = 10000;   // a reply to a command
    int sendMs = 5000;     // until one piece sent has been handed to the network
};

// The texts and rules of the mail dialogue.
namespace smtp {

// A reply has fully arrived: it holds a line end and its last complete line is not a
// continuation line ("250-..."), so a reply split over several arrivals, or one of several
// lines, is read whole.
bool replyComplete(const QByteArray& reply);

// The judgement of a reply: true (a failure) unless it holds both CR and LF and its first three
// characters, blanks around them removed, are digits forming a number below 400.
bool replyFailed(const QByteArray& reply);

// A line of the message as the dialogue sends it after DATA: a line that is exactly "." becomes
// "_"; any other line beginning with "." gets a second "." in front (RFC 5321 4.5.2: the server
// removes it again, so the reader sees the line unchanged).
QByteArray dataLine(QByteArray line);

// An address can go into "MAIL FROM:", "RCPT TO:" and the headers as it is: it holds no CR or
// LF, which would end the line and let the rest pass for commands or header lines of its own.
bool addressAcceptable(const QString& address);

// The logged detail of a mail refused for an address that is not acceptable.
inline constexpr char kInvalidAddress[] = "Invalid e-mail address";

// "Mail Error: " + short date + " " + long time + CR LF + "Error: " + detail.
QString errorEntry(const QString& detail, const QDateTime& now, const QLocale& locale);

} // namespace smtp

// Sends the program's alarm mails over one socket element, talking SMTP itself: HELO,
// MAIL FROM, RCPT TO, DATA, the header lines, the message lines, the end-of-data dot, QUIT.
// HELO learns nothing of the server's extensions, so a body that is not plain ASCII goes
// quoted-printable (mail::encodingFor without 8BITMIME).
// A mail whose sender or recipient is not addressAcceptable() is not sent: no connection is made
// and kInvalidAddress is logged as the detail. No authentication, no encryption, no retry: a
// failed step closes the connection and writes
// "Mail Error: <date> <time>" CR LF "Error: " + the server's reply (or "No Connection") to the
// error log, and the mail is dropped.
//
// Every wait pumps events, so the user interface and a page fetch go on meanwhile, and every
// wait is bounded by SmtpLimits. The server's answer to DATA is waited for as well (a refusal
// fails the mail; reading it also keeps it from being taken for the end-of-data reply). A socket
// error ends the current wait at once and shows up as a missing reply. A mail asked for while
// one is being sent (from an event handled during its waits) is sent right after it, so the
// running dialogue keeps its socket. When `giveUp` turns true (the program is closing) the
// current mail is abandoned without a log entry and the queue is dropped.
class SmtpMailer : public QObject
{
    Q_OBJECT
public:
    // `socket` gives a freshly loaded socket element for each mail.
    using SocketSource = std::function<platform::SocketControl&()>;

    SmtpMailer(SocketSource socket, ErrorLog& log, std::function<bool()> giveUp,
               QObject* parent = nullptr);
    ~SmtpMailer() override;

    void send(const MailServer& server, const MailMessage& message);
    void setLimits(const SmtpLimits& limits) { limits_ = limits; }

    // A mail is being sent.
    bool busy() const { return busy_; }
    // The server's answer to the last mail's end of data, or the detail logged for its failure.
    const QString& lastAnswer() const { return lastAnswer_; }

    // Waits for a complete reply, at most SmtpLimits::replyMs; true when the reply was a
    // failure or did not come whole (a reply ends only at a line that is not a continuation).
    bool waitReply();

Q_SIGNALS:
    // One mail's dialogue ended; `accepted` when the server took the message.
    void mailDone(bool accepted);

private:
    struct Mail
    {
        MailServer server;
        MailMessage message;
    };

    bool transact(const Mail& mail);
    bool command(const QByteArray& line);
    bool sendPiece(const QByteArray& bytes);
    bool connected() const;
    void fail(const QString& detail);
    void fail(const QByteArray& reply);

    SocketSource socketSource_;
    ErrorLog& log_;
    std::function<bool()> giveUp_;
    SmtpLimits limits_;
    platform::SocketControl* socket_ = nullptr;
    std::deque<Mail> queue_;
    bool busy_ = false;
    QString lastAnswer_;
    // Everything received since it was last cleared, in arrival order (bounded in size).
    QByteArray smtpReply;
    // The last piece sent has been handed to the network.
    bool smtpSent = false;
};

} // namespace net
