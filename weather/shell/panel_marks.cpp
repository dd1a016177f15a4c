#include "weather/shell/panel_marks.h"

#include <QPainter>
#include <QPen>

#include <cmath>

namespace shell {

QColor staleColour(const QColor& foreground, const QColor& background)
{
    if (!background.isValid() || background.alpha() == 0) {
        QColor faded = foreground;
        faded.setAlphaF(foreground.alphaF() / 2);
        return faded;
    }
    return QColor::fromRgbF((foreground.redF() + background.redF()) / 2,
                            (foreground.greenF() + background.greenF()) / 2,
                            (foreground.blueF() + background.blueF()) / 2);
}

int panelMarksWidth(PanelMarks marks, int height)
{
    int count = 0;
    for (const PanelMark mark : {PanelMark::Stale})
        count += marks.testFlag(mark) ? 1 : 0;
    return count == 0 ? 0 : count * height + (count - 1);
}

void drawPanelMarks(QPainter& painter, const QRectF& box, PanelMarks marks, const QColor& colour)
{
    const qreal side = std::floor(box.height());
    qreal right = box.right();
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    const qreal pen = qMax<qreal>(1, side / 10);
    painter.setPen(QPen(colour, pen, Qt::SolidLine, Qt::RoundCap));
    painter.setBrush(Qt::NoBrush);
    if (marks.testFlag(PanelMark::Stale)) {
        // A clock face with its hands at ten past ten.
        const QRectF square(right - side, box.top() + (box.height() - side) / 2, side, side);
        const QRectF face = square.adjusted(pen, pen, -pen, -pen);
        const QPointF centre = face.center();
        painter.drawEllipse(face);
        painter.drawLine(centre, centre + QPointF(0, -face.height() * 0.32));
        painter.drawLine(centre, centre + QPointF(face.width() * 0.25, face.height() * 0.1));
        right -= side + 1;
    }
    painter.restore();
}

void drawStaleLine(QPainter& painter, int left, int right, int y, const QColor& colour,
                   int thickness)
{
    for (int x = left; x + thickness <= right + 1; x += 2 * thickness)
        painter.fillRect(QRect(x, y, thickness, thickness), colour);
}

} // namespace shell
