#include "common/info_options.h"

#include "common/deployment.h"

#include <QFileInfo>
#include <QString>

#include <cstdio>
#include <cstring>

namespace common {

bool answerInfoOption(int argc, char** argv, const char* help)
{
    for (int i = 1; i < argc; ++i) {
        const bool wantsHelp = std::strcmp(argv[i], "--help") == 0;
        if (!wantsHelp && std::strcmp(argv[i], "--version") != 0)
            continue;
        const QString name = QFileInfo(QString::fromLocal8Bit(argv[0])).fileName();
        const QString text =
            wantsHelp ? QString::fromUtf8(help).arg(name)
                      : name + QStringLiteral(" (Nimbulo) ") + programVersion() + QLatin1Char('\n');
        std::fputs(text.toLocal8Bit().constData(), stdout);
        return true;
    }
    return false;
}

} // namespace common
