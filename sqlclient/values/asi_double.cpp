/*
** asi_double.cpp: DOUBLE PRECISION: a full double with the text, parsing
** and comparison rules shared by the approximate values (asi_approx.h).
**
** Stream items: tag 0 the value (8-byte float) when not null, then the end
** item carrying 8.
*/
#include "sqlclient/values/asi_double.h"

#include <cmath>
#include <cstring>

#include "sqlclient/asi_diag.h"
#include "sqlclient/asi_except.h"

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

/* A null DOUBLE PRECISION. */
CAsiDouble::CAsiDouble() noexcept : m_value(0.0)
{
    m_precision = ASI_DOUBLE_PRECISION;
    m_scale = 0;
}

/* A copy. */
CAsiDouble::CAsiDouble(const CAsiDouble &other) : CAsiApproxNum(other), m_value(other.m_value) {}

/* Destroys the object; the bases free what they own. */
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
        CAsiApproxNum::operator=(other);
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

/* The value items are the whole record: as packedSize, pack and unpack. */
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

/* Subtraction, multiplication and division have addition's result type. */
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

/* 1 when this value is greater, 0 when not, -1 when a value is null or of another kind. */
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

/* The CAsiData defaults. */
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

/* Store the number as a double and clear the null flag; 1. */
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
