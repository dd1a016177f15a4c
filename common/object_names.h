#pragma once

#include <QString>

namespace common {

// Gives a control the name it is known by (tests find controls with it) and returns it, so a
// form names its controls where it creates them.
template <typename T> T* named(T* object, const QString& name)
{
    object->setObjectName(name);
    return object;
}

} // namespace common
