/*
** ase_lp.cpp: the link path descriptor: changing its path part by part
** with the later parts kept, resolving a name through the host (13, 14,
** 15), the cached status word (10), the link path names (12), the key
** columns (8), registering a link path name with its key columns (20), and
** the path's other requests (5, 11, 16, 17, 18).
**
** A request carries the path text written into a heap buffer of the text's
** size; every argument chain, buffer and client-owned reply is released
** before the operation returns, on failure too.
*/
#include "linkclient/ase_lp.h"

#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "linkclient/ase_app.h"
#include "linkclient/ase_coldsc.h"
#include "linkclient/ase_dbrow.h"
#include "linkclient/ase_path.h"
#include "linkclient/ase_resbuf.h"
#include "platform/include/ase_service.h"
#include "sqlclient/asi_row.h"

namespace {

/* Request codes of the link path descriptor. */
constexpr int k_rq_rename = 5;
constexpr int k_rq_keys = 8;
constexpr int k_rq_status = 10;
constexpr int k_rq_list = 11;
constexpr int k_rq_names = 12;
constexpr int k_rq_resolve = 13;
constexpr int k_rq_resolve14 = 14;
constexpr int k_rq_resolve15 = 15;
constexpr int k_rq_status16 = 16;
constexpr int k_rq_check17 = 17;
constexpr int k_rq_clear18 = 18;
constexpr int k_rq_register = 20;

/* The 16-bit status of a reply's first element, sign-extended; -1 with
** ok false for another element. */
int short_of(const resbuf *rb, bool *ok) noexcept
{
    *ok = rb && rb->restype == RTSHORT;
    return *ok ? (int)(short)rb->resval.rint : -1;
}

} // namespace

/* Under a connected application the descriptor is initialised at once;
** (8, 901) is thrown otherwise. */
CAsePathDsc::CAsePathDsc(CAseDsc *parent) : CAseDsc(parent), m_path(nullptr), m_db(nullptr)
{
    CAseAppDsc *ch = channel();
    if (!ch || !ase_dsc_guard(ch->req(), 0, [&] { return ch->check(); })) {
        m_req->add(ASE_CAT_HOST, ASE_ERR_HOST_FAILED);
        throw CAseRaised(m_req, ASE_CAT_HOST, ASE_ERR_HOST_FAILED);
    }
    init();
}

/* Frees what the descriptor owns; the base part follows. */
CAsePathDsc::~CAsePathDsc()
{
    delete m_path;
    m_path = nullptr;
}

/* The base check, then an empty path (made when missing): 1; 0 on failure. */
int CAsePathDsc::init()
{
    return ase_dsc_guard(m_req, 0, [&] {
        CAseDsc::check();
        if (!m_path && !(m_path = new CAsePath(m_req)))
            return 0;
        m_path->clear();
        return 1;
    });
}

/* The base check, then (8, 902) without a path. */
int CAsePathDsc::check()
{
    CAseDsc::check();
    if (!m_path)
        fail(ASE_CAT_HOST, ASE_ERR_NOT_READY);
    return 1;
}

/* A new descriptor under the same application filled by copyFrom; (2, 2)
** raised without memory. */
CAseDsc *CAsePathDsc::clone()
{
    return cloneAs<CAsePathDsc>();
}

/* Another link path descriptor that passes its check: this one initialised,
** then the base part, the path and the drawing copied.  (8, 901) raised
** for another kind or a failed check. */
int CAsePathDsc::copyFrom(CAseDsc *other)
{
    if (other == this)
        return 1;
    requireUsable(other, ASE_DSC_PATH);
    auto *o = static_cast<CAsePathDsc *>(other);
    if (!init())
        raise();
    CAseDsc::copyFrom(other);
    if (!m_path->copyFrom(o->m_path))
        raise();
    m_db = o->m_db;
    return 1;
}

/* 1 when both pass their checks and their paths compare equal. */
int CAsePathDsc::isEqual(CAseDsc *other)
{
    check();
    requireUsable(other, ASE_DSC_PATH);
    return m_path->compare(static_cast<CAsePathDsc *>(other)->m_path) == 0;
}

/* ---- The path ------------------------------------------------------------ */

/* Fills target from text by the level table: one part (later parts kept
** from previous), the whole text (0, 6), the text with the previous LPN
** (7), catalog to table aligned to the right with the previous LPN (8). */
int CAsePathDsc::fill(CAsePath &target, const char *text, int level, const CAsePath *previous)
{
    const char *lpn = previous ? previous->part(ASE_LVL_LPN) : nullptr;
    switch (level) {
    case 0: case ASE_FORM_WHOLE:
        return target.setText(text, ASE_LVL_ENV);
    case ASE_FORM_NO_LPN:
        return target.setText(text, ASE_LVL_ENV) && target.setPart(ASE_LVL_LPN, lpn, 1);
    case ASE_FORM_SQL: {
        if (!target.setText(text, ASE_LVL_CAT))
            return 0;
        if (!target.part(ASE_LVL_TABLE)) {
            std::string cat = target.part(ASE_LVL_CAT) ? target.part(ASE_LVL_CAT) : "";
            std::string sch = target.part(ASE_LVL_SCHEMA) ? target.part(ASE_LVL_SCHEMA) : "";
            int ok = target.storePart(ASE_LVL_CAT, "");
            if (!sch.empty())
                ok = ok && target.storePart(ASE_LVL_SCHEMA, cat.c_str()) && target.storePart(ASE_LVL_TABLE, sch.c_str());
            else if (!cat.empty())
                ok = ok && target.storePart(ASE_LVL_SCHEMA, "") && target.storePart(ASE_LVL_TABLE, cat.c_str());
            if (!ok)
                return 0;
        }
        return target.setPart(ASE_LVL_LPN, lpn, 1);
    }
    default: {
        int r = target.setPart(level, text, 1);
        if (r && previous && level >= ASE_LVL_ENV && level <= ASE_LVL_TABLE)
            for (int k = level + 1; k <= ASE_LVL_LPN; ++k)
                r = target.setPart(k, previous->part(k), 1);
        return r;
    }
    }
}

/* Sets part `level` (or a form of the text) from text, the status dropped;
** 1.  On failure the previous path is back (status 0) and the error is
** raised: 0 at the C interface. */
int CAsePathDsc::setPart(const char *text, int level)
{
    return ase_dsc_guard(m_req, 0, [&] {
        check();
        if (!text)
            fail(ASE_CAT_HOST, ASE_ERR_HOST_FAILED);
        m_path->setStatus(0);
        std::unique_ptr<CAsePath> previous(new CAsePath(m_req));
        if (!previous)
            fail(ASE_CAT_SYSTEM, ASE_ERR_NO_MEMORY);
        if (!previous->copyFrom(m_path))
            raise();
        if (fill(*m_path, text, level, previous.get()) != 1) {
            m_path->copyFrom(previous.get());
            m_path->setStatus(0);
            raise();
        }
        return 1;
    });
}

/* Requests 13, 14 (with a text) and 15 (without): the descriptor is first
** initialised; the reply's path and status become the path. */
int CAsePathDsc::resolve(int code, const char *text, int needsText)
{
    if (!init())
        return 0;
    return ase_dsc_guard(m_req, 0, [&] {
        if (needsText && !text)
            fail(ASE_CAT_HOST, ASE_ERR_HOST_FAILED);
        ase_hold args(needsText ? ads_buildlist(RTSTR, text, 0) : nullptr);
        if (needsText && !args.rb)
            fail(ASE_CAT_SYSTEM, ASE_ERR_NO_MEMORY);
        int owned = 0;
        resbuf *r = ask(code, args.rb, m_db, ASE_MODE_PLAIN, &owned);
        ase_hold reply(r, owned);
        const resbuf *cursor = reply.rb;
        if (m_path->fromReply(cursor) <= 0)
            raise();
        return 1;
    });
}

/* Request 13 with the text: the host's path and status; 1 or 0. */
int CAsePathDsc::setName(const char *text)
{
    return resolve(k_rq_resolve, text, 1);
}

/* Request 14 with the text, as request 13; 1 or 0. */
int CAsePathDsc::request14(const char *text)
{
    return resolve(k_rq_resolve14, text, 1);
}

/* Request 15 without arguments, as request 13; 1 or 0. */
int CAsePathDsc::request15()
{
    return resolve(k_rq_resolve15, nullptr, 0);
}

/* A form of the path text into buf (emptied first, last byte NUL); 1, 0
** for an empty text or one that did not fit ((1, 10)), (8, 901) for no
** buffer or a size below 1. */
int CAsePathDsc::getText(char *buf, int size, int form)
{
    return ase_dsc_guard(m_req, 0, [&] {
        check();
        if (!buf || size < 1)
            fail(ASE_CAT_HOST, ASE_ERR_HOST_FAILED);
        buf[0] = 0;
        int ok = 1;
        if (form == 0 || form == ASE_FORM_WHOLE)
            ok = m_path->buildText(buf, size, ASE_LVL_LPN);
        else if (form == ASE_FORM_NO_LPN)
            ok = m_path->buildText(buf, size, ASE_LVL_TABLE);
        else if (form == ASE_FORM_SQL)
            ok = m_path->sqlTableName(buf, size);
        else if (m_path->part(form))
            std::strncpy(buf, m_path->part(form), (std::size_t)size);
        buf[size - 1] = 0;
        if (ok != 1)
            fail(ASE_CAT_ARGUMENT, ASE_ERR_BUFFER_SMALL);
        return buf[0] ? 1 : 0;
    });
}

/* Bytes a form of the text needs with its NUL, at least 1; 0 on failure. */
int CAsePathDsc::textLength(int form)
{
    return ase_dsc_guard(m_req, 0, [&] {
        check();
        int n = m_path->formSize(form);
        return n ? n : 1;
    });
}

/* 1 when a path read from text by the level table equals this one in the
** form; 0 otherwise and on failure. */
int CAsePathDsc::matches(const char *text, int form)
{
    return ase_dsc_guard(m_req, 0, [&] {
        check();
        if (!text)
            fail(ASE_CAT_HOST, ASE_ERR_HOST_FAILED);
        std::unique_ptr<CAsePath> scratch(new CAsePath(m_req));
        if (!scratch)
            fail(ASE_CAT_SYSTEM, ASE_ERR_NO_MEMORY);
        int ok = fill(*scratch, text, form, nullptr);
        if (ok && form == ASE_FORM_NO_LPN)
            ok = scratch->storePart(ASE_LVL_LPN, "");
        if (!ok)
            raise();
        return m_path->compareTo(form, scratch.get()) == 0 ? 1 : 0;
    });
}

/* 1 when the two paths are equal in the form; 0 otherwise and on failure
** ((8, 901) for a missing or unusable other). */
int CAsePathDsc::compare(CAseDsc *other, int form)
{
    return ase_dsc_guard(m_req, 0, [&] {
        check();
        requireUsable(other, ASE_DSC_PATH);
        return m_path->compareTo(form, static_cast<CAsePathDsc *>(other)->m_path) == 0 ? 1 : 0;
    });
}

/* The path's level, 5 when it has an LPN; 0 on failure. */
int CAsePathDsc::level()
{
    return ase_dsc_guard(m_req, 0, [&] {
        check();
        int n = m_path->level();
        return (n == ASE_LVL_TABLE && m_path->part(ASE_LVL_LPN)) ? ASE_LVL_LPN : n;
    });
}

/* ---- Requests --------------------------------------------------------------- */

/* An argument chain of one RTSTR: the path text up to level upTo. */
resbuf *CAsePathDsc::pathArg(int upTo)
{
    int n = m_path->textSize() + 1;
    std::vector<char> text((std::size_t)n, 0);
    m_path->buildText(text.data(), n, upTo);
    resbuf *rb = ads_buildlist(RTSTR, text.data(), 0);
    if (!rb)
        fail(ASE_CAT_SYSTEM, ASE_ERR_NO_MEMORY);
    return rb;
}

/* Sends the whole path text with code; the reply's 16-bit value becomes
** the cached status and the answer ((2, 27) raised for another reply). */
int CAsePathDsc::askStatus(int code, int mode)
{
    ase_hold args(pathArg(ASE_LVL_LPN));
    int owned = 0;
    resbuf *r = ask(code, args.rb, m_db, mode, &owned);
    ase_hold reply(r, owned);
    bool ok = false;
    int status = short_of(reply.rb, &ok);
    if (!ok)
        fail(ASE_CAT_SYSTEM, ASE_ERR_BAD_DATA);
    m_path->setStatus(status);
    return status;
}

/* Sends the whole path text with code; 1 when the reply is T, else 0. */
int CAsePathDsc::askT(int code, int mode)
{
    ase_hold args(pathArg(ASE_LVL_LPN));
    int owned = 0;
    resbuf *r = ask(code, args.rb, m_db, mode, &owned);
    ase_hold reply(r, owned);
    return reply.rb->restype == RTT ? 1 : 0;
}

/* The cached status, or request 10 when none is cached; 0 on failure. */
int CAsePathDsc::status()
{
    return ase_dsc_guard(m_req, 0, [&] {
        check();
        if (m_path->getStatus())
            return m_path->getStatus();
        return askStatus(k_rq_status, ASE_MODE_PLAIN);
    });
}

/* Request 16: the reply's value becomes the cached status; 1. */
int CAsePathDsc::request16()
{
    return ase_dsc_guard(m_req, 0, [&] {
        check();
        askStatus(k_rq_status16, ASE_MODE_PLAIN);
        return 1;
    });
}

/* Request 17 (mode 1): 1 when the host answers T. */
int CAsePathDsc::request17()
{
    return ase_dsc_guard(m_req, 0, [&] {
        check();
        return askT(k_rq_check17, ASE_MODE_ONE);
    });
}

/* Request 18 (mode 1): on T the cached status loses flag 2; 1, else 0. */
int CAsePathDsc::request18()
{
    return ase_dsc_guard(m_req, 0, [&] {
        check();
        if (!askT(k_rq_clear18, ASE_MODE_ONE))
            return 0;
        m_path->setStatus(m_path->getStatus() & ~ASE_STATUS_NAMES);
        return 1;
    });
}

/* Request 8 with the LPN: the key columns as a new calloc array of column
** copies and their count.  1; 0 on failure with the outputs null and 0
** ((2, 13) without an LPN, (2, 2) when the array or a copy cannot be
** allocated: no half-filled array is handed out). */
int CAsePathDsc::keyColumns(CAsiColumn ***array, int *count)
{
    return ase_dsc_guard(m_req, 0, [&] {
        check();
        if (!array || !count)
            fail(ASE_CAT_HOST, ASE_ERR_HOST_FAILED);
        *array = nullptr;
        *count = 0;
        const char *lpn = m_path->part(ASE_LVL_LPN);
        if (!lpn)
            fail(ASE_CAT_SYSTEM, ASE_ERR_NO_LPN);
        ase_hold args(ads_buildlist(RTSTR, lpn, 0));
        if (!args.rb)
            fail(ASE_CAT_SYSTEM, ASE_ERR_NO_MEMORY);
        int owned = 0;
        resbuf *r = ask(k_rq_keys, args.rb, m_db, ASE_MODE_PLAIN, &owned);
        ase_hold reply(r, owned);
        return columnsOut(reply.rb, array, count);
    });
}

/* Request 20 for the row: path to table, LPN, then per key column its full
** description followed by its value; the reply's value is cached. */
void CAsePathDsc::doCreate(CAsiRow *row)
{
    if (!row || row->count() < 1)
        fail(ASE_CAT_HOST, ASE_ERR_HOST_FAILED);
    const char *lpn = m_path->part(ASE_LVL_LPN);
    if (!lpn)
        fail(ASE_CAT_SYSTEM, ASE_ERR_NO_LPN);
    CAseResBuf list(m_req);
    {
        ase_hold head(pathArg(ASE_LVL_TABLE));
        if (!list.appendChain(head.take()) || !list.appendValue(RTSTR, lpn))
            fail(ASE_CAT_SYSTEM, ASE_ERR_NO_MEMORY);
    }
    CAseDbRow keys(m_req, 0);
    CAseResBuf values(m_req);
    keys.attach(row);
    int ok = keys.valuesToResBuf(values);
    values.first();
    for (int i = 0; ok && i < row->count(); ++i, values.next()) {
        CAseColDsc *d = keys.colDsc(i);
        ok = d && d->toResBuf(list, 1, 0);
        delete d;
        resbuf *v = ok && values.get(1) ? ase_rb_dup(values.get(1)->restype, values.get(1)) : nullptr;
        if (ok && v) {
            list.last();
            if (!list.appendChain(v)) {
                ads_relrb(v);
                ok = 0;
            }
        } else {
            ok = 0;
        }
    }
    keys.detach();
    if (!ok)
        fail(ASE_CAT_HOST, ASE_ERR_HOST_FAILED);
    int owned = 0;
    resbuf *r = ask(k_rq_register, list.head(), m_db, ASE_MODE_PLAIN, &owned);
    ase_hold reply(r, owned);
    bool isShort = false;
    int status = short_of(reply.rb, &isShort);
    if (!isShort)
        fail(ASE_CAT_SYSTEM, ASE_ERR_BAD_DATA);
    m_path->setStatus(status);
}

/* Registers the LPN with key columns made from copies of the values; 1.
** (8, 901) for no values, a count below 1 or a missing element. */
int CAsePathDsc::createFromValues(CAsiColumn **values, int count)
{
    return ase_dsc_guard(m_req, 0, [&] {
        check();
        if (!values || count < 1)
            fail(ASE_CAT_HOST, ASE_ERR_HOST_FAILED);
        std::unique_ptr<CAsiRow> row(rowFromValues(values, count));
        doCreate(row.get());
        return 1;
    });
}

/* Registers the LPN with the row's columns as key columns; 1. */
int CAsePathDsc::create(CAsiRow *row)
{
    return ase_dsc_guard(m_req, 0, [&] {
        check();
        doCreate(row);
        return 1;
    });
}

/* Request 5 (mode 1) with the LPN and the new name; on T the LPN becomes
** the new name: 1; another reply 0.  (2, 13) when the path has no LPN. */
int CAsePathDsc::renameLpn(const char *newName)
{
    return ase_dsc_guard(m_req, 0, [&] {
        check();
        if (!newName)
            fail(ASE_CAT_HOST, ASE_ERR_HOST_FAILED);
        const char *lpn = m_path->part(ASE_LVL_LPN);
        if (!lpn)
            fail(ASE_CAT_SYSTEM, ASE_ERR_NO_LPN);
        ase_hold args(ads_buildlist(RTSTR, lpn, RTSTR, newName, 0));
        if (!args.rb)
            fail(ASE_CAT_SYSTEM, ASE_ERR_NO_MEMORY);
        int owned = 0;
        resbuf *r = ask(k_rq_rename, args.rb, m_db, ASE_MODE_ONE, &owned);
        ase_hold reply(r, owned);
        if (reply.rb->restype != RTT)
            return 0;
        m_path->setPart(ASE_LVL_LPN, newName, 1);
        return 1;
    });
}

/* Request 12: the link path names within the path, a chain the caller
** releases with ads_relrb; null on failure. */
resbuf *CAsePathDsc::names()
{
    return ase_dsc_guard(m_req, static_cast<resbuf *>(nullptr), [&] {
        check();
        ase_hold args(pathArg(ASE_LVL_LPN));
        int owned = 0;
        resbuf *r = ask(k_rq_names, args.rb, m_db, ASE_MODE_PLAIN, &owned);
        ase_hold reply(r, owned);
        return owned ? reply.take() : copyChain(reply.rb);
    });
}

/* Request 11 with the whole path and a number: the reply chain for the
** caller; null on failure. */
resbuf *CAsePathDsc::request11(int number)
{
    return ase_dsc_guard(m_req, static_cast<resbuf *>(nullptr), [&] {
        check();
        ase_hold args(pathArg(ASE_LVL_LPN));
        resbuf *n = ads_newrb(RTSHORT);
        if (!n)
            fail(ASE_CAT_SYSTEM, ASE_ERR_NO_MEMORY);
        n->resval.rint = (short)number;
        args.rb->rbnext = n;
        int owned = 0;
        resbuf *r = ask(k_rq_list, args.rb, m_db, ASE_MODE_PLAIN, &owned);
        ase_hold reply(r, owned);
        return owned ? reply.take() : copyChain(reply.rb);
    });
}

/* The column descriptions of a reply as a new calloc array of columns and
** their count (none: 1 with null and 0); a description that cannot be read
** raises, and so does an array or copy that cannot be allocated (nothing
** is handed out then). */
int CAsePathDsc::columnsOut(resbuf *reply, CAsiColumn ***array, int *count)
{
    CAseDbRow row(m_req, 0);
    CAseResBuf list(m_req);
    list.attach(reply);
    int ok = row.fromColDscResBuf(list);
    list.detach();
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
}

/* ---- Requests without a caller in the module -------------------------------- */

/* Raises (2, code) when part `level` is missing. */
void CAsePathDsc::need(int level, int code)
{
    if (!m_path->part(level))
        fail(ASE_CAT_SYSTEM, code);
}

/* Appends the path text up to level upTo as RTSTR. */
void CAsePathDsc::addPath(CAseResBuf &args, int upTo)
{
    int n = m_path->textSize() + 1;
    std::vector<char> text((std::size_t)n, 0);
    m_path->buildText(text.data(), n, upTo);
    addText(args, text.data());
}

/* Appends an RTSTR of the text. */
void CAsePathDsc::addText(CAseResBuf &args, const char *text)
{
    args.last();
    if (!args.appendValue(RTSTR, text ? text : ""))
        fail(ASE_CAT_SYSTEM, ASE_ERR_NO_MEMORY);
}

/* Appends an RTLONG or RTSHORT of n. */
void CAsePathDsc::addNumber(CAseResBuf &args, int type, long n)
{
    args.last();
    if (!args.append(type) || !(type == RTLONG ? args.setLong((std::int32_t)n) : args.setShort((int)n)))
        fail(ASE_CAT_SYSTEM, ASE_ERR_NO_MEMORY);
}

/* Appends a row's column descriptions (what 0), values (1) or names (2),
** enclosed in RTLB .. RTLE when asked. */
void CAsePathDsc::addRow(CAseResBuf &args, CAsiRow *row, int what, int enclosed)
{
    if (!row || row->count() < 1)
        fail(ASE_CAT_HOST, ASE_ERR_HOST_FAILED);
    args.last();
    if (enclosed && !args.append(RTLB))
        fail(ASE_CAT_SYSTEM, ASE_ERR_NO_MEMORY);
    CAseDbRow r(m_req, 0);
    r.attach(row);
    int ok = what == 0 ? r.colDscToResBuf(args) : what == 1 ? r.valuesToResBuf(args) : r.namesToResBuf(args);
    r.detach();
    if (!ok)
        fail(ASE_CAT_HOST, ASE_ERR_HOST_FAILED);
    args.last();
    if (enclosed && !args.append(RTLE))
        fail(ASE_CAT_SYSTEM, ASE_ERR_NO_MEMORY);
}

/* Sends the code with the list built; the reply (*owned as the channel's). */
resbuf *CAsePathDsc::send(int code, CAseResBuf &args, int mode, int *owned)
{
    return ask(code, args.head(), m_db, mode, owned);
}

/* Request 21: path to table, LPN and text; the status dropped first, then
** the reply's value cached; 1. */
int CAsePathDsc::request21(const char *text)
{
    return ase_dsc_guard(m_req, 0, [&] {
        check();
        need(ASE_LVL_LPN, ASE_ERR_NO_LPN);
        m_path->setStatus(0);
        CAseResBuf args(m_req);
        addPath(args, ASE_LVL_TABLE);
        addText(args, m_path->part(ASE_LVL_LPN));
        addText(args, text);
        int owned = 0;
        ase_hold reply(send(21, args, ASE_MODE_PLAIN, &owned), owned);
        bool ok = false;
        int status = short_of(reply.rb, &ok);
        if (!ok)
            fail(ASE_CAT_SYSTEM, ASE_ERR_BAD_DATA);
        m_path->setStatus(status);
        return 1;
    });
}

/* Request 22: whole path and LPN; the reply chain for the caller. */
resbuf *CAsePathDsc::request22()
{
    return ase_dsc_guard(m_req, static_cast<resbuf *>(nullptr), [&] {
        check();
        CAseResBuf args(m_req);
        addPath(args, ASE_LVL_LPN);
        addText(args, m_path->part(ASE_LVL_LPN));
        int owned = 0;
        ase_hold reply(send(22, args, ASE_MODE_PLAIN, &owned), owned);
        return owned ? reply.take() : copyChain(reply.rb);
    });
}

/* Request 23: path to table, LPN and the buffer's size; an RTSTR reply is
** copied into buf, cut and terminated: 1; another reply 0. */
int CAsePathDsc::request23(char *buf, int size)
{
    return ase_dsc_guard(m_req, 0, [&] {
        check();
        if (!buf || size < 1)
            fail(ASE_CAT_HOST, ASE_ERR_HOST_FAILED);
        need(ASE_LVL_LPN, ASE_ERR_NO_LPN);
        buf[0] = 0;
        CAseResBuf args(m_req);
        addPath(args, ASE_LVL_TABLE);
        addText(args, m_path->part(ASE_LVL_LPN));
        addNumber(args, RTSHORT, size);
        int owned = 0;
        ase_hold reply(send(23, args, ASE_MODE_PLAIN, &owned), owned);
        if (reply.rb->restype != RTSTR || !reply.rb->resval.rstring)
            return 0;
        std::strncpy(buf, reply.rb->resval.rstring, (std::size_t)size);
        buf[size - 1] = 0;
        return 1;
    });
}

/* Request code with the LPN alone (withText 0) or with path to table,
** LPN and text (withText 1): 1 when the host answers T, else 0. */
int CAsePathDsc::askLpn(int code, const char *text, int withText)
{
    return ase_dsc_guard(m_req, 0, [&] {
        check();
        need(ASE_LVL_LPN, ASE_ERR_NO_LPN);
        CAseResBuf args(m_req);
        if (withText)
            addPath(args, ASE_LVL_TABLE);
        addText(args, m_path->part(ASE_LVL_LPN));
        if (withText)
            addText(args, text);
        int owned = 0;
        ase_hold reply(send(code, args, ASE_MODE_PLAIN, &owned), owned);
        return reply.rb->restype == RTT ? 1 : 0;
    });
}

/* Request 24 with the LPN: 1 on T. */
int CAsePathDsc::request24()
{
    return askLpn(24, nullptr, 0);
}

/* Request 25 with path to table, LPN and text: 1 on T. */
int CAsePathDsc::request25(const char *text)
{
    return askLpn(25, text, 1);
}

/* Request 26 with the LPN: 1 on T. */
int CAsePathDsc::request26()
{
    return askLpn(26, nullptr, 0);
}

/* Request 27 with path to table, LPN and text: 1 on T. */
int CAsePathDsc::request27(const char *text)
{
    return askLpn(27, text, 1);
}

/* Request 70 with the whole path: the column descriptions of the reply as
** a column array and count (as request 8); 1, 0 with null and 0. */
int CAsePathDsc::request70(CAsiColumn ***array, int *count)
{
    return ase_dsc_guard(m_req, 0, [&] {
        check();
        if (!array || !count)
            fail(ASE_CAT_HOST, ASE_ERR_HOST_FAILED);
        *array = nullptr;
        *count = 0;
        CAseResBuf args(m_req);
        addPath(args, ASE_LVL_LPN);
        int owned = 0;
        ase_hold reply(send(70, args, ASE_MODE_PLAIN, &owned), owned);
        return columnsOut(reply.rb, array, count);
    });
}

/* Request 72: whole path and the key lists of two rows made from value
** arrays; an RTREAL reply cut to a long into out: 1, else 0. */
int CAsePathDsc::request72(CAsiColumn **first, int firstCount, CAsiColumn **second, int secondCount, long *out)
{
    return ase_dsc_guard(m_req, 0, [&] {
        check();
        if (!out)
            fail(ASE_CAT_HOST, ASE_ERR_HOST_FAILED);
        std::unique_ptr<CAsiRow> a(rowFromValues(first, firstCount)), b(rowFromValues(second, secondCount));
        CAseResBuf args(m_req);
        addPath(args, ASE_LVL_LPN);
        addRow(args, a.get(), 0, 1);
        addRow(args, b.get(), 0, 1);
        int owned = 0;
        ase_hold reply(send(72, args, ASE_MODE_PLAIN, &owned), owned);
        bool ok = false;
        long n = ase_rb_long(reply.rb, &ok);
        if (reply.rb->restype != RTREAL || !ok)
            return 0;
        *out = n;
        return 1;
    });
}

/* Request 73: whole path, the number and the first row's values; the
** reply's values are assigned to the second row: 1, else raised. */
int CAsePathDsc::request73(long number, CAsiRow *first, CAsiRow *second)
{
    return ase_dsc_guard(m_req, 0, [&] {
        check();
        if (!second || second->count() < 1)
            fail(ASE_CAT_HOST, ASE_ERR_HOST_FAILED);
        CAseResBuf args(m_req);
        addPath(args, ASE_LVL_LPN);
        addNumber(args, RTLONG, number);
        addRow(args, first, 1, 0);
        int owned = 0;
        ase_hold reply(send(73, args, ASE_MODE_PLAIN, &owned), owned);
        CAseResBuf list(m_req);
        list.attach(reply.rb);
        list.first();
        CAseDbRow r(m_req, 0);
        r.attach(second);
        int ok = r.setValuesFromResBuf(list);
        r.detach();
        list.detach();
        if (!ok)
            raise();
        return 1;
    });
}

/* Request 74: whole path and the number; 1 on T. */
int CAsePathDsc::request74(long number)
{
    return ase_dsc_guard(m_req, 0, [&] {
        check();
        CAseResBuf args(m_req);
        addPath(args, ASE_LVL_LPN);
        addNumber(args, RTLONG, number);
        int owned = 0;
        ase_hold reply(send(74, args, ASE_MODE_PLAIN, &owned), owned);
        return reply.rb->restype == RTT ? 1 : 0;
    });
}

/* Request 75: path to table and the key column descriptions of a row made
** from a value array; the reply's value cached; 1. */
int CAsePathDsc::request75(CAsiColumn **values, int count)
{
    return ase_dsc_guard(m_req, 0, [&] {
        check();
        std::unique_ptr<CAsiRow> row(rowFromValues(values, count));
        CAseResBuf args(m_req);
        addPath(args, ASE_LVL_TABLE);
        addRow(args, row.get(), 0, 0);
        int owned = 0;
        ase_hold reply(send(75, args, ASE_MODE_PLAIN, &owned), owned);
        bool ok = false;
        int status = short_of(reply.rb, &ok);
        if (!ok)
            fail(ASE_CAT_SYSTEM, ASE_ERR_BAD_DATA);
        m_path->setStatus(status);
        return 1;
    });
}

/* Request 76 (mode 1) with path to table: on T flag 4 leaves the cached
** status: 1, else 0. */
int CAsePathDsc::request76()
{
    return ase_dsc_guard(m_req, 0, [&] {
        check();
        CAseResBuf args(m_req);
        addPath(args, ASE_LVL_TABLE);
        int owned = 0;
        ase_hold reply(send(76, args, ASE_MODE_ONE, &owned), owned);
        if (reply.rb->restype != RTT)
            return 0;
        m_path->setStatus(m_path->getStatus() & ~ASE_STATUS_FLAG4);
        return 1;
    });
}

/* Requests 77 to 80: path to table, then the key list and value list of
** each row given.  77 and 78 give a number into out, 79 T, 80 the reply's
** values assigned to the named second row. */
int CAsePathDsc::rowsRequest(int code, CAsiColumn **first, int firstCount, CAsiColumn **second, int secondCount,
                             CAsiRow *target, long *out)
{
    return ase_dsc_guard(m_req, 0, [&] {
        check();
        need(ASE_LVL_TABLE, ASE_ERR_NO_TABLE);
        if ((code == 77 || code == 78) && !out)
            fail(ASE_CAT_HOST, ASE_ERR_HOST_FAILED);
        std::unique_ptr<CAsiRow> a(rowFromValues(first, firstCount));
        std::unique_ptr<CAsiRow> b(second ? rowFromValues(second, secondCount) : nullptr);
        CAseResBuf args(m_req);
        addPath(args, ASE_LVL_TABLE);
        addRow(args, a.get(), 0, 1);
        addRow(args, a.get(), 1, 1);
        if (b) {
            addRow(args, b.get(), 0, 1);
            addRow(args, b.get(), 1, 1);
        }
        if (code == 80)
            addRow(args, target, 2, 0);
        int owned = 0;
        ase_hold reply(send(code, args, ASE_MODE_PLAIN, &owned), owned);
        if (code == 79)
            return reply.rb->restype == RTT ? 1 : 0;
        if (code == 80) {
            CAseResBuf list(m_req);
            list.attach(reply.rb);
            list.first();
            CAseDbRow r(m_req, 0);
            r.attach(target);
            int ok = r.setValuesFromResBuf(list);
            r.detach();
            list.detach();
            if (!ok)
                raise();
            return 1;
        }
        bool ok = false;
        long n = ase_rb_long(reply.rb, &ok);
        if (!ok)
            fail(ASE_CAT_SYSTEM, ASE_ERR_BAD_DATA);
        *out = n;
        return 1;
    });
}

/* Request 77 with two rows made from value arrays: the number replied. */
int CAsePathDsc::request77(CAsiColumn **first, int firstCount, CAsiColumn **second, int secondCount, long *out)
{
    if (!second)
        return ase_dsc_guard(m_req, 0, [&]() -> int { fail(ASE_CAT_HOST, ASE_ERR_HOST_FAILED); });
    return rowsRequest(77, first, firstCount, second, secondCount, nullptr, out);
}

/* Request 78 with one row made from a value array: the number replied. */
int CAsePathDsc::request78(CAsiColumn **values, int count, long *out)
{
    return rowsRequest(78, values, count, nullptr, 0, nullptr, out);
}

/* Request 79 with one row made from a value array: 1 on T. */
int CAsePathDsc::request79(CAsiColumn **values, int count)
{
    return rowsRequest(79, values, count, nullptr, 0, nullptr, nullptr);
}

/* Request 80 with a row made from a value array and the names of the
** second row, which receives the reply's values: 1, else raised. */
int CAsePathDsc::request80(CAsiColumn **values, int count, CAsiRow *second)
{
    if (!second || second->count() < 1)
        return ase_dsc_guard(m_req, 0, [&]() -> int { fail(ASE_CAT_HOST, ASE_ERR_HOST_FAILED); });
    return rowsRequest(80, values, count, nullptr, 0, second, nullptr);
}

/* Requests 81 to 83 (mode 1) with the environment (and up to two texts,
** or a number).  81 and 82 drop the cached status on T. */
int CAsePathDsc::envRequest(int code, const char *first, const char *second, long number)
{
    return ase_dsc_guard(m_req, 0, [&] {
        check();
        need(ASE_LVL_ENV, ASE_ERR_NO_ENV);
        CAseResBuf args(m_req);
        addText(args, m_path->part(ASE_LVL_ENV));
        if (code == 81 && first) {
            addText(args, first);
            if (second)
                addText(args, second);
        }
        if (code == 83)
            addNumber(args, RTLONG, number);
        int owned = 0;
        ase_hold reply(send(code, args, ASE_MODE_ONE, &owned), owned);
        if (reply.rb->restype != RTT)
            return 0;
        if (code != 83)
            m_path->setStatus(0);
        return 1;
    });
}

/* Request 81 with the environment and up to two texts: 1 on T. */
int CAsePathDsc::request81(const char *first, const char *second)
{
    return envRequest(81, first, second, 0);
}

/* Request 82 with the environment: 1 on T. */
int CAsePathDsc::request82()
{
    return envRequest(82, nullptr, nullptr, 0);
}

/* Request 83 with the environment and a number: 1 on T. */
int CAsePathDsc::request83(long number)
{
    return envRequest(83, nullptr, nullptr, number);
}

/* Keeps the drawing of the requests (null for the current one); 1. */
int CAsePathDsc::setDatabase(AcDbDatabase *db)
{
    m_db = db == acdbCurDwg() ? nullptr : db;
    return 1;
}
