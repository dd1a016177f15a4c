#include "weather/net/system_proxy.h"

#include <QNetworkProxyFactory>
#include <QUrl>

namespace net {

namespace {

QByteArray environment(const char* lower, const char* upper)
{
    const QByteArray value = qgetenv(lower);
    return value.isEmpty() && upper ? qgetenv(upper) : value;
}

// True when `host` is listed in no_proxy: "*", the name itself, or a domain it is in.
bool bypassed(const QString& host)
{
    const QString list = QString::fromLocal8Bit(environment("no_proxy", "NO_PROXY"));
    for (QString entry : list.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        entry = entry.trimmed();
        if (entry.startsWith(QLatin1Char('.')))
            entry.remove(0, 1);
        if (entry == QLatin1String("*") || host.compare(entry, Qt::CaseInsensitive) == 0 ||
            host.endsWith(QLatin1Char('.') + entry, Qt::CaseInsensitive))
            return true;
    }
    return false;
}

} // namespace

QByteArray systemProxyFor(const QString& url)
{
    const QUrl address(url);
    const QString scheme = address.scheme().toLower();
    if (bypassed(address.host()))
        return "";
    // As curl reads them: http_proxy only in small letters (CGI programs get HTTP_PROXY from a
    // request's header), the others in either; all_proxy for any scheme without its own.
    QByteArray proxy = scheme == QLatin1String("http") ? environment("http_proxy", nullptr)
                       : scheme == QLatin1String("https")
                           ? environment("https_proxy", "HTTPS_PROXY")
                       : scheme == QLatin1String("ftp") ? environment("ftp_proxy", "FTP_PROXY")
                                                        : QByteArray();
    if (proxy.isEmpty())
        proxy = environment("all_proxy", "ALL_PROXY");
    if (!proxy.isEmpty())
        return proxy.contains("://") ? proxy : "http://" + proxy;
    // The desktop's own settings, where the system has them.
    const QList<QNetworkProxy> found =
        QNetworkProxyFactory::systemProxyForQuery(QNetworkProxyQuery(address));
    for (const QNetworkProxy& p : found) {
        if (p.type() != QNetworkProxy::HttpProxy && p.type() != QNetworkProxy::Socks5Proxy)
            continue;
        QUrl proxyUrl;
        proxyUrl.setScheme(p.type() == QNetworkProxy::HttpProxy ? QStringLiteral("http")
                                                                : QStringLiteral("socks5h"));
        proxyUrl.setHost(p.hostName());
        proxyUrl.setPort(p.port());
        proxyUrl.setUserName(p.user());
        proxyUrl.setPassword(p.password());
        return proxyUrl.toEncoded();
    }
    return "";
}

} // namespace net
