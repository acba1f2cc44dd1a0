#include "AllocationCounter.h"

#include <cstddef>

// glibc's own allocator entry points; the definitions below replace malloc,
// calloc and realloc for the whole test program (operator new and the
// framework's heap blocks both end up here).
extern "C" void* __libc_malloc (std::size_t);
extern "C" void* __libc_calloc (std::size_t, std::size_t);
extern "C" void* __libc_realloc (void*, std::size_t);

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

long allocation_counter::stop()
{
    counting = false;
    return allocations;
}
