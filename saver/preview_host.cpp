#include "saver/preview_host.h"

#include "platform/x11/x11_preview.h"

#include <QWidget>
#include <QWindow>

namespace saver {

PreviewHost::PreviewHost(quint32 window, QObject* parent) : QObject(parent), window_(window) {}

PreviewHost::~PreviewHost() = default;

bool PreviewHost::embed(QWidget* display)
{
    watch_ = std::make_unique<platform::x11::ForeignWindowWatch>(window_);
    const auto size = watch_->size();
    if (!size)
        return false;
    connect(watch_.get(), &platform::x11::ForeignWindowWatch::gone, this, &PreviewHost::gone);
    // Qt gives a foreign window no geometry of its own: the size comes from X, and so do its
    // changes.
    connect(watch_.get(), &platform::x11::ForeignWindowWatch::resized, display,
            [display](QSize now) { display->setGeometry(0, 0, now.width(), now.height()); });

    foreign_.reset(QWindow::fromWinId(window_));
    display->winId();
    display->windowHandle()->setParent(foreign_.get());
    display->setGeometry(0, 0, size->width(), size->height());
    display->show();
    return true;
}

} // namespace saver
