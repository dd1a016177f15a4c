#include "saver/frm_password.h"

#include "platform/message_box.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace saver {
namespace {

// The icon, iconify, maximise and close of a usual title bar.
constexpr int kTitleBarButtons = 4;

} // namespace

void maskWithStars(QLineEdit* box)
{
    box->setEchoMode(QLineEdit::Password);
    box->setStyleSheet(QStringLiteral("lineedit-password-character: 42"));
}

frmPassword::frmPassword(QString saverPassword, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowStaysOnTopHint), txtPassword(new QLineEdit(this)),
      cmdOK(new QPushButton(QStringLiteral("OK"), this)),
      cmdCancel(new QPushButton(QStringLiteral("Cancel"), this)),
      saverPassword_(std::move(saverPassword))
{
    setObjectName(QStringLiteral("frmPassword"));
    setWindowTitle(QStringLiteral("Nimbulo Screen Saver"));
    txtPassword->setObjectName(QStringLiteral("txtPassword"));
    cmdOK->setObjectName(QStringLiteral("cmdOK"));
    cmdCancel->setObjectName(QStringLiteral("cmdCancel"));
    maskWithStars(txtPassword);
    cmdOK->setDefault(true);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(QStringLiteral("Type your screen saver password:"), this));
    layout->addWidget(txtPassword);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cmdOK);
    buttons->addWidget(cmdCancel);
    layout->addLayout(buttons);

    // Wide enough for the window manager to show the whole title beside the window's icon and
    // its buttons, each about a line high (title bars use a bold face).
    QFont titleFont = font();
    titleFont.setBold(true);
    setMinimumWidth(QFontMetrics(titleFont).horizontalAdvance(windowTitle()) +
                    kTitleBarButtons * fontMetrics().height() * 2);

    connect(cmdOK, &QPushButton::clicked, this, &frmPassword::ok);
    connect(cmdCancel, &QPushButton::clicked, this, &QDialog::reject);
    txtPassword->setFocus();
}

void frmPassword::ok()
{
    if (txtPassword->text() == saverPassword_) {
        accept();
        return;
    }
    platform::MessageBox::show(this,
                               QStringLiteral("The password that you typed is not correct. ") +
                                   QStringLiteral("Please try typing it again."),
                               QStringLiteral("Screen Password"), platform::MessageBox::Buttons::Ok,
                               platform::MessageBox::Icon::Warning);
    txtPassword->setFocus();
    txtPassword->selectAll();
}

} // namespace saver
