#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>

namespace net {

// One alarm mail as it goes out, on whichever road.
struct MailMessage
{
    QString sender;
    QString recipient;
    QString subject;
    QString text;         // the body, lines ending in CR LF
    QByteArray messageId; // "<...@...>"
    QByteArray inReplyTo; // the start mail's id for an end mail, so mail programs thread them
    QDateTime date;
};

// How the body travels. 7bit: ASCII lines under 998 octets. 8bit: UTF-8 lines under 998 octets,
// for a server that announced 8BITMIME. Anything else is quoted-printable (lines of at most 76
// characters, the text kept exactly).
enum class TransferEncoding
{
    SevenBit,
    EightBit,
    QuotedPrintable
};

namespace mail {

// "Nimbulo alarm ON: <station> <value>" or "Nimbulo alarm OFF: <station> <value>".
QString alarmSubject(bool endOfAlarm, const QString& station, const QString& value);

// A new, unique message id in the sender's domain ("nimbulo.invalid" without one).
QByteArray newMessageId(const QString& sender);

// The RFC 5322 date: "Fri, 07 Mar 2025 09:05:03 +1100" (English names, the zone of `when`).
QByteArray date(const QDateTime& when);

// The encoding the body `text` needs (see TransferEncoding).
TransferEncoding encodingFor(const QString& text, bool eightBitMime);

// The header lines, the last one empty. A subject that is not plain ASCII, or too long for one
// line, is written as RFC 2047 encoded words on folded lines.
QList<QByteArray> headerLines(const MailMessage& message, TransferEncoding encoding);

// The body in `encoding`, one entry per line without its line end. Line ends are CR LF, a lone
// CR or a lone LF, as the composer or a feed may leave them.
QList<QByteArray> bodyLines(const QString& text, TransferEncoding encoding);

// The whole message for a client that does the SMTP dot-stuffing itself: the header lines and
// the body lines, each ending in CR LF.
QByteArray wholeMessage(const MailMessage& message, bool eightBitMime);

} // namespace mail
} // namespace net
