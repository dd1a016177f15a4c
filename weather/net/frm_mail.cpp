#include "weather/net/frm_mail.h"

#include "common/object_names.h"
#include "platform/message_box.h"
#include "weather/config/settings.h"
#include "weather/net/smtp_mailer.h"

#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace net {
namespace {

using common::named;

} // namespace

frmMail::frmMail(config::AppSettings& settings, const config::SettingsFile& file, QWidget* parent)
    : QDialog(parent),
      Frame1(named(new QGroupBox(QStringLiteral("E-mail settings"), this), "Frame1")),
      txtServer(named(new QLineEdit(settings.mailServer, Frame1), "txtServer")),
      txtPort(named(new QLineEdit(settings.mailPort, Frame1), "txtPort")),
      txtSender(named(new QLineEdit(settings.mailSender, Frame1), "txtSender")),
      txtRecip(named(new QLineEdit(settings.mailRecipient, Frame1), "txtRecip")),
      Command2(named(new QPushButton(QStringLiteral("OK"), this), "Command2")),
      Command1(named(new QPushButton(QStringLiteral("Cancel"), this), "Command1")),
      settings_(settings), file_(file)
{
    setObjectName(QStringLiteral("frmMail"));
    setWindowTitle(QStringLiteral("E-mail settings"));

    auto* server = new QHBoxLayout;
    server->addWidget(txtServer);
    server->addWidget(new QLabel(QStringLiteral("Example: mail.bigpond.com"), Frame1));
    auto* fields = new QFormLayout(Frame1);
    fields->addRow(QStringLiteral("STMP server"), server);
    fields->addRow(QStringLiteral("STMP port"), txtPort);
    fields->addRow(QStringLiteral("Sender: E-mail address"), txtSender);
    fields->addRow(QStringLiteral("Recipient: E-mail address"), txtRecip);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(Command2);
    buttons->addWidget(Command1);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Frame1);
    layout->addLayout(buttons);
    Command2->setDefault(true);

    connect(Command2, &QPushButton::clicked, this, [this] {
        for (QLineEdit* address : {txtSender, txtRecip}) {
            if (!smtp::addressAcceptable(address->text())) {
                platform::MessageBox::show(
                    this, QStringLiteral("An e-mail address must not contain a line break."),
                    windowTitle(), platform::MessageBox::Buttons::Ok,
                    platform::MessageBox::Icon::Warning);
                address->setFocus();
                return;
            }
        }
        save();
        accept();
    });
    connect(Command1, &QPushButton::clicked, this, &QDialog::reject);
}

void frmMail::save()
{
    settings_.mailServer = txtServer->text();
    settings_.mailPort = txtPort->text();
    settings_.mailSender = txtSender->text();
    settings_.mailRecipient = txtRecip->text();
    file_.write(QStringLiteral("mail_server"), settings_.mailServer);
    file_.write(QStringLiteral("mail_port"), settings_.mailPort);
    file_.write(QStringLiteral("mail_send"), settings_.mailSender);
    file_.write(QStringLiteral("mail_recip"), settings_.mailRecipient);
}

} // namespace net
