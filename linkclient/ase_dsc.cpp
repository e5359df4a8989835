/*
** ase_dsc.cpp: the descriptor base CAseDsc, its request object, the child
** list of an application descriptor, the frame helpers that turn a raised
** failure into items, and the attribute lists of links and selections.
*/
#include "linkclient/ase_dsc.h"

#include <cstdlib>
#include <cstring>
#include <memory>

#include "linkclient/ase_app.h"
#include "linkclient/ase_msgfile.h"
#include "linkclient/ase_resbuf.h"
#include "sqlclient/asi_handle.h"
#include "sqlclient/asi_row.h"
#include "sqlclient/base/asi_memory.h"
#include "sqlclient/values/asi_data.h"

namespace {

/* Allocations left before the hook refuses one; -1 refuses none. */
int g_alloc_left = -1;

/* A new RTSTR element with a heap copy of text; null without memory. */
resbuf *text_element(const char *text) noexcept
{
    resbuf *rb = ads_newrb(RTSTR);
    if (!rb)
        return nullptr;
    std::size_t n = std::strlen(text) + 1;
    rb->resval.rstring = static_cast<char *>(std::malloc(n));
    if (!rb->resval.rstring) {
        ads_relrb(rb);
        return nullptr;
    }
    std::memcpy(rb->resval.rstring, text, n);
    return rb;
}

} // namespace

/* ---- Frames and failures ---------------------------------------------- */

/* A raise of another list adds its pending item here; an engine exception
** becomes its conditions; nothing without a list. */
void ase_dsc_catch(CAseErrList *errs, const CAsiException &e) noexcept
{
    if (!errs)
        return;
    if (auto *r = dynamic_cast<const CAseRaised *>(&e)) {
        if (r->list() != errs && (r->category() || r->itemCode()))
            errs->add(r->category(), r->itemCode());
        return;
    }
    ase_errs_from_exception(errs, e);
}

/* Throws the latest item of errs ((0, 0) when it holds none). */
void ase_raise(const CAseErrList *errs)
{
    int n = errs ? errs->count() : 0;
    throw CAseRaised(errs, n ? errs->category(n - 1) : 0, n ? errs->code(n - 1) : 0);
}

/* Adds (category, code[, text]) to errs and throws it. */
void ase_fail(CAseErrList *errs, int category, int code, const char *text)
{
    if (errs)
        errs->add(category, code, text);
    throw CAseRaised(errs, category, code);
}

/* ---- Allocation of element copies and arrays --------------------------- */

/* Arms the hook: n allocations pass, the next fails. */
void ase_dsc_fail_alloc_after(int n) noexcept
{
    g_alloc_left = n;
}

/* 1 when the hook refuses this allocation (it then disarms itself). */
int ase_dsc_alloc_refused() noexcept
{
    if (g_alloc_left < 0)
        return 0;
    if (g_alloc_left == 0) {
        g_alloc_left = -1;
        return 1;
    }
    --g_alloc_left;
    return 0;
}

/* A zeroed calloc array of n column pointers; null for n below 1 or
** without memory. */
CAsiColumn **ase_dsc_column_array(int n) noexcept
{
    if (n < 1 || ase_dsc_alloc_refused())
        return nullptr;
    return static_cast<CAsiColumn **>(std::calloc((std::size_t)n, sizeof(CAsiColumn *)));
}

/* A copy of the column with its name and value; null without memory. */
CAsiColumn *ase_dsc_column_copy(const CAsiColumn &column) noexcept
{
    if (ase_dsc_alloc_refused())
        return nullptr;
    try {
        return column.clone();
    } catch (...) {
        return nullptr;
    }
}

/* A long from an RTLONG, or an RTREAL cut; ok false for another element
** or a real that no 32-bit number holds. */
long ase_rb_long(const resbuf *rb, bool *ok) noexcept
{
    *ok = rb && (rb->restype == RTLONG ||
                 (rb->restype == RTREAL && rb->resval.rreal > -2147483649.0 && rb->resval.rreal < 2147483648.0));
    if (!*ok)
        return 0;
    return rb->restype == RTLONG ? (long)rb->resval.rlong : (long)rb->resval.rreal;
}

/* Frees the texts of every RTSTR element and sets them null. */
void ase_free_texts(resbuf *chain) noexcept
{
    for (resbuf *rb = chain; rb; rb = rb->rbnext)
        if (rb->restype == RTSTR) {
            std::free(rb->resval.rstring);
            rb->resval.rstring = nullptr;
        }
}

/* ---- CAseDscReq -------------------------------------------------------- */

/* Nothing of its own to free; the channel is not owned. */
CAseDscReq::~CAseDscReq() = default;

/* A plain error list holding copies of the items; null without memory. */
CAseObj *CAseDscReq::clone() const
{
    CAseErrList *copy = new CAseErrList();
    if (!copy)
        return nullptr;
    if (!copy->copyFrom(this)) {
        delete copy;
        return nullptr;
    }
    return copy;
}

/* The other list's items, then (for a request object) its channel; 1, 0
** when the items cannot be copied. */
int CAseDscReq::copyFrom(const CAseObj *other)
{
    if (other == this)
        return 1;
    if (!CAseErrList::copyFrom(other))
        return 0;
    if (auto *o = dynamic_cast<const CAseDscReq *>(other))
        m_channel = o->m_channel;
    return 1;
}

/* The channel's catalogue while it is open, else null (default texts). */
CAseMsgFile *CAseDscReq::msgFile() const
{
    CAseMsgFile *file = m_channel ? m_channel->msgFile() : nullptr;
    return (file && file->isOpen()) ? file : nullptr;
}

/* The host's code page while the channel converts, else null. */
const char *CAseDscReq::hostCodePage() const
{
    return m_channel ? m_channel->hostCodePage() : nullptr;
}

/* ---- CAseDscList ------------------------------------------------------- */

/* Frees every node; the descriptors are not touched. */
CAseDscList::~CAseDscList()
{
    while (m_head) {
        ase_dsc_node *next = m_head->next;
        std::free(m_head);
        m_head = next;
    }
}

/* A node for dsc at the head; 1, 0 without memory. */
int CAseDscList::add(CAseDsc *dsc) noexcept
{
    auto *node = static_cast<ase_dsc_node *>(std::calloc(1, sizeof(ase_dsc_node)));
    if (!node)
        return 0;
    node->dsc = dsc;
    node->next = m_head;
    m_head = node;
    return 1;
}

/* Unlinks and frees the node of dsc; 1 when found, 0 when not. */
int CAseDscList::remove(const CAseDsc *dsc) noexcept
{
    for (ase_dsc_node **at = &m_head; *at; at = &(*at)->next)
        if ((*at)->dsc == dsc) {
            ase_dsc_node *gone = *at;
            *at = gone->next;
            std::free(gone);
            return 1;
        }
    return 0;
}

/* The descriptor of node i counted from the head, or null. */
CAseDsc *CAseDscList::item(int i) const noexcept
{
    ase_dsc_node *n = m_head;
    for (; n && i > 0; --i)
        n = n->next;
    return (n && i == 0) ? n->dsc : nullptr;
}

/* Number of nodes. */
int CAseDscList::count() const noexcept
{
    int n = 0;
    for (ase_dsc_node *p = m_head; p; p = p->next)
        ++n;
    return n;
}

/* ---- CAseDsc ------------------------------------------------------------ */

/* Engine allocation: null when memory is exhausted. */
void *CAseDsc::operator new(std::size_t n) noexcept
{
    if (ase_dsc_alloc_refused())
        return nullptr;
    return asi_malloc_nothrow(n);
}

/* Gives the storage of operator new back; null is ignored. */
void CAseDsc::operator delete(void *p) noexcept
{
    asi_mfree(p);
}

/* The request object takes the parent's channel and the descriptor enters
** that channel's child list; 0xA008 when either cannot be allocated. */
CAseDsc::CAseDsc(CAseDsc *parent) : m_req(nullptr), m_parent(nullptr)
{
    CAseAppDsc *ch = parent ? parent->channel() : nullptr;
    m_req = new CAseDscReq(ch);
    if (!m_req)
        asi_throw(ASI_ERR_NO_MEMORY, "CAseDsc");
    m_req->clear();
    if (ch) {
        if (!ch->children() || !ch->children()->add(this)) {
            delete m_req;
            m_req = nullptr;
            asi_throw(ASI_ERR_NO_MEMORY, "CAseDsc");
        }
        m_parent = ch;
    }
}

/* Raises (8, 901) for a missing other, one that fails its own check, or
** (kind not 0) one of another kind. */
void CAseDsc::requireUsable(CAseDsc *other, int kind) const
{
    if (!other || !ase_dsc_guard(other->req(), 0, [&] { return other->check(); }) ||
        (kind && other->type() != kind))
        fail(ASE_CAT_HOST, ASE_ERR_HOST_FAILED);
}

/* Leaves the child list of the application it was entered in (never a list
** of its own) and deletes the request object. */
CAseDsc::~CAseDsc()
{
    if (m_parent && m_parent != this && m_parent->children())
        m_parent->children()->remove(this);
    m_parent = nullptr;
    delete m_req;
    m_req = nullptr;
}

/* The application went first: no list to leave, no channel through it. */
void CAseDsc::parentGone() noexcept
{
    if (m_req && m_req->channel() == m_parent)
        m_req->setChannel(nullptr);
    m_parent = nullptr;
}

/* Empties the error list; 1, else (8, 902) raised. */
int CAseDsc::init()
{
    if (!m_req)
        throw CAseRaised(nullptr, ASE_CAT_HOST, ASE_ERR_NOT_READY);
    m_req->clear();
    return 1;
}

/* The request object, its condition store and the channel must exist; the
** error list is then emptied: 1.  Otherwise (8, 902) is raised. */
int CAseDsc::check()
{
    if (!m_req || !m_req->diagnostics() || !m_req->channel()) {
        if (m_req)
            m_req->add(ASE_CAT_HOST, ASE_ERR_NOT_READY);
        throw CAseRaised(m_req, ASE_CAT_HOST, ASE_ERR_NOT_READY);
    }
    m_req->clear();
    return 1;
}

/* Both checked, then the other's items and channel; a change of channel
** moves the descriptor into the new channel's child list.  1; 0 for a null
** other. */
int CAseDsc::copyFrom(CAseDsc *other)
{
    if (!other)
        return 0;
    if (other == this)
        return 1;
    check();
    other->check();
    copyBase(other);
    return 1;
}

/* The other's items and channel without checks; a change of channel moves
** the descriptor into the new channel's child list.  (2, 2) raised. */
void CAseDsc::copyBase(CAseDsc *other)
{
    CAseAppDsc *before = m_req->channel();
    if (!m_req->copyFrom(other->m_req))
        fail(ASE_CAT_SYSTEM, ASE_ERR_NO_MEMORY);
    CAseAppDsc *after = m_req->channel();
    if (type() != ASE_DSC_APP && after != before && after && after->children()) {
        if (!after->children()->add(this)) {
            m_req->setChannel(before);
            fail(ASE_CAT_SYSTEM, ASE_ERR_NO_MEMORY);
        }
        if (m_parent && m_parent->children())
            m_parent->children()->remove(this);
        m_parent = after;
    }
}

/* copyFrom; this descriptor. */
CAseDsc *CAseDsc::assign(CAseDsc *other)
{
    copyFrom(other);
    return this;
}

/* The request object's channel, or null. */
CAseAppDsc *CAseDsc::channel() const noexcept
{
    return m_req ? m_req->channel() : nullptr;
}

/* 1 when the channel exists and converts texts. */
int CAseDsc::isConverting() const noexcept
{
    CAseAppDsc *ch = channel();
    return ch && ch->converting() == 1;
}

/* The channel's host text when this descriptor's check passes, else null. */
const char *CAseDsc::getAppText()
{
    return ase_dsc_guard(m_req, static_cast<const char *>(nullptr), [&]() -> const char * {
        check();
        return channel() ? channel()->hostText() : nullptr;
    });
}

/* Adds the item to the error list and raises it. */
void CAseDsc::fail(int category, int code, const char *text) const
{
    ase_fail(m_req, category, code, text);
}

/* Raises the latest item of the error list. */
void CAseDsc::raise() const
{
    ase_raise(m_req);
}

/* ---- Attribute lists ---------------------------------------------------- */

/* One attribute pair (RTSHORT code, default value) of the table of codes;
** (8, 904) raised for a code outside it, (2, 2) without memory. */
resbuf *CAseDsc::makeAttr(int code, const char *text)
{
    resbuf *head = ads_newrb(RTSHORT);
    if (!head)
        fail(ASE_CAT_SYSTEM, ASE_ERR_NO_MEMORY);
    head->resval.rint = (short)code;
    resbuf *value = nullptr;
    switch (code) {
    case ASE_ATTR_PATH: case ASE_ATTR_TEXT2: case ASE_ATTR_LPN: case ASE_ATTR_TEXT:
        value = text_element(text ? text : "");
        break;
    case ASE_ATTR_SELSET:
        value = ads_newrb(RTPICKS);
        break;
    case ASE_ATTR_NUMBER:
        if ((value = ads_newrb(RTLONG)))
            value->resval.rlong = -1;
        break;
    case ASE_ATTR_KIND: case ASE_ATTR_FLAG:
        value = ads_newrb(RTSHORT);
        break;
    case ASE_ATTR_ENTITY:
        value = ads_newrb(RTENAME);
        break;
    case ASE_ATTR_KEYS: case ASE_ATTR_NAMES: case ASE_ATTR_LIST: case ASE_ATTR_TEXTS: case ASE_ATTR_NAMEVALS:
        if ((value = ads_newrb(RTLB)) && !(value->rbnext = ads_newrb(RTLE))) {
            ads_relrb(value);
            value = nullptr;
        }
        break;
    default:
        ads_relrb(head);
        fail(ASE_CAT_HOST, ASE_ERR_BAD_ATTR);
    }
    if (!value) {
        ads_relrb(head);
        fail(ASE_CAT_SYSTEM, ASE_ERR_NO_MEMORY);
    }
    head->rbnext = value;
    return head;
}

/* A copy of the elements from `from` up to, not including, `until` (the
** end when null); null when the two are the same.  (2, 2) raised without
** memory, the partial copy released. */
resbuf *CAseDsc::copyChain(const resbuf *from, const resbuf *until)
{
    resbuf *head = nullptr, *tail = nullptr;
    for (const resbuf *rb = from; rb && rb != until; rb = rb->rbnext) {
        resbuf *c = ase_rb_dup(rb->restype, rb);
        if (!c) {
            ads_relrb(head);
            fail(ASE_CAT_SYSTEM, ASE_ERR_NO_MEMORY);
        }
        (tail ? tail->rbnext : head) = c;
        tail = c;
    }
    return head;
}

/* The element whose next is null; null for an empty chain. */
resbuf *CAseDsc::lastOf(resbuf *chain) noexcept
{
    while (chain && chain->rbnext)
        chain = chain->rbnext;
    return chain;
}

/* The end of the value beginning at rb: rb itself, or the RTLE closing the
** list it opens; null for an unclosed list. */
static resbuf *value_end(resbuf *rb) noexcept
{
    if (!rb || rb->restype != RTLB)
        return rb;
    int depth = 0;
    for (; rb; rb = rb->rbnext) {
        if (rb->restype == RTLB)
            ++depth;
        else if (rb->restype == RTLE && --depth == 0)
            return rb;
    }
    return nullptr;
}

/* The head of the pair after the one beginning at pair (a list value counts
** whole; code 12 holds two lists); null at the end. */
resbuf *CAseDsc::nextPair(resbuf *pair) noexcept
{
    if (!pair)
        return nullptr;
    resbuf *end = value_end(pair->rbnext);
    if (end && pair->restype == RTSHORT && pair->resval.rint == ASE_ATTR_NAMEVALS && end->rbnext &&
        end->rbnext->restype == RTLB)
        end = value_end(end->rbnext);
    return end ? end->rbnext : nullptr;
}

/* The head of the pair of the code, or null. */
resbuf *CAseDsc::findPair(resbuf *list, int code) noexcept
{
    for (resbuf *p = list; p; p = nextPair(p))
        if (p->restype == RTSHORT && p->resval.rint == code)
            return p;
    return nullptr;
}

/* The value element of the code's pair, or null. */
resbuf *CAseDsc::valueOf(resbuf *list, int code) noexcept
{
    resbuf *p = findPair(list, code);
    return p ? p->rbnext : nullptr;
}

/* Replaces the value of the code's pair (a whole list when it is one) by
** the chain value, which the list takes over; 1.  (8, 902) raised when the
** pair is absent (value then released). */
int CAseDsc::setValue(resbuf *&list, int code, resbuf *value)
{
    resbuf *pair = findPair(list, code);
    if (!pair || !value) {
        ads_relrb(value);
        fail(ASE_CAT_HOST, pair ? ASE_ERR_HOST_FAILED : ASE_ERR_NOT_READY);
    }
    resbuf *old = pair->rbnext;
    resbuf *end = value_end(old);
    resbuf *rest = end ? end->rbnext : nullptr;
    if (end)
        end->rbnext = nullptr;
    ads_relrb(old);
    pair->rbnext = value;
    lastOf(value)->rbnext = rest;
    return 1;
}

/* Unlinks and releases the pair beginning at pair with its whole value;
** the list's head (the next pair when the first was removed). */
resbuf *CAseDsc::removePair(resbuf *list, resbuf *pair) noexcept
{
    if (!list || !pair)
        return list;
    resbuf *before = nullptr;
    for (resbuf *rb = list; rb && rb != pair; rb = rb->rbnext)
        before = rb;
    if (before == nullptr && list != pair)
        return list;
    if (before && before->rbnext != pair)
        return list;
    resbuf *next = nextPair(pair);
    resbuf *end = pair;
    while (end->rbnext && end->rbnext != next)
        end = end->rbnext;
    end->rbnext = nullptr;
    if (before)
        before->rbnext = next;
    else
        list = next;
    ads_relrb(pair);
    return list;
}

/* When attribute 6 holds a point, it becomes RTLB, two or three RTREAL,
** RTLE; 1.  (2, 2) raised when the list cannot be built. */
int CAseDsc::pointToList(resbuf *list)
{
    resbuf *pair = findPair(list, ASE_ATTR_KEYS);
    resbuf *pt = pair ? pair->rbnext : nullptr;
    if (!pt || (pt->restype != RTPOINT && pt->restype != RT3DPOINT))
        return 1;
    int n = pt->restype == RTPOINT ? 2 : 3;
    resbuf *head = ads_newrb(RTLB), *tail = head;
    for (int k = 0; head && k < n; ++k) {
        if (!(tail->rbnext = ads_newrb(RTREAL))) {
            ads_relrb(head);
            head = nullptr;
            break;
        }
        tail = tail->rbnext;
        tail->resval.rreal = pt->resval.rpoint[k];
    }
    if (head && !(tail->rbnext = ads_newrb(RTLE))) {
        ads_relrb(head);
        head = nullptr;
    }
    if (!head)
        fail(ASE_CAT_SYSTEM, ASE_ERR_NO_MEMORY);
    tail = tail->rbnext;
    tail->rbnext = pt->rbnext;
    pt->rbnext = nullptr;
    ads_relrb(pt);
    pair->rbnext = head;
    return 1;
}

/* ---- Requests ------------------------------------------------------------- */

/* The request through the channel; see CAseAppDsc::request. */
resbuf *CAseDsc::ask(int code, resbuf *args, AcDbDatabase *db, int mode, int *owned)
{
    CAseAppDsc *ch = channel();
    if (!ch)
        fail(ASE_CAT_HOST, ASE_ERR_NOT_READY);
    return ch->request(code, args, m_req, db, mode, owned);
}

/* The reply as the caller's own chain: a client copy handed over, a host
** reply copied ((2, 2) raised without memory). */
resbuf *CAseDsc::handOver(resbuf *reply, int owned)
{
    return owned ? reply : copyChain(reply);
}

/* ---- Rows from value arrays --------------------------------------------- */

/* An engine row of count columns, column i a copy of element i (name and
** value); (8, 901) raised for a missing element, engine failures thrown. */
CAsiRow *CAseDsc::rowFromValues(CAsiColumn **values, int count)
{
    if (!values || count < 1)
        fail(ASE_CAT_HOST, ASE_ERR_HOST_FAILED);
    std::unique_ptr<CAsiRow> row(new CAsiRow(count));
    for (int i = 0; i < count; ++i) {
        if (!values[i])
            fail(ASE_CAT_HOST, ASE_ERR_HOST_FAILED);
        (*row)[i] = *values[i];
    }
    return row.release();
}

/* ---- The error list for the C interface --------------------------------- */

/* Number of error items; 0 without a list. */
int CAseDsc::errCount() const noexcept
{
    return m_req ? m_req->count() : 0;
}

/* Category of item i; 0 out of range. */
int CAseDsc::errCategory(int i) const noexcept
{
    return m_req ? m_req->category(i) : 0;
}

/* Code of item i; 0 out of range. */
int CAseDsc::errCode(int i) const noexcept
{
    return m_req ? m_req->code(i) : 0;
}

/* The message of item i into buf, emptied first; 0 for a null buffer. */
int CAseDsc::errMessage(int i, char *buf, int size) const noexcept
{
    if (!buf || size < 1)
        return 0;
    buf[0] = 0;
    return m_req ? m_req->message(i, buf, size) : 0;
}

/* Empties the error list; 1, 0 without one. */
int CAseDsc::errClear() noexcept
{
    return m_req ? m_req->clear() : 0;
}

/* Integer item id of item i into out; 1 when present, else 0. */
int CAseDsc::errInt(int i, int id, int *out) const noexcept
{
    return m_req ? m_req->itemInt(i, id, out) : 0;
}

/* Text item id of item i into buf; 1 when present, else 0. */
int CAseDsc::errText(int i, int id, char *buf, int size) const noexcept
{
    return m_req ? m_req->itemText(i, id, buf, size) : 0;
}

/* The diagnostics of an SQL client handle as items; (8, 901) for null. */
int CAseDsc::errFromHandle(const CAsiHandle *handle) noexcept
{
    return m_req ? m_req->fromDiagnostics(handle) : 0;
}
