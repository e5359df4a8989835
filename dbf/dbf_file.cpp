/*
 * The .DBF file of a dBASE table: handles, opening (with the checks that
 * keep a damaged header from overflowing a buffer), creating, the header,
 * positioning, and reading and writing whole records.
 *
 *   dbf_handle *h = dbf_new();
 *   dbf_open(h, "proj/ROCK", DBF_MODE_UPDATE, 1);   // finds proj/rock.dbf too
 *   memcpy(dbf_field_ptr(h, "NAME"), "granite", 7); dbf_write_record(h, h->header.record_count);
 *   dbf_close(h); dbf_free(h);
 */
#include "dbf/dbf_internal.h"
#include "wfile/wfile.h"

#include <cstdlib>
#include <cstring>
#include <ctime>

/* Version bytes this library knows; a version is accepted when it is one of
 * them and has both low bits set (0xF5 is known but refused). */
static const unsigned short dbf_versions[] = {0x03, 0x83, 0xF5, 0x8B};
constexpr int DBF_VERSION_COUNT = sizeof dbf_versions / sizeof dbf_versions[0];
constexpr unsigned char DBF_VERSION_LOW_BITS = 0x03;
constexpr unsigned char DBF_VERSION_DBT4 = 0x08;   /* version bit cleared in a table without memo */

/* Makes a new handle, initialised by dbf_init. Answers it, or none when
 * memory runs out. */
dbf_handle *dbf_new()
{
    dbf_handle *h = static_cast<dbf_handle *>(malloc(sizeof(dbf_handle)));
    if (h) dbf_init(h);
    return h;
}

/* Zeroes a header in memory. */
void dbf_header_init(dbf_header *hd)
{
    memset(hd, 0, sizeof *hd);
}

/* Sets a handle to its empty state: no path, no files, read-only, no
 * descriptors or record buffer, memo state 0, current record -1. Buffers
 * are not freed (see dbf_free and dbf_close). */
void dbf_init(dbf_handle *h)
{
    if (!h) return;
    h->path[0] = '\0';
    h->file = nullptr;
    dbf_header_init(&h->header);
    h->fields = nullptr;
    h->file_types = nullptr;
    dbt_init(&h->memo);
    h->record = nullptr;
    h->mode = DBF_MODE_READ;
    h->memo_state = 0;
    h->field_count = 0;
    h->current = -1;
    h->pos = -1;
    h->last_io = DBF_IO_NONE;
}

/* Frees the descriptor array, the record buffer, the memo chain and the
 * handle itself. Files are not closed: callers close first. */
void dbf_free(dbf_handle *h)
{
    if (!h) return;
    free(h->fields);
    free(h->file_types);
    free(h->record);
    dbt_free_lines(&h->memo);
    free(h);
}

/* Answers the index of value in words, -1 when absent. */
int dbf_index_of_word(const unsigned short *words, int count, unsigned short value)
{
    for (int i = 0; words && i < count; i++)
        if (words[i] == value) return i;
    return -1;
}

/* Answers the index of c in chars, -1 when absent (a NUL is never found). */
int dbf_index_of_char(const char *chars, int count, char c)
{
    for (int i = 0; chars && c && i < count; i++)
        if (chars[i] == c) return i;
    return -1;
}

/* Answers whether the version byte is one this library reads. */
static bool dbf_version_accepted(unsigned char v)
{
    return dbf_index_of_word(dbf_versions, DBF_VERSION_COUNT, v) >= 0
        && (v & DBF_VERSION_LOW_BITS) == DBF_VERSION_LOW_BITS;
}

/* Decodes the 32 header bytes of the file into hd. */
static void dbf_header_decode(dbf_header *hd, const unsigned char *b)
{
    hd->version = b[0];
    hd->year = b[1];
    hd->month = b[2];
    hd->day = b[3];
    hd->record_count = dbf_get32(b + 4);
    hd->header_length = (int16_t)dbf_get16(b + 8);
    hd->record_length = (int16_t)dbf_get16(b + 10);
    memcpy(hd->reserved, b + 12, sizeof hd->reserved);
}

/* Encodes hd as the 32 header bytes of the file. */
static void dbf_header_encode(const dbf_header *hd, unsigned char *b)
{
    b[0] = hd->version;
    b[1] = hd->year;
    b[2] = hd->month;
    b[3] = hd->day;
    dbf_put32(b + 4, hd->record_count);
    dbf_put16(b + 8, (uint16_t)hd->header_length);
    dbf_put16(b + 10, (uint16_t)hd->record_length);
    memcpy(b + 12, hd->reserved, sizeof hd->reserved);
}

/* Answers 1 + the sum of the field lengths of the handle's descriptors. */
static long dbf_sum_lengths(const dbf_handle *h)
{
    long sum = 1;
    for (int i = 0; i < h->field_count; i++) sum += h->fields[i].length;
    return sum;
}

/* Answers whether any descriptor has the type letter M. */
static bool dbf_has_memo_fields(const dbf_handle *h)
{
    for (int i = 0; i < h->field_count; i++)
        if (h->fields[i].type == 'M') return true;
    return false;
}

/* Closes the handle after a failed open and answers code. */
static int dbf_open_fail(dbf_handle *h, int code)
{
    dbf_close(h);
    return code;
}

/* Opens the table at path (its extension set to .DBF, its name looked up
 * without regard to case), read-only for mode 1, for update otherwise, with
 * its memo file when want_memo is 1 and the table has memo fields.
 * Answers 1; -1 for no handle or path, or a path too long; -2 when the file
 * cannot be opened or memory runs out; -3 when the header is unreadable,
 * the version refused, the field count or record length does not fit the
 * header, or the terminator is missing; -4 for an invalid descriptor; -9
 * when the memo file cannot be opened. A failed open leaves the handle
 * closed and empty. */
int dbf_open(dbf_handle *h, const char *path, int mode, int want_memo)
{
    return dbf_open_file(h, path, mode, want_memo, 1);
}

int dbf_open_file(dbf_handle *h, const char *path, int mode, int want_memo, int table_ext)
{
    if (!h || !path || !*path) return DBF_ERR_ARG;
    dbf_close(h);

    if (strlen(path) >= sizeof h->path) return DBF_ERR_ARG;
    strcpy(h->path, path);
    if ((table_ext && dbf_set_extension(h->path, sizeof h->path, DBF_EXT_TABLE) != DBF_OK)
        || !dbf_has_base_name(h->path)) {
        h->path[0] = '\0';
        return DBF_ERR_ARG;
    }
    dbf_match_case(h->path, 0);

    /* A table file is never read or written through a link, nor waited on. */
    h->file = wf_fopen(h->path, mode == DBF_MODE_READ ? "rb" : "r+b");
    if (!h->file) return DBF_ERR_OPEN;
    h->mode = mode == DBF_MODE_READ ? DBF_MODE_READ : DBF_MODE_UPDATE;
    h->pos = 0;

    unsigned char head[DBF_HEADER_SIZE];
    if (fread(head, sizeof head, 1, h->file) != 1) return dbf_open_fail(h, DBF_ERR_FORMAT);
    h->pos = DBF_HEADER_SIZE;
    h->last_io = DBF_IO_READ;
    dbf_header_decode(&h->header, head);
    if (!dbf_version_accepted(h->header.version)) return dbf_open_fail(h, DBF_ERR_FORMAT);

    /* The descriptors and their terminator must lie inside the header. */
    int header_length = h->header.header_length;
    int count = header_length < DBF_HEADER_SIZE ? 0 : (header_length - DBF_HEADER_SIZE) / DBF_FIELD_SIZE;
    if (count < 1 || DBF_HEADER_SIZE + DBF_FIELD_SIZE * count + 1 > header_length)
        return dbf_open_fail(h, DBF_ERR_FORMAT);

    h->fields = static_cast<dbf_field *>(calloc((size_t)count, sizeof(dbf_field)));
    h->file_types = static_cast<char *>(calloc((size_t)count, 1));
    if (!h->fields || !h->file_types) return dbf_open_fail(h, DBF_ERR_OPEN);
    h->field_count = count;
    if (fread(h->fields, sizeof(dbf_field), (size_t)count, h->file) != (size_t)count)
        return dbf_open_fail(h, DBF_ERR_FORMAT);
    int terminator = fgetc(h->file);
    h->pos += (long long)DBF_FIELD_SIZE * count + 1;
    for (int i = 0; i < count; i++) {
        h->fields[i].name[DBF_NAME_MAX] = '\0';
        h->file_types[i] = h->fields[i].type;
    }

    int rc = dbf_check_fields(h);
    if (rc != DBF_OK) return dbf_open_fail(h, rc);
    if (terminator != DBF_TERMINATOR) return dbf_open_fail(h, DBF_ERR_FORMAT);
    /* A record must hold its deletion flag and every field. */
    if (h->header.record_length < 1 || h->header.record_length < dbf_sum_lengths(h))
        return dbf_open_fail(h, DBF_ERR_FORMAT);

    h->record = static_cast<char *>(malloc((size_t)h->header.record_length));
    if (!h->record) return dbf_open_fail(h, DBF_ERR_OPEN);
    memset(h->record, DBF_BLANK, (size_t)h->header.record_length);

    h->memo_state = (h->header.version & DBF_VERSION_HAS_MEMO) && want_memo == 1 ? 1 : 0;
    if (!dbf_has_memo_fields(h)) h->memo_state = 0;
    if (h->memo_state == 1) {
        if (dbt_open(h) != DBF_OK) return dbf_open_fail(h, DBF_ERR_MEMO);
    } else {
        for (int i = 0; i < count; i++)
            if (h->fields[i].type == 'M') h->fields[i].type = 'C';
    }
    h->current = -1;
    return DBF_OK;
}

/* Closes the table: closes the memo file, writes header and descriptors
 * back when open for update and adds the end mark 0x1A when the file's last
 * byte is neither 0x1A nor 0; then frees the descriptors and the record
 * buffer and re-initialises the handle. Answers 1; -1 for no handle; -7
 * when the header, the memo header or the end mark could not be written
 * (the files are closed all the same). */
int dbf_close(dbf_handle *h)
{
    if (!h) return DBF_ERR_ARG;
    int rc = DBF_OK;
    if (dbt_close(h) != DBF_OK) rc = DBF_ERR_WRITE;
    if (h->file) {
        if (h->mode == DBF_MODE_UPDATE) {
            if (dbf_write_header(h) != DBF_OK) rc = DBF_ERR_WRITE;
            if (fseeko(h->file, -1, SEEK_END) == 0) {
                int last = fgetc(h->file);
                if (last != EOF && last != DBF_END_MARK && last != 0) {
                    if (fseeko(h->file, 0, SEEK_END) != 0 || fputc(DBF_END_MARK, h->file) == EOF)
                        rc = DBF_ERR_WRITE;
                }
            }
            if (fflush(h->file) != 0) rc = DBF_ERR_WRITE;
        }
        if (fclose(h->file) != 0 && h->mode == DBF_MODE_UPDATE) rc = DBF_ERR_WRITE;
        h->file = nullptr;
    }
    free(h->fields);
    free(h->file_types);
    free(h->record);
    dbt_free_lines(&h->memo);
    dbf_init(h);
    return rc;
}

/* Removes the file at path, for a table whose creation failed half-way. */
static void dbf_remove_file(const char *path)
{
    if (path && *path) remove(path);
}

/* Creates the table the caller described in the handle (path, version,
 * field count and malloc'ed descriptors, mode 0, memo state 1 to keep memo
 * fields): writes header, descriptors and end mark, creates the memo file
 * when memo fields are kept, and reopens the table for update with memo.
 * A version byte this library would not read back becomes 0x03. The
 * header's reserved bytes are zero but for the language-driver byte: the
 * one the caller set (a rebuilt table keeps its own), else Windows-1252.
 * An existing file of that name is replaced; a new name is made upper-case.
 * Answers the result of the reopening dbf_open; -1 for a bad handle, path,
 * mode, field count or a layout too large for the header; -4 for an
 * invalid descriptor (nothing is created); -8 when the date is unavailable
 * or a file cannot be created (the half-made .DBF is removed). */
int dbf_create(dbf_handle *h)
{
    if (!h || h->file || !h->path[0] || h->mode == DBF_MODE_READ || h->field_count < 1 || !h->fields)
        return DBF_ERR_ARG;
    if (h->field_count > (DBF_HEADER_MAX - DBF_HEADER_SIZE - 1) / DBF_FIELD_SIZE
        || dbf_sum_lengths(h) > DBF_HEADER_MAX)
        return DBF_ERR_ARG;
    for (int i = 0; i < h->field_count; i++) h->fields[i].name[DBF_NAME_MAX] = '\0';
    int rc = dbf_check_fields(h);
    if (rc != DBF_OK) return rc;

    time_t now = time(nullptr);
    struct tm today;
    if (now == (time_t)-1 || !localtime_r(&now, &today)) return DBF_ERR_CREATE;
    if (dbf_set_extension(h->path, sizeof h->path, DBF_EXT_TABLE) != DBF_OK
        || !dbf_has_base_name(h->path))
        return DBF_ERR_ARG;
    dbf_match_case(h->path, 1);
    char kept[DBF_PATH_SIZE];
    strcpy(kept, h->path);

    free(h->file_types);
    h->file_types = static_cast<char *>(malloc((size_t)h->field_count));
    if (!h->file_types) return DBF_ERR_CREATE;
    h->file = wf_fopen(h->path, "w+b");   /* never through a link */
    if (!h->file) return DBF_ERR_CREATE;
    h->pos = 0;
    h->last_io = DBF_IO_NONE;

    h->header.year = (unsigned char)today.tm_year;
    h->header.month = (unsigned char)(today.tm_mon + 1);
    h->header.day = (unsigned char)today.tm_mday;
    h->header.record_length = (int16_t)dbf_sum_lengths(h);
    h->header.header_length = (int16_t)(DBF_FIELD_SIZE * h->field_count + DBF_HEADER_SIZE + 1);
    h->header.record_count = 0;
    unsigned char language = h->header.reserved[DBF_LANGUAGE_AT];
    memset(h->header.reserved, 0, sizeof h->header.reserved);
    h->header.reserved[DBF_LANGUAGE_AT] = language ? language : DBF_LANGUAGE_ANSI;

    if (!dbf_has_memo_fields(h)) h->memo_state = 0;
    if (h->memo_state == 1) {
        if (dbt_create(h) != DBF_OK) {
            /* Memo text would be dropped later: refuse the table instead. */
            dbf_close(h);
            dbf_remove_file(kept);
            return DBF_ERR_CREATE;
        }
    } else {
        h->memo_state = 0;
        for (int i = 0; i < h->field_count; i++)
            if (h->fields[i].type == 'M') h->fields[i].type = 'C';
    }
    for (int i = 0; i < h->field_count; i++) h->file_types[i] = h->fields[i].type;
    if (!dbf_version_accepted(h->header.version | DBF_VERSION_HAS_MEMO)) h->header.version = DBF_VERSION_PLAIN;
    if (h->memo_state == 1)
        h->header.version |= DBF_VERSION_HAS_MEMO;
    else
        h->header.version &= (unsigned char)~(DBF_VERSION_HAS_MEMO | DBF_VERSION_DBT4);

    char memo_path[DBF_PATH_SIZE];
    strcpy(memo_path, h->memo_state == 1 ? h->path : "");
    if (dbf_close(h) != DBF_OK) {
        dbf_remove_file(kept);
        dbf_remove_file(memo_path);
        return DBF_ERR_CREATE;
    }
    return dbf_open(h, kept, DBF_MODE_UPDATE, 1);
}

/* Writes the 32-byte header, the descriptors (each with its type letter as
 * on file, so memo fields read as text stay memo fields) and the terminator
 * at the start of the file, flushes, and sets the current record to -1.
 * Answers 1; -1 for no file or a read-only handle; -7 when a write fails. */
int dbf_write_header(dbf_handle *h)
{
    if (!h || !h->file || h->mode == DBF_MODE_READ) return DBF_ERR_ARG;
    h->current = -1;
    h->pos = -1;
    h->last_io = DBF_IO_NONE;
    unsigned char head[DBF_HEADER_SIZE];
    dbf_header_encode(&h->header, head);
    if (fseeko(h->file, 0, SEEK_SET) != 0) return DBF_ERR_WRITE;
    bool ok = fwrite(head, sizeof head, 1, h->file) == 1;
    for (int i = 0; ok && i < h->field_count; i++) {
        dbf_field f = h->fields[i];
        if (h->file_types && h->file_types[i]) f.type = h->file_types[i];
        ok = fwrite(&f, sizeof f, 1, h->file) == 1;
    }
    ok = ok && fputc(DBF_TERMINATOR, h->file) != EOF;
    ok = fflush(h->file) == 0 && ok;
    if (!ok) {
        clearerr(h->file);
        return DBF_ERR_WRITE;
    }
    return DBF_OK;
}

/* Answers the offset of the end mark: header length + count x record length. */
static long long dbf_end_offset(const dbf_handle *h)
{
    return (long long)h->header.header_length
         + (long long)h->header.record_count * h->header.record_length;
}

/* Positions the file at record n: -1 or 0 at the first record, -2 at the
 * end mark, a record below the count at its place, any larger n at the end
 * mark (where an appended record goes). A position the stream already has
 * is not sought again, so sequential reading and appending never move it.
 * Answers 1; -1 for no file or n below -2; -5 when the seek fails. */
int dbf_seek_record(dbf_handle *h, long n)
{
    if (!h || !h->file || n < -2) return DBF_ERR_ARG;
    long long at;
    if (n == -1 || n == 0)
        at = h->header.header_length;
    else if (n >= 0 && (unsigned long)n < h->header.record_count)
        at = h->header.header_length + (long long)n * h->header.record_length;
    else
        at = dbf_end_offset(h);
    if (at == h->pos) return DBF_OK;
    if (fseeko(h->file, (off_t)at, SEEK_SET) != 0) {
        clearerr(h->file);
        h->pos = -1;
        return DBF_ERR_SEEK;
    }
    h->pos = at;
    h->last_io = DBF_IO_NONE;
    return DBF_OK;
}

/* Makes the stream ready for an operation of kind io: C stdio needs a seek
 * between a read and a following write (and the other way round). */
static void dbf_switch_io(dbf_handle *h, int io)
{
    if (h->last_io != DBF_IO_NONE && h->last_io != io) fseeko(h->file, 0, SEEK_CUR);
    h->last_io = io;
}

/* Reads one record's bytes at the current position into the record buffer.
 * Answers 1; -6 when they cannot be read (the stream's error is cleared). */
int dbf_read_buffer(dbf_handle *h)
{
    if (!h || !h->file || !h->record) return DBF_ERR_READ;
    dbf_switch_io(h, DBF_IO_READ);
    if (fread(h->record, (size_t)h->header.record_length, 1, h->file) != 1) {
        clearerr(h->file);
        h->pos = -1;
        h->last_io = DBF_IO_NONE;
        return DBF_ERR_READ;
    }
    if (h->pos >= 0) h->pos += h->header.record_length;
    return DBF_OK;
}

/* Writes the record buffer at the current position. Answers 1; -7 when the
 * write fails (the stream's error is cleared). */
int dbf_write_buffer(dbf_handle *h)
{
    if (!h || !h->file || !h->record) return DBF_ERR_WRITE;
    dbf_switch_io(h, DBF_IO_WRITE);
    if (fwrite(h->record, (size_t)h->header.record_length, 1, h->file) != 1) {
        clearerr(h->file);
        h->pos = -1;
        h->last_io = DBF_IO_NONE;
        return DBF_ERR_WRITE;
    }
    if (h->pos >= 0) h->pos += h->header.record_length;
    return DBF_OK;
}

/* Reads record n into the record buffer and, with memo state 1, its memos
 * into the memo chain; n becomes the current record. Answers 1; -1 for no
 * file or n outside 0 to count - 1; -5 when the seek fails; -6 when the
 * record cannot be read; -2 when memory runs out for a memo (never taken
 * for a record without one). */
int dbf_read_record(dbf_handle *h, long n)
{
    if (!h || !h->file || n < 0 || (unsigned long)n >= h->header.record_count) return DBF_ERR_ARG;
    int rc = dbf_seek_record(h, n);
    if (rc != DBF_OK) return rc;
    rc = dbf_read_buffer(h);
    if (rc != DBF_OK) return rc;
    h->current = n;
    return h->memo_state == 1 ? dbf_load_memos(h) : DBF_OK;
}

/* Writes the record buffer as record n: first its memos (memo state 1) at
 * the end of the memo file, then the record. An n not below the record
 * count appends: the record goes at header length + count x record length,
 * the count grows by one and the end mark 0x1A follows, whether or not the
 * file had one. Answers 1; -1 for no file, n below 0 or a read-only handle;
 * -5 when the seek fails; -7 when a write fails. */
int dbf_write_record(dbf_handle *h, long n)
{
    if (!h || !h->file || !h->record || n < 0 || h->mode == DBF_MODE_READ) return DBF_ERR_ARG;
    if (h->memo_state == 1) {
        int rc = dbf_store_memos(h);
        if (rc != DBF_OK) return DBF_ERR_WRITE;
    }
    int rc = dbf_seek_record(h, n);
    if (rc != DBF_OK) return rc;
    if (dbf_write_buffer(h) != DBF_OK) return DBF_ERR_WRITE;
    if ((unsigned long)n < h->header.record_count) {
        h->current = n;
        return DBF_OK;
    }
    long long end = h->pos;
    if (fputc(DBF_END_MARK, h->file) == EOF || fseeko(h->file, (off_t)end, SEEK_SET) != 0) {
        clearerr(h->file);
        h->pos = -1;
        h->last_io = DBF_IO_NONE;
        return DBF_ERR_WRITE;
    }
    h->pos = end;
    h->last_io = DBF_IO_NONE;
    h->current = (long)h->header.record_count;
    h->header.record_count++;
    return DBF_OK;
}

/* Answers 1 when the record buffer's deletion flag is '*', else 0; -1 for a
 * handle without record buffer. */
int dbf_is_deleted(const dbf_handle *h)
{
    if (!h || !h->record) return DBF_ERR_ARG;
    return h->record[0] == DBF_DELETED ? 1 : 0;
}
