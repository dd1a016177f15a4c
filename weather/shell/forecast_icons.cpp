#include "weather/shell/forecast_icons.h"

#include "weather/engine/town_forecast.h"

#include <QPainter>
#include <QPainterPath>

#include <cmath>

namespace shell {
namespace {

// Drawn on a 32 x 32 grid, scaled to the picture.
const QColor kSun(0xf5, 0xb0, 0x00);
const QColor kSunEdge(0xb0, 0x5c, 0x00);
const QColor kMoon(0xf2, 0xe2, 0x8c);
const QColor kMoonEdge(0x86, 0x70, 0x1c);
const QColor kCloud(0xe4, 0xe8, 0xee);
const QColor kDarkCloud(0x9a, 0xa3, 0xb0);
const QColor kRain(0x2a, 0x7d, 0xe1);
const QColor kBolt(0xff, 0xc8, 0x00);
const QColor kBoltEdge(0xa0, 0x6a, 0x00);
const QColor kIce(0x4c, 0xa6, 0xe8);
const QColor kMist(0x8c, 0x96, 0xa5);
const QColor kDust(0xb8, 0x80, 0x50);
const QColor kCyclone(0xd2, 0x36, 0x2c);

// `colour` a third of the way to `ink`: darker on a light window, lighter on a dark one.
QColor towardInk(const QColor& colour, const QColor& ink)
{
    const auto mix = [](int a, int b) { return (2 * a + b) / 3; };
    return QColor(mix(colour.red(), ink.red()), mix(colour.green(), ink.green()),
                  mix(colour.blue(), ink.blue()));
}

void sun(QPainter& p, QPointF centre, qreal radius)
{
    // Rays and rim darker than the disc, so the sun keeps its shape on a pale window.
    p.setPen(QPen(kSunEdge, 2.2, Qt::SolidLine, Qt::RoundCap));
    for (int i = 0; i < 8; ++i) {
        const qreal a = i * M_PI / 4;
        const QPointF dir(std::cos(a), std::sin(a));
        p.drawLine(centre + dir * (radius + 2.0), centre + dir * (radius + 4.5));
    }
    p.setPen(QPen(kSunEdge, 1.8));
    p.setBrush(kSun);
    p.drawEllipse(centre, radius, radius);
}

void moon(QPainter& p, QPointF centre, qreal radius)
{
    QPainterPath disc;
    disc.addEllipse(centre, radius, radius);
    QPainterPath bite;
    bite.addEllipse(centre + QPointF(radius * 0.55, -radius * 0.35), radius * 0.85, radius * 0.85);
    p.setPen(QPen(kMoonEdge, 1.8));
    p.setBrush(kMoon);
    p.drawPath(disc.subtracted(bite));
}

// A cloud whose base runs from x to x + width at y.
void cloud(QPainter& p, qreal x, qreal y, qreal width, const QColor& fill, const QColor& ink)
{
    const qreal h = width * 0.55;
    QPainterPath base;
    base.addRoundedRect(QRectF(x, y - h * 0.45, width, h * 0.45), h * 0.22, h * 0.22);
    QPainterPath left;
    left.addEllipse(QRectF(x + width * 0.08, y - h * 0.8, width * 0.42, width * 0.42));
    QPainterPath top;
    top.addEllipse(QRectF(x + width * 0.32, y - h * 1.05, width * 0.5, width * 0.5));
    // One outline round the whole cloud.
    const QPainterPath path = base.united(left).united(top);
    QColor edge = ink;
    edge.setAlpha(170);
    p.setPen(QPen(edge, 1.2));
    p.setBrush(fill);
    p.drawPath(path);
}

void drops(QPainter& p, int count, qreal y, bool heavy)
{
    p.setPen(QPen(kRain, heavy ? 2.4 : 2.0, Qt::SolidLine, Qt::RoundCap));
    const qreal step = 20.0 / std::max(count, 1);
    for (int i = 0; i < count; ++i) {
        const qreal x = 9 + i * step + (count == 1 ? 6 : 0);
        p.drawLine(QPointF(x + 1.5, y), QPointF(x - 0.5, y + (heavy ? 6 : 4.5)));
    }
}

void bolt(QPainter& p)
{
    const QPointF points[] = {{17, 18}, {12, 26}, {16, 26}, {13, 32}, {21, 23}, {17, 23}, {20, 18}};
    p.setPen(QPen(kBoltEdge, 1));
    p.setBrush(kBolt);
    p.drawPolygon(points, 7);
}

void flake(QPainter& p, QPointF centre, qreal radius, qreal width, const QColor& ink)
{
    p.setPen(QPen(towardInk(kIce, ink), width, Qt::SolidLine, Qt::RoundCap));
    for (int i = 0; i < 3; ++i) {
        const qreal a = i * M_PI / 3 + M_PI / 2;
        const QPointF d(std::cos(a) * radius, std::sin(a) * radius);
        p.drawLine(centre - d, centre + d);
    }
}

void mistLines(QPainter& p, const QColor& colour, qreal top, int count)
{
    p.setPen(QPen(colour, 2.2, Qt::SolidLine, Qt::RoundCap));
    for (int i = 0; i < count; ++i) {
        const qreal y = top + i * 4.5;
        const qreal inset = (i % 2) ? 6 : 3;
        p.drawLine(QPointF(inset, y), QPointF(32 - inset - 2, y));
    }
}

void wind(QPainter& p, const QColor& colour)
{
    p.setPen(QPen(colour, 2.2, Qt::SolidLine, Qt::RoundCap));
    p.setBrush(Qt::NoBrush);
    for (const auto& [y, length] : {std::pair{10.0, 20.0}, {16.0, 25.0}, {22.0, 16.0}}) {
        QPainterPath path(QPointF(3, y));
        path.lineTo(3 + length, y);
        path.arcTo(QRectF(length, y - 5, 6, 5), 270, 200);
        p.drawPath(path);
    }
}

// The arms in the window's text colour (a red one would fade on a dark window), a red eye.
void spiral(QPainter& p, const QColor& ink)
{
    p.setPen(QPen(ink, 2.4, Qt::SolidLine, Qt::RoundCap));
    p.setBrush(Qt::NoBrush);
    for (int arm = 0; arm < 2; ++arm) {
        QPainterPath path;
        for (int i = 0; i <= 40; ++i) {
            const qreal t = i / 40.0;
            const qreal a = arm * M_PI + t * 2.6 * M_PI;
            const QPointF point(16 + std::cos(a) * (2 + 12 * t), 16 + std::sin(a) * (2 + 12 * t));
            if (i == 0)
                path.moveTo(point);
            else
                path.lineTo(point);
        }
        p.drawPath(path);
    }
    p.setPen(Qt::NoPen);
    p.setBrush(kCyclone);
    p.drawEllipse(QPointF(16, 16), 3.2, 3.2);
}

} // namespace

QImage drawForecastIcon(int code, int size, qreal ratio, const QColor& ink)
{
    if (!engine::knownIconCode(code) || size <= 0 || ratio <= 0)
        return QImage();
    const int pixels = qRound(size * ratio);
    QImage image(pixels, pixels, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    image.setDevicePixelRatio(ratio);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 32.0, size / 32.0); // the painter counts logical pixels

    switch (code) {
    case 1: // sunny
        sun(p, {16, 16}, 7.5);
        break;
    case 2: // clear (night)
        moon(p, {15, 16}, 10);
        break;
    case 3: // partly cloudy
        sun(p, {11, 11}, 5.5);
        cloud(p, 8, 27, 22, kCloud, ink);
        break;
    case 4: // cloudy
        cloud(p, 9, 20, 20, kDarkCloud, ink);
        cloud(p, 2, 27, 23, kCloud, ink);
        break;
    case 6: // hazy
        sun(p, {16, 12}, 6);
        mistLines(p, towardInk(kMist, ink), 22, 2);
        break;
    case 8: // light rain
        cloud(p, 3, 21, 26, kCloud, ink);
        drops(p, 2, 23, false);
        break;
    case 9: // windy
        wind(p, ink);
        break;
    case 10: // fog
        cloud(p, 5, 16, 22, kCloud, ink);
        mistLines(p, towardInk(kMist, ink), 19, 3);
        break;
    case 11: // shower
    case 17: // light shower
    case 18: // heavy shower
        sun(p, {10, 9}, 4.5);
        cloud(p, 5, 21, 24, code == 18 ? kDarkCloud : kCloud, ink);
        drops(p, code == 17 ? 1 : code == 11 ? 3 : 4, 23, code == 18);
        break;
    case 12: // rain
        cloud(p, 3, 21, 26, kDarkCloud, ink);
        drops(p, 4, 23, true);
        break;
    case 13: // dusty
        mistLines(p, towardInk(kDust, ink), 9, 3);
        p.setPen(Qt::NoPen);
        p.setBrush(towardInk(kDust, ink));
        for (const QPointF& dot :
             {QPointF(7, 26), QPointF(14, 28), QPointF(21, 25), QPointF(26, 29)})
            p.drawEllipse(dot, 1.4, 1.4);
        break;
    case 14: // frost
        flake(p, {16, 16}, 12, 2.4, ink);
        flake(p, {16, 16}, 5, 1.6, ink);
        break;
    case 15: // snow
        cloud(p, 3, 19, 26, kCloud, ink);
        flake(p, {10, 25}, 3.5, 1.6, ink);
        flake(p, {18, 28}, 3.5, 1.6, ink);
        flake(p, {25, 24}, 3, 1.6, ink);
        break;
    case 16: // storm
        cloud(p, 3, 19, 26, kDarkCloud, ink);
        bolt(p);
        drops(p, 2, 21, false);
        break;
    case 19: // tropical cyclone
        spiral(p, ink);
        break;
    default:
        break;
    }
    return image;
}

} // namespace shell
