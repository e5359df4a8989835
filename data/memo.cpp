/*
** memo.cpp: memo side tables and the memo of one row: making a side table,
** the working state, reading, writing, joining and deleting a row's lines.
**
** A row's lines are selected with
**     SELECT * FROM STATNMEM WHERE BASENUMBER = 70000 ORDER BY ORDNUMBER
** and written by deleting the row's lines and inserting the new ones with
** ORDNUMBER 1, 2, 3 ..., as one under a mark (memo_write.cpp), so that
** neither a failed write nor one cut short loses a memo.
*/
#include "data/memo.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "core/col_attr.h"
#include "core/err_text.h"
#include "core/host_util.h"
#include "core/pjct_list.h"
#include "core/pv_config.h"
#include "core/pv_globals.h"
#include "core/sql_access.h"
#include "core/str_util.h"
#include "core/tbl.h"

namespace {

/* The environment whose side tables use INTEGER numbers. */
const char k_env_integer_numbers[] = "ODBC";
/* Statement texts of a side table. */
const char k_create_dec[] = "CREATE TABLE %s (%s DEC(%d), %s DEC(%d), %s CHAR(%d))";
const char k_create_int[] = "CREATE TABLE %s (%s INTEGER, %s INTEGER, %s CHAR(%d))";
const char k_create_index[] = "CREATE INDEX %s ON %s (%s, %s)";
const char k_select_lines[] = "SELECT * FROM %s WHERE %s = %ld ORDER BY " MEMO_COL_ORDNUMBER;
/* Why the last read that answered MEMO_ERR_NO_TABLE could not make or
** read its side table, naming it, with the driver's or server's words. */
std::string s_made_failure;
/* Room for one of these statements: the fixed text and three names. */
constexpr int MEMO_SQL_SIZE = 256;
/* Room for a row number as text. */
constexpr int MEMO_NUMBER_TEXT_SIZE = 24;
/* Highest host version that makes no index. */
constexpr int MEMO_NO_INDEX_VERSION = 14;

/* Columns of a side table's row: the two numbers, then MEMOTEXT. */
constexpr int MEMO_COLUMN_COUNT = 3;
constexpr int MEMO_NUMBER_COLUMNS = 2;

/* The static memo row: BASENUMBER, ORDNUMBER and MEMOTEXT with their
** buffers, chained in that order. */
struct memo_static_row {
    sql_col_rec cols[MEMO_COLUMN_COUNT];                  /* the three columns */
    char texts[MEMO_COLUMN_COUNT][MEMO_LINE_SIZE];        /* their texts */
    int32_t numbers[MEMO_NUMBER_COLUMNS];                 /* value buffers of the numbers */
    char line[MEMO_TEXT_WIDTH + 1];                       /* value buffer of MEMOTEXT */
    char formats[MEMO_COLUMN_COUNT][MEMO_NUMBER_TEXT_SIZE]; /* "%-8ld", "%-8ld", "%-70s" */
};

memo_static_row memo_static;    /* the static row */
memo_rec memo_work;              /* the working state */

/* Gives the static row its columns, formats and empty texts. */
void memo_static_init(void)
{
    static const char *const names[MEMO_COLUMN_COUNT] = {MEMO_COL_BASENUMBER, MEMO_COL_ORDNUMBER, MEMO_COL_TEXT};
    for (int i = 0; i < MEMO_COLUMN_COUNT; i++) {
        sql_col_rec *c = &memo_static.cols[i];
        std::memset(c, 0, sizeof *c);
        std::snprintf(c->name, sizeof c->name, "%s", names[i]);
        int is_text = i == MEMO_NUMBER_COLUMNS;
        c->sql_type = is_text ? SQL_TYPE_CHAR : SQL_TYPE_INT;
        c->value_type = is_text ? SQL_HOST_STRING : SQL_HOST_LONG;
        c->length = is_text ? MEMO_TEXT_WIDTH : MEMO_NUMBER_DIGITS;
        c->display_width = c->length;
        c->value = is_text ? (void *)memo_static.line : (void *)&memo_static.numbers[i];
        c->value_size = is_text ? (int)sizeof memo_static.line : (int)sizeof memo_static.numbers[0];
        c->null_ind = SQL_COL_NULL;
        memo_static.texts[i][0] = '\0';
        c->text = memo_static.texts[i];
        std::snprintf(memo_static.formats[i], sizeof memo_static.formats[i], is_text ? "%%-%ds" : "%%-%dld", c->length);
        c->format = memo_static.formats[i];
        c->next = i + 1 < MEMO_COLUMN_COUNT ? &memo_static.cols[i + 1] : nullptr;
    }
}

/* Sets a column's text, cut to its buffer. */
void memo_col_set(sql_col_rec *c, const char *text)
{
    std::snprintf(c->text, (size_t)sql_col_text_size(c), "%s", text);
}

/* Sets a column's text to a number. */
void memo_col_set_number(sql_col_rec *c, long number)
{
    char text[MEMO_NUMBER_TEXT_SIZE];
    std::snprintf(text, sizeof text, "%ld", number);
    memo_col_set(c, text);
}

/* Closes the line query and frees the row and name, keeping the list. */
void memo_release_query(void)
{
    memo_rec *m = &memo_work;
    sql_free_handles(&m->stmt, &m->cursor);
    if (m->row_owned) sql_col_list_free(&m->row);
    m->row = nullptr;
    m->row_owned = 0;
    std::free(m->name);
    m->name = nullptr;
    m->connection = nullptr;
    m->number = 0;
}

/* One line of a memo as stored. */
struct memo_stored_line {
    std::string order;                            /* ORDNUMBER as text */
    std::string text;                             /* MEMOTEXT */
};

/* Reads the lines of row number of a side table, in ORDNUMBER order.
** 0; the query's negative code, also when a line cannot be read (out then
** holds no line of it). */
int memo_read_stored(void *connection, const char *name, long number, std::vector<memo_stored_line> &out)
{
    char sql[MEMO_SQL_SIZE];
    std::snprintf(sql, sizeof sql, k_select_lines, name, MEMO_COL_BASENUMBER, number);
    void *stmt = nullptr, *cursor = nullptr;
    sql_col_rec *row = nullptr;
    int n = sql_query(connection, sql, &stmt, &cursor, &row, 0);
    if (n < 0) return n;
    sql_col_rec *ord = sql_col_find(row, MEMO_COL_ORDNUMBER, nullptr, nullptr);
    sql_col_rec *text = sql_col_find(row, MEMO_COL_TEXT, nullptr, nullptr);
    int rc = 0;
    if (!ord || !text) rc = -2;
    for (int k = 0; rc == 0 && k < n; k++) {
        int got = sql_fetch_counted(cursor, row, k);
        if (got != RTNORM) {
            rc = got;
            out.clear();
            break;
        }
        out.push_back({ord->text, text->text});
    }
    sql_close_query(&stmt, &cursor, &row);
    return rc;
}

/* Deletes every line of row number of a side table. 5100 or the code. */
int memo_delete_lines(void *connection, const char *name, long number)
{
    char text[MEMO_NUMBER_TEXT_SIZE];
    std::snprintf(text, sizeof text, "%ld", number);
    return sql_delete_where(connection, name, MEMO_COL_BASENUMBER, text);
}

/* Inserts one line through a row. 5100 or the insert's code. */
int memo_insert_line(void *connection, const char *name, sql_col_rec *row, const char *order, const char *text)
{
    sql_col_rec *ord = sql_col_find(row, MEMO_COL_ORDNUMBER, nullptr, nullptr);
    sql_col_rec *line = sql_col_find(row, MEMO_COL_TEXT, nullptr, nullptr);
    if (!ord || !line) return -2;
    memo_col_set(ord, order);
    memo_col_set(line, text);
    return sql_insert_row(connection, row, name);
}

/* Loads a memo into the state; answers the number of lines found or the
** negative result of memo_read. */
int memo_load(const char *table, long number, void *connection, int create)
{
    if (!table || str_nonblank(table) != RTNORM || number < 1 || (create != 0 && create != 1) || !connection)
        return -2;
    memo_release_query();
    std::string name;
    if (memo_table_name(table, name) < 0) return -2;
    memo_rec *m = &memo_work;
    m->name = strdup(name.c_str());
    if (!m->name) {
        memo_reset();
        return ERR_NO_MEMORY;
    }
    m->connection = connection;
    m->number = number;
    char sql[MEMO_SQL_SIZE];
    std::snprintf(sql, sizeof sql, k_select_lines, m->name, MEMO_COL_BASENUMBER, number);
    int n = sql_query(connection, sql, &m->stmt, &m->cursor, &m->row, 0);
    m->row_owned = 1;
    if (n == ERR_NO_MEMORY) {
        memo_reset();
        return n;
    }
    if (n < 0) {
        /* Only a side table that does not exist holds no lines. One that
        ** cannot be read (damaged, its driver ended) is a failure, and is
        ** never made anew: that would drop the memos of every row. */
        const sql_failure *f = sql_last_failure();
        if (f->code != n || std::strcmp(f->sqlstate, SQL_STATE_NO_TABLE) != 0) {
            memo_reset();
            return n;
        }
        if (!create) {
            memo_reset();
            return MEMO_ERR_NO_LINES;
        }
        /* Another session may make the table between that look and this
        ** one's CREATE: a test holds the session here to make it so. */
        pv_hold_at("memo-create");
        int made = memo_create_table(connection, m->name);
        if (made != 0) {
            s_made_failure = "its memo side table " + std::string(m->name) +
                             " cannot be made: " + (made == ERR_NO_MEMORY ? err_text(made) : sql_failure_text(made));
            memo_reset();
            return MEMO_ERR_NO_TABLE;
        }
        n = 0;
    }
    if (n == 0 && !create) {
        memo_reset();
        return MEMO_ERR_NO_LINES;
    }
    if (!m->row) {
        int rc = sql_describe_table(connection, m->name, &m->row, 0);
        if (rc < 0) {
            s_made_failure = "its memo side table " + std::string(m->name) + " cannot be read: " + sql_failure_text(rc);
            memo_reset();
            return rc == ERR_NO_MEMORY ? rc : MEMO_ERR_NO_TABLE;
        }
    }
    for (sql_col_rec *c = m->row; c; c = c->next) std::snprintf(c->table, sizeof c->table, "%s", m->name);
    sql_col_rec *base = sql_col_find(m->row, MEMO_COL_BASENUMBER, nullptr, nullptr);
    if (base) memo_col_set_number(base, number);
    return n;
}

}  // namespace

/* The working state; see memo.h. */
memo_rec *memo_state(void)
{
    if (!memo_static.cols[0].text) memo_static_init();
    return &memo_work;
}

/* ---- The side table ---- */

/* Builds a side table's name; see memo.h. */
int memo_table_name(const char *table, std::string &out)
{
    if (!table || str_nonblank(table) != RTNORM) return -2;
    std::string t = table;
    size_t a = t.find_first_not_of(" \t"), b = t.find_last_not_of(" \t");
    std::string name = t.substr(a, b - a + 1) + MEMO_TABLE_SUFFIX;
    for (char &c : name) c = (char)std::toupper((unsigned char)c);
    if (name.size() >= SQL_COL_NAME_SIZE || !sql_is_ident(name.c_str())) return -2;
    out = name;
    return 0;
}

/* The CREATE TABLE text; see memo.h. */
std::string memo_create_text(const char *name, int odbc)
{
    char sql[MEMO_SQL_SIZE];
    if (odbc)
        std::snprintf(sql, sizeof sql, k_create_int, name, MEMO_COL_BASENUMBER, MEMO_COL_ORDNUMBER, MEMO_COL_TEXT,
                      MEMO_TEXT_WIDTH);
    else
        std::snprintf(sql, sizeof sql, k_create_dec, name, MEMO_COL_BASENUMBER, MEMO_NUMBER_DIGITS,
                      MEMO_COL_ORDNUMBER, MEMO_NUMBER_DIGITS, MEMO_COL_TEXT, MEMO_TEXT_WIDTH);
    return sql;
}

/* The CREATE INDEX text; see memo.h. */
std::string memo_index_text(const char *name)
{
    char sql[MEMO_SQL_SIZE];
    std::snprintf(sql, sizeof sql, k_create_index, name, name, MEMO_COL_BASENUMBER, MEMO_COL_ORDNUMBER);
    return sql;
}

/* Makes a side table when there is none; see memo.h. */
int memo_create_table(void *connection, const char *name)
{
    if (!connection || !name || str_nonblank(name) != RTNORM) return -2;
    char *upper = strdup(name);
    if (!upper) return ERR_NO_MEMORY;
    str_upper(str_trim(upper));
    if (std::strlen(upper) >= SQL_COL_NAME_SIZE || !sql_is_ident(upper)) {
        std::free(upper);
        return -2;
    }
    int made = sql_create_missing(connection, upper, memo_create_text(upper, memo_integer_numbers(connection)).c_str());
    int rc = made < 0 ? made : RTNORM;
    if (made == 1 && g_host_version > MEMO_NO_INDEX_VERSION) {
        void *stmt = nullptr, *cursor = nullptr;
        rc = sql_execute(connection, &stmt, &cursor, memo_index_text(upper).c_str(), 0);
        sql_free_handles(&stmt, &cursor);
        if (rc != RTNORM) sql_drop_table(connection, upper);
    }
    std::free(upper);
    return rc == RTNORM ? 0 : rc;
}

/* Why the last memo read could not make or read its side table; see
** memo.h. */
const std::string &memo_table_failure(void)
{
    return s_made_failure;
}

/* ---- Reading and writing ---- */

/* Resets the working state; see memo.h. */
void memo_reset(void)
{
    memo_rec *m = memo_state();
    memo_release_query();
    memo_line_free(&m->lines);
    memo_static_init();
}

/* Loads a memo; see memo.h. */
int memo_read(const char *table, long number, void *connection, int create)
{
    memo_state();
    int n = memo_load(table, number, connection, create);
    return n < 0 ? n : 0;
}

/* Loads a memo and counts its lines; see memo.h. */
int memo_open(const char *table, long number, void *connection, int create)
{
    memo_state();
    return memo_load(table, number, connection, create);
}

/* Stores the line list; see memo.h. */
int memo_write(const std::vector<std::string> *as_read, bool marked)
{
    memo_rec *m = memo_state();
    if (!m->connection || !m->name || !m->row || m->number < 1) return -2;
    /* A side table without its columns takes no line. */
    if (!sql_col_find(m->row, MEMO_COL_BASENUMBER, nullptr, nullptr) ||
        !sql_col_find(m->row, MEMO_COL_TEXT, nullptr, nullptr)) {
        memo_reset();
        return -2;
    }
    std::vector<std::string> lines;
    for (memo_line *l = m->lines; l && l->next; l = l->next) lines.emplace_back(l->text);
    void *connection = m->connection;
    const long number = m->number;
    const std::string side = m->name;
    memo_reset();
    int rc;
    if (marked) {
        std::string table = side.substr(0, side.size() - std::strlen(MEMO_TABLE_SUFFIX));
        rc = memo_write_row(connection, table.c_str(), nullptr, number, nullptr, {}, {}, {}, lines, as_read,
                            "a writer of memo lines");
    } else {
        /* Lines of a row just added: none stands before them that a
        ** failure should give back. */
        rc = memo_put_lines(connection, side.c_str(), number, lines);
        if (rc != RTNORM) memo_put_lines(connection, side.c_str(), number, {});
    }
    if (rc != RTNORM) return rc < 0 ? rc : -2;
    return lines.empty() ? 0 : 1;
}

/* The lines of a row as stored; see memo.h. */
int memo_stored_lines(void *connection, const char *side, long number, std::vector<std::string> &out)
{
    out.clear();
    std::vector<memo_stored_line> stored;
    int rc = memo_read_stored(connection, side, number, stored);
    for (const memo_stored_line &l : stored) out.push_back(str_trim_right(l.text.c_str()));
    return rc;
}

/* Writes a row's lines in place of those it has; see memo.h. */
int memo_put_lines(void *connection, const char *side, long number, const std::vector<std::string> &lines)
{
    if (!connection || !side || number < 1) return -2;
    int rc = memo_delete_lines(connection, side, number);
    memo_state();
    sql_col_rec *row = &memo_static.cols[0];
    for (sql_col_rec *c = row; c; c = c->next) std::snprintf(c->table, sizeof c->table, "%s", side);
    for (size_t k = 0; rc == RTNORM && k < lines.size(); k++) {
        char order[MEMO_NUMBER_TEXT_SIZE];
        std::snprintf(order, sizeof order, "%zu", k + 1);
        memo_col_set_number(row, number);
        rc = memo_insert_line(connection, side, row, order, lines[k].c_str());
        /* A test cuts the writer short here, among the lines. */
        if (rc == RTNORM && k == 0) pv_hold_at("memo-line");
    }
    memo_static_init();
    return rc;
}

/* A stored line as the editor lists it; see memo.h. */
std::string memo_listed_line(const char *text)
{
    char line[MEMO_LINE_SIZE];
    std::snprintf(line, sizeof line, "%s", text ? text : "");
    for (size_t n = std::strlen(line); n > 0 && line[n - 1] == ' '; n--) line[n - 1] = '\0';
    return str_nonblank(line) == RTNORM ? line : "";
}

/* Stores a text as a row's memo; see memo.h. */
int memo_set_text(sql_col_rec *column, const char *text, long number)
{
    if (!column || !text || number < 1 || !column->connection || str_nonblank(column->table) != RTNORM) return -2;
    memo_reset();
    if (memo_split(text) < 0 || memo_read(column->table, number, column->connection, 1) < 0) {
        memo_reset();
        return -1;
    }
    return memo_write() < 0 ? -1 : 0;
}

/* The same as memo_set_text; see memo.h. */
int memo_replace_text(sql_col_rec *column, const char *text, long number)
{
    return memo_set_text(column, text, number);
}

/* Inserts a text's lines without deleting; see memo.h. */
int memo_insert_text(const char *name, const char *text, long number, void *connection)
{
    if (!name || str_nonblank(name) != RTNORM || !text || number < 1 || !connection) return -2;
    memo_reset();
    int written = 0;
    if (memo_split(text) == 0) {
        memo_rec *m = &memo_work;
        sql_col_rec *row = &memo_static.cols[0];
        for (sql_col_rec *c = row; c; c = c->next) std::snprintf(c->table, sizeof c->table, "%s", name);
        for (memo_line *l = m->lines; l && l->next; l = l->next) {
            char order[MEMO_NUMBER_TEXT_SIZE];
            std::snprintf(order, sizeof order, "%d", written + 1);
            memo_col_set_number(row, number);
            if (memo_insert_line(connection, name, row, order, l->text) != RTNORM) {
                written = 0;
                break;
            }
            written++;
        }
    }
    memo_reset();
    return written > 0 ? 0 : -1;
}

/* Joins a row's memo into one text; see memo.h. */
int memo_get_text(const char *table, long number, void *connection, char **buffer, int size)
{
    if (!buffer || !table || str_nonblank(table) != RTNORM || number < 1 || !connection) return -2;
    memo_reset();
    int n = memo_open(table, number, connection, 0);
    if (n < 0) return n == MEMO_ERR_NO_LINES ? -1 : n;
    memo_rec *m = &memo_work;
    if (!*buffer || size < 1) {
        long want = (long)MEMO_TEXT_PER_LINE * n + 1;
        size = want < MEMO_TEXT_MIN_SIZE ? MEMO_TEXT_MIN_SIZE : (int)want;
        *buffer = (char *)std::malloc((size_t)size);
        if (!*buffer) {
            memo_reset();
            return ERR_NO_MEMORY;
        }
    }
    char *out = *buffer;
    out[0] = '\0';
    size_t used = 0;
    sql_col_rec *text = sql_col_find(m->row, MEMO_COL_TEXT, nullptr, nullptr);
    for (int k = 0; text && k < n; k++) {
        int got = sql_fetch_counted(m->cursor, m->row, k);
        if (got != RTNORM) {
            out[0] = '\0';
            memo_reset();
            return got;
        }
        char line[MEMO_LINE_SIZE];
        std::snprintf(line, sizeof line, "%s", text->text);
        str_trim(line);
        if (!line[0]) continue;
        size_t len = std::strlen(line);
        if (used + 1 + len + 1 > (size_t)size) break;
        out[used++] = ' ';
        std::memcpy(out + used, line, len + 1);
        used += len;
    }
    memo_reset();
    return 0;
}

/* ---- Deleting ---- */

/* Deletes the memo of a row for each memo column; see memo.h. */
int memo_delete_rows(sql_col_rec *row)
{
    if (!row) return -2;
    if (!pjct_find_by_session(row->connection)) return -1;
    for (sql_col_rec *c = row; c; c = c->next) {
        if (!c->attr || !(c->attr->flags & COL_ATTR_MEMO)) continue;
        sql_col_rec *key = sql_row_key_column(c, row);
        long number = key && key->text ? std::atol(key->text) : 0;
        int rc = number >= 1 ? memo_delete_one(c->connection, c->table, number) : RTNORM;
        /* A table whose side table was never made has no lines to lose. */
        const sql_failure *f = sql_last_failure();
        if (rc != RTNORM && !(f->code == rc && std::strcmp(f->sqlstate, SQL_STATE_NO_TABLE) == 0)) return rc;
    }
    return 0;
}

/* Deletes a row's lines from a table's side table; see memo.h. */
int memo_delete_one(void *connection, const char *table, long number)
{
    std::string name;
    if (!connection || number < 1 || memo_table_name(table, name) < 0) return -2;
    return memo_delete_lines(connection, name.c_str(), number);
}

/* Whether side tables have INTEGER numbers; see memo.h. */
int memo_integer_numbers(void *connection)
{
    pjct_rec *p = pjct_find_by_session(connection);
    if (!p || !g_env_names || p->env_index < 0 || p->env_index >= g_env_count) return 0;
    return str_eq_nocase(g_env_names[p->env_index], k_env_integer_numbers);
}

/* Empties the texts of the loaded memo row; see memo.h. */
void memo_row_clear(void)
{
    memo_rec *m = memo_state();
    for (sql_col_rec *c = m->row ? m->row : &memo_static.cols[0]; c; c = c->next) {
        if (c->text) c->text[0] = '\0';
        c->null_ind = SQL_COL_NULL;
    }
}
