#pragma once

#include <QDialog>

class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace config {
struct AppSettings;
class MailPasswordStore;
class SettingsFile;
} // namespace config

namespace net {

class MailOutbox;
struct MailAccount;

// The dialog "E-mail settings": how the alarm mails are sent (cmbSecurity: the plain SMTP
// client on port 25, STARTTLS submission on port 587, or TLS on port 465), the SMTP server and
// port, the login for the encrypted ways, the sender's and the recipient's addresses. It opens
// with the values held in memory and says where the password is kept. Choosing another way puts
// that way's usual port in the port box when it held the previous way's. OK takes the boxes as
// they are into memory and writes mail_server, mail_port, mail_send, mail_recip, mail_security
// and mail_user, and hands a changed password to the password store; Cancel changes nothing.
// A sender or recipient holding a line break (one that came from the settings file or a paste)
// is refused: a message box says so and the dialog stays open with nothing taken.
//
// "Send test mail" sends one mail now with the boxes as they are and shows the server's answer,
// or why it failed, in lblTestResult. While a plain test mail is under way (it is sent with
// events handled meanwhile) the dialog does not close.
class frmMail : public QDialog
{
    Q_OBJECT
public:
    frmMail(config::AppSettings& settings, const config::SettingsFile& file,
            config::MailPasswordStore& passwords, MailOutbox& outbox, QWidget* parent = nullptr);

    // Puts `port` in the port box, as if typed (the options dialog's port box leads).
    void setPort(const QString& port);

    void done(int result) override;

private:
    QGroupBox* Frame1;
    QComboBox* cmbSecurity;
    QLineEdit* txtServer;
    QLineEdit* txtPort;
    QLineEdit* txtUser;
    QLineEdit* txtPassword;
    QLabel* lblPasswordPlace;
    QLineEdit* txtSender;
    QLineEdit* txtRecip;
    QPushButton* cmdTestMail;
    QLabel* lblTestResult;
    QPushButton* Command2; // OK
    QPushButton* Command1; // Cancel

    bool addressesAcceptable();
    MailAccount account() const;
    void sendTestMail();
    void save();

    config::AppSettings& settings_;
    const config::SettingsFile& file_;
    config::MailPasswordStore& passwords_;
    MailOutbox& outbox_;
    int testMail_ = 0; // the number of the test mail under way
    bool sendingInline_ = false;
};

} // namespace net
