/*
** asi_impldata.h: the implementation-type value, its shared byte buffer,
** and the counted arrays of the library heap.
**
** CAsiImplData is the value of a column whose type is the driver's own
** (type code -1): an implementation type number, a type name and the raw
** bytes, kept in a CAsiByteBuf attached to the value.  A counted array is a
** heap block with a header (element count, element size) just before its
** first element, which is the address callers hold.
**
**     CAsiData **items = (CAsiData **)asi_array_alloc(n, sizeof(CAsiData *));
**     ...
**     asi_array_free(items);
*/
#ifndef PV_SQLCLIENT_VALUES_ASI_IMPLDATA_H
#define PV_SQLCLIENT_VALUES_ASI_IMPLDATA_H

#include <cstdint>

#include "sqlclient/values/asi_data.h"

/* Bytes a byte buffer holds at most. */
constexpr int ASI_BYTEBUF_MAX = 4096;

/* Implementation type numbers whose bytes travel in the stream. */
constexpr int ASI_IMPL_STREAMED_LIMIT = 4000;

/* Bytes of a counted array's header. */
constexpr int ASI_ARRAY_HEAD = 8;

/* Allocates a counted array of count elements of size bytes (and one spare
** byte); answers the first element's address, or null when the heap gives
** none or count x size does not fit the heap's limit. */
void *asi_array_alloc(std::uint32_t count, std::uint32_t size) noexcept;

/* Frees a counted array; null is ignored. */
void asi_array_free(void *p) noexcept;

/* Reads a counted array's count and element size; with null leaves both
** untouched. */
void asi_array_dims(const void *p, std::uint32_t *count, std::uint32_t *size) noexcept;

/* A reference-counted block of 1 to 4096 bytes. */
class CAsiByteBuf : public CAsiObject {
public:
    /* No body. */
    CAsiByteBuf() noexcept : m_body(nullptr) {}
    /* A body of size bytes copied from bytes (zeros when bytes is null); a
    ** size outside 1 to 4096 or no memory leaves the buffer without a body. */
    CAsiByteBuf(int size, const void *bytes) noexcept;
    CAsiByteBuf(const CAsiByteBuf &other) noexcept;
    CAsiByteBuf &operator=(const CAsiByteBuf &other) noexcept;
    /* Drops the body's reference; frees it at the last. */
    ~CAsiByteBuf() override;

    /* A new buffer sharing the body; null without memory. */
    CAsiByteBuf *clone() const override;

    /* Bytes held; 0 without a body. */
    int size() const noexcept;

    /* Copies min(size - offset, len) bytes from offset into buf and answers
    ** the count; 0 without a body, for a null buf, len <= 0 or an offset
    ** outside the bytes. */
    int read(void *buf, int offset, int len) const noexcept;

private:
    /* Drops the body's reference. */
    void drop() noexcept;

    unsigned char *m_body;   /* shared body: refs u32, size u32, bytes; or null */
};

class CAsiImplData : public CAsiData {
public:
    /* Null, type 0, empty name, no bytes. */
    CAsiImplData() noexcept : m_implType(0) {}
    /* A copy; the bytes are shared through a clone of the buffer. */
    CAsiImplData(const CAsiImplData &other);
    CAsiImplData &operator=(const CAsiImplData &other);
    ~CAsiImplData() override;

    /* A new copy; a failure deletes it and throws 0xA008. */
    CAsiImplData *clone() const override;
    /* Empties the type name and deletes the bytes. */
    void release() override;
    int packedSize() const override;
    int pack(CAsiOStream &out) const override;
    int unpack(CAsiIStream &in) override;
    int packedValueSize() const override;
    int packValue(CAsiOStream &out) const override;
    int unpackValue(CAsiIStream &in) override;
    int typeCode() const override { return ASI_TYPE_IMPL; }
    int implTypeCode() const override { return m_implType; }
    int isUserDefined() const override { return 1; }
    int isAssignable(const CAsiData *other) const override;
    int isCastable(const CAsiData *other) const override;
    int getData(void *buf, int offset, int len) const override;
    int dataSize() const override;
    int assign(const CAsiData &source) override;
    /* "." followed by the type name; 1. */
    int typeText(CAsiUcStr &out) const override;
    /* Writes nothing; 1. */
    int literalText(CAsiUcStr &out) const override;

    /* Sets the implementation type number and the type name. */
    void setImplType(int n) noexcept { m_implType = n; }
    void setTypeName(const CAsiUcStr &name) { m_typeName = name; }
    const CAsiUcStr &typeName() const noexcept { return m_typeName; }

    /* Replaces the bytes by a new buffer of size bytes and clears the null
    ** flag; 1, or 0 (no bytes kept) for a size outside 1 to 4096 or no
    ** memory. */
    int setBytes(const void *bytes, int size);

private:
    /* The attached byte buffer, or null. */
    const CAsiByteBuf *bytes() const noexcept;

    std::int32_t m_implType;   /* implementation type number */
    CAsiUcStr m_typeName;      /* implementation type's name */
};

#endif
