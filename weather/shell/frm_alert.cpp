#include "weather/shell/frm_alert.h"

#include "common/files.h"
#include "platform/sound.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QScreen>
#include <QStyle>
#include <QTimer>

namespace shell {

frmAlert::frmAlert(std::function<QString()> alarmText, const Options& options, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::WindowStaysOnTopHint), picTicker(new QWidget(this)),
      Image1(new QLabel(this)), tmrSound(new QTimer(this)), tmrTicker(new QTimer(this)),
      alarmText_(std::move(alarmText)), options_(options)
{
    setObjectName(QStringLiteral("frmAlert"));
    setWindowTitle(QStringLiteral("Alert"));
    setAttribute(Qt::WA_DeleteOnClose);
    picTicker->setObjectName(QStringLiteral("picTicker"));
    Image1->setObjectName(QStringLiteral("Image1"));
    tmrSound->setObjectName(QStringLiteral("tmrSound"));
    tmrTicker->setObjectName(QStringLiteral("tmrTicker"));

    Image1->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxWarning).pixmap(32, 32));
    picTicker->setFocusPolicy(Qt::StrongFocus);
    picTicker->setMinimumSize(360, 36);
    picTicker->setToolTip(QStringLiteral(
        "Click here or press space bar to hide alert, or press shift key to turn off all alerts"));
    picTicker->installEventFilter(this);
    if (options_.foreColor.isValid() && options_.backColor.isValid()) {
        QPalette pal = picTicker->palette();
        pal.setColor(QPalette::Window, options_.backColor);
        pal.setColor(QPalette::WindowText, options_.foreColor);
        picTicker->setPalette(pal);
    }
    picTicker->setAutoFillBackground(true);

    auto* layout = new QHBoxLayout(this);
    layout->addWidget(Image1);
    layout->addWidget(picTicker, 1);
    resize(420, 56);

    // Bottom centre of the work area: directly above a panel that keeps its strip.
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->availableGeometry();
        move(area.center().x() - width() / 2, area.bottom() - height());
    }

    tmrTicker->setInterval(50);
    connect(tmrTicker, &QTimer::timeout, this, &frmAlert::tick);
    tmrTicker->start();

    tmrSound->setInterval(4000);
    connect(tmrSound, &QTimer::timeout, this, &frmAlert::ding);
    if (options_.playSound) {
        tmrSound->start();
        ding();
    }
    picTicker->setFocus();
}

void frmAlert::tick()
{
    const QString text = alarmScrollText(alarmText_());
    const QFontMetrics metrics(picTicker->font());
    const QChar lead = text.at(qMin<qsizetype>(scroll_.first, text.size() - 1));
    const int leadTwips =
        static_cast<int>(metrics.horizontalAdvance(lead) * options_.twipsPerPixel);
    scroll_.step(leadTwips, static_cast<int>(text.size()));
    picTicker->update();
}

void frmAlert::ding()
{
    if (common::fileExists(options_.soundFile)) {
        ++soundsPlayed_;
        platform::playSoundFile(options_.soundFile);
    }
}

void frmAlert::paintStrip()
{
    QPainter painter(picTicker);
    const QString text = alarmScrollText(alarmText_());
    const QFontMetrics metrics(picTicker->font());
    const int x = -static_cast<int>(scroll_.offset / options_.twipsPerPixel);
    const int y = (picTicker->height() - metrics.height()) / 2 + metrics.ascent();
    painter.setPen(picTicker->palette().color(QPalette::WindowText));
    painter.drawText(x, y, scroll_.visibleText(text));
}

bool frmAlert::eventFilter(QObject* watched, QEvent* event)
{
    if (watched != picTicker)
        return QWidget::eventFilter(watched, event);
    // Keys still queued when the window has closed (the letter after a Shift) do nothing more.
    const bool closed = !isVisible();
    switch (event->type()) {
    case QEvent::Paint:
        paintStrip();
        return true;
    case QEvent::MouseButtonPress:
        if (!closed)
            close();
        return true;
    case QEvent::KeyPress: {
        if (closed)
            return true;
        // A lone modifier key counts too: its own press may not carry its modifier flag.
        const auto* key = static_cast<QKeyEvent*>(event);
        const bool modifier =
            (key->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier)) ||
            key->key() == Qt::Key_Shift || key->key() == Qt::Key_Control ||
            key->key() == Qt::Key_Alt;
        if (modifier)
            Q_EMIT alarmsOffRequested();
        close();
        return true;
    }
    default:
        return QWidget::eventFilter(watched, event);
    }
}

void frmAlert::closeEvent(QCloseEvent* event)
{
    tmrSound->stop();
    tmrTicker->stop();
    Q_EMIT closed();
    QWidget::closeEvent(event);
}

} // namespace shell
