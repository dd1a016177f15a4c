#pragma once

#include <QByteArray>
#include <QString>

namespace net {

// The proxy the system names for `url` (the environment's https_proxy, http_proxy, ftp_proxy,
// all_proxy and no_proxy, or the desktop's settings as Qt's system proxy query gives them), as
// "http://host:port" (with "user:password@" when the system gives credentials); "" for a direct
// connection.
QByteArray systemProxyFor(const QString& url);

} // namespace net
