#include "weather/transfer/mail_dialogue.h"

#include <QRegularExpression>

#include <algorithm>
#include <cstring>

namespace transfer {

namespace {

// A reply line kept for the log: control characters blanked, the length bounded.
constexpr qsizetype kReplyShown = 300;

QString shownReply(QByteArrayView line)
{
    QString text = QString::fromUtf8(line.first(std::min(line.size(), kReplyShown))).trimmed();
    for (QChar& c : text) {
        if (c.unicode() < 0x20 || c.unicode() == 0x7F)
            c = u' ';
    }
    return text;
}

} // namespace

MailDialogue::MailDialogue(const net::MailSubmission& mail)
    : mail_(mail), from_('<' + mail.message.sender.toUtf8() + '>'), user_(mail.user.toUtf8()),
      password_(mail.password.toUtf8())
{
    recipients_ =
        curl_slist_append(nullptr, ('<' + mail.message.recipient.toUtf8() + '>').constData());
}

MailDialogue::~MailDialogue()
{
    curl_slist_free_all(recipients_);
}

void MailDialogue::setUp(CURL* e)
{
    curl_easy_setopt(e, CURLOPT_USE_SSL, long(CURLUSESSL_ALL));
    curl_easy_setopt(e, CURLOPT_MAIL_FROM, from_.constData());
    curl_easy_setopt(e, CURLOPT_MAIL_RCPT, recipients_);
    if (!user_.isEmpty()) {
        curl_easy_setopt(e, CURLOPT_USERNAME, user_.constData());
        curl_easy_setopt(e, CURLOPT_PASSWORD, password_.constData());
    }
    built_ = false;
    sent_ = 0;
    curl_easy_setopt(e, CURLOPT_UPLOAD, 1L);
    curl_easy_setopt(e, CURLOPT_READFUNCTION, &MailDialogue::onRead);
    curl_easy_setopt(e, CURLOPT_READDATA, this);
    curl_easy_setopt(e, CURLOPT_VERBOSE, 1L);
    curl_easy_setopt(e, CURLOPT_DEBUGFUNCTION, &MailDialogue::onTrace);
    curl_easy_setopt(e, CURLOPT_DEBUGDATA, this);
    curl_easy_setopt(e, CURLOPT_CONNECTTIMEOUT_MS, long(mail_.connectMs));
}

// The server's reply lines and our commands, as libcurl traces them: the answer before QUIT is
// kept, and 8BITMIME noted from the EHLO reply (asked again after STARTTLS).
int MailDialogue::onTrace(CURL*, curl_infotype type, char* data, size_t size, void* self)
{
    auto* d = static_cast<MailDialogue*>(self);
    const QByteArrayView line = QByteArrayView(data, qsizetype(size)).trimmed();
    static const QRegularExpression eightBit(QStringLiteral("^250[- ]8BITMIME\\b"),
                                             QRegularExpression::CaseInsensitiveOption);
    if (type == CURLINFO_HEADER_IN && !line.isEmpty()) {
        if (!d->quitSent_)
            d->answer_ = shownReply(line);
        if (eightBit.match(QString::fromLatin1(line.first(std::min<qsizetype>(line.size(), 16))))
                .hasMatch())
            d->eightBitMime_ = true;
    } else if (type == CURLINFO_HEADER_OUT) {
        if (line.startsWith("EHLO"))
            d->eightBitMime_ = false;
        else if (line == "QUIT")
            d->quitSent_ = true;
    }
    return 0;
}

size_t MailDialogue::onRead(char* buffer, size_t size, size_t count, void* self)
{
    auto* d = static_cast<MailDialogue*>(self);
    if (!d->built_) {
        d->bytes_ = net::mail::wholeMessage(d->mail_.message, d->eightBitMime_);
        d->built_ = true;
    }
    const size_t n = std::min(size * count, size_t(d->bytes_.size() - d->sent_));
    std::memcpy(buffer, d->bytes_.constData() + d->sent_, n);
    d->sent_ += qsizetype(n);
    return n;
}

} // namespace transfer
