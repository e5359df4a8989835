/*
** asi_stream.h: the value stream in which values travel to and from the
** driver process.
**
** A value is written as tagged items.  An item is a 16-bit tag, a 16-bit
** item type, for the item types 10 to 13 a 16-bit data length in bytes,
** then the data; every number is little-endian.  A value's record ends with
** the item of tag 65535.  Item types and their data:
**
**     1 i8 (1 byte)    2 u8 (1)     3 i16 (2)   4 u16 (2)   5 f32 (4)
**     6 u32 (4)        7 i32 (4)    8 i64 (8)   9 f64 (8)
**     10 multibyte text, 11 reserved block, 12 UCS-2 text (2 bytes per
**     character), 13 byte block: each with its 16-bit length
**
** CAsiOStream writes into a caller's buffer, or only counts when it has
** none.  CAsiIStream reads a buffer; it never reads past it: a truncated or
** damaged stream (an unknown item type, a length beyond the end) throws
** ASI_ERR_STREAM.
**
**     unsigned char buf[64];
**     CAsiOStream out(buf, sizeof buf);
**     out.putI16(1, 5); out.putEnd(7);
**     CAsiIStream in(buf, out.length());
**     while (in.nextTag() != ASI_STREAM_END) { ... }
*/
#ifndef PV_SQLCLIENT_BASE_ASI_STREAM_H
#define PV_SQLCLIENT_BASE_ASI_STREAM_H

#include <cstddef>
#include <cstdint>

class CAsiUcStr;

/* The n bytes (at most 8) at p read little-endian, as every number of the
** stream is written.  (Inline: a reader of plain items calls it for each
** value of a row.) */
inline std::uint64_t asi_le_read(const unsigned char *p, int n) noexcept
{
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
    if (n == 2) {   /* a tag, an item type or a length: one load */
        std::uint16_t w;
        __builtin_memcpy(&w, p, sizeof w);
        return w;
    }
    if (n == 8) {
        std::uint64_t w;
        __builtin_memcpy(&w, p, sizeof w);
        return w;
    }
#endif
    std::uint64_t v = 0;
    for (int i = 0; i < n; i++)
        v |= (std::uint64_t)p[i] << (8 * i);
    return v;
}

/* The tag of the end-of-record item. */
constexpr int ASI_STREAM_END = 65535;

/* Item types. */
constexpr int ASI_ITEM_I8 = 1;
constexpr int ASI_ITEM_U8 = 2;
constexpr int ASI_ITEM_I16 = 3;
constexpr int ASI_ITEM_U16 = 4;
constexpr int ASI_ITEM_F32 = 5;
constexpr int ASI_ITEM_U32 = 6;
constexpr int ASI_ITEM_I32 = 7;
constexpr int ASI_ITEM_I64 = 8;
constexpr int ASI_ITEM_F64 = 9;
constexpr int ASI_ITEM_TEXT = 10;
constexpr int ASI_ITEM_BLOCK = 11;
constexpr int ASI_ITEM_UCS = 12;
constexpr int ASI_ITEM_BYTES = 13;

/* Size of an item's header: tag and type, and the length of counted items. */
constexpr int ASI_ITEM_HEAD = 4;
constexpr int ASI_ITEM_COUNTED_HEAD = 6;

/* The largest data length of a counted item. */
constexpr int ASI_ITEM_MAX_DATA = 65535;

class CAsiOStream {
public:
    /* A counting stream: nothing is written, only the length grows. */
    CAsiOStream() noexcept;
    /* A stream writing into buf of capacity bytes; buf null counts only. */
    CAsiOStream(void *buf, std::size_t capacity) noexcept;
    ~CAsiOStream();
    CAsiOStream(const CAsiOStream &) = delete;
    CAsiOStream &operator=(const CAsiOStream &) = delete;

    /* One item of type 3 (2 bytes), 7 (4 bytes), 6 (4 bytes), 8 (8 bytes),
    ** 9 (8 bytes). */
    void putI16(int tag, std::int16_t v);
    void putI32(int tag, std::int32_t v);
    void putU32(int tag, std::uint32_t v);
    void putI64(int tag, std::int64_t v);
    void putF64(int tag, double v);

    /* One item of type 12: the string's characters with their byte length.
    ** A string of more than 32767 characters throws ASI_ERR_STREAM_FULL. */
    void putUcStr(int tag, const CAsiUcStr &s);

    /* One item of type 13: length bytes of data (length 0 to 65535, else
    ** ASI_ERR_STREAM_FULL).  The data may already stand at the position
    ** reserveBytes gave for it. */
    void putBytes(int tag, const void *data, int length);

    /* Writes the header of a type-13 item of length bytes and answers where
    ** its data go (null when counting); the caller fills them. */
    unsigned char *reserveBytes(int tag, int length);

    /* The end-of-record item: tag 65535 with a signed 32-bit value. */
    void putEnd(std::int32_t v) { putI32(ASI_STREAM_END, v); }

    /* Bytes written, or counted, so far. */
    int length() const noexcept { return (int)m_pos; }

    /* 1 when the stream only counts. */
    int isCounting() const noexcept { return m_buf == nullptr; }

private:
    /* Writes an item header and answers where its data go (null when
    ** counting); throws ASI_ERR_STREAM_FULL when the item does not fit. */
    unsigned char *head(int tag, int type, int dataLen);

    unsigned char *m_buf;     /* caller's buffer, null when counting */
    std::size_t m_capacity;   /* bytes of m_buf */
    std::size_t m_pos;        /* bytes written or counted */
};

class CAsiIStream {
public:
    /* A reader over size bytes of buf (not copied; must outlive it). */
    CAsiIStream(const void *buf, std::size_t size) noexcept;
    CAsiIStream(const CAsiIStream &) = delete;
    CAsiIStream &operator=(const CAsiIStream &) = delete;

    /* Advances to the next item and answers its tag (65535 ends a record).
    ** A truncated or damaged item throws ASI_ERR_STREAM. */
    int nextTag();

    /* The current item's type (0 before the first item). */
    int itemType() const noexcept { return m_type; }

    /* The current item's data and its length in bytes (*len may be null). */
    const unsigned char *data(int *len = nullptr) const noexcept;
    int dataLength() const noexcept { return m_len; }

    /* Copies the current item's data as a signed 16-bit value; 1, or 0 when
    ** the item does not hold exactly 2 bytes. */
    int readI16(std::int16_t *out) const noexcept;

    /* Copies the current item's data as a 32-bit value; 1, or 0 when the item
    ** does not hold exactly 4 bytes or out is null. */
    int readU32(std::uint32_t *out) const noexcept;
    int readI32(std::int32_t *out) const noexcept;

    /* Copies the current 8-byte item (a double or a 64-bit integer) into
    ** the caller's 8 bytes; 1, or 0 when the item does not hold exactly 8
    ** bytes. */
    int readPair(void *out8) const noexcept;
    int readF64(double *out) const noexcept { return readPair(out); }

    /* The current item's data as a UCS-2 string (type 12, an even length);
    ** 1, or 0 (out unchanged) otherwise. */
    int readUcStr(CAsiUcStr &out) const;

    /* Skips items up to and including the end-of-record item. */
    void skipRecord();

    /* Bytes read so far (the start of the next item) and the buffer size. */
    int position() const noexcept { return (int)m_pos; }
    int messageSize() const noexcept { return (int)m_size; }

private:
    const unsigned char *m_buf;   /* the bytes read, not owned */
    std::size_t m_size;           /* bytes of m_buf */
    std::size_t m_pos;            /* start of the next item */
    int m_tag;                    /* current item's tag, -1 before the first */
    int m_type;                   /* current item's type */
    const unsigned char *m_data;  /* current item's data */
    int m_len;                    /* current item's data length */
};

#endif
