/*
** ase_dbrow.cpp: CAseDbRow: building rows from descriptions and names,
** writing names, values and descriptions into the host's lists and reading
** replies back, single values and their marks, comparisons, and the SQL
** texts of key columns.
*/
#include "linkclient/ase_dbrow.h"

#include <cstdint>
#include <cstring>

#include "linkclient/ase_coldsc.h"
#include "linkclient/ase_errlist.h"
#include "linkclient/ase_list.h"
#include "linkclient/ase_resbuf.h"
#include "linkclient/ase_values.h"
#include "platform/include/ads_host.h"
#include "sqlclient/asi_row.h"
#include "sqlclient/base/asi_codepage.h"
#include "sqlclient/base/asi_memory.h"
#include "sqlclient/values/asi_approx.h"
#include "sqlclient/values/asi_data.h"
#include "sqlclient/values/asi_integer.h"

namespace {

/* The multibyte form of an engine string in the current code page. */
std::string mb_of(const CAsiUcStr &s)
{
    std::string out((std::size_t)s.mbLength() + 1, '\0');
    s.toMb(out.data(), (int)out.size());
    out.resize(std::strlen(out.c_str()));
    return out;
}

/* The column name in SQL form (a delimited name in double quotes). */
std::string sql_name(const CAsiColumn &col)
{
    CAsiUcStr s;
    col.name().appendSql(s);
    return mb_of(s);
}

/* Drops blanks at the end of s. */
void strip_trailing(std::string &s)
{
    while (!s.empty() && s.back() == ' ')
        s.pop_back();
}

/* 1 for the interval codes of the year-month family. */
int year_month(int code) noexcept
{
    return code == 1 || code == 2 || code == 7;
}

/* The result of a value pair under the family rules: -2 when the two
** cannot be compared, else 1 when they can. */
int comparable(const CAsiData &a, const CAsiData &b) noexcept
{
    int ta = a.typeCode(), tb = b.typeCode();
    switch (ta) {
    case ASI_TYPE_CHAR: case ASI_TYPE_VARCHAR:
        return tb == ASI_TYPE_CHAR || tb == ASI_TYPE_VARCHAR;
    case ASI_TYPE_NUMERIC: case ASI_TYPE_DECIMAL: case ASI_TYPE_INTEGER: case ASI_TYPE_SMALLINT:
    case ASI_TYPE_FLOAT: case ASI_TYPE_REAL: case ASI_TYPE_DOUBLE:
        return tb >= ASI_TYPE_NUMERIC && tb <= ASI_TYPE_DOUBLE;
    case ASI_TYPE_DATETIME: {
        if (tb != ASI_TYPE_DATETIME)
            return 0;
        int ca = a.datetimeCode(), cb = b.datetimeCode();
        if (ca == ASI_DT_DATE || ca == ASI_DT_TIME)
            return ca == cb;
        return (ca == ASI_DT_TIMESTAMP || ca == ASE_DT_TIME_TZ || ca == ASE_DT_TIMESTAMP_TZ) &&
               cb == ASI_DT_TIMESTAMP;
    }
    case ASI_TYPE_INTERVAL:
        return tb == ASI_TYPE_INTERVAL && year_month(a.intervalCode()) == year_month(b.intervalCode());
    default:
        return 0;
    }
}

} // namespace

/* An empty row. */
CAseDbRow::CAseDbRow(CAseErrList *owner, int flag) noexcept
    : CAseObj(owner), m_flag(flag), m_row(nullptr), m_changed(nullptr)
{
}

/* Deletes the engine row (unless detached) and the marks. */
CAseDbRow::~CAseDbRow()
{
    clear();
}

/* Deletes the engine row and frees the marks; 1. */
int CAseDbRow::clear()
{
    delete m_row;
    m_row = nullptr;
    clearChanged();
    return 1;
}

/* clear, then a new engine row of n columns without names or values; 1,
** or 0 with (2, 2) (or the engine's items for a bad count). */
int CAseDbRow::reset(int n) noexcept
{
    if (!clear())
        return 0;
    return ase_guard(m_owner, 0, [&] {
        m_row = new CAsiRow(n);
        if (!m_row)
            return error(ASE_CAT_SYSTEM, ASE_ERR_NO_MEMORY);
        return 1;
    });
}

/* clear, then owns the given engine row until detach; 1. */
int CAseDbRow::attach(CAsiRow *row) noexcept
{
    if (row == m_row)
        return 1;
    if (!clear())
        return 0;
    m_row = row;
    return 1;
}

/* Number of columns; 0 without a row. */
int CAseDbRow::count() const noexcept
{
    return m_row ? m_row->count() : 0;
}

/* 1 when column i exists. */
int CAseDbRow::has(int i) const noexcept
{
    return m_row && i >= 0 && i < m_row->count();
}

/* The value object of column i (owned by the row); null without one. */
CAsiData *CAseDbRow::value(int i) const noexcept
{
    return has(i) ? (*m_row)[i].value() : nullptr;
}

/* The code page of every text of the row: the library's current one. */
const char *CAseDbRow::codePage() const noexcept
{
    return asi_current_cp();
}

/* A new row on the same error list with flag 1 and copies of the columns;
** null when the copy fails. */
CAseObj *CAseDbRow::clone() const
{
    return cloneInto(new CAseDbRow(m_owner, 1));
}

/* Copies the columns of another row (names and values; marks are not
** copied); 1 for itself, 0 for another class or when the row cannot be
** made. */
int CAseDbRow::copyFrom(const CAseObj *other)
{
    if (other == this)
        return 1;
    if (!other || !other->isKindOf(ASE_CLASS_DBROW))
        return 0;
    const CAseDbRow *o = static_cast<const CAseDbRow *>(other);
    if (!clear())
        return 0;
    if (!o->m_row)
        return 1;
    if (!reset(o->m_row->count()))
        return 0;
    return ase_guard(m_owner, 0, [&] {
        for (int i = 0; i < o->m_row->count(); ++i)
            (*m_row)[i] = (*o->m_row)[i];
        return 1;
    });
}

/* A row of one column per descriptor of the list, each made by the
** descriptor (named and typed, null value); 1, else the row is cleared and
** 0. */
int CAseDbRow::fromColDscList(CAseList &list) noexcept
{
    if (!reset(list.count()))
        return 0;
    int ok = ase_guard(m_owner, 0, [&] {
        for (int i = 0; i < list.count(); ++i) {
            CAseObj *obj = list.item(i);
            if (!obj || !obj->isKindOf(ASE_CLASS_COLDSC))
                return error(ASE_CAT_ARGUMENT, ASE_ERR_BAD_ARGUMENT);
            CAsiColumn *col = static_cast<CAseColDsc *>(obj)->makeColumn();
            if (!col)
                return 0;
            (*m_row)[i] = *col;
            delete col;
        }
        return 1;
    });
    if (!ok)
        clear();
    return ok;
}

/* Reads full descriptions (without conversion) from the list's cursor
** until an RTLE element or the end of the list, then builds the row from
** them.  A malformed description fails the whole call (0, with its item);
** so does one that cannot be kept. */
int CAseDbRow::fromColDscResBuf(CAseResBuf &list) noexcept
{
    if (!clear())
        return 0;
    CAseList descs(m_owner, ASE_LIST_BLOCK);
    while (list.get(1) && list.curType() != RTLE) {
        CAseColDsc *d = new CAseColDsc(m_owner);
        if (!d)
            return error(ASE_CAT_SYSTEM, ASE_ERR_NO_MEMORY);
        if (!d->fromResBuf(list, 0) || !descs.append(d)) {
            delete d;
            return 0;
        }
    }
    return fromColDscList(descs);
}

/* A row of one column per RTSTR element with a text from first on (up to
** the first other element), named by the text, holding a null CHARACTER
** VARYING(256); 1, or 0 (row cleared) when the engine raises. */
int CAseDbRow::namesFrom(const resbuf *first) noexcept
{
    int n = 0;
    for (const resbuf *rb = first; rb && rb->restype == RTSTR && rb->resval.rstring; rb = rb->rbnext)
        ++n;
    if (!reset(n))
        return 0;
    int ok = ase_guard(m_owner, 0, [&] {
        const resbuf *rb = first;
        for (int i = 0; i < n; ++i, rb = rb->rbnext) {
            CAsiIdent id;
            id.set(CAsiUcStr(rb->resval.rstring));
            CAsiData *v = ase_value_for(ASI_TYPE_VARCHAR, ASE_NAME_VALUE_LENGTH, 0, 0, nullptr, nullptr);
            if (!v)
                asi_throw(ASI_ERR_NO_MEMORY, "CAseDbRow::fromNames");
            v->setNull();
            CAsiColumn col(id, v);
            delete v;
            (*m_row)[i] = col;
        }
        return 1;
    });
    if (!ok)
        clear();
    return ok;
}

/* A row named by the RTSTR texts from the head of the list. */
int CAseDbRow::fromNames(CAseResBuf &list) noexcept
{
    return namesFrom(list.head());
}

/* A row named by the RTSTR texts after the cursor; the cursor stays. */
int CAseDbRow::fromNamesAfterCursor(CAseResBuf &list) noexcept
{
    return namesFrom(list.get(2));
}

/* Appends per column an RTSTR with its name in SQL form; 1, 0 when an
** element fails, (2, 1) without a row. */
int CAseDbRow::namesToResBuf(CAseResBuf &list) noexcept
{
    if (!m_row)
        return error(ASE_CAT_SYSTEM, ASE_ERR_NO_ROW);
    return ase_guard(m_owner, 0, [&] {
        list.last();
        for (int i = 0; i < m_row->count(); ++i)
            if (!list.appendValue(RTSTR, sql_name((*m_row)[i]).c_str()))
                return 0;
        return 1;
    });
}

/* The value text of column i (hexadecimal digits for bit values) into
** *out; 1, 0 for a null value.  Throws engine failures. */
int CAseDbRow::valueText(int i, std::string *out) const
{
    CAsiUcStr s;
    const CAsiData *v = value(i);
    if (!v || !ase_value_text(*v, s)) {
        out->clear();
        return 0;
    }
    *out = mb_of(s);
    return 1;
}

/* Appends per column its value in the result type of its SQL type: RTSTR
** texts (character, datetime, interval, bit), RTREAL, RTLONG; RTVOID for
** a missing or null value and an implementation type.  1; 0 for a POINT or
** another type without a result type, when an element fails, or without a
** row (no item). */
int CAseDbRow::valuesToResBuf(CAseResBuf &list) noexcept
{
    if (!m_row)
        return 0;
    return ase_guard(m_owner, 0, [&] {
        list.last();
        for (int i = 0; i < m_row->count(); ++i) {
            const CAsiData *v = value(i);
            if (!v || v->isNull()) {
                if (!list.append(RTVOID))
                    return 0;
                continue;
            }
            switch (v->typeCode()) {
            case ASI_TYPE_CHAR: case ASI_TYPE_DATETIME: case ASI_TYPE_INTERVAL: case ASI_TYPE_VARCHAR:
            case ASI_TYPE_BIT: case ASI_TYPE_VARBIT: {
                std::string t;
                valueText(i, &t);
                if (!list.appendValue(RTSTR, t.c_str()))
                    return 0;
                break;
            }
            case ASI_TYPE_NUMERIC: case ASI_TYPE_DECIMAL: case ASI_TYPE_FLOAT: case ASI_TYPE_REAL:
            case ASI_TYPE_DOUBLE: {
                double d = 0.0;
                if (!v->getDouble(&d) || !list.append(RTREAL) || !list.setReal(d))
                    return 0;
                break;
            }
            case ASI_TYPE_INTEGER: case ASI_TYPE_SMALLINT: {
                std::int32_t l = 0;
                if (!v->getLong(&l) || !list.append(RTLONG) || !list.setLong(l))
                    return 0;
                break;
            }
            case ASI_TYPE_IMPL:
                if (!list.append(RTVOID))
                    return 0;
                break;
            default:
                return 0;
            }
        }
        return 1;
    });
}

/* Appends per column an RTSTR with its value text (hexadecimal for bit
** values); a missing or null value gives "" with mode 1, else RTVOID.  1;
** 0 when an element fails or without a row. */
int CAseDbRow::valuesToTextResBuf(CAseResBuf &list, int mode) noexcept
{
    if (!m_row)
        return 0;
    return ase_guard(m_owner, 0, [&] {
        list.last();
        for (int i = 0; i < m_row->count(); ++i) {
            std::string t;
            int ok = valueText(i, &t) ? list.appendValue(RTSTR, t.c_str())
                                      : (mode == ASE_NULL_AS_EMPTY ? list.appendValue(RTSTR, "") : list.append(RTVOID));
            if (!ok)
                return 0;
        }
        return 1;
    });
}

/* Appends the full description of every column (RTSTR and RTSHORT
** elements); 1, 0 when one fails, (2, 1) without a row. */
int CAseDbRow::colDscToResBuf(CAseResBuf &list) noexcept
{
    if (!m_row)
        return error(ASE_CAT_SYSTEM, ASE_ERR_NO_ROW);
    for (int i = 0; i < m_row->count(); ++i) {
        CAseColDsc *d = colDsc(i);
        int ok = d && d->toResBuf(list, 1, 0);
        delete d;
        if (!ok)
            return 0;
    }
    return 1;
}

/* Replaces each column's value from the element under the cursor, moving
** the cursor on: RTREAL a REAL, RTSTR a CHARACTER(255) (a bit column from
** hexadecimal digits), RTLONG an INTEGER, each set in a copy of the
** column's own value when it has one; RTVOID null.  Another type or the
** end of the list sets this column and all after it null.  1; 0 with
** (2, 1) without a row, 0 when the engine raises. */
int CAseDbRow::setValuesFromResBuf(CAseResBuf &list) noexcept
{
    if (!m_row)
        return error(ASE_CAT_SYSTEM, ASE_ERR_NO_ROW);
    return ase_guard(m_owner, 0, [&] {
        int ended = 0;
        for (int i = 0; i < m_row->count(); ++i) {
            CAsiColumn &col = (*m_row)[i];
            const resbuf *rb = ended ? nullptr : list.get(1);
            int t = rb ? rb->restype : 0;
            if (t != RTREAL && t != RTSTR && t != RTLONG) {
                if (t != RTVOID)
                    ended = 1;
                if (col.value())
                    col.value()->setNull();
                if (!ended)
                    list.next();
                continue;
            }
            CAsiData *v = nullptr;
            if (col.value())
                v = col.value()->clone();
            else if (t == RTREAL)
                v = new CAsiReal();
            else if (t == RTLONG)
                v = new CAsiInteger();
            else
                v = ase_value_for(ASI_TYPE_CHAR, ASE_HOST_TEXT_LENGTH, 0, 0, nullptr, nullptr);
            if (!v)
                asi_throw(ASI_ERR_NO_MEMORY, "CAseDbRow::setValuesFromResBuf");
            if (t == RTREAL)
                v->setDouble(rb->resval.rreal);
            else if (t == RTLONG)
                v->setLong(rb->resval.rlong);
            else
                ase_value_set_text(*v, rb->resval.rstring ? rb->resval.rstring : "");
            try {
                col.setValue(v);
            } catch (...) {
                delete v;
                throw;
            }
            delete v;
            list.next();
        }
        return 1;
    });
}

/* Assigns the elements under the cursor to the columns, converted into
** each column's type: RTREAL through a REAL, RTLONG through an INTEGER,
** RTSTR through a copy of the column's own value set from the text, RTVOID
** null.  An element of another type ends the assignment with success.  0
** when the list ends before the last column, a conversion fails or there
** is no row. */
int CAseDbRow::assignFromResBuf(CAseResBuf &list) noexcept
{
    if (!m_row)
        return 0;
    return ase_guard(m_owner, 0, [&] {
        for (int i = 0; i < m_row->count(); ++i) {
            CAsiColumn &col = (*m_row)[i];
            const resbuf *rb = list.get(1);
            if (!rb)
                return 0;
            switch (rb->restype) {
            case RTREAL: {
                CAsiReal r;
                r.setDouble(rb->resval.rreal);
                col.assignValue(r);
                break;
            }
            case RTLONG: {
                CAsiInteger n;
                n.setLong(rb->resval.rlong);
                col.assignValue(n);
                break;
            }
            case RTSTR: {
                if (!col.value())
                    return 0;
                CAsiData *v = col.value()->clone();
                if (!v)
                    asi_throw(ASI_ERR_NO_MEMORY, "CAseDbRow::assignFromResBuf");
                int ok = ase_guard(nullptr, 0, [&] {
                    ase_value_set_text(*v, rb->resval.rstring ? rb->resval.rstring : "");
                    col.assignValue(*v);
                    return 1;
                });
                delete v;
                if (!ok)
                    return 0;
                break;
            }
            case RTVOID:
                if (col.value())
                    col.value()->setNull();
                break;
            default:
                return 1;
            }
            list.next();
        }
        return 1;
    });
}

/* 1 when column i's value is null (or it has none); 0 without column. */
int CAseDbRow::isNull(int i) const noexcept
{
    if (!has(i))
        return 0;
    const CAsiData *v = value(i);
    return !v || v->isNull();
}

/* 1 when every value is null, also for no columns. */
int CAseDbRow::allNull() const noexcept
{
    for (int i = 0; i < count(); ++i)
        if (!isNull(i))
            return 0;
    return 1;
}

/* The value's own class tests; 0 without a value. */
int CAseDbRow::isNumeric(int i) const noexcept
{
    const CAsiData *v = value(i);
    return v ? v->isNumeric() : 0;
}

int CAseDbRow::isCharacter(int i) const noexcept
{
    const CAsiData *v = value(i);
    return v ? v->isCharacter() : 0;
}

int CAseDbRow::isBit(int i) const noexcept
{
    const CAsiData *v = value(i);
    return v ? v->isBit() : 0;
}

/* 1 for a datetime or interval value. */
int CAseDbRow::isDatetimeOrInterval(int i) const noexcept
{
    const CAsiData *v = value(i);
    return v ? (v->isDatetime() || v->isInterval() || v->isYearMonthInterval() || v->isDayTimeInterval()) : 0;
}

/* 1 when column i's value is comparable with a value of the described
** column. */
int CAseDbRow::isComparable(int i, const CAseColDsc *dsc) const noexcept
{
    const CAsiData *v = value(i);
    if (!v || !dsc)
        return 0;
    CAsiColumn *col = dsc->makeColumn();
    if (!col)
        return 0;
    int r = ase_guard(m_owner, 0, [&] { return col->value() ? v->isComparable(col->value()) : 0; });
    delete col;
    return r;
}

/* The value's text into buf, the first offset bytes dropped, cut to size
** - 1 bytes, trailing blanks removed; a null value gives "".  1; 0 without
** column or buffer, or when the engine raises. */
int CAseDbRow::getText(int i, char *buf, int size, int offset) const noexcept
{
    if (!buf || size < 1 || !has(i))
        return 0;
    buf[0] = '\0';
    return ase_guard(m_owner, 0, [&] {
        std::string t;
        valueText(i, &t);
        if (offset > 0)
            t = (int)t.size() > offset ? t.substr((std::size_t)offset) : std::string();
        if ((int)t.size() > size - 1)
            t.resize((std::size_t)size - 1);
        strip_trailing(t);
        std::memcpy(buf, t.c_str(), t.size() + 1);
        return 1;
    });
}

/* Byte length of the value's text plus 1; -1 on failure. */
int CAseDbRow::textLength(int i) const noexcept
{
    if (!has(i))
        return -1;
    return ase_guard(m_owner, -1, [&] {
        std::string t;
        valueText(i, &t);
        return (int)t.size() + 1;
    });
}

/* A scratch copy of the value's text with trailing blanks removed; null
** with (2, 2) when no buffer is available, null without column. */
char *CAseDbRow::textCopy(int i) const noexcept
{
    if (!has(i) || !m_owner)
        return nullptr;
    return ase_guard<char *>(m_owner, nullptr, [&]() -> char * {
        std::string t;
        valueText(i, &t);
        strip_trailing(t);
        char *p = m_owner->get((int)t.size());
        if (p)
            std::memcpy(p, t.c_str(), t.size() + 1);
        return p;
    });
}

/* The column name in SQL form into buf (cut to size - 1 bytes); 1. */
int CAseDbRow::getName(int i, char *buf, int size) const noexcept
{
    if (!buf || size < 1 || !has(i))
        return 0;
    return ase_guard(m_owner, 0, [&] {
        std::string n = sql_name((*m_row)[i]);
        std::size_t k = n.size() < (std::size_t)size - 1 ? n.size() : (std::size_t)size - 1;
        std::memcpy(buf, n.c_str(), k);
        buf[k] = '\0';
        return 1;
    });
}

/* The value as a long / a double; 1 when the conversion succeeds. */
int CAseDbRow::getLong(int i, long *out) const noexcept
{
    CAsiData *v = value(i);
    if (!v || !out)
        return 0;
    return ase_guard(m_owner, 0, [&] {
        std::int32_t l = 0;
        if (!v->getLong(&l))
            return 0;
        *out = l;
        return 1;
    });
}

int CAseDbRow::getDouble(int i, double *out) const noexcept
{
    CAsiData *v = value(i);
    if (!v || !out)
        return 0;
    return ase_guard(m_owner, 0, [&] { return v->getDouble(out) ? 1 : 0; });
}

/* Sets the value from text (null: null; bit values from hexadecimal
** digits) and marks the column changed; 1, 0 when the engine raises. */
int CAseDbRow::setText(int i, const char *text) noexcept
{
    CAsiData *v = value(i);
    if (!v)
        return 0;
    int ok = ase_guard(m_owner, 0, [&] {
        if (!text)
            v->setNull();
        else
            ase_value_set_text(*v, text);
        return 1;
    });
    return ok && markChanged(i);
}

/* Sets the value from a long / a double and marks the column changed. */
int CAseDbRow::setLong(int i, long l) noexcept
{
    CAsiData *v = value(i);
    if (!v)
        return 0;
    int ok = ase_guard(m_owner, 0, [&] { v->setLong((std::int32_t)l); return 1; });
    return ok && markChanged(i);
}

int CAseDbRow::setDouble(int i, double d) noexcept
{
    CAsiData *v = value(i);
    if (!v)
        return 0;
    int ok = ase_guard(m_owner, 0, [&] { v->setDouble(d); return 1; });
    return ok && markChanged(i);
}

/* Sets the value from an engine string (bit values from hexadecimal
** digits), without a mark. */
int CAseDbRow::setUcStr(int i, const CAsiUcStr &text) noexcept
{
    CAsiData *v = value(i);
    if (!v)
        return 0;
    return ase_guard(m_owner, 0, [&] { ase_value_set_ucstr(*v, text); return 1; });
}

/* Marks column i changed, allocating the zeroed marks on first use; 1, 0
** without column, (2, 2) without memory. */
int CAseDbRow::markChanged(int i) noexcept
{
    if (!has(i))
        return 0;
    if (!m_changed) {
        m_changed = static_cast<unsigned char *>(asi_malloc_nothrow((std::size_t)m_row->count()));
        if (!m_changed)
            return error(ASE_CAT_SYSTEM, ASE_ERR_NO_MEMORY);
        std::memset(m_changed, 0, (std::size_t)m_row->count());
    }
    m_changed[i] = 1;
    return 1;
}

/* 1 when column i is marked; 0 without marks. */
int CAseDbRow::isChanged(int i) const noexcept
{
    return m_changed && has(i) ? m_changed[i] : 0;
}

/* The number of marked columns. */
int CAseDbRow::changedCount() const noexcept
{
    int n = 0;
    for (int i = 0; m_changed && i < count(); ++i)
        n += m_changed[i];
    return n;
}

/* Frees the marks. */
void CAseDbRow::clearChanged() noexcept
{
    asi_mfree(m_changed);
    m_changed = nullptr;
}

/* A new descriptor of column i, owned by the caller; null on failure. */
CAseColDsc *CAseDbRow::colDsc(int i) const noexcept
{
    if (!has(i))
        return nullptr;
    CAseColDsc *d = new CAseColDsc(m_owner);
    if (!d) {
        error(ASE_CAT_SYSTEM, ASE_ERR_NO_MEMORY);
        return nullptr;
    }
    if (!d->fromColumn((*m_row)[i])) {
        delete d;
        return nullptr;
    }
    return d;
}

/* A new list (block size 10) of the descriptors of every column; null
** when one fails. */
CAseList *CAseDbRow::colDscList() const noexcept
{
    CAseList *list = new CAseList(m_owner, ASE_LIST_BLOCK);
    if (!list) {
        error(ASE_CAT_SYSTEM, ASE_ERR_NO_MEMORY);
        return nullptr;
    }
    for (int i = 0; i < count(); ++i) {
        CAseColDsc *d = colDsc(i);
        if (!d || !list->append(d)) {
            delete d;
            delete list;
            return nullptr;
        }
    }
    return list;
}

/* Orders column i's value against other: -2 when either is missing or the
** two types cannot be compared (character with character, numeric with
** numeric, DATE with DATE, TIME with TIME, timestamps with a TIMESTAMP,
** intervals of the same family); with strict 0 a null on either side is
** equal; -1 when the engine raises.  Else -1, 0 or 1. */
int CAseDbRow::compareValue(int i, const CAsiData *other, int strict) const noexcept
{
    const CAsiData *mine = value(i);
    if (!mine || !other)
        return ASE_CMP_NONE;
    return ase_guard(m_owner, -1, [&] {
        int an = mine->isNull(), bn = other->isNull();
        if (!strict && (an || bn))
            return 0;
        if (!comparable(*mine, *other))
            return ASE_CMP_NONE;
        if (an || bn)
            return an && bn ? 0 : (an ? -1 : 1);
        if (mine->isEqual(*other) == 1)
            return 0;
        return mine->isGreater(*other) == 1 ? 1 : -1;
    });
}

/* Orders against another row value by value: 0 for the same object or two
** rows without columns, -2 when only one has columns or the counts differ;
** else the first non-zero compareValue. */
int CAseDbRow::compare(const CAseObj *other) const
{
    if (other == this)
        return 0;
    if (!other || !other->isKindOf(ASE_CLASS_DBROW))
        return ASE_CMP_NONE;
    const CAseDbRow *o = static_cast<const CAseDbRow *>(other);
    if (!m_row && !o->m_row)
        return 0;
    if (!m_row || !o->m_row || m_row->count() != o->m_row->count())
        return ASE_CMP_NONE;
    for (int i = 0; i < m_row->count(); ++i) {
        int r = compareValue(i, o->value(i), 1);
        if (r)
            return r;
    }
    return 0;
}

/* The WHERE condition of the key columns: per column, " AND " between,
** the name in SQL form, then " IS NULL " for a missing or null value or
** "=" and the value's literal.  A new string owned by the caller; null
** without a row or when the engine raises. */
CAsiUcStr *CAseDbRow::keyCondition() const noexcept
{
    if (!m_row)
        return nullptr;
    return ase_guard<CAsiUcStr *>(m_owner, nullptr, [&]() -> CAsiUcStr * {
        CAsiUcStr text;
        for (int i = 0; i < m_row->count(); ++i) {
            const CAsiColumn &col = (*m_row)[i];
            if (i)
                text.append(" AND ");
            col.name().appendSql(text);
            if (!col.value() || col.value()->isNull()) {
                text.append(" IS NULL ");
            } else {
                CAsiUcStr lit;
                col.value()->literalText(lit);
                text.append("=");
                text.append(lit);
            }
        }
        return new CAsiUcStr(text);
    });
}

/* keyCondition converted into the caller's buffer (emptied first); 1, or
** 0 when it cannot be built. */
int CAseDbRow::keyConditionText(char *buf, int size) const noexcept
{
    if (!buf || size < 1)
        return 0;
    buf[0] = '\0';
    CAsiUcStr *s = keyCondition();
    if (!s)
        return 0;
    int ok = ase_guard(m_owner, 0, [&] { s->toMb(buf, size); return 1; });
    delete s;
    return ok;
}

/* The literals of the values joined by ","; " NULL " for a column without
** a value.  A new string owned by the caller, or null. */
CAsiUcStr *CAseDbRow::valueList() const noexcept
{
    if (!m_row)
        return nullptr;
    return ase_guard<CAsiUcStr *>(m_owner, nullptr, [&]() -> CAsiUcStr * {
        CAsiUcStr text;
        for (int i = 0; i < m_row->count(); ++i) {
            const CAsiColumn &col = (*m_row)[i];
            if (i)
                text.append(",");
            if (!col.value()) {
                text.append(" NULL ");
            } else {
                CAsiUcStr lit;
                col.value()->literalText(lit);
                text.append(lit);
            }
        }
        return new CAsiUcStr(text);
    });
}

/* The SET list of an UPDATE: per column, "," between, the name in SQL
** form, "=NULL" for a missing or null value, else "=" and the literal.  A
** new string owned by the caller, or null. */
CAsiUcStr *CAseDbRow::assignmentList() const noexcept
{
    if (!m_row)
        return nullptr;
    return ase_guard<CAsiUcStr *>(m_owner, nullptr, [&]() -> CAsiUcStr * {
        CAsiUcStr text;
        for (int i = 0; i < m_row->count(); ++i) {
            const CAsiColumn &col = (*m_row)[i];
            if (i)
                text.append(",");
            col.name().appendSql(text);
            text.append("=");
            if (!col.value() || col.value()->isNull()) {
                text.append("NULL");
            } else {
                CAsiUcStr lit;
                col.value()->literalText(lit);
                text.append(lit);
            }
        }
        return new CAsiUcStr(text);
    });
}

/* Dumps the row on the host's text screen. */
void CAseDbRow::print() const
{
    ads_printf("\n***CAseDbRow::PRINT N%d", count());
    if (!m_row) {
        ads_printf("\nCAseDbRow::ROW IS EMPTY");
        return;
    }
    char text[ASE_DUMP_TEXT], name[ASE_DUMP_NAME];
    for (int i = 0; i < count() && getText(i, text, sizeof text, 0); ++i) {
        getName(i, name, sizeof name);
        ads_printf("\n%s: ", name);
        ads_printf("%s", text);
        const CAsiData *v = value(i);
        if (v && v->typeCode() == ASI_TYPE_IMPL) {
            ads_printf(" ImplType=%d", v->implTypeCode());
            ase_guard(nullptr, 0, [&] {
                CAsiUcStr t;
                v->typeText(t);
                char tn[ASE_DUMP_NAME];
                ads_printf(" ImplTypeName=%s", t.toMb(tn, sizeof tn));
                return 1;
            });
        }
    }
}
