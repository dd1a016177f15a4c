#include "platform/tray_host.h"

#include "platform/x11/x11_desktop.h"
#include "platform/x11/x11_tray.h"

#include <QGuiApplication>
#include <QPixmap>
#include <QPointer>
#include <QScreen>
#include <QTimer>
#include <QWidget>
#include <QWindow>

namespace platform {
namespace {

class NullTrayHost : public TrayHost
{
public:
    bool available() override { return false; }
    QSize areaSize() override { return {}; }
    void addPlaceholders(int) override {}
    void removePlaceholders() override {}
    QList<TrayIconRect> iconRects() override { return {}; }
    bool embed(QWidget*) override { return false; }
    void release(QWidget*) override {}
};

// The layout is read from X only after X reported a change to it (a move, resize, map or
// reparent of the area, an icon or its wrapper): an idle tray costs no request.
class X11TrayHost : public TrayHost
{
public:
    X11TrayHost()
        : watch_(
              [this] {
                  // The icons of a tray that went away are reparented to the root: drop them.
                  forgetIcons();
                  manager_ = 0; // told: the next docking takes whichever tray there is then
                  Q_EMIT trayChanged();
              },
              [this] {
                  dirty_ = true;
                  Q_EMIT layoutChanged();
              },
              [this](quint32 w, QRect r) { iconExposed(w, r); })
    {
        manager_ = x11::trayManager();
        watch_.watchManager(manager_);
    }

    ~X11TrayHost() override { forgetIcons(); }

    bool available() override { return x11::trayManager() != 0; }
    bool reportsLayoutChanges() const override { return true; }

    QSize areaSize() override
    {
        const QSize size = layout().areaSize;
        return size.isEmpty() ? QSize()
                              : QSize(x11::toLogical(size.width()), x11::toLogical(size.height()));
    }

    void addPlaceholders(int count) override
    {
        // More cells in the same tray: the icons docked already stay (and keep their places),
        // only the new ones dock.
        const quint32 manager = x11::trayManager();
        if (manager != manager_ || count < icons_.size())
            removePlaceholders();
        // The tray we docked in has gone or been replaced before its end reached us: watching
        // the new one (or none) would lose that end, so it is told from here, after this pass.
        if (manager_ && manager != manager_)
            QTimer::singleShot(0, this, &TrayHost::trayChanged);
        manager_ = manager;
        watch_.watchManager(manager_);
        dirty_ = true;
        if (!manager_)
            return;
        for (int k = int(icons_.size()) + 1; k <= count; ++k) {
            const QString name = QString::number(k) + QStringLiteral("KQ");
            const quint32 icon = x11::createTrayIcon(name);
            if (!icon)
                continue;
            icons_.append(icon);
            names_.append(name);
            x11::dockTrayIcon(manager_, icon);
        }
        // Followed from now on: the tray docking the new icons is what tells where they are.
        layout();
    }

    void removePlaceholders() override { forgetIcons(); }

    QList<TrayIconRect> iconRects() override
    {
        // The tray's places are in device pixels.
        QList<TrayIconRect> list = layout().icons;
        for (TrayIconRect& r : list) {
            r.left = x11::toLogical(r.left);
            r.right = x11::toLogical(r.right);
        }
        return list;
    }

    bool embed(QWidget* widget) override
    {
        const quint32 holder = layout().area;
        if (!holder || !widget)
            return false;
        releaseHolder(widget);
        holder_ = QWindow::fromWinId(holder);
        if (!holder_)
            return false;
        widget->setAttribute(Qt::WA_NativeWindow);
        widget->winId();
        widget->windowHandle()->setParent(holder_);
        embedded_ = widget;
        return true;
    }

    void release(QWidget* widget) override { releaseHolder(widget); }

private:
    const x11::TrayLayout& layout()
    {
        if (dirty_) {
            dirty_ = false;
            layout_ = x11::trayLayout(manager_, icons_, names_);
            watch_.watchWindows(layout_.watched);
        }
        return layout_;
    }

    // X has just painted the first icon with the area's background (the icon's own is
    // ParentRelative): its colour is the area's under the first cell. The screen is read where
    // the ticker laid over the icons does not hide it.
    void iconExposed(quint32 window, QRect exposed)
    {
        QScreen* screen = QGuiApplication::primaryScreen();
        if (!screen || icons_.isEmpty() || window != icons_.first() || exposed.isEmpty())
            return;
        const QRect covered =
            embedded_ && embedded_->windowHandle() && embedded_->isVisible()
                ? x11::windowRectIn(quint32(embedded_->windowHandle()->winId()), window)
                      .adjusted(-2, -2, 2, 2) // the point read is rounded to logical pixels
                : QRect();
        const int x = exposed.center().x();
        for (const QPoint at :
             {exposed.center(), QPoint(x, exposed.top()), QPoint(x, exposed.bottom() - 1)}) {
            if (covered.contains(at))
                continue;
            const QImage image =
                screen->grabWindow(window, x11::toLogical(at.x()), x11::toLogical(at.y()), 1, 1)
                    .toImage();
            if (image.isNull())
                return;
            const QColor colour = image.pixelColor(0, 0);
            if (colour != colour_) {
                colour_ = colour;
                Q_EMIT areaColorChanged(colour);
            }
            return;
        }
    }

    void forgetIcons()
    {
        for (const quint32 icon : std::as_const(icons_))
            x11::destroyWindow(icon);
        icons_.clear();
        names_.clear();
        colour_ = QColor();
        dirty_ = true;
    }

    // A foreign window must not outlive its use: while one exists the application refuses to
    // quit, and the panel it stands for may be gone.
    void releaseHolder(QWidget* widget)
    {
        if (widget && widget->windowHandle() && widget->windowHandle()->parent())
            widget->windowHandle()->setParent(nullptr);
        delete holder_.data();
    }

    x11::TrayWatch watch_;
    quint32 manager_ = 0;
    QList<quint32> icons_;
    QStringList names_;
    x11::TrayLayout layout_;
    bool dirty_ = true;
    QColor colour_;
    QPointer<QWindow> holder_;
    QPointer<QWidget> embedded_;
};

} // namespace

std::unique_ptr<TrayHost> createTrayHost()
{
    if (QGuiApplication::platformName() == QLatin1String("xcb"))
        return std::make_unique<X11TrayHost>();
    return std::make_unique<NullTrayHost>();
}

} // namespace platform
