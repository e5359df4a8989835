/*
 * The "db3" virtual-table module: one dBASE III table file seen by SQLite
 * as a table, its columns named and typed after the file's fields.
 *
 * The session makes one virtual table per .DBF a statement names, afresh
 * whenever the file's layout changed, and holds the file's lock while the
 * statement runs. A statement's first scan of every record of a table
 * reads the file a window of records at a time, so that a long table is
 * never whole in memory; a second such scan in the same statement (the
 * inner side of a join, a subquery) reads windows of its own when the
 * table is longer than a window, else the records once into a snapshot,
 * so joins of short tables read memory. Rows come in physical record order;
 * records marked deleted are skipped. Changes are collected while the
 * statement runs (with the unique indexes of the table's side file checked
 * as each row comes), held apart from the file (db3_pending.cpp: in memory,
 * or in a scratch file when they are many) and written to the file only
 * when the statement has succeeded, each run of consecutive records at
 * once, so a failed statement leaves the table as it was. DELETE marks
 * records deleted (the engine hands them over one by one,
 * db3_vtab_delete_rows); INSERT appends. A column an UPDATE leaves as it
 * is keeps its bytes. Memo (M) fields read as their text and
 * take new text like any CHAR column: it is appended to the .DBT when the
 * statement commits (blocks are never reused), and a text equal to the
 * memo already stored keeps its blocks, so rewriting a whole row does not
 * grow the memo file. The engine reads a plain scan of one table straight
 * from the same window (db3_vtab_find and the functions after it).
 *
 * A column that is BASENUMBER or a key column of one of the table's
 * declared indexes (its side file) is looked up through an index the
 * module builds in memory on first use: equality (IN lists included) on
 * any such column, and ranges on a number column, read only the records
 * found, in record order, by number. SQLite still tests each row against
 * the constraint, so an index needs only to find every row that may match:
 * a text column's index keys each text by its hash and, when it reads as
 * a number ('05', ' 5', '5.0'), by that number too, for SQLite compares a
 * text column with a number column or a numeric CAST as numbers.
 * An index follows the writes of this session's statements (the entries
 * of each record changed, deleted or added are moved), and is dropped
 * when the file's size, times, identity, header record count or change
 * counter (bumped by every write of this engine) show that another
 * program wrote the table; and when its state cannot vouch that no write
 * came unseen: taken within a tick of the file system's clock after the
 * file's last change (which a write in the same tick leaves as it was),
 * and not right after the session's own write.
 *
 *   CREATE VIRTUAL TABLE temp."STATN" USING db3('/proj/STATN.DBF');
 */
#include "drivers/db3/db3_internal.h"
#include "wfile/wfile.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <functional>
#include <iterator>
#include <memory>
#include <new>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>
#include <unordered_map>

/* One column of the table: its field in the record. */
struct db3_vfield {
    std::string name;        /* field name as on file */
    db3_coltype type;        /* SQL type and field shape */
    char file_type;          /* type letter on file (M for memo fields) */
    int offset;              /* offset in the record, after the deletion flag */
};

/* A unique index being checked during one statement. The keys of the
 * records the statement wrote are in owner; those the file holds are found
 * through the in-memory index of one of its columns (field), or, when no
 * column can be indexed, are loaded into owner too (field -1). */
struct db3_ukey {
    std::string name;                                /* index name */
    std::vector<int> fields;                         /* field numbers of its columns */
    int field = -1;                                  /* field whose index finds the file's keys, -1 none */
    std::unordered_map<std::string, long> owner;     /* key text -> record number */
    std::unordered_map<long, std::string> key_of;    /* record number -> its key */
};

/* What tells one state of a table's file from another: an index built
 * from the file is kept while all of it stays the same and the state
 * vouches that no write came unseen (db3_stamp_vouches). */
struct db3_stamp {
    dev_t dev = 0;                     /* device and inode: the file replaced is another file */
    ino_t ino = 0;
    off_t size = -1;                   /* bytes of the file */
    long long mtime_ns = 0;            /* last change of its bytes, ns */
    long long ctime_ns = 0;            /* last change of its bytes or inode, ns */
    long count = 0;                    /* header's record count */
    long header_length = 0;            /* header's length in bytes */
    unsigned counter = 0;              /* header's change counter (DB3_COUNTER_AT) */
    /* How the state was taken (not part of it). */
    long long taken_ns = 0;            /* when, by the clock of file times */
    int own = 0;                       /* 1: right after this session's write, under its lock */
    int coarse = 0;                    /* 1: the file's times are coarse (db3_coarse_time) */
};

/* Answers whether two states of a file are the same. */
static bool db3_same_file(const db3_stamp &a, const db3_stamp &b)
{
    return a.dev == b.dev && a.ino == b.ino && a.size == b.size && a.mtime_ns == b.mtime_ns && a.ctime_ns == b.ctime_ns
        && a.count == b.count && a.header_length == b.header_length && a.counter == b.counter;
}

/* Answers whether a state found again the same vouches that nothing was
 * written since it was taken: the file had settled then (db3_settled: a
 * later write moves its times), or it was taken right after this
 * session's own write, and the change counter that every session's write
 * bumps shows none since. Another program bumps no counter: on coarse
 * times its write in the same tick as the session's own leaves the state
 * as that write left it, so there only a settled state vouches, and each
 * statement until then builds its indexes from the file anew. */
static bool db3_stamp_vouches(const db3_stamp &was)
{
    return (was.own && !was.coarse) || db3_settled(std::max(was.mtime_ns, was.ctime_ns), was.taken_ns);
}

/* An index of one column over the live records of the file: (key, record
 * number) pairs in order. A number's key keeps the order of the numbers
 * (ranges are served); a text's key is a hash of it. */
struct db3_colindex {
    int field = -1;                                  /* field number */
    int numeric = 0;                                 /* 1: number keys; 0: text hashes */
    int usable = 0;                                  /* 0: a field holds no number; scans serve the column */
    std::vector<std::pair<uint64_t, long>> entries;  /* sorted by key, then record */
    std::vector<std::vector<std::pair<uint64_t, long>>> tops; /* every DB3_INDEX_STRIDE-th of entries, then of those... */
};

/* Entries of an index between two of its tops, and tops between two of
 * the next level's: a look-up searches a run of each level, from the
 * last (at most this many), which stay in the processor's caches, instead
 * of stepping across the whole index in memory. */
constexpr size_t DB3_INDEX_STRIDE = 64;

/* Records of a table's file read a window at a time, so that a long
 * table is never whole in memory. */
struct db3_window {
    dbf_handle *reader = nullptr;      /* the file read, or none; owned */
    long count = 0;                    /* records its header counted when the scan began */
    long header = 0;                   /* its header's length in bytes */
    std::string bytes;                 /* record bytes from first on */
    long first = 0;                    /* number of the window's first record */
    long held = 0;                     /* records in bytes */
};

/* The table: one .DBF file. */
struct db3_table {
    sqlite3_vtab base;                 /* SQLite's part; must come first */
    db3_session *session;              /* session whose pending condition is set */
    std::string path;                  /* the .DBF file */
    std::string name;                  /* table name for messages */
    std::vector<db3_vfield> fields;    /* columns in field order */
    int record_length;                 /* bytes of a record, deletion flag included */
    int has_memo;                      /* 1 when some field is a memo field */
    /* Snapshot of the records, valid for one statement. */
    long snap_generation;              /* session generation it was read in, -1 none */
    std::string snap;                  /* record bytes in file order */
    long snap_count;                   /* records in snap, or those a window scan met (plans guess by it) */
    /* Changes of the running statement. */
    dbf_handle *writer;                /* file opened for update, or none; owned */
    long base_count;                   /* records in the file when writing began */
    db3_pending pending;               /* records changed (below base_count) and added, new bytes */
    std::vector<db3_ukey> ukeys;       /* unique indexes */
    int keys_loaded;                   /* 1 once ukeys were read for the statement */
    std::map<long, std::map<int, std::string>> memos; /* record -> field -> new memo text */
    dbf_handle *memo_reader;           /* reads stored memos for comparison, or none; owned */
    int journal_kept;                  /* 1 once a statement wrote the table's journal file */
    /* Look-ups through the in-memory indexes. */
    int fd;                            /* descriptor reading records by number, -1 none; owned */
    dev_t fd_dev;                      /* device and inode of the file fd reads */
    ino_t fd_ino;
    db3_stamp stamp;                   /* the file's state the indexes were built from */
    long stamp_generation;             /* session generation the stamp was checked in, -1 none */
    std::vector<db3_colindex> indexes; /* indexes built since the stamp was taken */
    std::map<long, std::string> fetched; /* records read by number in the running statement */
    long fetched_generation;           /* generation fetched belongs to */
    /* The statement's first scan of every record (through SQLite, or
     * read straight by the engine: db3_vtab_load), when no snapshot was
     * loaded: the records in windows read in turn, so that a long table
     * is never whole in memory. */
    long scan_generation;              /* session generation whose scan reads windows, -1 none */
    db3_window scan;                   /* its records */
    /* The digits of the exact numbers wider than a double holds that the
     * running statement handed SQLite as doubles: (field, the double's
     * bits) -> the number's text, "" when two texts share the double. */
    std::map<std::pair<int, uint64_t>, std::string> wide;
};

/* Most wide numbers a statement keeps the digits of; past them the
 * doubles serve. */
constexpr size_t DB3_WIDE_MAX = 65536;

/* Characters of a memo block number's text. */
constexpr int DB3_BLOCK_TEXT = 24;

/* Most characters a CHAR value of the engine carries: a longer memo
 * reaches the application cut to them, and comes back so in a row the
 * application writes whole. */
constexpr size_t DB3_VALUE_CHARS = 256;

/* Most records a look-up reads one by one; a look-up finding more reads
 * the whole table as a scan does. */
constexpr size_t DB3_FETCH_MAX = 4096;

/* Records read from the file at once: to build an index, or a window of
 * a scan. */
constexpr long DB3_BUILD_CHUNK = 4096;

/* Bytes of the records a statement wrote that are read back, or written
 * to the file, at once. */
constexpr size_t DB3_PENDING_READ = 256u << 10;

/* Most records a statement may write for the in-memory indexes to follow
 * it (their entries moved); past it they are built anew when next used. */
constexpr long DB3_MOVES_MAX = 65536;

/* Plans: idxNum is 0 for a scan of every record, else the field number
 * times DB3_PLAN_FIELD plus the flags of the constraints handed to
 * xFilter in this order. */
constexpr int DB3_PLAN_EQ = 1;         /* argv: the value (or IN list) the column equals */
constexpr int DB3_PLAN_LOW = 2;        /* argv: the lower bound of a range */
constexpr int DB3_PLAN_HIGH = 4;       /* argv: the upper bound of a range */
constexpr int DB3_PLAN_FIELD = 8;

/* A scan over the table's snapshot, or over the records a look-up found. */
struct db3_cursor {
    sqlite3_vtab_cursor base;          /* SQLite's part; must come first */
    long rec;                          /* current record number */
    const char *now;                   /* bytes of the current record, none after the last */
    dbf_handle *memo;                  /* handle reading memo text, or none; owned */
    int indexed;                       /* 1: the records of hits are read, else every record */
    int in_window;                     /* 1: now points into a window or found, which move on */
    int apart;                         /* 1: a later scan of a long table, reading own */
    db3_window own;                    /* its records */
    long own_generation;               /* session generation own was opened in */
    std::vector<long> hits;            /* record numbers a look-up found, ascending */
    size_t hit;                        /* next place in hits */
    std::string found;                 /* the record of hits read last, when no snapshot holds it */
};

/* Fails an SQLite call: records the condition as the session's pending
 * one and as the table's message. Answers code. */
static int db3_vt_fail(db3_table *t, const db3_error &e, int code = SQLITE_ERROR)
{
    db3_set_pending(t->session, e);
    sqlite3_free(t->base.zErrMsg);
    t->base.zErrMsg = sqlite3_mprintf("%s", e.text.c_str());
    return code;
}

/* Undoes the quotes of a module argument ('path'). */
static std::string db3_unquote(const char *arg)
{
    std::string s = arg ? arg : "";
    if (s.size() >= 2 && (s[0] == '\'' || s[0] == '"') && s.back() == s[0]) {
        char q = s[0];
        std::string out;
        for (size_t i = 1; i + 1 < s.size(); i++) {
            out.push_back(s[i]);
            if (s[i] == q && s[i + 1] == q) i++;
        }
        return out;
    }
    return s;
}

/* Closes and frees a handle on the table's files and clears its slot
 * (nothing for an empty slot). */
static void db3_release_handle(dbf_handle **h)
{
    if (!*h) return;
    dbf_close(*h);
    dbf_free(*h);
    *h = nullptr;
}

/* Closes a handle opened for update whose statement wrote nothing (it
 * failed, or its changes were dropped) and clears its slot: it is closed
 * as a read-only handle, so neither the header nor an end mark is written
 * back and the file keeps every byte it had. */
static void db3_discard_handle(dbf_handle **h)
{
    if (*h) (*h)->mode = DBF_MODE_READ;
    db3_release_handle(h);
}

/* Opens the table's file through a new handle in *slot, with mode and
 * want_memo as dbf_open takes them; doing names the work for the failure
 * text ("read", "write"). Answers 1, or 0 with DB3_ERR_MEMORY, DB3_ERR_IO
 * when the file cannot be opened or DB3_ERR_DAMAGED when the library
 * refuses it (the slot then stays empty). */
static int db3_open_handle(const db3_table *t, dbf_handle **slot, int mode, int want_memo, const char *doing,
                           db3_error *err)
{
    *slot = dbf_new();
    if (!*slot) return db3_fail(err, DB3_ERR_MEMORY, "no memory to %s table %s", doing, t->name.c_str());
    int rc = dbf_open(*slot, t->path.c_str(), mode, want_memo);
    if (rc == DBF_OK) return 1;
    const int e = errno;
    dbf_free(*slot);
    *slot = nullptr;
    if (rc == DBF_ERR_OPEN)
        return db3_fail(err, DB3_ERR_IO, "table %s cannot be opened to %s: %s", t->name.c_str(), doing,
                        wf_reason(e ? e : EIO));
    return db3_fail(err, DB3_ERR_DAMAGED, "table %s cannot be opened to %s (dBASE code %d)", t->name.c_str(), doing,
                    rc);
}

/* Sets err to memory running out for the memos of record rec (from 0; -1
 * for a record a statement changes) of table t. Answers 0. */
static int db3_memo_no_memory(const db3_table *t, long rec, db3_error *err)
{
    if (rec < 0)
        return db3_fail(err, DB3_ERR_MEMORY, "table %s: not enough memory for the memos of a record it changes",
                        t->name.c_str());
    return db3_fail(err, DB3_ERR_MEMORY, "table %s: not enough memory for the memo of record %ld", t->name.c_str(),
                    rec + 1);
}

/* Puts into text the memo text of field i of the record in h's buffer, as
 * loaded into h's memo chain, without trailing blanks and NULs ("" for
 * none). Answers 1, or 0 with DB3_ERR_MEMORY naming the table and record
 * (from 0, rec) when memory runs out: never taken for no memo. */
static int db3_memo_of(const db3_table *t, const dbf_handle *h, int i, long rec, std::string &text, db3_error *err)
{
    size_t n = dbt_memo_text(h, i, nullptr, 0);
    try {
        text.assign(n == DBT_NO_MEMORY ? 0 : n + 1, '\0');
    } catch (const std::bad_alloc &) {
        n = DBT_NO_MEMORY;
    }
    if (n != DBT_NO_MEMORY) n = dbt_memo_text(h, i, &text[0], text.size());
    if (n == DBT_NO_MEMORY) return db3_memo_no_memory(t, rec, err);
    text.resize(n);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\0')) text.pop_back();
    return 1;
}

/* Connects (and creates) a table: argv[3] is the .DBF path. Reads the
 * file's fields and declares them. Answers SQLITE_OK, or SQLITE_ERROR with
 * the reason in *err_out when the file cannot be read. */
static int db3_connect(sqlite3 *db, void *aux, int argc, const char *const *argv, sqlite3_vtab **out, char **err_out)
{
    db3_session *s = static_cast<db3_session *>(aux);
    if (argc < 4) {
        *err_out = sqlite3_mprintf("db3: the table file is missing");
        return SQLITE_ERROR;
    }
    std::unique_ptr<db3_table> t(new (std::nothrow) db3_table());
    if (!t) return SQLITE_NOMEM;
    t->session = s;
    t->path = db3_unquote(argv[3]);
    t->name = argv[2];
    t->snap_generation = -1;
    t->snap_count = 0;
    t->writer = nullptr;
    t->base_count = 0;
    t->keys_loaded = 0;
    t->memo_reader = nullptr;
    t->journal_kept = 0;
    t->fd = -1;
    t->fd_dev = 0;
    t->fd_ino = 0;
    t->stamp_generation = -1;
    t->fetched_generation = -1;
    t->scan_generation = -1;

    dbf_handle *h = dbf_new();
    if (!h) return SQLITE_NOMEM;
    int rc = dbf_open(h, t->path.c_str(), DBF_MODE_READ, 0);
    if (rc != DBF_OK) {
        dbf_free(h);
        *err_out = sqlite3_mprintf("table file %s is damaged (dBASE code %d)", t->path.c_str(), rc);
        return SQLITE_ERROR;
    }
    t->record_length = h->header.record_length;
    t->has_memo = 0;
    std::string decl = "CREATE TABLE x(";
    int offset = 1;
    for (int i = 0; i < h->field_count; i++) {
        db3_vfield f;
        f.file_type = h->file_types[i];
        dbf_field shown = h->fields[i];
        shown.type = f.file_type;
        f.name = h->fields[i].name;
        f.type = db3_type_of_field(&shown);
        f.offset = offset;
        offset += h->fields[i].length;
        if (f.file_type == 'M') t->has_memo = 1;
        std::string quoted;
        for (char c : f.name) quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
        decl += (i ? ", \"" : "\"") + quoted + "\" " + db3_decl_type(&f.type);
        t->fields.push_back(f);
    }
    decl += ")";
    dbf_close(h);
    dbf_free(h);
    rc = sqlite3_declare_vtab(db, decl.c_str());
    if (rc != SQLITE_OK) {
        *err_out = sqlite3_mprintf("table file %s has fields SQLite cannot take (%s)", t->path.c_str(), sqlite3_errmsg(db));
        return SQLITE_ERROR;
    }
    s->tables.push_back(t.get());
    *out = &t.release()->base;
    return SQLITE_OK;
}

/* Frees a table (its pending changes are dropped) and removes the
 * journal file it kept. Answers SQLITE_OK. */
static int db3_disconnect(sqlite3_vtab *vt)
{
    db3_table *t = reinterpret_cast<db3_table *>(vt);
    db3_discard_handle(&t->writer);
    db3_release_handle(&t->memo_reader);
    db3_release_handle(&t->scan.reader);
    if (t->journal_kept) db3_journal_forget(t->path);
    if (t->fd >= 0) close(t->fd);
    std::vector<db3_table *> &all = t->session->tables;
    all.erase(std::remove(all.begin(), all.end(), t), all.end());
    delete t;
    return SQLITE_OK;
}

/* Answers whether field f of t can be looked up: BASENUMBER or a key
 * column of one of the indexes declared (read into declared the first
 * time they are needed, read then set), holding characters or numbers. */
static bool db3_keyed(const db3_table *t, int f, std::vector<db3_index> &declared, int &read)
{
    const db3_vfield &field = t->fields[(size_t)f];
    if (field.file_type != 'C' && field.file_type != 'N' && field.file_type != 'F') return false;
    if (field.name == "BASENUMBER") return true;
    if (!read) {
        /* The side file is read only for a column other than BASENUMBER. */
        db3_error ignored;
        if (!db3_read_indexes(t->session->dir, t->name, &declared, &ignored)) declared.clear();
        read = 1;
    }
    for (const db3_index &ix : declared)
        for (const std::string &col : ix.columns)
            if (dbf_name_equal(field.name.c_str(), col.c_str(), DBF_NAME_MAX) == 1) return true;
    return false;
}

/* Plans a scan: an equality on a column that can be looked up (db3_keyed;
 * BASENUMBER first), else a range on such a number column, is handed to
 * xFilter, which reads only the records its index finds; SQLite still
 * tests them (nothing is omitted). Any other plan reads every record in
 * record order. A plan other than an equality is noted in the session
 * as reading every record the table's header counted (the most any plan
 * weighed for the statement being prepared is kept: db3_stmt_reads_few).
 * Answers SQLITE_OK. */
static int db3_best_index(sqlite3_vtab *vt, sqlite3_index_info *info)
{
    constexpr long DB3_ROWS_GUESS = 1000;  /* rows assumed before a table was read */
    db3_table *t = reinterpret_cast<db3_table *>(vt);
    long n = t->snap_generation >= 0 || t->snap_count ? t->snap_count : DB3_ROWS_GUESS;
    info->estimatedCost = (double)n + 10;
    info->estimatedRows = n;
    std::vector<db3_index> declared;
    int read = 0;
    int eq = -1, low = -1, high = -1;
    for (int i = 0; i < info->nConstraint; i++) {
        const auto &c = info->aConstraint[i];
        if (!c.usable || c.iColumn < 0 || !db3_keyed(t, c.iColumn, declared, read)) continue;
        bool number = t->fields[(size_t)c.iColumn].file_type != 'C';
        if (c.op == SQLITE_INDEX_CONSTRAINT_EQ) {
            const char *coll = sqlite3_vtab_collation(info, i);
            if (!number && coll && sqlite3_stricmp(coll, "BINARY") != 0 && sqlite3_stricmp(coll, "RTRIM") != 0) continue;
            if (eq < 0 || t->fields[(size_t)c.iColumn].name == "BASENUMBER") eq = i;
        } else if (number && (c.op == SQLITE_INDEX_CONSTRAINT_GT || c.op == SQLITE_INDEX_CONSTRAINT_GE)) {
            if (low < 0 && (high < 0 || info->aConstraint[high].iColumn == c.iColumn)) low = i;
        } else if (number && (c.op == SQLITE_INDEX_CONSTRAINT_LT || c.op == SQLITE_INDEX_CONSTRAINT_LE)) {
            if (high < 0 && (low < 0 || info->aConstraint[low].iColumn == c.iColumn)) high = i;
        }
    }
    double lookup = 10 + std::log2((double)n + 2);
    if (eq >= 0) {
        info->idxNum = info->aConstraint[eq].iColumn * DB3_PLAN_FIELD + DB3_PLAN_EQ;
        info->aConstraintUsage[eq].argvIndex = 1;
        if (sqlite3_vtab_in(info, eq, -1)) sqlite3_vtab_in(info, eq, 1);
        info->estimatedCost = lookup;
        info->estimatedRows = 1;
        return SQLITE_OK;
    }
    auto known = t->session->vtabs.find(t->name);
    long whole = known != t->session->vtabs.end() && known->second.records >= 0 ? known->second.records : LONG_MAX;
    t->session->planned = std::max(t->session->planned, whole);
    if (low < 0 && high < 0) return SQLITE_OK;
    int argv = 0;
    info->idxNum = info->aConstraint[low >= 0 ? low : high].iColumn * DB3_PLAN_FIELD;
    if (low >= 0) {
        info->idxNum |= DB3_PLAN_LOW;
        info->aConstraintUsage[low].argvIndex = ++argv;
    }
    if (high >= 0) {
        info->idxNum |= DB3_PLAN_HIGH;
        info->aConstraintUsage[high].argvIndex = ++argv;
    }
    long rows = n / (argv == 2 ? 16 : 4);
    info->estimatedCost = lookup + (double)rows;
    info->estimatedRows = rows;
    return SQLITE_OK;
}

/* Checks that the file open in h still has t's layout and holds every
 * record its header counts. Answers 1, or 0 with DB3_ERR_DAMAGED. */
static int db3_check_records(const db3_table *t, dbf_handle *h, db3_error *err)
{
    long count = (long)h->header.record_count;
    struct stat st;
    long long need = (long long)h->header.header_length + (long long)count * (long long)t->record_length;
    if (h->header.record_length != t->record_length)
        return db3_fail(err, DB3_ERR_DAMAGED, "table %s changed while the statement ran", t->name.c_str());
    if (fstat(fileno(h->file), &st) != 0 || (long long)st.st_size < need)
        return db3_fail(err, DB3_ERR_DAMAGED, "table %s is damaged: its header counts %ld records, the file holds fewer",
                        t->name.c_str(), count);
    return 1;
}

/* Reads the records of the table into its snapshot unless it already
 * holds them for this statement. Answers 1, or 0 with DB3_ERR_DAMAGED when
 * the file's layout changed or it holds fewer records than its header
 * says, DB3_ERR_IO or DB3_ERR_MEMORY. */
static int db3_load_snapshot(db3_table *t, db3_error *err)
{
    if (t->snap_generation == t->session->generation) return 1;
    dbf_handle *h = nullptr;
    if (!db3_open_handle(t, &h, DBF_MODE_READ, 0, "read", err)) return 0;
    int ok = 1;
    long count = (long)h->header.record_count;
    size_t bytes = (size_t)count * (size_t)t->record_length;
    /* Checked before the memory is taken: a damaged count may be huge. */
    if (!db3_check_records(t, h, err)) {
        ok = 0;
    } else {
        try {
            t->snap.resize(bytes);
        } catch (...) {
            ok = db3_fail(err, DB3_ERR_MEMORY, "no memory for the %ld records of table %s", count, t->name.c_str());
        }
    }
    if (ok && bytes) {
        size_t got = 0;
        if (fseeko(h->file, (off_t)h->header.header_length, SEEK_SET) == 0)
            got = fread(&t->snap[0], 1, bytes, h->file);
        if (got != bytes)
            ok = db3_fail(err, DB3_ERR_DAMAGED, "table %s is damaged: its header counts %ld records, the file holds %ld",
                          t->name.c_str(), count, (long)(got / (size_t)t->record_length));
    }
    db3_release_handle(&h);
    if (!ok) {
        t->snap.clear();
        t->snap_count = 0;
        t->snap_generation = -1;
        return 0;
    }
    t->snap_count = count;
    t->snap_generation = t->session->generation;
    return 1;
}

/* Opens t's file into window w for a scan of the running statement: the
 * file is checked as a snapshot's load checks it. Answers 1, or 0 with
 * the condition db3_load_snapshot gives. */
static int db3_window_start(const db3_table *t, db3_window *w, db3_error *err)
{
    db3_release_handle(&w->reader);
    w->first = w->held = 0;
    if (!db3_open_handle(t, &w->reader, DBF_MODE_READ, 0, "read", err)) return 0;
    if (!db3_check_records(t, w->reader, err)) {
        db3_release_handle(&w->reader);
        return 0;
    }
    w->count = (long)w->reader->header.record_count;
    w->header = (long)w->reader->header.header_length;
    return 1;
}

/* Starts the running statement's scan of t read a window at a time.
 * Answers 1, or 0 with the condition db3_window_start gives. */
static int db3_window_open(db3_table *t, db3_error *err)
{
    t->scan_generation = t->session->generation;
    if (!db3_window_start(t, &t->scan, err)) return 0;
    t->snap_count = t->scan.count;
    return 1;
}

/* The bytes of record n (below w's count) of a scan of t read a window at
 * a time: the window is read anew from n on when it does not hold n, so
 * the bytes stay valid until a record outside it is asked for. Answers
 * none with DB3_ERR_DAMAGED or DB3_ERR_MEMORY when they cannot be read. */
static const char *db3_window_record(const db3_table *t, db3_window *w, long n, db3_error *err)
{
    if (n < w->first || n >= w->first + w->held) {
        long k = std::min(DB3_BUILD_CHUNK, w->count - n);
        size_t want = (size_t)k * (size_t)t->record_length;
        w->held = 0;
        try {
            w->bytes.resize(want);
        } catch (...) {
            db3_fail(err, DB3_ERR_MEMORY, "no memory to read table %s", t->name.c_str());
            return nullptr;
        }
        off_t at = (off_t)w->header + (off_t)n * t->record_length;
        if (fseeko(w->reader->file, at, SEEK_SET) != 0 || fread(&w->bytes[0], 1, want, w->reader->file) != want) {
            db3_fail(err, DB3_ERR_DAMAGED, "table %s changed while the statement ran: record %ld cannot be read",
                     t->name.c_str(), n + 1);
            return nullptr;
        }
        w->first = n;
        w->held = k;
    }
    return w->bytes.data() + (size_t)(n - w->first) * (size_t)t->record_length;
}

/* Moves *rec (-1 before the first) to the next live record of a scan of
 * every record: in the window own when given (a later scan of the
 * statement reading its own), else in the snapshot when the statement
 * loaded one, else in the table's window. Sets *bytes to its bytes (valid
 * until the next call). Answers 1, 0 after the last, or -1 with the
 * condition. */
static int db3_next_live(db3_table *t, long *rec, const char **bytes, db3_error *err, db3_window *own = nullptr)
{
    bool snap = !own && t->snap_generation == t->session->generation;
    db3_window *w = own ? own : &t->scan;
    if (!snap && !own && (t->scan_generation != t->session->generation || !w->reader)) return 0;
    for ((*rec)++; *rec < (snap ? t->snap_count : w->count); (*rec)++) {
        *bytes = snap ? t->snap.data() + (size_t)*rec * (size_t)t->record_length : db3_window_record(t, w, *rec, err);
        if (!*bytes) return -1;
        if (**bytes != DBF_DELETED) return 1;
    }
    return 0;
}

/* Answers the running statement's lock of t's file, or none when it
 * holds none. */
static const db3_lock *db3_statement_lock(const db3_table *t)
{
    if (t->session->locks)
        for (const db3_lock &lk : *t->session->locks)
            if (lk.fd >= 0 && lk.path == t->path) return &lk;
    return nullptr;
}

/* Bytes of a .DBF's first bytes a stamp reads: the record count (4 to 7),
 * the header's length (8, 9) and the change counter (12, 13). */
constexpr size_t DB3_STAMP_HEAD = DB3_COUNTER_AT + 2;

/* Reads the state of t's file into *out through t's descriptor, opened
 * anew when the path names another file than the one it holds (the file
 * the statement locked, when it holds a lock). With fresh = 0 the header
 * as read under the statement's lock serves. Answers 1, or 0 with
 * DB3_ERR_IO. */
static int db3_take_stamp(db3_table *t, db3_stamp *out, db3_error *err, int fresh = 1)
{
    struct stat named;
    /* Read before the file: a change after it is later still. */
    long long taken = db3_clock_ns();
    const db3_lock *lk = db3_statement_lock(t);
    if (lk ? fstat(lk->fd, &named) != 0 : stat(t->path.c_str(), &named) != 0)
        return db3_fail(err, DB3_ERR_IO, "table %s cannot be read: its file is gone", t->name.c_str());
    if (t->fd >= 0 && (t->fd_dev != named.st_dev || t->fd_ino != named.st_ino)) {
        close(t->fd);
        t->fd = -1;
    }
    if (t->fd < 0) {
        t->fd = wf_open(t->path.c_str(), O_RDONLY);
        if (t->fd >= 0 && fstat(t->fd, &named) != 0) {
            close(t->fd);
            t->fd = -1;
        }
        if (t->fd >= 0) {
            t->fd_dev = named.st_dev;
            t->fd_ino = named.st_ino;
        }
    }
    if (t->fd < 0) return db3_fail(err, DB3_ERR_IO, "table %s cannot be read: %s", t->name.c_str(), wf_reason(errno));
    unsigned char head[DB3_STAMP_HEAD];
    bool held = !fresh && lk && lk->head.size() >= sizeof head && t->fd_dev == named.st_dev && t->fd_ino == named.st_ino;
    if (held)
        memcpy(head, lk->head.data(), sizeof head);
    else if (pread(t->fd, head, sizeof head, 0) != (ssize_t)sizeof head)
        return db3_fail(err, DB3_ERR_IO, "table %s cannot be read", t->name.c_str());
    out->dev = named.st_dev;
    out->ino = named.st_ino;
    out->size = named.st_size;
    out->mtime_ns = db3_file_time_ns(named.st_mtim);
    out->ctime_ns = db3_file_time_ns(named.st_ctim);
    out->count = (long)((unsigned long)head[4] | (unsigned long)head[5] << 8 | (unsigned long)head[6] << 16
                        | (unsigned long)head[7] << 24);
    out->header_length = (long)(head[8] | head[9] << 8);
    out->counter = (unsigned)(head[DB3_COUNTER_AT] | head[DB3_COUNTER_AT + 1] << 8);
    out->taken_ns = taken;
    out->own = 0;
    out->coarse = db3_coarse_time(named.st_mtim);
    return 1;
}

/* Brings t's indexes up to the running statement, once per statement:
 * they are kept while the file is the one they were built from and its
 * state vouches for it (db3_stamp_vouches), else dropped, to be built from
 * the file as it is now. Answers 1, or 0 with the condition. */
static int db3_check_stamp(db3_table *t, db3_error *err)
{
    if (t->stamp_generation == t->session->generation) return 1;
    db3_stamp now;
    if (!db3_take_stamp(t, &now, err, 0)) return 0;
    if (!db3_same_file(now, t->stamp) || !db3_stamp_vouches(t->stamp)) {
        t->indexes.clear();
        t->stamp = now;
    }
    t->stamp_generation = t->session->generation;
    return 1;
}

/* Takes t's stamp right after the session's own write, still under its
 * lock: the state its indexes (moved, or none) follow, which the change
 * counter vouches for until another session writes. Answers 0 when the
 * file cannot be read. */
static int db3_own_stamp(db3_table *t)
{
    db3_stamp now;
    db3_error ignored;
    if (!db3_take_stamp(t, &now, &ignored)) return 0;
    now.own = 1;
    t->stamp = now;
    t->stamp_generation = -1;
    t->fetched.clear();
    t->fetched_generation = -1;
    return 1;
}

/* Drops t's indexes: the statement wrote the file. */
static void db3_drop_indexes(db3_table *t)
{
    t->indexes.clear();
    t->stamp = db3_stamp();
    t->stamp_generation = -1;
    t->fetched.clear();
    t->fetched_generation = -1;
}

/* The key of a number: its bits turned so that keys compare as the
 * numbers do (zero has one key). */
static uint64_t db3_number_key(double d)
{
    if (d == 0) d = 0;
    uint64_t u;
    memcpy(&u, &d, sizeof u);
    return (u >> 63) ? ~u : u | (1ULL << 63);
}

/* The key of a text: a hash of it without its trailing blanks (equal
 * texts, as the column's collation compares them, share a key). */
static uint64_t db3_text_key(const char *text, size_t length)
{
    while (length && text[length - 1] == ' ') length--;
    return (uint64_t)std::hash<std::string_view>()(std::string_view(text, length));
}

/* Answers 1 with *d the number a text compares as where SQLite compares
 * it as a number (a text column against a number column, a numeric CAST,
 * an IN subquery of numbers): blanks around an optional sign, digits with
 * an optional point and an optional exponent ('05', ' 5', '+5', '5.0',
 * '5e0'); 0 for any other text, which stays a text. */
static int db3_text_number(const char *text, size_t length, double *d)
{
    auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r'; };
    auto digit = [](char c) { return c >= '0' && c <= '9'; };
    size_t i = 0, end = length;
    while (i < end && blank(text[i])) i++;
    while (end > i && blank(text[end - 1])) end--;
    if (i < end && text[i] == '+') i++;
    size_t from = i, digits = 0;
    if (i < end && text[i] == '-') i++;
    for (; i < end && digit(text[i]); i++) digits++;
    if (i < end && text[i] == '.')
        for (i++; i < end && digit(text[i]); i++) digits++;
    if (!digits) return 0;
    if (i < end && (text[i] == 'e' || text[i] == 'E')) {
        size_t exponent = 0;
        if (++i < end && (text[i] == '+' || text[i] == '-')) i++;
        for (; i < end && digit(text[i]); i++) exponent++;
        if (!exponent) return 0;
    }
    if (i != end) return 0;
    std::string number(text + from, end - from);
    *d = strtod(number.c_str(), nullptr);
    return !std::isnan(*d);
}

/* Adds to ix the key of field ix.field of record n (bytes rec), when the
 * record is live and the field not blank: a text's hash, and the key of
 * the number it compares as when it reads as one (db3_text_number), so
 * that a look-up by a number finds it too. Answers 0 when a number field
 * holds no number. */
static int db3_index_record(const db3_table *t, db3_colindex *ix, const char *rec, long n)
{
    if (rec[0] == DBF_DELETED) return 1;
    const db3_vfield &f = t->fields[(size_t)ix->field];
    db3_field_value v;
    if (!db3_field_read(&f.type, rec + f.offset, f.type.width, &v)) return 0;
    if (v.kind == DB3_VALUE_NULL) return 1;
    uint64_t key;
    double d;
    if (!ix->numeric) {
        key = db3_text_key(v.text, (size_t)v.length);
        if (db3_text_number(v.text, (size_t)v.length, &d)) ix->entries.emplace_back(db3_number_key(d), n);
    } else if (v.kind == DB3_VALUE_INT) {
        key = db3_number_key((double)v.i);
    } else if (v.kind == DB3_VALUE_REAL && !std::isnan(v.d)) {
        key = db3_number_key(v.d);
    } else {
        return 0;
    }
    ix->entries.emplace_back(key, n);
    return 1;
}

/* Takes the tops of ix anew from its entries. */
static void db3_index_tops(db3_colindex *ix)
{
    ix->tops.clear();
    for (const auto *below = &ix->entries; below->size() > DB3_INDEX_STRIDE; below = &ix->tops.back()) {
        std::vector<std::pair<uint64_t, long>> level;
        level.reserve(below->size() / DB3_INDEX_STRIDE + 1);
        for (size_t i = 0; i < below->size(); i += DB3_INDEX_STRIDE) level.push_back((*below)[i]);
        ix->tops.push_back(std::move(level));
    }
}

/* Answers the first entry of ix not below e. */
static std::vector<std::pair<uint64_t, long>>::const_iterator db3_index_seek(const db3_colindex &ix,
                                                                               const std::pair<uint64_t, long> &e)
{
    /* Element b of a level is element b * STRIDE of the one below: the
     * first element not below e at one level bounds the run below that
     * holds the first there, which follows the element before it. */
    size_t from = 0, to = ix.tops.empty() ? ix.entries.size() : ix.tops.back().size();
    for (size_t k = ix.tops.size(); k-- > 0;) {
        const auto &level = ix.tops[k];
        size_t below = k ? ix.tops[k - 1].size() : ix.entries.size();
        size_t b = (size_t)(std::lower_bound(level.begin() + (std::ptrdiff_t)from, level.begin() + (std::ptrdiff_t)to, e)
                            - level.begin());
        from = b ? (b - 1) * DB3_INDEX_STRIDE : 0;
        to = std::min(below, b * DB3_INDEX_STRIDE);
    }
    return std::lower_bound(ix.entries.begin() + (std::ptrdiff_t)from, ix.entries.begin() + (std::ptrdiff_t)to, e);
}

/* Builds the index of field f from the file as the stamp found it (the
 * statement holds the table's lock). An index meeting a field that holds
 * no number is kept unusable: scans serve the column and report the
 * field. Answers the index, or none with DB3_ERR_DAMAGED, DB3_ERR_IO or
 * DB3_ERR_MEMORY. */
static db3_colindex *db3_build_index(db3_table *t, int f, db3_error *err)
{
    for (db3_colindex &ix : t->indexes)
        if (ix.field == f) return &ix;
    const db3_stamp &st = t->stamp;
    if ((long long)st.size < (long long)st.header_length + (long long)st.count * t->record_length) {
        db3_fail(err, DB3_ERR_DAMAGED, "table %s is damaged: its header counts %ld records, the file holds fewer",
                 t->name.c_str(), st.count);
        return nullptr;
    }
    db3_colindex ix;
    ix.field = f;
    ix.numeric = t->fields[(size_t)f].file_type != 'C';
    ix.usable = 1;
    try {
        ix.entries.reserve((size_t)st.count);
        std::string chunk;
        for (long first = 0; ix.usable && first < st.count; first += DB3_BUILD_CHUNK) {
            long k = std::min(DB3_BUILD_CHUNK, st.count - first);
            size_t bytes = (size_t)k * (size_t)t->record_length;
            chunk.resize(bytes);
            off_t at = (off_t)st.header_length + (off_t)first * t->record_length;
            if (pread(t->fd, &chunk[0], bytes, at) != (ssize_t)bytes) {
                db3_fail(err, DB3_ERR_IO, "table %s cannot be read", t->name.c_str());
                return nullptr;
            }
            t->session->indexed += k;
            for (long i = 0; i < k && ix.usable; i++)
                ix.usable = db3_index_record(t, &ix, chunk.data() + (size_t)i * (size_t)t->record_length, first + i);
        }
        if (!ix.usable) ix.entries.clear();
        ix.entries.shrink_to_fit();
        std::sort(ix.entries.begin(), ix.entries.end());
        db3_index_tops(&ix);
        t->indexes.push_back(std::move(ix));
    } catch (...) {
        db3_fail(err, DB3_ERR_MEMORY, "no memory to index table %s", t->name.c_str());
        return nullptr;
    }
    return &t->indexes.back();
}

/* The keys under which a text index ix holds the records whose text
 * may equal a constraint's value v, into keys[0] and, for a number, keys[1]
 * (*count of them): the hash of v's text, which a text comparison (a
 * literal, a text column) matches, and for a number the key of the texts
 * that read as it, which a comparison as numbers (a number column, a
 * numeric CAST) matches; the comparison itself is SQLite's. Answers 0 when
 * v cannot be keyed (a null, a blob): a scan serves it. */
static int db3_text_value_keys(sqlite3_value *v, uint64_t keys[2], int *count)
{
    int type = sqlite3_value_type(v);
    if (type == SQLITE_NULL || type == SQLITE_BLOB) return 0;
    double d = type == SQLITE_INTEGER ? (double)sqlite3_value_int64(v) : sqlite3_value_double(v);
    const char *text = reinterpret_cast<const char *>(sqlite3_value_text(v));
    if (!text) return 0;
    keys[0] = db3_text_key(text, (size_t)sqlite3_value_bytes(v));
    *count = 1;
    if ((type == SQLITE_INTEGER || type == SQLITE_FLOAT) && !std::isnan(d)) keys[(*count)++] = db3_number_key(d);
    return 1;
}

/* The key of a constraint's value v for a number index: *key. Answers 0
 * when v cannot be keyed (a blob, a text not a number): a scan serves
 * it. */
static int db3_value_key(sqlite3_value *v, uint64_t *key)
{
    int type = sqlite3_value_type(v);
    double d;
    if (type == SQLITE_INTEGER) {
        d = (double)sqlite3_value_int64(v);
    } else if (type == SQLITE_FLOAT) {
        d = sqlite3_value_double(v);
    } else if (type == SQLITE_TEXT) {
        /* A text that reads as a number compares as that number. */
        sqlite3_value *copy = sqlite3_value_dup(v);
        int as = copy ? sqlite3_value_numeric_type(copy) : SQLITE_TEXT;
        d = as == SQLITE_INTEGER ? (double)sqlite3_value_int64(copy) : sqlite3_value_double(copy);
        sqlite3_value_free(copy);
        if (as != SQLITE_INTEGER && as != SQLITE_FLOAT) return 0;
    } else {
        return 0;
    }
    if (std::isnan(d)) return 0;
    *key = db3_number_key(d);
    return 1;
}

/* Finds through t's index of the plan idx the records whose field may
 * meet the constraints argv, into hits (ascending). Answers 1, -1 when a
 * scan must serve the plan (the index is unusable, or a value cannot be
 * keyed), or 0 with the condition. */
static int db3_index_hits(db3_table *t, int idx, sqlite3_value **argv, std::vector<long> *hits, db3_error *err)
{
    if (!db3_check_stamp(t, err)) return 0;
    db3_colindex *ix = db3_build_index(t, idx / DB3_PLAN_FIELD, err);
    if (!ix) return 0;
    if (!ix->usable) return -1;
    using entry = std::pair<uint64_t, long>;
    auto from_key = [&](uint64_t low, uint64_t high) {
        for (auto a = db3_index_seek(*ix, entry(low, -1)); a != ix->entries.end() && a->first <= high; ++a)
            hits->push_back(a->second);
    };
    /* The records an equality with v may hold. Answers 0 when a scan
     * must serve it. */
    auto equal_to = [&](sqlite3_value *v) {
        uint64_t keys[2];
        int count = 1;
        if (ix->numeric ? !db3_value_key(v, &keys[0]) : !db3_text_value_keys(v, keys, &count)) return 0;
        for (int k = 0; k < count; k++) from_key(keys[k], keys[k]);
        return 1;
    };
    if (idx & DB3_PLAN_EQ) {
        sqlite3_value *v = nullptr;
        if (sqlite3_vtab_in_first(argv[0], &v) == SQLITE_OK) {
            for (int rc = SQLITE_OK; rc == SQLITE_OK && v; rc = sqlite3_vtab_in_next(argv[0], &v))
                if (sqlite3_value_type(v) != SQLITE_NULL && !equal_to(v)) return -1;
        } else if (sqlite3_value_type(argv[0]) != SQLITE_NULL && !equal_to(argv[0])) {
            return -1;
        }
    } else {
        /* Bounds widened by a step: an integer bound may have been rounded. */
        uint64_t low = 0, high = UINT64_MAX;
        int at = 0;
        if (idx & DB3_PLAN_LOW) {
            if (sqlite3_value_type(argv[at]) == SQLITE_NULL) return 1;
            if (!db3_value_key(argv[at++], &low)) return -1;
            if (low) low--;
        }
        if (idx & DB3_PLAN_HIGH) {
            if (sqlite3_value_type(argv[at]) == SQLITE_NULL) return 1;
            if (!db3_value_key(argv[at], &high)) return -1;
            if (high != UINT64_MAX) high++;
        }
        if (low <= high) from_key(low, high);
    }
    std::sort(hits->begin(), hits->end());
    hits->erase(std::unique(hits->begin(), hits->end()), hits->end());
    return 1;
}

/* The bytes of record n as stored in the file when the running statement
 * began: from the snapshot when it was loaded, else read by number into
 * *into. Answers none with the condition when the record cannot be read
 * (none without one past the file's records). */
static const char *db3_record_read(db3_table *t, long n, std::string *into, db3_error *err)
{
    if (t->snap_generation == t->session->generation)
        return n < t->snap_count ? t->snap.data() + (size_t)n * (size_t)t->record_length : nullptr;
    if (!db3_check_stamp(t, err)) return nullptr;
    if (n < 0 || n >= t->stamp.count) return nullptr;
    into->resize((size_t)t->record_length);
    off_t at = (off_t)t->stamp.header_length + (off_t)n * t->record_length;
    if (pread(t->fd, &(*into)[0], into->size(), at) != (ssize_t)into->size()) {
        db3_fail(err, DB3_ERR_DAMAGED, "table %s: record %ld cannot be read", t->name.c_str(), n + 1);
        return nullptr;
    }
    return into->data();
}

/* The same, read by number once and kept for the statement: the records
 * its writes read back stay where they were read. */
static const char *db3_record_stored(db3_table *t, long n, db3_error *err)
{
    if (t->snap_generation == t->session->generation) return db3_record_read(t, n, nullptr, err);
    if (t->fetched_generation != t->session->generation) {
        t->fetched.clear();
        t->fetched_generation = t->session->generation;
    }
    auto it = t->fetched.find(n);
    if (it != t->fetched.end()) return it->second.data();
    std::string rec;
    if (!db3_record_read(t, n, &rec, err)) return nullptr;
    return t->fetched.emplace(n, std::move(rec)).first->second.data();
}

/* Opens a cursor. Answers SQLITE_OK (the records are read by xFilter),
 * or SQLITE_NOMEM. */
static int db3_open(sqlite3_vtab *, sqlite3_vtab_cursor **out)
{
    db3_cursor *c = new (std::nothrow) db3_cursor();
    if (!c) return SQLITE_NOMEM;
    c->rec = -1;
    c->now = nullptr;
    c->memo = nullptr;
    c->indexed = 0;
    c->in_window = 0;
    c->apart = 0;
    c->own_generation = -1;
    c->hit = 0;
    *out = &c->base;
    return SQLITE_OK;
}

/* Closes a cursor. Answers SQLITE_OK. */
static int db3_close(sqlite3_vtab_cursor *cur)
{
    db3_cursor *c = reinterpret_cast<db3_cursor *>(cur);
    db3_release_handle(&c->memo);
    db3_release_handle(&c->own.reader);
    delete c;
    return SQLITE_OK;
}

static int db3_next(sqlite3_vtab_cursor *cur);

/* Starts a scan: over the records the plan's index finds (a look-up
 * finding many reads the table as a scan does), else at the first record.
 * Answers SQLITE_OK, or SQLITE_ERROR when the table's records cannot be
 * read. */
static int db3_filter(sqlite3_vtab_cursor *cur, int idx, const char *, int, sqlite3_value **argv)
{
    db3_cursor *c = reinterpret_cast<db3_cursor *>(cur);
    db3_table *t = reinterpret_cast<db3_table *>(cur->pVtab);
    db3_error e;
    c->rec = -1;
    c->now = nullptr;
    c->indexed = 0;
    c->hits.clear();
    c->hit = 0;
    if (idx) {
        int got;
        try {
            got = db3_index_hits(t, idx, argv, &c->hits, &e);
        } catch (...) {
            got = db3_fail(&e, DB3_ERR_MEMORY, "no memory to look up table %s", t->name.c_str());
        }
        if (got == 0) return db3_vt_fail(t, e);
        /* A look-up finding many records reads them as a scan does, in
         * the same order (SQLite tests every record it is given). */
        c->indexed = got == 1 && c->hits.size() <= DB3_FETCH_MAX;
        if (!c->indexed) c->hits.clear();
    }
    c->apart = 0;
    if (!c->indexed) {
        /* The statement's first scan reads windows. A later one of a
         * table longer than a window reads windows of its own; of a
         * shorter one, the snapshot, which every later scan reads too. */
        long generation = t->session->generation;
        bool first = t->scan_generation != generation && t->snap_generation != generation;
        c->apart = !first && t->snap_generation != generation && t->scan.count > DB3_BUILD_CHUNK;
        if (c->apart) {
            if ((c->own_generation != generation || !c->own.reader) && !db3_window_start(t, &c->own, &e))
                return db3_vt_fail(t, e);
            c->own_generation = generation;
        } else if (first ? !db3_window_open(t, &e) : !db3_load_snapshot(t, &e)) {
            return db3_vt_fail(t, e);
        }
    }
    return db3_next(cur);
}

/* Moves to the next record not marked deleted. Answers SQLITE_OK, or
 * SQLITE_ERROR when a record cannot be read. */
static int db3_next(sqlite3_vtab_cursor *cur)
{
    db3_cursor *c = reinterpret_cast<db3_cursor *>(cur);
    db3_table *t = reinterpret_cast<db3_table *>(cur->pVtab);
    c->now = nullptr;
    c->in_window = 0;
    if (c->indexed) {
        while (c->hit < c->hits.size()) {
            db3_error e;
            long n = c->hits[c->hit++];
            /* Read into the cursor: a statement looking up every row of
             * another table keeps one record, not every one it met. */
            const char *rec = db3_record_read(t, n, &c->found, &e);
            if (!rec) return db3_vt_fail(t, e.native ? e : (db3_fail(&e, DB3_ERR_DAMAGED, "table %s changed while the statement ran", t->name.c_str()), e));
            t->session->visited++;
            if (rec[0] == DBF_DELETED) continue;
            c->rec = n;
            c->now = rec;
            c->in_window = rec == c->found.data();   /* its bytes go at the next record */
            return SQLITE_OK;
        }
        c->rec = t->snap_count;
        return SQLITE_OK;
    }
    db3_error e;
    long from = c->rec;
    int got = db3_next_live(t, &c->rec, &c->now, &e, c->apart ? &c->own : nullptr);
    t->session->visited += c->rec - from - (got == 1 ? 0 : 1);
    if (got < 0) return db3_vt_fail(t, e);
    if (got == 0) c->now = nullptr;
    c->in_window = got == 1 && (c->apart || t->snap_generation != t->session->generation);
    return SQLITE_OK;
}

/* Answers 1 after the last record. */
static int db3_eof(sqlite3_vtab_cursor *cur)
{
    return reinterpret_cast<db3_cursor *>(cur)->now == nullptr;
}

/* Gives the memo text of field i of the current record. Answers SQLITE_OK,
 * or SQLITE_ERROR when the memo file cannot be read. */
static int db3_memo_column(db3_cursor *c, db3_table *t, sqlite3_context *ctx, int i)
{
    db3_error e;
    if (!c->memo && !db3_open_handle(t, &c->memo, DBF_MODE_READ, 1, "read the memos of", &e)) {
        sqlite3_result_error(ctx, e.text.c_str(), -1);
        return db3_vt_fail(t, e);
    }
    int read = c->memo->current != c->rec ? dbf_read_record(c->memo, c->rec) : DBF_OK;
    std::string text;
    if (read == DBF_ERR_OPEN)
        db3_memo_no_memory(t, c->rec, &e);
    else if (read != DBF_OK)
        db3_fail(&e, DB3_ERR_DAMAGED, "table %s: record %ld cannot be read", t->name.c_str(), c->rec + 1);
    if (read != DBF_OK || !db3_memo_of(t, c->memo, i, c->rec, text, &e)) {
        sqlite3_result_error(ctx, e.text.c_str(), -1);
        return db3_vt_fail(t, e);
    }
    /* A memo that lies past the end of the memo file is gone: damage, not
     * a row without one. */
    if (dbt_block_past_end(c->memo, i)) {
        db3_fail(&e, DB3_ERR_DAMAGED, "table %s, record %ld: the memo of field %s lies past the end of its memo file",
                 t->name.c_str(), c->rec + 1, t->fields[(size_t)i].name.c_str());
        sqlite3_result_error(ctx, e.text.c_str(), -1);
        return db3_vt_fail(t, e);
    }
    if (text.empty())
        sqlite3_result_null(ctx);
    else
        sqlite3_result_text(ctx, text.data(), (int)text.size(), SQLITE_TRANSIENT);
    return SQLITE_OK;
}

/* Sets err to the condition of field i of record rec that holds no
 * number. Answers 0. */
static int db3_no_number(const db3_table *t, int i, long rec, db3_error *err)
{
    return db3_fail(err, DB3_ERR_DAMAGED, "table %s, record %ld: field %s holds no number", t->name.c_str(), rec + 1,
                    t->fields[(size_t)i].name.c_str());
}

/* Gives column i of the current record. Answers SQLITE_OK, or SQLITE_ERROR
 * when a number field holds no number. */
static int db3_column(sqlite3_vtab_cursor *cur, sqlite3_context *ctx, int i)
{
    db3_cursor *c = reinterpret_cast<db3_cursor *>(cur);
    db3_table *t = reinterpret_cast<db3_table *>(cur->pVtab);
    const db3_vfield &f = t->fields[(size_t)i];
    /* A column an UPDATE leaves as it is keeps its bytes (db3_build_record):
     * it is neither read nor written again. */
    if (sqlite3_vtab_nochange(ctx)) return SQLITE_OK;
    if (f.file_type == 'M') return db3_memo_column(c, t, ctx, i);
    if (f.type.exact && f.type.width > DB3_DOUBLE_TEXT_MAX) {
        /* A wide exact number: SQLite computes with its double, the engine
         * hands on its digits. */
        db3_field_value v;
        if (db3_field_read(&f.type, c->now + f.offset, f.type.width, &v) && v.kind == DB3_VALUE_REAL
            && v.length > DB3_DOUBLE_TEXT_MAX) {
            uint64_t bits;
            memcpy(&bits, &v.d, sizeof bits);
            try {
                auto key = std::make_pair(i, bits);
                auto known = t->wide.find(key);
                if (known == t->wide.end()) {
                    if (t->wide.size() < DB3_WIDE_MAX) t->wide.emplace(key, std::string(v.text, (size_t)v.length));
                } else if (known->second.compare(0, std::string::npos, v.text, (size_t)v.length) != 0) {
                    known->second.clear();
                }
            } catch (...) {
                /* no memory: the double serves */
            }
            sqlite3_result_double(ctx, v.d);
            return SQLITE_OK;
        }
    }
    if (!db3_field_result(ctx, &f.type, c->now + f.offset, f.type.width, c->in_window)) {
        db3_error e;
        db3_no_number(t, i, c->rec, &e);
        sqlite3_result_error(ctx, e.text.c_str(), -1);
        return db3_vt_fail(t, e);
    }
    return SQLITE_OK;
}

/* Gives the current record number (from 0) as the row id. */
static int db3_rowid(sqlite3_vtab_cursor *cur, sqlite_int64 *rowid)
{
    *rowid = reinterpret_cast<db3_cursor *>(cur)->rec;
    return SQLITE_OK;
}

/* Opens the file for update when the statement first writes. Answers 1,
 * or 0 with the condition (DB3_ERR_DAMAGED when the file is shorter than
 * its header says); a failure leaves the file as it was. */
static int db3_open_writer(db3_table *t, db3_error *err)
{
    if (t->writer) return 1;
    /* A table another session refills is written by that session alone. */
    char why[512];
    if (dbf_guard_refuses(t->path.c_str(), t->name.c_str(), (long)getpid(), why, sizeof why))
        return db3_fail(err, DB3_ERR_LOCKED, "%s", why);
    if (!db3_open_handle(t, &t->writer, DBF_MODE_UPDATE, 0, "write", err)) return 0;
    int ok = 1;
    t->base_count = (long)t->writer->header.record_count;
    db3_pending_begin(&t->pending, t->session->dir, t->name, t->record_length, t->base_count);
    /* Appending after missing records would fill them with zeros. */
    struct stat st;
    long long need = (long long)t->writer->header.header_length + (long long)t->base_count * t->record_length;
    if (t->writer->header.record_length != t->record_length)
        ok = db3_fail(err, DB3_ERR_DAMAGED, "table %s changed while the statement ran", t->name.c_str());
    else if (fstat(fileno(t->writer->file), &st) != 0 || (long long)st.st_size < need)
        ok = db3_fail(err, DB3_ERR_DAMAGED, "table %s is damaged: its header counts %ld records, the file holds fewer",
                      t->name.c_str(), t->base_count);
    if (!ok) db3_discard_handle(&t->writer);
    return ok;
}

/* The bytes of record n as the statement sees it: changed, added, or as
 * stored (from the window when the statement's scan read one: the rows a
 * scan found come to be written in record order, after it). Answers none
 * for a record the file does not hold, or with DB3_ERR_IO in err when the
 * records the statement wrote cannot be read back. */
static const char *db3_record_now(db3_table *t, long n, db3_error *err)
{
    db3_error ignored;
    if (db3_pending_has(&t->pending, n)) return db3_pending_get(&t->pending, n, err);
    if (t->scan_generation == t->session->generation && t->snap_generation != t->session->generation && t->scan.reader
        && n >= 0 && n < t->scan.count)
        return db3_window_record(t, &t->scan, n, &ignored);
    return db3_record_stored(t, n, &ignored);
}

/* The key of a unique index in a record; answers 0 when a column is null. */
static int db3_record_key(db3_table *t, const db3_ukey &k, const char *rec, std::string *key)
{
    key->clear();
    for (int fi : k.fields) {
        const db3_vfield &f = t->fields[(size_t)fi];
        if (!db3_field_key(&f.type, rec + f.offset, f.type.width, key)) return 0;
        key->push_back('\x1f');
    }
    return 1;
}

/* Reads the unique indexes of the side file. The keys of the live records
 * are found through the in-memory index of a column of each (which
 * follows the file as look-ups trust it: db3_check_stamp); an index none
 * of whose columns can be indexed has the keys of the whole table loaded.
 * Answers 1, or 0 with the condition (a duplicate already in the file is
 * left alone: only new keys are refused). */
static int db3_load_keys(db3_table *t, db3_error *err)
{
    if (t->keys_loaded) return 1;
    std::vector<db3_index> list;
    std::string dir = t->session->dir;
    if (!db3_read_indexes(dir, t->name, &list, err)) return 0;
    t->ukeys.clear();
    for (const db3_index &ix : list) {
        if (!ix.unique) continue;
        db3_ukey k;
        k.name = ix.name;
        for (const std::string &col : ix.columns) {
            for (size_t i = 0; i < t->fields.size(); i++)
                if (dbf_name_equal(t->fields[i].name.c_str(), col.c_str(), DBF_NAME_MAX) == 1) k.fields.push_back((int)i);
        }
        /* An index naming a column the table no longer has cannot be kept. */
        if (k.fields.size() == ix.columns.size()) t->ukeys.push_back(std::move(k));
    }
    bool whole = false;
    if (!t->ukeys.empty() && !db3_check_stamp(t, err)) return 0;
    for (db3_ukey &k : t->ukeys) {
        /* A record holding a key holds every column of it. */
        for (size_t c = 0; c < k.fields.size() && k.field < 0; c++) {
            char type = t->fields[(size_t)k.fields[c]].file_type;
            if (type != 'C' && type != 'N' && type != 'F') continue;
            db3_colindex *ix = db3_build_index(t, k.fields[c], err);
            if (!ix) return 0;
            if (ix->usable) k.field = k.fields[c];
        }
        if (k.field < 0) whole = true;
    }
    if (whole && !db3_load_snapshot(t, err)) return 0;
    std::string key;
    for (db3_ukey &k : t->ukeys) {
        if (k.field >= 0) continue;
        for (long n = 0; n < t->snap_count; n++) {
            const char *rec = t->snap.data() + (size_t)n * (size_t)t->record_length;
            if (rec[0] == DBF_DELETED || !db3_record_key(t, k, rec, &key)) continue;
            k.owner.emplace(key, n);
            k.key_of[n] = key;
        }
    }
    t->keys_loaded = 1;
    return 1;
}

/* Finds a record of the file other than n that holds key (the key of
 * unique index k in rec, the bytes of record n) as the statement sees it:
 * through the index of k.field, the records whose field may equal rec's,
 * each compared whole; the records the statement changed are left to
 * k.owner. Answers 1 with *holder the record or -1 for none, or 0 with
 * the condition. */
static int db3_stored_holder(db3_table *t, const db3_ukey &k, long n, const char *rec, const std::string &key,
                             long *holder, db3_error *err)
{
    using entry = std::pair<uint64_t, long>;
    *holder = -1;
    db3_colindex *ix = db3_build_index(t, k.field, err);
    if (!ix) return 0;
    db3_colindex mine;
    mine.field = ix->field;
    mine.numeric = ix->numeric;
    std::string live(rec, (size_t)t->record_length), other;
    live[0] = ' ';
    db3_index_record(t, &mine, live.data(), n);
    for (const entry &e : mine.entries) {
        /* A number read two ways may round a step apart. */
        uint64_t low = e.first - (ix->numeric && e.first), high = e.first + (ix->numeric && e.first != UINT64_MAX);
        for (auto a = db3_index_seek(*ix, entry(low, -1)); a != ix->entries.end() && a->first <= high; ++a) {
            long m = a->second;
            if (m == n || m >= t->base_count || db3_pending_has(&t->pending, m)) continue;
            const char *was = db3_record_stored(t, m, err);
            if (!was) return 0;
            if (was[0] != DBF_DELETED && db3_record_key(t, k, was, &other) && other == key) {
                *holder = m;
                return 1;
            }
        }
    }
    return 1;
}

/* Takes record n's keys out of the unique indexes. */
static void db3_drop_keys(db3_table *t, long n)
{
    for (db3_ukey &k : t->ukeys) {
        auto it = k.key_of.find(n);
        if (it == k.key_of.end()) continue;
        auto o = k.owner.find(it->second);
        if (o != k.owner.end() && o->second == n) k.owner.erase(o);
        k.key_of.erase(it);
    }
}

/* Puts record n's keys into the unique indexes, checked unless check is
 * 0. Answers 1, or 0 with DB3_ERR_DUPLICATE when another record holds one
 * of them, or another condition when the file cannot be read (nothing is
 * changed then). */
static int db3_add_keys(db3_table *t, long n, const char *rec, db3_error *err, int check = 1)
{
    std::vector<std::string> keys(t->ukeys.size());
    std::vector<int> has(t->ukeys.size(), 0);
    for (size_t i = 0; i < t->ukeys.size(); i++) {
        db3_ukey &k = t->ukeys[i];
        if (!db3_record_key(t, k, rec, &keys[i])) continue;
        auto o = k.owner.find(keys[i]);
        long holder = check && o != k.owner.end() && o->second != n ? o->second : -1;
        if (check && holder < 0 && k.field >= 0 && !db3_stored_holder(t, k, n, rec, keys[i], &holder, err)) return 0;
        if (holder >= 0)
            return db3_fail(err, DB3_ERR_DUPLICATE, "duplicate key in unique index %s of table %s", k.name.c_str(),
                            t->name.c_str());
        has[i] = 1;
    }
    for (size_t i = 0; i < t->ukeys.size(); i++) {
        if (!has[i]) continue;
        t->ukeys[i].owner[keys[i]] = n;
        t->ukeys[i].key_of[n] = keys[i];
    }
    return 1;
}

/* Loads into the table's memo reader the stored memos of the record
 * bytes old. Answers 1, or 0 with DB3_ERR_DAMAGED when the memo file
 * cannot be read, DB3_ERR_MEMORY when memory runs out. */
static int db3_load_stored_memos(db3_table *t, const char *old, db3_error *err)
{
    if (!t->memo_reader && !db3_open_handle(t, &t->memo_reader, DBF_MODE_READ, 1, "read the memos of", err)) return 0;
    dbf_handle *h = t->memo_reader;
    if (h->header.record_length != t->record_length)
        return db3_fail(err, DB3_ERR_DAMAGED, "table %s changed while the statement ran", t->name.c_str());
    memcpy(h->record, old, (size_t)t->record_length);
    if (h->memo_state == 1 && dbf_load_memos(h) == DBF_ERR_OPEN) return db3_memo_no_memory(t, -1, err);
    return 1;
}

/* Answers whether text, given for a memo whose text is now, leaves it
 * as it is: the same text, or the beginning of a longer memo as far as an
 * engine value carries it (trailing blanks cut). */
static bool db3_memo_unchanged(const std::string &text, const std::string &now)
{
    if (text == now) return true;
    if (now.size() <= DB3_VALUE_CHARS) return false;
    std::string shown = now.substr(0, DB3_VALUE_CHARS);
    while (!shown.empty() && shown.back() == ' ') shown.pop_back();
    return text == shown;
}

/* Takes the value v of memo field i for a record whose bytes are rec (old
 * its stored bytes, none for a new record) into the record's new memo
 * texts memos: a null or blank value blanks the field; a text that leaves
 * the memo the record has now unchanged (db3_memo_unchanged) keeps it;
 * any other text waits in memos for the commit. Answers 1, or 0 with the
 * condition. */
static int db3_take_memo(db3_table *t, int i, sqlite3_value *v, const char *old, int *loaded, char *at,
                         std::map<int, std::string> *memos, db3_error *err)
{
    const db3_vfield &f = t->fields[(size_t)i];
    if (sqlite3_value_type(v) == SQLITE_BLOB)
        return db3_fail(err, DB3_ERR_TYPE, "a binary value cannot go into column %s", f.name.c_str());
    std::string text;
    if (sqlite3_value_type(v) != SQLITE_NULL) {
        const char *p = reinterpret_cast<const char *>(sqlite3_value_text(v));
        if (!p) return db3_fail(err, DB3_ERR_MEMORY, "no memory for the value of column %s", f.name.c_str());
        text.assign(p, (size_t)sqlite3_value_bytes(v));
    }
    while (!text.empty() && (text.back() == ' ' || text.back() == '\0')) text.pop_back();
    if (text.find((char)DBF_END_MARK) != std::string::npos)
        return db3_fail(err, DB3_ERR_TYPE, "memo column %s cannot hold the byte 0x1A, which ends a memo", f.name.c_str());
    auto pending = memos->find(i);
    std::string now;
    if (pending != memos->end()) {
        now = pending->second;
    } else if (old && !text.empty()) {
        if (!*loaded && !db3_load_stored_memos(t, old, err)) return 0;
        *loaded = 1;
        if (!db3_memo_of(t, t->memo_reader, i, -1, now, err)) return 0;
    }
    if (!text.empty() && pending == memos->end() && old && db3_memo_unchanged(text, now)) return 1;
    if (pending != memos->end()) memos->erase(pending);
    memset(at, ' ', (size_t)f.type.width);
    if (!text.empty()) (*memos)[i] = text;
    return 1;
}

/* Builds a record from the new values argv[2..] over the old record (or
 * blanks), the new texts of its memo fields going to memos (which holds
 * those the statement gave the record before); a column an UPDATE leaves
 * as it is keeps the old record's bytes. Answers 1, or 0 with the
 * condition. */
static int db3_build_record(db3_table *t, sqlite3_value **argv, const char *old, std::string *rec,
                            std::map<int, std::string> *memos, db3_error *err)
{
    rec->assign((size_t)t->record_length, ' ');
    if (old) rec->assign(old, (size_t)t->record_length);
    (*rec)[0] = ' ';
    int loaded = 0;
    for (size_t i = 0; i < t->fields.size(); i++) {
        const db3_vfield &f = t->fields[i];
        sqlite3_value *v = argv[2 + i];
        char *at = &(*rec)[(size_t)f.offset];
        if (sqlite3_value_nochange(v)) continue;
        if (f.file_type == 'M') {
            if (!db3_take_memo(t, (int)i, v, old, &loaded, at, memos, err)) return 0;
            continue;
        }
        if (!db3_field_store(&f.type, v, at, f.name.c_str(), err)) return 0;
    }
    return 1;
}

/* Keeps the new memo texts of record n until the commit (none: forgets
 * any it had). */
static void db3_keep_memos(db3_table *t, long n, std::map<int, std::string> &&memos)
{
    if (memos.empty())
        t->memos.erase(n);
    else
        t->memos[n] = std::move(memos);
}

/* The code SQLite is answered for a write that failed with e. */
static int db3_refused(const db3_error &e)
{
    return e.native == DB3_ERR_DUPLICATE ? SQLITE_CONSTRAINT : SQLITE_ERROR;
}

/* Marks record n deleted, kept until the statement commits. Answers 1,
 * or 0 with the condition. */
static int db3_delete_record(db3_table *t, long n, db3_error *err)
{
    if (!db3_open_writer(t, err) || !db3_load_keys(t, err)) return 0;
    const char *old = db3_record_now(t, n, err);
    if (!old)
        return err->native ? 0 : db3_fail(err, DB3_ERR_INTERNAL, "record %ld of %s is unknown", n + 1, t->name.c_str());
    std::string rec(old, (size_t)t->record_length);
    rec[0] = DBF_DELETED;
    if (!db3_pending_put(&t->pending, n, rec.data(), err)) return 0;
    db3_drop_keys(t, n);
    t->memos.erase(n);
    return 1;
}

/* Inserts, updates or deletes one row (argc 1: delete argv[0]; argv[0]
 * null: insert; else update). The change is kept until the statement
 * commits. Answers SQLITE_OK, SQLITE_CONSTRAINT for a duplicate key, or
 * SQLITE_ERROR with the condition. */
static int db3_update(sqlite3_vtab *vt, int argc, sqlite3_value **argv, sqlite_int64 *rowid)
{
    db3_table *t = reinterpret_cast<db3_table *>(vt);
    db3_error e;
    if (argc == 1) return db3_delete_record(t, (long)sqlite3_value_int64(argv[0]), &e) ? SQLITE_OK : db3_vt_fail(t, e);
    if (!db3_open_writer(t, &e) || !db3_load_keys(t, &e)) return db3_vt_fail(t, e);
    if (sqlite3_value_type(argv[1]) != SQLITE_NULL
        && (sqlite3_value_type(argv[0]) == SQLITE_NULL || sqlite3_value_int64(argv[0]) != sqlite3_value_int64(argv[1])))
        return db3_vt_fail(t, (db3_fail(&e, DB3_ERR_NOT_SUPPORTED, "the record number of table %s cannot be set", t->name.c_str()), e));
    std::string rec;
    std::map<int, std::string> memos;
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL) {
        if (!db3_build_record(t, argv, nullptr, &rec, &memos, &e)) return db3_vt_fail(t, e);
        long n = t->base_count + t->pending.added;
        if (!db3_add_keys(t, n, rec.data(), &e)) return db3_vt_fail(t, e, db3_refused(e));
        if (!db3_pending_put(&t->pending, n, rec.data(), &e)) {
            db3_drop_keys(t, n);
            return db3_vt_fail(t, e);
        }
        db3_keep_memos(t, n, std::move(memos));
        *rowid = n;
        return SQLITE_OK;
    }
    long n = (long)sqlite3_value_int64(argv[0]);
    const char *old = db3_record_now(t, n, &e);
    if (!old)
        return db3_vt_fail(
            t,
            e.native ? e : (db3_fail(&e, DB3_ERR_INTERNAL, "record %ld of %s is unknown", n + 1, t->name.c_str()), e));
    auto had = t->memos.find(n);
    if (had != t->memos.end()) memos = had->second;
    if (!db3_build_record(t, argv, old, &rec, &memos, &e)) return db3_vt_fail(t, e);
    db3_drop_keys(t, n);
    if (!db3_add_keys(t, n, rec.data(), &e)) {
        db3_add_keys(t, n, old, nullptr, 0);
        return db3_vt_fail(t, e, db3_refused(e));
    }
    if (!db3_pending_put(&t->pending, n, rec.data(), &e)) return db3_vt_fail(t, e);
    db3_keep_memos(t, n, std::move(memos));
    return SQLITE_OK;
}

/* The entries a statement's write takes out of one index and puts in. */
struct db3_index_moves {
    db3_colindex gone;                 /* entries of the records as they were */
    db3_colindex come;                 /* entries of the records as written */
};

/* Starts the moves of t's indexes before the statement writes: the
 * entries of the changed records as the file holds them. Answers 0 when
 * the indexes cannot follow the write (another program wrote the file
 * since they were built, or it cannot be read): they are then dropped. */
static int db3_moves_begin(db3_table *t, std::vector<db3_index_moves> *moves)
{
    db3_stamp was;
    db3_error ignored;
    /* A stamp checked in this statement holds: its lock keeps other
     * sessions' writes out. */
    if (t->indexes.empty() || !db3_take_stamp(t, &was, &ignored) || !db3_same_file(was, t->stamp)
        || !(t->stamp_generation == t->session->generation || db3_stamp_vouches(t->stamp)) || was.count != t->base_count)
        return 0;
    /* A write of many records: building the indexes anew costs less
     * than moving so many entries, and takes no memory meanwhile. */
    if (t->pending.changed + t->pending.added > DB3_MOVES_MAX) return 0;
    std::erase_if(t->indexes, [](const db3_colindex &ix) { return !ix.usable; });
    moves->resize(t->indexes.size());
    std::string old;
    return db3_pending_spans(&t->pending, 0, t->base_count, DB3_BUILD_CHUNK, [&](long first, long count) {
        old.resize((size_t)count * (size_t)t->record_length);
        off_t at = (off_t)was.header_length + (off_t)first * t->record_length;
        if (pread(t->fd, &old[0], old.size(), at) != (ssize_t)old.size()) return 0;
        for (long k = 0; k < count; k++)
            for (size_t i = 0; i < moves->size(); i++) {
                db3_colindex &g = (*moves)[i].gone;
                g.field = t->indexes[i].field;
                g.numeric = t->indexes[i].numeric;
                if (!db3_index_record(t, &g, old.data() + (size_t)k * (size_t)t->record_length, first + k)) return 0;
            }
        return 1;
    });
}

/* Ends the moves of t's indexes after the statement wrote the file: the
 * entries of the records written replace those of the records as they
 * were, and the stamp becomes the file's state after the write. Answers 0
 * when they cannot (a field holds no number, the file cannot be read):
 * the indexes are then dropped. */
static int db3_moves_end(db3_table *t, std::vector<db3_index_moves> &moves)
{
    using entry = std::pair<uint64_t, long>;
    for (size_t i = 0; i < moves.size(); i++) {
        db3_colindex &ix = t->indexes[i], &c = moves[i].come;
        c.field = ix.field;
        c.numeric = ix.numeric;
        db3_error ignored;
        if (!db3_pending_runs(
                &t->pending, 0, LONG_MAX, DB3_PENDING_READ,
                [&](long first, long count, char *bytes) {
                    for (long k = 0; k < count; k++)
                        if (!db3_index_record(t, &c, bytes + (size_t)k * (size_t)t->record_length, first + k)) return 0;
                    return 1;
                },
                &ignored))
            return 0;
        std::vector<entry> &e = ix.entries, &was = moves[i].gone.entries;
        std::sort(was.begin(), was.end());
        std::sort(c.entries.begin(), c.entries.end());
        /* An entry both taken out and put back (a record whose key the
         * write did not change) stays where it is: only real moves touch
         * the index, so rewriting other fields costs nothing here. */
        std::vector<entry> gone, come;
        std::set_difference(was.begin(), was.end(), c.entries.begin(), c.entries.end(), std::back_inserter(gone));
        std::set_difference(c.entries.begin(), c.entries.end(), was.begin(), was.end(), std::back_inserter(come));
        c.entries = std::move(come);
        if (gone.size() + c.entries.size() <= 64) {
            for (const entry &g : gone) {
                auto at = std::lower_bound(e.begin(), e.end(), g);
                if (at != e.end() && *at == g) e.erase(at);
            }
            for (const entry &n : c.entries) e.insert(std::upper_bound(e.begin(), e.end(), n), n);
        } else {
            if (!gone.empty())
                std::erase_if(e, [&](const entry &x) { return std::binary_search(gone.begin(), gone.end(), x); });
            size_t kept = e.size();
            e.insert(e.end(), c.entries.begin(), c.entries.end());
            std::inplace_merge(e.begin(), e.begin() + (std::ptrdiff_t)kept, e.end());
        }
        if (!gone.empty() || !c.entries.empty()) db3_index_tops(&ix);
    }
    return db3_own_stamp(t);
}

/* Forgets the statement's changes and closes the file. */
static void db3_end_write(db3_table *t)
{
    db3_discard_handle(&t->writer);   /* a synced writer is closed already */
    db3_release_handle(&t->memo_reader);
    t->memos.clear();
    db3_pending_clear(&t->pending);
    t->ukeys.clear();
    t->keys_loaded = 0;
}

/* Starts a write: nothing is pending. Answers SQLITE_OK. */
static int db3_begin(sqlite3_vtab *vt)
{
    db3_end_write(reinterpret_cast<db3_table *>(vt));
    return SQLITE_OK;
}

/* Appends the statement's new memo texts to the memo file and puts the
 * number of each memo's first block into its field of the record that
 * will be written. Answers 1, or 0 with DB3_ERR_NOT_SUPPORTED when the
 * table has no memo file, DB3_ERR_RANGE when a block number does not fit
 * its field, DB3_ERR_DAMAGED or DB3_ERR_IO. */
static int db3_store_new_memos(db3_table *t, db3_error *err)
{
    if (t->memos.empty()) return 1;
    db3_release_handle(&t->memo_reader);
    dbf_handle *h = nullptr;
    if (!db3_open_handle(t, &h, DBF_MODE_UPDATE, 1, "write the memos of", err)) return 0;
    int ok = 1;
    if (h->memo_state != 1)
        ok = db3_fail(err, DB3_ERR_NOT_SUPPORTED, "table %s has no memo file for its memo columns", t->name.c_str());
    std::string held;
    for (auto r = t->memos.begin(); ok && r != t->memos.end(); ++r) {
        long n = r->first;
        const char *now = db3_pending_get(&t->pending, n, err);
        if (!now && err->native) {
            ok = 0;
            break;
        }
        if (!now || now[0] == DBF_DELETED) continue;
        held.assign(now, (size_t)t->record_length);
        std::string *rec = &held;
        for (auto m = r->second.begin(); ok && m != r->second.end(); ++m) {
            const db3_vfield &f = t->fields[(size_t)m->first];
            long block = 0;
            if (dbt_write_lines(h, m->second.data(), m->second.size(), &block) != DBF_OK) {
                ok = db3_fail(err, DB3_ERR_IO, "the memo file of table %s cannot be written: %s", t->name.c_str(),
                              strerror(errno ? errno : EIO));
                break;
            }
            db3_after_write();
            char digits[DB3_BLOCK_TEXT];
            int len = snprintf(digits, sizeof digits, "%ld", block);
            if (len > f.type.width) {
                ok = db3_fail(err, DB3_ERR_RANGE, "memo block %ld does not fit column %s of table %s", block,
                              f.name.c_str(), t->name.c_str());
                break;
            }
            char *at = &(*rec)[(size_t)f.offset];
            memset(at, ' ', (size_t)f.type.width);
            memcpy(at + f.type.width - len, digits, (size_t)len);
        }
        if (ok && !db3_pending_put(&t->pending, n, rec->data(), err)) ok = 0;
    }
    int rc = dbf_close(h);
    const int e = errno;
    dbf_free(h);
    if (ok && rc != DBF_OK)
        ok = db3_fail(err, DB3_ERR_IO, "the memo file of table %s cannot be written: %s", t->name.c_str(),
                      strerror(e ? e : EIO));
    return ok;
}

/* Answers the path of the table's memo file ("" when it has none). */
static std::string db3_memo_path(const db3_table *t)
{
    size_t slash = t->path.rfind('/');
    std::string dir = slash == std::string::npos ? "." : t->path.substr(0, slash);
    std::string base = t->path.substr(slash == std::string::npos ? 0 : slash + 1);
    size_t dot = base.rfind('.');
    if (dot != std::string::npos) base.resize(dot);
    return db3_find_file(dir, base, DBF_EXT_MEMO);
}

/* Saves the table's journal before the statement's first write: the
 * header, descriptors and every record to be rewritten in place, and the
 * memo file's header block when memos are to be appended (appended bytes
 * need no saving: undoing them is cutting the file). Answers 1, or 0 with
 * DB3_ERR_IO. */
static int db3_save_journal(db3_table *t, db3_error *err)
{
    const dbf_header &hd = t->writer->header;
    std::vector<db3_jfile> files(1);
    files[0].path = t->path;
    files[0].ranges.emplace_back(0, (long long)hd.header_length);
    files[0].records = &t->pending;
    files[0].records_at = (long long)hd.header_length;
    std::string memo = t->memos.empty() ? "" : db3_memo_path(t);
    if (!memo.empty()) files.push_back(db3_jfile{memo, {{0, (long long)DBT_BLOCK_SIZE}}});
    t->journal_kept = 1;
    return db3_journal_save(t->path, files, err);
}

/* Fails the statement's sync after writing may have begun: the writer is
 * closed (its buffers reach the file) and the table is put back from its
 * journal, so the failed statement leaves nothing behind. Answers
 * SQLITE_ERROR with the condition e (or that of a failed restore). */
static int db3_sync_fail(db3_table *t, db3_error e)
{
    db3_discard_handle(&t->writer);
    db3_error restore;
    if (!db3_journal_restore(t->path, &restore)) e = restore;
    t->snap_generation = -1;
    db3_drop_indexes(t);
    return db3_vt_fail(t, e);
}

/* Writes the records the statement changed in place and those it adds
 * (after the file's records, the end mark after them), each run of
 * consecutive records in one write. Answers 1, or 0 with DB3_ERR_IO. */
static int db3_write_pending(db3_table *t, db3_error *err)
{
    dbf_handle *h = t->writer;
    if (fflush(h->file) != 0)
        return db3_fail(err, DB3_ERR_IO, "table %s cannot be written: %s", t->name.c_str(), strerror(errno));
    /* The stream no longer knows where it stands. */
    h->pos = -1;
    h->current = -1;
    h->last_io = DBF_IO_NONE;
    int fd = fileno(h->file);
    long long at0 = (long long)h->header.header_length;
    long end = t->base_count + t->pending.added;
    int put_errno = EIO;   /* why the last write failed */
    auto put = [&](const char *bytes, size_t length, long long at) {
        while (length > 0) {
            ssize_t n = pwrite(fd, bytes, length, (off_t)at);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) {
                put_errno = n < 0 ? errno : EIO;
                return false;
            }
            bytes += n, length -= (size_t)n, at += n;
        }
        db3_after_write();
        return true;
    };
    if (!db3_pending_runs(
            &t->pending, 0, end, DB3_PENDING_READ,
            [&](long first, long count, char *bytes) {
                if (put(bytes, (size_t)count * (size_t)t->record_length, at0 + (long long)first * t->record_length))
                    return 1;
                return first < t->base_count
                           ? db3_fail(err, DB3_ERR_IO, "record %ld of table %s cannot be written: %s", first + 1,
                                      t->name.c_str(), strerror(put_errno))
                           : db3_fail(err, DB3_ERR_IO, "a record cannot be added to table %s: %s", t->name.c_str(),
                                      strerror(put_errno));
            },
            err))
        return 0;
    if (t->pending.added > 0) {
        const char mark = DBF_END_MARK;
        if (!put(&mark, 1, at0 + (long long)end * t->record_length))
            return db3_fail(err, DB3_ERR_IO, "a record cannot be added to table %s: %s", t->name.c_str(),
                            strerror(put_errno));
        h->header.record_count = (uint32_t)end;
    }
    return 1;
}

/* Writes the statement's changes to the file: first the journal of what
 * will be overwritten, then new memo texts appended to the memo file,
 * changed records in place, the new ones appended, the header with the
 * new count and the date of the last update, and last the journal
 * cleared. A write that fails puts the table back from the journal.
 * Answers SQLITE_OK, or SQLITE_ERROR with the condition (DB3_ERR_IO when a
 * write fails). */
static int db3_sync(sqlite3_vtab *vt)
{
    db3_table *t = reinterpret_cast<db3_table *>(vt);
    if (!t->writer) return SQLITE_OK;
    db3_error e;
    if (!t->pending.changed && !t->pending.added && t->memos.empty()) return SQLITE_OK;
    std::vector<db3_index_moves> moves;
    int follow = 0;
    try {
        follow = db3_moves_begin(t, &moves);
    } catch (...) {
        follow = 0;
    }
    if (!follow) db3_drop_indexes(t);
    if (!db3_save_journal(t, &e)) return db3_vt_fail(t, e);
    if (!db3_store_new_memos(t, &e)) return db3_sync_fail(t, e);
    if (!db3_write_pending(t, &e)) return db3_sync_fail(t, e);
    dbf_handle *h = t->writer;
    /* Another session sees by the counter a write that left the file's
     * times as they were. */
    unsigned counter = (unsigned)(h->header.reserved[0] | h->header.reserved[1] << 8) + 1;
    h->header.reserved[0] = (unsigned char)counter;
    h->header.reserved[1] = (unsigned char)(counter >> 8);
    time_t now = time(nullptr);
    struct tm today;
    if (now != (time_t)-1 && localtime_r(&now, &today)) {
        h->header.year = (unsigned char)today.tm_year;
        h->header.month = (unsigned char)(today.tm_mon + 1);
        h->header.day = (unsigned char)today.tm_mday;
    }
    int rc = dbf_close(h);
    const int closed_errno = errno;
    dbf_free(h);
    t->writer = nullptr;
    if (rc != DBF_OK)
        return db3_sync_fail(t, (db3_fail(&e, DB3_ERR_IO, "the header of table %s cannot be written: %s",
                                          t->name.c_str(), strerror(closed_errno ? closed_errno : EIO)),
                                 e));
    db3_after_write();
    t->snap_generation = -1;
    try {
        if (follow) follow = db3_moves_end(t, moves);
    } catch (...) {
        follow = 0;
    }
    if (!follow) {
        db3_drop_indexes(t);
        db3_own_stamp(t);
    }
    if (!db3_journal_drop(t->path, &e)) return db3_vt_fail(t, e);
    return SQLITE_OK;
}

/* Ends a write that was synced. Answers SQLITE_OK. */
static int db3_commit(sqlite3_vtab *vt)
{
    db3_end_write(reinterpret_cast<db3_table *>(vt));
    return SQLITE_OK;
}

/* Drops a failed statement's changes: the file was not touched. */
static int db3_rollback(sqlite3_vtab *vt)
{
    db3_end_write(reinterpret_cast<db3_table *>(vt));
    return SQLITE_OK;
}

static sqlite3_module db3_module = {
    /* iVersion */ 2,
    /* xCreate */ db3_connect,
    /* xConnect */ db3_connect,
    /* xBestIndex */ db3_best_index,
    /* xDisconnect */ db3_disconnect,
    /* xDestroy */ db3_disconnect,
    /* xOpen */ db3_open,
    /* xClose */ db3_close,
    /* xFilter */ db3_filter,
    /* xNext */ db3_next,
    /* xEof */ db3_eof,
    /* xColumn */ db3_column,
    /* xRowid */ db3_rowid,
    /* xUpdate */ db3_update,
    /* xBegin */ db3_begin,
    /* xSync */ db3_sync,
    /* xCommit */ db3_commit,
    /* xRollback */ db3_rollback,
    /* xFindFunction */ nullptr,
    /* xRename */ nullptr,
    /* xSavepoint */ nullptr,
    /* xRelease */ nullptr,
    /* xRollbackTo */ nullptr,
    /* xShadowName */ nullptr,
};

/* Answers the live table of the upper-cased name with the session's
 * layout of it (see db3_internal.h); none when SQLite holds no such
 * table, or more than one. */
int db3_vtab_delete_rows(db3_table *t, const std::function<int(long *n, db3_error *err)> &next, long *count,
                         db3_error *err)
{
    *count = 0;
    db3_end_write(t);
    long n = 0;
    int got;
    while ((got = next(&n, err)) == 1) {
        if (!db3_delete_record(t, n, err)) break;
        ++*count;
    }
    if (got == 1 || got < 0) {
        db3_end_write(t);
        return 0;
    }
    t->session->pending = db3_error();
    if (db3_sync(&t->base) != SQLITE_OK) {
        *err = t->session->pending;
        db3_end_write(t);
        return 0;
    }
    db3_end_write(t);
    return 1;
}

db3_table *db3_vtab_find(db3_session *s, const std::string &upper_name)
{
    auto known = s->vtabs.find(upper_name);
    if (known == s->vtabs.end()) return nullptr;
    db3_table *found = nullptr;
    for (db3_table *t : s->tables) {
        if (t->name != upper_name) continue;
        if (found) return nullptr;
        found = t;
    }
    if (!found || found->path != known->second.path || found->fields.size() != known->second.names.size()) return nullptr;
    for (size_t i = 0; i < found->fields.size(); i++)
        if (found->fields[i].name != known->second.names[i]) return nullptr;
    return found;
}

/* Answers the field of a column name (see db3_internal.h). */
int db3_vtab_field(const db3_table *t, const char *name)
{
    for (size_t i = 0; i < t->fields.size(); i++)
        if (t->fields[i].name == name) return t->fields[i].file_type == 'M' ? -1 : (int)i;
    return -1;
}

/* Answers whether a field holds numbers (see db3_internal.h). */
bool db3_vtab_field_is_number(const db3_table *t, int f)
{
    char letter = t->fields[(size_t)f].type.letter;
    return letter == 'N' || letter == 'F';
}

/* Readies a scan read straight (see db3_internal.h): the snapshot when
 * this statement loaded one, else the file, whose records are then read
 * a window at a time. */
int db3_vtab_load(db3_table *t, db3_error *err)
{
    if (t->snap_generation == t->session->generation) return 1;
    return db3_window_open(t, err);
}

/* The next live record of a scan read straight (see db3_internal.h):
 * the records db3_next moves over. */
int db3_vtab_next_record(db3_table *t, long *rec, const char **bytes, db3_error *err)
{
    return db3_next_live(t, rec, bytes, err);
}

/* Reads a field of a scan read straight (see db3_internal.h). */
int db3_vtab_read(const db3_table *t, int f, const char *record, long rec, db3_field_value *out, db3_error *err)
{
    const db3_vfield &field = t->fields[(size_t)f];
    if (db3_field_read(&field.type, record + field.offset, field.type.width, out)) return 1;
    return db3_no_number(t, f, rec, err);
}

/* Frees the snapshots of the session's tables once a statement is done:
 * the next statement reads the files again. */
void db3_vtab_release(db3_session *s)
{
    for (db3_table *t : s->tables) {
        std::string().swap(t->snap);
        std::string().swap(t->scan.bytes);
        t->scan.first = t->scan.held = 0;
        db3_release_handle(&t->scan.reader);
        t->scan_generation = -1;
        t->snap_generation = -1;
        t->fetched.clear();
        t->fetched_generation = -1;
        t->wide.clear();
    }
}

/* Finds the digits a double of a wide exact number stood for (see
 * db3_internal.h). */
int db3_vtab_wide_text(db3_table *t, int f, double d, std::string *text)
{
    uint64_t bits;
    memcpy(&bits, &d, sizeof bits);
    auto known = t->wide.find(std::make_pair(f, bits));
    if (known == t->wide.end() || known->second.empty()) return 0;
    *text = known->second;
    return 1;
}

/* Registers the module "db3" on db for session s. Answers SQLite's code. */
int db3_vtab_register(sqlite3 *db, db3_session *s)
{
    return sqlite3_create_module_v2(db, "db3", &db3_module, s, nullptr);
}
