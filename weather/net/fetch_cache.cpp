#include "weather/net/fetch_cache.h"

#include "platform/save_file.h"

#include <QDataStream>
#include <QFile>
#include <QtEndian>

#include <zlib.h>

namespace net {
namespace {

// "NFC2": the checksum became a CRC-32; a file of the first form reads as damaged (refetched).
constexpr quint32 kMagic = 0x4e464332;
constexpr qsizetype kDigestBytes = 4;

// A CRC-32 finds what a cut or damaged file looks like and costs a fraction of a cryptographic
// digest: the file is checked at every scan and every print, and only its owner can write it.
QByteArray digestOf(QByteArrayView bytes)
{
    const auto crc =
        quint32(crc32_z(0, reinterpret_cast<const Bytef*>(bytes.data()), size_t(bytes.size())));
    QByteArray digest(kDigestBytes, Qt::Uninitialized);
    qToBigEndian(crc, digest.data());
    return digest;
}

} // namespace

FetchCache::FetchCache(QString path) : path_(std::move(path)) {}

std::optional<CachedProduct> FetchCache::find(const QString& url)
{
    load();
    const auto it = entries_.constFind(url);
    if (it == entries_.constEnd())
        return std::nullopt;
    return *it;
}

void FetchCache::store(const QString& url, const CachedProduct& product)
{
    load();
    order_.removeOne(url);
    entries_.remove(url);
    if (product.body.size() <= kMaxEntryBytes && product.validators.any()) {
        entries_.insert(url, product);
        order_.append(url);
    }
    qsizetype total = 0;
    for (const CachedProduct& p : std::as_const(entries_))
        total += p.body.size();
    while (total > kMaxBytes && !order_.isEmpty()) {
        total -= entries_.take(order_.takeFirst()).body.size();
    }
    save();
}

void FetchCache::drop(const QString& url)
{
    load();
    if (entries_.remove(url) == 0)
        return;
    order_.removeOne(url);
    save();
}

void FetchCache::release()
{
    if (path_.isEmpty())
        return;
    loaded_ = false;
    entries_ = {};
    order_ = {};
}

void FetchCache::load()
{
    if (loaded_)
        return;
    loaded_ = true;
    QFile file(path_);
    if (path_.isEmpty() || file.size() > kMaxBytes + 1024 * 1024 || !file.open(QIODevice::ReadOnly))
        return;
    const QByteArray bytes = file.readAll();
    // The digest of everything before it ends the file: anything cut or changed reads as empty.
    if (bytes.size() < kDigestBytes ||
        digestOf(QByteArrayView(bytes).chopped(kDigestBytes)) != bytes.right(kDigestBytes))
        return;
    // Read in place: a product is half a megabyte, and a copy of it is one more peak.
    QDataStream in(QByteArray::fromRawData(bytes.constData(), bytes.size() - kDigestBytes));
    quint32 magic = 0;
    qint32 count = 0;
    in >> magic >> count;
    if (magic != kMagic || count < 0)
        return;
    QHash<QString, CachedProduct> entries;
    QStringList order;
    for (qint32 i = 0; i < count && in.status() == QDataStream::Ok; ++i) {
        QString url;
        CachedProduct p;
        in >> url >> p.validators.etag >> p.validators.lastModified >> p.validators.fileTime >>
            p.body;
        p.body.squeeze(); // the stream grows the body in steps past its size
        entries.insert(url, p);
        order.append(url);
    }
    if (in.status() != QDataStream::Ok || !in.atEnd())
        return;
    entries_ = std::move(entries);
    order_ = std::move(order);
}

void FetchCache::save()
{
    if (path_.isEmpty())
        return;
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    out << kMagic << qint32(order_.size());
    for (const QString& url : std::as_const(order_)) {
        const CachedProduct& p = entries_[url];
        out << url << p.validators.etag << p.validators.lastModified << p.validators.fileTime
            << p.body;
    }
    bytes += digestOf(bytes);
    platform::saveFileAtomically(path_, bytes);
}

} // namespace net
