#include "weather/config/custom_menus.h"

#include <QFile>
#include <QMenu>
#include <QTemporaryDir>
#include <QtTest>

using config::CustomMenus;

namespace {

QString sample(const QString& name)
{
    return QStringLiteral(NIMBULO_TEST_DATA "/") + name;
}

// "caption=url" of each link, in order.
QStringList links(const QList<config::CustomLink>& list)
{
    QStringList out;
    for (const config::CustomLink& link : list)
        out << link.caption + '=' + link.url;
    return out;
}

} // namespace

class TestCustomMenus : public QObject
{
    Q_OBJECT

    QTemporaryDir dir_;

private Q_SLOTS:
    void cleanup()
    {
        QFile::remove(dir_.filePath("custom1.ini"));
        QFile::remove(dir_.filePath("custom2.ini"));
    }

    void badFiles_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("section");
        QTest::addColumn<bool>("shown");
        QTest::addColumn<int>("links");
        QTest::newRow("region missing from the file")
            << sample("menu_custom1.ini") << "QLD" << true << 0;
        QTest::newRow("no menu name") << sample("menu_unnamed.ini") << "NSW" << false << 1;
        const QString text = dir_.filePath(QStringLiteral("custom1.txt"));
        QFile::remove(text);
        QVERIFY(QFile::copy(sample("menu_custom1.ini"), text));
        QTest::newRow("not an .ini path") << text << "NSW" << false << 0;
        QTest::newRow("missing file") << sample("menu_none.ini") << "NSW" << false << 0;
        QTest::newRow("huge and negative counts")
            << sample("menu_hostile.ini") << "NSW" << true << 999;
    }

    void badFiles()
    {
        QFETCH(QString, path);
        QFETCH(QString, section);
        QFETCH(bool, shown);
        QFETCH(int, links);
        CustomMenus menus;
        config::buildCustomMenu(path, 0, section, menus);
        QCOMPARE(menus.menus[0].shown, shown);
        QCOMPARE(menus.menus[0].links.size(), links);
        QVERIFY(menus.menus[0].extras.isEmpty());
    }

    // Without a usable custom1.ini the second file's menu comes first.
    void secondFileAlone_data()
    {
        QTest::addColumn<bool>("emptyFirst");
        QTest::newRow("no first file") << false;
        QTest::newRow("empty first file") << true;
    }

    void secondFileAlone()
    {
        QFETCH(bool, emptyFirst);
        QFile first(dir_.filePath("custom1.ini"));
        QVERIFY(!emptyFirst || first.open(QIODevice::WriteOnly));
        first.close();
        QVERIFY(QFile::copy(sample("menu_custom2.ini"), dir_.filePath("custom2.ini")));
        CustomMenus menus;
        config::loadCustomMenus(dir_.path() + '/', QStringLiteral("NSW"), menus);
        QCOMPARE(menus.menus[0].caption, QStringLiteral("&Second"));
        QCOMPARE(links(menus.menus[0].links), (QStringList{"Second A=http://second.example/a",
                                                           "Second B=http://second.example/b"}));
        QVERIFY(!menus.menus[1].shown);
    }

    void regionChangeReplacesLinksAndKeepsMenusShown()
    {
        QVERIFY(QFile::copy(sample("menu_custom1.ini"), dir_.filePath("custom1.ini")));
        CustomMenus menus;
        config::loadCustomMenus(dir_.path() + '/', QStringLiteral("NSW"), menus);
        config::loadCustomMenus(dir_.path() + '/', QStringLiteral("VIC"), menus);
        QCOMPARE(links(menus.menus[0].links), QStringList{"Melbourne=http://melbourne.example/"});
        QVERIFY(menus.menus[0].extras.isEmpty());

        // The file gone: no links any more, but the menu stays shown for the run.
        cleanup();
        config::loadCustomMenus(dir_.path() + '/', QStringLiteral("NSW"), menus);
        QVERIFY(menus.menus[0].shown);
        QVERIFY(menus.menus[0].links.isEmpty());
    }

    void menuPictures()
    {
        QMenu tray;
        QMenu links;
        for (int i = 0; i < 14; ++i) {
            if (i < 13)
                tray.addAction(QString::number(i));
            links.addAction(QString::number(i));
        }
        tray.actions()[8]->setMenu(&links);
        links.actions()[13]->setVisible(false);
        config::setMenuBitmaps(&tray);
        // Pictures on the tray entries but the separators' places, on the eleven fixed links
        // and a visible custom menu, not on the separator before it or a hidden one.
        QString trayPictures, linkPictures;
        for (int i = 0; i < 14; ++i) {
            if (i < 13)
                trayPictures += tray.actions()[i]->icon().isNull() ? '-' : 'P';
            linkPictures += links.actions()[i]->icon().isNull() ? '-' : 'P';
        }
        QCOMPARE(trayPictures, QStringLiteral("P-P-P-P-P-PPP"));
        QCOMPARE(linkPictures, QStringLiteral("PPPPPPPPPPP-P-"));

        QMenu shortMenu;
        shortMenu.addAction(QStringLiteral("only"));
        config::setMenuBitmaps(&shortMenu); // fewer entries than positions: no harm done
        QVERIFY(!shortMenu.actions().first()->icon().isNull());
    }
};

QTEST_MAIN(TestCustomMenus)
#include "tst_custom_menus.moc"
