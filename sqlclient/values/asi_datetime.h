/*
** asi_datetime.h: the datetime values DATE, TIME and TIMESTAMP (type code
** 9, datetime codes 1, 2, 3) over one base, CAsiDatetime, which keeps the
** fields and does the parsing, formatting, comparison and stream form.
**
** Text forms: DATE "1997-03-01", TIME "12:30:00" (with as many fraction
** digits as the time precision, "12:30:00.25" for TIME(2)), TIMESTAMP
** "1997-03-01 12:30:00.000000"; literals add the type name and quotes:
** DATE '1997-03-01'.  A bad text raises 22007, a field out of its range
** (month 13, 30 February, hour 24) 22008.
**
**     CAsiDate d;
**     d.setText("1997-03-01", 10);
*/
#ifndef PV_SQLCLIENT_VALUES_ASI_DATETIME_H
#define PV_SQLCLIENT_VALUES_ASI_DATETIME_H

#include <cstdint>

#include "sqlclient/values/asi_data.h"

/* Default and largest fractional precision of TIME and TIMESTAMP. */
constexpr unsigned ASI_TIME_DEFAULT_PRECISION = 0;
constexpr unsigned ASI_TIMESTAMP_DEFAULT_PRECISION = 6;
constexpr unsigned ASI_DT_MAX_PRECISION = 9;

class CAsiDatetime : public CAsiData {
public:
    /* A null value of a datetime code (1 DATE, 2 TIME, 3 TIMESTAMP) with a
    ** fractional precision (clamped to 9). */
    CAsiDatetime(int code, unsigned precision) noexcept;
    CAsiDatetime(const CAsiDatetime &other) = default;
    CAsiDatetime &operator=(const CAsiDatetime &other) = default;
    ~CAsiDatetime() override;

    int packedSize() const override;
    int pack(CAsiOStream &out) const override;
    int unpack(CAsiIStream &in) override;
    int packedValueSize() const override;
    int packValue(CAsiOStream &out) const override;
    int unpackValue(CAsiIStream &in) override;
    int typeCode() const override { return ASI_TYPE_DATETIME; }
    int datetimeCode() const override { return m_code; }
    unsigned timePrecision() const override;
    unsigned timestampPrecision() const override;
    unsigned displayLength() const override;
    int isDatetime() const override { return 1; }
    /* The same datetime code. */
    int isComparable(const CAsiData *other) const override;
    int isAssignable(const CAsiData *other) const override;
    /* Datetimes and character values. */
    int isCastable(const CAsiData *other) const override;
    int isEqual(const CAsiData &other) const override;
    int isGreater(const CAsiData &other) const override;
    /* The same code; DATE and TIME from a TIMESTAMP, a TIMESTAMP from a
    ** DATE; text; anything else 37155. */
    int assign(const CAsiData &source) override;
    int setUcStr(const CAsiUcStr &text) override;
    int setText(const char *text, int length) override;
    int getUcStr(CAsiUcStr &out) const override;
    int getText(char *buf, int size) const override;
    int typeText(CAsiUcStr &out) const override;
    int literalText(CAsiUcStr &out) const override;

    /* Sets the fields (those the code has; the others are ignored); checks
    ** every range (22008); 1. */
    int setFields(int year, int month, int day, int hour, int minute, int second,
                  std::uint32_t nanos);

    /* The fields; 0 when null. */
    int getFields(int *year, int *month, int *day, int *hour, int *minute, int *second,
                  std::uint32_t *nanos) const;

protected:
    /* -1, 0, 1 comparing fields (same code). */
    int compareTo(const CAsiDatetime &other) const noexcept;

    std::int32_t m_code;         /* 1 DATE, 2 TIME, 3 TIMESTAMP */
    std::uint32_t m_precision;   /* fraction digits of the seconds */
    std::int16_t m_year;         /* 1 to 9999 */
    std::uint8_t m_month;        /* 1 to 12 */
    std::uint8_t m_day;          /* 1 to 31, valid for the month */
    std::uint8_t m_hour;         /* 0 to 23 */
    std::uint8_t m_minute;       /* 0 to 59 */
    std::uint8_t m_second;       /* 0 to 59 */
    std::uint32_t m_nanos;       /* 0 to 999999999, cut to the precision */
};

class CAsiDate : public CAsiDatetime {
public:
    CAsiDate() noexcept : CAsiDatetime(ASI_DT_DATE, 0) {}
    CAsiDate *clone() const override { return new CAsiDate(*this); }
    /* Equal and earlier than another DATE; 0 when a value is null. */
    int operator==(const CAsiDate &other) const { return isEqual(other) == 1; }
    int operator<(const CAsiDate &other) const { return other.isGreater(*this) == 1; }
};

class CAsiTime : public CAsiDatetime {
public:
    explicit CAsiTime(int precision = ASI_TIME_DEFAULT_PRECISION) noexcept
        : CAsiDatetime(ASI_DT_TIME, precision < 0 ? 0u : (unsigned)precision) {}
    CAsiTime *clone() const override { return new CAsiTime(*this); }
    int operator==(const CAsiTime &other) const { return isEqual(other) == 1; }
    int operator<(const CAsiTime &other) const { return other.isGreater(*this) == 1; }
};

class CAsiTimeStamp : public CAsiDatetime {
public:
    explicit CAsiTimeStamp(int precision = ASI_TIMESTAMP_DEFAULT_PRECISION) noexcept
        : CAsiDatetime(ASI_DT_TIMESTAMP, precision < 0 ? 0u : (unsigned)precision) {}
    CAsiTimeStamp *clone() const override { return new CAsiTimeStamp(*this); }
    int operator==(const CAsiTimeStamp &other) const { return isEqual(other) == 1; }
    int operator<(const CAsiTimeStamp &other) const { return other.isGreater(*this) == 1; }
};

#endif
