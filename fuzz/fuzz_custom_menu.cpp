// The custom-menu reader: any custom1.ini, for the section of each shipped region.

#include "fuzz_support.h"
#include "weather/config/custom_menus.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QString path = fuzz::asFile(fuzz::bytes(data, size), QStringLiteral("custom1.ini"));
    config::CustomMenus menus;
    for (const QString& section : {QStringLiteral("VIC"), QStringLiteral("NSW")}) {
        config::buildCustomMenu(path, 0, section, menus);
        fuzz::require(menus.menus[0].caption.startsWith(u'&'), "caption begins with &");
    }
    return 0;
}
