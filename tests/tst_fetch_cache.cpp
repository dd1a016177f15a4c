// Conditional fetches of products against real peers: a TLS server that answers them (and one
// that ignores them), pyftpdlib with MDTM; the kept products' file.

#include "net_peers.h"
#include "weather/net/error_log.h"
#include "weather/net/fetch_cache.h"
#include "weather/net/frm_inet.h"

#include <QtTest>

namespace {

struct Rig
{
    explicit Rig(const QString& cacheFile) { inet.setCacheFile(cacheFile); }
    net::Product fetch(const QString& url)
    {
        return inet.fetchProduct({url}, [this](const QByteArray& bytes) {
            lastRead = bytes;
            return bytes.startsWith("<product");
        });
    }
    QByteArray lastRead; // the last body the reader saw: the product's, when one is returned
    net::FetchState state;
    common::ProxySettings proxy;
    net::ErrorLog log;
    net::frmInet inet{state, proxy, log};
};

// How many whole products the peer says it has sent, as it prints them ("full …").
int sentWhole(Peer& peer, QString& seen)
{
    seen += QString::fromLatin1(peer.process.readAllStandardOutput());
    return int(seen.count(QLatin1String("full ")));
}

void writeProduct(const QString& path, const QByteArray& bytes, int age)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
    file.close();
    // Whole seconds, as MDTM and Last-Modified tell them.
    QVERIFY(file.open(QIODevice::ReadWrite) &&
            file.setFileTime(QDateTime::currentDateTimeUtc().addSecs(-age),
                             QFileDevice::FileModificationTime));
}

} // namespace

class TestFetchCache : public QObject
{
    Q_OBJECT
    TestCa ca;

private slots:
    void initTestCase()
    {
        QVERIFY(ca.ok());
        if (!pythonHas("pyftpdlib"))
            QSKIP("python3-pyftpdlib is not installed");
    }

    // A product is sent whole once; asked again it costs a conditional request (a 304, an
    // MDTM), unless the server ignores those; within one scan it is not asked for at all; a
    // changed product comes whole.
    void onlyChangedProductsTravel_data()
    {
        QTest::addColumn<QString>("peer");
        QTest::addColumn<QString>("url");
        QTest::addColumn<int>("sent"); // whole, of the four fetches (two scans unchanged)
        QTest::newRow("https answering") << "net_https_peer.py"
                                         << "https:/product" << 2;
        QTest::newRow("https ignoring") << "net_https_peer.py"
                                        << "https:/deaf" << 3;
        QTest::newRow("ftp") << "net_ftp_peer.py"
                             << "ftp:/product.xml" << 2;
    }
    void onlyChangedProductsTravel()
    {
        QFETCH(QString, peer);
        QFETCH(QString, url);
        QFETCH(int, sent);
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("product.xml"));
        writeProduct(file, "<product>one</product>", 100);
        const bool ftp = peer.contains(QLatin1String("ftp"));
        Peer server(peer.toLatin1().constData(),
                    ftp ? QStringList{dir.path(), QStringLiteral("--log-retr")}
                        : ca.serverArgs(QStringLiteral("good")) +
                              QStringList{QStringLiteral("--file"), file});
        const QString address = server.url(ftp ? "ftp" : "https", url.section(':', 1));
        Rig rig(dir.filePath(QStringLiteral("products.cache")));

        const net::Product first = rig.fetch(address);
        QVERIFY2(first.arrived() && !first.fromCache, qPrintable(rig.log.text()));
        QCOMPARE(rig.fetch(address).body, QStringLiteral("<product>one</product>")); // same scan
        rig.inet.newScan();
        const net::Product unchanged = rig.fetch(address);
        QCOMPARE(unchanged.body, QStringLiteral("<product>one</product>"));
        QCOMPARE(unchanged.fromCache, sent == 2);
        QCOMPARE(rig.lastRead, unchanged.body);
        writeProduct(file, "<product>two</product>", 0);
        rig.inet.newScan();
        // The kept body is read while the server is asked; what the reader took last is still
        // the product returned.
        const net::Product changed = rig.fetch(address);
        QCOMPARE(changed.body, QStringLiteral("<product>two</product>"));
        QCOMPARE(changed.fromCache, false);
        QCOMPARE(rig.lastRead, changed.body);

        QString seen;
        QTRY_COMPARE(sentWhole(server, seen), sent);
        QCOMPARE(rig.log.text(), QString());
        const auto mode = QFile::permissions(dir.filePath(QStringLiteral("products.cache")));
        QCOMPARE(mode & ~(QFile::ReadUser | QFile::WriteUser | QFile::ExeUser),
                 QFile::ReadOwner | QFile::WriteOwner);
    }

    // A kept file that is damaged, cut short or empty means a plain fetch, never a failure.
    void damagedKeptProductsAreFetchedAgain_data()
    {
        QTest::addColumn<int>("keep"); // bytes of the good file kept; -1: one byte changed
        QTest::newRow("cut short") << 40;
        QTest::newRow("empty") << 0;
        QTest::newRow("one byte changed") << -1;
    }
    void damagedKeptProductsAreFetchedAgain()
    {
        QFETCH(int, keep);
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("product.xml"));
        const QString cache = dir.filePath(QStringLiteral("products.cache"));
        writeProduct(file, "<product>one</product>", 100);
        Peer server("net_https_peer.py", ca.serverArgs(QStringLiteral("good")) +
                                             QStringList{QStringLiteral("--file"), file});
        const QString address = server.url("https", QStringLiteral("/product"));
        QCOMPARE(Rig(cache).fetch(address).fromCache, false);

        QFile kept(cache);
        QVERIFY(kept.open(QIODevice::ReadWrite));
        QByteArray bytes = kept.readAll();
        if (keep < 0)
            bytes[bytes.size() / 2] = char(bytes[bytes.size() / 2] ^ 1);
        else
            bytes.truncate(keep);
        QVERIFY(kept.resize(0) && kept.write(bytes) == bytes.size());
        kept.close();

        Rig again(cache);
        const net::Product product = again.fetch(address);
        QCOMPARE(product.body, QByteArray("<product>one</product>"));
        QCOMPARE(product.fromCache, false);
        QCOMPARE(again.log.text(), QString());
        QString seen;
        QTRY_COMPARE(sentWhole(server, seen), 2);
    }

    // A scan can run in the wait of another fetch (a graph's history) and end there: that fetch
    // goes on and brings its product.
    void scanEndingInAFetchsWait()
    {
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("product.xml"));
        writeProduct(file, "<product>one</product>", 100);
        Peer server("net_https_peer.py", ca.serverArgs(QStringLiteral("good")) +
                                             QStringList{QStringLiteral("--file"), file});
        Rig rig(dir.filePath(QStringLiteral("products.cache")));
        rig.inet.setTimeLimits(5000, 5000);
        QTimer::singleShot(0, &rig.inet, [&rig] { rig.inet.endScan(); });
        const net::Product product = rig.fetch(server.url("https", QStringLiteral("/product")));
        QCOMPARE(product.body, QByteArray("<product>one</product>"));
        QCOMPARE(rig.log.text(), QString());
    }

    // The monitor lets go of its kept products after each scan; the products a print stored
    // meanwhile in the same file are then its own too, and its next store keeps them.
    void keptProductsOfAnotherRun()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("products.cache"));
        const auto product = [](const char* etag) {
            return net::CachedProduct{{etag, QByteArray(), -1}, QByteArray("<product/>") + etag};
        };
        net::FetchCache monitor(path);
        monitor.store(QStringLiteral("https://a/obs"), product("\"1\""));
        net::FetchCache print(path);
        print.store(QStringLiteral("https://a/obs"), product("\"2\""));
        print.store(QStringLiteral("https://a/forecast"), product("\"3\""));
        monitor.release();
        QCOMPARE(monitor.find(QStringLiteral("https://a/obs"))->validators.etag, "\"2\"");
        monitor.store(QStringLiteral("https://a/warnings"), product("\"4\""));
        net::FetchCache later(path);
        for (const char* url : {"https://a/obs", "https://a/forecast", "https://a/warnings"})
            QVERIFY2(later.find(QString::fromLatin1(url)), url);
    }
};

QTEST_GUILESS_MAIN(TestFetchCache)
#include "tst_fetch_cache.moc"
