#include "weather/shell/tray_display.h"

#include "platform/registry_store.h"
#include "weather/shell/frm_xphide.h"
#include "weather/shell/level_images.h"

#include <QApplication>
#include <QScreen>
#include <QStyle>
#include <QSystemTrayIcon>

#include <cmath>

namespace shell {
namespace {

constexpr int kAutoTrayButton = 18; // the panel's button left of the icons when it hides some
constexpr int kMaxCells = 9;        // marker names stay unambiguous: "1KQ" ... "9KQ"
// The check's pace, in ticks of the 500 ms check timer. Right after a start or a change the
// tray is still docking and moving icons (its own and other programs'), so the ticker's place is
// checked once a second: a pass every kPassTick ticks. Once kFastChecks passes have gone by the
// tray has settled and a move is rare, so only every kSlowRounds-th pass looks at the tray
// (every two seconds): half the wake-ups for a tray that does not tell its changes. Passes are
// counted only up to kCountedChecks, past kFastChecks, so the count never wraps. A tray that
// tells its changes wakes a resting check (wakeCheck), which starts the fast pace again, and
// is looked at on the next turn of the event loop (trayLaidOut).
constexpr int kPassTick = 2;
constexpr int kFastChecks = 7;
constexpr int kSlowRounds = 2;
constexpr int kCountedChecks = 10;

double twipsPerPixel()
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen && screen->logicalDotsPerInchX() > 0 ? 1440.0 / screen->logicalDotsPerInchX()
                                                       : 15.0;
}

std::optional<bool> readAutoTray()
{
    QVariant value;
    const int rc = platform::RegistryStore().regRead(
        QStringLiteral("HKCU"),
        QStringLiteral("Software\\Microsoft\\Windows\\CurrentVersion\\Explorer"),
        QStringLiteral("EnableAutoTray"), QStringLiteral("D"), value);
    if (rc != platform::RegistryStore::kOk)
        return std::nullopt;
    return value.toUInt() != 0;
}

int largeIconSize()
{
    return QApplication::style() ? QApplication::style()->pixelMetric(QStyle::PM_LargeIconSize)
                                 : 32;
}

} // namespace

TrayWay chooseTrayWay(const TrayFacts& facts)
{
    if (!facts.xembedTray || (facts.preferSni && facts.sniHost))
        return TrayWay::SniValueIcon;
    return facts.tallArea ? TrayWay::StandardIcon : TrayWay::DockedTicker;
}

int roundEven(double value)
{
    return int(std::nearbyint(value));
}

QSize tallTickerSize(int iconHeight, int cellCount)
{
    return {roundEven(1.1 * iconHeight * cellCount / 2), roundEven(iconHeight / 2.0)};
}

int dockedTickerTop(int areaHeight, int iconHeight)
{
    return roundEven(areaHeight / 2.0 - iconHeight / 4.0);
}

std::optional<QPoint> floatingTickerPos(const platform::DesktopState& desktop, QSize ticker,
                                        double twipsPerPixel)
{
    if (!desktop.panel || !desktop.panel->onTop || twipsPerPixel <= 0)
        return std::nullopt;
    // The offsets are fixed in twips; everything else is converted to twips and back.
    const double t = twipsPerPixel;
    const double screenWidth = desktop.screen.width() * t;
    const double screenHeight = desktop.screen.height() * t;
    const double width = ticker.width() * t;
    const double height = ticker.height() * t;
    const QRect& panel = desktop.panel->rect;
    double left = 0;
    double top = 0;
    switch (desktop.panel->edge) {
    case platform::EdgeLeft:
        left = desktop.work.left() * t + 10;
        top = screenHeight - 2 * height;
        break;
    case platform::EdgeTop:
        left = screenWidth - 2.2 * width;
        top = (panel.y() + panel.height()) * t - 10;
        break;
    case platform::EdgeRight:
        left = (desktop.work.x() + desktop.work.width()) * t - (width + 10);
        top = screenHeight - 2 * height;
        break;
    default:
        left = screenWidth - 2.2 * width;
        top = panel.y() * t - (height + 30);
        break;
    }
    return QPoint(roundEven(left / t), roundEven(top / t));
}

TrayDisplay::TrayDisplay(platform::TrayHost& host, QObject* parent)
    : QObject(parent), locator(host), host_(host), sni_(sniWatcher_),
      desktop_(&platform::desktopState), autoTray_(&readAutoTray)
{
    tmrMsonIcon.setObjectName(QStringLiteral("tmrMsonIcon"));
    tmrMsonIcon.setInterval(5000);
    tmrMsonIcon.setSingleShot(true);
    connect(&tmrMsonIcon, &QTimer::timeout, this, [this] {
        tmrMsonIcon.stop();
        state_.hoverShown = false;
        ticker_->hide();
    });
    connect(&host_, &platform::TrayHost::trayChanged, this, &TrayDisplay::trayChanged);
    connect(&sniWatcher_, &platform::SniWatcher::hostChanged, this, &TrayDisplay::sniHostChanged);
    connect(&sni_, &SniValueDisplay::lost, this, &TrayDisplay::trayChanged);
    // The value icon stays while the main window is open (it is the value, not a way back).
    connect(&sni_, &SniValueDisplay::restoreRequested, this, &TrayDisplay::restoreRequested);
    // A tray that tells its changes (an icon docked, mapped, moved) wakes the resting check
    // (see checkPass) and is looked at on the next turn of the event loop: not from within
    // the tray's own event, where its end may still be arriving (placing the ticker there
    // raced it, and the main window stayed away); a tray gone by then is left to trayChanged.
    connect(&host_, &platform::TrayHost::layoutChanged, this, [this] {
        if (!state_.tickerDocked || !state_.trayActive)
            return;
        wakeCheck();
        if (!laidOutDue_)
            QTimer::singleShot(0, this, &TrayDisplay::trayLaidOut);
        laidOutDue_ = true;
    });
    // The docked ticker takes the panel's own colour once the panel has painted its cells.
    connect(&host_, &platform::TrayHost::areaColorChanged, this, [this](const QColor& colour) {
        if (state_.tickerDocked && options_.useSysColor)
            ticker_->setColors(QColor(), colour);
    });
    makeTicker();
}

TrayDisplay::~TrayDisplay()
{
    host_.release(ticker_.get());
    host_.removePlaceholders();
    delete help_.data();
}

bool TrayDisplay::stdIconShown() const
{
    if (way_ == TrayWay::SniValueIcon)
        return sni_.shown();
    return stdIcon_ && stdIcon_->isVisible() && QSystemTrayIcon::isSystemTrayAvailable();
}

void TrayDisplay::setContent(const TickerContent& content, int levelIcon)
{
    content_ = content;
    levelIcon_ = levelIcon;
}

void TrayDisplay::setValueFacts(const QString& tipTitle, const QString& tickerTip, bool alarm)
{
    tipTitle_ = tipTitle;
    tickerTip_ = tickerTip;
    alarm_ = alarm;
}

void TrayDisplay::setDesktopSource(std::function<platform::DesktopState()> source)
{
    desktop_ = std::move(source);
}

void TrayDisplay::setAutoTraySource(std::function<std::optional<bool>()> source)
{
    autoTray_ = std::move(source);
}

void TrayDisplay::makeTicker()
{
    ticker_ = std::make_unique<frmTicker>();
    connect(ticker_.get(), &frmTicker::checkDue, this, &TrayDisplay::trayCheckTick);
    // A click (or a double-click) brings the main window back, as on the value icon.
    connect(ticker_.get(), &frmTicker::clicked, this, &TrayDisplay::tickerClicked);
    connect(ticker_.get(), &frmTicker::doubleClicked, this, &TrayDisplay::tickerClicked);
    connect(ticker_.get(), &frmTicker::rightButtonReleased, this, [this](QPoint global) {
        // The free (hover) ticker has no menu: the standard icon's right click opens it.
        if (state_.tickerDocked)
            Q_EMIT popupMenuRequested(global);
    });
    // The free ticker stays up while the pointer rests on it (its stats tip shows there), and
    // its five seconds start again when the pointer leaves.
    connect(ticker_.get(), &frmTicker::pointerInside, this, [this](bool inside) {
        if (!state_.hoverShown)
            return;
        if (inside)
            tmrMsonIcon.stop();
        else
            tmrMsonIcon.start();
    });
}

void TrayDisplay::applyTickerLook()
{
    const QPalette palette = QApplication::palette();
    if (!options_.useSysColor)
        ticker_->setColors(options_.foreColor, options_.backColor);
    else if (options_.themeActive)
        ticker_->setColors(palette.color(QPalette::HighlightedText), QColor());
    ticker_->setTickerFont(options_.useSysFont ? QApplication::font() : options_.displayFont);
    ticker_->setThemeActive(options_.themeActive);
}

void TrayDisplay::sizeTallTicker()
{
    ticker_->resize(tallTickerSize(state_.iconHeight, state_.cellCount));
}

void TrayDisplay::zeroCounters()
{
    state_.checkTicks = 0;
    state_.checkRounds = 0;
    state_.skipRounds = 0;
    state_.slowChecks = false;
}

bool TrayDisplay::tallTray(int height) const
{
    return height > 1.5 * state_.iconHeight;
}

int TrayDisplay::readAreaHeight()
{
    return host_.areaSize().height();
}

void TrayDisplay::startTrayDisplay()
{
    inUse_ = true;
    applyTickerLook();
    zeroCounters();
    state_.iconHeight = largeIconSize();
    const int height = readAreaHeight();
    way_ = chooseTrayWay(
        {host_.available(), sniWatcher_.hostRunning(), options_.preferSni, tallTray(height)});
    if (way_ == TrayWay::SniValueIcon) {
        // The value icon stands in for the standard icon: the caller's setStdTray shows it.
        // The ticker keeps the size it has beside a panel, for a tray that comes later.
        state_.tickerDocked = false;
        sizeTallTicker();
        return;
    }
    if (way_ == TrayWay::StandardIcon) {
        state_.tickerDocked = false;
        sizeTallTicker();
        showFloatingTicker();
        return;
    }
    state_.tickerDocked = true;
    locator.openTrayProcess();
    relayoutTray();
    if (!state_.tickerDocked)
        return;
    host_.embed(ticker_.get());
    positionDockedTicker();
    state_.trayActive = true;
    ticker_->setChecking(true);
}

void TrayDisplay::relayoutTray()
{
    removeTrayPlaceholders();
    const int height = readAreaHeight();
    if (tallTray(height)) {
        ticker_->setChecking(false);
        locator.closeTrayProcess();
        ticker_->hide();
        host_.release(ticker_.get());
        state_.tickerDocked = false;
        state_.trayActive = false;
        setStdTray();
        sizeTallTicker();
        showFloatingTicker();
        return;
    }
    state_.tickerDocked = true;
    state_.trayActive = true;
    addTrayPlaceholders();
    state_.trayHeight = height;
}

void TrayDisplay::addTrayPlaceholders()
{
    host_.addPlaceholders(state_.cellCount);
}

void TrayDisplay::removeTrayPlaceholders()
{
    host_.removePlaceholders();
}

void TrayDisplay::positionDockedTicker()
{
    if (const auto autoTray = autoTray_ ? autoTray_() : std::nullopt)
        state_.autoTrayOn = *autoTray;
    const int height = readAreaHeight();
    state_.iconHeight = largeIconSize();
    locator.findPlaceholderIcons(state_.cellCount);
    // The text is measured at the docked ticker's height and border.
    ticker_->resize(qMax(1, state_.tickerWidth), roundEven(state_.iconHeight / 2.0));
    ticker_->setBordered(false);
    const bool found = locator.found() && !growCells();
    // Without the icons there is no width to take: the ticker keeps the one it had.
    if (found) {
        state_.tickerWidth = (locator.placeRight() - locator.placeLeft()) * state_.cellCount;
        ticker_->resize(state_.tickerWidth, ticker_->height());
    }
    state_.tickerX = locator.placeLeft() + (state_.autoTrayOn ? kAutoTrayButton : 0);
    if (found) {
        ticker_->move(state_.tickerX, dockedTickerTop(height, state_.iconHeight));
        ticker_->show();
        ticker_->raise();
        state_.tickerHidden = false;
    } else {
        // Shown at no place it would cover the panel's other parts: it waits hidden until the
        // check finds the icons.
        ticker_->hide();
        state_.tickerHidden = true;
    }
    paintTicker();
}

bool TrayDisplay::tickerMoved()
{
    locator.findPlaceholderIcons(state_.cellCount);
    return state_.tickerX != locator.placeLeft() + (state_.autoTrayOn ? kAutoTrayButton : 0);
}

void TrayDisplay::trayCheckTick()
{
    if (!state_.tickerDocked || !state_.trayActive || !followAreaHeight())
        return;
    if (state_.checkTicks == kFastChecks)
        state_.slowChecks = true;
    if (state_.skipRounds >= kPassTick) {
        state_.skipRounds = 0;
        if (!state_.slowChecks || state_.checkRounds >= kSlowRounds)
            checkPass();
        state_.checkRounds += 1;
        if (state_.checkTicks < kCountedChecks)
            state_.checkTicks += 1;
    }
    state_.skipRounds += 1;
}

void TrayDisplay::trayLaidOut()
{
    laidOutDue_ = false;
    // Only the ticker's place over icons of an area that kept its height: a new area, or one
    // going with its tray, is the timer's (and trayChanged's) to follow. Docking icons anew
    // into a tray that is ending would lose the watch on its end.
    if (!state_.tickerDocked || !state_.trayActive || readAreaHeight() != state_.trayHeight ||
        !host_.available())
        return;
    // Icons not (yet) there are the timer's to look for: it decides when they count as hidden.
    locator.findPlaceholderIcons(state_.cellCount);
    if (locator.found())
        checkPass();
}

bool TrayDisplay::followAreaHeight()
{
    if (const int height = readAreaHeight(); height != state_.trayHeight) {
        if (state_.trayHeight <= 0 && height > 0 && !tallTray(height)) {
            // A tray that shows its area only once it has docked the icons (xfce4-panel): the
            // ticker goes into it now, and its height is the tray's from here on.
            state_.trayHeight = height;
            host_.embed(ticker_.get());
            positionDockedTicker();
        } else {
            ticker_->setChecking(false);
            zeroCounters();
            relayoutTray();
            if (!state_.tickerDocked)
                return false;
            positionDockedTicker();
            ticker_->setChecking(true);
        }
    }
    return true;
}

void TrayDisplay::checkPass()
{
    state_.checkRounds = 0;
    ticker_->setChecking(false);
    if (tickerMoved()) {
        zeroCounters();
        if (!locator.found()) {
            ticker_->hide();
            state_.tickerHidden = true;
        } else {
            positionDockedTicker(); // shown, or hidden while more cells dock
        }
    } else if (state_.tickerHidden && locator.found()) {
        positionDockedTicker();
        zeroCounters();
    } else if (!locator.found()) {
        zeroCounters();
        ticker_->hide();
        state_.tickerHidden = true;
        // The help comes once per start; after it, or without it, the main window stands in.
        if (!help_ && options_.themeActive && !options_.noXpHelp && !helpShown_)
            showHiddenIconsHelp();
        else if (!help_)
            Q_EMIT valueHidden();
    }
    // With the ticker in place over a tray that tells every change, the check rests until the
    // tray reports one: an idle panel then costs no wake-up at all.
    if (host_.reportsLayoutChanges() && locator.found() && !state_.tickerHidden)
        return;
    ticker_->setChecking(true);
}

void TrayDisplay::showHiddenIconsHelp()
{
    help_ = new frmXPhide;
    helpShown_ = true;
    connect(help_, &frmXPhide::noShowChosen, this, [this] {
        options_.noXpHelp = true;
        Q_EMIT noXpHelpChosen();
    });
    help_->show();
}

void TrayDisplay::showFloatingTicker()
{
    state_.trayActive = true;
    placeFloatingTicker();
    ticker_->hide();
    paintTicker();
}

void TrayDisplay::placeFloatingTicker()
{
    if (const auto at = floatingTickerPos(desktop_(), ticker_->size(), twipsPerPixel()))
        ticker_->move(*at);
}

void TrayDisplay::stopDockedTicker()
{
    ticker_->setChecking(false);
    locator.closeTrayProcess();
    ticker_->hide();
    host_.release(ticker_.get());
    removeTrayPlaceholders();
    state_.trayActive = false;
}

int TrayDisplay::cellsForText() const
{
    const int cellWidth = locator.placeRight() - locator.placeLeft();
    if (cellWidth <= 0)
        return state_.cellCount;
    const int needed = ticker_->textSize(content_).width();
    return qMin(kMaxCells, (needed + cellWidth - 1) / cellWidth);
}

bool TrayDisplay::growCells()
{
    const int cells = cellsForText();
    if (cells <= state_.cellCount)
        return false;
    state_.cellCount = cells;
    addTrayPlaceholders();
    // Icons the tray holds already (the count fell and rose again) are in place now, and no
    // tray would tell of them again.
    locator.findPlaceholderIcons(cells);
    if (locator.iconsFound() >= cells)
        return false;
    ticker_->hide();
    state_.tickerHidden = true;
    wakeCheck(); // a resting check must look for the new icons
    return true;
}

void TrayDisplay::wakeCheck()
{
    if (!ticker_->checking()) {
        zeroCounters();
        ticker_->setChecking(true);
    }
}

void TrayDisplay::paintTicker()
{
    // A wider text (a new value, a second stat) may need more cells than were docked: the
    // ticker is placed over them (and painted) as soon as they are.
    if (state_.tickerDocked && state_.trayActive && !state_.tickerHidden && locator.found() &&
        cellsForText() > state_.cellCount) {
        positionDockedTicker();
        return;
    }
    if (!ticker_->paintTicker(content_))
        Q_EMIT noDataShown();
    Q_EMIT statTipsRequested();
    if (way_ == TrayWay::SniValueIcon && state_.trayActive)
        showValueIcon();
}

void TrayDisplay::showValueIcon()
{
    ValueIconFace face;
    face.tickerText = content_.tickerText;
    face.alarm = alarm_;
    face.warning = content_.warning;
    face.showTrend = content_.showTrend;
    face.trendArrow = content_.trendArrow;
    face.marks = content_.marks;
    face.font = options_.useSysFont ? QApplication::font() : options_.displayFont;
    // The panel shows through: the value in the chosen colour, or the desktop theme's text
    // colour; its outline keeps it legible on any panel.
    face.foreground = options_.useSysColor ? QApplication::palette().color(QPalette::WindowText)
                                           : options_.foreColor;
    sni_.showValue(face, tipTitle_, tickerTip_);
}

void TrayDisplay::setStdTray()
{
    if (way_ == TrayWay::SniValueIcon) {
        state_.trayActive = true;
        showValueIcon();
        return;
    }
    if (!stdIcon_) {
        stdIcon_ = new QSystemTrayIcon(this);
        stdIcon_->setObjectName(QStringLiteral("stdTrayIcon"));
        connect(stdIcon_, &QSystemTrayIcon::activated, this,
                [this](QSystemTrayIcon::ActivationReason reason) {
                    switch (reason) {
                    case QSystemTrayIcon::DoubleClick:
                        trayIconDoubleClicked();
                        break;
                    case QSystemTrayIcon::Context:
                        trayIconRightClicked(QCursor::pos());
                        break;
                    default:
                        trayIconHovered();
                        break;
                    }
                });
    }
    stdIcon_->setIcon(levelIcon(levelIcon_));
    stdIcon_->setToolTip(QStringLiteral("Nimbulo"));
    stdIcon_->show();
    state_.trayActive = true;
    watchStdIconHover();
}

void TrayDisplay::notifyStdTray()
{
    // The value icon is kept current by every paint.
    if (way_ == TrayWay::SniValueIcon || !stdIcon_)
        return;
    stdIcon_->setToolTip(QString());
    stdIcon_->setIcon(levelIcon(levelIcon_));
    watchStdIconHover();
}

void TrayDisplay::closeStdTray()
{
    sni_.close();
    if (stdIcon_)
        stdIcon_->hide();
    tmrMsonIcon.stop();
    state_.hoverShown = false;
    ticker_->hide();
    state_.trayActive = false;
}

// The tray icon reports clicks only; on an XEmbed tray it is a widget of ours, whose Enter
// events are the hover.
void TrayDisplay::watchStdIconHover()
{
    for (QWidget* widget : QApplication::allWidgets()) {
        if (qstrcmp(widget->metaObject()->className(), "QSystemTrayIconSys") == 0)
            widget->installEventFilter(this);
    }
}

bool TrayDisplay::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::Enter &&
        qstrcmp(watched->metaObject()->className(), "QSystemTrayIconSys") == 0)
        trayIconHovered();
    return false;
}

void TrayDisplay::trayIconHovered()
{
    if (!state_.trayActive || state_.tickerDocked)
        return;
    if (!state_.hoverShown) {
        state_.hoverShown = true;
        // Bordered, the ticker takes its text's size, which its place depends on.
        ticker_->setBordered(true);
        placeFloatingTicker();
        ticker_->show();
    }
    tmrMsonIcon.start();
}

void TrayDisplay::trayIconDoubleClicked()
{
    if (!state_.trayActive || state_.tickerDocked)
        return;
    ticker_->hide();
    inUse_ = false;
    Q_EMIT restoreRequested();
    closeStdTray();
}

void TrayDisplay::trayIconRightClicked(QPoint global)
{
    if (!state_.trayActive || state_.tickerDocked)
        return;
    ticker_->hide();
    Q_EMIT popupMenuRequested(global);
}

void TrayDisplay::tickerClicked()
{
    if (!state_.trayActive)
        return; // the second click of a double-click
    ticker_->hide();
    ticker_->setChecking(false);
    // The free ticker belongs to the standard icon, which goes with it.
    if (state_.tickerDocked)
        stopDockedTicker();
    else
        closeStdTray();
    inUse_ = false;
    Q_EMIT restoreRequested();
}

void TrayDisplay::sniHostChanged(bool running)
{
    // A host that came up takes over from a docked ticker the user would rather not have; the
    // value icon follows its own host.
    if (running && inUse_ && way_ != TrayWay::SniValueIcon && options_.preferSni)
        trayChanged();
}

void TrayDisplay::trayChanged()
{
    if (!inUse_)
        return;
    if (state_.tickerDocked) {
        stopDockedTicker();
        // The ticker's native window went with the old panel: start with a fresh one.
        makeTicker();
    } else {
        closeStdTray();
    }
    startTrayDisplay();
    if (!state_.tickerDocked)
        setStdTray();
    paintTicker();
    // The rule of the start applies whenever the tray changes: with nothing in a tray the
    // program would be out of reach.
    if (!state_.tickerDocked && !stdIconShown())
        Q_EMIT trayLost();
}

void TrayDisplay::shutdown()
{
    if (state_.trayActive) {
        if (!state_.tickerDocked)
            closeStdTray();
        else
            stopDockedTicker();
    }
    if (locator.remoteReady())
        locator.closeTrayProcess();
    inUse_ = false;
    if (help_)
        help_->close();
}

} // namespace shell
