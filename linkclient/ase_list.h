/*
** ase_list.h: CAseList, an ordered list of link client objects kept in
** pages of a fixed number of slots, with positional access, insertion that
** splits full pages, removal that frees emptied pages, search by identity
** and by order, and a shell sort by the objects' own compare.  The list
** owns its elements.
**
**     CAseList list(&errs, 10);
**     list.insertAt(list.count(), str);      // append; list owns str
**     int at;  CAseObj *hit = list.findSorted(key, &at);
*/
#ifndef PV_LINKCLIENT_ASE_LIST_H
#define PV_LINKCLIENT_ASE_LIST_H

#include "linkclient/ase_obj.h"

/* The usual number of slots per page. */
constexpr int ASE_LIST_BLOCK = 10;

/* item() index that names the current element. */
constexpr int ASE_LIST_CURRENT = -3;

/* One page: its element count, the next page, then the slots. */
struct ase_list_page {
    int count;              /* elements in use, 0 to the block size */
    ase_list_page *next;    /* next page, or null */
    CAseObj *slots[1];      /* block-size slots follow (owned objects) */
};

class CAseList : public CAseObj {
public:
    /* An empty list of pages of blockSize slots (at least 1). */
    CAseList(CAseErrList *owner, int blockSize = ASE_LIST_BLOCK) noexcept;
    ~CAseList() override;

    /* --- CAseObj slots --- */
    int clear() override;
    int isA() const override { return ASE_CLASS_LIST; }
    int isKindOf(int n) const override { return n == ASE_CLASS_LIST; }
    CAseObj *clone() const override;
    int copyFrom(const CAseObj *other) override;
    int compare(const CAseObj *other) const override;
    void print() const override;

    int count() const noexcept { return m_count; }
    int blockSize() const noexcept { return m_block; }
    int pageCount() const noexcept;
    int currentIndex() const noexcept { return m_curIndex; }
    CAseObj *item(int i) noexcept;
    int insertAt(int i, CAseObj *obj) noexcept;
    int insertAfter(int i, CAseObj *obj) noexcept { return insertAt(i + 1, obj); }
    int append(CAseObj *obj) noexcept { return insertAt(m_count, obj); }
    int setAt(int i, CAseObj *obj) noexcept;
    CAseObj *removeAt(int i) noexcept;
    int deleteAt(int i) noexcept;
    int indexOf(const CAseObj *obj) noexcept;
    CAseObj *findSorted(const CAseObj *key, int *at) noexcept;
    int sort() noexcept;

private:
    ase_list_page *pageOf(int i, int *first, ase_list_page **before) noexcept;
    ase_list_page *newPage() noexcept;
    void setCurrent(ase_list_page *page, int first, int slot) noexcept;

    ase_list_page *m_first;   /* first page, or null when empty */
    ase_list_page *m_cur;     /* page holding the current element, or null */
    int m_curFirst;           /* list index of m_cur's first slot */
    int m_block;              /* slots per page, fixed */
    int m_count;              /* elements in the list */
    int m_curIndex;           /* list index of the current element, -1 none */
    int m_curSlot;            /* its slot within m_cur */
};

#endif
