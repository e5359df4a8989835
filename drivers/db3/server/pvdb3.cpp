/*
 * pvdb3: the DB3 driver program. The engine starts it for the environment
 * whose "Driver" entry names it and sends it one session per connection;
 * each session runs its statements through the driver's engine
 * (drivers/db3/db3_engine.h) on one project directory and sends the rows
 * back as typed values.
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
#include <sys/stat.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "drivers/db3/db3_engine.h"
#include "sqlclient/asi_driver_side.h"
#include "sqlclient/values/asi_approx.h"
#include "sqlclient/values/asi_char.h"
#include "sqlclient/values/asi_decimal.h"
#include "sqlclient/values/asi_double.h"
#include "sqlclient/values/asi_integer.h"

namespace {

/* Bytes of a value's text taken from a parameter, and of an integer's
 * text given to a value. */
constexpr int DB3_PARAM_TEXT = 1024;
constexpr int DB3_INT_TEXT = 32;

/* SQLSTATEs of a catalog or schema that names no directory. */
constexpr const char *DB3_STATE_CATALOG = "3D000";
constexpr const char *DB3_STATE_SCHEMA = "3F000";

/* An open cursor: its rows, read whole when it was opened, and one value
 * per column that each row sent is set into in turn. */
struct db3_drv_cursor {
    db3_result rows;                                /* columns and rows */
    long pos = 0;                                   /* 0 before the first row, count + 1 after the last */
    std::vector<std::unique_ptr<CAsiData>> values;  /* one per column, reused for every row */
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

/* Sets a value of column c from an engine value. */
void db3_set_value(CAsiData *v, const db3_column &c, const db3_value &x)
{
    char text[DB3_INT_TEXT];
    switch (x.kind) {
    case DB3_VALUE_NULL: v->setNull(); return;
    case DB3_VALUE_INT:
        /* A number a file holds beyond the type's range goes in as text,
         * so that the value refuses it (22003) instead of wrapping. */
        if (c.type == DB3_TYPE_SMALLINT && x.i >= INT16_MIN && x.i <= INT16_MAX) {
            v->setShort((std::int16_t)x.i);
        } else if (c.type == DB3_TYPE_INTEGER && x.i >= INT32_MIN && x.i <= INT32_MAX) {
            v->setLong((std::int32_t)x.i);
        } else {
            snprintf(text, sizeof text, "%lld", x.i);
            v->setText(text, (int)strlen(text));
        }
        return;
    case DB3_VALUE_REAL: v->setDouble(x.d); return;
    default: v->setText(x.s.data(), (int)x.s.size()); return;
    }
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
        m_cursors.clear();
        m_stmts.clear();
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
        db3_error e;
        db3_stmt *st = db3_prepare(m_session, db3_text(text).c_str(), &e);
        if (!st) return db3_reply_error(r, e);
        m_stmts[id] = st;
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
        db3_stmt_free(it->second);
        m_stmts.erase(it);
    }

    /* Opens a cursor: the query runs and its rows are kept for scrolling.
     * Answers 1, or 0 with the condition. */
    int open(int cursor, int id, const asi_value_list &params, CAsiDrvReply &r) override
    {
        db3_stmt *st = find(id, r);
        if (!st) return 0;
        std::vector<db3_value> p;
        for (const CAsiData *v : params) p.push_back(db3_param(v));
        db3_drv_cursor c;
        db3_error e;
        if (!db3_open_cursor(st, &p, &c.rows, &e)) return db3_reply_error(r, e);
        for (const db3_column &col : c.rows.columns) c.values.emplace_back(db3_new_value(col));
        m_cursors[cursor] = std::move(c);
        return 1;
    }

    /* Moves a cursor and sends the row it stands on. Answers 1 (row or no
     * row), or 0 for an unknown cursor or orientation. */
    int fetch(int cursor, int orientation, long offset, CAsiDrvReply &r) override
    {
        auto it = m_cursors.find(cursor);
        if (it == m_cursors.end()) {
            r.error(DB3_ERR_STATE, "24000", "cursor %d is not open", cursor);
            return 0;
        }
        db3_drv_cursor &c = it->second;
        long n = (long)c.rows.rows.size(), p = 0;
        if (!asi_drv_fetch_target(orientation, offset, c.pos, n, &p)) {
            r.error(DB3_ERR_STATE, "HY106", "fetch orientation %d is not known", orientation);
            return 0;
        }
        c.pos = asi_drv_fetch_clamp(p, n);
        if (c.pos < 1 || c.pos > n) return 1;
        r.setRow(c.pos);
        add_values(c, c.pos, r);
        return 1;
    }

    /* Adds the rows after the one the cursor stands on, as many as the
     * block takes; a row whose value cannot be made ends the block before
     * it, so that its own fetch reports the failure. */
    void fetchBlock(int cursor, CAsiDrvReply &r) override
    {
        auto it = m_cursors.find(cursor);
        if (it == m_cursors.end()) return;
        db3_drv_cursor &c = it->second;
        long n = (long)c.rows.rows.size();
        while (c.pos >= 1 && c.pos < n && r.addBlockRow(c.pos + 1, [&] { add_values(c, c.pos + 1, r); }))
            c.pos++;
    }

    /* Closes a cursor. */
    void close(int cursor) override { m_cursors.erase(cursor); }

private:
    /* Adds the values of row number pos (from 1) of cursor c to the reply. */
    static void add_values(db3_drv_cursor &c, long pos, CAsiDrvReply &r)
    {
        const std::vector<db3_value> &row = c.rows.rows[(size_t)(pos - 1)];
        for (size_t i = 0; i < row.size(); i++) {
            CAsiData *v = c.values[i].get();
            db3_set_value(v, c.rows.columns[i], row[i]);
            r.addValue(*v);
        }
    }

    /* Opens the session on dir. Answers 1, or 0 with the state given. */
    int use_dir(const std::string &dir, const char *state, CAsiDrvReply &r)
    {
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
    std::map<int, db3_drv_cursor> m_cursors;   /* open cursors by id */
};

/* Makes the session of a new connection. */
CAsiDrvSession *db3_make_session(void *)
{
    return new (std::nothrow) db3_drv_session();
}

} // namespace

/* Serves the engine that started the program. */
int main(int argc, char **argv)
{
    return asi_drv_serve(argc, argv, db3_make_session, nullptr);
}
