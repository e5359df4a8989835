/*
** ase_list.cpp: CAseList: page lookup, insertion with page splits,
** replacement and removal, search by identity and sorted search, the shell
** sort, copies, comparison of lists and the debug dump.
*/
#include "linkclient/ase_list.h"

#include <cstring>

#include "linkclient/ase_errlist.h"
#include "platform/include/ads_host.h"
#include "sqlclient/base/asi_memory.h"

/* An empty list. */
CAseList::CAseList(CAseErrList *owner, int blockSize) noexcept
    : CAseObj(owner), m_first(nullptr), m_cur(nullptr), m_curFirst(0), m_block(blockSize < 1 ? 1 : blockSize),
      m_count(0), m_curIndex(-1), m_curSlot(0)
{
}

/* Destroys the elements and frees the pages. */
CAseList::~CAseList()
{
    clear();
}

/* Destroys every element through its virtual destructor, frees every page
** and resets count and current position; 1. */
int CAseList::clear()
{
    while (m_first) {
        ase_list_page *next = m_first->next;
        for (int k = 0; k < m_first->count; ++k)
            delete m_first->slots[k];
        asi_mfree(m_first);
        m_first = next;
    }
    m_cur = nullptr;
    m_curFirst = 0;
    m_count = 0;
    m_curIndex = -1;
    m_curSlot = 0;
    return 1;
}

/* Number of pages. */
int CAseList::pageCount() const noexcept
{
    int n = 0;
    for (ase_list_page *p = m_first; p; p = p->next)
        ++n;
    return n;
}

/* A new empty page; null with (2, 2) without memory. */
ase_list_page *CAseList::newPage() noexcept
{
    std::size_t bytes = sizeof(ase_list_page) + (std::size_t)(m_block - 1) * sizeof(CAseObj *);
    ase_list_page *p = static_cast<ase_list_page *>(asi_malloc_nothrow(bytes));
    if (!p) {
        error(ASE_CAT_SYSTEM, ASE_ERR_NO_MEMORY);
        return nullptr;
    }
    std::memset(p, 0, bytes);
    return p;
}

/* The page holding index i (0 to count - 1): the current page when it
** holds i, else found by walking from the first page; *first receives the
** page's first index and *before (when given) the page before it. */
ase_list_page *CAseList::pageOf(int i, int *first, ase_list_page **before) noexcept
{
    if (i < 0 || i >= m_count)
        return nullptr;
    if (!before && m_cur && i >= m_curFirst && i < m_curFirst + m_cur->count) {
        *first = m_curFirst;
        return m_cur;
    }
    int start = 0;
    ase_list_page *prev = nullptr;
    for (ase_list_page *p = m_first; p; prev = p, p = p->next) {
        if (i < start + p->count) {
            *first = start;
            if (before)
                *before = prev;
            return p;
        }
        start += p->count;
    }
    return nullptr;
}

/* Makes slot of page (first index first) the current element. */
void CAseList::setCurrent(ase_list_page *page, int first, int slot) noexcept
{
    m_cur = page;
    m_curFirst = first;
    m_curSlot = slot;
    m_curIndex = page ? first + slot : -1;
}

/* Element i, which becomes the current element; ASE_LIST_CURRENT gives
** the current element; null outside 0 to count - 1. */
CAseObj *CAseList::item(int i) noexcept
{
    if (i == ASE_LIST_CURRENT)
        i = m_curIndex;
    int first = 0;
    ase_list_page *p = pageOf(i, &first, nullptr);
    if (!p)
        return nullptr;
    setCurrent(p, first, i - first);
    return p->slots[i - first];
}

/* Inserts obj at position i (0 to count; count appends), splitting a full
** page: when the next page has room the full page's last element moves
** there, else a new page takes the upper half (with pages of one slot the
** new element gets a page of its own).  The object becomes the
** current element and belongs to the list.  1; 0 for a null object, a bad
** index, or a page that cannot be allocated ((2, 2)); a refused object
** stays the caller's. */
int CAseList::insertAt(int i, CAseObj *obj) noexcept
{
    if (!obj || i < 0 || i > m_count)
        return 0;
    if (!m_first) {
        if (!(m_first = newPage()))
            return 0;
        m_first->slots[0] = obj;
        m_first->count = 1;
        m_count = 1;
        setCurrent(m_first, 0, 0);
        return 1;
    }
    int first = 0;
    ase_list_page *page = i < m_count ? pageOf(i, &first, nullptr) : pageOf(m_count - 1, &first, nullptr);
    int slot = i - first;
    if (page->count == m_block) {
        ase_list_page *next = page->next;
        if (next && next->count < m_block) {
            std::memmove(next->slots + 1, next->slots, (std::size_t)next->count * sizeof(CAseObj *));
            next->slots[0] = page->slots[m_block - 1];
            next->count++;
            page->count--;
        } else {
            ase_list_page *fresh = newPage();
            if (!fresh)
                return 0;
            int half = page->count / 2;
            if (half == 0) {
                /* Pages of one slot have no upper half to move: the new
                ** element gets a page of its own, ahead of or behind the
                ** element of the full page. */
                fresh->next = page->next;
                page->next = fresh;
                fresh->count = 1;
                m_count++;
                if (slot == 0) {
                    fresh->slots[0] = page->slots[0];
                    page->slots[0] = obj;
                    setCurrent(page, first, 0);
                } else {
                    fresh->slots[0] = obj;
                    setCurrent(fresh, first + 1, 0);
                }
                return 1;
            }
            int stay = page->count - half;
            std::memcpy(fresh->slots, page->slots + stay, (std::size_t)half * sizeof(CAseObj *));
            fresh->count = half;
            page->count = stay;
            fresh->next = page->next;
            page->next = fresh;
            if (slot >= stay) {
                first += stay;
                slot -= stay;
                page = fresh;
            }
        }
    }
    std::memmove(page->slots + slot + 1, page->slots + slot, (std::size_t)(page->count - slot) * sizeof(CAseObj *));
    page->slots[slot] = obj;
    page->count++;
    m_count++;
    setCurrent(page, first, slot);
    return 1;
}

/* Destroys the element at i and stores obj there; 1, or 0 for a null
** object or a bad index. */
int CAseList::setAt(int i, CAseObj *obj) noexcept
{
    int first = 0;
    ase_list_page *p = obj ? pageOf(i, &first, nullptr) : nullptr;
    if (!p)
        return 0;
    CAseObj *old = p->slots[i - first];
    p->slots[i - first] = obj;
    if (old != obj)
        delete old;
    setCurrent(p, first, i - first);
    return 1;
}

/* Takes element i out of the list and gives it to the caller; an emptied
** page is freed; the current position moves to the element before.  Null
** for a bad index. */
CAseObj *CAseList::removeAt(int i) noexcept
{
    int first = 0;
    ase_list_page *before = nullptr;
    ase_list_page *p = pageOf(i, &first, &before);
    if (!p)
        return nullptr;
    int slot = i - first;
    CAseObj *obj = p->slots[slot];
    std::memmove(p->slots + slot, p->slots + slot + 1, (std::size_t)(p->count - slot - 1) * sizeof(CAseObj *));
    p->count--;
    m_count--;
    if (p->count == 0) {
        (before ? before->next : m_first) = p->next;
        asi_mfree(p);
    }
    m_cur = nullptr;
    m_curIndex = -1;
    if (i - 1 >= 0)
        item(i - 1);
    return obj;
}

/* Removes element i and destroys it; 1 when there was one. */
int CAseList::deleteAt(int i) noexcept
{
    CAseObj *obj = removeAt(i);
    delete obj;
    return obj != nullptr;
}

/* The index of obj: the current element is tried first with obj's compare,
** then every element by identity; -1 when absent. */
int CAseList::indexOf(const CAseObj *obj) noexcept
{
    if (!obj)
        return -1;
    CAseObj *cur = item(ASE_LIST_CURRENT);
    if (cur && obj->compare(cur) == 0)
        return m_curIndex;
    int i = 0;
    for (ase_list_page *p = m_first; p; p = p->next)
        for (int k = 0; k < p->count; ++k, ++i)
            if (p->slots[k] == obj)
                return i;
    return -1;
}

/* In a list sorted by compare: the element equal to key (element
** compare(key) == 0), or null; *at receives the position where key belongs
** (count when beyond the end).  The current element is tried first, then
** whole pages are skipped while their last element orders before key,
** then the page is halved. */
CAseObj *CAseList::findSorted(const CAseObj *key, int *at) noexcept
{
    int dummy = 0;
    if (!at)
        at = &dummy;
    *at = m_count;
    if (!key)
        return nullptr;
    CAseObj *cur = item(ASE_LIST_CURRENT);
    if (cur && cur->compare(key) == 0) {
        *at = m_curIndex;
        return cur;
    }
    int first = 0;
    ase_list_page *p = m_first;
    while (p && p->slots[p->count - 1]->compare(key) < 0) {
        first += p->count;
        p = p->next;
    }
    if (!p)
        return nullptr;
    int lo = 0, hi = p->count;   /* first slot not ordered before key */
    while (lo < hi) {
        int mid = (lo + hi) / 2;
        if (p->slots[mid]->compare(key) < 0)
            lo = mid + 1;
        else
            hi = mid;
    }
    *at = first + lo;
    if (lo < p->count && p->slots[lo]->compare(key) == 0) {
        setCurrent(p, first, lo);
        return p->slots[lo];
    }
    return nullptr;
}

/* Orders the elements ascending by their compare with a shell sort (gaps
** (count + 1) / 3, then (gap + 1) / 3 while positive; a gapped insertion
** step, which keeps equal elements in order within each gap).  1; 0 with
** (2, 2) when the work array cannot be allocated (the list unchanged). */
int CAseList::sort() noexcept
{
    if (m_count < 2)
        return 1;
    CAseObj **a = static_cast<CAseObj **>(asi_malloc_nothrow((std::size_t)m_count * sizeof(CAseObj *)));
    if (!a)
        return error(ASE_CAT_SYSTEM, ASE_ERR_NO_MEMORY);
    int n = 0;
    for (ase_list_page *p = m_first; p; p = p->next)
        for (int k = 0; k < p->count; ++k)
            a[n++] = p->slots[k];
    for (int gap = (n + 1) / 3; gap > 0; gap = gap == 1 ? 0 : (gap + 1) / 3) {
        for (int i = gap; i < n; ++i) {
            CAseObj *moving = a[i];
            int j = i;
            while (j >= gap && a[j - gap]->compare(moving) > 0) {
                a[j] = a[j - gap];
                j -= gap;
            }
            a[j] = moving;
        }
    }
    n = 0;
    for (ase_list_page *p = m_first; p; p = p->next)
        for (int k = 0; k < p->count; ++k)
            p->slots[k] = a[n++];
    asi_mfree(a);
    m_cur = nullptr;
    m_curIndex = -1;
    return 1;
}

/* A new list with the same owner and block size holding clones of the
** elements; null with (2, 2) when it cannot be allocated, null when a
** copy fails. */
CAseObj *CAseList::clone() const
{
    return cloneInto(new CAseList(m_owner, m_block));
}

/* Clears, takes the other list's block size and appends a clone of each of
** its elements, stopping at the first failure (answer 0); 1 for the same
** object; 0 when the other is not a list. */
int CAseList::copyFrom(const CAseObj *other)
{
    if (other == this)
        return 1;
    if (!other || !other->isKindOf(ASE_CLASS_LIST))
        return 0;
    const CAseList *src = static_cast<const CAseList *>(other);
    clear();
    m_block = src->m_block;
    for (ase_list_page *p = src->m_first; p; p = p->next)
        for (int k = 0; k < p->count; ++k) {
            CAseObj *copy = p->slots[k]->clone();
            if (!copy)
                return 0;
            if (!append(copy)) {
                delete copy;
                return 0;
            }
        }
    return 1;
}

/* 0 for the same object; -2 for a null other, one that is not a list or
** one of another length; else the first non-zero compare of the elements
** in order, 0 when all are equal. */
int CAseList::compare(const CAseObj *other) const
{
    if (other == this)
        return 0;
    if (!other || !other->isKindOf(ASE_CLASS_LIST))
        return ASE_CMP_NONE;
    const CAseList *o = static_cast<const CAseList *>(other);
    if (o->m_count != m_count)
        return ASE_CMP_NONE;
    ase_list_page *p = m_first, *q = o->m_first;
    int k = 0, m = 0;
    while (p && q) {
        int r = p->slots[k]->compare(q->slots[m]);
        if (r != 0)
            return r;
        if (++k == p->count) {
            p = p->next;
            k = 0;
        }
        if (++m == q->count) {
            q = q->next;
            m = 0;
        }
    }
    return 0;
}

/* Dumps the pages and elements on the host's text screen. */
void CAseList::print() const
{
    ads_printf("\nCAseList: elements=%ld blocksize=%d", (long)m_count, m_block);
    long first = 0, page = 0;
    for (ase_list_page *p = m_first; p; p = p->next, ++page) {
        ads_printf("\nPage=%ld First=%ld Count=%d", page, first, p->count);
        for (int k = 0; k < p->count; ++k) {
            ads_printf("\n%ld isA=%d", first + k, p->slots[k]->isA());
            p->slots[k]->print();
        }
        first += p->count;
    }
    ads_printf("\nCAseList END");
}
