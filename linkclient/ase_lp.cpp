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
    check();
    std::unique_ptr<CAsePathDsc> copy(new CAsePathDsc(channel()));
    if (!copy)
        fail(ASE_CAT_SYSTEM, ASE_ERR_NO_MEMORY);
    copy->copyFrom(this);
    return copy.release();
}

/* Another link path descriptor that passes its check: this one initialised,
** then the base part, the path and the drawing copied.  (8, 901) raised
** for another kind or a failed check. */
int CAsePathDsc::copyFrom(CAseDsc *other)
{
    if (other == this)
        return 1;
    if (!other || !ase_dsc_guard(other->req(), 0, [&] { return other->check(); }) || other->type() != ASE_DSC_PATH)
        fail(ASE_CAT_HOST, ASE_ERR_HOST_FAILED);
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
    if (!other || !ase_dsc_guard(other->req(), 0, [&] { return other->check(); }) || other->type() != ASE_DSC_PATH)
        fail(ASE_CAT_HOST, ASE_ERR_HOST_FAILED);
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
        if (!other || !ase_dsc_guard(other->req(), 0, [&] { return other->check(); }) || other->type() != ASE_DSC_PATH)
            fail(ASE_CAT_HOST, ASE_ERR_HOST_FAILED);
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
        CAseDbRow row(m_req, 0);
        CAseResBuf list(m_req);
        list.attach(reply.rb);
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
        try {
            for (int i = 0; i < n; ++i)
                if (!(out[i] = ase_dsc_column_copy((*engine)[i])))
                    fail(ASE_CAT_SYSTEM, ASE_ERR_NO_MEMORY);
        } catch (...) {
            for (int i = 0; i < n; ++i)
                delete out[i];
            std::free(out);
            throw;
        }
        *array = out;
        *count = n;
        return 1;
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
