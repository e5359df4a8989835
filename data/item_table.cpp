/*
** item_table.cpp: the dictionary and profile sides, their name rules and
** packed names, the next free item numbers, creating the two tables with
** their indexes and header rows, inserting and looking up rows, and the
** cursor over a dictionary or over a profile joined with its dictionary.
**
** Every name, short name and definition put between single quotes goes
** through sql_quote, so an item named Devil's Gate is stored and found.
** Next free numbers are counted per project and dictionary name: the first
** call reads the maximum of BASENUMBER, later calls count on from it, and
** creating the dictionary starts again from 0.
*/
#include "data/item_table.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "core/col_attr.h"
#include "core/err_text.h"
#include "core/msg_box.h"
#include "core/pjct.h"
#include "core/pjct_list.h"
#include "core/pv_config.h"
#include "core/pv_globals.h"
#include "core/sql_access.h"
#include "core/str_util.h"
#include "core/tbl.h"
#include "data/row_edit.h"
#include "platform/include/ads_host.h"

namespace {

/* The module state. */
prf_table_state s_state;

/* Environment name whose tables take INTEGER numbers. */
constexpr const char *ODBC_ENV = "ODBC";
/* Most characters of a path dix_check_name looks at. */
constexpr size_t CHECK_PATH_MAX = 255;
/* Room of a name a caller passes, path or table name. */
constexpr size_t NAME_ROOM = 256;
/* Number of characters a packed name holds, and bits of one code. */
constexpr int PACK_CHARS = 5;
constexpr unsigned PACK_BITS = 6;
constexpr unsigned PACK_MASK = 63;
/* Host version from which the tables get their indexes. */
constexpr int INDEX_HOST_VERSION = 15;
/* Numbers an item tries before its insert gives up: a try fails only
** when another user stored the number since it was counted. */
constexpr int DIX_INSERT_TRIES = 1000;
/* Position of SORTNUMBER in the profile join, its ORDER BY column. */
constexpr int JOIN_ORDER_COLUMN = 7;

/* Next-number counter of one dictionary of one project. */
struct dix_counter_rec {
    uint32_t counter;        /* the last number handed out */
    char *project;           /* project name; heap copy */
    char *dictionary;        /* dictionary name; heap copy */
    dix_counter_rec *next;   /* next counter */
};
dix_counter_rec *s_counters = nullptr;

/* 1 when the text is null or blank. */
int blank(const char *text)
{
    return !text || str_nonblank(text) != RTNORM;
}

/* Runs a statement that returns no rows on a connection; 5100 or the
** access layer's code. */
int run(void *connection, const std::string &text)
{
    void *stmt = nullptr, *cursor = nullptr;
    int rc = sql_execute(connection, &stmt, &cursor, text.c_str(), 0);
    sql_free_handles(&stmt, &cursor);
    return rc;
}

/* 1 when the side's project runs in the environment named "ODBC". */
int side_is_odbc(const prf_side &side)
{
    if (!side.project || !g_env_names) return 0;
    int i = side.project->env_index;
    return i >= 0 && i < g_env_count && str_eq_nocase(g_env_names[i], ODBC_ENV);
}

/* The project name a side's counters are kept under. */
const char *side_project_name(const prf_side &side)
{
    return side.project ? side.project->name : "";
}

/* The counter of a dictionary of the dictionary side's project; null when
** none is kept. */
dix_counter_rec *counter_find(const char *dictionary)
{
    const char *project = side_project_name(s_state.dix);
    for (dix_counter_rec *c = s_counters; c; c = c->next)
        if (str_eq_nocase(c->project, project) && str_eq_nocase(c->dictionary, dictionary)) return c;
    return nullptr;
}

/* Sets the counter of a dictionary, appending one when none is kept.
** Answers 0, or -9101 when memory runs out. */
int counter_set(const char *dictionary, uint32_t value)
{
    dix_counter_rec *c = counter_find(dictionary);
    if (c) {
        c->counter = value;
        return 0;
    }
    c = (dix_counter_rec *)std::calloc(1, sizeof *c);
    if (!c) return ERR_NO_MEMORY;
    c->project = strdup(side_project_name(s_state.dix));
    c->dictionary = strdup(dictionary);
    if (!c->project || !c->dictionary) {
        std::free(c->project);
        std::free(c->dictionary);
        std::free(c);
        return ERR_NO_MEMORY;
    }
    c->counter = value;
    dix_counter_rec **tail = &s_counters;
    while (*tail) tail = &(*tail)->next;
    *tail = c;
    return 0;
}

/* Copies a column's text of a row, trimmed and cut to `max` characters,
** into out; empty when the row has no such column. */
void copy_text(sql_col_rec *row, const char *column, char *out, size_t max)
{
    if (!out) return;
    out[0] = '\0';
    sql_col_rec *c = sql_col_find(row, column, nullptr, nullptr);
    if (!c || !c->text) return;
    char buf[NAME_ROOM] = "";
    std::snprintf(buf, sizeof buf, "%s", c->text);
    str_trim(buf);
    if (std::strlen(buf) > max) buf[max] = '\0';
    std::memcpy(out, buf, std::strlen(buf) + 1);
}

/* The number a column's text holds (0 when absent or not a number). */
uint32_t number_of(sql_col_rec *column)
{
    if (!column || !column->text) return 0;
    double v = std::strtod(column->text, nullptr);
    if (!(v > 0)) return 0;
    return v < (double)UINT32_MAX ? (uint32_t)v : UINT32_MAX;
}

/* Runs "SELECT * FROM table WHERE column = value" on a connection; the
** row count (its first row in *row) or a negative code. */
int select_where(void *connection, const char *table, const char *column, const std::string &value, void **stmt,
                 void **cursor, sql_col_rec **row)
{
    if (!connection) return -2;
    return sql_select_where(connection, table, column, value.c_str(), nullptr, stmt, cursor, row);
}

/* Closes the open dictionary or profile query. */
void close_query(void)
{
    sql_close_query(&s_state.stmt, &s_state.cursor, &s_state.row);
    s_state.rows = s_state.fetched = 0;
}

/* Opens the module's query; the row count or a negative code. */
int open_query(void *connection, const std::string &text)
{
    close_query();
    if (!connection) return -2;
    int n = sql_query(connection, text.c_str(), &s_state.stmt, &s_state.cursor, &s_state.row, 0);
    if (n < 0) {
        close_query();
        return n;
    }
    s_state.rows = n;
    return n;
}

/* Moves the open query to its next row (the first one is already
** fetched); 0, -1 at the end, or the failure's code when the row cannot
** be read. */
int next_row(void)
{
    if (!s_state.row || s_state.fetched >= s_state.rows) return -1;
    int rc = sql_fetch_counted(s_state.cursor, s_state.row, s_state.fetched);
    if (rc != RTNORM) return rc;
    ++s_state.fetched;
    return 0;
}

/* A column's text of the open row, trimmed in place; null when absent. */
char *row_text(int index)
{
    sql_col_rec *c = sql_col_nth(s_state.row, index);
    return c && c->text ? str_trim(c->text) : nullptr;
}

/* Forgets the counter of a dictionary, so that its next number is read
** from the table again. */
void counter_forget(const char *dictionary)
{
    dix_counter_rec *gone = counter_find(dictionary);
    for (dix_counter_rec **link = &s_counters; gone && *link; link = &(*link)->next) {
        if (*link != gone) continue;
        *link = gone->next;
        std::free(gone->project);
        std::free(gone->dictionary);
        std::free(gone);
        return;
    }
}

/* Code of a character in a packed name; 0 for a character without one. */
unsigned pack_code(unsigned char c)
{
    if (c >= ' ' && c <= ')') return c - ' ' + 1;
    if (c == '-') return 11;
    if (c >= '0' && c <= '>') return c - '0' + 12;
    if (c >= '@' && c <= '[') return c - '@' + 27;
    if (c >= ']' && c <= '`') return c - ']' + 55;
    if (c >= 'a' && c <= 'z') return c - 'a' + 28;
    if (c >= '{' && c <= '~') return c - '{' + 85;
    return 0;
}

/* Character of a code of a packed name; 0 for a code that ends the name. */
char unpack_code(unsigned code)
{
    if (code >= 1 && code <= 10) return (char)(' ' + code - 1);
    if (code == 11) return '-';
    if (code >= 12 && code <= 26) return (char)('0' + code - 12);
    if (code >= 27 && code <= 54) return (char)('@' + code - 27);
    if (code >= 55 && code <= 61) return (char)(']' + code - 55);
    return 0;
}

/* The indexes name + "1" and name + "2" of a table on its two columns,
** made above host version 14 (their failures passed over). */
void make_indexes(void *connection, const char *name, const char *first_column, const char *second_column)
{
    if (g_host_version < INDEX_HOST_VERSION) return;
    run(connection, std::string("CREATE INDEX ") + name + "1 ON " + name + " (" + first_column + ")");
    run(connection, std::string("CREATE INDEX ") + name + "2 ON " + name + " (" + second_column + ")");
}

/* Makes a table again: a table of that name goes with its two indexes
** name + "1" and name + "2", the table is made by the CREATE TABLE text
** and gets those indexes (make_indexes). Answers 5100 or the code of the
** CREATE TABLE statement. */
int remake_table(void *connection, const char *name, const char *create_text, const char *first_column,
                 const char *second_column)
{
    for (const char *suffix : {"1", "2"}) sql_drop_index(connection, (std::string(name) + suffix).c_str(), name);
    sql_drop_table(connection, name);
    int rc = run(connection, create_text);
    if (rc == RTNORM) make_indexes(connection, name, first_column, second_column);
    return rc;
}

/* Runs a text through snprintf into a string. */
template <typename... Args>
std::string format(const char *fmt, Args... args)
{
    char buf[DIX_SQL_SIZE];
    std::snprintf(buf, sizeof buf, fmt, args...);
    return buf;
}

}  // namespace

/* The module state. */
prf_table_state *prf_tables(void)
{
    return &s_state;
}

/* Points the dictionary and the profile side at one project, closing the
** open query and dropping the dictionary column list of the sides before.
** The dialog, when given, is the profile editor's. Answers 0; -2 for no
** project; -1 when the project's directory is not configured. */
int prf_edit_set_project(void *dialog, pjct_rec *project)
{
    if (!project) return -2;
    const char *dir = pjct_dir(project->name);
    if (!dir) return -1;
    if (prf_tables()->reset_editor) prf_tables()->reset_editor(dialog);
    close_query();
    sql_col_list_free(&s_state.dix_columns);
    s_state.dix = prf_side{project, dir, project->connection};
    s_state.prf = s_state.dix;
    return 0;
}

/* Checks a dictionary or profile name: its base name (after the last
** '\', '/' or ':', without extension) must have at most 5 characters and
** must not be a table registered with a type other than DICTION or LEGEND;
** each refusal is shown under "Petrivex ERROR:". Answers 0; -1 when
** refused; -2 for a null or blank name or no dictionary connection. */
int dix_check_name(const char *name)
{
    if (blank(name) || !s_state.dix.connection) return -2;
    char base[CHECK_PATH_MAX + 1];
    std::snprintf(base, sizeof base, "%s", name);
    str_basename(base);
    if (std::strlen(base) > DIX_NAME_MAX) {
        msg_alert(ERR_TITLE, "ERROR: %s is longer than 5 characters", base);
        return -1;
    }
    tbl_rec *t = s_state.dix.project ? tbl_find_by_name(s_state.dix.project->tables, base, nullptr) : nullptr;
    if (t && t->table_type != TBL_DEF_DICTION && t->table_type != TBL_DEF_LEGEND) {
        msg_alert(ERR_TITLE, "ERROR: table name %s in use", base);
        return -1;
    }
    return 0;
}

/* The table name of a path: after its last '/', '\' or ':', blanks
** skipped, at most 5 characters up to a '.', upper-cased, into out (at
** least DIX_NAME_SIZE bytes). Answers 0; -1 when that leaves nothing; -2
** for a null out or a null or blank path. */
int prf_name_from_path(char *out, const char *path)
{
    if (!out || blank(path)) return -2;
    const char *s = path;
    for (const char *p = path; *p; ++p)
        if (*p == '/' || *p == '\\' || *p == ':') s = p + 1;
    while (*s == ' ') ++s;
    int n = 0;
    for (; n < DIX_NAME_MAX && s[n] && s[n] != '.'; ++n) out[n] = s[n];
    out[n] = '\0';
    str_upper(out);
    return n ? 0 : -1;
}

/* Packs up to five characters of a name into two 16-bit numbers: codes c0
** to c4 (characters without a code skipped, missing codes 0) give first =
** c0 + 64 c1 + 4096 c2 and second = (c2 / 16 mod 4) + 4 c3 + 256 c4.
** Answers 0; -2 for a null argument. */
int prf_pack_name(const char *name, uint16_t *first, uint16_t *second)
{
    if (!name || !first || !second) return -2;
    uint32_t c[PACK_CHARS] = {};
    int k = 0;
    for (int i = 0; i < PACK_CHARS && name[i]; ++i) {
        unsigned code = pack_code((unsigned char)name[i]);
        if (code) c[k++] = code;
    }
    *first = (uint16_t)(c[0] + (c[1] << PACK_BITS) + (c[2] << (2 * PACK_BITS)));
    *second = (uint16_t)(((c[2] >> 4) & 3) + (c[3] << 2) + (c[4] << 8));
    return 0;
}

/* Unpacks a name packed by prf_pack_name into out (at least
** DIX_NAME_SIZE bytes); a code without a character ends it. Answers 0; -2
** for a null out. */
int prf_unpack_name(char *out, uint16_t first, uint16_t second)
{
    if (!out) return -2;
    unsigned c[PACK_CHARS] = {
        first & PACK_MASK,
        (first >> PACK_BITS) & PACK_MASK,
        (second & 3u) * 16 + (first >> (2 * PACK_BITS)),
        (second & 0xFFu) >> 2,
        (second >> 8) & PACK_MASK,
    };
    int n = 0;
    for (; n < PACK_CHARS && (out[n] = unpack_code(c[n])) != 0; ++n) {}
    out[n] = '\0';
    return 0;
}

/* The next free BASENUMBER of a dictionary of the dictionary side's
** project: the first call reads the column's maximum and answers it + 1,
** later calls count on. 0 (a failure) when the name is blank, memory runs
** out, the maximum cannot be read (then no counter is kept) or the next
** number would pass 65535. */
uint16_t dix_next_number(const char *dictionary)
{
    if (blank(dictionary) || !s_state.dix.connection) return 0;
    dix_counter_rec *c = counter_find(dictionary);
    if (c) {
        if (c->counter >= DIX_NUMBER_MAX) return 0;
        return (uint16_t)++c->counter;
    }
    sql_col_rec *row = sql_col_new(DIX_COL_NUMBER, dictionary, SQL_TYPE_DEC, DIX_NUMBER_DIGITS, 0);
    if (!row) return 0;
    int rc = sql_select_max(s_state.dix.connection, &row, DIX_COL_NUMBER, dictionary);
    uint32_t max = rc >= 0 ? number_of(row) : 0;
    sql_col_list_free(&row);
    if (rc < 0 || max >= DIX_NUMBER_MAX) return 0;
    if (counter_set(dictionary, max + 1) != 0) return 0;
    return (uint16_t)(max + 1);
}

/* Forgets the next-number counters of a project (at its logoff). Answers
** the number dropped; -2 for a null name. */
int dix_counters_drop(const char *project)
{
    if (!project) return -2;
    int n = 0;
    for (dix_counter_rec **link = &s_counters; *link;) {
        dix_counter_rec *c = *link;
        if (!str_eq_nocase(c->project, project)) {
            link = &c->next;
            continue;
        }
        *link = c->next;
        std::free(c->project);
        std::free(c->dictionary);
        std::free(c);
        ++n;
    }
    return n;
}

/* The CREATE TABLE text of a dictionary, with INTEGER numbers when odbc.
** Answers 0; -2 for a null argument. */
int dix_create_text(char *out, size_t size, const char *name, int odbc)
{
    if (!out || !name) return -2;
    if (odbc)
        std::snprintf(out, size, "CREATE TABLE %s (%s INTEGER ,%s CHAR(%d) ,%s CHAR(%d) ,%s CHAR(%d))", name,
                      DIX_COL_NUMBER, DIX_COL_LONGNAME, DIX_LONGNAME_LEN, DIX_COL_SHORTNAME, DIX_SHORTNAME_LEN,
                      DIX_COL_DEFINITION, DIX_DEFINITION_LEN);
    else
        std::snprintf(out, size, "CREATE TABLE %s (%s DEC(%d) ,%s CHAR(%d) ,%s CHAR(%d) ,%s CHAR(%d))", name,
                      DIX_COL_NUMBER, DIX_NUMBER_DIGITS, DIX_COL_LONGNAME, DIX_LONGNAME_LEN, DIX_COL_SHORTNAME,
                      DIX_SHORTNAME_LEN, DIX_COL_DEFINITION, DIX_DEFINITION_LEN);
    return 0;
}

/* The CREATE TABLE text of a profile, with INTEGER numbers when odbc.
** Answers 0; -2 for a null argument. */
int prf_create_text(char *out, size_t size, const char *name, int odbc)
{
    if (!out || !name) return -2;
    if (odbc)
        std::snprintf(out, size, "CREATE TABLE %s (%s INTEGER,%s INTEGER,%s INTEGER,%s INTEGER)", name, PRF_COL_SORT,
                      DIX_COL_NUMBER, PRF_COL_PARENT, PRF_COL_WINDOW);
    else
        std::snprintf(out, size, "CREATE TABLE %s (%s DEC(%d) ,%s DEC(%d) ,%s DEC(%d),%s DEC(%d))", name,
                      PRF_COL_SORT, DIX_NUMBER_DIGITS, DIX_COL_NUMBER, DIX_NUMBER_DIGITS, PRF_COL_PARENT,
                      DIX_NUMBER_DIGITS, PRF_COL_WINDOW, DIX_NUMBER_DIGITS);
    return 0;
}

/* Creates a dictionary table on the dictionary side when it is missing:
** the name is upper-cased in place and checked (dix_check_name); the table
** is made, above host version 14 with its indexes name1 (BASENUMBER) and
** name2 (LONGNAME), and gets its header row, and the dictionary's next
** numbers start again from 0. A table of that name already there (another
** user made it a moment ago) is used as it is, with its items. Answers 0;
** -1 when the name is refused; -2 for a blank name or no connection; the
** statement's code when the table or its header row cannot be made (no
** table is left then); -9101 when the counter cannot be kept. */
int dix_create(char *name)
{
    if (blank(name)) return -2;
    str_upper(name);
    int rc = dix_check_name(name);
    if (rc != 0) return rc;
    void *conn = s_state.dix.connection;
    char text[DIX_SQL_SIZE];
    dix_create_text(text, sizeof text, name, side_is_odbc(s_state.dix));
    int made = sql_create_missing(conn, name, text);
    if (made < 0) return made;
    if (made == 0) {
        counter_forget(name);
        return 0;
    }
    make_indexes(conn, name, DIX_COL_NUMBER, DIX_COL_LONGNAME);
    std::string header = format("INSERT INTO %s (%s,%s,%s,%s) VALUES (", name, DIX_COL_LONGNAME, DIX_COL_SHORTNAME,
                                DIX_COL_NUMBER, DIX_COL_DEFINITION);
    sql_quote(name, header);
    header += ",'',0,'')";
    rc = run(conn, header);
    if (rc != RTNORM) {
        sql_drop_table(conn, name);
        return rc;
    }
    return counter_set(name, 0);
}

/* (Re)creates a profile table on the profile side: both names upper-cased
** in place and checked; the table made as dix_create does, with indexes
** profile1 (BASENUMBER) and profile2 (SORTNUMBER), and its header row
** (0, 0, the packed dictionary name). Answers 0; -1 when a name is
** refused; -2 for a blank name or no connection; the statement's code when
** the table or header cannot be made (no table is left then). */
int prf_create(char *profile, char *dictionary)
{
    if (blank(profile) || blank(dictionary) || !s_state.prf.connection) return -2;
    str_upper(profile);
    str_upper(dictionary);
    int rc = dix_check_name(profile);
    if (rc == 0) rc = dix_check_name(dictionary);
    if (rc != 0) return rc;
    void *conn = s_state.prf.connection;
    char text[DIX_SQL_SIZE];
    prf_create_text(text, sizeof text, profile, side_is_odbc(s_state.prf));
    rc = remake_table(conn, profile, text, DIX_COL_NUMBER, PRF_COL_SORT);
    if (rc != RTNORM) return rc;
    uint16_t first = 0, second = 0;
    prf_pack_name(dictionary, &first, &second);
    rc = prf_insert(profile, 0, 0, first, second);
    if (rc != RTNORM) {
        sql_drop_table(conn, profile);
        return rc;
    }
    return 0;
}

/* 1 unless the dictionary side's connection says that the table does not
** exist: a table that is there and cannot be described (damaged, its
** driver ended) is never made again over its rows. */
static int dix_table_exists(const char *dictionary)
{
    sql_col_rec *row = nullptr;
    int n = sql_describe_table(s_state.dix.connection, dictionary, &row, 0);
    sql_col_list_free(&row);
    return n > 0 || !sql_no_table(n);
}

/* Inserts an item row under a number only while no row of the dictionary
** holds it, so that two users adding items at once never share one: on
** dBASE files the look-up and the insert are one statement under the
** table's write lock; on a server they are two, under the lock on new rows
** of the table every writer of new rows takes (row_server_lock). *rows
** gets the rows inserted (0 when the number was taken). 5100; -9811 when
** another user held that lock too long; else the statement's code. */
static int dix_insert_row(const char *dictionary, const char *longname, const char *shortname, uint16_t number,
                          const char *definition, long *rows)
{
    *rows = 0;
    void *conn = s_state.dix.connection;
    std::string values;
    sql_quote(longname, values);
    values += ',';
    sql_quote(shortname ? shortname : "", values);
    values += "," + std::to_string(number) + ",";
    sql_quote(definition ? definition : "", values);
    std::string text = format("INSERT INTO %s (%s,%s,%s,%s) ", dictionary, DIX_COL_LONGNAME, DIX_COL_SHORTNAME,
                              DIX_COL_NUMBER, DIX_COL_DEFINITION);
    std::string holder = format("FROM %s WHERE %s = %u", dictionary, DIX_COL_NUMBER, (unsigned)number);
    if (!side_is_odbc(s_state.dix))
        return sql_execute_rows(conn, (text + "SELECT " + values + " WHERE NOT EXISTS (SELECT 1 " + holder + ")").c_str(),
                                0, rows);
    int rc = row_server_lock(conn, dictionary, 1);
    if (rc != RTNORM) return rc;
    void *stmt = nullptr, *cursor = nullptr;
    sql_col_rec *found = nullptr;
    int n = sql_query(conn, (std::string("SELECT ") + DIX_COL_NUMBER + " " + holder).c_str(), &stmt, &cursor, &found,
                      0);
    sql_close_query(&stmt, &cursor, &found);
    rc = n < 0 ? n : n > 0 ? RTNORM : run(conn, text + "VALUES (" + values + ")");
    if (rc == RTNORM && n == 0) *rows = 1;
    row_server_lock(conn, dictionary, 0);
    return rc;
}

/* Adds an item to a dictionary with its next free number (put in
** *number): a number another user stored since it was counted is never
** shared, the next one after the dictionary's highest is tried. With
** create = 1 a dictionary whose table does not exist is created first,
** and an insert failing because the table is gone creates it and tries
** once more. Answers 0; -2 for a missing argument; -1 when no number can
** be had; the statement's code otherwise (every row stays). */
int dix_insert(const char *dictionary, const char *longname, const char *shortname, uint16_t *number,
               const char *definition, int create)
{
    if (blank(dictionary) || !longname || !number || !s_state.dix.connection) return -2;
    *number = 0;
    bool made = false;
    for (int tries = 0; tries < DIX_INSERT_TRIES; ++tries) {
        uint16_t n = dix_next_number(dictionary);
        long rows = 0;
        int rc = n ? dix_insert_row(dictionary, longname, shortname, n, definition, &rows) : -1;
        if (rc == RTNORM && rows > 0) {
            *number = n;
            return 0;
        }
        /* Another user stored the number since it was counted: the
        ** dictionary's highest number is read again. */
        if (rc == RTNORM) {
            counter_forget(dictionary);
            continue;
        }
        if (!create || made || dix_table_exists(dictionary)) return rc;
        char name[NAME_ROOM];
        std::snprintf(name, sizeof name, "%s", dictionary);
        int created = dix_create(name);
        if (created != 0) return created;
        made = true;
    }
    return -1;
}

/* Adds a profile row on the profile side. Answers the access layer's
** result (5100 on success); -2 for a blank name or no connection. */
int prf_insert(const char *profile, uint32_t sort, uint32_t number, uint32_t parent, uint32_t window)
{
    if (blank(profile) || !s_state.prf.connection) return -2;
    return run(s_state.prf.connection, format("INSERT INTO %s (%s,%s,%s,%s) VALUES (%u,%u,%u,%u)", profile, PRF_COL_SORT,
                                              DIX_COL_NUMBER, PRF_COL_PARENT, PRF_COL_WINDOW, sort, number, parent,
                                              window));
}

/* Copies the first row of a dictionary look-up into the out arguments
** (each may be null): names trimmed and cut to 32 characters, the
** definition to 70 (empty without the column). */
static void dix_copy_row(sql_col_rec *row, char *longname, char *shortname, uint16_t *number, char *definition)
{
    copy_text(row, DIX_COL_LONGNAME, longname, DIX_LONGNAME_LEN);
    copy_text(row, DIX_COL_SHORTNAME, shortname, DIX_SHORTNAME_LEN);
    copy_text(row, DIX_COL_DEFINITION, definition, DIX_DEFINITION_LEN);
    if (number) *number = (uint16_t)number_of(sql_col_find(row, DIX_COL_NUMBER, nullptr, nullptr));
}

/* Looks an item up by its long name. Answers the number of rows found
** (> 0), the first one copied out; -1 when none; -2 for a missing
** argument; a negative SQL code on error. */
int dix_find_long(const char *dictionary, const char *name, char *longname, char *shortname, uint16_t *number,
                  char *definition)
{
    if (blank(dictionary) || !name) return -2;
    std::string value;
    sql_quote(name, value);
    void *stmt = nullptr, *cursor = nullptr;
    sql_col_rec *row = nullptr;
    int n = select_where(s_state.dix.connection, dictionary, DIX_COL_LONGNAME, value, &stmt, &cursor, &row);
    if (n > 0) dix_copy_row(row, longname, shortname, number, definition);
    sql_close_query(&stmt, &cursor, &row);
    return n == 0 ? -1 : n;
}

/* Looks an item up by its number (the header is number 0). Answers the
** number of rows found (> 0), the first one copied out; -1 when none or
** the table has no SHORTNAME; -2 for a blank name; a negative SQL code on
** error. */
int dix_find_number(const char *dictionary, uint16_t number, char *longname, char *shortname, char *definition)
{
    if (blank(dictionary)) return -2;
    void *stmt = nullptr, *cursor = nullptr;
    sql_col_rec *row = nullptr;
    int n = select_where(s_state.dix.connection, dictionary, DIX_COL_NUMBER, std::to_string(number), &stmt, &cursor,
                         &row);
    if (n > 0 && !sql_col_find(row, DIX_COL_SHORTNAME, nullptr, nullptr)) n = -1;
    if (n > 0) dix_copy_row(row, longname, shortname, nullptr, definition);
    sql_close_query(&stmt, &cursor, &row);
    return n == 0 ? -1 : n;
}

/* Looks a profile row up by its item number on the profile side. Answers
** the number of rows found (> 0) with PARENTNUM and WINDOW of the first;
** -1 when none; -2 for a blank name; a negative SQL code on error. */
int prf_find_number(const char *profile, uint16_t number, uint32_t *parent, uint32_t *window)
{
    if (blank(profile)) return -2;
    void *stmt = nullptr, *cursor = nullptr;
    sql_col_rec *row = nullptr;
    int n = select_where(s_state.prf.connection, profile, DIX_COL_NUMBER, std::to_string(number), &stmt, &cursor,
                         &row);
    if (n > 0) {
        if (parent) *parent = number_of(sql_col_find(row, PRF_COL_PARENT, nullptr, nullptr));
        if (window) *window = number_of(sql_col_find(row, PRF_COL_WINDOW, nullptr, nullptr));
    }
    sql_close_query(&stmt, &cursor, &row);
    return n == 0 ? -1 : n;
}

/* Opens the module's query over a whole dictionary, in the table's order.
** Answers the row count; -2 for a blank name or no connection; a negative
** SQL code on error. */
int dix_select_all(const char *dictionary)
{
    if (blank(dictionary) || !sql_is_ident(dictionary)) return -2;
    return open_query(s_state.dix.connection, std::string("SELECT * FROM ") + dictionary);
}

/* The next row of dix_select_all: texts pointing into the row (trimmed),
** the definition null when the table has none. Answers 0; -1 at the end;
** the failure's code when the row cannot be read; ERR_ITEM_NUMBER for an
** item number above DIX_NUMBER_MAX. */
int dix_fetch(char **longname, char **shortname, uint16_t *number, char **definition)
{
    if (int rc = next_row(); rc != 0) return rc;
    sql_col_rec *row = s_state.row;
    auto text = [row](const char *column) {
        sql_col_rec *c = sql_col_find(row, column, nullptr, nullptr);
        return c && c->text ? str_trim(c->text) : nullptr;
    };
    if (longname) *longname = text(DIX_COL_LONGNAME);
    if (shortname) *shortname = text(DIX_COL_SHORTNAME);
    if (definition) *definition = text(DIX_COL_DEFINITION);
    uint32_t n = number_of(sql_col_find(row, DIX_COL_NUMBER, nullptr, nullptr));
    if (n > DIX_NUMBER_MAX) return ERR_ITEM_NUMBER;   /* never taken for another item, or the header */
    if (number) *number = (uint16_t)n;
    return 0;
}

/* Opens the module's query over a profile joined with its dictionary on
** BASENUMBER, ordered by SORTNUMBER (column 7), on the profile side.
** Answers the row count; -2 for a bad name or no connection; a negative
** SQL code on error. */
int prf_select_join(const char *dictionary, const char *profile)
{
    if (blank(dictionary) || blank(profile) || !sql_is_ident(dictionary) || !sql_is_ident(profile)) return -2;
    const char *d = dictionary, *p = profile;
    std::string text = format("SELECT %s.%s,%s.%s,%s.%s,%s.%s,%s.%s,%s.%s,%s.%s FROM %s,%s WHERE %s.%s = %s.%s ORDER BY %i",
                              d, DIX_COL_NUMBER, d, DIX_COL_LONGNAME, d, DIX_COL_SHORTNAME, d, DIX_COL_DEFINITION, p,
                              PRF_COL_PARENT, p, PRF_COL_WINDOW, p, PRF_COL_SORT, d, p, d, DIX_COL_NUMBER, p,
                              DIX_COL_NUMBER, JOIN_ORDER_COLUMN);
    return open_query(s_state.prf.connection, text);
}

/* The next row of prf_select_join, as dix_fetch gives it, with PARENTNUM
** and WINDOW. Answers 0; -1 at the end; the failure's code when the row
** cannot be read; ERR_ITEM_NUMBER for an item number above
** DIX_NUMBER_MAX. */
int prf_fetch(char **longname, char **shortname, uint16_t *number, char **definition, uint32_t *parent,
              uint32_t *window)
{
    if (int rc = next_row(); rc != 0) return rc;
    uint32_t n = number_of(sql_col_nth(s_state.row, 0));
    if (n > DIX_NUMBER_MAX) return ERR_ITEM_NUMBER;   /* never taken for another item, or the header */
    if (number) *number = (uint16_t)n;
    if (longname) *longname = row_text(1);
    if (shortname) *shortname = row_text(2);
    if (definition) *definition = row_text(3);
    if (parent) *parent = number_of(sql_col_nth(s_state.row, 4));
    if (window) *window = number_of(sql_col_nth(s_state.row, 5));
    return 0;
}

/* Closes the dictionary query and releases its row. Answers 0. */
int dix_close(void)
{
    close_query();
    return 0;
}

/* Closes the profile query and releases its row. Answers 0. */
int prf_close(void)
{
    close_query();
    return 0;
}

/* Sets (edit 1) or clears (edit 0) the edit flag of the input rule of a
** row's column. */
static void set_edit(sql_col_rec *row, const char *column, int edit)
{
    sql_col_rec *c = sql_col_find(row, column, nullptr, nullptr);
    if (c && c->attr) col_attr_set_flag(c->attr, edit ? (int)COL_ATTR_EDIT : (int)(~COL_ATTR_EDIT & 0xFFFFu));
}

/* Makes a dictionary row's BASENUMBER and LONGNAME read-only in the row
** editor (their rules lose the edit flag). Answers 0; -2 for no row. */
int dix_lock_keys(sql_col_rec *row)
{
    if (!row) return -2;
    set_edit(row, DIX_COL_NUMBER, 0);
    set_edit(row, DIX_COL_LONGNAME, 0);
    return 0;
}

/* Makes a dictionary row's LONGNAME editable again. Answers 0; -2 for no
** row. */
int dix_unlock_longname(sql_col_rec *row)
{
    if (!row) return -2;
    set_edit(row, DIX_COL_LONGNAME, 1);
    return 0;
}

/* 1 when a look-up's code says that the table is there but cannot be
** read (damaged, or its driver ended): such a table is never offered to
** be made again, which would write over its rows. */
static int table_unread(int code)
{
    return code < -2 && !sql_no_table(code);
}

/* Says once why a dictionary or profile could not be opened or loaded: a
** table that cannot be read as "Table %s cannot be read: %s" with what
** failed; another code with a text by err_report with the detail; nothing
** for -1, -2 and a missing table (a refused name and a declined creation
** are said already). Answers the code. */
int dix_report_failure(int code, const char *detail, const char *table)
{
    if (code >= -2 || sql_no_table(code)) return code;
    const sql_failure *f = sql_last_failure();
    if (f->code == code || code == ERR_SQL_NO_CONDITION || !err_text(code))
        msg_alert(ERR_TITLE, "Table %s cannot be read: %s", table ? table : "", sql_failure_text(code));
    else
        err_report(code, detail);
    return code;
}

/* Opens a dictionary for the editor: its header row is looked up; when
** missing, "Cannot open %s. Create new dictionary %s ?" offers to create
** it; a table that is there but cannot be read is left as it is. With the
** dictionary open, its column list is described again and its key
** columns locked. Answers the look-up's result (> 0) or the creation's
** (0); the look-up's result when creating is declined or the table cannot
** be read; the creation's code after "Cannot create dictionary %s"; -1
** when the name is refused. */
int prf_edit_open_dictionary(const char *dictionary)
{
    int rc = dix_check_name(dictionary);
    if (rc != 0) return rc;
    rc = dix_find_number(dictionary, 0, nullptr, nullptr, nullptr);
    if (table_unread(rc)) return rc;
    if (rc <= 0) {
        std::string ask = format("Cannot open %s. Create new dictionary %s ?", dictionary, dictionary);
        if (msg_ok_quit(ask.c_str()) != RTNORM) return rc;
        char name[NAME_ROOM];
        std::snprintf(name, sizeof name, "%s", dictionary);
        rc = dix_create(name);
        if (rc != 0) {
            msg_alert(ERR_TITLE, "Cannot create dictionary %s", name);
            return rc;
        }
    }
    sql_col_list_free(&s_state.dix_columns);
    if (sql_describe_table(s_state.dix.connection, dictionary, &s_state.dix_columns, 0) > 0)
        dix_lock_keys(s_state.dix_columns);
    return rc;
}

/* Opens a profile for the editor: its header row is looked up; when
** missing, "Cannot open %s. Create new profile %s ?" offers to create it
** for the dictionary; a table that is there but cannot be read is left as
** it is. Answers the look-up's result (> 0) or the creation's (0); the
** look-up's result when creating is declined or the table cannot be read;
** the creation's code after "Cannot create profile %s"; -1 when a name is
** refused. */
int prf_edit_open_profile(const char *profile, const char *dictionary)
{
    int rc = dix_check_name(profile);
    if (rc == 0) rc = dix_check_name(dictionary);
    if (rc != 0) return rc;
    rc = prf_find_number(profile, 0, nullptr, nullptr);
    if (rc > 0 || table_unread(rc)) return rc;
    std::string ask = format("Cannot open %s. Create new profile %s ?", profile, profile);
    if (msg_ok_quit(ask.c_str()) != RTNORM) return rc;
    char p[NAME_ROOM], d[NAME_ROOM];
    std::snprintf(p, sizeof p, "%s", profile);
    std::snprintf(d, sizeof d, "%s", dictionary);
    int made = prf_create(p, d);
    if (made != 0) msg_alert(ERR_TITLE, "Cannot create profile %s", p);
    return made;
}

/* Releases what this module and the item trees hold of a project at its
** logoff: every distinct tree of the project's input rules is freed once
** (the rules left without one), the project's next-number counters are
** dropped, and a side pointing at the project is cleared with the open
** query and the dictionary column list. Answers the number of trees
** freed; -2 for no project. */
int prf_project_logoff(pjct_rec *project)
{
    if (!project) return -2;
    int freed = 0;
    for (col_attr_rec *r = project->col_attrs; r; r = r->next) {
        item_node *tree = r->tree;
        if (!tree) continue;
        for (col_attr_rec *s = r; s; s = s->next)
            if (s->tree == tree) s->tree = nullptr;
        item_free_tree(tree);
        ++freed;
    }
    dix_counters_drop(project->name);
    if (s_state.dix.project == project || s_state.prf.project == project) {
        close_query();
        sql_col_list_free(&s_state.dix_columns);
    }
    if (s_state.dix.project == project) s_state.dix = prf_side{};
    if (s_state.prf.project == project) s_state.prf = prf_side{};
    return freed;
}
