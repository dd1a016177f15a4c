#include "weather/net/frm_err_msg.h"

#include "weather/net/error_log.h"

#include <QHBoxLayout>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QVBoxLayout>

namespace net {

frmErrMsg::frmErrMsg(ErrorLog& log, QWidget* parent)
    : QWidget(parent, Qt::Window), txtErr(new QPlainTextEdit(this)),
      cmdClear(new QPushButton(QStringLiteral("Clear Log"), this)),
      Command1(new QPushButton(QStringLiteral("Hide"), this)), log_(log)
{
    setObjectName(QStringLiteral("frmErrMsg"));
    setWindowTitle(QStringLiteral("Nimbulo Error Log"));
    txtErr->setObjectName(QStringLiteral("txtErr"));
    txtErr->setReadOnly(true);
    cmdClear->setObjectName(QStringLiteral("cmdClear"));
    Command1->setObjectName(QStringLiteral("Command1"));

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cmdClear);
    buttons->addWidget(Command1);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(txtErr);
    layout->addLayout(buttons);
    resize(520, 360);

    connect(cmdClear, &QPushButton::clicked, this, [this] {
        log_.clear();
        close();
    });
    connect(Command1, &QPushButton::clicked, this, &QWidget::hide);
    connect(&log_, &ErrorLog::changed, this, &frmErrMsg::refresh);
    refresh();
}

void frmErrMsg::refresh()
{
    // The log keeps CR LF line ends; the text box wants plain line feeds.
    QString shown = log_.text();
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    txtErr->setPlainText(shown);
    txtErr->verticalScrollBar()->setValue(txtErr->verticalScrollBar()->maximum());
}

} // namespace net
