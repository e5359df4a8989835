/*
** asi_interval.cpp: year-month and day-time interval values: qualifiers,
** text and literal forms, field getters, comparison and stream form.
**
** Stream items: tag 1 the qualifier, tag 2 the leading precision, tag 3 the
** fractional precision (day-time only), tag 4 the sign (16-bit 1, only when
** negative), tag 0 the value when not null (year-month: the months as a
** 32-bit item, or a 64-bit one when they exceed 2^31 - 1; day-time: 12
** bytes, 64-bit seconds and 32-bit nanoseconds, little-endian), then the end
** item carrying 10.
*/
#include "sqlclient/values/asi_interval.h"

#include <cstdio>
#include <cstring>

#include "sqlclient/base/asi_diag.h"
#include "sqlclient/base/asi_except.h"

namespace {

constexpr int TAG_VALUE = 0;
constexpr int TAG_QUALIFIER = 1;
constexpr int TAG_LEADING = 2;
constexpr int TAG_FRACTION = 3;
constexpr int TAG_SIGN = 4;
constexpr int INTERVAL_END_VALUE = ASI_TYPE_INTERVAL;

/* Bytes of a day-time value item. */
constexpr int DT_VALUE_BYTES = 12;

constexpr int STATE_FIELD_OVERFLOW = 0x220F;
constexpr int STATE_BAD_FORMAT = 0x2206;
constexpr int STATE_CANNOT_CAST = 0x379B;

/* Longest interval text handled. */
constexpr int IV_TEXT_MAX = 64;

constexpr std::uint32_t NANOS_PER_SECOND = 1000000000u;
constexpr std::uint32_t MONTHS_PER_YEAR = 12;

/* More months than any year-month interval holds (10^9 years), so a number
** beyond it overflows before it is converted to an integer. */
constexpr double MONTHS_BEYOND_ANY = 1.2e10;

/* Seconds of one unit of a day-time field. */
std::uint64_t unit_seconds(int field)
{
    switch (field) {
    case ASI_IV_DAY: return 86400;
    case ASI_IV_HOUR: return 3600;
    case ASI_IV_MINUTE: return 60;
    default: return 1;
    }
}

/* Upper bound (exclusive) of a non-leading field. */
std::uint32_t field_limit(int field)
{
    switch (field) {
    case ASI_IV_MONTH: return MONTHS_PER_YEAR;
    case ASI_IV_HOUR: return 24;
    default: return 60;
    }
}

/* 10^n for n up to 9. */
std::uint64_t pow10u(unsigned n)
{
    std::uint64_t p = 1;
    while (n--)
        p *= 10;
    return p;
}

/* Field names. */
const char *field_name(int field)
{
    static const char *names[] = {"", "YEAR", "MONTH", "DAY", "HOUR", "MINUTE", "SECOND"};
    return (field >= 1 && field <= 6) ? names[field] : "";
}

/* Start and end fields of a qualifier code; 0 for an unknown code. */
int qualifier_fields(int code, int *start, int *end)
{
    static const int table[][2] = {
        {0, 0}, {1, 1}, {2, 2}, {3, 3}, {4, 4}, {5, 5}, {6, 6},
        {1, 2}, {3, 4}, {3, 5}, {3, 6}, {4, 5}, {4, 6}, {5, 6},
    };
    if (code < ASI_IV_YEAR || code > ASI_IV_MINUTE_TO_SECOND)
        return 0;
    *start = table[code][0];
    *end = table[code][1];
    return 1;
}

/* The parsed fields of an interval text. */
struct iv_fields {
    int negative;               /* a minus sign came first */
    std::uint64_t value[7];     /* by field number */
    std::uint32_t nanos;        /* fraction of the seconds */
};

/* Parses the interval text for fields start..end; 1, or 0 for a bad
** format.  Digits of the leading field are counted into *leadDigits. */
int iv_parse(const char *text, int length, int start, int end, iv_fields *f, int *leadDigits)
{
    char buf[IV_TEXT_MAX + 1];
    asi_text_copy(buf, IV_TEXT_MAX, text, length);
    std::memset(f, 0, sizeof *f);
    const char *p = buf;
    while (*p == ' ')
        p++;
    if (*p == '-' || *p == '+')
        f->negative = (*p++ == '-');
    for (int field = start; field <= end; field++) {
        if (field > start) {
            char sep = (field == ASI_IV_MONTH) ? '-' : (field == ASI_IV_HOUR ? ' ' : ':');
            if (*p != sep)
                return 0;
            p++;
        }
        int digits = 0;
        std::uint64_t v = 0;
        while (*p >= '0' && *p <= '9') {
            if (digits < 18)
                v = v * 10 + (std::uint64_t)(*p - '0');
            digits++;
            p++;
        }
        if (!digits)
            return 0;
        if (field == start)
            *leadDigits = digits;
        f->value[field] = v;
    }
    if (end == ASI_IV_SECOND && *p == '.') {
        p++;
        std::uint32_t scale = NANOS_PER_SECOND / 10;
        while (*p >= '0' && *p <= '9') {
            f->nanos += (std::uint32_t)(*p - '0') * scale;
            scale /= 10;
            p++;
        }
    }
    while (*p == ' ')
        p++;
    return *p == '\0';
}

} // namespace

/* --- CAsiIntervalQ --- */

/* A null interval of a known qualifier. */
CAsiIntervalQ::CAsiIntervalQ(int qualifier, unsigned leading, unsigned fraction)
    : m_qualifier(qualifier), m_leading(leading), m_fraction(fraction), m_sign(0)
{
    int s, e;
    if (!qualifier_fields(qualifier, &s, &e))
        asi_throw(ASI_ERR_BAD_ARGUMENT, "CAsiIntervalQ", "unknown interval qualifier");
    if (m_leading < 1)
        m_leading = 1;
    if (m_leading > ASI_IV_MAX_LEADING)
        m_leading = ASI_IV_MAX_LEADING;
    if (m_fraction > ASI_IV_MAX_FRACTION)
        m_fraction = ASI_IV_MAX_FRACTION;
}

/* Destroys the object; the bases free what they own. */
CAsiIntervalQ::~CAsiIntervalQ() {}

/* The first field of the qualifier. */
int CAsiIntervalQ::startField() const noexcept
{
    int s = 0, e = 0;
    qualifier_fields(m_qualifier, &s, &e);
    return s;
}

/* The last field of the qualifier. */
int CAsiIntervalQ::endField() const noexcept
{
    int s = 0, e = 0;
    qualifier_fields(m_qualifier, &s, &e);
    return e;
}

/* "DAY(3) TO SECOND(2)": precisions shown when not the defaults. */
void CAsiIntervalQ::qualifierText(CAsiUcStr &out) const
{
    char buf[IV_TEXT_MAX];
    int s = startField(), e = endField();
    int n = std::snprintf(buf, sizeof buf, "%s", field_name(s));
    if (m_leading != ASI_IV_DEFAULT_LEADING) {
        if (s == ASI_IV_SECOND && m_fraction != ASI_IV_DEFAULT_FRACTION)
            n += std::snprintf(buf + n, sizeof buf - n, "(%u,%u)", m_leading, m_fraction);
        else
            n += std::snprintf(buf + n, sizeof buf - n, "(%u)", m_leading);
    } else if (s == ASI_IV_SECOND && m_fraction != ASI_IV_DEFAULT_FRACTION) {
        n += std::snprintf(buf + n, sizeof buf - n, "(%u,%u)", m_leading, m_fraction);
    }
    if (e != s) {
        n += std::snprintf(buf + n, sizeof buf - n, " TO %s", field_name(e));
        if (e == ASI_IV_SECOND && m_fraction != ASI_IV_DEFAULT_FRACTION)
            std::snprintf(buf + n, sizeof buf - n, "(%u)", m_fraction);
    }
    out = buf;
}

/* "INTERVAL " and the qualifier. */
int CAsiIntervalQ::typeText(CAsiUcStr &out) const
{
    CAsiUcStr q;
    qualifierText(q);
    out = "INTERVAL ";
    out.append(q);
    return 1;
}

/* INTERVAL '<text>' <qualifier>. */
int CAsiIntervalQ::literalText(CAsiUcStr &out) const
{
    if (m_null) {
        out = "null";
        return 0;
    }
    char buf[IV_TEXT_MAX];
    getText(buf, sizeof buf);
    CAsiUcStr q;
    qualifierText(q);
    out = "INTERVAL '";
    out.append(buf);
    out.append("' ");
    out.append(q);
    return 1;
}

/* Through the multibyte text. */
int CAsiIntervalQ::setUcStr(const CAsiUcStr &text)
{
    char buf[IV_TEXT_MAX + 1];
    text.toMb(buf, sizeof buf);
    return setText(buf, (int)std::strlen(buf));
}

/* The text as a string. */
int CAsiIntervalQ::getUcStr(CAsiUcStr &out) const
{
    char buf[IV_TEXT_MAX];
    if (!getText(buf, sizeof buf))
        return 0;
    out = buf;
    return 1;
}

/* The qualifier items and the sign. */
void CAsiIntervalQ::packQualifier(CAsiOStream &out) const
{
    out.putI32(TAG_QUALIFIER, m_qualifier);
    out.putI32(TAG_LEADING, (std::int32_t)m_leading);
    if (isDayTimeInterval())
        out.putI32(TAG_FRACTION, (std::int32_t)m_fraction);
    if (m_sign && !m_null)
        out.putI16(TAG_SIGN, 1);
}

/* Reads one qualifier item; 1 when the tag was one of them.  Values are
** checked: a bad one is a damaged stream. */
int CAsiIntervalQ::unpackQualifier(int tag, CAsiIStream &in)
{
    std::int32_t v = 0;
    std::int16_t s = 0;
    switch (tag) {
    case TAG_QUALIFIER: {
        int a, b;
        if (!in.readI32(&v) || !qualifier_fields(v, &a, &b) ||
            (isYearMonthInterval() != (v == ASI_IV_YEAR || v == ASI_IV_MONTH || v == ASI_IV_YEAR_TO_MONTH)))
            asi_throw(ASI_ERR_STREAM, "interval unpack", "bad qualifier");
        m_qualifier = v;
        return 1;
    }
    case TAG_LEADING:
        if (!in.readI32(&v) || v < 1 || v > (std::int32_t)ASI_IV_MAX_LEADING)
            asi_throw(ASI_ERR_STREAM, "interval unpack", "bad leading precision");
        m_leading = (std::uint32_t)v;
        return 1;
    case TAG_FRACTION:
        if (!in.readI32(&v) || v < 0 || v > (std::int32_t)ASI_IV_MAX_FRACTION)
            asi_throw(ASI_ERR_STREAM, "interval unpack", "bad fractional precision");
        m_fraction = (std::uint32_t)v;
        return 1;
    case TAG_SIGN:
        if (!in.readI16(&s))
            asi_throw(ASI_ERR_STREAM, "interval unpack", "bad sign");
        m_sign = s ? 1 : 0;
        return 1;
    default:
        return 0;
    }
}

/* --- CAsiIntervalYM --- */

/* A null year-month interval. */
CAsiIntervalYM::CAsiIntervalYM(int qualifier, int leading)
    : CAsiIntervalQ(qualifier, (unsigned)(leading < 1 ? 1 : leading), 0), m_months(0)
{
    if (qualifier != ASI_IV_YEAR && qualifier != ASI_IV_MONTH && qualifier != ASI_IV_YEAR_TO_MONTH)
        asi_throw(ASI_ERR_BAD_ARGUMENT, "CAsiIntervalYM", "not a year-month qualifier");
}

/* Destroys the object; the bases free what they own. */
CAsiIntervalYM::~CAsiIntervalYM() {}

/* A new copy; null without memory. */
CAsiIntervalYM *CAsiIntervalYM::clone() const
{
    return new CAsiIntervalYM(*this);
}

/* Sign and leading digits, a '-' and two month digits. */
unsigned CAsiIntervalYM::displayLength() const
{
    return 1 + m_leading + (m_qualifier == ASI_IV_YEAR_TO_MONTH ? 3 : 0);
}

/* The byte count of pack, measured with a counting stream. */
int CAsiIntervalYM::packedSize() const
{
    CAsiOStream counter;
    return pack(counter);
}

/* Writes the value's items and the end item; answers the stream's length. */
int CAsiIntervalYM::pack(CAsiOStream &out) const
{
    packQualifier(out);
    if (!m_null) {
        if (m_months <= (std::uint64_t)INT32_MAX)
            out.putI32(TAG_VALUE, (std::int32_t)m_months);
        else
            out.putI64(TAG_VALUE, (std::int64_t)m_months);
    }
    out.putEnd(INTERVAL_END_VALUE);
    return out.length();
}

/* Reads the items; the months are checked against the precision. */
int CAsiIntervalYM::unpack(CAsiIStream &in)
{
    m_null = 1;
    m_sign = 0;
    for (int tag = in.nextTag(); tag != ASI_STREAM_END; tag = in.nextTag()) {
        if (unpackQualifier(tag, in))
            continue;
        if (tag == TAG_VALUE) {
            std::int32_t v32;
            std::int64_t v64;
            if (in.readI32(&v32) && v32 >= 0)
                m_months = (std::uint64_t)v32;
            else if (in.readPair(&v64) && v64 >= 0)
                m_months = (std::uint64_t)v64;
            else
                asi_throw(ASI_ERR_STREAM, "CAsiIntervalYM::unpack", "bad value");
            m_null = 0;
        }
    }
    std::uint64_t lead = (m_qualifier == ASI_IV_MONTH) ? m_months : m_months / MONTHS_PER_YEAR;
    if (!m_null && lead >= pow10u(m_leading))
        asi_throw(ASI_ERR_STREAM, "CAsiIntervalYM::unpack", "value beyond its precision");
    return 1;
}

/* The value items are the whole record: as packedSize, pack and unpack. */
int CAsiIntervalYM::packedValueSize() const { return packedSize(); }
int CAsiIntervalYM::packValue(CAsiOStream &out) const { return pack(out); }
int CAsiIntervalYM::unpackValue(CAsiIStream &in) { return unpack(in); }

/* 1 for a value of the same kind, else 0. */
int CAsiIntervalYM::isComparable(const CAsiData *other) const
{
    return other && other->isYearMonthInterval();
}

/* 1 for a value of the same kind, else 0. */
int CAsiIntervalYM::isAssignable(const CAsiData *other) const
{
    return isComparable(other);
}

/* Year-month intervals, text, and numbers for a single field. */
int CAsiIntervalYM::isCastable(const CAsiData *other) const
{
    if (!other)
        return 0;
    return other->isYearMonthInterval() || other->isCharacter() ||
           (other->isNumeric() && m_qualifier != ASI_IV_YEAR_TO_MONTH);
}

/* The signed number of months; 0 when null. */
std::int64_t CAsiIntervalYM::totalMonths() const noexcept
{
    if (m_null)
        return 0;
    return m_sign ? -(std::int64_t)m_months : (std::int64_t)m_months;
}

/* 1 when equal, 0 when not, -1 when a value is null or of another kind. */
int CAsiIntervalYM::isEqual(const CAsiData &other) const
{
    const CAsiIntervalYM *o = dynamic_cast<const CAsiIntervalYM *>(&other);
    if (m_null || !o || o->m_null)
        return -1;
    return totalMonths() == o->totalMonths();
}

/* 1 when this value is greater, 0 when not, -1 when a value is null or of another kind. */
int CAsiIntervalYM::isGreater(const CAsiData &other) const
{
    const CAsiIntervalYM *o = dynamic_cast<const CAsiIntervalYM *>(&other);
    if (m_null || !o || o->m_null)
        return -1;
    return totalMonths() > o->totalMonths();
}

/* The comparison as a truth; 0 when a value is null. */
int CAsiIntervalYM::operator==(const CAsiIntervalYM &other) const
{
    return isEqual(other) == 1;
}

/* The comparison as a truth; 0 when a value is null. */
int CAsiIntervalYM::operator<(const CAsiIntervalYM &other) const
{
    return other.isGreater(*this) == 1;
}

/* Stores signed months, whole years only for YEAR. */
int CAsiIntervalYM::setMonths(std::int64_t months)
{
    std::uint64_t mag = months < 0 ? (std::uint64_t)(-(months + 1)) + 1 : (std::uint64_t)months;
    if (m_qualifier == ASI_IV_YEAR)
        mag -= mag % MONTHS_PER_YEAR;
    std::uint64_t lead = (m_qualifier == ASI_IV_MONTH) ? mag : mag / MONTHS_PER_YEAR;
    if (lead >= pow10u(m_leading))
        asi_raise_state(STATE_FIELD_OVERFLOW);
    m_months = mag;
    m_sign = (months < 0 && mag != 0) ? 1 : 0;
    m_null = 0;
    return 1;
}

/* From another year-month interval, text or a number. */
int CAsiIntervalYM::assign(const CAsiData &source)
{
    if (&source == this)
        return 1;
    if (source.isNull()) {
        m_null = 1;
        return 1;
    }
    if (const CAsiIntervalYM *o = dynamic_cast<const CAsiIntervalYM *>(&source))
        return setMonths(o->totalMonths());
    if (source.isCharacter()) {
        char buf[ASI_DATA_TEXT_BUF] = {0};
        source.getText(buf, sizeof buf);
        return setText(buf, (int)std::strlen(buf));
    }
    double v;
    if (source.isNumeric() && m_qualifier != ASI_IV_YEAR_TO_MONTH && source.getDouble(&v)) {
        double months = m_qualifier == ASI_IV_YEAR ? v * MONTHS_PER_YEAR : v;
        if (!(months > -MONTHS_BEYOND_ANY && months < MONTHS_BEYOND_ANY))
            asi_raise_state(STATE_FIELD_OVERFLOW);
        return setMonths((std::int64_t)months);
    }
    asi_raise_state(STATE_CANNOT_CAST);
}

/* Parses "[-]y", "[-]m" or "[-]y-m". */
int CAsiIntervalYM::setText(const char *text, int length)
{
    iv_fields f;
    int lead = 0, s = startField(), e = endField();
    if (!iv_parse(text, length, s, e, &f, &lead))
        asi_raise_state(STATE_BAD_FORMAT);
    if (lead > (int)m_leading || (e == ASI_IV_MONTH && s == ASI_IV_YEAR && f.value[ASI_IV_MONTH] >= MONTHS_PER_YEAR))
        asi_raise_state(STATE_FIELD_OVERFLOW);
    std::int64_t months = (std::int64_t)(f.value[ASI_IV_YEAR] * MONTHS_PER_YEAR + f.value[ASI_IV_MONTH]);
    return setMonths(f.negative ? -months : months);
}

/* Writes "[-]y", "[-]m" or "[-]y-mm". */
int CAsiIntervalYM::getText(char *buf, int size) const
{
    if (!buf || size < 1)
        return 0;
    if (m_null) {
        buf[0] = '\0';
        return 0;
    }
    const char *sign = m_sign ? "-" : "";
    if (m_qualifier == ASI_IV_YEAR)
        std::snprintf(buf, (std::size_t)size, "%s%llu", sign, (unsigned long long)(m_months / MONTHS_PER_YEAR));
    else if (m_qualifier == ASI_IV_MONTH)
        std::snprintf(buf, (std::size_t)size, "%s%llu", sign, (unsigned long long)m_months);
    else
        std::snprintf(buf, (std::size_t)size, "%s%llu-%02u", sign, (unsigned long long)(m_months / MONTHS_PER_YEAR),
                      (unsigned)(m_months % MONTHS_PER_YEAR));
    return 1;
}

/* Years of YEAR and YEAR TO MONTH. */
int CAsiIntervalYM::getYears(std::uint32_t *out) const
{
    if (m_null || m_qualifier == ASI_IV_MONTH)
        return 0;
    *out = (std::uint32_t)(m_months / MONTHS_PER_YEAR);
    return 1;
}

/* Months: all of them for MONTH, the month of the year for YEAR TO MONTH. */
int CAsiIntervalYM::getMonths(std::uint32_t *out) const
{
    if (m_null || m_qualifier == ASI_IV_YEAR)
        return 0;
    *out = (std::uint32_t)(m_qualifier == ASI_IV_MONTH ? m_months : m_months % MONTHS_PER_YEAR);
    return 1;
}

/* --- CAsiIntervalDT --- */

/* A null day-time interval. */
CAsiIntervalDT::CAsiIntervalDT(int qualifier, int leading, int fraction)
    : CAsiIntervalQ(qualifier, (unsigned)(leading < 1 ? 1 : leading), (unsigned)(fraction < 0 ? 0 : fraction)),
      m_seconds(0), m_nanos(0)
{
    if (qualifier < ASI_IV_DAY || qualifier == ASI_IV_YEAR_TO_MONTH)
        asi_throw(ASI_ERR_BAD_ARGUMENT, "CAsiIntervalDT", "not a day-time qualifier");
}

/* Destroys the object; the bases free what they own. */
CAsiIntervalDT::~CAsiIntervalDT() {}

/* A new copy; null without memory. */
CAsiIntervalDT *CAsiIntervalDT::clone() const
{
    return new CAsiIntervalDT(*this);
}

/* Sign, leading digits, 3 per further field, the fraction with its point. */
unsigned CAsiIntervalDT::displayLength() const
{
    unsigned n = 1 + m_leading + 3 * (unsigned)(endField() - startField());
    if (endField() == ASI_IV_SECOND && m_fraction)
        n += 1 + m_fraction;
    return n;
}

/* The byte count of pack, measured with a counting stream. */
int CAsiIntervalDT::packedSize() const
{
    CAsiOStream counter;
    return pack(counter);
}

/* Writes the value's items and the end item; answers the stream's length. */
int CAsiIntervalDT::pack(CAsiOStream &out) const
{
    packQualifier(out);
    if (!m_null) {
        unsigned char v[DT_VALUE_BYTES];
        for (int i = 0; i < 8; i++)
            v[i] = (unsigned char)(m_seconds >> (8 * i));
        for (int i = 0; i < 4; i++)
            v[8 + i] = (unsigned char)(m_nanos >> (8 * i));
        out.putBytes(TAG_VALUE, v, DT_VALUE_BYTES);
    }
    out.putEnd(INTERVAL_END_VALUE);
    return out.length();
}

/* Reads the items; the value is checked against the precisions. */
int CAsiIntervalDT::unpack(CAsiIStream &in)
{
    m_null = 1;
    m_sign = 0;
    for (int tag = in.nextTag(); tag != ASI_STREAM_END; tag = in.nextTag()) {
        if (unpackQualifier(tag, in))
            continue;
        if (tag == TAG_VALUE) {
            int len = 0;
            const unsigned char *d = in.data(&len);
            if (len != DT_VALUE_BYTES)
                asi_throw(ASI_ERR_STREAM, "CAsiIntervalDT::unpack", "bad value");
            std::uint64_t s = 0;
            std::uint32_t ns = 0;
            for (int i = 0; i < 8; i++)
                s |= (std::uint64_t)d[i] << (8 * i);
            for (int i = 0; i < 4; i++)
                ns |= (std::uint32_t)d[8 + i] << (8 * i);
            if (ns >= NANOS_PER_SECOND)
                asi_throw(ASI_ERR_STREAM, "CAsiIntervalDT::unpack", "bad nanoseconds");
            m_seconds = s;
            m_nanos = ns;
            m_null = 0;
        }
    }
    if (!m_null && m_seconds / unit_seconds(startField()) >= pow10u(m_leading))
        asi_throw(ASI_ERR_STREAM, "CAsiIntervalDT::unpack", "value beyond its precision");
    return 1;
}

/* The value items are the whole record: as packedSize, pack and unpack. */
int CAsiIntervalDT::packedValueSize() const { return packedSize(); }
int CAsiIntervalDT::packValue(CAsiOStream &out) const { return pack(out); }
int CAsiIntervalDT::unpackValue(CAsiIStream &in) { return unpack(in); }

/* 1 for a value of the same kind, else 0. */
int CAsiIntervalDT::isComparable(const CAsiData *other) const
{
    return other && other->isDayTimeInterval();
}

/* 1 for a value of the same kind, else 0. */
int CAsiIntervalDT::isAssignable(const CAsiData *other) const
{
    return isComparable(other);
}

/* Day-time intervals, text, and numbers for a single field. */
int CAsiIntervalDT::isCastable(const CAsiData *other) const
{
    if (!other)
        return 0;
    return other->isDayTimeInterval() || other->isCharacter() ||
           (other->isNumeric() && startField() == endField());
}

/* Compares the signed magnitudes. */
int CAsiIntervalDT::compareTo(const CAsiIntervalDT &o) const noexcept
{
    int a = m_sign ? -1 : 1, b = o.m_sign ? -1 : 1;
    if (m_seconds == 0 && m_nanos == 0)
        a = 0;
    if (o.m_seconds == 0 && o.m_nanos == 0)
        b = 0;
    if (a != b)
        return a < b ? -1 : 1;
    int mag = m_seconds != o.m_seconds ? (m_seconds < o.m_seconds ? -1 : 1)
                                       : (m_nanos != o.m_nanos ? (m_nanos < o.m_nanos ? -1 : 1) : 0);
    return a < 0 ? -mag : mag;
}

/* 1 when equal, 0 when not, -1 when a value is null or of another kind. */
int CAsiIntervalDT::isEqual(const CAsiData &other) const
{
    const CAsiIntervalDT *o = dynamic_cast<const CAsiIntervalDT *>(&other);
    if (m_null || !o || o->m_null)
        return -1;
    return compareTo(*o) == 0;
}

/* 1 when this value is greater, 0 when not, -1 when a value is null or of another kind. */
int CAsiIntervalDT::isGreater(const CAsiData &other) const
{
    const CAsiIntervalDT *o = dynamic_cast<const CAsiIntervalDT *>(&other);
    if (m_null || !o || o->m_null)
        return -1;
    return compareTo(*o) > 0;
}

/* The comparison as a truth; 0 when a value is null. */
int CAsiIntervalDT::operator==(const CAsiIntervalDT &other) const
{
    return isEqual(other) == 1;
}

/* The comparison as a truth; 0 when a value is null. */
int CAsiIntervalDT::operator<(const CAsiIntervalDT &other) const
{
    return other.isGreater(*this) == 1;
}

/* Stores signed seconds and nanoseconds fitted to the qualifier. */
int CAsiIntervalDT::setSeconds(std::int64_t seconds, std::int32_t nanos)
{
    int negative = seconds < 0 || (seconds == 0 && nanos < 0);
    std::uint64_t s = seconds < 0 ? (std::uint64_t)(-(seconds + 1)) + 1 : (std::uint64_t)seconds;
    std::uint32_t ns = (std::uint32_t)(nanos < 0 ? -(std::int64_t)nanos : nanos) % NANOS_PER_SECOND;
    int e = endField();
    if (e != ASI_IV_SECOND) {
        s -= s % unit_seconds(e);
        ns = 0;
    } else {
        std::uint32_t keep = (std::uint32_t)pow10u(ASI_IV_MAX_FRACTION - m_fraction);
        ns -= ns % keep;
    }
    if (s / unit_seconds(startField()) >= pow10u(m_leading))
        asi_raise_state(STATE_FIELD_OVERFLOW);
    m_seconds = s;
    m_nanos = ns;
    m_sign = (negative && (s || ns)) ? 1 : 0;
    m_null = 0;
    return 1;
}

/* From another day-time interval, text or a number. */
int CAsiIntervalDT::assign(const CAsiData &source)
{
    if (&source == this)
        return 1;
    if (source.isNull()) {
        m_null = 1;
        return 1;
    }
    if (const CAsiIntervalDT *o = dynamic_cast<const CAsiIntervalDT *>(&source)) {
        std::int64_t s = (std::int64_t)o->m_seconds;
        return setSeconds(o->m_sign ? -s : s, o->m_sign ? -(std::int32_t)o->m_nanos : (std::int32_t)o->m_nanos);
    }
    if (source.isCharacter()) {
        char buf[ASI_DATA_TEXT_BUF] = {0};
        source.getText(buf, sizeof buf);
        return setText(buf, (int)std::strlen(buf));
    }
    double v;
    if (source.isNumeric() && startField() == endField() && source.getDouble(&v)) {
        double secs = v * (double)unit_seconds(startField());
        if (!(secs > -9.2e18 && secs < 9.2e18))
            asi_raise_state(STATE_FIELD_OVERFLOW);
        std::int64_t whole = (std::int64_t)secs;
        return setSeconds(whole, (std::int32_t)((secs - (double)whole) * NANOS_PER_SECOND));
    }
    asi_raise_state(STATE_CANNOT_CAST);
}

/* Parses "[-]d h:m:s.f" for the qualifier's fields. */
int CAsiIntervalDT::setText(const char *text, int length)
{
    iv_fields f;
    int lead = 0, s = startField(), e = endField();
    if (!iv_parse(text, length, s, e, &f, &lead))
        asi_raise_state(STATE_BAD_FORMAT);
    if (lead > (int)m_leading)
        asi_raise_state(STATE_FIELD_OVERFLOW);
    std::uint64_t total = 0;
    for (int field = s; field <= e; field++) {
        if (field > s && f.value[field] >= field_limit(field))
            asi_raise_state(STATE_FIELD_OVERFLOW);
        total += f.value[field] * unit_seconds(field);
    }
    std::int64_t secs = (std::int64_t)total;
    std::int32_t ns = (std::int32_t)f.nanos;
    return setSeconds(f.negative ? -secs : secs, f.negative ? -ns : ns);
}

/* Writes the fields: the leading one plain, the others with two digits,
** the seconds' fraction with the fractional precision. */
int CAsiIntervalDT::getText(char *buf, int size) const
{
    if (!buf || size < 1)
        return 0;
    if (m_null) {
        buf[0] = '\0';
        return 0;
    }
    char text[IV_TEXT_MAX];
    int n = std::snprintf(text, sizeof text, "%s", m_sign ? "-" : "");
    int s = startField(), e = endField();
    for (int field = s; field <= e; field++) {
        std::uint64_t v = m_seconds / unit_seconds(field);
        if (field > s)
            v %= field_limit(field);
        const char *sep = field == s ? "" : (field == ASI_IV_HOUR ? " " : ":");
        n += std::snprintf(text + n, sizeof text - n, field == s ? "%s%llu" : "%s%02llu", sep,
                           (unsigned long long)v);
    }
    if (e == ASI_IV_SECOND && m_fraction)
        std::snprintf(text + n, sizeof text - n, ".%0*u", (int)m_fraction,
                      (unsigned)(m_nanos / pow10u(ASI_IV_MAX_FRACTION - m_fraction)));
    std::snprintf(buf, (std::size_t)size, "%s", text);
    return 1;
}

/* The whole days. */
int CAsiIntervalDT::getDays(std::uint32_t *out) const
{
    if (m_null || startField() != ASI_IV_DAY)
        return 0;
    *out = (std::uint32_t)(m_seconds / 86400);
    return 1;
}

/* Hours: all of them when leading, else the hour of the day. */
int CAsiIntervalDT::getHours(std::uint32_t *out) const
{
    if (m_null || startField() > ASI_IV_HOUR || endField() < ASI_IV_HOUR)
        return 0;
    std::uint64_t h = m_seconds / 3600;
    *out = (std::uint32_t)(startField() == ASI_IV_HOUR ? h : h % 24);
    return 1;
}

/* Minutes: all when leading, else the minute of the hour. */
int CAsiIntervalDT::getMinutes(std::uint32_t *out) const
{
    if (m_null || startField() > ASI_IV_MINUTE || endField() < ASI_IV_MINUTE)
        return 0;
    std::uint64_t m = m_seconds / 60;
    *out = (std::uint32_t)(startField() == ASI_IV_MINUTE ? m : m % 60);
    return 1;
}

/* Seconds with their fraction: all when leading, else of the minute. */
int CAsiIntervalDT::getSeconds(double *out) const
{
    if (m_null || endField() != ASI_IV_SECOND)
        return 0;
    std::uint64_t s = startField() == ASI_IV_SECOND ? m_seconds : m_seconds % 60;
    *out = (double)s + (double)m_nanos / NANOS_PER_SECOND;
    return 1;
}
