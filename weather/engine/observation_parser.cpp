#include "weather/engine/observation_parser.h"

#include "common/text_codec.h"

namespace engine {

QString stationNameOf(const QString& nameCell)
{
    const qsizetype gt = nameCell.indexOf(QLatin1Char('>'));
    const QString rest = nameCell.mid(gt + 1);
    return rest.left(qMax<qsizetype>(0, rest.size() - 4));
}

RowTable emptyRowTable()
{
    return {ObservationRow{QString(), QStringList{QString()}}};
}

CellReader::CellReader(QStringView text, QStringView cellEnd) : text_(text), cellEnd_(text, cellEnd)
{}

bool CellReader::skipTo(QStringView marker)
{
    // At the end nothing can follow; this also ends the row loop for an empty marker.
    if (atEnd())
        return false;
    const qsizetype hit = text_.indexOf(marker, pos_);
    if (hit < 0)
        return false;
    pos_ = hit;
    return true;
}

QString CellReader::readCell()
{
    const qsizetype tagEnd = text_.indexOf(u'>', pos_);
    if (tagEnd < 0) {
        pos_ = text_.size();
        return {};
    }
    const qsizetype start = tagEnd + 1;
    qsizetype end = cellEnd_.find(start);
    if (end < 0)
        end = start;
    const qsizetype nextLf = text_.indexOf(u'\n', start);

    // Every path moves strictly forward (the LF lies after the ">"), so row loops end.
    pos_ = nextLf < 0 ? text_.size() : nextLf;
    return common::printableText(text_.sliced(start, end - start).trimmed());
}

std::optional<QStringView> findDataBlock(QStringView page, QStringView blockStart,
                                         QStringView blockEnd, Qt::CaseSensitivity startCase)
{
    if (page.isEmpty())
        return std::nullopt;
    const qsizetype start = page.indexOf(blockStart, 0, startCase);
    if (start < 0)
        return std::nullopt;
    const qsizetype endMarker = page.indexOf(blockEnd, start);
    const qsizetype first = std::min(start + 1, page.size());
    const qsizetype last =
        endMarker < 0 ? page.size() : std::min(endMarker + blockEnd.size() + 1, page.size());
    return page.sliced(first, last - first);
}

RowTable splitRows(QStringView block, QStringView rowMarker, QStringView cellEnd, int columnCount)
{
    RowTable table = emptyRowTable();
    CellReader reader(block, cellEnd);
    while (reader.skipTo(rowMarker)) {
        if (!table.first().cells.first().isEmpty())
            table.append(ObservationRow{});
        ObservationRow& row = table.last();
        row.name = reader.readCell();
        if (row.cells.size() < columnCount)
            row.cells.resize(columnCount);
        for (int c = 0; c < columnCount; ++c)
            row.cells[c] = reader.readCell();
    }
    return table;
}

std::optional<RowTable> cutDataBlock(QStringView page, const config::StateLayout& layout,
                                     int columnCount)
{
    const std::optional<QStringView> block =
        findDataBlock(page, layout.blockStart, layout.blockEnd);
    if (!block)
        return std::nullopt;
    return splitRows(*block, layout.rowMarker, layout.cellEnd, columnCount);
}

QString historyUrlOf(const ObservationRow& row, const QString& bureauRoot)
{
    const qsizetype href = row.name.indexOf(u"href=");
    if (href < 0)
        return {};
    const qsizetype pathStart = href + 6; // past "href=" and the opening quotation mark
    const qsizetype tagEnd = row.name.indexOf(u'>', pathStart);
    if (tagEnd < 0)
        return {};
    const qsizetype pathEnd = tagEnd - 1; // the closing quotation mark
    if (pathEnd < pathStart)
        return {};
    QString path = row.name.mid(pathStart, pathEnd - pathStart);
    if (!path.startsWith(u'/'))
        path.prepend(u'/');
    QString root = bureauRoot;
    if (root.endsWith(u'/'))
        root.chop(1);
    return root + path;
}

} // namespace engine
