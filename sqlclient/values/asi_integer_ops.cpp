/*
** asi_integer_ops.cpp: the operator families of SMALLINT and INTEGER:
** assignment, compound assignment, two-operand arithmetic giving a DOUBLE
** PRECISION value, increment, decrement and negation.
**
** Every stored result passes through the integer store or the double store
** of asi_int_impl; which one, and whether a step is done in integers or in
** doubles, follows the operand: integer operands divide as integers, other
** values compute in doubles.
*/
#include "sqlclient/values/asi_integer.h"
#include "sqlclient/values/asi_integer_impl.h"

#include "sqlclient/values/asi_approx.h"
#include "sqlclient/values/asi_decimal.h"
#include "sqlclient/values/asi_double.h"

namespace {

/* A DOUBLE PRECISION value holding a op b, null when an operand is null;
** 22012 for a division by zero. */
CAsiDouble int_result(bool null, double a, char op, double b)
{
    CAsiDouble r;
    if (null) return r;
    switch (op) {
    case '+': r = a + b; break;
    case '-': r = a - b; break;
    case '*': r = a * b; break;
    default:
        if (b == 0.0) asi_raise_state(ASI_INT_ST_DIV_ZERO);
        r = a / b;
    }
    return r;
}

} // namespace

/* ---- assignment ---- */

/* Copies value and null flag; nothing for the object itself. */
CAsiSmallint &CAsiSmallint::operator=(const CAsiSmallint &v)
{
    if (&v != this) { m_value = v.m_value; m_null = v.m_null; }
    return *this;
}

/* Null makes this null; else the integer store of its value. */
CAsiSmallint &CAsiSmallint::operator=(const CAsiInteger &v)
{
    if (v.isNull()) m_null = 1;
    else asi_int_impl<CAsiSmallint>::storeInt(*this, v.longValue());
    return *this;
}

/* Stores the 16-bit number and clears the null flag. */
CAsiSmallint &CAsiSmallint::operator=(short v)
{
    asi_int_impl<CAsiSmallint>::store(*this, v);
    return *this;
}

/* Copies value and null flag; nothing for the object itself. */
CAsiInteger &CAsiInteger::operator=(const CAsiInteger &v)
{
    if (&v != this) { m_value = v.m_value; m_null = v.m_null; }
    return *this;
}

/* Null makes this null; else the integer store of its value. */
CAsiInteger &CAsiInteger::operator=(const CAsiSmallint &v)
{
    if (v.isNull()) m_null = 1;
    else asi_int_impl<CAsiInteger>::storeInt(*this, v.longValue());
    return *this;
}

/* The other values through their double (null makes this null), 32-bit
** numbers through the integer store, doubles through the double store. */
#define INT_ASSIGN_COMMON(CLS)                                                               \
    CLS &CLS::operator=(const CAsiDecimal &v) { return assignDouble(*this, v); }             \
    CLS &CLS::operator=(const CAsiNumeric &v) { return assignDouble(*this, v); }             \
    CLS &CLS::operator=(const CAsiFloat &v) { return assignDouble(*this, v); }               \
    CLS &CLS::operator=(const CAsiReal &v) { return assignDouble(*this, v); }                \
    CLS &CLS::operator=(const CAsiDouble &v) { return assignDouble(*this, v); }              \
    CLS &CLS::operator=(int v) { asi_int_impl<CLS>::storeInt(*this, v); return *this; }      \
    CLS &CLS::operator=(long v) { asi_int_impl<CLS>::storeInt(*this, v); return *this; }     \
    CLS &CLS::operator=(double v) { asi_int_impl<CLS>::storeDouble(*this, v); return *this; }

namespace {

/* Null makes x null; else the double store of the value's double. */
template <class C>
C &assignDouble(C &x, const CAsiNum &v)
{
    if (v.isNull()) x.setNull();
    else asi_int_impl<C>::storeDouble(x, v.doubleValue());
    return x;
}

/* A compound step with a value operand: integer values by the integer
** rule, the others in doubles. */
template <class C>
C &compoundValue(C &x, char op, const CAsiNum &v, bool integer, bool sixteen)
{
    using I = asi_int_impl<C>;
    if (x.isNull()) return x;
    if (v.isNull()) { x.setNull(); return x; }
    if (integer) return I::integerOperand(x, op, v.longValue(), sixteen);
    return I::byDouble(x, op, v.doubleValue());
}

} // namespace

INT_ASSIGN_COMMON(CAsiSmallint)
INT_ASSIGN_COMMON(CAsiInteger)

/* ---- compound assignment ---- */

#define INT_COMPOUND(CLS, OP, CH)                                                                       \
    CLS &CLS::operator OP(const CAsiSmallint &v) { return compoundValue(*this, CH, v, true, true); }    \
    CLS &CLS::operator OP(const CAsiInteger &v) { return compoundValue(*this, CH, v, true, false); }    \
    CLS &CLS::operator OP(const CAsiDecimal &v) { return compoundValue(*this, CH, v, false, false); }   \
    CLS &CLS::operator OP(const CAsiNumeric &v) { return compoundValue(*this, CH, v, false, false); }   \
    CLS &CLS::operator OP(const CAsiFloat &v) { return compoundValue(*this, CH, v, false, false); }     \
    CLS &CLS::operator OP(const CAsiReal &v) { return compoundValue(*this, CH, v, false, false); }      \
    CLS &CLS::operator OP(const CAsiDouble &v) { return compoundValue(*this, CH, v, false, false); }    \
    CLS &CLS::operator OP(short v) { return asi_int_impl<CLS>::integerOperand(*this, CH, v, true); }    \
    CLS &CLS::operator OP(int v) { return asi_int_impl<CLS>::integerOperand(*this, CH, v, false); }     \
    CLS &CLS::operator OP(long v) { return asi_int_impl<CLS>::integerOperand(*this, CH, v, false); }    \
    CLS &CLS::operator OP(double v) { return asi_int_impl<CLS>::byDouble(*this, CH, v); }

INT_COMPOUND(CAsiSmallint, +=, '+')
INT_COMPOUND(CAsiSmallint, -=, '-')
INT_COMPOUND(CAsiSmallint, *=, '*')
INT_COMPOUND(CAsiSmallint, /=, '/')
INT_COMPOUND(CAsiInteger, +=, '+')
INT_COMPOUND(CAsiInteger, -=, '-')
INT_COMPOUND(CAsiInteger, *=, '*')
INT_COMPOUND(CAsiInteger, /=, '/')

/* ---- increment, decrement, negation ---- */

CAsiSmallint &CAsiSmallint::operator++() { return asi_int_impl<CAsiSmallint>::step(*this, 1); }
CAsiSmallint &CAsiSmallint::operator--() { return asi_int_impl<CAsiSmallint>::step(*this, -1); }
CAsiSmallint &CAsiSmallint::negate() { return asi_int_impl<CAsiSmallint>::negate(*this); }
CAsiInteger &CAsiInteger::operator++() { return asi_int_impl<CAsiInteger>::step(*this, 1); }
CAsiInteger &CAsiInteger::operator--() { return asi_int_impl<CAsiInteger>::step(*this, -1); }
CAsiInteger &CAsiInteger::negate() { return asi_int_impl<CAsiInteger>::negate(*this); }

/* ---- two-operand arithmetic: a DOUBLE PRECISION value, no range check ---- */

#define INT_BINARY_NUMBERS(CLS, OP, CH)                                                              \
    CAsiDouble CLS::operator OP(short v) const { return int_result(m_null, m_value, CH, v); }        \
    CAsiDouble CLS::operator OP(int v) const { return int_result(m_null, m_value, CH, v); }          \
    CAsiDouble CLS::operator OP(long v) const                                                        \
    {                                                                                                \
        return int_result(m_null, m_value, CH, static_cast<double>(v));                              \
    }                                                                                                \
    CAsiDouble CLS::operator OP(double v) const { return int_result(m_null, m_value, CH, v); }       \
    CAsiDouble CLS::operator OP(const CAsiSmallint &v) const                                         \
    {                                                                                                \
        return int_result(m_null || v.isNull(), m_value, CH, v.value());                             \
    }                                                                                                \
    CAsiDouble operator OP(short a, const CLS &b) { return int_result(b.isNull(), a, CH, b.value()); } \
    CAsiDouble operator OP(int a, const CLS &b) { return int_result(b.isNull(), a, CH, b.value()); } \
    CAsiDouble operator OP(long a, const CLS &b)                                                     \
    {                                                                                                \
        return int_result(b.isNull(), static_cast<double>(a), CH, b.value());                        \
    }                                                                                                \
    CAsiDouble operator OP(double a, const CLS &b) { return int_result(b.isNull(), a, CH, b.value()); }

#define INT_BINARY(OP, CH)                                                                           \
    INT_BINARY_NUMBERS(CAsiSmallint, OP, CH)                                                         \
    INT_BINARY_NUMBERS(CAsiInteger, OP, CH)                                                          \
    CAsiDouble CAsiInteger::operator OP(const CAsiInteger &v) const                                  \
    {                                                                                                \
        return int_result(m_null || v.isNull(), m_value, CH, v.value());                             \
    }                                                                                                \
    CAsiDouble operator OP(const CAsiSmallint &a, const CAsiInteger &b)                              \
    {                                                                                                \
        return int_result(a.isNull() || b.isNull(), a.value(), CH, b.value());                       \
    }

INT_BINARY(+, '+')
INT_BINARY(-, '-')
INT_BINARY(*, '*')
INT_BINARY(/, '/')
