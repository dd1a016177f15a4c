#include "saver/saver_run.h"

#include "platform/save_file.h"
#include "saver/frm_chg_pswd.h"
#include "saver/frm_main.h"
#include "saver/frm_setup.h"
#include "saver/preview_host.h"

#include <QApplication>

namespace saver {
namespace {

void dump(const QString& path, const QStringList& lines)
{
    // A failed dump keeps the previous one whole; the reader sees old lines, never cut ones.
    platform::saveFileAtomically(path,
                                 (lines.join(QLatin1Char('\n')) + QLatin1Char('\n')).toUtf8());
}

// Runs the display until it ends. Ending leaves the event loop with exit() rather than quit():
// Qt refuses quit() while a foreign window (the preview's host) exists.
int runDisplay(const CommandLine& commandLine, const platform::RegistryStore& store,
               const QString& dumpPath)
{
    const bool preview = commandLine.mode == Mode::Preview;
    PreviewHost host(commandLine.window);
    frmMain display(preview ? frmMain::PreviewMode : frmMain::RunMode, store, {});
    if (!dumpPath.isEmpty()) {
        QObject::connect(&display, &frmMain::feedRead, &display,
                         [&] { dump(dumpPath, display.shownLines()); });
    }
    QObject::connect(&display, &frmMain::ended, &display, [] { QCoreApplication::exit(0); });
    QObject::connect(&host, &PreviewHost::gone, &display, [] { QCoreApplication::exit(0); });

    if (preview && !commandLine.window)
        return 0;
    display.formLoad();
    if (!preview)
        display.startRun();
    else if (!host.embed(&display))
        return 0;
    return QApplication::exec();
}

} // namespace

int runSaver(const CommandLine& commandLine, const platform::RegistryStore& store,
             const QString& dumpPath)
{
    switch (commandLine.mode) {
    case Mode::Run:
    case Mode::Preview:
        return runDisplay(commandLine, store, dumpPath);
    case Mode::Settings:
        frmSetup(store).exec();
        return 0;
    case Mode::ChangePassword:
        frmChgPswd(store).exec();
        return 0;
    case Mode::End:
        break;
    }
    return 0;
}

} // namespace saver
