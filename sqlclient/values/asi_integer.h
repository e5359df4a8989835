/*
** asi_integer.h: CAsiSmallint (SQL SMALLINT, type code 5) and CAsiInteger
** (SQL INTEGER, type code 4), the integer values.
**
** They hold a 16-bit and a 32-bit signed integer.  The setters accept a
** magnitude of at most 32767 (SMALLINT) or 2147483647 (INTEGER) and
** refuse anything else with 22003; doubles and texts are cut toward zero.
** Besides the value interface they carry operators for the engine's own
** code: assignment, compound assignment, two-operand arithmetic giving a
** DOUBLE PRECISION value, increment, decrement and negation.
**
**     CAsiSmallint a;
**     a.setText("42 ", 3);     // 42
**     a += 5;                  // 47, 22003 past 32767
**     CAsiDouble h = a / 2;    // 23.5
*/
#ifndef PV_SQLCLIENT_VALUES_ASI_INTEGER_H
#define PV_SQLCLIENT_VALUES_ASI_INTEGER_H

#include <cstdint>

#include "sqlclient/values/asi_exactnum.h"

/* Precision (and display length) of the two classes. */
constexpr unsigned ASI_SMALLINT_PREC = 6;
constexpr unsigned ASI_INTEGER_PREC = 10;

/* Largest magnitudes the setters accept. */
constexpr std::int32_t ASI_SMALLINT_MAX = 32767;
constexpr std::int32_t ASI_INTEGER_MAX = 2147483647;

/* Longest text setText reads, and the buffer getUcStr formats into. */
constexpr int ASI_INT_SET_TEXT_MAX = 64;
constexpr int ASI_INT_UCSTR_BUF = 32;

/* Stream: the value's tag, and the number both classes' end item carries. */
constexpr int ASI_INT_TAG_VALUE = 0;
constexpr std::int32_t ASI_INT_STREAM_END_CODE = 5;

template <class> struct asi_int_impl;

/* The virtual operations both classes override. */
#define ASI_INT_CLASS_BODY(CLS)                                            \
public:                                                                    \
    /* A null value 0. */                                                  \
    CLS() noexcept;                                                        \
    CLS(const CLS &other);                                                 \
    ~CLS() override;                                                       \
    ASI_NUM_VALUE_SLOTS(CLS)                                               \
    int exactDigits(asi_decnum *out) const override;                       \
                                                                           \
    /* The value itself (whatever the null flag). */                      \
    std::int32_t value() const noexcept { return m_value; }                \
                                                                           \
    /* Increment and decrement (22003 at the class maximum and minimum)   \
    ** and negation (22003 for the most negative value); a null value is  \
    ** left as it is. */                                                   \
    CLS &operator++();                                                     \
    CLS &operator--();                                                     \
    CLS &negate();                                                         \
    ASI_NUM_CMP_USING(CAsiExactNum)                                        \
                                                                           \
private:                                                                   \
    template <class> friend struct asi_int_impl;

/* Assignment from the approximate and decimal values and the numbers. */
#define ASI_INT_ASSIGN_COMMON(CLS)                 \
    CLS &operator=(const CAsiDecimal &v);          \
    CLS &operator=(const CAsiNumeric &v);          \
    CLS &operator=(const CAsiFloat &v);            \
    CLS &operator=(const CAsiReal &v);             \
    CLS &operator=(const CAsiDouble &v);           \
    CLS &operator=(int v);                         \
    CLS &operator=(long v);                        \
    CLS &operator=(double v);

class CAsiSmallint : public CAsiExactNum {
    ASI_INT_CLASS_BODY(CAsiSmallint)

public:
    CAsiSmallint &operator=(const CAsiSmallint &v);
    CAsiSmallint &operator=(const CAsiInteger &v);
    CAsiSmallint &operator=(short v);
    ASI_INT_ASSIGN_COMMON(CAsiSmallint)
    ASI_NUM_OPERAND_FAMILY(CAsiSmallint, +=)
    ASI_NUM_OPERAND_FAMILY(CAsiSmallint, -=)
    ASI_NUM_OPERAND_FAMILY(CAsiSmallint, *=)
    ASI_NUM_OPERAND_FAMILY(CAsiSmallint, /=)

    /* Two-operand arithmetic: a DOUBLE PRECISION value, null when an
    ** operand is null; 22012 for a zero divisor. */
#define ASI_SMALLINT_BINARY(OP)                           \
    CAsiDouble operator OP(const CAsiSmallint &v) const;  \
    CAsiDouble operator OP(short v) const;                \
    CAsiDouble operator OP(int v) const;                  \
    CAsiDouble operator OP(long v) const;                 \
    CAsiDouble operator OP(double v) const;
    ASI_SMALLINT_BINARY(+)
    ASI_SMALLINT_BINARY(-)
    ASI_SMALLINT_BINARY(*)
    ASI_SMALLINT_BINARY(/)

private:
    std::int16_t m_value;   /* the value, -32768..32767 */
};

class CAsiInteger : public CAsiExactNum {
    ASI_INT_CLASS_BODY(CAsiInteger)

public:
    CAsiInteger &operator=(const CAsiInteger &v);
    CAsiInteger &operator=(const CAsiSmallint &v);
    ASI_INT_ASSIGN_COMMON(CAsiInteger)
    ASI_NUM_OPERAND_FAMILY(CAsiInteger, +=)
    ASI_NUM_OPERAND_FAMILY(CAsiInteger, -=)
    ASI_NUM_OPERAND_FAMILY(CAsiInteger, *=)
    ASI_NUM_OPERAND_FAMILY(CAsiInteger, /=)

#define ASI_INTEGER_BINARY(OP)                            \
    CAsiDouble operator OP(const CAsiSmallint &v) const;  \
    CAsiDouble operator OP(const CAsiInteger &v) const;   \
    CAsiDouble operator OP(short v) const;                \
    CAsiDouble operator OP(int v) const;                  \
    CAsiDouble operator OP(long v) const;                 \
    CAsiDouble operator OP(double v) const;
    ASI_INTEGER_BINARY(+)
    ASI_INTEGER_BINARY(-)
    ASI_INTEGER_BINARY(*)
    ASI_INTEGER_BINARY(/)

private:
    std::int32_t m_value;   /* the value */
};

/* Two-operand arithmetic with the other operand on the left. */
#define ASI_INT_FREE_OPS(OP)                                          \
    CAsiDouble operator OP(short a, const CAsiSmallint &b);           \
    CAsiDouble operator OP(int a, const CAsiSmallint &b);             \
    CAsiDouble operator OP(long a, const CAsiSmallint &b);            \
    CAsiDouble operator OP(double a, const CAsiSmallint &b);          \
    CAsiDouble operator OP(const CAsiSmallint &a, const CAsiInteger &b); \
    CAsiDouble operator OP(short a, const CAsiInteger &b);            \
    CAsiDouble operator OP(int a, const CAsiInteger &b);              \
    CAsiDouble operator OP(long a, const CAsiInteger &b);             \
    CAsiDouble operator OP(double a, const CAsiInteger &b);
ASI_INT_FREE_OPS(+)
ASI_INT_FREE_OPS(-)
ASI_INT_FREE_OPS(*)
ASI_INT_FREE_OPS(/)

#endif
