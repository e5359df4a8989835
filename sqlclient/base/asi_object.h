/*
** asi_object.h: CAsiObject, the root class of every object of the SQL client
** engine, its value types and the link client.
**
** Objects are allocated from the engine's memory manager: operator new
** answers null (and the new-expression yields null) when memory is
** exhausted, so callers test the result instead of catching.  The root class
** fixes the first virtual slots every engine object shares: the destructor,
** clone, release and the three serialisation slots.
**
**     CAsiObject *copy = value->clone();      // null when it cannot copy
**     if (copy) { ...; delete copy; }
*/
#ifndef PV_SQLCLIENT_BASE_ASI_OBJECT_H
#define PV_SQLCLIENT_BASE_ASI_OBJECT_H

#include <cstddef>

class CAsiOStream;
class CAsiIStream;

class CAsiObject {
public:
    CAsiObject() noexcept {}
    CAsiObject(const CAsiObject &) noexcept {}
    CAsiObject &operator=(const CAsiObject &) noexcept { return *this; }

    /* Destroys the object; derived classes free what they own. */
    virtual ~CAsiObject();

    /* A new copy of the object, owned by the caller; the root answers null
    ** (the object cannot be copied). */
    virtual CAsiObject *clone() const;

    /* Frees what the object owns, leaving it empty but alive; the root
    ** owns nothing.  A later destructor must not free anything twice. */
    virtual void release();

    /* The number of bytes pack would write; the root answers 0. */
    virtual int packedSize() const;

    /* Writes the object to the value stream; answers the stream's length,
    ** the root writes nothing and answers 0. */
    virtual int pack(CAsiOStream &out) const;

    /* Reads the object back from the value stream; answers 1 on success,
    ** the root reads nothing and answers 0. */
    virtual int unpack(CAsiIStream &in);

    /* Allocates an object from the engine's memory manager; null when
    ** memory is exhausted (the new-expression then constructs nothing). */
    static void *operator new(std::size_t n) noexcept;
    static void *operator new[](std::size_t n) noexcept;

    /* Placement form: constructs in storage the caller owns. */
    static void *operator new(std::size_t, void *where) noexcept { return where; }

    /* Frees an object's storage; null is ignored. */
    static void operator delete(void *p) noexcept;
    static void operator delete[](void *p) noexcept;
    static void operator delete(void *, void *) noexcept {}
};

/* A new copy of src made by assigning it to a default-constructed object
** of its class; null when memory is exhausted or the assignment fails (the
** partial copy is deleted).  Serves the clone of classes whose assignment
** does the copying. */
template <class T>
T *asi_clone_by_assign(const T &src) noexcept
{
    T *copy = new T();
    if (!copy)
        return nullptr;
    try {
        *copy = src;
    } catch (...) {
        delete copy;
        return nullptr;
    }
    return copy;
}

#endif
