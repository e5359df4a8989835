/*
** asi_bit.cpp: BIT and BIT VARYING: setting, padding and cutting, text and
** literal forms, comparison and the stream form.
**
** Stream items: tag 0 the bytes when not null, tag 1 the current length in
** bits when not null, tag 2 the declared length when not 1, tag 3 the
** VARYING flag (16-bit 1) when set, then the end item carrying the type
** code (14 or 15).
*/
#include "sqlclient/values/asi_bit.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "sqlclient/base/asi_diag.h"
#include "sqlclient/base/asi_except.h"

namespace {

constexpr int TAG_VALUE = 0;
constexpr int TAG_BITS = 1;
constexpr int TAG_DECLARED = 2;
constexpr int TAG_VARYING = 3;

constexpr int STATE_ZERO_PADDING = 0x0108;
constexpr int STATE_TRUNCATION = 0x2201;
constexpr int STATE_BAD_CAST_TEXT = 0x2212;
constexpr int STATE_CANNOT_CAST = 0x379B;

/* Value of a hexadecimal digit, -1 otherwise. */
int hex_value(int c)
{
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

/* Bit i of a byte string. */
int bit_at(const unsigned char *d, unsigned i)
{
    return (d[i / 8] >> (7 - i % 8)) & 1;
}

/* Bytes of n bits. */
unsigned bit_bytes(unsigned n)
{
    return (n + 7) / 8;
}

} // namespace

/* A null BIT(n). */
CAsiBit::CAsiBit(int bits) noexcept : m_declared(1), m_bits(1), m_varying(0)
{
    if (bits > ASI_BIT_MAX_BITS)
        bits = ASI_BIT_MAX_BITS;
    if (bits >= 1)
        m_declared = m_bits = (std::uint32_t)bits;
    std::memset(m_data, 0, sizeof m_data);
}

/* Destroys the object; the bases free what they own. */
CAsiBit::~CAsiBit() {}

/* A new copy; null without memory. */
CAsiBit *CAsiBit::clone() const
{
    return new CAsiBit(*this);
}

/* Stores bits bits, cut to the declared length (22001) or, when fixed,
** padded with zeros (01008). */
int CAsiBit::setBits(const void *bytes, int bits)
{
    if (bits < 0 || (bits > 0 && !bytes))
        bits = 0;
    unsigned n = (unsigned)bits;
    if (n > m_declared) {
        asi_warn_state(STATE_TRUNCATION);
        n = m_declared;
    }
    unsigned char data[ASI_BIT_MAX_BYTES] = {0};
    if (n)
        std::memcpy(data, bytes, bit_bytes(n));
    if (n % 8)
        data[n / 8] &= (unsigned char)(0xFF << (8 - n % 8));
    if (!m_varying && n < m_declared) {
        asi_warn_state(STATE_ZERO_PADDING);
        n = m_declared;
    }
    std::memcpy(m_data, data, sizeof m_data);
    m_bits = n;
    m_null = 0;
    return 1;
}

/* Reads the digits of [p, end): 4 bits each for hexadecimal, 1 for binary
** (radix 2).  Bits beyond the longest string are counted but not kept, so
** that setBits cuts them once, with one 22001; 22018 for any other
** character. */
static int bit_digits_set(CAsiBit &v, const char *p, const char *end, int radix)
{
    unsigned char data[ASI_BIT_MAX_BYTES] = {0};
    long bits = 0;
    for (; p < end; p++) {
        int d = radix == 2 ? (*p == '0' || *p == '1' ? *p - '0' : -1) : hex_value((unsigned char)*p);
        if (d < 0)
            asi_raise_state(STATE_BAD_CAST_TEXT);
        for (int k = radix == 2 ? 0 : 3; k >= 0; k--, bits++)
            if (bits < ASI_BIT_MAX_BITS && ((d >> k) & 1))
                data[bits / 8] |= (unsigned char)(0x80 >> (bits % 8));
    }
    if (bits > ASI_BIT_MAX_BITS * 2L)
        bits = ASI_BIT_MAX_BITS * 2L;   /* still beyond every declared length */
    return v.setBits(data, (int)bits);
}

/* Hexadecimal digits, 4 bits each. */
int CAsiBit::setFromString(const CAsiUcStr &hex)
{
    int start = 0, end = hex.length();
    while (start < end && asi_uc_is_space(hex.at(start)))
        start++;
    while (end > start && asi_uc_is_space(hex.at(end - 1)))
        end--;
    std::string digits;
    digits.reserve((std::size_t)(end - start));
    for (int i = start; i < end; i++)
        digits += hex.at(i) < 128 ? (char)hex.at(i) : '?';
    return bit_digits_set(*this, digits.data(), digits.data() + digits.size(), 16);
}

/* X'..', B'..' or bare hexadecimal digits, of any length: bits beyond the
** declared length are cut with one 22001. */
int CAsiBit::setText(const char *text, int length)
{
    std::size_t n = 0;
    while (text && (length < 0 || n < (std::size_t)length) && text[n])
        n++;
    const char *p = text ? text : "", *end = p + n;
    while (p < end && *p == ' ')
        p++;
    while (end > p && end[-1] == ' ')
        end--;
    char kind = end - p >= 2 ? (char)(*p & ~0x20) : 0;
    if ( (kind == 'X' || kind == 'B') && p[1] == '\'') {
        if (end - p < 3 || end[-1] != '\'')
            asi_raise_state(STATE_BAD_CAST_TEXT);
        return bit_digits_set(*this, p + 2, end - 1, kind == 'B' ? 2 : 16);
    }
    return bit_digits_set(*this, p, end, 16);
}

/* Sets the value from a string, as setText; a character beyond ASCII is
** no digit (22018). */
int CAsiBit::setUcStr(const CAsiUcStr &text)
{
    std::string mb;
    mb.reserve((std::size_t)text.length());
    for (int i = 0; i < text.length(); i++)
        mb += text.at(i) < 128 && text.at(i) ? (char)text.at(i) : '?';
    return setText(mb.data(), (int)mb.size());
}

/* Copies at most maxBits bits. */
int CAsiBit::getBytes(void *buf, int maxBits, int *bits) const
{
    if (m_null || !buf || maxBits < 0)
        return 0;
    unsigned n = m_bits < (unsigned)maxBits ? m_bits : (unsigned)maxBits;
    std::memcpy(buf, m_data, bit_bytes(n));
    if (n % 8)
        ((unsigned char *)buf)[n / 8] &= (unsigned char)(0xFF << (8 - n % 8));
    if (bits)
        *bits = (int)n;
    return 1;
}

/* Hexadecimal digits of the bits. */
int CAsiBit::getHexText(CAsiUcStr &out) const
{
    out.clear();
    if (m_null)
        return 0;
    static const char digits[] = "0123456789ABCDEF";
    char buf[ASI_BIT_MAX_BITS / 4 + 1];
    unsigned n = (m_bits + 3) / 4;
    for (unsigned i = 0; i < n; i++)
        buf[i] = digits[(m_data[i / 2] >> (i % 2 ? 0 : 4)) & 0xF];
    buf[n] = '\0';
    out = buf;
    return 1;
}

/* The text of getText as a string; 0 when null. */
int CAsiBit::getUcStr(CAsiUcStr &out) const
{
    return getHexText(out);
}

/* The hexadecimal digits, cut to size - 1. */
int CAsiBit::getText(char *buf, int size) const
{
    if (!buf || size < 1)
        return 0;
    CAsiUcStr hex;
    if (!getHexText(hex)) {
        buf[0] = '\0';
        return 0;
    }
    hex.toMb(buf, size);
    return 1;
}

/* Characters of the longest text form. */
unsigned CAsiBit::displayLength() const
{
    return ((m_varying ? m_bits : m_declared) + 3) / 4;
}

/* 1 for a value of the same kind, else 0. */
int CAsiBit::isComparable(const CAsiData *other) const
{
    return other && other->isBit();
}

/* 1 for a value of the same kind, else 0. */
int CAsiBit::isAssignable(const CAsiData *other) const
{
    return isComparable(other);
}

/* 1 when the other value can be cast to this type, else 0. */
int CAsiBit::isCastable(const CAsiData *other) const
{
    return other && (other->isBit() || other->isCharacter());
}

/* BIT VARYING of the summed lengths (at most 4096). */
CAsiData *CAsiBit::concatType(const CAsiData *other) const
{
    if (!isComparable(other))
        return nullptr;
    unsigned n = m_declared + other->length();
    CAsiBit *r = new CAsiBit((int)(n > ASI_BIT_MAX_BITS ? ASI_BIT_MAX_BITS : n));
    if (r && (m_varying || other->typeCode() == ASI_TYPE_VARBIT))
        r->setVarying();
    return r;
}

/* A copy of the longer of the two. */
CAsiData *CAsiBit::unionType(const CAsiData *other) const
{
    if (!isComparable(other))
        return nullptr;
    return m_declared >= other->length() ? clone() : other->clone();
}

/* 1 when equal, 0 when not, -1 when a value is null or of another kind. */
int CAsiBit::isEqual(const CAsiData &other) const
{
    const CAsiBit *o = dynamic_cast<const CAsiBit *>(&other);
    if (m_null || !o || o->m_null)
        return -1;
    return m_bits == o->m_bits && std::memcmp(m_data, o->m_data, bit_bytes(m_bits)) == 0;
}

/* 1 when this value is greater, 0 when not, -1 when a value is null or of another kind. */
int CAsiBit::isGreater(const CAsiData &other) const
{
    const CAsiBit *o = dynamic_cast<const CAsiBit *>(&other);
    if (m_null || !o || o->m_null)
        return -1;
    unsigned n = m_bits < o->m_bits ? m_bits : o->m_bits;
    for (unsigned i = 0; i < n; i++) {
        int a = bit_at(m_data, i), b = bit_at(o->m_data, i);
        if (a != b)
            return a > b;
    }
    return m_bits > o->m_bits;
}

/* The bytes from offset. */
int CAsiBit::getData(void *buf, int offset, int len) const
{
    int n = dataSize();
    if (!buf || len <= 0 || offset < 0 || offset >= n)
        return 0;
    int k = n - offset < len ? n - offset : len;
    std::memcpy(buf, m_data + offset, (std::size_t)k);
    return k;
}

/* Bytes of the value's data. */
int CAsiBit::dataSize() const
{
    return (int)bit_bytes(m_bits);
}

/* From another bit string or text. */
int CAsiBit::assign(const CAsiData &source)
{
    if (&source == this)
        return 1;
    if (source.isNull()) {
        m_null = 1;
        return 1;
    }
    if (const CAsiBit *o = dynamic_cast<const CAsiBit *>(&source)) {
        unsigned char data[ASI_BIT_MAX_BYTES];
        std::memcpy(data, o->m_data, sizeof data);
        return setBits(data, (int)o->m_bits);
    }
    if (source.isCharacter()) {
        char buf[ASI_DATA_TEXT_BUF] = {0};
        source.getText(buf, sizeof buf);
        return setText(buf, (int)std::strlen(buf));
    }
    asi_raise_state(STATE_CANNOT_CAST);
}

/* "BIT", "BIT(n)", "BIT VARYING(n)". */
int CAsiBit::typeText(CAsiUcStr &out) const
{
    char buf[32];
    if (m_varying)
        std::snprintf(buf, sizeof buf, "BIT VARYING(%u)", m_declared);
    else if (m_declared == 1)
        std::snprintf(buf, sizeof buf, "BIT");
    else
        std::snprintf(buf, sizeof buf, "BIT(%u)", m_declared);
    out = buf;
    return 1;
}

/* X'..' or B'..'. */
int CAsiBit::literalText(CAsiUcStr &out) const
{
    if (m_null) {
        out = "null";
        return 0;
    }
    if (m_bits % 4 == 0) {
        CAsiUcStr hex;
        getHexText(hex);
        out = "X'";
        out.append(hex);
    } else {
        out = "B'";
        for (unsigned i = 0; i < m_bits; i++)
            out.append((char16_t)(bit_at(m_data, i) ? u'1' : u'0'));
    }
    out.append(u'\'');
    return 1;
}

/* The byte count of pack, measured with a counting stream. */
int CAsiBit::packedSize() const
{
    CAsiOStream counter;
    return pack(counter);
}

/* Writes the value's items and the end item; answers the stream's length. */
int CAsiBit::pack(CAsiOStream &out) const
{
    if (!m_null) {
        out.putBytes(TAG_VALUE, m_data, (int)bit_bytes(m_bits));
        out.putI32(TAG_BITS, (std::int32_t)m_bits);
    }
    if (m_declared != 1)
        out.putI32(TAG_DECLARED, (std::int32_t)m_declared);
    if (m_varying)
        out.putI16(TAG_VARYING, 1);
    out.putEnd(typeCode());
    return out.length();
}

/* Reads the items; lengths are checked against each other and the limit. */
int CAsiBit::unpack(CAsiIStream &in)
{
    m_null = 1;
    int gotData = 0, dataLen = 0;
    std::int32_t bits = -1, declared = (std::int32_t)m_declared;
    unsigned char data[ASI_BIT_MAX_BYTES] = {0};
    for (int tag = in.nextTag(); tag != ASI_STREAM_END; tag = in.nextTag()) {
        std::int16_t flag;
        switch (tag) {
        case TAG_VALUE: {
            const unsigned char *d = in.data(&dataLen);
            if (dataLen > ASI_BIT_MAX_BYTES)
                asi_throw(ASI_ERR_STREAM, "CAsiBit::unpack", "bit string too long");
            std::memcpy(data, d, (std::size_t)dataLen);
            gotData = 1;
            break;
        }
        case TAG_BITS:
            if (!in.readI32(&bits))
                asi_throw(ASI_ERR_STREAM, "CAsiBit::unpack", "bad length");
            break;
        case TAG_DECLARED:
            if (!in.readI32(&declared) || declared < 1 || declared > ASI_BIT_MAX_BITS)
                asi_throw(ASI_ERR_STREAM, "CAsiBit::unpack", "bad declared length");
            break;
        case TAG_VARYING:
            if (!in.readI16(&flag))
                asi_throw(ASI_ERR_STREAM, "CAsiBit::unpack", "bad flag");
            m_varying = flag ? 1 : 0;
            break;
        default:
            break;
        }
    }
    m_declared = (std::uint32_t)declared;
    if (gotData) {
        if (bits < 0 || bits > declared || bit_bytes((unsigned)bits) != (unsigned)dataLen)
            asi_throw(ASI_ERR_STREAM, "CAsiBit::unpack", "length does not match the bytes");
        std::memset(m_data, 0, sizeof m_data);
        std::memcpy(m_data, data, (std::size_t)dataLen);
        m_bits = (std::uint32_t)bits;
        m_null = 0;
    }
    return 1;
}

/* The value items are the whole record: as packedSize, pack and unpack. */
int CAsiBit::packedValueSize() const { return packedSize(); }
int CAsiBit::packValue(CAsiOStream &out) const { return pack(out); }
int CAsiBit::unpackValue(CAsiIStream &in) { return unpack(in); }
