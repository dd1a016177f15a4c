#include "platform/heap.h"

#include <cstdlib> // says whether the C library is glibc (__GLIBC__)

#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace platform {

void giveBackFreedMemory()
{
#if defined(__GLIBC__)
    malloc_trim(0);
#endif
}

} // namespace platform
