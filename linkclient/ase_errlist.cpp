/*
** ase_errlist.cpp: CAseErrList: adding error items with their message
** texts, reading them back, copying SQL client conditions, loading and
** encoding the host's error items, the debug dump and the scratch pool.
** The text conversions of the list live in ase_convert.cpp.
*/
#include "linkclient/ase_errlist.h"

#include <cstdio>
#include <cstring>

#include "linkclient/ase_msgfile.h"
#include "linkclient/ase_str.h"
#include "platform/include/ads_host.h"
#include "sqlclient/base/asi_memory.h"

namespace {

/* One row of the item table: item id, name message of set 1, kind. */
struct ase_item_row {
    int id;        /* item id of the condition record */
    int nameMsg;   /* message number of its name */
    int isText;    /* 1 text, 0 integer */
};

/* The item table; the 21st row is not reached by the lookup by index. */
const ase_item_row k_items[ASE_ITEM_ROWS + 1] = {
    {1025, 52, 0}, {1026, 53, 0}, {1027, 54, 1}, {1030, 41, 1}, {1031, 42, 1},
    {29, 35, 1},   {30, 36, 1},   {31, 37, 1},   {32, 38, 1},   {21, 44, 1},
    {1028, 45, 1}, {1029, 46, 0}, {1032, 47, 1}, {1033, 48, 1}, {1034, 68, 1},
    {24, 31, 1},   {26, 32, 1},   {27, 33, 1},   {28, 34, 1},   {22, 39, 1},
    {23, 40, 1},
};

/* One default message: category group, code, message set and number. */
struct ase_msg_row {
    int group;    /* 0 for categories 0 to 2, else the category */
    int code;     /* error code */
    int set;      /* message set */
    int number;   /* message number */
};

const ase_msg_row k_messages[] = {
    {0, 0, 1, 1},    {0, 1, 1, 2},    {0, 2, 1, 3},    {0, 3, 1, 66},   {0, 4, 1, 74},
    {0, 10, 1, 57},  {0, 11, 1, 62},  {0, 12, 1, 17},  {0, 13, 1, 22},  {0, 14, 1, 23},
    {0, 15, 1, 24},  {0, 16, 1, 25},  {0, 17, 1, 26},  {0, 18, 1, 28},  {0, 19, 1, 29},
    {0, 20, 1, 30},  {0, 21, 1, 60},  {0, 22, 1, 58},  {0, 23, 1, 61},  {0, 24, 1, 59},
    {0, 25, 1, 63},  {0, 28, 1, 69},  {0, 29, 1, 14},  {0, 30, 1, 13},  {0, 31, 1, 73},
    {0, 32, 1, 75},  {0, 33, 1, 76},
    {5, 500, 1, 1},  {5, 501, 1, 9},  {5, 502, 1, 56}, {5, 503, 1, 10}, {5, 504, 1, 55},
    {5, 505, 1, 20}, {5, 506, 1, 67}, {5, 507, 1, 77},
    {6, 700, 1, 1},  {7, 800, 1, 1},
    {8, 900, 1, 1},  {8, 901, 1, 8},  {8, 902, 1, 50}, {8, 903, 1, 51}, {8, 904, 1, 64},
    {8, 905, 1, 65}, {8, 914, 17, 13},
};

/* The byte size of a text for the dump's fixed buffers. */
constexpr int k_dump_text = 256;

/* The text room of a scratch block. */
char *scratch_text(ase_scratch *b) noexcept
{
    return reinterpret_cast<char *>(b + 1);
}

/* Copies the items of the item table (other than category, code and
** message) that record i of src holds into the current record of dst. */
void copy_table_items(CAsiDiagArea &dst, const CAsiDiagArea &src, int i)
{
    CAsiUcStr text;
    for (int row = 0; row < ASE_ITEM_ROWS; ++row) {
        const ase_item_row &r = k_items[row];
        if (r.id == ASE_ITEM_CATEGORY || r.id == ASE_ITEM_CODE || r.id == ASE_ITEM_MESSAGE)
            continue;
        if (!src.condItem(i, r.id, text))
            continue;
        if (r.isText) {
            src.condTextItem(i, r.id, text);
            dst.addTextItem(r.id, text);
        } else {
            dst.addNumItem(r.id, src.condNumItem(i, r.id));
        }
    }
}

/* A host's real cut to an integer code; 0 for a value no int holds. */
int real_to_code(double v) noexcept
{
    return (v > -2147483648.0 && v < 2147483648.0) ? (int)v : 0;
}

} // namespace

/* An empty list that reports into itself; its area is made on first use. */
CAseErrList::CAseErrList() noexcept
    : CAseObj(nullptr), m_diag(nullptr), m_work(nullptr), m_work2(nullptr), m_pool(nullptr)
{
    m_owner = this;
    ensureArea();
}

/* Deletes the area and the work strings and frees every scratch block. */
CAseErrList::~CAseErrList()
{
    delete m_diag;
    m_diag = nullptr;
    delete m_work;
    m_work = nullptr;
    delete m_work2;
    m_work2 = nullptr;
    while (m_pool) {
        ase_scratch *next = m_pool->next;
        asi_mfree(m_pool);
        m_pool = next;
    }
}

/* Creates the diagnostics area and the work strings when missing; 1 when
** all exist, 0 without memory. */
int CAseErrList::ensureArea() noexcept
{
    if (!m_diag)
        m_diag = new CAsiDiagArea();
    if (!m_work)
        m_work = new (std::nothrow) CAsiUcStr();
    if (!m_work2)
        m_work2 = new (std::nothrow) CAsiUcStr();
    return m_diag && m_work && m_work2;
}

/* Empties the items and the work strings; 1, or 0 when the area cannot be
** created. */
int CAseErrList::clear()
{
    if (!ensureArea())
        return 0;
    m_diag->reset();
    m_work->clear();
    m_work2->clear();
    return 1;
}

/* A new list with a copy of the items, reporting into itself (or into
** this list's owner when that is another list); null when the copy fails. */
CAseObj *CAseErrList::clone() const
{
    CAseErrList *copy = new CAseErrList();
    if (!copy)
        return nullptr;
    if (m_owner != this)
        copy->setOwner(m_owner);
    if (!copy->copyFrom(this)) {
        delete copy;
        return nullptr;
    }
    return copy;
}

/* Replaces the items by a copy of another error list's; 1, or 0 when the
** other is not an error list or the copy fails (then items say why). */
int CAseErrList::copyFrom(const CAseObj *other)
{
    if (other == this)
        return 1;
    if (!other || !other->isKindOf(ASE_CLASS_ERRLIST))
        return 0;
    const CAseErrList *src = static_cast<const CAseErrList *>(other);
    clear();
    if (!src->m_diag)
        return 1;
    return ase_guard(this, 0, [&] {
        CAsiDiagArea *copy = src->m_diag->clone();
        if (!copy)
            asi_throw(ASI_ERR_NO_MEMORY, "CAseErrList::copyFrom");
        delete m_diag;
        m_diag = copy;
        return 1;
    });
}

/* The text of message (set, number) into out: from the message file; the
** default text when the set is -1 or there is no message file (answer 0),
** an empty text when the file lacks the message (answer 1). */
int CAseErrList::messageText(int set, int number, CAsiUcStr &out) const
{
    CAseMsgFile *file = m_owner ? m_owner->msgFile() : nullptr;
    if (set == -1 || !file) {
        out = ASE_DEFAULT_TEXT;
        return 0;
    }
    file->text(set, number, out);
    return 1;
}

/* The default message of (category, code) into out (the default text when
** the table has none); answers messageText's result, 0 for no entry. */
int CAseErrList::defaultText(int category, int code, CAsiUcStr &out) const
{
    int group = category <= 2 ? 0 : category;
    for (const ase_msg_row &m : k_messages)
        if (m.group == group && m.code == code && category >= 0)
            return messageText(m.set, m.number, out);
    return messageText(-1, 0, out);
}

/* Appends the item (category, code) with the given text, or the default
** text of the pair, after the prefix message.  Non-zero on success; 0 when
** it cannot be added, or when the list already held more than the limit
** (the item is kept all the same). */
int CAseErrList::add(int category, int code, const char *text) noexcept
{
    return ase_guard(nullptr, 0, [&] {
        if (!ensureArea())
            return 0;
        CAsiUcStr given;
        if (text)
            given = text;   /* copy first: text may live in this list */
        CAsiUcStr msg;
        if (messageText(ASE_MSG_SET, ASE_MSG_PREFIX, msg))
            msg.left(msg, ASE_PREFIX_MAX);
        else
            msg.clear();   /* no catalogue: no prefix */
        if (text) {
            msg.append(given);
        } else {
            CAsiUcStr d;
            defaultText(category, code, d);
            msg.append(d);
        }
        m_diag->addCondition(category == ASE_CAT_SQL ? code : ASI_ERR_LINK_CONDITION);
        m_diag->setCondText(msg);
        m_diag->addTextItem(ASE_ITEM_MESSAGE, msg);
        m_diag->addNumItem(ASE_ITEM_CATEGORY, category);
        m_diag->addNumItem(ASE_ITEM_CODE, code);
        return finishAdd(1);
    });
}

/* The overflow check after an item was added: below the limit the item is
** completed (answer result); at the limit (2, 4) follows; beyond it 0. */
int CAseErrList::finishAdd(int result) noexcept
{
    int n = m_diag->count();
    if (n > ASE_ERR_LIMIT)
        return 0;
    m_diag->complete();
    if (n < ASE_ERR_LIMIT)
        return result;
    CAsiUcStr msg, body;
    if (messageText(ASE_MSG_SET, ASE_MSG_WARN_PREFIX, msg))
        msg.left(msg, ASE_PREFIX_MAX);
    else
        msg.clear();
    messageText(ASE_MSG_SET, ASE_MSG_TOO_MANY, body);
    msg.append(body);
    m_diag->addCondition(ASI_ERR_LINK_CONDITION);
    m_diag->setCondText(msg);
    m_diag->addTextItem(ASE_ITEM_MESSAGE, msg);
    m_diag->addNumItem(ASE_ITEM_CATEGORY, ASE_CAT_SYSTEM);
    m_diag->addNumItem(ASE_ITEM_CODE, ASE_ERR_TOO_MANY);
    m_diag->complete();
    return result;
}

/* Number of items; 0 without an area. */
int CAseErrList::count() const noexcept
{
    return m_diag ? m_diag->count() : 0;
}

/* Category of item i; 0 when i is not below the count. */
int CAseErrList::category(int i) const noexcept
{
    return (i >= 0 && i < count()) ? m_diag->condNumItem(i, ASE_ITEM_CATEGORY) : 0;
}

/* Code of item i; 0 when i is not below the count. */
int CAseErrList::code(int i) const noexcept
{
    return (i >= 0 && i < count()) ? m_diag->condNumItem(i, ASE_ITEM_CODE) : 0;
}

/* Integer item id of item i into *out; 1 when present, else 0. */
int CAseErrList::itemInt(int i, int id, int *out) const noexcept
{
    if (!out || i < 0 || i >= count())
        return 0;
    return ase_guard(nullptr, 0, [&] {
        CAsiUcStr probe;
        if (!m_diag->condItem(i, id, probe))
            return 0;
        *out = m_diag->condNumItem(i, id);
        return 1;
    });
}

/* Text item id of item i into buf (size bytes) in the library's code
** page; 1 when present, 0 (buf emptied) when absent or on failure. */
int CAseErrList::itemText(int i, int id, char *buf, int size) const noexcept
{
    if (!buf || size < 1)
        return 0;
    buf[0] = '\0';
    if (i < 0 || i >= count())
        return 0;
    return ase_guard(nullptr, 0, [&] {
        CAsiUcStr text;
        if (!m_diag->condTextItem(i, id, text))
            return 0;
        text.toMb(buf, size);
        return 1;
    });
}

/* The message text of item i (item 1027) into buf; as itemText. */
int CAseErrList::message(int i, char *buf, int size) const noexcept
{
    return itemText(i, ASE_ITEM_MESSAGE, buf, size);
}

/* Adds a text item to the latest item (text in the library's code page);
** 1 for a null text; 0 without an item or on failure. */
int CAseErrList::addTextItem(int id, const char *text) noexcept
{
    if (!text)
        return 1;
    if (count() == 0)
        return 0;
    return ase_guard(nullptr, 0, [&] { return m_diag->addTextItem(id, CAsiUcStr(text)); });
}

/* Adds the five parts of a link path (texts 0 to 4 of its packed list:
** environment, catalog, schema, table, link path name) as items 1031, 29,
** 30, 31 and 1030, stopping at the first that fails; 1 when all were
** added, 0 for a null path. */
int CAseErrList::addPathItems(const CAseStr *path) noexcept
{
    if (!path)
        return 0;
    static const int ids[ASE_PATH_PARTS] = {ASE_ITEM_ENVIRONMENT, ASE_ITEM_CATALOG, ASE_ITEM_SCHEMA,
                                            ASE_ITEM_TABLE, ASE_ITEM_LPN};
    for (int part = 0; part < ASE_PATH_PARTS; ++part)
        if (!addTextItem(ids[part], path->at(part)))
            return 0;
    return 1;
}

/* Row of the item table: its item id and kind (1 text, 0 integer); 1, or 0
** for a row outside 0 to 19. */
int CAseErrList::itemName(int row, int *id, int *isText) noexcept
{
    if (row < 0 || row >= ASE_ITEM_ROWS)
        return 0;
    if (id)
        *id = k_items[row].id;
    if (isText)
        *isText = k_items[row].isText;
    return 1;
}

/* The name text of a row of the item table into buf; null for a row
** outside 0 to 19. */
const char *CAseErrList::itemNameText(int row, char *buf, int size) const noexcept
{
    if (row < 0 || row >= ASE_ITEM_ROWS || !buf || size < 1)
        return nullptr;
    buf[0] = '\0';
    ase_guard(nullptr, 0, [&] {
        CAsiUcStr text;
        messageText(ASE_MSG_SET, k_items[row].nameMsg, text);
        text.toMb(buf, size);
        return 1;
    });
    return buf;
}

/* Copies the conditions of a diagnostics area, last first, into items of
** category 4 (a link client condition with its category item is kept as
** it is).  Throws on failure. */
static void copy_conditions(CAseErrList &errs, CAsiDiagArea &own, const CAsiDiagArea &src)
{
    char text[ASI_EXC_TEXT_MAX * 4];
    CAsiUcStr msg;
    for (int i = src.count() - 1; i >= 0; --i) {
        int native = src.condCode(i);
        CAsiUcStr probe;
        if (native == ASI_ERR_LINK_CONDITION && src.condItem(i, ASE_ITEM_CATEGORY, probe)) {
            own.appendRecord(src, i);
            continue;
        }
        src.condText(i, msg);
        msg.toMb(text, sizeof text);
        errs.add(ASE_CAT_SQL, native, text);
        if (own.count() > 0)
            copy_table_items(own, src, i);
    }
}

/* Adds the conditions an engine exception carries (or the exception's own
** code and text when it carries none) as items; 1, or 0 when copying
** raised. */
int CAseErrList::fromSqlException(const CAsiException &e) noexcept
{
    return ase_guard(nullptr, 0, [&] {
        if (!ensureArea())
            return 0;
        const CAsiDiagArea *items = e.itemsOrNull();
        if (items && items->count() > 0) {
            copy_conditions(*this, *m_diag, *items);
            return 1;
        }
        CAsiUcStr msg;
        if (e.message()[0])
            msg = e.message();
        else
            CAsiDiagArea::defaultText(e.code(), msg);
        char text[ASI_EXC_TEXT_MAX * 4];
        msg.toMb(text, sizeof text);
        add(ASE_CAT_SQL, e.code(), text);
        return 1;
    });
}

/* Copies the diagnostics of an SQL client handle as items; (8, 901) and 0
** for a null handle; 0 when copying raised; else 1. */
int CAseErrList::fromDiagnostics(const CAsiHandle *handle) noexcept
{
    if (!handle)
        return error(ASE_CAT_HOST, ASE_ERR_HOST_FAILED);
    return ase_guard(nullptr, 0, [&] {
        if (!ensureArea())
            return 0;
        copy_conditions(*this, *m_diag, handle->diag());
        return 1;
    });
}

/* Replaces the items by those of the host's reply to request 63: an RTREAL
** starts an item (an RTSTR right after it is its message), an RTSHORT
** names the next item, an RTSTR or RTLONG gives its value.  1, or 0 when
** loading raised (the failure becomes items). */
int CAseErrList::loadHostItems(const resbuf *chain) noexcept
{
    if (!ensureArea())
        return 0;
    m_diag->reset();
    return ase_guard(this, 0, [&] {
        int pending = 0, havePending = 0, started = 0;
        for (const resbuf *rb = chain; rb; rb = rb->rbnext) {
            switch (rb->restype) {
            case RTREAL:
                if (started)
                    m_diag->complete();
                m_diag->addCondition(real_to_code(rb->resval.rreal));
                started = 1;
                if (rb->rbnext && rb->rbnext->restype == RTSTR) {
                    rb = rb->rbnext;
                    if (rb->resval.rstring)
                        m_diag->setCondText(CAsiUcStr(rb->resval.rstring));
                }
                break;
            case RTSHORT:
                pending = rb->resval.rint;
                havePending = 1;
                break;
            case RTSTR:
                if (havePending && rb->resval.rstring)
                    m_diag->addTextItem(pending, CAsiUcStr(rb->resval.rstring));
                havePending = 0;
                break;
            case RTLONG:
                if (havePending)
                    m_diag->addNumItem(pending, rb->resval.rlong);
                havePending = 0;
                break;
            default:
                break;
            }
        }
        if (started)
            m_diag->complete();
        return 1;
    });
}

/* Appends one element made by ads_buildlist to the chain; throws 0xA008
** when it cannot be made. */
static void chain_put(resbuf *&head, resbuf *&tail, resbuf *rb)
{
    if (!rb)
        asi_throw(ASI_ERR_NO_MEMORY, "CAseErrList::toChain");
    (tail ? tail->rbnext : head) = rb;
    tail = rb;
}

/* The items as the host's chain form: per item, last first, an RTREAL
** with its native code, an RTSTR with its message, then its items of the
** item table as (RTSHORT id, value) pairs.  Owned by the caller (ads_relrb);
** null for an empty list or without memory. */
resbuf *CAseErrList::toChain() const noexcept
{
    resbuf *head = nullptr, *tail = nullptr;
    int ok = ase_guard(nullptr, 0, [&] {
        char text[k_dump_text * 4];
        CAsiUcStr s;
        for (int i = count() - 1; i >= 0; --i) {
            chain_put(head, tail, ads_buildlist(RTREAL, (double)m_diag->condCode(i), 0));
            m_diag->condText(i, s);
            chain_put(head, tail, ads_buildlist(RTSTR, s.toMb(text, sizeof text), 0));
            for (int row = 0; row < ASE_ITEM_ROWS; ++row) {
                const ase_item_row &r = k_items[row];
                if (!m_diag->condItem(i, r.id, s))
                    continue;
                chain_put(head, tail, ads_buildlist(RTSHORT, r.id, 0));
                if (r.isText) {
                    m_diag->condTextItem(i, r.id, s);
                    chain_put(head, tail, ads_buildlist(RTSTR, s.toMb(text, sizeof text), 0));
                } else {
                    chain_put(head, tail, ads_buildlist(RTLONG, m_diag->condNumItem(i, r.id), 0));
                }
            }
        }
        return 1;
    });
    if (!ok) {
        ads_relrb(head);
        return nullptr;
    }
    return head;
}

/* Dumps the items on the host's text screen. */
void CAseErrList::print() const
{
    int n = count();
    if (n == 0) {
        ads_printf("\nNo Errors, everything is 8-)");
        return;
    }
    ads_printf("\nERRORS QUANTITY %d", n);
    char name[k_dump_text], text[k_dump_text];
    for (int i = 0; i < n; ++i) {
        ads_printf("\nerrDsc=%d, errCode=%d", category(i), code(i));
        int id = 0, isText = 0;
        for (int row = 0; itemName(row, &id, &isText); ++row) {
            itemNameText(row, name, sizeof name);
            int v = 0;
            if (isText && itemText(i, id, text, sizeof text))
                ads_printf("\n%s==%s", name, text);
            else if (!isText && itemInt(i, id, &v))
                ads_printf("\n%s==%d", name, v);
        }
        ads_printf("\n*******");
    }
}

/* A zeroed scratch buffer of at least size bytes of text (plus the
** terminator), marked in use: the first free block large enough, else the
** largest free block enlarged, else a new block at the head.  Null with
** (1, 1) for a size outside 0 to ASE_SCRATCH_MAX, null with (2, 2) without
** memory. */
char *CAseErrList::get(int size) noexcept
{
    if (size < 0 || size > ASE_SCRATCH_MAX) {
        error(ASE_CAT_ARGUMENT, ASE_ERR_BAD_ARGUMENT);
        return nullptr;
    }
    ase_scratch *hit = nullptr, *largest = nullptr, *largestPrev = nullptr;
    for (ase_scratch *b = m_pool, *p = nullptr; b; p = b, b = b->next) {
        if (b->inUse)
            continue;
        if (b->capacity >= size) {
            hit = b;
            break;
        }
        if (!largest || b->capacity > largest->capacity) {
            largest = b;
            largestPrev = p;
        }
    }
    if (!hit && largest) {
        void *grown = asi_malloc_nothrow(sizeof(ase_scratch) + (std::size_t)size + 1);
        if (!grown) {
            error(ASE_CAT_SYSTEM, ASE_ERR_NO_MEMORY);
            return nullptr;
        }
        hit = static_cast<ase_scratch *>(grown);
        hit->next = largest->next;
        (largestPrev ? largestPrev->next : m_pool) = hit;
        asi_mfree(largest);
        hit->capacity = (std::uint16_t)size;
    }
    if (!hit) {
        void *fresh = asi_malloc_nothrow(sizeof(ase_scratch) + (std::size_t)size + 1);
        if (!fresh) {
            error(ASE_CAT_SYSTEM, ASE_ERR_NO_MEMORY);
            return nullptr;
        }
        hit = static_cast<ase_scratch *>(fresh);
        hit->next = m_pool;
        hit->capacity = (std::uint16_t)size;
        m_pool = hit;
    }
    hit->inUse = 1;
    std::memset(scratch_text(hit), 0, (std::size_t)hit->capacity + 1);
    return scratch_text(hit);
}

/* Gives a scratch buffer back: marks its block free, and frees the block
** when it lies ASE_SCRATCH_KEEP or more blocks down the chain; the
** caller's pointer becomes null.  A pointer the pool did not hand out is
** only cleared. */
void CAseErrList::release(char *&p) noexcept
{
    if (!p)
        return;
    int depth = 0;
    for (ase_scratch *b = m_pool, *prev = nullptr; b; prev = b, b = b->next, ++depth) {
        if (scratch_text(b) != p)
            continue;
        b->inUse = 0;
        if (depth >= ASE_SCRATCH_KEEP) {
            (prev ? prev->next : m_pool) = b->next;
            asi_mfree(b);
        }
        break;
    }
    p = nullptr;
}

/* The same for a pointer held as const. */
void CAseErrList::release(const char *&p) noexcept
{
    char *q = const_cast<char *>(p);
    release(q);
    p = nullptr;
}

/* Number of blocks in the pool (free or in use). */
int CAseErrList::scratchBlocks() const noexcept
{
    int n = 0;
    for (ase_scratch *b = m_pool; b; b = b->next)
        ++n;
    return n;
}
