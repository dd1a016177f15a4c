#pragma once

#include "saver/command_line.h"

#include <QString>

namespace platform {
class RegistryStore;
}

namespace saver {

// Runs the saver as the command line asks and returns the exit code: the settings or the
// change-password dialog; or the display, full screen or inside its host window, until it is
// ended or the host window goes. A preview without an existing host window ends at once.
// With `dumpPath` set, every feed read writes the lines shown to that file (one per line),
// so scripts and tests can see what the display holds.
int runSaver(const CommandLine& commandLine, const platform::RegistryStore& store,
             const QString& dumpPath = {});

} // namespace saver
