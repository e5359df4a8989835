/*
** asi_double.cpp: DOUBLE PRECISION: a full double with the text, parsing
** and comparison rules shared by the approximate values (asi_approx.h).
** It is the result type of the exact classes' two-operand arithmetic, and
** its own result type with any numeric operand.
**
** Stream items: tag 0 the value (8-byte float) when not null, then the end
** item carrying 8.
*/
#include "sqlclient/values/asi_double.h"

#include "sqlclient/values/asi_decimal.h"
#include "sqlclient/values/asi_integer.h"

/* A null DOUBLE PRECISION, 0.0. */
CAsiDouble::CAsiDouble() noexcept : m_value(0.0)
{
    m_precision = ASI_DOUBLE_PRECISION;
    m_scale = 0;
}

/* A copy; the value base clones the attached object. */
CAsiDouble::CAsiDouble(const CAsiDouble &other) : CAsiApproxNum(other), m_value(other.m_value) {}

CAsiDouble::~CAsiDouble() {}

ASI_APPROX_DEF_COMMON_SLOTS(CAsiDouble)

/* The value item when not null, then the end item 8; the length. */
int CAsiDouble::pack(CAsiOStream &out) const
{
    return approxPack(m_value, out, ASI_TYPE_DOUBLE, 0, 0);
}

/* The same as pack; the stream's length. */
int CAsiDouble::packValue(CAsiOStream &out) const
{
    return pack(out);
}

/* Null first, then the items up to the end item; 1. */
int CAsiDouble::unpack(CAsiIStream &in)
{
    return approxUnpack(m_value, in, nullptr);
}

/* The same as unpack; 1. */
int CAsiDouble::unpackValue(CAsiIStream &in)
{
    return unpack(in);
}

/* 8. */
int CAsiDouble::typeCode() const
{
    return ASI_TYPE_DOUBLE;
}

/* A new DOUBLE PRECISION for any numeric operand; none otherwise or
** without memory. */
CAsiData *CAsiDouble::addType(const CAsiData *other) const
{
    if (!other || !other->isNumeric())
        return nullptr;
    return new CAsiDouble();
}

/* A copy of the other value when comparable, else none. */
CAsiData *CAsiDouble::unionType(const CAsiData *other) const
{
    if (!isComparable(other))
        return nullptr;
    return other->clone();
}

/* "DOUBLE PRECISION"; 1. */
int CAsiDouble::typeText(CAsiUcStr &out) const
{
    out = "DOUBLE PRECISION";
    return 1;
}

ASI_APPROX_DEF_ALL_ASSIGNMENTS(CAsiDouble)

/* DOUBLE PRECISION with every numeric class and scalar, either side. */
#define DOUBLE_BINARY(OP, CH)                                                          \
    ASI_APPROX_DEF_BINARY(CAsiDouble, CAsiDouble, OP, CH, CAsiNumeric, )               \
    ASI_APPROX_DEF_BINARY(CAsiDouble, CAsiDouble, OP, CH, CAsiDecimal, )               \
    ASI_APPROX_DEF_BINARY(CAsiDouble, CAsiDouble, OP, CH, CAsiInteger, )               \
    ASI_APPROX_DEF_BINARY(CAsiDouble, CAsiDouble, OP, CH, CAsiSmallint, )              \
    ASI_APPROX_DEF_BINARY(CAsiDouble, CAsiDouble, OP, CH, CAsiFloat, )                 \
    ASI_APPROX_DEF_BINARY(CAsiDouble, CAsiDouble, OP, CH, CAsiReal, )                  \
    ASI_APPROX_DEF_BINARY(CAsiDouble, CAsiDouble, OP, CH, CAsiDouble, )                \
    ASI_APPROX_DEF_FREE(CAsiDouble, OP, CH, CAsiNumeric, CAsiDouble, )                 \
    ASI_APPROX_DEF_FREE(CAsiDouble, OP, CH, CAsiDecimal, CAsiDouble, )                 \
    ASI_APPROX_DEF_FREE(CAsiDouble, OP, CH, CAsiInteger, CAsiDouble, )                 \
    ASI_APPROX_DEF_FREE(CAsiDouble, OP, CH, CAsiSmallint, CAsiDouble, )                \
    ASI_APPROX_DEF_FREE(CAsiDouble, OP, CH, CAsiFloat, CAsiDouble, )                   \
    ASI_APPROX_DEF_FREE(CAsiDouble, OP, CH, CAsiReal, CAsiDouble, )                    \
    ASI_APPROX_DEF_SCALARS(CAsiDouble, CAsiDouble, OP, CH, )

DOUBLE_BINARY(+, '+')
DOUBLE_BINARY(-, '-')
DOUBLE_BINARY(*, '*')
DOUBLE_BINARY(/, '/')
#undef DOUBLE_BINARY
