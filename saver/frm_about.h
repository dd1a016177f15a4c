#pragma once

#include <QDialog>

class QLabel;
class QPushButton;

namespace saver {

// "About Nimbulo Screen Saver": title, version, the product's web site (label and button open
// it in the browser).
class frmAbout : public QDialog
{
    Q_OBJECT
public:
    explicit frmAbout(QWidget* parent = nullptr);

private:
    QLabel* lblTitle;
    QLabel* lblVersion;
    QLabel* lblSite;
    QPushButton* cmdGoHome;
    QPushButton* cmdOK;
};

} // namespace saver
