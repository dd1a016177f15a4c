#pragma once

#include <QWidget>

class QCheckBox;
class QPushButton;

namespace shell {

// The help window "Nimbulo: hidden panel icons" that the tray display shows when it cannot find its
// blank icons: the panel may be hiding them. "Close" with "Do not show this help screen again"
// ticked reports noShowChosen() (the caller keeps the hint off and writes `no_xp_help`), then
// closes.
class frmXPhide : public QWidget
{
    Q_OBJECT
public:
    explicit frmXPhide(QWidget* parent = nullptr);

Q_SIGNALS:
    void noShowChosen();

private:
    QCheckBox* chkNoShow;
    QPushButton* cmdClose;
};

} // namespace shell
