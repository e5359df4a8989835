/*
** ase_app.cpp: the application descriptor: connecting to the editor's
** link-store service (requests 1 and 64), disconnecting (65), and the
** request channel every descriptor sends through.
**
** One request through the channel, in order: the channel's check; the
** service "Ase_Services" and its object "Ase_Class" looked up; protocol
** operation 2 (mode 1) or 3 (any other mode) and then 7 on the drawing; the
** argument texts converted into the host's code page when converting; the
** request; request 63 with the same arguments, whose error items replace
** the caller's list; a missing reply raises.
*/
#include "linkclient/ase_app.h"

#include <cstdlib>
#include <memory>
#include <cstring>
#include <strings.h>

#include "linkclient/ase_msgfile.h"
#include "linkclient/ase_resbuf.h"
#include "platform/include/ase_service.h"
#include "sqlclient/asi_connection.h"
#include "sqlclient/base/asi_codepage.h"

namespace {

/* Names under which the editor registers its link-store service. */
constexpr const char *k_service = "Ase_Services";
constexpr const char *k_object = "Ase_Class";
constexpr const char *k_classes = "ClassDictionary";
constexpr const char *k_protocol_class = "CAseRxObj";

/* The class record of the service's protocol, cached once found (records
** live as long as the process). */
AcRxClass *g_protocol_class = nullptr;

/* A calloc copy of text; null without memory. */
char *heap_copy(const char *text) noexcept
{
    std::size_t n = std::strlen(text) + 1;
    char *c = static_cast<char *>(std::calloc(n, 1));
    if (c)
        std::memcpy(c, text, n);
    return c;
}

/* Request codes without a caller in the module. */
constexpr int k_rq_request60 = 60;
constexpr int k_rq_first_db = 66;
constexpr int k_rq_last_db = 69;
constexpr int k_rq_first_mode1 = 68;

/* True for a reply that counts as none. */
bool is_none(const resbuf *r) noexcept
{
    return !r || r->restype == RTNIL || r->restype == RTVOID || r->restype == RTNONE;
}

} // namespace

/* Unconnected; its own request object's channel is itself.  0xA008 when
** the child list cannot be made; a missing message file is left to init. */
CAseAppDsc::CAseAppDsc(CAseDsc *parent)
    : CAseDsc(parent), m_hostText(nullptr), m_msgFile(nullptr), m_children(nullptr), m_convert(0),
      m_hostCp(nullptr)
{
    m_children = new (std::nothrow) CAseDscList();
    if (!m_children)
        asi_throw(ASI_ERR_NO_MEMORY, "CAseAppDsc");
    m_req->setChannel(this);
    m_msgFile = new CAseMsgFile(m_req);
}

/* Terminates, then every child loses its channel; the members go. */
CAseAppDsc::~CAseAppDsc()
{
    terminate();
    if (m_children)
        for (CAseDsc *d; (d = m_children->item(0));) {
            d->parentGone();
            m_children->remove(d);
        }
    delete m_msgFile;
    m_msgFile = nullptr;
    delete m_children;
    m_children = nullptr;
}

/* Connects to the service; see the head of the file.  1; 0 on failure with
** the items in the list, the descriptor terminated. */
int CAseAppDsc::init()
{
    return ase_dsc_guard(m_req, 0, [&] {
        try {
            if (!CAseDsc::init() || !m_msgFile)
                fail(ASE_CAT_HOST, ASE_ERR_NOT_READY);
            terminate();
            if (!m_msgFile->open())
                fail(ASE_CAT_HOST, ASE_ERR_NO_MSGFILE);
            CAseRxObj *obj = protocol(m_req);
            const resbuf *r = send(ASE_RQ_CONNECT, nullptr, m_req, obj);
            if (r && r->restype == RTSTR && r->resval.rstring &&
                strcasecmp(r->resval.rstring, asi_current_cp()) != 0) {
                m_convert = 1;
                if (!(m_hostCp = heap_copy(r->resval.rstring)))
                    fail(ASE_CAT_SYSTEM, ASE_ERR_NO_MEMORY);
            }
            const resbuf *t = r ? r->rbnext : nullptr;
            if (!t || t->restype != RTSTR || !t->resval.rstring)
                fail(ASE_CAT_HOST, ASE_ERR_NO_SERVICE);
            if (!m_convert) {
                if (!(m_hostText = heap_copy(t->resval.rstring)))
                    fail(ASE_CAT_SYSTEM, ASE_ERR_NO_MEMORY);
            } else if (!(m_hostText = m_req->convert(t->resval.rstring, m_hostCp, asi_current_cp()))) {
                raise();
            }
            send(ASE_RQ_CONNECTED, nullptr, m_req, obj);
            return 1;
        } catch (...) {
            terminate();
            throw;
        }
    });
}

/* Request 65 when connected (the service's failures swallowed, as items);
** host texts freed, conversion off, message file closed. */
void CAseAppDsc::terminate() noexcept
{
    if (m_req && m_req->channel() && m_hostText)
        ase_dsc_guard(m_req, 0, [&] {
            send(ASE_RQ_DISCONNECT, nullptr, m_req);
            return 1;
        });
    std::free(m_hostText);
    m_hostText = nullptr;
    std::free(m_hostCp);
    m_hostCp = nullptr;
    m_convert = 0;
    if (m_msgFile)
        m_msgFile->close();
}

/* The base check, then the host text: (8, 903) raised without it. */
int CAseAppDsc::check()
{
    CAseDsc::check();
    if (!m_hostText)
        fail(ASE_CAT_HOST, ASE_ERR_NO_SERVICE);
    return 1;
}

/* A new application descriptor without parent filled by copyFrom; null
** when that fails (the copy deleted). */
CAseDsc *CAseAppDsc::clone()
{
    CAseAppDsc *copy = nullptr;
    try {
        copy = new CAseAppDsc(nullptr);
    } catch (...) {
        copy = nullptr;
    }
    if (!copy)
        return nullptr;
    if (!ase_dsc_guard(copy->m_req, 0, [&] { return copy->copyFrom(this); })) {
        delete copy;
        return nullptr;
    }
    return copy;
}

/* For another application descriptor: its host texts (fresh copies), then
** request 64 when it is connected, then the base copy (the channel stays
** this descriptor).  Another kind or the same object: the base copy; null:
** 0. */
int CAseAppDsc::copyFrom(CAseDsc *other)
{
    if (!other)
        return 0;
    if (other != this && other->type() == ASE_DSC_APP) {
        auto *o = static_cast<CAseAppDsc *>(other);
        char *text = o->m_hostText ? heap_copy(o->m_hostText) : nullptr;
        char *cp = o->m_hostCp ? heap_copy(o->m_hostCp) : nullptr;
        if ((o->m_hostText && !text) || (o->m_hostCp && !cp)) {
            std::free(text);
            std::free(cp);
            fail(ASE_CAT_SYSTEM, ASE_ERR_NO_MEMORY);
        }
        std::free(m_hostText);
        std::free(m_hostCp);
        m_hostText = text;
        m_hostCp = cp;
        m_convert = o->m_convert;
        if (m_msgFile && !m_msgFile->isOpen())
            m_msgFile->open();
        if (ase_dsc_guard(o->m_req, 0, [&] { return o->check(); }))
            send(ASE_RQ_CONNECTED, nullptr, m_req);
    }
    int ok = CAseDsc::copyFrom(other);
    m_req->setChannel(this);
    return ok;
}

/* The registry object "Ase_Class" when the service is registered and the
** object's class derives from CAseRxObj; else (8, 903) raised into errs. */
CAseRxObj *CAseAppDsc::protocol(CAseErrList *errs)
{
    if (!acrxServiceIsRegistered(k_service))
        ase_fail(errs, ASE_CAT_HOST, ASE_ERR_NO_SERVICE);
    if (!g_protocol_class) {
        auto *classes = static_cast<AcRxDictionary *>(acrxSysRegistry()->at(k_classes));
        g_protocol_class = classes ? static_cast<AcRxClass *>(classes->at(k_protocol_class)) : nullptr;
    }
    AcRxObject *o = acrxSysRegistry()->at(k_object);
    if (!o || !g_protocol_class || !o->isKindOf(g_protocol_class))
        ase_fail(errs, ASE_CAT_HOST, ASE_ERR_NO_SERVICE);
    return static_cast<CAseRxObj *>(o);
}

/* One raw request to obj (looked up when null); the host's reply, or null
** for none, RTNIL, RTVOID or RTNONE. */
resbuf *CAseAppDsc::send(int code, const resbuf *args, CAseErrList *errs, CAseRxObj *obj)
{
    if (!obj)
        obj = protocol(errs);
    resbuf *r = obj->request(code, args);
    return is_none(r) ? nullptr : r;
}

/* Empties errs, sends request 63 to obj and loads the items of its reply
** (converted when converting); 1 when there was a reply. */
int CAseAppDsc::fetchErrors(CAseErrList *errs, CAseRxObj *obj)
{
    errs->clear();
    resbuf *r = send(ASE_RQ_ERRORS, nullptr, errs, obj);
    if (!r)
        return 0;
    if (m_convert) {
        resbuf *c = fromHost(r, errs);
        if (c)
            errs->loadHostItems(c);
        ads_relrb(c);
    } else {
        errs->loadHostItems(r);
    }
    return 1;
}

/* A client copy of chain with every RTSTR text converted from the host's
** code page into the library's; null when an element fails (the partial
** copy released). */
resbuf *CAseAppDsc::fromHost(const resbuf *chain, CAseErrList *errs) noexcept
{
    resbuf *head = nullptr, *tail = nullptr;
    for (const resbuf *rb = chain; rb; rb = rb->rbnext) {
        resbuf *c = nullptr;
        if (rb->restype == RTSTR && rb->resval.rstring) {
            if ((c = ads_newrb(RTSTR)) &&
                !(c->resval.rstring = errs->convert(rb->resval.rstring, m_hostCp, asi_current_cp()))) {
                ads_relrb(c);
                c = nullptr;
            }
        } else {
            c = ase_rb_dup(rb->restype, rb);
        }
        if (!c) {
            ads_relrb(head);
            return nullptr;
        }
        (tail ? tail->rbnext : head) = c;
        tail = c;
    }
    return head;
}

/* Every RTSTR text of chain converted into the host's code page in place
** (the old text freed); 1, 0 when one fails. */
int CAseAppDsc::toHost(resbuf *chain, CAseErrList *errs) noexcept
{
    for (resbuf *rb = chain; rb; rb = rb->rbnext) {
        if (rb->restype != RTSTR || !rb->resval.rstring)
            continue;
        char *c = errs->convert(rb->resval.rstring, asi_current_cp(), m_hostCp);
        if (!c)
            return 0;
        std::free(rb->resval.rstring);
        rb->resval.rstring = c;
    }
    return 1;
}

/* The request of a descriptor; see the head of the file.  The reply, never
** null; *owned is 1 when it is a client copy (the caller releases it). */
resbuf *CAseAppDsc::request(int code, resbuf *args, CAseErrList *errs, AcDbDatabase *db, int mode, int *owned)
{
    *owned = 0;
    check();
    if (!acrxServiceIsRegistered(k_service))
        ase_fail(errs, ASE_CAT_HOST, ASE_ERR_NO_SERVICE);
    CAseRxObj *obj = protocol(errs);
    if (!db)
        db = acdbCurDwg();
    int ready = mode == ASE_MODE_ONE ? obj->protocolOp2(db) : obj->protocolOp3(db);
    if (ready != 1 || obj->protocolOp7(db) != 1)
        ase_fail(errs, ASE_CAT_HOST, ASE_ERR_HOST_FAILED);
    if (m_convert && !toHost(args, errs))
        ase_raise(errs);
    resbuf *reply = send(code, args, errs, obj);
    if (reply && m_convert) {
        reply = fromHost(reply, errs);
        *owned = reply != nullptr;
    }
    try {
        resbuf *items = send(ASE_RQ_ERRORS, args, errs, obj);
        int itemsOwned = 0;
        if (items && m_convert) {
            items = fromHost(items, errs);
            itemsOwned = 1;
        }
        if (items) {
            errs->loadHostItems(items);
            if (itemsOwned)
                ads_relrb(items);
        } else {
            errs->clear();
        }
        if (!reply)
            ase_raise(errs);
    } catch (...) {
        if (*owned)
            ads_relrb(reply);
        *owned = 0;
        throw;
    }
    return reply;
}

/* ---- Operations of the service besides requests ----------------------------- */

/* Protocol operation op (2 to 6) on the drawing; the host's error items
** are fetched afterwards (the list emptied when there are none).  1; 0
** with (8, 903) when the service is missing, (8, 901) when the operation
** did not give 1. */
int CAseAppDsc::protocolOp(int op, AcDbDatabase *db)
{
    return ase_dsc_guard(m_req, 0, [&] {
        if (op < 2 || op > 6)
            fail(ASE_CAT_HOST, ASE_ERR_HOST_FAILED);
        CAseRxObj *obj = protocol(m_req);
        if (!db)
            db = acdbCurDwg();
        int r = op == 2 ? obj->protocolOp2(db)
              : op == 3 ? obj->protocolOp3(db)
              : op == 4 ? obj->protocolOp4(db)
              : op == 5 ? obj->protocolOp5(db)
                        : obj->protocolOp6(db);
        fetchErrors(m_req, obj);
        if (r != 1)
            ase_raise(m_req);
        return 1;
    });
}

/* Operation 10 or 11 with two arguments; the drawing is prepared with
** operations 2 and 7 when operation 7 alone refuses it ((8, 901) when
** they do not give 1).  The operation's result; 0 on failure. */
int CAseAppDsc::protocolOp2Args(int op, void *first, void *second, AcDbDatabase *db)
{
    return ase_dsc_guard(m_req, 0, [&] {
        if (op != 10 && op != 11)
            fail(ASE_CAT_HOST, ASE_ERR_HOST_FAILED);
        CAseRxObj *obj = protocol(m_req);
        if (!db)
            db = acdbCurDwg();
        if (obj->protocolOp7(db) != 1 && (obj->protocolOp2(db) != 1 || obj->protocolOp7(db) != 1))
            fail(ASE_CAT_HOST, ASE_ERR_HOST_FAILED);
        return op == 10 ? obj->protocolOp10(first, second) : obj->protocolOp11(first, second);
    });
}

/* Operation 12 with the entity of the id: the object is opened for reading
** ((8, 901) when it cannot be), an object that is no entity gives 1 at
** once, else its drawing is prepared as for operation 10 and the
** operation's result is given; the object is closed on every way out. */
int CAseAppDsc::protocolOp12(AcDbObjectId id)
{
    return ase_dsc_guard(m_req, 0, [&] {
        CAseRxObj *obj = protocol(m_req);
        AcDbObject *o = nullptr;
        if (acdbOpenAcDbObject(o, id, AcDb::kForRead) != Acad::eOk || !o)
            fail(ASE_CAT_HOST, ASE_ERR_HOST_FAILED);
        try {
            if (!o->isKindOf(AcDbEntity::desc())) {
                o->close();
                return 1;
            }
            AcDbDatabase *db = o->database();
            if (obj->protocolOp7(db) != 1 && (obj->protocolOp2(db) != 1 || obj->protocolOp7(db) != 1))
                fail(ASE_CAT_HOST, ASE_ERR_HOST_FAILED);
            int r = obj->protocolOp12(static_cast<AcDbEntity *>(o));
            o->close();
            return r;
        } catch (...) {
            o->close();
            throw;
        }
    });
}

/* Request 60 after the check, the list emptied; the reply is the host's
** and left alone.  1; 0 on failure. */
int CAseAppDsc::request60()
{
    return ase_dsc_guard(m_req, 0, [&] {
        check();
        m_req->clear();
        send(k_rq_request60, nullptr, m_req);
        return 1;
    });
}

/* Requests 66 and 67 (mode 0), 68 and 69 (mode 1) with the drawing and no
** arguments: 1 when the host answers T, else 0. */
int CAseAppDsc::requestDb(int code, AcDbDatabase *db)
{
    return ase_dsc_guard(m_req, 0, [&] {
        if (code < k_rq_first_db || code > k_rq_last_db)
            fail(ASE_CAT_HOST, ASE_ERR_HOST_FAILED);
        int owned = 0;
        resbuf *r = request(code, nullptr, m_req, db, code >= k_rq_first_mode1 ? ASE_MODE_ONE : ASE_MODE_PLAIN, &owned);
        ase_hold reply(r, owned);
        return reply.rb->restype == RTT ? 1 : 0;
    });
}

/* A connection of the engine environment to envName: with user and
** password when both are given, else with those the host holds for the
** environment (empty texts when it holds none).  The connection belongs to
** the caller; null with (8, 901) for a missing environment or name, null
** with the engine's items when connecting fails (the connection deleted). */
CAsiConnection *CAseAppDsc::openConnection(CAsiEnv *env, const char *envName, const char *user, const char *password)
{
    return ase_dsc_guard(m_req, static_cast<CAsiConnection *>(nullptr), [&]() -> CAsiConnection * {
        if (!env || !envName)
            fail(ASE_CAT_HOST, ASE_ERR_HOST_FAILED);
        const char *u = user, *pw = password;
        if (!user || !password) {
            u = pw = "";
            const char *hu = nullptr, *hp = nullptr;
            if (acrxServiceIsRegistered(k_service) && protocol(m_req)->protocolOp8(envName, &hu, &hp) == 1) {
                u = hu ? hu : "";
                pw = hp ? hp : "";
            }
        }
        std::unique_ptr<CAsiConnection> conn(new CAsiConnection(env));
        conn->connect(envName, u, pw);
        return conn.release();
    });
}
