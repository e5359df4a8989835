/*
** asi_double.h: CAsiDouble, the DOUBLE PRECISION value (type code 8,
** precision word 64): a full double, parsed, formatted, converted and
** compared by the same rules as REAL (the shared rules and the comparison
** operators are those of CAsiApproxNum, asi_approx.h), and the result type
** of the exact classes' two-operand arithmetic.
**
**     CAsiDouble d;
**     d = 1.5;                          // not null any more
**     char buf[32]; d.getText(buf, sizeof buf);    // "1.5"
*/
#ifndef PV_SQLCLIENT_VALUES_ASI_DOUBLE_H
#define PV_SQLCLIENT_VALUES_ASI_DOUBLE_H

#include "sqlclient/values/asi_approx.h"

/* The precision word of DOUBLE PRECISION. */
constexpr unsigned ASI_DOUBLE_PRECISION = 64;

class CAsiDouble : public CAsiApproxNum {
public:
    /* A null value, 0.0. */
    CAsiDouble() noexcept;
    /* A copy (the attached object cloned). */
    CAsiDouble(const CAsiDouble &other);
    ~CAsiDouble() override;

    /* Store the number as a double, clear the null flag; the value. */
    CAsiDouble &operator=(long v);
    CAsiDouble &operator=(double v);
    CAsiDouble &operator=(const CAsiDouble &other);

    CAsiDouble *clone() const override;
    int packedSize() const override;
    int pack(CAsiOStream &out) const override;
    int unpack(CAsiIStream &in) override;
    int packedValueSize() const override;
    int packValue(CAsiOStream &out) const override;
    int unpackValue(CAsiIStream &in) override;
    int typeCode() const override { return ASI_TYPE_DOUBLE; }
    unsigned displayLength() const override { return ASI_APPROX_DISPLAY; }
    /* A new DOUBLE PRECISION for any numeric operand, else none. */
    CAsiData *addType(const CAsiData *other) const override;
    CAsiData *subtractType(const CAsiData *other) const override;
    CAsiData *multiplyType(const CAsiData *other) const override;
    CAsiData *divideType(const CAsiData *other) const override;
    /* A copy of the other value when comparable, else none. */
    CAsiData *unionType(const CAsiData *other) const override;
    int isEqual(const CAsiData &other) const override;
    int isGreater(const CAsiData &other) const override;
    int getData(void *buf, int offset, int len) const override;
    int dataSize() const override { return ASI_APPROX_DATA_SIZE; }
    int setWide(const char16_t *text) override;
    int assign(const CAsiData &source) override;
    int setData(const void *buf, int offset, int len) override;
    int setUcStr(const CAsiUcStr &text) override;
    int setText(const char *text, int length) override;
    int setShort(std::int16_t v) override;
    int setLong(std::int32_t v) override;
    int setDouble(double v) override;
    int assignTo(CAsiData &target) const override;
    int getWide(char16_t *buf, int size) const override;
    int getBytes(void *buf, int maxBits, int *bits) const override;
    int getUcStr(CAsiUcStr &out) const override;
    int getText(char *buf, int size) const override;
    int getShort(std::int16_t *out) const override;
    int getLong(std::int32_t *out) const override;
    int getDouble(double *out) const override;
    /* "DOUBLE PRECISION"; 1. */
    int typeText(CAsiUcStr &out) const override;
    /* "null" and 0 when null, else the text and 1. */
    int literalText(CAsiUcStr &out) const override;
    std::int32_t longValue() const override;
    double doubleValue() const override;

private:
    double m_value;   /* the value; meaningful while not null */
};

#endif
