#pragma once

#include <QDialog>

class QLineEdit;
class QPushButton;

namespace saver {

// Masks a password box with "*".
void maskWithStars(QLineEdit* box);

// The password prompt shown when a protected saver is ended: accepted when the typed text is
// the saver's password exactly (case counts); a wrong entry shows "Screen Password" and lets
// the user try again; Cancel rejects it (the saver goes on).
class frmPassword : public QDialog
{
    Q_OBJECT
public:
    frmPassword(QString saverPassword, QWidget* parent = nullptr);

private:
    QLineEdit* txtPassword;
    QPushButton* cmdOK;
    QPushButton* cmdCancel;

    void ok();

    QString saverPassword_;
};

} // namespace saver
