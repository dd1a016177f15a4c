#include "weather/net/smtp_submission.h"

#include "weather/net/curl_transfer.h"
#include "weather/net/error_log.h"
#include "weather/net/frm_inet.h"

#include <QRegularExpression>

#include <algorithm>
#include <cstring>
#include <memory>

namespace net {

namespace {

// A reply line kept for the log: control characters blanked, the length bounded.
constexpr qsizetype kReplyShown = 300;

// What one mail's dialogue leaves behind, touched only on the worker thread while it runs.
struct Dialogue
{
    MailMessage message;
    QByteArray from;
    QByteArray user;
    QByteArray password;
    curl_slist* recipients = nullptr;
    QByteArray bytes; // the message, made when libcurl first asks for it
    bool built = false;
    qsizetype sent = 0;
    bool eightBitMime = false;
    bool quitSent = false;
    QString answer; // the server's last reply line before QUIT

    Dialogue() = default;
    Dialogue(const Dialogue&) = delete;
    Dialogue& operator=(const Dialogue&) = delete;
    ~Dialogue() { curl_slist_free_all(recipients); }
};

QString shownReply(QByteArrayView line)
{
    QString text = QString::fromUtf8(line.first(std::min(line.size(), kReplyShown))).trimmed();
    for (QChar& c : text) {
        if (c.unicode() < 0x20 || c.unicode() == 0x7F)
            c = u' ';
    }
    return text;
}

// The server's reply lines and our commands, as libcurl traces them: the answer before QUIT is
// kept, and 8BITMIME noted from the EHLO reply (asked again after STARTTLS).
int onTrace(CURL*, curl_infotype type, char* data, size_t size, void* self)
{
    auto* d = static_cast<Dialogue*>(self);
    const QByteArrayView line = QByteArrayView(data, qsizetype(size)).trimmed();
    static const QRegularExpression eightBit(QStringLiteral("^250[- ]8BITMIME\\b"),
                                             QRegularExpression::CaseInsensitiveOption);
    if (type == CURLINFO_HEADER_IN && !line.isEmpty()) {
        if (!d->quitSent)
            d->answer = shownReply(line);
        if (eightBit.match(QString::fromLatin1(line.first(std::min<qsizetype>(line.size(), 16))))
                .hasMatch())
            d->eightBitMime = true;
    } else if (type == CURLINFO_HEADER_OUT) {
        if (line.startsWith("EHLO"))
            d->eightBitMime = false;
        else if (line == "QUIT")
            d->quitSent = true;
    }
    return 0;
}

size_t onRead(char* buffer, size_t size, size_t count, void* self)
{
    auto* d = static_cast<Dialogue*>(self);
    if (!d->built) {
        d->bytes = mail::wholeMessage(d->message, d->eightBitMime);
        d->built = true;
    }
    const size_t n = std::min(size * count, size_t(d->bytes.size() - d->sent));
    std::memcpy(buffer, d->bytes.constData() + d->sent, n);
    d->sent += qsizetype(n);
    return n;
}

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

SmtpSubmission::SmtpSubmission(ErrorLog& log, QObject* parent) : QObject(parent), log_(log) {}

SmtpSubmission::~SmtpSubmission()
{
    if (!worker_)
        return;
    // Removing a running transfer closes its connection without waiting for any answer.
    QMetaObject::invokeMethod(
        worker_, [w = worker_] { delete w; }, Qt::BlockingQueuedConnection);
    thread_.quit();
    thread_.wait();
}

void SmtpSubmission::send(const MailAccount& account, const MailMessage& message)
{
    queue_.push_back({account, message});
    startNext();
}

void SmtpSubmission::abandon()
{
    queue_.clear();
    if (busy_) {
        busy_ = false;
        QMetaObject::invokeMethod(worker_, [t = transfer_] { t->abort(); });
    }
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
        QMetaObject::invokeMethod(
            this,
            [this, number] { done(number, false, QString::fromLatin1(smtp::kInvalidAddress)); },
            Qt::QueuedConnection);
        return;
    }
    if (!worker_) {
        thread_.setObjectName(QStringLiteral("mail submission"));
        thread_.start();
        worker_ = new QObject;
        worker_->moveToThread(&thread_);
        // The transfer's timers and notifiers belong to the thread that creates it.
        QMetaObject::invokeMethod(
            worker_, [this] { transfer_ = new CurlTransfer(worker_); },
            Qt::BlockingQueuedConnection);
    }

    auto d = std::make_shared<Dialogue>();
    d->message = job.message;
    d->from = '<' + job.message.sender.toUtf8() + '>';
    d->recipients =
        curl_slist_append(nullptr, ('<' + job.message.recipient.toUtf8() + '>').constData());
    d->user = job.account.user.toUtf8();
    d->password = job.account.password.toUtf8();

    CurlTransfer::Options options;
    options.url = serverUrl(job.account);
    options.fetchLimitMs = limits_.totalMs;
    options.receiveLimitMs = limits_.replyMs;
    const SubmissionLimits limits = limits_;
    options.setUp = [d, limits](CURL* e) {
        curl_easy_setopt(e, CURLOPT_PROTOCOLS_STR, "smtp,smtps");
        curl_easy_setopt(e, CURLOPT_USE_SSL, long(CURLUSESSL_ALL));
        curl_easy_setopt(e, CURLOPT_MAIL_FROM, d->from.constData());
        curl_easy_setopt(e, CURLOPT_MAIL_RCPT, d->recipients);
        if (!d->user.isEmpty()) {
            curl_easy_setopt(e, CURLOPT_USERNAME, d->user.constData());
            curl_easy_setopt(e, CURLOPT_PASSWORD, d->password.constData());
        }
        d->built = false;
        d->sent = 0;
        curl_easy_setopt(e, CURLOPT_UPLOAD, 1L);
        curl_easy_setopt(e, CURLOPT_READFUNCTION, &onRead);
        curl_easy_setopt(e, CURLOPT_READDATA, d.get());
        curl_easy_setopt(e, CURLOPT_VERBOSE, 1L);
        curl_easy_setopt(e, CURLOPT_DEBUGFUNCTION, &onTrace);
        curl_easy_setopt(e, CURLOPT_DEBUGDATA, d.get());
        curl_easy_setopt(e, CURLOPT_CONNECTTIMEOUT_MS, long(limits.connectMs));
        // Bounds the QUIT that libcurl awaits in a blocking poll when it closes the connection,
        // which it does at once: nothing is left open between mails.
        curl_easy_setopt(e, CURLOPT_SERVER_RESPONSE_TIMEOUT,
                         long(std::max(1, limits.replyMs / 1000)));
        curl_easy_setopt(e, CURLOPT_FORBID_REUSE, 1L);
    };

    QMetaObject::invokeMethod(worker_, [this, t = transfer_, options, d, number] {
        QObject::disconnect(t, &CurlTransfer::finished, nullptr, nullptr);
        connect(t, &CurlTransfer::finished, t, [this, t, d, number] {
            const TransferResult& result = t->result();
            const bool accepted = result.code == CURLE_OK;
            const QString answer = accepted ? d->answer : failureText(result, d->answer);
            QMetaObject::invokeMethod(
                this, [this, number, accepted, answer] { done(number, accepted, answer); },
                Qt::QueuedConnection);
        });
        t->start(options);
    });
}

void SmtpSubmission::done(quint64 number, bool accepted, const QString& answer)
{
    if (!busy_ || number != jobNumber_)
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
