#pragma once

#include <QObject>

#include <memory>

class QWidget;
class QWindow;

namespace platform::x11 {
class ForeignWindowWatch;
}

namespace saver {

// A window of another program that the display runs inside (the desktop's preview, or
// xscreensaver's own window): the display becomes its child at its size, follows its resizes,
// and gone() tells when the window is destroyed. The host must outlive the display it holds.
class PreviewHost : public QObject
{
    Q_OBJECT
public:
    explicit PreviewHost(quint32 window, QObject* parent = nullptr);
    ~PreviewHost() override;

    // Makes `display` a child of the window at its full size and shows it; false (nothing
    // shown) when the window does not exist or there is no X11 display.
    bool embed(QWidget* display);

Q_SIGNALS:
    void gone();

private:
    quint32 window_;
    std::unique_ptr<platform::x11::ForeignWindowWatch> watch_;
    std::unique_ptr<QWindow> foreign_;
};

} // namespace saver
