#include "platform/tray_host.h"

#include "platform/x11/x11_tray.h"

#include <QGuiApplication>
#include <QPixmap>
#include <QPointer>
#include <QScreen>
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
    QColor sampleColor(QPoint) override { return {}; }
};

class X11TrayHost : public TrayHost
{
public:
    X11TrayHost()
        : watch_([this] {
              // The icons of a tray that went away are reparented to the root: drop them.
              forgetIcons();
              Q_EMIT trayChanged();
          })
    {
        watch_.watchManager(x11::trayManager());
    }

    ~X11TrayHost() override { forgetIcons(); }

    bool available() override { return x11::trayManager() != 0; }

    QSize areaSize() override { return x11::windowSize(area()); }

    void addPlaceholders(int count) override
    {
        removePlaceholders();
        const quint32 manager = x11::trayManager();
        watch_.watchManager(manager);
        if (!manager)
            return;
        for (int k = 1; k <= count; ++k) {
            const quint32 icon = x11::createTrayIcon(QString::number(k) + QStringLiteral("KQ"));
            if (!icon)
                continue;
            icons_.append(icon);
            x11::dockTrayIcon(manager, icon);
        }
    }

    void removePlaceholders() override { forgetIcons(); }

    QList<TrayIconRect> iconRects() override
    {
        QList<TrayIconRect> list;
        for (const x11::NamedRect& r : x11::namedWindowsIn(area()))
            list.append({r.name, r.left, r.right});
        return list;
    }

    bool embed(QWidget* widget) override
    {
        const quint32 holder = area();
        if (!holder || !widget)
            return false;
        releaseHolder(widget);
        holder_ = QWindow::fromWinId(holder);
        if (!holder_)
            return false;
        widget->setAttribute(Qt::WA_NativeWindow);
        widget->winId();
        widget->windowHandle()->setParent(holder_);
        return true;
    }

    void release(QWidget* widget) override { releaseHolder(widget); }

    QColor sampleColor(QPoint point) override
    {
        const quint32 holder = area();
        QScreen* screen = QGuiApplication::primaryScreen();
        if (!holder || !screen)
            return {};
        const QImage image = screen->grabWindow(holder, point.x(), point.y(), 1, 1).toImage();
        return image.isNull() ? QColor() : image.pixelColor(0, 0);
    }

private:
    quint32 area() { return x11::notificationArea(x11::trayManager(), icons_); }

    void forgetIcons()
    {
        for (const quint32 icon : std::as_const(icons_))
            x11::destroyWindow(icon);
        icons_.clear();
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
    QList<quint32> icons_;
    QPointer<QWindow> holder_;
};

} // namespace

std::unique_ptr<TrayHost> createTrayHost()
{
    if (QGuiApplication::platformName() == QLatin1String("xcb"))
        return std::make_unique<X11TrayHost>();
    return std::make_unique<NullTrayHost>();
}

} // namespace platform
