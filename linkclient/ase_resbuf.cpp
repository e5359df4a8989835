/*
** ase_resbuf.cpp: CAseResBuf: the owned chain, its cursor moves, the
** typed accessors and setters of the cursor element, appending, inserting
** and removing elements, copies of chains, extended-data braces, and the
** result type of drawing group codes.
*/
#include "linkclient/ase_resbuf.h"

#include <climits>
#include <cstring>

#include "linkclient/ase_errlist.h"
#include "platform/include/arx_host.h"

/* The value kind of a result type or drawing group code, following the
** drawing interchange ranges. */
ase_rb_kind ase_rb_kind_of(int t) noexcept
{
    switch (t) {
    case RTREAL: case RTANG: case RTORINT: return ASE_RBK_REAL;
    case RTPOINT: case RT3DPOINT: return ASE_RBK_POINT;
    case RTSHORT: return ASE_RBK_SHORT;
    case RTSTR: case RTDXF0: return ASE_RBK_TEXT;
    case RTENAME: case RTPICKS: return ASE_RBK_ENAME;
    case RTLONG: return ASE_RBK_LONG;
    case RTNONE: case RTVOID: case RTLB: case RTLE: case RTDOTE: case RTNIL: case RTT:
        return ASE_RBK_NONE;
    default: break;
    }
    if (t == -1 || t == -2 || (t >= 320 && t <= 369) || (t >= 390 && t <= 399) || t == 480 || t == 481)
        return ASE_RBK_ENAME;
    if (t == -3)
        return ASE_RBK_NONE;
    if (t == -4 || (t >= 0 && t <= 9) || (t >= 100 && t <= 105) || (t >= 300 && t <= 309) ||
        (t >= 410 && t <= 419) || (t >= 430 && t <= 439) || (t >= 470 && t <= 479) || t == 999 ||
        (t >= 1000 && t <= 1003) || t == 1005)
        return ASE_RBK_TEXT;
    if ((t >= 10 && t <= 39) || (t >= 110 && t <= 139) || (t >= 210 && t <= 239) || (t >= 1010 && t <= 1013))
        return ASE_RBK_POINT;
    if ((t >= 40 && t <= 59) || (t >= 140 && t <= 149) || (t >= 460 && t <= 469) || (t >= 1040 && t <= 1042))
        return ASE_RBK_REAL;
    if ((t >= 60 && t <= 79) || (t >= 170 && t <= 179) || (t >= 270 && t <= 299) || (t >= 370 && t <= 389) ||
        (t >= 400 && t <= 409) || t == 1070)
        return ASE_RBK_SHORT;
    if ((t >= 90 && t <= 99) || (t >= 420 && t <= 429) || (t >= 440 && t <= 459) || t == 1071)
        return ASE_RBK_LONG;
    if ((t >= 310 && t <= 319) || t == 1004)
        return ASE_RBK_BINARY;
    return ASE_RBK_UNKNOWN;
}

/* A host-heap copy of a text; null without memory. */
static char *rb_text_dup(const char *text) noexcept
{
    std::size_t n = std::strlen(text) + 1;
    char *p = static_cast<char *>(acad_malloc(n));
    if (p)
        std::memcpy(p, text, n);
    return p;
}

/* A new element of type with the value of src; texts and binary chunks
** are duplicated (a null text stays null).  Null without memory. */
resbuf *ase_rb_dup(int type, const resbuf *src) noexcept
{
    resbuf *rb = ads_newrb(ASE_XD_LONG);
    if (!rb)
        return nullptr;
    rb->restype = (short)type;
    rb->resval = src->resval;
    switch (ase_rb_kind_of(src->restype)) {
    case ASE_RBK_TEXT:
        if (src->resval.rstring && !(rb->resval.rstring = rb_text_dup(src->resval.rstring))) {
            ads_relrb(rb);
            return nullptr;
        }
        break;
    case ASE_RBK_BINARY: {
        int n = src->resval.rbinary.clen > 0 ? src->resval.rbinary.clen : 0;
        rb->resval.rbinary.buf = nullptr;
        if (src->resval.rbinary.buf) {
            rb->resval.rbinary.buf = static_cast<char *>(acad_malloc(n ? n : 1));
            if (!rb->resval.rbinary.buf) {
                ads_relrb(rb);
                return nullptr;
            }
            if (n)
                std::memcpy(rb->resval.rbinary.buf, src->resval.rbinary.buf, n);
        }
        break;
    }
    default:
        break;
    }
    return rb;
}

/* An empty chain object reporting into owner. */
CAseResBuf::CAseResBuf(CAseErrList *owner) noexcept
    : CAseObj(owner), m_head(nullptr), m_cur(nullptr), m_prev(nullptr)
{
}

/* Releases the chain. */
CAseResBuf::~CAseResBuf()
{
    clear();
}

/* Releases the chain and forgets head, cursor and previous; 1. */
int CAseResBuf::clear()
{
    ads_relrb(m_head);
    reset();
    return 1;
}

/* Forgets head, cursor and previous without releasing anything (the
** caller has taken the chain). */
void CAseResBuf::reset() noexcept
{
    m_head = m_cur = m_prev = nullptr;
}

/* Hands the chain to the caller and forgets it; the chain or null. */
resbuf *CAseResBuf::detach() noexcept
{
    resbuf *chain = m_head;
    reset();
    return chain;
}

/* A new chain object with the same owner holding a copy of the chain;
** null with (2, 2) when it cannot be made. */
CAseObj *CAseResBuf::clone() const
{
    CAseResBuf *copy = new CAseResBuf(m_owner);
    if (!copy) {
        error(ASE_CAT_SYSTEM, ASE_ERR_NO_MEMORY);
        return nullptr;
    }
    if (m_head && !copy->attachCopy(m_head)) {
        delete copy;
        return nullptr;
    }
    return copy;
}

/* Takes a copy of another chain object's chain, cursor at its head; the
** same object is left alone.  1 when a chain results, else 0. */
int CAseResBuf::copyFrom(const CAseObj *other)
{
    if (other == this)
        return m_head != nullptr;
    clear();
    if (!other || !other->isKindOf(ASE_CLASS_RESBUF))
        return 0;
    const CAseResBuf *src = static_cast<const CAseResBuf *>(other);
    return src->m_head ? attachCopy(src->m_head) : 0;
}

/* Releases the old chain and owns the given one, cursor at its head; 1
** when the chain is not null. */
int CAseResBuf::attach(resbuf *chain) noexcept
{
    if (chain == m_head) {
        m_cur = m_head;
        m_prev = nullptr;
        return chain != nullptr;
    }
    clear();
    m_head = m_cur = chain;
    return chain != nullptr;
}

/* attach of a copy of the chain; 0 (with (2, 2)) when it cannot be copied. */
int CAseResBuf::attachCopy(const resbuf *chain) noexcept
{
    if (!chain) {
        clear();
        return 0;
    }
    resbuf *copy = copyChain(chain);
    if (!copy)
        return 0;
    return attach(copy);
}

/* Number of elements of the chain. */
int CAseResBuf::length() const noexcept
{
    int n = 0;
    for (resbuf *rb = m_head; rb; rb = rb->rbnext)
        ++n;
    return n;
}

/* The element before element, found by walking from the head; null for
** the head or an element not in the chain. */
resbuf *CAseResBuf::previousOf(resbuf *element) const noexcept
{
    for (resbuf *rb = m_head; rb; rb = rb->rbnext)
        if (rb->rbnext == element)
            return rb;
    return nullptr;
}

/* Moves the cursor to the next element; 1 when it stands on one, 0 at the
** end or without a cursor (then nothing changes). */
int CAseResBuf::next() noexcept
{
    if (!m_cur)
        return 0;
    m_prev = m_cur;
    m_cur = m_cur->rbnext;
    return m_cur != nullptr;
}

/* Moves the cursor to the element before it; from the head the cursor
** leaves the chain.  1 when it stands on an element. */
int CAseResBuf::prev() noexcept
{
    if (!m_cur)
        return 0;
    if (m_cur == m_head) {
        m_cur = m_prev = nullptr;
        return 0;
    }
    resbuf *before = m_prev && m_prev->rbnext == m_cur ? m_prev : previousOf(m_cur);
    m_cur = before;
    m_prev = nullptr;
    return m_cur != nullptr;
}

/* Cursor to the head; 1 when the chain is not empty. */
int CAseResBuf::first() noexcept
{
    m_cur = m_head;
    m_prev = nullptr;
    return m_cur != nullptr;
}

/* Cursor to the last element; 1 when the chain is not empty. */
int CAseResBuf::last() noexcept
{
    if (!first())
        return 0;
    while (m_cur->rbnext)
        next();
    return 1;
}

/* Cursor n steps from the head; 1 when it stands on an element. */
int CAseResBuf::seek(int n) noexcept
{
    if (n < 0)
        return 0;
    first();
    for (int k = 0; k < n && m_cur; ++k)
        next();
    return m_cur != nullptr;
}

/* From the cursor (the head when there is none), the first element of the
** type; 1 when found, else 0 with the cursor past the end. */
int CAseResBuf::find(int type) noexcept
{
    if (!m_cur)
        first();
    while (m_cur && m_cur->restype != type)
        next();
    return m_cur != nullptr;
}

/* From the cursor (or the head), the first element of the type holding a
** real equal to value; 1 when found.  Only elements whose value is a real
** are read. */
int CAseResBuf::findReal(int type, double value) noexcept
{
    if (ase_rb_kind_of(type) != ASE_RBK_REAL)
        return 0;
    if (!m_cur)
        first();
    while (m_cur && !(m_cur->restype == type && m_cur->resval.rreal == value))
        next();
    return m_cur != nullptr;
}

/* 0: the head, 1: the cursor element, 2: the element after the cursor. */
resbuf *CAseResBuf::get(int which) const noexcept
{
    switch (which) {
    case 0: return m_head;
    case 1: return m_cur;
    case 2: return m_cur ? m_cur->rbnext : nullptr;
    default: return nullptr;
    }
}

/* Position of the cursor from the head; -1 without cursor. */
int CAseResBuf::index() const noexcept
{
    if (!m_cur)
        return -1;
    int i = 0;
    for (resbuf *rb = m_head; rb; rb = rb->rbnext, ++i)
        if (rb == m_cur)
            return i;
    return -1;
}

/* Type of the cursor element; 0 without cursor. */
int CAseResBuf::curType() const noexcept
{
    return m_cur ? m_cur->restype : 0;
}

/* The real of the cursor element; 0.0 without cursor or for an element
** that holds no real. */
double CAseResBuf::curReal() const noexcept
{
    return m_cur && ase_rb_kind_of(m_cur->restype) == ASE_RBK_REAL ? m_cur->resval.rreal : 0.0;
}

/* The 16-bit integer of the cursor element; 0 when it holds none. */
int CAseResBuf::curShort() const noexcept
{
    return m_cur && ase_rb_kind_of(m_cur->restype) == ASE_RBK_SHORT ? m_cur->resval.rint : 0;
}

/* The 32-bit integer of the cursor element; 0 when it holds none. */
std::int32_t CAseResBuf::curLong() const noexcept
{
    return m_cur && ase_rb_kind_of(m_cur->restype) == ASE_RBK_LONG ? m_cur->resval.rlong : 0;
}

/* The text of the cursor element; null when it holds none. */
const char *CAseResBuf::curText() const noexcept
{
    return m_cur && ase_rb_kind_of(m_cur->restype) == ASE_RBK_TEXT ? m_cur->resval.rstring : nullptr;
}

/* The address of the cursor element's point; null when it holds none. */
const double *CAseResBuf::curPoint() const noexcept
{
    return m_cur && ase_rb_kind_of(m_cur->restype) == ASE_RBK_POINT ? m_cur->resval.rpoint : nullptr;
}

/* The address of the cursor element's entity name; null when it holds
** none. */
const long *CAseResBuf::curEName() const noexcept
{
    return m_cur && ase_rb_kind_of(m_cur->restype) == ASE_RBK_ENAME ? m_cur->resval.rlname : nullptr;
}

/* Frees the text or binary chunk an element holds and zeroes its value. */
void CAseResBuf::releaseValue(resbuf *rb) noexcept
{
    ase_rb_kind k = ase_rb_kind_of(rb->restype);
    if (k == ASE_RBK_TEXT)
        acad_free(rb->resval.rstring);
    else if (k == ASE_RBK_BINARY)
        acad_free(rb->resval.rbinary.buf);
    std::memset(&rb->resval, 0, sizeof rb->resval);
}

/* Gives the cursor element a new type with a zero value (its text or chunk
** released); 1, or 0 without cursor. */
int CAseResBuf::setType(int type) noexcept
{
    if (!m_cur)
        return 0;
    releaseValue(m_cur);
    m_cur->restype = (short)type;
    return 1;
}

/* Sets the real of the cursor element; 0 without cursor or when its type
** holds no real. */
int CAseResBuf::setReal(double v) noexcept
{
    if (!m_cur || ase_rb_kind_of(m_cur->restype) != ASE_RBK_REAL)
        return 0;
    m_cur->resval.rreal = v;
    return 1;
}

/* Sets the 16-bit integer of the cursor element; 0 when it holds none. */
int CAseResBuf::setShort(int v) noexcept
{
    if (!m_cur || ase_rb_kind_of(m_cur->restype) != ASE_RBK_SHORT)
        return 0;
    m_cur->resval.rint = (short)v;
    return 1;
}

/* Sets the 32-bit integer of the cursor element; 0 when it holds none. */
int CAseResBuf::setLong(std::int32_t v) noexcept
{
    if (!m_cur || ase_rb_kind_of(m_cur->restype) != ASE_RBK_LONG)
        return 0;
    m_cur->resval.rlong = v;
    return 1;
}

/* Replaces the text of the cursor element by a host-heap copy of text
** (which may be the element's own text: it is copied first); 1 when made,
** 0 without cursor, for a type that holds no text, or with (2, 2). */
int CAseResBuf::setText(const char *text) noexcept
{
    if (!m_cur || ase_rb_kind_of(m_cur->restype) != ASE_RBK_TEXT)
        return 0;
    char *copy = nullptr;
    if (text && !(copy = rb_text_dup(text)))
        return error(ASE_CAT_SYSTEM, ASE_ERR_NO_MEMORY);
    releaseValue(m_cur);
    m_cur->resval.rstring = copy;
    return 1;
}

/* Replaces the binary chunk of the cursor element by a copy of length
** bytes (none or null: an empty chunk); 1, 0 for a type that holds no
** chunk, (1, 1) for a length a chunk cannot hold, (2, 2) without memory. */
int CAseResBuf::setBinary(const void *bytes, int length) noexcept
{
    if (!m_cur || ase_rb_kind_of(m_cur->restype) != ASE_RBK_BINARY)
        return 0;
    if (length > SHRT_MAX)
        return error(ASE_CAT_ARGUMENT, ASE_ERR_BAD_ARGUMENT);
    if (!bytes || length < 0)
        length = 0;
    char *copy = static_cast<char *>(acad_malloc(length ? length : 1));
    if (!copy)
        return error(ASE_CAT_SYSTEM, ASE_ERR_NO_MEMORY);
    if (length)
        std::memcpy(copy, bytes, length);
    releaseValue(m_cur);
    m_cur->resval.rbinary.clen = (short)length;
    m_cur->resval.rbinary.buf = copy;
    return 1;
}

/* Gives the cursor element the type and value of element (texts and
** chunks duplicated); 1, 0 without cursor or element, (2, 2). */
int CAseResBuf::setValue(const resbuf *element) noexcept
{
    if (!m_cur || !element)
        return 0;
    resbuf *copy = ase_rb_dup(element->restype, element);
    if (!copy)
        return error(ASE_CAT_SYSTEM, ASE_ERR_NO_MEMORY);
    releaseValue(m_cur);
    m_cur->restype = copy->restype;
    m_cur->resval = copy->resval;
    copy->restype = RTNONE;   /* its value now belongs to the cursor element */
    ads_relrb(copy);
    return 1;
}

/* From the cursor on, every element of the type (which must hold a point)
** receives the point; 1, or 0 without cursor or for a type without one. */
int CAseResBuf::setAllPoints(int type, const double point[3]) noexcept
{
    if (!m_cur || !point || ase_rb_kind_of(type) != ASE_RBK_POINT)
        return 0;
    for (resbuf *rb = m_cur; rb; rb = rb->rbnext)
        if (rb->restype == type)
            std::memcpy(rb->resval.rpoint, point, sizeof rb->resval.rpoint);
    return 1;
}

/* From the cursor on, every element of the type (which must hold an
** entity name) receives the name; 1, or 0 as setAllPoints. */
int CAseResBuf::setAllENames(int type, const long name[2]) noexcept
{
    if (!m_cur || !name || ase_rb_kind_of(type) != ASE_RBK_ENAME)
        return 0;
    for (resbuf *rb = m_cur; rb; rb = rb->rbnext)
        if (rb->restype == type) {
            rb->resval.rlname[0] = name[0];
            rb->resval.rlname[1] = name[1];
        }
    return 1;
}

/* Links chain in after the cursor (after == 1) or before it (after == 0),
** or makes it the whole content of an empty object; the cursor moves to
** its last (after) or first (before) element.  1, or 0 when there is a
** head but no cursor (the chain is not linked). */
int CAseResBuf::linkedChain(resbuf *chain, int after) noexcept
{
    if (!chain)
        return 0;
    resbuf *tail = chain, *beforeTail = nullptr;
    while (tail->rbnext) {
        beforeTail = tail;
        tail = tail->rbnext;
    }
    if (!m_head) {
        m_head = chain;
        if (after) {
            m_cur = tail;
            m_prev = beforeTail;
        } else {
            m_cur = chain;
            m_prev = nullptr;
        }
        return 1;
    }
    if (!m_cur)
        return 0;
    if (after) {
        tail->rbnext = m_cur->rbnext;
        m_cur->rbnext = chain;
        m_prev = beforeTail ? beforeTail : m_cur;
        m_cur = tail;
        return 1;
    }
    resbuf *before = m_cur == m_head ? nullptr : (m_prev && m_prev->rbnext == m_cur ? m_prev : previousOf(m_cur));
    tail->rbnext = m_cur;
    if (before)
        before->rbnext = chain;
    else
        m_head = chain;
    m_cur = chain;
    m_prev = before;
    return 1;
}

/* Links a chain (owned from now on when linked) after the cursor; the
** cursor moves to its last element.  0 when there is a head but no cursor
** (the chain stays the caller's). */
int CAseResBuf::appendChain(resbuf *chain) noexcept
{
    return linkedChain(chain, 1);
}

/* Builds an element, or reports (2, 2); links it after (after == 1) or
** before the cursor, releasing it when it cannot be linked. */
static int link_built(CAseResBuf &rb, resbuf *built, int after)
{
    if (!built)
        return rb.error(ASE_CAT_SYSTEM, ASE_ERR_NO_MEMORY);
    int ok = after ? rb.appendChain(built) : rb.insertChain(built);
    if (!ok)
        ads_relrb(built);
    return ok;
}

/* Appends one new element of the type with a zero value. */
int CAseResBuf::append(int type) noexcept
{
    resbuf *rb = ads_newrb(ASE_XD_LONG);
    if (rb)
        rb->restype = (short)type;
    return link_built(*this, rb, 1);
}

/* Appends one element of a text type holding a copy of text ("" for
** null); (1, 1) for a type that holds no text. */
int CAseResBuf::appendValue(int type, const char *text) noexcept
{
    if (ase_rb_kind_of(type) != ASE_RBK_TEXT)
        return error(ASE_CAT_ARGUMENT, ASE_ERR_BAD_ARGUMENT);
    return link_built(*this, ads_buildlist(type, text ? text : "", 0), 1);
}

/* Appends a copy of a chain; 0 for a null chain. */
int CAseResBuf::appendCopy(const resbuf *chain) noexcept
{
    if (!chain)
        return 0;
    resbuf *copy = copyChain(chain);
    if (!copy)
        return 0;
    int ok = appendChain(copy);
    if (!ok)
        ads_relrb(copy);
    return ok;
}

/* Links a chain in before the cursor (as the new head when the cursor is
** on the head; as the whole content when empty); the cursor moves to its
** first element. */
int CAseResBuf::insertChain(resbuf *chain) noexcept
{
    return linkedChain(chain, 0);
}

/* Inserts one new element of the type before the cursor. */
int CAseResBuf::insert(int type) noexcept
{
    resbuf *rb = ads_newrb(ASE_XD_LONG);
    if (rb)
        rb->restype = (short)type;
    return link_built(*this, rb, 0);
}

/* Inserts one text element before the cursor ("" for a null text). */
int CAseResBuf::insertValue(int type, const char *text) noexcept
{
    if (ase_rb_kind_of(type) != ASE_RBK_TEXT)
        return error(ASE_CAT_ARGUMENT, ASE_ERR_BAD_ARGUMENT);
    return link_built(*this, ads_buildlist(type, text ? text : "", 0), 0);
}

/* Inserts a copy of a chain before the cursor. */
int CAseResBuf::insertCopy(const resbuf *chain) noexcept
{
    if (!chain)
        return 0;
    resbuf *copy = copyChain(chain);
    if (!copy)
        return 0;
    int ok = insertChain(copy);
    if (!ok)
        ads_relrb(copy);
    return ok;
}

/* Unlinks and releases the cursor element; the cursor moves to the element
** after it.  1 when an element was removed. */
int CAseResBuf::remove() noexcept
{
    if (!m_cur)
        return 0;
    resbuf *gone = m_cur;
    resbuf *before = gone == m_head ? nullptr : (m_prev && m_prev->rbnext == gone ? m_prev : previousOf(gone));
    if (before)
        before->rbnext = gone->rbnext;
    else
        m_head = gone->rbnext;
    m_cur = gone->rbnext;
    m_prev = before;
    gone->rbnext = nullptr;
    ads_relrb(gone);
    return 1;
}

/* Removes n elements from the cursor on, stopping when the cursor leaves
** the chain; the number removed. */
int CAseResBuf::removeN(int n) noexcept
{
    int done = 0;
    while (done < n && m_cur && remove())
        ++done;
    return done;
}

/* A copy of the elements from chain up to, not including, until (to the
** end for null): each is made as a group 1071 element and then given the
** source's type and value.  Null for an empty range; null with (2, 2) when
** an element cannot be made (the partial copy is released). */
resbuf *CAseResBuf::copyChain(const resbuf *chain, const resbuf *until) const noexcept
{
    resbuf *head = nullptr, *tail = nullptr;
    for (const resbuf *rb = chain; rb && rb != until; rb = rb->rbnext) {
        resbuf *copy = ase_rb_dup(rb->restype, rb);
        if (!copy) {
            ads_relrb(head);
            error(ASE_CAT_SYSTEM, ASE_ERR_NO_MEMORY);
            return nullptr;
        }
        (tail ? tail->rbnext : head) = copy;
        tail = copy;
    }
    return head;
}

/* Puts 1002 "{" at the head and 1002 "}" at the end; 1, or 0 with (2, 2). */
int CAseResBuf::xdataBraces() noexcept
{
    resbuf *open = ads_buildlist(ASE_XD_BRACE, "{", 0);
    resbuf *close = ads_buildlist(ASE_XD_BRACE, "}", 0);
    if (!open || !close) {
        ads_relrb(open);
        ads_relrb(close);
        return error(ASE_CAT_SYSTEM, ASE_ERR_NO_MEMORY);
    }
    open->rbnext = m_head;
    m_head = open;
    resbuf *tail = open;
    while (tail->rbnext)
        tail = tail->rbnext;
    tail->rbnext = close;
    m_cur = close;
    m_prev = tail;
    return 1;
}

/* Appends 1002 "{", or "}" with closing set. */
int CAseResBuf::xdataBrace(int closing) noexcept
{
    return appendValue(ASE_XD_BRACE, closing ? "}" : "{");
}

/* The value type that carries a drawing group code. */
int CAseResBuf::resultType(int code) noexcept
{
    if (code == ASE_XD_BINARY)
        return ASE_XD_BINARY;
    if (code == ASE_XD_LONG)
        return RTLONG;
    if (code == RT3DPOINT)
        return RTPOINT;
    if (code >= RTNONE)
        return code;
    int n = code % 1000;
    if (n == -2 || n == -1)
        return RTENAME;
    if (n == -4 || (n >= 0 && n <= 9))
        return RTSTR;
    if ((n >= 10 && n <= 18) || n == 210)
        return RTPOINT;
    if ((n >= 38 && n <= 58) || (n >= 140 && n <= 149))
        return RTREAL;
    if ((n >= 62 && n <= 78) || (n >= 170 && n <= 179))
        return RTSHORT;
    return n;
}

/* Gives every element except braces and binary chunks the result type of
** its group code when that is one of RTLONG, RTENAME, RTSTR, RTPOINT,
** RTREAL, RTSHORT; 1 when all could be mapped, else 0 (the others keep
** their type).  A type whose value kind would change is never mapped. */
int CAseResBuf::normalise() noexcept
{
    int all = 1;
    for (resbuf *rb = m_head; rb; rb = rb->rbnext) {
        if (rb->restype == ASE_XD_BRACE || rb->restype == ASE_XD_BINARY)
            continue;
        int r = resultType(rb->restype);
        int mapped = (r == RTLONG || r == RTENAME || r == RTSTR || r == RTPOINT || r == RTREAL || r == RTSHORT) &&
                     ase_rb_kind_of(r) == ase_rb_kind_of(rb->restype);
        if (mapped)
            rb->restype = (short)r;
        else
            all = 0;
    }
    return all;
}

/* Dumps the chain on the host's text screen. */
void CAseResBuf::print() const
{
    ads_printf("\nCAseResBuf: elements=%d head=%p curr=%p", length(), (void *)m_head, (void *)m_cur);
    int i = 0;
    for (resbuf *rb = m_head; rb; rb = rb->rbnext, ++i) {
        ads_printf("\n%d type=%d", i, rb->restype);
        switch (rb->restype) {
        case RTREAL: ads_printf(" RTREAL %lf", rb->resval.rreal); break;
        case RTPOINT:
            ads_printf(" RTPOINT %lf %lf %lf", rb->resval.rpoint[0], rb->resval.rpoint[1], rb->resval.rpoint[2]);
            break;
        case RTSHORT: ads_printf(" RTSHORT %d", rb->resval.rint); break;
        case RTSTR: ads_printf(" RTSTR %s", rb->resval.rstring ? rb->resval.rstring : ""); break;
        case RTENAME: ads_printf(" RTENAME %ld %ld", rb->resval.rlname[0], rb->resval.rlname[1]); break;
        case RTLONG: ads_printf(" RTLONG %ld", (long)rb->resval.rlong); break;
        case ASE_XD_APPNAME: ads_printf(" START XDATA"); break;
        case ASE_XD_BINARY: ads_printf(" Binary length %d", rb->resval.rbinary.clen); break;
        default: ads_printf(" UNKNOWN"); break;
        }
    }
    ads_printf("\nCAseResBuf END");
}

/* Prompts after a dump and waits for an integer from the host. */
int ase_dump_pause(const char *prompt) noexcept
{
    int answer = 0;
    return ads_getint(prompt ? prompt : "\nPress any key...", &answer);
}
