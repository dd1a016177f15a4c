#include "weather/engine/publishing.h"

#include "common/ini_file.h"

#include <QFontMetrics>
#include <QStringBuilder>

namespace engine {

namespace {

const QString kCrLf = QStringLiteral("\r\n");

// The leaders that end every text at the same width, so the values after them line up in the
// font `width` measures: " - >" after the widest text, more "- " pairs after narrower ones,
// then spaces before the ">" for what a pair is too wide to fill.
QStringList alignedLeaders(const QStringList& texts, const TextWidth& width)
{
    const auto leader = [](int pairs, int spaces) {
        return QString(QStringLiteral(" -")).repeated(pairs) + QString(spaces, QLatin1Char(' ')) +
               QStringLiteral(" >   ");
    };
    int target = 0;
    for (const QString& text : texts)
        target = qMax(target, width(text + leader(1, 0)));
    QStringList leaders;
    for (const QString& text : texts) {
        int pairs = 1;
        while (pairs < 64 && width(text + leader(pairs + 1, 0)) <= target)
            ++pairs;
        int spaces = 0;
        while (spaces < 8 && width(text + leader(pairs, spaces + 1)) <= target)
            ++spaces;
        leaders.append(leader(pairs, spaces));
    }
    return leaders;
}

QString valueAt(const QStringList& values, qsizetype i)
{
    return i < values.size() ? values[i] : QString();
}

// The extra cells a stat's header asks for, in the order in which later tests override.
int extraCells(const QString& header)
{
    int extra = 0;
    if (header.contains(u"Rain"))
        extra = 1;
    if (header.contains(u"Wind") && !header.contains(u"Nau") && !header.contains(u"Dir"))
        extra = 1;
    if (header.contains(u"Bar"))
        extra = 2;
    return extra;
}

} // namespace

TextWidth twipsWidth(const QFont& font, qreal logicalDpi)
{
    return [metrics = QFontMetrics(font), logicalDpi](const QString& text) {
        return qRound(metrics.horizontalAdvance(text) * 1440.0 / logicalDpi);
    };
}

int characterWidth(const QString& text)
{
    return int(text.size());
}

TransLabels TransLabels::load(const QString& layoutPath, const QStringList& headers)
{
    const common::IniDocument document = common::IniDocument::load(layoutPath);
    TransLabels labels;
    for (const QString& header : headers) {
        const QString label = document.value(QStringLiteral("Trans"), header);
        if (!label.isEmpty())
            labels.labels_.insert(header, label);
    }
    return labels;
}

QString TransLabels::labelOf(const QString& header) const
{
    return labels_.value(header, header);
}

std::optional<QString> tickerTextOf(const QStringList& values, int displayColumn, bool showSecond,
                                    int secondColumn)
{
    if (displayColumn < 0 || displayColumn >= values.size())
        return std::nullopt;
    const QString& main = values[displayColumn];
    if (main.isEmpty())
        return QStringLiteral("No Data");
    if (!showSecond)
        return main;
    if (secondColumn < 0 || secondColumn >= values.size())
        return std::nullopt;
    return main % u" / " % values[secondColumn];
}

StatTexts statTexts(const StatTable& table, const QString& station, const TransLabels& labels,
                    const TextWidth& width)
{
    QStringList headers;
    QStringList shown;
    for (qsizetype i = 1; i < table.headers.size(); ++i) {
        headers.append(table.headers[i]);
        shown.append(labels.labelOf(table.headers[i]));
    }
    const QStringList tipLeaders = alignedLeaders(shown, width);
    const QStringList feedLeaders = alignedLeaders(headers, width);
    StatTexts texts;
    texts.feedText = station % u" at: " % table.obsTime;
    for (qsizetype i = 0; i < headers.size(); ++i) {
        const QString value = valueAt(table.values, i + 1);
        texts.tickerTip += shown[i] % tipLeaders[i] % value % kCrLf;
        texts.feedText += kCrLf % headers[i] % feedLeaders[i] % value;
    }
    texts.tickerTip +=
        kCrLf % u"Last observation at " % table.obsTime % kCrLf % u"Station is " % station % kCrLf;
    return texts;
}

QString screenFeedText(bool valueAlarm, const QString& feedText)
{
    return valueAlarm ? QStringLiteral("Nimbulo\r\nALERT") : feedText;
}

BannerText bannerTextOf(const StatTable& table, const TransLabels& labels)
{
    BannerText banner{QStringLiteral("  "), false};
    if (valueAt(table.values, 0).isEmpty()) {
        banner.text += u"    No Data Found";
        banner.noData = true;
        return banner;
    }
    for (qsizetype i = 0; i < table.headers.size(); ++i) {
        const QString& header = table.headers[i];
        if (header.contains(u"Time") || header.contains(u"Date"))
            continue;
        const QString value = valueAt(table.values, i);
        if (!value.isEmpty())
            banner.text += u"    " % labels.labelOf(header) % u':' % value % u"    ";
    }
    return banner;
}

QString bannerTipOf(const QString& obsTime, const QString& station)
{
    return u"Last observation at " % obsTime % kCrLf % u"Station: " % station % kCrLf;
}

int displayCellCount(const QString& displayHeader, const QString& secondHeader, bool showTrend,
                     bool showSecond)
{
    int main = 3 + extraCells(displayHeader);
    if (!showTrend)
        --main;
    // Every platform we run on counts as system version 6.1 or later, which needs a cell less.
    --main;
    const int second = 2 + extraCells(secondHeader);
    return showSecond ? main + second : main;
}

} // namespace engine
