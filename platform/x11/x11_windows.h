#pragma once

#include <QString>

#include <optional>

// The X11 side of window search and the cross-process feed. Every function does nothing (or
// finds nothing) when the program does not run on an X11 display.
namespace platform::x11 {

bool available();

// Creates an unmapped input-only child of `parent` that carries a text property; 0 on failure.
quint32 createFeedWindow(quint32 parent);
void destroyFeedWindow(quint32 window);
void setFeedText(quint32 window, const QString& text);

// The first top-level window (in the window manager's frames too) whose title, trimmed and
// lower-cased, starts with `titlePrefix` lower-cased; 0 when there is none.
quint32 findWindowByTitle(const QString& titlePrefix);

// The text of the first feed window below `window`, or nullopt when it has none.
std::optional<QString> readFeedText(quint32 window);

} // namespace platform::x11
