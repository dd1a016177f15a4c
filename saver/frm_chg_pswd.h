#pragma once

#include <QDialog>

class QLineEdit;
class QPushButton;

namespace platform {
class RegistryStore;
}

namespace saver {

// "Change Password": a new password typed twice. The confirmation must equal the new entry
// without its leading and trailing blanks (so a trailing blank of the new entry is kept, and
// two empty boxes clear the password); the new entry is stored as typed, scrambled.
class frmChgPswd : public QDialog
{
    Q_OBJECT
public:
    explicit frmChgPswd(const platform::RegistryStore& store, QWidget* parent = nullptr);

    // The password saved by OK (meaningful once the dialog was accepted).
    const QString& saverPassword() const { return saverPassword_; }

private:
    QLineEdit* txtNew;
    QLineEdit* txtConfirm;
    QPushButton* CmdOK;
    QPushButton* cmdCancel;

    void ok();

    const platform::RegistryStore& store_;
    QString saverPassword_;
};

} // namespace saver
