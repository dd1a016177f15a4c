#include "weather/engine/alarm.h"

#include "common/number.h"

#include <QStringBuilder>

namespace engine {

AlarmTests::AlarmTests(const AlarmSettings& settings, bool scanBusy, const QLocale& locale)
    : settings_(settings), scanBusy_(scanBusy), locale_(locale)
{}

void AlarmTests::append(const QString& piece)
{
    if (!findings_.alarmText.isEmpty())
        findings_.alarmText += u" - ";
    findings_.alarmText += piece;
}

void AlarmTests::testValue(int column, QStringView cell, const QString& header, const QString& sign)
{
    if (!scanBusy_ || !settings_.armed || settings_.column != column)
        return;
    const double value = common::roundToCurrency(common::readNumber(cell));
    const double setPoint = common::roundToCurrency(settings_.setPoint);
    const bool holds = settings_.above ? value > setPoint : value < setPoint;
    if (!holds)
        return;
    findings_.valueAlarm = true;
    append(u"Current " % header % u" is " % cell % u' ' % sign % u" - Alarm set to notify " %
           (settings_.above ? u"above " : u"below ") % setPointText(setPoint, locale_) % u' ' %
           sign);
}

void AlarmTests::testWindDirection(QStringView direction)
{
    if (!scanBusy_ || !settings_.armed || settings_.wind <= AlarmWind::None)
        return;
    const bool holds = (direction.contains(u'N') && settings_.wind == AlarmWind::North) ||
                       (direction.contains(u'S') && settings_.wind == AlarmWind::South) ||
                       (direction.contains(u'E') && settings_.wind == AlarmWind::East) ||
                       (direction.contains(u'W') && settings_.wind == AlarmWind::West);
    if (!holds)
        return;
    findings_.windAlarm = true;
    append(u"Wind direction is " % direction % u' ');
}

void AlarmTests::testCalm(QStringView cell)
{
    if (!scanBusy_ || settings_.wind != AlarmWind::Calm || !cell.contains(u"CALM"))
        return;
    findings_.windAlarm = true;
    findings_.alarmText += u" - Wind is CALM ";
}

QString AlarmTests::setPointText(double setPoint, const QLocale& locale)
{
    QLocale plain = locale;
    plain.setNumberOptions(QLocale::OmitGroupSeparator);
    const double rounded = common::roundToCurrency(setPoint);
    // + 0.0 turns a negative zero into zero, so a set point of -0.00001 reads "0".
    QString text = plain.toString(rounded + 0.0, 'f', 4);
    const QString separator = plain.decimalPoint();
    const QString zero = plain.zeroDigit();
    while (text.endsWith(zero))
        text.chop(zero.size());
    if (text.endsWith(separator))
        text.chop(separator.size());
    return text;
}

bool alarmHolds(const AlarmFindings& findings, const AlarmSettings& settings)
{
    return settings.wind > AlarmWind::None ? findings.valueAlarm && findings.windAlarm
                                           : findings.valueAlarm;
}

AlarmDecision AlarmState::decide(const AlarmFindings& findings, const AlarmSettings& settings,
                                 bool scanBusy)
{
    AlarmDecision decision;
    if (!scanBusy || alarmOff)
        return decision;
    const bool holds = alarmHolds(findings, settings);
    if (!holds) {
        if (alarmWindowOpen) {
            decision.closeWindow = true;
            alarmWindowOpen = false;
            if (alarmMailSent && settings.sendAlarmMail && settings.sendEndMail) {
                alarmOffMail = true;
                decision.enableMailTimer = true;
            }
        }
        // The alarm is over, its window up or closed by the user: the next one is a new alarm
        // with its own start mail.
        alarmMailSent = false;
    }
    decision.enableAlertTimer = holds;
    return decision;
}

AlertTick AlarmState::alertTick(const AlarmSettings& settings) const
{
    return AlertTick{!alarmMailSent && settings.sendAlarmMail, true};
}

bool AlarmState::alarmCheckClicked(bool ticked)
{
    alarmOff = !ticked;
    if (!ticked)
        alarmMailSent = false; // alarms off ends the alarm in progress
    if (ticked || !alarmWindowOpen)
        return false;
    alarmWindowOpen = false;
    return true;
}

} // namespace engine
