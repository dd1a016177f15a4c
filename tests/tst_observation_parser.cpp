#include "weather/engine/observation_parser.h"

#include <QFile>
#include <QtTest>

using engine::ObservationRow;
using engine::RowTable;

namespace {

struct Markers
{
    QString blockStart;
    QString blockEnd;
    QString rowMarker;
    QString cellEnd;
};

// The bureau's table pages: one <th> name cell and one <td> per quantity, each on its own line.
const Markers kTablePage{QStringLiteral("<table class=\"tabledata\""), QStringLiteral("</table>"),
                         QStringLiteral("<th"), QStringLiteral("</t")};
// A plain page whose cells end at the line break.
const Markers kLinePage{QStringLiteral("<data start>"), QStringLiteral("<DATA END>"),
                        QStringLiteral("<row"), QString()};

QString samplePage(const QString& name, const QString& lineEnd)
{
    QFile file(QStringLiteral(NIMBULO_TEST_DATA "/") + name);
    if (!file.open(QIODevice::ReadOnly))
        qFatal("missing sample page %s", qPrintable(name));
    QString page = QString::fromUtf8(file.readAll());
    page.replace(u'\n', lineEnd);
    return page;
}

// One text per row, "name|cell 0|cell 1|...", so a whole table compares in one go.
QStringList describe(const RowTable& table)
{
    QStringList rows;
    for (const ObservationRow& row : table)
        rows.append((QStringList{row.name} + row.cells).join(u'|'));
    return rows;
}

config::StateLayout layoutOf(const Markers& markers)
{
    config::StateLayout layout;
    layout.blockStart = markers.blockStart;
    layout.blockEnd = markers.blockEnd;
    layout.rowMarker = markers.rowMarker;
    layout.cellEnd = markers.cellEnd;
    return layout;
}

} // namespace

Q_DECLARE_METATYPE(Markers)

class TestObservationParser : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void samplePages_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<Markers>("markers");
        QTest::addColumn<int>("columns");
        QTest::addColumn<QStringList>("rows");

        // Start marker found in other capitals (<TABLE); the end marker only in its exact case,
        // so the block runs past </TABLE> to </table> and takes the second table's row too.
        const QStringList stations{
            "<a href=\"/products/IDN60901/IDN60901.94767.shtml\">Sydney Airport</a>"
            "|06/03:30pm|21.0|SSE|17|1013.2",
            "<a href=\"/products/IDN60901/IDN60901.94768.shtml\">Sydney - Observatory Hill</a>"
            "|06/03:30pm|22.4|CALM|-|&nbsp;",
            "<a href=\"/products/IDN60901/IDN60901.94774.shtml\">Newcastle</a>"
            "|06/03:00pm|19.5|NNE|22|",
        };
        // Cells ending at the line break; "<data end>" is not the end marker (case).
        const QStringList lines{"Alpha Station|06/09:00am|-3.5|W", "Beta|06/09:30am|&nbsp|",
                                "Gamma|06/10:00am|4|N"};
        for (const auto& [tag, lineEnd] :
             {std::pair{"LF", QStringLiteral("\n")}, std::pair{"CR LF", QStringLiteral("\r\n")}}) {
            QTest::addRow("table page, %s", tag)
                << samplePage("obs_stations.html", lineEnd) << kTablePage << 5 << stations;
            QTest::addRow("line cells, %s", tag)
                << samplePage("obs_line_cells.txt", lineEnd) << kLinePage << 3 << lines;
        }
        // A first row whose cell 0 is empty is overwritten by the next row; a later row with an
        // empty cell 0 is kept.
        QTest::newRow("first row overwritten")
            << samplePage("obs_first_row_empty.html", "\n") << kTablePage << 2
            << QStringList{"<a href=\"/b.shtml\">Second</a>|06/01:00pm|2.0",
                           "<a href=\"/c.shtml\">Third</a>||3.0"};
        // No end marker: the block runs to the end of the page. The last cell has no line
        // break after it: it runs to the end, and the cells past the end read empty.
        QTest::newRow("no end marker, no final line break")
            << samplePage("obs_no_final_break.txt", "\n") << kLinePage << 3
            << QStringList{"Last|06/11:00pm|12.5|"};
        QTest::newRow("cell end marker, no final line break")
            << QStringLiteral("<table class=\"tabledata\">\n<th><a>One</a></th>\n<td>1.5</td>")
            << kTablePage << 2 << QStringList{"<a>One</a>|1.5|"};
        // A row without any ">" has no cells: the rows end there.
        QTest::newRow("no tag at all")
            << samplePage("obs_no_tag.txt", "\n")
            << Markers{"<data start>", "<DATA END>", "row", QString()} << 2 << QStringList{"||"};
        // An empty row marker is found everywhere; the rows still end with the text.
        QTest::newRow("empty row marker")
            << QStringLiteral("<data start>\nA>1\nB>2\nC>3\n")
            << Markers{"<data start>", "<DATA END>", QString(), QString()} << 1
            << QStringList{"|1", "2|3", "|"};
        QTest::newRow("block without rows")
            << QStringLiteral("<TABLE CLASS=\"TABLEDATA\">\n<td>1</td>\n</table>") << kTablePage
            << 3 << QStringList{"|"};
        QTest::newRow("no columns: every row overwrites the first")
            << samplePage("obs_stations.html", "\n") << kTablePage << 0
            << QStringList{"<a href=\"/products/IDN60901/IDN60901.94774.shtml\">Newcastle</a>|"};
    }

    void samplePages()
    {
        QFETCH(QString, file);
        QFETCH(Markers, markers);
        QFETCH(int, columns);
        QFETCH(QStringList, rows);
        const std::optional<RowTable> table =
            engine::cutDataBlock(file, layoutOf(markers), columns);
        QVERIFY(table.has_value());
        QCOMPARE(describe(*table), rows);
    }

    void pageWithoutStartMarker()
    {
        const QString page = samplePage("obs_stations.html", "\n");
        QVERIFY(!engine::cutDataBlock(page, layoutOf(kLinePage), 3).has_value());
        QVERIFY(!engine::cutDataBlock(QString(), layoutOf(kTablePage), 3).has_value());
    }

    void dataBlock_data()
    {
        QTest::addColumn<QString>("page");
        QTest::addColumn<QString>("block");
        // From the second character of the start marker to one character past the end marker.
        QTest::newRow("both markers") << "xx<Table a>rows</table>yz"
                                      << "Table a>rows</table>y";
        QTest::newRow("end marker at the end of the page") << "<table>rows</table>"
                                                           << "table>rows</table>";
        QTest::newRow("no end marker") << "xx<TABLE>rows"
                                       << "TABLE>rows";
        QTest::newRow("end marker only in other capitals") << "<table>a</TABLE>b"
                                                           << "table>a</TABLE>b";
        QTest::newRow("end marker only before the start") << "</table><table>a"
                                                          << "table>a";
    }

    void dataBlock()
    {
        QFETCH(QString, page);
        QFETCH(QString, block);
        const auto found = engine::findDataBlock(page, u"<table", u"</table>");
        QVERIFY(found.has_value());
        QCOMPARE(found->toString(), block);
    }

    void cellReader()
    {
        // Each cell is looked for on the line after the previous cell's start.
        engine::CellReader reader(u"<a>one</a> <b>same line</b>\n<c> two </c>\nplain", u"</");
        QCOMPARE(reader.readCell(), QStringLiteral("one"));
        QCOMPARE(reader.readCell(), QStringLiteral("two"));
        QVERIFY(!reader.atEnd());
        // No ">" left: the text is used up.
        QCOMPARE(reader.readCell(), QString());
        QVERIFY(reader.atEnd());
        QVERIFY(!reader.skipTo(u"plain"));
    }

    void cellEndMissing()
    {
        // A cell whose end marker is missing reads as empty, line by line.
        engine::CellReader reader(u"<td>12\n<td>13\n", u"</td>");
        QCOMPARE(reader.readCell(), QString());
        QCOMPARE(reader.readCell(), QString());
        // The end marker may stand on a later line than the cell's start.
        engine::CellReader spanning(u"<td>12\n34</td>\n", u"</td>");
        QCOMPARE(spanning.readCell(), QStringLiteral("12\n34"));
    }

    void historyUrl_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("url");
        QTest::newRow("quoted path")
            << "<a href=\"/products/IDN60901/IDN60901.94768.shtml\">Sydney</a>"
            << "http://host/products/IDN60901/IDN60901.94768.shtml";
        QTest::newRow("quoted path without leading slash")
            << "<a href=\"products/x.shtml\">Sydney</a>"
            << "http://host/products/x.shtml";
        // Without quotation marks the first and the last character of the path are taken for
        // them.
        QTest::newRow("unquoted path") << "<a href=products/x.shtml>Sydney</a>"
                                       << "http://host/roducts/x.shtm";
        QTest::newRow("unquoted path with leading slash") << "<a href=/products/x.shtml>S</a>"
                                                          << "http://host/products/x.shtm";
        QTest::newRow("empty path") << "<a href=\"\">S</a>"
                                    << "http://host/";
        QTest::newRow("no link") << "Sydney"
                                 << "";
        QTest::newRow("other case") << "<a HREF=\"/x\">S</a>"
                                    << "";
        QTest::newRow("no tag end after the link") << "<a href=\"/products/x.shtml\" Sydney"
                                                   << "";
        QTest::newRow("tag end right after href") << "<a href=\">S"
                                                  << "";
    }

    void historyUrl()
    {
        QFETCH(QString, name);
        QFETCH(QString, url);
        QCOMPARE(engine::historyUrlOf(ObservationRow{name, {}}, QStringLiteral("http://host/")),
                 url);
    }

    void emptyTable() { QCOMPARE(describe(engine::emptyRowTable()), QStringList{"|"}); }
};

QTEST_GUILESS_MAIN(TestObservationParser)
#include "tst_observation_parser.moc"
