/*
** asi_num.h: CAsiNum, the abstract base of every numeric SQL value.
**
** It adds a precision and a scale to CAsiData, answers the numeric type
** questions, derives the result types of arithmetic, and declares what
** every numeric class shares: the value as a 32-bit integer and as a double,
** and 66 comparison operators (six operators, eleven argument kinds each).
** The exact base (CAsiExactNum) and the approximate base override all 66.
**
** Equality between exact values is tolerant: two values are equal when they
** differ by less than half a unit in the last place of the finer scale,
** asi_num_tolerance[s] = 0.5 x 10^-s.
**
**     const CAsiNum &a = ...;
**     if (a == 3) ...;                 // tolerant when a is exact
**     double d = a.doubleValue();
*/
#ifndef PV_SQLCLIENT_VALUES_ASI_NUM_H
#define PV_SQLCLIENT_VALUES_ASI_NUM_H

#include <cstdint>

#include "sqlclient/values/asi_data.h"

class CAsiDouble;
class CAsiReal;
class CAsiFloat;
class CAsiDecimal;
class CAsiNumeric;
class CAsiInteger;
class CAsiSmallint;

/* The largest scale of a numeric value, and the entries of the tolerance
** table (scales 0 to 32). */
constexpr unsigned ASI_NUM_MAX_SCALE = 32;
constexpr unsigned ASI_NUM_TOLERANCES = ASI_NUM_MAX_SCALE + 1;

/* Equality tolerance by scale: entry s is 0.5 x 10^-s.  Also indexed by a
** fractional-seconds precision for TIME values and day-time intervals. */
extern const double asi_num_tolerance[ASI_NUM_TOLERANCES];

/* The tolerance of a scale; scales beyond 32 use the last entry. */
inline double asi_num_tolerance_of(unsigned scale)
{
    return asi_num_tolerance[scale < ASI_NUM_TOLERANCES ? scale : ASI_NUM_MAX_SCALE];
}

/* The eleven overloads of one comparison operator, in slot order: int,
** double, long, short, DOUBLE PRECISION, REAL, FLOAT, DECIMAL, NUMERIC,
** INTEGER, SMALLINT.  QUAL is empty in CAsiNum and "override" in the bases
** that implement them. */
#define ASI_NUM_CMP_BLOCK(OP, QUAL)                          \
    virtual int operator OP(int v) const QUAL;                 \
    virtual int operator OP(double v) const QUAL;              \
    virtual int operator OP(long v) const QUAL;                \
    virtual int operator OP(short v) const QUAL;               \
    virtual int operator OP(const CAsiDouble &v) const QUAL;   \
    virtual int operator OP(const CAsiReal &v) const QUAL;     \
    virtual int operator OP(const CAsiFloat &v) const QUAL;    \
    virtual int operator OP(const CAsiDecimal &v) const QUAL;  \
    virtual int operator OP(const CAsiNumeric &v) const QUAL;  \
    virtual int operator OP(const CAsiInteger &v) const QUAL;  \
    virtual int operator OP(const CAsiSmallint &v) const QUAL;

/* All 66 comparison operators, the six blocks in slot order. */
#define ASI_NUM_CMP_DECLS(QUAL)   \
    ASI_NUM_CMP_BLOCK(>, QUAL)    \
    ASI_NUM_CMP_BLOCK(>=, QUAL)   \
    ASI_NUM_CMP_BLOCK(==, QUAL)   \
    ASI_NUM_CMP_BLOCK(<=, QUAL)   \
    ASI_NUM_CMP_BLOCK(<, QUAL)    \
    ASI_NUM_CMP_BLOCK(!=, QUAL)

/* Brings the 66 operators of BASE into a concrete class, so that they take
** that class as their object: with C++20's reversed equality candidates,
** a == b between two different concrete numeric classes then picks the
** left operand's own operator, which answers an int.  Every concrete class
** (SMALLINT, INTEGER, DECIMAL, NUMERIC, REAL, FLOAT, DOUBLE PRECISION) uses
** it.  A caller holding the right operand only as a base reference picks
** the overload from its typeCode (CAsiExactNum::compareWith). */
#define ASI_NUM_CMP_USING(BASE) \
    using BASE::operator>;      \
    using BASE::operator>=;     \
    using BASE::operator==;     \
    using BASE::operator<=;     \
    using BASE::operator<;      \
    using BASE::operator!=;

/* The value operations every concrete numeric class (SMALLINT, INTEGER,
** DECIMAL, NUMERIC, REAL, FLOAT, DOUBLE PRECISION) overrides, from clone to
** doubleValue; each class's header says what they answer. */
#define ASI_NUM_VALUE_SLOTS(CLS)                                     \
    CLS *clone() const override;                                     \
    int packedSize() const override;                                 \
    int pack(CAsiOStream &out) const override;                       \
    int unpack(CAsiIStream &in) override;                            \
    int packedValueSize() const override;                            \
    int packValue(CAsiOStream &out) const override;                  \
    int unpackValue(CAsiIStream &in) override;                       \
    int typeCode() const override;                                   \
    unsigned displayLength() const override;                         \
    CAsiData *addType(const CAsiData *other) const override;         \
    CAsiData *subtractType(const CAsiData *other) const override;    \
    CAsiData *multiplyType(const CAsiData *other) const override;    \
    CAsiData *divideType(const CAsiData *other) const override;      \
    CAsiData *unionType(const CAsiData *other) const override;       \
    int isEqual(const CAsiData &other) const override;               \
    int isGreater(const CAsiData &other) const override;             \
    int getData(void *buf, int offset, int len) const override;      \
    int dataSize() const override;                                   \
    int assign(const CAsiData &source) override;                     \
    int setUcStr(const CAsiUcStr &text) override;                    \
    int setText(const char *text, int length) override;              \
    int setShort(std::int16_t v) override;                           \
    int setLong(std::int32_t v) override;                            \
    int setDouble(double v) override;                                \
    int getUcStr(CAsiUcStr &out) const override;                     \
    int getText(char *buf, int size) const override;                 \
    int getShort(std::int16_t *out) const override;                  \
    int getLong(std::int32_t *out) const override;                   \
    int getDouble(double *out) const override;                       \
    int typeText(CAsiUcStr &out) const override;                     \
    int literalText(CAsiUcStr &out) const override;                  \
    std::int32_t longValue() const override;                         \
    double doubleValue() const override;

/* One assignment or compound-assignment operator OP of class CLS with
** every numeric value class and the four scalars (16-bit, int, long,
** double) on the right; each answers this value. */
#define ASI_NUM_OPERAND_FAMILY(CLS, OP)            \
    CLS &operator OP(const CAsiNumeric &v);        \
    CLS &operator OP(const CAsiDecimal &v);        \
    CLS &operator OP(const CAsiInteger &v);        \
    CLS &operator OP(const CAsiSmallint &v);       \
    CLS &operator OP(const CAsiFloat &v);          \
    CLS &operator OP(const CAsiReal &v);           \
    CLS &operator OP(const CAsiDouble &v);         \
    CLS &operator OP(short v);                     \
    CLS &operator OP(int v);                       \
    CLS &operator OP(long v);                      \
    CLS &operator OP(double v);

class CAsiNum : public CAsiData {
public:
    /* Precision and scale are set by each concrete class's constructor. */
    CAsiNum() noexcept : m_precision(0), m_scale(0) {}
    CAsiNum(const CAsiNum &other) = default;
    CAsiNum &operator=(const CAsiNum &other) = default;

    /* --- CAsiData slots overridden, in slot order --- */

    ~CAsiNum() override;
    /* The precision and scale fields. */
    unsigned precision() const override;
    unsigned scale() const override;
    /* 1, and 0 (the approximate base answers 1). */
    int isNumeric() const override;
    int isApproximateNumeric() const override;
    /* isComparable: the other is numeric; isAssignable: the same;
    ** isCastable: numeric, character or a single-field interval.  0 for no
    ** other value. */
    int isComparable(const CAsiData *other) const override;
    int isAssignable(const CAsiData *other) const override;
    int isCastable(const CAsiData *other) const override;
    /* DOUBLE PRECISION for a numeric operand, none otherwise; multiplyType
    ** also gives the interval of an exact value times an interval;
    ** divideType answers multiplyType. */
    CAsiData *addType(const CAsiData *other) const override;
    CAsiData *subtractType(const CAsiData *other) const override;
    CAsiData *multiplyType(const CAsiData *other) const override;
    CAsiData *divideType(const CAsiData *other) const override;

    /* --- numeric slots --- */

    /* Answers 0 in every numeric class. */
    virtual int spare() const;
    /* The value as a signed 32-bit integer; default 0. */
    virtual std::int32_t longValue() const;
    /* The value as a double; default 0.0. */
    virtual double doubleValue() const;

    /* The 66 comparison operators: 1 when the relation holds, 0 when it
    ** does not or an operand is null.  Here all answer 0. */
    ASI_NUM_CMP_DECLS()

    /* The interval type of an exact value times an interval: INTERVAL
    ** MONTH (leading precision 6) for a year-month interval, else INTERVAL
    ** DAY TO SECOND (6, 8); null without memory. Public: the type helpers
    ** of the exact classes, which are not derived from this one, ask it. */
    static CAsiData *intervalProductType(const CAsiData &interval);

protected:
    std::uint32_t m_precision;   /* declared precision in decimal digits */
    std::uint32_t m_scale;       /* digits after the point, 0 to 32 */
};

#endif
