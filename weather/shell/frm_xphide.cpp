#include "weather/shell/frm_xphide.h"

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace shell {

frmXPhide::frmXPhide(QWidget* parent)
    : QWidget(parent, Qt::Dialog),
      chkNoShow(new QCheckBox(QStringLiteral("Do not show this help screen again"), this)),
      cmdClose(new QPushButton(QStringLiteral("Close"), this))
{
    setObjectName(QStringLiteral("frmXPhide"));
    chkNoShow->setObjectName(QStringLiteral("chkNoShow"));
    cmdClose->setObjectName(QStringLiteral("cmdClose"));
    setWindowTitle(QStringLiteral("Nimbulo: hidden panel icons"));
    setAttribute(Qt::WA_DeleteOnClose);

    auto* picture = new QLabel(this);
    picture->setWordWrap(true);
    picture->setText(QStringLiteral(
        "<p><b>The Nimbulo display cannot find its place in the notification area.</b></p>"
        "<p>Nimbulo reserves a row of empty icons in the panel's notification area and lays its "
        "display over them. When the panel hides inactive or unknown icons, or shows them in a "
        "collapsed list, the empty icons are hidden too and the display cannot show.</p>"
        "<p>Set the panel to always show the Nimbulo icons, or choose the desk banner in "
        "Settings.</p>"));

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(picture);
    layout->addWidget(chkNoShow);
    layout->addWidget(cmdClose, 0, Qt::AlignRight);
    resize(380, 220);

    connect(cmdClose, &QPushButton::clicked, this, [this] {
        if (chkNoShow->isChecked())
            Q_EMIT noShowChosen();
        close();
    });
}

} // namespace shell
