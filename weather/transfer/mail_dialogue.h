#pragma once

#include "weather/net/curl_transfer.h"

namespace transfer {

// One mail's SMTP dialogue as libcurl runs it: the envelope, the login, the message made when
// libcurl first asks for it (8bit only when the server's EHLO reply, asked again after
// STARTTLS, announced 8BITMIME), and the server's last reply line before QUIT, kept for the log.
class MailDialogue
{
public:
    explicit MailDialogue(const net::MailSubmission& mail);
    ~MailDialogue();
    MailDialogue(const MailDialogue&) = delete;
    MailDialogue& operator=(const MailDialogue&) = delete;

    // Sets the mail's options on `easy` (before each attempt: the message is made anew).
    void setUp(CURL* easy);
    // The server's last reply line before QUIT: control characters blanked, length bounded.
    const QString& answer() const { return answer_; }

private:
    static int onTrace(CURL*, curl_infotype type, char* data, size_t size, void* self);
    static size_t onRead(char* buffer, size_t size, size_t count, void* self);

    net::MailSubmission mail_;
    QByteArray from_;
    QByteArray user_;
    QByteArray password_;
    curl_slist* recipients_ = nullptr;
    QByteArray bytes_; // the message, made when libcurl first asks for it
    bool built_ = false;
    qsizetype sent_ = 0;
    bool eightBitMime_ = false;
    bool quitSent_ = false;
    QString answer_;
};

} // namespace transfer
