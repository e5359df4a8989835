/*
** asi_object.cpp: the root object's defaults and its allocator over the
** engine's memory manager.
*/
#include "sqlclient/base/asi_object.h"

#include "sqlclient/base/asi_memory.h"

/* Destroys the root: nothing to free. */
CAsiObject::~CAsiObject() {}

/* The root cannot copy itself: answers null. */
CAsiObject *CAsiObject::clone() const
{
    return nullptr;
}

/* The root owns nothing. */
void CAsiObject::release() {}

/* The root writes nothing: 0 bytes. */
int CAsiObject::packedSize() const
{
    return 0;
}

/* The root writes nothing and answers 0. */
int CAsiObject::pack(CAsiOStream &) const
{
    return 0;
}

/* The root reads nothing and answers 0. */
int CAsiObject::unpack(CAsiIStream &)
{
    return 0;
}

/* Storage for one object; null when memory is exhausted. */
void *CAsiObject::operator new(std::size_t n) noexcept
{
    return asi_malloc_nothrow(n);
}

/* Storage for an array of objects; null when memory is exhausted. */
void *CAsiObject::operator new[](std::size_t n) noexcept
{
    return asi_malloc_nothrow(n);
}

/* Frees one object's storage. */
void CAsiObject::operator delete(void *p) noexcept
{
    asi_mfree(p);
}

/* Frees an array's storage. */
void CAsiObject::operator delete[](void *p) noexcept
{
    asi_mfree(p);
}
