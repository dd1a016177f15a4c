#pragma once

#include <QDialog>

class QGroupBox;
class QLineEdit;
class QPushButton;

namespace config {
struct AppSettings;
class SettingsFile;
} // namespace config

namespace net {

// The dialog "E-mail settings": the SMTP server and port, the sender's and the recipient's
// addresses of the alarm mails. It opens with the values held in memory; OK takes the four
// boxes as they are into memory and writes mail_server, mail_port, mail_send and mail_recip;
// Cancel changes nothing. A sender or recipient holding a line break (one that came from the
// settings file or a paste) is refused: a message box says so and the dialog stays open with
// nothing taken.
class frmMail : public QDialog
{
    Q_OBJECT
public:
    frmMail(config::AppSettings& settings, const config::SettingsFile& file,
            QWidget* parent = nullptr);

    QGroupBox* Frame1;
    QLineEdit* txtServer;
    QLineEdit* txtPort;
    QLineEdit* txtSender;
    QLineEdit* txtRecip;
    QPushButton* Command2; // OK
    QPushButton* Command1; // Cancel

private:
    void save();

    config::AppSettings& settings_;
    const config::SettingsFile& file_;
};

} // namespace net
