/*
** asi_data.cpp: the defaults of the abstract SQL value.
**
** Every default answers 0 (or none) except the null flag operations,
** setWide, assignTo and getWide, which work through the value's own
** setUcStr, getText, setText and getUcStr.
*/
#include "sqlclient/values/asi_data.h"

#include <cstring>

#include "sqlclient/base/asi_except.h"

/* Copies the null flag; clones the attached object. */
CAsiData::CAsiData(const CAsiData &other)
    : CAsiObject(other), m_null(other.m_null), m_attached(nullptr)
{
    if (other.m_attached)
        m_attached = other.m_attached->clone();
}

/* Takes the other's null flag and a clone of its attached object. */
CAsiData &CAsiData::operator=(const CAsiData &other)
{
    if (this == &other)
        return *this;
    CAsiObject *copy = other.m_attached ? other.m_attached->clone() : nullptr;
    delete m_attached;
    m_attached = copy;
    m_null = other.m_null;
    return *this;
}

/* Deletes the attached object. */
CAsiData::~CAsiData()
{
    delete m_attached;
    m_attached = nullptr;
}

/* Deletes the attached object; the pointer is cleared so that the
** destructor does not free it again. */
void CAsiData::release()
{
    delete m_attached;
    m_attached = nullptr;
}

/* Replaces the attached object. */
void CAsiData::setAttached(CAsiObject *obj) noexcept
{
    if (obj == m_attached)
        return;
    delete m_attached;
    m_attached = obj;
}

/* The defaults of the abstract value: nothing to do, 0 or none. */
int CAsiData::packedSize() const { return 0; }
int CAsiData::pack(CAsiOStream &) const { return 0; }
int CAsiData::unpack(CAsiIStream &) { return 0; }
int CAsiData::packedValueSize() const { return 0; }
int CAsiData::packValue(CAsiOStream &) const { return 0; }
int CAsiData::unpackValue(CAsiIStream &) { return 0; }
int CAsiData::datetimeCode() const { return 0; }
int CAsiData::intervalCode() const { return 0; }
int CAsiData::implTypeCode() const { return 0; }
unsigned CAsiData::length() const { return 0; }
unsigned CAsiData::precision() const { return 0; }
unsigned CAsiData::scale() const { return 0; }
unsigned CAsiData::timePrecision() const { return 0; }
unsigned CAsiData::timestampPrecision() const { return 0; }
unsigned CAsiData::leadingPrecision() const { return 0; }
unsigned CAsiData::fractionalPrecision() const { return 0; }
unsigned CAsiData::displayLength() const { return 0; }
int CAsiData::isNumeric() const { return 0; }
int CAsiData::isExactNumeric() const { return 0; }
int CAsiData::isApproximateNumeric() const { return 0; }
int CAsiData::isCharacter() const { return 0; }
int CAsiData::isBit() const { return 0; }
int CAsiData::isDatetime() const { return 0; }
int CAsiData::isInterval() const { return 0; }
int CAsiData::isYearMonthInterval() const { return 0; }
int CAsiData::isDayTimeInterval() const { return 0; }
int CAsiData::isUserDefined() const { return 0; }
int CAsiData::isComparable(const CAsiData *) const { return 0; }
int CAsiData::isAssignable(const CAsiData *) const { return 0; }
int CAsiData::isCastable(const CAsiData *) const { return 0; }
CAsiData *CAsiData::addType(const CAsiData *) const { return nullptr; }
CAsiData *CAsiData::subtractType(const CAsiData *) const { return nullptr; }
CAsiData *CAsiData::multiplyType(const CAsiData *) const { return nullptr; }
CAsiData *CAsiData::divideType(const CAsiData *) const { return nullptr; }
CAsiData *CAsiData::concatType(const CAsiData *) const { return nullptr; }
CAsiData *CAsiData::unionType(const CAsiData *) const { return nullptr; }
int CAsiData::isEqual(const CAsiData &) const { return 0; }
int CAsiData::isGreater(const CAsiData &) const { return 0; }
CAsiExtFunc *CAsiData::createFunction(const CAsiUcStr &) const { return nullptr; }
int CAsiData::getData(void *, int, int) const { return 0; }
int CAsiData::dataSize() const { return 0; }
int CAsiData::assign(const CAsiData &) { return 0; }
int CAsiData::setData(const void *, int, int) { return 0; }
int CAsiData::setUcStr(const CAsiUcStr &) { return 0; }
int CAsiData::setText(const char *, int) { return 0; }
int CAsiData::setShort(std::int16_t) { return 0; }
int CAsiData::setLong(std::int32_t) { return 0; }
int CAsiData::setDouble(double) { return 0; }
int CAsiData::getBytes(void *, int, int *) const { return 0; }
int CAsiData::getUcStr(CAsiUcStr &) const { return 0; }
int CAsiData::getText(char *, int) const { return 0; }
int CAsiData::getShort(std::int16_t *) const { return 0; }
int CAsiData::getLong(std::int32_t *) const { return 0; }
int CAsiData::getDouble(double *) const { return 0; }

/* The bounded copy of an input text the setText of the value classes
** work on. */
int asi_text_copy(char *buf, int max, const char *text, int length) noexcept
{
    if (length < 0 || length > max)
        length = max;
    int n = 0;
    while (text && n < length && text[n])
        n++;
    if (n)
        std::memcpy(buf, text, (std::size_t)n);
    buf[n] = '\0';
    return n;
}

/* Sets the null flag. */
void CAsiData::setNull()
{
    m_null = 1;
}

/* The null flag. */
int CAsiData::isNull() const
{
    return m_null;
}

/* 0 while null; else setUcStr of the text. */
int CAsiData::setWide(const char16_t *text)
{
    if (m_null)
        return 0;
    CAsiUcStr s(text);
    return setUcStr(s);
}

/* Passes this value's text to the target's setText; 0 when there is none. */
int CAsiData::assignTo(CAsiData &target) const
{
    char buf[ASI_DATA_TEXT_BUF] = {0};
    if (!getText(buf, sizeof buf))
        return 0;
    return target.setText(buf, ASI_DATA_TEXT_BUF);
}

/* This value's text as UCS-2 into buf; 0 for a null value. */
int CAsiData::getWide(char16_t *buf, int size) const
{
    CAsiUcStr s;
    if (getUcStr(s) != 1)
        return 0;
    s.toUcsBuf(buf, size);
    return 1;
}
