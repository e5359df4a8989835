/*
** ase_obj.cpp: the defaults of CAseObj, its engine allocation, and the
** error helpers the frame guard of every link client method uses.
*/
#include "linkclient/ase_obj.h"

#include "linkclient/ase_errlist.h"
#include "sqlclient/base/asi_memory.h"

/* Destroys the object; the root owns nothing. */
CAseObj::~CAseObj() = default;

/* The root cannot copy itself: answers null. */
CAseObj *CAseObj::clone() const
{
    return nullptr;
}

/* Fills a freshly made copy from this object; the copy, or null with
** (2, 2) when none was made, or null (copy deleted) when copyFrom fails. */
CAseObj *CAseObj::cloneInto(CAseObj *copy) const
{
    if (!copy) {
        error(ASE_CAT_SYSTEM, ASE_ERR_NO_MEMORY);
        return nullptr;
    }
    if (!copy->copyFrom(this)) {
        delete copy;
        return nullptr;
    }
    return copy;
}

/* Message (set, number) of the owner's catalogue into buf (size bytes,
** cut and terminated); "" without an owner or when it cannot be read.
** Answers buf. */
char *CAseObj::messageInto(int set, int number, char *buf, int size) const noexcept
{
    if (!buf || size < 1)
        return buf;
    buf[0] = '\0';
    if (m_owner)
        ase_guard(nullptr, 0, [&] {
            CAsiUcStr s;
            m_owner->messageText(set, number, s);
            s.toMb(buf, size);
            return 1;
        });
    buf[size - 1] = '\0';
    return buf;
}

/* The root copies nothing and answers 1. */
int CAseObj::copyFrom(const CAseObj *)
{
    return 1;
}

/* 0 for the same object, ASE_CMP_NONE (not comparable) otherwise. */
int CAseObj::compare(const CAseObj *other) const
{
    return other == this ? 0 : ASE_CMP_NONE;
}

/* Adds (category, code, text) to the owner's list when there is one;
** answers 0 so that a failing method can return it directly. */
int CAseObj::error(int category, int code, const char *text) const noexcept
{
    if (m_owner)
        m_owner->add(category, code, text);
    return 0;
}

/* Allocates from the engine's memory manager; null when exhausted. */
void *CAseObj::operator new(std::size_t n) noexcept
{
    return asi_malloc_nothrow(n);
}

/* Frees storage of operator new; null is ignored. */
void CAseObj::operator delete(void *p) noexcept
{
    asi_mfree(p);
}

/* Turns a caught exception into items of errs; nothing without a list. */
void ase_errs_from_exception(CAseErrList *errs, const CAsiException &e) noexcept
{
    if (errs)
        errs->fromSqlException(e);
}

/* Adds (2, 2) to errs when there is a list. */
void ase_errs_no_memory(CAseErrList *errs) noexcept
{
    if (errs)
        errs->add(ASE_CAT_SYSTEM, ASE_ERR_NO_MEMORY);
}
