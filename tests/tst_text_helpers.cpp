#include "common/base64.h"
#include "common/files.h"
#include "common/number.h"
#include "common/scramble.h"
#include "common/text_codec.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

class TestTextHelpers : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void numbers_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<double>("number");
        QTest::addColumn<int>("integer"); // rounded half to even, clamped
        const auto row = [](const char* name, const QString& text, double number, int integer) {
            QTest::newRow(name) << text << number << integer;
        };
        row("integer", "42", 42, 42);
        row("unit after", "23.4 \u00B0C", 23.4, 23);
        row("leading blanks", "   7", 7, 7);
        row("negative", "-3.5", -3.5, -4);
        row("plus sign", "+2", 2, 2);
        row("point first", ".5", 0.5, 0);
        row("comma ends", "1,5", 1, 1);
        row("empty", "", 0, 0);
        row("not found", "N/F", 0, 0);
        row("text first", "abc12", 0, 0);
        row("lone minus", "-", 0, 0);
        row("time cell", "07/01:30pm", 7, 7);
        row("two points", "1.2.3", 1.2, 1);
        row("half to even up", "1.5", 1.5, 2);
        row("half to even down", "2.5", 2.5, 2);
        row("negative half", "-2.5", -2.5, -2);
        row("above half", "2.51", 2.51, 3);
        row("huge clamps", "99999999999999", 99999999999999.0, INT_MAX);
    }

    void numbers()
    {
        QFETCH(QString, text);
        QFETCH(double, number);
        QFETCH(int, integer);
        QCOMPARE(common::readNumber(text), number);
        QCOMPARE(common::readInteger(text), integer);
    }

    void roundToCurrency()
    {
        QCOMPARE(common::roundToCurrency(20.950001), 20.95);
        QVERIFY(common::roundToCurrency(30.00004) == common::roundToCurrency(30.0));
    }

    void scramble_data()
    {
        QTest::addColumn<QByteArray>("key");
        QTest::addColumn<QByteArray>("plain");
        QTest::addColumn<QByteArray>("scrambled");
        // Zero bytes show which key byte each position takes: 2nd, 3rd, ..., then the 1st.
        QTest::newRow("key order")
            << QByteArray("ABC") << QByteArray(4, '\0') << QByteArray("BCAB");
        QTest::newRow("saver key")
            << QByteArray(common::kSaverKey) << QByteArray(8, '\0') << QByteArray("XTRELMQX");
        QTest::newRow("wraps modulo 256")
            << QByteArray("\x00\x20", 2) << QByteArray("\xF0") << QByteArray("\x10");
        QTest::newRow("high key bytes")
            << QByteArray("\xFF\x80\x01") << QByteArray(1, '\0') << QByteArray("\x80");
        QTest::newRow("empty key keeps the text")
            << QByteArray() << QByteArray("secret") << QByteArray("secret");
    }

    void scramble()
    {
        QFETCH(QByteArray, key);
        QFETCH(QByteArray, plain);
        QFETCH(QByteArray, scrambled);
        QCOMPARE(common::scramble(plain, key), scrambled);
        QCOMPARE(common::unscramble(scrambled, key), plain);
        // Every byte value survives the round trip.
        QByteArray all;
        for (int b = 0; b < 256; ++b)
            all.append(static_cast<char>(b));
        const QByteArray stored = common::scramble(all, key);
        QCOMPARE(stored.size(), all.size());
        QCOMPARE(stored != all, !key.isEmpty());
        QCOMPARE(common::unscramble(stored, key), all);
    }

    void base64_data()
    {
        QTest::addColumn<QByteArray>("plain");
        QTest::addColumn<QByteArray>("encoded");
        // From the test vectors of RFC 4648, section 10: every length modulo 3.
        QTest::newRow("empty") << QByteArray("") << QByteArray("");
        QTest::newRow("f") << QByteArray("f") << QByteArray("Zg==");
        QTest::newRow("fo") << QByteArray("fo") << QByteArray("Zm8=");
        QTest::newRow("foo") << QByteArray("foo") << QByteArray("Zm9v");
        QTest::newRow("fooba") << QByteArray("fooba") << QByteArray("Zm9vYmE=");
        QTest::newRow("foobar") << QByteArray("foobar") << QByteArray("Zm9vYmFy");
        QTest::newRow("high bytes") << QByteArray("\xFF\xFE") << QByteArray("//4=");
    }

    void base64()
    {
        QFETCH(QByteArray, plain);
        QFETCH(QByteArray, encoded);
        QCOMPARE(common::base64Encode(plain), encoded);
    }

    void windows1252RoundTrip()
    {
        QByteArray all;
        for (int b = 0; b < 256; ++b)
            all.append(static_cast<char>(b));
        QCOMPARE(common::toWindows1252(common::fromWindows1252(all)), all);
        QCOMPARE(common::fromWindows1252("\x80\x99"), QStringLiteral("\u20AC\u2122"));
        QCOMPARE(common::toWindows1252(QStringLiteral("\u4E2D")), QByteArray("?"));
    }

    void files()
    {
        QCOMPARE(common::addBackslash(QStringLiteral("/opt/nim")), QStringLiteral("/opt/nim/"));
        QCOMPARE(common::addBackslash(QStringLiteral("/opt/nim/")), QStringLiteral("/opt/nim/"));
        QCOMPARE(common::addBackslash(QString()), QStringLiteral("/"));

        // Only a file with something in it counts.
        QTemporaryDir dir;
        const QString empty = dir.filePath("custom1.ini");
        const QString full = dir.filePath("custom2.ini");
        QFile(empty).open(QIODevice::WriteOnly);
        QFile f(full);
        QVERIFY(f.open(QIODevice::WriteOnly) && f.write("[x]\n") == 4);
        f.close();
        QVERIFY(!common::fileExists(empty));
        QVERIFY(common::fileExists(full));
        QVERIFY(!common::fileExists(dir.filePath("missing.ini")));
        QVERIFY(!common::fileExists(dir.path()));
    }
};

QTEST_GUILESS_MAIN(TestTextHelpers)
#include "tst_text_helpers.moc"
