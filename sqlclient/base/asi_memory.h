/*
** asi_memory.h: the SQL client engine's memory manager and its one global
** lock.
**
** Every block of the engine and of its value types comes from asi_malloc and
** goes back through asi_mfree; each block remembers its requested size
** (asi_msize).  The manager works under the engine's global lock, the one
** critical section that guards all shared state of the engine; other parts of
** the engine take the same lock with CAsiCriticalLock.
**
**     char *p = (char *)asi_malloc(64);     // throws 0xA008 when exhausted
**     p = (char *)asi_realloc(p, 128);
**     asi_mfree(p);
*/
#ifndef PV_SQLCLIENT_BASE_ASI_MEMORY_H
#define PV_SQLCLIENT_BASE_ASI_MEMORY_H

#include <cstddef>

/* The largest block the manager hands out; a larger request fails as if
** memory were exhausted (this keeps every size computation far from
** wrapping). */
constexpr std::size_t ASI_MAX_BLOCK = (std::size_t)1 << 40;

/* Allocates n bytes (n may be 0) and answers the block.  A failed allocation
** is thrown as the engine code 0xA008 (asi_throw); it never answers null. */
void *asi_malloc(std::size_t n);

/* Like asi_malloc, but answers null instead of throwing when memory is
** exhausted; used where the caller reports the failure itself (the engine's
** operator new). */
void *asi_malloc_nothrow(std::size_t n) noexcept;

/* Resizes a block to n bytes, keeping its contents up to the smaller size;
** a null block allocates.  Answers the (possibly moved) block; a failure
** throws 0xA008 and leaves the old block valid. */
void *asi_realloc(void *block, std::size_t n);

/* Frees a block of asi_malloc or asi_realloc; null is ignored. */
void asi_mfree(void *block) noexcept;

/* The requested size of a block in bytes; 0 for null. */
std::size_t asi_msize(const void *block) noexcept;

/* Enters and leaves the engine's global lock (recursive: the same thread may
** enter again). */
void asi_enter_critical() noexcept;
void asi_leave_critical() noexcept;

/* Holds the engine's global lock for the life of the object. */
class CAsiCriticalLock {
public:
    CAsiCriticalLock() noexcept { asi_enter_critical(); }
    ~CAsiCriticalLock() { asi_leave_critical(); }
    CAsiCriticalLock(const CAsiCriticalLock &) = delete;
    CAsiCriticalLock &operator=(const CAsiCriticalLock &) = delete;
};

#endif
