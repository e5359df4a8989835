/*
** asi_exactnum.h: CAsiExactNum, the common base of SMALLINT, INTEGER,
** DECIMAL and NUMERIC.
**
** It marks its values as exact, derives the result type of an addition
** between exact values, and implements the 66 comparison operators of
** CAsiNum once for all four classes:
**   - against an exact value or an integer: tolerant comparison of the two
**     doubles, with the tolerance of the larger scale (or of this value's
**     scale against an integer); values too large for a double to tell
**     apart at that scale are compared exactly in decimal;
**   - against an approximate value or a double: the plain floating-point
**     relation.
** A null operand makes every operator answer 0.
*/
#ifndef PV_SQLCLIENT_VALUES_ASI_EXACTNUM_H
#define PV_SQLCLIENT_VALUES_ASI_EXACTNUM_H

#include "sqlclient/values/asi_decnum.h"
#include "sqlclient/values/asi_num.h"

/* The six relations, in the order of the operator blocks. */
enum asi_num_rel { ASI_REL_GT, ASI_REL_GE, ASI_REL_EQ, ASI_REL_LE, ASI_REL_LT, ASI_REL_NE };

class CAsiExactNum : public CAsiNum {
public:
    CAsiExactNum() noexcept = default;
    CAsiExactNum(const CAsiExactNum &other) = default;
    CAsiExactNum &operator=(const CAsiExactNum &other) = default;

    ~CAsiExactNum() override;
    /* Answers 1. */
    int isExactNumeric() const override;
    /* DOUBLE PRECISION with an approximate value; DECIMAL of the larger
    ** precision and larger scale with an exact value; none otherwise. */
    CAsiData *addType(const CAsiData *other) const override;

    ASI_NUM_CMP_DECLS(override)

    /* The relation between this value and another numeric value by the
    ** rules above (the overload a caller holding two values would pick from
    ** the other's type code); 0 when either is null.  Non-numeric values
    ** answer 0. */
    int compareWith(asi_num_rel rel, const CAsiData &other) const;

    /* The value as a packed decimal record of ASI_DEC_MAX_DIGITS digits;
    ** 1, or 0 when the value is null or has no exact digits (a DECIMAL in
    ** its overflow form). */
    virtual int exactDigits(asi_decnum *out) const = 0;

protected:
    /* Tolerant comparison with an exact value. */
    int relExact(asi_num_rel rel, const CAsiNum &other) const;
    /* Plain comparison with an approximate value. */
    int relApprox(asi_num_rel rel, const CAsiNum &other) const;
    /* Tolerant comparison with an integer argument. */
    int relInteger(asi_num_rel rel, long v) const;
    /* Plain comparison with a double argument. */
    int relDouble(asi_num_rel rel, double v) const;
};

/* The plain floating-point relation between a and b. */
int asi_num_rel_plain(asi_num_rel rel, double a, double b);

/* The tolerant relation between a and b with tolerance t. */
int asi_num_rel_tolerant(asi_num_rel rel, double a, double b, double t);

#endif
