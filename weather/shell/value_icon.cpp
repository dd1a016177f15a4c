#include "weather/shell/value_icon.h"

#include "weather/shell/level_images.h"

#include <QPainter>
#include <QPainterPath>
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

// The outline's colour: the far end of the grey scale from the value's.
QColor outlineFor(const QColor& ink)
{
    return ink.lightness() >= 128 ? QColor(0x20, 0x20, 0x20) : QColor(0xf4, 0xf4, 0xf4);
}

// A value's glyphs in one row: the height of a flat digit mapped to `digitHeight` device pixels
// from row `top`, each glyph's ink into whole columns (narrowed alike where the natural widths do
// not fit `width`), `gap` columns apart, the row centred in `device` columns.
struct ValueRow
{
    QPainterPath path;
    qreal narrowed = 1; // the glyphs' width against their natural width
};

ValueRow valueRow(const QFont& base, const QString& text, int device, int width, int top,
                  int digitHeight, int gap)
{
    QFont font = base;
    font.setBold(true);
    font.setPixelSize(200);
    // A flat digit sets the rows: flat tops and baselines fall on pixel edges, round digits
    // overshoot them by a fraction as hinted type does.
    QPainterPath one;
    one.addText(0, 0, font, QStringLiteral("1"));
    const QRectF digit = one.boundingRect();
    const qreal scale = digitHeight / digit.height();
    std::vector<QPainterPath> glyphs;
    std::vector<qreal> natural;
    qreal total = 0;
    for (const QChar c : text) {
        QPainterPath glyph;
        glyph.addText(0, 0, font, QString(c));
        if (glyph.isEmpty())
            continue; // a space: the gap is enough
        glyphs.push_back(glyph);
        natural.push_back(glyph.boundingRect().width() * scale);
        total += natural.back();
    }
    const int gaps = gap * int(qMax<size_t>(1, glyphs.size()) - 1);
    ValueRow row;
    row.narrowed = qMin<qreal>(1, (width - gaps) / qMax<qreal>(1, total));
    std::vector<int> columns;
    int used = gaps;
    for (const qreal n : natural) {
        columns.push_back(qMax(1, int(std::floor(n * row.narrowed))));
        used += columns.back();
    }
    // Columns left over by the rounding go to the widest glyphs while they are narrowed.
    std::vector<qreal> wanted = natural;
    while (row.narrowed < 1 && used < width && !columns.empty()) {
        const auto widest = std::max_element(wanted.begin(), wanted.end()) - wanted.begin();
        ++columns[size_t(widest)];
        wanted[size_t(widest)] -= 1 / row.narrowed;
        ++used;
    }
    qreal x = std::floor((device - used) / 2.0);
    for (size_t i = 0; i < glyphs.size(); ++i) {
        const QRectF ink = glyphs[i].boundingRect();
        QTransform place;
        place.translate(x, top);
        place.scale(columns[i] / ink.width(), scale);
        place.translate(-ink.left(), -digit.top());
        row.path.addPath(place.map(glyphs[i]));
        x += columns[i] + gap;
    }
    return row;
}

// The glyphs over their outline: the outline `pen` pixels outside the ink; a faded (stale)
// value lies over the outline's colour, not over the panel.
void drawOutlined(QPainter& p, const QPainterPath& path, const QColor& ink, qreal pen)
{
    const QColor outline = outlineFor(QColor(ink.rgb()));
    p.fillPath(path, outline);
    p.strokePath(path, QPen(outline, 2 * pen, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.fillPath(path, ink);
}

// The dotted line of a stale value under `ink`, on row `y`, over a line of the outline's
// colour so it shows on any panel.
void drawStaleUnderline(QPainter& p, const QRectF& ink, int y, const QColor& colour, int pen)
{
    const int left = int(std::floor(ink.left()));
    const int right = int(std::ceil(ink.right())) - 1;
    p.fillRect(QRect(left, y, right - left + 1, pen), outlineFor(colour));
    drawStaleLine(p, left, right, y, colour, pen);
}

} // namespace

int valueDigitHeight(int size)
{
    // Large icons keep a quarter below the value for the arrow and the marks.
    return size < kFullTextFrom ? qMax(10, int(std::lround(size * 0.6)))
                                : int(std::lround(size * 0.42));
}

QString shortValueText(const QString& value)
{
    const QString text = value.trimmed();
    const QString number = text.section(QLatin1Char(' '), 0, 0);
    bool numeric = false;
    const double n = number.toDouble(&numeric);
    if (!numeric)
        return text;
    const QString unit = text.section(QLatin1Char(' '), 1).trimmed();
    const long whole = std::lround(n);
    QString shown = QString::number(whole == 0 ? 0 : whole);
    // Three digits fill a small icon: the unit would squeeze them.
    if (qAbs(whole) >= 100)
        return shown;
    if (unit.startsWith(QChar(0x00B0)))
        shown += QChar(0x00B0);
    else if (unit == QLatin1String("%"))
        shown += QLatin1Char('%');
    return shown;
}

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
    image.fill(face.alarm ? kAlarmBackground : QColor(Qt::transparent));

    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    const QColor solid = face.alarm ? kAlarmForeground : face.foreground;
    const bool stale = face.marks.testFlag(PanelMark::Stale);
    const QColor ink = stale ? staleColour(solid, QColor()) : solid;
    const int pen = qMax(1, int(std::lround(ratio)));
    const QString value = face.tickerText.trimmed();
    const bool small = size < kFullTextFrom;
    const int digits = int(std::lround(valueDigitHeight(size) * ratio));

    // Large icons: the value over a row that holds the marks and the trend arrow.
    const bool arrow = !small && face.showTrend && face.trendArrow >= 1 && face.trendArrow <= 3;
    const int side = device / 4;
    const bool below = arrow || (!small && face.marks);
    const int top = below ? (device - digits - 2 * pen - side) / 2 : (device - digits) / 2;
    if (below) {
        int right = device - 2 * pen;
        if (arrow) {
            right -= side;
            p.drawPixmap(QPointF(right, top + digits + 2 * pen), trendArrow(face.trendArrow, side));
        }
        if (face.marks)
            drawPanelMarks(p, QRectF(right - 1 - side, top + digits + 2 * pen, side, side),
                           face.marks, QColor(solid.rgb()));
    }

    // Small icons show whole units; large ones the value as published, less its unit, then
    // less its decimals, while the glyphs would be narrowed too far.
    const int width = device - 2 * pen;
    ValueRow row;
    if (small) {
        row = valueRow(face.font, shortValueText(value), device, width, top, digits, pen);
    } else {
        QStringList forms = valueForms(value);
        forms.append(shortValueText(value));
        for (const QString& form : std::as_const(forms)) {
            row = valueRow(face.font, form, device, width, top, digits, pen);
            if (row.narrowed >= 0.6)
                break;
        }
    }
    drawOutlined(p, row.path, ink, pen);
    if (stale)
        drawStaleUnderline(p, row.path.boundingRect(), qMin(top + digits + pen, device - 2 * pen),
                           solid, pen);
    if (face.warning)
        drawWarningMark(p, QRectF(0, 0, qMax(6.0, device * 0.45), qMax(6.0, device * 0.45)));
    p.end();
    image.setDevicePixelRatio(ratio);
    return image;
}

QIcon valueIcon(const ValueIconFace& face)
{
    // Hosts pick a picture by its pixels and scale it to their panel (Waybar takes the largest
    // there is): every picture is a panel-size design, at 1x and 2x, each of its own pixel size.
    QIcon icon;
    for (const qreal ratio : {1.0, 2.0}) {
        for (const int size : {16, 20, 22, 24}) {
            QImage image = drawValueIcon(face, size, ratio);
            image.setDevicePixelRatio(1);
            icon.addPixmap(QPixmap::fromImage(image));
        }
    }
    return icon;
}

} // namespace shell
