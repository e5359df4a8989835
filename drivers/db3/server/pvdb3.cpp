/*
 * pvdb3: the DB3 driver program. The engine starts it for the environment
 * whose "Driver" entry names it and sends it one session per connection;
 * each session runs its statements through the driver's engine
 * (drivers/db3/db3_engine.h) on one project directory and sends the rows
 * back as typed values.
 *
 * A cursor's rows are read into a store the fetches read: the open reads
 * the first few itself, and when there are more a thread of their own
 * reads the rest, so the first rows leave while the scan goes on (a
 * look-up makes no thread); the tables are released as soon as the scan
 * ends, however slowly the application fetches. The store keeps its
 * latest blocks in memory and the older rows in a temporary file
 * (sqlclient/asi_row_spool.h), so a long result costs the program a few
 * blocks of memory and still scrolls both ways. The session's engine is used
 * by one thread at a time: every request other than a fetch or a close
 * first waits for the scans still running.
 *
 * The directory: the catalog (asi_set_catalog, the environment's
 * "PETRIVEX" directory) and in it the schema (asi_set_schema, a project's
 * subdirectory; a schema that is an absolute path, or one that is empty,
 * names its directory alone).
 *
 *   [DB3]
 *   Driver=/opt/petrivex/bin/pvdb3
 *   PETRIVEX=/data/projects
 */
#include <malloc.h>
#include <signal.h>
#include <sys/stat.h>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "drivers/db3/db3_engine.h"
#include "sqlclient/asi_driver_side.h"
#include "sqlclient/asi_row_spool.h"
#include "sqlclient/values/asi_approx.h"
#include "sqlclient/values/asi_char.h"
#include "sqlclient/values/asi_decimal.h"
#include "sqlclient/values/asi_double.h"
#include "sqlclient/values/asi_integer.h"

namespace {

/* Bytes of a value's text taken from a parameter. */
constexpr int DB3_PARAM_TEXT = 1024;

/* Bytes from which a block of memory is mapped on its own, and bytes of
 * free memory the program keeps before it gives any back. */
constexpr int DB3_MMAP_THRESHOLD = 32 << 20;
constexpr int DB3_TRIM_THRESHOLD = 128 << 20;

/* SQLSTATEs of a catalog or schema that names no directory. */
constexpr const char *DB3_STATE_CATALOG = "3D000";
constexpr const char *DB3_STATE_SCHEMA = "3F000";

/* Rows the scan reads before it hands them to the fetches (the first
 * row is handed over alone, so that it can leave at once). */
constexpr size_t DB3_SCAN_BATCH = 1024;

/* Rows a cursor's open reads itself: a query with no more (a look-up)
 * needs no scan thread; one with more goes on in a thread of its own,
 * unless the cursor is the one a prepare opens to answer a small result
 * whole, whose open reads the rows it may fetch and no more. */
constexpr size_t DB3_OPEN_ROWS = 64;

/* One value of a stored row as it is read back. */
struct db3_value_view {
    int kind = DB3_VALUE_NULL;       /* DB3_VALUE_ kind */
    long long i = 0;                 /* integer value */
    double d = 0;                    /* approximate value */
    const char *s = nullptr;         /* text value (not terminated) */
    uint32_t n = 0;                  /* its bytes */
};

/* How a stored row begins: the items its values are sent as when every
 * one of them goes plain, which a block takes as they are, or each value
 * as a kind byte and its bytes (8 for an integer or a double, a 4-byte
 * length and the characters for a text, none for a null). The scan writes
 * the items while it reads, beside the fetches, which then only copy
 * them. */
constexpr char DB3_ROW_ITEMS = 'I';
constexpr char DB3_ROW_VALUES = 'V';

/* An open cursor: the rows its scan has stored, the scan's state, and one
 * value per column that each row sent is set into in turn. */
struct db3_drv_cursor {
    db3_stmt *stmt = nullptr;                       /* statement the scan reads (owned by the session) */
    std::vector<db3_column> columns;                /* described columns */
    long pos = 0;                                   /* 0 before the first row, count + 1 after the last */
    std::vector<std::unique_ptr<CAsiData>> values;  /* one per column, reused for every row */
    std::vector<asi_plain_column> plain;            /* what each column takes plain */
    std::thread scan;                               /* the scan while it runs */
    std::atomic<bool> cancel{false};                /* set to end the scan early */
    std::mutex lock;                                /* guards the fields below */
    std::condition_variable grown;                  /* signalled when rows were stored or the scan ended */
    asi_row_spool rows;                             /* rows stored so far */
    bool done = false;                              /* the scan has ended */
    bool failed = false;                            /* it ended on the failure below */
    db3_error failure;                              /* that failure */
};

/* A text of the engine in the driver's character set. */
std::string db3_text(const CAsiUcStr &s)
{
    std::vector<char> buf((size_t)s.length() * 4 + 1);
    s.toMb(buf.data(), (int)buf.size());
    return buf.data();
}

/* Records an engine condition in the reply. Answers 0. */
int db3_reply_error(CAsiDrvReply &r, const db3_error &e)
{
    r.error(e.native ? e.native : DB3_ERR_INTERNAL, e.sqlstate, "%s", e.text.c_str());
    return 0;
}

/* A null value of a described column's type, with its sizes. */
CAsiData *db3_new_value(const db3_column &c)
{
    switch (c.type) {
    case DB3_TYPE_NUMERIC: return new CAsiNumeric((unsigned)c.precision, (unsigned)c.scale);
    case DB3_TYPE_DECIMAL: return new CAsiDecimal((unsigned)c.precision, (unsigned)c.scale);
    case DB3_TYPE_INTEGER: return new CAsiInteger();
    case DB3_TYPE_SMALLINT: return new CAsiSmallint();
    case DB3_TYPE_FLOAT: return new CAsiFloat(c.precision);
    case DB3_TYPE_REAL: return new CAsiReal();
    case DB3_TYPE_DOUBLE: return new CAsiDouble();
    default: return new CAsiChar(c.length);
    }
}

/* A stored value as the plain value for column col, into *p: an exact
 * number with decimals as its scaled digits where they can be. (Written in
 * place: a plain value returned whole is copied back wider than it was
 * written, which stalls the scan on every value.) */
void db3_plain(const db3_value_view &x, const asi_plain_column &col, asi_plain_value *p)
{
    switch (x.kind) {
    case DB3_VALUE_INT: p->kind = ASI_PLAIN_INT; p->i = x.i; return;
    case DB3_VALUE_REAL: p->kind = ASI_PLAIN_REAL; p->d = x.d; return;
    case DB3_VALUE_TEXT:
        if ((col.takes & (1 << ASI_PLAIN_SCALED)) && asi_plain_scaled_from_text(x.s, (int)x.n, col.scale, &p->i)) {
            p->kind = ASI_PLAIN_SCALED;
            return;
        }
        p->kind = ASI_PLAIN_TEXT;
        p->s = x.s;
        p->n = (int)x.n;
        return;
    default: p->kind = ASI_PLAIN_NULL; return;
    }
}

/* A value of a row as the view a stored one is read back into. */
db3_value_view db3_view(const db3_value &v)
{
    db3_value_view x;
    x.kind = v.kind;
    x.i = v.i;
    x.d = v.d;
    x.s = v.s.data();
    x.n = (uint32_t)v.s.size();
    return x;
}

/* Appends row to the bytes of a store: as the items of its plain values
 * when each of columns takes its value plain (plain holds one value per
 * column, the caller's scratch), else as its values. */
void db3_store_row(const std::vector<db3_value> &row, const std::vector<asi_plain_column> &columns,
                   std::vector<asi_plain_value> *plain, std::string *bytes)
{
    size_t need = 0, i = 0;
    plain->resize(row.size());
    for (; i < row.size() && i < columns.size(); i++) {
        asi_plain_value &p = (*plain)[i];
        db3_plain(db3_view(row[i]), columns[i], &p);
        if (!asi_plain_fits(columns[i], p)) break;
        need += asi_plain_item_size(p);
    }
    if (i == row.size()) {
        size_t at = bytes->size();
        bytes->resize(at + 1 + need);
        (*bytes)[at] = DB3_ROW_ITEMS;
        unsigned char *out = reinterpret_cast<unsigned char *>(&(*bytes)[at + 1]);
        for (const asi_plain_value &p : *plain) out = asi_plain_encode(out, p);
        return;
    }
    bytes->push_back(DB3_ROW_VALUES);
    for (const db3_value &v : row) {
        bytes->push_back((char)v.kind);
        if (v.kind == DB3_VALUE_INT) {
            bytes->append(reinterpret_cast<const char *>(&v.i), sizeof v.i);
        } else if (v.kind == DB3_VALUE_REAL) {
            bytes->append(reinterpret_cast<const char *>(&v.d), sizeof v.d);
        } else if (v.kind == DB3_VALUE_TEXT) {
            uint32_t n = (uint32_t)v.s.size();
            bytes->append(reinterpret_cast<const char *>(&n), sizeof n);
            bytes->append(v.s);
        }
    }
}

/* Reads the next stored value at *at into x and moves *at past it. */
void db3_read_value(const char **at, db3_value_view *x)
{
    const char *p = *at;
    x->kind = (unsigned char)*p++;
    if (x->kind == DB3_VALUE_INT) {
        memcpy(&x->i, p, sizeof x->i);
        p += sizeof x->i;
    } else if (x->kind == DB3_VALUE_REAL) {
        memcpy(&x->d, p, sizeof x->d);
        p += sizeof x->d;
    } else if (x->kind == DB3_VALUE_TEXT) {
        memcpy(&x->n, p, sizeof x->n);
        x->s = p + sizeof x->n;
        p = x->s + x->n;
    }
    *at = p;
}

/* Reads a cursor's rows until they end, a failure or a cancel, storing
 * them in batches (the first row alone) and waking the fetches that wait;
 * the statement's cursor is closed at the end, which releases its
 * tables. With limit above 0 it stops after that many rows. Answers
 * whether the rows ended. */
bool db3_scan_rows(db3_drv_cursor *c, size_t limit)
{
    std::vector<db3_value> row;
    std::vector<asi_plain_value> plain;
    std::string batch;
    std::vector<size_t> ends;   /* offsets after each row in batch */
    db3_error e;
    size_t want = c->rows.count() == 0 ? 1 : DB3_SCAN_BATCH, read = 0;
    for (;;) {
        int got = c->cancel.load(std::memory_order_relaxed) ? 0 : db3_cursor_next(c->stmt, &row, &e);
        try {
            if (got == 1) {
                db3_store_row(row, c->plain, &plain, &batch);
                ends.push_back(batch.size());
                read++;
                if (ends.size() < want && (!limit || read < limit)) continue;
            }
        } catch (...) {
            got = db3_fail(&e, DB3_ERR_MEMORY, "no memory for the rows of the cursor") - 1;
        }
        {
            std::lock_guard<std::mutex> hold(c->lock);
            try {   /* the rows stored before stay whole */
                c->rows.append(batch.data(), ends.data(), ends.size());
            } catch (...) {
                got = db3_fail(&e, DB3_ERR_MEMORY, "no memory for the rows of the cursor") - 1;
            }
            if (got != 1) {
                c->done = true;
                c->failed = got < 0;
                c->failure = e;
            }
        }
        c->grown.notify_all();
        batch.clear();
        ends.clear();
        want = DB3_SCAN_BATCH;
        if (got != 1) break;
        if (limit && read >= limit) return false;
    }
    db3_cursor_close(c->stmt);
    return true;
}

/* Reads the rest of a cursor's rows (the scan thread). */
void db3_scan(db3_drv_cursor *c)
{
    db3_scan_rows(c, 0);
}

/* An engine value from a parameter's value. */
db3_value db3_param(const CAsiData *p)
{
    db3_value v;
    if (!p || p->isNull()) return v;
    if (p->isApproximateNumeric()) {
        v.kind = DB3_VALUE_REAL;
        p->getDouble(&v.d);
        return v;
    }
    char text[DB3_PARAM_TEXT] = "";
    p->getText(text, sizeof text);
    v.kind = DB3_VALUE_TEXT;
    v.s = text;
    if (p->isExactNumeric() && p->scale() == 0) {
        char *end = nullptr;
        long long n = strtoll(text, &end, 10);
        if (end && *end == '\0' && end != text) {
            v.kind = DB3_VALUE_INT;
            v.i = n;
        }
    }
    return v;
}

/* One connection's session: a project directory and its statements. */
class db3_drv_session : public CAsiDrvSession {
public:
    ~db3_drv_session() override { disconnect(); }

    /* Connects: dBASE tables have no users, any user is accepted. */
    int connect(const CAsiUcStr &, const CAsiUcStr &, const CAsiUcStr &, CAsiDrvReply &) override { return 1; }

    /* Closes the directory's session with its statements and cursors. */
    void disconnect() override
    {
        for (auto &c : m_cursors) stop_scan(*c.second);
        m_cursors.clear();
        m_stmts.clear();
        m_described.clear();
        db3_session_close(m_session);
        m_session = nullptr;
    }

    /* Sets the catalog directory and opens it. Answers 1, or 0 with 3D000
     * when it is no directory. */
    int setCatalog(const CAsiUcStr &name, CAsiDrvReply &r) override
    {
        std::string dir = db3_text(name);
        if (!use_dir(dir, DB3_STATE_CATALOG, r)) return 0;
        m_catalog = dir;
        return 1;
    }

    /* Sets the project directory: the schema inside the catalog, or the
     * schema's own path. Answers 1, or 0 with 3F000. */
    int setSchema(const CAsiUcStr &name, CAsiDrvReply &r) override
    {
        std::string schema = db3_text(name);
        std::string dir = schema;
        if (schema.empty()) dir = m_catalog;
        else if (schema[0] != '/' && !m_catalog.empty()) dir = m_catalog + "/" + schema;
        return use_dir(dir, DB3_STATE_SCHEMA, r);
    }

    /* Prepares and describes a statement under id. Answers 1, or 0 with
     * the engine's condition. */
    int prepare(int id, const CAsiUcStr &text, CAsiDrvReply &r) override
    {
        if (!m_session) {
            r.error(DB3_ERR_CATALOG, DB3_STATE_CATALOG, "no project directory is set for this connection");
            return 0;
        }
        deallocate(id);
        finish_scans();
        db3_error e;
        db3_stmt *st = db3_prepare(m_session, db3_text(text).c_str(), &e);
        if (!st) return db3_reply_error(r, e);
        m_stmts[id] = st;
        m_described[id] = db3_stmt_columns(st);
        r.setFunction(db3_stmt_function(st));
        r.setParamCount(db3_stmt_param_count(st));
        for (const db3_column &c : db3_stmt_columns(st)) {
            CAsiData *v = db3_new_value(c);
            r.addColumn(c.name.c_str(), *v, c.nullable);
            delete v;
        }
        return 1;
    }

    /* Executes a prepared statement. Answers 1 with the rows touched, or
     * 0 with the condition. */
    int execute(int id, const asi_value_list &params, CAsiDrvReply &r) override
    {
        finish_scans();
        db3_stmt *st = find(id, r);
        if (!st) return 0;
        std::vector<db3_value> p;
        for (const CAsiData *v : params) p.push_back(db3_param(v));
        long rows = 0;
        db3_error e;
        if (!db3_execute(st, &p, &rows, &e)) return db3_reply_error(r, e);
        r.setRowCount(rows);
        return 1;
    }

    /* Forgets a statement. */
    void deallocate(int id) override
    {
        auto it = m_stmts.find(id);
        if (it == m_stmts.end()) return;
        finish_scans();
        db3_stmt_free(it->second);
        m_stmts.erase(it);
        m_described.erase(id);
    }

    /* Opens a cursor: its scan starts, and the first row (or the end of
     * the rows) is waited for, so that a query that fails at once fails
     * here. Answers 1, or 0 with the condition. */
    int open(int cursor, int id, const asi_value_list &params, CAsiDrvReply &r) override
    {
        finish_scans();
        close(cursor);
        db3_stmt *st = find(id, r);
        if (!st) return 0;
        std::vector<db3_value> p;
        for (const CAsiData *v : params) p.push_back(db3_param(v));
        db3_error e;
        if (!db3_cursor_open(st, &p, &e)) return db3_reply_error(r, e);
        if (!same_columns(m_described[id], db3_stmt_columns(st))) {
            /* The rows would not be read as the application was told. */
            db3_cursor_close(st);
            db3_fail(&e, DB3_ERR_CHANGED, "a table of the statement changed since it was prepared: prepare it again");
            return db3_reply_error(r, e);
        }
        auto c = std::make_unique<db3_drv_cursor>();
        c->stmt = st;
        c->columns = db3_stmt_columns(st);
        for (const db3_column &col : c->columns) {
            c->values.emplace_back(db3_new_value(col));
            c->plain.push_back(asi_plain_column_of(*c->values.back()));
        }
        db3_drv_cursor *raw = c.get();
        if (!db3_scan_rows(raw, cursor >= 0 ? DB3_OPEN_ROWS : ASI_RESULT_ROWS + 1) && cursor >= 0) {
            try {
                c->scan = std::thread(db3_scan, raw);
            } catch (...) {
                db3_scan(raw);   /* no thread: the rows are read here */
            }
        }
        std::unique_lock<std::mutex> hold(c->lock);
        c->grown.wait(hold, [raw] { return raw->done || raw->rows.count() > 0; });
        if (c->failed && c->rows.count() == 0) {
            e = c->failure;
            hold.unlock();
            stop_scan(*c);
            return db3_reply_error(r, e);
        }
        hold.unlock();
        m_cursors[cursor] = std::move(c);
        return 1;
    }

    /* Moves a cursor and sends the row it stands on, waiting for the scan
     * as far as the move needs (to its end for the last row or a position
     * from the end). Answers 1 (row or no row), or 0 for an unknown cursor
     * or orientation, or the failure of the scan before the row. */
    int fetch(int cursor, int orientation, long offset, CAsiDrvReply &r) override
    {
        auto it = m_cursors.find(cursor);
        if (it == m_cursors.end()) {
            r.error(DB3_ERR_STATE, "24000", "cursor %d is not open", cursor);
            return 0;
        }
        db3_drv_cursor &c = *it->second;
        std::unique_lock<std::mutex> hold(c.lock);
        bool from_end = orientation == ASI_FETCH_LAST || (orientation == ASI_FETCH_ABSOLUTE && offset < 0);
        if (from_end) c.grown.wait(hold, [&c] { return c.done; });
        long n = c.rows.count(), p = 0;
        if (!asi_drv_fetch_target(orientation, offset, c.pos, n, &p)) {
            r.error(DB3_ERR_STATE, "HY106", "fetch orientation %d is not known", orientation);
            return 0;
        }
        if (p >= 1) c.grown.wait(hold, [&c, p] { return c.done || c.rows.count() >= p; });
        n = c.rows.count();
        if (p > n && c.done && c.failed) return db3_reply_error(r, c.failure);
        c.pos = p < 1 ? 0 : p <= n ? p : n + 1;
        if (c.pos < 1 || c.pos > n) return 1;
        std::string row;
        if (!copy_rows(c, c.pos, c.pos, &row, nullptr)) {
            r.error(DB3_ERR_IO, "HY000", "row %ld of cursor %d cannot be read back from its temporary file", c.pos,
                    cursor);
            return 0;
        }
        r.setRow(c.pos);
        hold.unlock();
        if (!add_values(c, row.data(), row.size(), r, false)) {
            r.error(DB3_ERR_IO, "HY000", "row %ld of cursor %d was stored damaged", c.pos, cursor);
            return 0;
        }
        return 1;
    }

    /* Adds the rows after the one the cursor stands on, as many as the
     * block takes of those the scan has read (waiting for the next one
     * when none is there yet); a row whose value cannot be made ends the
     * block before it, so that its own fetch reports the failure. */
    void fetchBlock(int cursor, CAsiDrvReply &r) override
    {
        auto it = m_cursors.find(cursor);
        if (it == m_cursors.end()) return;
        db3_drv_cursor &c = *it->second;
        if (c.pos < 1) return;
        const long end = c.pos + (long)ASI_BLOCK_ROWS;   /* the last row a block may hold */
        std::vector<size_t> ends;
        while (c.pos < end) {
            long next = c.pos + 1, last = 0;
            std::string rows;
            {
                std::unique_lock<std::mutex> hold(c.lock);
                c.grown.wait(hold, [&c, next] { return c.done || c.rows.count() >= next; });
                last = std::min(c.rows.count(), end);
                /* A row that cannot be read back is left to its own fetch. */
                if (next > last || !copy_rows(c, next, last, &rows, &ends)) return;
            }
            for (long k = next; k <= last; k++) {
                size_t from = k > next ? ends[(size_t)(k - next - 1)] : 0, n = ends[(size_t)(k - next)] - from;
                const char *at = rows.data() + from;
                int added = *at == DB3_ROW_ITEMS ? r.addBlockRowItems(k, at + 1, n - 1)
                                                 : r.addBlockRow(k, [&] { add_values(c, at, n, r, true); });
                if (!added) return;
                c.pos = k;
            }
        }
    }

    /* Closes a cursor: its scan, when it still runs, ends early; the
     * tables of one whose rows were never read on are released here. */
    void close(int cursor) override
    {
        auto it = m_cursors.find(cursor);
        if (it == m_cursors.end()) return;
        db3_drv_cursor &c = *it->second;
        stop_scan(c);
        if (!c.done) db3_cursor_close(c.stmt);
        m_cursors.erase(it);
    }

    /* An open reads the first rows and leaves the rest to a scan that a
     * close cuts short: a prepare may open its query at once when its plan
     * reads few records (a look-up by an index, a short table), and not a
     * scan of a long table, which may be prepared only to be described. */
    int opensCheaply(int id) const override
    {
        auto it = m_stmts.find(id);
        return it != m_stmts.end() && db3_stmt_reads_few(it->second);
    }

private:
    /* Copies the stored bytes of rows first to last (from 1) of cursor c,
     * whose lock the caller holds, into *out; into *ends (when given) the
     * offset after each row in the copy. Answers false when a row cannot
     * be read back from the store's file. */
    static bool copy_rows(db3_drv_cursor &c, long first, long last, std::string *out, std::vector<size_t> *ends)
    {
        out->clear();
        if (ends) ends->clear();
        for (long k = first; k <= last; k++) {
            const char *at = nullptr;
            size_t n = 0;
            if (!c.rows.row(k, &at, &n)) return false;
            out->append(at, n);
            if (ends) ends->push_back(out->size());
        }
        return true;
    }

    /* Adds the values of the stored row at (n bytes) of cursor c to the
     * reply. A row stored as items gives each value through the column's
     * value object; one stored as values gives, in a further row (plain),
     * a value its column takes plain as it is, any other through the
     * column's value object. Answers false for a stored row that does not
     * read back. */
    static bool add_values(db3_drv_cursor &c, const char *at, size_t n, CAsiDrvReply &r, bool plain)
    {
        const unsigned char *in = reinterpret_cast<const unsigned char *>(at) + 1, *end = in + (n ? n - 1 : 0);
        bool items = n > 0 && *at == DB3_ROW_ITEMS;
        db3_value_view x;
        for (size_t i = 0; i < c.columns.size(); i++) {
            asi_plain_value p;
            if (items) {
                size_t used = asi_plain_decode(in, (size_t)(end - in), &p);
                if (!used) return false;
                in += used;
            } else {
                const char *from = reinterpret_cast<const char *>(in);
                db3_read_value(&from, &x);
                in = reinterpret_cast<const unsigned char *>(from);
                db3_plain(x, c.plain[i], &p);
                if (plain && asi_plain_fits(c.plain[i], p)) {
                    r.addPlain(p);
                    continue;
                }
            }
            CAsiData *v = c.values[i].get();
            asi_plain_set(v, p);
            r.addValue(*v);
        }
        return true;
    }

    /* Answers whether the columns a statement has now are those described
     * at its prepare: the same number, names and types. */
    static bool same_columns(const std::vector<db3_column> &was, const std::vector<db3_column> &now)
    {
        return std::equal(was.begin(), was.end(), now.begin(), now.end(), [](const db3_column &a, const db3_column &b) {
            return a.name == b.name && a.type == b.type && a.length == b.length && a.precision == b.precision
                && a.scale == b.scale && a.nullable == b.nullable;
        });
    }

    /* Ends the scan of cursor c early and waits for it. */
    static void stop_scan(db3_drv_cursor &c)
    {
        c.cancel = true;
        if (c.scan.joinable()) c.scan.join();
    }

    /* Waits for every scan still running to end (the engine is then free
     * for another statement). */
    void finish_scans()
    {
        for (auto &c : m_cursors)
            if (c.second->scan.joinable()) c.second->scan.join();
    }

    /* Opens the session on dir. Answers 1, or 0 with the state given. */
    int use_dir(const std::string &dir, const char *state, CAsiDrvReply &r)
    {
        finish_scans();
        db3_error e;
        db3_session *s = db3_session_open(dir.c_str(), &e);
        if (!s) {
            r.error(DB3_ERR_CATALOG, state, "%s", e.text.c_str());
            return 0;
        }
        disconnect();
        m_session = s;
        return 1;
    }

    /* The prepared statement of an id, or none with a 26000 condition. */
    db3_stmt *find(int id, CAsiDrvReply &r)
    {
        auto it = m_stmts.find(id);
        if (it != m_stmts.end()) return it->second;
        r.error(DB3_ERR_STATE, "26000", "statement %d is not prepared", id);
        return nullptr;
    }

    std::string m_catalog;                     /* catalog directory, "" when none */
    db3_session *m_session = nullptr;          /* engine session on the project directory, owned */
    std::map<int, db3_stmt *> m_stmts;         /* prepared statements by id (owned by the session) */
    std::map<int, std::vector<db3_column>> m_described;   /* the columns each was described with at its prepare */
    std::map<int, std::unique_ptr<db3_drv_cursor>> m_cursors;   /* open cursors by id */
};

/* Makes the session of a new connection. */
CAsiDrvSession *db3_make_session(void *)
{
    return new (std::nothrow) db3_drv_session();
}

} // namespace

/* Serves the engine that started the program. The memory of the rows a
 * scan stored is kept for the next scan rather than given back to the
 * system and faulted in again page by page. */
int main(int argc, char **argv)
{
    /* A write past a file-size limit fails as a full disk does. */
    signal(SIGXFSZ, SIG_IGN);
    mallopt(M_MMAP_THRESHOLD, DB3_MMAP_THRESHOLD);
    mallopt(M_TRIM_THRESHOLD, DB3_TRIM_THRESHOLD);
    return asi_drv_serve(argc, argv, db3_make_session, nullptr);
}
