/*
** asi_integer.cpp: SMALLINT and INTEGER values: conversions, text, type
** derivation, comparison and the stream form.
**
** Both classes share asi_int_impl<C>; its constants say where they differ
** (the value's width, the range, the type code).  The operator families
** are in asi_integer_ops.cpp.
*/
#include "sqlclient/values/asi_integer.h"
#include "sqlclient/values/asi_integer_impl.h"

#include "sqlclient/values/asi_decimal.h"

#include <cstdio>
#include <cstring>

/* The member functions of one class, forwarding to asi_int_impl. */
#define INT_MEMBERS(CLS)                                                                          \
    using CLS##_impl = asi_int_impl<CLS>;                                                         \
    /* A null value 0 of the class's precision and scale 0. */                                   \
    CLS::CLS() noexcept : m_value(0)                                                              \
    {                                                                                             \
        m_precision = CLS##_impl::PREC;                                                           \
        m_scale = 0;                                                                              \
    }                                                                                             \
    /* A copy with its own clone of the attached object. */                                      \
    CLS::CLS(const CLS &other) : CAsiExactNum(other), m_value(other.m_value) {}                  \
    /* Nothing of its own to free. */                                                            \
    CLS::~CLS() = default;                                                                        \
    /* A new copy; null without memory. */                                                       \
    CLS *CLS::clone() const { return new CLS(*this); }                                            \
    int CLS::packedSize() const { return CLS##_impl::packedSize(*this); }                         \
    int CLS::pack(CAsiOStream &out) const { return CLS##_impl::pack(*this, out); }                \
    int CLS::unpack(CAsiIStream &in) { return CLS##_impl::unpack(*this, in); }                    \
    int CLS::packedValueSize() const { return CLS##_impl::packedSize(*this); }                    \
    int CLS::packValue(CAsiOStream &out) const { return CLS##_impl::pack(*this, out); }           \
    int CLS::unpackValue(CAsiIStream &in) { return CLS##_impl::unpack(*this, in); }               \
    int CLS::typeCode() const { return CLS##_impl::TYPE; }                                        \
    /* The precision field: 6 or 10. */                                                          \
    unsigned CLS::displayLength() const { return m_precision; }                                   \
    CAsiData *CLS::addType(const CAsiData *o) const { return CLS##_impl::addType(*this, o); }      \
    CAsiData *CLS::subtractType(const CAsiData *o) const { return addType(o); }                   \
    CAsiData *CLS::multiplyType(const CAsiData *o) const { return CLS##_impl::multiplyType(*this, o); } \
    CAsiData *CLS::divideType(const CAsiData *o) const { return multiplyType(o); }                \
    CAsiData *CLS::unionType(const CAsiData *o) const { return CLS##_impl::unionType(*this, o); }  \
    int CLS::isEqual(const CAsiData &o) const { return CLS##_impl::isEqual(*this, o); }           \
    int CLS::isGreater(const CAsiData &o) const { return CLS##_impl::isGreater(*this, o); }       \
    int CLS::getData(void *b, int off, int n) const { return CLS##_impl::getData(*this, b, off, n); } \
    /* The value's byte size: 2 or 4. */                                                         \
    int CLS::dataSize() const { return static_cast<int>(sizeof m_value); }                        \
    int CLS::assign(const CAsiData &s) { return CLS##_impl::assign(*this, s); }                   \
    int CLS::setUcStr(const CAsiUcStr &t) { return CLS##_impl::setUcStr(*this, t); }              \
    int CLS::setText(const char *t, int n) { return CLS##_impl::setText(*this, t, n); }           \
    int CLS::setShort(std::int16_t v) { return CLS##_impl::store(*this, v); }                     \
    int CLS::setLong(std::int32_t v) { return CLS##_impl::storeInt(*this, v); }                   \
    int CLS::setDouble(double v) { return CLS##_impl::storeDouble(*this, v); }                    \
    int CLS::getUcStr(CAsiUcStr &out) const { return CLS##_impl::getUcStr(*this, out); }          \
    int CLS::getText(char *b, int n) const { return CLS##_impl::getText(*this, b, n); }           \
    int CLS::getShort(std::int16_t *out) const { return CLS##_impl::getShort(*this, out); }       \
    /* 0 when null, else the value and 1. */                                                     \
    int CLS::getLong(std::int32_t *out) const                                                     \
    {                                                                                             \
        if (m_null) return 0;                                                                     \
        *out = m_value;                                                                           \
        return 1;                                                                                 \
    }                                                                                             \
    /* 0 when null, else the value and 1. */                                                     \
    int CLS::getDouble(double *out) const                                                         \
    {                                                                                             \
        if (m_null) return 0;                                                                     \
        *out = m_value;                                                                           \
        return 1;                                                                                 \
    }                                                                                             \
    /* "SMALLINT" or "INTEGER". */                                                               \
    int CLS::typeText(CAsiUcStr &out) const                                                       \
    {                                                                                             \
        out = CLS##_impl::NAME;                                                                   \
        return 1;                                                                                 \
    }                                                                                             \
    /* "null" and 0 when null, else the text and getUcStr's answer. */                           \
    int CLS::literalText(CAsiUcStr &out) const                                                    \
    {                                                                                             \
        if (m_null) {                                                                             \
            out = "null";                                                                         \
            return 0;                                                                             \
        }                                                                                         \
        return getUcStr(out);                                                                     \
    }                                                                                             \
    /* The value as a record of 32 digits: 1, or 0 when null. */                                 \
    int CLS::exactDigits(asi_decnum *out) const                                                   \
    {                                                                                             \
        if (m_null) return 0;                                                                     \
        asi_dec_from_long(m_value, out, ASI_DEC_MAX_DIGITS, nullptr);                             \
        return 1;                                                                                 \
    }

INT_MEMBERS(CAsiSmallint)
INT_MEMBERS(CAsiInteger)

/* SMALLINT reads its value whatever the null flag. */
std::int32_t CAsiSmallint::longValue() const { return m_value; }
double CAsiSmallint::doubleValue() const { return m_value; }

/* INTEGER reads 0 for a null value. */
std::int32_t CAsiInteger::longValue() const { return m_null ? 0 : m_value; }
double CAsiInteger::doubleValue() const { return m_null ? 0.0 : m_value; }
