#pragma once

#include <QList>
#include <QString>

class QWidget;

namespace platform {

// Every message box of the programs goes through here, so a test can answer it without a
// window: after script() the boxes are not shown, each takes the next scripted answer (or the
// default button once the script runs out) and is recorded in shownBoxes().
class MessageBox
{
public:
    enum class Buttons
    {
        Ok,
        OkCancel,
        YesNo
    };
    enum class Icon
    {
        None,
        Information,
        Warning,
        Critical,
        Question
    };
    enum class Answer
    {
        Ok,
        Cancel,
        Yes,
        No
    };

    struct Record
    {
        QString title;
        QString text;
    };

    static Answer show(QWidget* parent, const QString& text, const QString& title,
                       Buttons buttons = Buttons::Ok, Icon icon = Icon::None);

    // Test hook: stop showing boxes and answer them from `answers` in order.
    static void script(const QList<Answer>& answers);
    // Ends scripted answering and forgets what was recorded.
    static void unscript();
    static const QList<Record>& shownBoxes();
};

} // namespace platform
