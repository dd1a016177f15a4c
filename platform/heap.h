#pragma once

namespace platform {

// Hands the memory freed since the last call back to the system where the C library keeps it
// for later (glibc keeps the pages of freed blocks in its heaps); a no-op elsewhere. For the end
// of a burst of work, such as a scan: it costs a walk over the heaps.
void giveBackFreedMemory();

} // namespace platform
