#pragma once

#include <QWidget>

class QPlainTextEdit;
class QPushButton;

namespace net {

// The message window "Nimbulo Auto UpDate" of the version check: what is newer (txtBox), a
// button whose caption says what it does (cmdUpd) and "Cancel" (cmdCancel), which closes it.
// It deletes itself when closed.
class frmUpdMsg : public QWidget
{
    Q_OBJECT
public:
    explicit frmUpdMsg(QWidget* parent = nullptr);

    // Fills the text box (lines may end in CR LF) and the update button's caption.
    void setMessage(const QString& text, const QString& buttonCaption);

Q_SIGNALS:
    // The update button was clicked.
    void updateClicked();

private:
    QPlainTextEdit* txtBox;
    QPushButton* cmdUpd;
    QPushButton* cmdCancel;
};

} // namespace net
