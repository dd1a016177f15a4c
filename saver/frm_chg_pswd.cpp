#include "saver/frm_chg_pswd.h"

#include "platform/message_box.h"
#include "saver/frm_password.h"
#include "saver/saver_settings.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace saver {
namespace {

const QString kTitle = QStringLiteral("Nimbulo Screen Saver");

// The text without leading and trailing blanks (other white space is part of a password).
QStringView trimBlanks(QStringView text)
{
    qsizetype first = 0;
    qsizetype end = text.size();
    while (first < end && text[first] == u' ')
        ++first;
    while (end > first && text[end - 1] == u' ')
        --end;
    return text.mid(first, end - first);
}

bool isBlank(QStringView text)
{
    return trimBlanks(text).isEmpty();
}

} // namespace

frmChgPswd::frmChgPswd(const platform::RegistryStore& store, QWidget* parent)
    : QDialog(parent), txtNew(new QLineEdit(this)), txtConfirm(new QLineEdit(this)),
      CmdOK(new QPushButton(QStringLiteral("OK"), this)),
      cmdCancel(new QPushButton(QStringLiteral("Cancel"), this)), store_(store)
{
    setObjectName(QStringLiteral("frmChgPswd"));
    setWindowTitle(QStringLiteral("Change Password"));
    txtNew->setObjectName(QStringLiteral("txtNew"));
    txtConfirm->setObjectName(QStringLiteral("txtConfirm"));
    CmdOK->setObjectName(QStringLiteral("CmdOK"));
    cmdCancel->setObjectName(QStringLiteral("cmdCancel"));
    maskWithStars(txtNew);
    maskWithStars(txtConfirm);
    CmdOK->setDefault(true);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(
        new QLabel(QStringLiteral("Change password for the Nimbulo screen saver"), this));
    auto* form = new QFormLayout;
    auto* newLabel = new QLabel(QStringLiteral("&New password:"), this);
    newLabel->setBuddy(txtNew);
    auto* confirmLabel = new QLabel(QStringLiteral("Con&firm new password:"), this);
    confirmLabel->setBuddy(txtConfirm);
    form->addRow(newLabel, txtNew);
    form->addRow(confirmLabel, txtConfirm);
    layout->addLayout(form);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(CmdOK);
    buttons->addWidget(cmdCancel);
    layout->addLayout(buttons);

    connect(CmdOK, &QPushButton::clicked, this, &frmChgPswd::ok);
    connect(cmdCancel, &QPushButton::clicked, this, &QDialog::reject);
    txtNew->setFocus();
}

void frmChgPswd::ok()
{
    if (txtConfirm->text() != trimBlanks(txtNew->text())) {
        if (isBlank(txtNew->text())) {
            txtNew->setFocus();
            return;
        }
        if (isBlank(txtConfirm->text())) {
            txtConfirm->setFocus();
            return;
        }
        platform::MessageBox::show(
            this,
            QStringLiteral("The new password and confirmed password do not match. ") +
                QStringLiteral("Please type them again."),
            kTitle, platform::MessageBox::Buttons::Ok, platform::MessageBox::Icon::Critical);
        txtNew->clear();
        txtConfirm->clear();
        txtNew->setFocus();
        return;
    }

    saverPassword_ = txtNew->text();
    platform::MessageBox::show(this, QStringLiteral("The password has been successfully changed."),
                               kTitle, platform::MessageBox::Buttons::Ok,
                               platform::MessageBox::Icon::Information);
    savePassword(store_, saverPassword_);
    accept();
}

} // namespace saver
