// SMTP reply assembly and the failure decision: a reply arriving in two pieces (cut at the first
// unit separator) is judged as it grows; the message text's lines are dot-stuffed.

#include "fuzz_support.h"
#include "weather/net/smtp_mailer.h"

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
    for (const QByteArray& line : net::smtp::bodyLines(QString::fromLatin1(reply))) {
        fuzz::require(!line.contains('\r') && !line.contains('\n'), "body lines hold no break");
        fuzz::require(line != ".", "no line ends the data early");
    }
    return 0;
}
