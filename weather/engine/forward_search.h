#pragma once

#include <QStringView>

// Searches that the page readers make while they walk one text front to back.
namespace engine {

// The first occurrence of one needle in one text at or after a position, for readers whose
// position only moves forward. The result of the last search is remembered: the first occurrence at
// or after `from` is the remembered hit as long as `from` has not passed it, and a needle that was
// absent from some position on stays absent. So a needle that is missing (a cell end, CR LF on a
// page with LF line breaks) costs one scan of the text, not one per cell.
class ForwardSearch
{
public:
    ForwardSearch(QStringView text, QStringView needle) : text_(text), needle_(needle) {}

    // -1 when there is none. Right for any `from`; the remembered hit pays off while `from`
    // grows.
    qsizetype find(qsizetype from);

private:
    QStringView text_;
    QStringView needle_;
    qsizetype searchedFrom_ = -1;
    qsizetype hit_ = -1;
};

// Where a cell value ends: at the first `cellEnd` at or after the value's start, or, with an
// empty `cellEnd`, at the first CR LF, else the first LF, else the end of the text.
class CellEndSearch
{
public:
    CellEndSearch(QStringView text, QStringView cellEnd);

    // The end of the value that starts at `start`; -1 when `cellEnd` is set and does not occur
    // from `start` on.
    qsizetype find(qsizetype start);

private:
    QStringView text_;
    bool lineBreakEnd_;
    ForwardSearch cellEnd_;
    ForwardSearch crLf_;
};

} // namespace engine
