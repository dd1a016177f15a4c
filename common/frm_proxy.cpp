#include "common/frm_proxy.h"

#include "common/ini_file.h"
#include "common/object_names.h"
#include "common/proxy_password.h"
#include "platform/message_box.h"

#include <QCheckBox>
#include <QEvent>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace common {
namespace {

using common::named;

QLineEdit* passwordBox(const char* name, QWidget* parent)
{
    auto* box = named(new QLineEdit(parent), name);
    box->setEchoMode(QLineEdit::Password);
    return box;
}

using platform::MessageBox;

} // namespace

frmProxy::frmProxy(QString settingsPath, Mode mode, QWidget* parent)
    : QDialog(parent),
      optProxy{
          named(new QRadioButton(QStringLiteral("Use Default system HTTP settings"), this),
                "optProxy_0"),
          named(new QRadioButton(QStringLiteral("Specify the proxy below"), this), "optProxy_1")},
      Frame1(named(new QGroupBox(QStringLiteral("Proxy"), this), "Frame1")),
      txtServer(named(new QLineEdit(Frame1), "txtServer")),
      txtPort(named(new QLineEdit(Frame1), "txtPort")),
      chkSpecAuth(
          named(new QCheckBox(QStringLiteral("Requires Authorisation"), Frame1), "chkSpecAuth")),
      txtUser(named(new QLineEdit(Frame1), "txtUser")), txtPass{passwordBox("txtPass_0", Frame1),
                                                                passwordBox("txtPass_1", Frame1)},
      Command2(named(new QPushButton(QStringLiteral("OK"), this), "Command2")),
      Command1(named(new QPushButton(QStringLiteral("Cancel"), this), "Command1")),
      settingsPath_(std::move(settingsPath)), mode_(mode)
{
    setObjectName(QStringLiteral("frmProxy"));
    setWindowTitle(QStringLiteral("HTTP Proxy options"));

    auto* fields = new QFormLayout(Frame1);
    fields->addRow(QStringLiteral("Server"), txtServer);
    fields->addRow(QStringLiteral("Port"), txtPort);
    fields->addRow(chkSpecAuth);
    fields->addRow(QStringLiteral("Username"), txtUser);
    fields->addRow(QStringLiteral("Password"), txtPass[0]);
    fields->addRow(QStringLiteral("Confirm password (type it again)"), txtPass[1]);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(Command2);
    buttons->addWidget(Command1);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(optProxy[0]);
    layout->addWidget(optProxy[1]);
    layout->addWidget(Frame1);
    layout->addLayout(buttons);
    Command2->setDefault(true);

    connect(optProxy[1], &QRadioButton::toggled, Frame1, &QWidget::setEnabled);
    connect(chkSpecAuth, &QCheckBox::toggled, this, &frmProxy::authToggled);
    connect(Command2, &QPushButton::clicked, this, [this] {
        if (save())
            accept();
    });
    connect(Command1, &QPushButton::clicked, this, &QDialog::reject);
    for (QLineEdit* box : txtPass)
        box->installEventFilter(this);

    setChoice(ProxySettings{});
}

void frmProxy::setChoice(const ProxySettings& choice)
{
    choice_ = choice;
    txtServer->setText(choice.server);
    txtPort->setText(choice.port);
    txtUser->setText(choice.user);
    txtPass[0]->setText(choice.password);
    txtPass[1]->clear();
    optProxy[choice.useProxy ? 1 : 0]->setChecked(true);
    Frame1->setEnabled(choice.useProxy);
    chkSpecAuth->setChecked(choice.auth);
    authToggled(choice.auth);
}

void frmProxy::authToggled(bool on)
{
    // Disabled boxes take the greyed background of the style.
    txtUser->setEnabled(on);
    for (QLineEdit* box : txtPass)
        box->setEnabled(on);
    if (!on) {
        txtUser->clear();
        for (QLineEdit* box : txtPass)
            box->clear();
    }
}

bool frmProxy::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::FocusIn && !warning_) {
        if (watched == txtPass[0] || watched == txtPass[1])
            warnOnEntry(static_cast<QLineEdit*>(watched));
    }
    return QDialog::eventFilter(watched, event);
}

bool frmProxy::warnOnEntry(QLineEdit* box)
{
    QLineEdit* missing = nullptr;
    QString title;
    QString text;
    if (box == txtPass[0] && txtUser->text().isEmpty()) {
        missing = txtUser;
        title = QStringLiteral("No Username");
        text = QStringLiteral("You must type in a username.");
    } else if (box == txtPass[1] && txtPass[0]->text().isEmpty()) {
        missing = txtPass[0];
        title = QStringLiteral("No Password");
        text = QStringLiteral("You must type in a password above first to confirm it.");
    }
    if (!missing)
        return false;
    // The focus goes back first, so closing the box does not land in the password box again.
    warning_ = true;
    missing->setFocus();
    MessageBox::show(this, text, title, MessageBox::Buttons::Ok, MessageBox::Icon::Warning);
    missing->setFocus();
    warning_ = false;
    return true;
}

bool frmProxy::save()
{
    ProxySettings next = choice_;
    if (optProxy[0]->isChecked()) {
        next.useProxy = false;
        next.server.clear();
        next.port.clear();
        next.user.clear();
        next.password.clear();
    } else {
        next.useProxy = true;
        next.server = txtServer->text();
        next.port = txtPort->text();
        next.auth = chkSpecAuth->isChecked();
        next.user.clear();
        next.password.clear();
        if (next.auth) {
            next.user = txtUser->text().trimmed();
            if (txtPass[1]->text() != txtPass[0]->text() || txtPass[0]->text().isEmpty()) {
                MessageBox::show(this,
                                 QStringLiteral("You must enter a password and confirm (repeat "
                                                "below) to be sure it is correct."),
                                 QStringLiteral("Mismatched or empty password"),
                                 MessageBox::Buttons::Ok, MessageBox::Icon::Warning);
                return false;
            }
            next.password = txtPass[0]->text();
            if (!proxyCredentialsStorable(next.user, next.password)) {
                MessageBox::show(this,
                                 QStringLiteral("The user name or the password is too long to "
                                                "be stored. Please use a shorter one."),
                                 QStringLiteral("Password too long"), MessageBox::Buttons::Ok,
                                 MessageBox::Icon::Warning);
                return false;
            }
        }
    }

    const auto write = [this](const char* key, const QString& value) {
        writeIni(QStringLiteral("SavedSetting"), QLatin1String(key), value, settingsPath_);
    };
    const auto flag = [](bool on) { return on ? QStringLiteral("1") : QStringLiteral("0"); };
    if (mode_ == Mode::Program)
        write("proxy_on", flag(next.useProxy));
    write("proxy_server", next.server);
    write("proxy_port", next.port);
    write("auth_on", flag(next.auth));
    write("auth_1", next.auth ? next.user : QString());
    write("auth_2", next.auth ? scramblePassword(next.password, next.user) : QString());
    choice_ = next;
    return true;
}

} // namespace common
