/*
** ase_coldsc.cpp: CAseColDsc: its texts, the result type of a column, name
** comparison and ordering, reading and writing descriptions in host
** result-buffer lists, and the conversions to and from the engine's
** columns and value types.
*/
#include "linkclient/ase_coldsc.h"

#include <cstdlib>
#include <cstring>
#include <string>
#include <type_traits>

#include "linkclient/ase_errlist.h"
#include "linkclient/ase_resbuf.h"
#include "linkclient/ase_values.h"
#include "platform/include/ads_host.h"
#include "sqlclient/asi_row.h"
#include "sqlclient/base/asi_codepage.h"
#include "sqlclient/base/asi_memory.h"
#include "sqlclient/values/asi_data.h"

namespace {

/* The description's five numbers after its texts. */
constexpr int k_numbers = 5;

/* 1 for a blank. */
int is_blank(char c) noexcept
{
    return c == ' ' || c == '\t';
}

/* The text without blanks at both ends. */
std::string trimmed(const char *text)
{
    const char *b = text, *e = text + std::strlen(text);
    while (b < e && is_blank(*b))
        ++b;
    while (e > b && is_blank(e[-1]))
        --e;
    return std::string(b, e);
}

/* 1 when s has at least two characters and double quotes at both ends. */
int quoted(const std::string &s) noexcept
{
    return s.size() >= 2 && s.front() == '"' && s.back() == '"';
}

/* -1, 0 or 1 for a and b. */
int order(int a, int b) noexcept
{
    return a < b ? -1 : (a > b ? 1 : 0);
}

} // namespace

/* An empty descriptor. */
CAseColDsc::CAseColDsc(CAseErrList *owner) noexcept
    : CAseObj(owner), m_name(nullptr), m_locale(nullptr), m_charSet(nullptr), m_type(0), m_prec(0), m_scale(0),
      m_dtype(0), m_status(ASE_COLDSC_STATUS_NEW)
{
}

/* Frees the texts. */
CAseColDsc::~CAseColDsc()
{
    clear();
}

/* Frees the three texts, zeroes the numbers, Status 1024; 1. */
int CAseColDsc::clear()
{
    asi_mfree(m_name);
    asi_mfree(m_locale);
    asi_mfree(m_charSet);
    m_name = m_locale = m_charSet = nullptr;
    m_type = m_prec = m_scale = m_dtype = 0;
    m_status = ASE_COLDSC_STATUS_NEW;
    return 1;
}

/* Replaces a text field by a heap copy of text (null for null); the text
** may be the field's own.  1, or 0 with (2, 2). */
int CAseColDsc::replaceText(char *&field, const char *text) noexcept
{
    char *copy = nullptr;
    if (text) {
        std::size_t n = std::strlen(text) + 1;
        copy = static_cast<char *>(asi_malloc_nothrow(n));
        if (!copy)
            return error(ASE_CAT_SYSTEM, ASE_ERR_NO_MEMORY);
        std::memcpy(copy, text, n);
    }
    asi_mfree(field);
    field = copy;
    return 1;
}

/* Stores a column name: blanks around it dropped; a name in double quotes
** kept as written, any other upper-cased with the current locale; a null
** or blank text leaves no name.  The text may be the descriptor's own
** name.  1, or 0 when a copy cannot be made. */
int CAseColDsc::setName(const char *text) noexcept
{
    if (!text)
        return replaceText(m_name, nullptr);
    return ase_guard(m_owner, 0, [&] {
        std::string t = trimmed(text);
        if (t.empty())
            return replaceText(m_name, nullptr);
        if (quoted(t) || !m_owner)
            return replaceText(m_name, t.c_str());
        char *up = m_owner->upper(t.c_str());
        if (!up)
            return 0;
        int ok = replaceText(m_name, up);
        m_owner->release(up);
        return ok;
    });
}

/* Replaces the locale by a copy of text (null for null). */
int CAseColDsc::setLocale(const char *text) noexcept
{
    return replaceText(m_locale, text);
}

/* Replaces the character set by a copy of text (null for null). */
int CAseColDsc::setCharSet(const char *text) noexcept
{
    return replaceText(m_charSet, text);
}

/* The result type that carries a value of the SQL type: RTSTR for the
** character, datetime, interval and bit types, RTREAL for the approximate
** and exact decimal types and DOUBLE PRECISION, RTLONG for INTEGER and
** SMALLINT, RTNONE for anything else. */
int CAseColDsc::rbTypeOf(int type) noexcept
{
    switch (type) {
    case ASI_TYPE_CHAR: case ASI_TYPE_DATETIME: case ASI_TYPE_INTERVAL: case ASI_TYPE_VARCHAR:
    case ASI_TYPE_BIT: case ASI_TYPE_VARBIT:
        return RTSTR;
    case ASI_TYPE_NUMERIC: case ASI_TYPE_DECIMAL: case ASI_TYPE_FLOAT: case ASI_TYPE_REAL: case ASI_TYPE_DOUBLE:
        return RTREAL;
    case ASI_TYPE_INTEGER: case ASI_TYPE_SMALLINT:
        return RTLONG;
    default:
        return RTNONE;
    }
}

/* The result type of this column's values. */
int CAseColDsc::rbType() const noexcept
{
    return rbTypeOf(m_type);
}

/* 1 when the name is set and not empty and the type has a result type. */
int CAseColDsc::isValid() const noexcept
{
    return m_name && m_name[0] && rbType() != RTNONE;
}

/* 1 when a value of other fits this column: the same result type, or this
** RTLONG and the other RTREAL; 0 for a null or invalid other. */
int CAseColDsc::isCompatible(const CAseColDsc *other) const noexcept
{
    if (!other || !other->isValid())
        return 0;
    int mine = rbType(), theirs = other->rbType();
    return mine == theirs || (mine == RTLONG && theirs == RTREAL);
}

/* A scratch copy of the name without its enclosing quotes (a quoted name
** of one or two characters gives ""); null without a name or a buffer.
** The caller gives it back with the error list's release. */
char *CAseColDsc::plainName() const noexcept
{
    if (!m_name || !m_owner)
        return nullptr;
    int n = (int)std::strlen(m_name);
    const char *from = m_name;
    if (m_name[0] == '"') {
        from = n >= 3 ? m_name + 1 : "";
        n = n >= 3 ? n - 2 : 0;
    }
    char *p = m_owner->get(n);
    if (p)
        std::memcpy(p, from, (std::size_t)n);
    return p;
}

/* Orders the name against text: quotes around either side are ignored;
** with normalise set the text's blanks are dropped, and with normalise 1
** an unquoted text is upper-cased as setName does.  Two non-empty names
** go by the current locale's collation; otherwise the longer sorts
** higher.  -1, 0 or 1. */
int CAseColDsc::compareName(const char *text, int normalise) const noexcept
{
    if (text == m_name)
        return 0;
    if (!m_name)
        return -1;
    if (!text)
        return 1;
    return ase_guard(nullptr, -1, [&] {
        std::string own = m_name;
        if (quoted(own))
            own = own.substr(1, own.size() - 2);
        std::string other = normalise ? trimmed(text) : std::string(text);
        if (quoted(other)) {
            other = other.substr(1, other.size() - 2);
        } else if (normalise == 1 && m_owner) {
            char *up = m_owner->upper(other.c_str());
            if (up) {
                other = up;
                m_owner->release(up);
            }
        }
        if (!own.empty() && !other.empty()) {
            if (!m_owner)
                return order(std::strcmp(own.c_str(), other.c_str()), 0);
            return m_owner->compareByLocale(own.c_str(), other.c_str());
        }
        return order((int)own.size(), (int)other.size());
    });
}

/* Orders by name, Type, Prec, Scale, DType and Status, the first
** difference deciding. */
int CAseColDsc::compareFields(const char *name, int nameNormalise, int type, int prec, int scale, int dtype,
                              int status) const noexcept
{
    int r = compareName(name, nameNormalise);
    if (!r) r = order(m_type, type);
    if (!r) r = order(m_prec, prec);
    if (!r) r = order(m_scale, scale);
    if (!r) r = order(m_dtype, dtype);
    if (!r) r = order(m_status, status);
    return r;
}

/* Orders against another descriptor, or against a description in a
** result-buffer list at its cursor (a name and five 16-bit numbers; a
** missing or non-numeric element gives -2).  0 for the same object, -2
** for null or another class. */
int CAseColDsc::compare(const CAseObj *other) const
{
    if (other == this)
        return 0;
    if (!other)
        return ASE_CMP_NONE;
    if (other->isKindOf(ASE_CLASS_COLDSC)) {
        const CAseColDsc *o = static_cast<const CAseColDsc *>(other);
        return compareFields(o->m_name, 0, o->m_type, o->m_prec, o->m_scale, o->m_dtype, o->m_status);
    }
    if (other->isA() != ASE_CLASS_RESBUF)
        return ASE_CMP_NONE;
    const resbuf *rb = static_cast<const CAseResBuf *>(other)->get(1);
    if (!rb || ase_rb_kind_of(rb->restype) != ASE_RBK_TEXT)
        return ASE_CMP_NONE;
    const char *name = rb->resval.rstring;
    int v[k_numbers];
    for (int k = 0; k < k_numbers; ++k) {
        rb = rb->rbnext;
        if (!rb || ase_rb_kind_of(rb->restype) != ASE_RBK_SHORT)
            return ASE_CMP_NONE;
        v[k] = rb->resval.rint;
    }
    return compareFields(name, 1, v[0], v[1], v[2], v[3], v[4]);
}

/* Copies numbers, Status and texts of another descriptor; 1 for itself;
** 0 for another class, or when the name or character set cannot be set
** (a locale that cannot be set is left null). */
int CAseColDsc::copyFrom(const CAseObj *other)
{
    if (other == this)
        return 1;
    if (!other || !other->isKindOf(ASE_CLASS_COLDSC))
        return 0;
    const CAseColDsc *o = static_cast<const CAseColDsc *>(other);
    m_type = o->m_type;
    m_prec = o->m_prec;
    m_scale = o->m_scale;
    m_dtype = o->m_dtype;
    m_status = o->m_status;
    if (!replaceText(m_name, o->m_name) || !setCharSet(o->m_charSet))
        return 0;
    if (!setLocale(o->m_locale))
        replaceText(m_locale, nullptr);
    return 1;
}

/* A new descriptor on the same error list with the same content; null
** with (2, 2), or when the copy fails. */
CAseObj *CAseColDsc::clone() const
{
    return cloneInto(new CAseColDsc(m_owner));
}

/* Adds (2, 27) with the text of a malformed description; 0. */
int CAseColDsc::malformed() const noexcept
{
    char text[ASE_COLNAME_DELIMITED * 4];
    return error(ASE_CAT_SYSTEM, ASE_ERR_BAD_DATA, messageInto(ASE_MSG_SET_COLDSC, ASE_MSG_BAD_COLDSC, text, sizeof text));
}

/* A text of the host converted into the library's code page when asked
** and a host code page is known; a scratch copy, or text itself when no
** conversion applies; null when the conversion fails. */
static const char *from_host(CAseErrList *errs, const char *text, int convert, char *&owned) noexcept
{
    owned = nullptr;
    const char *host = errs ? errs->hostCodePage() : nullptr;
    if (!convert || !host || !text)
        return text ? text : "";
    owned = errs->convert(text, host, asi_current_cp());
    return owned;
}

/* Reads one full description at the list's cursor: name, character set
** and locale (RTSTR, converted from the host's code page when asked), then
** Type, Prec, Scale, DType and Status (RTSHORT); the cursor ends after the
** last element read.  With convert 0 an RTLE at the cursor ends a list of
** descriptions quietly (0, no item).  An unknown locale is dropped.  1;
** 0 with (2, 27) for a missing element or one of a wrong type. */
int CAseColDsc::fromResBuf(CAseResBuf &list, int convert) noexcept
{
    clear();
    const resbuf *rb = list.get(1);
    if (!rb)
        return malformed();
    if (!convert && rb->restype == RTLE)
        return 0;
    const char *texts[3] = {nullptr, nullptr, nullptr};
    for (int k = 0; k < 3; ++k) {
        rb = list.get(1);
        if (!rb || rb->restype != RTSTR)
            return malformed();
        texts[k] = rb->resval.rstring ? rb->resval.rstring : "";
        list.next();
    }
    int v[k_numbers];
    for (int k = 0; k < k_numbers; ++k) {
        rb = list.get(1);
        if (!rb || rb->restype != RTSHORT)
            return malformed();
        v[k] = rb->resval.rint;
        list.next();
    }
    char *owned = nullptr;
    const char *t = from_host(m_owner, texts[0], convert, owned);
    int ok = t && setName(t);
    std::free(owned);
    if (!ok)
        return 0;
    t = from_host(m_owner, texts[1], convert, owned);
    ok = t && setCharSet(t[0] ? t : nullptr);
    std::free(owned);
    if (!ok)
        return 0;
    t = from_host(m_owner, texts[2], convert, owned);
    ok = t != nullptr;
    if (ok && t[0] && ase_guard(nullptr, 0, [&] { asi_locale_id(t); return 1; }))
        ok = setLocale(t);
    std::free(owned);
    if (!ok)
        return 0;
    m_type = v[0];
    m_prec = v[1];
    m_scale = v[2];
    m_dtype = v[3];
    m_status = v[4];
    return 1;
}

/* Reads only a name (RTSTR at the cursor; the cursor moves on); Status is
** 512 afterwards whatever the outcome.  1; 0 with (2, 27) for a missing
** or non-text element. */
int CAseColDsc::fromResBufName(CAseResBuf &list) noexcept
{
    clear();
    const resbuf *rb = list.get(1);
    int ok;
    if (!rb || rb->restype != RTSTR) {
        ok = malformed();
    } else {
        ok = setName(rb->resval.rstring);
        list.next();
    }
    m_status = ASE_COLDSC_STATUS_NAME;
    return ok;
}

/* Appends the description at the end of the list: the name, and with full
** set the character set, locale and the five numbers; as RTSTR and RTSHORT,
** or with extended set as groups 1000 and 1070 with texts converted into
** the host's code page.  1; 0 when an element or a conversion fails. */
int CAseColDsc::toResBuf(CAseResBuf &list, int full, int extended) const noexcept
{
    list.last();
    const char *host = extended && m_owner ? m_owner->hostCodePage() : nullptr;
    int textType = extended ? ASE_XD_STRING : RTSTR;
    int numType = extended ? ASE_XD_SHORT : RTSHORT;
    auto putText = [&](const char *t) {
        t = t ? t : "";
        if (!host)
            return list.appendValue(textType, t);
        char *c = m_owner->convert(t, asi_current_cp(), host);
        int ok = c && list.appendValue(textType, c);
        std::free(c);
        return ok;
    };
    if (!putText(m_name))
        return 0;
    if (!full)
        return 1;
    if (!putText(m_charSet) || !putText(m_locale))
        return 0;
    const int v[k_numbers] = {m_type, m_prec, m_scale, m_dtype, m_status};
    for (int k = 0; k < k_numbers; ++k)
        if (!list.append(numType) || !list.setShort(v[k]))
            return 0;
    return 1;
}

/* Fills the descriptor from an engine column: its identifier as name (a
** delimited or empty one in double quotes), its value's type with the
** length, precisions and codes of the type, the character set and locale
** of a character value, the type name of an implementation type.  1; 0
** with the engine's items when anything raises. */
int CAseColDsc::fromColumn(const CAsiColumn &column) noexcept
{
    CAseColDsc tmp(m_owner);
    int ok = ase_guard(m_owner, 0, [&] {
        const CAsiIdent &id = column.name();
        char field[ASE_COLNAME_DELIMITED];
        if (!id.nameRef() && !id.name().isEmpty()) {
            id.name().toMb(field, ASE_COLNAME_REGULAR);
        } else {
            field[0] = '"';
            id.name().toMb(field + 1, ASE_COLNAME_DELIMITED - 2);
            std::size_t n = std::strlen(field);
            field[n] = '"';
            field[n + 1] = '\0';
        }
        if (!tmp.setName(field))
            return 0;
        const CAsiData *v = column.value();
        if (!v)
            return 1;   /* Type 0, Prec 0 */
        tmp.m_type = v->typeCode();
        switch (tmp.m_type) {
        case ASI_TYPE_CHAR:
        case ASI_TYPE_VARCHAR: {
            char cs[ASE_COLNAME_REGULAR] = "";
            ase_char_set_name(v, cs, sizeof cs);
            if (!tmp.setCharSet(cs[0] ? cs : asi_current_cp()))
                return 0;
            char loc[ASE_COLNAME_REGULAR] = "";
            if (ase_guard(nullptr, 0, [&] { return ase_column_locale(column, loc, sizeof loc); }) && loc[0])
                tmp.setLocale(loc);
            tmp.m_prec = (int)v->length();
            break;
        }
        case ASI_TYPE_IMPL: {
            CAsiUcStr t;
            v->typeText(t);
            char text[ASE_COLNAME_REGULAR * 4];
            t.toMb(text, sizeof text);
            if (!tmp.setLocale(text[0] ? text + 1 : text))
                return 0;
            tmp.m_dtype = v->implTypeCode();
            break;
        }
        case ASI_TYPE_BIT: case ASI_TYPE_VARBIT:
            tmp.m_prec = (int)v->length();
            break;
        case ASI_TYPE_NUMERIC: case ASI_TYPE_DECIMAL:
            tmp.m_prec = (int)v->precision();
            tmp.m_scale = (int)v->scale();
            break;
        case ASI_TYPE_FLOAT:
            tmp.m_prec = (int)v->precision();
            break;
        case ASI_TYPE_DATETIME: {
            int code = v->datetimeCode();
            tmp.m_dtype = code;
            if (code == ASI_DT_TIME)
                tmp.m_prec = (int)v->timePrecision();
            else if (code >= ASI_DT_TIMESTAMP && code <= ASE_DT_TIMESTAMP_TZ)
                tmp.m_prec = (int)v->timestampPrecision();
            break;
        }
        case ASI_TYPE_INTERVAL: {
            int code = v->intervalCode();
            tmp.m_dtype = code;
            tmp.m_prec = (int)v->leadingPrecision();
            if (code == ASI_IV_SECOND || code == ASI_IV_DAY_TO_SECOND || code == ASI_IV_HOUR_TO_SECOND ||
                code == ASI_IV_MINUTE_TO_SECOND)
                tmp.m_scale = (int)v->fractionalPrecision();
            break;
        }
        default:
            break;
        }
        return 1;
    });
    return ok ? copyFrom(&tmp) : 0;
}

/* A new engine column named after the descriptor (an empty delimited name
** when it has none) holding a null value of its type (CHARACTER with its
** default length when the type cannot be made), with the locale of a
** character column.  Owned by the caller; null when the engine raises
** (its items are added) or without memory. */
CAsiColumn *CAseColDsc::makeColumn() const noexcept
{
    return ase_guard<CAsiColumn *>(m_owner, nullptr, [&]() -> CAsiColumn * {
        CAsiIdent id;
        id.set(CAsiUcStr(m_name ? m_name : "\"\""));
        CAsiData *v = ase_guard<CAsiData *>(nullptr, nullptr, [&] {
            return ase_value_for(m_type, m_prec, m_scale, m_dtype, m_charSet, m_locale);
        });
        if (!v)
            v = ase_value_for(ASI_TYPE_CHAR, 0, 0, 0, nullptr, nullptr);
        if (!v)
            asi_throw(ASI_ERR_NO_MEMORY, "CAseColDsc::makeColumn");
        v->setNull();
        CAsiColumn *col = nullptr;
        try {
            col = new CAsiColumn(id, v);
        } catch (...) {
            delete v;
            throw;
        }
        delete v;
        if (!col)
            asi_throw(ASI_ERR_NO_MEMORY, "CAseColDsc::makeColumn");
        if ((m_type == ASI_TYPE_CHAR || m_type == ASI_TYPE_VARCHAR) && m_locale) {
            if (!ase_guard(nullptr, 0, [&] { return ase_column_set_locale(*col, m_locale); }))
                ase_guard(nullptr, 0, [&] { return ase_column_set_locale(*col, ""); });
        }
        return col;
    });
}

/* The SQL type as text (the engine's type text of a column made from a
** copy of the descriptor), in a scratch buffer the caller gives back; a
** character set the engine does not know is left out of the column and
** named after the text.  Null when anything fails. */
char *CAseColDsc::typeText() const noexcept
{
    if (!m_owner)
        return nullptr;
    CAseColDsc copy(m_owner);
    if (!copy.copyFrom(this))
        return nullptr;
    int badCharSet = 0;
    if (copy.m_charSet && !ase_guard(nullptr, 0, [&] { asi_cp_from_name(copy.m_charSet); return 1; })) {
        copy.setCharSet(nullptr);
        badCharSet = 1;
    }
    CAsiColumn *col = copy.makeColumn();
    if (!col)
        return nullptr;
    char *out = ase_guard<char *>(m_owner, nullptr, [&]() -> char * {
        CAsiUcStr t;
        if (col->value())
            col->value()->typeText(t);
        if (badCharSet) {
            CAsiUcStr msg;
            m_owner->messageText(ASE_MSG_SET, ASE_MSG_BAD_CODEPAGE, msg);
            t.append(msg);
            t.append(m_charSet);
        }
        int n = t.mbLength();
        char *p = m_owner->get(n);
        return p ? t.toMb(p, n + 1) : nullptr;
    });
    delete col;
    return out;
}

/* Dumps the descriptor on the host's text screen. */
void CAseColDsc::print() const
{
    ads_printf("\nCAseColDsc: ");
    ads_printf(" Name=%s", m_name ? m_name : "");
    ads_printf(" Type=%d RetType=%d Prec=%d Scale=%d DType=%d Status=%d", m_type, rbType(), m_prec, m_scale, m_dtype,
               m_status);
}
