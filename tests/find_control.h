#pragma once

// A window's control by its objectName, as a user's view of the window names it. A control that
// is not there ends the test run with its name: every later step would use it.

#include <QObject>
#include <QString>

template <class T> T* child(const QObject& window, const char* name)
{
    T* found = window.findChild<T*>(QLatin1String(name));
    if (!found)
        qFatal("%s has no %s", qPrintable(window.objectName()), name);
    return found;
}
