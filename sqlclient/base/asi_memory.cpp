/*
** asi_memory.cpp: the engine's memory manager and global lock.
**
** Each block carries a small header with its requested size in front of
** the caller's bytes, so asi_msize needs no help from the C library.  The
** header is 16 bytes to keep the caller's bytes aligned for any type.
*/
#include "sqlclient/base/asi_memory.h"

#include <cstdlib>
#include <cstring>
#include <mutex>

#include "sqlclient/base/asi_except.h"

namespace {

/* Bytes in front of every block: the requested size, padded for alignment. */
constexpr std::size_t MEM_HEAD = 16;

/* The engine's one critical section. */
std::recursive_mutex &mem_lock()
{
    static std::recursive_mutex lock;
    return lock;
}

/* The header of a caller's block. */
std::size_t *mem_head(const void *block)
{
    return (std::size_t *)((char *)block - MEM_HEAD);
}

} // namespace

/* Locks the engine's global lock. */
void asi_enter_critical() noexcept
{
    mem_lock().lock();
}

/* Unlocks the engine's global lock. */
void asi_leave_critical() noexcept
{
    mem_lock().unlock();
}

/* Allocates n bytes; null when the size is too large or memory is
** exhausted. */
void *asi_malloc_nothrow(std::size_t n) noexcept
{
    if (n > ASI_MAX_BLOCK)
        return nullptr;
    CAsiCriticalLock lock;
    char *raw = (char *)std::malloc(n + MEM_HEAD);
    if (!raw)
        return nullptr;
    *(std::size_t *)raw = n;
    return raw + MEM_HEAD;
}

/* Allocates n bytes; throws 0xA008 when it cannot. */
void *asi_malloc(std::size_t n)
{
    void *p = asi_malloc_nothrow(n);
    if (!p)
        asi_throw(ASI_ERR_NO_MEMORY, "asi_malloc");
    return p;
}

/* Resizes a block; throws 0xA008 and keeps the old block on failure. */
void *asi_realloc(void *block, std::size_t n)
{
    if (!block)
        return asi_malloc(n);
    if (n > ASI_MAX_BLOCK)
        asi_throw(ASI_ERR_NO_MEMORY, "asi_realloc");
    char *raw;
    {
        CAsiCriticalLock lock;
        raw = (char *)std::realloc((char *)block - MEM_HEAD, n + MEM_HEAD);
    }
    if (!raw)
        asi_throw(ASI_ERR_NO_MEMORY, "asi_realloc");
    *(std::size_t *)raw = n;
    return raw + MEM_HEAD;
}

/* Frees a block; null is ignored. */
void asi_mfree(void *block) noexcept
{
    if (!block)
        return;
    CAsiCriticalLock lock;
    std::free((char *)block - MEM_HEAD);
}

/* The requested size of a block, 0 for null. */
std::size_t asi_msize(const void *block) noexcept
{
    return block ? *mem_head(block) : 0;
}
