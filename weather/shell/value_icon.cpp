#include "weather/shell/value_icon.h"

#include "weather/shell/level_images.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QPixmap>

#include <cmath>

namespace shell {
namespace {

// The shorter forms of one value text, longest first: as published, without its unit, without
// its decimals (only for a number).
QStringList valueForms(const QString& value)
{
    QStringList forms{value};
    const QString number = value.section(QLatin1Char(' '), 0, 0);
    if (!number.isEmpty() && number != value)
        forms.append(number);
    bool numeric = false;
    const double n = number.toDouble(&numeric);
    if (numeric && number.contains(QLatin1Char('.')))
        forms.append(QString::number(std::lround(n)));
    return forms;
}

// The largest pixel size at which `text` fits `box` in `base`'s family, or 0.
int fittingPixelSize(const QFont& base, const QString& text, QSizeF box)
{
    QFont font = base;
    for (int px = int(box.height()); px >= 5; --px) {
        font.setPixelSize(px);
        const QRectF ink = QFontMetricsF(font).tightBoundingRect(text);
        if (ink.width() <= box.width() && ink.height() <= box.height())
            return px;
    }
    return 0;
}

// Below this many device pixels text is drawn without antialiasing, so it stays crisp.
constexpr int kCrispBelow = 12;

// The value's form and size for one line: the first form that fits at a legible size (half the
// line's height, but 9 to 12 device pixels whatever the line) wins; else the shortest form at
// whatever size fits.
std::pair<QString, int> fitValue(const QFont& base, const QString& value, QSizeF box)
{
    const QStringList forms = valueForms(value);
    const double legible = qMax(9.0, qMin(box.height() / 2, 12.0));
    for (const QString& form : forms) {
        const int px = fittingPixelSize(base, form, box);
        if (px >= legible)
            return {form, px};
    }
    return {forms.last(), fittingPixelSize(base, forms.last(), box)};
}

} // namespace

void drawWarningMark(QPainter& p, const QRectF& box)
{
    p.save();
    // Whole device pixels, and no antialiasing while small: a crisp amber fill, not a blur.
    const qreal side = std::floor(qMin(box.width(), box.height()));
    p.setRenderHint(QPainter::Antialiasing, side >= 24);
    const QRectF b(QPointF(std::round(box.left()), std::round(box.top())), QSizeF(side, side));
    const qreal edge = std::round(qMax(1.0, side / 10));
    p.setPen(QPen(kWarningInk, edge, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
    p.setBrush(kWarningFill);
    if (side < 10) {
        // A corner flag: small, but a solid amber shape no value pixel is mistaken for.
        const QPolygonF flag{b.topLeft(), b.topRight(), b.bottomLeft()};
        p.drawPolygon(flag.translated(edge / 2, edge / 2));
        p.restore();
        return;
    }
    const QRectF in = b.adjusted(edge / 2, edge / 2, -edge / 2, -edge / 2);
    p.drawPolygon(QPolygonF{QPointF(in.center().x(), in.top()), in.bottomRight(), in.bottomLeft()});
    // The "!": a bar and a dot, drawn so they need no font.
    const qreal w = qMax(1.0, side / 8);
    const qreal x = in.center().x() - w / 2;
    p.setPen(Qt::NoPen);
    p.setBrush(kWarningInk);
    p.drawRect(QRectF(x, in.top() + in.height() * 0.35, w, in.height() * 0.33));
    p.drawRect(QRectF(x, in.top() + in.height() * 0.76, w, w));
    p.restore();
}

QImage drawValueIcon(const ValueIconFace& face, int size, qreal ratio)
{
    const int device = qMax(1, int(std::lround(size * ratio)));
    QImage image(device, device, QImage::Format_ARGB32_Premultiplied);
    const QColor background = face.alarm ? kAlarmBackground : face.background;
    image.fill(background.isValid() ? background : QColor(Qt::transparent));

    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    const bool arrow = face.showTrend && face.trendArrow >= 1 && face.trendArrow <= 3 && size >= 22;
    // One device pixel stays clear at each edge, so no host's scaling cuts the ink.
    QRectF area(1, 1, device - 2, device - 2);
    if (arrow) {
        const int side = device / 4;
        p.drawPixmap(QPointF(device - 1 - side, (device - side) / 2.0),
                     trendArrow(face.trendArrow, side));
        area.setRight(device - 2 - side);
    }
    const QStringList values = face.tickerText.split(QStringLiteral(" / "));
    const int lines = qMin<int>(values.size(), 2);
    const qreal lineHeight = area.height() / lines;
    QFont font = face.font;
    font.setBold(true);
    p.setPen(face.alarm ? kAlarmForeground : face.foreground);
    for (int i = 0; i < lines; ++i) {
        const QRectF line(area.left(), area.top() + i * lineHeight, area.width(), lineHeight);
        const auto [text, px] = fitValue(font, values.at(i).trimmed(), line.size());
        if (px == 0)
            continue;
        font.setPixelSize(px);
        font.setStyleStrategy(px < kCrispBelow ? QFont::NoAntialias : QFont::PreferAntialias);
        p.setFont(font);
        // Centre the ink itself, not the font's line box: digits have no descent.
        const QRectF ink = QFontMetricsF(font).tightBoundingRect(text);
        const QPointF origin(line.center().x() - ink.center().x(),
                             line.center().y() - ink.center().y());
        p.drawText(QPointF(std::round(origin.x()), std::round(origin.y())), text);
    }
    if (face.warning)
        drawWarningMark(p, QRectF(0, 0, qMax(6.0, device * 0.45), qMax(6.0, device * 0.45)));
    p.end();
    image.setDevicePixelRatio(ratio);
    return image;
}

QIcon valueIcon(const ValueIconFace& face)
{
    QIcon icon;
    for (const int size : {16, 22, 24, 32, 48}) {
        for (const qreal ratio : {1.0, 2.0})
            icon.addPixmap(QPixmap::fromImage(drawValueIcon(face, size, ratio)));
    }
    return icon;
}

} // namespace shell
