#pragma once

#include <QString>

namespace shell {

// The endless right-to-left scroll of the alarm text: `first` is the index of the first visible
// character, `offset` how far (in twips) that character has moved out at the left edge. Each
// step moves the text 40 twips; once the first character has gone by, the next one leads, and
// after the last the text starts again.
struct AlarmScroll
{
    static constexpr int kStepTwips = 40;

    int first = 0;
    int offset = 0;

    // One tick. `leadWidthTwips` is the width of the leading character, `length` the text's.
    void step(int leadWidthTwips, int length);

    // The text as drawn: from the leading character to the end, then the start up to and
    // including the leading character.
    QString visibleText(const QString& text) const;
};

// The text that scrolls for an alarm: the alarm text with twelve spaces closing the loop.
QString alarmScrollText(const QString& alarmText);

} // namespace shell
