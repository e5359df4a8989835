/*
** ase_str.cpp: CAseStr: packed texts by index, their copies and order, and
** their exchange with result-buffer chains (RTSTR, or group 1000 in code
** page "1252").
*/
#include "linkclient/ase_str.h"

#include <climits>
#include <cstring>

#include "linkclient/ase_errlist.h"
#include "linkclient/ase_list.h"
#include "linkclient/ase_resbuf.h"
#include "sqlclient/base/asi_memory.h"

/* An empty list of texts. */
CAseStr::CAseStr(CAseErrList *owner) noexcept : CAseBuf(owner), m_used(0)
{
}

CAseStr::~CAseStr() = default;

/* No texts, no bytes; 1. */
int CAseStr::clear()
{
    m_used = 0;
    return CAseBuf::clear();
}

/* New bytes (the texts are gone); as CAseBuf::alloc. */
int CAseStr::alloc(int size) noexcept
{
    if (!CAseBuf::alloc(size))
        return 0;
    m_used = 0;
    return 1;
}

/* More bytes, the texts kept; as CAseBuf::grow. */
int CAseStr::grow(int size) noexcept
{
    return CAseBuf::grow(size);
}

/* A new list of texts with the same owner and a copy of the texts; null
** with (2, 2) without memory. */
CAseObj *CAseStr::clone() const
{
    return cloneInto(new CAseStr(m_owner));
}

/* Copies the bytes and used length of another list of texts; 1, 0 when
** the other is not one or the copy fails. */
int CAseStr::copyFrom(const CAseObj *other)
{
    if (other == this)
        return 1;
    if (!other || !other->isKindOf(ASE_CLASS_STR))
        return 0;
    const CAseStr *src = static_cast<const CAseStr *>(other);
    if (!assign(src))
        return 0;
    m_used = src->isValid() ? src->m_used : 0;
    return 1;
}

/* Byte offset of text i; -1 without data, for a negative index or when
** text i would begin at or beyond the used length. */
int CAseStr::offsetOf(int i) const noexcept
{
    if (!m_data || i < 0)
        return -1;
    int off = 0;
    for (int k = 0; k < i && off < m_used; ++k)
        off += (int)strnlen(reinterpret_cast<const char *>(m_data) + off, (std::size_t)(m_used - off)) + 1;
    return off < m_used ? off : -1;
}

/* Text i, or null when it does not exist. */
const char *CAseStr::at(int i) const noexcept
{
    int off = offsetOf(i);
    return off < 0 ? nullptr : reinterpret_cast<const char *>(m_data) + off;
}

/* Number of texts in the used part. */
int CAseStr::textCount() const noexcept
{
    if (!m_data)
        return 0;
    int n = 0;
    for (int off = 0; off < m_used; ++n)
        off += (int)strnlen(reinterpret_cast<const char *>(m_data) + off, (std::size_t)(m_used - off)) + 1;
    return n;
}

/* Writes text as text i (appended when text i does not exist); the texts
** after it are dropped.  The buffer keeps room for the text, its NUL and a
** closing 0 byte.  The text may be one of this list's own (it is copied
** first).  1; 0 for a null text, (2, 2) without memory. */
int CAseStr::setAt(int i, const char *text) noexcept
{
    if (!text)
        return error(ASE_CAT_ARGUMENT, ASE_ERR_BAD_ARGUMENT);
    std::size_t len = std::strlen(text);
    if (len >= (std::size_t)(INT_MAX / 2))
        return error(ASE_CAT_ARGUMENT, ASE_ERR_BAD_ARGUMENT);
    char *copy = static_cast<char *>(asi_malloc_nothrow(len + 1));
    if (!copy)
        return error(ASE_CAT_SYSTEM, ASE_ERR_NO_MEMORY);
    std::memcpy(copy, text, len + 1);
    int ok = 1;
    if (!m_data)
        ok = alloc((int)len + 2);
    int off = ok ? offsetOf(i) : 0;
    if (ok && off < 0)
        off = m_used;
    if (ok)
        ok = grow(off + (int)len + 2);
    if (ok) {
        std::memcpy(m_data + off, copy, len + 1);
        m_data[off + (int)len + 1] = 0;
        m_used = off + (int)len + 1;
    }
    asi_mfree(copy);
    return ok;
}

/* Appends every text in order to the chain: as group 1000 in code page
** "1252" with convert set, else as RTSTR.  1, or 0 when a conversion or
** an append fails. */
int CAseStr::toChain(CAseResBuf &chain, int convert) const noexcept
{
    int n = textCount();
    for (int i = 0; i < n; ++i) {
        const char *t = at(i);
        if (!convert) {
            if (!chain.appendValue(RTSTR, t))
                return 0;
            continue;
        }
        if (!m_owner)
            return 0;
        char *c = m_owner->to1252(t);
        if (!c)
            return 0;
        int ok = chain.appendValue(ASE_XD_STRING, c);
        m_owner->release(c);
        if (!ok)
            return 0;
    }
    return 1;
}

/* Reads texts from the chain's cursor on: each element of group 1000 or
** RTSTR gives the next text (null: an empty one; with convert set it is
** converted from code page "1252"); a brace (1002) ends the reading; the
** cursor stops there.  Answers the used length, or 0 on failure: (1, 1)
** for a null chain, (2, 27) for an element of another type. */
int CAseStr::fromChain(CAseResBuf *chain, int convert) noexcept
{
    if (!chain)
        return error(ASE_CAT_ARGUMENT, ASE_ERR_BAD_ARGUMENT);
    empty();
    int n = 0;
    for (const resbuf *rb = chain->get(1); rb; rb = chain->next() ? chain->get(1) : nullptr) {
        if (rb->restype == ASE_XD_BRACE)
            break;
        if (rb->restype != ASE_XD_STRING && rb->restype != RTSTR)
            return badValue();
        const char *t = rb->resval.rstring ? rb->resval.rstring : "";
        if (convert) {
            char *c = m_owner ? m_owner->from1252(t) : nullptr;
            if (!c)
                return 0;
            int ok = setAt(n, c);
            m_owner->release(c);
            if (!ok)
                return 0;
        } else if (!setAt(n, t)) {
            return 0;
        }
        ++n;
    }
    return m_used;
}

/* Orders against another list of texts text by text (a missing text sorts
** first): -1, 0 or 1; -2 when the other is not a list of texts. */
int CAseStr::compare(const CAseObj *other) const
{
    if (other == this)
        return 0;
    if (!other || !other->isKindOf(ASE_CLASS_STR))
        return ASE_CMP_NONE;
    const CAseStr *o = static_cast<const CAseStr *>(other);
    int n = textCount(), m = o->textCount();
    for (int i = 0; i < n || i < m; ++i) {
        if (i >= n)
            return -1;
        if (i >= m)
            return 1;
        int r = std::strcmp(at(i), o->at(i));
        if (r)
            return r < 0 ? -1 : 1;
    }
    return 0;
}

/* A new list (block size 10) of one new list of texts per text; null when
** there are no texts, null with (2, 2) without memory. */
CAseList *CAseStr::split() const noexcept
{
    int n = textCount();
    if (n == 0)
        return nullptr;
    CAseList *list = new CAseList(m_owner, ASE_LIST_BLOCK);
    if (!list) {
        error(ASE_CAT_SYSTEM, ASE_ERR_NO_MEMORY);
        return nullptr;
    }
    for (int i = 0; i < n; ++i) {
        CAseStr *one = new CAseStr(m_owner);
        if (!one || !one->setAt(0, at(i)) || !list->append(one)) {
            if (!one)
                error(ASE_CAT_SYSTEM, ASE_ERR_NO_MEMORY);
            delete one;
            delete list;
            return nullptr;
        }
    }
    return list;
}

/* Drops the texts, keeping the bytes. */
void CAseStr::empty() noexcept
{
    if (isValid()) {
        m_used = 0;
        m_data[0] = 0;
    }
}

/* Index of the last text equal (byte for byte) to text; -1 when none or
** for an invalid buffer. */
int CAseStr::findText(const char *text) const noexcept
{
    if (!isValid() || !text)
        return -1;
    int found = -1, n = textCount();
    for (int i = 0; i < n; ++i)
        if (std::strcmp(at(i), text) == 0)
            found = i;
    return found;
}
