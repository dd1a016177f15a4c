// HTTP response handling: the response split into head and body, its status and the scheme of
// Proxy-Authenticate.

#include "fuzz_support.h"
#include "weather/net/page_fetcher.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArray response = fuzz::bytes(data, size);
    const net::ResponseParts parts = net::splitResponse(response);
    (void)net::httpStatus(parts.head);
    (void)net::proxyAuthScheme(parts.head);
    (void)net::httpStatus(QString::fromLatin1(response));
    (void)net::hostFromUrl(QString::fromUtf8(response), true);
    return 0;
}
