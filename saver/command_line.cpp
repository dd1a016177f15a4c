#include "saver/command_line.h"

namespace saver {
namespace {

// The longest run of digits at the end of the text, as a window number.
quint32 numericTail(QStringView text)
{
    qsizetype start = text.size();
    while (start > 0 && text[start - 1].isDigit() && text[start - 1].unicode() < 0x80)
        --start;
    return windowNumber(text.mid(start));
}

} // namespace

quint32 windowNumber(QStringView text)
{
    bool ok = false;
    const qulonglong n =
        text.startsWith(u"0x") ? text.mid(2).toULongLong(&ok, 16) : text.toULongLong(&ok, 10);
    return ok && n <= 0xFFFFFFFFu ? static_cast<quint32>(n) : 0;
}

CommandLine parseCommandLine(const QStringList& arguments, const QString& xscreensaverWindow)
{
    QString line = arguments.join(QLatin1Char(' ')).toLower().trimmed();
    // xscreensaver spells its options with one dash or two ("-root" reaches the hack as
    // "--root"): read both as one.
    if (line.startsWith(u"--"))
        line.remove(0, 1);
    const QStringView head = QStringView(line).left(2);
    if (head.isEmpty() || head == u"/s")
        return {Mode::Run, 0};
    if (head == u"/p")
        return {Mode::Preview, numericTail(line)};
    if (head == u"/c")
        return {Mode::Settings, 0};
    if (head == u"/a")
        return {Mode::ChangePassword, 0};

    if (line == u"-root") {
        // xscreensaver starts its hacks with -root and hands them its own window this way.
        if (const quint32 window = windowNumber(xscreensaverWindow.trimmed().toLower()))
            return {Mode::Preview, window};
        return {Mode::Run, 0};
    }
    static const QString windowId = QStringLiteral("-window-id");
    if (line.startsWith(windowId)) {
        QStringView rest = QStringView(line).mid(windowId.size());
        if (rest.startsWith(u'=') || rest.startsWith(u' ')) {
            const quint32 window = windowNumber(rest.mid(1).trimmed());
            if (window)
                return {Mode::Preview, window};
        }
    }
    return {Mode::End, 0};
}

} // namespace saver
