/*
** asi_data.h: CAsiData, the abstract typed SQL value, root of the value
** classes.
**
** A value has a null flag (1 = null, the state of every new value) and may
** own one attached object (cloned by the copy constructor through its own
** clone, deleted by release and the destructor).  Everything the engine and
** the link client do with a value goes through the virtual operations below,
** declared in their fixed slot order; the defaults answer 0 unless the
** comment says otherwise.  Conditions are raised with asi_raise_state and
** warnings recorded with asi_warn_state (sqlclient/base/asi_diag.h).
**
** Null rule: getters answer 0 and write nothing for a null value;
** isEqual and isGreater answer -1 when an operand is null.
**
**     CAsiData *v = ...;              // made by the value factory
**     CAsiUcStr text;
**     if (v->getUcStr(text)) ...;
*/
#ifndef PV_SQLCLIENT_VALUES_ASI_DATA_H
#define PV_SQLCLIENT_VALUES_ASI_DATA_H

#include <cstdint>

#include "sqlclient/base/asi_object.h"
#include "sqlclient/base/asi_stream.h"
#include "sqlclient/base/asi_ucstr.h"

class CAsiExtFunc;

/* SQL type codes (typeCode). */
constexpr int ASI_TYPE_IMPL = -1;       /* implementation type */
constexpr int ASI_TYPE_CHAR = 1;        /* CHARACTER */
constexpr int ASI_TYPE_NUMERIC = 2;     /* NUMERIC */
constexpr int ASI_TYPE_DECIMAL = 3;     /* DECIMAL */
constexpr int ASI_TYPE_INTEGER = 4;     /* INTEGER */
constexpr int ASI_TYPE_SMALLINT = 5;    /* SMALLINT */
constexpr int ASI_TYPE_FLOAT = 6;       /* FLOAT */
constexpr int ASI_TYPE_REAL = 7;        /* REAL */
constexpr int ASI_TYPE_DOUBLE = 8;      /* DOUBLE PRECISION */
constexpr int ASI_TYPE_DATETIME = 9;    /* DATE, TIME, TIMESTAMP */
constexpr int ASI_TYPE_INTERVAL = 10;   /* year-month and day-time intervals */
constexpr int ASI_TYPE_VARCHAR = 12;    /* CHARACTER VARYING */
constexpr int ASI_TYPE_BIT = 14;        /* BIT */
constexpr int ASI_TYPE_VARBIT = 15;     /* BIT VARYING */
constexpr int ASI_TYPE_POINT = 16;      /* POINT */

/* Datetime codes (datetimeCode). */
constexpr int ASI_DT_DATE = 1;
constexpr int ASI_DT_TIME = 2;
constexpr int ASI_DT_TIMESTAMP = 3;

/* Interval qualifier codes (intervalCode). */
constexpr int ASI_IV_YEAR = 1;
constexpr int ASI_IV_MONTH = 2;
constexpr int ASI_IV_DAY = 3;
constexpr int ASI_IV_HOUR = 4;
constexpr int ASI_IV_MINUTE = 5;
constexpr int ASI_IV_SECOND = 6;
constexpr int ASI_IV_YEAR_TO_MONTH = 7;
constexpr int ASI_IV_DAY_TO_HOUR = 8;
constexpr int ASI_IV_DAY_TO_MINUTE = 9;
constexpr int ASI_IV_DAY_TO_SECOND = 10;
constexpr int ASI_IV_HOUR_TO_MINUTE = 11;
constexpr int ASI_IV_HOUR_TO_SECOND = 12;
constexpr int ASI_IV_MINUTE_TO_SECOND = 13;

/* The text buffer assignTo reads a value into (bytes). */
constexpr int ASI_DATA_TEXT_BUF = 260;

class CAsiData : public CAsiObject {
public:
    /* A null value without an attached object. */
    CAsiData() noexcept : m_null(1), m_attached(nullptr) {}
    /* Copies the null flag and clones the attached object (none when the
    ** clone fails). */
    CAsiData(const CAsiData &other);
    CAsiData &operator=(const CAsiData &other);

    /* --- slots in order --- */

    /* Deletes the attached object. */
    ~CAsiData() override;
    /* A new copy of the value (each class). */
    CAsiData *clone() const override = 0;
    /* Deletes the attached object and clears the pointer. */
    void release() override;
    int packedSize() const override;
    int pack(CAsiOStream &out) const override;
    int unpack(CAsiIStream &in) override;
    virtual int packedValueSize() const;
    virtual int packValue(CAsiOStream &out) const;
    virtual int unpackValue(CAsiIStream &in);
    /* The SQL type code (ASI_TYPE_...). */
    virtual int typeCode() const = 0;
    virtual int datetimeCode() const;
    virtual int intervalCode() const;
    virtual int implTypeCode() const;
    virtual unsigned length() const;
    virtual unsigned precision() const;
    virtual unsigned scale() const;
    virtual unsigned timePrecision() const;
    virtual unsigned timestampPrecision() const;
    virtual unsigned leadingPrecision() const;
    virtual unsigned fractionalPrecision() const;
    virtual unsigned displayLength() const;
    virtual int isNumeric() const;
    virtual int isExactNumeric() const;
    virtual int isApproximateNumeric() const;
    virtual int isCharacter() const;
    virtual int isBit() const;
    virtual int isDatetime() const;
    virtual int isInterval() const;
    virtual int isYearMonthInterval() const;
    virtual int isDayTimeInterval() const;
    virtual int isUserDefined() const;
    /* Predicates against another value (null: none, answering 0). */
    virtual int isComparable(const CAsiData *other) const;
    virtual int isAssignable(const CAsiData *other) const;
    virtual int isCastable(const CAsiData *other) const;
    /* Result types: a new null value owned by the caller, or null. */
    virtual CAsiData *addType(const CAsiData *other) const;
    virtual CAsiData *subtractType(const CAsiData *other) const;
    virtual CAsiData *multiplyType(const CAsiData *other) const;
    virtual CAsiData *divideType(const CAsiData *other) const;
    virtual CAsiData *concatType(const CAsiData *other) const;
    virtual CAsiData *unionType(const CAsiData *other) const;
    /* 1, 0, or -1 when an operand is null or they cannot be compared. */
    virtual int isEqual(const CAsiData &other) const;
    virtual int isGreater(const CAsiData &other) const;
    /* A new function object of the type's own SQL function, or null. */
    virtual CAsiExtFunc *createFunction(const CAsiUcStr &name) const;
    /* Copies up to len bytes of the value's data from offset; the count. */
    virtual int getData(void *buf, int offset, int len) const;
    virtual int dataSize() const;
    /* Sets the null flag. */
    virtual void setNull();
    /* The null flag (1 null). */
    virtual int isNull() const;
    /* 0 while null; else setUcStr of the UCS-2 text. */
    virtual int setWide(const char16_t *text);
    virtual int assign(const CAsiData &source);
    /* Answers 0 and does nothing. */
    virtual int setData(const void *buf, int offset, int len);
    virtual int setUcStr(const CAsiUcStr &text);
    virtual int setText(const char *text, int length);
    virtual int setShort(std::int16_t v);
    virtual int setLong(std::int32_t v);
    virtual int setDouble(double v);
    /* target.setText of this value's text (260 bytes); 0 when none. */
    virtual int assignTo(CAsiData &target) const;
    /* getUcStr into the UCS-2 buffer of size characters; 1, 0 when null. */
    virtual int getWide(char16_t *buf, int size) const;
    /* The value's bits: at most maxBits into buf, the count into *bits;
    ** answers 1 (BIT values), the default 0 and does nothing. */
    virtual int getBytes(void *buf, int maxBits, int *bits) const;
    virtual int getUcStr(CAsiUcStr &out) const;
    virtual int getText(char *buf, int size) const;
    virtual int getShort(std::int16_t *out) const;
    virtual int getLong(std::int32_t *out) const;
    virtual int getDouble(double *out) const;
    /* The SQL type as text, the value as an SQL literal (each class). */
    virtual int typeText(CAsiUcStr &out) const = 0;
    virtual int literalText(CAsiUcStr &out) const = 0;

    /* --- non-virtual helpers --- */

    /* The attached object, or null. */
    CAsiObject *attached() const noexcept { return m_attached; }
    /* Replaces the attached object by obj (owned from now on). */
    void setAttached(CAsiObject *obj) noexcept;

protected:
    std::int32_t m_null;        /* 1 null, 0 a value */
    CAsiObject *m_attached;     /* owned attached object, or null */
};

/* Copies a value's input text into buf of max + 1 bytes: at most length
** bytes (length < 0 or above max: max), stopping at a NUL; a null text
** copies nothing.  buf is always terminated.  Answers the bytes copied. */
int asi_text_copy(char *buf, int max, const char *text, int length) noexcept;

#endif
