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

    QString startupFile() const
    {
        return home_.filePath(QStringLiteral("config/autostart/Nimbulo.desktop"));
    }
    QString desktopFile() const
    {
        return home_.filePath(QStringLiteral("Desktop/Nimbulo.desktop"));
    }

    // desktop-file-validate's verdict: empty when the entry is valid.
    QString validate(const QString& file)
    {
        if (validator_.isEmpty())
            return {};
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

    void entryText_data()
    {
        QTest::addColumn<QString>("program");
        QTest::addColumn<QString>("folder");
        QTest::addColumn<QString>("exec");
        QTest::addColumn<QString>("path");
        QTest::newRow("plain") << "/opt/nimbulo/weather"
                               << "/opt/nimbulo"
                               << "Exec=/opt/nimbulo/weather"
                               << "Path=/opt/nimbulo";
        QTest::newRow("blank in the folder") << "/home/a b/weather"
                                             << "/home/a b"
                                             << "Exec=\"/home/a b/weather\""
                                             << "Path=/home/a b";
        QTest::newRow("quote, dollar and percent") << "/x/\"$HOME\"%u/weather"
                                                   << "/x"
                                                   << "Exec=\"/x/\\\\\"\\\\$HOME\\\\\"%%u/weather\""
                                                   << "Path=/x";
        QTest::newRow("backslash") << "/x\\y/weather"
                                   << "/x\\y"
                                   << "Exec=\"/x\\\\\\\\y/weather\""
                                   << "Path=/x\\\\y";
    }

    void entryText()
    {
        QFETCH(QString, program);
        QFETCH(QString, folder);
        QFETCH(QString, exec);
        QFETCH(QString, path);
        CShellLink link;
        link.setPath(program);
        link.setWorkingDirectory(folder);
        const QStringList lines = link.entryText().split(QLatin1Char('\n'));
        QCOMPARE(lines.first(), QStringLiteral("[Desktop Entry]"));
        QVERIFY(lines.contains(QStringLiteral("Type=Application")));
        QVERIFY(lines.contains(QStringLiteral("Name=Nimbulo")));
        QVERIFY2(lines.contains(exec), qPrintable(link.entryText()));
        QVERIFY(lines.contains(path));

        const QString file = home_.filePath(QStringLiteral("entry.desktop"));
        QVERIFY(link.save(file));
        QCOMPARE(validate(file), QString());
        QVERIFY(QFileInfo(file).isExecutable());
    }

    void unrepresentableEntries_data()
    {
        QTest::addColumn<QString>("program");
        QTest::addColumn<QString>("folder");
        QTest::newRow("no program") << ""
                                    << "/opt";
        QTest::newRow("line break in the program") << "/opt/a\nb/weather"
                                                   << "/opt";
        QTest::newRow("line break in the folder") << "/opt/weather"
                                                  << "/op\nt";
    }

    void unrepresentableEntries()
    {
        QFETCH(QString, program);
        QFETCH(QString, folder);
        CShellLink link;
        link.setPath(program);
        link.setWorkingDirectory(folder);
        QVERIFY(link.entryText().isEmpty());
        QVERIFY(!link.save(home_.filePath(QStringLiteral("bad.desktop"))));
        QVERIFY(!QFile::exists(home_.filePath(QStringLiteral("bad.desktop"))));
    }

    void folders()
    {
        QCOMPARE(shell::specialFolderPath(true),
                 home_.filePath(QStringLiteral("config/autostart")));
        QCOMPARE(shell::specialFolderPath(false), home_.filePath(QStringLiteral("Desktop")));
    }

    void createAndRemove_data()
    {
        QTest::addColumn<bool>("startup");
        QTest::newRow("start-up folder") << true;
        QTest::newRow("desktop") << false;
    }

    void createAndRemove()
    {
        QFETCH(bool, startup);
        const QString file = startup ? startupFile() : desktopFile();
        const QString other = startup ? desktopFile() : startupFile();
        QFile::remove(file);
        QFile::remove(other);

        // The folder does not exist yet: it is made.
        QVERIFY(shell::makeShortcut(startup, false));
        QVERIFY(QFile::exists(file));
        QVERIFY(!QFile::exists(other));
        QCOMPARE(validate(file), QString());
        const QString text = readAll(file);
        const QString program = platform::appDir() + QStringLiteral("weather");
        QVERIFY2(text.contains(QStringLiteral("Exec=\"") + program + QLatin1Char('"')),
                 qPrintable(text));
        QVERIFY(text.contains(QStringLiteral("Path=") + home_.filePath("my programs/nimbulo") +
                              QLatin1Char('\n')));

        // An existing shortcut is replaced.
        QFile f(file);
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write("stale");
        f.close();
        QVERIFY(shell::makeShortcut(startup, false));
        QCOMPARE(readAll(file), text);

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
        QCOMPARE(MessageBox::shownBoxes().first().text,
                 QStringLiteral("Error creating Icon,\r\n\r\nYou will have to create a shortcut "
                                "manually\r\nShortcut for Dialup is on the Desktop\r\nShortcut "
                                "for permanent connections is in StartUp folder"));
        QVERIFY(QFile::remove(blocker.fileName()));
    }
};

QTEST_MAIN(TestShortcut)
#include "tst_shortcut.moc"
