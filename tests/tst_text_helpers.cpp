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
    void readNumber_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<double>("expected");
        QTest::newRow("integer") << "42" << 42.0;
        QTest::newRow("decimal") << "23.4" << 23.4;
        QTest::newRow("unit after") << "23.4 \u00B0C" << 23.4;
        QTest::newRow("leading blanks") << "   7" << 7.0;
        QTest::newRow("negative") << "-3.5" << -3.5;
        QTest::newRow("plus sign") << "+2" << 2.0;
        QTest::newRow("point first") << ".5" << 0.5;
        QTest::newRow("comma ends") << "1,5" << 1.0;
        QTest::newRow("empty") << "" << 0.0;
        QTest::newRow("not found") << "N/F" << 0.0;
        QTest::newRow("text first") << "abc12" << 0.0;
        QTest::newRow("lone minus") << "-" << 0.0;
        QTest::newRow("time cell") << "07/01:30pm" << 7.0;
        QTest::newRow("two points") << "1.2.3" << 1.2;
    }

    void readNumber()
    {
        QFETCH(QString, text);
        QFETCH(double, expected);
        QCOMPARE(common::readNumber(text), expected);
    }

    void readInteger_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("expected");
        QTest::newRow("half to even down") << "0.5" << 0;
        QTest::newRow("half to even up") << "1.5" << 2;
        QTest::newRow("2.5") << "2.5" << 2;
        QTest::newRow("-2.5") << "-2.5" << -2;
        QTest::newRow("above half") << "2.51" << 3;
        QTest::newRow("huge clamps") << "99999999999999" << INT_MAX;
        QTest::newRow("minus one") << "-1" << -1;
    }

    void readInteger()
    {
        QFETCH(QString, text);
        QFETCH(int, expected);
        QCOMPARE(common::readInteger(text), expected);
    }

    void roundToCurrency()
    {
        QCOMPARE(common::roundToCurrency(20.950001), 20.95);
        QVERIFY(common::roundToCurrency(30.00004) == common::roundToCurrency(30.0));
    }

    void scrambleRoundTripsEveryByte_data()
    {
        QTest::addColumn<QByteArray>("key");
        QTest::newRow("saver key") << QByteArray(common::kSaverKey);
        QTest::newRow("one byte") << QByteArray("z");
        QTest::newRow("high bytes") << QByteArray("\xFF\x80\x01");
    }

    void scrambleRoundTripsEveryByte()
    {
        QFETCH(QByteArray, key);
        QByteArray all;
        for (int b = 0; b < 256; ++b)
            all.append(static_cast<char>(b));
        const QByteArray stored = common::scramble(all, key);
        QCOMPARE(stored.size(), all.size());
        QVERIFY(stored != all);
        QCOMPARE(common::unscramble(stored, key), all);
    }

    void scrambleUsesKeyFromSecondCharacter()
    {
        // Shifting zero bytes shows which key byte each position takes: 2nd, 3rd, ..., then 1st.
        QCOMPARE(common::scramble(QByteArray(4, '\0'), "ABC"), QByteArray("BCAB"));
        QCOMPARE(common::scramble(QByteArray(8, '\0'), common::kSaverKey), QByteArray("XTRELMQX"));
        // Wraps modulo 256 both ways.
        QCOMPARE(common::scramble("\xF0", QByteArray("\x00\x20", 2)), QByteArray("\x10"));
        QCOMPARE(common::unscramble("\x10", QByteArray("\x00\x20", 2)), QByteArray("\xF0"));
    }

    void scrambleWithEmptyKeyKeepsText()
    {
        QCOMPARE(common::scramble("secret", ""), QByteArray("secret"));
        QCOMPARE(common::unscramble("secret", ""), QByteArray("secret"));
    }

    void base64_data()
    {
        QTest::addColumn<QByteArray>("plain");
        QTest::addColumn<QByteArray>("encoded");
        // The test vectors of RFC 4648, section 10: every length modulo 3.
        QTest::newRow("empty") << QByteArray("") << QByteArray("");
        QTest::newRow("f") << QByteArray("f") << QByteArray("Zg==");
        QTest::newRow("fo") << QByteArray("fo") << QByteArray("Zm8=");
        QTest::newRow("foo") << QByteArray("foo") << QByteArray("Zm9v");
        QTest::newRow("foob") << QByteArray("foob") << QByteArray("Zm9vYg==");
        QTest::newRow("fooba") << QByteArray("fooba") << QByteArray("Zm9vYmE=");
        QTest::newRow("foobar") << QByteArray("foobar") << QByteArray("Zm9vYmFy");
        QTest::newRow("credentials") << QByteArray("user:pass") << QByteArray("dXNlcjpwYXNz");
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

    void addBackslash_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("expected");
        QTest::newRow("without") << "/opt/nimbulo"
                                 << "/opt/nimbulo/";
        QTest::newRow("with") << "/opt/nimbulo/"
                              << "/opt/nimbulo/";
        QTest::newRow("empty") << ""
                               << "/";
    }

    void addBackslash()
    {
        QFETCH(QString, path);
        QFETCH(QString, expected);
        QCOMPARE(common::addBackslash(path), expected);
    }

    void fileExists()
    {
        QTemporaryDir dir;
        const QString empty = dir.filePath("custom1.ini");
        const QString full = dir.filePath("custom2.ini");
        QFile(empty).open(QIODevice::WriteOnly);
        QFile f(full);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("[x]\n");
        f.close();
        QVERIFY(!common::fileExists(empty));
        QVERIFY(common::fileExists(full));
        QVERIFY(!common::fileExists(dir.filePath("missing.ini")));
        QVERIFY(!common::fileExists(dir.path()));
    }
};

QTEST_GUILESS_MAIN(TestTextHelpers)
#include "tst_text_helpers.moc"
