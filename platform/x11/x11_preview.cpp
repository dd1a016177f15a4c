#include "platform/x11/x11_preview.h"

#include "platform/x11/xcb_support.h"

#include <QCoreApplication>

#include <cstdlib>

namespace platform::x11 {
namespace {

using xcb::Reply;

// Adds StructureNotify to this client's event mask on `window`; false when the window does not
// exist. The mask is per client, so what Qt selects on its own windows is kept.
bool selectStructureNotify(xcb_connection_t* c, xcb_window_t window)
{
    // Errors are taken with the replies: a missing window is an answer here, not a warning.
    xcb_generic_error_t* error = nullptr;
    const Reply<xcb_get_window_attributes_reply_t> attributes(
        xcb_get_window_attributes_reply(c, xcb_get_window_attributes(c, window), &error));
    std::free(error);
    if (!attributes)
        return false;
    const uint32_t mask = attributes->your_event_mask | XCB_EVENT_MASK_STRUCTURE_NOTIFY;
    const Reply<xcb_generic_error_t> changeError(xcb_request_check(
        c, xcb_change_window_attributes_checked(c, window, XCB_CW_EVENT_MASK, &mask)));
    return !changeError;
}

std::optional<QSize> geometry(xcb_connection_t* c, xcb_window_t window)
{
    xcb_generic_error_t* error = nullptr;
    const Reply<xcb_get_geometry_reply_t> reply(
        xcb_get_geometry_reply(c, xcb_get_geometry(c, window), &error));
    std::free(error);
    if (!reply)
        return std::nullopt;
    return QSize(reply->width, reply->height);
}

} // namespace

ForeignWindowWatch::ForeignWindowWatch(quint32 window, QObject* parent)
    : QObject(parent), window_(window)
{
    xcb_connection_t* c = xcb::connection();
    if (!c || !window_)
        return;
    // Select first, then ask for the size: a window destroyed in between fails the query
    // instead of going unnoticed.
    if (!selectStructureNotify(c, window_))
        return;
    size_ = geometry(c, window_);
    if (size_)
        QCoreApplication::instance()->installNativeEventFilter(this);
}

ForeignWindowWatch::~ForeignWindowWatch()
{
    if (QCoreApplication* app = QCoreApplication::instance())
        app->removeNativeEventFilter(this);
}

bool ForeignWindowWatch::nativeEventFilter(const QByteArray& eventType, void* message, qintptr*)
{
    if (eventType != "xcb_generic_event_t")
        return false;
    const auto* event = static_cast<const xcb_generic_event_t*>(message);
    switch (event->response_type & 0x7F) {
    case 0:
        // Once the host has gone, Qt's own requests on our window (which died with it) fail
        // with BadWindow or BadDrawable: expected, not worth a warning.
        if (!size_) {
            const auto* error = reinterpret_cast<const xcb_generic_error_t*>(event);
            return error->error_code == XCB_WINDOW || error->error_code == XCB_DRAWABLE;
        }
        return false;
    case XCB_CONFIGURE_NOTIFY: {
        const auto* configure = reinterpret_cast<const xcb_configure_notify_event_t*>(event);
        if (configure->window == window_ && size_) {
            const QSize now(configure->width, configure->height);
            if (now != *size_) {
                size_ = now;
                Q_EMIT resized(now);
            }
        }
        return false;
    }
    case XCB_DESTROY_NOTIFY: {
        const auto* destroy = reinterpret_cast<const xcb_destroy_notify_event_t*>(event);
        if (destroy->window == window_ && size_) {
            size_.reset();
            Q_EMIT gone();
        }
        return false;
    }
    default:
        return false;
    }
}

} // namespace platform::x11
