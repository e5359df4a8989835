/*
** asi_msgfile.cpp: reading a .xmx message catalogue.
**
** The whole file is read into one block and checked once on open: the
** magic, the version, the index inside the file, each text inside the file;
** the lookups then only binary-search the index.
*/
#include "sqlclient/base/asi_msgfile.h"

#include <cstdio>
#include <cstring>

#include "sqlclient/base/asi_memory.h"

namespace {

/* Little-endian readers over checked bytes. */
std::uint16_t msg_u16(const unsigned char *p)
{
    return (std::uint16_t)(p[0] | (p[1] << 8));
}

std::uint32_t msg_u32(const unsigned char *p)
{
    return (std::uint32_t)p[0] | ((std::uint32_t)p[1] << 8) | ((std::uint32_t)p[2] << 16) |
           ((std::uint32_t)p[3] << 24);
}

/* The sort key of an index entry. */
std::uint32_t msg_key(unsigned set, unsigned number)
{
    return (set << 16) | number;
}

} // namespace

/* A reader with no catalogue. */
CAsiMsgFile::CAsiMsgFile() noexcept : m_data(nullptr), m_size(0), m_count(0) {}

/* Frees the catalogue. */
CAsiMsgFile::~CAsiMsgFile()
{
    close();
}

/* Frees the catalogue's block. */
void CAsiMsgFile::close() noexcept
{
    asi_mfree(m_data);
    m_data = nullptr;
    m_size = 0;
    m_count = 0;
}

/* Reads the file and checks every part of it before keeping it. */
int CAsiMsgFile::open(const char *path)
{
    close();
    if (!path)
        return 0;
    std::FILE *f = std::fopen(path, "rb");
    if (!f)
        return 0;
    long size = -1;
    if (std::fseek(f, 0, SEEK_END) == 0)
        size = std::ftell(f);
    if (size < ASI_MSG_HEAD || size > ASI_MSG_MAX_FILE || std::fseek(f, 0, SEEK_SET) != 0) {
        std::fclose(f);
        return 0;
    }
    unsigned char *data = (unsigned char *)asi_malloc_nothrow((std::size_t)size);
    if (!data) {
        std::fclose(f);
        return 0;
    }
    std::size_t got = std::fread(data, 1, (std::size_t)size, f);
    std::fclose(f);
    std::uint32_t count = got == (std::size_t)size ? msg_u32(data + 8) : 0;
    int ok = got == (std::size_t)size && std::memcmp(data, ASI_MSG_MAGIC, 4) == 0 &&
             msg_u16(data + 4) == ASI_MSG_VERSION &&
             count <= (std::uint32_t)((size - ASI_MSG_HEAD) / ASI_MSG_ENTRY);
    std::uint32_t prev = 0;
    for (std::uint32_t i = 0; ok && i < count; i++) {
        const unsigned char *e = data + ASI_MSG_HEAD + (std::size_t)i * ASI_MSG_ENTRY;
        std::uint32_t key = msg_key(msg_u16(e), msg_u16(e + 2));
        std::uint32_t off = msg_u32(e + 4), chars = msg_u32(e + 8);
        if ((i > 0 && key <= prev) || chars > ASI_MSG_MAX_TEXT || off > (std::uint32_t)size ||
            (std::uint64_t)off + 2ull * chars > (std::uint64_t)size)
            ok = 0;
        prev = key;
    }
    if (!ok) {
        asi_mfree(data);
        return 0;
    }
    m_data = data;
    m_size = (std::uint32_t)size;
    m_count = count;
    return 1;
}

/* Finds the message by binary search and unscrambles it. */
int CAsiMsgFile::text(int set, int number, CAsiUcStr &out) const
{
    out.clear();
    if (!m_data || set < 0 || set > 0xFFFF || number < 0 || number > 0xFFFF)
        return 0;
    std::uint32_t want = msg_key((unsigned)set, (unsigned)number);
    std::uint32_t lo = 0, hi = m_count;
    while (lo < hi) {
        std::uint32_t mid = lo + (hi - lo) / 2;
        const unsigned char *e = m_data + ASI_MSG_HEAD + (std::size_t)mid * ASI_MSG_ENTRY;
        std::uint32_t key = msg_key(msg_u16(e), msg_u16(e + 2));
        if (key < want) {
            lo = mid + 1;
        } else if (key > want) {
            hi = mid;
        } else {
            std::uint32_t off = msg_u32(e + 4), chars = msg_u32(e + 8);
            char16_t buf[ASI_MSG_MAX_TEXT];
            for (std::uint32_t k = 0; k < chars; k++)
                buf[k] = (char16_t)(msg_u16(m_data + off + 2 * k) ^ asi_msg_key(set, number, k));
            out.assignUcs(buf, (int)chars);
            return 1;
        }
    }
    return 0;
}
