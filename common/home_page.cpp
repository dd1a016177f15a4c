#include "common/home_page.h"

namespace common {

QString homePage()
{
    return QStringLiteral(NIMBULO_HOME_PAGE);
}

} // namespace common
