#include "weather/net/mail_composer.h"

namespace net {

int leaderTabs(int twips)
{
    if (twips < 850)
        return 4;
    return twips < 1130 ? 3 : 2;
}

QString composeAlarmMail(const AlarmMailFacts& facts, const TwipsWidth& width)
{
    const QString crlf = QStringLiteral("\r\n");
    QString text = QStringLiteral("Aus Nimbulo Alarm Message") + crlf + crlf +
                   (facts.endOfAlarm ? QStringLiteral("Alarm OFF") : QStringLiteral("Alarm ON")) +
                   crlf + crlf + facts.alarmText;
    text += crlf + crlf + QStringLiteral("Last observations at ") + facts.station + crlf;
    for (qsizetype i = 0; i < facts.names.size(); ++i) {
        const QString& name = facts.names[i];
        text += name + QString(leaderTabs(width(name)), u'\t') + facts.values.value(i) + crlf;
    }
    text += crlf + facts.bureauSite + crlf +
            QStringLiteral("Copyright Commonwealth of Australia ") + QString::number(facts.year) +
            QStringLiteral(", Bureau of Meteorology.") + crlf;
    return text;
}

} // namespace net
