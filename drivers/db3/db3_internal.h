/*
 * What the parts of the DB3 driver's engine share: the statement tokens,
 * the mapping between SQL column types and dBASE fields, the catalog's
 * files (table lookup, locks, index side files), the virtual-table module
 * and the session record. Nothing here is seen by the driver program.
 */
#ifndef PV_DRIVERS_DB3_DB3_INTERNAL_H
#define PV_DRIVERS_DB3_DB3_INTERNAL_H

#include <cstdint>
#include <cstdio>
#include <ctime>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include <sqlite3.h>

#include "dbf/dbf.h"
#include "drivers/db3/db3_engine.h"

/* ---- Tokens ---------------------------------------------------------- */

constexpr int DB3_TOK_END = 0;      /* end of the text */
constexpr int DB3_TOK_WORD = 1;     /* a plain identifier or keyword, text upper-cased */
constexpr int DB3_TOK_QUOTED = 2;   /* a "quoted" identifier, text without quotes */
constexpr int DB3_TOK_STRING = 3;   /* a 'literal', text with doubled quotes undone */
constexpr int DB3_TOK_NUMBER = 4;   /* a number literal */
constexpr int DB3_TOK_PUNCT = 5;    /* one of ( ) , . ; * = < > and the rest */
constexpr int DB3_TOK_BAD = 6;      /* an unterminated quote or a stray character */

/* One token of a statement. */
struct db3_token {
    int kind;                /* DB3_TOK_ kind */
    std::string text;        /* see the kinds */
    size_t at;               /* offset of its first character in the statement */
};

/* Splits text into tokens, ending with one DB3_TOK_END. Answers 1, or 0
 * with DB3_ERR_SYNTAX in err for an unterminated quote. */
int db3_tokenize(const char *text, std::vector<db3_token> *out, db3_error *err);

/* Answers 1 when token t is the keyword kw (a plain word, any case). */
int db3_is_word(const db3_token &t, const char *kw);

/* Answers 1 when token t is an identifier (plain or quoted). */
int db3_is_ident(const db3_token &t);

/* ---- Column types and fields ------------------------------------------ */

/* How one column maps onto its dBASE field. */
struct db3_coltype {
    int sql_type;            /* DB3_TYPE_ code */
    char letter;             /* field type letter: C or N (others only when read) */
    int width;               /* field width in characters */
    int decimals;            /* field decimal count */
    int precision;           /* described precision */
    int exact;               /* 1: exact number written with fixed decimals */
};

/* Parses a column type of CREATE TABLE starting at toks[*pos] (moved past
 * it) into ct. Answers 1, or 0 with DB3_ERR_SYNTAX or DB3_ERR_DEFINITION. */
int db3_parse_coltype(const std::vector<db3_token> &toks, size_t *pos, db3_coltype *ct, db3_error *err);

/* Fills a field descriptor (name upper-cased, type letter, width,
 * decimals and the type mark) for a column of type ct. */
void db3_field_from_type(dbf_field *f, const char *name, const db3_coltype *ct);

/* Answers the column type of a field read from a file: the type mark
 * when the driver wrote one, else the field's letter, width and decimals. */
db3_coltype db3_type_of_field(const dbf_field *f);

/* The SQL type name used when the virtual table declares a column. */
const char *db3_decl_type(const db3_coltype *ct);

/* The value of a field as read from its bytes. */
struct db3_field_value {
    int kind;                /* DB3_VALUE_NULL, _INT (exact without decimals), _REAL or _TEXT */
    long long i;             /* _INT: the number */
    double d;                /* _REAL: the nearest double */
    const char *text;        /* _TEXT: the field's own bytes, not copied; _INT, _REAL: the number's text */
    int length;              /* bytes of text, blanks cut */
};

/* The decimal text t[0, n) ([sign] digits [point digits] [exponent], the
 * point '.' or ',') rounded half away from zero to decimals places, as
 * "-123.40" (no minus for zero), computed on the digits. Answers 1 with
 * *out, 0 when t is not such a number, -1 when it has hundreds of digits. */
int db3_decimal_text(const char *t, int n, int decimals, std::string *out);

/* The decimal text t[0, n) as a 64-bit integer. Answers 1 with *out, 0
 * when it is not a whole number of that range. */
int db3_decimal_int(const char *t, int n, long long *out);

/* Reads the value of a field's bytes (width characters) into out: NULL
 * for blanks and overflow marks, an integer or a double for numbers, the
 * text without trailing blanks otherwise. Answers 1, or 0 when a number
 * field holds no number. */
int db3_field_read(const db3_coltype *ct, const char *bytes, int width, db3_field_value *out);

/* Gives SQLite the value of a field's bytes (width characters) as read:
 * NULL for blanks, INTEGER or REAL for numbers, TEXT without trailing
 * blanks otherwise (copied when copy is 1; else the bytes must stay
 * unchanged while the statement runs, as the table's snapshot does).
 * Answers 1, or 0 when a number field holds no number. */
int db3_field_result(sqlite3_context *ctx, const db3_coltype *ct, const char *bytes, int width, int copy);

/* Writes value v into a field's bytes (width characters, blank-padded,
 * numbers right-aligned). Answers 1, or 0 with DB3_ERR_TYPE, _RANGE or
 * _TOO_LONG in err naming column. */
int db3_field_store(const db3_coltype *ct, sqlite3_value *v, char *bytes, const char *column, db3_error *err);

/* The canonical key text of a field's bytes for unique indexes; answers 0
 * for a blank field (a null takes part in no key). */
int db3_field_key(const db3_coltype *ct, const char *bytes, int width, std::string *key);

/* Registers on db the text functions that read Windows-1252 texts a byte
 * a character (LIKE, LENGTH, SUBSTR, UPPER, LOWER, TRIM: db3_text.cpp) in
 * place of SQLite's UTF-8 ones. Answers SQLite's code. */
int db3_text_register(sqlite3 *db);

/* ---- Catalog files ------------------------------------------------------ */

/* Answers the path of the file NAME.ext in dir (name found without regard
 * to case), or "" when there is none. */
std::string db3_find_file(const std::string &dir, const std::string &name, const char *ext);

/* The path a new file NAME.ext (upper-case) would have in dir. */
std::string db3_new_path(const std::string &dir, const std::string &name, const char *ext);

/* A table file of a catalog directory's listing. */
struct db3_listed {
    std::string path;                             /* its .DBF */
    int journal = 0;                              /* 1: its journal is among the entries (db3_journal_listed) */
};

/* The entries of a catalog directory as last listed, kept while the
 * directory shows no entry added, removed or renamed since. */
struct db3_listing {
    long version = 0;                             /* counts the times the directory was read */
    int listed = 0;                               /* 1 once the entries below were read */
    int trusted = 0;                              /* 1: listed so long after the directory's last change that a later one moves its times */
    unsigned long long dev = 0, ino = 0;          /* the directory listed */
    long long mtime_ns = 0, ctime_ns = 0;         /* its times when listed, ns */
    std::map<std::string, db3_listed> tables;     /* by upper-cased table name */
    std::set<std::string> entries;                /* every entry's name as found */
};

/* The offset of a .DBF header's change counter: bytes 12 and 13, kept by
 * dBASE for multi-user use, a 16-bit count that every statement of this
 * engine that writes a table's records bumps under its exclusive lock, so
 * that another session sees a write that left the file's times as they
 * were. */
constexpr size_t DB3_COUNTER_AT = 12;

/* Nanoseconds of a time of stat() (rounded down to the tick a test set,
 * db3_set_file_tick). */
long long db3_file_time_ns(const struct timespec &t);

/* The clock file times are set from, in nanoseconds. */
long long db3_clock_ns();

/* Answers whether a file whose later time is last_ns had settled when its
 * state was taken at taken_ns (clock of db3_clock_ns): at least one tick
 * of the file system's clock before, so that any later change moves its
 * times and a state found with the same times is the same. */
bool db3_settled(long long last_ns, long long taken_ns);

/* Answers whether a file time of stat() was set by a coarse clock (a
 * whole number of 10 ms, or a tick a test set): another program's write in
 * the same tick as this session's own leaves such times as they were. */
bool db3_coarse_time(const struct timespec &t);

/* Brings listing up to the directory dir: kept when one stat shows the
 * directory as it was at a trusted listing, else listed anew. */
void db3_list_catalog(const std::string &dir, db3_listing *listing);

/* A lock on one table file, held while a statement reads or writes it. */
struct db3_lock {
    int fd = -1;             /* descriptor holding the lock, -1 when none */
    std::string path;        /* the file locked */
    std::string head;        /* the file's first bytes as read under the lock, "" when not read */
    int kept = 0;            /* 1: fd is one the session keeps open, and unlocking only releases it */
};

/* Takes a shared (exclusive = 0) or exclusive lock on the file at path,
 * waiting up to DB3_LOCK_WAIT_MS; with recover = 1 a table left with the
 * journal of a statement cut short is restored (db3_lock_recover). Answers
 * 1, or 0 with DB3_ERR_LOCKED or DB3_ERR_IO in err. */
int db3_lock_file(db3_lock *lk, const std::string &path, int exclusive, db3_error *err, int recover = 1);

/* Takes a shared (exclusive = 0) or exclusive lock on the file at path
 * through fd, a descriptor the caller keeps open (db3_lock_file waits so
 * too). Answers 1, or 0 with DB3_ERR_LOCKED or DB3_ERR_IO in err. */
int db3_lock_kept(db3_lock *lk, int fd, const std::string &path, int exclusive, db3_error *err);

/* Restores the table lk locks (exclusive as taken) when it has the journal
 * of a statement cut short, under an exclusive lock even when lk is a
 * shared one. Answers 1, or 0 with the condition, the lock then released. */
int db3_lock_recover(db3_lock *lk, int exclusive, db3_error *err);

/* Releases a lock taken by db3_lock_file (nothing when none is held). */
void db3_unlock_file(db3_lock *lk);

/* ---- Records a statement writes (db3_pending.cpp) ---------------------- */

/* The records a statement writes, kept until it commits: those it changes
 * in place (numbers below base) and those it adds (base on). A few are
 * held in memory; past a bound they go into a scratch file beside the
 * table, each at its own place, so that the memory a statement takes does
 * not grow with the records it writes. */
struct db3_pending {
    std::string dir;                  /* the table's folder, for the scratch file */
    std::string table;                /* the table's name, for messages */
    int record_length = 0;            /* bytes of a record */
    long base = 0;                    /* records the file held when the statement began writing */
    long changed = 0;                 /* records held below base */
    long added = 0;                   /* records held from base on */
    std::map<long, std::string> held; /* record number -> bytes, while in memory */
    int fd = -1;                      /* the scratch file once records moved there, -1 none; owned */
    std::vector<uint64_t> marks;      /* a bit per record number the scratch file holds */
    std::string run;                  /* consecutive records waiting to be written to it */
    long run_first = 0;               /* number of the first of them */
    long run_count = 0;               /* how many */
    std::string scratch;              /* a record read back from it */
};

/* Starts holding the records of a statement writing table (in folder dir,
 * records of record_length bytes, base of them in the file). */
void db3_pending_begin(db3_pending *p, const std::string &dir, const std::string &table, int record_length, long base);

/* Forgets every record held and closes the scratch file. */
void db3_pending_clear(db3_pending *p);

/* Answers whether record n is held. */
bool db3_pending_has(const db3_pending *p, long n);

/* Holds rec (record_length bytes) as record n. Answers 1, or 0 with
 * DB3_ERR_IO when the scratch file cannot be written. */
int db3_pending_put(db3_pending *p, long n, const char *rec, db3_error *err);

/* The bytes of record n as held (valid until the next call on p), or none
 * when it is not held, or with DB3_ERR_IO in err when it cannot be read. */
const char *db3_pending_get(db3_pending *p, long n, db3_error *err);

/* Calls visit(first, count) for the numbers held from from to before to,
 * in order, as runs of consecutive numbers of at most most each. Answers
 * 1, or 0 when visit answered 0. */
int db3_pending_spans(db3_pending *p, long from, long to, long most,
                      const std::function<int(long first, long count)> &visit);

/* Calls visit(first, count, bytes) for the records held from from to
 * before to, in order, as runs of consecutive records of at most
 * most_bytes each (one record at least). Answers 1, or 0 when visit
 * answered 0 or with DB3_ERR_IO when the scratch file cannot be read. */
int db3_pending_runs(db3_pending *p, long from, long to, size_t most_bytes,
                     const std::function<int(long first, long count, char *bytes)> &visit, db3_error *err);

/* ---- Rollback journal (db3_journal.cpp) ---------------------------------- */

/* One file a statement is about to change, for its journal. */
struct db3_jfile {
    std::string path;                                   /* the file */
    std::vector<std::pair<long long, long long>> ranges;/* offset and length of each range overwritten in place */
    db3_pending *records = nullptr; /* the table's records rewritten in place, or none: each run of them a range too */
    long long records_at = 0;       /* offset of record 0 in the file */
};

/* The journal's path for the table file dbf (NAME.JNL beside NAME.DBF). */
std::string db3_journal_path(const std::string &dbf);

/* Saves, before a statement writes the table dbf, the size of each of
 * files and the bytes of its ranges (and of its last byte) as they stand.
 * Answers 1 once the journal is complete, or 0 with DB3_ERR_IO (then
 * nothing was changed and the statement must not write). */
int db3_journal_save(const std::string &dbf, const std::vector<db3_jfile> &files, db3_error *err);

/* Cuts the journal of dbf back to its mark once its statement is written
 * whole (the file is kept for the next one). Answers 1, or 0 with
 * DB3_ERR_IO. */
int db3_journal_drop(const std::string &dbf, db3_error *err);

/* Undoes a statement cut short: when dbf has a complete journal, every
 * file it names gets its saved bytes back and its old size, and the
 * journal is removed (one cut short while it was written undoes nothing). The
 * caller holds the table's exclusive lock. Answers 1 (nothing to undo, or
 * the table restored), or 0 with DB3_ERR_DAMAGED for a journal that
 * cannot be read or DB3_ERR_IO. */
int db3_journal_restore(const std::string &dbf, db3_error *err);

/* Removes the journal file the connection kept for the table dbf, when it
 * holds nothing to undo and no other connection holds the table's lock
 * (the caller holds none). */
void db3_journal_forget(const std::string &dbf);

/* Answers 1 when dbf has a journal longer than its mark (or one being
 * written as earlier versions did) to look at. */
int db3_journal_exists(const std::string &dbf);

/* Answers 1 when the names of the entries of dbf's directory hold its
 * journal (or one being written as earlier versions did): only then may
 * it have one to look at. */
int db3_journal_listed(const std::string &dbf, const std::set<std::string> &entries);

/* Runs the write hook of the tests (when one is set) after a write of a
 * statement, flush_first (when given) first handing its buffered bytes to
 * the file, as a kill at that moment would find them. */
void db3_after_write(FILE *flush_first = nullptr);

/* One index of a table, as kept in the table's side file. */
struct db3_index {
    std::string name;                  /* index name, upper-cased */
    int unique = 0;                    /* 1 for a UNIQUE index */
    std::vector<std::string> columns;  /* column names, upper-cased, in key order */
};

/* Reads the indexes of table from its side file in dir into out (empty
 * when the table has none). Answers 1, or 0 with DB3_ERR_DAMAGED or
 * DB3_ERR_IO when the side file cannot be read. */
int db3_read_indexes(const std::string &dir, const std::string &table, std::vector<db3_index> *out, db3_error *err);

/* Writes the indexes of table to its side file, replacing it atomically;
 * an empty list removes the file. Answers 1, or 0 with DB3_ERR_IO. */
int db3_write_indexes(const std::string &dir, const std::string &table, const std::vector<db3_index> &list, db3_error *err);

/* Lists the table names of dir (base names of its .DBF files, as found). */
std::vector<std::string> db3_list_tables(const std::string &dir);

/* ---- Virtual tables and the session ------------------------------------ */

/* The session's record of one virtual table made for a statement. */
struct db3_vtab_entry {
    std::string path;                    /* .DBF file the table reads */
    std::string layout;                  /* header and descriptors as last read */
    std::string head;                    /* the file's bytes they were read from, date and record count zeroed */
    std::vector<std::string> names;      /* field names in order */
    std::vector<db3_coltype> types;      /* their column types */
    long records = -1;                   /* the header's record count as last read, -1 when not known */
};

struct db3_table;

/* One session: the catalog directory and its SQLite connection. */
struct db3_session {
    std::string dir;                               /* catalog directory, no trailing '/' */
    sqlite3 *db = nullptr;                         /* in-memory SQLite holding the virtual tables */
    db3_listing listing;                           /* the catalog directory's entries as last listed */
    std::map<std::string, db3_vtab_entry> vtabs;   /* by upper-cased table name */
    std::map<std::string, db3_error> damaged;      /* tables whose file could not be read */
    db3_error pending;                             /* condition set by the virtual tables */
    std::vector<db3_stmt *> stmts;                 /* prepared statements, owned */
    long generation = 0;                           /* counts statements run; tables read once per statement */
    long remade = 0;                               /* counts virtual tables made anew or dropped */
    std::vector<db3_table *> tables;               /* virtual tables alive (owned by SQLite) */
    db3_stmt *reading = nullptr;                   /* statement whose cursor is being read, or none */
    long visited = 0;                              /* records the virtual tables' cursors stepped onto */
    long indexed = 0;                              /* records read to build in-memory indexes */
    long planned = 0;                              /* most records a plan weighed while a statement was prepared would read */
    const std::vector<db3_lock> *locks = nullptr;  /* locks of the statement running, or none */
    std::map<std::string, std::pair<int, long>> kept; /* table file -> descriptor kept open and the listing's version that vouches for it */
};

/* Registers the virtual-table module "db3" on db, with the session whose
 * pending condition the tables set. Answers the SQLite result code. */
int db3_vtab_register(sqlite3 *db, db3_session *s);

/* Frees the record snapshots of the session's virtual tables. */
void db3_vtab_release(db3_session *s);

/* A table of a plain scan ("SELECT A, B FROM T") is read straight from
 * its records by the engine, as SQLite reads it through the module. */

/* Answers the virtual table SQLite holds now for the upper-cased name,
 * with the path and fields the session last read for it, or none. */
db3_table *db3_vtab_find(db3_session *s, const std::string &upper_name);

/* Deletes from t, all or none, the records whose numbers next gives (it
 * answers 1 with *n, 0 after the last, or -1 with the condition in err)
 * as SQLite deletes the rows a DELETE found, without holding their
 * numbers: each is marked deleted as it comes, and the table is written
 * when all are. *count gets the records deleted. Answers 1, or 0 with the
 * condition (nothing written). */
int db3_vtab_delete_rows(db3_table *t, const std::function<int(long *n, db3_error *err)> &next, long *count,
                         db3_error *err);

/* Answers the field number of the column of t named name, or -1 when t
 * has none such or it is a memo field (memos are read through SQLite). */
int db3_vtab_field(const db3_table *t, const char *name);

/* Answers whether field f of t holds numbers (N or F). */
bool db3_vtab_field_is_number(const db3_table *t, int f);

/* Characters of a number's text that a double always holds exactly (15
 * digits): an exact column wider than this hands SQLite a double, and
 * keeps the digits for the engine (db3_vtab_wide_text). */
constexpr int DB3_DOUBLE_TEXT_MAX = 15;

/* Answers 1 with *text the digits of field f of t that the running
 * statement handed SQLite as the double d, when that double stood for
 * one text only; else 0 (the double serves). */
int db3_vtab_wide_text(db3_table *t, int f, double d, std::string *text);

/* Readies t's records to be read straight by the running statement:
 * from the snapshot when a scan of it loaded one, else from the file a
 * window of records at a time, as a scan through SQLite reads them. Answers 1, or 0 with the condition a scan
 * through SQLite gives. */
int db3_vtab_load(db3_table *t, db3_error *err);

/* Moves *rec (-1 before the first) to the next live record of t and sets
 * *bytes to its bytes (valid until the next call). Answers 1, 0 after the
 * last, or -1 with DB3_ERR_DAMAGED or DB3_ERR_MEMORY when the records
 * cannot be read. */
int db3_vtab_next_record(db3_table *t, long *rec, const char **bytes, db3_error *err);

/* Reads field f of record number rec (its bytes at record) into out.
 * Answers 1, or 0 with DB3_ERR_DAMAGED when a number field holds no
 * number, in the words a scan through SQLite uses. */
int db3_vtab_read(const db3_table *t, int f, const char *record, long rec, db3_field_value *out, db3_error *err);

/* Reads the layout (header fields and descriptors) of the .DBF at path
 * into entry (path, layout, field names and types). Answers 1, or 0 with
 * DB3_ERR_DAMAGED or DB3_ERR_IO in err. */
int db3_read_layout(const std::string &path, db3_vtab_entry *entry, db3_error *err);

/* Answers 1 when the file open as fd still has the layout of entry: its
 * first bytes are those the layout was read from (db3_read_layout), the
 * header's date and record count aside; else 0. The bytes read go to
 * head (when given). */
int db3_layout_unchanged(int fd, const db3_vtab_entry &entry, std::string *head = nullptr);

/* The record count of a .DBF's first bytes (as db3_layout_unchanged
 * reads them), or -1 when they are too few. */
long db3_head_records(const std::string &head);

/* Records a condition in the session's pending slot for the statement
 * that is running; answers 0. */
int db3_set_pending(db3_session *s, const db3_error &e);

/* Runs the data definition statement of toks (CREATE TABLE, CREATE INDEX,
 * DROP INDEX, DROP TABLE, ALTER TABLE). With check = 1 only parses it and
 * answers its function code in *function. Answers 1, or 0 with err. */
int db3_ddl(db3_session *s, const std::vector<db3_token> &toks, int check, int *function, db3_error *err);

/* Answers whether the first tokens name a data definition statement. */
int db3_is_ddl(const std::vector<db3_token> &toks);

/* Forgets the virtual table of a name (after DROP TABLE, for instance). */
void db3_forget_vtab(db3_session *s, const std::string &upper_name);

/* Upper-cases an ASCII text. */
std::string db3_upper(const std::string &text);

#endif
