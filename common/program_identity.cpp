#include "common/program_identity.h"

#include <QApplication>

// The pictures live in this static library: their resource is registered by hand.
static void initProgramIcon()
{
    Q_INIT_RESOURCE(program_icon);
}

namespace common {

QIcon programIcon()
{
    initProgramIcon();
    QIcon icon;
    for (const int size : {16, 24, 32, 48, 64})
        icon.addFile(QStringLiteral(":/nimbulo/nimbulo-%1.png").arg(size), QSize(size, size));
    return icon;
}

void setProgramIdentity()
{
    QCoreApplication::setApplicationName(QStringLiteral("Nimbulo"));
    QGuiApplication::setDesktopFileName(QStringLiteral(NIMBULO_APP_ID));
    QApplication::setWindowIcon(programIcon());
}

} // namespace common
