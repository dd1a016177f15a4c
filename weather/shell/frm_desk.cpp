#include "weather/shell/frm_desk.h"

#include "weather/shell/value_icon.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QToolButton>

namespace shell {
namespace {

class BannerStrip : public QWidget
{
public:
    explicit BannerStrip(frmDesk* desk) : QWidget(desk), desk_(desk) {}

protected:
    void paintEvent(QPaintEvent*) override { desk_->drawText(this); }

private:
    frmDesk* desk_;
};

const QString kShowTail = QStringLiteral("<");
const QString kShowHead = QStringLiteral(">");

} // namespace

int bannerTopFor(bool bannerTop, int height, const platform::DesktopState& desktop)
{
    const auto& panel = desktop.panel;
    if (bannerTop) {
        if (panel && panel->onTop && panel->edge == platform::EdgeTop)
            return panel->rect.y() + panel->rect.height();
        return desktop.screen.y();
    }
    if (panel && panel->onTop && panel->edge == platform::EdgeBottom)
        return panel->rect.y() - height;
    return desktop.screen.y() + desktop.screen.height() - height;
}

int bannerStrip(bool bannerTop, int top, int height, const QRect& screen)
{
    if (bannerTop)
        return top - screen.y() + height + 2;
    return screen.y() + screen.height() - top + 2;
}

QString bannerTail(const QString& text, const std::function<bool(const QString&)>& fits)
{
    for (qsizetype i = 1; i < text.size(); ++i) {
        const QString tail = text.mid(i);
        if (fits(tail))
            return tail;
    }
    return QString();
}

frmDesk::frmDesk(QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint | Qt::WindowDoesNotAcceptFocus),
      cmdMenu(new QToolButton(this)), picDspl(new BannerStrip(this)),
      cmdMoveLeft(new QPushButton(kShowTail, this)), desktop_(&platform::desktopState),
      foreground_(palette().color(QPalette::WindowText)),
      background_(palette().color(QPalette::Window))
{
    setObjectName(QStringLiteral("frmDesk"));
    cmdMenu->setObjectName(QStringLiteral("cmdMenu"));
    picDspl->setObjectName(QStringLiteral("picDspl"));
    cmdMoveLeft->setObjectName(QStringLiteral("cmdMoveLeft"));
    tmrPos.setObjectName(QStringLiteral("tmrPos"));
    tmrLeft.setObjectName(QStringLiteral("tmrLeft"));
    setWindowTitle(QStringLiteral("Nimbulo"));
    setAttribute(Qt::WA_ShowWithoutActivating);
    setAttribute(Qt::WA_X11DoNotAcceptFocus);
    // The banner never becomes the active window, where alone Qt would show its tips.
    setAttribute(Qt::WA_AlwaysShowToolTips);
    setMouseTracking(true);
    picDspl->installEventFilter(this);

    cmdMenu->setAutoRaise(true);
    cmdMoveLeft->setFocusPolicy(Qt::NoFocus);
    cmdMoveLeft->hide();
    cmdMoveLeft->setEnabled(false);

    tmrPos.setInterval(1000);
    tmrLeft.setInterval(6000);
    tmrLeft.setSingleShot(true);
    connect(&tmrPos, &QTimer::timeout, this, &frmDesk::tmrPosTick);
    connect(&tmrLeft, &QTimer::timeout, this, [this] {
        tmrLeft.stop();
        tailShown = false;
        reprint();
        cmdMoveLeft->setText(kShowTail);
    });
    connect(cmdMoveLeft, &QPushButton::clicked, this, &frmDesk::moveLeftClicked);
    connect(cmdMenu, &QToolButton::clicked, this,
            [this] { Q_EMIT popupMenuRequested(QCursor::pos()); });

    setLook(QColor(), QColor(), font());
}

void frmDesk::setDesktopSource(std::function<platform::DesktopState()> source)
{
    desktop_ = std::move(source);
}

void frmDesk::setLook(const QColor& foreground, const QColor& background, const QFont& font)
{
    if (foreground.isValid())
        foreground_ = foreground;
    if (background.isValid())
        background_ = background;
    QPalette colours = palette();
    colours.setColor(QPalette::Window, background_);
    colours.setColor(QPalette::Button, background_);
    colours.setColor(QPalette::WindowText, foreground_);
    colours.setColor(QPalette::ButtonText, foreground_);
    setPalette(colours);
    setAutoFillBackground(true);
    picDspl->setFont(font);
    // The banner is one line of its font high, with a pixel above and below the strip.
    const int lineHeight = QFontMetrics(font).height();
    const int height = qMax(20, lineHeight + 6);
    setFixedHeight(height);
    cmdMenu->setIconSize(QSize(height - 6, height - 6));
    cmdMoveLeft->setFixedSize(height, height);
}

void frmDesk::setText(const QString& bannerText, bool showArrow, const QPixmap& arrow,
                      PanelMarks marks)
{
    bannerText_ = bannerText;
    arrow_ = showArrow ? arrow : QPixmap();
    marks_ = marks;
}

int frmDesk::markWidth() const
{
    return warning_ ? qMax(8, picDspl->height() - 2) + 4 : 0;
}

void frmDesk::setMenuIcon(const QIcon& icon)
{
    cmdMenu->setIcon(icon);
}

int frmDesk::menuWidth() const
{
    return height();
}

void frmDesk::readTaskbar(const platform::DesktopState& desktop)
{
    screen_ = desktop.screen;
    taskbarOnTop = desktop.panel && desktop.panel->onTop;
    // Without a panel the last edge seen stands, so a panel restarting is no move.
    if (desktop.panel) {
        taskbarEdge = desktop.panel->edge;
        taskbarRect = desktop.panel->rect;
    }
}

void frmDesk::readWorkArea(const platform::DesktopState& desktop)
{
    workLeft = desktop.work.x();
    workTop = desktop.work.y();
    workRight = desktop.work.x() + desktop.work.width();
    workBottom = desktop.work.y() + desktop.work.height();
}

void frmDesk::placeBanner(const platform::DesktopState& desktop)
{
    const int top = bannerTopFor(bannerTop, height(), desktop);
    setGeometry(workLeft, top, qMax(1, workRight - workLeft), height());
}

void frmDesk::initBanner(bool top)
{
    bannerTop = top;
    const platform::DesktopState desktop = desktop_();
    readTaskbar(desktop);
    readWorkArea(desktop);
    placeBanner(desktop);
    lastTaskbarEdge = taskbarEdge;
    tmrPos.start();
    areaPending = false;
    setDeskArea();
    tmrPosTick();
}

void frmDesk::showBanner()
{
    platform::prepareDockWindow(this);
    show();
    prtBanner();
}

void frmDesk::setDeskArea()
{
    readWorkArea(desktop_());
    reserved_ = bannerStrip(bannerTop, y(), height(), screen_);
    const int start = x();
    const int end = x() + width() - 1;
    if (bannerTop) {
        workTop = screen_.y() + reserved_;
        platform::reserveStrip(this, platform::EdgeTop, reserved_, start, end);
    } else {
        workBottom = screen_.y() + screen_.height() - reserved_;
        platform::reserveStrip(this, platform::EdgeBottom, reserved_, start, end);
    }
}

void frmDesk::undoDesk()
{
    reserved_ = 0;
    platform::reserveStrip(this, bannerTop ? platform::EdgeTop : platform::EdgeBottom, 0, 0, 0);
}

void frmDesk::tmrPosTick()
{
    if (areaPending && taskbarOnTop) {
        areaPending = false;
        setDeskArea();
        return;
    }
    const platform::DesktopState desktop = desktop_();
    readWorkArea(desktop);
    readTaskbar(desktop);
    if (taskbarEdge != lastTaskbarEdge) {
        placeBanner(desktop);
        areaPending = true;
    }
    lastTaskbarEdge = taskbarEdge;
}

void frmDesk::showTaskbar()
{
    platform::raisePanel();
}

void frmDesk::closeBanner()
{
    tmrPos.stop();
    tmrLeft.stop();
    undoDesk();
    hide();
}

void frmDesk::resizeEvent(QResizeEvent* event)
{
    cmdMenu->setGeometry(0, 0, menuWidth(), height());
    picDspl->setGeometry(menuWidth() + 1, 1, qMax(1, width() - menuWidth() - 2), height() - 2);
    QWidget::resizeEvent(event);
    prtBanner();
}

int frmDesk::markSide(int stripHeight)
{
    return qMax(7, stripHeight - 6);
}

int frmDesk::endWidth(int stripHeight) const
{
    int width = 0;
    if (!arrow_.isNull())
        width += qRound(arrow_.width() / arrow_.devicePixelRatio()) + 2;
    if (marks_)
        width += panelMarksWidth(marks_, markSide(stripHeight)) + 2;
    return width;
}

void frmDesk::prtBanner()
{
    int width = qMax(1, this->width() - menuWidth() - 2);
    const QFontMetrics metrics(picDspl->font());
    if (metrics.horizontalAdvance(bannerText_.trimmed()) + endWidth(height() - 2) + markWidth() >
        width) {
        width = qMax(1, width - cmdMoveLeft->width());
        cmdMoveLeft->move(width + menuWidth() + 1, 0);
        cmdMoveLeft->setEnabled(true);
        cmdMoveLeft->show();
    } else {
        cmdMoveLeft->setEnabled(false);
        cmdMoveLeft->hide();
    }
    picDspl->resize(width, height() - 2);
    reprint();
}

void frmDesk::reprint()
{
    printed_ = bannerText_;
    picDspl->update();
}

void frmDesk::moveLeftClicked()
{
    tmrLeft.stop();
    if (tailShown) {
        tailShown = false;
        reprint();
        cmdMoveLeft->setText(kShowTail);
        return;
    }
    tailShown = true;
    const QFontMetrics metrics(picDspl->font());
    const int room = picDspl->width() - endWidth(picDspl->height());
    const auto fits = [&](const QString& s) { return metrics.horizontalAdvance(s) <= room; };
    if (fits(bannerText_))
        return;
    printed_ = bannerTail(bannerText_, fits) + QString(5, QLatin1Char(' '));
    picDspl->update();
    tmrLeft.start();
    cmdMoveLeft->setText(kShowHead);
}

void frmDesk::drawText(QWidget* strip)
{
    QPainter painter(strip);
    painter.fillRect(strip->rect(), background_);
    const QFontMetrics metrics(strip->font());
    const int mark = markWidth();
    if (mark) {
        const qreal ratio = strip->devicePixelRatioF();
        const int side = mark - 4;
        painter.save();
        painter.scale(1 / ratio, 1 / ratio); // device pixels: crisp at 2x
        drawWarningMark(painter, QRectF(2 * ratio, (strip->height() - side) / 2.0 * ratio,
                                        side * ratio, side * ratio));
        painter.restore();
    }
    // The arrow and the marks keep the right end; the text stops short of them.
    int right = strip->width();
    if (!arrow_.isNull()) {
        const QSize size = (QSizeF(arrow_.size()) / arrow_.devicePixelRatio()).toSize();
        right -= size.width();
        painter.drawPixmap(right, (strip->height() - size.height()) / 2, arrow_);
        right -= 2;
    }
    if (marks_) {
        const int side = markSide(strip->height());
        const int width = panelMarksWidth(marks_, side);
        right -= width;
        drawPanelMarks(painter, QRectF(right, (strip->height() - side) / 2, width, side), marks_,
                       foreground_);
        right -= 2;
    }
    const bool stale = marks_.testFlag(PanelMark::Stale);
    const QColor text = stale ? staleColour(foreground_, background_) : foreground_;
    drawn_ = metrics.elidedText(printed_, Qt::ElideRight, qMax(0, right - mark));
    if (stale)
        drawStaleLine(painter, mark, mark + metrics.horizontalAdvance(drawn_.trimmed()) - 1,
                      strip->height() - 2, text);
    painter.setPen(text);
    painter.drawText(QPoint(mark, (strip->height() - metrics.height()) / 2 + metrics.ascent()),
                     drawn_);
}

bool frmDesk::eventFilter(QObject* watched, QEvent* event)
{
    const bool release = event->type() == QEvent::MouseButtonRelease;
    if (watched == picDspl && (release || event->type() == QEvent::MouseButtonDblClick)) {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        if (release && mouse->button() == Qt::RightButton)
            Q_EMIT popupMenuRequested(mouse->globalPosition().toPoint());
        else if (!release && mouse->button() == Qt::LeftButton)
            Q_EMIT restoreRequested();
    }
    return QWidget::eventFilter(watched, event);
}

void frmDesk::mouseMoveEvent(QMouseEvent* event)
{
    // The lowest row of a bottom banner brings an auto-hidden panel up.
    if (!bannerTop && !taskbarOnTop && event->position().y() > picDspl->geometry().bottom())
        showTaskbar();
    QWidget::mouseMoveEvent(event);
}

} // namespace shell
