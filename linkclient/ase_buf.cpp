/*
** ase_buf.cpp: CAseBuf: allocation and growth, copies, packing the values
** of a chain into bytes and splitting bytes into binary chunks.  The
** record operations by column descriptors live in ase_record.cpp.
*/
#include "linkclient/ase_buf.h"

#include <climits>
#include <cstdint>
#include <cstring>

#include "linkclient/ase_errlist.h"
#include "linkclient/ase_msgfile.h"
#include "linkclient/ase_resbuf.h"
#include "sqlclient/base/asi_memory.h"

/* Writes a double as 8 little-endian bytes. */
void ase_put_real(unsigned char *p, double v) noexcept
{
    std::uint64_t bits;
    std::memcpy(&bits, &v, sizeof bits);
    for (int k = 0; k < ASE_PACKED_REAL; ++k)
        p[k] = (unsigned char)(bits >> (8 * k));
}

/* Writes a 32-bit integer as 4 little-endian bytes. */
void ase_put_long(unsigned char *p, long v) noexcept
{
    std::uint32_t u = (std::uint32_t)v;
    for (int k = 0; k < ASE_PACKED_LONG; ++k)
        p[k] = (unsigned char)(u >> (8 * k));
}

/* Reads 8 little-endian bytes as a double. */
double ase_get_real(const unsigned char *p) noexcept
{
    std::uint64_t bits = 0;
    for (int k = ASE_PACKED_REAL - 1; k >= 0; --k)
        bits = (bits << 8) | p[k];
    double v;
    std::memcpy(&v, &bits, sizeof v);
    return v;
}

/* Reads 4 little-endian bytes as a signed 32-bit integer. */
long ase_get_long(const unsigned char *p) noexcept
{
    std::uint32_t u = 0;
    for (int k = ASE_PACKED_LONG - 1; k >= 0; --k)
        u = (u << 8) | p[k];
    return (long)(std::int32_t)u;
}

/* An empty buffer. */
CAseBuf::CAseBuf(CAseErrList *owner) noexcept : CAseObj(owner), m_size(0), m_data(nullptr)
{
}

/* Frees the bytes. */
CAseBuf::~CAseBuf()
{
    asi_mfree(m_data);
    m_data = nullptr;
}

/* Frees the bytes, size 0; 1. */
int CAseBuf::clear()
{
    asi_mfree(m_data);
    m_data = nullptr;
    m_size = 0;
    return 1;
}

/* Adds (2, 27) with the record message for a value a record cannot hold;
** 0. */
int CAseBuf::badValue() const noexcept
{
    if (!m_owner)
        return 0;
    char text[ASE_MSGFILE_TEXT];
    return error(ASE_CAT_SYSTEM, ASE_ERR_BAD_DATA, messageInto(ASE_MSG_SET_RECORD, ASE_MSG_BAD_VALUE, text, sizeof text));
}

/* Replaces the bytes by size new bytes, the first set to 0; 1.  (1, 1)
** for a size of 0 or less, (2, 2) without memory; both answer 0 and keep
** the old bytes. */
int CAseBuf::alloc(int size) noexcept
{
    if (size <= 0)
        return error(ASE_CAT_ARGUMENT, ASE_ERR_BAD_ARGUMENT);
    unsigned char *p = static_cast<unsigned char *>(asi_malloc_nothrow((std::size_t)size));
    if (!p)
        return error(ASE_CAT_SYSTEM, ASE_ERR_NO_MEMORY);
    std::memset(p, 0, (std::size_t)size);
    asi_mfree(m_data);
    m_data = p;
    m_size = size;
    return 1;
}

/* Enlarges the buffer to size bytes keeping its bytes (the new ones
** zeroed); 1, also when it is already that large; (2, 2) and 0 without
** memory. */
int CAseBuf::grow(int size) noexcept
{
    if (size <= m_size)
        return 1;
    unsigned char *p = static_cast<unsigned char *>(asi_malloc_nothrow((std::size_t)size));
    if (!p)
        return error(ASE_CAT_SYSTEM, ASE_ERR_NO_MEMORY);
    std::memset(p, 0, (std::size_t)size);
    if (m_data)
        std::memcpy(p, m_data, (std::size_t)m_size);
    asi_mfree(m_data);
    m_data = p;
    m_size = size;
    return 1;
}

/* Takes a copy of another buffer: 1 for the same object, 0 for null, an
** invalid other empties this buffer (1); else alloc and copy. */
int CAseBuf::assign(const CAseBuf *other) noexcept
{
    if (other == this)
        return 1;
    if (!other)
        return 0;
    if (!other->isValid()) {
        clear();
        return 1;
    }
    unsigned char *keep = other->m_data;
    int n = other->m_size;
    if (!CAseBuf::alloc(n))
        return 0;
    std::memcpy(m_data, keep, (std::size_t)n);
    return 1;
}

/* Replaces the bytes by a copy of length bytes, which may lie in this
** buffer's own block (copied before the old block is freed); 1.  (1, 1)
** for no bytes or a length of 0 or less, (2, 2) without memory; both
** answer 0 and keep the old bytes. */
int CAseBuf::setBytes(const void *bytes, int length) noexcept
{
    if (!bytes || length <= 0)
        return error(ASE_CAT_ARGUMENT, ASE_ERR_BAD_ARGUMENT);
    unsigned char *p = static_cast<unsigned char *>(asi_malloc_nothrow((std::size_t)length));
    if (!p)
        return error(ASE_CAT_SYSTEM, ASE_ERR_NO_MEMORY);
    std::memcpy(p, bytes, (std::size_t)length);
    asi_mfree(m_data);
    m_data = p;
    m_size = length;
    return 1;
}

/* Appends n bytes to a growing work block; 0 without memory or when the
** record would pass INT_MAX bytes. */
static int work_put(unsigned char *&work, int &used, const void *bytes, std::size_t n) noexcept
{
    if (n > (std::size_t)(INT_MAX - used))
        return 0;
    void *grown = asi_malloc_nothrow((std::size_t)used + n);
    if (!grown)
        return 0;
    if (used)
        std::memcpy(grown, work, (std::size_t)used);
    if (n)
        std::memcpy(static_cast<unsigned char *>(grown) + used, bytes, n);
    asi_mfree(work);
    work = static_cast<unsigned char *>(grown);
    used += (int)n;
    return 1;
}

/* Packs the values of a chain, from its cursor to its end, into the
** buffer: binary chunks byte for byte, reals (RTREAL, 1040) as 8 bytes,
** longs (RTLONG, 1071) as 4 bytes, texts (RTSTR, 1000) with their NUL;
** braces (1002) are skipped.  With chunked set only binary chunks are
** packed.  The buffer ends up exactly as long as the packed bytes, or
** minimum bytes (zero-filled) when that is more.  1; 0 with (2, 27) for a
** value of another type, (1, 1) when no value was found, (2, 2) without
** memory; the buffer keeps its bytes on failure. */
int CAseBuf::packChain(CAseResBuf &chain, int chunked, int minimum) noexcept
{
    unsigned char *work = nullptr;
    int used = 0, values = 0, ok = 1;
    unsigned char num[ASE_PACKED_REAL];
    for (const resbuf *rb = chain.get(1); rb && ok; rb = rb->rbnext) {
        int t = rb->restype;
        if (t == ASE_XD_BRACE)
            continue;
        if (chunked && t != ASE_XD_BINARY) {
            asi_mfree(work);
            return badValue();
        }
        switch (t) {
        case ASE_XD_BINARY:
            if (rb->resval.rbinary.clen > 0 && rb->resval.rbinary.buf)
                ok = work_put(work, used, rb->resval.rbinary.buf, (std::size_t)rb->resval.rbinary.clen);
            break;
        case RTREAL: case ASE_XD_REAL:
            ase_put_real(num, rb->resval.rreal);
            ok = work_put(work, used, num, ASE_PACKED_REAL);
            break;
        case RTLONG: case ASE_XD_LONG:
            ase_put_long(num, rb->resval.rlong);
            ok = work_put(work, used, num, ASE_PACKED_LONG);
            break;
        case RTSTR: case ASE_XD_STRING: {
            const char *s = rb->resval.rstring ? rb->resval.rstring : "";
            ok = work_put(work, used, s, std::strlen(s) + 1);
            break;
        }
        default:
            asi_mfree(work);
            return badValue();
        }
        ++values;
    }
    if (!ok) {
        asi_mfree(work);
        return error(ASE_CAT_SYSTEM, ASE_ERR_NO_MEMORY);
    }
    if (values == 0 || used == 0) {
        asi_mfree(work);
        return error(ASE_CAT_ARGUMENT, ASE_ERR_BAD_ARGUMENT);
    }
    int total = used > minimum ? used : minimum;
    if (!CAseBuf::alloc(total)) {
        asi_mfree(work);
        return 0;
    }
    std::memcpy(m_data, work, (std::size_t)used);
    asi_mfree(work);
    return 1;
}

/* Splits the first length bytes (all bytes for -1) into binary chunks of
** group 1004 of at most 127 bytes, appended to the chain in order.  1;
** (1, 1) for an invalid buffer or a bad length, (2, 2) when a chunk cannot
** be made (the chunks made so far stay in the chain). */
int CAseBuf::toChunks(CAseResBuf &chain, int length) const noexcept
{
    if (length < 0)
        length = m_size;
    if (!isValid() || length == 0 || length > m_size)
        return error(ASE_CAT_ARGUMENT, ASE_ERR_BAD_ARGUMENT);
    for (int at = 0; at < length; at += ASE_CHUNK_MAX) {
        int n = length - at < ASE_CHUNK_MAX ? length - at : ASE_CHUNK_MAX;
        if (!chain.append(ASE_XD_BINARY) || !chain.setBinary(m_data + at, n))
            return error(ASE_CAT_SYSTEM, ASE_ERR_NO_MEMORY);
    }
    return 1;
}
