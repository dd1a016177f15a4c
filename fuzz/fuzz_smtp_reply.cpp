// SMTP reply assembly and the failure decision: a reply arriving in two pieces (cut at the first
// unit separator) is judged as it grows; the same bytes as a mail's text go out in lines that
// every server takes, dot-stuffed.

#include "fuzz_support.h"
#include "weather/net/mail_message.h"
#include "weather/net/smtp_mailer.h"

#include <algorithm>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QList<QByteArray> pieces = fuzz::fields(fuzz::bytes(data, size), 2);
    QByteArray reply;
    for (const QByteArray& piece : pieces) {
        reply += piece;
        const bool complete = net::smtp::replyComplete(reply);
        fuzz::require(!complete || reply.contains('\n'), "a complete reply has a line end");
        (void)net::smtp::replyFailed(reply);
    }
    const QString text = QString::fromUtf8(reply);
    for (const bool eightBitMime : {false, true}) {
        const net::TransferEncoding encoding = net::mail::encodingFor(text, eightBitMime);
        const bool qp = encoding == net::TransferEncoding::QuotedPrintable;
        for (const QByteArray& line : net::mail::bodyLines(text, encoding)) {
            fuzz::require(!line.contains('\r') && !line.contains('\n'), "body lines hold no break");
            fuzz::require(line.size() < 998, "body lines stay under 998 octets");
            fuzz::require(
                !qp || (line.size() <= 76 &&
                        std::all_of(line.begin(), line.end(),
                                    [](char c) { return c == '\t' || (c >= 32 && c < 127); })),
                "quoted-printable lines are short and ASCII");
            fuzz::require(net::smtp::dataLine(line) != ".", "no line ends the data early");
        }
    }
    return 0;
}
