#include "weather/net/page_fetcher.h"

#include "common/base64.h"
#include "common/text_codec.h"
#include "weather/config/settings.h"

namespace net {

QString fetch_text::socketError(int number, const QString& description)
{
    return QStringLiteral("Winsock Error ") + QString::number(number) +
           QStringLiteral(" - Description") + description;
}

QString fetch_text::moved(const QString& url)
{
    return QStringLiteral("301 error at URL\r\n") + url +
           QStringLiteral("\r\n = URL has moved at BOM.\r\n"
                          "This will be rectified in next WEATHER.INI file update.");
}

QString hostFromUrl(const QString& url, bool stripWww)
{
    const qsizetype scheme = url.indexOf(QLatin1String("://"));
    qsizetype start = scheme < 0 ? 0 : scheme + 3;
    if (stripWww && url.mid(start, 4).compare(QLatin1String("www."), Qt::CaseInsensitive) == 0)
        start += 4;
    const qsizetype end = url.indexOf(QLatin1Char('/'), start);
    return url.mid(start, end < 0 ? -1 : end - start);
}

int httpStatus(const QString& response)
{
    const qsizetype space = response.indexOf(QLatin1Char(' '));
    if (space < 0 || space + 3 >= response.size())
        return 0;
    int status = 0;
    for (qsizetype i = space + 1; i <= space + 3; ++i) {
        const QChar c = response.at(i);
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return 0;
        status = status * 10 + (c.unicode() - '0');
    }
    return status;
}

QString proxyAuthScheme(const QString& response)
{
    static const QString key = QStringLiteral("\r\nProxy-Authenticate: ");
    const qsizetype at = response.indexOf(key);
    if (at < 0)
        return {};
    const qsizetype start = at + key.size();
    qsizetype end = start;
    while (end < response.size() && response.at(end) != QLatin1Char(' ') &&
           response.at(end) != QLatin1Char('\r') && response.at(end) != QLatin1Char('\n'))
        ++end;
    return response.mid(start, end - start);
}

QByteArray httpRequest(const QString& url, const common::ProxySettings& proxy)
{
    QByteArray request = "GET " + url.toUtf8() + " HTTP/1.0\r\n";
    if (proxy.useProxy && proxy.auth) {
        // "Basic" in these capitals: proxies such as tinyproxy match the scheme word exactly.
        request += "Proxy-Authorization: Basic " +
                   common::base64Encode((proxy.user + QLatin1Char(':') + proxy.password).toUtf8()) +
                   "\r\n";
    } else {
        request += "Accept: text/html\r\n";
    }
    return request + "\r\n";
}

ResponseParts splitResponse(const QByteArray& response)
{
    const qsizetype separator = response.indexOf("\r\n\r\n");
    if (separator < 0)
        return {common::decodeText(response), {}};
    const qsizetype bodyStart = separator + 4;
    return {QString::fromLatin1(response.constData(), bodyStart),
            common::decodeText(response.sliced(bodyStart))};
}

} // namespace net
