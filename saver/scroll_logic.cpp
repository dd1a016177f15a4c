#include "saver/scroll_logic.h"

#include <QtMath>

#include <algorithm>

namespace saver {

double twipsPerPixel(double logicalDpi)
{
    return logicalDpi > 0 ? 1440.0 / logicalDpi : 15.0;
}

void PairScroller::setItems(QStringList items, bool fromFirst)
{
    displayItems_ = std::move(items);
    if (fromFirst)
        itemIndex_ = 0;
}

void PairScroller::loadTickerPair()
{
    if (displayItems_.isEmpty()) {
        tickerPair_ = {};
        itemIndex_ = 0;
        return;
    }
    const qsizetype k = itemIndex_ < displayItems_.size() ? itemIndex_ : 0;
    const int widthOfFirst = metrics_.textWidth(displayItems_[k]);
    // A line wider than the screen would give a negative count: no padding then.
    const int pad = std::max(0, (metrics_.screenWidth - widthOfFirst) / kPadUnit);
    const QString blanks(pad, QLatin1Char(' '));
    const QString trailing(4, QLatin1Char(' '));
    tickerPair_[0] = blanks + displayItems_[k] + trailing;
    tickerPair_[1] =
        k + 1 < displayItems_.size() ? blanks + displayItems_[k + 1] + trailing : blanks;
    itemIndex_ = k + 2 < displayItems_.size() ? int(k + 2) : 0;
}

int PairScroller::charWidth(const QString& line, int pos) const
{
    // A character past the end of the row's line, or one that takes no room, counts as one
    // twip, so that nothing moves while holding.
    if (pos >= line.size())
        return 1;
    const double twips = metrics_.textWidth(QStringView(line).mid(pos, 1)) * metrics_.twipsPerPixel;
    return std::max(1, qRound(twips));
}

PairScroller::Step PairScroller::tick()
{
    row_ = 1 - row_;
    if (!holding_)
        offset_ += kStep;

    bool startHold = false;
    if (offset_ > charWidth(tickerPair_[row_], charPos_)) {
        ++charPos_;
        if (charPos_ >= tickerPair_[0].size()) {
            charPos_ = 0;
            if (!holding_) {
                holding_ = true;
                loadTickerPair();
                startHold = true;
            }
        }
        offset_ = 1;
    }
    return {row_, tickerPair_[row_].mid(charPos_), -offset_ / metrics_.twipsPerPixel, startHold};
}

BlockScroller::Step BlockScroller::tick(int blockHeight, int boxHeight)
{
    // The pause comes when the block is within one step of the top. The band includes a full
    // step (offset == kStep) so that a box whose height is a multiple of the step, where the
    // offsets go kStep, 0, ..., still gets its pause.
    bool startHold = false;
    if (offset_ >= 1 && offset_ <= kStep && !holding_) {
        offset_ -= kStep;
        holding_ = true;
        startHold = true;
    }
    const int y = offset_;
    if (!holding_)
        offset_ -= kStep;
    if (offset_ < -blockHeight)
        offset_ = boxHeight;
    return {y, startHold};
}

bool MouseMoveTest::moved(QPointF pos)
{
    count_ = (count_ + 1) % 4;
    if (count_ != 0)
        return false;
    if (!recorded_) {
        recorded_ = true;
        at_ = pos;
        return false;
    }
    if (qAbs(pos.x() - at_.x()) > kThreshold || qAbs(pos.y() - at_.y()) > kThreshold) {
        recorded_ = false;
        return true;
    }
    return false;
}

} // namespace saver
