// Texts a peer chooses and what the program makes of them. Input: a text 0x1F a Retry-After
// in seconds. Properties: the text made printable (a server's reply, a feed's name or value)
// keeps its length and holds no control character, and goes into --print=json's one line and
// back unchanged; the saver shows one clean line per line of its feed text; a Retry-After
// holds the scans off for an hour at most and never past midnight; a custom-menu address
// reaches the desktop's opener only as a web or mail address; an address that may stand in the
// HTTP/1.0 request line cannot break it.

#include "common/text_codec.h"
#include "fuzz_support.h"
#include "saver/stats_feed.h"
#include "weather/config/custom_menus.h"
#include "weather/net/page_fetcher.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QUrl>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QList<QByteArray> parts = fuzz::fields(fuzz::bytes(data, size), 2);
    const QString text = QString::fromUtf8(parts[0]);

    const QString shown = common::printableText(text);
    fuzz::require(shown.size() == text.size(), "a printable text keeps its length");
    for (const QChar c : shown) {
        const char16_t u = c.unicode();
        fuzz::require(u >= 0x20 && !(u >= 0x7F && u <= 0x9F) && u != 0x2028 && u != 0x2029,
                      "a printable text holds no control character");
    }
    // The saver's feed text, which any program can set: one display line per CR LF line.
    const QStringList items = saver::displayItemsOf(text, QTime(12, 0));
    fuzz::require(items.size() == text.count(QLatin1String("\r\n")) + 2,
                  "one saver line per feed line");
    for (const QString& item : items)
        fuzz::require(item == common::printableText(item),
                      "a saver line holds no control character");

    const QByteArray json =
        QJsonDocument(QJsonObject{{QStringLiteral("text"), shown}}).toJson(QJsonDocument::Compact);
    fuzz::require(!json.contains('\n'), "a --print=json line is one line");
    fuzz::require(QJsonDocument::fromJson(json).object().value(QStringLiteral("text")) == shown,
                  "a --print=json text reads back");

    bool ok = false;
    const qint64 seconds = parts[1].toLongLong(&ok);
    if (ok) {
        const QDateTime now(QDate(2024, 1, 1).addDays(qint64(size) % 366),
                            QTime(0, 0).addSecs(int(qint64(size) % 86400)));
        const QDateTime end = net::retryAfterEnd(seconds, now);
        fuzz::require(end >= now && now.secsTo(end) <= 3600, "held off an hour at most");
        fuzz::require(end <= QDateTime(now.date().addDays(1), QTime(0, 0)),
                      "held off no later than midnight");
    }

    if (config::openableLink(text)) {
        const QString scheme = QUrl(text).scheme().toLower();
        fuzz::require(scheme == u"http" || scheme == u"https" || scheme == u"ftp" ||
                          scheme == u"mailto",
                      "only web and mail addresses are opened");
        fuzz::require(!text.startsWith(u'-'), "no address reads as an option");
    }
    if (net::requestableUrl(text)) {
        const QByteArray request = net::httpRequest(text, {});
        const QByteArray line = request.left(request.indexOf("\r\n"));
        fuzz::require(line.count(' ') == 2 && !line.contains('\n') && !line.contains('\r'),
                      "the request line stays one line of three words");
    }
    return 0;
}
