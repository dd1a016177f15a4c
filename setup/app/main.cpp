// nimsetup: the installer's first-run questions and shortcuts; kHelp below lists its command
// lines. Without a display the removal still runs, windowless; add then ends with status 2 and
// says how to answer the questions later.

#include "common/info_options.h"
#include "common/program_folder.h"
#include "common/program_identity.h"
#include "platform/app_dir.h"
#include "platform/message_box.h"
#include "platform/x11/x11_display.h"
#include "setup/frm_inst_weather.h"

#include <QApplication>

#include <cstdio>

namespace {

const char* const kHelp =
    "Usage: %1 [--appdir DIR] add|rem\n"
    "Nimbulo's first-run questions and shortcuts.\n"
    "\n"
    "  add           ask the first-run questions (region, tray or banner, banner position,\n"
    "                start-up and desktop shortcuts, proxy) and write them to wsetting.ini\n"
    "  rem           remove the start-up and desktop shortcuts (no display needed)\n"
    "  --appdir DIR  use DIR as the program folder\n"
    "  --help        show this help and end\n"
    "  --version     show the version and end\n"
    "\n"
    "The start-up shortcut is $XDG_CONFIG_HOME/autostart/Nimbulo.desktop, the desktop one\n"
    "Nimbulo.desktop in the desktop folder (XDG_DESKTOP_DIR).\n"
    "Exit status: 0; 2 when add finds no display to ask on.\n";

const QString kSeparateRun =
    QStringLiteral("This is part of Nimbulo installer system it cannot be run seperately");

// A window can be shown: a platform was chosen explicitly, or a Wayland or X display is there.
bool canShowWindows(int argc, char** argv)
{
    for (int i = 1; i < argc; ++i) {
        if (qstrcmp(argv[i], "-platform") == 0)
            return true;
    }
    return !qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") ||
           !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") || platform::x11::displayReachable();
}

int runWithoutWindows(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList arguments = common::initProgramFolder(QCoreApplication::arguments());
    const auto say = [](const QString& text) {
        std::fprintf(stderr, "nimsetup: %s\n", qPrintable(text));
    };
    switch (setup::modeOf(arguments)) {
    case setup::Mode::Remove:
        setup::deleteShortcuts(setup::ShortcutFolders::current());
        return 0;
    case setup::Mode::Add:
        say(QStringLiteral("no display to ask the first-run questions on; run \"%1\" add "
                           "from your desktop to answer them")
                .arg(QCoreApplication::applicationFilePath()));
        return 2;
    case setup::Mode::Other:
        say(kSeparateRun);
        return 0;
    }
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    if (common::answerInfoOption(argc, argv, kHelp))
        return 0;
    if (!canShowWindows(argc, argv))
        return runWithoutWindows(argc, argv);

    QApplication app(argc, argv);
    common::setProgramIdentity();
    const QStringList arguments = common::initProgramFolder(QCoreApplication::arguments());
    const setup::Mode mode = setup::modeOf(arguments);
    if (mode == setup::Mode::Other) {
        platform::MessageBox::show(nullptr, kSeparateRun, QStringLiteral("Nimbulo"),
                                   platform::MessageBox::Buttons::Ok,
                                   platform::MessageBox::Icon::Critical);
        return 0;
    }

    setup::frmInstWeather window(mode, platform::appDir(), setup::ShortcutFolders::current());
    window.start();
    if (mode == setup::Mode::Remove)
        return 0;
    return QApplication::exec();
}
