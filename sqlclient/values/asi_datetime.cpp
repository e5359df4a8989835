/*
** asi_datetime.cpp: DATE, TIME and TIMESTAMP: field checks, text and
** literal forms, comparison and the stream form.
**
** Stream items: tag 1 the datetime code, tag 2 the precision (only when it
** differs from the code's default), tag 0 the value when not null (12 bytes:
** year u16, month, day, hour, minute, second, a zero byte, nanoseconds u32;
** little-endian), then the end item carrying 9.
*/
#include "sqlclient/values/asi_datetime.h"

#include <cstdio>
#include <cstring>

#include "sqlclient/base/asi_diag.h"
#include "sqlclient/base/asi_except.h"

namespace {

constexpr int TAG_VALUE = 0;
constexpr int TAG_CODE = 1;
constexpr int TAG_PRECISION = 2;
constexpr int DATETIME_END_VALUE = ASI_TYPE_DATETIME;
constexpr int DT_VALUE_BYTES = 12;

constexpr int STATE_BAD_FORMAT = 0x2207;
constexpr int STATE_FIELD_OVERFLOW = 0x2208;
constexpr int STATE_CANNOT_CAST = 0x379B;

/* Longest datetime text read or written. */
constexpr int DT_TEXT_MAX = 64;

constexpr std::uint32_t NANOS_PER_SECOND = 1000000000u;
constexpr int MAX_YEAR = 9999;

/* The default precision of a code. */
unsigned dt_default_precision(int code)
{
    return code == ASI_DT_TIMESTAMP ? ASI_TIMESTAMP_DEFAULT_PRECISION : ASI_TIME_DEFAULT_PRECISION;
}

/* Days of a month of a year. */
int dt_days_in_month(int year, int month)
{
    static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month == 2 && ((year % 4 == 0 && year % 100 != 0) || year % 400 == 0))
        return 29;
    return days[month - 1];
}

/* 10^n. */
std::uint32_t dt_pow10(unsigned n)
{
    std::uint32_t p = 1;
    while (n--)
        p *= 10;
    return p;
}

/* Reads exactly-or-at-most n digits (at least 1); -1 when none. */
int dt_digits(const char *&p, int maxDigits)
{
    int v = 0, n = 0;
    while (n < maxDigits && *p >= '0' && *p <= '9') {
        v = v * 10 + (*p++ - '0');
        n++;
    }
    return n ? v : -1;
}

/* Expects the character c. */
int dt_expect(const char *&p, char c)
{
    if (*p != c)
        return 0;
    p++;
    return 1;
}

/* The type name of a code. */
const char *dt_type_name(int code)
{
    return code == ASI_DT_DATE ? "DATE" : (code == ASI_DT_TIME ? "TIME" : "TIMESTAMP");
}

} // namespace

/* A null datetime. */
CAsiDatetime::CAsiDatetime(int code, unsigned precision) noexcept
    : m_code(code), m_precision(precision > ASI_DT_MAX_PRECISION ? ASI_DT_MAX_PRECISION : precision),
      m_year(1), m_month(1), m_day(1), m_hour(0), m_minute(0), m_second(0), m_nanos(0)
{
    if (code == ASI_DT_DATE)
        m_precision = 0;
}

/* Destroys the object; the bases free what they own. */
CAsiDatetime::~CAsiDatetime() {}

/* The fraction digits of a TIME value; 0 for the other codes. */
unsigned CAsiDatetime::timePrecision() const
{
    return m_code == ASI_DT_TIME ? m_precision : 0;
}

/* The fraction digits of a TIMESTAMP value; 0 for the other codes. */
unsigned CAsiDatetime::timestampPrecision() const
{
    return m_code == ASI_DT_TIMESTAMP ? m_precision : 0;
}

/* 10 for a date, 8 for a time, 19 for a timestamp, the fraction added. */
unsigned CAsiDatetime::displayLength() const
{
    unsigned n = m_code == ASI_DT_DATE ? 10 : (m_code == ASI_DT_TIME ? 8 : 19);
    if (m_code != ASI_DT_DATE && m_precision)
        n += 1 + m_precision;
    return n;
}

/* 1 for a value of the same kind, else 0. */
int CAsiDatetime::isComparable(const CAsiData *other) const
{
    return other && other->isDatetime() && other->datetimeCode() == m_code;
}

/* 1 for a value of the same kind, else 0. */
int CAsiDatetime::isAssignable(const CAsiData *other) const
{
    return isComparable(other);
}

/* 1 when the other value can be cast to this type, else 0. */
int CAsiDatetime::isCastable(const CAsiData *other) const
{
    return other && (other->isDatetime() || other->isCharacter());
}

/* Compares the fields in order. */
int CAsiDatetime::compareTo(const CAsiDatetime &o) const noexcept
{
    const long long a[] = {m_year, m_month, m_day, m_hour, m_minute, m_second, m_nanos};
    const long long b[] = {o.m_year, o.m_month, o.m_day, o.m_hour, o.m_minute, o.m_second, o.m_nanos};
    for (int i = 0; i < 7; i++)
        if (a[i] != b[i])
            return a[i] < b[i] ? -1 : 1;
    return 0;
}

/* 1 when equal, 0 when not, -1 when a value is null or of another kind. */
int CAsiDatetime::isEqual(const CAsiData &other) const
{
    const CAsiDatetime *o = dynamic_cast<const CAsiDatetime *>(&other);
    if (m_null || !o || o->m_null || o->m_code != m_code)
        return -1;
    return compareTo(*o) == 0;
}

/* 1 when this value is greater, 0 when not, -1 when a value is null or of another kind. */
int CAsiDatetime::isGreater(const CAsiData &other) const
{
    const CAsiDatetime *o = dynamic_cast<const CAsiDatetime *>(&other);
    if (m_null || !o || o->m_null || o->m_code != m_code)
        return -1;
    return compareTo(*o) > 0;
}

/* 1 when the fields a datetime code has are all within their ranges. */
static int dt_fields_valid(int code, int year, int month, int day, int hour, int minute, int second,
                           std::uint32_t nanos)
{
    if (code != ASI_DT_TIME &&
        (year < 1 || year > MAX_YEAR || month < 1 || month > 12 || day < 1 ||
         day > dt_days_in_month(year, month)))
        return 0;
    if (code != ASI_DT_DATE &&
        (hour < 0 || hour > 23 || minute < 0 || minute > 59 || second < 0 || second > 59 ||
         nanos >= NANOS_PER_SECOND))
        return 0;
    return 1;
}

/* Checks and stores the fields the code has. */
int CAsiDatetime::setFields(int year, int month, int day, int hour, int minute, int second,
                            std::uint32_t nanos)
{
    if (!dt_fields_valid(m_code, year, month, day, hour, minute, second, nanos))
        asi_raise_state(STATE_FIELD_OVERFLOW);
    if (m_code == ASI_DT_TIME)
        year = month = day = 1;
    if (m_code != ASI_DT_DATE) {
        nanos -= nanos % dt_pow10(ASI_DT_MAX_PRECISION - m_precision);
    } else {
        hour = minute = second = 0;
        nanos = 0;
    }
    m_year = (std::int16_t)year;
    m_month = (std::uint8_t)month;
    m_day = (std::uint8_t)day;
    m_hour = (std::uint8_t)hour;
    m_minute = (std::uint8_t)minute;
    m_second = (std::uint8_t)second;
    m_nanos = nanos;
    m_null = 0;
    return 1;
}

/* The fields of a non-null value. */
int CAsiDatetime::getFields(int *year, int *month, int *day, int *hour, int *minute, int *second,
                            std::uint32_t *nanos) const
{
    if (m_null)
        return 0;
    if (year) *year = m_year;
    if (month) *month = m_month;
    if (day) *day = m_day;
    if (hour) *hour = m_hour;
    if (minute) *minute = m_minute;
    if (second) *second = m_second;
    if (nanos) *nanos = m_nanos;
    return 1;
}

/* Parses the text form of the code: blanks around it are allowed. */
int CAsiDatetime::setText(const char *text, int length)
{
    char buf[DT_TEXT_MAX + 1];
    asi_text_copy(buf, DT_TEXT_MAX, text, length);
    const char *p = buf;
    while (*p == ' ')
        p++;
    int y = 1, mo = 1, d = 1, h = 0, mi = 0, s = 0;
    std::uint32_t ns = 0;
    int ok = 1;
    if (m_code != ASI_DT_TIME) {
        y = dt_digits(p, 4);
        ok = y >= 0 && dt_expect(p, '-') && (mo = dt_digits(p, 2)) >= 0 && dt_expect(p, '-') &&
             (d = dt_digits(p, 2)) >= 0;
        if (ok && m_code == ASI_DT_TIMESTAMP)
            ok = dt_expect(p, ' ');
    }
    if (ok && m_code != ASI_DT_DATE) {
        ok = (h = dt_digits(p, 2)) >= 0 && dt_expect(p, ':') && (mi = dt_digits(p, 2)) >= 0 &&
             dt_expect(p, ':') && (s = dt_digits(p, 2)) >= 0;
        if (ok && *p == '.') {
            p++;
            std::uint32_t scale = NANOS_PER_SECOND / 10;
            if (!(*p >= '0' && *p <= '9'))
                ok = 0;
            while (*p >= '0' && *p <= '9') {
                ns += (std::uint32_t)(*p++ - '0') * scale;
                scale /= 10;
            }
        }
    }
    while (*p == ' ')
        p++;
    if (!ok || *p)
        asi_raise_state(STATE_BAD_FORMAT);
    return setFields(y, mo, d, h, mi, s, ns);
}

/* Through the multibyte text. */
int CAsiDatetime::setUcStr(const CAsiUcStr &text)
{
    char buf[DT_TEXT_MAX + 1];
    text.toMb(buf, sizeof buf);
    return setText(buf, (int)std::strlen(buf));
}

/* Writes the text form. */
int CAsiDatetime::getText(char *buf, int size) const
{
    if (!buf || size < 1)
        return 0;
    if (m_null) {
        buf[0] = '\0';
        return 0;
    }
    char text[DT_TEXT_MAX];
    int n = 0;
    if (m_code != ASI_DT_TIME)
        n = std::snprintf(text, sizeof text, "%04d-%02d-%02d", m_year, m_month, m_day);
    if (m_code == ASI_DT_TIMESTAMP)
        text[n++] = ' ';
    if (m_code != ASI_DT_DATE) {
        n += std::snprintf(text + n, sizeof text - n, "%02d:%02d:%02d", m_hour, m_minute, m_second);
        if (m_precision)
            std::snprintf(text + n, sizeof text - n, ".%0*u", (int)m_precision,
                          m_nanos / dt_pow10(ASI_DT_MAX_PRECISION - m_precision));
    }
    std::snprintf(buf, (std::size_t)size, "%s", text);
    return 1;
}

/* The text of getText as a string; 0 when null. */
int CAsiDatetime::getUcStr(CAsiUcStr &out) const
{
    char buf[DT_TEXT_MAX];
    if (!getText(buf, sizeof buf))
        return 0;
    out = buf;
    return 1;
}

/* "DATE", "TIME", "TIME(p)", "TIMESTAMP", "TIMESTAMP(p)". */
int CAsiDatetime::typeText(CAsiUcStr &out) const
{
    char buf[32];
    if (m_code == ASI_DT_DATE || m_precision == dt_default_precision(m_code))
        std::snprintf(buf, sizeof buf, "%s", dt_type_name(m_code));
    else
        std::snprintf(buf, sizeof buf, "%s(%u)", dt_type_name(m_code), m_precision);
    out = buf;
    return 1;
}

/* DATE '...'; "null" and 0 when null. */
int CAsiDatetime::literalText(CAsiUcStr &out) const
{
    if (m_null) {
        out = "null";
        return 0;
    }
    char text[DT_TEXT_MAX], buf[DT_TEXT_MAX + 16];
    getText(text, sizeof text);
    std::snprintf(buf, sizeof buf, "%s '%s'", dt_type_name(m_code), text);
    out = buf;
    return 1;
}

/* Assignment from datetimes and text. */
int CAsiDatetime::assign(const CAsiData &source)
{
    if (&source == this)
        return 1;
    if (source.isNull()) {
        m_null = 1;
        return 1;
    }
    if (const CAsiDatetime *o = dynamic_cast<const CAsiDatetime *>(&source)) {
        int same = o->m_code == m_code;
        int fromStamp = o->m_code == ASI_DT_TIMESTAMP;
        int dateToStamp = o->m_code == ASI_DT_DATE && m_code == ASI_DT_TIMESTAMP;
        if (same || fromStamp || dateToStamp)
            return setFields(o->m_year, o->m_month, o->m_day, o->m_hour, o->m_minute, o->m_second,
                             o->m_nanos);
    } else if (source.isCharacter()) {
        char buf[ASI_DATA_TEXT_BUF] = {0};
        source.getText(buf, sizeof buf);
        return setText(buf, (int)std::strlen(buf));
    }
    asi_raise_state(STATE_CANNOT_CAST);
}

/* The byte count of pack, measured with a counting stream. */
int CAsiDatetime::packedSize() const
{
    CAsiOStream counter;
    return pack(counter);
}

/* Writes the value's items and the end item; answers the stream's length. */
int CAsiDatetime::pack(CAsiOStream &out) const
{
    out.putI32(TAG_CODE, m_code);
    if (m_precision != dt_default_precision(m_code))
        out.putI32(TAG_PRECISION, (std::int32_t)m_precision);
    if (!m_null) {
        unsigned char v[DT_VALUE_BYTES] = {(unsigned char)(m_year & 0xFF), (unsigned char)(m_year >> 8),
                                           m_month, m_day, m_hour, m_minute, m_second, 0,
                                           (unsigned char)m_nanos, (unsigned char)(m_nanos >> 8),
                                           (unsigned char)(m_nanos >> 16), (unsigned char)(m_nanos >> 24)};
        out.putBytes(TAG_VALUE, v, DT_VALUE_BYTES);
    }
    out.putEnd(DATETIME_END_VALUE);
    return out.length();
}

/* Reads the items; the code must be this class's and every field is
** checked (a bad one is a damaged stream). */
int CAsiDatetime::unpack(CAsiIStream &in)
{
    m_null = 1;
    int gotValue = 0;
    unsigned char v[DT_VALUE_BYTES] = {0};
    for (int tag = in.nextTag(); tag != ASI_STREAM_END; tag = in.nextTag()) {
        std::int32_t n;
        if (tag == TAG_CODE) {
            if (!in.readI32(&n) || n != m_code)
                asi_throw(ASI_ERR_STREAM, "CAsiDatetime::unpack", "bad datetime code");
        } else if (tag == TAG_PRECISION) {
            if (!in.readI32(&n) || n < 0 || n > (std::int32_t)ASI_DT_MAX_PRECISION)
                asi_throw(ASI_ERR_STREAM, "CAsiDatetime::unpack", "bad precision");
            if (m_code != ASI_DT_DATE)
                m_precision = (std::uint32_t)n;
        } else if (tag == TAG_VALUE) {
            int len = 0;
            const unsigned char *d = in.data(&len);
            if (len != DT_VALUE_BYTES)
                asi_throw(ASI_ERR_STREAM, "CAsiDatetime::unpack", "bad value");
            std::memcpy(v, d, DT_VALUE_BYTES);
            gotValue = 1;
        }
    }
    if (gotValue) {
        int year = v[0] | (v[1] << 8);
        std::uint32_t ns = (std::uint32_t)v[8] | ((std::uint32_t)v[9] << 8) |
                           ((std::uint32_t)v[10] << 16) | ((std::uint32_t)v[11] << 24);
        if (!dt_fields_valid(m_code, year, v[2], v[3], v[4], v[5], v[6], ns))
            asi_throw(ASI_ERR_STREAM, "CAsiDatetime::unpack", "field out of range");
        setFields(year, v[2], v[3], v[4], v[5], v[6], ns);
    }
    return 1;
}

/* The value items are the whole record: as packedSize, pack and unpack. */
int CAsiDatetime::packedValueSize() const { return packedSize(); }
int CAsiDatetime::packValue(CAsiOStream &out) const { return pack(out); }
int CAsiDatetime::unpackValue(CAsiIStream &in) { return unpack(in); }
