#include "saver/scroll_logic.h"

#include <QtMath>

#include <algorithm>

namespace saver {

double twipsPerPixel(double logicalDpi)
{
    return logicalDpi > 0 ? 1440.0 / logicalDpi : 15.0;
}

void PairScroller::loadTickerPair()
{
    if (displayItems.isEmpty()) {
        tickerPair = {};
        itemIndex = 0;
        return;
    }
    const qsizetype k = itemIndex < displayItems.size() ? itemIndex : 0;
    const int widthOfFirst = metrics_.textWidth(displayItems[k]);
    // A line wider than the screen would give a negative count: no padding then.
    const int pad = std::max(0, (metrics_.screenWidth - widthOfFirst) / kPadUnit);
    const QString blanks(pad, QLatin1Char(' '));
    const QString trailing(4, QLatin1Char(' '));
    tickerPair[0] = blanks + displayItems[k] + trailing;
    tickerPair[1] = k + 1 < displayItems.size() ? blanks + displayItems[k + 1] + trailing : blanks;
    itemIndex = k + 2 < displayItems.size() ? int(k + 2) : 0;
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
    row = 1 - row;
    if (!holding)
        offset += kStep;

    bool startHold = false;
    if (offset > charWidth(tickerPair[row], charPos)) {
        ++charPos;
        if (charPos >= tickerPair[0].size()) {
            charPos = 0;
            if (!holding) {
                holding = true;
                loadTickerPair();
                startHold = true;
            }
        }
        offset = 1;
    }
    return {row, tickerPair[row].mid(charPos), -offset / metrics_.twipsPerPixel, startHold};
}

BlockScroller::Step BlockScroller::tick(int blockHeight, int boxHeight)
{
    // The pause comes when the block is within one step of the top. The band includes a full
    // step (offset == kStep) so that a box whose height is a multiple of the step, where the
    // offsets go kStep, 0, ..., still gets its pause.
    bool startHold = false;
    if (offset >= 1 && offset <= kStep && !holding) {
        offset -= kStep;
        holding = true;
        startHold = true;
    }
    const int y = offset;
    if (!holding)
        offset -= kStep;
    if (offset < -blockHeight)
        offset = boxHeight;
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
