/*
** asi_approx.h: the approximate numeric values.  CAsiApproxNum is their
** abstract base (plain floating-point comparisons, no tolerance); CAsiReal
** (REAL, type code 7) and CAsiFloat (FLOAT(p), type code 6) hold a full
** double each, as DOUBLE PRECISION (asi_double.h) does.  The three classes
** parse, format, convert and compare alike through the helpers below; they
** differ in type code, precision word, type text, result types, stream form
** and the type of their two-operand arithmetic.
**
**     CAsiReal r; r = 1.5;                 // not null any more
**     CAsiReal s = r + CAsiInteger();      // null: the INTEGER is null
*/
#ifndef PV_SQLCLIENT_VALUES_ASI_APPROX_H
#define PV_SQLCLIENT_VALUES_ASI_APPROX_H

#include <cstdint>

#include "sqlclient/values/asi_num.h"

/* Bytes of the stored value, the display length, the buffer getUcStr
** formats into, and the longest text setText parses. */
constexpr int ASI_APPROX_DATA_SIZE = 8;
constexpr unsigned ASI_APPROX_DISPLAY = 25;
constexpr int ASI_APPROX_UCS_BUF = 32;
constexpr int ASI_APPROX_PARSE_MAX = 64;

/* Precision words: REAL, FLOAT by default, FLOAT's cap. */
constexpr unsigned ASI_REAL_PRECISION = 32;
constexpr unsigned ASI_FLOAT_DEFAULT_PRECISION = 16;
constexpr unsigned ASI_FLOAT_MAX_PRECISION = 32;

/* Stream tags of the approximate values: the value, FLOAT's precision. */
constexpr int ASI_APPROX_TAG_VALUE = 0;
constexpr int ASI_APPROX_TAG_PRECISION = 1;

/* Significant digits of the digit string the text is made from. */
constexpr int ASI_APPROX_DIGITS = 17;

/* The 17 significant digits of a finite double x: the value scaled to 18
** BCD digits in the extended format (ties to even), rounded half up on the
** 18th; a carry out of the first digit gives 1 and raises the point.
** digits receives 17 characters and a NUL, *point the point position P
** (|x| = 0.D x 10^P), *negative 1 for x below zero.  Zero (either sign)
** gives seventeen zeros, P = 0 and no sign.  Answers 1, or 0 and writes
** nothing for an infinite or not-a-number x. */
int asi_approx_digits(double x, char digits[ASI_APPROX_DIGITS + 1], int *point, int *negative);

/* The text of an approximate value x: at most size - 1 bytes into buf,
** terminated.  Infinity and NaN print as "INF", "-INF" and "NAN".  Answers
** 1, or 0 and writes nothing when buf is none or size below 1. */
int asi_approx_text(double x, char *buf, int size);

/* Parses multibyte text as an approximate value: at most 64 bytes, leading
** white space, a decimal number, then only blanks.  1 with *out set; 0 for
** bad or empty text (*out untouched). */
int asi_approx_parse_text(const char *text, int length, double *out);

/* Parses a UCS-2 string the same way, any trailing white space allowed; an
** empty string gives 0.0.  1 with *out set, 0 for bad text. */
int asi_approx_parse_ucs(const CAsiUcStr &text, double *out);

/* The value of a single-field interval as a double (negative when the
** interval is); 1, or 0 when the source is not such an interval or null. */
int asi_interval_field_value(const CAsiData &source, double *out);

class CAsiApproxNum : public CAsiNum {
public:
    /* A null value (precision and scale set by the concrete class). */
    CAsiApproxNum() noexcept = default;
    CAsiApproxNum(const CAsiApproxNum &other) = default;
    CAsiApproxNum &operator=(const CAsiApproxNum &other) = default;

    ~CAsiApproxNum() override;
    /* Answers 1. */
    int isApproximateNumeric() const override;

    /* The 66 comparison operators: the plain floating-point relation of
    ** this value's doubleValue and the other operand; 0 when an operand is
    ** null. */
    ASI_NUM_CMP_DECLS(override)

protected:
    /* The shared behaviour of REAL, FLOAT and DOUBLE PRECISION; value is
    ** the concrete class's stored double.  Each answers as the virtual
    ** operation of the same name. */
    int approxAssign(double &value, const CAsiData &source);
    int approxSetText(double &value, const char *text, int length);
    int approxSetUcStr(double &value, const CAsiUcStr &text);
    int approxSetDouble(double &value, double v);
    int approxGetText(double value, char *buf, int size) const;
    int approxGetUcStr(double value, CAsiUcStr &out) const;
    int approxGetShort(double value, std::int16_t *out) const;
    int approxGetLong(double value, std::int32_t *out) const;
    int approxGetDouble(double value, double *out) const;
    int approxGetData(const double &value, void *buf, int offset, int len) const;
    int approxIsEqual(const CAsiData &other) const;
    int approxIsGreater(const CAsiData &other) const;
    int approxLiteralText(CAsiUcStr &out) const;
    std::int32_t approxLongValue(double value) const;
    /* Writes the value item (when not null) and the end item with code;
    ** FLOAT passes its precision item through precisionItem (written when
    ** hasPrecision).  Answers the stream's length. */
    int approxPack(double value, CAsiOStream &out, int code, int hasPrecision, std::uint32_t precision) const;
    /* Reads items up to the end item: the value (clears the null flag)
    ** and, when precision is given, the precision item.  Answers 1. */
    int approxUnpack(double &value, CAsiIStream &in, std::uint32_t *precision);

    /* Compound assignment shared by the classes: op is '+', '-', '*' or
    ** '/'; the operand b and its null flag.  22012 for a zero divisor. */
    void approxCompound(double &value, char op, int otherNull, double b);

private:
    /* The relation of a and the other value's double; 0 when null. */
    int relValue(int rel, const CAsiNum &other) const;
    int relScalar(int rel, double b) const;
};

/* The result of a two-operand operation a op b in double precision; 22012
** when op is '/' and b is zero. */
double asi_approx_arith(double a, char op, double b);

/* Two-operand arithmetic with an exact operand on the right. */
#define ASI_APPROX_BINARY_EXACT(CLS, OP)               \
    CLS operator OP(const CAsiNumeric &v) const;       \
    CLS operator OP(const CAsiDecimal &v) const;       \
    CLS operator OP(const CAsiInteger &v) const;       \
    CLS operator OP(const CAsiSmallint &v) const;

/* Two-operand arithmetic with a scalar on the right. */
#define ASI_APPROX_BINARY_SCALAR(CLS, OP)  \
    CLS operator OP(short v) const;        \
    CLS operator OP(int v) const;          \
    CLS operator OP(double v) const;       \
    CLS operator OP(long v) const;

/* The same with the exact operand or the scalar on the left. */
#define ASI_APPROX_FREE_EXACT(CLS, OP)                          \
    CLS operator OP(const CAsiNumeric &a, const CLS &b);        \
    CLS operator OP(const CAsiDecimal &a, const CLS &b);        \
    CLS operator OP(const CAsiInteger &a, const CLS &b);        \
    CLS operator OP(const CAsiSmallint &a, const CLS &b);

#define ASI_APPROX_FREE_SCALAR(CLS, OP)       \
    CLS operator OP(short a, const CLS &b);   \
    CLS operator OP(int a, const CLS &b);     \
    CLS operator OP(double a, const CLS &b);  \
    CLS operator OP(long a, const CLS &b);

/* The virtual operations REAL, FLOAT and DOUBLE PRECISION override alike,
** and the comparison operators taken in as the class's own. */
#define ASI_APPROX_VALUE_SLOTS(CLS)                                  \
    ASI_NUM_VALUE_SLOTS(CLS)                                         \
    int setWide(const char16_t *text) override;                      \
    int setData(const void *buf, int offset, int len) override;      \
    int assignTo(CAsiData &target) const override;                   \
    int getWide(char16_t *buf, int size) const override;             \
    int getBytes(void *buf, int maxBits, int *bits) const override;  \
    ASI_NUM_CMP_USING(CAsiApproxNum)

/* SQL REAL: a full double (never narrowed), precision word 32. */
class CAsiReal : public CAsiApproxNum {
public:
    /* A null REAL holding 0.0. */
    CAsiReal() noexcept;
    /* A copy (the attached object cloned). */
    CAsiReal(const CAsiReal &other);
    ~CAsiReal() override;

    ASI_APPROX_VALUE_SLOTS(CAsiReal)

    /* Assignment: a null operand makes this value null (its double kept);
    ** assigning the value to itself changes nothing.  Answers this value. */
    ASI_NUM_OPERAND_FAMILY(CAsiReal, =)
    /* Compound assignment: a null value stays null, a null operand makes
    ** it null; 22012 for a zero divisor (this value unchanged). */
    ASI_NUM_OPERAND_FAMILY(CAsiReal, +=)
    ASI_NUM_OPERAND_FAMILY(CAsiReal, -=)
    ASI_NUM_OPERAND_FAMILY(CAsiReal, *=)
    ASI_NUM_OPERAND_FAMILY(CAsiReal, /=)

    /* Two-operand arithmetic: a new REAL, null when an operand is null;
    ** 22012 for a zero divisor. */
#define ASI_REAL_BINARY(OP)                     \
    ASI_APPROX_BINARY_EXACT(CAsiReal, OP)       \
    CAsiReal operator OP(const CAsiFloat &v) const; \
    CAsiReal operator OP(const CAsiReal &v) const;  \
    ASI_APPROX_BINARY_SCALAR(CAsiReal, OP)
    ASI_REAL_BINARY(+)
    ASI_REAL_BINARY(-)
    ASI_REAL_BINARY(*)
    ASI_REAL_BINARY(/)
#undef ASI_REAL_BINARY

    /* In place: negation, minus one, plus one; a null value stays null.
    ** Each answers this value. */
    CAsiReal &operator-();
    CAsiReal &operator--();
    CAsiReal &operator++();

private:
    double m_value;   /* the value; meaningful while not null */
};

/* SQL FLOAT(p): a full double; p (0 to 32, 16 by default) changes only the
** type text, the stream form and the precision of result types. */
class CAsiFloat : public CAsiApproxNum {
public:
    /* A null FLOAT(16) holding 0.0. */
    CAsiFloat() noexcept;
    /* A null FLOAT(p): p when below 32 taken unsigned, else 32. */
    explicit CAsiFloat(int p) noexcept;
    /* A copy (the attached object cloned). */
    CAsiFloat(const CAsiFloat &other);
    ~CAsiFloat() override;

    ASI_APPROX_VALUE_SLOTS(CAsiFloat)

    /* Assignment and compound assignment as REAL's. */
    ASI_NUM_OPERAND_FAMILY(CAsiFloat, =)
    ASI_NUM_OPERAND_FAMILY(CAsiFloat, +=)
    ASI_NUM_OPERAND_FAMILY(CAsiFloat, -=)
    ASI_NUM_OPERAND_FAMILY(CAsiFloat, *=)
    ASI_NUM_OPERAND_FAMILY(CAsiFloat, /=)

    /* Two-operand arithmetic: a new FLOAT whose precision is the larger of
    ** the two (capped at 32) with a value operand, 16 with a scalar; null
    ** when an operand is null; 22012 for a zero divisor. */
#define ASI_FLOAT_BINARY(OP)                          \
    ASI_APPROX_BINARY_EXACT(CAsiFloat, OP)            \
    CAsiFloat operator OP(const CAsiFloat &v) const;  \
    ASI_APPROX_BINARY_SCALAR(CAsiFloat, OP)
    ASI_FLOAT_BINARY(+)
    ASI_FLOAT_BINARY(-)
    ASI_FLOAT_BINARY(*)
    ASI_FLOAT_BINARY(/)
#undef ASI_FLOAT_BINARY

    /* In place: negation, minus one, plus one; a null value stays null. */
    CAsiFloat &operator-();
    CAsiFloat &operator--();
    CAsiFloat &operator++();

private:
    double m_value;   /* the value; meaningful while not null */
};

/* REAL's operators with the other operand on the left (a FLOAT too). */
#define ASI_REAL_FREE(OP)                                      \
    ASI_APPROX_FREE_EXACT(CAsiReal, OP)                        \
    CAsiReal operator OP(const CAsiFloat &a, const CAsiReal &b); \
    ASI_APPROX_FREE_SCALAR(CAsiReal, OP)
ASI_REAL_FREE(+)
ASI_REAL_FREE(-)
ASI_REAL_FREE(*)
ASI_REAL_FREE(/)
#undef ASI_REAL_FREE

/* FLOAT's operators with the other operand on the left. */
#define ASI_FLOAT_FREE(OP)                 \
    ASI_APPROX_FREE_EXACT(CAsiFloat, OP)   \
    ASI_APPROX_FREE_SCALAR(CAsiFloat, OP)
ASI_FLOAT_FREE(+)
ASI_FLOAT_FREE(-)
ASI_FLOAT_FREE(*)
ASI_FLOAT_FREE(/)
#undef ASI_FLOAT_FREE

/* ---- Definitions shared by the implementation files of REAL, FLOAT and
** DOUBLE PRECISION (each class keeps its double in m_value). ---- */

/* The precision of a FLOAT result: the larger word (unsigned), for the
** FLOAT(int) constructor to cap. */
inline int asi_float_join(unsigned a, unsigned b)
{
    return (int)(a > b ? a : b);
}

/* Assignment from a value: itself changes nothing, null makes this null
** (the double kept), else its double. */
#define ASI_APPROX_DEF_ASSIGN(CLS, V)                                      \
    CLS &CLS::operator=(const V &v)                                        \
    {                                                                      \
        if ((const void *)&v != (const void *)this) {                      \
            if (v.isNull())                                                \
                m_null = 1;                                                \
            else                                                           \
                approxSetDouble(m_value, v.doubleValue());                 \
        }                                                                  \
        return *this;                                                      \
    }

/* Assignment from a scalar. */
#define ASI_APPROX_DEF_ASSIGN_SCALAR(CLS, T)                               \
    CLS &CLS::operator=(T v)                                               \
    {                                                                      \
        approxSetDouble(m_value, (double)v);                               \
        return *this;                                                      \
    }

/* Compound assignment with a value and with a scalar. */
#define ASI_APPROX_DEF_COMPOUND(CLS, OP, CH, V)                            \
    CLS &CLS::operator OP(const V &v)                                      \
    {                                                                      \
        approxCompound(m_value, CH, v.isNull(), v.doubleValue());          \
        return *this;                                                      \
    }
#define ASI_APPROX_DEF_COMPOUND_SCALAR(CLS, OP, CH, T)                     \
    CLS &CLS::operator OP(T v)                                             \
    {                                                                      \
        approxCompound(m_value, CH, 0, (double)v);                         \
        return *this;                                                      \
    }

/* Every assignment and compound assignment of a class (the seven value
** classes, then short, int, double, long). */
#define ASI_APPROX_DEF_ASSIGN_FAMILY(CLS, M, OP, CH)                      \
    M(CLS, OP, CH, CAsiNumeric)                                            \
    M(CLS, OP, CH, CAsiDecimal)                                            \
    M(CLS, OP, CH, CAsiInteger)                                            \
    M(CLS, OP, CH, CAsiSmallint)                                           \
    M(CLS, OP, CH, CAsiFloat)                                              \
    M(CLS, OP, CH, CAsiReal)                                               \
    M(CLS, OP, CH, CAsiDouble)                                             \
    M##_SCALAR(CLS, OP, CH, short)                                         \
    M##_SCALAR(CLS, OP, CH, int)                                           \
    M##_SCALAR(CLS, OP, CH, double)                                        \
    M##_SCALAR(CLS, OP, CH, long)
#define ASI_APPROX_DEF_SET(CLS, OP, CH, V) ASI_APPROX_DEF_ASSIGN(CLS, V)
#define ASI_APPROX_DEF_SET_SCALAR(CLS, OP, CH, T) ASI_APPROX_DEF_ASSIGN_SCALAR(CLS, T)
#define ASI_APPROX_DEF_ALL_ASSIGNMENTS(CLS)                                       \
    ASI_APPROX_DEF_ASSIGN_FAMILY(CLS, ASI_APPROX_DEF_SET, =, '=')                 \
    ASI_APPROX_DEF_ASSIGN_FAMILY(CLS, ASI_APPROX_DEF_COMPOUND, +=, '+')           \
    ASI_APPROX_DEF_ASSIGN_FAMILY(CLS, ASI_APPROX_DEF_COMPOUND, -=, '-')           \
    ASI_APPROX_DEF_ASSIGN_FAMILY(CLS, ASI_APPROX_DEF_COMPOUND, *=, '*')           \
    ASI_APPROX_DEF_ASSIGN_FAMILY(CLS, ASI_APPROX_DEF_COMPOUND, /=, '/')

/* Two-operand forms: RESULT makes the null result (it may name v, or a
** and b); the operands' null flags and doubles decide the rest. */
#define ASI_APPROX_DEF_BINARY(CLS, R, OP, CH, V, RESULT)                   \
    R CLS::operator OP(const V &v) const                                   \
    {                                                                      \
        R r RESULT;                                                        \
        if (!m_null && !v.isNull())                                        \
            r.setDouble(asi_approx_arith(m_value, CH, v.doubleValue()));   \
        return r;                                                          \
    }
#define ASI_APPROX_DEF_BINARY_SCALAR(CLS, R, OP, CH, T, RESULT)            \
    R CLS::operator OP(T v) const                                          \
    {                                                                      \
        R r RESULT;                                                        \
        if (!m_null)                                                       \
            r.setDouble(asi_approx_arith(m_value, CH, (double)v));         \
        return r;                                                          \
    }
#define ASI_APPROX_DEF_FREE(R, OP, CH, A, B, RESULT)                       \
    R operator OP(const A &a, const B &b)                                  \
    {                                                                      \
        R r RESULT;                                                        \
        if (!a.isNull() && !b.isNull())                                    \
            r.setDouble(asi_approx_arith(a.doubleValue(), CH, b.doubleValue())); \
        return r;                                                          \
    }
#define ASI_APPROX_DEF_FREE_SCALAR(R, OP, CH, T, B, RESULT)                \
    R operator OP(T a, const B &b)                                         \
    {                                                                      \
        R r RESULT;                                                        \
        if (!b.isNull())                                                   \
            r.setDouble(asi_approx_arith((double)a, CH, b.doubleValue())); \
        return r;                                                          \
    }

/* The four scalar forms of one operator, either side. */
#define ASI_APPROX_DEF_SCALARS(CLS, R, OP, CH, RESULT)                     \
    ASI_APPROX_DEF_BINARY_SCALAR(CLS, R, OP, CH, short, RESULT)            \
    ASI_APPROX_DEF_BINARY_SCALAR(CLS, R, OP, CH, int, RESULT)              \
    ASI_APPROX_DEF_BINARY_SCALAR(CLS, R, OP, CH, double, RESULT)           \
    ASI_APPROX_DEF_BINARY_SCALAR(CLS, R, OP, CH, long, RESULT)             \
    ASI_APPROX_DEF_FREE_SCALAR(R, OP, CH, short, CLS, RESULT)              \
    ASI_APPROX_DEF_FREE_SCALAR(R, OP, CH, int, CLS, RESULT)                \
    ASI_APPROX_DEF_FREE_SCALAR(R, OP, CH, double, CLS, RESULT)             \
    ASI_APPROX_DEF_FREE_SCALAR(R, OP, CH, long, CLS, RESULT)

/* The slots REAL, FLOAT and DOUBLE PRECISION implement alike. */
#define ASI_APPROX_DEF_COMMON_SLOTS(CLS)                                                        \
    CLS *CLS::clone() const { return new CLS(*this); }                                          \
    int CLS::packedSize() const { CAsiOStream counter; return pack(counter); }                  \
    int CLS::packedValueSize() const { CAsiOStream counter; return packValue(counter); }        \
    unsigned CLS::displayLength() const { return ASI_APPROX_DISPLAY; }                          \
    CAsiData *CLS::subtractType(const CAsiData *other) const { return addType(other); }         \
    CAsiData *CLS::multiplyType(const CAsiData *other) const { return addType(other); }         \
    CAsiData *CLS::divideType(const CAsiData *other) const { return addType(other); }           \
    int CLS::isEqual(const CAsiData &other) const { return approxIsEqual(other); }              \
    int CLS::isGreater(const CAsiData &other) const { return approxIsGreater(other); }          \
    int CLS::getData(void *buf, int offset, int len) const                                      \
    {                                                                                           \
        return approxGetData(m_value, buf, offset, len);                                        \
    }                                                                                           \
    int CLS::dataSize() const { return ASI_APPROX_DATA_SIZE; }                                  \
    int CLS::setWide(const char16_t *text) { return CAsiData::setWide(text); }                  \
    int CLS::assign(const CAsiData &source) { return approxAssign(m_value, source); }           \
    int CLS::setData(const void *buf, int offset, int len) { return CAsiData::setData(buf, offset, len); } \
    int CLS::setUcStr(const CAsiUcStr &text) { return approxSetUcStr(m_value, text); }          \
    int CLS::setText(const char *text, int length) { return approxSetText(m_value, text, length); } \
    int CLS::setShort(std::int16_t v) { return approxSetDouble(m_value, (double)v); }           \
    int CLS::setLong(std::int32_t v) { return approxSetDouble(m_value, (double)v); }            \
    int CLS::setDouble(double v) { return approxSetDouble(m_value, v); }                        \
    int CLS::assignTo(CAsiData &target) const { return CAsiData::assignTo(target); }            \
    int CLS::getWide(char16_t *buf, int size) const { return CAsiData::getWide(buf, size); }    \
    int CLS::getBytes(void *buf, int maxBits, int *bits) const                                  \
    {                                                                                           \
        return CAsiData::getBytes(buf, maxBits, bits);                                          \
    }                                                                                           \
    int CLS::getUcStr(CAsiUcStr &out) const { return approxGetUcStr(m_value, out); }            \
    int CLS::getText(char *buf, int size) const { return approxGetText(m_value, buf, size); }   \
    int CLS::getShort(std::int16_t *out) const { return approxGetShort(m_value, out); }         \
    int CLS::getLong(std::int32_t *out) const { return approxGetLong(m_value, out); }           \
    int CLS::getDouble(double *out) const { return approxGetDouble(m_value, out); }             \
    int CLS::literalText(CAsiUcStr &out) const { return approxLiteralText(out); }               \
    std::int32_t CLS::longValue() const { return approxLongValue(m_value); }                    \
    double CLS::doubleValue() const { return m_null ? 0.0 : m_value; }                          \
    CLS &CLS::operator-()                                                                       \
    {                                                                                           \
        if (!m_null)                                                                            \
            m_value = -m_value;                                                                 \
        return *this;                                                                           \
    }                                                                                           \
    CLS &CLS::operator--()                                                                      \
    {                                                                                           \
        if (!m_null)                                                                            \
            m_value -= 1.0;                                                                     \
        return *this;                                                                           \
    }                                                                                           \
    CLS &CLS::operator++()                                                                      \
    {                                                                                           \
        if (!m_null)                                                                            \
            m_value += 1.0;                                                                     \
        return *this;                                                                           \
    }

#endif
