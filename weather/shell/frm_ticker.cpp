#include "weather/shell/frm_ticker.h"

#include "weather/shell/level_images.h"

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
    setAttribute(Qt::WA_ShowWithoutActivating);
    setAttribute(Qt::WA_X11DoNotAcceptFocus);
    picTicker->installEventFilter(this);
    resize(66, 16);
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
    picTicker->update();
}

bool frmTicker::paintTicker(const TickerContent& content)
{
    const bool hasText = !content.tickerText.isEmpty();
    if (!hasText) {
        printed_ = QStringLiteral("No Data");
    } else {
        arrow_ =
            content.showTrend ? trendArrow(content.trendArrow, qMax(8, height() - 2)) : QPixmap();
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
    painter.setPen(foreground_);
    painter.drawText(QPoint(bordered_ ? 1 : 0, top + metrics.ascent()), printed_);
    if (!arrow_.isNull()) {
        const qreal ratio = arrow_.devicePixelRatio();
        const QSize size = (QSizeF(arrow_.size()) / ratio).toSize();
        painter.drawPixmap(area.width() - size.width() - (bordered_ ? 1 : 0),
                           (area.height() - size.height()) / 2, arrow_);
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
