// The layout loader: any layout file, every region it lists; its heap grows no faster than the
// file.

#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QString path = fuzz::asFile(fuzz::bytes(data, size), QStringLiteral("weather.ini"));
    config::RegionList regions;
    fuzz::requireLinearHeap(size, 128, [&] { regions = config::loadRegionList(path); });
    fuzz::require(regions.sections.size() <= config::kMaxLayoutCount, "region count bounded");
    for (const QString& section : regions.sections.mid(0, 4)) {
        const config::StateLayout layout = config::loadStateLayout(section, path);
        fuzz::require(layout.columns.size() == layout.columnCount, "one column per count");
    }
    return 0;
}
