#include "weather/shell/level_images.h"

#include <QPainter>
#include <QPainterPath>

#include <array>

namespace shell {
namespace {

// A round thermometer-like badge in the level's colour, drawn at the sizes a panel asks for.
QPixmap badge(const QColor& fill, int size, bool cross)
{
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    const qreal m = size * 0.08;
    p.setPen(QPen(fill.darker(160), qMax(1.0, size / 16.0)));
    p.setBrush(fill);
    p.drawEllipse(QRectF(m, m, size - 2 * m, size - 2 * m));
    p.setPen(QPen(Qt::white, qMax(1.5, size / 8.0), Qt::SolidLine, Qt::RoundCap));
    if (cross) {
        p.drawLine(QPointF(size * 0.32, size * 0.32), QPointF(size * 0.68, size * 0.68));
        p.drawLine(QPointF(size * 0.68, size * 0.32), QPointF(size * 0.32, size * 0.68));
    } else {
        p.drawLine(QPointF(size * 0.5, size * 0.25), QPointF(size * 0.5, size * 0.6));
        p.setBrush(Qt::white);
        p.drawEllipse(QPointF(size * 0.5, size * 0.7), size * 0.08, size * 0.08);
    }
    return pixmap;
}

} // namespace

QIcon levelIcon(int level)
{
    // Built once per level: the main window's icon is set on every scan, and a new icon each
    // time would fill the pixmap cache with copies of the same four images.
    static const std::array<QIcon, 4> icons = [] {
        const QColor colours[] = {QColor(0x2f, 0x6f, 0xd6), QColor(0x2e, 0xa0, 0x4a),
                                  QColor(0xd9, 0x3b, 0x2b), QColor(0x80, 0x80, 0x80)};
        std::array<QIcon, 4> built;
        for (int index = 0; index < 4; ++index) {
            for (const int size : {16, 22, 32, 48})
                built[index].addPixmap(badge(colours[index], size, index == 3));
        }
        return built;
    }();
    return icons[qBound(0, level, 3)];
}

QPixmap trendArrow(int arrow, int size)
{
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    if (arrow < 1 || arrow > 3)
        return pixmap;
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(arrow == 1   ? QColor(0x2f, 0x6f, 0xd6)
               : arrow == 3 ? QColor(0xd9, 0x3b, 0x2b)
                            : QColor(0x60, 0x60, 0x60));
    // One right-pointing arrow, turned up for rising and down for falling.
    p.translate(size / 2.0, size / 2.0);
    p.rotate(arrow == 3 ? -90 : arrow == 1 ? 90 : 0);
    const qreal h = size / 2.0;
    QPainterPath path;
    path.addRect(QRectF(-h * 0.7, -h * 0.2, h * 0.8, h * 0.4));
    path.moveTo(h * 0.05, -h * 0.6);
    path.lineTo(h * 0.9, 0);
    path.lineTo(h * 0.05, h * 0.6);
    path.closeSubpath();
    p.drawPath(path);
    return pixmap;
}

} // namespace shell
