// nimsaver: the Nimbulo screen saver, showing the stats the running monitor fetched last.
// kHelp below lists its command lines; any other command line ends at once, and so does a
// second copy.

#include "common/info_options.h"
#include "common/program_folder.h"
#include "common/program_identity.h"
#include "platform/registry_store.h"
#include "platform/single_instance.h"
#include "saver/command_line.h"
#include "saver/saver_run.h"

#include <QApplication>

namespace {

const char* const kHelp =
    "Usage: %1 [/s | /p N | /c | /a | -root | -window-id N] [--appdir DIR] [--dump FILE]\n"
    "The Nimbulo screen saver: scrolls the weather values the running monitor fetched last.\n"
    "\n"
    "  /s, -root         run full screen until a key, a click or a mouse movement (the\n"
    "                    default); under xscreensaver -root draws into the window named by\n"
    "                    XSCREENSAVER_WINDOW\n"
    "  /p N, -window-id N  draw inside window N (a preview)\n"
    "  /c                open the settings\n"
    "  /a                change the password\n"
    "  --appdir DIR      use DIR as the program folder\n"
    "  --dump FILE       write the lines shown to FILE at every read of the values\n"
    "  --help            show this help and end\n"
    "  --version         show the version and end\n"
    "\n"
    "xscreensaver's options are taken with one dash or two. Settings and password are kept in\n"
    "$XDG_CONFIG_HOME/nimbulo/registry.ini (~/.config/nimbulo/registry.ini).\n"
    "Exit status: 0.\n";

// Removes "--dump FILE" or "--dump=FILE" from the arguments and returns FILE.
QString takeDumpPath(QStringList& arguments)
{
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        if (arguments[i] == QLatin1String("--dump") && i + 1 < arguments.size()) {
            const QString path = arguments[i + 1];
            arguments.remove(i, 2);
            return path;
        }
        if (arguments[i].startsWith(QLatin1String("--dump="))) {
            const QString path = arguments.takeAt(i).mid(7);
            return path;
        }
    }
    return {};
}

} // namespace

int main(int argc, char** argv)
{
    if (common::answerInfoOption(argc, argv, kHelp))
        return 0;
    QApplication app(argc, argv);
    common::setProgramIdentity();
    QStringList arguments = common::initProgramFolder(QCoreApplication::arguments().mid(1));
    const QString dumpPath = takeDumpPath(arguments);
    const saver::CommandLine commandLine =
        saver::parseCommandLine(arguments, qEnvironmentVariable("XSCREENSAVER_WINDOW"));
    if (commandLine.mode == saver::Mode::End)
        return 0;

    platform::SingleInstance instance(QStringLiteral("nimsaver"));
    if (!instance.claim())
        return 0;

    return saver::runSaver(commandLine, platform::RegistryStore(), dumpPath);
}
