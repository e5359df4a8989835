/*
** asi_stream.cpp: writing and reading the tagged items of the value
** stream.  Numbers are stored little-endian byte by byte, whatever the
** machine; the reader checks every header and length against the buffer's
** end before it looks at the data.
*/
#include "sqlclient/base/asi_stream.h"

#include <cstring>

#include "sqlclient/base/asi_except.h"
#include "sqlclient/base/asi_ucstr.h"

namespace {

/* Stores v little-endian in n bytes. */
void put_le(unsigned char *p, std::uint64_t v, int n)
{
    for (int i = 0; i < n; i++)
        p[i] = (unsigned char)(v >> (8 * i));
}


/* The data size of a fixed item type; -1 for counted types, -2 unknown. */
int item_fixed_size(int type)
{
    switch (type) {
    case 0: return 0;
    case ASI_ITEM_I8: case ASI_ITEM_U8: return 1;
    case ASI_ITEM_I16: case ASI_ITEM_U16: return 2;
    case ASI_ITEM_F32: case ASI_ITEM_U32: case ASI_ITEM_I32: return 4;
    case ASI_ITEM_I64: case ASI_ITEM_F64: return 8;
    case ASI_ITEM_TEXT: case ASI_ITEM_BLOCK: case ASI_ITEM_UCS: case ASI_ITEM_BYTES: return -1;
    default: return -2;
    }
}

} // namespace

/* A counting stream. */
CAsiOStream::CAsiOStream() noexcept : m_buf(nullptr), m_capacity(0), m_pos(0) {}

/* A stream over a caller's buffer. */
CAsiOStream::CAsiOStream(void *buf, std::size_t capacity) noexcept
    : m_buf((unsigned char *)buf), m_capacity(buf ? capacity : 0), m_pos(0)
{
}

/* Nothing to free: the buffer is the caller's. */
CAsiOStream::~CAsiOStream() {}

/* Writes an item header; the data's address, null when counting. */
unsigned char *CAsiOStream::head(int tag, int type, int dataLen)
{
    int counted = item_fixed_size(type) == -1;
    if (dataLen < 0 || dataLen > ASI_ITEM_MAX_DATA)
        asi_throw(ASI_ERR_STREAM_FULL, "CAsiOStream", "item too long");
    std::size_t need = (counted ? ASI_ITEM_COUNTED_HEAD : ASI_ITEM_HEAD) + (std::size_t)dataLen;
    if (!m_buf) {
        m_pos += need;
        return nullptr;
    }
    if (need > m_capacity - m_pos)
        asi_throw(ASI_ERR_STREAM_FULL, "CAsiOStream", "buffer full");
    unsigned char *p = m_buf + m_pos;
    put_le(p, (std::uint16_t)tag, 2);
    put_le(p + 2, (std::uint16_t)type, 2);
    if (counted)
        put_le(p + 4, (std::uint16_t)dataLen, 2);
    m_pos += need;
    return p + (counted ? ASI_ITEM_COUNTED_HEAD : ASI_ITEM_HEAD);
}

/* A signed 16-bit item. */
void CAsiOStream::putI16(int tag, std::int16_t v)
{
    if (unsigned char *p = head(tag, ASI_ITEM_I16, 2))
        put_le(p, (std::uint16_t)v, 2);
}

/* A signed 32-bit item. */
void CAsiOStream::putI32(int tag, std::int32_t v)
{
    if (unsigned char *p = head(tag, ASI_ITEM_I32, 4))
        put_le(p, (std::uint32_t)v, 4);
}

/* An unsigned 32-bit item. */
void CAsiOStream::putU32(int tag, std::uint32_t v)
{
    if (unsigned char *p = head(tag, ASI_ITEM_U32, 4))
        put_le(p, v, 4);
}

/* A signed 64-bit item. */
void CAsiOStream::putI64(int tag, std::int64_t v)
{
    if (unsigned char *p = head(tag, ASI_ITEM_I64, 8))
        put_le(p, (std::uint64_t)v, 8);
}

/* A double item (IEEE 754, little-endian). */
void CAsiOStream::putF64(int tag, double v)
{
    std::uint64_t bits;
    std::memcpy(&bits, &v, 8);
    if (unsigned char *p = head(tag, ASI_ITEM_F64, 8))
        put_le(p, bits, 8);
}

/* A UCS-2 string item. */
void CAsiOStream::putUcStr(int tag, const CAsiUcStr &s)
{
    int n = s.length();
    if (n > ASI_ITEM_MAX_DATA / 2)
        asi_throw(ASI_ERR_STREAM_FULL, "CAsiOStream", "string too long");
    if (unsigned char *p = head(tag, ASI_ITEM_UCS, 2 * n)) {
        const char16_t *c = s.ucs();
        for (int i = 0; i < n; i++)
            put_le(p + 2 * i, c[i], 2);
    }
}

/* A byte-block item; the data may already stand where they go. */
void CAsiOStream::putBytes(int tag, const void *data, int length)
{
    unsigned char *p = head(tag, ASI_ITEM_BYTES, length);
    if (p && length > 0 && data && data != p)
        std::memmove(p, data, (std::size_t)length);
}

/* The header of a byte block; where its data go. */
unsigned char *CAsiOStream::reserveBytes(int tag, int length)
{
    return head(tag, ASI_ITEM_BYTES, length);
}

/* A reader over a buffer. */
CAsiIStream::CAsiIStream(const void *buf, std::size_t size) noexcept
    : m_buf((const unsigned char *)buf), m_size(buf ? size : 0), m_pos(0), m_tag(-1), m_type(0),
      m_data(nullptr), m_len(0)
{
}

/* Reads the next item's header, checked against the buffer's end. */
int CAsiIStream::nextTag()
{
    std::size_t left = m_size - m_pos;
    if (left < (std::size_t)ASI_ITEM_HEAD)
        asi_throw(ASI_ERR_STREAM, "CAsiIStream", "stream ends inside an item header");
    const unsigned char *p = m_buf + m_pos;
    int tag = (int)asi_le_read(p, 2), type = (int)asi_le_read(p + 2, 2);
    int size = item_fixed_size(type), headLen = ASI_ITEM_HEAD;
    if (size == -2)
        asi_throw(ASI_ERR_STREAM, "CAsiIStream", "unknown item type");
    if (size == -1) {
        if (left < (std::size_t)ASI_ITEM_COUNTED_HEAD)
            asi_throw(ASI_ERR_STREAM, "CAsiIStream", "stream ends inside an item header");
        size = (int)asi_le_read(p + 4, 2);
        headLen = ASI_ITEM_COUNTED_HEAD;
    }
    if ((std::size_t)size > left - headLen)
        asi_throw(ASI_ERR_STREAM, "CAsiIStream", "item longer than the stream");
    m_tag = tag;
    m_type = type;
    m_data = p + headLen;
    m_len = size;
    m_pos += headLen + size;
    return tag;
}

/* The current item's data. */
const unsigned char *CAsiIStream::data(int *len) const noexcept
{
    if (len)
        *len = m_len;
    return m_data;
}

/* The current item as a signed 16-bit value. */
int CAsiIStream::readI16(std::int16_t *out) const noexcept
{
    if (!m_data || m_len != 2 || !out)
        return 0;
    *out = (std::int16_t)asi_le_read(m_data, 2);
    return 1;
}

/* The current item as an unsigned 32-bit value. */
int CAsiIStream::readU32(std::uint32_t *out) const noexcept
{
    if (!m_data || m_len != 4 || !out)
        return 0;
    *out = (std::uint32_t)asi_le_read(m_data, 4);
    return 1;
}

/* The current item as a signed 32-bit value. */
int CAsiIStream::readI32(std::int32_t *out) const noexcept
{
    std::uint32_t v;
    if (!out || !readU32(&v))
        return 0;
    *out = (std::int32_t)v;
    return 1;
}

/* The current 8-byte item into the caller's 8 bytes. */
int CAsiIStream::readPair(void *out8) const noexcept
{
    if (!m_data || m_len != 8 || !out8)
        return 0;
    std::uint64_t bits = asi_le_read(m_data, 8);
    std::memcpy(out8, &bits, 8);
    return 1;
}

/* The current item as a UCS-2 string. */
int CAsiIStream::readUcStr(CAsiUcStr &out) const
{
    if (!m_data || m_type != ASI_ITEM_UCS || (m_len & 1))
        return 0;
    int n = m_len / 2;
    char16_t buf[ASI_ITEM_MAX_DATA / 2 + 1];
    for (int i = 0; i < n; i++)
        buf[i] = (char16_t)asi_le_read(m_data + 2 * i, 2);
    out.assignUcs(buf, n);
    return 1;
}

/* Skips to just after the end-of-record item. */
void CAsiIStream::skipRecord()
{
    while (nextTag() != ASI_STREAM_END) {
    }
}
