#pragma once

#include <QString>

namespace common {

// The HTTP proxy the programs fetch through; the password is held in plain.
struct ProxySettings
{
    bool useProxy = false;
    QString server;
    QString port;
    bool auth = false; // send Basic credentials
    QString user;
    QString password;
    bool stripWww = false; // direct connections go to the host without its leading "www."
};

} // namespace common
