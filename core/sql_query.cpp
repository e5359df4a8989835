/*
** sql_query.cpp: running statements and queries through the SQL engine.
**
** sql_execute prepares one statement on a project's connection and either
** executes it or, for a cursor specification, declares a cursor named with
** 17 random capital letters and opens it. sql_query prepares a query
** once, describes it into a row of column records, opens its cursor,
** binds every column's value buffer, counts the rows by moving to the
** last and fetches the first (the one already read when it is the only
** one). Failures are turned into application codes (sql_error_code) and,
** when the caller asks, shown with their diagnostics (sql_report_error).
**
**     if (sql_execute(conn, &stmt, &cursor, "DELETE FROM ROCK", 1) == 5100) ...
**     sql_free_handles(&stmt, &cursor);
*/
#include "core/sql_access.h"

#include <cstdio>
#include <cstring>
#include <random>
#include <string>

#include "core/col_attr.h"
#include "core/err_text.h"
#include "core/msg_box.h"
#include "core/pjct.h"
#include "core/pjct_list.h"
#include "core/row_state.h"
#include "core/str_util.h"
#include "sqlclient/asi_api.h"

/* Host result codes. */
#define SQL_OK       5100
#define SQL_NONE     (-5001)
#define SQL_ERR_ARG  (-2)

/* Lengths given to columns the engine describes without one. */
#define SQL_INT_DIGITS      11
#define SQL_SMALLINT_DIGITS 6
#define SQL_APPROX_DIGITS   20

/* Texts of the query statements. */
#define SQL_SELECT_ALL   "SELECT * FROM %s"
#define SQL_SELECT_WHERE "SELECT * FROM %s WHERE %s = %s"
#define SQL_SELECT_MAX   "SELECT MAX(%s) FROM %s"
#define SQL_ORDER_BY     " ORDER BY %s"
#define SQL_NO_RECORDS   "No records SELECTED:\n\n%s."
/* Room for a statement made of a few identifiers. */
#define SQL_SHORT_TEXT_SIZE 512

/* Makes a cursor name of SQL_CURSOR_NAME_LEN random capital letters. */
static void sql_cursor_name(char name[SQL_CURSOR_NAME_LEN + 1])
{
    static std::mt19937 gen{std::random_device{}()};
    std::uniform_int_distribution<int> letter(0, 25);
    for (int i = 0; i < SQL_CURSOR_NAME_LEN; i++) name[i] = (char)('A' + letter(gen));
    name[SQL_CURSOR_NAME_LEN] = 0;
}

/* The layer's most recent failure that came from the engine. */
static sql_failure s_last_failure;

/* The application code of a handle's last failure: -9201 for the
** engine's syntax error 14215, -9203 when the handle holds no condition
** (or no handle is given) or its code would read as one of the layer's
** own small codes (an ODBC driver's native code 1 is no -1 "missing" nor
** 2 a -2 "bad argument"), else the negated code of the first condition.
** The code, SQLSTATE and text of that condition become the layer's last
** failure (sql_last_failure). */
int sql_error_code(const CAsiHandle *handle)
{
    sql_failure &f = s_last_failure;
    f.sqlstate[0] = '\0';
    f.text[0] = '\0';
    int conditions = handle ? asi_diag_count(handle) : 0;
    int code = conditions > 0 ? asi_diag_cond_code(handle, 0) : 0;
    f.code = code == SQL_NATIVE_SYNTAX ? ERR_SQL_SYNTAX : code > SQL_NATIVE_SMALL_MAX ? -code : ERR_SQL_NO_CONDITION;
    if (conditions > 0) {
        asi_diag_cond_sqlstate(handle, 0, f.sqlstate);
        asi_diag_cond_text(handle, 0, f.text, sizeof f.text);
    }
    if (!f.text[0]) snprintf(f.text, sizeof f.text, "%s", err_text(ERR_SQL_NO_CONDITION));
    return f.code;
}

/* The most recent failure the layer read from the engine (its code as
** the layer answered it, the condition's SQLSTATE and text); code 0 and
** empty texts before the first. A caller that got a code from the layer
** compares it with the record's code before using the text. */
const sql_failure *sql_last_failure(void)
{
    return &s_last_failure;
}

/* Why a call of the layer that answered code failed: the engine's text
** when the last failure is that code's, else the code's own text, else
** "no reason given". Never null. */
const char *sql_failure_text(int code)
{
    const sql_failure &f = s_last_failure;
    if (f.code == code && f.text[0]) return f.text;
    const char *text = err_text(code);
    return text ? text : "no reason given";
}

/* 1 when a code the layer answered says that the connection's driver
** program has ended (it died, or could not be started again), so that no
** later statement on the connection can run; else 0. */
int sql_driver_lost(int code)
{
    return code == -ASI_ERR_DRIVER_LOST;
}

/* When a code the layer answered says that the driver has ended, shows
** that as a failed query shows it (its condition code and text under the
** error title) and answers 1; else shows nothing and answers 0. */
int sql_report_lost(int code)
{
    if (!sql_driver_lost(code)) return 0;
    const sql_failure &f = s_last_failure;
    msg_alert(ERR_TITLE, "%d: %s", ASI_ERR_DRIVER_LOST,
              f.code == code && f.text[0] ? f.text : "the driver has ended");
    return 1;
}

/* 1 when a code the layer answered says that the statement's table does
** not exist (the last failure's SQLSTATE is 42S02); else 0, also for a
** table that is there and cannot be read. */
int sql_no_table(int code)
{
    const sql_failure &f = s_last_failure;
    return code < 0 && f.code == code && strcmp(f.sqlstate, SQL_STATE_NO_TABLE) == 0;
}

/* 1 when a failure's code answered for a row to be written says that the
** row was refused for its values: by the layer's own checks (no failure of
** the engine), or by the database (the last failure's SQLSTATE is of class
** 21, 22, 23, 42 or 44: a count, a value, a key, the statement made of
** them, a check); else 0: the table, its files, the driver or the server
** failed, and no later row would go either. */
int sql_row_refused(int code)
{
    static const char *const k_row_classes[] = {"21", "22", "23", "42", "44"};
    const sql_failure &f = s_last_failure;
    if (code >= 0) return 0;
    if (f.code != code) return 1;
    for (const char *c : k_row_classes)
        if (strncmp(f.sqlstate, c, 2) == 0) return 1;
    return 0;
}

/* Shows every condition of a handle's diagnostics (code and text, one per
** line) in an alert under the error title; a failure without a condition
** shows the text of -9203. Answers the alert's result (5100), or -5001
** when it could not be shown. */
int sql_report_error(const CAsiHandle *handle)
{
    int n = handle ? asi_diag_count(handle) : 0;
    if (n < 1) return msg_alert(ERR_TITLE, "%s", err_text(ERR_SQL_NO_CONDITION));
    std::string all;
    for (int i = 0; i < n && all.size() < SQL_REPORT_TEXT_MAX; i++) {
        char text[SQL_REPORT_TEXT_MAX] = "";
        asi_diag_cond_text(handle, i, text, sizeof text);
        char line[SQL_REPORT_TEXT_MAX + 32];
        snprintf(line, sizeof line, "%s%d: %s", i ? "\n" : "", asi_diag_cond_code(handle, i), text);
        all += line;
    }
    if (all.size() > SQL_REPORT_TEXT_MAX) all.resize(SQL_REPORT_TEXT_MAX);
    return msg_alert(ERR_TITLE, "%s", all.c_str());
}

/* The rows of the cursor counted last, since its latest open: they stay
** what that open found until it is opened again, closed or freed. */
static struct {
    const void *cursor;
    long rows;
} s_counted = {nullptr, -1};

/* Records the rows counted on an open cursor. */
static void sql_keep_count(const void *cursor, long rows)
{
    s_counted.cursor = cursor;
    s_counted.rows = rows;
}

/* Forgets the count of a cursor that is opened again, closed or freed. */
static void sql_forget_count(const void *cursor)
{
    if (s_counted.cursor == cursor) sql_keep_count(nullptr, -1);
}

/* Closes and frees the cursor and frees the statement held in the slots
** (either may be null or hold null); the slots are cleared. Answers 5100. */
int sql_free_handles(void **stmt, void **cursor)
{
    if (cursor && *cursor) {
        sql_forget_count(*cursor);
        CAsiCursor *k = (CAsiCursor *)*cursor;
        asi_close_cursor(k);
        asi_free_cursor(&k);
        *cursor = nullptr;
    }
    if (stmt && *stmt) {
        CAsiStatement *s = (CAsiStatement *)*stmt;
        asi_free_stmt(&s);
        *stmt = nullptr;
    }
    return SQL_OK;
}

/* Frees the handles and the row of a query (each optional); the slots are
** cleared. Answers 5100. */
int sql_close_query(void **stmt, void **cursor, sql_col_rec **row)
{
    sql_free_handles(stmt, cursor);
    sql_col_list_free(row);
    return SQL_OK;
}

/* Reads the code of a failed call on a handle (the engine's environment
** when the handle is null), reports it when asked, and releases the
** caller's handles. Answers the code. */
static int sql_fail(const CAsiHandle *h, int report, void **stmt, void **cursor)
{
    if (!h) h = asi_env_handle();
    int code = sql_error_code(h);
    if (report) sql_report_error(h);
    sql_free_handles(stmt, cursor);
    return code;
}

/* Declares a cursor named with 17 random capital letters on the
** prepared cursor specification in the statement slot and opens it; the
** cursor goes to its slot. Answers 5100, or the failure's code (shown
** when report is non-zero) with the slots released. With changed given,
** an open refused because a table changed since the prepare is not shown
** and sets *changed: the caller prepares the statement again. */
static int sql_open_prepared(int report, void **stmt, void **cursor, int *changed = nullptr)
{
    CAsiCursor *k = nullptr;
    if (!asi_alloc_cursor(&k)) return sql_fail(nullptr, report, stmt, cursor);
    sql_forget_count(k);
    *cursor = k;
    char name[SQL_CURSOR_NAME_LEN + 1];
    sql_cursor_name(name);
    if (asi_declare_cursor(k, (CAsiStatement *)*stmt, name) && asi_open_cursor(k)) return SQL_OK;
    if (changed && asi_diag_count(k) > 0 && asi_diag_cond_code(k, 0) == SQL_NATIVE_CHANGED) {
        *changed = 1;
        report = 0;
    }
    return sql_fail(k, report, stmt, cursor);
}

/* sql_execute without its second prepare: changed is sql_open_prepared's;
** rows, when given, takes the rows a statement that is no query touched. */
static int sql_execute_once(void *connection, void **stmt, void **cursor, const char *text, int report, int *changed,
                            long *rows_out = nullptr)
{
    sql_free_handles(stmt, cursor);
    CAsiStatement *s = nullptr;
    if (!asi_alloc_stmt(&s)) return sql_fail(nullptr, report, stmt, cursor);
    *stmt = s;
    if (!asi_prepare(s, (CAsiConnection *)connection, text)) {
        const CAsiHandle *h = asi_diag_count(s) > 0 ? (const CAsiHandle *)s : (CAsiConnection *)connection;
        return sql_fail(h, report, stmt, cursor);
    }
    if (asi_diag_dynamic_function(s) == SQL_FUNC_CURSOR_SPEC) return sql_open_prepared(report, stmt, cursor, changed);
    long rows = 0;
    if (!asi_execute(s, &rows)) return sql_fail(s, report, stmt, cursor);
    if (rows_out) *rows_out = rows;
    return SQL_OK;
}

/* Prepares and runs one statement on a connection. Any statement and
** cursor still in the slots are released first. A cursor specification
** gets a cursor named with 17 random capital letters, declared and
** opened; another statement is executed. The handles stay in the slots
** for the caller to release (sql_free_handles). Answers 5100; -2 for a
** missing argument or an empty text; otherwise the failure's application
** code (sql_error_code), shown first when report is non-zero, with the
** slots released. A query whose table changed between its prepare and
** its open is prepared again, once. */
int sql_execute(void *connection, void **stmt, void **cursor, const char *text, int report)
{
    if (!connection || !stmt || !cursor || !text || str_nonblank(text) != SQL_OK) return SQL_ERR_ARG;
    int changed = 0;
    int rc = sql_execute_once(connection, stmt, cursor, text, report, &changed);
    return changed ? sql_execute_once(connection, stmt, cursor, text, report, nullptr) : rc;
}

/* Runs one statement that is no query (an UPDATE, a DELETE) and frees its
** handle; *rows takes the rows it touched. Answers sql_execute's codes. */
int sql_execute_rows(void *connection, const char *text, int report, long *rows)
{
    if (!connection || !text || !rows || str_nonblank(text) != SQL_OK) return SQL_ERR_ARG;
    void *stmt = nullptr, *cursor = nullptr;
    *rows = 0;
    int rc = sql_execute_once(connection, &stmt, &cursor, text, report, nullptr, rows);
    sql_free_handles(&stmt, &cursor);
    return rc;
}

/* Builds a row of column records from the result columns of a prepared
** statement, on the given connection. Answers the number of columns (the
** row in *out); -9101 when memory is short; -2 when the statement has no
** result columns; the statement's code when they cannot be read. */
static int sql_describe_stmt(CAsiStatement *s, void *connection, sql_col_rec **out)
{
    *out = nullptr;
    int n = asi_column_count(s);
    if (n < 0) return sql_error_code(s);
    if (n == 0) return SQL_ERR_ARG;
    sql_col_rec **tail = out;
    for (int i = 0; i < n; i++) {
        char name[SQL_SHORT_TEXT_SIZE] = "";   /* an expression's name may be long: cut below */
        int type = 0, length = 0, precision = 0, scale = 0, nullable = 0;
        if (!asi_column_name(s, i, name, sizeof name) ||
            !asi_column_type(s, i, &type, &length, &precision, &scale, &nullable)) {
            int code = sql_error_code(s);
            sql_col_list_free(out);
            return code;
        }
        switch (type) {
        case SQL_TYPE_NUMERIC:
        case SQL_TYPE_DEC: length = precision > 0 ? precision : length; break;
        case SQL_TYPE_INT: length = length > 0 ? length : SQL_INT_DIGITS; break;
        case SQL_TYPE_SMALLINT: length = length > 0 ? length : SQL_SMALLINT_DIGITS; break;
        case SQL_TYPE_FLOAT:
        case SQL_TYPE_REAL:
        case SQL_TYPE_DOUBLE: length = length > 0 ? length : SQL_APPROX_DIGITS; break;
        default: break;
        }
        sql_col_rec *c = sql_col_new(name, "", type, length, scale);
        if (!c) {
            sql_col_list_free(out);
            return ERR_NO_MEMORY;
        }
        c->connection = connection;
        *tail = c;
        tail = &c->next;
    }
    return n;
}

/* Gives every column of a row the table name and an input rule: the
** rule of that column and table in the connection's project, else a new
** placeholder rule (flag 0x40) owned by the column. Answers 0, or -9101
** when memory is short. */
static int sql_row_attach_rules(sql_col_rec *row, void *connection, const char *table)
{
    pjct_rec *p = pjct_find_by_session(connection);
    for (sql_col_rec *c = row; c; c = c->next) {
        snprintf(c->table, sizeof c->table, "%s", table);
        if (c->attr) continue;
        col_attr_rec *listed = p ? col_attr_find(p->col_attrs, c->name, table, nullptr) : nullptr;
        if (listed) {
            c->attr = listed;
            continue;
        }
        col_attr_rec *r = col_attr_new();
        if (!r) return ERR_NO_MEMORY;
        snprintf(r->column, sizeof r->column, "%s", c->name);
        snprintf(r->table, sizeof r->table, "%s", table);
        r->flags |= COL_ATTR_PLACEHOLDER;
        c->attr = r;
    }
    return 0;
}

/* Describes "SELECT * FROM %s" without running it and builds the table's
** column list (names, table, types, lengths and decimals, input rules);
** in a DB3 project lengths and decimals are taken from the table file's
** header. Answers the number of columns (above 0), the list in *row; -2
** for bad arguments; -9101 when memory is short; the statement's code on
** failure (shown when report is non-zero). *row stays null on failure. */
int sql_describe_table(void *connection, const char *table, sql_col_rec **row, int report)
{
    if (row) *row = nullptr;
    if (!connection || !row || !sql_is_ident(table)) return SQL_ERR_ARG;
    char text[SQL_SHORT_TEXT_SIZE];
    snprintf(text, sizeof text, SQL_SELECT_ALL, table);
    CAsiStatement *s = nullptr;
    if (!asi_alloc_stmt(&s)) return sql_fail(nullptr, report, nullptr, nullptr);
    void *slot = s;
    if (!asi_prepare(s, (CAsiConnection *)connection, text)) return sql_fail(s, report, &slot, nullptr);
    sql_col_rec *out = nullptr;
    int n = sql_describe_stmt(s, connection, &out);
    if (n < 0 && report) {
        if (asi_diag_count(s) > 0) sql_report_error(s);
        else err_report(n, text);
    }
    sql_free_handles(&slot, nullptr);
    if (n < 0) return n;
    int rc = sql_row_attach_rules(out, connection, table);
    if (rc < 0) {
        sql_col_list_free(&out);
        return rc;
    }
    sql_describe_dbf(connection, table, out);
    *row = out;
    return n;
}

/* Binds a column's value buffer, null indicator and length to a cursor
** column (from 0). Answers 5100; -2 for a missing argument; the cursor's
** code on failure. */
int sql_bind_column(void *cursor, sql_col_rec *column, int position)
{
    if (!cursor || !column || !column->value || position < 0) return SQL_ERR_ARG;
    CAsiCursor *k = (CAsiCursor *)cursor;
    if (!asi_bind_column(k, position, sql_host_type(column->value_type), column->value, column->value_size,
                         &column->null_ind))
        return sql_error_code(k);
    return SQL_OK;
}

/* Closes and opens a cursor again, before its first row. Answers 5100;
** -2 without a cursor; the cursor's code on failure. */
int sql_reopen_cursor(void *cursor)
{
    if (!cursor) return SQL_ERR_ARG;
    CAsiCursor *k = (CAsiCursor *)cursor;
    sql_forget_count(k);
    asi_close_cursor(k);
    if (!asi_open_cursor(k)) return sql_error_code(k);
    return SQL_OK;
}

/* Counts the rows of an open cursor by moving to its last row (a driver
** that knows its rows answers without sending them). Answers the count,
** which leaves the cursor on the last row (on no row when there is none),
** or the cursor's code when it cannot be read. */
static long sql_count_to_last(CAsiCursor *k)
{
    if (asi_fetch_last(k)) return asi_row_number(k);
    if (asi_diag_count(k) > 0 && asi_diag_cond_code(k, 0) != ASI_STATE_NO_DATA) return sql_error_code(k);
    return 0;
}

/* The number of rows of an open cursor, which is left before its first
** row. Answers the count; -1 without a cursor; the cursor's code when it
** cannot be read. */
long sql_count_rows(void *cursor)
{
    if (!cursor) return -1;
    CAsiCursor *k = (CAsiCursor *)cursor;
    long n = sql_count_to_last(k);
    if (n > 0 && !asi_fetch_absolute(k, 0) && asi_diag_count(k) > 0 &&
        asi_diag_cond_code(k, 0) != ASI_STATE_NO_DATA)
        return sql_error_code(k);
    if (n >= 0) sql_keep_count(k, n);
    return n;
}

/* The number of rows of an open cursor: the count taken since its latest
** open (by sql_query or sql_count_rows), which costs no request to the
** driver and leaves the cursor where it stands; else counted as
** sql_count_rows counts, leaving it before its first row. Answers the
** count; -1 without a cursor; the cursor's code when it cannot be read. */
long sql_cursor_rows(void *cursor)
{
    if (cursor && s_counted.cursor == cursor) return s_counted.rows;
    return sql_count_rows(cursor);
}

/* Significant digits every double keeps: the text of an exact column of
** more digits is not made from its double. */
#define SQL_DOUBLE_KEPT_DIGITS 15

/* Gives each exact column (NUMERIC, DEC) of the row the cursor stands on
** that is wider than a double keeps, and has no output format of its own,
** the digits its value holds, with the decimals the column declares and a
** zero before the point ("0.5", "-0.5"): its double would make
** 9999999999999.999999 1e13, and 12345678901234567890 end in 7168. A
** value the cursor cannot give as text keeps its double's text. Columns
** are the cursor's in order. */
static void sql_row_exact_texts(CAsiCursor *k, sql_col_rec *row)
{
    int i = 0;
    for (sql_col_rec *c = row; c; c = c->next, i++) {
        if ((c->sql_type != SQL_TYPE_NUMERIC && c->sql_type != SQL_TYPE_DEC) || c->length <= SQL_DOUBLE_KEPT_DIGITS ||
            c->format || c->null_ind == SQL_COL_NULL || !c->text)
            continue;
        char digits[SQL_NUMBER_TEXT_SIZE + 1]; /* one more for the zero before the point */
        unsigned short ind = 0;
        char *t = digits + 1;
        if (!asi_value_get(k, i, SQL_HOST_STRING, t, SQL_NUMBER_TEXT_SIZE, &ind) || ind == ASI_NULL_INDICATOR) continue;
        while (*t == ' ') t++;
        size_t n = strlen(t);
        while (n && t[n - 1] == ' ') t[--n] = 0;
        bool minus = *t == '-';
        if (t[minus] == '.') {
            if (minus) t[0] = '0';
            *--t = minus ? '-' : '0';
            n++;
        }
        if (n == 0 || (int)n >= sql_col_text_size(c)) continue;
        memcpy(c->text, t, n + 1);
    }
}

/* Moves a cursor and converts the row's values to text. Modes: 0 next and
** 1 prior, from start 0 (before the first row), 1 (after the last) or 2
** (the current row); 2 the absolute row n + 1; 3 n rows on from the
** current one. With keep the browse position g_cur_row (from 0, -1
** before the first row, g_row_count after the last) follows the move.
** Answers 5100 on a row; -5001 when there is none (past either end, and
** for the moves to before the first row and after the last); the
** cursor's code when it cannot be read (a driver that has ended, a file
** that cannot be read), which becomes the layer's last failure and leaves
** the browse position as it was; -2 for a bad mode or start or no
** cursor. */
int sql_fetch(void *cursor, sql_col_rec *row, int mode, long n, int keep)
{
    if (!cursor) return SQL_ERR_ARG;
    CAsiCursor *k = (CAsiCursor *)cursor;
    int ok = 0;
    long at = -1, missed = -1;
    switch (mode) {
    case SQL_FETCH_NEXT:
        missed = g_row_count;
        if (n == SQL_FROM_START) ok = asi_fetch_first(k), at = 0;
        else if (n == SQL_FROM_CURRENT) ok = asi_fetch_next(k), at = g_cur_row + 1;
        else if (n == SQL_FROM_END) asi_fetch_last(k), asi_fetch_next(k);   /* the cursor goes after the last row */
        else return SQL_ERR_ARG;
        break;
    case SQL_FETCH_PRIOR:
        missed = -1;
        if (n == SQL_FROM_END) ok = asi_fetch_last(k), at = g_row_count - 1;
        else if (n == SQL_FROM_CURRENT) ok = asi_fetch_prior(k), at = g_cur_row - 1;
        else if (n == SQL_FROM_START) asi_fetch_absolute(k, 0);   /* the cursor goes before the first row */
        else return SQL_ERR_ARG;
        break;
    case SQL_FETCH_ABSOLUTE:
        /* Rows count from 1: a row number below 1 is before the first row,
        ** never a row counted back from the end. */
        ok = asi_fetch_absolute(k, n < 0 ? 0 : n + 1), at = n;
        missed = n < 0 ? -1 : g_row_count;
        break;
    case SQL_FETCH_RELATIVE:
        ok = asi_fetch_relative(k, n), at = g_cur_row + n;
        missed = n < 0 ? -1 : g_row_count;
        break;
    default: return SQL_ERR_ARG;
    }
    if (!ok) {
        int failed = sql_fetch_failed(k);
        if (failed < 0) return failed;
        if (keep) g_cur_row = missed;
        return SQL_NONE;
    }
    if (row) {
        sql_row_to_text(row);
        sql_row_exact_texts(k, row);
    }
    if (keep) g_cur_row = at;
    return SQL_OK;
}

/* Why the cursor's latest move found no row: 0 when it went past the
** end (or there is no cursor); else the cursor's code, which becomes the
** layer's last failure (a driver that has ended, a file that cannot be
** read). */
int sql_fetch_failed(void *cursor)
{
    CAsiCursor *k = (CAsiCursor *)cursor;
    if (!k || asi_diag_count(k) < 1 || asi_diag_cond_code(k, 0) == ASI_STATE_NO_DATA) return 0;
    return sql_error_code(k);
}

/* Row k (from 0) of the rows sql_query counted, for a walk over them:
** row 0 is the one sql_query fetched, each later one is fetched on from
** the current row. Answers 5100 on the row; the cursor's code when it
** cannot be read; -9203 when the rows end before the count (rows counted
** and not there are a table that cannot be read, not its end). */
int sql_fetch_counted(void *cursor, sql_col_rec *row, long k)
{
    if (k <= 0) return SQL_OK;
    int rc = sql_fetch(cursor, row, SQL_FETCH_NEXT, SQL_FROM_CURRENT, 0);
    return rc == SQL_NONE ? ERR_SQL_NO_CONDITION : rc;
}

/* What a query does after its open: count the rows and fetch the first
** (sql_query), count them only (sql_query_counted), or fetch the first
** without a count (a batch, which reads its rows on to the end). */
enum sql_query_mode { SQL_QUERY_COUNT_ONLY, SQL_QUERY_COUNT_FIRST, SQL_QUERY_FIRST_ONLY };

/* Fetches the first row of an open cursor, not counting the rows: 1 on a
** row, 0 when there is none, or the cursor's code when it cannot be read. */
static long sql_first_row(CAsiCursor *k)
{
    if (asi_fetch_first(k)) return 1;
    if (asi_diag_count(k) > 0 && asi_diag_cond_code(k, 0) != ASI_STATE_NO_DATA) return sql_error_code(k);
    return 0;
}

/* sql_query without its second prepare: changed is sql_open_prepared's;
** the mode says what follows the open. */
static int sql_query_once(void *connection, const char *text, void **stmt, void **cursor, sql_col_rec **row,
                          int report, int *changed, sql_query_mode mode)
{
    sql_free_handles(stmt, cursor);
    CAsiStatement *s = nullptr;
    if (!asi_alloc_stmt(&s)) return sql_fail(nullptr, report, nullptr, nullptr);
    *stmt = s;
    if (!asi_prepare(s, (CAsiConnection *)connection, text)) return sql_fail(s, report, stmt, nullptr);
    if (asi_diag_dynamic_function(s) != SQL_FUNC_CURSOR_SPEC) {
        sql_free_handles(stmt, nullptr);
        return SQL_ERR_ARG;
    }
    sql_col_rec *out = nullptr;
    int n = sql_describe_stmt(s, connection, &out);
    if (n < 0) {
        if (report) {
            if (asi_diag_count(s) > 0) sql_report_error(s);
            else err_report(n, text);
        }
        sql_free_handles(stmt, nullptr);
        return n;
    }

    /* The statement described is the one run: opened, bound, counted at
    ** its last row; a single row is then the row the cursor stands on. */
    int rc = sql_open_prepared(report, stmt, cursor, changed);
    int i = 0;
    for (sql_col_rec *c = out; rc == SQL_OK && c; c = c->next, i++) rc = sql_bind_column(*cursor, c, i);
    long count = rc != SQL_OK                      ? rc
                 : mode == SQL_QUERY_FIRST_ONLY ? sql_first_row((CAsiCursor *)*cursor)
                                                : sql_count_to_last((CAsiCursor *)*cursor);
    if (count < 0) {
        if (rc == SQL_OK && report) sql_report_error((CAsiCursor *)*cursor);
        sql_free_handles(stmt, cursor);
        sql_col_list_free(&out);
        return (int)count;
    }
    if (count == 0 && report) {
        msg_alert(ERR_TITLE, SQL_NO_RECORDS, text);
        sql_free_handles(stmt, cursor);
        sql_col_list_free(&out);
        return ERR_NO_RECORDS;
    }
    if (count == 1) {
        sql_row_to_text(out);
        sql_row_exact_texts((CAsiCursor *)*cursor, out);
    } else if (count > 1 && mode == SQL_QUERY_COUNT_FIRST) {
        /* Rows counted but the first not read: a failure, not a row. */
        int rc = sql_fetch(*cursor, out, SQL_FETCH_NEXT, SQL_FROM_START, 0);
        if (rc != SQL_OK) {
            if (rc == SQL_NONE) rc = ERR_SQL_NO_CONDITION;
            if (report) sql_report_error((CAsiCursor *)*cursor);
            sql_free_handles(stmt, cursor);
            sql_col_list_free(&out);
            return rc;
        }
    }
    if (mode != SQL_QUERY_FIRST_ONLY) sql_keep_count(*cursor, count);
    *row = out;
    return (int)count;
}

/* sql_query, sql_query_counted, or a query whose rows are not counted. */
static int sql_query_run(void *connection, const char *text, void **stmt, void **cursor, sql_col_rec **row,
                         int report, sql_query_mode mode)
{
    if (row) *row = nullptr;
    if (!connection || !text || !stmt || !cursor || !row) return SQL_ERR_ARG;
    int changed = 0;
    int n = sql_query_once(connection, text, stmt, cursor, row, report, &changed, mode);
    return changed ? sql_query_once(connection, text, stmt, cursor, row, report, nullptr, mode) : n;
}

/* Describes a query, prepares it again, opens its cursor, binds every
** column, counts the rows and fetches the first into the row's texts.
** Any statement and cursor still in the slots are released first; a row
** still in the row slot is the caller's and is not freed. Answers the
** number of rows (the row in *row and the handles in the slots, for
** sql_close_query), 0 when none; -2 for bad arguments or a statement that
** is not a query; -9101 when memory is short; the failure's code
** otherwise. With report set failures are shown, and a query that
** selected nothing shows "No records SELECTED:\n\n%s." and answers -9204.
** On a negative answer the handles are released and *row is null. A
** query whose table changed between its prepare and its open is described
** and prepared again, once. */
int sql_query(void *connection, const char *text, void **stmt, void **cursor, sql_col_rec **row, int report)
{
    return sql_query_run(connection, text, stmt, cursor, row, report, SQL_QUERY_COUNT_FIRST);
}

/* sql_query for a caller that reads the rows from the first on by fetches
** of its own (the table browser's pages): the rows are counted, and of
** several the first is not fetched, which spares a request to the driver;
** the row's texts are then empty until the caller's first fetch. Answers
** and fails as sql_query. */
int sql_query_counted(void *connection, const char *text, void **stmt, void **cursor, sql_col_rec **row, int report)
{
    return sql_query_run(connection, text, stmt, cursor, row, report, SQL_QUERY_COUNT_ONLY);
}

/* Appends " ORDER BY %s" to a statement when an order is given. Answers 0,
** or -2 for an order that is not a plain clause. */
static int sql_add_order(std::string &text, const char *order)
{
    if (!order || str_nonblank(order) != SQL_OK) return 0;
    if (!sql_is_clause(order)) return SQL_ERR_ARG;
    char buf[SQL_REPORT_TEXT_MAX];
    snprintf(buf, sizeof buf, SQL_ORDER_BY, order);
    text += buf;
    return 0;
}

/* Runs "SELECT * FROM %s" (with " ORDER BY %s" when an order is given)
** as sql_query runs it and gives every column the table's name and input
** rule. Answers the result of sql_query; -2 for a missing argument, a
** table that is not a plain name or an order that is not a plain clause. */
int sql_select_all(void *connection, void **stmt, void **cursor, sql_col_rec **row, const char *table,
                   const char *order, int report)
{
    if (row) *row = nullptr;
    if (!connection || !stmt || !cursor || !row || !sql_is_ident(table)) return SQL_ERR_ARG;
    char buf[SQL_SHORT_TEXT_SIZE];
    snprintf(buf, sizeof buf, SQL_SELECT_ALL, table);
    std::string text = buf;
    if (sql_add_order(text, order) < 0) return SQL_ERR_ARG;
    int n = sql_query(connection, text.c_str(), stmt, cursor, row, report);
    if (n >= 0 && sql_row_attach_rules(*row, connection, table) < 0) {
        sql_close_query(stmt, cursor, row);
        return ERR_NO_MEMORY;
    }
    return n;
}

/* The statement of sql_select_where and sql_select_in: "SELECT * FROM
** table WHERE column" and the test, run and answered as they say. */
static int sql_select_table_where(void *connection, const char *table, const char *column, const char *test,
                                  const char *order, void **stmt, void **cursor, sql_col_rec **row,
                                  sql_query_mode mode)
{
    if (!connection || !stmt || !cursor || !row || !sql_is_ident(table) || !sql_is_ident(column))
        return SQL_ERR_ARG;
    std::string text = std::string("SELECT * FROM ") + table + " WHERE " + column + test;
    if (sql_add_order(text, order) < 0) return SQL_ERR_ARG;
    int n = sql_query_run(connection, text.c_str(), stmt, cursor, row, 0, mode);
    if (n >= 0 && sql_row_attach_rules(*row, connection, table) < 0) {
        sql_close_query(stmt, cursor, row);
        return ERR_NO_MEMORY;
    }
    return n;
}

/* Runs "SELECT * FROM %s WHERE %s = %s" (with " ORDER BY %s" when an
** order is given) as sql_query runs it, the first row fetched and
** converted to text, every column given the table's name and input rule.
** The value is a literal: a character value in single quotes (a quote
** inside, doubled or not, is doubled in the statement), a number or NULL;
** any other text is taken as a character value. Answers the row count (0
** when none: the caller closes the query); -2 for a missing argument or a
** name that is not a plain identifier; -9101 when memory is short; the
** failure's code otherwise. */
int sql_select_where(void *connection, const char *table, const char *column, const char *value,
                     const char *order, void **stmt, void **cursor, sql_col_rec **row)
{
    if (row) *row = nullptr;
    if (!value) return SQL_ERR_ARG;
    std::string literal;
    sql_literal(value, literal);
    return sql_select_table_where(connection, table, column, (" = " + literal).c_str(), order, stmt, cursor, row,
                                  SQL_QUERY_COUNT_FIRST);
}

/* Runs "SELECT * FROM %s WHERE %s IN (%ld, ...)" over the n numbers as
** sql_select_where runs its statement, but without counting the rows (a
** request less to the driver): the caller reads them on with sql_fetch to
** the end. Answers 1 with the first row fetched and converted, 0 when
** there is none, else as sql_select_where; -2 also for no numbers. */
int sql_select_in(void *connection, const char *table, const char *column, const long *values, int n,
                  const char *order, void **stmt, void **cursor, sql_col_rec **row)
{
    if (row) *row = nullptr;
    if (!values || n < 1) return SQL_ERR_ARG;
    std::string list = " IN (";
    for (int i = 0; i < n; i++) list += (i ? ", " : "") + std::to_string(values[i]);
    list += ")";
    return sql_select_table_where(connection, table, column, list.c_str(), order, stmt, cursor, row,
                                  SQL_QUERY_FIRST_ONLY);
}

/* Runs "SELECT MAX(%s) FROM %s" and puts the maximum into the text of the
** row's column of that name (trimmed, cut to the column's length, empty
** for an empty table) and its value. Answers 0; -2 for bad arguments or a
** column the row lacks; -9101 when memory is short; the failure's code
** otherwise (the column unchanged). */
int sql_select_max(void *connection, sql_col_rec **row, const char *column, const char *table)
{
    if (!connection || !row || !sql_is_ident(column) || !sql_is_ident(table)) return SQL_ERR_ARG;
    sql_col_rec *c = sql_col_find(*row, column, nullptr, nullptr);
    if (!c || !c->text) return SQL_ERR_ARG;
    char text[SQL_SHORT_TEXT_SIZE];
    snprintf(text, sizeof text, SQL_SELECT_MAX, column, table);
    void *stmt = nullptr, *cursor = nullptr;
    int rc = sql_execute(connection, &stmt, &cursor, text, 0);
    if (rc != SQL_OK) return rc;
    if (!cursor) {
        sql_free_handles(&stmt, &cursor);
        return SQL_ERR_ARG;
    }
    CAsiCursor *k = (CAsiCursor *)cursor;
    char buf[SQL_REPORT_TEXT_MAX] = "";
    unsigned short ind = 0;
    if (asi_fetch_next(k)) {
        if (!asi_value_get(k, 0, SQL_HOST_STRING, buf, sizeof buf, &ind)) {
            rc = sql_error_code(k);
            sql_free_handles(&stmt, &cursor);
            return rc;
        }
        if (ind == SQL_COL_NULL) buf[0] = 0;
    } else if (asi_diag_count(k) > 0 && asi_diag_cond_code(k, 0) != ASI_STATE_NO_DATA) {
        rc = sql_error_code(k);
        sql_free_handles(&stmt, &cursor);
        return rc;
    }
    sql_free_handles(&stmt, &cursor);
    str_trim(buf);
    int size = sql_col_text_size(c);
    int keep = c->length > 0 && c->length < size ? c->length : size - 1;
    if ((int)strlen(buf) > keep) buf[keep] = 0;
    memcpy(c->text, buf, strlen(buf) + 1);
    sql_text_to_value(c, c->text);
    return 0;
}
