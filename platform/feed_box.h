#pragma once

#include <QString>

#include <optional>

class QWidget;

namespace platform {

// A text box of a window that another process can read: on X11 an unmapped child window of
// the owner carrying the text in a property, readable while the owner is hidden. Elsewhere the
// text is only kept in memory.
class FeedBox
{
public:
    explicit FeedBox(QWidget* owner);
    ~FeedBox();
    FeedBox(const FeedBox&) = delete;
    FeedBox& operator=(const FeedBox&) = delete;

    void setText(const QString& text);
    const QString& text() const { return text_; }

private:
    QString text_;
    quint32 window_ = 0;
};

// The first top-level window whose title, trimmed and lower-cased, begins with `title`
// lower-cased; 0 when there is none (or no window system to ask).
quint32 findAppWindow(const QString& title);

// The feed text of another program's window, or nullopt when it carries no feed box.
std::optional<QString> readFeedText(quint32 window);

} // namespace platform
