/*
** asi_double.h: CAsiDouble, the DOUBLE PRECISION value (type code 8,
** precision word 64): a full double, parsed, formatted, converted and
** compared by the same rules as REAL (the shared rules and the comparison
** operators are those of CAsiApproxNum, asi_approx.h), and the result type
** of the exact classes' two-operand arithmetic.
**
**     CAsiDouble d;
**     d = 1.5;                          // not null any more
**     char buf[32]; d.getText(buf, sizeof buf);    // "1.5"
*/
#ifndef PV_SQLCLIENT_VALUES_ASI_DOUBLE_H
#define PV_SQLCLIENT_VALUES_ASI_DOUBLE_H

#include "sqlclient/values/asi_approx.h"

/* The precision word of DOUBLE PRECISION. */
constexpr unsigned ASI_DOUBLE_PRECISION = 64;

class CAsiDouble : public CAsiApproxNum {
public:
    /* A null value, 0.0. */
    CAsiDouble() noexcept;
    /* A copy (the attached object cloned). */
    CAsiDouble(const CAsiDouble &other);
    ~CAsiDouble() override;

    /* The slots of asi_approx.h: typeCode 8, "DOUBLE PRECISION", a new
    ** DOUBLE PRECISION as the result type with any numeric operand, a copy
    ** of the other value as the union type. */
    ASI_APPROX_VALUE_SLOTS(CAsiDouble)

    /* Assignment: a null operand makes this value null (its double kept);
    ** a number is stored as a double and clears the null flag.  Answers
    ** this value. */
    ASI_NUM_OPERAND_FAMILY(CAsiDouble, =)
    /* Compound assignment: a null value stays null, a null operand makes
    ** it null; 22012 for a zero divisor (this value unchanged). */
    ASI_NUM_OPERAND_FAMILY(CAsiDouble, +=)
    ASI_NUM_OPERAND_FAMILY(CAsiDouble, -=)
    ASI_NUM_OPERAND_FAMILY(CAsiDouble, *=)
    ASI_NUM_OPERAND_FAMILY(CAsiDouble, /=)

    /* Two-operand arithmetic: a new DOUBLE PRECISION, null when an operand
    ** is null; 22012 for a zero divisor. */
#define ASI_DOUBLE_BINARY(OP)                             \
    ASI_APPROX_BINARY_EXACT(CAsiDouble, OP)               \
    CAsiDouble operator OP(const CAsiFloat &v) const;     \
    CAsiDouble operator OP(const CAsiReal &v) const;      \
    CAsiDouble operator OP(const CAsiDouble &v) const;    \
    ASI_APPROX_BINARY_SCALAR(CAsiDouble, OP)
    ASI_DOUBLE_BINARY(+)
    ASI_DOUBLE_BINARY(-)
    ASI_DOUBLE_BINARY(*)
    ASI_DOUBLE_BINARY(/)
#undef ASI_DOUBLE_BINARY

    /* In place: negation, minus one, plus one; a null value stays null.
    ** Each answers this value. */
    CAsiDouble &operator-();
    CAsiDouble &operator--();
    CAsiDouble &operator++();

private:
    double m_value;   /* the value; meaningful while not null */
};

/* DOUBLE PRECISION's operators with the other operand on the left (REAL
** and FLOAT too). */
#define ASI_DOUBLE_FREE(OP)                                           \
    ASI_APPROX_FREE_EXACT(CAsiDouble, OP)                             \
    CAsiDouble operator OP(const CAsiFloat &a, const CAsiDouble &b);  \
    CAsiDouble operator OP(const CAsiReal &a, const CAsiDouble &b);   \
    ASI_APPROX_FREE_SCALAR(CAsiDouble, OP)
ASI_DOUBLE_FREE(+)
ASI_DOUBLE_FREE(-)
ASI_DOUBLE_FREE(*)
ASI_DOUBLE_FREE(/)
#undef ASI_DOUBLE_FREE

#endif
