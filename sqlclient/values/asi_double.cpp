/*
** asi_double.cpp: DOUBLE PRECISION, and the text rules shared by the
** approximate values: parsing decimal text (strtod rules, "C" locale) and
** formatting through the 17 digits of the double and asi_format_digits.
**
** Stream items: tag 0 the value (8-byte float) when not null, then the end
** item carrying 8.
*/
#include "sqlclient/values/asi_double.h"

#include <cmath>
#include <cstring>

#include "sqlclient/asi_diag.h"
#include "sqlclient/asi_except.h"
#include "sqlclient/asi_number.h"
#include "sqlclient/values/asi_decnum.h"
#include "sqlclient/values/asi_interval.h"
#include "sqlclient/values/asi_textfmt.h"

namespace {

/* Stream tag of the value and the end item's value. */
constexpr int TAG_VALUE = 0;
constexpr int DOUBLE_END_VALUE = ASI_TYPE_DOUBLE;

/* Bounds of the integer getters (on the magnitude). */
constexpr double LONG_BOUND = 2147483647.0;
constexpr double SHORT_BOUND = 32767.0;

/* SQLSTATE conditions. */
constexpr int STATE_OUT_OF_RANGE = 0x2203;
constexpr int STATE_BAD_CAST_TEXT = 0x2212;
constexpr int STATE_CANNOT_CAST = 0x379B;

} // namespace

/* Formats through the digit string and the shared formatter. */
int asi_approx_text(double x, char *buf, int size)
{
    if (!buf || size < 1)
        return 0;
    char text[ASI_FORMAT_BUF];
    if (std::isnan(x)) {
        std::strcpy(text, "NAN");
    } else if (std::isinf(x)) {
        std::strcpy(text, x < 0 ? "-INF" : "INF");
    } else {
        char digits[ASI_DEC_DBL_TEXT];
        int point = 0, negative = 0;
        asi_double_digits(digits, x, &point, &negative);
        asi_format_digits(digits, text, negative, point);
    }
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
    if (!source.isInterval())
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

/* A null DOUBLE PRECISION. */
CAsiDouble::CAsiDouble() noexcept : m_value(0.0)
{
    m_precision = ASI_DOUBLE_PRECISION;
    m_scale = 0;
}

/* A copy. */
CAsiDouble::CAsiDouble(const CAsiDouble &other) : CAsiNum(other), m_value(other.m_value) {}

CAsiDouble::~CAsiDouble() {}

/* Stores an integer. */
CAsiDouble &CAsiDouble::operator=(long v)
{
    m_value = (double)v;
    m_null = 0;
    return *this;
}

/* Stores a double. */
CAsiDouble &CAsiDouble::operator=(double v)
{
    m_value = v;
    m_null = 0;
    return *this;
}

/* Takes the other's value, null flag and attached object. */
CAsiDouble &CAsiDouble::operator=(const CAsiDouble &other)
{
    if (this != &other) {
        CAsiNum::operator=(other);
        m_value = other.m_value;
    }
    return *this;
}

/* A new copy; null without memory. */
CAsiDouble *CAsiDouble::clone() const
{
    return new CAsiDouble(*this);
}

/* Length of pack. */
int CAsiDouble::packedSize() const
{
    CAsiOStream counter;
    return pack(counter);
}

/* The value item when not null, then the end item 8. */
int CAsiDouble::pack(CAsiOStream &out) const
{
    if (!m_null)
        out.putF64(TAG_VALUE, m_value);
    out.putEnd(DOUBLE_END_VALUE);
    return out.length();
}

/* Reads the items back; a value item of the wrong size is a damaged
** stream. */
int CAsiDouble::unpack(CAsiIStream &in)
{
    m_null = 1;
    for (int tag = in.nextTag(); tag != ASI_STREAM_END; tag = in.nextTag()) {
        if (tag == TAG_VALUE) {
            double v;
            if (!in.readF64(&v))
                asi_throw(ASI_ERR_STREAM, "CAsiDouble::unpack", "bad value item");
            m_value = v;
            m_null = 0;
        }
    }
    return 1;
}

int CAsiDouble::packedValueSize() const { return packedSize(); }
int CAsiDouble::packValue(CAsiOStream &out) const { return pack(out); }
int CAsiDouble::unpackValue(CAsiIStream &in) { return unpack(in); }

/* DOUBLE PRECISION for any numeric operand. */
CAsiData *CAsiDouble::addType(const CAsiData *other) const
{
    if (!other || !other->isNumeric())
        return nullptr;
    return new CAsiDouble();
}

CAsiData *CAsiDouble::subtractType(const CAsiData *other) const { return addType(other); }
CAsiData *CAsiDouble::multiplyType(const CAsiData *other) const { return addType(other); }
CAsiData *CAsiDouble::divideType(const CAsiData *other) const { return addType(other); }

/* A copy of the other value when comparable. */
CAsiData *CAsiDouble::unionType(const CAsiData *other) const
{
    if (!isComparable(other))
        return nullptr;
    return other->clone();
}

/* -1 for a null or non-numeric operand, else the plain comparison. */
int CAsiDouble::isEqual(const CAsiData &other) const
{
    if (m_null || other.isNull() || !other.isNumeric())
        return -1;
    return m_value == static_cast<const CAsiNum &>(other).doubleValue() ? 1 : 0;
}

int CAsiDouble::isGreater(const CAsiData &other) const
{
    if (m_null || other.isNull() || !other.isNumeric())
        return -1;
    return m_value > static_cast<const CAsiNum &>(other).doubleValue() ? 1 : 0;
}

/* The stored double's bytes from offset. */
int CAsiDouble::getData(void *buf, int offset, int len) const
{
    if (!buf || len <= 0 || offset < 0 || offset >= ASI_APPROX_DATA_SIZE)
        return 0;
    int n = ASI_APPROX_DATA_SIZE - offset < len ? ASI_APPROX_DATA_SIZE - offset : len;
    std::memcpy(buf, (const unsigned char *)&m_value + offset, (std::size_t)n);
    return n;
}

int CAsiDouble::setWide(const char16_t *text) { return CAsiData::setWide(text); }
int CAsiDouble::setData(const void *buf, int offset, int len) { return CAsiData::setData(buf, offset, len); }
int CAsiDouble::assignTo(CAsiData &target) const { return CAsiData::assignTo(target); }
int CAsiDouble::getWide(char16_t *buf, int size) const { return CAsiData::getWide(buf, size); }
int CAsiDouble::getBytes(void *buf, int maxBits, int *bits) const { return CAsiData::getBytes(buf, maxBits, bits); }

/* Assignment from numbers, text and single-field intervals. */
int CAsiDouble::assign(const CAsiData &source)
{
    if (&source == this)
        return 1;
    if (source.isNull()) {
        m_null = 1;
        return 1;
    }
    if (source.isNumeric()) {
        m_value = static_cast<const CAsiNum &>(source).doubleValue();
        m_null = 0;
        return 1;
    }
    if (source.isCharacter()) {
        char buf[ASI_DATA_TEXT_BUF] = {0};
        source.getText(buf, sizeof buf);
        return setText(buf, ASI_DATA_TEXT_BUF);
    }
    double v;
    if (asi_interval_field_value(source, &v)) {
        m_value = v;
        m_null = 0;
        return 1;
    }
    asi_raise_state(STATE_CANNOT_CAST);
}

/* Parses a UCS-2 string; 22018 on bad text. */
int CAsiDouble::setUcStr(const CAsiUcStr &text)
{
    double v;
    if (!asi_approx_parse_ucs(text, &v))
        asi_raise_state(STATE_BAD_CAST_TEXT);
    m_value = v;
    m_null = 0;
    return 1;
}

/* Parses multibyte text; 22018 on bad or empty text. */
int CAsiDouble::setText(const char *text, int length)
{
    double v;
    if (!asi_approx_parse_text(text, length, &v))
        asi_raise_state(STATE_BAD_CAST_TEXT);
    m_value = v;
    m_null = 0;
    return 1;
}

int CAsiDouble::setShort(std::int16_t v) { *this = (double)v; return 1; }
int CAsiDouble::setLong(std::int32_t v) { *this = (double)v; return 1; }
int CAsiDouble::setDouble(double v) { *this = v; return 1; }

/* The text through a 32-byte buffer. */
int CAsiDouble::getUcStr(CAsiUcStr &out) const
{
    if (m_null)
        return 0;
    char buf[ASI_APPROX_UCS_BUF];
    asi_approx_text(m_value, buf, sizeof buf);
    out = buf;
    return 1;
}

/* The text, cut to size - 1 bytes. */
int CAsiDouble::getText(char *buf, int size) const
{
    if (!buf || size < 1)
        return 0;
    if (m_null) {
        buf[0] = '\0';
        return 0;
    }
    return asi_approx_text(m_value, buf, size);
}

/* Truncated 16-bit value; 22003 beyond 32767 in magnitude. */
int CAsiDouble::getShort(std::int16_t *out) const
{
    if (m_null)
        return 0;
    if (!(std::fabs(m_value) <= SHORT_BOUND))
        asi_raise_state(STATE_OUT_OF_RANGE);
    *out = (std::int16_t)m_value;
    return 1;
}

/* Truncated 32-bit value; 22003 beyond 2147483647 in magnitude. */
int CAsiDouble::getLong(std::int32_t *out) const
{
    if (m_null)
        return 0;
    if (!(std::fabs(m_value) <= LONG_BOUND))
        asi_raise_state(STATE_OUT_OF_RANGE);
    *out = (std::int32_t)m_value;
    return 1;
}

/* The value. */
int CAsiDouble::getDouble(double *out) const
{
    if (m_null)
        return 0;
    *out = m_value;
    return 1;
}

/* "DOUBLE PRECISION". */
int CAsiDouble::typeText(CAsiUcStr &out) const
{
    out = "DOUBLE PRECISION";
    return 1;
}

/* "null", or the value's text. */
int CAsiDouble::literalText(CAsiUcStr &out) const
{
    if (m_null) {
        out = "null";
        return 0;
    }
    return getUcStr(out);
}

/* 0 when null, else as getLong. */
std::int32_t CAsiDouble::longValue() const
{
    std::int32_t v = 0;
    if (!m_null)
        getLong(&v);
    return v;
}

/* 0.0 when null, else the value. */
double CAsiDouble::doubleValue() const
{
    return m_null ? 0.0 : m_value;
}
