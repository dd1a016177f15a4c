#pragma once

#include "weather/shell/panel_marks.h"

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
    QString tickerText;   // one value, "21.0 °C" (a second value gets an icon of its own)
    bool alarm = false;   // an alarm holds: drawn in the alarm colours
    bool warning = false; // a warning is in force: the warning mark in the top left corner
    int trendArrow = 4;   // the current arrow image (4: none)
    bool showTrend = false;
    PanelMarks marks = {}; // Stale: drawn faded, over a dotted line, with the mark
    QColor foreground = Qt::black;
    QFont font; // the family; the size is chosen to fit
};

// The alarm colours of the value icon: white on red.
inline const QColor kAlarmForeground = Qt::white;
inline const QColor kAlarmBackground = QColor(0xc8, 0x10, 0x10);

// The icons smaller than this many logical pixels show the short form of the value.
constexpr int kFullTextFrom = 32;
// The least height of the digits in an icon of `size` logical pixels (below kFullTextFrom).
int valueDigitHeight(int size);

// The short form of a value for small icons: the number rounded to whole units, "°" for a
// temperature and "%" kept below 100, other units dropped ("24.6 °C" -> "25°", "1009.8 hPa" ->
// "1010", "84 %" -> "84%", "100 %" -> "100"); a text that is no number stays as it is.
QString shortValueText(const QString& value);
// The warning colours: black on amber, which reads differently from the alarm's white on red
// (and stays apart from it when both hold).
inline const QColor kWarningFill = QColor(0xff, 0xb3, 0x00);
inline const QColor kWarningInk = QColor(0x1a, 0x1a, 0x1a);

// The warning mark in `box` (device pixels of `p`): an amber triangle edged in black with a
// black "!" where the box is 10 device pixels or more; below that a plain amber corner flag
// (the triangle's left half) that stays legible at 16 px.
void drawWarningMark(QPainter& p, const QRectF& box);

// The value drawn into a square picture of `size` logical pixels at `ratio` device pixels per
// pixel, on a transparent background (the alarm's red where one holds), each glyph outlined in
// the colour that contrasts with the value's, so it reads on light and dark panels alike. The
// digits are valueDigitHeight() high, their tops and baselines on pixel rows, each glyph
// narrowed into whole pixel columns where the row would not fit. Below kFullTextFrom the short
// form fills the picture; from kFullTextFrom on the published text (less its unit, then its
// decimals, where the glyphs would be narrowed too far) over a row with the marks and the trend
// arrow. Pure: the same face, size and ratio always give the same picture.
QImage drawValueIcon(const ValueIconFace& face, int size, qreal ratio);

// The value icon with pictures for the panel sizes tray hosts ask for (16 to 24 pixels at 1x
// and 2x: 16 to 48 pixels), each a picture of that many pixels.
QIcon valueIcon(const ValueIconFace& face);

} // namespace shell
