#pragma once

#include <QString>

#include <functional>

namespace platform {

// Opens a web address in the user's default browser (xdg-open through Qt); never through a
// shell command line. The result is not worth a message: a page that cannot be opened is
// simply not opened.
void openUrl(const QString& url);

// Test hook: route every openUrl() to `opener` instead of the browser; an empty function
// restores the browser.
void setUrlOpener(std::function<void(const QString&)> opener);

} // namespace platform
