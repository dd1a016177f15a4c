#include "common/ini_file.h"
#include "killed_writer.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QtTest>

using common::readIni;
using common::writeIni;

namespace {

// When the test binary is started with this variable it becomes a writer that rewrites one INI
// file for ever; the parent kills it at random moments to show that a crash never leaves a
// half-written file.
constexpr char kWriterEnv[] = "NIMBULO_INI_TORTURE_FILE";

QString bigValue(char c)
{
    return QString(100, QLatin1Char(c));
}

int runWriter(const QString& path)
{
    for (int round = 0;; ++round) {
        const QString value = bigValue(round % 2 ? 'b' : 'a');
        for (int k = 0; k < 40; ++k) {
            writeIni(QStringLiteral("S"), QStringLiteral("k%1").arg(k), value, path);
            if (round == 0 && k == 0) {
                fputs("writing\n", stdout);
                fflush(stdout);
            }
        }
    }
}

} // namespace

class TestIniFile : public QObject
{
    Q_OBJECT

    QTemporaryDir dir_;

    QString file(const QByteArray& content, const QString& name = QStringLiteral("t.ini"))
    {
        const QString path = dir_.filePath(name);
        QFile f(path);
        f.open(QIODevice::WriteOnly | QIODevice::Truncate);
        f.write(content);
        return path;
    }

    static QByteArray contents(const QString& path)
    {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

private Q_SLOTS:
    void read_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("expected"); // the value of k in section S
        const auto row = [](const char* name, const QByteArray& content, const QString& expected) {
            QTest::newRow(name) << content << expected;
        };
        const QByteArray x130(130, 'x');
        row("plain", "[S]\nk=v\n", "v");
        row("names ignore case", "[s]\nK=v\n", "v");
        row("first section wins", "[S]\na=1\n[S]\nk=second\n", "");
        row("first key wins", "[S]\nk=1\nk=2\n", "1");
        row("blanks trimmed", "[S]\n  k  =   v w  \t\n", "v w");
        row("quotes removed", "[S]\nk=\" v \"\n", " v ");
        row("one pair only", "[S]\nk=\"\"v\"\"\n", "\"v\"");
        row("lone quote kept", "[S]\nk=\"v\n", "\"v");
        row("missing key", "[S]\nx=v\n", "");
        row("missing section", "[T]\nk=v\n", "");
        row("key in later section", "[T]\n[S]\n[U]\nk=v\n", "");
        row("comment not a key", "[S]\n;k=c\nk=v\n", "v");
        row("junk lines", "junk\n[S]\nnoequals\n=x\nk=v\n", "v");
        row("crlf", "[S]\r\nk=v\r\n", "v");
        row("no final line end", "[S]\nk=v", "v");
        row("blanks in header", " [ S ] \nk=v\n", "v");
        row("equals in value", "[S]\nk=a=b\n", "a=b");
        row("utf8 bom", "\xEF\xBB\xBF[S]\nk=v\n", "v");
        row("utf8 degree", "[S]\nk=Temp \302\260C\n", QStringLiteral("Temp \u00B0C"));
        row("windows-1252", "[S]\nk=Temp \260C \200\n", QStringLiteral("Temp \u00B0C \u20AC"));
        row("127 kept", "[S]\nk=" + x130.left(127) + "\n", x130.left(127));
        row("longer cut to 127", "[S]\nk=" + x130 + x130 + "\n", x130.left(127));
        row("no half character", "[S]\nk=" + x130.left(126) + "\xC2\xB0\n", x130.left(126));
        row("quotes before cut", "[S]\nk=\"" + x130 + "\"\n", x130.left(127));
    }

    void read()
    {
        QFETCH(QByteArray, content);
        QFETCH(QString, expected);
        QCOMPARE(readIni(QStringLiteral("S"), QStringLiteral("k"), file(content)), expected);
    }

    void write_data()
    {
        QTest::addColumn<QByteArray>("before");
        QTest::addColumn<QString>("value"); // written to k in section S
        QTest::addColumn<QByteArray>("after");
        const auto row = [](const char* name, const QByteArray& before, const char* value,
                            const QByteArray& after) {
            QTest::newRow(name) << before << QString::fromLatin1(value) << after;
        };
        row("replace in place", "; top\n[S]\na=1\n; note\nk=old\nz=2\n", "new",
            "; top\n[S]\na=1\n; note\nk=new\nz=2\n");
        row("replace ignores case", "[s]\nK=old\n", "new", "[s]\nk=new\n");
        row("first of duplicates", "[S]\nk=1\n[S]\nk=2\n", "x", "[S]\nk=x\n[S]\nk=2\n");
        row("new key after last entry", "[S]\na=1\n\n[T]\nb=2\n", "v",
            "[S]\na=1\nk=v\n\n[T]\nb=2\n");
        row("new key in empty section", "[S]\n[T]\n", "v", "[S]\nk=v\n[T]\n");
        row("new section at end", "[T]\nb=2\n", "v", "[T]\nb=2\n\n[S]\nk=v\n");
        row("empty file", "", "v", "[S]\nk=v\n");
        row("crlf kept", "[S]\r\na=1\r\n", "v", "[S]\r\na=1\r\nk=v\r\n");
        row("final line end added", "[S]\nk=1", "2", "[S]\nk=2\n");
        row("windows-1252 becomes utf-8", "[S]\nh=\260C\n", "v", "[S]\nh=\302\260C\nk=v\n");
        row("empty value", "[S]\nk=1\n", "", "[S]\nk=\n");
        // Bare CRs are a line's own; the line ends stay LF, write after write.
        row("bare CRs", "\r\r", "v", "\r\r\n[S]\nk=v\n");
        row("CR before some line ends", "a\r\n[S]\n", "v", "a\r\n[S]\nk=v\n");
    }

    void write()
    {
        QFETCH(QByteArray, before);
        QFETCH(QString, value);
        QFETCH(QByteArray, after);
        const QString path = file(before);
        QVERIFY(writeIni(QStringLiteral("S"), QStringLiteral("k"), value, path));
        QCOMPARE(contents(path), after);
        QCOMPARE(readIni(QStringLiteral("S"), QStringLiteral("k"), path), value);
        QVERIFY(writeIni(QStringLiteral("S"), QStringLiteral("k"), value, path));
        QCOMPARE(contents(path), after);
    }

    // What is saved is what a read gives back: no more (a 7 MB station name stays 127 bytes).
    void writeKeepsWhatIsReadBack_data()
    {
        QTest::addColumn<QString>("value");
        QTest::addColumn<int>("kept"); // characters
        QTest::newRow("7 MB") << QString(7 << 20, u'n') << common::kIniValueLimit;
        QTest::newRow("two-byte characters")
            << QString(100, QChar(0xB0)) << common::kIniValueLimit / 2;
    }

    void writeKeepsWhatIsReadBack()
    {
        QFETCH(QString, value);
        QFETCH(int, kept);
        const QString path = file("[S]\n");
        QVERIFY(writeIni(QStringLiteral("S"), QStringLiteral("k"), value, path));
        const QString read = readIni(QStringLiteral("S"), QStringLiteral("k"), path);
        QCOMPARE(read, value.left(kept));
        QCOMPARE(contents(path), "[S]\nk=" + read.toUtf8() + "\n");
    }

    // Settings hold the scrambled proxy password: a new file is the owner's alone, an existing
    // file keeps its mode, and a link is not written through.
    void writeKeepsFilesPrivate_data()
    {
        QTest::addColumn<int>("modeBefore"); // owner, group and others; 0: no file yet
        QTest::addColumn<int>("modeAfter");
        const int readOwner = QFile::ReadOwner;
        const int readWriteOwner = QFile::ReadOwner | QFile::WriteOwner;
        QTest::newRow("new file") << 0 << readWriteOwner;
        QTest::newRow("read-only kept") << readOwner << readOwner;
        QTest::newRow("group-readable kept")
            << (readWriteOwner | QFile::ReadGroup) << (readWriteOwner | QFile::ReadGroup);
    }

    void writeKeepsFilesPrivate()
    {
        QFETCH(int, modeBefore);
        QFETCH(int, modeAfter);
        const QString path = dir_.filePath("mode.ini");
        QFile::remove(path);
        if (modeBefore != 0) {
            file("[S]\n", "mode.ini");
            QVERIFY(QFile::setPermissions(path, QFile::Permissions(modeBefore)));
        }
        QVERIFY(writeIni(QStringLiteral("S"), QStringLiteral("k"), QStringLiteral("v"), path));
        QCOMPARE(int(QFile::permissions(path) & 0x7077), modeAfter);
    }

    void writeRefusesALink()
    {
        const QString target = file("[S]\nk=1\n", QStringLiteral("target.ini"));
        const QString link = dir_.filePath("link.ini");
        QVERIFY(QFile::link(target, link));
        QVERIFY(!writeIni(QStringLiteral("S"), QStringLiteral("k"), QStringLiteral("2"), link));
        QCOMPARE(contents(target), QByteArray("[S]\nk=1\n"));
        QVERIFY(QFileInfo(link).isSymLink());
    }

    void writeRefusesWhatTheFormatCannotHold_data()
    {
        QTest::addColumn<QStringList>("sectionKeyValue");
        QTest::newRow("line break in value") << QStringList{"S", "k", "a\nb"};
        QTest::newRow("carriage return in value") << QStringList{"S", "k", "a\rb"};
        QTest::newRow("equals in key") << QStringList{"S", "k=x", "v"};
        QTest::newRow("empty key") << QStringList{"S", " ", "v"};
        QTest::newRow("bracket in section") << QStringList{"S]x", "k", "v"};
        QTest::newRow("comment key") << QStringList{"S", ";k", "v"};
    }

    void writeRefusesWhatTheFormatCannotHold()
    {
        QFETCH(QStringList, sectionKeyValue);
        const QByteArray before("[S]\nk=1\n");
        const QString path = file(before);
        QVERIFY(!writeIni(sectionKeyValue[0], sectionKeyValue[1], sectionKeyValue[2], path));
        QCOMPARE(contents(path), before);
    }

    // Names are matched without their surrounding blanks, as they are written: a second write
    // replaces the first, and the value reads back by either form of the name.
    void namesWithBlanks_data()
    {
        QTest::addColumn<QString>("section");
        QTest::addColumn<QString>("key");
        const char* const rows[][3] = {
            {"key", "S", "k "}, {"section", " S\t", "k"}, {"both", " S ", "  k"}};
        for (const auto& [name, section, key] : rows)
            QTest::newRow(name) << QString::fromLatin1(section) << QString::fromLatin1(key);
    }
    void namesWithBlanks()
    {
        QFETCH(QString, section);
        QFETCH(QString, key);
        const QString path = file("[S]\nk=1\n");
        QVERIFY(writeIni(section, key, QStringLiteral("a"), path));
        QVERIFY(writeIni(section, key, QStringLiteral("b"), path));
        QCOMPARE(contents(path), QByteArray("[S]\nk=b\n"));
        QCOMPARE(readIni(section, key, path), QStringLiteral("b"));
        QCOMPARE(readIni(QStringLiteral("S"), QStringLiteral("k"), path), QStringLiteral("b"));
    }

    void missingFilesAndFolders()
    {
        const auto k = QStringLiteral("k");
        QCOMPARE(readIni(k, k, dir_.filePath("none.ini")), QString());
        const QString created = dir_.filePath("created.ini");
        QVERIFY(writeIni(k, k, QStringLiteral("v"), created));
        QCOMPARE(readIni(k, k, created), QStringLiteral("v"));
        const QString inMissingFolder = dir_.filePath("no/such/folder/x.ini");
        QVERIFY(!writeIni(k, k, QStringLiteral("v"), inMissingFolder));
        QVERIFY(!QFile::exists(inMissingFolder));
    }

    void killedWriterNeverLeavesHalfAFile()
    {
        const QString path = dir_.filePath("torture.ini");
        QFile::remove(path);
        for (int k = 0; k < 40; ++k)
            QVERIFY(
                writeIni(QStringLiteral("S"), QStringLiteral("k%1").arg(k), bigValue('a'), path));

        killWriterAtRandomMoments(kWriterEnv, path, 200, 60000, [&path] {
            // Whatever moment the writer died at, every key is there with a whole value.
            for (int k = 0; k < 40; ++k) {
                const QString v = readIni(QStringLiteral("S"), QStringLiteral("k%1").arg(k), path);
                if (v != bigValue('a') && v != bigValue('b'))
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
    TestIniFile test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_ini_file.moc"
