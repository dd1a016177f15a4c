#include "weather/engine/forward_search.h"

namespace engine {

qsizetype ForwardSearch::find(qsizetype from)
{
    if (searchedFrom_ >= 0 && from >= searchedFrom_ && (hit_ < 0 || hit_ >= from))
        return hit_;
    searchedFrom_ = from;
    hit_ = text_.indexOf(needle_, from);
    return hit_;
}

CellEndSearch::CellEndSearch(QStringView text, QStringView cellEnd)
    : text_(text), lineBreakEnd_(cellEnd.isEmpty()), cellEnd_(text, cellEnd), crLf_(text, u"\r\n")
{}

qsizetype CellEndSearch::find(qsizetype start)
{
    if (!lineBreakEnd_)
        return cellEnd_.find(start);
    qsizetype end = crLf_.find(start);
    if (end < 0)
        end = text_.indexOf(u'\n', start);
    return end < 0 ? text_.size() : end;
}

} // namespace engine
