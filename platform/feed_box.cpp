#include "platform/feed_box.h"

#include "platform/x11/x11_windows.h"

#include <QWidget>

namespace platform {

FeedBox::FeedBox(QWidget* owner)
{
    if (x11::available())
        window_ = x11::createFeedWindow(static_cast<quint32>(owner->winId()));
}

FeedBox::~FeedBox()
{
    x11::destroyFeedWindow(window_);
}

void FeedBox::setText(const QString& text)
{
    text_ = text;
    x11::setFeedText(window_, text);
}

quint32 findAppWindow(const QString& title)
{
    return x11::findWindowByTitle(title);
}

std::optional<QString> readFeedText(quint32 window)
{
    return x11::readFeedText(window);
}

} // namespace platform
