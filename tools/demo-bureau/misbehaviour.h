#pragma once

#include <QString>

namespace demo {

// Ways the demo bureau can answer badly, so that clients can be tested against them. The server
// takes its defaults from the command line; a request can change them for itself with a path
// prefix "/_misbehave/<items>/<path>", items being "name=value" (or a bare "never-close")
// separated by commas, with the names of the command-line options:
//   /_misbehave/status=407,auth-scheme=NTLM/nsw/observations/nswall.shtml
struct Misbehaviour
{
    int delayMs = 0;         // wait before answering
    int dripBytes = 0;       // send this many bytes per tick; 0 sends at once
    int cutAfter = -1;       // close after this many bytes of the body; -1 sends it all
    bool neverClose = false; // keep the connection open after the answer
    int status = 0;          // answer with this status instead of the page; 0 the normal answer
    QString authScheme = QStringLiteral("Basic"); // scheme named by a 407 answer
    QString requireAuth; // "user:password" a request must carry as Basic proxy credentials

    // Sets one item by its option name; false, with the reason in `error`, when the name is
    // unknown or the value does not fit.
    bool set(const QString& name, const QString& value, QString* error);

    // Sets the comma-separated items of a path prefix.
    bool setItems(const QString& items, QString* error);
};

// Time between two pieces of a dripped answer.
inline constexpr int kDripIntervalMs = 50;

} // namespace demo
