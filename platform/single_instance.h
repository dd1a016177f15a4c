#pragma once

#include <QObject>
#include <QString>

class QLocalServer;

namespace platform {

// Lets one copy of a program run per user and program folder. The first copy listens on a
// local socket; a later copy finds it there, asks it to come forward and is told to end. An
// uninstaller asks the running copy to quit the same way.
class SingleInstance : public QObject
{
    Q_OBJECT
public:
    explicit SingleInstance(const QString& name, QObject* parent = nullptr);

    // True when this is the only copy (it now answers later ones). False when another copy is
    // running; that copy has been sent a restore request.
    bool claim();
    // Asks the running copy, if any, to quit and waits up to `waitMs` for it to end. True when
    // none runs now.
    bool askToQuit(int waitMs);

Q_SIGNALS:
    // A later copy was started: restore the window if it is minimised.
    void restoreRequested();
    // An uninstaller asks this copy to quit.
    void quitRequested();

private:
    QString socketName_;
    QLocalServer* server_ = nullptr;
};

} // namespace platform
