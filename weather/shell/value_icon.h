#pragma once

#include <QColor>
#include <QFont>
#include <QIcon>
#include <QImage>
#include <QString>

class QPainter;

namespace shell {

// What the tray's value icon shows.
struct ValueIconFace
{
    QString tickerText;   // "21.0 °C", or two values "21.0 °C / 84 %"
    bool alarm = false;   // an alarm holds: drawn in the alarm colours
    bool warning = false; // a warning is in force: the warning mark in the top left corner
    int trendArrow = 4;   // the current arrow image (4: none)
    bool showTrend = false;
    QColor foreground = Qt::white;
    QColor background; // invalid: transparent, the panel shows through
    QFont font;        // the family and weight; the size is chosen to fit
};

// The alarm colours of the value icon: white on red.
inline const QColor kAlarmForeground = Qt::white;
inline const QColor kAlarmBackground = QColor(0xc8, 0x10, 0x10);

// The warning colours: black on amber, which reads differently from the alarm's white on red
// (and stays apart from it when both hold).
inline const QColor kWarningFill = QColor(0xff, 0xb3, 0x00);
inline const QColor kWarningInk = QColor(0x1a, 0x1a, 0x1a);

// The warning mark in `box` (device pixels of `p`): an amber triangle edged in black with a
// black "!" where the box is 10 device pixels or more; below that a plain amber corner flag
// (the triangle's left half) that stays legible at 16 px.
void drawWarningMark(QPainter& p, const QRectF& box);

// The value drawn into a square picture of `size` logical pixels at `ratio` device pixels per
// pixel: each value (one, or two on two lines) as large as fits with one device pixel kept clear
// at every edge, small text without antialiasing; a value too long to stay legible loses its
// unit, then its decimals. The trend
// arrow takes the right quarter where the picture is 22 pixels or more. Pure: the same face,
// size and ratio always give the same picture.
QImage drawValueIcon(const ValueIconFace& face, int size, qreal ratio);

// The value icon with pictures for the sizes tray hosts ask for (16 to 48 pixels, at 1x and 2x).
QIcon valueIcon(const ValueIconFace& face);

} // namespace shell
