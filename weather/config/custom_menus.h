#pragma once

#include <QList>
#include <QString>

#include <array>

class QMenu;

namespace config {

// One link of a custom menu: its caption as the menu shows it and its address, used exactly as
// written in the file.
struct CustomLink
{
    QString caption;
    QString url;
};

// One user-defined link menu (`mnuCLinksType` element k) with this region's links and the extra
// links that hang under its first link.
struct CustomMenu
{
    bool shown = false; // a file with a menu name was read; it stays shown for the run
    QString caption;    // "&" + the trimmed `MNU` `name`
    QList<CustomLink> links;
    QList<CustomLink> extras;
};

// The two custom menus and the URL table behind their entries (`customLinks`).
struct CustomMenus
{
    std::array<CustomMenu, 2> menus;
    bool separatorShown = false; // `mnuSepC`
};

// Builds custom menu `k` (0 or 1) from the menu file `path` for the layout section `section`:
// the menu's caption from [MNU] `name` (an empty name leaves the menu hidden), then
// `sub_mnu_num` links and `sub_mnu_ext_num` extra links of the region's section. A path that
// does not end in ".ini", or a missing section, gives no links. Counts are capped at 999.
void buildCustomMenu(const QString& path, int k, const QString& section, CustomMenus& menus);

// The custom menus for a new region: the URL table is cleared, then custom1.ini of `appDir`
// fills menu 0 and custom2.ini menu 1, or menu 0 when custom1.ini is missing or empty. Menus
// once shown stay shown with their caption.
void loadCustomMenus(const QString& appDir, const QString& section, CustomMenus& menus);

// True for a link the desktop's opener may be given: an http://, https:// or ftp:// address
// with a host, or a mailto: address. Anything else (file:, smb:, javascript:, a bare path or
// program, an option such as "--help") is refused: the opener would run or reveal it.
bool openableLink(const QString& url);
// What the user is told of a link openableLink() refuses.
QString refusedLinkText(const QString& url);

// The menu pictures: the entries of the popup menu `mnuTray` and of its links submenu get their
// small pictures by position; a custom menu's entry only while it is visible.
void setMenuBitmaps(QMenu* mnuTray);

} // namespace config
