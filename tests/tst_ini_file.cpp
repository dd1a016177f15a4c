#include "common/ini_file.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
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
        for (int k = 0; k < 40; ++k)
            writeIni(QStringLiteral("S"), QStringLiteral("k%1").arg(k), value, path);
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
        QTest::addColumn<QString>("section");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("expected");

        const QString s = QStringLiteral("S");
        const QString k = QStringLiteral("k");
        QTest::newRow("plain") << QByteArray("[S]\nk=v\n") << s << k << "v";
        QTest::newRow("names ignore case") << QByteArray("[sEcT]\nKeY=v\n") << "Sect"
                                           << "kEy"
                                           << "v";
        QTest::newRow("first section wins")
            << QByteArray("[S]\na=1\n[S]\nk=second\n") << s << k << "";
        QTest::newRow("first key wins") << QByteArray("[S]\nk=1\nk=2\n") << s << k << "1";
        QTest::newRow("blanks trimmed") << QByteArray("[S]\n  k  =   v w  \t\n") << s << k << "v w";
        QTest::newRow("quotes removed") << QByteArray("[S]\nk=\" v \"\n") << s << k << " v ";
        QTest::newRow("one pair only") << QByteArray("[S]\nk=\"\"v\"\"\n") << s << k << "\"v\"";
        QTest::newRow("lone quote kept") << QByteArray("[S]\nk=\"v\n") << s << k << "\"v";
        QTest::newRow("empty value") << QByteArray("[S]\nk=\n") << s << k << "";
        QTest::newRow("missing section") << QByteArray("[T]\nk=v\n") << s << k << "";
        QTest::newRow("missing key") << QByteArray("[S]\nx=v\n") << s << k << "";
        QTest::newRow("key in later section") << QByteArray("[T]\n[S]\n[U]\nk=v\n") << s << k << "";
        QTest::newRow("comment not a key") << QByteArray("[S]\n;k=c\nk=v\n") << s << k << "v";
        QTest::newRow("junk lines")
            << QByteArray("junk\n[S]\nnoequals\n=x\nk=v\n") << s << k << "v";
        QTest::newRow("crlf") << QByteArray("[S]\r\nk=v\r\n") << s << k << "v";
        QTest::newRow("no final line end") << QByteArray("[S]\nk=v") << s << k << "v";
        QTest::newRow("blanks in header") << QByteArray(" [ S ] \nk=v\n") << s << k << "v";
        QTest::newRow("equals in value") << QByteArray("[S]\nk=a=b\n") << s << k << "a=b";
        QTest::newRow("utf8 bom") << QByteArray("\xEF\xBB\xBF[S]\nk=v\n") << s << k << "v";
        QTest::newRow("utf8 degree") << QByteArray("[S]\nk=Temp \xC2\xB0"
                                                   "C\n")
                                     << s << k << QStringLiteral("Temp \u00B0C");
        QTest::newRow("windows-1252") << QByteArray("[S]\nk=Temp \xB0"
                                                    "C \x80\n")
                                      << s << k << QStringLiteral("Temp \u00B0C \u20AC");
        QTest::newRow("127 kept") << "[S]\nk=" + QByteArray(127, 'x') + "\n"
                                  << s << k << QString(127, QLatin1Char('x'));
        QTest::newRow("longer cut to 127") << "[S]\nk=" + QByteArray(300, 'x') + "\n"
                                           << s << k << QString(127, QLatin1Char('x'));
        QTest::newRow("no half character") << "[S]\nk=" + QByteArray(126, 'x') + "\xC2\xB0\n"
                                           << s << k << QString(126, QLatin1Char('x'));
        QTest::newRow("quotes before cut") << "[S]\nk=\"" + QByteArray(130, 'x') + "\"\n"
                                           << s << k << QString(127, QLatin1Char('x'));
    }

    void read()
    {
        QFETCH(QByteArray, content);
        QFETCH(QString, section);
        QFETCH(QString, key);
        QFETCH(QString, expected);
        QCOMPARE(readIni(section, key, file(content)), expected);
    }

    void readMissingFile()
    {
        QCOMPARE(readIni(QStringLiteral("S"), QStringLiteral("k"), dir_.filePath("none.ini")),
                 QString());
    }

    void write_data()
    {
        QTest::addColumn<QByteArray>("before");
        QTest::addColumn<QString>("section");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("value");
        QTest::addColumn<QByteArray>("after");

        const QString s = QStringLiteral("S");
        QTest::newRow("replace in place")
            << QByteArray("; top\n[S]\na=1\n; note\nk=old\nz=2\n") << s << "k"
            << "new" << QByteArray("; top\n[S]\na=1\n; note\nk=new\nz=2\n");
        QTest::newRow("replace ignores case") << QByteArray("[s]\nK=old\n") << s << "k"
                                              << "new" << QByteArray("[s]\nk=new\n");
        QTest::newRow("first of duplicates") << QByteArray("[S]\nk=1\n[S]\nk=2\n") << s << "k"
                                             << "x" << QByteArray("[S]\nk=x\n[S]\nk=2\n");
        QTest::newRow("new key after last entry")
            << QByteArray("[S]\na=1\n\n[T]\nb=2\n") << s << "k"
            << "v" << QByteArray("[S]\na=1\nk=v\n\n[T]\nb=2\n");
        QTest::newRow("new key in empty section") << QByteArray("[S]\n[T]\n") << s << "k"
                                                  << "v" << QByteArray("[S]\nk=v\n[T]\n");
        QTest::newRow("new section at end") << QByteArray("[T]\nb=2\n") << s << "k"
                                            << "v" << QByteArray("[T]\nb=2\n\n[S]\nk=v\n");
        QTest::newRow("empty file") << QByteArray() << s << "k"
                                    << "v" << QByteArray("[S]\nk=v\n");
        QTest::newRow("crlf kept") << QByteArray("[S]\r\na=1\r\n") << s << "k"
                                   << "v" << QByteArray("[S]\r\na=1\r\nk=v\r\n");
        QTest::newRow("final line end added") << QByteArray("[S]\nk=1") << s << "k"
                                              << "2" << QByteArray("[S]\nk=2\n");
        QTest::newRow("windows-1252 becomes utf-8") << QByteArray("[S]\nh=\xB0"
                                                                  "C\n")
                                                    << s << "k"
                                                    << "v"
                                                    << QByteArray("[S]\nh=\xC2\xB0"
                                                                  "C\nk=v\n");
        QTest::newRow("empty value") << QByteArray("[S]\nk=1\n") << s << "k"
                                     << "" << QByteArray("[S]\nk=\n");
    }

    void write()
    {
        QFETCH(QByteArray, before);
        QFETCH(QString, section);
        QFETCH(QString, key);
        QFETCH(QString, value);
        QFETCH(QByteArray, after);
        const QString path = file(before);
        QVERIFY(writeIni(section, key, value, path));
        QCOMPARE(contents(path), after);
        QCOMPARE(readIni(section, key, path), value.trimmed());
    }

    void writeCreatesMissingFile()
    {
        const QString path = dir_.filePath("created.ini");
        QFile::remove(path);
        QVERIFY(writeIni(QStringLiteral("S"), QStringLiteral("k"), QStringLiteral("v"), path));
        QCOMPARE(readIni(QStringLiteral("s"), QStringLiteral("K"), path), QStringLiteral("v"));
    }

    void writeRefusesWhatTheFormatCannotHold_data()
    {
        QTest::addColumn<QString>("section");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("value");
        QTest::newRow("line break in value") << "S"
                                             << "k"
                                             << "a\nb";
        QTest::newRow("carriage return in value") << "S"
                                                  << "k"
                                                  << "a\rb";
        QTest::newRow("equals in key") << "S"
                                       << "k=x"
                                       << "v";
        QTest::newRow("empty key") << "S"
                                   << " "
                                   << "v";
        QTest::newRow("bracket in section") << "S]x"
                                            << "k"
                                            << "v";
        QTest::newRow("comment key") << "S"
                                     << ";k"
                                     << "v";
    }

    void writeRefusesWhatTheFormatCannotHold()
    {
        QFETCH(QString, section);
        QFETCH(QString, key);
        QFETCH(QString, value);
        const QByteArray before("[S]\nk=1\n");
        const QString path = file(before);
        QVERIFY(!writeIni(section, key, value, path));
        QCOMPARE(contents(path), before);
    }

    void writeIntoMissingFolderFails()
    {
        const QString path = dir_.filePath("no/such/folder/x.ini");
        QVERIFY(!writeIni(QStringLiteral("S"), QStringLiteral("k"), QStringLiteral("v"), path));
        QVERIFY(!QFile::exists(path));
    }

    void killedWriterNeverLeavesHalfAFile()
    {
        const QString path = dir_.filePath("torture.ini");
        QFile::remove(path);
        for (int k = 0; k < 40; ++k)
            QVERIFY(
                writeIni(QStringLiteral("S"), QStringLiteral("k%1").arg(k), bigValue('a'), path));

        for (int round = 0; round < 12; ++round) {
            QProcess writer;
            QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
            env.insert(QLatin1String(kWriterEnv), path);
            writer.setProcessEnvironment(env);
            writer.start(QCoreApplication::applicationFilePath(), {});
            QVERIFY(writer.waitForStarted());
            QThread::msleep(20 + QRandomGenerator::global()->bounded(80));
            writer.kill();
            writer.waitForFinished();

            // Whatever moment the writer died at, every key is there with a whole value.
            for (int k = 0; k < 40; ++k) {
                const QString v = readIni(QStringLiteral("S"), QStringLiteral("k%1").arg(k), path);
                QVERIFY2(v == bigValue('a') || v == bigValue('b'), qPrintable(v));
            }
        }
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
