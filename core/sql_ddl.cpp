/*
** sql_ddl.cpp: the statements that write rows and define indexes and
** tables, and the dBASE extras of a DB3 project.
**
** Rows are written from their columns' texts: character values quoted
** with their quotes doubled, empty numbers as NULL, numbers bare once
** checked to be numbers. Indexes are made only under a host of major
** version 15 or later. In a DB3 project, whose tables are .DBF files of
** the project directory, a table's widths are read from its file header
** and an index that the driver cannot drop goes with the table's index
** side file NAME.INI.
**
**     sql_insert_row(conn, row, "STATN");
**     sql_create_index(conn, "STATNUNQ", "STATN", "BASENUMBER", 0);
*/
#include "core/sql_access.h"

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "core/err_text.h"
#include "core/pjct.h"
#include "core/pjct_list.h"
#include "core/pv_globals.h"
#include "core/str_util.h"
#include "dbf/dbf.h"
#include "sqlclient/asi_api.h"

/* Host result codes. */
#define SQL_OK      5100
#define SQL_NONE    (-5001)
#define SQL_ERR_ARG (-2)

/* Characters of a table name that name its standard indexes. */
#define SQL_INDEX_PREFIX_LEN 5
/* Extension of a DB3 table's index side file. */
#define SQL_INDEX_SIDE_EXT ".INI"

/* Suffixes of a table's standard indexes, in the order they are dropped;
** the empty one is the index named like the table. */
static const char *const k_index_suffixes[] = {"PRI", "UNQ", "2", "1", "TRV", "OUT",
                                               "BND", "REF", "LEG", "UNT", "MEM", ""};

/* Runs one statement without a result and releases its handles. Answers
** the result of sql_execute. */
static int sql_run(void *connection, const std::string &text, int report)
{
    void *stmt = nullptr, *cursor = nullptr;
    int rc = sql_execute(connection, &stmt, &cursor, text.c_str(), report);
    sql_free_handles(&stmt, &cursor);
    return rc;
}

/* The row's column names in parentheses ("(A, B)"). Answers 0; -2 for a
** name that is not a plain identifier. */
static int sql_row_names(const sql_col_rec *row, std::string &out)
{
    out += "(";
    for (const sql_col_rec *c = row; c; c = c->next) {
        if (!sql_is_ident(c->name)) return SQL_ERR_ARG;
        if (c != row) out += ", ";
        out += c->name;
    }
    out += ")";
    return 0;
}

/* Appends the row's values in parentheses; see sql_access.h. */
int sql_row_values(const sql_col_rec *row, std::string &out)
{
    out += "(";
    for (const sql_col_rec *c = row; c; c = c->next) {
        if (c != row) out += ", ";
        int rc = sql_col_literal(c, out);
        if (rc < 0) return rc;
    }
    out += ")";
    return 0;
}

/* Runs "INSERT INTO %s %s VALUES (" with the row's column names in
** parentheses and its values: character values quoted (quotes doubled),
** empty non-character values NULL, numbers bare. With a unique column the
** row goes in only while no row holds that column's value ("INSERT INTO
** %s %s SELECT ... WHERE NOT EXISTS (SELECT 1 FROM %s WHERE %s = %s)"):
** one statement, so that no other writer takes the value between the
** look-up and the insert; *rows (when given) gets the rows inserted.
** Answers 5100; -2 for bad arguments or a column name that is not a plain
** identifier; -9302 when the text of a numeric column is not a number;
** else the negative code of sql_execute. */
int sql_insert_row(void *connection, sql_col_rec *row, const char *table, const sql_col_rec *unique, long *rows)
{
    if (!connection || !row || !sql_is_ident(table) || (unique && !sql_is_ident(unique->name))) return SQL_ERR_ARG;
    std::string names, values;
    int rc = sql_row_names(row, names);
    if (rc == 0) rc = sql_row_values(row, values);
    if (rc < 0) return rc;
    std::string text = std::string("INSERT INTO ") + table + " " + names;
    if (!unique) {
        if (rows) *rows = 0;
        rc = sql_run(connection, text + " VALUES " + values, 0);
        if (rows && rc == SQL_OK) *rows = 1;
        return rc;
    }
    text += " SELECT " + values.substr(1, values.size() - 2) + " WHERE NOT EXISTS (SELECT 1 FROM " + table + " WHERE " +
            unique->name + " = ";
    rc = sql_col_literal(unique, text);
    if (rc < 0) return rc;
    text += ")";
    long touched = 0;
    rc = sql_execute_rows(connection, text.c_str(), 0, &touched);
    if (rows) *rows = rc == SQL_OK ? touched : 0;
    return rc;
}

/* Inserts many rows in one statement; see sql_access.h. */
int sql_insert_rows(void *connection, const sql_col_rec *row, const char *table, const std::string &values,
                    const sql_col_rec *unique, long low, long high, long *rows)
{
    *rows = 0;
    if (!connection || !row || !sql_is_ident(table) || !unique || !sql_is_ident(unique->name)) return SQL_ERR_ARG;
    std::string text = std::string("INSERT INTO ") + table + " ";
    int rc = sql_row_names(row, text);
    if (rc < 0) return rc;
    text += " SELECT * FROM (VALUES " + values + ") WHERE NOT EXISTS (SELECT 1 FROM " + table + " WHERE " +
            unique->name + " BETWEEN " + std::to_string(low) + " AND " + std::to_string(high) + ")";
    long touched = 0;
    rc = sql_execute_rows(connection, text.c_str(), 0, &touched);
    if (rc == SQL_OK) *rows = touched;
    return rc;
}

/* Updates the rows of every table of a row: for each table, in the order
** its columns first appear, "UPDATE %s SET" over its columns (character
** values quoted, empty non-character values NULL) and " WHERE %s=%s" on
** the table's unique-number column; columns of no table are passed over.
** Every statement is built before the first is sent. Answers 5100; -2 for
** a null row or a table without a unique-number column in the row; -9302
** for a numeric text that is not a number; -9205 for a statement longer
** than 8192 characters (nothing is sent then); -9805 when an UPDATE meets
** no row, the row deleted meanwhile (nothing is stored when it is the
** first table's; shown, with the table, when report is non-zero); else
** the first failure's code (shown when report is non-zero). */
int sql_update_row(sql_col_rec *row, int report)
{
    if (!row) return SQL_ERR_ARG;
    struct update { const char *table; void *connection; std::string text; };
    std::vector<update> updates;
    for (sql_col_rec *first = row; first; first = first->next) {
        int seen = 0;
        for (sql_col_rec *c = row; c != first && !seen; c = c->next) seen = str_eq_nocase(c->table, first->table);
        if (seen || str_nonblank(first->table) != SQL_OK) continue;   /* a column of no table stays */
        sql_col_rec *key = sql_row_key_column(first, row);
        if (!key || !sql_is_ident(first->table) || !sql_is_ident(key->name)) return SQL_ERR_ARG;
        std::string text = std::string("UPDATE ") + first->table + " SET";
        int n = 0;
        for (sql_col_rec *c = first; c; c = c->next) {
            if (c == key || !str_eq_nocase(c->table, first->table)) continue;
            if (!sql_is_ident(c->name)) return SQL_ERR_ARG;
            text += n++ ? ", " : " ";
            text += c->name;
            text += "=";
            int rc = sql_col_literal(c, text);
            if (rc < 0) return rc;
        }
        if (n == 0) continue;
        text += " WHERE ";
        text += key->name;
        text += "=";
        int rc = sql_col_literal(key, text);
        if (rc < 0) return rc;
        if (text.size() > SQL_UPDATE_TEXT_MAX) {
            if (report) err_report(ERR_UPDATE_FAILED, first->table);
            return ERR_UPDATE_FAILED;
        }
        updates.push_back({first->table, first->connection, std::move(text)});
    }
    for (const update &u : updates) {
        long rows = 0;
        int rc = sql_execute_rows(u.connection, u.text.c_str(), report, &rows);
        if (rc != SQL_OK) return rc;
        if (rows == 0) {
            if (report) err_report(ERR_ROW_GONE, u.table);
            return ERR_ROW_GONE;
        }
    }
    return SQL_OK;
}

/* The text a column holds for a text, as a condition compares it; see
** the header. */
std::string sql_compared_text(sql_col_rec *column, const char *text)
{
    if (column->value_type != SQL_HOST_STRING) return sql_held_text(column, text);
    std::string t = text ? text : "";
    while (!t.empty() && (unsigned char)t.back() <= 32) t.pop_back();
    return t;
}

/* Adds to a condition that a column holds what the row held (its value
** as fetched, whose compared text is now): a blank character value may
** be stored as '' or as NULL; a single's text need not be the value the
** server compares, so a column of singles adds nothing. Answers 0, or the
** code of a value that cannot be written. */
static int sql_held_condition(const sql_col_rec *c, const std::string &now, std::string &where)
{
    std::string literal;
    int rc = sql_col_literal(c, literal);
    if (rc != 0) return rc;
    if (c->value_type == SQL_HOST_FLOAT || c->sql_type == SQL_TYPE_REAL) return 0;
    if (c->value_type == SQL_HOST_STRING && now.empty())
        where += std::string(" AND (") + c->name + "='' OR " + c->name + " IS NULL)";
    else
        where += std::string(" AND ") + c->name + (literal == "NULL" ? " IS NULL" : "=" + literal);
    return 0;
}

/* Writes named columns of one row only while they hold what was read;
** see the header. */
int sql_update_held(void *connection, const char *table, const char *key_column, long id, sql_col_rec *held,
                    const std::vector<std::string> &names, const std::vector<std::string> &from,
                    const std::vector<std::string> &to)
{
    if (!connection || !held || !sql_is_ident(table) || !sql_is_ident(key_column) || names.size() != from.size() ||
        names.size() != to.size())
        return SQL_ERR_ARG;
    std::string set, where = std::string(" WHERE ") + key_column + "=" + std::to_string(id);
    for (size_t i = 0; i < names.size(); ++i) {
        sql_col_rec *c = sql_col_find(held, names[i].c_str(), nullptr, nullptr);
        if (!c || !sql_is_ident(c->name)) return SQL_ERR_ARG;
        std::string now = sql_compared_text(c, c->text), was = sql_compared_text(c, from[i].c_str());
        const bool stays = was == sql_compared_text(c, to[i].c_str());   /* a condition of the write only */
        if (!stays && now == sql_compared_text(c, to[i].c_str())) continue;   /* holds it already */
        if (now != was) return ERR_ROW_CHANGED;
        if (sql_held_condition(c, now, where) != 0) return SQL_ERR_ARG;
        if (stays) continue;
        set += std::string(set.empty() ? " SET " : ", ") + c->name + "=";
        int rc = sql_text_to_value(c, to[i].c_str());
        if (rc == SQL_OK) rc = sql_value_to_text(c, nullptr);
        if (rc != SQL_OK) return rc < 0 ? rc : SQL_ERR_ARG;
        if ((rc = sql_col_literal(c, set)) != 0) return rc;
    }
    if (set.empty()) return SQL_OK;
    long touched = 0;
    int rc = sql_execute_rows(connection, (std::string("UPDATE ") + table + set + where).c_str(), 0, &touched);
    if (rc != SQL_OK) return rc;
    return touched == 0 ? ERR_ROW_CHANGED : SQL_OK;
}

/* Deletes one row only while it holds what was shown; see the header. */
int sql_delete_held(void *connection, const char *table, const char *key_column, long id, sql_col_rec *held,
                    const std::vector<std::string> &shown)
{
    if (!connection || !held || !sql_is_ident(table) || !sql_is_ident(key_column)) return SQL_ERR_ARG;
    std::string where = std::string(" WHERE ") + key_column + "=" + std::to_string(id);
    size_t i = 0;
    for (sql_col_rec *c = held; c; c = c->next, ++i) {
        if (!sql_is_ident(c->name) || str_eq_nocase(c->name, key_column)) continue;
        std::string now = sql_compared_text(c, c->text);
        if (i >= shown.size() || now != sql_compared_text(c, shown[i].c_str())) return ERR_ROW_CHANGED;
        if (sql_held_condition(c, now, where) != 0) return SQL_ERR_ARG;
    }
    long touched = 0;
    int rc = sql_execute_rows(connection, (std::string("DELETE FROM ") + table + where).c_str(), 0, &touched);
    if (rc != SQL_OK) return rc;
    return touched == 0 ? ERR_ROW_CHANGED : SQL_OK;
}

/* Runs "UPDATE %s SET %s = '%s' WHERE %s = %s" on the column's table: the
** value quoted with its quotes doubled (bare for a non-character column,
** which takes NULL when blank), the condition the condition column's
** current value. Answers 5100; -2 for a missing argument or a name that
** is not a plain identifier; -9302 for a number that is not one; else
** the code of sql_execute. */
int sql_update_column(sql_col_rec *column, sql_col_rec *condition, const char *value)
{
    if (!column || !condition || !value || !sql_is_ident(column->table) || !sql_is_ident(column->name) ||
        !sql_is_ident(condition->name))
        return SQL_ERR_ARG;
    std::string text = std::string("UPDATE ") + column->table + " SET " + column->name + " = ";
    if (column->value_type == SQL_HOST_STRING) {
        sql_quote(value, text);
    } else if (str_nonblank(value) != SQL_OK) {
        text += "NULL";
    } else {
        if (!sql_is_number(value)) return -9302;
        std::string v = value;
        text += str_trim(v.data());
    }
    text += std::string(" WHERE ") + condition->name + " = ";
    int rc = sql_col_literal(condition, text);
    if (rc < 0) return rc;
    return sql_run(column->connection, text, 0);
}

/* Runs "DELETE FROM %s WHERE %s=%s"; the value is a literal as
** sql_select_where takes it. Answers 5100; -2 for a missing argument or a
** name that is not a plain identifier; else the code of sql_execute. */
int sql_delete_where(void *connection, const char *table, const char *column, const char *value)
{
    if (!connection || !value || !sql_is_ident(table) || !sql_is_ident(column)) return SQL_ERR_ARG;
    std::string text = std::string("DELETE FROM ") + table + " WHERE " + column + "=";
    sql_literal(value, text);
    return sql_run(connection, text, 0);
}

/* Deletes the row of the key column's table whose key column holds the
** row's value of that column (through sql_delete_where). Answers 5100; -2
** when an argument is missing or the row lacks the key column; else the
** result of sql_delete_where. */
int sql_delete_row(sql_col_rec *row, sql_col_rec *key)
{
    if (!row || !key) return SQL_ERR_ARG;
    sql_col_rec *c = sql_col_find(row, key->name, key->table, nullptr);
    if (!c) return SQL_ERR_ARG;
    std::string literal;
    int rc = sql_col_literal(c, literal);
    if (rc < 0) return rc;
    return sql_delete_where(key->connection ? key->connection : c->connection, key->table, key->name,
                            literal.c_str());
}

/* Drops an index of that name, then, under a host of major version 15 or
** later, runs "CREATE UNIQUE INDEX %s ON %s (%s)" or "CREATE INDEX %s ON
** %s (%s)". Answers 5100 (also when nothing is created under an older
** host); the statement's code when the index cannot be created (its
** reason then sql_failure_text's); -2 for a missing argument or names that
** are not plain. */
int sql_create_index(void *connection, const char *index, const char *table, const char *columns, int unique)
{
    if (!connection || !sql_is_ident(index) || !sql_is_ident(table) || !sql_is_clause(columns)) return SQL_ERR_ARG;
    sql_drop_index(connection, index, table);
    if (g_host_version < SQL_INDEX_HOST_VERSION) return SQL_OK;
    std::string text = std::string(unique ? "CREATE UNIQUE INDEX " : "CREATE INDEX ") + index + " ON " + table +
                       " (" + columns + ")";
    int rc = sql_run(connection, text, 0);
    return rc == SQL_OK ? SQL_OK : (rc < 0 ? rc : SQL_NONE);
}

/* Drops an index: "DROP INDEX %s", on failure "DROP INDEX %s ON %s". In a
** DB3 project a failure other than "no such index" removes the table's
** index side file (a missing index is never a reason to lose the table's
** other indexes). Answers 5100 when the index or the side file is gone;
** -5001 otherwise; -2 for a missing argument. */
int sql_drop_index(void *connection, const char *index, const char *table)
{
    if (!connection || !sql_is_ident(index) || !sql_is_ident(table)) return SQL_ERR_ARG;
    int first = sql_run(connection, std::string("DROP INDEX ") + index, 0);
    if (first == SQL_OK) return SQL_OK;
    if (sql_run(connection, std::string("DROP INDEX ") + index + " ON " + table, 0) == SQL_OK) return SQL_OK;
    pjct_rec *p = pjct_find_by_session(connection);
    if (!p || !(p->flags & PJCT_ENV_DB3) || first == -SQL_NATIVE_NO_INDEX) return SQL_NONE;
    return sql_remove_index_ini(connection, table);
}

/* Drops the standard indexes named after a table (its first five
** characters and each standard suffix, and the index named exactly like
** the table); failures are passed over. Answers 5100; -2 for a missing
** argument. */
int sql_drop_indexes(void *connection, const char *table)
{
    if (!connection || !sql_is_ident(table)) return SQL_ERR_ARG;
    std::string prefix = std::string(table).substr(0, SQL_INDEX_PREFIX_LEN);
    for (const char *suffix : k_index_suffixes) {
        std::string index = *suffix ? prefix + suffix : std::string(table);
        sql_drop_index(connection, index.c_str(), table);
    }
    return SQL_OK;
}

/* Drops a table's standard indexes, then runs "DROP TABLE %s CASCADE".
** Answers the code of sql_execute; -2 for a missing argument. */
int sql_drop_table(void *connection, const char *table)
{
    if (!connection || !sql_is_ident(table)) return SQL_ERR_ARG;
    sql_drop_indexes(connection, table);
    return sql_run(connection, std::string("DROP TABLE ") + table + " CASCADE", 0);
}

/* SQLSTATEs of a CREATE TABLE refused because the table is there: the
** driver's or the server's "exists", and the unique key of the server's
** type catalogue, which refuses the second of two sessions making a table
** of one name at the same moment once the first's is in. */
static const char *const k_states_there[] = {"42S01", "42P07", "23505"};

/* Makes a table only when it is missing; see the header. */
int sql_create_missing(void *connection, const char *table, const char *create_text)
{
    if (!connection || !sql_is_ident(table) || !create_text) return SQL_ERR_ARG;
    int rc = sql_run(connection, create_text, 0);
    if (rc == SQL_OK) return 1;
    const sql_failure *f = sql_last_failure();
    bool there = false;
    for (const char *state : k_states_there) there = there || (f->code == rc && std::strcmp(f->sqlstate, state) == 0);
    if (!there) return rc;
    sql_col_rec *row = nullptr;
    int n = sql_describe_table(connection, table, &row, 0);
    sql_col_list_free(&row);
    return n > 0 ? 0 : n < 0 ? n : rc;
}

/* The directory of the DB3 project of a connection; empty when the
** connection's project is not a DB3 project or its directory is unknown. */
static std::string sql_db3_dir(void *connection)
{
    pjct_rec *p = pjct_find_by_session(connection);
    if (!p || !(p->flags & PJCT_ENV_DB3)) return std::string();
    const char *dir = pjct_dir(p->name);
    return dir ? std::string(dir) : std::string();
}

/* The path of the file of a directory whose name equals base + ext
** without regard to case; empty when there is none. */
static std::string sql_find_file(const std::string &dir, const std::string &base, const char *ext)
{
    std::error_code ec;
    std::string want = base + ext;
    for (const auto &e : std::filesystem::directory_iterator(dir, ec)) {
        std::string name = e.path().filename().string();
        if (str_eq_nocase(name.c_str(), want.c_str())) return e.path().string();
    }
    return std::string();
}

/* In a DB3 project removes the table's index side file (NAME.INI) from
** the project directory. Answers 5100 when it was removed; -5001 when the
** project is not a DB3 project, its directory is unknown, or there is no
** such file or it cannot be removed; -2 for a missing argument. */
int sql_remove_index_ini(void *connection, const char *table)
{
    if (!connection || !sql_is_ident(table)) return SQL_ERR_ARG;
    std::string dir = sql_db3_dir(connection);
    if (dir.empty()) return SQL_NONE;
    std::string path = sql_find_file(dir, table, SQL_INDEX_SIDE_EXT);
    if (path.empty()) return SQL_NONE;
    return std::remove(path.c_str()) == 0 ? SQL_OK : SQL_NONE;
}

/* Gives a column a new length and decimals, its buffers made anew for
** the length (the value null). Answers 0, or -9101 when memory is short
** (the column unchanged). */
static int sql_col_relength(sql_col_rec *c, int length, int decimals)
{
    sql_col_rec *fresh = sql_col_new(c->name, c->table, c->sql_type, length, decimals);
    if (!fresh) return ERR_NO_MEMORY;
    free(c->text);
    free(c->value);
    c->text = fresh->text;
    c->value = fresh->value;
    c->length = fresh->length;
    c->decimals = fresh->decimals;
    c->value_size = fresh->value_size;
    c->display_width = fresh->display_width;
    c->null_ind = SQL_COL_NULL;
    free(fresh);
    return 0;
}

/* In a DB3 project takes the widths and decimals of a described table's
** columns from the header of its .DBF file (the driver describes numbers
** by their SQL type, the file keeps the widths the user chose). Answers
** 1 when the header was read; 0 when the project is not a DB3 project or
** the file cannot be read (the row unchanged); -2 for a missing argument;
** -9101 when memory is short. */
int sql_describe_dbf(void *connection, const char *table, sql_col_rec *row)
{
    if (!connection || !table || !row) return SQL_ERR_ARG;
    std::string dir = sql_db3_dir(connection);
    if (dir.empty()) return 0;
    dbf_handle *h = dbf_new();
    if (!h) return ERR_NO_MEMORY;
    std::string path = dir + "/" + table;
    int rc = 0;
    if (dbf_open(h, path.c_str(), DBF_MODE_READ, 0) == DBF_OK) {
        rc = 1;
        for (sql_col_rec *c = row; c && rc == 1; c = c->next) {
            int i = dbf_find_field(h, c->name);
            if (i < 0) continue;
            const dbf_field *f = &h->fields[i];
            if (f->length == c->length && f->decimals == c->decimals) continue;
            int decimals = c->sql_type == SQL_TYPE_CHAR ? 0 : f->decimals;
            if (sql_col_relength(c, f->length, decimals) < 0) rc = ERR_NO_MEMORY;
        }
        dbf_close(h);
    }
    dbf_free(h);
    return rc;
}
