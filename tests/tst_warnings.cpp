// The bureau's warnings: the list and companion readers against invented samples in the
// bureau's shapes, damaged ones and the real products; which warnings count for a district;
// the texts a user reads.

#include "real_products.h"
#include "weather/engine/warning_watch.h"

#include <QtTest>

using namespace engine;

namespace {

QString sample(const char* name)
{
    QFile file(QStringLiteral(NIMBULO_TEST_DATA "/") + QLatin1String(name));
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

const QDateTime kBefore = QDateTime::fromString("2026-12-12T05:00:00Z", Qt::ISODate);

} // namespace

class TestWarnings : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // Items keyed on the product in their link, the latest of a product kept; a link without a
    // product left out (and named); anything but this state's list refused with a reason.
    void readsTheList_data()
    {
        QTest::addColumn<QString>("document");
        QTest::addColumn<QString>("expected"); // the list's identifier expected
        QTest::addColumn<QStringList>("ids");
        QTest::addColumn<int>("withoutId");
        QTest::addColumn<QString>("error");
        const QString nsw = sample("warnings_list_nsw.xml");
        const QStringList both{"IDN21033", "IDN21035"};
        QTest::newRow("repeated guid, repeated product, link without id")
            << nsw << "IDZ00054" << both << 1 << QString();
        QTest::newRow("empty list")
            << sample("warnings_list_empty.xml") << "IDZ00054" << QStringList() << 0 << QString();
        QTest::newRow("another state's")
            << nsw << "IDZ00059" << QStringList() << 0 << "list IDZ00054, not IDZ00059";
        QTest::newRow("cut short")
            << nsw.left(nsw.size() / 2) << "IDZ00054" << QStringList() << 0 << "not well-formed";
        QTest::newRow("not RSS") << sample("warning_amoc_storm.xml") << "IDZ00054" << QStringList()
                                 << 0 << "not an RSS list";
        QTest::newRow("DTD") << "<!DOCTYPE rss [<!ENTITY a 'x'>]><rss/>"
                             << "" << QStringList() << 0 << "not well-formed";
        QTest::newRow("empty document") << ""
                                        << "" << QStringList() << 0 << "not well-formed";
    }
    void readsTheList()
    {
        QFETCH(QString, document);
        QFETCH(QString, expected);
        QFETCH(QStringList, ids);
        QFETCH(int, withoutId);
        QFETCH(QString, error);
        const auto read = readWarningList(document.toUtf8(), expected);
        QVERIFY2(read.error.contains(error) && read.rows.has_value() == error.isEmpty(),
                 qPrintable(read.error));
        if (!read.rows)
            return;
        QStringList got;
        for (const WarningListItem& item : read.rows->items)
            got.append(item.id);
        QCOMPARE(got, ids);
        QCOMPARE(read.rows->withoutId.size(), withoutId);
        if (!ids.isEmpty()) {
            // Of the two items of IDN21033 the later one stands; "GMT" dates read.
            QCOMPARE(read.rows->items.first().pubDate,
                     QDateTime::fromString("2026-12-12T04:05:00Z", Qt::ISODate));
            QCOMPARE(read.rows->ttlMinutes, 10);
        }
    }

    void readsTheRealList()
    {
        REAL_PRODUCT_OR_SKIP(bytes, "IDZ00059.warnings_vic.2021-10-05.xml");
        const auto read = readWarningList(bytes, "IDZ00059");
        QVERIFY2(read.rows, qPrintable(read.error));
        QStringList ids;
        for (const WarningListItem& item : read.rows->items)
            ids.append(item.id);
        QVERIFY(ids.contains("IDV21037") && ids.contains("IDV35010"));
        QCOMPARE(ids.removeDuplicates(), 0);
        QVERIFY(!read.rows->withoutId.isEmpty()); // the pages named by their subject
        QCOMPARE(read.rows->pubDate, QDateTime::fromString("2021-10-05T11:02:55Z", Qt::ISODate));
    }

    void readsCompanions_data()
    {
        QTest::addColumn<QString>("document");
        QTest::addColumn<QString>("expected");
        QTest::addColumn<int>("hazards");
        QTest::addColumn<QString>("error");
        const QString storm = sample("warning_amoc_storm.xml");
        QTest::newRow("several hazards and areas") << storm << "IDN21033" << 2 << QString();
        QTest::newRow("another product's") << storm << "IDN21099" << 0 << "not IDN21099";
        QTest::newRow("cut short") << storm.left(900) << "IDN21033" << 0 << "not well-formed";
        QTest::newRow("not amoc") << sample("warnings_list_nsw.xml") << "" << 0 << "not an <amoc>";
        QTest::newRow("no identifier") << "<amoc><phase>NEW</phase></amoc>"
                                       << "" << 0 << "no product identifier";
    }
    void readsCompanions()
    {
        QFETCH(QString, document);
        QFETCH(QString, expected);
        QFETCH(int, hazards);
        QFETCH(QString, error);
        const auto read = readWarningCompanion(document.toUtf8(), expected);
        QVERIFY2(read.error.contains(error) && read.rows.has_value() == error.isEmpty(),
                 qPrintable(read.error));
        if (!read.rows)
            return;
        QCOMPARE(read.rows->hazards.size(), hazards);
        QCOMPARE(read.rows->issued.offsetFromUtc(), 11 * 3600); // the bureau's local time
        QCOMPARE(read.rows->hazards.at(1).areas.at(1).type, "marine-zone");
    }

    void readsTheRealCompanion()
    {
        REAL_PRODUCT_OR_SKIP(bytes, "IDD21033.amoc.xml");
        const auto read = readWarningCompanion(bytes, "IDD21033");
        QVERIFY2(read.rows, qPrintable(read.error));
        const QDateTime issued = QDateTime::fromString("2023-12-19T05:40:00Z", Qt::ISODate);
        const WarningList inForce =
            warningsInForce({{{"IDD21033", "19/15:09 CST x", QUrl(), issued}, *read.rows}},
                            "NT_PW006", issued, "products/{id}.shtml");
        QCOMPARE(inForce.size(), 1);
        QCOMPARE(inForce.first().headline,
                 "Severe Thunderstorm Warning for Damaging Winds for Barkly forecast district");
        QCOMPARE(inForce.first().districtName, "Barkly");
        QCOMPARE(warningPrintText(inForce), "03:09 PM 19/12 " + inForce.first().headline + "\n");
        // Three hours later it has expired.
        QVERIFY(warningsInForce({{{"IDD21033", "", QUrl(), issued}, *read.rows}}, "NT_PW006",
                                issued.addSecs(3 * 3600), "")
                    .isEmpty());
    }

    // The full product: its texts in order, paragraphs kept apart, the embedded image skipped;
    // the hazards inside the state's region area are the warning's own.
    void readsTheFullProduct()
    {
        const QByteArray product = sample("warning_product_storm.xml").toUtf8();
        const auto read = readWarningProduct(product, "IDN21033");
        QVERIFY2(read.rows, qPrintable(read.error));
        QCOMPARE(read.rows->texts.size(), 2);
        QCOMPARE(read.rows->texts.at(1).second,
                 "Move your car under cover.\n\nStay indoors & away from windows.");
        QCOMPARE(read.rows->head.hazards.size(), 1);
        // The region around the hazards does not make it the state's.
        QVERIFY(warningsInForce({{{"IDN21033", "", QUrl(), {}}, read.rows->head}}, "NSW_PW007",
                                kBefore, "")
                    .isEmpty());
        QVERIFY(!readWarningProduct(product.left(product.size() - 40), "IDN21033").rows);
        QVERIFY(!readWarningProduct(sample("warning_amoc_storm.xml").toUtf8(), "IDN21033").rows);
    }

    // The product an address names (its file name) and the last one a link or text holds.
    void namesProducts_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("fileId");
        QTest::addColumn<QString>("lastId");
        const auto row = [](const char* text, const char* fileId, const char* lastId) {
            QTest::newRow(text) << QString::fromUtf8(text) << QString::fromLatin1(fileId)
                                << QString::fromLatin1(lastId);
        };
        row("ftp://ftp.bom.gov.au/anon/gen/fwo/IDN60920.xml", "IDN60920", "IDN60920");
        row("https://reg.bom.gov.au/fwo/IDZ00059.warnings_vic.xml", "", "IDZ00059");
        row("http://x/products/IDN21033.shtml?more=IDQ20885", "", "IDQ20885");
        row("IDN60920.xml", "", "IDN60920");
        row("/XIDN60920.xml", "", "IDN60920");
        row("/IDN609201.xml", "", "IDN60920");
        row("/IDN60920.", "", "IDN60920");
        row("/IDn60920.xml", "", "");
        row("/IDN6092.xml", "", "");
        row("/IDN6092\uff10.xml", "", ""); // a full-width digit
        row("", "", "");
    }
    void namesProducts()
    {
        QFETCH(QString, text);
        QFETCH(QString, fileId);
        QFETCH(QString, lastId);
        QCOMPARE(productIdOf(text), fileId);
        QCOMPARE(warningProductIdIn(text), lastId);
    }

    // A warning whose companion gives no headline is named by its list title, without the
    // title's day, time and zone.
    void headlineFromTheTitle_data()
    {
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("headline");
        QTest::newRow("stamped") << "12/15:05 EDT Flood Watch for the Hunter"
                                 << "Flood Watch for the Hunter";
        QTest::newRow("short day, long zone") << "5/9:05  AEDT\tFlood Watch "
                                              << "Flood Watch";
        QTest::newRow("no stamp") << " Flood Watch "
                                  << "Flood Watch";
        QTest::newRow("three-digit day") << "123/15:05 EDT x"
                                         << "123/15:05 EDT x";
        QTest::newRow("one-letter zone") << "12/15:05 E x"
                                         << "12/15:05 E x";
        QTest::newRow("six-letter zone") << "12/15:05 ABCDEF x"
                                         << "12/15:05 ABCDEF x";
        QTest::newRow("stamp alone") << "12/15:05 EDT"
                                     << "12/15:05 EDT";
    }
    void headlineFromTheTitle()
    {
        QFETCH(QString, title);
        QFETCH(QString, headline);
        QString document = sample("warning_amoc_storm.xml");
        document.replace(QRegularExpression("<headline>[^<]*</headline>"), QString());
        const auto read = readWarningCompanion(document.toUtf8(), "IDN21033");
        QVERIFY2(read.rows, qPrintable(read.error));
        const WarningList inForce = warningsInForce(
            {{{"IDN21033", title, QUrl("http://x/"), {}}, *read.rows}}, "NSW_PW005", kBefore, "");
        QCOMPARE(inForce.size(), 1);
        QCOMPARE(inForce.first().headline, headline);
    }

    // Which warnings count, the companion changed by `from` -> `to`.
    void whichWarningsCount_data()
    {
        QTest::addColumn<QString>("from");
        QTest::addColumn<QString>("to");
        QTest::addColumn<QString>("district");
        QTest::addColumn<QDateTime>("now");
        QTest::addColumn<QString>("counts"); // the district name shown; "" does not count
        const auto row = [](const char* name, const char* from, const char* to,
                            const char* district, const QDateTime& now, const char* counts) {
            QTest::newRow(name) << from << to << district << now << counts;
        };
        row("names the district", "", "", "NSW_PW005", kBefore, "Sydney Metropolitan");
        row("another district", "", "", "NSW_PW007", kBefore, "");
        row("cancelled", "<phase>UPD", "<phase>CAN", "NSW_PW005", kBefore, "");
        row("final", "<phase>UPD", "<phase>FIN", "NSW_PW005", kBefore, "");
        row("expired", "<phase>UPD", "<phase>EXP", "NSW_PW005", kBefore, "");
        row("past its expiry", "", "", "NSW_PW005", kBefore.addSecs(4 * 3600), "");
        row("not a warning", "<product-type>W", "<product-type>F", "NSW_PW005", kBefore, "");
        const char* hunter =
            "aac=\"NSW_PW003\" phase=\"UPD\" description=\"Hunter\" type=\"public-district\"";
        const char* state = "aac=\"NSW_FA001\" description=\"New South Wales\" type=\"region\"";
        row("the whole state", hunter, state, "NSW_PW007", kBefore, "New South Wales");
        row("another state's whole state", hunter, state, "VIC_PW001", kBefore, "");
        row("no district: the state's every one", "", "", "", kBefore, "Hunter");
    }
    void whichWarningsCount()
    {
        QFETCH(QString, from);
        QFETCH(QString, to);
        QFETCH(QString, district);
        QFETCH(QDateTime, now);
        QFETCH(QString, counts);
        QString document = sample("warning_amoc_storm.xml");
        if (!from.isEmpty())
            document.replace(from, to);
        const auto read = readWarningCompanion(document.toUtf8(), "IDN21033");
        QVERIFY2(read.rows, qPrintable(read.error));
        const WarningList inForce =
            warningsInForce({{{"IDN21033", "12/15:05 EDT x", QUrl("http://x/"), {}}, *read.rows}},
                            district, now, "https://example.org/{id}.shtml");
        QCOMPARE(inForce.isEmpty() ? QString() : inForce.first().districtName, counts);
        if (inForce.isEmpty())
            return;
        QCOMPARE(inForce.first().page, QUrl("https://example.org/IDN21033.shtml"));
        if (district == u"NSW_PW005")
            QCOMPARE(inForce.first().severity, "SEV"); // the most severe hazard here
    }
};

QTEST_GUILESS_MAIN(TestWarnings)
#include "tst_warnings.moc"
