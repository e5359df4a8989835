/*
** ase_values.cpp: making engine values of described types and reading and
** writing their texts.  The character value class and the column locale
** are reached through small adaptors, so that this file builds on the
** value classes the engine offers and uses their own operations where
** they exist.
*/
#include "linkclient/ase_values.h"

#include <cstring>
#include <type_traits>

#include "sqlclient/asi_row.h"
#include "sqlclient/asi_valfactory.h"
#include "sqlclient/base/asi_except.h"
#include "sqlclient/values/asi_approx.h"
#include "sqlclient/values/asi_bit.h"
#include "sqlclient/values/asi_data.h"
#include "sqlclient/values/asi_datetime.h"
#include "sqlclient/values/asi_decimal.h"
#include "sqlclient/values/asi_double.h"
#include "sqlclient/values/asi_impldata.h"
#include "sqlclient/values/asi_integer.h"
#include "sqlclient/values/asi_interval.h"
#if __has_include("sqlclient/values/asi_char.h")
#include "sqlclient/values/asi_char.h"
#define ASE_HAVE_CHAR_CLASS 1
#endif

namespace {

#ifdef ASE_HAVE_CHAR_CLASS
/* A CHARACTER(len) (default length for 0), made varying when asked, with
** a character set. */
template <class C>
CAsiData *char_make(int len, int varying, const char *charSet)
{
    C *c = nullptr;
    if constexpr (std::is_constructible_v<C, int>)
        c = len > 0 ? new C(len) : new C();
    else
        c = new C();
    if (!c)
        asi_throw(ASI_ERR_NO_MEMORY, "ase_value_for");
    if (varying) {
        if constexpr (requires { c->setVarying(); })
            c->setVarying();
    }
    if (charSet) {
        if constexpr (requires { c->setCharSet(CAsiUcStr(charSet)); })
            c->setCharSet(CAsiUcStr(charSet));
        else if constexpr (requires { c->setCharSet(charSet); })
            c->setCharSet(charSet);
    }
    return c;
}

/* The character set name of a character value. */
template <class C>
int char_set_of(const C &c, char *buf, int size)
{
    if constexpr (requires(CAsiUcStr &s) { c.charSetName(s); }) {
        CAsiUcStr s;
        c.charSetName(s);
        s.toMb(buf, size);
        return buf[0] != 0;
    } else if constexpr (requires { CAsiUcStr(c.charSetName()); }) {
        CAsiUcStr s(c.charSetName());
        s.toMb(buf, size);
        return buf[0] != 0;
    } else {
        return 0;
    }
}
#endif

/* The locale of a column, through the column's own accessor when the
** engine has one. */
template <class Col>
int column_locale(const Col &col, char *buf, int size)
{
    if constexpr (requires(CAsiUcStr &s) { col.localeName(s); }) {
        CAsiUcStr s;
        if (!col.localeName(s))
            return 0;
        s.toMb(buf, size);
        return 1;
    } else if constexpr (requires { col.localeName(); }) {
        if constexpr (std::is_pointer_v<decltype(col.localeName())>) {
            if (!col.localeName())
                return 0;
        }
        CAsiUcStr s(col.localeName());
        s.toMb(buf, size);
        return 1;
    } else {
        return 0;
    }
}

/* Sets the locale of a column's value when the engine offers it. */
template <class Col>
int column_set_locale(Col &col, const char *name)
{
    if constexpr (requires { col.setLocaleName(CAsiUcStr(name)); }) {
        col.setLocaleName(CAsiUcStr(name));
        return 1;
    } else if constexpr (requires { col.setLocaleName(name); }) {
        col.setLocaleName(name);
        return 1;
    } else {
        return 0;
    }
}

/* Throws 0xA008 for a value that could not be allocated. */
CAsiData *made(CAsiData *v)
{
    if (!v)
        asi_throw(ASI_ERR_NO_MEMORY, "ase_value_for");
    return v;
}

/* 1 for the interval codes of the year-month family. */
int is_year_month(int code) noexcept
{
    return code == ASI_IV_YEAR || code == ASI_IV_MONTH || code == ASI_IV_YEAR_TO_MONTH;
}

} // namespace

/* A new null value of the described type. */
CAsiData *ase_value_for(int type, int prec, int scale, int dtype, const char *charSet, const char *typeName)
{
    switch (type) {
    case ASI_TYPE_CHAR:
    case ASI_TYPE_VARCHAR:
#ifdef ASE_HAVE_CHAR_CLASS
        return char_make<CAsiChar>(prec, type == ASI_TYPE_VARCHAR, charSet);
#else
        (void)charSet;
        return asi_value_known(type, 0) ? asi_value_new(type, 0) : nullptr;
#endif
    case ASI_TYPE_NUMERIC:
        return made(prec ? new CAsiNumeric((unsigned)prec, (unsigned)scale) : new CAsiNumeric());
    case ASI_TYPE_DECIMAL:
        return made(prec ? new CAsiDecimal((unsigned)prec, (unsigned)scale) : new CAsiDecimal());
    case ASI_TYPE_INTEGER:
        return made(new CAsiInteger());
    case ASI_TYPE_SMALLINT:
        return made(new CAsiSmallint());
    case ASI_TYPE_FLOAT:
        return made(prec ? new CAsiFloat(prec) : new CAsiFloat());
    case ASI_TYPE_REAL:
        return made(new CAsiReal());
    case ASI_TYPE_DOUBLE:
        return made(new CAsiDouble());
    case ASI_TYPE_DATETIME:
        if (dtype == ASI_DT_DATE)
            return made(new CAsiDate());
        if (dtype == ASI_DT_TIME)
            return made(new CAsiTime(prec));
        if (dtype == ASI_DT_TIMESTAMP || dtype == ASE_DT_TIME_TZ || dtype == ASE_DT_TIMESTAMP_TZ)
            return made(new CAsiTimeStamp(prec));
        return nullptr;
    case ASI_TYPE_INTERVAL:
        if (dtype < ASI_IV_YEAR || dtype > ASI_IV_MINUTE_TO_SECOND)
            return nullptr;
        if (is_year_month(dtype))
            return made(new CAsiIntervalYM(dtype, prec));
        return made(new CAsiIntervalDT(dtype, prec, scale));
    case ASI_TYPE_BIT:
    case ASI_TYPE_VARBIT: {
        CAsiBit *b = static_cast<CAsiBit *>(made(prec < 1 ? new CAsiBit() : new CAsiBit(prec)));
        if (type == ASI_TYPE_VARBIT)
            b->setVarying();
        return b;
    }
    case ASI_TYPE_IMPL: {
        CAsiImplData *d = static_cast<CAsiImplData *>(made(new CAsiImplData()));
        d->setImplType(dtype);
        if (typeName)
            d->setTypeName(CAsiUcStr(typeName));
        return d;
    }
    default:
        return nullptr;
    }
}

/* 1 for a bit value. */
int ase_value_is_bit(const CAsiData &v) noexcept
{
    return v.typeCode() == ASI_TYPE_BIT || v.typeCode() == ASI_TYPE_VARBIT;
}

/* The value's text, bit values as hexadecimal digits. */
int ase_value_text(const CAsiData &v, CAsiUcStr &out)
{
    out.clear();
    if (v.isNull())
        return 0;
    if (ase_value_is_bit(v)) {
        const CAsiBit *b = dynamic_cast<const CAsiBit *>(&v);
        return b ? b->getHexText(out) : 0;
    }
    return v.getUcStr(out);
}

/* Sets the value from a multibyte text of the current code page. */
int ase_value_set_text(CAsiData &v, const char *text)
{
    if (ase_value_is_bit(v)) {
        CAsiBit *b = dynamic_cast<CAsiBit *>(&v);
        return b ? b->setFromString(CAsiUcStr(text)) : 0;
    }
    return v.setText(text, (int)std::strlen(text));
}

/* Sets the value from an engine string. */
int ase_value_set_ucstr(CAsiData &v, const CAsiUcStr &text)
{
    if (ase_value_is_bit(v)) {
        CAsiBit *b = dynamic_cast<CAsiBit *>(&v);
        return b ? b->setFromString(text) : 0;
    }
    return v.setUcStr(text);
}

/* The character set of a character value. */
int ase_char_set_name(const CAsiData *v, char *buf, int size)
{
    if (!v || size < 1)
        return 0;
    buf[0] = '\0';
#ifdef ASE_HAVE_CHAR_CLASS
    if (const CAsiChar *c = dynamic_cast<const CAsiChar *>(v))
        return char_set_of(*c, buf, size);
#endif
    return 0;
}

/* The locale of a character column: the column's own, else its character
** value's. */
int ase_column_locale(const CAsiColumn &column, char *buf, int size)
{
    if (size < 1)
        return 0;
    buf[0] = '\0';
    if (column_locale(column, buf, size))
        return 1;
#ifdef ASE_HAVE_CHAR_CLASS
    if (const CAsiChar *c = dynamic_cast<const CAsiChar *>(column.value()))
        return column_locale(*c, buf, size) && buf[0];
#endif
    return 0;
}

/* Sets the locale of a character column's value: through the column when
** it offers it, else through its character value. */
int ase_column_set_locale(CAsiColumn &column, const char *name)
{
    if (!name)
        return 0;
    if (column_set_locale(column, name))
        return 1;
#ifdef ASE_HAVE_CHAR_CLASS
    if (CAsiChar *c = dynamic_cast<CAsiChar *>(column.value())) {
        if constexpr (requires { c->setLocale(CAsiUcStr(name)); }) {
            c->setLocale(CAsiUcStr(name));
            return 1;
        }
    }
#endif
    return 0;
}
