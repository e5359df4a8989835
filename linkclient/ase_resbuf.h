/*
** ase_resbuf.h: CAseResBuf, an owned chain of host result buffers walked
** with a cursor: building argument lists, reading replies, editing in
** place; and the result type that carries a drawing group code.
**
** Texts and binary chunks inside elements live on the host's heap
** (acad_malloc / acad_free); the chain is released with ads_relrb.  Every
** value accessor checks the element's type first: a text is never read from
** an element that does not hold one.
**
**     CAseResBuf rb(&errs);
**     rb.appendValue(RTSTR, "KEY");  rb.append(RTLONG);  rb.setLong(12);
**     for (rb.first(); rb.get(1); rb.next()) ...rb.curType()...;
*/
#ifndef PV_LINKCLIENT_ASE_RESBUF_H
#define PV_LINKCLIENT_ASE_RESBUF_H

#include <cstdint>

#include "linkclient/ase_obj.h"
#include "platform/include/ads_host.h"

/* Group codes of extended data the link client reads and writes. */
constexpr int ASE_XD_STRING = 1000;    /* text */
constexpr int ASE_XD_APPNAME = 1001;   /* start of an application's data */
constexpr int ASE_XD_BRACE = 1002;     /* "{" or "}" */
constexpr int ASE_XD_BINARY = 1004;    /* binary chunk */
constexpr int ASE_XD_REAL = 1040;      /* real */
constexpr int ASE_XD_SHORT = 1070;     /* 16-bit integer */
constexpr int ASE_XD_LONG = 1071;      /* 32-bit integer */

/* What the value of an element of a type holds. */
enum ase_rb_kind {
    ASE_RBK_NONE,     /* no value (lists, T, nil, void) */
    ASE_RBK_REAL,     /* rreal */
    ASE_RBK_POINT,    /* rpoint */
    ASE_RBK_SHORT,    /* rint */
    ASE_RBK_TEXT,     /* rstring, owned */
    ASE_RBK_ENAME,    /* rlname */
    ASE_RBK_LONG,     /* rlong */
    ASE_RBK_BINARY,   /* rbinary, bytes owned */
    ASE_RBK_UNKNOWN   /* a code no value kind belongs to */
};

/* The kind of value an element of type holds (result types and group
** codes alike). */
ase_rb_kind ase_rb_kind_of(int type) noexcept;

/* One new element of type copying the value of src (texts and chunks
** duplicated); null without memory. */
resbuf *ase_rb_dup(int type, const resbuf *src) noexcept;

/* Waits after a debug dump: prints the prompt ("\nPress any key..." for
** null) and reads an integer; answers the host's result code. */
int ase_dump_pause(const char *prompt) noexcept;

class CAseResBuf : public CAseObj {
public:
    explicit CAseResBuf(CAseErrList *owner) noexcept;
    ~CAseResBuf() override;

    /* --- CAseObj slots --- */
    int clear() override;
    int isA() const override { return ASE_CLASS_RESBUF; }
    int isKindOf(int n) const override { return n == ASE_CLASS_RESBUF; }
    CAseObj *clone() const override;
    int copyFrom(const CAseObj *other) override;
    void print() const override;

    /* --- the chain --- */
    /* reset forgets the chain unreleased; attach owns a chain (cursor at
    ** its head), attachCopy a copy; detach hands the chain back. */
    void reset() noexcept;
    int attach(resbuf *chain) noexcept;
    int attachCopy(const resbuf *chain) noexcept;
    resbuf *detach() noexcept;
    int length() const noexcept;
    resbuf *head() const noexcept { return m_head; }

    /* --- cursor moves: 1 when the cursor then stands on an element --- */
    int next() noexcept;
    int prev() noexcept;
    int first() noexcept;
    int last() noexcept;
    int seek(int n) noexcept;
    int find(int type) noexcept;
    int findReal(int type, double value) noexcept;
    /* 0 the head, 1 the cursor element, 2 the one after it. */
    resbuf *get(int which) const noexcept;
    int index() const noexcept;

    /* --- the cursor element: getters answer 0 (null) and setters refuse
    ** an element whose type holds no such value --- */
    int curType() const noexcept;
    double curReal() const noexcept;
    int curShort() const noexcept;
    std::int32_t curLong() const noexcept;
    const char *curText() const noexcept;
    const double *curPoint() const noexcept;
    const long *curEName() const noexcept;
    int setType(int type) noexcept;
    int setReal(double v) noexcept;
    int setShort(int v) noexcept;
    int setLong(std::int32_t v) noexcept;
    int setText(const char *text) noexcept;
    int setBinary(const void *bytes, int length) noexcept;
    int setValue(const resbuf *element) noexcept;
    int setAllPoints(int type, const double point[3]) noexcept;
    int setAllENames(int type, const long name[2]) noexcept;

    /* --- building: append links after the cursor, insert before it; the
    ** cursor moves to the new elements --- */
    int appendChain(resbuf *chain) noexcept;
    int append(int type) noexcept;
    int appendValue(int type, const char *text) noexcept;
    int appendCopy(const resbuf *chain) noexcept;
    int insertChain(resbuf *chain) noexcept;
    int insert(int type) noexcept;
    int insertValue(int type, const char *text) noexcept;
    int insertCopy(const resbuf *chain) noexcept;
    int remove() noexcept;
    int removeN(int n) noexcept;
    resbuf *copyChain(const resbuf *chain, const resbuf *until = nullptr) const noexcept;
    int xdataBraces() noexcept;
    int xdataBrace(int closing) noexcept;
    int normalise() noexcept;

    static int resultType(int groupCode) noexcept;
    static int isTextType(int type) noexcept { return resultType(type) == RTSTR; }

private:
    resbuf *previousOf(resbuf *element) const noexcept;
    void releaseValue(resbuf *rb) noexcept;
    int linkedChain(resbuf *built, int after) noexcept;

    resbuf *m_head;    /* first element of the owned chain, or null */
    resbuf *m_cur;     /* the cursor element, or null */
    resbuf *m_prev;    /* the element before the cursor when known, or null */
};

#endif
