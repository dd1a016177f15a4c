// nimsaver: the Nimbulo screen saver, showing the stats the running monitor fetched last.
//   nimsaver [/s]            full screen until a click, a key or a mouse movement
//   nimsaver /p N            preview inside window N (also /p:N)
//   nimsaver /c              the settings dialog
//   nimsaver /a              the change-password dialog
//   nimsaver -root           full screen (under xscreensaver: in its window)
//   nimsaver -window-id N    inside window N, as the preview
//   --root, --window-id N    the same, as xscreensaver passes them
//   --appdir DIR             with any of the above: the program folder (as the other programs)
//   --dump FILE              with any of the above: write the lines shown to FILE at every
//                            feed read
// Any other command line ends at once, and so does a second copy.

#include "platform/app_dir.h"
#include "platform/registry_store.h"
#include "platform/single_instance.h"
#include "saver/command_line.h"
#include "saver/saver_run.h"

#include <QApplication>

namespace {

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
    QApplication app(argc, argv);
    QStringList arguments = platform::initAppDir(QCoreApplication::arguments().mid(1));
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
