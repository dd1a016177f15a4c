#pragma once

#include "setup/installer.h"

#include <QWidget>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QPushButton;

namespace setup {

// The installer's window "(Australian) Nimbulo install options". In add mode it offers the
// region and its stations (as the monitor's last scan of that region listed them, kept in the
// program folder; none before a scan), the display type and banner position, the two shortcuts and
// the proxy; Continue writes the choices to wsetting.ini, replaces the shortcuts and ends. In
// remove mode its load deletes the shortcuts.
class frmInstWeather : public QWidget
{
    Q_OBJECT
public:
    frmInstWeather(Mode mode, const QString& appDir, const ShortcutFolders& folders,
                   QWidget* parent = nullptr);

    // What the installer runs: the load, then the window shows, filled; in remove mode the
    // shortcuts are then deleted while it shows.
    void start();
    // The load, before the window shows: the running-program warning, then filling the window
    // (add) or leaving only the removal notice in it (remove).
    void load();
    // Continue's save; true when every step went through.
    bool save();

    bool useProxy() const { return useProxy_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QGroupBox* Frame5;
    QComboBox* cmbState;
    QComboBox* cmbStation;
    QGroupBox* Frame6;
    QComboBox* cmbDispType;
    QComboBox* cmbBanner;
    QCheckBox* chkStartIcon;
    QCheckBox* chkDeskIcon;
    QGroupBox* Frame1;
    QPushButton* cmdSetCon;
    QPushButton* Command1;
    QGroupBox* Frame2;
    QLabel* Label2;

    void fill();
    void listStations();
    void removeShortcuts();
    void openProxyDialog();
    QString settingsPath() const;

    Mode mode_;
    QString appDir_;
    ShortcutFolders folders_;
    bool useProxy_ = false;
    QStringList sections_; // the layout section of each region
};

} // namespace setup
