/*
** asi_num.cpp: CAsiNum, the numeric value base: precision and scale, the
** numeric predicates, the result types of arithmetic shared by every
** numeric class, and the tolerance table of equality.
*/
#include "sqlclient/values/asi_num.h"

#include "sqlclient/values/asi_double.h"
#include "sqlclient/values/asi_interval.h"

/* Leading precision of the interval type of a product with an interval,
** and the fractional seconds precision of its day-time form. */
constexpr int NUM_IV_LEADING = 6;
constexpr int NUM_IV_FRACTION = 8;

const double asi_num_tolerance[ASI_NUM_TOLERANCES] = {
    0.5,     0.05,    0.005,   5e-4,  5e-5,  5e-6,  5e-7,  5e-8,  5e-9,
    5e-10,   5e-11,   5e-12,   5e-13, 5e-14, 5e-15, 5e-16, 5e-17, 5e-18,
    5e-19,   5e-20,   5e-21,   5e-22, 5e-23, 5e-24, 5e-25, 5e-26, 5e-27,
    5e-28,   5e-29,   5e-30,   5e-31, 5e-32, 5e-33,
};

/* Nothing of its own to free. */
CAsiNum::~CAsiNum() = default;

/* The precision field. */
unsigned CAsiNum::precision() const { return m_precision; }

/* The scale field. */
unsigned CAsiNum::scale() const { return m_scale; }

/* Every numeric value is numeric: 1. */
int CAsiNum::isNumeric() const { return 1; }

/* 0; the approximate base answers 1. */
int CAsiNum::isApproximateNumeric() const { return 0; }

/* 1 when the other value is numeric; 0 for none or another kind. */
int CAsiNum::isComparable(const CAsiData *other) const
{
    return other && other->isNumeric() ? 1 : 0;
}

/* 1 when the other value is numeric; 0 for none or another kind. */
int CAsiNum::isAssignable(const CAsiData *other) const
{
    return other && other->isNumeric() == 1 ? 1 : 0;
}

/* 1 when the other value is numeric, character or a single-field interval
** (YEAR, MONTH, DAY, HOUR, MINUTE, SECOND); else 0. */
int CAsiNum::isCastable(const CAsiData *other) const
{
    if (!other) return 0;
    if (other->isNumeric() || other->isCharacter()) return 1;
    if (other->isInterval()) {
        int code = other->intervalCode();
        return code >= ASI_IV_YEAR && code <= ASI_IV_SECOND ? 1 : 0;
    }
    return 0;
}

/* A new DOUBLE PRECISION for a numeric operand; none for no operand, a
** non-numeric one or without memory. */
CAsiData *CAsiNum::addType(const CAsiData *other) const
{
    if (!other || !other->isNumeric()) return nullptr;
    return new CAsiDouble();
}

/* As addType. */
CAsiData *CAsiNum::subtractType(const CAsiData *other) const
{
    if (!other || !other->isNumeric()) return nullptr;
    return new CAsiDouble();
}

/* A new DOUBLE PRECISION for a numeric operand; for an exact value times an
** interval the interval type (intervalProductType); none otherwise. */
CAsiData *CAsiNum::multiplyType(const CAsiData *other) const
{
    if (!other) return nullptr;
    if (other->isNumeric()) return new CAsiDouble();
    if (isApproximateNumeric()) return nullptr;
    if (other->isInterval()) return intervalProductType(*other);
    return nullptr;
}

/* This value's multiplyType. */
CAsiData *CAsiNum::divideType(const CAsiData *other) const
{
    return multiplyType(other);
}

/* Answers 0. */
int CAsiNum::spare() const { return 0; }

/* The default: 0. */
std::int32_t CAsiNum::longValue() const { return 0; }

/* The default: 0.0. */
double CAsiNum::doubleValue() const { return 0.0; }

/* See the header: INTERVAL MONTH (6) for YEAR, MONTH and YEAR TO MONTH,
** INTERVAL DAY TO SECOND (6, 8) for every other interval. */
CAsiData *CAsiNum::intervalProductType(const CAsiData &interval)
{
    int code = interval.intervalCode();
    if (code == ASI_IV_YEAR || code == ASI_IV_MONTH || code == ASI_IV_YEAR_TO_MONTH)
        return new CAsiIntervalYM(ASI_IV_MONTH, NUM_IV_LEADING);
    return new CAsiIntervalDT(ASI_IV_DAY_TO_SECOND, NUM_IV_LEADING, NUM_IV_FRACTION);
}

/* The 66 operators of the base answer 0; the exact and approximate bases
** override them all. */
#define NUM_BASE_BLOCK(OP)                                                   \
    int CAsiNum::operator OP(int) const { return 0; }                        \
    int CAsiNum::operator OP(double) const { return 0; }                     \
    int CAsiNum::operator OP(long) const { return 0; }                       \
    int CAsiNum::operator OP(short) const { return 0; }                      \
    int CAsiNum::operator OP(const CAsiDouble &) const { return 0; }         \
    int CAsiNum::operator OP(const CAsiReal &) const { return 0; }           \
    int CAsiNum::operator OP(const CAsiFloat &) const { return 0; }          \
    int CAsiNum::operator OP(const CAsiDecimal &) const { return 0; }        \
    int CAsiNum::operator OP(const CAsiNumeric &) const { return 0; }        \
    int CAsiNum::operator OP(const CAsiInteger &) const { return 0; }        \
    int CAsiNum::operator OP(const CAsiSmallint &) const { return 0; }

NUM_BASE_BLOCK(>)
NUM_BASE_BLOCK(>=)
NUM_BASE_BLOCK(==)
NUM_BASE_BLOCK(<=)
NUM_BASE_BLOCK(<)
NUM_BASE_BLOCK(!=)
