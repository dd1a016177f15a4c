// Every writer of a kept file on a full disk: the write is refused, the old file stays byte for
// byte as it was and no temporary file is left; with space again the same write succeeds. The
// disk is a tiny tmpfs mounted in a private mount namespace, so this runs only as root.

#include "common/ini_file.h"
#include "common/shell_link.h"
#include "platform/registry_store.h"
#include "weather/engine/observation_record.h"
#include "weather/net/error_log.h"
#include "weather/net/version_check.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <cstring>
#include <fcntl.h>
#include <sched.h>
#include <sys/mount.h>
#include <unistd.h>

namespace {

constexpr int kPage = 4096;

QByteArray contents(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

// Writes what the writer named `writer` writes into `dir`; true when the writer reports success.
// `big` makes the new content larger than a page and than the old one.
bool writeWith(const QString& writer, const QString& dir, bool big)
{
    const QString value = QString(big ? 3 * kPage : 20, big ? QLatin1Char('n') : QLatin1Char('o'));
    if (writer == QLatin1String("settings")) // a value is kept to 127 bytes; a section name is not
        return common::writeIni(big ? value : QStringLiteral("Mail"), QStringLiteral("mail_server"),
                                value, dir + QStringLiteral("/wsetting.ini"));
    if (writer == QLatin1String("registry"))
        return platform::RegistryStore(dir + QStringLiteral("/registry.ini"))
                   .regWrite(QStringLiteral("HKCU"), QStringLiteral("Software\\Nimbulo"),
                             QStringLiteral("Feed"), QStringLiteral("S"),
                             value) == platform::RegistryStore::kOk;
    if (writer == QLatin1String("shortcut")) {
        common::CShellLink link;
        link.setPath(QStringLiteral("/opt/") + value);
        return link.save(dir + QStringLiteral("/Nimbulo.desktop"));
    }
    const QString layout =
        QStringLiteral("[FixedSetting]\r\nver=1.1\r\nx=") + value + QStringLiteral("\r\n[EOF]\r\n");
    return net::installLayout(layout, QStringLiteral("1.1"), QStringLiteral("1.0"),
                              dir + QLatin1Char('/')) == net::LayoutInstall::Installed;
}

// Fills the disk but for `spare` bytes; the filler's path.
QString fillDisk(const QString& mountPoint, off_t spare)
{
    const QByteArray fillerPath = QFile::encodeName(mountPoint + "/filler");
    const int fd = ::open(fillerPath.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    const QByteArray page(kPage, 'f');
    off_t filled = 0;
    while (fd >= 0 && ::write(fd, page.constData(), page.size()) == page.size())
        filled += page.size();
    if (fd >= 0) {
        (void)!::ftruncate(fd, std::max<off_t>(filled - spare, 0));
        ::close(fd);
    }
    return QFile::decodeName(fillerPath);
}

config::StateLayout recordLayout()
{
    config::StateLayout layout;
    layout.columnCount = 3;
    layout.jsonFields = {"local_date_time", "air_temp", "weather"};
    return layout;
}

// A day of ten-minute readings from `day` on, with a long weather text so pages fill quickly.
engine::HistoryTable dayOfReadings(int day)
{
    engine::HistoryTable rows;
    const QDateTime start(QDate(2024, 1, 1).addDays(day), QTime(0, 0), Qt::OffsetFromUTC, 36000);
    for (int k = 0; k < 144; ++k)
        rows.append({QString(),
                     {QString::number(k % 30), QString(200, QLatin1Char('r'))},
                     start.addSecs(600 * k)});
    return rows;
}

} // namespace

class TestFullDisk : public QObject
{
    Q_OBJECT

    QTemporaryDir mountPoint_;
    bool mounted_ = false;

private Q_SLOTS:
    void initTestCase()
    {
        if (geteuid() != 0)
            QSKIP("the full-disk tests need root (a tmpfs in a private mount namespace)");
        // Mounts made from here on are this process's own and vanish with it.
        if (unshare(CLONE_NEWNS) != 0 ||
            mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0)
            QSKIP(qPrintable(QStringLiteral("no private mount namespace: %1")
                                 .arg(QString::fromLocal8Bit(std::strerror(errno)))));
        QVERIFY(mountPoint_.isValid());
        const QByteArray where = QFile::encodeName(mountPoint_.path());
        QVERIFY2(mount("tmpfs", where.constData(), "tmpfs", 0, "size=256k") == 0,
                 std::strerror(errno));
        mounted_ = true;
    }

    void cleanupTestCase()
    {
        if (mounted_)
            umount(QFile::encodeName(mountPoint_.path()).constData());
    }

    void refusedAndOldFileKept_data()
    {
        QTest::addColumn<QString>("writer");
        QTest::addColumn<QString>("file"); // the file it keeps
        QTest::newRow("settings") << "settings"
                                  << "wsetting.ini";
        QTest::newRow("registry") << "registry"
                                  << "registry.ini";
        QTest::newRow("shortcut") << "shortcut"
                                  << "Nimbulo.desktop";
        QTest::newRow("layout") << "layout"
                                << "weather.ini";
    }
    void refusedAndOldFileKept()
    {
        QFETCH(QString, writer);
        QFETCH(QString, file);
        const QString dir = mountPoint_.path() + QLatin1Char('/') + writer;
        QVERIFY(QDir().mkpath(dir));
        QVERIFY(writeWith(writer, dir, false));
        const QString kept = dir + QLatin1Char('/') + file;
        const QByteArray before = contents(kept);

        // A full disk but for one page: a new file starts, and then runs out.
        const QString filler = fillDisk(mountPoint_.path(), kPage);
        const QStringList filesBefore = QDir(dir).entryList(QDir::Files);
        QVERIFY(!writeWith(writer, dir, true));
        QCOMPARE(contents(kept), before);
        QCOMPARE(QDir(dir).entryList(QDir::Files), filesBefore);

        QVERIFY(QFile::remove(filler));
        QVERIFY(writeWith(writer, dir, true));
        QVERIFY(contents(kept).size() > 3 * kPage);
    }

    // The record on a full disk stops with one message and no damage, and resumes when there is
    // room again; the settings beside it are untouched.
    void recordStopsAndResumes()
    {
        const QString dir = mountPoint_.path() + QStringLiteral("/record");
        QVERIFY(QDir().mkpath(dir));
        QVERIFY(writeWith(QStringLiteral("settings"), dir, false));
        const QByteArray settings = contents(dir + QStringLiteral("/wsetting.ini"));
        net::ErrorLog log;
        int stored = 0;
        {
            engine::ObservationRecord record(dir + QStringLiteral("/observations.sqlite"), log);
            QVERIFY(record.isOpen());
            stored += record.store("1", "One", dayOfReadings(0), recordLayout());
            const QString filler = fillDisk(mountPoint_.path(), 0);
            int refused = 0;
            for (int day = 1; day <= 6; ++day) {
                const int n = record.store("1", "One", dayOfReadings(day), recordLayout());
                refused += n == 0 ? 1 : 0;
                stored += n;
            }
            QVERIFY(refused > 0);
            QVERIFY2(record.suspended(), qPrintable(log.text()));
            {
                // Opened again on the full disk, the sound record is not taken for damaged.
                net::ErrorLog again;
                const engine::ObservationRecord second(dir + "/observations.sqlite", again);
                QVERIFY2(!again.text().contains(QStringLiteral("damaged")),
                         qPrintable(again.text()));
            }
            QCOMPARE(log.text().count(QStringLiteral("the disk is full")), 1);
            QVERIFY(QFile::remove(filler));
            stored += record.store("1", "One", dayOfReadings(7), recordLayout());
            QVERIFY(!record.suspended());
            QVERIFY(log.text().contains(QStringLiteral("recording resumed")));
        }
        QCOMPARE(contents(dir + QStringLiteral("/wsetting.ini")), settings);
        net::ErrorLog reopened;
        engine::ObservationRecord record(dir + QStringLiteral("/observations.sqlite"), reopened);
        QVERIFY(record.isOpen());
        QCOMPARE(record.readings("1", 0, LLONG_MAX, recordLayout(), 2).size(), stored);
        QVERIFY(reopened.text().isEmpty());
    }

    // A folder that cannot be written: no record, one message, stores do nothing.
    void recordInReadOnlyFolder()
    {
        QTemporaryDir readOnly;
        const QByteArray where = QFile::encodeName(readOnly.path());
        QVERIFY2(mount("tmpfs", where.constData(), "tmpfs", MS_RDONLY, "size=64k") == 0,
                 std::strerror(errno));
        net::ErrorLog log;
        {
            engine::ObservationRecord record(readOnly.path() + "/observations.sqlite", log);
            QVERIFY(!record.isOpen());
            QCOMPARE(record.store("1", "One", dayOfReadings(0), recordLayout()), 0);
            QCOMPARE(record.store("1", "One", dayOfReadings(1), recordLayout()), 0);
        }
        QCOMPARE(log.text().count(QStringLiteral("cannot be")), 1);
        umount(where.constData());
    }
};

QTEST_GUILESS_MAIN(TestFullDisk)
#include "tst_full_disk.moc"
