/*
 * The .DBT memo file of a dBASE table and the memo chain of the current
 * record. The memo file is a sequence of 512-byte blocks, block 0 its
 * header; a memo fills consecutive blocks and, in a dBASE III file, ends
 * in the first block holding 0x1A. Tables of version 0x8B (dBASE IV) put an
 * 8-byte header (FF FF 08 00 and the length) before each memo instead.
 * Blocks are never reused: each written record appends its memos.
 *
 * In memory a memo is a chain of block-sized nodes tagged with their field
 * index; its text runs up to the first 0x1A.
 *
 *   dbt_set_memo_text(h, dbf_field_index(h, "NOTES"), "schist", 6);
 *   dbf_write_record(h, n);                       // appends the memo
 */
#include "dbf/dbf_internal.h"
#include "wfile/wfile.h"

#include <cstdlib>
#include <cstring>

constexpr int DBT_HEADER_BLOCK_SIZE_AT = 22;  /* offset of the block size in the header */
constexpr int DBT_MEMO_SIGNATURE_SIZE = 4;    /* FF FF 08 00 before a dBASE IV memo */
static const unsigned char dbt_signature[DBT_MEMO_SIGNATURE_SIZE] = {0xFF, 0xFF, 0x08, 0x00};
static const char dbt_zeros[DBT_BLOCK_SIZE] = {};

/* Empties a memo part: no file, zeroed header, block size 512, no chain. */
void dbt_init(dbt_memo *m)
{
    if (!m) return;
    m->file = nullptr;
    dbt_header_init(&m->header);
    m->block_size = DBT_BLOCK_SIZE;
    m->lines = nullptr;
    m->last = nullptr;
    m->line_count = 0;
}

/* Zeroes a memo header in memory. */
void dbt_header_init(dbt_header *hd)
{
    memset(hd, 0, sizeof *hd);
}

/* Frees every node of the memo chain. */
void dbt_free_lines(dbt_memo *m)
{
    if (!m) return;
    while (dbt_line *l = m->lines) {
        m->lines = l->next;
        free(l->block);
        free(l);
    }
    m->last = nullptr;
    m->line_count = 0;
}

/* Appends a node with a zeroed block to the end of the chain, tagged with
 * field, in constant time (the memo part keeps its last node). Answers it,
 * or none when memory runs out. */
dbt_line *dbt_new_line(dbt_memo *m, int field)
{
    if (!m) return nullptr;
    dbt_line *l = static_cast<dbt_line *>(malloc(sizeof(dbt_line)));
    if (!l) return nullptr;
    l->block = static_cast<char *>(calloc((size_t)m->block_size, 1));
    if (!l->block) {
        free(l);
        return nullptr;
    }
    l->field = field;
    l->next = nullptr;
    if (m->last)
        m->last->next = l;
    else
        m->lines = l;
    m->last = l;
    m->line_count++;
    return l;
}

/* Answers whether the handle's table keeps its memos dBASE IV style. */
static bool dbt_is_dbase4(const dbf_handle *h)
{
    return h->header.version == DBF_VERSION_MEMO4;
}

/* Answers the number of blocks the memo file really holds (a last part
 * block counts whole, the header block always counts), -1 when its size
 * cannot be learnt or does not fit a block number. */
static long long dbt_used_blocks(dbt_memo *m)
{
    if (fseeko(m->file, 0, SEEK_END) != 0) {
        clearerr(m->file);
        return -1;
    }
    long long size = ftello(m->file);
    if (size < 0) return -1;
    long long used = (size + m->block_size - 1) / m->block_size;
    if (used < 1) used = 1;
    return used <= (long long)UINT32_MAX ? used : -1;
}

/* Opens the memo file of the table (the handle's path with extension .DBT,
 * looked up without regard to case), read-only or for update as the table.
 * Answers 1; -1 with memo state 0 or a path too long; -2 when it cannot be
 * opened; -3 when its header cannot be read. */
int dbt_open(dbf_handle *h)
{
    if (!h || h->memo_state != 1) return DBF_ERR_ARG;
    dbt_memo *m = &h->memo;
    if (m->file) fclose(m->file);
    m->file = nullptr;
    if (dbf_set_extension(h->path, sizeof h->path, DBF_EXT_MEMO) != DBF_OK) return DBF_ERR_ARG;
    dbf_match_case(h->path, 0);
    m->file = wf_fopen(h->path, h->mode == DBF_MODE_READ ? "rb" : "r+b");
    if (!m->file) return DBF_ERR_OPEN;
    if (fread(m->header.raw, DBT_HEADER_KEPT, 1, m->file) != 1) {
        fclose(m->file);
        m->file = nullptr;
        return DBF_ERR_FORMAT;
    }
    m->header.next_free = dbf_get32(m->header.raw);
    m->header.block_size = (uint16_t)dbf_get16(m->header.raw + DBT_HEADER_BLOCK_SIZE_AT);
    m->block_size = DBT_BLOCK_SIZE;
    /* The header's next free block is only a hint: the file's real end
     * decides. A number beyond the end (four blanks read as 0x20202020)
     * would make the next write seek gigabytes out and every read run on;
     * one below the end would append over blocks the file already holds. */
    long long used = dbt_used_blocks(m);
    if (used < 0) {
        fclose(m->file);
        m->file = nullptr;
        return DBF_ERR_FORMAT;
    }
    if (used < (long long)m->header.next_free || m->header.next_free < 1
        || (h->mode == DBF_MODE_UPDATE && used > (long long)m->header.next_free))
        m->header.next_free = (uint32_t)used;
    dbt_free_lines(m);
    return DBF_OK;
}

/* Writes the memo header at the start of the memo file: next free block,
 * block size 512 at bytes 22 and 23, the other kept bytes as read, zeros to
 * the end of the block. Answers 1; -1 for no memo file or a read-only
 * handle; -7 when the write fails. */
int dbt_write_header(dbf_handle *h)
{
    if (!h || !h->memo.file || h->mode == DBF_MODE_READ) return DBF_ERR_ARG;
    dbt_memo *m = &h->memo;
    dbf_put32(m->header.raw, m->header.next_free);
    m->header.block_size = DBT_BLOCK_SIZE;
    dbf_put16(m->header.raw + DBT_HEADER_BLOCK_SIZE_AT, DBT_BLOCK_SIZE);
    bool ok = fseeko(m->file, 0, SEEK_SET) == 0
           && fwrite(m->header.raw, DBT_HEADER_KEPT, 1, m->file) == 1
           && fwrite(dbt_zeros, DBT_BLOCK_SIZE - DBT_HEADER_KEPT, 1, m->file) == 1
           && fflush(m->file) == 0;
    if (!ok) {
        clearerr(m->file);
        return DBF_ERR_WRITE;
    }
    return DBF_OK;
}

/* Closes the memo file, first writing its header when the handle is open
 * for update with memo state 1, and frees the chain. Answers 1; -7 when the
 * header or the close fails. */
int dbt_close(dbf_handle *h)
{
    if (!h) return DBF_ERR_ARG;
    dbt_memo *m = &h->memo;
    int rc = DBF_OK;
    if (m->file) {
        if (h->mode == DBF_MODE_UPDATE && h->memo_state == 1 && dbt_write_header(h) != DBF_OK)
            rc = DBF_ERR_WRITE;
        if (fclose(m->file) != 0 && h->mode == DBF_MODE_UPDATE) rc = DBF_ERR_WRITE;
        m->file = nullptr;
    }
    dbt_free_lines(m);
    return rc;
}

/* Creates the memo file of a new table (extension .DBT, a new name made
 * upper-case) with next free block 1, and reopens it. Answers the result
 * of dbt_open (the file is removed again when that fails); -1 for a path
 * too long; -8 when it cannot be created or its header written. */
int dbt_create(dbf_handle *h)
{
    if (!h) return DBF_ERR_ARG;
    dbt_memo *m = &h->memo;
    if (dbf_set_extension(h->path, sizeof h->path, DBF_EXT_MEMO) != DBF_OK) return DBF_ERR_ARG;
    dbf_match_case(h->path, 1);
    m->file = wf_fopen(h->path, "w+b");   /* never through a link */
    if (!m->file) return DBF_ERR_CREATE;
    dbt_header_init(&m->header);
    m->header.next_free = 1;
    m->block_size = DBT_BLOCK_SIZE;
    int saved_mode = h->mode, saved_state = h->memo_state;
    h->mode = DBF_MODE_UPDATE;
    h->memo_state = 1;
    int rc = dbt_close(h);
    if (rc == DBF_OK) rc = dbt_open(h);
    h->mode = saved_mode;
    h->memo_state = saved_state;
    if (rc == DBF_ERR_WRITE) rc = DBF_ERR_CREATE;
    if (rc != DBF_OK) {
        if (m->file) fclose(m->file);
        m->file = nullptr;
        remove(h->path);
    }
    return rc;
}

/* Positions the memo file at block n, or at the next free block when n is
 * not below it. Answers 1; -1 for no file or n below 0; -5 when the seek
 * fails. */
int dbt_seek_block(dbt_memo *m, long n)
{
    if (!m || !m->file || n < 0) return DBF_ERR_ARG;
    unsigned long long block = (unsigned long)n < m->header.next_free ? (unsigned long)n : m->header.next_free;
    if (fseeko(m->file, (off_t)(block * (unsigned)m->block_size), SEEK_SET) != 0) {
        clearerr(m->file);
        return DBF_ERR_SEEK;
    }
    return DBF_OK;
}

/* Reads a dBASE III memo from block on into new chain nodes of field: block
 * after block until one holds 0x1A, the end of the file (0x1A is put after
 * the bytes a short block gave) or the next free block; the last node read
 * always ends in 0x1A. Answers 1; -2 when memory
 * runs out; -5 when the seek fails. */
int dbt_read_blocks(dbf_handle *h, long block, int field)
{
    dbt_memo *m = &h->memo;
    int rc = dbt_seek_block(m, block);
    if (rc != DBF_OK) return rc;
    dbt_line *l = nullptr;
    for (unsigned long b = (unsigned long)block; b < m->header.next_free; b++) {
        l = dbt_new_line(m, field);
        if (!l) return DBF_ERR_OPEN;
        size_t got = fread(l->block, 1, (size_t)m->block_size, m->file);
        if (got < (size_t)m->block_size) {
            clearerr(m->file);
            l->block[got] = (char)DBF_END_MARK;
            break;
        }
        if (memchr(l->block, DBF_END_MARK, (size_t)m->block_size)) break;
    }
    if (l) l->block[m->block_size - 1] = (char)DBF_END_MARK;
    return DBF_OK;
}

/* Reads a dBASE IV memo at block: the 8-byte header gives the length; the
 * text (no longer than the blocks up to the next free one) goes into chain
 * nodes of field, followed by 0x1A. A block without the memo signature is
 * read dBASE III style. Answers 1; -2 when memory runs out; -5 when the
 * seek fails. */
static int dbt_read_dbase4(dbf_handle *h, long block, int field)
{
    dbt_memo *m = &h->memo;
    int rc = dbt_seek_block(m, block);
    if (rc != DBF_OK) return rc;
    unsigned char head[DBT4_MEMO_HEADER];
    if (fread(head, sizeof head, 1, m->file) != 1 || memcmp(head, dbt_signature, sizeof dbt_signature) != 0) {
        clearerr(m->file);
        return dbt_read_blocks(h, block, field);
    }
    unsigned long long length = dbf_get32(head + DBT_MEMO_SIGNATURE_SIZE);
    length = length < DBT4_MEMO_HEADER ? 0 : length - DBT4_MEMO_HEADER;
    unsigned long long room = (unsigned long long)(m->header.next_free - (unsigned long)block) * m->block_size
                            - DBT4_MEMO_HEADER;
    if (length > room) length = room;
    unsigned long long done = 0;
    dbt_line *l = nullptr;
    while (done <= length) {
        l = dbt_new_line(m, field);
        if (!l) return DBF_ERR_OPEN;
        size_t want = (size_t)(length - done < (unsigned long long)m->block_size ? length - done : m->block_size);
        size_t got = want ? fread(l->block, 1, want, m->file) : 0;
        done += got;
        if (got < (size_t)m->block_size) {
            if (got < want) clearerr(m->file);
            l->block[got] = (char)DBF_END_MARK;
            break;
        }
    }
    if (l) l->block[m->block_size - 1] = (char)DBF_END_MARK;
    return DBF_OK;
}

/* Reads the memo starting at block into the chain, its nodes tagged with
 * field. Answers 1; -1 for no memo file, a block below 1 or not below the
 * next free block, or a field out of range; -2 or -5 as the readers. */
int dbt_read_memo(dbf_handle *h, long block, int field)
{
    if (!h || !h->memo.file || block < 1 || (unsigned long)block >= h->memo.header.next_free
        || field < 0 || field >= h->field_count)
        return DBF_ERR_ARG;
    return dbt_is_dbase4(h) ? dbt_read_dbase4(h, block, field) : dbt_read_blocks(h, block, field);
}

/* Parses a memo field's text (decimal digits after blanks) as a block
 * number. Answers it, 0 when the field holds none or an absurd number. */
static unsigned long dbt_block_number(const char *p, int length)
{
    int k = 0;
    while (k < length && p[k] == DBF_BLANK) k++;
    unsigned long n = 0;
    for (; k < length && p[k] >= '0' && p[k] <= '9'; k++) {
        n = n * 10 + (unsigned long)(p[k] - '0');
        if (n > UINT32_MAX) return 0;
    }
    return n;
}

/* Whether a memo field names a block past the file's end; see dbf.h. */
int dbt_block_past_end(dbf_handle *h, int field)
{
    if (!h || !h->memo.file || field < 0 || field >= h->field_count || h->fields[field].type != 'M') return 0;
    const char *p = dbf_field_at(h, field);
    if (!p) return 0;
    unsigned long block = dbt_block_number(p, h->fields[field].length);
    if (block < 1 || block < h->memo.header.next_free) return 0;
    long long used = dbt_used_blocks(&h->memo);
    return used >= 0 && (long long)block >= used;
}

/* Loads the memos of the current record into a fresh chain: each M field
 * whose block number is at least 1 and below the next free block (a memo
 * reads no further than the file's end, whatever its header claims). A
 * memo that cannot be read where it points is skipped. Answers 1; -1 with
 * memo state 0; -2 when memory runs out (the chain then empty). */
int dbf_load_memos(dbf_handle *h)
{
    if (!h || h->memo_state != 1) return DBF_ERR_ARG;
    dbt_free_lines(&h->memo);
    for (int i = 0; i < h->field_count; i++) {
        if (h->fields[i].type != 'M') continue;
        const char *p = dbf_field_at(h, i);
        if (!p) continue;
        unsigned long block = dbt_block_number(p, h->fields[i].length);
        if (block >= 1 && block < h->memo.header.next_free && dbt_read_memo(h, (long)block, i) == DBF_ERR_OPEN) {
            dbt_free_lines(&h->memo);
            return DBF_ERR_OPEN;
        }
    }
    return DBF_OK;
}

/* Gathers field's memo text from the chain into a new heap buffer. Answers
 * the buffer (caller frees) and its length in *length; none when memory
 * runs out. */
static char *dbt_gather_text(const dbf_handle *h, int field, size_t *length)
{
    size_t bs = (size_t)h->memo.block_size, nodes = 0;
    for (const dbt_line *l = h->memo.lines; l; l = l->next)
        if (l->field == field) nodes++;
    char *text = static_cast<char *>(malloc(nodes * bs + 1));
    if (!text) return nullptr;
    size_t n = 0;
    bool ended = false;
    for (const dbt_line *l = h->memo.lines; l && !ended; l = l->next) {
        if (l->field != field) continue;
        const char *end = static_cast<const char *>(memchr(l->block, DBF_END_MARK, bs));
        size_t take = end ? (size_t)(end - l->block) : bs;
        memcpy(text + n, l->block, take);
        n += take;
        ended = end != nullptr;
    }
    if (!ended)
        while (n > 0 && text[n - 1] == '\0') n--;
    *length = n;
    return text;
}

/* Copies the text of field's memo (the bytes of its nodes up to the first
 * 0x1A; without one, all their bytes less trailing NULs) into out, at most
 * size - 1 bytes and a terminator. Answers the text's whole length, 0 when
 * the field has no memo; DBT_NO_MEMORY when memory runs out. */
size_t dbt_memo_text(const dbf_handle *h, int field, char *out, size_t size)
{
    if (out && size) out[0] = '\0';
    if (!h) return 0;
    size_t length = 0;
    char *text = dbt_gather_text(h, field, &length);
    if (!text) return DBT_NO_MEMORY;
    if (out && size) {
        size_t n = length < size - 1 ? length : size - 1;
        memcpy(out, text, n);
        out[n] = '\0';
    }
    free(text);
    return length;
}

/* Replaces the memo of M field field in the chain by text: its nodes are
 * removed and, for a text of length above 0, new ones made holding the
 * text and 0x1A. Answers 1; -1 for memo state 0 or a field that is not a
 * memo field; -2 when memory runs out (the field then has no memo). */
int dbt_set_memo_text(dbf_handle *h, int field, const char *text, size_t length)
{
    if (!h || h->memo_state != 1 || field < 0 || field >= h->field_count
        || h->fields[field].type != 'M' || (length && !text))
        return DBF_ERR_ARG;
    dbt_memo *m = &h->memo;
    for (dbt_line **p = &m->lines; *p;) {
        if ((*p)->field == field) {
            dbt_line *gone = *p;
            *p = gone->next;
            free(gone->block);
            free(gone);
            m->line_count--;
        } else {
            p = &(*p)->next;
        }
    }
    m->last = nullptr;
    for (dbt_line *l = m->lines; l; l = l->next) m->last = l;
    size_t bs = (size_t)m->block_size;
    for (size_t done = 0; length > 0 && done <= length; done += bs) {
        dbt_line *l = dbt_new_line(m, field);
        if (!l) {
            dbt_set_memo_text(h, field, nullptr, 0);
            return DBF_ERR_OPEN;
        }
        size_t n = length - done < bs ? length - done : bs;
        memcpy(l->block, text + done, n);
        if (n < bs) l->block[n] = (char)DBF_END_MARK;
    }
    return DBF_OK;
}

/* Writes text as one memo at the next free block, in the table's style
 * (dBASE III: text, 0x1A 0x1A; dBASE IV: 8-byte header, text), padded with
 * zeros to whole blocks, and advances the next free block. Answers 1 with
 * the first block in *first; -5 when the seek fails; -7 when a write fails. */
int dbt_write_lines(dbf_handle *h, const char *text, size_t length, long *first)
{
    if (!h || !h->memo.file || h->mode == DBF_MODE_READ) return DBF_ERR_ARG;
    dbt_memo *m = &h->memo;
    /* Append at the file's real end when the next free block lies beyond
     * it (the file was cut since it was opened): never leave a hole. */
    long long used = dbt_used_blocks(m);
    if (used < 0) return DBF_ERR_SEEK;
    if (used < (long long)m->header.next_free) m->header.next_free = (uint32_t)used;
    int rc = dbt_seek_block(m, (long)m->header.next_free);
    if (rc != DBF_OK) return rc;
    size_t bs = (size_t)m->block_size;
    size_t total;
    bool ok;
    if (dbt_is_dbase4(h)) {
        unsigned char head[DBT4_MEMO_HEADER];
        memcpy(head, dbt_signature, sizeof dbt_signature);
        dbf_put32(head + DBT_MEMO_SIGNATURE_SIZE, (uint32_t)(length + DBT4_MEMO_HEADER));
        ok = fwrite(head, sizeof head, 1, m->file) == 1;
        total = DBT4_MEMO_HEADER + length;
    } else {
        ok = true;
        total = length + 2;
    }
    ok = ok && (length == 0 || fwrite(text, length, 1, m->file) == 1);
    if (!dbt_is_dbase4(h)) {
        const char marks[2] = {(char)DBF_END_MARK, (char)DBF_END_MARK};
        ok = ok && fwrite(marks, sizeof marks, 1, m->file) == 1;
    }
    size_t pad = (bs - total % bs) % bs;
    ok = ok && (pad == 0 || fwrite(dbt_zeros, pad, 1, m->file) == 1);
    ok = fflush(m->file) == 0 && ok;
    if (!ok) {
        clearerr(m->file);
        return DBF_ERR_WRITE;
    }
    unsigned long long blocks = (total + pad) / bs;
    if (first) *first = (long)m->header.next_free;
    m->header.next_free += (uint32_t)blocks;
    return DBF_OK;
}

/* Writes the memo of field (its chain nodes) at the next free block.
 * Answers 1 with its first block in *block, or 0 there when the field has
 * no memo in the chain; -2 when memory runs out; -5 or -7 as
 * dbt_write_lines. */
int dbt_write_memo(dbf_handle *h, long *block, int field)
{
    if (block) *block = 0;
    if (!h) return DBF_ERR_ARG;
    bool any = false;
    for (const dbt_line *l = h->memo.lines; l && !any; l = l->next) any = l->field == field;
    if (!any) return DBF_OK;
    size_t length = 0;
    char *text = dbt_gather_text(h, field, &length);
    if (!text) return DBF_ERR_OPEN;
    int rc = dbt_write_lines(h, text, length, block);
    free(text);
    return rc;
}

/* Stores the memos of the record buffer: each M field in field order gets
 * its memo written at the next free block and that block number in the
 * field ("%ld" right-aligned), or blanks when it has no memo. Answers 1;
 * -1 unless open for update with memo state 1; -7 when a memo cannot be
 * written or its block number does not fit the field. */
int dbf_store_memos(dbf_handle *h)
{
    if (!h || h->memo_state != 1 || h->mode == DBF_MODE_READ || !h->memo.file) return DBF_ERR_ARG;
    for (int i = 0; i < h->field_count; i++) {
        if (h->fields[i].type != 'M') continue;
        char *p = dbf_field_at(h, i);
        if (!p) continue;
        int width = h->fields[i].length;
        long block = 0;
        if (dbt_write_memo(h, &block, i) != DBF_OK) return DBF_ERR_WRITE;
        memset(p, DBF_BLANK, (size_t)width);
        if (block > 0) {
            char digits[24];
            int n = snprintf(digits, sizeof digits, "%ld", block);
            if (n > width) return DBF_ERR_WRITE;
            memcpy(p + width - n, digits, (size_t)n);
        }
    }
    return DBF_OK;
}

/* Copies the memo blocks of src's field src_field into dst's chain, tagged
 * with dst_field (each block's text, at most one destination block); the
 * last copied block ends in 0x1A. Answers 1; -2 when memory runs out. */
int dbt_copy_lines(dbf_handle *dst, const dbf_handle *src, int src_field, int dst_field)
{
    if (!dst || !src) return DBF_ERR_ARG;
    size_t n = (size_t)(src->memo.block_size < dst->memo.block_size ? src->memo.block_size : dst->memo.block_size);
    dbt_line *last = nullptr;
    for (const dbt_line *l = src->memo.lines; l; l = l->next) {
        if (l->field != src_field) continue;
        last = dbt_new_line(&dst->memo, dst_field);
        if (!last) return DBF_ERR_OPEN;
        memcpy(last->block, l->block, n);
    }
    if (last) last->block[dst->memo.block_size - 1] = (char)DBF_END_MARK;
    return DBF_OK;
}

/* Checks that a table's files are whole, as a table written to its end and
 * closed is: the records the header counts fill the file at path (read as
 * named, so a copy kept under another extension is checked itself, not its
 * table) to its end (an end mark may follow), and every memo block a
 * record points to lies inside memo_path (a table without memo fields
 * needs none; a null memo_path stands for a missing file). Answers 1;
 * DBF_ERR_FORMAT when the count and the size disagree; DBF_ERR_MEMO when a
 * memo lies outside the memo file; the open's or the read's code when the
 * table cannot be read. */
int dbf_check_whole(const char *path, const char *memo_path)
{
    if (!path) return DBF_ERR_ARG;
    dbf_handle h;
    dbf_init(&h);
    int rc = dbf_open_file(&h, path, DBF_MODE_READ, 0, 0);
    if (rc != DBF_OK) return rc;
    long long end = (long long)h.header.header_length + (long long)h.header.record_count * h.header.record_length;
    long long size = fseeko(h.file, 0, SEEK_END) == 0 ? ftello(h.file) : -1;
    h.pos = -1;
    if (size != end && size != end + 1) rc = DBF_ERR_FORMAT;
    bool memo = false;
    for (int i = 0; i < h.field_count; i++) memo = memo || h.file_types[i] == 'M';
    long long blocks = 0;
    if (rc == DBF_OK && memo && memo_path) {
        FILE *m = wf_fopen(memo_path, "rb");
        if (m && fseeko(m, 0, SEEK_END) == 0) blocks = (ftello(m) + DBT_BLOCK_SIZE - 1) / DBT_BLOCK_SIZE;
        if (m) fclose(m);
    }
    for (long n = 0; rc == DBF_OK && memo && n < (long)h.header.record_count; n++) {
        rc = dbf_read_record(&h, n);
        for (int i = 0; rc == DBF_OK && i < h.field_count; i++) {
            if (h.file_types[i] != 'M') continue;
            unsigned long block = dbt_block_number(dbf_field_at(&h, i), h.fields[i].length);
            if (block != 0 && (long long)block >= blocks) rc = DBF_ERR_MEMO;
        }
    }
    dbf_close(&h);
    return rc;
}
