// HTTP response handling: the response decoded as it arrives in two pieces, where its body
// starts, its status and the scheme of Proxy-Authenticate.

#include "fuzz_support.h"
#include "weather/net/page_fetcher.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArray response = fuzz::bytes(data, size);
    net::PageText text;
    const qsizetype half = response.size() / 2;
    text.append(QByteArrayView(response).first(half));
    (void)text.contains(QStringLiteral("</table>"));
    text.append(QByteArrayView(response).sliced(half));
    const QString& page = text.finish(response);
    const qsizetype body = net::bodyStart(page);
    const QString head = body < 0 ? page : page.first(body);
    (void)net::httpStatus(head);
    (void)net::proxyAuthScheme(head);
    (void)net::hostFromUrl(QString::fromUtf8(response), true);
    return 0;
}
