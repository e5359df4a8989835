/*
 * pvodbc: the ODBC driver program. The engine starts it for an environment
 * whose "Driver" entry names it (the environment "ODBC") and sends it one
 * session per connection; each session reaches a database server through
 * the ODBC driver manager (unixODBC) and sends its rows back as typed
 * values.
 *
 * Where the data source becomes known: the connect request carries the
 * environment, user and password; the catalog (the environment's
 * "PETRIVEX" entry) names the data source, a DSN or a whole connection
 * string, and the session connects when the catalog is set (with the
 * environment's name as the DSN when no catalog is given). A server that
 * refuses the user or password answers a class-28 SQLSTATE there, which
 * the logon takes as its question for user and password. The schema (a
 * project's "PETRIVEX.<project>" entry) is the server schema holding the
 * project's tables; it is set as the session's search path, so the
 * application's unqualified names find them. Names are written without
 * quotes, which the server takes in lower case: a statement failing for a
 * column the server keeps in capitals or mixed case (made with quotes)
 * names that column.
 *
 *   [ODBC]
 *   Driver=pvodbc
 *   PETRIVEX=PETRIVEX_PG          ; a DSN of odbc.ini, or "DSN=...;..."
 *   PETRIVEX.GEO=geo
 *
 * Values: CHAR and VARCHAR as CHARACTER (at most 256 characters), DECIMAL
 * and NUMERIC with a precision up to 32 as DECIMAL and NUMERIC through
 * their text (no digit lost), BIGINT as NUMERIC(19,0), SMALLINT, INTEGER,
 * REAL and FLOAT/DOUBLE PRECISION as their own classes; a NUMERIC without
 * a precision (or wider than 32 digits) and every other type as the
 * CHARACTER text the server gives, so no digit is ever rounded away.
 * Rows are read from the server as the cursor reaches them, an array of
 * up to 256 rows at a time into buffers bound column by column (fewer rows
 * when they are wide, so one array stays within 2 MB), and kept in a
 * spool (sqlclient/asi_row_spool.h: the latest blocks in memory, older
 * ones in a temporary file), so a cursor read forward holds a few blocks
 * however long its result and still scrolls both ways. A column described
 * wider than a bound text may be (a long text or memo), and a text longer
 * than its buffer, is read value by value with SQLGetData, as the row
 * array's only other road. The password never appears in a condition.
 */
#include <sql.h>
#include <sqlext.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "drivers/odbc/odbc_dialect.h"
#include "sqlclient/asi_driver_side.h"
#include "sqlclient/asi_row_spool.h"
#include "sqlclient/values/asi_approx.h"
#include "sqlclient/values/asi_char.h"
#include "sqlclient/values/asi_decimal.h"
#include "sqlclient/values/asi_double.h"
#include "sqlclient/values/asi_integer.h"

namespace {

/* Native code of the driver's own conditions (no server behind them). */
constexpr int ODBC_ERR_DRIVER = 14300;
/* Longest value text read at once; longer texts are read in pieces. */
constexpr int ODBC_TEXT_CHUNK = 4096;
/* Widest exact number kept as DECIMAL or NUMERIC. */
constexpr SQLULEN ODBC_MAX_DIGITS = 32;
/* How the PostgreSQL ODBC driver describes a NUMERIC without a precision
** (a MAX over a DEC column, for one): size 28 and 6 decimals, which would
** round its digits; such a column is handed over as its exact text. */
constexpr SQLULEN ODBC_UNSIZED_DIGITS = 28;
constexpr SQLSMALLINT ODBC_UNSIZED_SCALE = 6;
/* Digits of a BIGINT. */
constexpr unsigned ODBC_BIGINT_DIGITS = 19;
/* Longest diagnostic text and SQLSTATE buffer. */
constexpr int ODBC_DIAG_TEXT = 1024;
/* Room for an integer's text. */
constexpr int ODBC_INT_TEXT = 32;
/* Bytes of a parameter's text. */
constexpr int ODBC_PARAM_TEXT = 1024;
/* Most rows read from the server at once. */
constexpr SQLULEN ODBC_ARRAY_ROWS = 256;
/* Bytes the bound buffers of one array of rows may take: wider rows make
** fewer rows per array (one at least). */
constexpr size_t ODBC_ARRAY_BYTES = 2 * 1024 * 1024;
/* Widest buffer of a bound text, its closing zero included; a column
** described wider is read value by value. */
constexpr size_t ODBC_BIND_TEXT_MAX = 1024;
/* Bytes a text's buffer takes beyond the column's size: a number's sign,
** leading zero and point, and the closing zero. */
constexpr size_t ODBC_BIND_TEXT_SLACK = 4;
/* What SQLGetData must be able to do for the rows to be read in arrays:
** read a row of the array, any column, also a bound one. */
constexpr SQLUINTEGER ODBC_GETDATA_NEEDED = SQL_GD_BLOCK | SQL_GD_BOUND | SQL_GD_ANY_COLUMN;

/* How a column's values are read and kept. */
enum odbc_kind { ODBC_KIND_TEXT, ODBC_KIND_INT, ODBC_KIND_REAL };

/* A described result column. */
struct odbc_column {
    std::string name;      /* name as the engine is given it */
    SQLSMALLINT type = 0;  /* ODBC SQL type */
    SQLULEN size = 0;      /* column size */
    SQLSMALLINT scale = 0; /* decimal digits */
    int nullable = 1;      /* 1 when it may be null */
    odbc_kind kind = ODBC_KIND_TEXT;
};

/* A value read from a row. */
struct odbc_value {
    bool null = true;      /* SQL NULL */
    long long i = 0;       /* ODBC_KIND_INT */
    double d = 0;          /* ODBC_KIND_REAL */
    std::string s;         /* ODBC_KIND_TEXT */
};

/* The bound buffers of a statement's array of rows, column by column:
** each column's values side by side, each with its length or null mark.
** Bound at the statement's first open and kept while it is prepared; its
** address is given to the statement, so it never moves. */
struct odbc_rowset {
    bool bound = false;                     /* the statement fetches into these buffers; false: a row at a time */
    SQLULEN rows = 1;                       /* rows per array */
    SQLULEN fetched = 0;                    /* rows the last fetch filled (set by the driver) */
    std::vector<SQLUSMALLINT> status;       /* each row's status from the last fetch (set by the driver) */
    std::vector<size_t> width;              /* bytes of one value of each column; 0 when read value by value */
    std::vector<std::unique_ptr<char[]>> data;  /* each bound column's rows values of width bytes */
    std::vector<std::vector<SQLLEN>> ind;   /* each bound column's lengths or SQL_NULL_DATA */
};

/* A prepared statement. */
struct odbc_stmt {
    SQLHSTMT h = SQL_NULL_HSTMT;         /* the statement handle, owned */
    std::vector<odbc_column> columns;    /* described result columns */
    int params = 0;                      /* number of parameters */
    std::unique_ptr<odbc_rowset> rowset; /* its rows' array, null until a cursor first has rows */
};

/* An open cursor: the rows read so far, read on as the cursor reaches
** them. A row is kept as each column's null byte followed, when not null,
** by its value: 8 bytes for an integer or a real, a 4-byte length and the
** characters for a text. */
struct odbc_cursor {
    int stmt = 0;                                   /* the statement whose handle it reads */
    std::vector<odbc_column> columns;               /* its columns, kinds set */
    std::unique_ptr<asi_row_spool> rows{new asi_row_spool};   /* rows read, in order */
    bool done = false;                              /* every row has been read */
    long pos = 0;                                   /* 0 before the first row; rows + 1 after the last */
    std::vector<std::unique_ptr<CAsiData>> values;  /* one per column, reused for every row */
};

/* A text of the engine in the driver's character set. */
std::string odbc_text(const CAsiUcStr &s)
{
    std::vector<char> buf((size_t)s.length() * 4 + 1);
    s.toMb(buf.data(), (int)buf.size());
    return buf.data();
}

/* A null value of a described column's type, with its sizes; sets the
** column's kind. */
CAsiData *odbc_new_value(odbc_column &c)
{
    switch (c.type) {
    case SQL_SMALLINT:
    case SQL_TINYINT:
    case SQL_BIT: c.kind = ODBC_KIND_INT; return new CAsiSmallint();
    case SQL_INTEGER: c.kind = ODBC_KIND_INT; return new CAsiInteger();
    case SQL_BIGINT: c.kind = ODBC_KIND_INT; return new CAsiNumeric(ODBC_BIGINT_DIGITS, 0);
    case SQL_REAL: c.kind = ODBC_KIND_REAL; return new CAsiReal();
    case SQL_FLOAT:
    case SQL_DOUBLE: c.kind = ODBC_KIND_REAL; return new CAsiDouble();
    case SQL_NUMERIC:
    case SQL_DECIMAL:
        c.kind = ODBC_KIND_TEXT;
        if (c.size >= 1 && c.size <= ODBC_MAX_DIGITS && c.scale >= 0 && (SQLULEN)c.scale <= c.size &&
            !(c.size == ODBC_UNSIZED_DIGITS && c.scale == ODBC_UNSIZED_SCALE))
            return c.type == SQL_DECIMAL ? (CAsiData *)new CAsiDecimal((unsigned)c.size, (unsigned)c.scale)
                                         : (CAsiData *)new CAsiNumeric((unsigned)c.size, (unsigned)c.scale);
        c.size = 0; /* the number's own text, as long as it is */
        break;
    default: break;
    }
    c.kind = ODBC_KIND_TEXT;
    SQLULEN n = c.size == 0 || c.size > ASI_CHAR_MAX_LENGTH ? ASI_CHAR_MAX_LENGTH : c.size;
    return new CAsiChar((unsigned)n);
}

/* Sets a value of column c from a value read. */
void odbc_set_value(CAsiData *v, const odbc_column &c, const odbc_value &x)
{
    char text[ODBC_INT_TEXT];
    if (x.null) {
        v->setNull();
        return;
    }
    switch (c.kind) {
    case ODBC_KIND_INT:
        /* A number beyond the class's range goes in as text, so that the
        ** value refuses it (22003) instead of wrapping. */
        if (c.type != SQL_INTEGER && c.type != SQL_BIGINT && x.i >= INT16_MIN && x.i <= INT16_MAX) {
            v->setShort((std::int16_t)x.i);
        } else if (c.type == SQL_INTEGER && x.i >= INT32_MIN && x.i <= INT32_MAX) {
            v->setLong((std::int32_t)x.i);
        } else {
            std::snprintf(text, sizeof text, "%lld", x.i);
            v->setText(text, (int)std::strlen(text));
        }
        return;
    case ODBC_KIND_REAL: v->setDouble(x.d); return;
    default: v->setText(x.s.data(), (int)x.s.size()); return;
    }
}

/* Appends the values of a row read to its kept bytes. */
void odbc_encode_row(const std::vector<odbc_column> &cols, const std::vector<odbc_value> &row, std::string *out)
{
    out->clear();
    for (size_t i = 0; i < cols.size(); ++i) {
        const odbc_value &x = row[i];
        out->push_back((char)x.null);
        if (x.null) continue;
        if (cols[i].kind == ODBC_KIND_INT) {
            out->append(reinterpret_cast<const char *>(&x.i), sizeof x.i);
        } else if (cols[i].kind == ODBC_KIND_REAL) {
            out->append(reinterpret_cast<const char *>(&x.d), sizeof x.d);
        } else {
            uint32_t n = (uint32_t)x.s.size();
            out->append(reinterpret_cast<const char *>(&n), sizeof n);
            out->append(x.s);
        }
    }
}

/* Reads the next kept value of column c at *at into x and moves *at past
** it. */
void odbc_decode_value(const odbc_column &c, const char **at, odbc_value *x)
{
    const char *p = *at;
    x->null = *p++ != 0;
    if (!x->null) {
        if (c.kind == ODBC_KIND_INT) {
            std::memcpy(&x->i, p, sizeof x->i);
            p += sizeof x->i;
        } else if (c.kind == ODBC_KIND_REAL) {
            std::memcpy(&x->d, p, sizeof x->d);
            p += sizeof x->d;
        } else {
            uint32_t n = 0;
            std::memcpy(&n, p, sizeof n);
            p += sizeof n;
            x->s.assign(p, n);
            p += n;
        }
    }
    *at = p;
}

/* Binds the result columns of statement h to the buffers of a, as many
** rows per array as ODBC_ARRAY_BYTES holds, ODBC_ARRAY_ROWS at most: an
** integer or a real in its own type, a text described at most
** ODBC_BIND_TEXT_MAX bytes wide as its characters; any other column is
** left to be read value by value. Without arrays (a driver whose
** SQLGetData cannot read a row of one) nothing is bound and rows are
** fetched one at a time. Answers true, or false with the statement's
** diagnostics. */
bool odbc_rowset_bind(SQLHSTMT h, const std::vector<odbc_column> &cols, bool arrays, odbc_rowset *a)
{
    size_t n = cols.size();
    a->bound = arrays;
    a->width.assign(n, 0);
    a->data.clear();
    a->data.resize(n);
    a->ind.assign(n, {});
    size_t row_bytes = sizeof(SQLUSMALLINT);
    for (size_t i = 0; arrays && i < n; ++i) {
        const odbc_column &c = cols[i];
        if (c.kind == ODBC_KIND_INT) a->width[i] = sizeof(SQLBIGINT);
        else if (c.kind == ODBC_KIND_REAL) a->width[i] = sizeof(double);
        else if (c.size > 0 && c.size <= ODBC_BIND_TEXT_MAX - ODBC_BIND_TEXT_SLACK)
            a->width[i] = c.size + ODBC_BIND_TEXT_SLACK;
        if (a->width[i]) row_bytes += a->width[i] + sizeof(SQLLEN);
    }
    a->rows = arrays ? std::clamp<SQLULEN>(ODBC_ARRAY_BYTES / row_bytes, 1, ODBC_ARRAY_ROWS) : 1;
    a->status.assign(a->rows, SQL_ROW_NOROW);
    a->fetched = 0;
    if (!arrays) return true;
    if (!SQL_SUCCEEDED(SQLSetStmtAttr(h, SQL_ATTR_ROW_ARRAY_SIZE, (SQLPOINTER)a->rows, 0)) ||
        !SQL_SUCCEEDED(SQLSetStmtAttr(h, SQL_ATTR_ROWS_FETCHED_PTR, &a->fetched, 0)) ||
        !SQL_SUCCEEDED(SQLSetStmtAttr(h, SQL_ATTR_ROW_STATUS_PTR, a->status.data(), 0)))
        return false;
    for (size_t i = 0; i < n; ++i) {
        size_t w = a->width[i];
        if (!w) continue;
        a->data[i].reset(new char[w * a->rows]);
        a->ind[i].assign(a->rows, 0);
        SQLSMALLINT type = cols[i].kind == ODBC_KIND_INT    ? SQL_C_SBIGINT
                           : cols[i].kind == ODBC_KIND_REAL ? SQL_C_DOUBLE
                                                            : SQL_C_CHAR;
        if (!SQL_SUCCEEDED(SQLBindCol(h, (SQLUSMALLINT)(i + 1), type, a->data[i].get(), (SQLLEN)w, a->ind[i].data())))
            return false;
    }
    return true;
}

/* Takes statement h back to fetching a row at a time with no buffer
** bound, after a binding failed. */
void odbc_rowset_unbind(SQLHSTMT h)
{
    SQLFreeStmt(h, SQL_UNBIND);
    SQLSetStmtAttr(h, SQL_ATTR_ROW_ARRAY_SIZE, (SQLPOINTER)(SQLULEN)1, 0);
    SQLSetStmtAttr(h, SQL_ATTR_ROWS_FETCHED_PTR, nullptr, 0);
    SQLSetStmtAttr(h, SQL_ATTR_ROW_STATUS_PTR, nullptr, 0);
}

/* The process's ODBC environment handle, made at the first connection. */
SQLHENV odbc_env()
{
    static SQLHENV env = SQL_NULL_HENV;
    if (env == SQL_NULL_HENV && SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &env)))
        SQLSetEnvAttr(env, SQL_ATTR_ODBC_VERSION, (SQLPOINTER)SQL_OV_ODBC3, 0);
    return env;
}

/* One connection's session: a server connection and its statements. */
class odbc_drv_session : public CAsiDrvSession {
public:
    ~odbc_drv_session() override { disconnect(); }

    /* Keeps the environment, user and password; the data source is known
    ** once the catalog is set. */
    int connect(const CAsiUcStr &env, const CAsiUcStr &user, const CAsiUcStr &password, CAsiDrvReply &) override
    {
        m_env = odbc_text(env);
        m_user = odbc_text(user);
        m_password = odbc_text(password);
        return 1;
    }

    /* Frees every statement and closes the server connection. */
    void disconnect() override
    {
        m_cursors.clear();
        for (auto &s : m_stmts) SQLFreeHandle(SQL_HANDLE_STMT, s.second.h);
        m_stmts.clear();
        if (m_dbc != SQL_NULL_HDBC) {
            SQLDisconnect(m_dbc);
            SQLFreeHandle(SQL_HANDLE_DBC, m_dbc);
            m_dbc = SQL_NULL_HDBC;
        }
    }

    /* Connects to the data source the catalog names. Answers 1, or 0 with
    ** the server's condition (class 28 for a refused user or password). */
    int setCatalog(const CAsiUcStr &name, CAsiDrvReply &r) override
    {
        disconnect();
        return open_source(odbc_text(name), r);
    }

    /* Sets the schema as the search path: the schema named exactly as the
    ** entry writes it (quoted, so its case is kept), else, for an entry
    ** written in capitals of a schema made without quotes, its lower-case
    ** name. Answers 1, or 0 with 3F000 naming the name looked for when the
    ** server has no such schema or its name is not plain. */
    int setSchema(const CAsiUcStr &name, CAsiDrvReply &r) override
    {
        if (!ensure_connected(r)) return 0;
        std::string schema = odbc_text(name);
        if (schema.empty()) return 1;
        if (!odbc_plain_name(schema)) {
            r.error(ODBC_ERR_DRIVER, "3F000", "schema name %.64s is not a plain name", schema.c_str());
            return 0;
        }
        std::string lower;
        for (char ch : schema) lower += (char)std::tolower((unsigned char)ch);
        for (const std::string &n : {schema, lower}) {
            long found = 0;
            if (!direct("SELECT 1 FROM information_schema.schemata WHERE schema_name = '" + n + "'", r, &found)) return 0;
            if (found) return direct("SET search_path TO \"" + n + "\"", r, nullptr);
        }
        if (lower == schema) r.error(ODBC_ERR_DRIVER, "3F000", "the server has no schema \"%s\"", schema.c_str());
        else r.error(ODBC_ERR_DRIVER, "3F000", "the server has no schema \"%s\" (nor %s)", schema.c_str(), lower.c_str());
        return 0;
    }

    /* Prepares and describes a statement under id. */
    int prepare(int id, const CAsiUcStr &text, CAsiDrvReply &r) override
    {
        if (!ensure_connected(r)) return 0;
        deallocate(id);
        std::string sql = odbc_translate(odbc_text(text));
        odbc_stmt st;
        if (!SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_STMT, m_dbc, &st.h))) return fail(SQL_HANDLE_DBC, m_dbc, r);
        SQLSMALLINT ncols = 0, nparams = 0;
        if (!SQL_SUCCEEDED(SQLPrepare(st.h, (SQLCHAR *)sql.c_str(), SQL_NTS)) ||
            !SQL_SUCCEEDED(SQLNumResultCols(st.h, &ncols)) || !SQL_SUCCEEDED(SQLNumParams(st.h, &nparams))) {
            name_quoted_column(st.h, sql, r);
            int rc = fail(SQL_HANDLE_STMT, st.h, r);
            SQLFreeHandle(SQL_HANDLE_STMT, st.h);
            return rc;
        }
        st.params = nparams;
        for (SQLSMALLINT i = 1; i <= ncols; ++i) {
            SQLCHAR name[256] = "";
            SQLSMALLINT len = 0, type = 0, scale = 0, nullable = 0;
            SQLULEN size = 0;
            if (!SQL_SUCCEEDED(SQLDescribeCol(st.h, i, name, sizeof name, &len, &type, &size, &scale, &nullable))) {
                int rc = fail(SQL_HANDLE_STMT, st.h, r);
                SQLFreeHandle(SQL_HANDLE_STMT, st.h);
                return rc;
            }
            odbc_column c;
            c.name = odbc_column_name((const char *)name);
            c.type = type;
            c.size = size;
            c.scale = scale;
            c.nullable = nullable != SQL_NO_NULLS;
            std::unique_ptr<CAsiData> v(odbc_new_value(c));
            r.addColumn(c.name.c_str(), *v, c.nullable);
            st.columns.push_back(c);
        }
        r.setFunction(odbc_function_code(sql, ncols));
        r.setParamCount(nparams);
        m_stmts[id] = std::move(st);
        return 1;
    }

    /* Executes a prepared statement with its parameters; the rows touched. */
    int execute(int id, const asi_value_list &params, CAsiDrvReply &r) override
    {
        odbc_stmt *st = find(id, r);
        if (!st) return 0;
        std::vector<std::string> texts;
        std::vector<SQLLEN> lens;
        SQLRETURN rc = run(*st, params, texts, lens);
        if (!SQL_SUCCEEDED(rc) && rc != SQL_NO_DATA) {
            int out = fail(SQL_HANDLE_STMT, st->h, r);
            reset(*st);
            return out;
        }
        SQLLEN rows = 0;
        SQLRowCount(st->h, &rows);
        r.setRowCount(rows < 0 ? 0 : (long)rows);
        reset(*st);
        return 1;
    }

    /* Frees a statement and closes its cursors. */
    void deallocate(int id) override
    {
        auto it = m_stmts.find(id);
        if (it == m_stmts.end()) return;
        for (auto c = m_cursors.begin(); c != m_cursors.end();)
            c = c->second.stmt == id ? m_cursors.erase(c) : std::next(c);
        SQLFreeHandle(SQL_HANDLE_STMT, it->second.h);
        m_stmts.erase(it);
    }

    /* Runs a query and opens a cursor before its first row; its rows are
    ** read as the cursor reaches them. */
    int open(int cursor, int id, const asi_value_list &params, CAsiDrvReply &r) override
    {
        odbc_stmt *st = find(id, r);
        if (!st) return 0;
        close(cursor);
        for (auto &c : m_cursors)
            if (c.second.stmt == id) {
                r.error(ODBC_ERR_DRIVER, "24000", "statement %d already has an open cursor", id);
                return 0;
            }
        std::vector<std::string> texts;
        std::vector<SQLLEN> lens;
        SQLRETURN rc = run(*st, params, texts, lens);
        if (!SQL_SUCCEEDED(rc) && rc != SQL_NO_DATA) {
            int out = fail(SQL_HANDLE_STMT, st->h, r);
            reset(*st);
            return out;
        }
        odbc_cursor c;
        c.stmt = id;
        c.done = rc == SQL_NO_DATA;
        c.columns = st->columns;
        for (odbc_column &col : c.columns) c.values.emplace_back(odbc_new_value(col));
        if (!c.done && !st->rowset) {
            std::unique_ptr<odbc_rowset> a(new odbc_rowset);
            if (!odbc_rowset_bind(st->h, st->columns, m_arrays, a.get())) {
                int out = fail(SQL_HANDLE_STMT, st->h, r);
                odbc_rowset_unbind(st->h);
                reset(*st);
                return out;
            }
            st->rowset = std::move(a);
        }
        m_cursors[cursor] = std::move(c);
        return 1;
    }

    /* Moves a cursor and sends the row it stands on. */
    int fetch(int cursor, int orientation, long offset, CAsiDrvReply &r) override
    {
        auto it = m_cursors.find(cursor);
        if (it == m_cursors.end()) {
            r.error(ODBC_ERR_DRIVER, "24000", "cursor %d is not open", cursor);
            return 0;
        }
        odbc_cursor &c = it->second;
        bool from_end = orientation == ASI_FETCH_LAST || (orientation == ASI_FETCH_ABSOLUTE && offset < 0);
        if (from_end && !read_rows(c, -1, r)) return 0;
        long p = 0;
        if (!asi_drv_fetch_target(orientation, offset, c.pos, c.rows->count(), &p)) {
            r.error(ODBC_ERR_DRIVER, "HY106", "fetch orientation %d is not known", orientation);
            return 0;
        }
        if (p > c.rows->count() && !read_rows(c, p, r)) return 0;
        long n = c.rows->count();
        c.pos = asi_drv_fetch_clamp(p, n);
        if (c.pos < 1 || c.pos > n) return 1;
        r.setRow(c.pos);
        if (!add_values(c, c.pos, r)) {
            r.error(ODBC_ERR_DRIVER, "HY000", "row %ld of cursor %d cannot be read back from its temporary file",
                    c.pos, cursor);
            return 0;
        }
        return 1;
    }

    /* Adds the rows already read after the one the cursor stands on, and
    ** reads on while the block takes more. */
    void fetchBlock(int cursor, CAsiDrvReply &r) override
    {
        auto it = m_cursors.find(cursor);
        if (it == m_cursors.end()) return;
        odbc_cursor &c = it->second;
        for (;;) {
            if (c.pos < 1) return;
            if (c.pos >= c.rows->count()) {
                /* A failure to read on is left to the next fetch. */
                CAsiDrvReply scratch;
                if (c.done || !read_rows(c, c.pos + 1, scratch) || c.pos >= c.rows->count()) return;
            }
            /* So is a row the spool cannot give back. */
            if (!r.addBlockRow(c.pos + 1, [&] {
                    if (!add_values(c, c.pos + 1, r)) throw std::runtime_error("row not read back");
                }))
                return;
            c.pos++;
        }
    }

    /* Closes a cursor. */
    void close(int cursor) override
    {
        auto it = m_cursors.find(cursor);
        if (it == m_cursors.end()) return;
        auto st = m_stmts.find(it->second.stmt);
        if (st != m_stmts.end()) reset(st->second);
        m_cursors.erase(it);
    }

private:
    /* Connects to a data source. */
    int open_source(const std::string &source, CAsiDrvReply &r)
    {
        SQLHENV env = odbc_env();
        if (env == SQL_NULL_HENV) {
            r.error(ODBC_ERR_DRIVER, "HY001", "the ODBC driver manager cannot be started");
            return 0;
        }
        if (!SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_DBC, env, &m_dbc))) {
            m_dbc = SQL_NULL_HDBC;
            return fail(SQL_HANDLE_ENV, env, r);
        }
        std::string cs = odbc_connection_string(source, m_user, m_password);
        SQLCHAR out[1024];
        SQLSMALLINT outlen = 0;
        SQLRETURN rc = SQLDriverConnect(m_dbc, nullptr, (SQLCHAR *)cs.c_str(), SQL_NTS, out, sizeof out, &outlen,
                                        SQL_DRIVER_NOPROMPT);
        std::fill(cs.begin(), cs.end(), '\0');
        if (!SQL_SUCCEEDED(rc)) {
            int res = fail(SQL_HANDLE_DBC, m_dbc, r, true);
            SQLFreeHandle(SQL_HANDLE_DBC, m_dbc);
            m_dbc = SQL_NULL_HDBC;
            return res;
        }
        SQLUINTEGER getdata = 0;
        m_arrays = SQL_SUCCEEDED(SQLGetInfo(m_dbc, SQL_GETDATA_EXTENSIONS, &getdata, sizeof getdata, nullptr)) &&
                   (getdata & ODBC_GETDATA_NEEDED) == ODBC_GETDATA_NEEDED;
        /* Texts cross in the engine's code page. */
        return direct("SET client_encoding TO 'WIN1252'", r, nullptr);
    }

    /* Connects to the environment's own DSN when no catalog named one. */
    int ensure_connected(CAsiDrvReply &r)
    {
        if (m_dbc != SQL_NULL_HDBC) return 1;
        return open_source(m_env, r);
    }

    /* Runs a statement of the driver's own; with found, counts its rows. */
    int direct(const std::string &sql, CAsiDrvReply &r, long *found)
    {
        SQLHSTMT h = SQL_NULL_HSTMT;
        if (!SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_STMT, m_dbc, &h))) return fail(SQL_HANDLE_DBC, m_dbc, r);
        SQLRETURN rc = SQLExecDirect(h, (SQLCHAR *)sql.c_str(), SQL_NTS);
        int ok = SQL_SUCCEEDED(rc) || rc == SQL_NO_DATA;
        if (!ok) fail(SQL_HANDLE_STMT, h, r);
        if (ok && found) {
            *found = 0;
            while (SQL_SUCCEEDED(SQLFetch(h))) ++*found;
        }
        SQLFreeHandle(SQL_HANDLE_STMT, h);
        return ok;
    }

    /* When the statement h could not be prepared for a column the server
    ** does not find, and the statement names unquoted one the server keeps
    ** in capitals or mixed case (made with quotes: only its quoted name
    ** reaches it), names that column first. */
    void name_quoted_column(SQLHSTMT h, const std::string &sql, CAsiDrvReply &r)
    {
        SQLCHAR state[6] = "", text[ODBC_DIAG_TEXT] = "";
        SQLINTEGER native = 0;
        SQLSMALLINT len = 0;
        std::string words = odbc_word_literals(sql);
        if (words.empty() ||
            !SQL_SUCCEEDED(SQLGetDiagRec(SQL_HANDLE_STMT, h, 1, state, &native, text, sizeof text, &len)) ||
            std::string((const char *)state) != "42703")
            return;
        std::string q = "SELECT table_name || '.\"' || column_name || '\"' FROM information_schema.columns WHERE "
                        "table_schema = current_schema() AND column_name <> lower(column_name) AND upper(column_name) "
                        "IN (" +
                        words + ") ORDER BY 1";
        SQLHSTMT c = SQL_NULL_HSTMT;
        SQLCHAR name[ODBC_DIAG_TEXT] = "";
        SQLLEN got = 0;
        if (SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_STMT, m_dbc, &c)) &&
            SQL_SUCCEEDED(SQLExecDirect(c, (SQLCHAR *)q.c_str(), SQL_NTS)) && SQL_SUCCEEDED(SQLFetch(c)) &&
            SQL_SUCCEEDED(SQLGetData(c, 1, SQL_C_CHAR, name, sizeof name, &got)) && got > 0)
            r.error(ODBC_ERR_DRIVER, "42S22",
                    "column %s cannot be read: the server keeps its name in capitals or "
                    "mixed case, which only its name in quotes reaches; rename it in lower case",
                    (const char *)name);
        if (c != SQL_NULL_HSTMT) SQLFreeHandle(SQL_HANDLE_STMT, c);
    }

    /* Binds the parameters as texts (reals as doubles) and executes. */
    SQLRETURN run(odbc_stmt &st, const asi_value_list &params, std::vector<std::string> &texts,
                  std::vector<SQLLEN> &lens)
    {
        texts.assign(params.size(), std::string());
        lens.assign(params.size(), 0);
        std::vector<double> reals(params.size(), 0.0);
        for (size_t i = 0; i < params.size(); ++i) {
            const CAsiData *p = params[i];
            SQLUSMALLINT n = (SQLUSMALLINT)(i + 1);
            if (!p || p->isNull()) {
                lens[i] = SQL_NULL_DATA;
                SQLBindParameter(st.h, n, SQL_PARAM_INPUT, SQL_C_CHAR, SQL_VARCHAR, 1, 0, nullptr, 0, &lens[i]);
            } else if (p->isApproximateNumeric()) {
                p->getDouble(&reals[i]);
                SQLBindParameter(st.h, n, SQL_PARAM_INPUT, SQL_C_DOUBLE, SQL_DOUBLE, 0, 0, &reals[i], 0, nullptr);
            } else {
                char text[ODBC_PARAM_TEXT] = "";
                p->getText(text, sizeof text);
                texts[i] = text;
                lens[i] = (SQLLEN)texts[i].size();
                SQLBindParameter(st.h, n, SQL_PARAM_INPUT, SQL_C_CHAR, SQL_VARCHAR,
                                 texts[i].size() ? texts[i].size() : 1, 0, (SQLPOINTER)texts[i].c_str(),
                                 (SQLLEN)texts[i].size(), &lens[i]);
            }
        }
        return SQLExecute(st.h);
    }

    /* Closes the statement's result and forgets its parameters. */
    static void reset(odbc_stmt &st)
    {
        SQLFreeStmt(st.h, SQL_CLOSE);
        SQLFreeStmt(st.h, SQL_RESET_PARAMS);
    }

    /* Reads rows from the server, an array at a time, until the cursor
    ** holds upto rows (every row for -1) or the rows end. A row of the
    ** array that cannot be read is left out and its condition answered
    ** once the others are kept, so the next fetch goes on after it, as
    ** it did reading row by row. Answers 1, or 0 with the condition. */
    int read_rows(odbc_cursor &c, long upto, CAsiDrvReply &r)
    {
        auto st = m_stmts.find(c.stmt);
        if (st == m_stmts.end()) {
            r.error(ODBC_ERR_DRIVER, "26000", "statement %d is not prepared", c.stmt);
            return 0;
        }
        if (c.done) return 1;
        SQLHSTMT h = st->second.h;
        const std::vector<odbc_column> &cols = st->second.columns;
        odbc_rowset &a = *st->second.rowset; /* bound when the cursor opened with rows */
        std::vector<odbc_value> row(cols.size());
        std::string bytes;
        while (!c.done && (upto < 0 || c.rows->count() < upto)) {
            SQLRETURN rc = SQLFetch(h);
            if (rc == SQL_NO_DATA) {
                c.done = true;
                break;
            }
            if (!SQL_SUCCEEDED(rc)) return fail(SQL_HANDLE_STMT, h, r);
            if (!a.bound) {
                a.fetched = 1;
                a.status[0] = SQL_ROW_SUCCESS;
            }
            /* The fetch's own conditions are taken before reading a value
            ** clears them. */
            int ok = 1;
            for (SQLULEN k = 0; k < a.fetched && ok; ++k)
                if (a.status[k] == SQL_ROW_ERROR) ok = fail(SQL_HANDLE_STMT, h, r);
            SQLULEN positioned = 0;
            for (SQLULEN k = 0; k < a.fetched; ++k) {
                bool got = a.status[k] != SQL_ROW_ERROR;
                for (size_t i = 0; got && i < cols.size(); ++i)
                    got = rowset_value(h, a, k, i, cols[i], &positioned, row[i]);
                if (!got) {
                    if (ok && a.status[k] != SQL_ROW_ERROR) ok = fail(SQL_HANDLE_STMT, h, r);
                    continue;
                }
                odbc_encode_row(cols, row, &bytes);
                c.rows->append(bytes.data(), bytes.size());
            }
            if (!ok) return 0;
        }
        return 1;
    }

    /* Reads column i of row k (from 0) of the array just fetched: from its
    ** bound buffer, or with SQLGetData on that row when the column is not
    ** bound or its text did not fit. *positioned is the row of the array
    ** SQLGetData reads (from 1; 0 before any). */
    static bool rowset_value(SQLHSTMT h, const odbc_rowset &a, SQLULEN k, size_t i, const odbc_column &c,
                             SQLULEN *positioned, odbc_value &v)
    {
        if (size_t w = a.width[i]) {
            SQLLEN ind = a.ind[i][k];
            const char *p = a.data[i].get() + k * w;
            v.null = ind == SQL_NULL_DATA;
            if (v.null) return true;
            if (c.kind == ODBC_KIND_INT) {
                std::memcpy(&v.i, p, sizeof v.i);
                return true;
            }
            if (c.kind == ODBC_KIND_REAL) {
                std::memcpy(&v.d, p, sizeof v.d);
                return true;
            }
            if (ind >= 0 && (size_t)ind < w) {
                v.s.assign(p, (size_t)ind);
                return true;
            }
        }
        if (a.rows > 1 && *positioned != k + 1) {
            if (!SQL_SUCCEEDED(SQLSetPos(h, (SQLSETPOSIROW)(k + 1), SQL_POSITION, SQL_LOCK_NO_CHANGE))) return false;
            *positioned = k + 1;
        }
        return read_value(h, (SQLUSMALLINT)(i + 1), c, v);
    }

    /* Reads one column of the current row. */
    static bool read_value(SQLHSTMT h, SQLUSMALLINT n, const odbc_column &c, odbc_value &v)
    {
        SQLLEN ind = 0;
        if (c.kind == ODBC_KIND_INT) {
            SQLBIGINT x = 0;
            if (!SQL_SUCCEEDED(SQLGetData(h, n, SQL_C_SBIGINT, &x, sizeof x, &ind))) return false;
            v.null = ind == SQL_NULL_DATA;
            v.i = x;
            return true;
        }
        if (c.kind == ODBC_KIND_REAL) {
            double x = 0;
            if (!SQL_SUCCEEDED(SQLGetData(h, n, SQL_C_DOUBLE, &x, sizeof x, &ind))) return false;
            v.null = ind == SQL_NULL_DATA;
            v.d = x;
            return true;
        }
        char buf[ODBC_TEXT_CHUNK];
        v.s.clear();
        for (;;) {
            SQLRETURN rc = SQLGetData(h, n, SQL_C_CHAR, buf, sizeof buf, &ind);
            if (rc == SQL_NO_DATA) break;
            if (!SQL_SUCCEEDED(rc)) return false;
            if (ind == SQL_NULL_DATA) {
                v.null = true;
                return true;
            }
            size_t got = (ind == SQL_NO_TOTAL || ind >= (SQLLEN)sizeof buf) ? sizeof buf - 1 : (size_t)ind;
            v.s.append(buf, got);
            if (rc == SQL_SUCCESS) break;
        }
        v.null = false;
        return true;
    }

    /* Adds the values of row number pos (from 1) to the reply. Answers 1,
    ** or 0 (nothing added) when the row cannot be read back. */
    static int add_values(odbc_cursor &c, long pos, CAsiDrvReply &r)
    {
        const char *at = nullptr;
        size_t n = 0;
        if (!c.rows->row(pos, &at, &n)) return 0;
        odbc_value x;
        for (size_t i = 0; i < c.columns.size(); i++) {
            odbc_decode_value(c.columns[i], &at, &x);
            CAsiData *v = c.values[i].get();
            odbc_set_value(v, c.columns[i], x);
            r.addValue(*v);
        }
        return 1;
    }

    /* Records the handle's diagnostics as conditions (the password
    ** scrubbed from every text); an authorisation failure at connect is
    ** reported under class 28. Answers 0. */
    int fail(SQLSMALLINT type, SQLHANDLE h, CAsiDrvReply &r, bool connecting = false)
    {
        int any = 0;
        for (SQLSMALLINT i = 1;; ++i) {
            SQLCHAR state[6] = "", text[ODBC_DIAG_TEXT] = "";
            SQLINTEGER native = 0;
            SQLSMALLINT len = 0;
            if (!SQL_SUCCEEDED(SQLGetDiagRec(type, h, i, state, &native, text, sizeof text, &len))) break;
            std::string t = odbc_scrub((const char *)text, m_password);
            std::string s = odbc_sqlstate((const char *)state);
            if (connecting && (t.find("authentication failed") != std::string::npos ||
                               t.find("password") != std::string::npos))
                s = "28000";
            r.error(native ? native : ODBC_ERR_DRIVER, s.c_str(), "%s", t.c_str());
            any = 1;
        }
        if (!any) r.error(ODBC_ERR_DRIVER, "HY000", "the ODBC driver failed without a diagnostic");
        return 0;
    }

    /* The prepared statement of an id, or none with a 26000 condition. */
    odbc_stmt *find(int id, CAsiDrvReply &r)
    {
        auto it = m_stmts.find(id);
        if (it != m_stmts.end()) return &it->second;
        r.error(ODBC_ERR_DRIVER, "26000", "statement %d is not prepared", id);
        return nullptr;
    }

    std::string m_env;                          /* environment name, the DSN without a catalog */
    std::string m_user;                         /* logon user */
    std::string m_password;                     /* logon password: used to connect, never shown */
    SQLHDBC m_dbc = SQL_NULL_HDBC;              /* the server connection, owned */
    bool m_arrays = false;                      /* its driver's SQLGetData reads a row of an array of rows */
    std::map<int, odbc_stmt> m_stmts;           /* prepared statements by id */
    std::map<int, odbc_cursor> m_cursors;       /* open cursors by id */
};

/* Makes the session of a new connection. */
CAsiDrvSession *odbc_make_session(void *)
{
    return new (std::nothrow) odbc_drv_session();
}

} // namespace

/* Serves the engine that started the program. */
int main(int argc, char **argv)
{
    return asi_drv_serve(argc, argv, odbc_make_session, nullptr);
}
