#include "common/shell_link.h"
#include "platform/app_dir.h"
#include "platform/message_box.h"
#include "weather/shell/shortcut.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

using common::CShellLink;
using platform::MessageBox;

namespace {

QString readAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
}

} // namespace

class TestShortcut : public QObject
{
    Q_OBJECT

    QTemporaryDir home_;
    QString validator_;

    // desktop-file-validate's verdict: empty when the entry is valid.
    QString validate(const QString& file)
    {
        QProcess p;
        p.start(validator_, {file});
        p.waitForFinished(30000);
        return p.exitCode() == 0 ? QString() : QString::fromUtf8(p.readAll());
    }

private Q_SLOTS:
    void initTestCase()
    {
        // Everything the shortcuts touch lies in a private home.
        qputenv("HOME", home_.path().toUtf8());
        qputenv("XDG_CONFIG_HOME", home_.filePath(QStringLiteral("config")).toUtf8());
        validator_ = QStandardPaths::findExecutable(QStringLiteral("desktop-file-validate"));
        QVERIFY2(!validator_.isEmpty(), "desktop-file-validate (desktop-file-utils) is needed");
        platform::initAppDir({QStringLiteral("weather"), QStringLiteral("--appdir"),
                              home_.filePath(QStringLiteral("my programs/nimbulo"))});
    }

    void init() { MessageBox::script({}); }
    void cleanup() { MessageBox::unscript(); }

    // The lines an entry must hold; none when the paths cannot be written in one.
    void entryText_data()
    {
        QTest::addColumn<QString>("program");
        QTest::addColumn<QString>("folder");
        QTest::addColumn<QStringList>("lines");
        QTest::newRow("plain") << "/opt/nimbulo/weather" << QString("/opt/nimbulo")
                               << QStringList{"Exec=/opt/nimbulo/weather", "Path=/opt/nimbulo"};
        QTest::newRow("blank in the folder")
            << "/home/a b/weather" << QString("/home/a b")
            << QStringList{"Exec=\"/home/a b/weather\"", "Path=/home/a b"};
        QTest::newRow("quote, dollar and percent")
            << "/x/\"$HOME\"%u/weather" << QString("/x")
            << QStringList{"Exec=\"/x/\\\\\"\\\\$HOME\\\\\"%%u/weather\"", "Path=/x"};
        QTest::newRow("backslash") << "/x\\y/weather" << QString("/x\\y")
                                   << QStringList{"Exec=\"/x\\\\\\\\y/weather\"", "Path=/x\\\\y"};
        QTest::newRow("no program") << "" << QString("/opt") << QStringList();
        QTest::newRow("line break in the program")
            << "/opt/a\nb/weather" << QString("/opt") << QStringList();
        QTest::newRow("line break in the folder")
            << "/opt/weather" << QString("/op\nt") << QStringList();
    }

    void entryText()
    {
        QFETCH(QString, program);
        QFETCH(QString, folder);
        QFETCH(QStringList, lines);
        CShellLink link;
        link.setPath(program);
        link.setWorkingDirectory(folder);
        const QString file = home_.filePath(QStringLiteral("entry.desktop"));
        QFile::remove(file);
        QCOMPARE(link.save(file), !lines.isEmpty());
        QCOMPARE(QFile::exists(file), !lines.isEmpty());
        if (lines.isEmpty()) {
            QVERIFY(link.entryText().isEmpty());
            return;
        }
        const QStringList text = link.entryText().split(QLatin1Char('\n'));
        QCOMPARE(text.first(), QStringLiteral("[Desktop Entry]"));
        for (const QString& line : lines + QStringList{"Type=Application", "Name=Nimbulo"})
            QVERIFY2(text.contains(line), qPrintable(link.entryText()));
        QCOMPARE(validate(file), QString());
        QVERIFY(QFileInfo(file).isExecutable());
    }

    void createAndRemove_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("other");
        QTest::newRow("start-up folder") << "config/autostart" << QString("Desktop");
        QTest::newRow("desktop") << "Desktop" << QString("config/autostart");
    }

    void createAndRemove()
    {
        QFETCH(QString, file);
        QFETCH(QString, other);
        const bool startup = file != QLatin1String("Desktop");
        file = home_.filePath(file + "/Nimbulo.desktop");
        other = home_.filePath(other + "/Nimbulo.desktop");
        QFile::remove(file);
        QFile::remove(other);

        // The folder does not exist yet: it is made; an entry there is replaced.
        QVERIFY(shell::makeShortcut(startup, false));
        const QString text = readAll(file);
        QFile f(file);
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write("stale"));
        f.close();
        QVERIFY(shell::makeShortcut(startup, false));
        QCOMPARE(readAll(file), text);
        QVERIFY(!QFile::exists(other));
        QCOMPARE(validate(file), QString());
        const QString program = platform::appDir() + QStringLiteral("weather");
        QVERIFY2(text.contains("Exec=\"" + program + '"'), qPrintable(text));
        QVERIFY(text.contains("Path=" + home_.filePath("my programs/nimbulo") + '\n'));
        QVERIFY(text.contains("Icon=" + platform::appDir() + "icons/nimbulo.svg\n"));

        QVERIFY(shell::makeShortcut(startup, true));
        QVERIFY(!QFile::exists(file));
        // Removing what is not there is no error.
        QVERIFY(shell::makeShortcut(startup, true));
        QVERIFY(MessageBox::shownBoxes().isEmpty());
    }

    void failureIsReported()
    {
        // The desktop folder's place is taken by a file: nothing can be written there.
        QDir(home_.filePath(QStringLiteral("Desktop"))).removeRecursively();
        QFile blocker(home_.filePath(QStringLiteral("Desktop")));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        QVERIFY(!shell::makeShortcut(false, false));
        QCOMPARE(MessageBox::shownBoxes().size(), 1);
        QCOMPARE(MessageBox::shownBoxes().first().title, QStringLiteral("Create Shortcut Error"));
        QVERIFY(MessageBox::shownBoxes().first().text.startsWith(
            QStringLiteral("Error creating the shortcut in ") + home_.filePath("Desktop")));
        QVERIFY(QFile::remove(blocker.fileName()));
    }
};

QTEST_MAIN(TestShortcut)
#include "tst_shortcut.moc"
