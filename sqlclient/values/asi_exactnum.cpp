/*
** asi_exactnum.cpp: CAsiExactNum, the exact numeric base: its result type
** of addition and the 66 comparison operators shared by SMALLINT, INTEGER,
** DECIMAL and NUMERIC.
**
** Each operator reduces to one of four computations: tolerant with an exact
** value, plain with an approximate value, tolerant with an integer, plain
** with a double.  The tolerant ones work on the doubles of the two values;
** only when the numbers are so large that doubles cannot separate two
** multiples of 10^-s (beyond 2^53 x 10^-s) are the values compared exactly
** in decimal, so that distinct long keys never compare equal.
*/
#include "sqlclient/values/asi_exactnum.h"

#include "sqlclient/values/asi_approx.h"
#include "sqlclient/values/asi_decimal.h"
#include "sqlclient/values/asi_double.h"
#include "sqlclient/values/asi_integer.h"

#include <cmath>
#include <cstdio>

namespace {

/* Room for the decimal text of a 64-bit integer. */
constexpr int EXACT_I64_TEXT_BUF = 32;

/* The largest integer a double holds exactly with all smaller ones: 2^53. */
constexpr double EXACT_DOUBLE_LIMIT = 9007199254740992.0;

/* 1 when doubles cannot tell apart two multiples of 10^-s of a and b's
** size, so the comparison must be made in decimal. */
bool beyond_double(double a, double b, unsigned s)
{
    double limit = EXACT_DOUBLE_LIMIT * asi_num_tolerance_of(s) * 2.0;
    return std::fabs(a) >= limit || std::fabs(b) >= limit;
}

/* The relation rel between the comparison result c (negative, 0,
** positive) and 0. */
int rel_of_cmp(asi_num_rel rel, int c)
{
    switch (rel) {
    case ASI_REL_GT: return c > 0;
    case ASI_REL_GE: return c >= 0;
    case ASI_REL_EQ: return c == 0;
    case ASI_REL_LE: return c <= 0;
    case ASI_REL_LT: return c < 0;
    case ASI_REL_NE: return c != 0;
    }
    return 0;
}

/* A 64-bit integer as a record of ASI_DEC_MAX_DIGITS digits. */
void dec_from_i64(long long v, asi_decnum *out)
{
    char text[EXACT_I64_TEXT_BUF];
    std::snprintf(text, sizeof text, "%lld", v);
    asi_dec_from_text(text, out, ASI_DEC_MAX_DIGITS, nullptr);
}

} // namespace

/* See the header. */
int asi_num_rel_plain(asi_num_rel rel, double a, double b)
{
    switch (rel) {
    case ASI_REL_GT: return a > b;
    case ASI_REL_GE: return a >= b;
    case ASI_REL_EQ: return a == b;
    case ASI_REL_LE: return a <= b;
    case ASI_REL_LT: return a < b;
    case ASI_REL_NE: return a != b;
    }
    return 0;
}

/* See the header: > is a - b >= t, >= is b - a < t, == is |a - b| < t and
** the other three their complements. */
int asi_num_rel_tolerant(asi_num_rel rel, double a, double b, double t)
{
    switch (rel) {
    case ASI_REL_GT: return a - b >= t;
    case ASI_REL_GE: return b - a < t;
    case ASI_REL_EQ: return std::fabs(a - b) < t;
    case ASI_REL_LE: return a - b < t;
    case ASI_REL_LT: return b - a >= t;
    case ASI_REL_NE: return std::fabs(a - b) >= t;
    }
    return 0;
}

/* Nothing of its own to free. */
CAsiExactNum::~CAsiExactNum() = default;

/* Answers 1. */
int CAsiExactNum::isExactNumeric() const { return 1; }

/* See the header; none without memory. */
CAsiData *CAsiExactNum::addType(const CAsiData *other) const
{
    if (!other) return nullptr;
    if (other->isApproximateNumeric()) return new CAsiDouble();
    if (other->isExactNumeric()) {
        unsigned p = m_precision > other->precision() ? m_precision : other->precision();
        unsigned s = m_scale > other->scale() ? m_scale : other->scale();
        return new CAsiDecimal(p, s);
    }
    return nullptr;
}

/* Tolerant comparison with an exact value: 0 when either is null. */
int CAsiExactNum::relExact(asi_num_rel rel, const CAsiNum &other) const
{
    if (m_null || other.isNull()) return 0;
    double a = doubleValue(), b = other.doubleValue();
    unsigned s = m_scale > other.scale() ? m_scale : other.scale();
    if (beyond_double(a, b, s) && other.isExactNumeric()) {
        asi_decnum x, y;
        if (exactDigits(&x) && static_cast<const CAsiExactNum &>(other).exactDigits(&y))
            return rel_of_cmp(rel, asi_dec_cmp(&x, &y, ASI_DEC_MAX_DIGITS));
    }
    return asi_num_rel_tolerant(rel, a, b, asi_num_tolerance_of(s));
}

/* Plain comparison with an approximate value: 0 when either is null. */
int CAsiExactNum::relApprox(asi_num_rel rel, const CAsiNum &other) const
{
    if (m_null || other.isNull()) return 0;
    return asi_num_rel_plain(rel, doubleValue(), other.doubleValue());
}

/* Tolerant comparison with an integer, at this value's scale: 0 when this
** value is null. */
int CAsiExactNum::relInteger(asi_num_rel rel, long v) const
{
    if (m_null) return 0;
    double a = doubleValue(), b = static_cast<double>(v);
    if (beyond_double(a, b, m_scale)) {
        asi_decnum x, y;
        if (exactDigits(&x)) {
            dec_from_i64(v, &y);
            return rel_of_cmp(rel, asi_dec_cmp(&x, &y, ASI_DEC_MAX_DIGITS));
        }
    }
    return asi_num_rel_tolerant(rel, a, b, asi_num_tolerance_of(m_scale));
}

/* Plain comparison with a double: 0 when this value is null. */
int CAsiExactNum::relDouble(asi_num_rel rel, double v) const
{
    if (m_null) return 0;
    return asi_num_rel_plain(rel, doubleValue(), v);
}

/* See the header: the overload picked by the other's type code. */
int CAsiExactNum::compareWith(asi_num_rel rel, const CAsiData &other) const
{
    switch (other.typeCode()) {
    case ASI_TYPE_NUMERIC:
    case ASI_TYPE_DECIMAL:
    case ASI_TYPE_INTEGER:
    case ASI_TYPE_SMALLINT:
        return relExact(rel, static_cast<const CAsiNum &>(other));
    case ASI_TYPE_FLOAT:
    case ASI_TYPE_REAL:
    case ASI_TYPE_DOUBLE:
        return relApprox(rel, static_cast<const CAsiNum &>(other));
    default:
        return 0;
    }
}

/* The 66 operators, each one line calling its computation. */
#define EXACT_BLOCK(OP, REL)                                                                   \
    int CAsiExactNum::operator OP(int v) const { return relInteger(REL, v); }                  \
    int CAsiExactNum::operator OP(double v) const { return relDouble(REL, v); }                \
    int CAsiExactNum::operator OP(long v) const { return relInteger(REL, v); }                 \
    int CAsiExactNum::operator OP(short v) const { return relInteger(REL, v); }                \
    int CAsiExactNum::operator OP(const CAsiDouble &v) const { return relApprox(REL, v); }     \
    int CAsiExactNum::operator OP(const CAsiReal &v) const { return relApprox(REL, v); }       \
    int CAsiExactNum::operator OP(const CAsiFloat &v) const { return relApprox(REL, v); }      \
    int CAsiExactNum::operator OP(const CAsiDecimal &v) const { return relExact(REL, v); }     \
    int CAsiExactNum::operator OP(const CAsiNumeric &v) const { return relExact(REL, v); }     \
    int CAsiExactNum::operator OP(const CAsiInteger &v) const { return relExact(REL, v); }     \
    int CAsiExactNum::operator OP(const CAsiSmallint &v) const { return relExact(REL, v); }

EXACT_BLOCK(>, ASI_REL_GT)
EXACT_BLOCK(>=, ASI_REL_GE)
EXACT_BLOCK(==, ASI_REL_EQ)
EXACT_BLOCK(<=, ASI_REL_LE)
EXACT_BLOCK(<, ASI_REL_LT)
EXACT_BLOCK(!=, ASI_REL_NE)
