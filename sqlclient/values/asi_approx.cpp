/*
** asi_approx.cpp: what REAL, FLOAT and DOUBLE PRECISION share: the digit
** string and text of a double, parsing decimal text ("C" locale strtod
** rules), assignment from other values, the integer getters, the stream
** form, and the 66 plain comparison operators of CAsiApproxNum.
**
** The text pipeline: 18 BCD digits from the extended format (ties to even),
** half up to 17 digits (a carry out of the first digit moves the point),
** then asi_format_digits rounds half up to 16 and lays the text out with a
** three-digit exponent.
*/
#include "sqlclient/values/asi_approx.h"

#include <cmath>
#include <cstring>

#include "sqlclient/base/asi_diag.h"
#include "sqlclient/base/asi_except.h"
#include "sqlclient/base/asi_number.h"
#include "sqlclient/values/asi_decimal.h"
#include "sqlclient/values/asi_decnum.h"
#include "sqlclient/values/asi_double.h"
#include "sqlclient/values/asi_integer.h"
#include "sqlclient/values/asi_interval.h"
#include "sqlclient/values/asi_textfmt.h"

namespace {

/* Bounds of the integer getters, on the magnitude. */
constexpr double LONG_BOUND = 2147483647.0;
constexpr double SHORT_BOUND = 32767.0;

/* SQLSTATE conditions. */
constexpr int STATE_OUT_OF_RANGE = 0x2203;    /* 22003 */
constexpr int STATE_DIVISION_BY_ZERO = 0x220C; /* 22012 */
constexpr int STATE_BAD_CAST_TEXT = 0x2212;   /* 22018 */
constexpr int STATE_CANNOT_CAST = 0x379B;     /* 37155 */

/* The texts of the values that have no digits. */
constexpr const char *TEXT_INF = "INF";
constexpr const char *TEXT_NEG_INF = "-INF";
constexpr const char *TEXT_NAN = "NAN";

/* The relations, in the order of the operator blocks. */
enum approx_rel { REL_GT, REL_GE, REL_EQ, REL_LE, REL_LT, REL_NE };

/* The plain relation a rel b. */
int rel_plain(int rel, double a, double b)
{
    switch (rel) {
    case REL_GT: return a > b;
    case REL_GE: return a >= b;
    case REL_EQ: return a == b;
    case REL_LE: return a <= b;
    case REL_LT: return a < b;
    default: return a != b;
    }
}

} // namespace

/* Zero and the non-finite values here; every other double through the
** packed decimal routine's digit string (asi_double_digits). */
int asi_approx_digits(double x, char digits[ASI_APPROX_DIGITS + 1], int *point, int *negative)
{
    if (!std::isfinite(x))
        return 0;
    if (x == 0.0) {
        std::memset(digits, '0', ASI_APPROX_DIGITS);
        digits[ASI_APPROX_DIGITS] = '\0';
        *point = 0;
        *negative = 0;
        return 1;
    }
    static_assert(ASI_DEC_DBL_TEXT == ASI_APPROX_DIGITS + 1, "17 digits and a NUL");
    asi_double_digits(digits, x, point, negative);
    return 1;
}

/* Formats through the digit string and the shared formatter. */
int asi_approx_text(double x, char *buf, int size)
{
    if (!buf || size < 1)
        return 0;
    char text[ASI_FORMAT_BUF];
    char digits[ASI_APPROX_DIGITS + 1];
    int point = 0, negative = 0;
    if (std::isnan(x))
        std::strcpy(text, TEXT_NAN);
    else if (std::isinf(x))
        std::strcpy(text, x < 0 ? TEXT_NEG_INF : TEXT_INF);
    else if (asi_approx_digits(x, digits, &point, &negative))
        asi_format_digits(digits, text, negative, point);
    else
        text[0] = '\0';
    char *p = asi_strip_char(text, ' ');
    int n = (int)std::strlen(p);
    if (n > size - 1)
        n = size - 1;
    std::memcpy(buf, p, (std::size_t)n);
    buf[n] = '\0';
    return 1;
}

/* strtod on at most 64 bytes; only blanks may follow the number. */
int asi_approx_parse_text(const char *text, int length, double *out)
{
    char work[ASI_APPROX_PARSE_MAX + 1];
    if (length < 0 || length > ASI_APPROX_PARSE_MAX)
        length = ASI_APPROX_PARSE_MAX;
    int n = 0;
    while (text && n < length && text[n])
        n++;
    if (n)
        std::memcpy(work, text, (std::size_t)n);
    work[n] = '\0';
    char *end = nullptr;
    double v = asi_strtod(work, &end);
    if (*end == '\0') {
        if (end == work)
            return 0;   /* empty text */
    } else if (*end == ' ') {
        for (char *p = end; *p; p++)
            if (*p != ' ')
                return 0;
    } else {
        return 0;
    }
    *out = v;
    return 1;
}

/* toDouble, then only white space may follow. */
int asi_approx_parse_ucs(const CAsiUcStr &text, double *out)
{
    int used = 0;
    double v = text.toDouble(&used);
    for (int i = used; i < text.length(); i++)
        if (!asi_uc_is_space(text.at(i)))
            return 0;
    *out = v;
    return 1;
}

/* The one field of a YEAR, MONTH, DAY, HOUR, MINUTE or SECOND interval. */
int asi_interval_field_value(const CAsiData &source, double *out)
{
    if (!source.isInterval() || source.isNull())
        return 0;
    int code = source.intervalCode();
    std::uint32_t whole = 0;
    double v = 0.0;
    int ok = 0;
    if (const CAsiIntervalYM *ym = dynamic_cast<const CAsiIntervalYM *>(&source)) {
        if (code == ASI_IV_YEAR)
            ok = ym->getYears(&whole);
        else if (code == ASI_IV_MONTH)
            ok = ym->getMonths(&whole);
        v = whole;
    } else if (const CAsiIntervalDT *dt = dynamic_cast<const CAsiIntervalDT *>(&source)) {
        switch (code) {
        case ASI_IV_DAY: ok = dt->getDays(&whole); v = whole; break;
        case ASI_IV_HOUR: ok = dt->getHours(&whole); v = whole; break;
        case ASI_IV_MINUTE: ok = dt->getMinutes(&whole); v = whole; break;
        case ASI_IV_SECOND: ok = dt->getSeconds(&v); break;
        default: break;
        }
    }
    if (!ok)
        return 0;
    const CAsiIntervalQ *q = dynamic_cast<const CAsiIntervalQ *>(&source);
    *out = (q && q->sign()) ? -v : v;
    return 1;
}

/* a op b in double precision; 22012 for a zero divisor. */
double asi_approx_arith(double a, char op, double b)
{
    switch (op) {
    case '+': return a + b;
    case '-': return a - b;
    case '*': return a * b;
    default:
        if (b == 0.0)
            asi_raise_state(STATE_DIVISION_BY_ZERO);
        return a / b;
    }
}

/* ---------------------------------------------------------------- */
/* CAsiApproxNum                                                     */

CAsiApproxNum::~CAsiApproxNum() {}

/* Every approximate value answers 1. */
int CAsiApproxNum::isApproximateNumeric() const
{
    return 1;
}

/* 0 when either value is null, else the plain relation. */
int CAsiApproxNum::relValue(int rel, const CAsiNum &other) const
{
    if (isNull() || other.isNull())
        return 0;
    return rel_plain(rel, doubleValue(), other.doubleValue());
}

/* 0 when this value is null, else the plain relation. */
int CAsiApproxNum::relScalar(int rel, double b) const
{
    if (isNull())
        return 0;
    return rel_plain(rel, doubleValue(), b);
}

#define APPROX_CMP_BLOCK(OP, REL)                                                                   \
    int CAsiApproxNum::operator OP(int v) const { return relScalar(REL, (double)v); }              \
    int CAsiApproxNum::operator OP(double v) const { return relScalar(REL, v); }                   \
    int CAsiApproxNum::operator OP(long v) const { return relScalar(REL, (double)v); }             \
    int CAsiApproxNum::operator OP(short v) const { return relScalar(REL, (double)v); }            \
    int CAsiApproxNum::operator OP(const CAsiDouble &v) const { return relValue(REL, v); }         \
    int CAsiApproxNum::operator OP(const CAsiReal &v) const { return relValue(REL, v); }           \
    int CAsiApproxNum::operator OP(const CAsiFloat &v) const { return relValue(REL, v); }          \
    int CAsiApproxNum::operator OP(const CAsiDecimal &v) const { return relValue(REL, v); }        \
    int CAsiApproxNum::operator OP(const CAsiNumeric &v) const { return relValue(REL, v); }        \
    int CAsiApproxNum::operator OP(const CAsiInteger &v) const { return relValue(REL, v); }        \
    int CAsiApproxNum::operator OP(const CAsiSmallint &v) const { return relValue(REL, v); }

APPROX_CMP_BLOCK(>, REL_GT)
APPROX_CMP_BLOCK(>=, REL_GE)
APPROX_CMP_BLOCK(==, REL_EQ)
APPROX_CMP_BLOCK(<=, REL_LE)
APPROX_CMP_BLOCK(<, REL_LT)
APPROX_CMP_BLOCK(!=, REL_NE)
#undef APPROX_CMP_BLOCK

/* Assignment from numbers, text and single-field intervals: 1; 22018 for
** bad text, 37155 for any other kind of value. */
int CAsiApproxNum::approxAssign(double &value, const CAsiData &source)
{
    if (&source == this)
        return 1;
    if (source.isNull()) {
        m_null = 1;
        return 1;
    }
    if (source.isNumeric()) {
        value = static_cast<const CAsiNum &>(source).doubleValue();
        m_null = 0;
        return 1;
    }
    if (source.isCharacter()) {
        char buf[ASI_DATA_TEXT_BUF] = {0};
        source.getText(buf, sizeof buf);
        return approxSetText(value, buf, ASI_DATA_TEXT_BUF);
    }
    double v;
    if (source.isInterval() && asi_interval_field_value(source, &v)) {
        value = v;
        m_null = 0;
        return 1;
    }
    asi_raise_state(STATE_CANNOT_CAST);
}

/* Parses multibyte text: 1; 22018 on bad or empty text. */
int CAsiApproxNum::approxSetText(double &value, const char *text, int length)
{
    double v;
    if (!asi_approx_parse_text(text, length, &v))
        asi_raise_state(STATE_BAD_CAST_TEXT);
    value = v;
    m_null = 0;
    return 1;
}

/* Parses a UCS-2 string: 1; 22018 on bad text. */
int CAsiApproxNum::approxSetUcStr(double &value, const CAsiUcStr &text)
{
    double v;
    if (!asi_approx_parse_ucs(text, &v))
        asi_raise_state(STATE_BAD_CAST_TEXT);
    value = v;
    m_null = 0;
    return 1;
}

/* Stores v unchanged: 1. */
int CAsiApproxNum::approxSetDouble(double &value, double v)
{
    value = v;
    m_null = 0;
    return 1;
}

/* The text cut to size - 1 bytes: 1; 0 and the empty text when null. */
int CAsiApproxNum::approxGetText(double value, char *buf, int size) const
{
    if (!buf || size < 1)
        return 0;
    if (m_null) {
        buf[0] = '\0';
        return 0;
    }
    return asi_approx_text(value, buf, size);
}

/* The text through a 32-byte buffer: 1; 0 when null. */
int CAsiApproxNum::approxGetUcStr(double value, CAsiUcStr &out) const
{
    if (m_null)
        return 0;
    char buf[ASI_APPROX_UCS_BUF];
    asi_approx_text(value, buf, sizeof buf);
    out = buf;
    return 1;
}

/* Truncated 16-bit value: 1; 0 when null; 22003 beyond 32767 in
** magnitude (infinity and NaN included). */
int CAsiApproxNum::approxGetShort(double value, std::int16_t *out) const
{
    if (m_null)
        return 0;
    if (!(std::fabs(value) <= SHORT_BOUND))
        asi_raise_state(STATE_OUT_OF_RANGE);
    *out = (std::int16_t)value;
    return 1;
}

/* Truncated 32-bit value: 1; 0 when null; 22003 beyond 2147483647 in
** magnitude (infinity and NaN included). */
int CAsiApproxNum::approxGetLong(double value, std::int32_t *out) const
{
    if (m_null)
        return 0;
    if (!(std::fabs(value) <= LONG_BOUND))
        asi_raise_state(STATE_OUT_OF_RANGE);
    *out = (std::int32_t)value;
    return 1;
}

/* The value: 1; 0 when null. */
int CAsiApproxNum::approxGetDouble(double value, double *out) const
{
    if (m_null)
        return 0;
    *out = value;
    return 1;
}

/* The stored double's bytes from offset on: the count copied; 0 for no
** buffer, no length or an offset outside 0 to 7. */
int CAsiApproxNum::approxGetData(const double &value, void *buf, int offset, int len) const
{
    if (!buf || len <= 0 || offset < 0 || offset >= ASI_APPROX_DATA_SIZE)
        return 0;
    int n = ASI_APPROX_DATA_SIZE - offset < len ? ASI_APPROX_DATA_SIZE - offset : len;
    std::memcpy(buf, (const unsigned char *)&value + offset, (std::size_t)n);
    return n;
}

/* -1 for a null or non-numeric operand, else operator== with its double. */
int CAsiApproxNum::approxIsEqual(const CAsiData &other) const
{
    if (isNull() || other.isNull() || !other.isNumeric())
        return -1;
    return (*this == static_cast<const CAsiNum &>(other).doubleValue()) ? 1 : 0;
}

/* -1 for a null or non-numeric operand, else operator> with its double. */
int CAsiApproxNum::approxIsGreater(const CAsiData &other) const
{
    if (isNull() || other.isNull() || !other.isNumeric())
        return -1;
    return (*this > static_cast<const CAsiNum &>(other).doubleValue()) ? 1 : 0;
}

/* "null" and 0 when null; else getUcStr's answer. */
int CAsiApproxNum::approxLiteralText(CAsiUcStr &out) const
{
    if (m_null) {
        out = "null";
        return 0;
    }
    return getUcStr(out);
}

/* 0 when null, else as getLong (22003 out of range). */
std::int32_t CAsiApproxNum::approxLongValue(double value) const
{
    std::int32_t v = 0;
    if (!m_null)
        approxGetLong(value, &v);
    return v;
}

/* The value item when not null, the precision item when asked, the end. */
int CAsiApproxNum::approxPack(double value, CAsiOStream &out, int code, int hasPrecision,
                              std::uint32_t precision) const
{
    if (!m_null)
        out.putF64(ASI_APPROX_TAG_VALUE, value);
    if (hasPrecision)
        out.putI32(ASI_APPROX_TAG_PRECISION, (std::int32_t)precision);
    out.putEnd(code);
    return out.length();
}

/* Null first, then the items up to the end; unknown tags are skipped.  A
** value or precision item of the wrong size is a damaged stream. */
int CAsiApproxNum::approxUnpack(double &value, CAsiIStream &in, std::uint32_t *precision)
{
    m_null = 1;
    for (int tag = in.nextTag(); tag != ASI_STREAM_END; tag = in.nextTag()) {
        if (tag == ASI_APPROX_TAG_VALUE) {
            double v;
            if (!in.readF64(&v))
                asi_throw(ASI_ERR_STREAM, "CAsiApproxNum::unpack", "bad value item");
            value = v;
            m_null = 0;
        } else if (tag == ASI_APPROX_TAG_PRECISION && precision) {
            std::uint32_t p;
            if (!in.readU32(&p))
                asi_throw(ASI_ERR_STREAM, "CAsiApproxNum::unpack", "bad precision item");
            *precision = p;
        }
    }
    return 1;
}

/* value op= b under the null rule; 22012 (value kept) for a zero divisor. */
void CAsiApproxNum::approxCompound(double &value, char op, int otherNull, double b)
{
    if (m_null)
        return;
    if (otherNull) {
        m_null = 1;
        return;
    }
    value = asi_approx_arith(value, op, b);
}
