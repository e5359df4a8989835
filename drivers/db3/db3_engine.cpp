/*
 * Sessions and statements of the DB3 driver's engine (db3_engine.h).
 *
 * Each session has an in-memory SQLite connection that holds nothing but
 * the "db3" virtual tables. Before a statement is prepared or run, every
 * name in it that is a .DBF of the directory gets its virtual table, made
 * anew when the file's layout changed since the last statement (one read
 * of the file's header tells, through the descriptor holding its lock,
 * and the directory's listing is kept while it is unchanged); the
 * statement's tables are locked (the written one exclusively) while it
 * runs, and their records are read fresh in each statement. SQLite's own
 * statements (PRAGMA, ATTACH, CREATE VIEW...) are not accepted: only
 * SELECT, INSERT, UPDATE and DELETE reach it, and data definition is done
 * by db3_ddl.cpp. A DELETE is run as the SELECT of the numbers of the
 * records it finds, each deleted as it comes, so that their numbers are
 * never all held at once. A cursor of a plain scan ("SELECT A, B FROM T": one
 * table, nothing but its columns) reads its rows straight from the
 * table's records through the module's own field reader, with the values
 * SQLite would hand on, and leaves SQLite aside.
 */
#include "drivers/db3/db3_internal.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <set>
#include <sys/stat.h>
#include <unistd.h>

/* Described size of a result column of unknown type (CHAR). */
constexpr int DB3_EXPR_CHARS = 254;

/* Described sizes of COUNT(...) (INTEGER) and of SUM over exact numbers. */
constexpr int DB3_COUNT_WIDTH = 11;
constexpr int DB3_COUNT_DIGITS = 10;
constexpr int DB3_SUM_DIGITS = 20;

/* Described sizes of AVG and of SUM over approximate numbers (DOUBLE
 * PRECISION: field width, binary digits). */
constexpr int DB3_AVG_WIDTH = 20;
constexpr int DB3_AVG_DIGITS = 53;

/* Times a statement finds and locks its tables when the directory's
 * listing turns out to be out of date each time; the last finding holds. */
constexpr int DB3_NAMING_ROUNDS = 4;

/* Most table files a session keeps open between its statements. */
constexpr size_t DB3_KEPT_MAX = 64;

/* The schema of SQLite's connection that holds the virtual tables. */
constexpr const char *DB3_VTAB_SCHEMA = "temp";

/* Bytes of an exact number's text in a result row. */
constexpr int DB3_ROW_TEXT = 64;

/* The locks a running statement holds; when it is done the tables'
 * snapshots are freed and the locks released. */
struct db3_held {
    db3_session *s = nullptr;      /* session of the statement */
    std::vector<db3_lock> locks;   /* one per table */
    ~db3_held()
    {
        if (s && s->locks == &locks) s->locks = nullptr;
        if (s) db3_vtab_release(s);
        for (db3_lock &l : locks) db3_unlock_file(&l);
    }
};

/* A table a statement names: its upper-case name and its file. */
struct db3_named {
    std::string name;                    /* upper-cased */
    std::string path;                    /* the .DBF */
};

/* One statement. */
struct db3_stmt {
    db3_session *s;                      /* owning session */
    std::string text;                    /* statement text */
    std::vector<db3_token> toks;         /* its tokens */
    int function = 0;                    /* DB3_FUNC_ code */
    int ddl = 0;                         /* 1: done by db3_ddl */
    sqlite3_stmt *stmt = nullptr;        /* SQLite's statement (not for data definition) */
    std::vector<db3_column> columns;     /* described result columns */
    int params = 0;                      /* '?' parameters */
    std::string target;                  /* table written by INSERT, UPDATE, DELETE (upper-case) */
    db3_held *held = nullptr;            /* locks of its cursor while it is read, or none; owned */
    long remade = 0;                     /* the session's count of tables made anew when it was prepared */
    long planned = 0;                    /* most records a plan SQLite weighed for it would read */
    std::vector<db3_named> named;        /* the tables it names, sorted by path */
    long named_version = -1;             /* version of the directory's listing they were found in */
    /* A plain scan of one table ("SELECT A, B FROM T") is read straight
     * from the table's records, SQLite left aside. */
    std::string scan_name;               /* upper-cased table of a plain scan, "" for other statements */
    db3_table *scan = nullptr;           /* table the open cursor reads straight, or none (SQLite steps it) */
    std::vector<int> scan_fields;        /* field number of each result column */
    /* Exact columns wider than a double holds, read through SQLite: the
     * table and field of each, whose texts the module kept. */
    std::vector<std::pair<db3_table *, int>> wide;   /* per result column; none when no column is such */
    std::vector<db3_field_value> scan_values; /* the fields of the row being read */
    long scan_rec = -1;                  /* record number of the last row read */
    int scan_loaded = 0;                 /* 1 once the table's records are loaded for the cursor */
};

/* Records a condition for the running statement (set by the virtual
 * tables, read when SQLite reports the failure). Answers 0. */
int db3_set_pending(db3_session *s, const db3_error &e)
{
    if (s->pending.native == 0) s->pending = e;
    return 0;
}

/* Answers 1 when no cursor of session s is being read, else 0 with
 * DB3_ERR_STATE: a statement run meanwhile would free the tables' records
 * the cursor reads. */
static int db3_idle(db3_session *s, db3_error *err)
{
    if (!s->reading) return 1;
    return db3_fail(err, DB3_ERR_STATE, "a cursor of this connection is still being read; close it first");
}

/* Quotes an identifier for SQLite. */
static std::string db3_quote_ident(const std::string &name)
{
    std::string q = "\"";
    for (char c : name) q += c == '"' ? std::string("\"\"") : std::string(1, c);
    return q + "\"";
}

/* Quotes, in a statement SQLite runs, the plain words that SQLite takes as
 * keywords but the application's dialect does not reserve, so that a
 * column or table so named (a field LIMIT kept by an upgraded project)
 * reads as a name: none of them is a keyword of the statements this
 * driver hands SQLite. Answers 1, or 0 with the condition when the text
 * cannot be read again. */
static int db3_quote_sqlite_words(std::string *text, std::vector<db3_token> *toks, db3_error *err)
{
    static const char *const words[] = {"AUTOINCREMENT", "DEFERRABLE", "INDEX",     "ISNULL", "LIMIT",
                                        "NOTHING",       "NOTNULL",    "RAISE",     "RETURNING"};
    std::string out;
    size_t from = 0;
    for (const db3_token &t : *toks) {
        if (t.kind != DB3_TOK_WORD) continue;
        bool hit = false;
        for (const char *w : words) hit = hit || t.text == w;
        if (!hit) continue;
        out.append(*text, from, t.at - from);
        out += db3_quote_ident(t.text);
        from = t.at + t.text.size();
    }
    if (from == 0) return 1;
    out.append(*text, from, std::string::npos);
    *text = out;
    toks->clear();
    return db3_tokenize(text->c_str(), toks, err);
}

/* Forgets the virtual table of a name: SQLite drops it and the session
 * no longer knows its layout. */
void db3_forget_vtab(db3_session *s, const std::string &upper_name)
{
    if (s->vtabs.erase(upper_name) == 0) return;
    s->remade++;
    std::string sql = std::string("DROP TABLE IF EXISTS ") + DB3_VTAB_SCHEMA + "." + db3_quote_ident(upper_name);
    sqlite3_exec(s->db, sql.c_str(), nullptr, nullptr, nullptr);
}

/* Closes the table files the session keeps open that the directory's
 * listing no longer vouches for (all of them with all = 1). No statement
 * may hold a lock through them. */
static void db3_close_kept(db3_session *s, int all)
{
    for (auto k = s->kept.begin(); k != s->kept.end();) {
        if (!all && k->second.second == s->listing.version) {
            ++k;
            continue;
        }
        close(k->second.first);
        k = s->kept.erase(k);
    }
}

/* Opens a session (see db3_engine.h). */
db3_session *db3_session_open(const char *dir, db3_error *err)
{
    struct stat st;
    if (!dir || !*dir || stat(dir, &st) != 0 || !S_ISDIR(st.st_mode)) {
        db3_fail(err, DB3_ERR_CATALOG, "catalog directory %s does not exist", dir ? dir : "(none)");
        return nullptr;
    }
    db3_session *s = new (std::nothrow) db3_session();
    if (!s) {
        db3_fail(err, DB3_ERR_MEMORY, "no memory for a session");
        return nullptr;
    }
    s->dir = dir;
    while (s->dir.size() > 1 && s->dir.back() == '/') s->dir.pop_back();
    if (sqlite3_open_v2(":memory:", &s->db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX, nullptr)
        != SQLITE_OK) {
        db3_fail(err, DB3_ERR_MEMORY, "SQLite cannot open: %s", s->db ? sqlite3_errmsg(s->db) : "no memory");
        sqlite3_close(s->db);
        delete s;
        return nullptr;
    }
    /* "POINT" is a name, never a string; LIKE compares case as '=' does. */
    sqlite3_db_config(s->db, SQLITE_DBCONFIG_DQS_DML, 0, nullptr);
    sqlite3_db_config(s->db, SQLITE_DBCONFIG_DQS_DDL, 0, nullptr);
    sqlite3_exec(s->db, "PRAGMA case_sensitive_like = ON", nullptr, nullptr, nullptr);
    if (db3_text_register(s->db) != SQLITE_OK || db3_vtab_register(s->db, s) != SQLITE_OK) {
        db3_fail(err, DB3_ERR_INTERNAL, "the dBASE table module cannot be registered");
        sqlite3_close(s->db);
        delete s;
        return nullptr;
    }
    return s;
}

/* Closes a session with its statements. */
void db3_session_close(db3_session *s)
{
    if (!s) return;
    for (db3_stmt *st : s->stmts) db3_cursor_close(st);
    for (db3_stmt *st : s->stmts) {
        sqlite3_finalize(st->stmt);
        delete st;
    }
    s->stmts.clear();
    sqlite3_close(s->db);
    db3_close_kept(s, 1);
    delete s;
}

/* The session's catalog directory. */
const char *db3_session_dir(const db3_session *s)
{
    return s->dir.c_str();
}

/* Finds the tables a statement names: every identifier that is the base
 * name of a .DBF of the directory, except a name followed by "(" (a
 * function) unless it follows INTO (INSERT INTO T (A, B)). */
static std::vector<db3_named> db3_named_tables(db3_session *s, const std::vector<db3_token> &toks)
{
    const std::map<std::string, db3_listed> &files = s->listing.tables;
    std::vector<db3_named> out;
    std::set<std::string> seen;
    for (size_t i = 0; i < toks.size(); i++) {
        if (!db3_is_ident(toks[i])) continue;
        bool call = toks[i + 1].kind == DB3_TOK_PUNCT && toks[i + 1].text == "(";
        if (call && !(i > 0 && db3_is_word(toks[i - 1], "INTO"))) continue;
        std::string up = db3_upper(toks[i].text);
        if (!seen.insert(up).second) continue;
        auto f = files.find(up);
        if (f == files.end()) {
            db3_forget_vtab(s, up);
            s->damaged.erase(up);   /* no table now, whatever its file was */
            continue;
        }
        out.push_back({up, f->second.path});
    }
    std::sort(out.begin(), out.end(), [](const db3_named &a, const db3_named &b) { return a.path < b.path; });
    return out;
}

/* The tables statement st names (db3_named_tables) in the directory as
 * last listed, found again only when it was listed anew since st last
 * looked. */
static const std::vector<db3_named> &db3_stmt_tables(db3_stmt *st)
{
    db3_session *s = st->s;
    if (!s->listing.listed) db3_list_catalog(s->dir, &s->listing);
    if (st->named_version != s->listing.version) {
        st->named = db3_named_tables(s, st->toks);
        st->named_version = s->listing.version;
    }
    return st->named;
}

/* Answers whether the tables st found (was) are still those it names
 * once its tables are locked: the locks brought the listing up to the
 * directory (here, when st names none), and a listing read anew may name
 * others. */
static bool db3_stmt_tables_held(db3_stmt *st, const std::vector<db3_named> &was)
{
    db3_session *s = st->s;
    if (was.empty()) db3_list_catalog(s->dir, &s->listing);
    if (st->named_version == s->listing.version) return true;
    const std::vector<db3_named> &now = db3_stmt_tables(st);
    return now.size() == was.size()
        && std::equal(now.begin(), now.end(), was.begin(),
                      [](const db3_named &a, const db3_named &b) { return a.name == b.name && a.path == b.path; });
}

/* Locks the table n for a statement and restores it when a statement cut
 * short left its journal. The descriptor is kept open between
 * statements while the directory's listing, read once the lock is taken,
 * shows the directory unchanged: the path still names the file it holds.
 * Else the file is opened anew (db3_lock_file). The listing read after
 * the lock also holds any journal left: one not listed need not be looked
 * at. Answers 1, or 0 with the condition. */
static int db3_lock_table(db3_session *s, db3_lock *lk, const db3_named &n, int exclusive, db3_error *err)
{
    auto k = s->kept.find(n.path);
    int locked;
    if (k != s->kept.end()) {
        locked = db3_lock_kept(lk, k->second.first, n.path, exclusive, err);
        db3_list_catalog(s->dir, &s->listing);
        if (!locked && k->second.second == s->listing.version) return 0;
        if (!locked || k->second.second != s->listing.version) {
            db3_unlock_file(lk);
            close(k->second.first);
            s->kept.erase(k);
            k = s->kept.end();
        }
    }
    if (k == s->kept.end()) {
        locked = db3_lock_file(lk, n.path, exclusive, err, 0);
        db3_list_catalog(s->dir, &s->listing);
        if (!locked) return 0;
        if (s->listing.trusted && s->kept.size() < DB3_KEPT_MAX) {
            try {
                s->kept[n.path] = {lk->fd, s->listing.version};
                lk->kept = 1;
            } catch (...) {
                /* not kept: the lock closes it */
            }
        }
    }
    auto f = s->listing.tables.find(n.name);
    int journal = f != s->listing.tables.end() && f->second.path == n.path ? f->second.journal
                                                                          : db3_journal_listed(n.path, s->listing.entries);
    return !journal || db3_lock_recover(lk, exclusive, err);
}

/* Makes the virtual tables of the named tables current: a table whose
 * file's layout changed is made anew; one that cannot be read is dropped
 * and its condition kept for the "no such table" SQLite will report.
 * locks holds the statement's lock of each table in order (each keeps the
 * header bytes read through it); without them each table is locked
 * (shared) while its layout is read. Answers 1 when
 * some table was made anew, else 0. */
static int db3_refresh(db3_session *s, const std::vector<db3_named> &tables, std::vector<db3_lock> *locks)
{
    int made = 0;
    for (size_t k = 0; k < tables.size(); k++) {
        const db3_named &n = tables[k];
        db3_vtab_entry e;
        db3_error err;
        db3_lock own;
        std::string head;
        int ok = locks || db3_lock_table(s, &own, n, 0, &err);
        int fd = locks ? (*locks)[k].fd : own.fd;
        auto it = s->vtabs.find(n.name);
        bool same = ok && it != s->vtabs.end() && it->second.path == n.path
                 && db3_layout_unchanged(fd, it->second, locks ? &(*locks)[k].head : &head);
        ok = ok && (same || db3_read_layout(n.path, &e, &err));
        db3_unlock_file(&own);
        if (same) {
            it->second.records = db3_head_records(locks ? (*locks)[k].head : head);
            s->damaged.erase(n.name);
            continue;
        }
        s->damaged.erase(n.name);
        if (ok && it != s->vtabs.end() && it->second.path == e.path && it->second.layout == e.layout) {
            it->second.head = e.head;
            it->second.records = e.records;
            continue;
        }
        db3_forget_vtab(s, n.name);
        made = 1;
        s->remade++;
        if (!ok) {
            s->damaged[n.name] = err;
            continue;
        }
        std::string path;
        for (char c : n.path) path += c == '\'' ? std::string("''") : std::string(1, c);
        std::string sql = std::string("CREATE VIRTUAL TABLE ") + DB3_VTAB_SCHEMA + "." + db3_quote_ident(n.name)
                        + " USING db3('" + path + "')";
        char *msg = nullptr;
        if (sqlite3_exec(s->db, sql.c_str(), nullptr, nullptr, &msg) != SQLITE_OK) {
            db3_fail(&err, DB3_ERR_DAMAGED, "%s", msg ? msg : "the table cannot be read");
            s->damaged[n.name] = err;
        } else {
            s->vtabs[n.name] = e;
        }
        sqlite3_free(msg);
    }
    return made;
}

/* Turns a failure of SQLite into the session's condition: the pending
 * one of a virtual table when there is one, else one chosen by SQLite's
 * message. Answers 0. */
static int db3_sqlite_fail(db3_session *s, int rc, db3_error *err)
{
    if (s->pending.native != 0) {
        if (err) *err = s->pending;
        return 0;
    }
    const char *msg = sqlite3_errmsg(s->db);
    std::string m = msg ? msg : "";
    if ((rc & 0xff) == SQLITE_NOMEM) return db3_fail(err, DB3_ERR_MEMORY, "memory ran out");
    if (m.rfind("no such table: ", 0) == 0) {
        std::string name = db3_upper(m.substr(15));
        size_t dot = name.rfind('.');
        if (dot != std::string::npos) name = name.substr(dot + 1);
        auto d = s->damaged.find(name);
        if (d != s->damaged.end()) {
            if (err) *err = d->second;
            return 0;
        }
        return db3_fail(err, DB3_ERR_NO_TABLE, "table %s does not exist", name.c_str());
    }
    if (m.rfind("no such column: ", 0) == 0) return db3_fail(err, DB3_ERR_NO_COLUMN, "column %s does not exist", m.c_str() + 16);
    if (m.rfind("ambiguous column name: ", 0) == 0)
        return db3_fail(err, DB3_ERR_NO_COLUMN, "column name %s is ambiguous", m.c_str() + 23);
    if (m.find("values were supplied") != std::string::npos || m.find(" values for ") != std::string::npos)
        return db3_fail(err, DB3_ERR_COUNT, "%s", m.c_str());
    if (m.find("syntax error") != std::string::npos || m.find("incomplete input") != std::string::npos
        || m.find("unrecognized token") != std::string::npos || m.find("no such function") != std::string::npos
        || m.find("wrong number of arguments") != std::string::npos || m.find("misuse of") != std::string::npos
        || m.find("ORDER BY term") != std::string::npos || m.find("not allowed") != std::string::npos)
        return db3_fail(err, DB3_ERR_SYNTAX, "%s", m.c_str());
    return db3_fail(err, DB3_ERR_INTERNAL, "%s", m.c_str());
}

/* Finds the column type of a table's column among the statement's virtual
 * tables. Answers 1 with *ct, or 0. */
static int db3_column_type(db3_session *s, const std::string &table, const std::string &column, db3_coltype *ct)
{
    std::string upper = db3_upper(table);
    for (const auto &v : s->vtabs) {
        if (!table.empty() && v.first != upper) continue;
        for (size_t i = 0; i < v.second.names.size(); i++) {
            if (v.second.names[i].size() == column.size()
                && dbf_name_equal(v.second.names[i].c_str(), column.c_str(), DBF_NAME_MAX) == 1) {
                *ct = v.second.types[i];
                return 1;
            }
        }
    }
    return 0;
}

/* Fills a described column from a column type. */
static void db3_describe_type(db3_column *c, const db3_coltype &ct)
{
    c->type = ct.sql_type;
    c->length = ct.sql_type == DB3_TYPE_CHAR ? ct.precision : ct.width;
    c->precision = ct.precision;
    c->scale = ct.exact ? ct.decimals : 0;
}

/* Describes an expression column from its text (SQLite names such a
 * column after it): MAX and MIN of a column have its type, SUM of an exact
 * column is exact, COUNT is INTEGER, AVG and SUM of others DOUBLE; any
 * other expression is CHAR. */
static void db3_describe_expression(db3_session *s, const char *text, db3_column *c)
{
    std::vector<db3_token> t;
    db3_error ignored;
    db3_coltype ct{DB3_TYPE_CHAR, 'C', DB3_EXPR_CHARS, 0, DB3_EXPR_CHARS, 0};
    if (text && db3_tokenize(text, &t, &ignored) && t.size() >= 4 && t[0].kind == DB3_TOK_WORD && t[1].text == "(") {
        const std::string &fn = t[0].text;
        std::string table, column;
        size_t k = 2;
        if (db3_is_word(t[k], "DISTINCT")) k++;
        if (db3_is_ident(t[k]) && t[k + 1].text == "." && db3_is_ident(t[k + 2])) {
            table = t[k].text;
            column = t[k + 2].text;
            k += 3;
        } else if (db3_is_ident(t[k])) {
            column = t[k].text;
            k++;
        }
        bool whole = t[k].text == ")" && t[k + 1].kind == DB3_TOK_END;
        db3_coltype arg;
        bool typed = whole && !column.empty() && db3_column_type(s, table, column, &arg);
        if (fn == "COUNT") {
            ct = {DB3_TYPE_INTEGER, 'N', DB3_COUNT_WIDTH, 0, DB3_COUNT_DIGITS, 1};
        } else if ((fn == "MAX" || fn == "MIN") && typed) {
            ct = arg;
        } else if (fn == "SUM" && typed && arg.exact) {
            ct = {DB3_TYPE_NUMERIC, 'N', DB3_SUM_DIGITS, arg.decimals, DB3_SUM_DIGITS, 1};
        } else if (fn == "SUM" || fn == "AVG") {
            ct = {DB3_TYPE_DOUBLE, 'N', DB3_AVG_WIDTH, 0, DB3_AVG_DIGITS, 0};
        }
    }
    db3_describe_type(c, ct);
}

/* Describes the result columns of a prepared SELECT. */
static void db3_describe(db3_stmt *st)
{
    st->columns.clear();
    int n = sqlite3_column_count(st->stmt);
    st->columns.reserve((size_t)n);
    for (int i = 0; i < n; i++) {
        db3_column c;
        const char *name = sqlite3_column_name(st->stmt, i);
        const char *table = sqlite3_column_table_name(st->stmt, i);
        const char *origin = sqlite3_column_origin_name(st->stmt, i);
        c.name = name ? name : "";
        db3_coltype ct;
        if (table && origin && db3_column_type(st->s, table, origin, &ct)) {
            c.table = table;
            db3_describe_type(&c, ct);
        } else {
            db3_describe_expression(st->s, name, &c);
        }
        st->columns.push_back(std::move(c));
    }
}

/* Answers whether token t ends the table list of a FROM clause. */
static bool db3_ends_from_list(const db3_token &t)
{
    static const char *const ends[] = {"WHERE", "ORDER", "GROUP", "HAVING", "UNION", "EXCEPT", "INTERSECT", "LIMIT"};
    if (t.kind == DB3_TOK_END || (t.kind == DB3_TOK_PUNCT && (t.text == ")" || t.text == ";"))) return true;
    for (const char *w : ends)
        if (db3_is_word(t, w)) return true;
    return false;
}

/* Answers text without the repeats of a table named twice, without a
 * correlation name, in one FROM list ("FROM T1,T2,T1", as the query
 * builder writes when output columns of a table are not adjacent): the
 * table is meant once, and SQLite would find its columns ambiguous. A
 * list with joins or qualified names is left alone. */
static std::string db3_merge_repeated_tables(const std::string &text, const std::vector<db3_token> &t)
{
    std::vector<std::pair<size_t, size_t>> cuts;   /* [from, to) character ranges, each becoming a blank */
    for (size_t i = 0; i < t.size(); i++) {
        if (!db3_is_word(t[i], "FROM")) continue;
        std::set<std::string> plain;
        for (size_t j = i + 1; db3_is_ident(t[j]);) {
            size_t k = j + 1;
            bool alias = false;
            if (db3_is_word(t[k], "AS")) k++;
            if (db3_is_ident(t[k]) && !db3_ends_from_list(t[k])) {
                alias = true;
                k++;
            }
            if (!(t[k].kind == DB3_TOK_PUNCT && t[k].text == ",") && !db3_ends_from_list(t[k])) break;
            if (!alias && !plain.insert(db3_upper(t[j].text)).second && j > i + 1) cuts.emplace_back(t[j - 1].at, t[k].at);
            if (!(t[k].kind == DB3_TOK_PUNCT && t[k].text == ",")) break;
            j = k + 1;
        }
    }
    std::string out = text;
    for (auto c = cuts.rbegin(); c != cuts.rend(); ++c) out.replace(c->first, c->second - c->first, " ");
    return out;
}

/* Answers the upper-cased table a cursor specification only lists
 * columns of ("SELECT * FROM T", "SELECT A, B FROM T"): its rows are the
 * table's live records in order, each column a field as it is, so they
 * can be read straight from the records. Answers "" for any other. */
static std::string db3_plain_scan(const std::vector<db3_token> &t)
{
    size_t k = 1;
    if (!db3_is_word(t[0], "SELECT")) return "";
    if (t[k].kind == DB3_TOK_PUNCT && t[k].text == "*") {
        k++;
    } else {
        for (;;) {
            if (!db3_is_ident(t[k]) || db3_is_word(t[k], "FROM")) return "";
            k++;
            if (!(t[k].kind == DB3_TOK_PUNCT && t[k].text == ",")) break;
            k++;
        }
    }
    if (!db3_is_word(t[k], "FROM") || !db3_is_ident(t[k + 1])) return "";
    std::string name = db3_upper(t[k + 1].text);
    k += 2;
    if (t[k].kind == DB3_TOK_PUNCT && t[k].text == ";") k++;
    return t[k].kind == DB3_TOK_END ? name : "";
}

/* Answers whether a number literal's text holds more significant digits
 * than a double keeps (and, without a point or an exponent, is no 64-bit
 * integer, which SQLite keeps whole). */
static bool db3_literal_is_wide(const std::string &n)
{
    size_t end = n.find_first_of("eE");
    std::string mantissa = n.substr(0, end);
    std::string digits;
    for (char c : mantissa)
        if (c != '.' && (c != '0' || !digits.empty())) digits.push_back(c);
    while (mantissa.find('.') != std::string::npos && !digits.empty() && digits.back() == '0') digits.pop_back();
    if ((int)digits.size() <= DB3_DOUBLE_TEXT_MAX) return false;
    long long whole;
    return !(end == std::string::npos && mantissa.find('.') == std::string::npos
             && db3_decimal_int(n.data(), (int)n.size(), &whole));
}

/* Answers text with each number literal wider than a double keeps
 * written as a character literal of its digits (a minus before it that is
 * no subtraction taken in): SQLite would read it as the nearest double,
 * while a text reaches an exact column digit for digit and compares with
 * a number column as the number it reads as. "" when no literal is such. */
static std::string db3_exact_literals(const std::string &text, const std::vector<db3_token> &t)
{
    static const char *const before_operand[] = {"VALUES", "SET", "WHERE", "AND", "OR", "NOT", "SELECT", "WHEN",
                                                 "THEN", "ELSE", "IN", "BETWEEN", "IS", "ON", "HAVING", "CASE"};
    std::string out;
    size_t copied = 0;
    for (size_t i = 0; i < t.size(); i++) {
        if (t[i].kind != DB3_TOK_NUMBER || !db3_literal_is_wide(t[i].text)) continue;
        size_t from = t[i].at;
        bool negative = false;
        if (i > 0 && t[i - 1].kind == DB3_TOK_PUNCT && t[i - 1].text == "-") {
            const db3_token *p = i > 1 ? &t[i - 2] : nullptr;
            bool unary = !p || (p->kind == DB3_TOK_PUNCT && p->text != ")");
            for (const char *w : before_operand) unary = unary || (p && db3_is_word(*p, w));
            if (unary) {
                negative = true;
                from = t[i - 1].at;
            }
        }
        out.append(text, copied, from - copied);
        out += negative ? "'-" : "'";
        out += t[i].text;
        out += "'";
        copied = t[i].at + t[i].text.size();
    }
    if (!copied) return "";
    out.append(text, copied, std::string::npos);
    return out;
}

/* Prepares the SQLite statement of st; a statement that names a table
 * twice in a FROM list and so finds a column ambiguous is prepared again
 * with the table named once. Answers 1, or 0 with the condition (a text
 * after the statement is a syntax error). */
static int db3_prepare_sqlite(db3_stmt *st, db3_error *err)
{
    db3_session *s = st->s;
    sqlite3_finalize(st->stmt);
    st->stmt = nullptr;
    s->pending = db3_error();
    s->planned = 0;
    const char *tail = nullptr;
    /* A DELETE is run as the SELECT of the numbers of the records it
     * deletes, each deleted as it comes (db3_execute). */
    std::string text = st->function == DB3_FUNC_DELETE ? "SELECT _ROWID_ " + st->text.substr(st->toks[1].at) : st->text;
    int rc = sqlite3_prepare_v2(s->db, text.c_str(), -1, &st->stmt, &tail);
    if (rc != SQLITE_OK && strncmp(sqlite3_errmsg(s->db), "ambiguous column name", 21) == 0) {
        std::string merged = db3_merge_repeated_tables(st->text, st->toks);
        std::vector<db3_token> toks;
        db3_error ignored;
        if (merged != st->text && db3_tokenize(merged.c_str(), &toks, &ignored)) {
            st->text = merged;
            st->toks = toks;
            st->named_version = -1;
            rc = sqlite3_prepare_v2(s->db, st->text.c_str(), -1, &st->stmt, &tail);
        }
    }
    if (rc != SQLITE_OK) return db3_sqlite_fail(s, rc, err);
    if (!st->stmt) return db3_fail(err, DB3_ERR_SYNTAX, "the statement is empty");
    while (tail && *tail && (isspace((unsigned char)*tail) || *tail == ';')) tail++;
    if (tail && *tail)
        return db3_fail(err, DB3_ERR_SYNTAX, "only one statement may be given; \"%.20s\" follows it", tail);
    if (st->function == DB3_FUNC_CURSOR) db3_describe(st);
    st->params = sqlite3_bind_parameter_count(st->stmt);
    st->remade = s->remade;
    st->planned = s->planned;
    return 1;
}

/* Prepares a statement (see db3_engine.h). */
db3_stmt *db3_prepare(db3_session *s, const char *text, db3_error *err)
{
    if (!s || !text) {
        db3_fail(err, DB3_ERR_STATE, "no session or no statement text");
        return nullptr;
    }
    if (!db3_idle(s, err)) return nullptr;
    db3_stmt *st = new (std::nothrow) db3_stmt();
    if (!st) {
        db3_fail(err, DB3_ERR_MEMORY, "no memory for a statement");
        return nullptr;
    }
    st->s = s;
    st->text = text;
    int ok = db3_tokenize(text, &st->toks, err);
    const std::vector<db3_token> &t = st->toks;
    if (ok && t[0].kind == DB3_TOK_END) ok = db3_fail(err, DB3_ERR_SYNTAX, "the statement is empty");
    if (ok && db3_is_ddl(t)) {
        st->ddl = 1;
        ok = db3_ddl(s, t, 1, &st->function, err);
    } else if (ok && (ok = db3_quote_sqlite_words(&st->text, &st->toks, err)) != 0) {
        std::string exact = db3_exact_literals(st->text, st->toks);
        if (!exact.empty()) {
            st->text = exact;
            ok = db3_tokenize(st->text.c_str(), &st->toks, err);
        }
    }
    if (ok && !st->ddl) {
        if (db3_is_word(t[0], "SELECT")) {
            st->function = DB3_FUNC_CURSOR;
            st->scan_name = db3_plain_scan(t);
        } else if (db3_is_word(t[0], "INSERT") && db3_is_word(t[1], "INTO") && db3_is_ident(t[2])) {
            st->function = DB3_FUNC_INSERT;
            st->target = db3_upper(t[2].text);
        } else if (db3_is_word(t[0], "UPDATE") && db3_is_ident(t[1])) {
            st->function = DB3_FUNC_UPDATE;
            st->target = db3_upper(t[1].text);
        } else if (db3_is_word(t[0], "DELETE") && db3_is_word(t[1], "FROM") && db3_is_ident(t[2])) {
            st->function = DB3_FUNC_DELETE;
            st->target = db3_upper(t[2].text);
        } else {
            ok = db3_fail(err, DB3_ERR_SYNTAX, "\"%s\" does not begin a statement this driver runs", t[0].text.c_str());
        }
        if (ok) {
            /* Tables found in a listing the locks showed out of date are
             * looked at again, as found anew. */
            db3_close_kept(s, 0);
            for (int round = 0; round < DB3_NAMING_ROUNDS; round++) {
                std::vector<db3_named> was = db3_stmt_tables(st);
                db3_refresh(s, was, nullptr);
                if (db3_stmt_tables_held(st, was)) break;
            }
            ok = db3_prepare_sqlite(st, err);
        }
    }
    if (!ok) {
        sqlite3_finalize(st->stmt);
        delete st;
        return nullptr;
    }
    s->stmts.push_back(st);
    return st;
}

/* The function code of a statement. */
int db3_stmt_function(const db3_stmt *st)
{
    return st->function;
}

/* The described result columns. */
const std::vector<db3_column> &db3_stmt_columns(const db3_stmt *st)
{
    return st->columns;
}

/* The number of parameters. */
int db3_stmt_param_count(const db3_stmt *st)
{
    return st->params;
}

/* Answers whether a statement reads few records (see db3_engine.h). */
int db3_stmt_reads_few(const db3_stmt *st)
{
    return st->function == DB3_FUNC_CURSOR && !st->ddl && st->planned <= DB3_FEW_RECORDS;
}

/* Frees a statement. */
void db3_stmt_free(db3_stmt *st)
{
    if (!st) return;
    db3_cursor_close(st);
    std::vector<db3_stmt *> &v = st->s->stmts;
    v.erase(std::remove(v.begin(), v.end(), st), v.end());
    sqlite3_finalize(st->stmt);
    delete st;
}

/* Readies st to run: locks its tables (the target exclusively), brings
 * its virtual tables up to date (preparing and describing it again when
 * one was made anew, now or by another statement since it was prepared),
 * starts a new read generation and binds the parameters. Answers 1, or 0
 * with the condition. */
static int db3_start(db3_stmt *st, const std::vector<db3_value> *params, db3_held *held, db3_error *err)
{
    db3_session *s = st->s;
    held->s = s;
    /* Tables found in a listing the locks showed out of date are locked
     * again, as found anew. */
    std::vector<db3_named> tables;
    db3_close_kept(s, 0);
    for (int round = 0;; round++) {
        tables = db3_stmt_tables(st);
        for (db3_lock &l : held->locks) db3_unlock_file(&l);
        held->locks.assign(tables.size(), db3_lock());
        int ok = 1;
        for (size_t k = 0; ok && k < tables.size(); k++)
            ok = db3_lock_table(s, &held->locks[k], tables[k], tables[k].name == st->target, err);
        if (round + 1 < DB3_NAMING_ROUNDS && !db3_stmt_tables_held(st, tables)) continue;
        if (!ok) return 0;
        break;
    }
    s->locks = &held->locks;
    int made = db3_refresh(s, tables, &held->locks);
    if ((made || st->remade != s->remade) && !db3_prepare_sqlite(st, err)) return 0;
    s->generation++;
    s->pending = db3_error();
    sqlite3_reset(st->stmt);
    sqlite3_clear_bindings(st->stmt);
    size_t given = params ? params->size() : 0;
    if ((int)given != st->params)
        return db3_fail(err, DB3_ERR_COUNT, "the statement has %d parameters, %zu values were given", st->params, given);
    for (size_t i = 0; i < given; i++) {
        const db3_value &v = (*params)[i];
        int at = (int)i + 1, rc = SQLITE_OK;
        if (v.kind == DB3_VALUE_INT) rc = sqlite3_bind_int64(st->stmt, at, v.i);
        else if (v.kind == DB3_VALUE_REAL) rc = sqlite3_bind_double(st->stmt, at, v.d);
        else if (v.kind == DB3_VALUE_TEXT) rc = sqlite3_bind_text(st->stmt, at, v.s.data(), (int)v.s.size(), SQLITE_TRANSIENT);
        if (rc != SQLITE_OK) return db3_sqlite_fail(s, rc, err);
    }
    return 1;
}

/* Executes a statement that is not a cursor specification. */
int db3_execute(db3_stmt *st, const std::vector<db3_value> *params, long *rows, db3_error *err)
{
    if (rows) *rows = 0;
    if (!st) return db3_fail(err, DB3_ERR_STATE, "no statement");
    if (st->function == DB3_FUNC_CURSOR)
        return db3_fail(err, DB3_ERR_STATE, "a SELECT statement is run by opening a cursor on it");
    if (!db3_idle(st->s, err)) return 0;
    if (st->ddl) return db3_ddl(st->s, st->toks, 0, nullptr, err);
    db3_held held;
    if (!db3_start(st, params, &held, err)) return 0;
    if (st->function == DB3_FUNC_DELETE) {
        /* SQLite would hold the number of every record a DELETE finds
         * until the last is found: its table deletes them as they come. */
        db3_table *t = db3_vtab_find(st->s, st->target);
        if (!t) return db3_fail(err, DB3_ERR_INTERNAL, "table %s has no virtual table", st->target.c_str());
        long count = 0;
        int ok = db3_vtab_delete_rows(
            t,
            [&](long *n, db3_error *e) {
                int rc = sqlite3_step(st->stmt);
                if (rc == SQLITE_ROW) *n = (long)sqlite3_column_int64(st->stmt, 0);
                return rc == SQLITE_ROW ? 1 : rc == SQLITE_DONE ? 0 : (db3_sqlite_fail(st->s, rc, e), -1);
            },
            &count, err);
        sqlite3_reset(st->stmt);
        if (ok && rows) *rows = count;
        return ok;
    }
    int rc;
    while ((rc = sqlite3_step(st->stmt)) == SQLITE_ROW) {
    }
    if (rc != SQLITE_DONE) {
        int ok = db3_sqlite_fail(st->s, rc, err);
        sqlite3_reset(st->stmt);
        return ok;
    }
    if (rows) *rows = (long)sqlite3_changes(st->s->db);
    sqlite3_reset(st->stmt);
    return 1;
}

/* Largest magnitude of a number scaled to its decimals that is written
 * from its nearest integer (2^50: the scaling's rounding stays below a
 * quarter), and the decimals such a scaling takes. */
constexpr double DB3_SCALED_EXACT = 1125899906842624.0;
constexpr int DB3_SCALE_FAST_MAX = 15;

/* Powers of ten up to 10^DB3_SCALE_FAST_MAX, each exact as a double. */
static const double DB3_TENS[DB3_SCALE_FAST_MAX + 1] = {1e0, 1e1, 1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                                        1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};

/* Writes into text the number whose digits are those of magnitude with
 * the last scale of them after the point, led by a minus sign when
 * negative. Answers the length of the text. */
static size_t db3_put_scaled(unsigned long long magnitude, int negative, int scale, char *text)
{
    char digits[DB3_ROW_TEXT];
    char *end = digits + sizeof digits, *p = end;
    do {
        *--p = (char)('0' + magnitude % 10);
        magnitude /= 10;
    } while (magnitude || end - p < scale + 1);
    char *out = text;
    if (negative) *out++ = '-';
    size_t whole = (size_t)(end - p - scale);
    memcpy(out, p, whole);
    out += whole;
    *out++ = '.';
    memcpy(out, end - scale, (size_t)scale);
    out[scale] = '\0';
    return (size_t)(out + scale - text);
}

/* The text (DB3_ROW_TEXT bytes) of an exact number with scale decimals,
 * as "%.*f" writes it, a zero without its minus sign: from an integer, or
 * from a double whose scaled value lies so near an integer that the
 * rounding is known without printing it; any other goes through snprintf.
 * Answers the length of the text. */
static size_t db3_exact_text(int is_int, long long i, double d, int scale, char *text)
{
    if (scale <= DB3_SCALE_FAST_MAX) {
        if (is_int) {
            unsigned long long m = i < 0 ? 0ULL - (unsigned long long)i : (unsigned long long)i;
            char *p = text;
            if (i < 0) *p++ = '-';
            p += snprintf(p, DB3_ROW_TEXT - 1, "%llu", m);
            *p++ = '.';
            memset(p, '0', (size_t)scale);
            p[scale] = '\0';
            return (size_t)(p + scale - text);
        }
        double scaled = d * DB3_TENS[scale];
        if (std::fabs(scaled) < DB3_SCALED_EXACT) {
            /* Half added away from zero is exact at this magnitude, so the
             * cut gives the nearest integer (either one at a tie, which the
             * distance test refuses anyway). */
            long long n = (long long)(scaled < 0 ? scaled - 0.5 : scaled + 0.5);
            if (std::fabs(scaled - (double)n) < 0.25)
                return db3_put_scaled(n < 0 ? 0ULL - (unsigned long long)n : (unsigned long long)n, n < 0, scale, text);
        }
    }
    if (is_int)
        snprintf(text, DB3_ROW_TEXT, "%lld.%0*d", i, scale, 0);
    else
        snprintf(text, DB3_ROW_TEXT, "%.*f", scale, d);
    if (text[0] == '-' && strspn(text + 1, "0.") == strlen(text + 1)) memmove(text, text + 1, strlen(text));
    return strlen(text);
}

/* Magnitude from which a double is past every 64-bit integer. */
constexpr double DB3_INT64_END = 9223372036854775808.0;

/* Sets v to a number as a value of the described number column c's type
 * (an exact one with decimals as its text, which reuses v's room): the
 * integer i when is_int, else the double d. */
static inline void db3_number_value(const db3_column &c, int is_int, long long i, double d, db3_value *v)
{
    switch (c.type) {
    case DB3_TYPE_NUMERIC:
    case DB3_TYPE_DECIMAL:
        if (c.scale > 0) {
            char text[DB3_ROW_TEXT];
            size_t n = db3_exact_text(is_int, i, d, c.scale, text);
            v->kind = DB3_VALUE_TEXT;
            v->s.assign(text, n);
            return;
        }
        if (!is_int && !(std::fabs(d) < DB3_INT64_END)) {
            /* A whole number past the 64-bit integers goes as its digits. */
            char text[DB3_ROW_TEXT];
            snprintf(text, sizeof text, "%.0f", d);
            v->kind = DB3_VALUE_TEXT;
            v->s = text;
            return;
        }
        [[fallthrough]];
    case DB3_TYPE_INTEGER:
    case DB3_TYPE_SMALLINT:
        v->kind = DB3_VALUE_INT;
        v->i = is_int ? i : std::llround(d);
        return;
    default:
        v->kind = DB3_VALUE_REAL;
        v->d = is_int ? (double)i : d;
        return;
    }
}

/* Answers whether described columns of type t hold exact numbers. */
static inline bool db3_is_exact_type(int t)
{
    return t == DB3_TYPE_NUMERIC || t == DB3_TYPE_DECIMAL;
}

/* Sets v to the exact number whose decimal text is t[0, n) as a value of
 * the exact column c: with c's decimals as a text, or as an integer
 * (a text past the 64-bit integers). Answers false when t is no number. */
static bool db3_exact_value(const char *t, int n, const db3_column &c, db3_value *v)
{
    long long whole;
    if (c.scale == 0 && db3_decimal_int(t, n, &whole)) {
        v->kind = DB3_VALUE_INT;
        v->i = whole;
        return true;
    }
    std::string text;
    if (db3_decimal_text(t, n, c.scale, &text) <= 0) return false;
    v->kind = DB3_VALUE_TEXT;
    v->s = std::move(text);
    return true;
}

/* Answers whether described columns of type t hold numbers. */
static inline bool db3_is_number_type(int t)
{
    return t != DB3_TYPE_CHAR;
}

/* Sets v to column i of the current SQLite row as a value of the
 * described column's type (a text reuses v's room). */
static void db3_row_value(db3_stmt *st, int i, const db3_column &c, db3_value *v)
{
    /* The column's value read once: each sqlite3_column_ call looks it up
     * again. It stays valid until the next step. */
    sqlite3_value *x = sqlite3_column_value(st->stmt, i);
    int vt = sqlite3_value_type(x);
    if (vt == SQLITE_NULL) {
        v->kind = DB3_VALUE_NULL;
    } else if (db3_is_number_type(c.type)) {
        std::string text;
        if (vt == SQLITE_FLOAT && !st->wide.empty() && st->wide[(size_t)i].first
            && db3_vtab_wide_text(st->wide[(size_t)i].first, st->wide[(size_t)i].second, sqlite3_value_double(x), &text)
            && db3_exact_value(text.data(), (int)text.size(), c, v))
            return;
        if (vt == SQLITE_INTEGER)
            db3_number_value(c, 1, sqlite3_value_int64(x), 0, v);
        else
            db3_number_value(c, 0, 0, sqlite3_value_double(x), v);
    } else {
        v->kind = DB3_VALUE_TEXT;
        /* The bytes as they are: a text need not be copied to end in a NUL. */
        const char *text = reinterpret_cast<const char *>(sqlite3_value_blob(x));
        v->s.assign(text ? text : "", (size_t)sqlite3_value_bytes(x));
    }
}

/* Sets v to a field's value read straight from its record as a value of
 * the described column's type: the value db3_row_value gives when SQLite
 * hands on the same field. */
static inline void db3_field_row_value(const db3_field_value &f, const db3_column &c, db3_value *v)
{
    if ((f.kind == DB3_VALUE_REAL || f.kind == DB3_VALUE_INT) && f.length > DB3_DOUBLE_TEXT_MAX && db3_is_exact_type(c.type)
        && db3_exact_value(f.text, f.length, c, v))
        return;
    if (f.kind == DB3_VALUE_TEXT) {
        v->kind = DB3_VALUE_TEXT;
        v->s.assign(f.text, (size_t)f.length);
    } else if (f.kind == DB3_VALUE_INT) {
        db3_number_value(c, 1, f.i, 0, v);
    } else if (f.kind == DB3_VALUE_REAL) {
        db3_number_value(c, 0, 0, f.d, v);
    } else {
        v->kind = DB3_VALUE_NULL;
    }
}

/* Readies the cursor just opened on st to be read straight from the
 * records of its table when it is a plain scan whose every column SQLite
 * names as a field of that table (not a memo); else SQLite steps it. */
static void db3_scan_start(db3_stmt *st)
{
    st->scan = nullptr;
    if (st->scan_name.empty() || st->params) return;
    db3_table *t = db3_vtab_find(st->s, st->scan_name);
    if (!t) return;
    try {
        st->scan_fields.clear();
        for (size_t i = 0; i < st->columns.size(); i++) {
            const char *schema = sqlite3_column_database_name(st->stmt, (int)i);
            const char *table = sqlite3_column_table_name(st->stmt, (int)i);
            const char *origin = sqlite3_column_origin_name(st->stmt, (int)i);
            if (!schema || strcmp(schema, DB3_VTAB_SCHEMA) != 0 || !table || !origin || db3_upper(table) != st->scan_name)
                return;
            int f = db3_vtab_field(t, origin);
            if (f < 0 || db3_is_number_type(st->columns[i].type) != db3_vtab_field_is_number(t, f)) return;
            st->scan_fields.push_back(f);
        }
        st->scan_values.resize(st->columns.size());
    } catch (...) {
        return;   /* no memory for the plain read: SQLite reads the rows */
    }
    st->scan_rec = -1;
    st->scan_loaded = 0;
    st->scan = t;
}

/* Finds, for the cursor just opened on st and stepped by SQLite, the
 * table and field of each result column that is an exact column wider
 * than a double holds: its values are read from the texts the module
 * kept of them. */
static void db3_wide_start(db3_stmt *st)
{
    st->wide.clear();
    try {
        for (size_t i = 0; i < st->columns.size(); i++) {
            const db3_column &c = st->columns[i];
            if (!db3_is_exact_type(c.type) || c.length <= DB3_DOUBLE_TEXT_MAX || c.table.empty()) continue;
            const char *origin = sqlite3_column_origin_name(st->stmt, (int)i);
            db3_table *t = origin ? db3_vtab_find(st->s, db3_upper(c.table)) : nullptr;
            int f = t ? db3_vtab_field(t, origin) : -1;
            if (f < 0) continue;
            st->wide.resize(st->columns.size());
            st->wide[i] = {t, f};
        }
    } catch (...) {
        st->wide.clear();   /* no memory: the doubles serve */
    }
}

/* Reads the next row of st's cursor straight from its table's records
 * (db3_cursor_next). Answers 1, 0 after the last row, or -1 with the
 * condition SQLite would give for the same row. */
static int db3_scan_next(db3_stmt *st, std::vector<db3_value> *row, db3_error *err)
{
    db3_table *t = st->scan;
    if (!st->scan_loaded) {
        if (!db3_vtab_load(t, err)) return -1;
        st->scan_loaded = 1;
    }
    const char *rec = nullptr;
    int got = db3_vtab_next_record(t, &st->scan_rec, &rec, err);
    if (got != 1) return got;
    size_t n = st->scan_fields.size();
    /* Every field is read before the row is touched: a damaged one fails
     * the row as a whole. */
    for (size_t i = 0; i < n; i++)
        if (!db3_vtab_read(t, st->scan_fields[i], rec, st->scan_rec, &st->scan_values[i], err)) return -1;
    row->resize(n);
    for (size_t i = 0; i < n; i++) db3_field_row_value(st->scan_values[i], st->columns[i], &(*row)[i]);
    return 1;
}

/* Opens a cursor on a cursor specification (see db3_engine.h). */
int db3_cursor_open(db3_stmt *st, const std::vector<db3_value> *params, db3_error *err)
{
    if (!st) return db3_fail(err, DB3_ERR_STATE, "no statement");
    if (st->function != DB3_FUNC_CURSOR) return db3_fail(err, DB3_ERR_STATE, "only a SELECT statement has a cursor");
    if (!db3_idle(st->s, err)) return 0;
    std::unique_ptr<db3_held> held(new (std::nothrow) db3_held());
    if (!held) return db3_fail(err, DB3_ERR_MEMORY, "no memory for a cursor");
    if (!db3_start(st, params, held.get(), err)) return 0;
    st->held = held.release();
    st->s->reading = st;
    db3_scan_start(st);
    if (!st->scan) db3_wide_start(st);
    return 1;
}

/* Reads the next row of an open cursor (see db3_engine.h). */
int db3_cursor_next(db3_stmt *st, std::vector<db3_value> *row, db3_error *err)
{
    if (!st || !st->held) return db3_fail(err, DB3_ERR_STATE, "the cursor is not open"), -1;
    if (st->scan) {
        int got;
        try {
            got = db3_scan_next(st, row, err);
        } catch (...) {
            db3_fail(err, DB3_ERR_MEMORY, "no memory for a row of the cursor");
            got = -1;
        }
        if (got != 1) db3_cursor_close(st);
        return got;
    }
    int rc = sqlite3_step(st->stmt);
    if (rc == SQLITE_ROW) {
        size_t n = st->columns.size();
        try {
            row->resize(n);
        } catch (...) {
            db3_cursor_close(st);
            return db3_fail(err, DB3_ERR_MEMORY, "no memory for a row of the cursor"), -1;
        }
        for (size_t i = 0; i < n; i++) db3_row_value(st, (int)i, st->columns[i], &(*row)[i]);
        return 1;
    }
    int ok = rc == SQLITE_DONE ? 0 : (db3_sqlite_fail(st->s, rc, err), -1);
    db3_cursor_close(st);
    return ok;
}

/* Closes the cursor of a statement (see db3_engine.h). */
void db3_cursor_close(db3_stmt *st)
{
    if (!st || !st->held) return;
    st->scan = nullptr;
    sqlite3_reset(st->stmt);
    delete st->held;
    st->held = nullptr;
    if (st->s->reading == st) st->s->reading = nullptr;
}

/* Runs a cursor specification and reads its rows. */
int db3_open_cursor(db3_stmt *st, const std::vector<db3_value> *params, db3_result *out, db3_error *err)
{
    out->columns.clear();
    out->rows.clear();
    if (!db3_cursor_open(st, params, err)) return 0;
    out->columns = st->columns;
    std::vector<db3_value> row;
    int got;
    try {
        while ((got = db3_cursor_next(st, &row, err)) == 1) out->rows.push_back(row);
    } catch (...) {
        db3_cursor_close(st);
        out->rows.clear();
        return db3_fail(err, DB3_ERR_MEMORY, "no memory for the rows of the cursor");
    }
    if (got < 0) out->rows.clear();
    return got == 0;
}

/* Prepares and runs one statement (see db3_engine.h). */
int db3_run(db3_session *s, const char *text, db3_result *out, long *rows, db3_error *err)
{
    db3_stmt *st = db3_prepare(s, text, err);
    if (!st) return 0;
    int ok;
    if (st->function == DB3_FUNC_CURSOR) {
        db3_result scratch;
        ok = db3_open_cursor(st, nullptr, out ? out : &scratch, err);
        if (rows) *rows = ok ? (long)(out ? out : &scratch)->rows.size() : 0;
    } else {
        ok = db3_execute(st, nullptr, rows, err);
    }
    db3_stmt_free(st);
    return ok;
}
