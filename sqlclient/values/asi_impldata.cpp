/*
** asi_impldata.cpp: counted arrays, the shared byte buffer and the
** implementation-type value with its stream form.
**
** Stream items of an implementation-type value: tag 0 (i32 0) when not
** null, tag 1 the type number, tag 2 the type name when not empty, tag 3
** the bytes (type numbers 0 to 3999 only), and the end item carrying -1.
*/
#include "sqlclient/values/asi_impldata.h"

#include <atomic>
#include <cstring>

#include "sqlclient/base/asi_except.h"
#include "sqlclient/base/asi_memory.h"

namespace {

/* Bytes of a byte buffer's body header: reference count and size. */
constexpr int BYTEBUF_HEAD = 8;

/* Body fields. */
std::uint32_t *buf_refs(unsigned char *body)
{
    return (std::uint32_t *)body;
}

std::uint32_t buf_size(const unsigned char *body)
{
    std::uint32_t n;
    std::memcpy(&n, body + 4, 4);
    return n;
}

/* Stream tags of the implementation-type value. */
constexpr int TAG_PRESENT = 0;
constexpr int TAG_TYPE = 1;
constexpr int TAG_NAME = 2;
constexpr int TAG_BYTES = 3;

/* The value its end item carries. */
constexpr int IMPL_END_VALUE = -1;

} // namespace

/* count x size + 9 bytes, the sizes checked so that nothing wraps. */
void *asi_array_alloc(std::uint32_t count, std::uint32_t size) noexcept
{
    std::uint64_t bytes = (std::uint64_t)count * size;   /* at most 2^64 - 2^33 + 1 */
    if (bytes > ASI_MAX_BLOCK - ASI_ARRAY_HEAD - 1)
        return nullptr;
    unsigned char *p = (unsigned char *)asi_malloc_nothrow((std::size_t)bytes + ASI_ARRAY_HEAD + 1);
    if (!p)
        return nullptr;
    std::memcpy(p, &count, 4);
    std::memcpy(p + 4, &size, 4);
    return p + ASI_ARRAY_HEAD;
}

/* Frees the block that starts 8 bytes before p. */
void asi_array_free(void *p) noexcept
{
    if (p)
        asi_mfree((unsigned char *)p - ASI_ARRAY_HEAD);
}

/* Reads the header. */
void asi_array_dims(const void *p, std::uint32_t *count, std::uint32_t *size) noexcept
{
    if (!p)
        return;
    const unsigned char *h = (const unsigned char *)p - ASI_ARRAY_HEAD;
    if (count)
        std::memcpy(count, h, 4);
    if (size)
        std::memcpy(size, h + 4, 4);
}

/* A body of size bytes, or none. */
CAsiByteBuf::CAsiByteBuf(int size, const void *bytes) noexcept : m_body(nullptr)
{
    if (size < 1 || size > ASI_BYTEBUF_MAX)
        return;
    unsigned char *body = (unsigned char *)asi_malloc_nothrow((std::size_t)size + BYTEBUF_HEAD + 4);
    if (!body)
        return;
    std::uint32_t one = 1, n = (std::uint32_t)size;
    std::memcpy(body, &one, 4);
    std::memcpy(body + 4, &n, 4);
    if (bytes)
        std::memcpy(body + BYTEBUF_HEAD, bytes, (std::size_t)size);
    else
        std::memset(body + BYTEBUF_HEAD, 0, (std::size_t)size);
    m_body = body;
}

/* Shares the other's body. */
CAsiByteBuf::CAsiByteBuf(const CAsiByteBuf &other) noexcept : CAsiObject(other), m_body(other.m_body)
{
    if (m_body)
        __atomic_add_fetch(buf_refs(m_body), 1, __ATOMIC_ACQ_REL);
}

/* Shares the other's body, dropping its own. */
CAsiByteBuf &CAsiByteBuf::operator=(const CAsiByteBuf &other) noexcept
{
    if (other.m_body)
        __atomic_add_fetch(buf_refs(other.m_body), 1, __ATOMIC_ACQ_REL);
    drop();
    m_body = other.m_body;
    return *this;
}

/* Drops the body. */
CAsiByteBuf::~CAsiByteBuf()
{
    drop();
}

/* Drops one reference; frees the body at the last; clears the pointer. */
void CAsiByteBuf::drop() noexcept
{
    if (m_body && __atomic_sub_fetch(buf_refs(m_body), 1, __ATOMIC_ACQ_REL) == 0)
        asi_mfree(m_body);
    m_body = nullptr;
}

/* A new buffer sharing the body. */
CAsiByteBuf *CAsiByteBuf::clone() const
{
    return new CAsiByteBuf(*this);
}

/* Bytes held. */
int CAsiByteBuf::size() const noexcept
{
    return m_body ? (int)buf_size(m_body) : 0;
}

/* Copies bytes from offset. */
int CAsiByteBuf::read(void *buf, int offset, int len) const noexcept
{
    int n = size();
    if (!m_body || !buf || len <= 0 || offset < 0 || offset >= n)
        return 0;
    int k = n - offset < len ? n - offset : len;
    std::memcpy(buf, m_body + BYTEBUF_HEAD + offset, (std::size_t)k);
    return k;
}

/* A copy; the buffer is cloned (sharing the bytes). */
CAsiImplData::CAsiImplData(const CAsiImplData &other)
    : CAsiData(other), m_implType(other.m_implType), m_typeName(other.m_typeName)
{
}

/* Takes the other's fields and a clone of its buffer. */
CAsiImplData &CAsiImplData::operator=(const CAsiImplData &other)
{
    if (this != &other) {
        CAsiData::operator=(other);
        m_implType = other.m_implType;
        m_typeName = other.m_typeName;
    }
    return *this;
}

/* The name and the buffer go with the bases. */
CAsiImplData::~CAsiImplData() {}

/* A new copy; throws 0xA008 when it or its buffer cannot be made. */
CAsiImplData *CAsiImplData::clone() const
{
    CAsiImplData *copy = new CAsiImplData(*this);
    if (!copy)
        asi_throw(ASI_ERR_NO_MEMORY, "CAsiImplData::clone");
    if (m_attached && !copy->m_attached) {
        delete copy;
        asi_throw(ASI_ERR_NO_MEMORY, "CAsiImplData::clone");
    }
    return copy;
}

/* Empties the name and deletes the bytes. */
void CAsiImplData::release()
{
    m_typeName.clear();
    CAsiData::release();
}

/* The attached buffer. */
const CAsiByteBuf *CAsiImplData::bytes() const noexcept
{
    return static_cast<const CAsiByteBuf *>(m_attached);
}

/* Length of pack. */
int CAsiImplData::packedSize() const
{
    CAsiOStream counter;
    return pack(counter);
}

/* Writes the value's items; answers the stream's length. */
int CAsiImplData::pack(CAsiOStream &out) const
{
    if (!m_null)
        out.putI32(TAG_PRESENT, 0);
    out.putI32(TAG_TYPE, m_implType);
    if (!m_typeName.isEmpty())
        out.putUcStr(TAG_NAME, m_typeName);
    int n = dataSize();
    if (!m_null && m_implType >= 0 && m_implType < ASI_IMPL_STREAMED_LIMIT && n != 0) {
        unsigned char *p = out.reserveBytes(TAG_BYTES, n);
        if (p)
            getData(p, 0, n);
    }
    out.putEnd(IMPL_END_VALUE);
    return out.length();
}

/* Reads the items back; 1.  A damaged stream throws ASI_ERR_STREAM. */
int CAsiImplData::unpack(CAsiIStream &in)
{
    m_null = 1;
    CAsiData::release();
    for (int tag = in.nextTag(); tag != ASI_STREAM_END; tag = in.nextTag()) {
        switch (tag) {
        case TAG_PRESENT:
            m_null = 0;
            break;
        case TAG_TYPE: {
            std::int32_t t;
            if (!in.readI32(&t))
                asi_throw(ASI_ERR_STREAM, "CAsiImplData::unpack", "bad type item");
            m_implType = t;
            break;
        }
        case TAG_NAME:
            if (!in.readUcStr(m_typeName))
                asi_throw(ASI_ERR_STREAM, "CAsiImplData::unpack", "bad name item");
            break;
        case TAG_BYTES: {
            int len = 0;
            const unsigned char *d = in.data(&len);
            setAttached(new CAsiByteBuf(len, d));   /* none when memory fails */
            break;
        }
        default:
            break;
        }
    }
    return 1;
}

/* The value items are the whole record: as packedSize, pack and unpack. */
int CAsiImplData::packedValueSize() const { return packedSize(); }
int CAsiImplData::packValue(CAsiOStream &out) const { return pack(out); }
int CAsiImplData::unpackValue(CAsiIStream &in) { return unpack(in); }

/* 1 for an implementation-type value of the same type number. */
int CAsiImplData::isAssignable(const CAsiData *other) const
{
    return other && other->typeCode() == ASI_TYPE_IMPL && other->implTypeCode() == m_implType;
}

/* 1 when the other value can be cast to this type, else 0. */
int CAsiImplData::isCastable(const CAsiData *other) const
{
    return isAssignable(other);
}

/* The buffer's read; 0 without a buffer. */
int CAsiImplData::getData(void *buf, int offset, int len) const
{
    return bytes() ? bytes()->read(buf, offset, len) : 0;
}

/* The buffer's size. */
int CAsiImplData::dataSize() const
{
    return bytes() ? bytes()->size() : 0;
}

/* Takes another implementation-type value's type, name, null flag and a
** clone of its buffer; 0 for any other value. */
int CAsiImplData::assign(const CAsiData &source)
{
    if (&source == this)
        return 1;
    const CAsiImplData *other = dynamic_cast<const CAsiImplData *>(&source);
    if (!other)
        return 0;
    CAsiObject *copy = nullptr;
    if (other->m_attached) {
        copy = other->m_attached->clone();
        if (!copy)
            asi_throw(ASI_ERR_NO_MEMORY, "CAsiImplData::assign");
    }
    m_implType = other->m_implType;
    m_typeName = other->m_typeName;
    m_null = other->m_null;
    setAttached(copy);
    return 1;
}

/* "." and the type name. */
int CAsiImplData::typeText(CAsiUcStr &out) const
{
    out = ".";
    out.append(m_typeName);
    return 1;
}

/* No literal form. */
int CAsiImplData::literalText(CAsiUcStr &) const
{
    return 1;
}

/* New bytes. */
int CAsiImplData::setBytes(const void *data, int size)
{
    CAsiByteBuf *b = new CAsiByteBuf(size, data);
    if (b && b->size() == 0) {
        delete b;
        b = nullptr;
    }
    setAttached(b);
    if (!b)
        return 0;
    m_null = 0;
    return 1;
}
