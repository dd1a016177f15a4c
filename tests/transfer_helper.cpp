// Linked into every test and benchmark: their programs live outside the program folder, where
// the monitor looks for its transfer helper, so they name the one of this build (unless the
// environment names another).

#include <QByteArray>
#include <QtGlobal>

namespace {

const bool helperNamed =
    qEnvironmentVariableIsSet("NIMBULO_TRANSFER_HELPER") ||
    qputenv("NIMBULO_TRANSFER_HELPER", QByteArray(NIMBULO_TRANSFER_HELPER_PATH));

} // namespace
