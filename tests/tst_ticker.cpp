#include "weather/shell/frm_ticker.h"

#include <QSignalSpy>
#include <QtTest>

using shell::frmTicker;
using shell::tickerPrintText;

class TestTicker : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void printedText_data()
    {
        QTest::addColumn<QString>("tickerText");
        QTest::addColumn<bool>("showTrend");
        QTest::addColumn<bool>("theme");
        QTest::addColumn<QString>("printed");
        const QString pair = QStringLiteral("22.5 / 60%");
        QTest::newRow("first space at 5, arrow") << pair << true << false << pair + "     ";
        QTest::newRow("first space at 5, no theme")
            << " 22.5 / 60% " << false << false << "22.5 / 60%";
        QTest::newRow("first space at 5, theme") << pair << false << true << pair + "  ";
        QTest::newRow("first space at 6") << "22.5C / 60%" << true << false << "22.5C / 60%     ";
        // A space before position 5 is not the long form: the later rows decide.
        QTest::newRow("first space at 4, arrow") << "NNE 20" << true << false << "NNE 20      ";
        QTest::newRow("busy") << "Busy....." << true << true << "Busy..... ";
        QTest::newRow("busy without arrow") << "Busy....." << false << false << "Busy..... ";
        QTest::newRow("short, arrow") << "NoStn" << true << false << "NoStn      ";
        QTest::newRow("short, no theme") << "22.5" << false << false << "22.5";
        QTest::newRow("short, theme") << "22.5" << false << true << "22.5  ";
    }

    void printedText()
    {
        QFETCH(QString, tickerText);
        QFETCH(bool, showTrend);
        QFETCH(bool, theme);
        QFETCH(QString, printed);
        QCOMPARE(tickerPrintText(tickerText, showTrend, theme), printed);
    }

    void paintsNoDataForAnEmptyText()
    {
        frmTicker ticker;
        ticker.resize(80, 16);
        QVERIFY(!ticker.paintTicker({QString(), true, 3}));
        QCOMPARE(ticker.printed(), QStringLiteral("No Data"));
        QVERIFY(ticker.paintTicker({QStringLiteral("NoStn"), true, 3}));
        QVERIFY(ticker.arrowShown());
        QVERIFY(ticker.paintTicker({QStringLiteral("NoStn"), false, 3}));
        QVERIFY(!ticker.arrowShown());
    }

    // In its colours; old values dimmed: drawn, but nowhere in the full text colour.
    void drawsTextInItsColours_data()
    {
        QTest::addColumn<bool>("stale");
        QTest::newRow("current") << false;
        QTest::newRow("old") << true;
    }

    void drawsTextInItsColours()
    {
        QFETCH(bool, stale);
        frmTicker ticker;
        ticker.resize(120, 20);
        ticker.setColors(Qt::yellow, Qt::darkBlue);
        ticker.paintTicker(
            {QStringLiteral("WWWW"), false, 4,
             stale ? shell::PanelMarks(shell::PanelMark::Stale) : shell::PanelMarks()});
        const QImage image = ticker.textStrip()->grab().toImage();
        QCOMPARE(image.pixelColor(image.width() - 1, 0), QColor(Qt::darkBlue));
        bool fullColour = false;
        bool drawn = false;
        for (int x = 0; x < 40; ++x) {
            for (int y = 0; y < image.height() - 1; ++y) {
                fullColour = fullColour || image.pixelColor(x, y) == QColor(Qt::yellow);
                drawn = drawn || image.pixelColor(x, y) != QColor(Qt::darkBlue);
            }
        }
        QVERIFY(drawn);
        QCOMPARE(fullColour, !stale);
    }

    void mouseActions()
    {
        frmTicker ticker;
        ticker.resize(80, 16);
        ticker.show();
        QSignalSpy clicked(&ticker, &frmTicker::clicked);
        QSignalSpy doubled(&ticker, &frmTicker::doubleClicked);
        QSignalSpy right(&ticker, &frmTicker::rightButtonReleased);
        QTest::mouseClick(ticker.textStrip(), Qt::LeftButton);
        QCOMPARE(clicked.count(), 1);
        QCOMPARE(doubled.count(), 0);
        QTest::mouseClick(ticker.textStrip(), Qt::RightButton);
        QCOMPARE(right.count(), 1);
        QCOMPARE(clicked.count(), 1);
        QTest::mouseDClick(ticker.textStrip(), Qt::LeftButton);
        QCOMPARE(doubled.count(), 1);
    }
};

QTEST_MAIN(TestTicker)
#include "tst_ticker.moc"
