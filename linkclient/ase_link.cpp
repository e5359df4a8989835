/*
** ase_link.cpp: the link descriptor: starting a link of kind 1 or 2,
** filling its attributes (link path name checked as a path part, entity,
** key values, the kind-2 lists), writing it to the host (32, 33) and the
** link's other requests (28, 31).
**
** A written link's attribute list is the host's version of it; a point
** given back as attribute 6 becomes a list of two or three reals.
*/
#include "linkclient/ase_link.h"

#include <cstdlib>
#include <cstring>
#include <memory>

#include "linkclient/ase_app.h"
#include "linkclient/ase_dbrow.h"
#include "linkclient/ase_path.h"
#include "linkclient/ase_resbuf.h"
#include "platform/include/ase_service.h"
#include "sqlclient/asi_row.h"

namespace {

/* Request codes of the link descriptor. */
constexpr int k_rq_read = 28;
constexpr int k_rq_drop = 31;
constexpr int k_rq_write = 32;
constexpr int k_rq_write33 = 33;

/* True for a null entity name or one of two zero words. */
bool no_entity(const long *e) noexcept
{
    return !e || (e[0] == 0 && e[1] == 0);
}

} // namespace

/* Under a connected application the descriptor is initialised at once;
** (8, 901) is thrown otherwise. */
CAseLinkDsc::CAseLinkDsc(CAseDsc *parent) : CAseDsc(parent), m_attrs(nullptr), m_db(nullptr)
{
    CAseAppDsc *ch = channel();
    if (!ch || !ase_dsc_guard(ch->req(), 0, [&] { return ch->check(); })) {
        m_req->add(ASE_CAT_HOST, ASE_ERR_HOST_FAILED);
        throw CAseRaised(m_req, ASE_CAT_HOST, ASE_ERR_HOST_FAILED);
    }
    init();
}

/* Frees what the descriptor owns; the base part follows. */
CAseLinkDsc::~CAseLinkDsc()
{
    ads_relrb(m_attrs);
    m_attrs = nullptr;
}

/* The base init, then attribute 1 alone (-1); 1, 0 on failure. */
int CAseLinkDsc::init()
{
    return ase_dsc_guard(m_req, 0, [&] {
        CAseDsc::init();
        ads_relrb(m_attrs);
        m_attrs = nullptr;
        m_attrs = makeAttr(ASE_ATTR_NUMBER);
        return 1;
    });
}

/* The base check, then (8, 902) without an attribute list. */
int CAseLinkDsc::check()
{
    CAseDsc::check();
    if (!m_attrs)
        fail(ASE_CAT_HOST, ASE_ERR_NOT_READY);
    return 1;
}

/* A new link descriptor under the same application filled by copyFrom. */
CAseDsc *CAseLinkDsc::clone()
{
    return cloneAs<CAseLinkDsc>();
}

/* Another link descriptor that passes its check: initialised, base part,
** a copy of its attribute list and its drawing.  (8, 901) raised for
** another kind or a failed check. */
int CAseLinkDsc::copyFrom(CAseDsc *other)
{
    if (other == this)
        return 1;
    requireUsable(other, ASE_DSC_LINK);
    auto *o = static_cast<CAseLinkDsc *>(other);
    if (!init())
        raise();
    CAseDsc::copyFrom(other);
    resbuf *copy = copyChain(o->m_attrs);
    if (!copy)
        fail(ASE_CAT_SYSTEM, ASE_ERR_NO_MEMORY);
    ads_relrb(m_attrs);
    m_attrs = copy;
    m_db = o->m_db;
    return 1;
}

/* 1 when both pass their checks and hold the same link number. */
int CAseLinkDsc::isEqual(CAseDsc *other)
{
    check();
    requireUsable(other, ASE_DSC_LINK);
    bool a = false, b = false;
    long x = ase_rb_long(valueOf(m_attrs, ASE_ATTR_NUMBER), &a);
    long y = ase_rb_long(valueOf(static_cast<CAseLinkDsc *>(other)->m_attrs, ASE_ATTR_NUMBER), &b);
    return a && b && x == y;
}

/* ---- Building the list ----------------------------------------------------- */

/* The list becomes attributes 1 to 6 (kind 2: to 8) with their defaults,
** attribute 2 holding the kind. */
void CAseLinkDsc::start(int kind)
{
    ase_hold list;
    resbuf *tail = nullptr;
    int last = kind == ASE_LINK_LISTS ? ASE_ATTR_LIST : ASE_ATTR_KEYS;
    for (int code = ASE_ATTR_NUMBER; code <= last; ++code) {
        resbuf *pair = makeAttr(code);
        (tail ? tail->rbnext : list.rb) = pair;
        tail = lastOf(pair);
    }
    valueOf(list.rb, ASE_ATTR_KIND)->resval.rint = (short)kind;
    ads_relrb(m_attrs);
    m_attrs = list.take();
}

/* Appends the attribute with its default value when the list lacks it. */
void CAseLinkDsc::ensureAttr(int code)
{
    if (findPair(m_attrs, code))
        return;
    resbuf *pair = makeAttr(code);
    if (m_attrs)
        lastOf(m_attrs)->rbnext = pair;
    else
        m_attrs = pair;
}

/* The list value of the code becomes RTLB, the elements (taken over), RTLE. */
void CAseLinkDsc::setListValue(int code, resbuf *elements)
{
    ase_hold inner(elements);
    resbuf *lb = ads_newrb(RTLB), *le = ads_newrb(RTLE);
    if (!lb || !le) {
        ads_relrb(lb);
        ads_relrb(le);
        fail(ASE_CAT_SYSTEM, ASE_ERR_NO_MEMORY);
    }
    resbuf *body = inner.take();
    lb->rbnext = body ? body : le;
    if (body)
        lastOf(body)->rbnext = le;
    setValue(m_attrs, code, lb);
}

/* Starts a link of kind 1 or 2; 1, 0 on failure ((8, 901) another kind). */
int CAseLinkDsc::init(int kind)
{
    if (!init())
        return 0;
    return ase_dsc_guard(m_req, 0, [&] {
        if (kind != ASE_LINK_PLAIN && kind != ASE_LINK_LISTS)
            fail(ASE_CAT_HOST, ASE_ERR_HOST_FAILED);
        start(kind);
        return 1;
    });
}

/* A link of kind 1: attributes 1 to 6, the entity, the name and the keys. */
void CAseLinkDsc::doCreate(const char *lpn, CAsiRow *row, const long *entity)
{
    if (!lpn || !row || row->count() < 1 || no_entity(entity))
        fail(ASE_CAT_HOST, ASE_ERR_HOST_FAILED);
    start(ASE_LINK_PLAIN);
    resbuf *e = valueOf(m_attrs, ASE_ATTR_ENTITY);
    e->resval.rlname[0] = entity[0];
    e->resval.rlname[1] = entity[1];
    doSetName(lpn);
    doSetKeys(row);
}

/* Makes a link of kind 1 for the entity from copies of the values; 1, 0
** on failure ((8, 901) for a missing argument, element or entity). */
int CAseLinkDsc::createFromValues(const char *lpn, CAsiColumn **values, int count, const long *entity)
{
    if (!init())
        return 0;
    return ase_dsc_guard(m_req, 0, [&] {
        if (!lpn || !values || no_entity(entity) || count < 1)
            fail(ASE_CAT_HOST, ASE_ERR_HOST_FAILED);
        std::unique_ptr<CAsiRow> row(rowFromValues(values, count));
        doCreate(lpn, row.get(), entity);
        return 1;
    });
}

/* Makes a link of kind 1 for the entity from the row's values; 1 or 0. */
int CAseLinkDsc::create(const char *lpn, CAsiRow *row, const long *entity)
{
    if (!init())
        return 0;
    return ase_dsc_guard(m_req, 0, [&] {
        doCreate(lpn, row, entity);
        return 1;
    });
}

/* A link of kind 2: attributes 1 to 6 (no entity), the name, the keys, the
** second row's names (and value texts) and the caller's list. */
void CAseLinkDsc::doCreate2(const char *lpn, CAsiRow *row, CAsiRow *second, const resbuf *list)
{
    if (!lpn || !row || row->count() < 1 || !second || second->count() < 1 || !list)
        fail(ASE_CAT_HOST, ASE_ERR_HOST_FAILED);
    start(ASE_LINK_PLAIN);
    valueOf(m_attrs, ASE_ATTR_KIND)->resval.rint = ASE_LINK_LISTS;
    doSetName(lpn);
    doSetKeys(row);
    doSetSecond(second, 1);
    doSetList(list);
}

/* Makes a link of kind 2 from two value arrays and a list; 1 or 0. */
int CAseLinkDsc::create2FromValues(const char *lpn, CAsiColumn **values, int count, CAsiColumn **second,
                                   int secondCount, const resbuf *list)
{
    if (!init())
        return 0;
    return ase_dsc_guard(m_req, 0, [&] {
        if (!lpn || !values || count < 1 || !second || secondCount < 1 || !list)
            fail(ASE_CAT_HOST, ASE_ERR_HOST_FAILED);
        std::unique_ptr<CAsiRow> a(rowFromValues(values, count));
        std::unique_ptr<CAsiRow> b(rowFromValues(second, secondCount));
        doCreate2(lpn, a.get(), b.get(), list);
        return 1;
    });
}

/* Makes a link of kind 2 from two rows and a list; 1 or 0. */
int CAseLinkDsc::create2(const char *lpn, CAsiRow *row, CAsiRow *second, const resbuf *list)
{
    if (!init())
        return 0;
    return ase_dsc_guard(m_req, 0, [&] {
        doCreate2(lpn, row, second, list);
        return 1;
    });
}

/* ---- Requests ---------------------------------------------------------------- */

/* Sends the code with args; the reply becomes the attribute list (a host
** reply copied), a point in attribute 6 a list of reals. */
void CAseLinkDsc::replaceFromReply(int code, resbuf *args)
{
    int owned = 0;
    resbuf *r = ask(code, args, m_db, ASE_MODE_PLAIN, &owned);
    ase_hold reply(r, owned);
    resbuf *fresh = owned ? reply.take() : copyChain(reply.rb);
    ads_relrb(m_attrs);
    m_attrs = fresh;
    pointToList(m_attrs);
}

/* Request 32 with (a copy of) the attribute list, which keeps its texts
** when a conversion or the request fails; the host's version replaces it; 1. */
int CAseLinkDsc::write()
{
    return ase_dsc_guard(m_req, 0, [&] {
        check();
        ase_hold args(copyChain(m_attrs));
        replaceFromReply(k_rq_write, args.rb);
        return 1;
    });
}

/* Request 33, as request 32. */
int CAseLinkDsc::request33()
{
    return ase_dsc_guard(m_req, 0, [&] {
        check();
        ase_hold args(copyChain(m_attrs));
        replaceFromReply(k_rq_write33, args.rb);
        return 1;
    });
}

/* Request 28 with a link number after init; the reply becomes the list. */
int CAseLinkDsc::request28(long number)
{
    if (!init())
        return 0;
    return ase_dsc_guard(m_req, 0, [&] {
        ase_hold args(ads_newrb(RTLONG));
        if (!args.rb)
            fail(ASE_CAT_SYSTEM, ASE_ERR_NO_MEMORY);
        args.rb->resval.rlong = (std::int32_t)number;
        replaceFromReply(k_rq_read, args.rb);
        return 1;
    });
}

/* Request 31 with the link number; on T the number becomes -1: 1, else 0. */
int CAseLinkDsc::request31()
{
    return ase_dsc_guard(m_req, 0, [&] {
        check();
        bool ok = false;
        resbuf *num = valueOf(m_attrs, ASE_ATTR_NUMBER);
        long n = ase_rb_long(num, &ok);
        if (!ok)
            fail(ASE_CAT_HOST, ASE_ERR_NOT_READY);
        ase_hold args(ads_newrb(RTLONG));
        if (!args.rb)
            fail(ASE_CAT_SYSTEM, ASE_ERR_NO_MEMORY);
        args.rb->resval.rlong = (std::int32_t)n;
        int owned = 0;
        resbuf *r = ask(k_rq_drop, args.rb, m_db, ASE_MODE_PLAIN, &owned);
        ase_hold reply(r, owned);
        if (reply.rb->restype != RTT)
            return 0;
        num = valueOf(m_attrs, ASE_ATTR_NUMBER);
        if (num->restype == RTREAL)
            num->resval.rreal = -1.0;
        else
            num->resval.rlong = -1;
        return 1;
    });
}

/* ---- Attributes ---------------------------------------------------------------- */

/* Attribute 1 as a long; (8, 902) when absent. */
long CAseLinkDsc::number()
{
    return ase_dsc_guard(m_req, 0L, [&] {
        check();
        bool ok = false;
        long n = ase_rb_long(valueOf(m_attrs, ASE_ATTR_NUMBER), &ok);
        if (!ok)
            fail(ASE_CAT_HOST, ASE_ERR_NOT_READY);
        return n;
    });
}

/* Attribute 2; (8, 902) when absent. */
int CAseLinkDsc::kind()
{
    return ase_dsc_guard(m_req, 0, [&] {
        check();
        resbuf *k = valueOf(m_attrs, ASE_ATTR_KIND);
        if (!k || k->restype != RTSHORT)
            fail(ASE_CAT_HOST, ASE_ERR_NOT_READY);
        return (int)k->resval.rint;
    });
}

/* The link path name into buf (at most size bytes, last one NUL); 1.
** (8, 901) for no buffer or a size below 1, (8, 902) for no name. */
int CAseLinkDsc::getName(char *buf, int size)
{
    return ase_dsc_guard(m_req, 0, [&] {
        check();
        if (!buf || size < 1)
            fail(ASE_CAT_HOST, ASE_ERR_HOST_FAILED);
        buf[0] = 0;
        resbuf *n = valueOf(m_attrs, ASE_ATTR_LPN);
        if (!n || n->restype != RTSTR || !n->resval.rstring || !*n->resval.rstring)
            fail(ASE_CAT_HOST, ASE_ERR_NOT_READY);
        std::strncpy(buf, n->resval.rstring, (std::size_t)size);
        buf[size - 1] = 0;
        return 1;
    });
}

/* Length of the link path name plus 1; (8, 902) for no name. */
int CAseLinkDsc::nameSize()
{
    return ase_dsc_guard(m_req, 0, [&] {
        check();
        resbuf *n = valueOf(m_attrs, ASE_ATTR_LPN);
        if (!n || n->restype != RTSTR || !n->resval.rstring)
            fail(ASE_CAT_HOST, ASE_ERR_NOT_READY);
        return (int)std::strlen(n->resval.rstring) + 1;
    });
}

/* Attribute 5 becomes the text unchanged once a path accepts it as a link
** path name; else the path's error and (8, 901) are raised. */
void CAseLinkDsc::doSetName(const char *text)
{
    if (!text)
        fail(ASE_CAT_HOST, ASE_ERR_HOST_FAILED);
    std::unique_ptr<CAsePath> probe(new CAsePath(m_req));
    if (!probe)
        fail(ASE_CAT_SYSTEM, ASE_ERR_NO_MEMORY);
    if (!probe->setPart(ASE_LVL_LPN, text, 1))
        fail(ASE_CAT_HOST, ASE_ERR_HOST_FAILED);
    resbuf *v = ads_buildlist(RTSTR, text, 0);
    if (!v)
        fail(ASE_CAT_SYSTEM, ASE_ERR_NO_MEMORY);
    setValue(m_attrs, ASE_ATTR_LPN, v);
}

/* Request 13 with the text: the host's path and status; 1 or 0. */
int CAseLinkDsc::setName(const char *text)
{
    return ase_dsc_guard(m_req, 0, [&] {
        check();
        doSetName(text);
        return 1;
    });
}

/* Attribute 4 becomes the entity; (8, 901) for no entity, (8, 914) for a
** link of kind 2, (8, 902) without attribute 4. */
int CAseLinkDsc::setEntity(const long *entity)
{
    return ase_dsc_guard(m_req, 0, [&] {
        check();
        if (no_entity(entity))
            fail(ASE_CAT_HOST, ASE_ERR_HOST_FAILED);
        resbuf *k = valueOf(m_attrs, ASE_ATTR_KIND);
        if (k && k->restype == RTSHORT && k->resval.rint == ASE_LINK_LISTS)
            fail(ASE_CAT_HOST, ASE_ERR_WRONG_KIND);
        resbuf *e = valueOf(m_attrs, ASE_ATTR_ENTITY);
        if (!e || e->restype != RTENAME)
            fail(ASE_CAT_HOST, ASE_ERR_NOT_READY);
        e->resval.rlname[0] = entity[0];
        e->resval.rlname[1] = entity[1];
        return 1;
    });
}

/* The entity of attribute 4 into out (zeroed first); 1, (8, 902) when it
** is absent or empty. */
int CAseLinkDsc::getEntity(long *out)
{
    return ase_dsc_guard(m_req, 0, [&] {
        check();
        if (!out)
            fail(ASE_CAT_HOST, ASE_ERR_HOST_FAILED);
        out[0] = out[1] = 0;
        resbuf *e = valueOf(m_attrs, ASE_ATTR_ENTITY);
        if (!e || e->restype != RTENAME || no_entity(e->resval.rlname))
            fail(ASE_CAT_HOST, ASE_ERR_NOT_READY);
        out[0] = e->resval.rlname[0];
        out[1] = e->resval.rlname[1];
        return 1;
    });
}

/* Attribute 6's list holds the row's values. */
void CAseLinkDsc::doSetKeys(CAsiRow *row)
{
    if (!row || row->count() < 1)
        fail(ASE_CAT_HOST, ASE_ERR_HOST_FAILED);
    CAseDbRow keys(m_req, 0);
    CAseResBuf values(m_req);
    keys.attach(row);
    int ok = keys.valuesToResBuf(values);
    keys.detach();
    if (!ok)
        raise();
    setListValue(ASE_ATTR_KEYS, values.detach());
}

/* Attribute 6 holds the row's values; 1, 0 on failure. */
int CAseLinkDsc::setKeys(CAsiRow *row)
{
    return ase_dsc_guard(m_req, 0, [&] {
        check();
        doSetKeys(row);
        return 1;
    });
}

/* Attribute 6 holds copies of the array's values; 1, 0 on failure. */
int CAseLinkDsc::setKeysFromValues(CAsiColumn **values, int count)
{
    return ase_dsc_guard(m_req, 0, [&] {
        check();
        std::unique_ptr<CAsiRow> row(rowFromValues(values, count));
        doSetKeys(row.get());
        return 1;
    });
}

/* The key values of attribute 6 read into the caller's columns, each
** keeping its type (missing values make the rest null); 1.  (8, 901) for
** a bad array, (8, 902) when attribute 6 is absent or empty. */
int CAseLinkDsc::getKeys(CAsiColumn **values, int count)
{
    return ase_dsc_guard(m_req, 0, [&] {
        check();
        std::unique_ptr<CAsiRow> row(rowFromValues(values, count));
        resbuf *lb = valueOf(m_attrs, ASE_ATTR_KEYS);
        if (!lb || lb->restype != RTLB || !lb->rbnext || lb->rbnext->restype == RTLE)
            fail(ASE_CAT_HOST, ASE_ERR_NOT_READY);
        resbuf *le = lb;
        for (int depth = 0; le; le = le->rbnext) {
            if (le->restype == RTLB)
                ++depth;
            else if (le->restype == RTLE && --depth == 0)
                break;
        }
        CAseResBuf list(m_req);
        list.attach(copyChain(lb->rbnext, le));
        list.first();
        CAseDbRow keys(m_req, 0);
        keys.attach(row.get());
        int ok = keys.setValuesFromResBuf(list);
        keys.detach();
        if (!ok)
            raise();
        for (int i = 0; i < count; ++i)
            values[i]->setValue((*row)[i].value());
        return 1;
    });
}

/* Raises (8, 914) unless the link is of kind 2. */
void CAseLinkDsc::needKind2()
{
    resbuf *k = valueOf(m_attrs, ASE_ATTR_KIND);
    if (!k || k->restype != RTSHORT || k->resval.rint != ASE_LINK_LISTS)
        fail(ASE_CAT_HOST, ASE_ERR_WRONG_KIND);
}

/* With names set, attribute 7 gets the row's column names; attribute 9 the
** values as texts when not all of them are null. */
void CAseLinkDsc::doSetSecond(CAsiRow *row, int names)
{
    needKind2();
    if (!row || row->count() < 1)
        fail(ASE_CAT_HOST, ASE_ERR_HOST_FAILED);
    CAseDbRow second(m_req, 0);
    CAseResBuf nameList(m_req), textList(m_req);
    second.attach(row);
    int ok = !names || second.namesToResBuf(nameList);
    int allNull = second.allNull();
    ok = ok && (allNull || second.valuesToTextResBuf(textList, 0));
    second.detach();
    if (!ok)
        raise();
    if (names) {
        ensureAttr(ASE_ATTR_NAMES);
        setListValue(ASE_ATTR_NAMES, nameList.detach());
    }
    if (!allNull) {
        ensureAttr(ASE_ATTR_TEXTS);
        setListValue(ASE_ATTR_TEXTS, textList.detach());
    }
}

/* Kind 2: attributes 7 and 9 from the row; 1, 0 on failure. */
int CAseLinkDsc::setSecond(CAsiRow *row)
{
    return ase_dsc_guard(m_req, 0, [&] {
        check();
        doSetSecond(row, 1);
        return 1;
    });
}

/* Kind 2: attributes 7 and 9 from a value array; 1, 0 on failure. */
int CAseLinkDsc::setSecondFromValues(CAsiColumn **values, int count)
{
    return ase_dsc_guard(m_req, 0, [&] {
        check();
        needKind2();
        std::unique_ptr<CAsiRow> row(rowFromValues(values, count));
        doSetSecond(row.get(), 1);
        return 1;
    });
}

/* Kind 2: attribute 9 from the row; 1, 0 on failure. */
int CAseLinkDsc::setSecondValues(CAsiRow *row)
{
    return ase_dsc_guard(m_req, 0, [&] {
        check();
        doSetSecond(row, 0);
        return 1;
    });
}

/* Kind 2: attribute 9 from a value array; 1, 0 on failure. */
int CAseLinkDsc::setSecondValuesFromValues(CAsiColumn **values, int count)
{
    return ase_dsc_guard(m_req, 0, [&] {
        check();
        needKind2();
        std::unique_ptr<CAsiRow> row(rowFromValues(values, count));
        doSetSecond(row.get(), 0);
        return 1;
    });
}

/* Attribute 8 gets a copy of the caller's chain inside RTLB .. RTLE. */
void CAseLinkDsc::doSetList(const resbuf *chain)
{
    needKind2();
    if (!chain)
        fail(ASE_CAT_HOST, ASE_ERR_HOST_FAILED);
    resbuf *copy = copyChain(chain);
    ensureAttr(ASE_ATTR_LIST);
    setListValue(ASE_ATTR_LIST, copy);
}

/* Kind 2: attribute 8 holds a copy of the chain; 1, 0 on failure. */
int CAseLinkDsc::setList(const resbuf *chain)
{
    return ase_dsc_guard(m_req, 0, [&] {
        check();
        doSetList(chain);
        return 1;
    });
}

/* The second row of a kind-2 link: columns named by attribute 7 holding
** attribute 9's values, as a calloc array of column copies and its count.
** 1; 0 with the outputs null and 0 on failure, also when a copy cannot be
** allocated. */
int CAseLinkDsc::getSecond(CAsiColumn ***array, int *count)
{
    return ase_dsc_guard(m_req, 0, [&] {
        check();
        if (!array || !count)
            fail(ASE_CAT_HOST, ASE_ERR_HOST_FAILED);
        *array = nullptr;
        *count = 0;
        needKind2();
        resbuf *names = valueOf(m_attrs, ASE_ATTR_NAMES);
        if (!names || names->restype != RTLB)
            fail(ASE_CAT_HOST, ASE_ERR_NOT_READY);
        CAseDbRow row(m_req, 0);
        CAseResBuf nameList(m_req);
        nameList.attach(copyChain(names->rbnext, nextPair(findPair(m_attrs, ASE_ATTR_NAMES))));
        nameList.first();
        int ok = row.fromNames(nameList);
        resbuf *texts = valueOf(m_attrs, ASE_ATTR_TEXTS);
        if (ok && texts && texts->restype == RTLB) {
            CAseResBuf textList(m_req);
            textList.attach(copyChain(texts->rbnext, nextPair(findPair(m_attrs, ASE_ATTR_TEXTS))));
            textList.first();
            ok = row.setValuesFromResBuf(textList);
        }
        if (!ok)
            raise();
        std::unique_ptr<CAsiRow> engine(row.row());
        row.detach();
        int n = engine ? engine->count() : 0;
        if (n < 1)
            return 1;
        CAsiColumn **out = ase_dsc_column_array(n);
        if (!out)
            fail(ASE_CAT_SYSTEM, ASE_ERR_NO_MEMORY);
        for (int i = 0; i < n; ++i)
            if (!(out[i] = ase_dsc_column_copy((*engine)[i]))) {
                for (int k = 0; k < i; ++k)
                    delete out[k];
                std::free(out);
                fail(ASE_CAT_SYSTEM, ASE_ERR_NO_MEMORY);
            }
        *array = out;
        *count = n;
        return 1;
    });
}

/* The host's text of attribute 10 into buf; 1 when present and not empty,
** else 0 without an error; (8, 901) for no buffer or a size below 1. */
int CAseLinkDsc::getText(char *buf, int size)
{
    return ase_dsc_guard(m_req, 0, [&] {
        check();
        if (!buf || size < 1)
            fail(ASE_CAT_HOST, ASE_ERR_HOST_FAILED);
        buf[0] = 0;
        resbuf *t = valueOf(m_attrs, ASE_ATTR_TEXT);
        if (!t || t->restype != RTSTR || !t->resval.rstring || !*t->resval.rstring)
            return 0;
        std::strncpy(buf, t->resval.rstring, (std::size_t)size);
        buf[size - 1] = 0;
        return 1;
    });
}

/* 1 when attribute 3 is present and not 0; failures give 0. */
int CAseLinkDsc::flag3()
{
    return ase_dsc_guard(m_req, 0, [&] {
        check();
        resbuf *f = valueOf(m_attrs, ASE_ATTR_FLAG);
        return (f && f->restype == RTSHORT && f->resval.rint != 0) ? 1 : 0;
    });
}

/* With a chain the attribute's value becomes a copy of it; without one the
** pair is removed; 1. */
int CAseLinkDsc::setAttr(int code, const resbuf *chain)
{
    return ase_dsc_guard(m_req, 0, [&] {
        check();
        if (!chain) {
            m_attrs = removePair(m_attrs, findPair(m_attrs, code));
            return 1;
        }
        setValue(m_attrs, code, copyChain(chain));
        return 1;
    });
}

/* A copy of the attribute's value elements for the caller; (8, 902) when
** the attribute is missing. */
resbuf *CAseLinkDsc::getAttr(int code)
{
    return ase_dsc_guard(m_req, static_cast<resbuf *>(nullptr), [&] {
        check();
        resbuf *pair = findPair(m_attrs, code);
        if (!pair)
            fail(ASE_CAT_HOST, ASE_ERR_NOT_READY);
        return copyChain(pair->rbnext, nextPair(pair));
    });
}

/* Keeps the drawing of the requests (null for the current one); 1. */
int CAseLinkDsc::setDatabase(AcDbDatabase *db)
{
    m_db = db == acdbCurDwg() ? nullptr : db;
    return 1;
}

/* The drawing of the requests. */
AcDbDatabase *CAseLinkDsc::database() const
{
    return m_db ? m_db : acdbCurDwg();
}
