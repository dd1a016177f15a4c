#include "saver/stats_feed.h"

#include "common/text_codec.h"
#include "platform/feed_box.h"

#include <QLocale>

namespace saver {
namespace {

const QString kCrLf = QStringLiteral("\r\n");

} // namespace

QString notRunningText(const QString& homeAddress)
{
    const QString site = homeAddress.isEmpty() ? QString() : homeAddress + kCrLf;
    return QStringLiteral("Nimbulo") + kCrLf + site + QStringLiteral("Nimbulo program") + kCrLf +
           QStringLiteral("Not running") + kCrLf + QStringLiteral("Start up Nimbulo");
}

QString noReadingsText()
{
    return QStringLiteral("Nimbulo found") + kCrLf + QStringLiteral("No readings") + kCrLf +
           QStringLiteral("Check Nimbulo") + kCrLf;
}

QString readStatsText(const QString& homeAddress)
{
    const quint32 window = platform::findAppWindow(QLatin1String(kAppTitle));
    if (!window)
        return notRunningText(homeAddress);
    const QString text = platform::readFeedText(window).value_or(QString());
    return text.isEmpty() ? noReadingsText() : text;
}

QString timeLine(const QTime& time)
{
    return QStringLiteral("Time: ") + QLocale::c().toString(time, QStringLiteral("hh:mm AP"));
}

QStringList displayItemsOf(const QString& statsText, const QTime& time)
{
    QStringList items = (timeLine(time) + kCrLf + statsText).split(kCrLf);
    // Any program can set the text: a lone line break or an escape would break a display line.
    for (QString& item : items)
        item = common::printableText(item);
    return items;
}

} // namespace saver
