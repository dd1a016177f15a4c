#pragma once

#include <QColor>
#include <QFlags>
#include <QRectF>

class QPainter;

namespace shell {

// The marks a panel surface (docked ticker, banner, value icon) puts beside its value, so each
// state looks the same everywhere.
enum class PanelMark
{
    Stale = 0x1, // the values are older than the last scan, or the observation is old
};
Q_DECLARE_FLAGS(PanelMarks, PanelMark)

// The colour of a stale value: half way from `foreground` to `background` (an invalid
// background, a transparent surface, halves the alpha instead). Still legible, plainly not
// current.
QColor staleColour(const QColor& foreground, const QColor& background);

// The width the marks take at `height` (each a square, one pixel apart); 0 without marks.
int panelMarksWidth(PanelMarks marks, int height);

// Draws the marks side by side, right-aligned and vertically centred in `box`, in `colour`: a
// clock face for Stale.
void drawPanelMarks(QPainter& painter, const QRectF& box, PanelMarks marks, const QColor& colour);
// The dotted line under a stale value: dots of `thickness` pixels, as far apart, on row `y`
// from `left` to `right`, pixel-aligned.
void drawStaleLine(QPainter& painter, int left, int right, int y, const QColor& colour,
                   int thickness = 1);

} // namespace shell

Q_DECLARE_OPERATORS_FOR_FLAGS(shell::PanelMarks)
