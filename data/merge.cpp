/*
** merge.cpp: the pv_merge command: its dialog, the database half (rows of
** the slave's tables into the master's under new numbers, memos along)
** and the map half (links of the slave's rows moved to the master).
**
** The offset of a table is the master table's last number, raised first
** to the table's highest unique number (the registry loaded at logon
** holds no numbers, and an offset of 0 would give the merged rows the
** master's own numbers). A slave row numbered 1, 2, 3 ... becomes offset
** + its number; a row without such a number of its own (blank, 0, below
** 0, a fraction, or one its table already gave) takes the next number
** above offset + the slave's highest, in the slave's row order, so every
** merged row gets a number no master row holds and no other merged row
** takes. The map half numbers the links of the slave's rows the same way
** (from the numbering the database half used, or by reading the slave's
** numbers in the same order when the maps are merged first); a link to a
** row the slave table does not hold (a row deleted since) names no merged
** row, so it is left as it is and counted apart.
**
** A table is merged whole or not at all: when a row cannot be merged the
** rows the merge numbered in its table are deleted again. While a table
** is being merged a mark <table>.MRG (core/mark_file.h: a file of a dBASE
** project's folder, a mark of a server project's table PVMARK, where every
** user's logon finds it) names the table, its unique-number column and
** its offset, written whole before the first row and held while the merge
** runs; each row's new number is added to it, one a line with
** the digest of the values the row is written with (read as the master
** table holds them, after a line "C" naming the columns), before the row
** is inserted. A row goes in as every writer's new row
** does (row_insert_new, under the server's lock on new rows or in one
** statement under the dBASE table's write lock): when another writer
** stored its number meanwhile, the row takes the next free one, the mark
** takes the number back ("-" and the number) and lists the new one, and
** the map half links the row's entities to the number it took. A row
** added with memo lines keeps a mark of the same kind, of its own
** (<table>-<process>.MRG), while the row and its lines go in
** (row_insert_new). A merge or an add cut short (pvhost or the driver
** killed, the server connection cut) leaves the mark, and the next logon
** of the project finds it unlocked and removes the rows of the numbers it
** lists while they still hold what the writer wrote, and no other
** (merge_recover), whoever's logon it is, or says that the table is being
** written while the writer's session still holds the mark: a row added after the kill stays, and so does, named, a
** row another writer stored under a number the mark lists (the writer cut
** between the listing and its insert) and a merged row changed since.
** A mark is obeyed only when it passes its check (core/mark_file.h), the
** table it names is its file's own, a registered table of the project,
** its column that table's unique number and its listed columns the
** table's, and (on a server) its writer may delete the table's rows and
** their memo lines (core/mark_file.h); any other is left in place and
** named in the alert.
**
** Columns are matched by name across the two kinds of project: a number
** goes into a number column of either kind, a text into a text column; a
** column of the other kind is named in the closing alert, and a table
** whose unique number cannot be converted is not merged and said so.
*/
#include "data/merge.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "core/col_attr.h"
#include "core/err_text.h"
#include "core/host_util.h"
#include "core/mark_file.h"
#include "core/msg_box.h"
#include "core/pjct_list.h"
#include "core/pv_globals.h"
#include "core/sql_access.h"
#include "core/str_util.h"
#include "core/tbl.h"
#include "core/tile_util.h"
#include "data/memo.h"
#include "data/row_edit.h"
#include "data/tblsetup.h"
#include "draw/link.h"
#include "draw/link_ase.h"
#include "wfile/wfile.h"

pjct_rec *g_merge_master = nullptr;
pjct_rec *g_merge_slave = nullptr;
int g_merge_map = 0;
int g_merge_dbf = 0;

namespace {

/* Title of the alert that lists the merged tables. */
const char k_report_title[] = "PETRIVEX - The following tables were merged:";
/* Room for a message of the key check. */
constexpr int k_message_size = 512;

/* Extension of the mark file of a table being merged (core/mark_file.h;
** while it is written its name ends in "N" too). */
const char k_mark_ext[] = ".MRG";
/* Between the table's name and the process's in the name of the mark of
** a row added with its memo lines. */
const char k_mark_own[] = "-";

/* How the rows of one slave table are numbered in its master table. */
struct merge_numbers {
    long offset = 0;                 /* the master table's last number before the merge */
    long next = 0;                   /* number of the next row without one of its own */
    std::set<long> taken;            /* slave numbers already given offset + number */
    std::map<std::string, long> given; /* slave number text (blank, 0, below 0) -> new number of its first row */
    std::map<long, long> moved;      /* new number another writer held -> the next free one its row took */
    bool failed = false;             /* 1 when the table was not merged: its links stay */
};

/* The numbering of each master table in this command, by table name; the
** database half fills it, the map half reads it. */
std::map<std::string, merge_numbers> s_numbers;

/* One level of the key check: its key slot and message. */
struct merge_level {
    int slot;           /* TBL_KEY_* */
    const char *text;   /* "Missing ... number %s.%s in project %s" */
};
const merge_level k_analysis = {TBL_KEY_ANALYSIS, "Missing analysis number %s.%s in project %s"};
const merge_level k_sample = {TBL_KEY_SAMPLE, "Missing sample number %s.%s in project %s"};
const merge_level k_rock = {TBL_KEY_ROCK, "Missing rock number %s.%s in project %s"};
const merge_level k_segment = {TBL_KEY_SEGMENT, "Missing section number %s.%s in project %s"};
const merge_level k_station = {TBL_KEY_STATION, "Missing station number %s.%s in project %s"};
const merge_level k_outcrop = {TBL_KEY_OUTCROP, "Missing outcrop number %s.%s in project %s"};
const merge_level k_traverse = {TBL_KEY_TRAVERSE, "Missing traverse number %s.%s in project %s"};
const merge_level k_boundary = {TBL_KEY_BOUNDARY, "Missing boundary number %s.%s in project %s"};
const merge_level k_unit = {TBL_KEY_UNIT, "Missing unit number %s.%s in project %s"};
const merge_level k_legend = {TBL_KEY_LEGEND, "Missing legend number %s.%s in project %s"};
const merge_level k_reference = {TBL_KEY_REFERENCE, "Missing reference number %s.%s in project %s"};

/* The levels checked for a master table's type, in order (at most five). */
struct merge_levels {
    int type;                      /* TBL_DEF_* table type */
    const merge_level *level[5];   /* null-ended */
};
const merge_levels k_levels[] = {
    {TBL_DEF_ANALYSIS, {&k_analysis, &k_sample, &k_rock, &k_segment, &k_station}},
    {TBL_DEF_SAMPLE, {&k_sample, &k_rock, &k_segment, &k_station, nullptr}},
    {TBL_DEF_ROCK, {&k_rock, &k_segment, &k_station, nullptr, nullptr}},
    {TBL_DEF_SEGMENT, {&k_segment, &k_station, nullptr, nullptr, nullptr}},
    {TBL_DEF_STATION, {&k_station, nullptr, nullptr, nullptr, nullptr}},
    {TBL_DEF_OUTCROP, {&k_outcrop, nullptr, nullptr, nullptr, nullptr}},
    {TBL_DEF_TRAVERSE, {&k_traverse, nullptr, nullptr, nullptr, nullptr}},
    {TBL_DEF_BOUNDARY, {&k_boundary, nullptr, nullptr, nullptr, nullptr}},
    {TBL_DEF_UNIT, {&k_unit, nullptr, nullptr, nullptr, nullptr}},
    {TBL_DEF_LEGEND, {&k_legend, nullptr, nullptr, nullptr, nullptr}},
    {TBL_DEF_REFERENCE, {&k_reference, nullptr, nullptr, nullptr, nullptr}},
};

/* Empties the command's state. */
void merge_reset()
{
    g_merge_master = g_merge_slave = nullptr;
    g_merge_map = g_merge_dbf = 0;
    s_numbers.clear();
}

/* Shows a progress or error text in the dialog's "error" tile. */
void show(ads_hdlg dlg, const std::string &text)
{
    if (dlg) ads_set_tile(dlg, "error", text.c_str());
}

/* 1 when the column's input rule is a memo rule. */
bool is_memo(const sql_col_rec *c)
{
    return c && c->attr && (c->attr->flags & COL_ATTR_MEMO);
}

/* The highest value of a numeric column of a table, into *out (0 when
** the table is empty). 0, or the failure's code. */
int merge_highest(void *connection, const sql_col_rec *key, const char *table, double *out)
{
    *out = 0;
    sql_col_rec *probe = sql_col_new(key->name, table, key->sql_type, key->length, key->decimals);
    if (!probe) return ERR_NO_MEMORY;
    int rc = sql_select_max(connection, &probe, key->name, table);
    if (rc == 0 && probe->text[0]) *out = std::atof(probe->text);
    sql_col_list_free(&probe);
    return rc;
}

/* Starts the numbering of a master table (its offset raised already) for
** the slave table s: rows without a number of their own follow the
** slave's highest. 0, or the code of the failure to read the highest. */
int merge_numbers_start(merge_numbers &n, const tbl_rec *t, const tbl_rec *s)
{
    double highest = 0;
    const sql_col_rec *key = s->keys[TBL_KEY_BASENUMBER];
    int rc = key ? merge_highest(g_merge_slave->connection, key, s->name, &highest) : -2;
    n.offset = t->last_number;
    n.next = n.offset + (highest > 0 ? (long)std::floor(highest) : 0) + 1;
    return rc;
}

/* The new number of the next slave row, whose number reads as text
** (trimmed). */
long merge_number(merge_numbers &n, const char *text)
{
    char *end = nullptr;
    double v = std::strtod(text, &end);
    bool whole = end != text && !*end && v == std::floor(v) && std::fabs(v) < 1e15;
    if (whole && v > 0 && n.taken.insert((long)v).second) return n.offset + (long)v;
    if (!whole || v <= 0) n.given.emplace(text, n.next);
    return n.next++;
}

/* The numbering of a master table for the map half: the database half's,
** else one read from the slave's numbers in row order. Null when the
** table was not merged in this command, or when the slave's numbers
** cannot be read (said once: its links then stay). */
const merge_numbers *merge_numbers_of(tbl_rec *t)
{
    auto it = s_numbers.find(t->name);
    if (it != s_numbers.end()) return it->second.failed ? nullptr : &it->second;
    merge_numbers &n = s_numbers[t->name];
    n.offset = n.next = t->last_number;
    const tbl_rec *s = tbl_find_by_name(g_merge_slave->tables, t->name, nullptr);
    const sql_col_rec *key = s ? s->keys[TBL_KEY_BASENUMBER] : nullptr;
    if (!key) return &n;
    merge_numbers_start(n, t, s);
    std::string select = std::string("SELECT ") + key->name + " FROM " + s->name;
    void *stmt = nullptr, *cursor = nullptr;
    sql_col_rec *row = nullptr;
    int rows = sql_query(g_merge_slave->connection, select.c_str(), &stmt, &cursor, &row, 0);
    int rc = rows < 0 ? rows : RTNORM;
    for (long k = 0; row && rc == RTNORM && k < rows; ++k) {
        if ((rc = sql_fetch_counted(cursor, row, k)) != RTNORM) break;
        merge_number(n, str_trim(row->text));
    }
    sql_close_query(&stmt, &cursor, &row);
    if (rc != RTNORM) {
        n.failed = true;
        msg_alert(ERR_TITLE, "Table %s of project %s cannot be read, its links stay: %s", s->name,
                  g_merge_slave->name, sql_failure_text(rc));
        return nullptr;
    }
    return &n;
}

/* The new number of a link's row, or -1 when the slave table does not
** hold the row. A row numbered by the slave keeps offset + its number; a
** row without a number of its own (its links hold row 0) is found in the
** slave by the link's column and value. */
long merge_link_number(const merge_numbers &n, const link_rec &l)
{
    auto took = [&n](long number) {
        auto it = n.moved.find(number);
        return it == n.moved.end() ? number : it->second;
    };
    if (l.row_id > 0) return n.taken.count(l.row_id) ? took(n.offset + l.row_id) : -1;
    const tbl_rec *s = tbl_find_by_name(g_merge_slave->tables, l.table, nullptr);
    const sql_col_rec *key = s ? s->keys[TBL_KEY_BASENUMBER] : nullptr;
    const sql_col_rec *c = s ? tbl_column_find(s->columns, l.key_column, nullptr, nullptr) : nullptr;
    if (!key || !c) return -1;
    std::string value;
    if (c->sql_type == SQL_TYPE_CHAR) sql_quote(l.key_value, value);
    else value = l.key_value;
    void *stmt = nullptr, *cursor = nullptr;
    sql_col_rec *row = nullptr;
    long number = -1;
    if (sql_select_where(g_merge_slave->connection, s->name, c->name, value.c_str(), nullptr, &stmt, &cursor,
                         &row) > 0) {
        sql_col_rec *u = sql_col_find(row, key->name, nullptr, nullptr);
        auto it = u ? n.given.find(str_trim(u->text)) : n.given.end();
        if (it != n.given.end()) number = took(it->second);
    }
    sql_close_query(&stmt, &cursor, &row);
    return number;
}

/* Takes back the last listing of a number whose row did not go in, another
** writer having stored it first: "-<number>" in the mark. 0, or -1 with
** errno. */
int merge_mark_strike(merge_mark &m, long number)
{
    auto it = std::find(m.numbers.rbegin(), m.numbers.rend(), number);
    if (it != m.numbers.rend()) {
        size_t at = (size_t)(std::next(it).base() - m.numbers.begin());
        m.numbers.erase(m.numbers.begin() + (long)at);
        m.digests.erase(m.digests.begin() + (long)at);
    }
    return mark_append(m.file, "-" + std::to_string(number) + "\n");
}

/* The digest of a row's values as the table holds them: each text read
** through the table's own column of its name (probe), so that "5" written
** into a column of two decimals and the "5.00" read back from it are one.
** Sixteen hex digits of the 64-bit FNV-1a hash of the texts, each ended
** by a NUL. */
std::string merge_digest(sql_col_rec *probe, const std::vector<std::string> &columns,
                         const std::vector<const char *> &texts)
{
    uint64_t h = 0xcbf29ce484222325ull;
    for (size_t i = 0; i < columns.size() && i < texts.size(); i++) {
        sql_col_rec *c = sql_col_find(probe, columns[i].c_str(), nullptr, nullptr);
        std::string held = c ? sql_held_text(c, texts[i]) : std::string(1, '\x01');
        held += '\0';
        for (unsigned char ch : held) h = (h ^ ch) * 0x100000001b3ull;
    }
    char out[17];
    std::snprintf(out, sizeof out, "%016llx", (unsigned long long)h);
    return out;
}

/* The table's columns described into m.probe once. 0, or -1. */
int merge_probe(merge_mark &m)
{
    if (m.probe) return 0;
    sql_col_rec *row = nullptr;
    if (!m.connection || sql_describe_table(m.connection, m.table.c_str(), &row, 0) <= 0) {
        sql_col_list_free(&row);
        return -1;
    }
    m.probe = std::shared_ptr<sql_col_rec>(row, [](sql_col_rec *r) { sql_col_list_free(&r); });
    return 0;
}

/* Records the number the next row is inserted under and the digest of the
** values it goes in with, in the mark on disk first; the columns the
** digest is over are listed before it ("C" and their names) when they are
** not those listed last. 0, or -1 with errno. */
int merge_mark_number(merge_mark &m, long number, const sql_col_rec *row)
{
    if (merge_probe(m) != 0) {
        errno = EIO;
        return -1;
    }
    std::vector<std::string> columns;
    std::vector<const char *> texts;
    for (const sql_col_rec *c = row; c; c = c->next)
        if (sql_col_find(m.probe.get(), c->name, nullptr, nullptr)) {
            columns.emplace_back(c->name);
            texts.push_back(c->text ? c->text : "");
        }
    std::string text;
    if (columns != m.columns) {
        text = "C";
        for (size_t i = 0; i < columns.size(); i++) text += (i ? "," : " ") + columns[i];
        text += "\n";
        m.columns = columns;
    }
    std::string digest = merge_digest(m.probe.get(), columns, texts);
    m.numbers.push_back(number);
    m.digests.push_back(digest);
    return mark_append(m.file, text + std::to_string(number) + " " + digest + "\n");
}

}  // namespace

/* Writes the mark of a table about to receive rows; see merge.h. */
int merge_mark_begin(merge_mark &m, const pjct_rec *p, const tbl_rec *t, long offset, int own, const char *command)
{
    m.connection = p ? p->connection : nullptr;
    m.table = t->name;
    char body[3 * SQL_COL_NAME_SIZE];
    std::snprintf(body, sizeof body, "%s %s %ld\n", t->name, t->keys[TBL_KEY_BASENUMBER]->name, offset);
    /* A writer's own mark: a name no mark of the project holds yet. */
    std::string name = own ? mark_unique_name(p, t->name, k_mark_ext) : t->name + std::string(k_mark_ext);
    return mark_begin_of(m.file, p, name, body, command);
}

/* The note of a writer keeping a mark; see merge.h. */
int merge_note_number(void *context, long number, int taken, const sql_col_rec *row)
{
    merge_mark &m = *(merge_mark *)context;
    if ((taken ? merge_mark_strike(m, number) : merge_mark_number(m, number, row)) == 0) return 0;
    m.failed = errno ? errno : EIO;
    return -1;
}

namespace {

/* Runs one statement; 5100 or the failure's code. */
int merge_run(void *connection, const std::string &text)
{
    void *stmt = nullptr, *cursor = nullptr;
    int rc = sql_execute(connection, &stmt, &cursor, text.c_str(), 0);
    sql_free_handles(&stmt, &cursor);
    return rc;
}

/* The memo side table of a table into memo, when the connection holds one. */
bool merge_memo_of(void *connection, const char *table, std::string &memo)
{
    if (memo_table_name(table, memo) != 0) return false;
    sql_col_rec *probe = nullptr;
    bool there = sql_describe_table(connection, memo.c_str(), &probe, 0) > 0;
    sql_col_list_free(&probe);
    return there;
}

/* A condition on a run of numbers of a column: " WHERE c >= a AND c <= b". */
std::string merge_run_of(const std::string &column, long low, long high)
{
    return " WHERE " + column + " >= " + std::to_string(low) + " AND " + column + " <= " + std::to_string(high);
}

/* Reads the rows of the numbers low to high of a table (its unique-number
** column key) and sorts each listed number into ours (every row under it
** holds the digest its writer listed, over every column it gave, and
** nothing in any other column) or kept (another's, or changed since); a
** number without a row is ours. 5100 or the failure's code. */
int merge_sort_run(const merge_mark &m, const char *key, const std::map<long, const std::string *> &listed, long low,
                   long high, std::set<long> &kept)
{
    std::string select = std::string("SELECT ") + key;
    for (const std::string &c : m.columns) select += ", " + c;
    for (const sql_col_rec *c = m.probe.get(); c; c = c->next)
        if (!str_eq_nocase(c->name, key) && std::none_of(m.columns.begin(), m.columns.end(), [c](const std::string &l) {
                return str_eq_nocase(l.c_str(), c->name);
            }))
            select += std::string(", ") + c->name;
    select += " FROM " + m.table + merge_run_of(key, low, high);
    void *stmt = nullptr, *cursor = nullptr;
    sql_col_rec *row = nullptr;
    int n = sql_query(m.connection, select.c_str(), &stmt, &cursor, &row, 0);
    int rc = n < 0 ? n : RTNORM;
    for (long k = 0; rc == RTNORM && k < n; k++) {
        if ((rc = sql_fetch_counted(cursor, row, k)) != RTNORM) break;
        std::vector<const char *> texts;
        bool other = false; /* a column the writer did not give holds a value */
        for (sql_col_rec *c = row->next; c; c = c->next)
            if (texts.size() < m.columns.size())
                texts.push_back(c->text ? c->text : "");
            else
                other = other || (c->text && str_nonblank(c->text) == RTNORM);
        auto it = listed.find(std::atol(row->text));
        if (it != listed.end() && (other || merge_digest(m.probe.get(), m.columns, texts) != *it->second))
            kept.insert(it->first);
    }
    sql_close_query(&stmt, &cursor, &row);
    return rc;
}

}  // namespace

/* Takes back the rows a mark lists; see merge.h. */
int merge_take_back(const merge_mark &m_in, const tbl_rec *t, std::vector<long> &kept)
{
    merge_mark m = m_in;
    const char *key = t->keys[TBL_KEY_BASENUMBER]->name;
    if (m.numbers.empty()) return RTNORM;
    if (merge_probe(m) != 0) return sql_last_failure()->code ? sql_last_failure()->code : RTERROR;
    /* The last listing of each number is the one its row went in with. */
    std::map<long, const std::string *> listed;
    for (size_t i = 0; i < m.numbers.size(); i++) listed[m.numbers[i]] = &m.digests[i];
    std::string memo;
    bool has_memo = merge_memo_of(m.connection, m.table.c_str(), memo);
    std::set<long> others;
    std::vector<long> numbers;
    for (auto &l : listed) numbers.push_back(l.first);
    /* A run of consecutive numbers is read in one statement, and the rows
    ** of each run of its numbers that are the writer's go in one, their
    ** memo lines after them. */
    for (size_t a = 0, b; a < numbers.size(); a = b) {
        for (b = a + 1; b < numbers.size() && numbers[b] == numbers[b - 1] + 1;) b++;
        int rc = merge_sort_run(m, key, listed, numbers[a], numbers[b - 1], others);
        if (rc != RTNORM) return rc;
        for (size_t x = a, y; x < b; x = y) {
            if (others.count(numbers[x])) {
                y = x + 1;
                continue;
            }
            for (y = x + 1; y < b && !others.count(numbers[y]);) y++;
            std::string run = merge_run_of(key, numbers[x], numbers[y - 1]);
            rc = merge_run(m.connection, "DELETE FROM " + m.table + run);
            if (rc == RTNORM && has_memo)
                rc = merge_run(m.connection, "DELETE FROM " + memo + merge_run_of(MEMO_COL_BASENUMBER, numbers[x],
                                                                                 numbers[y - 1]));
            if (rc != RTNORM) return rc;
        }
    }
    kept.assign(others.begin(), others.end());
    return RTNORM;
}

namespace {

/* "STATN row 56, STATN row 57" for the first rows kept, and how many more. */
std::string merge_kept_list(const char *table, const std::vector<long> &kept)
{
    constexpr size_t named = 10;
    std::string out;
    for (size_t i = 0; i < kept.size() && i < named; ++i)
        out += (i ? ", " : "") + std::string(table) + " row " + std::to_string(kept[i]);
    if (kept.size() > named) out += " and " + std::to_string(kept.size() - named) + " more";
    return out;
}

/* Makes the master's memo side table when it has none, as the memo editor
** does. 0, or the failure's code. */
int merge_memo_table(void *connection, const char *name)
{
    sql_col_rec *probe = nullptr;
    int n = sql_describe_table(connection, name, &probe, 0);
    sql_col_list_free(&probe);
    return n > 0 ? 0 : memo_create_table(connection, name);
}

/* The driver's text of the last failure. */
std::string merge_reason(void)
{
    const char *text = sql_last_failure()->text;
    return *text ? text : err_text(ERR_SQL_NO_CONDITION);
}

/* Merges one master table's twin of the slave; appends to the report
** when the table was merged whole. False when the table was refused (said
** here). */
bool merge_table(ads_hdlg dlg, tbl_rec *t, const tbl_rec *s, std::string &report)
{
    char text[k_message_size];
    int rc = merge_check_keys(t, s, g_merge_slave->name, text, sizeof text);
    if (rc == -1) {
        msg_alert(ERR_TITLE, "%s", text);
        return false;
    }
    if (rc != 0) {
        err_report(rc, t->name);
        return false;
    }
    /* Columns are matched by name; a number goes into a number column of
    ** either kind (a dBASE N(11,0) into a server's INTEGER), a text into a
    ** text column; a column of the other kind is not merged and named. */
    std::string list, unconverted;
    const sql_col_rec *key = t->keys[TBL_KEY_BASENUMBER];
    for (const sql_col_rec *c = t->columns; c; c = c->next) {
        const sql_col_rec *sc = tbl_column_find(s->columns, c->name, nullptr, nullptr);
        if (!sc) continue;
        if ((sc->value_type == SQL_HOST_STRING) == (c->value_type == SQL_HOST_STRING))
            list += (list.empty() ? " " : ",") + std::string(c->name);
        else if (c == key) {
            msg_alert(ERR_TITLE, "Table %s was not merged: its unique number %s is a text in one project and a "
                      "number in the other.", t->name, c->name);
            return false;
        } else
            unconverted += (unconverted.empty() ? "" : ", ") + std::string(c->name);
    }
    if (list.empty()) {
        msg_alert(ERR_TITLE, "No matching columns in table %s", t->name);
        return false;
    }
    std::string select = "SELECT" + list + " FROM " + t->name;
    void *stmt = nullptr, *cursor = nullptr;
    sql_col_rec *row = nullptr;
    int n = sql_query(g_merge_slave->connection, select.c_str(), &stmt, &cursor, &row, 1);
    if (n < 0) return false;
    sql_col_rec *u = key ? sql_col_find(row, key->name, nullptr, nullptr) : nullptr;
    if (!u) {
        sql_close_query(&stmt, &cursor, &row);
        msg_alert(ERR_TITLE, "Table %s was not merged: project %s has no column %s in it.", t->name,
                  g_merge_slave->name, key ? key->name : "for its unique number");
        return false;
    }
    merge_numbers &numbers = s_numbers[t->name];
    numbers = merge_numbers();
    merge_mark mark;
    std::string failure;   /* why the table is not merged, "" while it is */
    /* Without the slave's highest number, rows without one of their own
    ** could take the numbers of others. */
    int highest_read = merge_numbers_start(numbers, t, s);
    if (n > 0 && highest_read != 0)
        failure = "its highest number in project " + std::string(g_merge_slave->name) +
                  " cannot be read: " + merge_reason();
    const std::string left = std::string("the mark %s of a merge cut short is there; log on to project ") +
                             g_merge_master->name + " again";
    if (n > 0 && highest_read == 0)   /* a merge running, or one cut short, keeps its mark */
        failure = mark_in_the_way(g_merge_master, t->name + std::string(k_mark_ext), std::string("table ") + t->name,
                                  "pv-merge", left);
    /* Two merges of one table at once: the second is held here by a test. */
    if (n > 0 && failure.empty()) pv_hold_at("merge-mark");
    if (n > 0 && failure.empty() && merge_mark_begin(mark, g_merge_master, t, numbers.offset, 0, "pv-merge") != 0) {
        /* Another merge of the table took the mark between the look and
        ** the write: said as that, never in the system's words of the
        ** clash; a mark it left cut short meanwhile as such. */
        int e = errno;
        if (e == EEXIST || e == EBUSY || e == EAGAIN || e == ENOENT) {
            mark_file now;
            std::string body;
            int got = mark_take_of(now, g_merge_master, t->name + std::string(k_mark_ext), body);
            mark_end(now, true);
            failure = got == MARK_FOUND || got == MARK_DAMAGED ? left : std::string("another merge of table ") +
                                                                            t->name + " is running";
            if (got == MARK_FOUND || got == MARK_DAMAGED) failure.replace(failure.find("%s"), 2, now.path);
        } else
            failure = "its mark in project " + std::string(g_merge_master->name) +
                      " cannot be written: " + mark_failure_text(g_merge_master, e);
    }
    bool started = n > 0 && failure.empty();   /* marked, indexes dropped */
    long rows = 0, largest = 0;
    if (started) {
        show(dlg, std::string("DeIndexing ") + t->name + "...  ");
        tbl_drop_indexes(t);
    }
    std::string memo_table;
    memo_table_name(t->name, memo_table);
    bool memo_ready = false;
    for (long k = 0; k < n && failure.empty(); ++k) {
        if (int got = sql_fetch_counted(cursor, row, k); got != RTNORM) {
            failure = "its rows in project " + std::string(g_merge_slave->name) + " cannot be read: " +
                      sql_failure_text(got);
            break;
        }
        char progress[k_message_size];
        std::snprintf(progress, sizeof progress, "Merging %s... %ld", s->name, rows);
        show(dlg, progress);
        str_trim(u->text);
        std::string old_text = u->text;
        long old_number = std::atol(old_text.c_str());
        long new_number = merge_number(numbers, old_text.c_str());
        std::snprintf(u->text, (size_t)sql_col_text_size(u), "%ld", new_number);
        sql_text_to_value(u, u->text);
        bool memo = false;
        for (sql_col_rec *c = row; c; c = c->next) {
            if (c == u) continue;
            str_trim(c->text);
            const sql_col_rec *m = tbl_column_find(t->columns, c->name, nullptr, nullptr);
            if (m && (int)std::strlen(c->text) > m->length) c->text[m->length] = '\0';
            const sql_col_rec *sc = tbl_column_find(s->columns, c->name, nullptr, nullptr);
            if (is_memo(m) && is_memo(sc)) memo = true;
            if (c->sql_type == SQL_TYPE_CHAR) {
                /* Quotes and accented letters stay (the access layer doubles
                ** quotes); only control bytes become blanks. */
                for (char *p = c->text; *p; ++p)
                    if ((unsigned char)*p < 32 || (unsigned char)*p == 127) *p = ' ';
            }
            sql_text_to_value(c, c->text);
        }
        std::string row_name = "row " + (old_text.empty() ? std::string("without a number") : old_text) +
                               " of project " + g_merge_slave->name;
        /* Under the rule of every writer of new rows: a number another
        ** writer stored meanwhile gives the row the next free one. */
        const row_number_note note = {merge_note_number, &mark};
        int ins = row_insert_new(g_merge_master->connection, row, t->name, &note);
        if (mark.failed) {
            failure = "its mark in project " + std::string(g_merge_master->name) +
                      " cannot be written: " + std::strerror(mark.failed);
            break;
        }
        if (ins != RTNORM) {
            failure = row_name + " cannot be inserted: " + merge_reason();
            break;
        }
        long took = std::atol(u->text);
        if (took != new_number) numbers.moved[new_number] = took;
        new_number = took;
        if (new_number > largest) largest = new_number;
        char *whole = nullptr;
        int got = memo && old_number > 0 && !memo_table.empty()
                      ? memo_get_text(s->name, old_number, g_merge_slave->connection, &whole, 0)
                      : -1;
        if (got != 0 && got != -1)
            failure = "the memo of " + row_name + " cannot be read: " + merge_reason();
        if (got == 0 && str_nonblank(whole) == RTNORM) {
            if (!memo_ready && merge_memo_table(g_merge_master->connection, memo_table.c_str()) != 0)
                failure = "the memo table " + memo_table + " cannot be made: " + merge_reason();
            else if (memo_insert_text(memo_table.c_str(), whole + std::strspn(whole, " "), new_number,
                                      g_merge_master->connection) != 0)
                failure = "a memo line of " + row_name + " cannot be inserted: " + merge_reason();
            memo_ready = true;
        }
        std::free(whole);
        ++rows;
    }
    sql_close_query(&stmt, &cursor, &row);
    show(dlg, "");
    if (!failure.empty()) {
        numbers.failed = true;
        /* Removed by the numbers handed out: a row whose insert was cut
        ** short may be in the table unanswered; a row another writer
        ** stored under a number it offered stays. */
        std::vector<long> kept;
        if (started && merge_take_back(mark, t, kept) != RTNORM) {
            auto [low, high] = std::minmax_element(mark.numbers.begin(), mark.numbers.end());
            std::snprintf(text, sizeof text, "The rows merged so far, numbered %ld to %ld, cannot be removed: %s",
                          *low, *high, merge_reason().c_str());
            mark_end(mark.file, true);
            msg_alert(ERR_TITLE, "Table %s was not merged: %s\n%s%s%s", t->name, failure.c_str(), text,
                      mark.file.path.empty() ? "" : "\nThey are removed at the next logon of project ",
                      mark.file.path.empty() ? "" : g_merge_master->name);
            return false;
        }
        if (started) tbl_create_indexes(t);
        mark_end(mark.file, false);
        if (!kept.empty())
            msg_alert(ERR_TITLE, "Table %s was not merged: %s\nThe rows it merged were removed; these rows are "
                      "another writer's or were changed since and stay: %s.", t->name, failure.c_str(),
                      merge_kept_list(t->name, kept).c_str());
        else
            msg_alert(ERR_TITLE, "Table %s was not merged: %s\nThe table is as it was before.", t->name,
                      failure.c_str());
        return false;
    }
    if (n > 0) {
        show(dlg, std::string("Indexing ") + t->name + "...  ");
        tbl_create_indexes(t);
        if (largest > 0) t->last_number = (int32_t)largest + 1;
        show(dlg, "");
    }
    mark_end(mark.file, false);
    if (rows) report += std::string("\n     ") + s->name;
    if (rows && !unconverted.empty()) report += " (not converted, left empty: " + unconverted + ")";
    return true;
}

}  // namespace

int merge_check_keys(const tbl_rec *t, const tbl_rec *s, const char *slave_project, char *text, int size)
{
    if (!t || !s || !slave_project || !text || size < 1) return -2;
    text[0] = '\0';
    const sql_col_rec *tk = t->keys[TBL_KEY_BASENUMBER];
    const sql_col_rec *sk = s->keys[TBL_KEY_BASENUMBER];
    const char *tk_name = tk ? tk->name : "BASENUMBER";
    if (!tk || !sk || !str_eq_nocase(tk->name, sk->name)) {
        std::snprintf(text, (size_t)size, "Missing unique number %s.%s in project %s", s->name, tk_name, slave_project);
        return -1;
    }
    if (t->table_type == TBL_DEF_DICTION || s->table_type == TBL_DEF_DICTION) {
        std::snprintf(text, (size_t)size, "Cannot merge Dictionary tables %s and %s", t->name, s->name);
        return -1;
    }
    for (const merge_levels &l : k_levels) {
        if (l.type != t->table_type) continue;
        for (const merge_level *lv : l.level) {
            if (!lv) break;
            const sql_col_rec *tc = t->keys[lv->slot];
            if (!tc && lv->slot != TBL_KEY_STATION) continue;
            const sql_col_rec *sc = s->keys[lv->slot];
            if (!tc || !sc || !str_eq_nocase(tc->name, sc->name)) {
                std::snprintf(text, (size_t)size, lv->text, s->name, tc ? tc->name : "STATION", slave_project);
                return -1;
            }
        }
    }
    return 0;
}

int merge_raise_last_number(pjct_rec *master, tbl_rec *t)
{
    if (!master || !t || !t->keys[TBL_KEY_BASENUMBER]) return -2;
    double highest = 0;
    int rc = merge_highest(master->connection, t->keys[TBL_KEY_BASENUMBER], t->name, &highest);
    if (highest > t->last_number) t->last_number = (int32_t)highest;
    return rc;
}

namespace {

/* What a merge mark says, checked against the project; why is "" when it
** may be obeyed. */
struct merge_mark_says {
    tbl_rec *table = nullptr;        /* the table merged into */
    std::vector<merge_mark> parts;   /* the numbers listed and their digests, one part per list of columns */
    std::string why;                 /* why the mark is not used */
    bool own = false;                /* the mark of one row added with its memo lines */
};

/* Reads the mark of file name stem found in project p's folder: its first
** line names the table, its unique-number column and the offset; then a
** line "C" and the names of the columns the digests below are over, a
** number above the offset with the digest of its row's values, or "-" and
** a number listed before, whose row did not go in (another writer held
** it). */
merge_mark_says merge_read_mark(pjct_rec *p, const std::string &stem, const std::string &body)
{
    merge_mark_says m;
    std::vector<std::string> lines = mark_lines(body);
    char table[SQL_COL_NAME_SIZE] = "", key[SQL_COL_NAME_SIZE] = "", end = 0;
    long offset = -1;
    if (lines.empty() || std::sscanf(lines[0].c_str(), "%20s %20s %ld %c", table, key, &offset, &end) != 3 ||
        offset < 0) {
        m.why = body.empty() ? "it is empty" : "it is cut short or not a merge mark";
        return m;
    }
    m.table = tbl_find_by_name(p->tables, table, nullptr);
    const sql_col_rec *unique = m.table ? m.table->keys[TBL_KEY_BASENUMBER] : nullptr;
    /* A row's own mark follows its table's name with "-" and digits. */
    size_t n = std::strlen(table);
    m.own = stem.size() > n + 1 && stem[n] == k_mark_own[0] &&
            stem.find_first_not_of("0123456789-", n) == std::string::npos;
    if (!str_eq_nocase(table, (m.own ? stem.substr(0, n) : stem).c_str()))
        m.why = std::string("it names table ") + table + ", not its own";
    else if (!m.table)
        m.why = std::string(table) + " is not a registered table of project " + p->name;
    else if (!unique || !str_eq_nocase(unique->name, key))
        m.why = std::string(key) + " is not the unique number of table " + m.table->name;
    for (size_t i = 1; m.why.empty() && i < lines.size(); i++) {
        const std::string &l = lines[i];
        std::string bad = "its line \"" + l + "\" is not ";
        if (l.size() > 2 && l.compare(0, 2, "C ") == 0) {
            merge_mark part;
            part.connection = p->connection;
            part.table = m.table->name;
            for (size_t at = 2, comma; at <= l.size(); at = comma + 1) {
                comma = l.find(',', at);
                if (comma == std::string::npos) comma = l.size();
                part.columns.push_back(l.substr(at, comma - at));
                const std::string &c = part.columns.back();
                if (!sql_is_ident(c.c_str()) || !tbl_column_find(m.table->columns, c.c_str(), nullptr, nullptr))
                    m.why = c + " is not a column of table " + m.table->name;
            }
            m.parts.push_back(part);
            continue;
        }
        bool strike = l.size() > 1 && l[0] == '-';
        char *stop = nullptr;
        long number = std::strtol(l.c_str() + (strike ? 1 : 0), &stop, 10);
        std::string digest = !strike && *stop == ' ' ? stop + 1 : "";
        bool shaped = stop != l.c_str() + (strike ? 1 : 0) && number > offset &&
                      (strike ? !*stop : digest.size() == 16 && digest.find_first_not_of("0123456789abcdef") ==
                                                                    std::string::npos);
        if (!shaped || (!strike && m.parts.empty())) {
            m.why = bad + (strike ? "a number above " + std::to_string(offset)
                                  : "a number above " + std::to_string(offset) + " and a digest of its row" +
                                        (m.parts.empty() ? " after its columns" : ""));
            break;
        }
        if (!strike) {
            m.parts.back().numbers.push_back(number);
            m.parts.back().digests.push_back(digest);
            continue;
        }
        /* The last listing of the number, in whichever part it is. */
        bool found = false;
        for (auto part = m.parts.rbegin(); !found && part != m.parts.rend(); ++part) {
            auto it = std::find(part->numbers.rbegin(), part->numbers.rend(), number);
            if (it == part->numbers.rend()) continue;
            size_t at = (size_t)(std::next(it).base() - part->numbers.begin());
            part->numbers.erase(part->numbers.begin() + (long)at);
            part->digests.erase(part->digests.begin() + (long)at);
            found = true;
        }
        if (!found) m.why = bad + "a number it listed";
    }
    return m;
}

}  // namespace

int merge_recover(pjct_rec *p)
{
    if (!p) return 0;
    int rc = 0;
    for (const std::string &path : mark_names_of(p, k_mark_ext)) {
        /* A mark cut short while it was written (no row was merged yet)
        ** goes; one another session holds belongs to a writer still
        ** running, which is said. */
        mark_file held;
        std::string body;
        int got = mark_take_of(held, p, path, body);
        std::string stem = std::filesystem::path(path).stem().string();
        if (got == MARK_BUSY) {
            size_t dash = stem.find('-');
            bool own = dash != std::string::npos;
            mark_busy_note(held, ("Table " + stem.substr(0, dash)).c_str(),
                           own ? "a writer of rows with memo lines" : "pv-merge");
            continue;
        }
        if (got != MARK_FOUND && got != MARK_DAMAGED) continue;
        merge_mark_says m;
        if (got == MARK_DAMAGED) m.why = body;
        else m = merge_read_mark(p, stem, body);
        /* Its writer may delete the rows it lists and their memo lines. */
        std::string memo;
        if (m.why.empty()) m.why = mark_writer_refusal(held, m.table->name, "DELETE");
        if (m.why.empty() && memo_table_name(m.table->name, memo) == 0)
            m.why = mark_writer_refusal(held, memo, "DELETE");
        std::vector<long> kept;
        int removed = RTNORM;
        bool done = false;   /* put back: the mark goes */
        size_t listed = 0;
        for (const merge_mark &part : m.parts) listed += part.numbers.size();
        for (size_t k = 0; m.why.empty() && removed == RTNORM && k < m.parts.size(); k++) {
            std::vector<long> more;
            removed = merge_take_back(m.parts[k], m.table, more);
            kept.insert(kept.end(), more.begin(), more.end());
        }
        std::sort(kept.begin(), kept.end());
        std::string stayed = kept.empty() ? ""
                                          : "; these rows are another writer's or were changed since, and stay: " +
                                                merge_kept_list(m.table->name, kept);
        if (!m.why.empty()) {
            std::string named = held.path;
            std::string aside = mark_aside_text(
                held, "row", "table " + stem.substr(0, stem.find('-')) + " for rows of a merge cut short");
            msg_alert(ERR_TITLE, "The merge mark %s was not used: %s. %s", named.c_str(), m.why.c_str(), aside.c_str());
            rc = -1;
        } else if (removed != RTNORM) {
            if (m.own)
                msg_alert(ERR_TITLE, "A row added to table %s with its memo was cut short, and it cannot be "
                          "removed: %s", m.table->name, merge_reason().c_str());
            else
                msg_alert(ERR_TITLE, "The merge into table %s was cut short, and the rows it had merged cannot be "
                          "removed: %s", m.table->name, merge_reason().c_str());
            rc = -1;
        } else if (m.own) {
            /* Neither the row nor its lines stay: it was never added whole.
            ** A run cut short between two rows listed none. */
            done = true;
            if (listed > kept.size())
                msg_alert(ERR_TITLE, "A row added to table %s with its memo was cut "
                          "short; it was removed%s.", m.table->name, stayed.c_str());
            else if (!kept.empty())
                msg_alert(ERR_TITLE, "A row added to table %s with its memo was cut short before it went in%s.",
                          m.table->name, stayed.c_str());
        } else {
            tbl_create_indexes(m.table);
            done = true;
            msg_alert(ERR_TITLE, "The merge into table %s was cut short; the rows it "
                      "had merged were removed%s.", m.table->name, stayed.c_str());
        }
        if (!kept.empty()) rc = -1;
        mark_end(held, !done);
    }
    return rc;
}

int merge_database(ads_hdlg dlg)
{
    if (!g_merge_dbf || !g_merge_master || !g_merge_slave) return -2;
    if (!g_merge_master->tables || !g_merge_slave->tables) return -1;
    for (tbl_rec *t = g_merge_master->tables; t; t = t->next) merge_raise_last_number(g_merge_master, t);
    std::string report;
    bool refused = false;
    for (tbl_rec *t = g_merge_master->tables; t; t = t->next) {
        const tbl_rec *s = tbl_find_by_name(g_merge_slave->tables, t->name, nullptr);
        if (s && !merge_table(dlg, t, s, report)) refused = true;
    }
    /* After a table refused, an empty list would say nothing merged as if
    ** all went well. */
    if (!report.empty() || !refused) msg_alert(k_report_title, "%s", report.c_str());
    return 0;
}

int merge_entity(const ads_name ename)
{
    struct resbuf *list = link_entget(ename);
    if (!list) return -9802;
    link_rec l;
    int rc = link_xdata_parse(&l, list);
    tbl_rec *t = nullptr;
    if (rc == 0) {
        pjct_rec *p = pjct_find(l.project, nullptr);
        t = tbl_find_by_name(g_merge_master->tables, l.table, nullptr);
        if (p != g_merge_slave || !t) rc = -1;
    }
    const merge_numbers *numbers = rc == 0 ? merge_numbers_of(t) : nullptr;
    long number = numbers ? merge_link_number(*numbers, l) : -1;
    if (rc == 0 && !numbers) rc = -1;
    else if (rc == 0 && number < 1) rc = MERGE_ROW_NOT_HELD;
    if (rc == 0) {
        l.row_id = (int32_t)number;
        std::snprintf(l.project, sizeof l.project, "%s", g_merge_master->name);
        rc = (link_xdata_put(&l, list) == 0 && ads_entmod(list) == RTNORM) ? 0 : -1;
        if (rc == 0) link_ase_create(&l, ename);
    }
    ads_relrb(list);
    return rc;
}

int merge_maps(void)
{
    if (!g_merge_map || !g_merge_master || !g_merge_slave) return -2;
    /* Without the database half the offsets are the raised last numbers. */
    if (s_numbers.empty())
        for (tbl_rec *t = g_merge_master->tables; t; t = t->next) merge_raise_last_number(g_merge_master, t);
    ads_name ss;
    if (ads_ssget(nullptr, nullptr, nullptr, nullptr, ss) != RTNORM) return -1;
    ads_printf("\n");
    long count = 0, merged = 0, not_held = 0;
    ads_sslength(ss, &count);
    for (long i = 0; i < count; ++i) {
        ads_printf("\rMerging... %ld", merged);
        ads_name e;
        if (ads_ssname(ss, i, e) != RTNORM) break;
        int rc = merge_entity(e);
        if (rc == 0) ++merged;
        else if (rc == MERGE_ROW_NOT_HELD) ++not_held;
    }
    ads_printf("\rMerging...  %ld\n", merged);
    ads_ssfree(ss);
    if (not_held)
        msg_alert("PETRIVEX", "Merged... %ld entities\n%ld entities left as they were: their rows are not in "
                  "project %s", merged, not_held, g_merge_slave->name);
    else
        msg_alert("PETRIVEX", "Merged... %ld entities", merged);
    return 0;
}

void pv_merge_accept_cb(ads_callback_packet *cpkt)
{
    if (!cb_acts(cpkt)) return;
    ads_hdlg dlg = cpkt->dialog;
    int m = tile_get_int(dlg, "mrg_master"), s = tile_get_int(dlg, "mrg_slave");
    g_merge_master = m >= 0 ? pjct_nth(m) : nullptr;
    g_merge_slave = s >= 0 ? pjct_nth(s) : nullptr;
    g_merge_map = tile_get_int(dlg, "mrg_map") > 0;
    g_merge_dbf = tile_get_int(dlg, "mrg_dbf") > 0;
    const char *error = nullptr;
    if (!g_merge_master) error = "ERROR:  No master project chosen";
    else if (!g_merge_slave) error = "ERROR:  No slave project chosen";
    else if (g_merge_master == g_merge_slave) error = "ERROR:  Same master and slave projects";
    else if (!g_merge_map && !g_merge_dbf) error = "ERROR:  Choose map or database for merging";
    if (error) {
        ads_set_tile(dlg, "error", error);
        return;
    }
    if (g_merge_dbf) {
        if (msg_yes_no("Merge database now ? (Note: merge maps first)") != RTNORM) return;
        merge_database(dlg);
    }
    ads_done_dialog(dlg, DLGOK);
}

void pv_merge_cancel_cb(ads_callback_packet *cpkt)
{
    if (!cb_acts(cpkt)) return;
    merge_reset();
    ads_done_dialog(cpkt->dialog, DLGCANCEL);
}

int pv_merge(struct resbuf *)
{
    merge_reset();
    ads_hdlg dlg = nullptr;
    if (ads_new_dialog("pv_merge", g_dcl_id, nullptr, &dlg) != RTNORM || !dlg) {
        err_report(ERR_LOAD_DIALOG, "pv_merge");
        return RTNORM;
    }
    std::vector<const char *> names;
    for (pjct_rec *p = g_pjct_list; p; p = p->next) names.push_back(p->name);
    dlg_fill_list(dlg, "mrg_master", names.data(), (int)names.size());
    dlg_fill_list(dlg, "mrg_slave", names.data(), (int)names.size());
    ads_set_tile(dlg, "mrg_master", "");
    ads_set_tile(dlg, "mrg_slave", "");
    ads_set_tile(dlg, "mrg_map", "1");
    ads_set_tile(dlg, "mrg_dbf", "0");
    static const dlg_tile k_tiles[] = {{"accept", pv_merge_accept_cb}, {"cancel", pv_merge_cancel_cb}};
    dlg_register(dlg, k_tiles, 2, nullptr);
    int status = DLGCANCEL;
    ads_start_dialog(dlg, &status);
    if (status == DLGOK && g_merge_map) merge_maps();
    merge_reset();
    return RTNORM;
}
