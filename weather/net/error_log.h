#pragma once

#include <QObject>
#include <QString>
#include <QTime>

namespace net {

// The program's in-memory error log for the current run. Each entry is the time of day
// "hh:mm:ss AM/PM", " : " and the message (which may hold line breaks); entries are separated
// by one empty line (CR LF CR LF), the newest at the end. Past kLimit characters the oldest
// entries are dropped, so the log always holds the most recent failures.
class ErrorLog : public QObject
{
    Q_OBJECT
public:
    static constexpr qsizetype kLimit = 10000;

    using QObject::QObject;

    // Appends one entry stamped with `now` (the current time of day by default).
    void writeTxt(const QString& message, const QTime& now = QTime::currentTime());
    void clear();

    const QString& text() const { return text_; }
    bool isEmpty() const { return text_.isEmpty(); }

Q_SIGNALS:
    // The text changed; `hasEntries` tells whether anything is logged (the about window's
    // error-log button follows it).
    void changed(bool hasEntries);

private:
    QString text_;
};

} // namespace net
