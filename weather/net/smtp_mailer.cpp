#include "weather/net/smtp_mailer.h"

#include "common/text_codec.h"
#include "platform/event_pump.h"
#include "platform/socket_control.h"
#include "weather/net/error_log.h"

#include <algorithm>

namespace net {

using platform::SocketControl;

namespace {

// A server that talks without end cannot fill the memory: a reply is judged by its start.
constexpr qsizetype kReplyLimit = 64 * 1024;

bool isContinuation(QByteArrayView line)
{
    return line.size() >= 4 && line[3] == '-' &&
           std::all_of(line.begin(), line.begin() + 3, [](char c) { return c >= '0' && c <= '9'; });
}

QByteArray withLineEnd(QByteArray line)
{
    return line.append("\r\n");
}

} // namespace

namespace smtp {

bool replyComplete(const QByteArray& reply)
{
    const qsizetype end = reply.lastIndexOf('\n');
    if (end < 0)
        return false;
    // The line feed before it, searched only when one can precede it: Qt reads a start of -1
    // as "from the end", which would find this same line feed again.
    const qsizetype start = end > 0 ? reply.lastIndexOf('\n', end - 1) + 1 : 0;
    QByteArrayView last = QByteArrayView(reply).sliced(start, end - start);
    if (last.endsWith('\r'))
        last.chop(1);
    return !isContinuation(last);
}

bool replyFailed(const QByteArray& reply)
{
    if (!reply.contains('\r') || !reply.contains('\n'))
        return true;
    QByteArrayView code = QByteArrayView(reply).first(qMin<qsizetype>(3, reply.size()));
    while (code.startsWith(' '))
        code = code.sliced(1);
    while (code.endsWith(' '))
        code.chop(1);
    if (code.isEmpty() ||
        !std::all_of(code.begin(), code.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return true;
    return code.toInt() >= 400;
}

QByteArray dataLine(QByteArray line)
{
    if (line == ".")
        return "_";
    if (line.startsWith('.'))
        line.prepend('.');
    return line;
}

bool addressAcceptable(const QString& address)
{
    return !address.contains(u'\r') && !address.contains(u'\n');
}

QString errorEntry(const QString& detail, const QDateTime& now, const QLocale& locale)
{
    return QStringLiteral("Mail Error: ") + locale.toString(now.date(), QLocale::ShortFormat) +
           QLatin1Char(' ') + locale.toString(now.time(), QLocale::LongFormat) +
           QStringLiteral("\r\nError: ") + detail;
}

} // namespace smtp

SmtpMailer::SmtpMailer(SocketSource socket, ErrorLog& log, std::function<bool()> giveUp,
                       QObject* parent)
    : QObject(parent), socketSource_(std::move(socket)), log_(log), giveUp_(std::move(giveUp))
{}

SmtpMailer::~SmtpMailer() = default;

void SmtpMailer::send(const MailServer& server, const MailMessage& message)
{
    queue_.push_back({server, message});
    if (busy_)
        return; // the running call sends it next
    busy_ = true;
    while (!queue_.empty() && !giveUp_()) {
        const Mail mail = queue_.front();
        queue_.pop_front();
        const bool accepted = transact(mail);
        Q_EMIT mailDone(accepted);
    }
    queue_.clear();
    busy_ = false;
}

bool SmtpMailer::connected() const
{
    return socket_->state() == SocketControl::State::Connected;
}

bool SmtpMailer::transact(const Mail& mail)
{
    const MailMessage& message = mail.message;
    lastAnswer_.clear();
    if (!smtp::addressAcceptable(message.sender) || !smtp::addressAcceptable(message.recipient)) {
        lastAnswer_ = QString::fromLatin1(smtp::kInvalidAddress);
        log_.writeTxt(
            smtp::errorEntry(lastAnswer_, QDateTime::currentDateTime(), QLocale::system()));
        return false;
    }
    socket_ = &socketSource_();
    connect(socket_, &SocketControl::dataArrival, this, [this](const QByteArray& data) {
        smtpReply +=
            data.first(qMin(data.size(), qMax<qsizetype>(0, kReplyLimit - smtpReply.size())));
    });
    connect(socket_, &SocketControl::sendComplete, this, [this] { smtpSent = true; });
    // A reply left over from the previous mail must not pass for this one's greeting.
    smtpReply.clear();
    smtpSent = false;
    socket_->connectTo(mail.server.host, mail.server.port);

    platform::waitFor(
        [this] {
            const SocketControl::State state = socket_->state();
            return state == SocketControl::State::Connected ||
                   state == SocketControl::State::Error || giveUp_();
        },
        limits_.connectMs);
    if (giveUp_()) {
        socket_->close();
        return false;
    }
    if (!connected()) {
        fail(QStringLiteral("No Connection"));
        return false;
    }

    platform::waitFor(
        [this] { return smtp::replyComplete(smtpReply) || !connected() || giveUp_(); },
        limits_.greetingMs);
    if (waitReply()) {
        fail(smtpReply);
        return false;
    }
    if (!command("HELO " + SocketControl::localHostName().toLatin1()))
        return false;
    platform::pumpEvents();
    if (!command("MAIL FROM:<" + message.sender.toUtf8() + '>'))
        return false;
    platform::pumpEvents();
    if (!command("RCPT TO:<" + message.recipient.toUtf8() + '>'))
        return false;
    if (!command("DATA"))
        return false;

    smtpReply.clear();
    const TransferEncoding encoding = mail::encodingFor(message.text, false);
    for (const QByteArray& line : mail::headerLines(message, encoding)) {
        if (!sendPiece(withLineEnd(line)))
            return false;
    }
    for (const QByteArray& line : mail::bodyLines(message.text, encoding)) {
        if (!sendPiece(withLineEnd(smtp::dataLine(line))))
            return false;
    }
    smtpReply.clear();
    if (!sendPiece("\r\n.\r\n"))
        return false;
    if (waitReply()) {
        fail(smtpReply);
        return false;
    }
    lastAnswer_ = QString::fromLatin1(smtpReply.trimmed());
    smtpReply.clear();
    if (sendPiece("QUIT\r\n"))
        waitReply(); // the mail is accepted whatever the answer
    socket_->close();
    return true;
}

bool SmtpMailer::command(const QByteArray& line)
{
    smtpReply.clear();
    if (!sendPiece(withLineEnd(line)))
        return false;
    if (waitReply()) {
        fail(smtpReply);
        return false;
    }
    return true;
}

bool SmtpMailer::sendPiece(const QByteArray& bytes)
{
    smtpSent = false;
    socket_->send(bytes);
    platform::waitFor([this] { return smtpSent || !connected() || giveUp_(); }, limits_.sendMs);
    if (smtpSent)
        return true;
    if (giveUp_())
        socket_->close();
    else
        fail(smtpReply);
    return false;
}

bool SmtpMailer::waitReply()
{
    platform::waitFor(
        [this] { return smtp::replyComplete(smtpReply) || !connected() || giveUp_(); },
        limits_.replyMs);
    // Only continuation lines ("220-..."): the reply never ended, whatever its code says.
    return !smtp::replyComplete(smtpReply) || smtp::replyFailed(smtpReply);
}

void SmtpMailer::fail(const QByteArray& reply)
{
    QString detail = QString::fromLatin1(reply);
    if (reply.contains('\n') && !smtp::replyComplete(reply)) {
        // Only continuation lines came (as many as the reply limit holds): the last one says it.
        detail = QString::fromLatin1(reply.trimmed().split('\n').constLast().trimmed()) +
                 QStringLiteral(" (the reply never ended)");
    }
    fail(detail);
}

void SmtpMailer::fail(const QString& detail)
{
    socket_->close();
    if (giveUp_())
        return;
    // A server's text reaches the log and the dialog without its control characters (escape
    // sequences, line breaks of a many-line reply).
    const QString shown = common::printableText(detail).trimmed();
    lastAnswer_ = shown;
    log_.writeTxt(smtp::errorEntry(shown, QDateTime::currentDateTime(), QLocale::system()));
}

} // namespace net
