/*
** sql_access.h: the application's SQL access layer.
**
** Every statement of the application goes through here: the layer builds
** the statement text, releases what the caller still holds, prepares the
** statement on the project's connection and either executes it or, for a
** query, declares a cursor named with 17 random capital letters and opens
** it. A query's result columns become a row: a list of sql_col_rec
** (core/tbl_column.h), each with a value buffer bound to the cursor and a
** text buffer holding the value as text. Failures come back as application
** error codes: -9201 for the engine's syntax error 14215, -9203 for a
** failure that left no condition, otherwise the negated condition code.
**
**     void *stmt = NULL, *cursor = NULL; sql_col_rec *row = NULL;
**     int n = sql_select_where(conn, "STATN", "NAME", "'O''NEIL'", NULL, &stmt, &cursor, &row);
**     if (n > 0) ... row's texts hold the first row ...; sql_close_query(&stmt, &cursor, &row);
**
** Every text value the layer itself puts into a statement has its single
** quotes doubled, and table, column and index names must be plain
** identifiers, so no value can change a statement. Connections, statements
** and cursors are the engine's handles, passed untyped as the project
** record and the row-entry state keep them.
*/
#ifndef PV_CORE_SQL_ACCESS_H
#define PV_CORE_SQL_ACCESS_H

#include <string>
#include <vector>

#include "core/tbl_column.h"

struct pjct_rec;
class CAsiHandle;

/* Longest statement sql_update_row builds, in characters. */
#define SQL_UPDATE_TEXT_MAX 8192
/* Letters of a cursor name. */
#define SQL_CURSOR_NAME_LEN 17
/* Dynamic function code of a cursor specification. */
#define SQL_FUNC_CURSOR_SPEC 18
/* The engine's native code of a syntax error. */
#define SQL_NATIVE_SYNTAX 14215
/* The DB3 driver's native code of a statement whose table changed between
** its prepare and its open (its columns are no longer those described). */
#define SQL_NATIVE_CHANGED 14236
/* Native codes up to this one would read, negated, as the layer's own
** small codes (-1 a failure some callers take for "missing", -2 a bad
** argument, -3 a selection): such a condition is answered -9203. */
#define SQL_NATIVE_SMALL_MAX 3
/* The DB3 driver's native code of a missing index. */
#define SQL_NATIVE_NO_INDEX 14219
/* Lowest host major version under which indexes are created. */
#define SQL_INDEX_HOST_VERSION 15
/* Size of the text buffer of a numeric column: room for any number the
** layer writes ("%.17g" of a double and its sign). */
#define SQL_NUMBER_TEXT_SIZE 40
/* Longest text of the diagnostics alert. */
#define SQL_REPORT_TEXT_MAX 4096

/* Host value types of a column's value buffer. */
#define SQL_HOST_SHORT  1
#define SQL_HOST_LONG   2
#define SQL_HOST_FLOAT  3
#define SQL_HOST_DOUBLE 4
#define SQL_HOST_STRING 5

/* Modes of sql_fetch. */
#define SQL_FETCH_NEXT     0
#define SQL_FETCH_PRIOR    1
#define SQL_FETCH_ABSOLUTE 2
#define SQL_FETCH_RELATIVE 3
/* Starting points of SQL_FETCH_NEXT and SQL_FETCH_PRIOR. */
#define SQL_FROM_START   0   /* before the first row */
#define SQL_FROM_END     1   /* after the last row */
#define SQL_FROM_CURRENT 2   /* the current row */

/* Length of an SQLSTATE with its terminator. */
#define SQL_STATE_SIZE 6
/* SQLSTATE of a table that does not exist. */
#define SQL_STATE_NO_TABLE "42S02"

/* A failure the engine reported: the first condition of the handle. */
struct sql_failure {
    int code;                               /* the application code answered for it */
    char sqlstate[SQL_STATE_SIZE];          /* its SQLSTATE, "" when none */
    char text[SQL_REPORT_TEXT_MAX];         /* the driver's condition text */
};

/* ---- Statements, queries and cursors (sql_query.cpp) ---- */

int sql_execute(void *connection, void **stmt, void **cursor, const char *text, int report);
int sql_execute_rows(void *connection, const char *text, int report, long *rows);
int sql_query(void *connection, const char *text, void **stmt, void **cursor, sql_col_rec **row, int report);
int sql_query_counted(void *connection, const char *text, void **stmt, void **cursor, sql_col_rec **row, int report);
int sql_describe_table(void *connection, const char *table, sql_col_rec **row, int report);
int sql_select_all(void *connection, void **stmt, void **cursor, sql_col_rec **row, const char *table,
                   const char *order, int report);
int sql_select_where(void *connection, const char *table, const char *column, const char *value,
                     const char *order, void **stmt, void **cursor, sql_col_rec **row);
int sql_select_in(void *connection, const char *table, const char *column, const long *values, int n,
                  const char *order, void **stmt, void **cursor, sql_col_rec **row);
int sql_select_max(void *connection, sql_col_rec **row, const char *column, const char *table);
/* A fetch's answer is a row (5100), the end (-5001) or a failure's code:
** the caller must tell them apart. */
[[nodiscard]] int sql_fetch(void *cursor, sql_col_rec *row, int mode, long n, int keep);
int sql_fetch_failed(void *cursor);
[[nodiscard]] int sql_fetch_counted(void *cursor, sql_col_rec *row, long k);
long sql_count_rows(void *cursor);
long sql_cursor_rows(void *cursor);
int sql_reopen_cursor(void *cursor);
int sql_bind_column(void *cursor, sql_col_rec *column, int position);
int sql_free_handles(void **stmt, void **cursor);
int sql_close_query(void **stmt, void **cursor, sql_col_rec **row);
int sql_error_code(const CAsiHandle *handle);
int sql_report_error(const CAsiHandle *handle);
const sql_failure *sql_last_failure(void);
const char *sql_failure_text(int code);
int sql_driver_lost(int code);
int sql_report_lost(int code);
int sql_no_table(int code);
int sql_row_refused(int code);

/* ---- Writing rows and data definition (sql_ddl.cpp) ---- */

int sql_insert_row(void *connection, sql_col_rec *row, const char *table, const sql_col_rec *unique = nullptr,
                   long *rows = nullptr);
/* Appends the row's values in parentheses, as sql_insert_row writes them
** ("('a', 5, NULL)"). 0; -9302 when the text of a numeric column is not a
** number; -2 for a column without text. */
int sql_row_values(const sql_col_rec *row, std::string &out);
/* Inserts many rows of a table in one statement, all or none: values is
** their sql_row_values texts joined by commas, in the order of the
** columns of row, and they go in only while no row of the table holds a
** number from low to high in the unique column (whose values the rows
** take from that range): "INSERT INTO %s (...) SELECT * FROM (VALUES ...)
** WHERE NOT EXISTS (SELECT 1 FROM %s WHERE %s BETWEEN %ld AND %ld)".
** *rows gets the rows inserted (0 when the range was taken). Answers 5100;
** -2 for bad arguments; else the negative code of sql_execute (nothing
** went in). */
int sql_insert_rows(void *connection, const sql_col_rec *row, const char *table, const std::string &values,
                    const sql_col_rec *unique, long low, long high, long *rows);
int sql_update_row(sql_col_rec *row, int report);
int sql_update_column(sql_col_rec *column, sql_col_rec *condition, const char *value);
/* Gives the named columns of the row of a table whose unique-number column
** key_column holds id the texts `to`, each only while it still holds its
** text `from`, in one statement whose condition is what the row holds, so
** that a change another user made since the row was read is never
** written over. held is that row as fetched just now (its column records
** give the types and what it holds; they are used as scratch). A column
** that already holds its `to` is left out; one whose `from` is its `to`
** is not written but must hold it, a condition of the write. 5100 when
** the row holds `to`
** (written now, or already); -9810 when a column holds neither its
** `from` nor its `to`, or the row was changed between the fetch and the
** write (nothing written); -2 for bad arguments or a column the row
** lacks; the code of a text the column refuses or of the statement. */
int sql_update_held(void *connection, const char *table, const char *key_column, long id, sql_col_rec *held,
                    const std::vector<std::string> &names, const std::vector<std::string> &from,
                    const std::vector<std::string> &to);
/* Deletes the row of a table whose unique-number column key_column holds
** id only while every other column holds its text shown (one a column of
** held, in order), in one statement whose condition is what the row holds,
** so that a row another user changed since it was shown is never deleted.
** held is that row as fetched just now (its column records give the types
** and what it holds; they are used as scratch). 5100 when deleted; -9810
** when a column holds another text than shown, or the row changed or went
** between the fetch and the delete (nothing deleted); -2 for bad
** arguments; the statement's code. */
int sql_delete_held(void *connection, const char *table, const char *key_column, long id, sql_col_rec *held,
                    const std::vector<std::string> &shown);
int sql_delete_where(void *connection, const char *table, const char *column, const char *value);
int sql_delete_row(sql_col_rec *row, sql_col_rec *key);
int sql_create_index(void *connection, const char *index, const char *table, const char *columns, int unique);
int sql_drop_index(void *connection, const char *index, const char *table);
int sql_drop_indexes(void *connection, const char *table);
int sql_drop_table(void *connection, const char *table);
/* Makes a table by its CREATE TABLE text only when it is missing, so that
** a table another session made meanwhile, and the rows written into it,
** are kept: a CREATE refused because the table is there (the driver's
** "exists", or the server's duplicate key in its catalogue when another
** session's CREATE of that name went in at the same moment) finds it and
** uses it. 1 when made now; 0 when it was there; -2 for bad arguments;
** else the failure's code, its words the last failure. */
int sql_create_missing(void *connection, const char *table, const char *create_text);
int sql_remove_index_ini(void *connection, const char *table);
int sql_describe_dbf(void *connection, const char *table, sql_col_rec *row);

/* ---- Column records, values and texts (sql_rows.cpp) ---- */

int sql_type_to_host(int sql_type);
int sql_host_type(int value_type);
int sql_col_text_size(const sql_col_rec *column);
sql_col_rec *sql_col_new(const char *name, const char *table, int sql_type, int length, int decimals);
int sql_text_to_value(sql_col_rec *column, const char *text);
int sql_value_to_text(sql_col_rec *column, char *text);
/* The text a column holds for a text: the value read from it written back
** as the column writes it ("615983.1" and "615983.100000" in a column of
** six decimals are one); "\x01" for a text the column refuses. The
** column's value is left holding the text. */
std::string sql_held_text(sql_col_rec *column, const char *text);
/* The text a column holds for a text as a condition compares it: a
** character value without its padding blanks, a number as sql_held_text
** gives it (the column's value is left holding the text). */
std::string sql_compared_text(sql_col_rec *column, const char *text);
int sql_row_to_text(sql_col_rec *row);
int sql_row_from_text(sql_col_rec *row);
bool sql_put_fixed(char *buf, int size, double v, int decimals);
void sql_append_fixed(std::string &out, double v, int decimals);
sql_col_rec *sql_col_find(sql_col_rec *row, const char *name, const char *table, int *index);
sql_col_rec *sql_col_find_qualified(sql_col_rec *row, const char *text, int *index);
sql_col_rec *sql_col_nth(sql_col_rec *row, int n);
sql_col_rec *sql_col_find_flag(sql_col_rec *row, unsigned flags);
sql_col_rec *sql_row_key_column(sql_col_rec *column, sql_col_rec *row);
int sql_col_set_shown(sql_col_rec *column, int value);
void sql_col_list_free(sql_col_rec **row);

/* Statement building: quoting and the checks that keep texts in their place. */
int sql_is_ident(const char *name);
int sql_is_clause(const char *text);
int sql_is_number(const char *text);
void sql_quote(const char *value, std::string &out);
int sql_literal(const char *value, std::string &out);
int sql_col_literal(const sql_col_rec *column, std::string &out);

#endif
