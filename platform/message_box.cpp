#include "platform/message_box.h"

#include <QMessageBox>

namespace platform {
namespace {

struct Script
{
    bool active = false;
    QList<MessageBox::Answer> answers;
    QList<MessageBox::Record> shown;
};

Script& scriptState()
{
    static Script s;
    return s;
}

MessageBox::Answer defaultAnswer(MessageBox::Buttons buttons)
{
    return buttons == MessageBox::Buttons::YesNo ? MessageBox::Answer::Yes : MessageBox::Answer::Ok;
}

QMessageBox::Icon toQt(MessageBox::Icon icon)
{
    switch (icon) {
    case MessageBox::Icon::Information:
        return QMessageBox::Information;
    case MessageBox::Icon::Warning:
        return QMessageBox::Warning;
    case MessageBox::Icon::Critical:
        return QMessageBox::Critical;
    case MessageBox::Icon::Question:
        return QMessageBox::Question;
    case MessageBox::Icon::None:
        break;
    }
    return QMessageBox::NoIcon;
}

} // namespace

MessageBox::Answer MessageBox::show(QWidget* parent, const QString& text, const QString& title,
                                    Buttons buttons, Icon icon)
{
    Script& s = scriptState();
    if (s.active) {
        s.shown.append({title, text});
        return s.answers.isEmpty() ? defaultAnswer(buttons) : s.answers.takeFirst();
    }

    QMessageBox::StandardButtons qtButtons = QMessageBox::Ok;
    if (buttons == Buttons::OkCancel)
        qtButtons = QMessageBox::Ok | QMessageBox::Cancel;
    else if (buttons == Buttons::YesNo)
        qtButtons = QMessageBox::Yes | QMessageBox::No;

    QMessageBox box(toQt(icon), title, text, qtButtons, parent);
    switch (box.exec()) {
    case QMessageBox::Ok:
        return Answer::Ok;
    case QMessageBox::Cancel:
        return Answer::Cancel;
    case QMessageBox::Yes:
        return Answer::Yes;
    case QMessageBox::No:
        return Answer::No;
    default:
        // Closing the box with the window's close button counts as its escape button.
        return buttons == Buttons::Ok ? Answer::Ok : Answer::Cancel;
    }
}

void MessageBox::script(const QList<Answer>& answers)
{
    scriptState().active = true;
    scriptState().answers = answers;
}

void MessageBox::unscript()
{
    scriptState() = Script{};
}

const QList<MessageBox::Record>& MessageBox::shownBoxes()
{
    return scriptState().shown;
}

} // namespace platform
