/*
** ase_str.h: CAseStr, a list of short texts packed one after another, each
** with its NUL, in one CAseBuf; the base of the link path name.  Texts
** travel to the host as RTSTR elements, or as extended-data strings
** (group 1000) in code page "1252".
**
**     CAseStr s(&errs);
**     s.setAt(0, "ENV");  s.setAt(1, "TABLE");   // "ENV\0TABLE\0"
**     s.toChain(chain, 0);
*/
#ifndef PV_LINKCLIENT_ASE_STR_H
#define PV_LINKCLIENT_ASE_STR_H

#include "linkclient/ase_buf.h"

class CAseStr : public CAseBuf {
public:
    explicit CAseStr(CAseErrList *owner) noexcept;
    ~CAseStr() override;

    /* --- CAseObj slots --- */
    int clear() override;
    int isA() const override { return ASE_CLASS_STR; }
    int isKindOf(int n) const override { return n == ASE_CLASS_STR || n == ASE_CLASS_BUF; }
    CAseObj *clone() const override;
    int copyFrom(const CAseObj *other) override;
    int compare(const CAseObj *other) const override;
    void print() const override {}
    /* --- CAseBuf slots --- */
    int alloc(int size) noexcept override;
    int grow(int size) noexcept override;

    int used() const noexcept { return m_used; }
    int offsetOf(int i) const noexcept;
    int setAt(int i, const char *text) noexcept;
    const char *at(int i) const noexcept;
    int textCount() const noexcept;
    int toChain(CAseResBuf &chain, int convert) const noexcept;
    int fromChain(CAseResBuf *chain, int convert) noexcept;
    CAseList *split() const noexcept;
    void empty() noexcept;
    int findText(const char *text) const noexcept;

protected:
    int m_used;   /* bytes taken by the texts and their NULs */
};

#endif
