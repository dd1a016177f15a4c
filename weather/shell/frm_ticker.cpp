#include "weather/shell/frm_ticker.h"

#include "weather/shell/level_images.h"
#include "weather/shell/value_icon.h"

#include <QMouseEvent>
#include <QPainter>
#include <QTimer>

namespace shell {
namespace {

// The strip: all drawing is the ticker's.
class TickerStrip : public QWidget
{
public:
    TickerStrip(frmTicker* ticker) : QWidget(ticker), ticker_(ticker) {}

protected:
    void paintEvent(QPaintEvent*) override { ticker_->drawStrip(this); }

private:
    frmTicker* ticker_;
};

const QString kBusy = QStringLiteral("Busy.....");

} // namespace

QString tickerPrintText(const QString& tickerText, bool showTrend, bool themeActive)
{
    const auto themed = [themeActive](const QString& text) {
        return themeActive ? text.trimmed() + QStringLiteral("  ") : text.trimmed();
    };
    // Positions count from 1: the first space at position 5 or later is index 4 or more.
    if (tickerText.indexOf(QLatin1Char(' ')) >= 4) {
        if (showTrend)
            return tickerText + QString(5, QLatin1Char(' '));
        return themed(tickerText);
    }
    if (tickerText == kBusy)
        return tickerText + QLatin1Char(' ');
    if (showTrend)
        return tickerText + QString(6, QLatin1Char(' '));
    return themed(tickerText);
}

frmTicker::frmTicker(QWidget* parent)
    : QWidget(parent, Qt::ToolTip | Qt::FramelessWindowHint), picTicker(new TickerStrip(this)),
      tmrCheck(new QTimer(this)), foreground_(palette().color(QPalette::HighlightedText)),
      background_(palette().color(QPalette::Highlight))
{
    setObjectName(QStringLiteral("frmTicker"));
    picTicker->setObjectName(QStringLiteral("picTicker"));
    tmrCheck->setObjectName(QStringLiteral("tmrCheck"));
    tmrCheck->setInterval(500);
    connect(tmrCheck, &QTimer::timeout, this, &frmTicker::checkDue);
    setAttribute(Qt::WA_ShowWithoutActivating);
    setAttribute(Qt::WA_X11DoNotAcceptFocus);
    // The ticker never becomes the active window, where alone Qt would show its stats tip.
    setAttribute(Qt::WA_AlwaysShowToolTips);
    picTicker->installEventFilter(this);
    resize(66, 16);
}

void frmTicker::setChecking(bool on)
{
    if (on)
        tmrCheck->start();
    else
        tmrCheck->stop();
}

bool frmTicker::checking() const
{
    return tmrCheck->isActive();
}

void frmTicker::setColors(const QColor& foreground, const QColor& background)
{
    if (foreground.isValid())
        foreground_ = foreground;
    if (background.isValid())
        background_ = background;
    picTicker->update();
}

void frmTicker::setTickerFont(const QFont& font)
{
    picTicker->setFont(font);
}

void frmTicker::setBordered(bool on)
{
    bordered_ = on;
    if (on)
        fitText();
    picTicker->update();
}

QSize frmTicker::textSize(const TickerContent& content) const
{
    const QFontMetrics metrics(picTicker->font());
    const int border = bordered_ ? 2 : 0;
    if (content.tickerText.isEmpty())
        return {metrics.horizontalAdvance(QStringLiteral("No Data")) + border,
                metrics.height() + border};
    const QString printed = tickerPrintText(content.tickerText, content.showTrend, themeActive_);
    // The trailing spaces are the arrow's room; a wide arrow gets its own width beside the text.
    int width = metrics.horizontalAdvance(printed);
    if (content.showTrend)
        width = qMax(width, metrics.horizontalAdvance(printed.trimmed()) + 2 + arrowSize());
    if (content.marks)
        width += 2 + panelMarksWidth(content.marks, markSize());
    return {width + markWidth(content) + border, metrics.height() + border};
}

int frmTicker::arrowSize() const
{
    return qMax(8, height() - 2);
}

int frmTicker::markSize() const
{
    return qMax(7, height() - 4);
}

int frmTicker::markWidth(const TickerContent& content) const
{
    return content.warning && !content.tickerText.isEmpty() ? arrowSize() + 2 : 0;
}

void frmTicker::fitText()
{
    resize(size().expandedTo(textSize(content_)));
}

bool frmTicker::paintTicker(const TickerContent& content)
{
    content_ = content;
    // Free (bordered) beside the panel, the ticker is as wide as its text needs.
    if (bordered_)
        fitText();
    const bool hasText = !content.tickerText.isEmpty();
    if (!hasText) {
        printed_ = QStringLiteral("No Data");
    } else {
        arrow_ = content.showTrend ? trendArrow(content.trendArrow, arrowSize()) : QPixmap();
        printed_ = tickerPrintText(content.tickerText, content.showTrend, themeActive_);
    }
    // Drawn now, so the display updates even in the middle of a long operation.
    picTicker->repaint();
    return hasText;
}

void frmTicker::drawStrip(QWidget* strip)
{
    QPainter painter(strip);
    const QRect area = strip->rect();
    painter.fillRect(area, background_);
    const QFontMetrics metrics(strip->font());
    const int top = (area.height() - metrics.height()) / 2;
    const bool stale = content_.marks.testFlag(PanelMark::Stale);
    const QColor text = stale ? staleColour(foreground_, background_) : foreground_;
    const int left = bordered_ ? 1 : 0;
    const int mark = markWidth(content_);
    if (mark) {
        const qreal ratio = strip->devicePixelRatioF();
        // In device pixels, so that the mark is drawn crisp at 2x.
        painter.save();
        painter.scale(1 / ratio, 1 / ratio);
        const int side = arrowSize();
        drawWarningMark(painter, QRectF(left * ratio, (area.height() - side) / 2.0 * ratio,
                                        side * ratio, side * ratio));
        painter.restore();
    }
    const int textLeft = left + mark;
    const int textWidth = metrics.horizontalAdvance(printed_.trimmed());
    if (stale)
        drawStaleLine(painter, textLeft, textLeft + textWidth - 1, area.height() - 2 - left, text);
    painter.setPen(text);
    painter.drawText(QPoint(textLeft, top + metrics.ascent()), printed_);
    int right = area.width() - left;
    if (!arrow_.isNull()) {
        const qreal ratio = arrow_.devicePixelRatio();
        const QSize size = (QSizeF(arrow_.size()) / ratio).toSize();
        right -= size.width();
        painter.drawPixmap(right, (area.height() - size.height()) / 2, arrow_);
    }
    // The marks follow the text (before the arrow, which keeps the right end).
    if (content_.marks) {
        const int side = markSize();
        const int width = panelMarksWidth(content_.marks, side);
        const int at = qMin(textLeft + textWidth + 2 + width, right - 1);
        drawPanelMarks(painter, QRectF(at - width, (area.height() - side) / 2, width, side),
                       content_.marks, foreground_);
    }
    if (bordered_) {
        painter.setPen(foreground_);
        painter.drawRect(area.adjusted(0, 0, -1, -1));
    }
}

bool frmTicker::eventFilter(QObject* watched, QEvent* event)
{
    if (watched != picTicker)
        return false;
    switch (event->type()) {
    case QEvent::MouseButtonRelease: {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() == Qt::LeftButton)
            Q_EMIT clicked();
        else if (mouse->button() == Qt::RightButton)
            Q_EMIT rightButtonReleased(mouse->globalPosition().toPoint());
        return false;
    }
    case QEvent::MouseButtonDblClick:
        if (static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton)
            Q_EMIT doubleClicked();
        return false;
    case QEvent::Enter:
    case QEvent::Leave:
        Q_EMIT pointerInside(event->type() == QEvent::Enter);
        return false;
    default:
        return false;
    }
}

void frmTicker::resizeEvent(QResizeEvent* event)
{
    picTicker->setGeometry(0, 0, width(), height());
    QWidget::resizeEvent(event);
}

} // namespace shell
