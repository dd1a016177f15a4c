#pragma once

#include "common/proxy_settings.h"

#include <QDialog>
#include <QString>

#include <array>

class QCheckBox;
class QGroupBox;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace common {

// The dialog "HTTP Proxy options": a direct connection or an HTTP proxy with server and port,
// optionally with a user name and password for Basic proxy authentication.
//
// The caller fills it with setChoice() and shows it. OK checks the password (authorisation
// asked for: both password boxes must agree and not be empty) and that the credentials can be
// stored, warns and stays open when not; otherwise it writes the keys to the settings file
// (section SavedSetting; `auth_2` scrambled with the user name, see proxy_password.h), keeps
// the values in choice() and closes with Accepted. Cancel closes without writing.
//
// Written keys: proxy_on ("1"/"0"; not in Installer mode, where the installer writes it on its
// own Continue), proxy_server, proxy_port, auth_on, auth_1 and auth_2 ("" for both without
// authorisation). The user name is stored trimmed, as the program reads it back trimmed.
class frmProxy : public QDialog
{
    Q_OBJECT
public:
    enum class Mode
    {
        Program,
        Installer
    };

    explicit frmProxy(QString settingsPath, Mode mode = Mode::Program, QWidget* parent = nullptr);

    void setChoice(const ProxySettings& choice);
    // The settings as the last successful OK left them (as set before that).
    const ProxySettings& choice() const { return choice_; }

    // OK's work without closing: true when the settings were taken and written.
    bool save();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    std::array<QRadioButton*, 2> optProxy; // 0: direct, 1: the proxy below
    QGroupBox* Frame1;
    QLineEdit* txtServer;
    QLineEdit* txtPort;
    QCheckBox* chkSpecAuth;
    QLineEdit* txtUser;
    std::array<QLineEdit*, 2> txtPass; // password, confirmation
    QPushButton* Command2;             // OK
    QPushButton* Command1;             // Cancel

    void authToggled(bool on);
    bool warnOnEntry(QLineEdit* box);

    QString settingsPath_;
    Mode mode_;
    ProxySettings choice_;
    bool warning_ = false; // a focus warning is up: the focus moves it causes are not checked
};

} // namespace common
