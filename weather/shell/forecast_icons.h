#pragma once

#include <QColor>
#include <QImage>

namespace shell {

// The picture of a forecast icon code (engine::knownIconCode()), drawn by us as vector shapes
// into a square of `size` logical pixels at `ratio` device pixels per pixel: sun, moon, clouds,
// rain, storm, snow, frost, fog, haze, dust, wind and cyclone. Colours hold on a light and a
// dark window alike; the outlines of clouds are drawn in `ink` (the window's text colour) so a
// pale cloud keeps its edge on either. A null image for a code we do not draw. Pure.
QImage drawForecastIcon(int code, int size, qreal ratio, const QColor& ink);

} // namespace shell
