#include "weather/config/custom_menus.h"

#include <QFile>
#include <QMenu>
#include <QTemporaryDir>
#include <QtTest>

using config::CustomMenus;

namespace {

QString sample(const char* name)
{
    return QStringLiteral(NIMBULO_TEST_DATA "/") + QLatin1String(name);
}

} // namespace

class TestCustomMenus : public QObject
{
    Q_OBJECT

    QTemporaryDir dir_;

    QString appDir() const { return dir_.path() + QLatin1Char('/'); }

    void install(const char* sampleName, const char* asName)
    {
        const QString target = dir_.filePath(QLatin1String(asName));
        QFile::remove(target);
        QVERIFY(QFile::copy(sample(sampleName), target));
    }

private Q_SLOTS:
    void cleanup()
    {
        QFile::remove(dir_.filePath(QStringLiteral("custom1.ini")));
        QFile::remove(dir_.filePath(QStringLiteral("custom2.ini")));
    }

    void linksInFileOrder()
    {
        CustomMenus menus;
        config::buildCustomMenu(sample("menu_custom1.ini"), 0, QStringLiteral("NSW"), menus);
        const config::CustomMenu& m = menus.menus[0];
        QVERIFY(m.shown);
        QVERIFY(menus.separatorShown);
        QCOMPARE(m.caption, QStringLiteral("&My Links"));
        QCOMPARE(m.links.size(), 3);
        QCOMPARE(m.links[0].caption, QStringLiteral("Local council")); // trimmed
        QCOMPARE(m.links[1].caption, QStringLiteral("Surf cams"));
        QCOMPARE(m.links[2].caption, QStringLiteral("Tides"));
        // Addresses are used as written, query string included, without the bureau's root.
        QCOMPARE(m.links[1].url, QStringLiteral("http://surf.example/cams?beach=bondi&zoom=2"));
        QCOMPARE(m.extras.size(), 2);
        QCOMPARE(m.extras[1].caption, QStringLiteral("Extra two"));
        QCOMPARE(m.extras[1].url, QStringLiteral("http://extra.example/2"));
        QVERIFY(menus.menus[1].links.isEmpty());
    }

    void badFiles_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("section");
        QTest::addColumn<bool>("shown");
        QTest::addColumn<int>("links");
        QTest::addColumn<int>("extras");
        QTest::newRow("region missing from the file")
            << sample("menu_custom1.ini") << "QLD" << true << 0 << 0;
        QTest::newRow("no menu name") << sample("menu_unnamed.ini") << "NSW" << false << 1 << 0;
        const QString text = dir_.filePath(QStringLiteral("custom1.txt"));
        QFile::remove(text);
        QVERIFY(QFile::copy(sample("menu_custom1.ini"), text));
        QTest::newRow("not an .ini path") << text << "NSW" << false << 0 << 0;
        QTest::newRow("missing file") << sample("menu_none.ini") << "NSW" << false << 0 << 0;
        QTest::newRow("huge and negative counts")
            << sample("menu_hostile.ini") << "NSW" << true << 999 << 0;
    }

    void badFiles()
    {
        QFETCH(QString, path);
        QFETCH(QString, section);
        QFETCH(bool, shown);
        QFETCH(int, links);
        QFETCH(int, extras);
        CustomMenus menus;
        config::buildCustomMenu(path, 0, section, menus);
        QCOMPARE(menus.menus[0].shown, shown);
        QCOMPARE(menus.menus[0].links.size(), links);
        QCOMPARE(menus.menus[0].extras.size(), extras);
    }

    void loneSecondFileFillsFirstMenu()
    {
        install("menu_custom2.ini", "custom2.ini");
        CustomMenus menus;
        config::loadCustomMenus(appDir(), QStringLiteral("NSW"), menus);
        QVERIFY(menus.menus[0].shown);
        QCOMPARE(menus.menus[0].caption, QStringLiteral("&Second"));
        QCOMPARE(menus.menus[0].links.size(), 2);
        QVERIFY(!menus.menus[1].shown);
    }

    void bothFilesKeepTheirOwnLinks()
    {
        install("menu_custom1.ini", "custom1.ini");
        install("menu_custom2.ini", "custom2.ini");
        CustomMenus menus;
        config::loadCustomMenus(appDir(), QStringLiteral("NSW"), menus);
        QVERIFY(menus.menus[0].shown);
        QVERIFY(menus.menus[1].shown);
        QCOMPARE(menus.menus[0].links[0].url, QStringLiteral("http://council.example/"));
        QCOMPARE(menus.menus[0].extras.size(), 2);
        QCOMPARE(menus.menus[1].links[0].url, QStringLiteral("http://second.example/a"));
        QCOMPARE(menus.menus[1].links[1].url, QStringLiteral("http://second.example/b"));
    }

    void emptyFirstFileCountsAsMissing()
    {
        QFile empty(dir_.filePath(QStringLiteral("custom1.ini")));
        QVERIFY(empty.open(QIODevice::WriteOnly));
        empty.close();
        install("menu_custom2.ini", "custom2.ini");
        CustomMenus menus;
        config::loadCustomMenus(appDir(), QStringLiteral("NSW"), menus);
        QCOMPARE(menus.menus[0].caption, QStringLiteral("&Second"));
        QVERIFY(!menus.menus[1].shown);
    }

    void regionChangeReplacesLinksAndKeepsMenusShown()
    {
        install("menu_custom1.ini", "custom1.ini");
        CustomMenus menus;
        config::loadCustomMenus(appDir(), QStringLiteral("NSW"), menus);
        config::loadCustomMenus(appDir(), QStringLiteral("VIC"), menus);
        QCOMPARE(menus.menus[0].links.size(), 1);
        QCOMPARE(menus.menus[0].links[0].url, QStringLiteral("http://melbourne.example/"));
        QVERIFY(menus.menus[0].extras.isEmpty());

        // The file gone: no links any more, but the menu stays shown for the run.
        cleanup();
        config::loadCustomMenus(appDir(), QStringLiteral("NSW"), menus);
        QVERIFY(menus.menus[0].shown);
        QVERIFY(menus.menus[0].links.isEmpty());
    }

    void menuPictures()
    {
        QMenu tray;
        QList<QAction*> entries;
        for (int i = 0; i < 13; ++i)
            entries.append(tray.addAction(QString::number(i)));
        QMenu links;
        for (int i = 0; i < 14; ++i)
            links.addAction(QString::number(i));
        entries[8]->setMenu(&links);
        links.actions()[13]->setVisible(false);

        config::setMenuBitmaps(&tray);
        for (int i : {0, 2, 4, 6, 8, 10, 11, 12})
            QVERIFY2(!entries[i]->icon().isNull(), qPrintable(QString::number(i)));
        for (int i : {1, 3, 5, 7, 9})
            QVERIFY2(entries[i]->icon().isNull(), qPrintable(QString::number(i)));
        for (int i = 0; i <= 10; ++i)
            QVERIFY(!links.actions()[i]->icon().isNull());
        QVERIFY(links.actions()[11]->icon().isNull());  // the separator's place
        QVERIFY(!links.actions()[12]->icon().isNull()); // a visible custom menu
        QVERIFY(links.actions()[13]->icon().isNull());  // a hidden one
    }

    void picturesOnAShortMenu()
    {
        QMenu tray;
        tray.addAction(QStringLiteral("only"));
        config::setMenuBitmaps(&tray); // fewer entries than positions: no harm done
        QVERIFY(!tray.actions().first()->icon().isNull());
    }
};

QTEST_MAIN(TestCustomMenus)
#include "tst_custom_menus.moc"
