#include "AllocationCounter.h"

#include <cstddef>

namespace
{
thread_local bool counting = false;
thread_local long allocations = 0;

inline void count()
{
    if (counting)
        ++allocations;
}
} // namespace

#if defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
#define VANTORIL_SANITIZER_ALLOCATOR 1
#endif
#endif
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define VANTORIL_SANITIZER_ALLOCATOR 1
#endif

#if VANTORIL_SANITIZER_ALLOCATOR
// The sanitizers own malloc; they report every allocation to a hook instead.
#include <sanitizer/allocator_interface.h>

namespace
{
void onAllocation (const volatile void*, std::size_t) { count(); }
void onFree (const volatile void*) {}

const bool hooksInstalled = __sanitizer_install_malloc_and_free_hooks (onAllocation, onFree) != 0;
} // namespace

void allocation_counter::start()
{
    (void) hooksInstalled;
    allocations = 0;
    counting = true;
}
#else
// glibc's own allocator entry points; the definitions below replace malloc,
// calloc and realloc for the whole test program (operator new and the
// framework's heap blocks both end up here).
extern "C" void* __libc_malloc (std::size_t);
extern "C" void* __libc_calloc (std::size_t, std::size_t);
extern "C" void* __libc_realloc (void*, std::size_t);

extern "C" void* malloc (std::size_t size)
{
    count();
    return __libc_malloc (size);
}

extern "C" void* calloc (std::size_t n, std::size_t size)
{
    count();
    return __libc_calloc (n, size);
}

extern "C" void* realloc (void* p, std::size_t size)
{
    count();
    return __libc_realloc (p, size);
}

void allocation_counter::start()
{
    allocations = 0;
    counting = true;
}
#endif

long allocation_counter::stop()
{
    counting = false;
    return allocations;
}
