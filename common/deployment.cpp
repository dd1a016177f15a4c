#include "common/deployment.h"

namespace common {

QString homePage()
{
    return QStringLiteral(NIMBULO_HOME_PAGE);
}

QString updateRoot()
{
    return QStringLiteral(NIMBULO_UPDATE_ROOT);
}

bool updatesFromServer()
{
    return !updateRoot().isEmpty();
}

QString updatesWithPackageText()
{
    return QStringLiteral("Updates of Nimbulo come with its package, through your system's "
                          "software updates.");
}

QString programVersion()
{
    return QStringLiteral("%1.%2.%3")
        .arg(NIMBULO_VERSION_MAJOR)
        .arg(NIMBULO_VERSION_MINOR)
        .arg(NIMBULO_VERSION_PATCH);
}

} // namespace common
