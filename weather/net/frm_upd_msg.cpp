#include "weather/net/frm_upd_msg.h"

#include <QHBoxLayout>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace net {

frmUpdMsg::frmUpdMsg(QWidget* parent)
    : QWidget(parent, Qt::Window), txtBox(new QPlainTextEdit(this)), cmdUpd(new QPushButton(this)),
      cmdCancel(new QPushButton(QStringLiteral("Cancel"), this))
{
    setObjectName(QStringLiteral("frmUpdMsg"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Nimbulo Auto UpDate"));
    txtBox->setObjectName(QStringLiteral("txtBox"));
    txtBox->setReadOnly(true);
    cmdUpd->setObjectName(QStringLiteral("cmdUpd"));
    cmdCancel->setObjectName(QStringLiteral("cmdCancel"));

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(cmdUpd, 1);
    buttons->addWidget(cmdCancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(txtBox);
    layout->addLayout(buttons);
    resize(460, 220);

    connect(cmdUpd, &QPushButton::clicked, this, &frmUpdMsg::updateClicked);
    connect(cmdCancel, &QPushButton::clicked, this, &QWidget::close);
}

void frmUpdMsg::setMessage(const QString& text, const QString& buttonCaption)
{
    QString shown = text;
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    txtBox->setPlainText(shown);
    cmdUpd->setText(buttonCaption);
}

} // namespace net
