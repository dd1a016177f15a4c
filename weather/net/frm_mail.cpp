#include "weather/net/frm_mail.h"

#include "common/object_names.h"
#include "platform/message_box.h"
#include "weather/config/mail_password.h"
#include "weather/config/settings.h"
#include "weather/net/mail_outbox.h"
#include "weather/net/smtp_mailer.h"

#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>

namespace net {
namespace {

using common::named;

MailSecurity securityAt(int index)
{
    return MailSecurity(std::clamp(index, 0, 2));
}

} // namespace

frmMail::frmMail(config::AppSettings& settings, const config::SettingsFile& file,
                 config::MailPasswordStore& passwords, MailOutbox& outbox, QWidget* parent)
    : QDialog(parent),
      Frame1(named(new QGroupBox(QStringLiteral("E-mail settings"), this), "Frame1")),
      cmbSecurity(named(new QComboBox(Frame1), "cmbSecurity")),
      txtServer(named(new QLineEdit(settings.mailServer, Frame1), "txtServer")),
      txtPort(named(new QLineEdit(settings.mailPort, Frame1), "txtPort")),
      txtUser(named(new QLineEdit(settings.mailUser, Frame1), "txtUser")),
      txtPassword(named(new QLineEdit(settings.mailPassword, Frame1), "txtPassword")),
      lblPasswordPlace(named(new QLabel(config::passwordPlaceText(passwords.place()), Frame1),
                             "lblPasswordPlace")),
      txtSender(named(new QLineEdit(settings.mailSender, Frame1), "txtSender")),
      txtRecip(named(new QLineEdit(settings.mailRecipient, Frame1), "txtRecip")),
      cmdTestMail(named(new QPushButton(QStringLiteral("Send test mail"), this), "cmdTestMail")),
      lblTestResult(named(new QLabel(this), "lblTestResult")),
      Command2(named(new QPushButton(QStringLiteral("OK"), this), "Command2")),
      Command1(named(new QPushButton(QStringLiteral("Cancel"), this), "Command1")),
      settings_(settings), file_(file), passwords_(passwords), outbox_(outbox)
{
    setObjectName(QStringLiteral("frmMail"));
    setWindowTitle(QStringLiteral("E-mail settings"));

    cmbSecurity->addItems({QStringLiteral("Plain SMTP, no login (port 25)"),
                           QStringLiteral("STARTTLS submission with login (port 587)"),
                           QStringLiteral("TLS with login (port 465)")});
    cmbSecurity->setCurrentIndex(int(securityAt(settings.mailSecurity)));
    txtPassword->setEchoMode(QLineEdit::Password);
    lblPasswordPlace->setWordWrap(true);
    lblTestResult->setWordWrap(true);
    lblTestResult->setTextFormat(Qt::PlainText); // the server's words, never markup
    lblTestResult->setTextInteractionFlags(Qt::TextSelectableByMouse);

    auto* server = new QHBoxLayout;
    server->addWidget(txtServer);
    server->addWidget(new QLabel(QStringLiteral("Example: mail.bigpond.com"), Frame1));
    auto* fields = new QFormLayout(Frame1);
    fields->addRow(QStringLiteral("Send by"), cmbSecurity);
    fields->addRow(QStringLiteral("SMTP server"), server);
    fields->addRow(QStringLiteral("SMTP port"), txtPort);
    fields->addRow(QStringLiteral("User name"), txtUser);
    fields->addRow(QStringLiteral("Password"), txtPassword);
    fields->addRow(QString(), lblPasswordPlace);
    fields->addRow(QStringLiteral("Sender: E-mail address"), txtSender);
    fields->addRow(QStringLiteral("Recipient: E-mail address"), txtRecip);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(cmdTestMail);
    buttons->addStretch();
    buttons->addWidget(Command2);
    buttons->addWidget(Command1);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Frame1);
    layout->addWidget(lblTestResult);
    layout->addLayout(buttons);
    Command2->setDefault(true);

    const auto loginShown = [this] {
        const bool login = cmbSecurity->currentIndex() != int(MailSecurity::Plain);
        txtUser->setEnabled(login);
        txtPassword->setEnabled(login);
    };
    loginShown();
    connect(cmbSecurity, &QComboBox::currentIndexChanged, this,
            [this, loginShown, previous = cmbSecurity->currentIndex()](int index) mutable {
                const QString port = txtPort->text().trimmed();
                if (port.isEmpty() || port == defaultMailPort(securityAt(previous)))
                    txtPort->setText(defaultMailPort(securityAt(index)));
                previous = index;
                loginShown();
            });
    connect(cmdTestMail, &QPushButton::clicked, this, &frmMail::sendTestMail);
    connect(&outbox_, &MailOutbox::finished, this,
            [this](int mail, bool accepted, const QString& answer) {
                if (mail != testMail_)
                    return;
                testMail_ = 0;
                cmdTestMail->setEnabled(true);
                lblTestResult->setText(
                    (accepted ? QStringLiteral("Test mail sent. The server answered: ")
                              : QStringLiteral("Test mail not sent. ")) +
                    answer);
            });
    connect(Command2, &QPushButton::clicked, this, [this] {
        if (!addressesAcceptable())
            return;
        save();
        accept();
    });
    connect(Command1, &QPushButton::clicked, this, &QDialog::reject);
}

void frmMail::setPort(const QString& port)
{
    txtPort->setText(port);
}

bool frmMail::addressesAcceptable()
{
    for (QLineEdit* address : {txtSender, txtRecip}) {
        if (!smtp::addressAcceptable(address->text())) {
            platform::MessageBox::show(
                this, QStringLiteral("An e-mail address must not contain a line break."),
                windowTitle(), platform::MessageBox::Buttons::Ok,
                platform::MessageBox::Icon::Warning);
            address->setFocus();
            return false;
        }
    }
    return true;
}

MailAccount frmMail::account() const
{
    const MailSecurity security = securityAt(cmbSecurity->currentIndex());
    const bool login = security != MailSecurity::Plain;
    return MailAccount{{txtServer->text().trimmed(), txtPort->text().trimmed()},
                       security,
                       login ? txtUser->text().trimmed() : QString(),
                       login ? txtPassword->text() : QString()};
}

void frmMail::sendTestMail()
{
    if (!addressesAcceptable())
        return;
    MailMessage message;
    message.sender = txtSender->text().trimmed();
    message.recipient = txtRecip->text().trimmed();
    message.subject = QStringLiteral("Nimbulo test mail");
    message.text = QStringLiteral("This test mail from Nimbulo shows that its alarm mails can "
                                  "reach you this way.\r\n");
    message.messageId = mail::newMessageId(message.sender);
    message.date = QDateTime::currentDateTime();
    cmdTestMail->setEnabled(false);
    lblTestResult->setText(QStringLiteral("Sending a test mail..."));
    // The plain road returns only when the mail is done, handling events meanwhile.
    sendingInline_ = true;
    testMail_ = outbox_.send(account(), message);
    sendingInline_ = false;
}

void frmMail::done(int result)
{
    // Closing now would destroy the dialog under the running send().
    if (!sendingInline_)
        QDialog::done(result);
}

void frmMail::save()
{
    const MailAccount chosen = account();
    const bool loginChanged = txtUser->text().trimmed() != settings_.mailUser ||
                              txtPassword->text() != settings_.mailPassword ||
                              chosen.server.host != settings_.mailServer;
    settings_.mailServer = txtServer->text();
    settings_.mailPort = txtPort->text();
    settings_.mailSender = txtSender->text();
    settings_.mailRecipient = txtRecip->text();
    settings_.mailSecurity = int(chosen.security);
    settings_.mailUser = txtUser->text().trimmed();
    settings_.mailPassword = txtPassword->text();
    file_.write(QStringLiteral("mail_server"), settings_.mailServer);
    file_.write(QStringLiteral("mail_port"), settings_.mailPort);
    file_.write(QStringLiteral("mail_send"), settings_.mailSender);
    file_.write(QStringLiteral("mail_recip"), settings_.mailRecipient);
    file_.writeInteger(QStringLiteral("mail_security"), settings_.mailSecurity);
    file_.write(QStringLiteral("mail_user"), settings_.mailUser);
    if (loginChanged)
        passwords_.write(settings_.mailUser, settings_.mailServer.trimmed(), settings_.mailPassword,
                         [](config::PasswordPlace) {});
}

} // namespace net
