/*
** asi_diag.cpp: the diagnostics area, the SQLSTATE text of a condition code,
** the default message texts, and asi_raise_state / asi_warn_state.
**
** Records live in one asi_malloc'd array that grows by doubling; each record
** keeps its items in a small array of its own.  Default texts come from the
** catalogue asiloc.xmx (set 1, message number = the code), found once by the
** home search, else from the built-in table below.
*/
#include "sqlclient/base/asi_diag.h"

#include <cstdio>
#include <cstring>
#include <new>

#include "sqlclient/base/asi_except.h"
#include "sqlclient/base/asi_files.h"
#include "sqlclient/base/asi_memory.h"
#include "sqlclient/base/asi_msgfile.h"

namespace {

/* Records of a new area's first allocation. */
constexpr int DIAG_FIRST_CAPACITY = 4;

/* The name of the engine's message catalogue. */
constexpr const char *DIAG_CATALOG = "asiloc.xmx";

/* The built-in texts of the conditions and engine codes. */
struct diag_text {
    int code;             /* condition or engine code */
    const char *text;     /* its default message text */
};

const diag_text diag_builtin[] = {
    {0x0108, "implicit zero-bit padding"},
    {0x0709, "invalid descriptor index"},
    {0x2201, "string data, right truncation"},
    {0x2203, "numeric value out of range"},
    {0x2204, "decimal fractional part was rounded"},
    {0x2206, "invalid interval format"},
    {0x2207, "invalid datetime format"},
    {0x2208, "datetime field overflow"},
    {0x220C, "division by zero"},
    {0x220F, "interval field overflow"},
    {0x2212, "invalid character value for cast"},
    {0x2213, "invalid escape character"},
    {0x2219, "invalid escape sequence"},
    {0x221B, "trim error"},
    {0x379B, "Expression cannot be cast to the specified type"},
    {0x37A8, "collating sequence not permitted"},
    {ASI_ERR_GENERAL, "internal error of the SQL client"},
    {ASI_ERR_BAD_ARGUMENT, "invalid argument"},
    {ASI_ERR_NO_MEMORY, "out of memory"},
    {ASI_ERR_STREAM, "damaged or truncated value stream"},
    {ASI_ERR_STREAM_FULL, "value stream buffer full"},
    {ASI_ERR_TOO_DEEP, "calls nested too deeply"},
    {ASI_ERR_INDEX, "index out of range"},
    {ASI_ERR_CHARSET, "unknown character set"},
    {ASI_ERR_LOCALE, "unknown locale"},
    {ASI_ERR_LOCALE_UNSUPPORTED, "unsupported locale"},
    {ASI_ERR_LINK_CONDITION, "link client error"},
};

/* Destroys a record's strings and items in place. */
void diag_free_rec(asi_diag_rec &r) noexcept
{
    for (int k = 0; k < r.itemCount; k++)
        r.items[k].~asi_diag_item();
    asi_mfree(r.items);
    r.items = nullptr;
    r.itemCount = 0;
    r.message.~CAsiUcStr();
}

/* Constructs dst in place as a copy of src; throws 0xA008. */
void diag_copy_rec(asi_diag_rec *dst, const asi_diag_rec &src)
{
    new (dst) asi_diag_rec{src.code, src.message, 0, nullptr};
    if (src.itemCount == 0)
        return;
    try {
        dst->items = (asi_diag_item *)asi_malloc(sizeof(asi_diag_item) * src.itemCount);
    } catch (...) {
        dst->message.~CAsiUcStr();
        throw;
    }
    for (int k = 0; k < src.itemCount; k++)
        new (&dst->items[k]) asi_diag_item(src.items[k]);
    dst->itemCount = src.itemCount;
}

/* The item of id in a record, or null. */
const asi_diag_item *diag_find_item(const asi_diag_rec &r, int id) noexcept
{
    for (int k = 0; k < r.itemCount; k++)
        if (r.items[k].id == id)
            return &r.items[k];
    return nullptr;
}

/* The engine's catalogue, opened on first use; null when not found. */
CAsiMsgFile *diag_catalog()
{
    static CAsiMsgFile *catalog = nullptr;
    static int tried = 0;
    CAsiCriticalLock lock;
    if (!tried) {
        tried = 1;
        char path[ASI_PATH_MAX];
        if (asi_find_home(DIAG_CATALOG, path, sizeof path) > 0) {
            CAsiMsgFile *f = new CAsiMsgFile();
            if (f && f->open(path))
                catalog = f;
            else
                delete f;
        }
    }
    return catalog;
}

} // namespace

/* The SQLSTATE of a code: class as two hex digits, subclass as three
** decimal digits. */
char *asi_sqlstate_text(int code, char out[ASI_SQLSTATE_LEN + 1]) noexcept
{
    std::snprintf(out, ASI_SQLSTATE_LEN + 1, "%02X%03d", (code >> 8) & 0xFF, code & 0xFF);
    return out;
}

/* An empty area. */
CAsiDiagArea::CAsiDiagArea() noexcept : m_count(0), m_capacity(0), m_recs(nullptr) {}

/* A copy of another area's records; throws 0xA008. */
CAsiDiagArea::CAsiDiagArea(const CAsiDiagArea &other)
    : CAsiObject(other), m_count(0), m_capacity(0), m_recs(nullptr)
{
    assign(other);
}

/* Replaces the records by copies of another's. */
CAsiDiagArea &CAsiDiagArea::operator=(const CAsiDiagArea &other)
{
    assign(other);
    return *this;
}

/* Frees every record. */
CAsiDiagArea::~CAsiDiagArea()
{
    release();
}

/* A new copy; null without memory. */
CAsiDiagArea *CAsiDiagArea::clone() const
{
    return asi_clone_by_assign(*this);
}

/* Frees every record; the area becomes empty. */
void CAsiDiagArea::release()
{
    for (int i = 0; i < m_count; i++)
        diag_free_rec(m_recs[i]);
    asi_mfree(m_recs);
    m_recs = nullptr;
    m_count = 0;
    m_capacity = 0;
}

/* Copies another area's records over this one's. */
void CAsiDiagArea::assign(const CAsiDiagArea &other)
{
    if (this == &other)
        return;
    release();
    for (int i = 0; i < other.m_count; i++)
        appendRecord(other, i);
}

/* Room for one more record (records are moved bitwise: a CAsiUcStr is one
** pointer and may be relocated). */
void CAsiDiagArea::grow()
{
    if (m_count < m_capacity)
        return;
    int cap = m_capacity ? m_capacity * 2 : DIAG_FIRST_CAPACITY;
    m_recs = (asi_diag_rec *)asi_realloc(m_recs, sizeof(asi_diag_rec) * cap);
    m_capacity = cap;
}

/* Starts a record of code; answers its index. */
int CAsiDiagArea::addCondition(int code)
{
    grow();
    new (&m_recs[m_count]) asi_diag_rec{code, CAsiUcStr(), 0, nullptr};
    return m_count++;
}

/* Adds an item of either kind to the current record. */
static int diag_add_item(asi_diag_rec *r, int item, int isText, int number, const CAsiUcStr *text)
{
    if (!r)
        return 0;
    for (int k = 0; k < r->itemCount; k++) {
        if (r->items[k].id == item) {
            r->items[k].isText = isText;
            r->items[k].number = number;
            r->items[k].text = text ? *text : CAsiUcStr();
            return 1;
        }
    }
    r->items = (asi_diag_item *)asi_realloc(r->items, sizeof(asi_diag_item) * (r->itemCount + 1));
    new (&r->items[r->itemCount]) asi_diag_item{item, isText, number, text ? *text : CAsiUcStr()};
    r->itemCount++;
    return 1;
}

/* Adds an integer item to the current record; 0 without a record. */
int CAsiDiagArea::addNumItem(int item, int value)
{
    return diag_add_item(m_count ? &m_recs[m_count - 1] : nullptr, item, 0, value, nullptr);
}

/* Adds a text item to the current record; 0 without a record. */
int CAsiDiagArea::addTextItem(int item, const CAsiUcStr &value)
{
    return diag_add_item(m_count ? &m_recs[m_count - 1] : nullptr, item, 1, 0, &value);
}

/* Sets the current record's message text; 0 without a record. */
int CAsiDiagArea::setCondText(const CAsiUcStr &text)
{
    if (!m_count)
        return 0;
    m_recs[m_count - 1].message = text;
    return 1;
}

/* Gives the current record its default text when it has none. */
int CAsiDiagArea::complete()
{
    if (!m_count)
        return 0;
    asi_diag_rec &r = m_recs[m_count - 1];
    if (r.message.isEmpty())
        defaultText(r.code, r.message);
    return 1;
}

/* Appends a copy of another area's record i. */
int CAsiDiagArea::appendRecord(const CAsiDiagArea &other, int i)
{
    if (i < 0 || i >= other.m_count)
        return 0;
    if (&other == this) {
        /* Copy first (growing may move the source), then move it in. */
        alignas(asi_diag_rec) unsigned char raw[sizeof(asi_diag_rec)];
        asi_diag_rec *tmp = (asi_diag_rec *)raw;
        diag_copy_rec(tmp, m_recs[i]);
        try {
            grow();
        } catch (...) {
            diag_free_rec(*tmp);
            throw;
        }
        std::memcpy((void *)&m_recs[m_count], raw, sizeof raw);
        m_count++;
        return 1;
    }
    grow();
    diag_copy_rec(&m_recs[m_count], other.m_recs[i]);
    m_count++;
    return 1;
}

/* Record i's native code; 0 when out of range. */
int CAsiDiagArea::condCode(int i) const noexcept
{
    return (i >= 0 && i < m_count) ? m_recs[i].code : 0;
}

/* Record i's message text. */
int CAsiDiagArea::condText(int i, CAsiUcStr &out) const
{
    if (i < 0 || i >= m_count) {
        out.clear();
        return 0;
    }
    out = m_recs[i].message;
    return 1;
}

/* Record i's SQLSTATE: the one its driver gave (item ASI_ITEM_SQLSTATE),
** else the one its code carries. 1, or 0 with an empty text when i is out
** of range. */
int CAsiDiagArea::condSqlstate(int i, char out[ASI_SQLSTATE_LEN + 1]) const noexcept
{
    if (i < 0 || i >= m_count) {
        out[0] = '\0';
        return 0;
    }
    const asi_diag_item *it = diag_find_item(m_recs[i], ASI_ITEM_SQLSTATE);
    if (it && it->isText && it->text.length() == ASI_SQLSTATE_LEN) {
        const char16_t *u = it->text.ucs();
        for (int k = 0; k < ASI_SQLSTATE_LEN; k++)
            out[k] = (u[k] < 128) ? (char)u[k] : '?';
        out[ASI_SQLSTATE_LEN] = '\0';
        return 1;
    }
    asi_sqlstate_text(m_recs[i].code, out);
    return 1;
}

/* Record i's integer item; 0 when absent. */
int CAsiDiagArea::condNumItem(int i, int item) const noexcept
{
    if (i < 0 || i >= m_count)
        return 0;
    const asi_diag_item *it = diag_find_item(m_recs[i], item);
    return (it && !it->isText) ? it->number : 0;
}

/* Record i's text item. */
int CAsiDiagArea::condTextItem(int i, int item, CAsiUcStr &out) const
{
    const asi_diag_item *it = (i >= 0 && i < m_count) ? diag_find_item(m_recs[i], item) : nullptr;
    if (!it || !it->isText) {
        out.clear();
        return 0;
    }
    out = it->text;
    return 1;
}

/* Record i's item as text. */
int CAsiDiagArea::condItem(int i, int item, CAsiUcStr &out) const
{
    const asi_diag_item *it = (i >= 0 && i < m_count) ? diag_find_item(m_recs[i], item) : nullptr;
    if (!it) {
        out.clear();
        return 0;
    }
    if (it->isText) {
        out = it->text;
    } else {
        char num[16];
        std::snprintf(num, sizeof num, "%d", it->number);
        out = num;
    }
    return 1;
}

/* The default text of a code: catalogue, built-in table, "Error %d". */
int CAsiDiagArea::defaultText(int code, CAsiUcStr &out)
{
    if (CAsiMsgFile *cat = diag_catalog()) {
        if (code >= 0 && code <= 0xFFFF && cat->text(ASI_MSG_SET_CONDITIONS, code, out))
            return 1;
    }
    for (const diag_text &t : diag_builtin) {
        if (t.code == code) {
            out = t.text;
            return 1;
        }
    }
    char buf[32];
    std::snprintf(buf, sizeof buf, "Error %d", code);
    out = buf;
    return 0;
}

/* Records the condition and throws it. */
void asi_raise_state(int code)
{
    CAsiException e(code, "asi_raise_state");
    if (CAsiDiagArea *d = asi_thread_diag()) {
        try {
            d->addCondition(code);
            e.setRecorded(1);
            d->complete();
        } catch (...) {
            /* Without memory the frame records the code instead. */
        }
    }
    throw e;
}

/* Records the warning and returns. */
void asi_warn_state(int code) noexcept
{
    if (CAsiDiagArea *d = asi_thread_diag()) {
        try {
            d->addCondition(code);
            d->complete();
        } catch (...) {
            /* A warning that cannot be recorded is dropped. */
        }
    }
}
