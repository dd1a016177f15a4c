#include "weather/net/page_fetcher.h"

#include "common/base64.h"
#include "common/text_codec.h"
#include "weather/config/settings.h"

#include <algorithm>

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

QString fetch_text::certificateNotTrusted(const QString& host, const QString& reason)
{
    return QStringLiteral("The certificate of ") + host + QStringLiteral(" is not trusted: ") +
           reason + QLatin1Char('.');
}

QString fetch_text::couldNotConnect(const QString& host, const QString& reason)
{
    return QStringLiteral("Could not connect to ") + host + QStringLiteral(" (") + reason +
           QStringLiteral(").");
}

QString fetch_text::unknownHost(const QString& host)
{
    return QStringLiteral("Could not find ") + host + QStringLiteral(" (unknown host name).");
}

QString fetch_text::handshakeFailed(const QString& host, const QString& detail)
{
    return QStringLiteral("The secure connection (TLS handshake) to ") + host +
           QStringLiteral(" failed.\r\n") + detail;
}

QString fetch_text::notFound(const QString& url)
{
    return QStringLiteral("Page not found (HTTP 404) at URL\r\n") + url;
}

QString fetch_text::serverBusy(int status, const QString& url, const QString& resumeAt)
{
    QString text = QStringLiteral("The server is busy (HTTP %1) at URL\r\n").arg(status) + url;
    if (!resumeAt.isEmpty())
        text += QStringLiteral("\r\nThe timed scans leave this address alone until ") + resumeAt +
                QLatin1Char('.');
    return text;
}

QDateTime retryAfterEnd(qint64 seconds, const QDateTime& now)
{
    if (seconds <= 0)
        return now;
    constexpr qint64 kLongestSeconds = 3600;
    const QDateTime nextMidnight(now.date().addDays(1), QTime(0, 0));
    return std::min(now.addSecs(std::min(seconds, kLongestSeconds)), nextMidnight);
}

QString fetch_text::otherStatus(int status, const QString& url)
{
    return QStringLiteral("HTTP error %1 at URL\r\n").arg(status) + url;
}

QString fetch_text::redirectLoop(const QString& url)
{
    return QStringLiteral("Too many redirects (more than 5) from URL\r\n") + url;
}

QString fetch_text::redirectToPlainHttp(const QString& url, const QString& target)
{
    return QStringLiteral("Redirect from https to plain http refused at URL\r\n") + url +
           QStringLiteral("\r\n = ") + target;
}

QString fetch_text::redirectRefused(const QString& url, const QString& target)
{
    return QStringLiteral("Redirect from https to another kind of address refused at URL\r\n") +
           url + QStringLiteral("\r\n = ") + target;
}

QString fetch_text::headerTooLong(const QString& url)
{
    return QStringLiteral("The server's answer has a header line over 100 KB at URL\r\n") + url;
}

QString fetch_text::notHttp(const QString& url)
{
    return QStringLiteral("The server's answer is not HTTP at URL\r\n") + url;
}

QString fetch_text::noAnswer(const QString& url)
{
    return QStringLiteral("The server closed the connection without an answer at URL\r\n") + url;
}

QString fetch_text::badAddress(const QString& url)
{
    return QStringLiteral("The address holds a space or a control character:\r\n") +
           common::printableText(url);
}

QString fetch_text::ftpRefused(const QString& url, const QString& reply)
{
    return QStringLiteral("The FTP server refused at URL\r\n") + url + QStringLiteral("\r\n") +
           reply;
}

QString fetch_text::timedOut(const QString& url)
{
    return QStringLiteral("Time-out: no complete answer within the time limit from URL\r\n") + url;
}

QString fetch_text::transferFailed(const QString& url, const QString& detail)
{
    return QStringLiteral("Transfer failed at URL\r\n") + url + QStringLiteral("\r\n") + detail;
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

bool requestableUrl(QStringView url)
{
    return std::none_of(url.begin(), url.end(),
                        [](QChar c) { return c.unicode() <= 0x20 || c.unicode() == 0x7F; });
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

qsizetype bodyStart(QStringView response)
{
    const qsizetype crLf = response.indexOf(QLatin1String("\r\n\r\n"));
    const qsizetype lf = response.indexOf(QLatin1String("\n\n"));
    if (lf >= 0 && (crLf < 0 || lf < crLf))
        return lf + 2;
    return crLf < 0 ? -1 : crLf + 4;
}

void PageText::clear()
{
    decoder_.resetState();
    text_.clear();
    scanned_ = 0;
    found_ = false;
}

void PageText::append(QByteArrayView bytes)
{
    text_ += decoder_.decode(bytes);
}

bool PageText::contains(const QString& marker)
{
    if (found_ || scanned_ == text_.size())
        return found_;
    // The new text plus enough of the old for a marker that straddles them: linear in the page.
    const qsizetype from = qMax<qsizetype>(0, scanned_ - marker.size() + 1);
    scanned_ = text_.size();
    found_ = QStringView(text_).sliced(from).contains(marker, Qt::CaseInsensitive);
    return found_;
}

QString& PageText::finish(const QByteArray& bytes)
{
    if (decoder_.hasError())
        text_ = common::fromWindows1252(bytes);
    return text_;
}

} // namespace net
