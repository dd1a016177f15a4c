// Times the observation parser on a generated page (2 MB unless told) in the bureau's table layout.
// Usage: bench_parser [passes] [megabytes]   (defaults 20 and 2). Prints the time per parse for
// three page kinds: cells closed by a cell end marker, cells ending at LF line breaks, and a cell
// end marker that the page never contains (each cell then searches ahead, the case that must stay
// linear).
// (*) every cell reads empty there, so each row replaces the first: one row results.

#include "bench_page.h"
#include "weather/engine/observation_parser.h"

#include <QElapsedTimer>
#include <QString>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace {

void run(const char* title, const QString& page, const QString& cellEnd, int passes)
{
    config::StateLayout layout;
    layout.blockStart = "<table class=\"tabledata\"";
    layout.blockEnd = "</table>";
    layout.rowMarker = "<th";
    layout.cellEnd = cellEnd;

    qsizetype rows = 0;
    QElapsedTimer timer;
    timer.start();
    for (int i = 0; i < passes; ++i)
        rows += engine::cutDataBlock(page, layout, kColumns).value_or(engine::RowTable()).size();
    const double perParse = double(timer.nsecsElapsed()) / 1e6 / passes;
    std::printf("%-34s %8.2f ms per parse (%lld characters, %lld rows)\n", title, perParse,
                static_cast<long long>(page.size()), static_cast<long long>(rows / passes));
}

} // namespace

int main(int argc, char** argv)
{
    const int passes = argc > 1 ? std::max(1, std::atoi(argv[1])) : 20;
    const qsizetype megabytes = argc > 2 ? std::max(1, std::atoi(argv[2])) : 2;
    const QString crLfPage = generatePage("\r\n", megabytes * 1024 * 1024);
    const QString lfPage = generatePage("\n", megabytes * 1024 * 1024);
    run("cell end marker, CR LF page", crLfPage, "</t", passes);
    run("cells end at the line break, LF", lfPage, QString(), passes);
    run("cell end marker never found (*)", lfPage, "</nothing>", passes);
    return 0;
}
