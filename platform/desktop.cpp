#include "platform/desktop.h"

#include <QDesktopServices>
#include <QUrl>

namespace platform {
namespace {

std::function<void(const QString&)>& opener()
{
    static std::function<void(const QString&)> f;
    return f;
}

} // namespace

void openUrl(const QString& url)
{
    if (opener()) {
        opener()(url);
        return;
    }
    QDesktopServices::openUrl(QUrl(url));
}

void setUrlOpener(std::function<void(const QString&)> f)
{
    opener() = std::move(f);
}

} // namespace platform
