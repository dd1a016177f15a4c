#include "weather/shell/frm_menu.h"

#include "common/object_names.h"
#include "platform/desktop.h"
#include "platform/message_box.h"
#include "weather/config/layout_file.h"
#include "weather/engine/monitor.h"

#include <QMenu>

namespace shell {
namespace {

QString indexed(const QString& name, qsizetype index)
{
    return name + QLatin1Char('_') + QString::number(index);
}

using common::named;

QAction* separator(QMenu* menu, const char* name)
{
    return named(menu->addSeparator(), QLatin1String(name));
}

} // namespace

void openMenuUrl(const QString& url)
{
    if (!url.isEmpty())
        platform::openUrl(url);
}

frmMenu::frmMenu(engine::Monitor& monitor, QWidget* parent) : QWidget(parent), monitor_(monitor)
{
    setObjectName(QStringLiteral("frmMenu"));
    buildTree();
    connect(&monitor_, &engine::Monitor::refreshEnabledChanged, mnuUpdate, &QAction::setEnabled);
    connect(&monitor_, &engine::Monitor::warningsChanged, this, &frmMenu::showWarnings);
}

void frmMenu::showWarnings()
{
    mnuWarnings->clear();
    const QString summary = monitor_.warningsText();
    mnuWarnings->menuAction()->setVisible(!summary.isEmpty());
    const engine::WarningList& inForce = monitor_.warnings();
    const QStringList lines = summary.split(u'\n');
    // The first lines are the headlines in force; the others say why there is none, or how old.
    for (qsizetype i = 0; i < lines.size(); ++i) {
        QString text = lines.at(i);
        QAction* action = named(mnuWarnings->addAction(text.replace(u'&', QStringLiteral("&&"))),
                                indexed(QStringLiteral("mnuWarning"), i));
        if (i < inForce.size())
            connect(action, &QAction::triggered, this,
                    [url = inForce.at(i).page.toString()] { openMenuUrl(url); });
        else
            action->setEnabled(false);
    }
}

void frmMenu::buildTree()
{
    mnuTray = new QMenu(QStringLiteral("Tray"), this);
    mnuTray->setObjectName(QStringLiteral("mnuTray"));

    mnuWarnings = mnuTray->addMenu(QStringLiteral("Warni&ngs"));
    mnuWarnings->setObjectName(QStringLiteral("mnuWarnings"));
    mnuWarnings->menuAction()->setVisible(false);
    mnuForecast = mnuTray->addMenu(QStringLiteral("&Forecast"));
    mnuForecast->setObjectName(QStringLiteral("mnuForecast"));
    mnuSep1 = separator(mnuTray, "mnuSep1");
    mnuRain = mnuTray->addMenu(QStringLiteral("&Rain radar"));
    mnuRain->setObjectName(QStringLiteral("mnuRain"));
    mnuSep2 = separator(mnuTray, "mnuSep2");
    mnuGraph =
        named(mnuTray->addAction(QStringLiteral("&Historical Graphs")), QStringLiteral("mnuGraph"));
    mnuExport = named(mnuTray->addAction(QStringLiteral("E&xport record\u2026")),
                      QStringLiteral("mnuExport"));
    mnuSep3 = separator(mnuTray, "mnuSep3");
    mnuUpdate =
        named(mnuTray->addAction(QStringLiteral("&Update Stats")), QStringLiteral("mnuUpdate"));
    mnuSep = separator(mnuTray, "mnuSep");
    mnuLinksType = mnuTray->addMenu(QStringLiteral("&Weather Info Links"));
    mnuLinksType->setObjectName(QStringLiteral("mnuLinksType"));
    mnuSep4 = separator(mnuTray, "mnuSep4");
    mnuAbout =
        named(mnuTray->addAction(QStringLiteral("&About Nimbulo")), QStringLiteral("mnuAbout"));
    mnuShow =
        named(mnuTray->addAction(QStringLiteral("&General Settings")), QStringLiteral("mnuShow"));
    mnuClose = named(mnuTray->addAction(QStringLiteral("&Close")), QStringLiteral("mnuClose"));

    mnuSepC = separator(mnuLinksType, "mnuSepC");
    mnuSepC->setVisible(false);
    for (int k = 0; k < 2; ++k) {
        mnuCLinksType[k] = mnuLinksType->addMenu(QString());
        mnuCLinksType[k]->setObjectName(indexed(QStringLiteral("mnuCLinksType"), k));
        mnuCLinksType[k]->menuAction()->setVisible(false);
    }

    connect(mnuGraph, &QAction::triggered, this, &frmMenu::graphRequested);
    connect(mnuExport, &QAction::triggered, this, &frmMenu::exportRequested);
    connect(mnuUpdate, &QAction::triggered, &monitor_, &engine::Monitor::refresh);
    connect(mnuAbout, &QAction::triggered, this, &frmMenu::aboutRequested);
    connect(mnuShow, &QAction::triggered, this, &frmMenu::showRequested);
    connect(mnuClose, &QAction::triggered, this, &frmMenu::closeRequested);
}

void frmMenu::popUp(const QPoint& at)
{
    mnuTray->popup(at);
    mnuTray->activateWindow();
}

void frmMenu::popUpLinks(const QPoint& at)
{
    mnuLinksType->popup(at);
}

void frmMenu::setGraphEnabled(bool on)
{
    mnuGraph->setEnabled(on);
}

void frmMenu::showRegion(const QString& appDir)
{
    showPages(mnuForecast, mnuForeType, monitor_.forecasts().entries, "mnuForeType",
              &frmMenu::pickForecast);
    showPages(mnuRain, mnuRainType, monitor_.radars().entries, "mnuRainType", &frmMenu::pickRadar);
    showInfoLinks();
    showWarnings();
    config::loadCustomMenus(appDir, monitor_.layout().sectionName, custom_);
    mnuSepC->setVisible(custom_.separatorShown);
    for (int k = 0; k < 2; ++k)
        showCustomMenu(k);
    config::setMenuBitmaps(mnuTray);
}

void frmMenu::showInfoLinks()
{
    qDeleteAll(mnuLink1);
    mnuLink1.clear();
    const QList<config::LayoutPage>& pages = monitor_.layout().infoPages;
    for (qsizetype i = 0; i < pages.size(); ++i) {
        auto* action = named(new QAction(pages.at(i).name, mnuLinksType),
                             indexed(QStringLiteral("mnuLink1"), i));
        mnuLinksType->insertAction(mnuSepC, action); // before the custom menus
        connect(action, &QAction::triggered, this, [url = pages.at(i).url] { openMenuUrl(url); });
        mnuLink1.append(action);
    }
}

void frmMenu::showPages(QMenu* menu, QList<QAction*>& entries, const QStringList& names,
                        const char* name, void (frmMenu::*pick)(int))
{
    // Element 0 stays (with its last caption) like the design-time element; the others go.
    while (entries.size() > 1)
        delete entries.takeLast();
    for (int i = 0; i < names.size(); ++i) {
        if (i == entries.size()) {
            QAction* action = named(menu->addAction(QString()), indexed(QLatin1String(name), i));
            connect(action, &QAction::triggered, this, [this, pick, i] { (this->*pick)(i); });
            entries.append(action);
        }
        entries[i]->setText(QLatin1Char('&') + names.at(i));
        entries[i]->setVisible(true);
    }
    // A region without pages: element 0 would lead nowhere, so it is hidden and the submenu
    // greyed.
    if (names.isEmpty() && !entries.isEmpty())
        entries.first()->setVisible(false);
    menu->setEnabled(!names.isEmpty());
}

void frmMenu::pickForecast(int index)
{
    monitor_.selectForecast(index);
    Q_EMIT forecastPicked(index);
    openMenuUrl(monitor_.forecastUrl());
}

void frmMenu::pickRadar(int index)
{
    monitor_.selectRadar(index);
    Q_EMIT radarPicked(index);
    openMenuUrl(monitor_.radarUrl());
}

QAction* frmMenu::customAction(QMenu* menu, const QString& name, int k, bool extra, int index)
{
    QAction* action = named(menu->addAction(QString()), name);
    connect(action, &QAction::triggered, this, [this, k, extra, index] {
        const config::CustomMenu& m = custom_.menus[k];
        const QString url = (extra ? m.extras : m.links).value(index).url;
        if (!url.isEmpty() && !config::openableLink(url)) {
            platform::MessageBox::show(
                this, config::refusedLinkText(url), QStringLiteral("Custom menu"),
                platform::MessageBox::Buttons::Ok, platform::MessageBox::Icon::Warning);
            return;
        }
        openMenuUrl(url);
    });
    return action;
}

void frmMenu::showCustomMenu(int k)
{
    const config::CustomMenu& menu = custom_.menus[k];
    CustomEntries& entries = customEntries_[k];
    QMenu* mnu = mnuCLinksType[k];
    mnu->setTitle(menu.caption);
    mnu->menuAction()->setVisible(menu.shown);

    const QString linkName = QStringLiteral("mnuCLinksType%1").arg(k);
    while (entries.links.size() < menu.links.size())
        entries.links.append(customAction(mnu, indexed(linkName, entries.links.size()), k, false,
                                          static_cast<int>(entries.links.size())));
    // Entries an earlier region created beyond this region's count have no address: hidden.
    for (qsizetype i = 0; i < entries.links.size(); ++i) {
        entries.links[i]->setVisible(i < menu.links.size());
        if (i < menu.links.size())
            entries.links[i]->setText(menu.links.at(i).caption);
    }

    if (entries.links.isEmpty())
        return;
    // The extra links hang under the first link. A submenu entry cannot be clicked itself, so
    // the first link's own address heads its submenu.
    if (!entries.extraMenu) {
        entries.extraMenu = new QMenu(mnu);
        entries.extraMenu->setObjectName(linkName + QStringLiteral("Ext"));
        entries.firstLink =
            customAction(entries.extraMenu, linkName + QStringLiteral("_0Own"), k, false, 0);
        entries.extraMenu->addSeparator();
    }
    const QString extraName = linkName + QStringLiteral("Ext");
    while (entries.extras.size() < menu.extras.size())
        entries.extras.append(customAction(entries.extraMenu,
                                           indexed(extraName, entries.extras.size()), k, true,
                                           static_cast<int>(entries.extras.size())));
    for (qsizetype j = 0; j < entries.extras.size(); ++j) {
        entries.extras[j]->setVisible(j < menu.extras.size());
        if (j < menu.extras.size())
            entries.extras[j]->setText(menu.extras.at(j).caption);
    }
    const bool hasExtras = !menu.extras.isEmpty() && !menu.links.isEmpty();
    if (hasExtras) {
        entries.firstLink->setText(menu.links.first().caption);
        entries.firstLink->setVisible(!menu.links.first().url.isEmpty());
    }
    entries.links.first()->setMenu(hasExtras ? entries.extraMenu : nullptr);
}

} // namespace shell
