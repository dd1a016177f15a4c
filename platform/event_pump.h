#pragma once

#include <functional>

namespace platform {

// Lets pending window, timer and socket events run once, then returns. Used by every wait that
// must keep the user interface alive (a fetch, an SMTP reply).
void pumpEvents();

// Pumps events until `done` returns true or `timeoutMs` milliseconds have passed on the
// monotonic clock (wall-clock changes and midnight do not matter). Returns the last value of
// `done`, which is checked after each batch of events: between events the wait sleeps, so it
// costs no CPU.
bool waitFor(const std::function<bool()>& done, int timeoutMs);

} // namespace platform
