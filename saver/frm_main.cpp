#include "saver/frm_main.h"

#include "platform/x11/x11_grab.h"
#include "platform/x11/x11_windows.h"
#include "saver/frm_password.h"
#include "saver/stats_feed.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QPainter>
#include <QScreen>
#include <QTime>
#include <QTimer>
#include <QtMath>

#include <algorithm>

namespace saver {
namespace {

constexpr int kImageInterval = 64000;
constexpr int kTickerInterval = 60;
constexpr int kGrabInterval = 250;

QScreen* primaryScreen()
{
    return QGuiApplication::primaryScreen();
}

// The end of a stats line's leader: the value follows it.
const QString kLeaderEnd = QStringLiteral(" >   ");

} // namespace

StatColumns statColumns(const QStringList& lines, const QFontMetricsF& metrics)
{
    qreal labels = -1;
    for (const QString& line : lines) {
        if (const qsizetype cut = line.indexOf(kLeaderEnd); cut >= 0)
            labels = qMax(labels, metrics.horizontalAdvance(line.left(cut + 2)));
    }
    StatColumns columns;
    if (labels >= 0)
        columns.valueAt = labels + metrics.horizontalAdvance(kLeaderEnd.mid(2));
    for (const QString& line : lines) {
        const qsizetype cut = line.indexOf(kLeaderEnd);
        columns.width =
            qMax(columns.width, cut < 0 ? metrics.horizontalAdvance(line)
                                        : columns.valueAt + metrics.horizontalAdvance(
                                                                line.mid(cut + kLeaderEnd.size())));
    }
    return columns;
}

PictureBox::PictureBox(QWidget* parent) : QWidget(parent)
{
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

void PictureBox::setContent(const QStringList& lines, QPointF at)
{
    lines_ = lines;
    at_ = at;
    update();
}

void PictureBox::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setFont(font());
    painter.setPen(palette().color(QPalette::WindowText));
    const QFontMetricsF metrics(font());
    const qreal valueAt = at_.x() + statColumns(lines_, metrics).valueAt;
    qreal y = at_.y() + metrics.ascent();
    for (const QString& line : std::as_const(lines_)) {
        if (const qsizetype cut = line.indexOf(kLeaderEnd); cut < 0) {
            painter.drawText(QPointF(at_.x(), y), line);
        } else {
            painter.drawText(QPointF(at_.x(), y), line.left(cut + 2));
            painter.drawText(QPointF(valueAt, y), line.mid(cut + kLeaderEnd.size()));
        }
        y += metrics.lineSpacing();
    }
}

frmMain::frmMain(SaverMode mode, const platform::RegistryStore& store,
                 std::function<QString()> readFeed, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint |
                          (mode == RunMode ? Qt::WindowStaysOnTopHint : Qt::Widget)),
      picTicker{new PictureBox(this), new PictureBox(this)}, picScroll(new PictureBox(this)),
      tmrImage(new QTimer(this)), tmrTicker(new QTimer(this)), tmrTickHold(new QTimer(this)),
      tmrGrab(new QTimer(this)), saverMode_(mode), store_(store), readFeed_(std::move(readFeed)),
      pairs_({[this](QStringView text) {
                  return QFontMetrics(settings_.tickerFont).horizontalAdvance(text.toString());
              },
              twipsPerPixel(primaryScreen() ? primaryScreen()->logicalDotsPerInch() : 96),
              primaryScreen() ? primaryScreen()->geometry().width() : 0})
{
    setObjectName(QStringLiteral("frmMain"));
    picTicker[0]->setObjectName(QStringLiteral("picTicker_0"));
    picTicker[1]->setObjectName(QStringLiteral("picTicker_1"));
    picScroll->setObjectName(QStringLiteral("picScroll"));
    tmrImage->setObjectName(QStringLiteral("tmrImage"));
    tmrTicker->setObjectName(QStringLiteral("tmrTicker"));
    tmrTickHold->setObjectName(QStringLiteral("tmrTickHold"));
    tmrGrab->setObjectName(QStringLiteral("tmrGrab"));
    if (mode == PreviewMode)
        setWindowTitle(QStringLiteral("Preview"));

    QPalette pal = palette();
    pal.setColor(QPalette::Window, Qt::black);
    setPalette(pal);
    setAutoFillBackground(true);
    setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);
    for (PictureBox* box : {picTicker[0], picTicker[1], picScroll})
        box->hide();

    tmrImage->setInterval(kImageInterval);
    tmrTicker->setInterval(kTickerInterval);
    tmrTickHold->setSingleShot(true);
    connect(tmrImage, &QTimer::timeout, this, &frmMain::imageTick);
    connect(tmrTicker, &QTimer::timeout, this, &frmMain::tickerTick);
    connect(tmrTickHold, &QTimer::timeout, this, &frmMain::holdTick);
    tmrGrab->setInterval(kGrabInterval);
    connect(tmrGrab, &QTimer::timeout, this, &frmMain::grabTick);
}

frmMain::~frmMain() = default;

double frmMain::twips() const
{
    const QScreen* s = screen();
    return twipsPerPixel(s ? s->logicalDotsPerInch() : 96);
}

void frmMain::formLoad()
{
    tmrImage->stop();
    tmrTicker->stop();
    statsText_ = notRunningText();
    pairs_.setItems(statsText_.split(QStringLiteral("\r\n")), false);

    loadSaverSettings(store_, settings_);
    usePassword_ = readUsePassword(store_);
    tmrTickHold->setInterval(settings_.imageTime * 1000);
    applyLook();

    imageTick();

    if (settings_.displayType == 1) {
        picScroll->show();
        block_.toTop();
    } else {
        picTicker[0]->show();
        picTicker[1]->show();
        pairs_.loadTickerPair();
    }
    layoutBoxes();

    tmrTicker->start();
    tickerTick();
    pairs_.hold();
    block_.hold();
    tmrTickHold->start();
}

void frmMain::applyLook()
{
    for (PictureBox* box : {picTicker[0], picTicker[1], picScroll}) {
        QPalette pal = box->palette();
        pal.setColor(QPalette::WindowText, settings_.tickerColor);
        box->setPalette(pal);
        box->setFont(settings_.tickerFont);
    }
}

void frmMain::startRun()
{
    // The pointer is hidden by this window's own blank cursor, so it comes back by itself
    // whenever the window goes, however the program ends.
    setCursor(Qt::BlankCursor);
    if (QScreen* s = primaryScreen())
        setGeometry(s->geometry());
    // Written before the window is mapped, so the window manager takes them from the start.
    platform::x11::addNetWmStates(static_cast<quint32>(winId()),
                                  {"_NET_WM_STATE_ABOVE", "_NET_WM_STATE_FULLSCREEN",
                                   "_NET_WM_STATE_SKIP_TASKBAR", "_NET_WM_STATE_SKIP_PAGER"});
    showFullScreen();
    raise();
    activateWindow();
    if (platform::x11::available()) {
        tmrGrab->start();
        grabTick();
    }
}

void frmMain::grabTick()
{
    // The server refuses a grab while another client holds one (an open menu) or before the
    // window is viewable: the timer asks again.
    keyboardHeld_ = keyboardHeld_ || platform::x11::grabKeyboard(static_cast<quint32>(winId()));
    pointerHeld_ = pointerHeld_ || platform::x11::grabPointer(static_cast<quint32>(winId()));
    if (keyboardHeld_ && pointerHeld_)
        tmrGrab->stop();
}

void frmMain::layoutBoxes()
{
    const int w = width();
    const int h = height();
    picScroll->setGeometry(picScroll->x(), h / 20, picScroll->width(), h - 2 * (h / 20));
    picTicker[0]->setGeometry(w / 20, h / 4, w - w / 10, h / 6);
    picTicker[1]->setGeometry(w / 20, h / 2, w - w / 10, h / 6);
}

void frmMain::resizeEvent(QResizeEvent*)
{
    layoutBoxes();
}

void frmMain::imageTick()
{
    tmrImage->stop();
    tmrTicker->stop();
    tmrTickHold->stop();
    const QString old = statsText_;
    statsText_ = readFeed_ ? readFeed_() : readStatsText();
    if (settings_.displayType == 0) {
        pairs_.setItems(displayItemsOf(statsText_, QTime::currentTime()), statsText_ != old);
    }
    Q_EMIT feedRead();
    tmrImage->start();
    tmrTicker->start();
    tmrTickHold->start();
}

void frmMain::tickerTick()
{
    const double tpp = twips();
    if (settings_.displayType == 1) {
        const QStringList lines = displayItemsOf(statsText_, QTime::currentTime());
        const QFontMetrics metrics(settings_.tickerFont);
        const int widest = qCeil(statColumns(lines, QFontMetricsF(settings_.tickerFont)).width);
        picScroll->setGeometry((width() - widest) / 2, picScroll->y(), widest, picScroll->height());
        const int blockHeight = qRound(lines.size() * metrics.lineSpacing() * tpp);
        const BlockScroller::Step step =
            block_.tick(blockHeight, qRound(picScroll->height() * tpp));
        picScroll->setContent(lines, QPointF(0, step.y / tpp));
        if (step.startHold)
            tmrTickHold->start();
        return;
    }

    const PairScroller::Step step = pairs_.tick();
    PictureBox* box = picTicker[step.row];
    // The first row sits in the middle of its box, the second at the top of its own.
    const qreal y =
        step.row == 0 ? (box->height() - QFontMetricsF(settings_.tickerFont).height()) / 2 : 0;
    box->setContent({step.text}, QPointF(step.x, y));
    if (step.startHold)
        tmrTickHold->start();
}

void frmMain::holdTick()
{
    tmrTickHold->stop();
    pairs_.release();
    block_.release();
}

QStringList frmMain::shownLines() const
{
    return settings_.displayType == 1 ? displayItemsOf(statsText_, QTime::currentTime())
                                      : pairs_.items();
}

void frmMain::mousePressEvent(QMouseEvent*)
{
    endSaver();
}

void frmMain::mouseDoubleClickEvent(QMouseEvent*)
{
    endSaver();
}

void frmMain::keyPressEvent(QKeyEvent*)
{
    endSaver();
}

void frmMain::mouseMoveEvent(QMouseEvent* event)
{
    if (saverMode_ == RunMode && mouse_.moved(event->position() * twips()))
        endSaver();
}

void frmMain::endSaver()
{
    if (saverMode_ != RunMode || ending_)
        return;
    ending_ = true;
    unsetCursor();
    if (!usePassword_) {
        finish();
        return;
    }
    frmPassword prompt(settings_.saverPassword, this);
    if (prompt.exec() == QDialog::Accepted) {
        finish();
        return;
    }
    // Cancelled: the saver goes on.
    setCursor(Qt::BlankCursor);
    raise();
    activateWindow();
    ending_ = false;
}

void frmMain::finish()
{
    tmrImage->stop();
    tmrTicker->stop();
    tmrTickHold->stop();
    tmrGrab->stop();
    if (keyboardHeld_ || pointerHeld_)
        platform::x11::ungrabInput();
    keyboardHeld_ = pointerHeld_ = false;
    unsetCursor();
    hide();
    Q_EMIT ended();
}

} // namespace saver
