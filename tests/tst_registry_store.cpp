#include "killed_writer.h"
#include "platform/registry_store.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

using platform::RegistryStore;

namespace {

// Started with this variable the test binary becomes a writer that rewrites 30 values of the
// registry file for ever, alternating two long texts; the test kills it at random moments.
constexpr char kWriterEnv[] = "NIMBULO_REGISTRY_TORTURE_FILE";

QString longText(int round)
{
    return QString(200, round % 2 ? QLatin1Char('b') : QLatin1Char('a'));
}

void writeAll(const RegistryStore& store, int round)
{
    for (int n = 0; n < 30; ++n) {
        store.regWrite("HKCU", "Software\\Nimbulo\\ScreenSaver", QStringLiteral("v%1").arg(n), "S",
                       longText(round));
        if (round == 1 && n == 0) {
            fputs("writing\n", stdout);
            fflush(stdout);
        }
    }
}

int runWriter(const QString& path)
{
    const RegistryStore store(path);
    for (int round = 1;; ++round)
        writeAll(store, round);
}

} // namespace

class TestRegistryStore : public QObject
{
    Q_OBJECT

    QTemporaryDir dir_;

private Q_SLOTS:
    void roundTrips_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QVariant>("value");
        QTest::newRow("string") << "S" << QVariant(QStringLiteral("Comic Sans MS"));
        QTest::newRow("string with breaks and blanks")
            << "s" << QVariant(QStringLiteral("  a\\b\r\nc\u00e9 \0z "));
        QTest::newRow("long string") << "S" << QVariant(QString(600, QLatin1Char('x')));
        QTest::newRow("empty string") << "S" << QVariant(QString());
        QTest::newRow("dword") << "D" << QVariant(quint32(20));
        QTest::newRow("dword max") << "d" << QVariant(quint32(0xFFFFFFFFu));
        QTest::newRow("true") << "B" << QVariant(true);
        QTest::newRow("false") << "b" << QVariant(false);
    }

    void roundTrips()
    {
        QFETCH(QString, kind);
        QFETCH(QVariant, value);
        const RegistryStore store(dir_.filePath("sub/registry.ini"));
        // Roots, key paths and value names ignore case.
        QCOMPARE(store.regWrite("hkcu", "Software\\Nimbulo\\ScreenSaver", "V", kind, value),
                 RegistryStore::kOk);
        QVariant read;
        QCOMPARE(store.regRead("HKCU", "software\\nimbulo\\screensaver", "v", kind, read),
                 RegistryStore::kOk);
        QCOMPARE(read, value);
        // The saver's password is in there: the folder and the file are the owner's alone.
        QCOMPARE(QFile::permissions(dir_.filePath("sub")) & 0x7077,
                 QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QCOMPARE(QFile::permissions(dir_.filePath("sub/registry.ini")) & 0x7077,
                 QFile::ReadOwner | QFile::WriteOwner);
    }

    void errors()
    {
        const RegistryStore store(dir_.filePath("errors.ini"));
        const auto read = [&](const char* root, const char* key, const char* kind, QVariant& v) {
            return store.regRead(root, key, "n", kind, v);
        };
        QVariant v = 7;
        QCOMPARE(read("HKXX", "k", "S", v), RegistryStore::kUnknownRoot);
        QCOMPARE(read("HKCU", "Control Panel\\Desktop", "D", v), RegistryStore::kNotFound);
        QCOMPARE(v, QVariant(7)); // untouched on failure
        store.regWrite("HKCU", "k", "n", "S", QStringLiteral("text"));
        QCOMPARE(read("HKCU", "k", "D", v), RegistryStore::kWrongType);
        QCOMPARE(store.regWrite("HKLM", "k", "n", "S", QStringLiteral("x")),
                 RegistryStore::kAccessDenied);
        // A name whose line would read as a section header (a fuzz finding) is refused.
        QCOMPARE(store.regWrite("HKCU", "k", "[n]", "S", QStringLiteral("x")),
                 RegistryStore::kWrongType);
        QCOMPARE(RegistryStore::regRoot(QStringLiteral("hkcr")), QStringLiteral("HKCR"));
        QCOMPARE(RegistryStore::regRoot(QStringLiteral("HKEY")), QString());
    }

    void keysStayApart()
    {
        const RegistryStore store(dir_.filePath("apart.ini"));
        for (const auto& [key, name, value] :
             {std::tuple{"A", "n", 1u}, {"B", "n", 2u}, {"A", "m", 3u}, {"A", "n", 4u}})
            store.regWrite("HKCU", key, name, "D", value);
        QStringList values;
        for (const auto& [key, name] : {std::pair{"A", "n"}, {"B", "n"}, {"A", "m"}}) {
            QVariant v;
            store.regRead("HKCU", key, name, "D", v);
            values << v.toString();
        }
        QCOMPARE(values, QStringList({"4", "2", "3"}));
    }

    void killedWriterNeverLeavesHalfAFile()
    {
        const QString path = dir_.filePath("torture.ini");
        const RegistryStore store(path);
        writeAll(store, 0);
        killWriterAtRandomMoments(kWriterEnv, path, 200, 60000, [&store] {
            for (int n = 0; n < 30; ++n) {
                QVariant v;
                if (store.regRead("HKCU", "Software\\Nimbulo\\ScreenSaver",
                                  QStringLiteral("v%1").arg(n), "S", v) != RegistryStore::kOk ||
                    (v != longText(0) && v != longText(1)))
                    return false;
            }
            return true;
        });
    }
};

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsSet(kWriterEnv))
        return runWriter(qEnvironmentVariable(kWriterEnv));
    QCoreApplication app(argc, argv);
    TestRegistryStore test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_registry_store.moc"
