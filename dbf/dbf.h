/*
 * dBASE III table files: the .DBF file (header, field descriptors and
 * fixed-length records) and its .DBT memo file (text in 512-byte blocks).
 *
 * This library stands alone (only the C runtime's buffered files) so that
 * both the application's data layer and the DB3 driver program link it.
 * Every operation answers 1 on success (predicates 1 or 0) and one of the
 * negative DBF_ERR_ codes below on failure; nothing is printed.
 *
 *   dbf_handle *h = dbf_new();
 *   if (dbf_open(h, "/proj/STATN", DBF_MODE_READ, 1) == 1 && dbf_read_record(h, 0) == 1) ...
 *   dbf_close(h); dbf_free(h);
 */
#ifndef PV_DATA_DBF_DBF_H
#define PV_DATA_DBF_DBF_H

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

/* Sizes and limits of the file format. */
constexpr int DBF_PATH_SIZE = 1024;       /* path buffer of a handle, terminator included;
                                             deep project directories must fit */
constexpr int DBF_HEADER_SIZE = 32;       /* bytes of the file header */
constexpr int DBF_FIELD_SIZE = 32;        /* bytes of one field descriptor */
constexpr int DBF_NAME_SIZE = 11;         /* bytes of a descriptor's name, NUL padded */
constexpr int DBF_NAME_MAX = 10;          /* significant characters of a field name */
constexpr int DBF_NUMBER_MAX = 20;        /* longest N field */
constexpr int DBF_HEADER_MAX = 32767;     /* header and record lengths are signed 16-bit */
constexpr int DBT_BLOCK_SIZE = 512;       /* bytes of a memo block */
constexpr int DBT_HEADER_KEPT = 28;       /* bytes of the memo header kept in memory */
constexpr int DBT4_MEMO_HEADER = 8;       /* bytes before each memo of a version 0x8B table */

constexpr unsigned char DBF_TERMINATOR = 0x0D; /* ends the field descriptors */
constexpr unsigned char DBF_END_MARK = 0x1A;   /* follows the last record; ends a memo */
constexpr unsigned char DBF_VERSION_PLAIN = 0x03; /* dBASE III without memo */
constexpr unsigned char DBF_VERSION_MEMO = 0x83;  /* dBASE III with memo */
constexpr unsigned char DBF_VERSION_MEMO4 = 0x8B; /* dBASE IV with memo */
constexpr unsigned char DBF_VERSION_HAS_MEMO = 0x80; /* version bit: a memo file exists */
constexpr int DBF_LANGUAGE_AT = 17;      /* index in the header's reserved bytes of the
                                             language-driver byte (byte 29 of the file) */
constexpr unsigned char DBF_LANGUAGE_ANSI = 0x03; /* language driver: Windows-1252, the
                                             code page of every text this library writes */
constexpr char DBF_DELETED = '*';         /* deletion flag of a deleted record */
constexpr char DBF_BLANK = ' ';           /* fill of fields and of a live record's flag */

constexpr const char *DBF_TYPE_LETTERS = "CNLMDFPG"; /* field types this library reads */
constexpr const char *DBF_EXT_TABLE = ".DBF";
constexpr const char *DBF_EXT_MEMO = ".DBT";

/* Modes of a handle. */
constexpr int DBF_MODE_UPDATE = 0;        /* read and write */
constexpr int DBF_MODE_READ = 1;          /* read-only */

/* Results. */
constexpr int DBF_OK = 1;
constexpr int DBF_ERR_ARG = -1;      /* bad argument or state, absent field, out of range */
constexpr int DBF_ERR_OPEN = -2;     /* a file could not be opened, or memory ran out */
constexpr int DBF_ERR_FORMAT = -3;   /* not a table (or memo file) this library reads */
constexpr int DBF_ERR_FIELD = -4;    /* a field descriptor is invalid */
constexpr int DBF_ERR_SEEK = -5;     /* a seek failed */
constexpr int DBF_ERR_READ = -6;     /* a record could not be read */
constexpr int DBF_ERR_WRITE = -7;    /* a write failed */
constexpr int DBF_ERR_CREATE = -8;   /* a file could not be created */
constexpr int DBF_ERR_MEMO = -9;     /* the memo file of a memo table could not be opened */
constexpr int DBF_ERR_OVERFLOW = -10; /* dbf_copy_record: a number did not fit its N field */

/* The 32-byte file header as held in memory (written little-endian). */
struct dbf_header {
    unsigned char version;        /* version byte; bit 7 = has a memo file */
    unsigned char year;           /* year of the last update - 1900 */
    unsigned char month;          /* 1 to 12 */
    unsigned char day;            /* 1 to 31 */
    uint32_t record_count;        /* records in the file */
    int16_t header_length;        /* bytes before the first record */
    int16_t record_length;        /* bytes of one record, deletion flag included */
    unsigned char reserved[20];   /* kept as read, zero in a new file */
};

/* One field descriptor: exactly the 32 bytes of the file. */
struct dbf_field {
    char name[DBF_NAME_SIZE];     /* field name, NUL padded; byte 10 is 0 */
    char type;                    /* type letter, one of DBF_TYPE_LETTERS */
    unsigned char reserved1[4];   /* kept as read */
    unsigned char length;         /* field width in characters */
    unsigned char decimals;       /* decimal count of an N field */
    unsigned char reserved2[14];  /* kept as read */
};
static_assert(sizeof(dbf_field) == DBF_FIELD_SIZE, "a descriptor is 32 bytes");

/* One block of a memo in memory. */
struct dbt_line {
    char *block;                  /* block-size bytes, owned */
    int field;                    /* index of its M field, -1 when not yet set */
    dbt_line *next;               /* next block of the record's chain */
};

/* Header of the .DBT file as held in memory. */
struct dbt_header {
    uint32_t next_free;           /* next free block number (bytes 0 to 3) */
    uint16_t block_size;          /* block size in bytes (bytes 22 and 23), always 512 */
    unsigned char raw[DBT_HEADER_KEPT]; /* the first 28 bytes as read, for the kept ones */
};

/* The memo part of a handle. */
struct dbt_memo {
    FILE *file;                   /* the .DBT, or none; owned */
    dbt_header header;            /* its header */
    int block_size;               /* bytes of a block, 512 whenever the file is opened */
    dbt_line *lines;              /* memo blocks of the current record, owned */
    dbt_line *last;               /* last node of lines (appends take no walk), none when empty */
    int line_count;               /* nodes in lines */
};

/* Last operation on a stream: C stdio needs a seek between a read and a write. */
constexpr int DBF_IO_NONE = 0;
constexpr int DBF_IO_READ = 1;
constexpr int DBF_IO_WRITE = 2;

/* One open table; made by dbf_new, released by dbf_free, owned by its caller. */
struct dbf_handle {
    char path[DBF_PATH_SIZE];     /* file last opened, extension set by the operation */
    FILE *file;                   /* the .DBF, or none; owned */
    dbf_header header;            /* header as held in memory: the truth while open */
    dbf_field *fields;            /* field_count descriptors in file order, owned */
    char *file_types;             /* type letter of each field as on file, owned */
    dbt_memo memo;                /* the memo part */
    char *record;                 /* record buffer of record_length bytes, owned */
    int mode;                     /* DBF_MODE_READ or DBF_MODE_UPDATE */
    int memo_state;               /* 1: memo fields, asked for, .DBT open */
    int field_count;              /* entries in fields */
    long current;                 /* record last read or written, -1 for none */
    long long pos;                /* offset of the .DBF stream, -1 when unknown */
    int last_io;                  /* DBF_IO_ state of the .DBF stream */
};

/* What dbf_copy_record learns of the values it copies, for a caller that
 * reports them. */
struct dbf_copy_note {
    int overflow;   /* first destination field that could not hold its value, -1 for none */
    long *cut;      /* per destination field, values that lost fraction digits (added to); the caller's, or null */
};

/* Handle lifecycle. */
dbf_handle *dbf_new();
void dbf_init(dbf_handle *h);
void dbf_header_init(dbf_header *hd);
void dbf_free(dbf_handle *h);

/* Files. */
int dbf_open(dbf_handle *h, const char *path, int mode, int want_memo);
int dbf_close(dbf_handle *h);
int dbf_create(dbf_handle *h);
int dbf_set_extension(char *path, size_t size, const char *extension);
void dbf_match_case(char *path, int upper);
int dbf_file_exists(char *path);
int dbf_rename_new(const char *from, const char *to);

/* Records. */
int dbf_read_record(dbf_handle *h, long n);
int dbf_write_record(dbf_handle *h, long n);
int dbf_write_header(dbf_handle *h);
int dbf_seek_record(dbf_handle *h, long n);
int dbf_read_buffer(dbf_handle *h);
int dbf_write_buffer(dbf_handle *h);
int dbf_is_deleted(const dbf_handle *h);
int dbf_copy_record(dbf_handle *dst, dbf_handle *src, dbf_copy_note *note = nullptr);

/* Writes the number text t (n characters: a sign, digits with at most one
 * point, and an exponent "E+20" or "e-5" when it has one) into out in plain
 * decimal form ("1.5E-05" becomes "0.000015", "1E+20" a 1 and twenty 0s),
 * NUL-ended. Answers its length, or -1 when t is no such number or its
 * plain form does not fit size bytes. */
int dbf_plain_number(const char *t, int n, char *out, int size);

/* Fields. */
int dbf_field_index(const dbf_handle *h, const char *name);
char *dbf_field_ptr(dbf_handle *h, const char *name);
char *dbf_field_at(dbf_handle *h, int i);
int dbf_find_field(const dbf_handle *h, const char *name);
int dbf_name_equal(const char *a, const char *b, int n);
int dbf_field_blank(dbf_handle *h, const char *name);
int dbf_copy_field_desc(dbf_field *dst, const dbf_field *src);
int dbf_check_fields(const dbf_handle *h);
const char *dbf_value_refusal(char type, const char *text, size_t n);
int dbf_index_of_word(const unsigned short *words, int count, unsigned short value);
int dbf_index_of_char(const char *chars, int count, char c);

/* Memo file and memo chains. */
void dbt_init(dbt_memo *m);
void dbt_header_init(dbt_header *hd);
int dbt_open(dbf_handle *h);
int dbt_close(dbf_handle *h);
int dbt_create(dbf_handle *h);
int dbt_write_header(dbf_handle *h);
int dbt_seek_block(dbt_memo *m, long n);
int dbt_read_memo(dbf_handle *h, long block, int field);
int dbt_write_memo(dbf_handle *h, long *block, int field);
int dbt_read_blocks(dbf_handle *h, long block, int field);
int dbt_write_lines(dbf_handle *h, const char *text, size_t length, long *first);
int dbt_copy_lines(dbf_handle *dst, const dbf_handle *src, int src_field, int dst_field);
dbt_line *dbt_new_line(dbt_memo *m, int field);
void dbt_free_lines(dbt_memo *m);
int dbf_load_memos(dbf_handle *h);
int dbf_store_memos(dbf_handle *h);
/* What dbt_memo_text answers when memory runs out: never a length. */
constexpr size_t DBT_NO_MEMORY = (size_t)-1;
size_t dbt_memo_text(const dbf_handle *h, int field, char *out, size_t size);
/* 1 when memo field `field` of the record in the buffer names a block at
** or past the end of the memo file: the memo it had is gone (damage, not a
** field without memo); else 0. */
int dbt_block_past_end(dbf_handle *h, int field);
int dbt_set_memo_text(dbf_handle *h, int field, const char *text, size_t length);
int dbf_check_whole(const char *path, const char *memo_path);

/* A table refilled in a shared folder names the driver process that fills
** it in <TABLE>.RFG beside it (the name in capitals; "<pid> <host>" and the
** command on two lines) until it is whole or put back; a write by any
** other process is refused while that driver lives or the refill's mark
** <TABLE>.MRF stands (dbf_guard.cpp). */
#define DBF_EXT_GUARD ".RFG"
#define DBF_EXT_REFILL_MARK ".MRF"
/* What dbf_guard_state finds. */
#define DBF_GUARD_NONE 0 /* no guard */
#define DBF_GUARD_SELF 1 /* it names the driver asking */
#define DBF_GUARD_LIVE 2 /* it names another live driver, or a writer elsewhere */
#define DBF_GUARD_GONE 3 /* its writer is gone, or is no driver */
#define DBF_GUARD_ODD  4 /* it is not a regular file or cannot be read */
int dbf_guard_set(const char *dir, const char *table, long pid, const char *command);
void dbf_guard_clear(const char *dir, const char *table);
int dbf_guard_state(const char *dir, const char *table, long driver, std::string &command, std::string &why);
int dbf_guard_refuses(const char *path, const char *table, long self, char *why, size_t size);
/* At logon: removes each guard of folder dir beside no refill mark whose
** writer is gone or no driver (a live driver being driver), or that is not
** a regular file, adding to said the line that says so. Answers how many. */
int dbf_guard_sweep(const char *dir, long driver, std::vector<std::string> &said);

#endif
