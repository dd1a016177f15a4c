#pragma once

#include <QAbstractNativeEventFilter>
#include <QObject>
#include <QSize>

#include <optional>

// Following a window of another program that one of ours is embedded in (a screen-saver
// preview): its size as X reports it, its resizes and its end. Qt's foreign windows
// (QWindow::fromWinId) report no geometry and no events of their own, so this asks X directly.
namespace platform::x11 {

class ForeignWindowWatch : public QObject, public QAbstractNativeEventFilter
{
    Q_OBJECT
public:
    // Starts watching `window` (adding StructureNotify to what this client already selects on
    // it). size() tells whether the window exists.
    explicit ForeignWindowWatch(quint32 window, QObject* parent = nullptr);
    ~ForeignWindowWatch() override;

    // The window's current size; nullopt when it does not exist, has gone, or there is no X11
    // display.
    std::optional<QSize> size() const { return size_; }

    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override;

Q_SIGNALS:
    void resized(QSize size);
    // The window was destroyed (its children, ours among them, went with it).
    void gone();

private:
    quint32 window_;
    std::optional<QSize> size_;
};

} // namespace platform::x11
