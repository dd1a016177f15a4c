#include "weather/net/error_log.h"

namespace net {
namespace {

const QString kSeparator = QStringLiteral("\r\n\r\n");

} // namespace

void ErrorLog::writeTxt(const QString& message, const QTime& now)
{
    const QString entry =
        now.toString(QStringLiteral("hh:mm:ss AP")) + QStringLiteral(" : ") + message;
    if (text_.isEmpty())
        text_ = entry;
    else
        text_ += kSeparator + entry;

    if (text_.size() > kLimit) {
        // Drop whole entries from the front: cut after the first separator that leaves at most
        // kLimit characters; a single entry longer than that keeps its tail.
        const qsizetype mustDrop = text_.size() - kLimit;
        const qsizetype sep = text_.indexOf(kSeparator, qMax<qsizetype>(0, mustDrop - 4));
        if (sep >= 0 && sep + kSeparator.size() < text_.size())
            text_.remove(0, sep + kSeparator.size());
        else
            text_ = text_.right(kLimit);
    }
    Q_EMIT changed(true);
}

void ErrorLog::clear()
{
    text_.clear();
    Q_EMIT changed(false);
}

} // namespace net
