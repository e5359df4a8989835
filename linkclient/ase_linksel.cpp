/*
** ase_linksel.cpp: the link selection descriptor: the selection filter,
** selecting (34) and adding (43) links, the requests on the selection (35
** to 42, 44 to 47, 49 to 51, 84 to 86) and dropping it (48).
**
** Replies of numbers come as RTREAL and are cut to integers; T means
** success.  A descriptor holds at most one selection of the store: every
** new selection drops the one held first.
*/
#include "linkclient/ase_linksel.h"

#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include "linkclient/ase_app.h"
#include "linkclient/ase_dbrow.h"
#include "linkclient/ase_lp.h"
#include "linkclient/ase_path.h"
#include "linkclient/ase_resbuf.h"
#include "platform/include/ase_service.h"
#include "sqlclient/asi_row.h"

namespace {

/* Request codes of the link selection descriptor. */
constexpr int k_rq_select = 34;
constexpr int k_rq_count = 35;
constexpr int k_rq_list = 44;
constexpr int k_rq_list45 = 45;
constexpr int k_rq_selset = 46;
constexpr int k_rq_erase = 47;
constexpr int k_rq_release = 48;
constexpr int k_rq_copy = 49;
constexpr int k_rq_request50 = 50;
constexpr int k_rq_equal = 51;
constexpr int k_rq_add = 43;
constexpr int k_rq_text = 84;
constexpr int k_rq_values = 85;
constexpr int k_rq_entity = 86;

/* True for a name given with a word not 0. */
bool given(const long *n) noexcept
{
    return n && (n[0] != 0 || n[1] != 0);
}

/* The number of an RTREAL reply cut to an integer (another reply: -1). */
long real_of(const resbuf *rb) noexcept
{
    if (!rb || rb->restype != RTREAL)
        return -1;
    double v = rb->resval.rreal;
    return (v > -2147483648.0 && v < 2147483648.0) ? (long)v : -1;
}

} // namespace

/* Under a connected application the descriptor is initialised at once;
** (8, 901) is thrown otherwise. */
CAseLinkSelDsc::CAseLinkSelDsc(CAseDsc *parent) : CAseDsc(parent), m_sel(ASE_NO_SELECTION), m_db(nullptr)
{
    CAseAppDsc *ch = channel();
    if (!ch || !ase_dsc_guard(ch->req(), 0, [&] { return ch->check(); })) {
        m_req->add(ASE_CAT_HOST, ASE_ERR_HOST_FAILED);
        throw CAseRaised(m_req, ASE_CAT_HOST, ASE_ERR_HOST_FAILED);
    }
    init();
}

/* Drops the selection held, failures swallowed. */
CAseLinkSelDsc::~CAseLinkSelDsc()
{
    ase_dsc_guard(m_req, 0, [&] {
        release();
        return 1;
    });
}

/* Request 48 for the selection held (none: nothing); the field is left to
** the callers. */
void CAseLinkSelDsc::release()
{
    if (m_sel == ASE_NO_SELECTION || !channel())
        return;
    int owned = 0;
    resbuf *r = askSel(k_rq_release, nullptr, ASE_MODE_PLAIN, &owned);
    ase_hold reply(r, owned);
}

/* An argument chain (sel)[(n)] sent with code; the reply. */
resbuf *CAseLinkSelDsc::askSel(int code, const long *n, int mode, int *owned)
{
    ase_hold args(ads_newrb(RTLONG));
    if (!args.rb || (n && !(args.rb->rbnext = ads_newrb(RTLONG))))
        fail(ASE_CAT_SYSTEM, ASE_ERR_NO_MEMORY);
    args.rb->resval.rlong = (std::int32_t)m_sel;
    if (n)
        args.rb->rbnext->resval.rlong = (std::int32_t)*n;
    return ask(code, args.rb, m_db, mode, owned);
}

/* The number of an RTREAL reply; (2, 27) raised for any other reply, so
** that a reply of the wrong type never reads as a selection or a count. */
long CAseLinkSelDsc::numberOf(const resbuf *reply) const
{
    if (!reply || reply->restype != RTREAL || !(reply->resval.rreal > -2147483648.0) ||
        !(reply->resval.rreal < 2147483648.0))
        fail(ASE_CAT_SYSTEM, ASE_ERR_BAD_DATA);
    return real_of(reply);
}

/* The base check, the selection dropped, request 34 without filter: every
** link; 1, 0 on failure. */
int CAseLinkSelDsc::init()
{
    return ase_dsc_guard(m_req, 0, [&] {
        CAseDsc::check();
        release();
        m_sel = ASE_NO_SELECTION;
        int owned = 0;
        resbuf *r = ask(k_rq_select, nullptr, m_db, ASE_MODE_PLAIN, &owned);
        ase_hold reply(r, owned);
        m_sel = numberOf(reply.rb);
        return 1;
    });
}

/* The base check, then (8, 902) without a selection. */
int CAseLinkSelDsc::check()
{
    CAseDsc::check();
    if (m_sel == ASE_NO_SELECTION)
        fail(ASE_CAT_HOST, ASE_ERR_NOT_READY);
    return 1;
}

/* A new selection descriptor on the same channel given a copy of this
** selection (request 49). */
CAseDsc *CAseLinkSelDsc::clone()
{
    return cloneAs<CAseLinkSelDsc>();
}

/* Drops the selection held and takes a copy of the other's (request 49)
** and its drawing; (8, 901) for another kind. */
int CAseLinkSelDsc::copyFrom(CAseDsc *other)
{
    if (other == this)
        return 1;
    requireUsable(other, ASE_DSC_LINKSEL);
    auto *o = static_cast<CAseLinkSelDsc *>(other);
    release();
    m_sel = ASE_NO_SELECTION;
    copyBase(other);
    ase_hold args(ads_newrb(RTLONG));
    if (!args.rb)
        fail(ASE_CAT_SYSTEM, ASE_ERR_NO_MEMORY);
    args.rb->resval.rlong = (std::int32_t)o->m_sel;
    int owned = 0;
    resbuf *r = ask(k_rq_copy, args.rb, o->m_db, ASE_MODE_PLAIN, &owned);
    ase_hold reply(r, owned);
    if (reply.rb->restype != RTREAL)
        raise();
    m_sel = real_of(reply.rb);
    m_db = o->m_db;
    return 1;
}

/* Request 51: 1 when the store answers T for the two selections. */
int CAseLinkSelDsc::isEqual(CAseDsc *other)
{
    check();
    requireUsable(other, ASE_DSC_LINKSEL);
    long n = static_cast<CAseLinkSelDsc *>(other)->m_sel;
    int owned = 0;
    resbuf *r = askSel(k_rq_equal, &n, ASE_MODE_PLAIN, &owned);
    ase_hold reply(r, owned);
    return reply.rb->restype == RTT ? 1 : 0;
}

/* ---- Filters ------------------------------------------------------------------ */

/* The filter chain of the given criteria in their fixed order; the caller
** releases it.  (2, 2) or a row's error raised, the partial chain released. */
resbuf *CAseLinkSelDsc::buildFilter(const ase_filter &f)
{
    CAseResBuf list(m_req);
    auto code = [&](int c) {
        if (!list.append(RTSHORT) || !list.setShort(c))
            fail(ASE_CAT_SYSTEM, ASE_ERR_NO_MEMORY);
    };
    auto text = [&](const char *t) {
        if (!list.appendValue(RTSTR, t))
            fail(ASE_CAT_SYSTEM, ASE_ERR_NO_MEMORY);
    };
    auto name = [&](int type, const long *n) {
        if (!list.append(type) || !list.setAllENames(type, n))
            fail(ASE_CAT_SYSTEM, ASE_ERR_NO_MEMORY);
    };
    auto mark = [&](int type) {
        if (!list.append(type))
            fail(ASE_CAT_SYSTEM, ASE_ERR_NO_MEMORY);
    };
    /* Appends the values (or names, or value texts) of a row. */
    auto rowList = [&](CAsiRow *row, int what) {
        CAseDbRow r(m_req, 0);
        r.attach(row);
        list.last();
        int ok = what == 0 ? r.valuesToResBuf(list) : what == 1 ? r.namesToResBuf(list) : r.valuesToTextResBuf(list, 0);
        r.detach();
        if (!ok)
            raise();
    };
    if (f.text) {
        code(ASE_ATTR_TEXT);
        text(f.text);
    }
    if (given(f.entity)) {
        code(ASE_ATTR_ENTITY);
        name(RTENAME, f.entity);
    }
    if (given(f.selset)) {
        code(ASE_ATTR_SELSET);
        name(RTPICKS, f.selset);
    }
    if (f.lpn) {
        code(ASE_ATTR_LPN);
        text(f.lpn);
    }
    if (f.path) {
        CAsePath *p = f.path->path();
        if (!p)
            fail(ASE_CAT_HOST, ASE_ERR_NOT_READY);
        int n = p->textSize() + 1;
        std::vector<char> buf((std::size_t)n, 0);
        p->buildText(buf.data(), n, ASE_LVL_LPN);
        code(ASE_ATTR_PATH);
        text(buf.data());
    }
    if (f.keys) {
        code(ASE_ATTR_KEYS);
        mark(RTLB);
        rowList(f.keys, 0);
        mark(RTLE);
    }
    if (f.text2) {
        code(ASE_ATTR_TEXT2);
        text(f.text2);
    }
    if (f.namesValues) {
        code(ASE_ATTR_NAMEVALS);
        mark(RTLB);
        rowList(f.namesValues, 1);
        mark(RTLE);
        mark(RTLB);
        rowList(f.namesValues, 2);
        mark(RTLE);
    }
    if (f.kind) {
        code(ASE_ATTR_KIND);
        if (!list.append(RTSHORT) || !list.setShort(f.kind))
            fail(ASE_CAT_SYSTEM, ASE_ERR_NO_MEMORY);
    }
    return list.detach();
}

/* Drops the selection held, then request 34 with the filter in the mode;
** 1 when the store gave a selection.  A failure leaves no selection. */
int CAseLinkSelDsc::select(const resbuf *filter, int mode)
{
    return ase_dsc_guard(m_req, 0, [&] {
        try {
            release();
            m_sel = ASE_NO_SELECTION;
            ase_hold args(copyChain(filter));
            int owned = 0;
            resbuf *r = ask(k_rq_select, args.rb, m_db, mode, &owned);
            ase_hold reply(r, owned);
            m_sel = numberOf(reply.rb);
            return m_sel != ASE_NO_SELECTION ? 1 : 0;
        } catch (...) {
            m_sel = ASE_NO_SELECTION;
            throw;
        }
    });
}

/* Request 43: the links of the filter join the selection; 1 on T. */
int CAseLinkSelDsc::addSelect(const resbuf *filter)
{
    return ase_dsc_guard(m_req, 0, [&] {
        check();
        if (!filter)
            fail(ASE_CAT_HOST, ASE_ERR_HOST_FAILED);
        ase_hold args(ads_newrb(RTLONG));
        if (!args.rb)
            fail(ASE_CAT_SYSTEM, ASE_ERR_NO_MEMORY);
        args.rb->resval.rlong = (std::int32_t)m_sel;
        args.rb->rbnext = copyChain(filter);
        int owned = 0;
        resbuf *r = ask(k_rq_add, args.rb, m_db, ASE_MODE_PLAIN, &owned);
        ase_hold reply(r, owned);
        return reply.rb->restype == RTT ? 1 : 0;
    });
}

/* Checks the criteria the operation is named by ((8, 901) when one is
** missing), builds the filter and selects or adds with it. */
int CAseLinkSelDsc::selectWith(const ase_filter &f, unsigned need, int add, int mode)
{
    resbuf *filter = ase_dsc_guard(m_req, static_cast<resbuf *>(nullptr), [&]() -> resbuf * {
        if (add)
            check();
        else
            CAseDsc::check();
        bool missing = ((need & ASE_NEED_TEXT) && !f.text) || ((need & ASE_NEED_ENTITY) && !given(f.entity)) ||
                       ((need & ASE_NEED_SELSET) && !given(f.selset)) || ((need & ASE_NEED_LPN) && !f.lpn) ||
                       ((need & ASE_NEED_PATH) && !f.path) || ((need & ASE_NEED_KEYS) && !f.keys) ||
                       ((need & ASE_NEED_TEXT2) && !f.text2) || ((need & ASE_NEED_NAMES) && !f.namesValues);
        if (missing)
            fail(ASE_CAT_HOST, ASE_ERR_HOST_FAILED);
        resbuf *built = buildFilter(f);
        if (!built && add)
            fail(ASE_CAT_HOST, ASE_ERR_HOST_FAILED);
        return built;
    });
    if (!filter && (add || m_req->count()))
        return 0;
    ase_hold hold(filter);
    return add ? addSelect(filter) : select(filter, mode);
}

/* selectWith with the key row made from copies of a value array ((8, 901)
** for a missing array, a count below 1 or a null element). */
int CAseLinkSelDsc::selectWithKeys(ase_filter f, unsigned need, int add, CAsiColumn **values, int count)
{
    std::unique_ptr<CAsiRow> row;
    int ok = ase_dsc_guard(m_req, 0, [&] {
        if (add)
            check();
        else
            CAseDsc::check();
        if ((need & ASE_NEED_LPN && !f.lpn) || (need & ASE_NEED_PATH && !f.path))
            fail(ASE_CAT_HOST, ASE_ERR_HOST_FAILED);
        row.reset(rowFromValues(values, count));
        return 1;
    });
    if (!ok)
        return 0;
    f.keys = row.get();
    return selectWith(f, need | ASE_NEED_KEYS, add);
}

/* ---- Reading and working on the selection ------------------------------------ */

/* Request code with (sel)(n): the reply's number. */
int CAseLinkSelDsc::askNumber(int code, long n)
{
    return ase_dsc_guard(m_req, 0, [&] {
        check();
        int owned = 0;
        resbuf *r = askSel(code, &n, ASE_MODE_PLAIN, &owned);
        ase_hold reply(r, owned);
        return (int)numberOf(reply.rb);
    });
}

/* Request code with (sel)[(n)]: 1 on T. */
int CAseLinkSelDsc::askT(int code, const long *n)
{
    return ase_dsc_guard(m_req, 0, [&] {
        check();
        int owned = 0;
        resbuf *r = askSel(code, n, ASE_MODE_PLAIN, &owned);
        ase_hold reply(r, owned);
        return reply.rb->restype == RTT ? 1 : 0;
    });
}

/* Request code with (sel)(selection of another link selection): 1 on T. */
int CAseLinkSelDsc::askOther(int code, CAseDsc *other)
{
    return ase_dsc_guard(m_req, 0, [&] {
        check();
        requireUsable(other);
        long n = other->type() == ASE_DSC_LINKSEL ? static_cast<CAseLinkSelDsc *>(other)->m_sel : ASE_NO_SELECTION;
        int owned = 0;
        resbuf *r = askSel(code, &n, ASE_MODE_PLAIN, &owned);
        ase_hold reply(r, owned);
        return reply.rb->restype == RTT ? 1 : 0;
    });
}

/* Request code with (sel): the reply chain for the caller. */
resbuf *CAseLinkSelDsc::askChain(int code, int mode)
{
    return ase_dsc_guard(m_req, static_cast<resbuf *>(nullptr), [&] {
        check();
        int owned = 0;
        resbuf *r = askSel(code, nullptr, mode, &owned);
        ase_hold reply(r, owned);
        return owned ? reply.take() : copyChain(reply.rb);
    });
}

/* Request 35: the number of links selected (-1 from the store reads 0). */
int CAseLinkSelDsc::linkCount()
{
    return ase_dsc_guard(m_req, 0, [&] {
        check();
        int owned = 0;
        resbuf *r = askSel(k_rq_count, nullptr, ASE_MODE_PLAIN, &owned);
        ase_hold reply(r, owned);
        long n = numberOf(reply.rb);
        return n < 0 ? 0 : (int)n;
    });
}

/* Request 36 with n: the store's number; 0 on failure. */
int CAseLinkSelDsc::request36(long n)
{
    return askNumber(36, n);
}

/* Request 37 with n: 1 on T, else 0. */
int CAseLinkSelDsc::request37(long n)
{
    return askT(37, &n);
}

/* Request 38 with n: 1 on T, else 0. */
int CAseLinkSelDsc::request38(long n)
{
    return askT(38, &n);
}

/* Request 39 with n: the store's number; 0 on failure. */
int CAseLinkSelDsc::request39(long n)
{
    return askNumber(39, n);
}

/* Request 40 with another selection: 1 on T, else 0. */
int CAseLinkSelDsc::request40(CAseDsc *other)
{
    return askOther(40, other);
}

/* Request 41 with another selection: 1 on T, else 0. */
int CAseLinkSelDsc::request41(CAseDsc *other)
{
    return askOther(41, other);
}

/* Request 42 with another descriptor that passes its check (a link
** selection gives its selection number, any other kind -1). */
int CAseLinkSelDsc::request42(CAseDsc *dsc)
{
    return askOther(42, dsc);
}

/* Request 44 (mode 1): the selection's list for the caller. */
resbuf *CAseLinkSelDsc::copySelectionList()
{
    return askChain(k_rq_list, ASE_MODE_ONE);
}

/* Request 45: the reply chain for the caller; null on failure. */
resbuf *CAseLinkSelDsc::copyReply45()
{
    return askChain(k_rq_list45, ASE_MODE_PLAIN);
}

/* Request 46: the reply's name into out; 1.  (8, 901) for a null out. */
int CAseLinkSelDsc::getSelSet(long *out)
{
    return ase_dsc_guard(m_req, 0, [&] {
        check();
        if (!out)
            fail(ASE_CAT_HOST, ASE_ERR_HOST_FAILED);
        int owned = 0;
        resbuf *r = askSel(k_rq_selset, nullptr, ASE_MODE_PLAIN, &owned);
        ase_hold reply(r, owned);
        out[0] = reply.rb->resval.rlname[0];
        out[1] = reply.rb->resval.rlname[1];
        return 1;
    });
}

/* Request 47: on T the selected links are gone with the selection; 1. */
int CAseLinkSelDsc::erase()
{
    return ase_dsc_guard(m_req, 0, [&] {
        check();
        int owned = 0;
        resbuf *r = askSel(k_rq_erase, nullptr, ASE_MODE_PLAIN, &owned);
        ase_hold reply(r, owned);
        if (reply.rb->restype != RTT)
            return 0;
        m_sel = ASE_NO_SELECTION;
        return 1;
    });
}

/* Request 50; 1 whatever the reply. */
int CAseLinkSelDsc::request50()
{
    return ase_dsc_guard(m_req, 0, [&] {
        check();
        int owned = 0;
        resbuf *r = askSel(k_rq_request50, nullptr, ASE_MODE_PLAIN, &owned);
        ase_hold reply(r, owned);
        return 1;
    });
}

/* Request 84: the text of link n into buf, cut to size - 1 bytes and
** terminated; 1 for an RTSTR reply, else 0.  (8, 901) for no buffer or a
** size below 1. */
int CAseLinkSelDsc::getLinkText(long n, char *buf, int size)
{
    return ase_dsc_guard(m_req, 0, [&] {
        check();
        if (!buf || size < 1)
            fail(ASE_CAT_HOST, ASE_ERR_HOST_FAILED);
        buf[0] = 0;
        int owned = 0;
        resbuf *r = askSel(k_rq_text, &n, ASE_MODE_PLAIN, &owned);
        ase_hold reply(r, owned);
        if (reply.rb->restype != RTSTR || !reply.rb->resval.rstring)
            return 0;
        std::strncpy(buf, reply.rb->resval.rstring, (std::size_t)size - 1);
        buf[size - 1] = 0;
        return 1;
    });
}

/* Request 85: the values of link n into the caller's row; 1.  (8, 901)
** for no row or a row without columns. */
int CAseLinkSelDsc::getLinkValues(long n, CAsiRow *row)
{
    return ase_dsc_guard(m_req, 0, [&] {
        check();
        if (!row || row->count() < 1)
            fail(ASE_CAT_HOST, ASE_ERR_HOST_FAILED);
        int owned = 0;
        resbuf *r = askSel(k_rq_values, &n, ASE_MODE_PLAIN, &owned);
        ase_hold reply(r, owned);
        CAseResBuf list(m_req);
        list.attach(reply.rb);
        list.first();
        CAseDbRow values(m_req, 0);
        values.attach(row);
        int ok = values.setValuesFromResBuf(list);
        values.detach();
        list.detach();
        if (!ok)
            raise();
        return 1;
    });
}

/* Request 86: the entity of link n into out; 1 for an RTENAME reply. */
int CAseLinkSelDsc::getLinkEntity(long n, long *out)
{
    return ase_dsc_guard(m_req, 0, [&] {
        check();
        if (!out)
            fail(ASE_CAT_HOST, ASE_ERR_HOST_FAILED);
        int owned = 0;
        resbuf *r = askSel(k_rq_entity, &n, ASE_MODE_PLAIN, &owned);
        ase_hold reply(r, owned);
        if (reply.rb->restype != RTENAME)
            return 0;
        out[0] = reply.rb->resval.rlname[0];
        out[1] = reply.rb->resval.rlname[1];
        return 1;
    });
}

/* Keeps the drawing (null for the current one); a selection held is
** dropped and made again in the new drawing: init's result. */
int CAseLinkSelDsc::setDatabase(AcDbDatabase *db)
{
    AcDbDatabase *keep = db == acdbCurDwg() ? nullptr : db;
    if (m_sel == ASE_NO_SELECTION) {
        m_db = keep;
        return 1;
    }
    ase_dsc_guard(m_req, 0, [&] {
        release();
        return 1;
    });
    m_sel = ASE_NO_SELECTION;
    m_db = keep;
    return init();
}
