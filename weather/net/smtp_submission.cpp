#include "weather/net/smtp_submission.h"

#include "weather/net/error_log.h"
#include "weather/net/frm_inet.h"

namespace net {

namespace {

QString serverUrl(const MailAccount& account)
{
    const QString host = account.server.host.trimmed();
    return (account.security == MailSecurity::Tls ? QStringLiteral("smtps://")
                                                  : QStringLiteral("smtp://")) +
           (host.contains(u':') ? u'[' + host + u']' : host) + u':' +
           account.server.port.trimmed() + u'/';
}

} // namespace

QString defaultMailPort(MailSecurity security)
{
    switch (security) {
    case MailSecurity::StartTls:
        return QStringLiteral("587");
    case MailSecurity::Tls:
        return QStringLiteral("465");
    case MailSecurity::Plain:
        break;
    }
    return QStringLiteral("25");
}

SmtpSubmission::SmtpSubmission(ErrorLog& log, QObject* parent)
    : QObject(parent), log_(log), transfer_(this)
{
    connect(&transfer_, &CurlTransfer::finished, this, [this] {
        const TransferResult& result = transfer_.result();
        const bool accepted = result.code == CURLE_OK;
        done(accepted, accepted ? result.lastReply : failureText(result, result.lastReply));
    });
}

void SmtpSubmission::send(const MailAccount& account, const MailMessage& message)
{
    queue_.push_back({account, message});
    startNext();
}

void SmtpSubmission::abandon()
{
    queue_.clear();
    busy_ = false;
    transfer_.abort();
}

void SmtpSubmission::startNext()
{
    if (busy_ || queue_.empty())
        return;
    const Job job = queue_.front();
    queue_.pop_front();
    busy_ = true;
    const quint64 number = ++jobNumber_;
    if (!smtp::addressAcceptable(job.message.sender) ||
        !smtp::addressAcceptable(job.message.recipient)) {
        // From the event loop, as a sent mail's end comes; not to a mail started since.
        QMetaObject::invokeMethod(
            this,
            [this, number] {
                if (number == jobNumber_)
                    done(false, QString::fromLatin1(smtp::kInvalidAddress));
            },
            Qt::QueuedConnection);
        return;
    }
    CurlTransfer::Options options;
    options.url = serverUrl(job.account);
    options.fetchLimitMs = limits_.totalMs;
    options.receiveLimitMs = limits_.replyMs;
    options.mail =
        MailSubmission{job.message, job.account.user, job.account.password, limits_.connectMs};
    transfer_.start(options);
}

void SmtpSubmission::done(bool accepted, const QString& answer)
{
    if (!busy_)
        return; // abandoned
    busy_ = false;
    if (!accepted)
        log_.writeTxt(smtp::errorEntry(answer, QDateTime::currentDateTime(), QLocale::system()));
    Q_EMIT finished(accepted, answer);
    startNext();
}

QString SmtpSubmission::failureText(const TransferResult& result, const QString& lastReply)
{
    QString text;
    switch (result.code) {
    case CURLE_LOGIN_DENIED:
        text = QStringLiteral("The server refused the login");
        break;
    case CURLE_USE_SSL_FAILED:
        text = QStringLiteral("The server offers no STARTTLS, so the mail was not sent");
        break;
    case CURLE_PEER_FAILED_VERIFICATION:
        text = QStringLiteral("The server's certificate is not trusted: ") +
               frmInet::certificateProblem(result);
        break;
    case CURLE_SSL_CONNECT_ERROR:
        text = QStringLiteral("The encrypted connection failed: ") + result.detail;
        break;
    case CURLE_COULDNT_RESOLVE_HOST:
        text = QStringLiteral("No Connection: the server's name is not known");
        break;
    case CURLE_COULDNT_CONNECT:
        text = QStringLiteral("No Connection: ") + result.detail;
        break;
    case CURLE_OPERATION_TIMEDOUT:
        text = QStringLiteral("The server did not answer in time");
        break;
    default:
        text = result.status >= 400
                   ? QStringLiteral("The server refused the mail")
                   : QStringLiteral("The mail could not be sent: ") + result.detail;
    }
    if (!lastReply.isEmpty())
        text += QStringLiteral(" (server: ") + lastReply + u')';
    return text;
}

} // namespace net
