/*
 * Helpers shared by the files of the dBASE library and by nothing else:
 * little-endian numbers, the blank test and the file-name lookup.
 */
#ifndef PV_DATA_DBF_DBF_INTERNAL_H
#define PV_DATA_DBF_DBF_INTERNAL_H

#include "dbf/dbf.h"

/* Reads a little-endian unsigned 16-bit number from p. */
inline unsigned dbf_get16(const unsigned char *p) { return p[0] | (unsigned)p[1] << 8; }

/* Reads a little-endian unsigned 32-bit number from p. */
inline uint32_t dbf_get32(const unsigned char *p)
{
    return p[0] | (uint32_t)p[1] << 8 | (uint32_t)p[2] << 16 | (uint32_t)p[3] << 24;
}

/* Writes v as a little-endian 16-bit number at p. */
inline void dbf_put16(unsigned char *p, unsigned v) { p[0] = v & 0xFF; p[1] = (v >> 8) & 0xFF; }

/* Writes v as a little-endian 32-bit number at p. */
inline void dbf_put32(unsigned char *p, uint32_t v)
{
    p[0] = v & 0xFF; p[1] = (v >> 8) & 0xFF; p[2] = (v >> 16) & 0xFF; p[3] = (v >> 24) & 0xFF;
}

/* Answers whether byte c counts as blank: at most the space, taken unsigned,
 * so that accented letters (0x80 and up) are text. */
inline bool dbf_is_blank(char c) { return (unsigned char)c <= (unsigned char)DBF_BLANK; }

/* Answers the offset of the last path component's first character. */
size_t dbf_base_offset(const char *path);

/* Answers 1 when the last component of path has a name before its
 * extension, 0 when it is empty (".DBF", "dir/" or "dir/.DBF"). */
int dbf_has_base_name(const char *path);

/* dbf_open of the file at path, its extension set to .DBF when table_ext
 * is 1, else kept (a table's copy under another extension is read itself). */
int dbf_open_file(dbf_handle *h, const char *path, int mode, int want_memo, int table_ext);

#endif
