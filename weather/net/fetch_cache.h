#pragma once

#include "weather/net/curl_transfer.h"

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QStringList>
#include <QStringView>

#include <optional>

namespace net {

// The cache's file in the program folder.
inline constexpr QStringView kProductCacheFileName = u"products.cache";

// What is kept of one product: what tells whether it changed, and its last good body.
struct CachedProduct
{
    Validators validators;
    QByteArray body;
};

// The products fetched by address, kept in one file (in the program folder) between scans and
// between runs, so an unchanged product costs a conditional request instead of its bytes.
//
// The file is read at the first use and replaced atomically at each store(), readable by its
// owner only; it holds at most kMaxBytes of bodies (the least recently stored go first) and
// nothing larger than kMaxEntryBytes. A file that is missing, unreadable, cut short or damaged
// (its checksum does not match) reads as empty: the products are fetched in full again.
// A file that cannot be written leaves the cache in memory for this run.
class FetchCache
{
public:
    static constexpr qsizetype kMaxBytes = 6 * 1024 * 1024;
    static constexpr qsizetype kMaxEntryBytes = 3 * 1024 * 1024;

    // `path` empty: kept in memory only.
    explicit FetchCache(QString path = QString());

    std::optional<CachedProduct> find(const QString& url);
    void store(const QString& url, const CachedProduct& product);
    void drop(const QString& url);
    // Lets go of the bodies read or stored (a cache kept in memory only keeps them): the next
    // use reads the file again, with what another copy of the program (a print) stored since.
    void release();

private:
    void load();
    void save();

    QString path_;
    bool loaded_ = false;
    QHash<QString, CachedProduct> entries_;
    QStringList order_; // oldest store first
};

} // namespace net
