// The town forecasts (the bureau's precis product): the reader against a hand-written sample,
// the real product and damaged ones; the town a station shows by default; the texts a user
// reads.

#include "real_products.h"
#include "weather/engine/state_feed.h"
#include "weather/engine/town_forecast.h"

#include <QFile>
#include <QtTest>

using namespace engine;

namespace {

const QString kNsw = QStringLiteral("IDN11060");

QString readText(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

QString handSample()
{
    return readText(QStringLiteral(NIMBULO_TEST_DATA "/feed_precis_nsw.xml"));
}

// A real product of the bureau, or the test is skipped.
#define REAL_PRODUCT(var, name)                                                                    \
    const QByteArray var = ::realProduct(QStringLiteral(name));                                    \
    if (var.isEmpty())                                                                             \
        QSKIP("the real bureau product " name " is absent (../shared/bureau-samples/)");

TownForecasts read(const QString& document)
{
    auto result = readTownForecasts(document.toUtf8(), kNsw);
    if (!result.rows)
        qWarning() << result.error;
    return result.rows.value_or(TownForecasts{});
}

QStringList linesOf(const ForecastTown* town)
{
    QStringList lines;
    if (town) {
        for (const ForecastPeriod& period : town->periods)
            lines.append(periodLine(period));
    }
    return lines;
}

QDateTime at(const char* iso)
{
    return QDateTime::fromString(QLatin1String(iso), Qt::ISODate);
}

} // namespace

class TestTownForecast : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // Every town of the hand-written sample as `weather --print=forecast` prints its periods.
    void sampleLines_data()
    {
        QTest::addColumn<QString>("aac");
        QTest::addColumn<QStringList>("lines");
        // A part-day first period without a minimum, then a whole day; an icon code we do not
        // draw leaves the text.
        QTest::newRow("Sydney") << "NSW_PT131"
                                << QStringList{
                                       "Sun 27/10: Clear. Rain 5 %",
                                       "Mon 28/10: 14\u201325 \u00B0C, Becoming cloudy. Rain 30 % "
                                       "(0 to 1 mm)",
                                       "Tue 29/10: max 28 \u00B0C, Hot and gusty.",
                                   };
        QTest::newRow("only a minimum")
            << "NSW_PT132" << QStringList{"Sun 27/10: min -2 \u00B0C, Late storm."};
        // Eight periods; missing precis, rain and temperatures, a temperature that is no number.
        QTest::newRow("Canberra, 8 periods")
            << "NSW_PT027"
            << QStringList{
                   "Sun 27/10: Cloudy.",
                   "Mon 28/10: 5\u201319 \u00B0C, Showers. Rain 80 %",
                   "Tue 29/10: 6\u201317 \u00B0C, Shower or two. Rain 60 %",
                   "Wed 30/10: -1\u201316 \u00B0C, Frost then sunny.",
                   "Thu 31/10: 3\u201322 \u00B0C, Sunny. Rain 0 %",
                   "Fri 01/11: 8\u201324 \u00B0C, Windy.",
                   "Sat 02/11: 10\u201318 \u00B0C, Rain. Rain 95 % (10 to 25 mm)",
                   "Sun 03/11: Snow on the ranges.",
               };
        QTest::newRow("a town without periods") << "NSW_PT254" << QStringList{};
    }
    void sampleLines()
    {
        QFETCH(QString, aac);
        QFETCH(QStringList, lines);
        const TownForecasts forecasts = read(handSample());
        QVERIFY(forecasts.town(aac));
        QCOMPARE(linesOf(forecasts.town(aac)), lines);
    }

    void sampleProduct()
    {
        const TownForecasts forecasts = read(handSample());
        QCOMPARE(forecasts.identifier, kNsw);
        QCOMPARE(forecasts.issued, at("2024-10-27T04:50:00Z"));
        QStringList districts;
        for (const ForecastDistrict& d : forecasts.districts)
            districts.append(d.aac + QLatin1Char(' ') + d.name);
        QCOMPARE(districts, QStringList({"NSW_PW005 Sydney Metropolitan",
                                         "NSW_PW017 Australian Capital Territory",
                                         "NSW_PW010 Snowy Mountains"}));
        QStringList towns;
        for (const ForecastTown& t : forecasts.towns)
            towns.append(t.district + QLatin1Char(' ') + t.name);
        QCOMPARE(towns, QStringList({"NSW_PW005 Sydney", "NSW_PW005 Sydney Olympic Park",
                                     "NSW_PW017 Belconnen", "NSW_PW017 Canberra"}));
        // The unknown icon code reads as none: the strip draws no icon for it.
        QCOMPARE(forecasts.town(u"NSW_PT131")->periods.at(2).iconCode, 0);
        QCOMPARE(forecasts.town(u"NSW_PT131")->periods.at(1).iconCode, 3);
    }

    // The bureau's own product: every town with its periods, the issue time and the districts.
    void realProduct()
    {
        REAL_PRODUCT(document, "IDN11060.xml");
        const auto result = readTownForecasts(document, kNsw);
        QVERIFY2(result.rows, qPrintable(result.error));
        const TownForecasts& forecasts = *result.rows;
        QCOMPARE(forecasts.towns.size(), 146);
        QCOMPARE(forecasts.districts.size(), 17);
        QCOMPARE(forecasts.issued, at("2024-10-27T04:50:00Z"));
        qsizetype most = 0;
        for (const ForecastTown& town : forecasts.towns)
            most = std::max(most, town.periods.size());
        QCOMPARE(most, 8);
        const QStringList sydney = linesOf(forecasts.town(u"NSW_PT131"));
        QCOMPARE(sydney.value(0), QStringLiteral("Sun 27/10: Clear. Rain 5 %"));
        QCOMPARE(sydney.value(1), QStringLiteral("Mon 28/10: 14\u201325 \u00B0C, Becoming cloudy. "
                                                 "Rain 30 % (0 to 1 mm)"));
    }

    // Products that cannot be used say why, and give no forecasts.
    void refused_data()
    {
        QTest::addColumn<QString>("document");
        QTest::addColumn<QString>("expected");
        QTest::addColumn<QString>("error");
        const QString sample = handSample();
        QTest::newRow("cut short") << sample.left(sample.size() / 2) << kNsw
                                   << "Town forecasts feed is not well-formed XML";
        QTest::newRow("trailing garbage")
            << sample + "<product>" << kNsw << "Town forecasts feed is not well-formed XML";
        QTest::newRow("not XML") << "Service unavailable" << kNsw
                                 << "Town forecasts feed is not well-formed XML";
        QTest::newRow("empty") << "" << kNsw << "Town forecasts feed is not well-formed XML";
        QTest::newRow("a DTD")
            << "<?xml version=\"1.0\"?><!DOCTYPE product [<!ENTITY a \"aaaa\">]>" +
                   sample.mid(sample.indexOf("<product"))
            << kNsw << "Town forecasts feed is not well-formed XML (a document type declaration";
        QTest::newRow("another state's") << sample << "IDV10753"
                                         << "Town forecasts feed is product IDN11060, not IDV10753";
        QTest::newRow("observations product")
            << "<product><amoc><identifier>IDN11060</identifier></amoc><observations/></product>"
            << kNsw << "Town forecasts feed is not a forecast product";
        QTest::newRow("no issue time") << QString(sample).replace("2024-10-27T04:50:00Z", "soon")
                                       << kNsw << "Town forecasts feed has no issue time";
        QTest::newRow("no towns")
            << "<product><amoc><issue-time-utc>2024-10-27T04:50:00Z</issue-time-utc></amoc>"
               "<forecast><area aac=\"NSW_PW005\" type=\"public-district\"/></forecast></product>"
            << kNsw << "Town forecasts feed lists no towns";
    }
    void refused()
    {
        QFETCH(QString, document);
        QFETCH(QString, expected);
        QFETCH(QString, error);
        const auto result = readTownForecasts(document.toUtf8(), expected);
        QVERIFY(!result.rows);
        QVERIFY2(result.error.startsWith(error), qPrintable(result.error));
    }

    // The town a station shows until the user picks one, for real stations of the state
    // observations product (their district as that product names it) and the real towns.
    void defaultTown_data()
    {
        QTest::addColumn<QString>("listed");  // the station as the product lists it
        QTest::addColumn<QString>("station"); // the name the rule is given
        QTest::addColumn<QString>("town");
        const auto row = [](const char* listed, const char* station, const char* town) {
            QTest::newRow(station) << listed << station << town;
        };
        row("Sydney - Observatory Hill", "Sydney - Observatory Hill", "Sydney");
        row("Canberra", "Canberra", "Canberra");
        // The station known by its stn-name, as a saved name may be.
        row("Wagga Wagga", "Wagga Wagga AMO", "Wagga Wagga");
        row("Coffs Harbour Airport", "Coffs Harbour Airport", "Coffs Harbour");
        row("Thredbo Top Station", "Thredbo Top Station", "Thredbo Top Station");
        // Both "Sydney" and "Sydney Olympic Park" begin it: the longer.
        row("Sydney Olympic Park", "Sydney Olympic Park", "Sydney Olympic Park");
        // No town of the district begins it: the district's first.
        row("Thredbo Village", "Thredbo Village", "Perisher Valley");
        row("Cobar Airport", "COBAR AIRPORT", "Cobar");
        // Its district is the state itself, which has no towns.
        row("Lord Howe Island Windy Point", "Lord Howe Island Windy Point", "");
    }
    void defaultTown()
    {
        QFETCH(QString, listed);
        QFETCH(QString, station);
        QFETCH(QString, town);
        REAL_PRODUCT(observations, "IDN60920-2020-07-29.xml");
        REAL_PRODUCT(precis, "IDN11060.xml");
        config::StateLayout layout;
        layout.obsUrl = QStringLiteral("https://example/fwo/IDN60920.xml");
        const auto rows = readStateObservations(observations, layout);
        QVERIFY2(rows.rows, qPrintable(rows.error));
        const auto row = std::find_if(rows.rows->cbegin(), rows.rows->cend(), [&](const auto& r) {
            return stationNameOf(r.name) == listed;
        });
        QVERIFY2(row != rows.rows->cend(), qPrintable(listed));
        QVERIFY(!row->district.isEmpty());
        const TownForecasts forecasts = read(precis);
        const ForecastTown* chosen =
            forecasts.town(defaultTownOf(forecasts, row->district, station));
        QCOMPARE(chosen ? chosen->name : QString(), town);
    }

    // The rule's edges on the hand-written sample.
    void defaultTownByName_data()
    {
        QTest::addColumn<QString>("station");
        QTest::addColumn<QString>("district");
        QTest::addColumn<QString>("aac");
        const auto row = [](const char* name, const char* station, const char* district,
                            const char* aac) { QTest::newRow(name) << station << district << aac; };
        row("not a whole word", "Canberrans", "NSW_PW017", "NSW_PT254");
        row("a whole word", "Canberra Airport", "NSW_PW017", "NSW_PT027");
        row("first town", "Tuggeranong", "NSW_PW017", "NSW_PT254");
        row("district without towns", "Thredbo", "NSW_PW010", "");
        row("no district", "Sydney", "", "");
    }
    void defaultTownByName()
    {
        QFETCH(QString, station);
        QFETCH(QString, district);
        QFETCH(QString, aac);
        QCOMPARE(defaultTownOf(read(handSample()), district, station), aac);
    }

    // The stats tooltip's two lines as the day goes on.
    void glance_data()
    {
        QTest::addColumn<QString>("aac");
        QTest::addColumn<QDateTime>("now");
        QTest::addColumn<QStringList>("lines");
        QTest::newRow("evening of issue")
            << "NSW_PT131" << at("2024-10-27T18:00:00+11:00")
            << QStringList{"Rest of today: clear, 5 %",
                           "Tomorrow: 14\u201325 \u00B0C, becoming cloudy, 30 %"};
        QTest::newRow("next morning, UTC clock")
            << "NSW_PT131" << at("2024-10-27T22:00:00Z")
            << QStringList{"Rest of today: 14\u201325 \u00B0C, becoming cloudy, 30 %",
                           "Tomorrow: max 28 \u00B0C, hot and gusty"};
        QTest::newRow("last period") << "NSW_PT131" << at("2024-10-29T12:00:00+11:00")
                                     << QStringList{"Rest of today: max 28 \u00B0C, hot and gusty"};
        QTest::newRow("all past") << "NSW_PT131" << at("2024-11-01T12:00:00+11:00")
                                  << QStringList{};
        QTest::newRow("no details") << "NSW_PT027" << at("2024-10-27T17:30:00+11:00")
                                    << QStringList{"Rest of today: no details",
                                                   "Tomorrow: 5\u201319 \u00B0C, showers, 80 %"};
    }
    void glance()
    {
        QFETCH(QString, aac);
        QFETCH(QDateTime, now);
        QFETCH(QStringList, lines);
        const TownForecasts forecasts = read(handSample());
        QCOMPARE(glanceLines(*forecasts.town(aac), now), lines);
    }
};

QTEST_GUILESS_MAIN(TestTownForecast)
#include "tst_town_forecast.moc"
