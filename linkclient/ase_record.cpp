/*
** ase_record.cpp: the packed records of CAseBuf read, converted and
** written by a list of column descriptors.  A record holds one value per
** column in the column's result type: a real as 8 bytes, a long as 4
** bytes (both little-endian), a text with its NUL; inside extended data
** the texts are in the tagged form "<code page>\7<text>".
**
**     rec.unpackRecord(chain, columns);            // one element per column
**     rec.packRecord(work, columns, xdata);        // tagged, then 1004 chunks
*/
#include <cstdint>
#include <cstring>

#include "linkclient/ase_buf.h"
#include "linkclient/ase_coldsc.h"
#include "linkclient/ase_errlist.h"
#include "linkclient/ase_list.h"
#include "linkclient/ase_resbuf.h"
#include "sqlclient/base/asi_memory.h"

namespace {

/* A growing block of bytes freed with the object. */
struct rec_work {
    unsigned char *bytes = nullptr;   /* asi_malloc'd, or null */
    int used = 0;                     /* bytes written */
    int room = 0;                     /* bytes allocated */
    ~rec_work() { asi_mfree(bytes); }

    /* Appends n bytes, growing by doubling; 0 without memory or when the
    ** record would pass 1 GiB. */
    int put(const void *p, int n) noexcept
    {
        constexpr int k_record_max = 1 << 30;
        if (n < 0 || n > k_record_max - used)
            return 0;
        if (used + n > room) {
            int want = room ? room : 64;
            while (want < used + n)
                want *= 2;
            void *grown = asi_malloc_nothrow((std::size_t)want);
            if (!grown)
                return 0;
            if (used)
                std::memcpy(grown, bytes, (std::size_t)used);
            asi_mfree(bytes);
            bytes = static_cast<unsigned char *>(grown);
            room = want;
        }
        std::memcpy(bytes + used, p, (std::size_t)n);
        used += n;
        return 1;
    }
};

/* The column descriptor at i of the list, or null when the element is
** not one. */
CAseColDsc *column_at(CAseList &columns, int i) noexcept
{
    CAseObj *obj = columns.item(i);
    return obj && obj->isKindOf(ASE_CLASS_COLDSC) ? static_cast<CAseColDsc *>(obj) : nullptr;
}

/* The length of the text at off inside size bytes, or -1 when it has no
** NUL before the end. */
int text_length(const unsigned char *data, int size, int off) noexcept
{
    const void *nul = std::memchr(data + off, 0, (std::size_t)(size - off));
    return nul ? (int)(static_cast<const unsigned char *>(nul) - (data + off)) : -1;
}

} // namespace

/* Appends one element per column of the list to the chain, reading the
** record from the start of the buffer by each column's result type.  1;
** 0 with (1, 1) for an element that is not a column descriptor or a
** column of another type; 0 when a value runs past the buffer. */
int CAseBuf::unpackRecord(CAseResBuf &chain, CAseList &columns) const noexcept
{
    int off = 0;
    for (int i = 0; i < columns.count(); ++i) {
        CAseColDsc *col = column_at(columns, i);
        if (!col)
            return error(ASE_CAT_ARGUMENT, ASE_ERR_BAD_ARGUMENT);
        switch (col->rbType()) {
        case RTREAL:
            if (!m_data || m_size - off < ASE_PACKED_REAL)
                return 0;
            chain.last();
            if (!chain.append(RTREAL) || !chain.setReal(ase_get_real(m_data + off)))
                return 0;
            off += ASE_PACKED_REAL;
            break;
        case RTLONG:
            if (!m_data || m_size - off < ASE_PACKED_LONG)
                return 0;
            chain.last();
            if (!chain.append(RTLONG) || !chain.setLong((std::int32_t)ase_get_long(m_data + off)))
                return 0;
            off += ASE_PACKED_LONG;
            break;
        case RTSTR: {
            int n = m_data && off < m_size ? text_length(m_data, m_size, off) : -1;
            if (n < 0)
                return 0;
            chain.last();
            if (!chain.appendValue(RTSTR, reinterpret_cast<const char *>(m_data + off)))
                return 0;
            off += n + 1;
            break;
        }
        default:
            return error(ASE_CAT_ARGUMENT, ASE_ERR_BAD_ARGUMENT);
        }
    }
    return 1;
}

/* Writes into this buffer the record of source converted column by
** column: numbers copied, texts into the tagged form with the column's
** character set (direction 1) or back from it into the library's code
** page (direction 0).  The buffer ends exactly as long as the record.  1;
** 0 when the source ends first, (1, 1) for a column of another type, 0
** when a conversion or the growing fails (this buffer then unchanged). */
int CAseBuf::convertRecord(const CAseBuf &source, CAseList &columns, int direction) noexcept
{
    if (!source.isValid() || !m_owner)
        return error(ASE_CAT_ARGUMENT, ASE_ERR_BAD_ARGUMENT);
    rec_work out;
    const unsigned char *src = source.m_data;
    int size = source.m_size, off = 0;
    for (int i = 0; i < columns.count(); ++i) {
        CAseColDsc *col = column_at(columns, i);
        if (!col)
            return error(ASE_CAT_ARGUMENT, ASE_ERR_BAD_ARGUMENT);
        int type = col->rbType();
        if (type == RTREAL || type == RTLONG) {
            int n = type == RTREAL ? ASE_PACKED_REAL : ASE_PACKED_LONG;
            if (size - off < n)
                return 0;
            if (!out.put(src + off, n))
                return error(ASE_CAT_SYSTEM, ASE_ERR_NO_MEMORY);
            off += n;
            continue;
        }
        if (type != RTSTR)
            return error(ASE_CAT_ARGUMENT, ASE_ERR_BAD_ARGUMENT);
        int n = off < size ? text_length(src, size, off) : -1;
        if (n < 0)
            return 0;
        const char *text = reinterpret_cast<const char *>(src + off);
        char *conv = direction == ASE_TO_TAGGED ? m_owner->toTagged(text, col->charSet())
                                                : m_owner->fromTagged(text);
        if (!conv)
            return 0;
        int ok = out.put(conv, (int)std::strlen(conv) + 1);
        m_owner->release(conv);
        if (!ok)
            return error(ASE_CAT_SYSTEM, ASE_ERR_NO_MEMORY);
        off += n + 1;
    }
    if (out.used == 0) {
        clear();
        return 1;
    }
    if (!CAseBuf::alloc(out.used))
        return 0;
    std::memcpy(m_data, out.bytes, (std::size_t)out.used);
    return 1;
}

/* Converts this record into the tagged form in target (first allocated
** with this buffer's size when it is not valid) and appends it to the
** chain as binary chunks.  1, or 0 when a step fails. */
int CAseBuf::packRecord(CAseBuf &target, CAseList &columns, CAseResBuf &chain) const noexcept
{
    if (!isValid())
        return error(ASE_CAT_ARGUMENT, ASE_ERR_BAD_ARGUMENT);
    if (!target.isValid() && !target.CAseBuf::alloc(m_size))
        return 0;
    if (!target.convertRecord(*this, columns, ASE_TO_TAGGED))
        return 0;
    chain.last();
    return target.toChunks(chain);
}
