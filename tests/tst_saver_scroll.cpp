#include "saver/scroll_logic.h"
#include "saver/stats_feed.h"

#include <QtTest>

using saver::BlockScroller;
using saver::MouseMoveTest;
using saver::PairScroller;

namespace {

// Every character 10 pixels wide: 150 twips at 15 twips per pixel.
constexpr int kCharPixels = 10;
constexpr double kTwipsPerPixel = 15;

PairScroller scroller(int screenWidth, const QStringList& items)
{
    PairScroller p({[](QStringView text) { return int(text.size()) * kCharPixels; }, kTwipsPerPixel,
                    screenWidth});
    p.setItems(items, true);
    return p;
}

QString blanks(int n)
{
    return QString(n, QLatin1Char(' '));
}

} // namespace

class TestSaverScroll : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void fixedTexts()
    {
        QCOMPARE(saver::notRunningText(QStringLiteral("http://site/")),
                 QStringLiteral("Nimbulo\r\nhttp://site/\r\nNimbulo program\r\nNot running\r\n"
                                "Start up Nimbulo"));
        // A build that names no web site shows no empty line in its place.
        QCOMPARE(saver::notRunningText(QString()),
                 QStringLiteral("Nimbulo\r\nNimbulo program\r\nNot running\r\nStart up Nimbulo"));
        QCOMPARE(saver::noReadingsText(),
                 QStringLiteral("Nimbulo found\r\nNo readings\r\nCheck Nimbulo\r\n"));
    }

    void feedSplitting_data()
    {
        QTest::addColumn<QTime>("time");
        QTest::addColumn<QString>("stats");
        QTest::addColumn<QStringList>("items");
        QTest::newRow("feed") << QTime(15, 5)
                              << "Alpha at: 10:00 AM\r\nTemp - - - - >   35.5 C\r\nRain > 1.0 mm"
                              << QStringList{"Time: 03:05 PM", "Alpha at: 10:00 AM",
                                             "Temp - - - - >   35.5 C", "Rain > 1.0 mm"};
        QTest::newRow("alert at midnight") << QTime(0, 0) << "Nimbulo\r\nALERT"
                                           << QStringList{"Time: 12:00 AM", "Nimbulo", "ALERT"};
        // A lone line feed is not a line break of the feed, nor kept to break a display line.
        QTest::newRow("lone LF in the morning")
            << QTime(9, 59, 59) << "a\nb\x1b[2J" << QStringList{"Time: 09:59 AM", "a b [2J"};
    }

    void feedSplitting()
    {
        QFETCH(QTime, time);
        QFETCH(QString, stats);
        QFETCH(QStringList, items);
        QCOMPARE(saver::timeLine(time), items[0]);
        QCOMPARE(saver::displayItemsOf(stats, time), items);
    }

    void pairLoading_data()
    {
        QTest::addColumn<int>("screenWidth");
        QTest::addColumn<QStringList>("items");
        QTest::addColumn<int>("itemIndex");
        QTest::addColumn<QStringList>("pair");
        QTest::addColumn<int>("nextIndex");
        const auto row = [](const char* name, int width, const QStringList& items, int index,
                            const QString& line0, const QString& line1, int next) {
            QTest::newRow(name) << width << items << index << QStringList{line0, line1} << next;
        };
        const QStringList three{"aaaaaaaaaa", "bb", "c"};
        // (1000 - 100) / 45 = 20 blanks.
        row("first pair", 1000, three, 0, blanks(20) + "aaaaaaaaaa    ", blanks(20) + "bb    ", 2);
        // (1000 - 10) / 45 = 22; the odd last item pairs with blanks only.
        row("odd count ends with a blank row", 1000, three, 2, blanks(22) + "c    ", blanks(22), 0);
        // 44 / 45 has no whole part.
        row("almost the screen", 144, {"aaaaaaaaaa", "b"}, 0, "aaaaaaaaaa    ", "b    ", 0);
        // A line wider than the screen gives a negative count: no padding.
        const QString wide(30, 'w');
        row("wide line", 100, {wide, "x", "y"}, 0, wide + "    ", "x    ", 2);
        row("no items", 1000, {}, 0, "", "", 0);
    }

    void pairLoading()
    {
        QFETCH(int, screenWidth);
        QFETCH(QStringList, items);
        QFETCH(int, itemIndex);
        QFETCH(QStringList, pair);
        QFETCH(int, nextIndex);
        PairScroller p = scroller(screenWidth, items);
        for (int i = 0; i < itemIndex; i += 2) // the pairs before
            p.loadTickerPair();
        p.loadTickerPair();
        QCOMPARE(QStringList({p.pair()[0], p.pair()[1]}), pair);
        QCOMPARE(p.itemIndex(), nextIndex);
    }

    // The first line moves left and loses a character at a time, the rows drawn in turn; once
    // it has gone the next pair comes in with a pause, during which nothing moves.
    void pairsScrollOutAndTheNextPauses()
    {
        PairScroller p = scroller(0, {"ab", "cd", "ef"});
        p.loadTickerPair(); // "ab    " and "cd    "
        QStringList firstRow{p.pair()[0]};
        PairScroller::Step s{};
        for (int ticks = 0; !s.startHold; ++ticks) {
            QVERIFY(ticks < 100);
            s = p.tick();
            QVERIFY(s.x <= 0);
            if (s.row == 0 && s.text != firstRow.last())
                firstRow << s.text;
        }
        QCOMPARE(firstRow.mid(0, 3), (QStringList{"ab    ", "b    ", "    "}));
        QCOMPARE(p.pair()[0], QStringLiteral("ef    "));
        const auto twoRows = [&p] {
            const PairScroller::Step a = p.tick(), b = p.tick();
            return QStringLiteral("%1 %2 %3 %4").arg(a.text).arg(a.x).arg(b.text).arg(b.x);
        };
        const QString held = twoRows();
        for (int i = 0; i < 10; ++i)
            QCOMPARE(twoRows(), held);
        p.release();
        QVERIFY(twoRows() != held);
    }

    void blockPausesOnceAtTheTop_data()
    {
        QTest::addColumn<int>("boxHeight");
        QTest::newRow("height not a multiple of the step") << 3010;
        QTest::newRow("height a multiple of the step") << 3000;
    }

    void blockPausesOnceAtTheTop()
    {
        QFETCH(int, boxHeight);
        const int blockHeight = 900;
        BlockScroller b;
        // At load the block starts at the top and pauses there.
        BlockScroller::Step s = b.tick(blockHeight, boxHeight);
        QVERIFY(s.startHold);
        QCOMPARE(s.y, 0);
        QCOMPARE(b.tick(blockHeight, boxHeight).y, 0);
        b.release();

        // Up past the top, then again from the bottom, with one pause at the top per pass.
        int pauses = 0;
        for (int i = 0; i < 2 * (blockHeight + boxHeight) / BlockScroller::kStep; ++i) {
            s = b.tick(blockHeight, boxHeight);
            QVERIFY(s.y >= -blockHeight - BlockScroller::kStep && s.y <= boxHeight);
            if (s.startHold) {
                ++pauses;
                QVERIFY(s.y <= 0 && s.y > -BlockScroller::kStep);
                b.release();
            }
        }
        QCOMPARE(pauses, 1);
    }

    void mouseRule_data()
    {
        QTest::addColumn<QList<QPointF>>("moves"); // twips
        QTest::addColumn<int>("endsAt");           // 1-based event, 0 = never
        const QPointF far(5000, 5000);
        const auto still = [](int n) { return QList<QPointF>(n, QPointF()); };
        // The first three are ignored and the fourth only recorded.
        QTest::newRow("first four never end")
            << QList<QPointF>{{0, 0}, far, {9000, 0}, {100, 100}} << 0;
        // The 16th and 20th events are looked at: 20 away is not more than 20.
        QTest::newRow("jitter of 20")
            << QList<QPointF>(15, QPointF(100, 100)) +
                   QList<QPointF>{{120, 80}, {100, 100}, {100, 100}, {100, 100}, {80, 120}}
            << 0;
        QTest::newRow("far on the eighth") << still(4) + QList<QPointF>(4, far) << 8;
        QTest::newRow("21 across") << still(7) + QList<QPointF>{{21, 0}} << 8;
        QTest::newRow("only every fourth is looked at")
            << still(4) + QList<QPointF>{far, far, far, {0, 0}, far, far, far, far} << 12;
    }

    void mouseRule()
    {
        QFETCH(QList<QPointF>, moves);
        QFETCH(int, endsAt);
        MouseMoveTest test;
        int ended = 0;
        for (int i = 0; i < moves.size() && !ended; ++i) {
            if (test.moved(moves[i]))
                ended = i + 1;
        }
        QCOMPARE(ended, endsAt);
    }
};

QTEST_GUILESS_MAIN(TestSaverScroll)
#include "tst_saver_scroll.moc"
