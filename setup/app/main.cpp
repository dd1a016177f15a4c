// nimsetup: the installer's first-run questions and shortcuts.
//   nimsetup [--appdir DIR] add   ask the questions, write the settings, make the shortcuts
//   nimsetup [--appdir DIR] rem   remove the shortcuts

#include "platform/app_dir.h"
#include "platform/message_box.h"
#include "setup/frm_inst_weather.h"

#include <QApplication>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    const QStringList arguments = platform::initAppDir(QCoreApplication::arguments());
    const setup::Mode mode = setup::modeOf(arguments);
    if (mode == setup::Mode::Other) {
        platform::MessageBox::show(
            nullptr,
            QStringLiteral("This is part of Nimbulo installer system it cannot be run seperately"),
            QStringLiteral("Nimbulo"), platform::MessageBox::Buttons::Ok,
            platform::MessageBox::Icon::Critical);
        return 0;
    }

    setup::frmInstWeather window(mode, platform::appDir(), setup::ShortcutFolders::current());
    window.start();
    if (mode == setup::Mode::Remove)
        return 0;
    return QApplication::exec();
}
