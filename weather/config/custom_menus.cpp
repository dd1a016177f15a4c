#include "weather/config/custom_menus.h"

#include "common/files.h"
#include "common/ini_file.h"
#include "common/number.h"
#include "common/text_codec.h"
#include "weather/config/layout_file.h"

#include <QApplication>
#include <QIconEngine>
#include <QMenu>
#include <QStyle>
#include <QUrl>

namespace config {
namespace {

int countOf(const common::IniDocument& file, const QString& section, const QString& key)
{
    return qBound(0, common::readInteger(file.value(section, key)), kMaxLayoutCount);
}

QList<CustomLink> readLinks(const common::IniDocument& file, const QString& section,
                            const QString& countKey, const QString& prefix)
{
    QList<CustomLink> links;
    const int count = countOf(file, section, countKey);
    for (int i = 0; i < count; ++i) {
        const QString n = QString::number(i);
        links.append({file.value(section, prefix + n).trimmed(),
                      file.value(section, prefix + QStringLiteral("URL_") + n)});
    }
    return links;
}

// A style's standard picture, taken from the style when it is first drawn: the style reads its
// picture files (probing every image plug-in) then, not when the menu is built at start.
class StandardPicture : public QIconEngine
{
public:
    explicit StandardPicture(QStyle::StandardPixmap which) : which_(which) {}

    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State state) override
    {
        icon().paint(painter, rect, Qt::AlignCenter, mode, state);
    }
    // In device pixels: the caller sets the pixmap's ratio.
    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override
    {
        return icon().pixmap(size, 1.0, mode, state);
    }
    QSize actualSize(const QSize& size, QIcon::Mode mode, QIcon::State state) override
    {
        return icon().actualSize(size, mode, state);
    }
    QList<QSize> availableSizes(QIcon::Mode mode, QIcon::State state) override
    {
        return icon().availableSizes(mode, state);
    }
    bool isNull() override { return false; }
    QIconEngine* clone() const override { return new StandardPicture(which_); }

private:
    const QIcon& icon()
    {
        if (icon_.isNull())
            icon_ = QApplication::style()->standardIcon(which_);
        return icon_;
    }

    QStyle::StandardPixmap which_;
    QIcon icon_;
};

// The small pictures of the menu entries (`picMenus`).
QIcon picMenus(int index)
{
    static constexpr QStyle::StandardPixmap kPictures[] = {
        QStyle::SP_FileDialogContentsView, // forecasts
        QStyle::SP_DriveNetIcon,           // rain radar
        QStyle::SP_FileDialogDetailedView, // history graphs
        QStyle::SP_BrowserReload,          // update stats
        QStyle::SP_DirLinkIcon,            // link menus
        QStyle::SP_ComputerIcon,           // general settings
        QStyle::SP_MessageBoxInformation,  // about
        QStyle::SP_DialogCloseButton,      // close
        QStyle::SP_FileLinkIcon,           // a fixed link
    };
    return QIcon(new StandardPicture(kPictures[index]));
}

void setPicture(const QList<QAction*>& actions, int position, int picture)
{
    if (position < actions.size())
        actions.at(position)->setIcon(picMenus(picture));
}

} // namespace

bool openableLink(const QString& url)
{
    const QUrl parsed(url, QUrl::StrictMode);
    if (!parsed.isValid() || url.startsWith(u'-'))
        return false;
    const QString scheme = parsed.scheme().toLower();
    if (scheme == u"mailto")
        return !parsed.path().isEmpty();
    return (scheme == u"http" || scheme == u"https" || scheme == u"ftp") &&
           !parsed.host().isEmpty();
}

QString refusedLinkText(const QString& url)
{
    return QStringLiteral("This link is not opened:\r\n") + common::printableText(url) +
           QStringLiteral("\r\n\r\nOnly http, https, ftp and mailto addresses are opened from "
                          "a custom menu.");
}

void buildCustomMenu(const QString& path, int k, const QString& section, CustomMenus& menus)
{
    if (!path.endsWith(QLatin1String(".ini")) || k < 0 || k > 1)
        return;
    const common::IniDocument file = common::IniDocument::load(path);
    CustomMenu& menu = menus.menus[k];
    const QString name = file.value(QStringLiteral("MNU"), QStringLiteral("name")).trimmed();
    if (!name.isEmpty()) {
        menu.shown = true;
        menus.separatorShown = true;
    }
    menu.caption = QLatin1Char('&') + name;
    menu.links =
        readLinks(file, section, QStringLiteral("sub_mnu_num"), QStringLiteral("sub_mnu_"));
    menu.extras =
        readLinks(file, section, QStringLiteral("sub_mnu_ext_num"), QStringLiteral("sub_mnu_ext_"));
}

void loadCustomMenus(const QString& appDir, const QString& section, CustomMenus& menus)
{
    for (CustomMenu& menu : menus.menus) {
        menu.links.clear();
        menu.extras.clear();
    }
    const QString first = appDir + QStringLiteral("custom1.ini");
    const QString second = appDir + QStringLiteral("custom2.ini");
    const bool haveFirst = common::fileExists(first);
    if (haveFirst)
        buildCustomMenu(first, 0, section, menus);
    // A lone custom2.ini fills the first menu.
    if (common::fileExists(second))
        buildCustomMenu(second, haveFirst ? 1 : 0, section, menus);
}

void setMenuBitmaps(QMenu* mnuTray)
{
    const QList<QAction*> entries = mnuTray->actions();
    const int pictures[][2] = {{0, 0}, {2, 1}, {4, 2}, {6, 3}, {8, 4}, {10, 6}, {11, 5}, {12, 7}};
    for (const auto& [position, picture] : pictures)
        setPicture(entries, position, picture);

    QMenu* links = entries.size() > 8 ? entries.at(8)->menu() : nullptr;
    if (!links)
        return;
    const QList<QAction*> linkEntries = links->actions();
    for (int i = 0; i < 10; ++i)
        setPicture(linkEntries, i, 8);
    setPicture(linkEntries, 10, 4);
    for (int position : {12, 13}) {
        if (position < linkEntries.size() && linkEntries.at(position)->isVisible())
            setPicture(linkEntries, position, 4);
    }
}

} // namespace config
