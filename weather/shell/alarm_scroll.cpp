#include "weather/shell/alarm_scroll.h"

namespace shell {

void AlarmScroll::step(int leadWidthTwips, int length)
{
    offset += kStepTwips;
    if (offset > leadWidthTwips) {
        ++first;
        if (first >= length)
            first = 0;
        offset = 1;
    }
}

QString AlarmScroll::visibleText(const QString& text) const
{
    if (text.isEmpty())
        return text;
    const qsizetype k = qMin<qsizetype>(first, text.size() - 1);
    return text.mid(k) + text.left(k + 1);
}

QString alarmScrollText(const QString& alarmText)
{
    return alarmText + QString(12, QLatin1Char(' '));
}

} // namespace shell
