#include "graph_sample.h"
#include "weather/engine/observation_parser.h"

#include <QtTest>

using engine::ObservationRow;
using engine::RowTable;

namespace {

config::StateLayout markers(const QString& start, const QString& end, const QString& row,
                            const QString& cellEnd)
{
    config::StateLayout layout;
    layout.blockStart = start;
    layout.blockEnd = end;
    layout.rowMarker = row;
    layout.cellEnd = cellEnd;
    return layout;
}

// The bureau's table pages: one <th> name cell and one <td> per quantity, each on its own line.
const config::StateLayout kTablePage =
    markers(QStringLiteral("<table class=\"tabledata\""), QStringLiteral("</table>"),
            QStringLiteral("<th"), QStringLiteral("</t"));
// A plain page whose cells end at the line break.
const config::StateLayout kLinePage =
    markers(QStringLiteral("<data start>"), QStringLiteral("<DATA END>"), QStringLiteral("<row"),
            QString());

// One text per row, "name|cell 0|cell 1|...", so a whole table compares in one go.
QStringList describe(const RowTable& table)
{
    QStringList rows;
    for (const ObservationRow& row : table)
        rows.append((QStringList{row.name} + row.cells).join(u'|'));
    return rows;
}

QString page(const QString& name, const QString& lineEnd = QStringLiteral("\n"))
{
    return samplePageText(name).replace(u'\n', lineEnd);
}

} // namespace

class TestObservationParser : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void cutDataBlock_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<config::StateLayout>("layout");
        QTest::addColumn<int>("columns");
        QTest::addColumn<QStringList>("rows"); // "name|cell 0|…"; empty: no block

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
        for (const QString& lineEnd : {QStringLiteral("\n"), QStringLiteral("\r\n")}) {
            QTest::addRow("table page, %d", int(lineEnd.size()))
                << page("obs_stations.html", lineEnd) << kTablePage << 5 << stations;
            QTest::addRow("line cells, %d", int(lineEnd.size()))
                << page("obs_line_cells.txt", lineEnd) << kLinePage << 3 << lines;
        }
        // A first row whose cell 0 is empty is overwritten by the next row; a later row with an
        // empty cell 0 is kept.
        QTest::newRow("first row overwritten")
            << page("obs_first_row_empty.html") << kTablePage << 2
            << QStringList{"<a href=\"/b.shtml\">Second</a>|06/01:00pm|2.0",
                           "<a href=\"/c.shtml\">Third</a>||3.0"};
        // No end marker: the block runs to the end of the page. The last cell has no line
        // break after it: it runs to the end, and the cells past the end read empty.
        QTest::newRow("no end marker, no final line break")
            << page("obs_no_final_break.txt") << kLinePage << 3
            << QStringList{"Last|06/11:00pm|12.5|"};
        QTest::newRow("cell end marker, no final line break")
            << QStringLiteral("<table class=\"tabledata\">\n<th><a>One</a></th>\n<td>1.5</td>")
            << kTablePage << 2 << QStringList{"<a>One</a>|1.5|"};
        // A row without any ">" has no cells: the rows end there.
        QTest::newRow("no tag at all")
            << page("obs_no_tag.txt") << markers("<data start>", "<DATA END>", "row", QString())
            << 2 << QStringList{"||"};
        // An empty row marker is found everywhere; the rows still end with the text.
        QTest::newRow("empty row marker")
            << QStringLiteral("<data start>\nA>1\nB>2\nC>3\n")
            << markers("<data start>", "<DATA END>", QString(), QString()) << 1
            << QStringList{"|1", "2|3", "|"};
        QTest::newRow("block without rows")
            << QStringLiteral("<TABLE CLASS=\"TABLEDATA\">\n<td>1</td>\n</table>") << kTablePage
            << 3 << QStringList{"|"};
        QTest::newRow("no columns: every row overwrites the first")
            << page("obs_stations.html") << kTablePage << 0
            << QStringList{"<a href=\"/products/IDN60901/IDN60901.94774.shtml\">Newcastle</a>|"};
        QTest::newRow("no start marker")
            << page("obs_stations.html") << kLinePage << 3 << QStringList();
        QTest::newRow("empty page") << QString() << kTablePage << 3 << QStringList();
    }

    void cutDataBlock()
    {
        QFETCH(QString, file);
        QFETCH(config::StateLayout, layout);
        QFETCH(int, columns);
        QFETCH(QStringList, rows);
        const std::optional<RowTable> table = engine::cutDataBlock(file, layout, columns);
        QCOMPARE(table.has_value(), !rows.isEmpty());
        QCOMPARE(describe(table.value_or(RowTable())), rows);
    }

    void emptyTable() { QCOMPARE(describe(engine::emptyRowTable()), QStringList{"|"}); }

    void dataBlock_data()
    {
        QTest::addColumn<QString>("page");
        QTest::addColumn<QString>("block");
        // From the second character of the start marker to one character past the end marker.
        QTest::newRow("both markers")
            << QStringLiteral("xx<Table a>rows</table>yz") << "Table a>rows</table>y";
        QTest::newRow("end marker ends the page")
            << QStringLiteral("<table>rows</table>") << "table>rows</table>";
        QTest::newRow("no end marker") << QStringLiteral("xx<TABLE>rows") << "TABLE>rows";
        QTest::newRow("end marker in other capitals")
            << QStringLiteral("<table>a</TABLE>b") << "table>a</TABLE>b";
        QTest::newRow("end marker before the start")
            << QStringLiteral("</table><table>a") << "table>a";
    }

    void dataBlock()
    {
        QFETCH(QString, page);
        QFETCH(QString, block);
        const auto found = engine::findDataBlock(page, u"<table", u"</table>");
        QVERIFY(found.has_value());
        QCOMPARE(found->toString(), block);
    }

    void cellReader_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("cellEnd");
        QTest::addColumn<QStringList>("cells");
        QTest::addColumn<bool>("usedUp");
        // Each cell is looked for on the line after the previous cell's start; with no ">"
        // left the text is used up.
        QTest::newRow("one cell a line")
            << QStringLiteral("<a>one</a> <b>same line</b>\n<c> two </c>\nplain") << "</"
            << QStringList{"one", "two", ""} << true;
        // A cell whose end marker is missing reads as empty, line by line.
        QTest::newRow("end marker missing")
            << QStringLiteral("<td>12\n<td>13\n") << "</td>" << QStringList{"", ""} << false;
        // A line break would shift the values shown below it against their labels.
        QTest::newRow("end marker on a later line")
            << QStringLiteral("<td>12\n34</td>\n") << "</td>" << QStringList{"12 34"} << false;
    }

    void cellReader()
    {
        QFETCH(QString, text);
        QFETCH(QString, cellEnd);
        QFETCH(QStringList, cells);
        QFETCH(bool, usedUp);
        engine::CellReader reader(text, cellEnd);
        QStringList read;
        for (qsizetype i = 0; i < cells.size(); ++i)
            read.append(reader.readCell());
        QCOMPARE(read, cells);
        QCOMPARE(reader.atEnd(), usedUp);
        if (usedUp)
            QVERIFY(!reader.skipTo(u"plain"));
    }

    void historyUrl_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("url"); // after "http://host/"
        QTest::newRow("quoted path")
            << QStringLiteral("<a href=\"/products/IDN60901/IDN60901.94768.shtml\">Sydney</a>")
            << "products/IDN60901/IDN60901.94768.shtml";
        QTest::newRow("no leading slash")
            << QStringLiteral("<a href=\"products/x.shtml\">Sydney</a>") << "products/x.shtml";
        // Without quotation marks the first and the last character of the path are taken for
        // them.
        QTest::newRow("unquoted path")
            << QStringLiteral("<a href=products/x.shtml>Sydney</a>") << "roducts/x.shtm";
        QTest::newRow("unquoted, leading slash")
            << QStringLiteral("<a href=/products/x.shtml>S</a>") << "products/x.shtm";
        QTest::newRow("empty path") << QStringLiteral("<a href=\"\">S</a>") << QStringLiteral("");
        QTest::newRow("no link") << QStringLiteral("Sydney") << QString();
        QTest::newRow("other case") << QStringLiteral("<a HREF=\"/x\">S</a>") << QString();
        QTest::newRow("no tag end after the link")
            << QStringLiteral("<a href=\"/products/x.shtml\" Sydney") << QString();
        QTest::newRow("tag end right after href") << QStringLiteral("<a href=\">S") << QString();
    }

    void historyUrl()
    {
        QFETCH(QString, name);
        QFETCH(QString, url);
        QCOMPARE(engine::historyUrlOf(ObservationRow{name, {}}, QStringLiteral("http://host/")),
                 url.isNull() ? url : QStringLiteral("http://host/") + url);
    }
};

QTEST_GUILESS_MAIN(TestObservationParser)
#include "tst_observation_parser.moc"
