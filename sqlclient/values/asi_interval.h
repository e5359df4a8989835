/*
** asi_interval.h: the interval values: CAsiIntervalQ, the base holding the
** qualifier, precisions and sign; CAsiIntervalYM, year-month intervals
** (YEAR, MONTH, YEAR TO MONTH) kept as a number of months; CAsiIntervalDT,
** day-time intervals (DAY ... SECOND) kept as whole seconds and nanoseconds.
**
** Text form (getText, setText): the SQL interval string without quotes,
** "-1-06" for YEAR TO MONTH, "3 04:05:06.5" for DAY TO SECOND; the literal
** form adds INTERVAL, the quotes and the qualifier:
** INTERVAL '-1-06' YEAR TO MONTH.  The leading field may hold at most
** leading-precision digits (22015 otherwise); the other fields are bounded
** by their unit (months 0 to 11, hours 0 to 23, minutes and seconds 0 to 59).
**
**     CAsiIntervalDT iv(ASI_IV_DAY_TO_SECOND, 2, 6);
**     iv.setText("3 04:05:06.5", 12);
**     unsigned h; iv.getHours(&h);      // 4
*/
#ifndef PV_SQLCLIENT_VALUES_ASI_INTERVAL_H
#define PV_SQLCLIENT_VALUES_ASI_INTERVAL_H

#include <cstdint>

#include "sqlclient/values/asi_data.h"

/* Default and largest leading precision, default and largest fractional
** seconds precision. */
constexpr unsigned ASI_IV_DEFAULT_LEADING = 2;
constexpr unsigned ASI_IV_MAX_LEADING = 9;
constexpr unsigned ASI_IV_DEFAULT_FRACTION = 6;
constexpr unsigned ASI_IV_MAX_FRACTION = 9;

class CAsiIntervalQ : public CAsiData {
public:
    /* A null interval of the qualifier code with the precisions (clamped to
    ** their largest; an unknown qualifier raises ASI_ERR_BAD_ARGUMENT). */
    CAsiIntervalQ(int qualifier, unsigned leading, unsigned fraction);
    CAsiIntervalQ(const CAsiIntervalQ &other) = default;
    CAsiIntervalQ &operator=(const CAsiIntervalQ &other) = default;
    ~CAsiIntervalQ() override;

    int typeCode() const override { return ASI_TYPE_INTERVAL; }
    int intervalCode() const override { return m_qualifier; }
    unsigned leadingPrecision() const override { return m_leading; }
    unsigned fractionalPrecision() const override { return m_fraction; }
    int isInterval() const override { return 1; }
    int isCharacter() const override { return 0; }
    int setUcStr(const CAsiUcStr &text) override;
    int getUcStr(CAsiUcStr &out) const override;
    /* "INTERVAL " and the qualifier with its precisions; 1. */
    int typeText(CAsiUcStr &out) const override;
    /* INTERVAL '<text>' <qualifier>; "null" and 0 when null. */
    int literalText(CAsiUcStr &out) const override;

    /* 1 for a negative interval value, else 0. */
    int sign() const noexcept { return m_sign; }

    /* The first and last field of the qualifier (ASI_IV_YEAR ... SECOND). */
    int startField() const noexcept;
    int endField() const noexcept;

    /* The qualifier as text ("DAY(3) TO SECOND(2)"). */
    void qualifierText(CAsiUcStr &out) const;

protected:
    /* Writes and reads the shared items (qualifier, precisions, sign). */
    void packQualifier(CAsiOStream &out) const;
    int unpackQualifier(int tag, CAsiIStream &in);

    std::int32_t m_qualifier;   /* interval code, ASI_IV_YEAR ... MINUTE_TO_SECOND */
    std::uint32_t m_leading;    /* digits of the leading field */
    std::uint32_t m_fraction;   /* digits of the seconds' fraction */
    std::int32_t m_sign;        /* 1 negative, 0 positive */
};

class CAsiIntervalYM : public CAsiIntervalQ {
public:
    /* A null year-month interval; the qualifier must be YEAR, MONTH or YEAR
    ** TO MONTH (else ASI_ERR_BAD_ARGUMENT). */
    CAsiIntervalYM(int qualifier = ASI_IV_YEAR_TO_MONTH, int leading = ASI_IV_DEFAULT_LEADING);
    CAsiIntervalYM(const CAsiIntervalYM &other) = default;
    ~CAsiIntervalYM() override;

    CAsiIntervalYM *clone() const override;
    int packedSize() const override;
    int pack(CAsiOStream &out) const override;
    int unpack(CAsiIStream &in) override;
    int packedValueSize() const override;
    int packValue(CAsiOStream &out) const override;
    int unpackValue(CAsiIStream &in) override;
    unsigned displayLength() const override;
    int isYearMonthInterval() const override { return 1; }
    int isComparable(const CAsiData *other) const override;
    int isAssignable(const CAsiData *other) const override;
    int isCastable(const CAsiData *other) const override;
    int isEqual(const CAsiData &other) const override;
    int isGreater(const CAsiData &other) const override;
    int assign(const CAsiData &source) override;
    int setText(const char *text, int length) override;
    int getText(char *buf, int size) const override;

    /* The years (for YEAR and YEAR TO MONTH) and the months (the whole
    ** magnitude for MONTH, the month of the year for YEAR TO MONTH); 1, or 0
    ** when null or the qualifier lacks the field.  Both fit 32 bits, as the
    ** leading field holds at most nine digits. */
    int getYears(std::uint32_t *out) const;
    int getMonths(std::uint32_t *out) const;

    /* Sets the value from a signed number of months; 22015 when the
    ** leading field overflows. */
    int setMonths(std::int64_t months);

    /* The signed number of months (0 when null). */
    std::int64_t totalMonths() const noexcept;

    /* Equal and less than another year-month interval (0 when a value is
    ** null). */
    int operator==(const CAsiIntervalYM &other) const;
    int operator<(const CAsiIntervalYM &other) const;

private:
    std::uint64_t m_months;   /* magnitude in months: up to 12 x 10^9 - 1 */
};

class CAsiIntervalDT : public CAsiIntervalQ {
public:
    /* A null day-time interval; the qualifier must be DAY ... MINUTE TO
    ** SECOND except YEAR TO MONTH (else ASI_ERR_BAD_ARGUMENT). */
    CAsiIntervalDT(int qualifier = ASI_IV_DAY_TO_SECOND, int leading = ASI_IV_DEFAULT_LEADING,
                   int fraction = ASI_IV_DEFAULT_FRACTION);
    CAsiIntervalDT(const CAsiIntervalDT &other) = default;
    ~CAsiIntervalDT() override;

    CAsiIntervalDT *clone() const override;
    int packedSize() const override;
    int pack(CAsiOStream &out) const override;
    int unpack(CAsiIStream &in) override;
    int packedValueSize() const override;
    int packValue(CAsiOStream &out) const override;
    int unpackValue(CAsiIStream &in) override;
    unsigned displayLength() const override;
    int isDayTimeInterval() const override { return 1; }
    int isComparable(const CAsiData *other) const override;
    int isAssignable(const CAsiData *other) const override;
    int isCastable(const CAsiData *other) const override;
    int isEqual(const CAsiData &other) const override;
    int isGreater(const CAsiData &other) const override;
    int assign(const CAsiData &source) override;
    int setText(const char *text, int length) override;
    int getText(char *buf, int size) const override;

    /* A field: the whole magnitude in that unit when it is the leading
    ** field, else the field within the next larger unit; 1, or 0 when null
    ** or the qualifier lacks it.  Seconds carry their fraction. */
    int getDays(std::uint32_t *out) const;
    int getHours(std::uint32_t *out) const;
    int getMinutes(std::uint32_t *out) const;
    int getSeconds(double *out) const;

    /* Sets the value from signed whole seconds and nanoseconds (the same
    ** sign); the fraction is cut to the fractional precision and fields
    ** below the qualifier's last are dropped; 22015 when the leading field
    ** overflows. */
    int setSeconds(std::int64_t seconds, std::int32_t nanos);

    /* Equal and less than another day-time interval (0 when null). */
    int operator==(const CAsiIntervalDT &other) const;
    int operator<(const CAsiIntervalDT &other) const;

private:
    /* -1, 0, 1 of the signed magnitudes. */
    int compareTo(const CAsiIntervalDT &other) const noexcept;

    std::uint64_t m_seconds;   /* magnitude in whole seconds */
    std::uint32_t m_nanos;     /* nanoseconds of the magnitude, 0 to 999999999 */
};

#endif
