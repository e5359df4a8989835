/*
** asi_decimal.h: CAsiDecimal (SQL DECIMAL, type code 3) and CAsiNumeric
** (SQL NUMERIC, type code 2), the exact fixed-point values.
**
** A value has a precision p (total digits, at most 32) and a scale s
** (digits after the point, at most p) and holds its number in a packed
** decimal record (asi_decnum.h).  The twins differ in one point: a DECIMAL
** given a number it cannot hold in p digits keeps it as a double instead
** (its overflow form), while a NUMERIC refuses it with 22003.  The record's
** own scale may exceed s (the declared scale is not enforced on input); s
** governs the text form, which cuts rather than rounds.
**
**     CAsiNumeric n(10, 2);
**     n.setText("12.5", 4);              // 12.5
**     char buf[40]; n.getText(buf, 40);  // "12.50"
*/
#ifndef PV_SQLCLIENT_VALUES_ASI_DECIMAL_H
#define PV_SQLCLIENT_VALUES_ASI_DECIMAL_H

#include "sqlclient/values/asi_decnum.h"
#include "sqlclient/values/asi_exactnum.h"

/* Precision of a DECIMAL or NUMERIC made without one, and the precision
** and scale that the type text and the stream leave out. */
constexpr unsigned ASI_DEC_DEFAULT_PREC = 18;

/* Longest text setText reads (bytes). */
constexpr int ASI_DEC_SET_TEXT_MAX = 64;

/* Buffer getUcStr formats into (bytes). */
constexpr int ASI_DEC_UCSTR_BUF = 35;

/* Bytes of the double that getData copies. */
constexpr int ASI_DEC_DATA_SIZE = 8;

/* Stream tags of the two classes. */
constexpr int ASI_DEC_TAG_VALUE = 0;      /* the first p + 2 record bytes */
constexpr int ASI_DEC_TAG_PREC = 1;       /* precision, when not 18 */
constexpr int ASI_DEC_TAG_SCALE = 2;      /* scale, when not 0 */
constexpr int ASI_DEC_TAG_DOUBLE = 3;     /* DECIMAL's overflow form */

/* The two-operand arithmetic of the twins: a DOUBLE PRECISION value
** computed from both doubles. */
#define ASI_DEC_BINARY_OP(OP)                      \
    CAsiDouble operator OP(const CAsiNum &v) const; \
    CAsiDouble operator OP(short v) const;          \
    CAsiDouble operator OP(int v) const;            \
    CAsiDouble operator OP(long v) const;           \
    CAsiDouble operator OP(double v) const;

/* The shared implementation of the twins (asi_decimal.cpp). */
template <class> struct asi_dec_impl;

#define ASI_DEC_CLASS_BODY(CLS)                                                \
public:                                                                        \
    /* A null value of precision 18 and scale 0, of precision p and scale  \
    ** 0, or of p and s (p clamped to 32, s to p). */                        \
    CLS() noexcept : CLS(ASI_DEC_DEFAULT_PREC, 0) {}                           \
    explicit CLS(unsigned p) noexcept : CLS(p, 0) {}                           \
    CLS(unsigned p, unsigned s) noexcept;                                      \
    CLS(const CLS &other);                                                     \
    ~CLS() override;                                                           \
    ASI_NUM_VALUE_SLOTS(CLS)                                                   \
    int exactDigits(asi_decnum *out) const override;                           \
                                                                               \
    ASI_NUM_OPERAND_FAMILY(CLS, =)                                             \
    ASI_NUM_OPERAND_FAMILY(CLS, +=)                                            \
    ASI_NUM_OPERAND_FAMILY(CLS, -=)                                            \
    ASI_NUM_OPERAND_FAMILY(CLS, *=)                                            \
    ASI_NUM_OPERAND_FAMILY(CLS, /=)                                            \
    ASI_DEC_BINARY_OP(+)                                                       \
    ASI_DEC_BINARY_OP(-)                                                       \
    ASI_DEC_BINARY_OP(*)                                                       \
    ASI_DEC_BINARY_OP(/)                                                       \
    /* x + 1, x - 1 and -x in place; a null value stays null. */             \
    CLS &operator++();                                                         \
    CLS &operator--();                                                         \
    CLS &operator-();                                                          \
    ASI_NUM_CMP_USING(CAsiExactNum)                                            \
                                                                               \
    /* The digit record (meaningful unless isOverflow()). */                  \
    const asi_decnum &digits() const noexcept { return m_digits; }            \
                                                                               \
private:                                                                       \
    template <class> friend struct asi_dec_impl;

class CAsiDecimal : public CAsiExactNum {
    ASI_DEC_CLASS_BODY(CAsiDecimal)

public:
    /* 1 while the value is held as a double (its overflow form). */
    int isOverflow() const noexcept { return m_overflow; }

private:
    std::int32_t m_overflow;   /* 1: the value is m_double, m_digits stale */
    asi_decnum m_digits;       /* the value at precision m_precision */
    double m_double;           /* the value while in the overflow form */
};

class CAsiNumeric : public CAsiExactNum {
    ASI_DEC_CLASS_BODY(CAsiNumeric)

public:
    /* A NUMERIC has no overflow form: always 0. */
    int isOverflow() const noexcept { return 0; }

private:
    asi_decnum m_digits;       /* the value at precision m_precision */
};

/* The binary operators with a number or an integer value on the left (a
** DECIMAL, NUMERIC or approximate value on the left has its own): a
** DOUBLE PRECISION value computed in double arithmetic, null when a value
** is null; 22012 for a zero divisor. */
#define ASI_DEC_FREE_OPS(CLS, OP)                        \
    CAsiDouble operator OP(const CAsiInteger &a, const CLS &b); \
    CAsiDouble operator OP(const CAsiSmallint &a, const CLS &b); \
    CAsiDouble operator OP(short a, const CLS &b);       \
    CAsiDouble operator OP(int a, const CLS &b);         \
    CAsiDouble operator OP(long a, const CLS &b);        \
    CAsiDouble operator OP(double a, const CLS &b);
ASI_DEC_FREE_OPS(CAsiDecimal, +)
ASI_DEC_FREE_OPS(CAsiDecimal, -)
ASI_DEC_FREE_OPS(CAsiDecimal, *)
ASI_DEC_FREE_OPS(CAsiDecimal, /)
ASI_DEC_FREE_OPS(CAsiNumeric, +)
ASI_DEC_FREE_OPS(CAsiNumeric, -)
ASI_DEC_FREE_OPS(CAsiNumeric, *)
ASI_DEC_FREE_OPS(CAsiNumeric, /)

#endif
