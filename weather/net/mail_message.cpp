#include "weather/net/mail_message.h"

#include <QLocale>
#include <QRandomGenerator>

#include <algorithm>
#include <cstdlib>

namespace net::mail {

namespace {

// RFC 5322: a line must stay under 998 octets without its CR LF.
constexpr qsizetype kMaxLine = 997;
// RFC 2045: quoted-printable lines of at most 76 characters, the soft break's "=" included.
constexpr qsizetype kQpLine = 75;
// Bytes of UTF-8 per encoded word, so "Subject: " and one word fit in 78 characters.
constexpr qsizetype kWordBytes = 39;

// The lines of `text`, split at CR LF, a lone CR or a lone LF; a line end at the very end
// starts no further line.
QList<QByteArray> splitLines(const QString& text)
{
    QList<QByteArray> lines;
    qsizetype start = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] != u'\r' && text[i] != u'\n')
            continue;
        lines.append(QStringView(text).sliced(start, i - start).toUtf8());
        if (text[i] == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n')
            ++i;
        start = i + 1;
    }
    if (start < text.size() || text.isEmpty())
        lines.append(QStringView(text).sliced(start).toUtf8());
    return lines;
}

bool isPrintableAscii(char c)
{
    return c >= 32 && c <= 126;
}

void quotedPrintable(const QByteArray& line, QList<QByteArray>& out)
{
    QByteArray current;
    for (qsizetype i = 0; i < line.size(); ++i) {
        const char c = line[i];
        const bool last = i + 1 == line.size();
        // Blanks stay but not at the end of a line, where transports may strip them; a dot
        // that would start a line is encoded, so no SMTP client or server touches it.
        const bool literal =
            (isPrintableAscii(c) && c != '=' && c != ' ') || ((c == ' ' || c == '\t') && !last);
        QByteArray piece =
            literal ? QByteArray(1, c)
                    : "=" + QByteArray::number(uchar(c), 16).toUpper().rightJustified(2, '0');
        if (current.size() + piece.size() > kQpLine) {
            out.append(current + '=');
            current.clear();
        }
        if (current.isEmpty() && piece == ".")
            piece = "=2E";
        current += piece;
    }
    out.append(current);
}

// "Name: value", as RFC 2047 encoded words on folded lines when the value is not plain ASCII
// or too long for one line.
QByteArray headerField(const QByteArray& name, const QString& value)
{
    const QByteArray utf8 = value.toUtf8();
    if (std::all_of(utf8.begin(), utf8.end(), isPrintableAscii) &&
        name.size() + 2 + utf8.size() <= 78)
        return name + ": " + utf8;
    QList<QByteArray> words;
    for (qsizetype start = 0; start < utf8.size();) {
        qsizetype end = std::min(start + kWordBytes, utf8.size());
        // A character's bytes stay in one word.
        while (end < utf8.size() && end > start + 1 && (uchar(utf8[end]) & 0xC0) == 0x80)
            --end;
        words.append("=?UTF-8?B?" + utf8.sliced(start, end - start).toBase64() + "?=");
        start = end;
    }
    return name + ": " + words.join("\r\n ");
}

QByteArray domainOf(const QString& sender)
{
    const QByteArray domain = sender.section(u'@', -1).trimmed().toUtf8();
    const bool usable = sender.contains(u'@') && !domain.isEmpty() &&
                        std::all_of(domain.begin(), domain.end(), [](char c) {
                            return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                                   (c >= '0' && c <= '9') || c == '.' || c == '-';
                        });
    return usable ? domain : QByteArray("nimbulo.invalid");
}

} // namespace

QString alarmSubject(bool endOfAlarm, const QString& station, const QString& value)
{
    return QStringLiteral("Nimbulo alarm %1: %2 %3")
        .arg(endOfAlarm ? QStringLiteral("OFF") : QStringLiteral("ON"), station, value)
        .trimmed();
}

QByteArray newMessageId(const QString& sender)
{
    const quint64 random = QRandomGenerator::system()->generate64();
    return "<nimbulo." + QByteArray::number(QDateTime::currentMSecsSinceEpoch(), 36) + '.' +
           QByteArray::number(random, 36) + '@' + domainOf(sender) + '>';
}

QByteArray date(const QDateTime& when)
{
    const int minutes = when.offsetFromUtc() / 60;
    const int absolute = std::abs(minutes);
    return QLocale::c().toString(when, QStringLiteral("ddd, dd MMM yyyy hh:mm:ss ")).toLatin1() +
           (minutes < 0 ? '-' : '+') + QByteArray::number(absolute / 60).rightJustified(2, '0') +
           QByteArray::number(absolute % 60).rightJustified(2, '0');
}

TransferEncoding encodingFor(const QString& text, bool eightBitMime)
{
    bool ascii = true;
    for (const QByteArray& line : splitLines(text)) {
        if (line.size() > kMaxLine)
            return TransferEncoding::QuotedPrintable;
        for (const char c : line) {
            if (c == '\t' || isPrintableAscii(c))
                continue;
            if (uchar(c) < 0x80)
                return TransferEncoding::QuotedPrintable; // a control character
            ascii = false;
        }
    }
    if (ascii)
        return TransferEncoding::SevenBit;
    return eightBitMime ? TransferEncoding::EightBit : TransferEncoding::QuotedPrintable;
}

QList<QByteArray> headerLines(const MailMessage& message, TransferEncoding encoding)
{
    QList<QByteArray> lines{
        "From: Nimbulo <" + message.sender.toUtf8() + '>',
        "To: <" + message.recipient.toUtf8() + "> ",
        headerField("Subject", message.subject),
        "Date: " + date(message.date),
        "Message-ID: " + message.messageId,
    };
    if (!message.inReplyTo.isEmpty()) {
        lines.append("In-Reply-To: " + message.inReplyTo);
        lines.append("References: " + message.inReplyTo);
    }
    static const char* const names[] = {"7bit", "8bit", "quoted-printable"};
    lines += {"MIME-Version: 1.0", "Content-Type: text/plain; charset=UTF-8",
              QByteArray("Content-Transfer-Encoding: ") + names[int(encoding)], QByteArray()};
    return lines;
}

QList<QByteArray> bodyLines(const QString& text, TransferEncoding encoding)
{
    QList<QByteArray> lines = splitLines(text);
    if (encoding != TransferEncoding::QuotedPrintable)
        return lines;
    QList<QByteArray> encoded;
    for (const QByteArray& line : lines)
        quotedPrintable(line, encoded);
    return encoded;
}

QByteArray wholeMessage(const MailMessage& message, bool eightBitMime)
{
    const TransferEncoding encoding = encodingFor(message.text, eightBitMime);
    QByteArray whole;
    for (const QList<QByteArray>& part :
         {headerLines(message, encoding), bodyLines(message.text, encoding)}) {
        for (const QByteArray& line : part)
            whole += line + "\r\n";
    }
    return whole;
}

} // namespace net::mail
