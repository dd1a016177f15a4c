#pragma once

#include "weather/shell/value_icon.h"

#include <QObject>
#include <QString>

namespace shell {

// One way of showing the value in the panel while the main window is hidden. The tray display
// chooses the way; the presenter shows what it is given where its host puts it, follows the
// host when it restarts and says when nothing can show any more.
class TrayPresenter : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;

    // Shows the value and the stats tip (its title line and text).
    virtual void showValue(const ValueIconFace& face, const QString& tipTitle,
                           const QString& tip) = 0;
    // Takes everything down.
    virtual void close() = 0;
    // The host shows what this presenter put up.
    virtual bool shown() const = 0;

Q_SIGNALS:
    // The host went away and nothing shows: the program must bring its window back.
    void lost();
    // Activate: the main window comes back.
    void restoreRequested();
};

} // namespace shell
