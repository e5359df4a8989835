/*
** ase_dsc.h: CAseDsc, the base of every handle of the link client's C
** interface (application, link path, link, link selection), with its
** request object CAseDscReq (the descriptor's error list and its way to the
** host through the application descriptor), the application descriptor's
** child list, the frame every descriptor method runs in, and the attribute
** lists that link and selection descriptors send to the host.
**
** A method runs its body in ase_dsc_guard; a failure adds items to the
** descriptor's list and calls raise(), which the guard turns into the
** method's failure result:
**
**     int CAseXxxDsc::doIt() { return ase_dsc_guard(req(), 0, [&] {
**         check();  if (!arg) fail(ASE_CAT_HOST, ASE_ERR_HOST_FAILED);  ...; return 1; }); }
*/
#ifndef PV_LINKCLIENT_ASE_DSC_H
#define PV_LINKCLIENT_ASE_DSC_H

#include <cstddef>
#include <memory>
#include <new>

#include "linkclient/ase_errlist.h"
#include "platform/include/ads_host.h"
#include "sqlclient/base/asi_except.h"

class CAseAppDsc;
class CAseDsc;
class CAsiHandle;
class CAsiColumn;
class CAsiRow;
class AcDbDatabase;

/* Descriptor kinds answered by type(). */
constexpr int ASE_DSC_APP = 1;        /* CAseAppDsc */
constexpr int ASE_DSC_PATH = 2;       /* CAsePathDsc */
constexpr int ASE_DSC_LINK = 3;       /* CAseLinkDsc */
constexpr int ASE_DSC_LINKSEL = 4;    /* CAseLinkSelDsc */

/* Request modes of the channel: 1 prepares the drawing with protocol
** operation 2, any other mode with operation 3. */
constexpr int ASE_MODE_PLAIN = 0;
constexpr int ASE_MODE_ONE = 1;

/* Attribute codes of link and selection lists. */
constexpr int ASE_ATTR_PATH = -3;      /* RTSTR path text (filter) */
constexpr int ASE_ATTR_SELSET = -2;    /* RTPICKS selection set (filter) */
constexpr int ASE_ATTR_TEXT2 = -1;     /* RTSTR text (filter) */
constexpr int ASE_ATTR_NUMBER = 1;     /* RTLONG link number */
constexpr int ASE_ATTR_KIND = 2;       /* RTSHORT link kind */
constexpr int ASE_ATTR_FLAG = 3;       /* RTSHORT flag of the host */
constexpr int ASE_ATTR_ENTITY = 4;     /* RTENAME entity */
constexpr int ASE_ATTR_LPN = 5;        /* RTSTR link path name */
constexpr int ASE_ATTR_KEYS = 6;       /* list of key values */
constexpr int ASE_ATTR_NAMES = 7;      /* list of column names (kind 2) */
constexpr int ASE_ATTR_LIST = 8;       /* list of the caller (kind 2) */
constexpr int ASE_ATTR_TEXTS = 9;      /* list of value texts (kind 2) */
constexpr int ASE_ATTR_TEXT = 10;      /* RTSTR text of the host */
constexpr int ASE_ATTR_NAMEVALS = 12;  /* names and value texts (filter) */

/* Error code of the link descriptor. */
constexpr int ASE_ERR_WRONG_KIND = 914;   /* (8, 914) operation of another link kind */

/* Request codes of the channel. */
constexpr int ASE_RQ_CONNECT = 1;
constexpr int ASE_RQ_ERRORS = 63;
constexpr int ASE_RQ_CONNECTED = 64;
constexpr int ASE_RQ_DISCONNECT = 65;

/* Thrown by CAseDsc::raise: the pending item (category, code) and the list
** that holds it. */
class CAseRaised : public CAsiException {
public:
    CAseRaised(const CAseErrList *list, int category, int code) noexcept
        : CAsiException(ASI_ERR_LINK_CONDITION, "link client"), m_list(list), m_category(category), m_code(code)
    {
        setRecorded(1);
    }
    const CAseErrList *list() const noexcept { return m_list; }
    int category() const noexcept { return m_category; }
    int itemCode() const noexcept { return m_code; }

private:
    const CAseErrList *m_list;   /* list holding the items; not owned */
    int m_category;              /* category of the pending item */
    int m_code;                  /* code of the pending item */
};

/* Puts a caught failure into errs: a raise of another list adds its pending
** item again, an engine exception its conditions, memory (2, 2). */
void ase_dsc_catch(CAseErrList *errs, const CAsiException &e) noexcept;

/* Throws the latest item of errs as the pending failure ((0, 0) when the
** list holds none). */
[[noreturn]] void ase_raise(const CAseErrList *errs);
/* Adds (category, code[, text]) to errs and throws it. */
[[noreturn]] void ase_fail(CAseErrList *errs, int category, int code, const char *text = nullptr);

/* Runs body() in a CAsiTryFrame and answers its result; a failure thrown
** inside becomes items of errs (ase_dsc_catch) and the answer fail.  Nothing
** propagates. */
template <class R, class F>
R ase_dsc_guard(CAseErrList *errs, R fail, F &&body) noexcept
{
    CAsiTryFrame frame;
    try {
        return std::forward<F>(body)();
    } catch (const CAsiException &e) {
        frame.take(e);
        ase_dsc_catch(errs, e);
        frame.handled();
    } catch (const std::bad_alloc &) {
        ase_errs_no_memory(errs);
    } catch (...) {
        ase_dsc_catch(errs, CAsiException(ASI_ERR_GENERAL, "link client"));
    }
    return fail;
}

/* Test hook: the next n allocations of element copies and arrays of the
** descriptors succeed, the one after fails (n -1: none fails). */
void ase_dsc_fail_alloc_after(int n) noexcept;
/* 1 when the hook says the allocation now asked for fails. */
int ase_dsc_alloc_refused() noexcept;
/* A zeroed heap array of n column pointers (calloc), or null. */
CAsiColumn **ase_dsc_column_array(int n) noexcept;
/* A copy of a column (name and value), or null without memory. */
CAsiColumn *ase_dsc_column_copy(const CAsiColumn &column) noexcept;

/* The request object of a descriptor: its error list, and its channel, the
** application descriptor through which its requests go. */
class CAseDscReq : public CAseErrList {
public:
    explicit CAseDscReq(CAseAppDsc *channel) noexcept : m_channel(channel) {}
    ~CAseDscReq() override;

    /* A plain error list with the same items; null without memory. */
    CAseObj *clone() const override;
    /* The items, then the channel of another request object. */
    int copyFrom(const CAseObj *other) override;
    /* The channel's message file; null without a channel. */
    CAseMsgFile *msgFile() const override;
    /* The channel's host code page while it converts; else null. */
    const char *hostCodePage() const override;

    CAseAppDsc *channel() const noexcept { return m_channel; }
    void setChannel(CAseAppDsc *channel) noexcept { m_channel = channel; }

private:
    CAseAppDsc *m_channel;   /* application descriptor of the requests; not owned */
};

/* One node of a child list. */
struct ase_dsc_node {
    ase_dsc_node *next;   /* next node, or null */
    CAseDsc *dsc;         /* the child; not owned */
};

/* The children of an application descriptor, newest first. */
class CAseDscList {
public:
    CAseDscList() noexcept : m_head(nullptr) {}
    ~CAseDscList();
    CAseDscList(const CAseDscList &) = delete;
    CAseDscList &operator=(const CAseDscList &) = delete;

    /* Puts dsc at the head; 0 when no node can be allocated. */
    int add(CAseDsc *dsc) noexcept;
    /* Unlinks the node of dsc; 1 when found, else 0. */
    int remove(const CAseDsc *dsc) noexcept;
    /* The descriptor of node i from the head, or null. */
    CAseDsc *item(int i) const noexcept;
    int count() const noexcept;

private:
    ase_dsc_node *m_head;   /* first node; nodes owned (calloc) */
};

class CAseDsc {
public:
    /* A descriptor under parent (null: none); entered in the child list of
    ** the parent's channel.  Throws 0xA008 when its request object or the
    ** list node cannot be allocated. */
    explicit CAseDsc(CAseDsc *parent);
    CAseDsc(const CAseDsc &) = delete;
    CAseDsc &operator=(const CAseDsc &) = delete;

    /* --- virtual slots in order --- */
    /* Leaves the child list it was entered in and deletes the request object. */
    virtual ~CAseDsc();
    /* Empties the error list; 1, 0 without a request object. */
    virtual int init();
    /* ASE_DSC_APP .. ASE_DSC_LINKSEL. */
    virtual int type() const = 0;
    /* A new descriptor of the same kind and content, or null. */
    virtual CAseDsc *clone() = 0;
    /* Checks both, then copies the other's items and channel; 1, 0 for a null
    ** other or a failed check. */
    virtual int copyFrom(CAseDsc *other);
    /* copyFrom; answers this descriptor. */
    virtual CAseDsc *assign(CAseDsc *other);
    virtual int equals(CAseDsc *other) = 0;
    virtual int isEqual(CAseDsc *other) = 0;
    /* 1 when usable (the list emptied); else (8, 902) is raised. */
    virtual int check();

    /* --- helpers --- */
    CAseDscReq *req() const noexcept { return m_req; }
    /* The channel, or null. */
    CAseAppDsc *channel() const noexcept;
    /* 1 while the channel converts texts. */
    int isConverting() const noexcept;
    /* The channel's host text when check passes, else null. */
    const char *getAppText();
    /* Adds (category, code[, text]) to the list and raises it. */
    [[noreturn]] void fail(int category, int code, const char *text = nullptr) const;
    /* Raises the list's latest item. */
    [[noreturn]] void raise() const;
    /* Forgets the child list it was entered in (its application is gone). */
    void parentGone() noexcept;

    /* --- attribute lists --- */
    resbuf *makeAttr(int code, const char *text = nullptr);
    resbuf *copyChain(const resbuf *from, const resbuf *until = nullptr);
    static resbuf *lastOf(resbuf *chain) noexcept;
    static resbuf *nextPair(resbuf *pair) noexcept;
    static resbuf *findPair(resbuf *list, int code) noexcept;
    static resbuf *valueOf(resbuf *list, int code) noexcept;
    int setValue(resbuf *&list, int code, resbuf *value);
    static resbuf *removePair(resbuf *list, resbuf *pair) noexcept;
    int pointToList(resbuf *list);

    /* --- the error list, for the C interface --- */
    int errCount() const noexcept;
    int errCategory(int i) const noexcept;
    int errCode(int i) const noexcept;
    int errMessage(int i, char *buf, int size) const noexcept;
    int errClear() noexcept;
    int errInt(int i, int id, int *out) const noexcept;
    int errText(int i, int id, char *buf, int size) const noexcept;
    int errFromHandle(const CAsiHandle *handle) noexcept;

    static void *operator new(std::size_t n) noexcept;
    static void operator delete(void *p) noexcept;

protected:
    /* The base part of copyFrom without its checks. */
    void copyBase(CAseDsc *other);
    /* Raises (8, 901) unless other is there, passes its own check and,
    ** when kind is not 0, is a descriptor of that kind; returns otherwise. */
    void requireUsable(CAseDsc *other, int kind = 0) const;
    /* The clone of a descriptor of class T: this one checked, a new T on
    ** the same channel filled by its copyFrom; (2, 2) raised without
    ** memory, copyFrom's failure raised. */
    template <class T>
    CAseDsc *cloneAs()
    {
        check();
        std::unique_ptr<T> copy(new T(channel()));
        if (!copy)
            fail(ASE_CAT_SYSTEM, ASE_ERR_NO_MEMORY);
        copy->copyFrom(this);
        return copy.release();
    }
    /* Sends a request through the channel with this descriptor's error
    ** list; the reply (never null), *owned 1 for a client copy.  (8, 902)
    ** raised without a channel. */
    resbuf *ask(int code, resbuf *args, AcDbDatabase *db, int mode, int *owned);
    /* A reply handed to the caller: a client copy as it is, a host reply
    ** copied. */
    resbuf *handOver(resbuf *reply, int owned);

    /* Builds an engine row of count columns from copies of the values of
    ** the array's elements; a missing element (8, 901). */
    CAsiRow *rowFromValues(CAsiColumn **values, int count);

    CAseDscReq *m_req;        /* error list and channel; owned */
    CAseAppDsc *m_parent;     /* application whose child list holds us; not owned */
};

/* A chain released with ads_relrb when the scope ends (when owned). */
struct ase_hold {
    resbuf *rb = nullptr;   /* the chain, or null */
    int owned = 1;          /* 1: released at the end; 0: the host's */
    ase_hold() = default;
    explicit ase_hold(resbuf *chain, int own = 1) noexcept : rb(chain), owned(own) {}
    ase_hold(const ase_hold &) = delete;
    ase_hold &operator=(const ase_hold &) = delete;
    ~ase_hold()
    {
        if (owned)
            ads_relrb(rb);
    }
    /* Hands the chain over; nothing is released afterwards. */
    resbuf *take() noexcept
    {
        resbuf *r = rb;
        rb = nullptr;
        return r;
    }
};

/* Frees every RTSTR text of a chain (set null); the chain stays. */
void ase_free_texts(resbuf *chain) noexcept;

/* A long read from an RTLONG element, or from an RTREAL cut towards 0;
** *ok false (and 0) for another element or a real outside 32 bits. */
long ase_rb_long(const resbuf *rb, bool *ok) noexcept;

#endif
