/*
** asi_bit.h: CAsiBit, the BIT and BIT VARYING values (type codes 14 and
** 15): a string of up to 4096 bits, most significant bit of each byte
** first.
**
** Text form: hexadecimal digits ("0A3F"; a length that is not a multiple of
** 4 rounds up to whole digits).  Literal form: X'0A3F', or B'101' when the
** length is not a multiple of 4.  setText reads either literal form or bare
** hexadecimal digits.  Assigning more bits than a value holds cuts them
** with warning 22001; a fixed BIT value given fewer is padded with zero
** bits with warning 01008.
**
**     CAsiBit b(12);
**     b.setFromString(CAsiUcStr("A3F"));
*/
#ifndef PV_SQLCLIENT_VALUES_ASI_BIT_H
#define PV_SQLCLIENT_VALUES_ASI_BIT_H

#include <cstdint>

#include "sqlclient/values/asi_data.h"

/* The longest bit string, in bits and bytes. */
constexpr int ASI_BIT_MAX_BITS = 4096;
constexpr int ASI_BIT_MAX_BYTES = ASI_BIT_MAX_BITS / 8;

class CAsiBit : public CAsiData {
public:
    /* A null BIT(n) (n from 1 to 4096, clamped). */
    explicit CAsiBit(int bits = 1) noexcept;
    CAsiBit(const CAsiBit &other) = default;
    CAsiBit &operator=(const CAsiBit &other) = default;
    ~CAsiBit() override;

    CAsiBit *clone() const override;
    int packedSize() const override;
    int pack(CAsiOStream &out) const override;
    int unpack(CAsiIStream &in) override;
    int packedValueSize() const override;
    int packValue(CAsiOStream &out) const override;
    int unpackValue(CAsiIStream &in) override;
    int typeCode() const override { return m_varying ? ASI_TYPE_VARBIT : ASI_TYPE_BIT; }
    /* The declared length in bits. */
    unsigned length() const override { return m_declared; }
    /* Hexadecimal digits of the effective length. */
    unsigned displayLength() const override;
    int isBit() const override { return 1; }
    int isComparable(const CAsiData *other) const override;
    int isAssignable(const CAsiData *other) const override;
    int isCastable(const CAsiData *other) const override;
    CAsiData *concatType(const CAsiData *other) const override;
    CAsiData *unionType(const CAsiData *other) const override;
    /* Bit by bit; a shorter equal prefix is the smaller. */
    int isEqual(const CAsiData &other) const override;
    int isGreater(const CAsiData &other) const override;
    int getData(void *buf, int offset, int len) const override;
    int dataSize() const override;
    int assign(const CAsiData &source) override;
    int setUcStr(const CAsiUcStr &text) override;
    int setText(const char *text, int length) override;
    int getBytes(void *buf, int maxBits, int *bits) const override;
    int getUcStr(CAsiUcStr &out) const override;
    int getText(char *buf, int size) const override;
    int typeText(CAsiUcStr &out) const override;
    int literalText(CAsiUcStr &out) const override;

    /* Makes the value BIT VARYING. */
    void setVarying() noexcept { m_varying = 1; }

    /* Sets the bits from hexadecimal digits (4 bits each; blanks around are
    ** allowed); 22018 for another character; 1. */
    int setFromString(const CAsiUcStr &hex);

    /* Sets bits bits from bytes (most significant bit first); 1. */
    int setBits(const void *bytes, int bits);

    /* The bits as hexadecimal digits; empty when null.  1, or 0 when null. */
    int getHexText(CAsiUcStr &out) const;

    /* The current length in bits (0 when null). */
    int bitCount() const noexcept { return m_null ? 0 : (int)m_bits; }

private:
    std::uint32_t m_declared;                /* declared length in bits */
    std::uint32_t m_bits;                    /* current length in bits */
    std::int32_t m_varying;                  /* 1: BIT VARYING */
    unsigned char m_data[ASI_BIT_MAX_BYTES]; /* the bits, unused ones zero */
};

#endif
