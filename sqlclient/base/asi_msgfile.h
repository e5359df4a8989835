/*
** asi_msgfile.h: CAsiMsgFile, the reader of the .xmx message catalogues
** (asiloc.xmx of the engine, aseloc.xmx of the link client), and the
** catalogue format shared with the tool that builds them.
**
** Format (all numbers little-endian):
**     magic "XMX\x1A" (4 bytes), version u16 (1), reserved u16 (0),
**     count u32 (messages),
**     count index entries of 12 bytes, sorted by set then number:
**         set u16, number u16, offset u32 (from the file's start),
**         characters u32,
**     the texts: UCS-2 characters, each stored scrambled as
**         c ^ asi_msg_key(set, number, k) (k the character's index).
**
**     CAsiMsgFile cat;
**     if (cat.open(path)) cat.text(1, 0x2203, s);
*/
#ifndef PV_SQLCLIENT_BASE_ASI_MSGFILE_H
#define PV_SQLCLIENT_BASE_ASI_MSGFILE_H

#include <cstdint>

#include "sqlclient/base/asi_object.h"
#include "sqlclient/base/asi_ucstr.h"

constexpr char ASI_MSG_MAGIC[4] = {'X', 'M', 'X', '\x1A'};
constexpr int ASI_MSG_VERSION = 1;
constexpr int ASI_MSG_HEAD = 12;         /* bytes before the index */
constexpr int ASI_MSG_ENTRY = 12;        /* bytes of an index entry */
constexpr long ASI_MSG_MAX_FILE = 16L * 1024 * 1024;  /* largest catalogue */
constexpr int ASI_MSG_MAX_TEXT = 8192;   /* longest message (characters) */

/* The scrambling key of character k of message (set, number). */
inline std::uint16_t asi_msg_key(unsigned set, unsigned number, unsigned k)
{
    return (std::uint16_t)(0x5A3Cu + 0x9E37u * k + 31u * set + 17u * number + (k >> 3) * 0x0101u);
}

class CAsiMsgFile : public CAsiObject {
public:
    CAsiMsgFile() noexcept;
    ~CAsiMsgFile() override;
    CAsiMsgFile(const CAsiMsgFile &) = delete;
    CAsiMsgFile &operator=(const CAsiMsgFile &) = delete;

    /* Reads and checks the catalogue at path (closing one open before);
    ** 1 when it is open and indexed, 0 when the file is missing, too large or
    ** damaged. */
    int open(const char *path);

    /* Frees the catalogue. */
    void close() noexcept;

    /* 1 while a catalogue is open. */
    int isOpen() const noexcept { return m_data != nullptr; }

    /* The text of message (set, number) into out; 1, or 0 (out emptied) when
    ** the catalogue is not open or lacks the message. */
    int text(int set, int number, CAsiUcStr &out) const;

private:
    unsigned char *m_data;   /* the whole file (asi_malloc'd), or null */
    std::uint32_t m_size;    /* bytes of m_data */
    std::uint32_t m_count;   /* index entries */
};

#endif
