#include "common/ini_file.h"
#include "common/program_folder.h"
#include "platform/app_dir.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QtTest>

#include <unistd.h>

namespace {

void writeFile(const QString& path, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
}

QByteArray layout(const char* ver, const char* note = "")
{
    return QByteArray("[FixedSetting]\r\nver=") + ver + "\r\n; " + note + "\r\n[EOF]\r\n";
}

} // namespace

class TestProgramFolder : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // Which folder the programs keep their files in, by what the executable's folder holds.
    void findProgramFolder_data()
    {
        QTest::addColumn<QStringList>("files");
        QTest::addColumn<bool>("readOnly");
        QTest::addColumn<bool>("perUser");
        QTest::newRow("build or per-user install") << QStringList{"weather.ini"} << false << false;
        QTest::newRow("settings beside the program")
            << QStringList{"wsetting.ini"} << true << false;
        QTest::newRow("package's bin folder") << QStringList{"nimbulo"} << false << true;
        QTest::newRow("read-only install") << QStringList{"weather.ini"} << true << true;
    }

    void findProgramFolder()
    {
        QFETCH(QStringList, files);
        QFETCH(bool, readOnly);
        QFETCH(bool, perUser);
        if (readOnly && geteuid() == 0)
            QSKIP("root may write to any folder");
        QTemporaryDir dir;
        const QString bin = dir.filePath(QStringLiteral("bin/"));
        for (const QString& name : files)
            writeFile(bin + name, "x");
        if (readOnly)
            QFile::setPermissions(bin, QFile::ReadOwner | QFile::ExeOwner);
        const QString data = dir.filePath(QStringLiteral("home/.local/share"));
        const platform::ProgramFolder found = platform::findProgramFolder(bin, data);
        QFile::setPermissions(bin, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QCOMPARE(found.dir, perUser ? data + QStringLiteral("/nimbulo/") : bin);
        QCOMPARE(found.kind,
                 perUser ? platform::AppDirKind::PerUser : platform::AppDirKind::Executable);
    }

    // The user's layout file after a start with a shipped one of version 1.2.0.
    void layOutUserFolder_data()
    {
        QTest::addColumn<QByteArray>("user"); // empty: none yet
        QTest::addColumn<bool>("replaced");
        QTest::newRow("first start") << QByteArray() << true;
        QTest::newRow("older copy") << layout("1.1.0") << true;
        QTest::newRow("same version, edited") << layout("1.2.0", "mine") << false;
        QTest::newRow("newer from the update server") << layout("1.3.0") << false;
        QTest::newRow("numeric, not textual") << layout("1.10.0") << false;
        QTest::newRow("no version") << QByteArray("[FixedSetting]\r\n") << true;
    }

    void layOutUserFolder()
    {
        QFETCH(QByteArray, user);
        QFETCH(bool, replaced);
        QTemporaryDir dir;
        const QString shipped = dir.filePath(QStringLiteral("share/nimbulo/"));
        const QString folder = dir.filePath(QStringLiteral("home/.local/share/nimbulo/"));
        writeFile(shipped + "weather.ini", layout("1.2.0", "shipped"));
        writeFile(shipped + "readme.txt", "readme");
        writeFile(shipped + "Media/Ding.wav", "RIFF");
        if (!user.isEmpty())
            writeFile(folder + "weather.ini", user);

        QVERIFY(common::layOutUserFolder(folder, shipped));
        QFile file(folder + "weather.ini");
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), replaced ? layout("1.2.0", "shipped") : user);
        for (const char* name : {"readme.txt", "Media/Ding.wav"})
            QCOMPARE(QFileInfo(folder + name).symLinkTarget(), shipped + name);
    }

    // A sound of the user's own stays; a link left by an older install follows the new one.
    void userFilesKept()
    {
        QTemporaryDir dir;
        const QString shipped = dir.filePath(QStringLiteral("share/nimbulo/"));
        const QString folder = dir.filePath(QStringLiteral("nimbulo/"));
        writeFile(shipped + "weather.ini", layout("1.2.0"));
        writeFile(shipped + "readme.txt", "readme");
        writeFile(shipped + "Media/Ding.wav", "RIFF");
        writeFile(folder + "Media/Ding.wav", "mine");
        QDir().mkpath(folder);
        QVERIFY(QFile::link(dir.filePath("gone/readme.txt"), folder + "readme.txt"));

        QVERIFY(common::layOutUserFolder(folder, shipped));
        QVERIFY(!QFileInfo(folder + "Media/Ding.wav").isSymLink());
        QCOMPARE(QFileInfo(folder + "readme.txt").symLinkTarget(), shipped + "readme.txt");
    }
};

QTEST_GUILESS_MAIN(TestProgramFolder)
#include "tst_program_folder.moc"
