#pragma once

#include <QWidget>

class QLabel;
class QPlainTextEdit;
class QPushButton;

namespace net {

class ErrorLog;

// The about window "About Nimbulo": title, version, the program folder's readme.txt, and the
// user's way to the error log, the manual update check, the bureau's site and the product's
// home page.
//
// The error-log button is enabled while anything is logged. The update button asks for the
// check (updateRequested) and follows setUpdateBusy(); the error-log button asks for the log
// window (errorLogRequested). The window deletes itself when closed.
class frmAbout : public QWidget
{
    Q_OBJECT
public:
    // `appDir` is the program folder with its trailing "/".
    frmAbout(ErrorLog& log, const QString& appDir, QWidget* parent = nullptr);

    // A check is running: the update button waits for its end.
    void setUpdateBusy(bool busy);

Q_SIGNALS:
    void errorLogRequested();
    void updateRequested();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QLabel* picIcon;
    QLabel* lblTitle;
    QLabel* lblVersion;
    QLabel* lblDescription;
    QPlainTextEdit* Text1;
    QLabel* lblSite;
    QPushButton* cmdErrLog;
    QPushButton* cmdUpdateme;
    QPushButton* cmdToBom;
    QPushButton* cmdGoHome;
    QPushButton* cmdOK;

    void underlineSite(bool on);
};

} // namespace net
