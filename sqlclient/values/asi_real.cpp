/*
** asi_real.cpp: REAL and FLOAT(p).  Both hold a full double and share
** their parsing, text, conversions and comparisons with DOUBLE PRECISION
** (asi_approx.cpp); here are what sets them apart: the precision word, the
** type text, the result types and the stream form, and their operators.
**
** Stream items: tag 0 the value (8-byte float) when not null; FLOAT adds
** tag 1, its precision, when not 16 (pack only); the end item carries the
** type code, 7 or 6.
*/
#include "sqlclient/values/asi_approx.h"

#include <cstdio>

#include "sqlclient/values/asi_decimal.h"
#include "sqlclient/values/asi_double.h"
#include "sqlclient/values/asi_integer.h"

namespace {

/* The buffer of FLOAT's type text, "FLOAT(4294967295)" at most. */
constexpr int FLOAT_TYPE_TEXT_BUF = 24;

/* 1 when the other value's type code is one of those given. */
bool code_in(const CAsiData *other, int lo, int hi)
{
    int code = other->typeCode();
    return code >= lo && code <= hi;
}

} // namespace

/* ---------------------------------------------------------------- */
/* REAL                                                              */

/* A null REAL: precision 32, scale 0, 0.0. */
CAsiReal::CAsiReal() noexcept : m_value(0.0)
{
    m_precision = ASI_REAL_PRECISION;
    m_scale = 0;
}

/* A copy; the attached object is cloned by the value base. */
CAsiReal::CAsiReal(const CAsiReal &other) : CAsiApproxNum(other), m_value(other.m_value) {}

CAsiReal::~CAsiReal() {}

ASI_APPROX_DEF_COMMON_SLOTS(CAsiReal)

/* The value item when not null, then the end item 7; the length. */
int CAsiReal::pack(CAsiOStream &out) const
{
    return approxPack(m_value, out, ASI_TYPE_REAL, 0, 0);
}

/* REAL's value form is its whole form. */
int CAsiReal::packValue(CAsiOStream &out) const
{
    return pack(out);
}

/* Null first, then the items up to the end item; 1. */
int CAsiReal::unpack(CAsiIStream &in)
{
    return approxUnpack(m_value, in, nullptr);
}

/* The same as unpack; 1. */
int CAsiReal::unpackValue(CAsiIStream &in)
{
    return unpack(in);
}

/* 7. */
int CAsiReal::typeCode() const
{
    return ASI_TYPE_REAL;
}

/* A copy of this REAL with SMALLINT, FLOAT or REAL, else a copy of the
** other value; none when the other is none or not numeric. */
CAsiData *CAsiReal::addType(const CAsiData *other) const
{
    if (!other || !other->isNumeric())
        return nullptr;
    if (code_in(other, ASI_TYPE_SMALLINT, ASI_TYPE_REAL))
        return clone();
    return other->clone();
}

/* A copy of this REAL with NUMERIC to REAL, a copy of the other (DOUBLE
** PRECISION) otherwise; none when not comparable. */
CAsiData *CAsiReal::unionType(const CAsiData *other) const
{
    if (!isComparable(other))
        return nullptr;
    if (code_in(other, ASI_TYPE_NUMERIC, ASI_TYPE_REAL))
        return clone();
    return other->clone();
}

/* "REAL"; 1. */
int CAsiReal::typeText(CAsiUcStr &out) const
{
    out = "REAL";
    return 1;
}

ASI_APPROX_DEF_ALL_ASSIGNMENTS(CAsiReal)

/* REAL op V and V op REAL for the exact classes and FLOAT, REAL op REAL,
** and the scalars: always a REAL. */
#define REAL_BINARY(OP, CH)                                                          \
    ASI_APPROX_DEF_BINARY(CAsiReal, CAsiReal, OP, CH, CAsiNumeric, )                 \
    ASI_APPROX_DEF_BINARY(CAsiReal, CAsiReal, OP, CH, CAsiDecimal, )                 \
    ASI_APPROX_DEF_BINARY(CAsiReal, CAsiReal, OP, CH, CAsiInteger, )                 \
    ASI_APPROX_DEF_BINARY(CAsiReal, CAsiReal, OP, CH, CAsiSmallint, )                \
    ASI_APPROX_DEF_BINARY(CAsiReal, CAsiReal, OP, CH, CAsiFloat, )                   \
    ASI_APPROX_DEF_BINARY(CAsiReal, CAsiReal, OP, CH, CAsiReal, )                    \
    ASI_APPROX_DEF_FREE(CAsiReal, OP, CH, CAsiNumeric, CAsiReal, )                   \
    ASI_APPROX_DEF_FREE(CAsiReal, OP, CH, CAsiDecimal, CAsiReal, )                   \
    ASI_APPROX_DEF_FREE(CAsiReal, OP, CH, CAsiInteger, CAsiReal, )                   \
    ASI_APPROX_DEF_FREE(CAsiReal, OP, CH, CAsiSmallint, CAsiReal, )                  \
    ASI_APPROX_DEF_FREE(CAsiReal, OP, CH, CAsiFloat, CAsiReal, )                     \
    ASI_APPROX_DEF_SCALARS(CAsiReal, CAsiReal, OP, CH, )

REAL_BINARY(+, '+')
REAL_BINARY(-, '-')
REAL_BINARY(*, '*')
REAL_BINARY(/, '/')
#undef REAL_BINARY

/* ---------------------------------------------------------------- */
/* FLOAT                                                             */

/* A null FLOAT(16), 0.0. */
CAsiFloat::CAsiFloat() noexcept : m_value(0.0)
{
    m_precision = ASI_FLOAT_DEFAULT_PRECISION;
    m_scale = 0;
}

/* A null FLOAT(p): p when below 32 taken unsigned (so 0 stays 0), else 32
** (also for a negative p). */
CAsiFloat::CAsiFloat(int p) noexcept : m_value(0.0)
{
    m_precision = (unsigned)p < ASI_FLOAT_MAX_PRECISION ? (unsigned)p : ASI_FLOAT_MAX_PRECISION;
    m_scale = 0;
}

/* A copy; the attached object is cloned by the value base. */
CAsiFloat::CAsiFloat(const CAsiFloat &other) : CAsiApproxNum(other), m_value(other.m_value) {}

CAsiFloat::~CAsiFloat() {}

ASI_APPROX_DEF_COMMON_SLOTS(CAsiFloat)

/* The value item when not null, the precision item unless 16, the end
** item 6; the length. */
int CAsiFloat::pack(CAsiOStream &out) const
{
    return approxPack(m_value, out, ASI_TYPE_FLOAT, m_precision != ASI_FLOAT_DEFAULT_PRECISION,
                      m_precision);
}

/* The value item when not null and the end item 6 (no precision). */
int CAsiFloat::packValue(CAsiOStream &out) const
{
    return approxPack(m_value, out, ASI_TYPE_FLOAT, 0, 0);
}

/* Null first, then the items: the value, the precision as sent (not
** capped); 1. */
int CAsiFloat::unpack(CAsiIStream &in)
{
    return approxUnpack(m_value, in, &m_precision);
}

/* The same as unpack; 1. */
int CAsiFloat::unpackValue(CAsiIStream &in)
{
    return unpack(in);
}

/* 6. */
int CAsiFloat::typeCode() const
{
    return ASI_TYPE_FLOAT;
}

/* A copy of this FLOAT with SMALLINT or FLOAT, else a copy of the other
** value (so FLOAT with REAL gives REAL); none when the other is none or
** not numeric. */
CAsiData *CAsiFloat::addType(const CAsiData *other) const
{
    if (!other || !other->isNumeric())
        return nullptr;
    if (code_in(other, ASI_TYPE_SMALLINT, ASI_TYPE_FLOAT))
        return clone();
    return other->clone();
}

/* A copy of this FLOAT with an exact value, a new null FLOAT of the larger
** precision with a FLOAT, a copy of the other (REAL, DOUBLE PRECISION)
** otherwise; none when not comparable. */
CAsiData *CAsiFloat::unionType(const CAsiData *other) const
{
    if (!isComparable(other))
        return nullptr;
    if (code_in(other, ASI_TYPE_NUMERIC, ASI_TYPE_SMALLINT))
        return clone();
    if (other->typeCode() == ASI_TYPE_FLOAT)
        return new CAsiFloat(asi_float_join(m_precision, other->precision()));
    return other->clone();
}

/* "FLOAT" at precision 16, else "FLOAT(p)"; 1. */
int CAsiFloat::typeText(CAsiUcStr &out) const
{
    if (m_precision == ASI_FLOAT_DEFAULT_PRECISION) {
        out = "FLOAT";
    } else {
        char buf[FLOAT_TYPE_TEXT_BUF];
        std::snprintf(buf, sizeof buf, "FLOAT(%d)", (int)m_precision);
        out = buf;
    }
    return 1;
}

ASI_APPROX_DEF_ALL_ASSIGNMENTS(CAsiFloat)

/* FLOAT op V and V op FLOAT for the exact classes and FLOAT: a FLOAT of the
** larger precision; with a scalar: a FLOAT(16). */
#define FLOAT_WITH(V) (asi_float_join(m_precision, (V).precision()))
#define FLOAT_FREE (asi_float_join(b.precision(), a.precision()))
#define FLOAT_BINARY(OP, CH)                                                              \
    ASI_APPROX_DEF_BINARY(CAsiFloat, CAsiFloat, OP, CH, CAsiNumeric, FLOAT_WITH(v))       \
    ASI_APPROX_DEF_BINARY(CAsiFloat, CAsiFloat, OP, CH, CAsiDecimal, FLOAT_WITH(v))       \
    ASI_APPROX_DEF_BINARY(CAsiFloat, CAsiFloat, OP, CH, CAsiInteger, FLOAT_WITH(v))       \
    ASI_APPROX_DEF_BINARY(CAsiFloat, CAsiFloat, OP, CH, CAsiSmallint, FLOAT_WITH(v))      \
    ASI_APPROX_DEF_BINARY(CAsiFloat, CAsiFloat, OP, CH, CAsiFloat, FLOAT_WITH(v))         \
    ASI_APPROX_DEF_FREE(CAsiFloat, OP, CH, CAsiNumeric, CAsiFloat, FLOAT_FREE)            \
    ASI_APPROX_DEF_FREE(CAsiFloat, OP, CH, CAsiDecimal, CAsiFloat, FLOAT_FREE)            \
    ASI_APPROX_DEF_FREE(CAsiFloat, OP, CH, CAsiInteger, CAsiFloat, FLOAT_FREE)            \
    ASI_APPROX_DEF_FREE(CAsiFloat, OP, CH, CAsiSmallint, CAsiFloat, FLOAT_FREE)           \
    ASI_APPROX_DEF_SCALARS(CAsiFloat, CAsiFloat, OP, CH, )

FLOAT_BINARY(+, '+')
FLOAT_BINARY(-, '-')
FLOAT_BINARY(*, '*')
FLOAT_BINARY(/, '/')
#undef FLOAT_BINARY
#undef FLOAT_FREE
#undef FLOAT_WITH
