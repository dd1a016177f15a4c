#pragma once

#include <QWidget>

class QPlainTextEdit;
class QPushButton;

namespace net {

class ErrorLog;

// The error log window "Nimbulo Error Log": shows the log, newest entry in view. "Clear Log"
// empties the log and closes the window; "Hide" hides it and keeps the text.
class frmErrMsg : public QWidget
{
    Q_OBJECT
public:
    explicit frmErrMsg(ErrorLog& log, QWidget* parent = nullptr);

private:
    QPlainTextEdit* txtErr;
    QPushButton* cmdClear;
    QPushButton* Command1; // Hide

    void refresh();
    ErrorLog& log_;
};

} // namespace net
