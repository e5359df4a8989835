/*
** link_clean.cpp: the pv_clean command, which repairs the links of the
** selected entities after rows were renumbered or duplicated, and its two
** row searches, also used by the link dialog.
**
** For each linked entity the row is looked up by the link's row id (the
** rows of a thousand entities ahead fetched in one statement a table,
** forgotten when a row of the table is renumbered); when
** several rows share that number, the row whose own key value is the
** link's gets the table's next number, it and the entities of its key
** value in the selection alike:
**     UPDATE STATION SET BASENUMBER = 13 WHERE BASENUMBER = 12 AND STATION = 'ST1'
** When no row has the id any more, the row is looked up by the key value
** and the entity relinked to that row's number. The key value alone names
** a row only in a table that keeps one row a station (or a value); in a
** table of several rows a station the entity must show the row's value,
** and an entity whose row is gone there loses its link (the entity stays)
** rather than be handed to another measurement of the station.
*/
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>
#include <array>
#include <cstdint>
#include <set>
#include <utility>

#include "core/err_text.h"
#include "core/msg_box.h"
#include "core/pjct.h"
#include "core/pjct_list.h"
#include "core/sql_access.h"
#include "core/str_util.h"
#include "core/tbl.h"
#include "draw/draw_util.h"
#include "draw/link_ase.h"
#include "draw/link_rows.h"
#include "map/link_cmd.h"

namespace {

/* Title of the closing alert. */
const char k_clean_title[] = "PETRIVEX";
/* Room of a row number written with "%ld". */
constexpr int CLEAN_NUMBER_SIZE = 24;

/* Compares two texts trimmed and without regard to case. */
bool clean_same_text(const char *a, const char *b)
{
    std::string x = a ? a : "", y = b ? b : "";
    str_trim(x.data());
    str_trim(y.data());
    return str_eq_nocase(x.c_str(), y.c_str());
}

/* The value an entity shows: group 1 of a TEXT, ATTDEF or ATTRIB, group
** 2 of a SHAPE or INSERT; null for other types or a missing group. */
const char *clean_shown_value(const struct resbuf *list)
{
    struct resbuf *l = const_cast<struct resbuf *>(list);
    struct resbuf *g0 = list ? rb_find(l, 0) : nullptr;
    if (!g0 || !g0->resval.rstring) return nullptr;
    int type = ent_type_of_name(g0->resval.rstring);
    int code = 0;
    if (type == ENT_TYPE_TEXT || type == ENT_TYPE_ATTDEF || type == ENT_TYPE_ATTRIB) code = 1;
    else if (type == ENT_TYPE_SHAPE || type == ENT_TYPE_INSERT) code = 2;
    struct resbuf *g = code ? rb_find(l, code) : nullptr;
    return g ? g->resval.rstring : nullptr;
}

/* Whether the value an entity shows is the row's value of the link's
** column: 0; -9806 when the entity shows none or the row lacks the column;
** -9808 when they differ (trimmed, any case). */
int clean_shows_row_value(const struct resbuf *list, const link_rec *link, sql_col_rec *row)
{
    sql_col_rec *key = sql_col_find(row, link->key_column, nullptr, nullptr);
    const char *shown = clean_shown_value(list);
    if (!shown || !key) return LINK_ERR_COLUMN;
    return clean_same_text(shown, key->text) ? 0 : LINK_ERR_KEY_VALUE;
}

/* Whether some station holds two rows of a STATION table:
**     SELECT STN FROM STRUC GROUP BY STN HAVING COUNT(*) > 1
** 1 when one does, 0 when none does (or the table has no station column);
** the failure's code when the table cannot be read. */
long clean_station_repeats(pjct_rec *p, const tbl_rec *t)
{
    const sql_col_rec *station = t->keys[TBL_KEY_STATION];
    if (!station || !sql_is_ident(station->name) || !sql_is_ident(t->name)) return 0;
    std::string text = std::string("SELECT ") + station->name + " FROM " + t->name + " GROUP BY " + station->name +
                       " HAVING COUNT(*) > 1";
    void *stmt = nullptr, *cursor = nullptr;
    sql_col_rec *found = nullptr;
    long n = sql_query(p->connection, text.c_str(), &stmt, &cursor, &found, 0);
    sql_close_query(&stmt, &cursor, &found);
    return n > 0 ? 1 : n;
}

/* Whether the key value alone names a row of the link's table. A table
** keyed by a column of its own (a UNIT, a LEGEND ...) or by BASENUMBER
** keeps one row a value, a STATION table one row a station unless it
** holds a station twice (structures and samples are registered as STATION
** tables too); the other tables keyed by STATION (samples, analyses ...)
** hold several rows a station, where the one row left may be another
** measurement. 1 when it does, 0 when not; the failure's code when the
** table cannot be read to tell. */
long clean_key_names_row(const link_rec *link)
{
    pjct_rec *p = nullptr;
    tbl_rec *t = nullptr;
    if (link_find_table(link, &p, &t) != 0) return 0;
    if (link_own_key_slot(t->table_type) != TBL_KEY_STATION) return 1;
    if (t->table_type != TBL_DEF_STATION) return 0;
    long repeats = clean_station_repeats(p, t);
    return repeats < 0 ? repeats : !repeats;
}

/* Takes the link off an entity whose row is gone: its extended data and
** its host links. 0, or -1 when the entity cannot be modified. */
int clean_unlink(struct resbuf *list, const ads_name ename)
{
    if (link_xdata_remove(list) != 0 || ads_entmod(list) != RTNORM) return -1;
    link_ase_erase(ename);
    return 0;
}

/* Entities of the current pv-clean left without their rows. */
long s_lost = 0;
/* The rows the walk of pv_clean fetched ahead; null outside it. */
link_rows_rec *s_clean_rows = nullptr;
/* The read that stopped the current pv-clean, 0 while none, and the link
** whose row it could not read. */
int s_clean_failed = 0;
link_rec s_clean_link;

/* 1 when a look-up's code is a read that failed (link_read_failed); the
** first such failure is kept with its link for the closing message. */
bool clean_read_failed(int rc, const link_rec *link)
{
    if (!link_read_failed(rc)) return false;
    if (!s_clean_failed) {
        s_clean_failed = rc;
        link_copy(&s_clean_link, link);
    }
    return true;
}

/* Runs a query on the link's table for one condition value and keeps the
** first row that matches in the mode; see clean_fetch_by_row_id. */
int clean_fetch(const struct resbuf *list, const link_rec *link, const char *column, const char *value, int mode,
                void **cursor, void **stmt, sql_col_rec **row, long *count)
{
    pjct_rec *p = nullptr;
    tbl_rec *t = nullptr;
    link_find_table(link, &p, &t);
    int n = sql_select_where(p->connection, t->name, column, value, nullptr, stmt, cursor, row);
    if (n < 0) {
        sql_close_query(stmt, cursor, row);
        return n;
    }
    int more = 1;
    for (int k = 0; k < n; ++k) {
        if (k > 0 && (more = link_fetch_next(*cursor, *row)) <= 0) break;
        if (clean_row_matches(list, link, *row, mode, n) == 0) {
            if (count) *count = n;
            return 0;
        }
    }
    sql_close_query(stmt, cursor, row);
    /* A read that failed part way is no row that is not there. */
    return more < 0 ? more : LINK_ERR_ROW;
}

/* Checks the arguments of a fetch and closes a query still held; 0, -2,
** or the link's validation code. */
int clean_fetch_begin(const link_rec *link, void **cursor, void **stmt, sql_col_rec **row)
{
    if (!link || !cursor || !stmt || !row) return -2;
    if (*cursor || *stmt || *row) sql_close_query(stmt, cursor, row);
    return link_validate(link);
}

/* The condition that names one row by its number and its own key value:
** " WHERE BASENUMBER = 12 AND STATION = 'ST1'". 0; -2 for names that are
** not plain; the code of sql_col_literal. */
int clean_row_condition(const char *id_name, long number, const sql_col_rec *own, std::string &out)
{
    if (!sql_is_ident(id_name) || !sql_is_ident(own->name)) return -2;
    char id[CLEAN_NUMBER_SIZE];
    std::snprintf(id, sizeof id, "%ld", number);
    out = std::string(" WHERE ") + id_name + " = " + id + " AND " + own->name + " = ";
    return sql_col_literal(own, out);
}

/* How many rows of the table the condition of the row fits; negative on
** failure. */
long clean_rows_fitting(pjct_rec *p, const tbl_rec *t, sql_col_rec *row)
{
    sql_col_rec *id = sql_col_find(row, link_id_column_name(t), nullptr, nullptr);
    sql_col_rec *own = tbl_key_column(t, row);
    if (!id || !own || !id->text || !sql_is_ident(t->name)) return -1;
    std::string cond;
    if (clean_row_condition(id->name, atol(id->text), own, cond) < 0) return -1;
    std::string text = std::string("SELECT * FROM ") + t->name + cond;
    void *stmt = nullptr, *cursor = nullptr;
    sql_col_rec *found = nullptr;
    long n = sql_query(p->connection, text.c_str(), &stmt, &cursor, &found, 0);
    sql_close_query(&stmt, &cursor, &found);
    return n;
}

/* Renumbers the row itself: "UPDATE t SET BASENUMBER = new WHERE
** BASENUMBER = old AND own = value". 5100 or the failure's code. */
int clean_update_row(pjct_rec *p, const tbl_rec *t, sql_col_rec *row, long number)
{
    sql_col_rec *id = sql_col_find(row, link_id_column_name(t), nullptr, nullptr);
    sql_col_rec *own = tbl_key_column(t, row);
    if (!id || !own || !id->text || !sql_is_ident(t->name) || !sql_is_ident(id->name)) return -2;
    std::string cond;
    int rc = clean_row_condition(id->name, atol(id->text), own, cond);
    if (rc < 0) return rc;
    char value[CLEAN_NUMBER_SIZE];
    std::snprintf(value, sizeof value, "%ld", number);
    std::string text = std::string("UPDATE ") + t->name + " SET " + id->name + " = " + value + cond;
    void *stmt = nullptr, *cursor = nullptr;
    rc = sql_execute(p->connection, &stmt, &cursor, text.c_str(), 0);
    sql_free_handles(&stmt, &cursor);
    return rc;
}

/* Renumbers the entities of a duplicated row number that the selection
** holds with the link's key value, and removes them from the selection.
** The row itself is renumbered with the first of them (*row_done set);
** when its number and key value do not name it alone, nothing is
** renumbered. 0; -1 when the entities of the row cannot be selected
** around the entity; the failure's code, kept for the closing message
** and nothing renumbered, when the table cannot be read to tell the rows
** or its highest number. */
int clean_renumber_group(const struct resbuf *list, const link_rec *link, sql_col_rec *row, long count,
                         ads_name ss, int *row_done)
{
    ads_name group = {0, 0};
    pjct_rec *p = nullptr;
    tbl_rec *t = nullptr;
    if (link_ss_same_row(list, LINK_SAME_ROW, group) <= 0) return -1;
    link_find_table(link, &p, &t);
    bool renumber = count > 1;
    if (renumber) {
        /* A number guessed past rows that cannot be read may be one the
        ** table holds already. */
        long fitting = clean_rows_fitting(p, t, row);
        long last = fitting == 1 ? tbl_last_row_number(t, p->connection) : 0;
        long failed = fitting < 0 ? fitting : last;
        if (failed < 0 && clean_read_failed((int)failed, link)) {
            ss_free(group);
            return (int)failed;
        }
        if (fitting != 1) renumber = false;
        else t->last_number = (int32_t)last + 1;
    }
    long n = 0;
    ads_sslength(group, &n);
    for (long i = 0; i < n; ++i) {
        ads_name e;
        link_rec own;
        if (ads_ssname(group, i, e) != RTNORM || ads_ssmemb(e, ss) != RTNORM) continue;
        if (link_xdata_get(&own, e) != 0 || !clean_same_text(own.key_value, link->key_value)) continue;
        if (!renumber || clean_renumber(e, &own, row, count, row_done) == 0) ads_ssdel(e, ss);
    }
    ss_free(group);
    return 0;
}

}  // namespace

long tbl_last_row_number(tbl_rec *table, void *connection)
{
    if (!table) return 0;
    const char *id = link_id_column_name(table);
    if (!connection || !sql_is_ident(id) || !sql_is_ident(table->name)) return table->last_number;
    std::string text = std::string("SELECT MAX(") + id + ") FROM " + table->name;
    void *stmt = nullptr, *cursor = nullptr;
    sql_col_rec *row = nullptr;
    long n = sql_query(connection, text.c_str(), &stmt, &cursor, &row, 0);
    if (n > 0 && row && row->text && sql_is_number(row->text)) {
        long most = atol(row->text);
        if (most > table->last_number) table->last_number = (int32_t)most;
    }
    sql_close_query(&stmt, &cursor, &row);
    return n < 0 ? n : table->last_number;
}

int link_key_literal(const sql_col_rec *column, const char *value, std::string &out)
{
    if (!column || !value) return -2;
    /* The key value reaches the statement only quoted, or as a number. */
    std::string text = value;
    str_trim(text.data());
    text.resize(std::strlen(text.c_str()));
    out.clear();
    if (column->sql_type == SQL_TYPE_CHAR) sql_quote(text.c_str(), out);
    else if (sql_is_number(text.c_str())) out = text;
    else return -1;
    return 0;
}

sql_col_rec *tbl_key_column(const tbl_rec *table, sql_col_rec *columns)
{
    if (!table || !columns) return nullptr;
    int slot = link_own_key_slot(table->table_type);
    if (slot < 0) return nullptr;
    const char *name = table->keys[slot] ? table->keys[slot]->name : link_own_key_name(table->table_type);
    return sql_col_find(columns, name, nullptr, nullptr);
}

int clean_row_matches(const struct resbuf *list, const link_rec *link, sql_col_rec *row, int mode, long count)
{
    if ((mode != CLEAN_BY_ROW_ID && mode != CLEAN_BY_KEY) || link_incomplete(link) || !row || count <= 0) return -2;
    tbl_rec *t = nullptr;
    int rc = link_find_table(link, nullptr, &t);
    if (rc) return rc;
    if (str_nonblank(row->table) == RTNORM && !str_eq_nocase(row->table, link->table)) return LINK_ERR_TABLE;
    sql_col_rec *key = sql_col_find(row, link->key_column, nullptr, nullptr);
    sql_col_rec *id = sql_col_find(row, link_id_column_name(t), nullptr, nullptr);
    if (!key || !id) return LINK_ERR_COLUMN;
    if (mode == CLEAN_BY_ROW_ID && atol(id->text ? id->text : "") != link->row_id) return LINK_ERR_ROW_ID;
    sql_col_rec *own = tbl_key_column(t, row);
    if (!own) return LINK_ERR_COLUMN;
    if (mode == CLEAN_BY_ROW_ID && count == 1) return 0;
    if (!clean_same_text(link->key_value, own->text)) return LINK_ERR_KEY_VALUE;
    if (mode == CLEAN_BY_ROW_ID) return 0;
    if (str_eq_nocase(link->key_column, link_id_column_name(t)) || count == 1) return 0;
    return clean_shows_row_value(list, link, row);
}

int clean_fetch_by_row_id(const struct resbuf *list, const link_rec *link, void **cursor, void **stmt,
                          sql_col_rec **row, long *count)
{
    int rc = clean_fetch_begin(link, cursor, stmt, row);
    if (rc) return rc;
    tbl_rec *t = nullptr;
    link_find_table(link, nullptr, &t);
    char id[CLEAN_NUMBER_SIZE];
    std::snprintf(id, sizeof id, "%ld", (long)link->row_id);
    return clean_fetch(list, link, link_id_column_name(t), id, CLEAN_BY_ROW_ID, cursor, stmt, row, count);
}

int clean_fetch_by_key(const struct resbuf *list, const link_rec *link, void **cursor, void **stmt,
                       sql_col_rec **row, long *count)
{
    int rc = clean_fetch_begin(link, cursor, stmt, row);
    if (rc) return rc;
    tbl_rec *t = nullptr;
    link_find_table(link, nullptr, &t);
    sql_col_rec *own = tbl_key_column(t, t->columns);
    if (!own) return -1;
    std::string literal;
    if (link_key_literal(own, link->key_value, literal) != 0) return LINK_ERR_ROW;
    return clean_fetch(list, link, own->name, literal.c_str(), CLEAN_BY_KEY, cursor, stmt, row, count);
}

int clean_renumber(const ads_name ename, link_rec *link, sql_col_rec *row, long count, int *row_done)
{
    if (count == 1) return 0;
    if (ename_isnull(ename) || !link || !row || !row_done) return -1;
    pjct_rec *p = nullptr;
    tbl_rec *t = nullptr;
    if (link_find_table(link, &p, &t) || t->last_number < 0) return -1;
    struct resbuf *list = link_entget(ename);
    if (!list) return -1;
    link_rec next;
    link_copy(&next, link);
    next.row_id = t->last_number;
    int rc = -1;
    if (link_xdata_put(&next, list) == 0 && link_ase_create(&next, ename) == RTNORM &&
        (*row_done || clean_update_row(p, t, row, t->last_number) == RTNORM)) {
        *row_done = 1;
        if (ads_entmod(list) == RTNORM) {
            link_copy(link, &next);
            rc = 0;
        }
    }
    ads_relrb(list);
    return rc;
}

int clean_relink(struct resbuf *list, link_rec *link, sql_col_rec *row)
{
    if (!list || !link || !row) return -1;
    tbl_rec *t = nullptr;
    if (link_find_table(link, nullptr, &t)) return -1;
    sql_col_rec *id = sql_col_find(row, link_id_column_name(t), nullptr, nullptr);
    if (!id || !id->text) return -1;
    link_rec next;
    link_copy(&next, link);
    next.row_id = (int32_t)atol(id->text);
    if (link_entity_write(list, &next) != 0) return -1;
    link_copy(link, &next);
    return 0;
}

int clean_entity(const ads_name ename, ads_name ss)
{
    if (ename_isnull(ename) || !ss) return -2;
    struct resbuf *list = link_entget(ename);
    if (!list) return -1;
    link_rec link;
    if (link_xdata_parse(&link, list) != 0) {
        ads_relrb(list);
        return -1;
    }
    link_rows_rec *own = s_clean_rows ? nullptr : link_rows_new();
    link_rows_rec *rows = s_clean_rows ? s_clean_rows : own;
    if (!rows) {
        ads_relrb(list);
        return -1;
    }
    /* The row found: one of the rows fetched by row id (owned by rows), or
    ** the current row of the query by key value. */
    sql_col_rec *row = nullptr, *by_key_row = nullptr;
    void *cursor = nullptr, *stmt = nullptr;
    long count = 0;
    int rc = 0;
    int by_id = link_rows_find(rows, &link, &row, &count, [&](sql_col_rec *r, long n) {
        return clean_row_matches(list, &link, r, CLEAN_BY_ROW_ID, n) == 0;
    });
    int by_key = by_id == 0 || clean_read_failed(by_id, &link)
                     ? 0
                     : clean_fetch_by_key(list, &link, &cursor, &stmt, &by_key_row, &count);
    /* A row that cannot be read stops the walk: no entity is changed on a
    ** guess. */
    if (s_clean_failed || clean_read_failed(by_key, &link)) {
        sql_close_query(&stmt, &cursor, &by_key_row);
        link_rows_free(&own);
        ads_relrb(list);
        return SS_WALK_STOP;
    }
    if (by_id != 0) row = by_key_row;
    /* Where a station holds several rows, a row found by the key value is
    ** the entity's own only when it shows that row's value; without it
    ** the entity has lost its row. */
    long names = by_id == LINK_ERR_ROW && (by_key == 0 || by_key == LINK_ERR_ROW) ? clean_key_names_row(&link) : 1;
    if (names < 0 && clean_read_failed((int)names, &link)) {
        sql_close_query(&stmt, &cursor, &by_key_row);
        link_rows_free(&own);
        ads_relrb(list);
        return SS_WALK_STOP;
    }
    bool several = names == 0;
    if (several && by_key == 0 && clean_shows_row_value(list, &link, row) != 0) {
        sql_close_query(&stmt, &cursor, &by_key_row);
        by_key = LINK_ERR_ROW;
    }
    if (by_id == 0) {
        int row_done = 0;
        rc = clean_renumber_group(list, &link, row, count, ss, &row_done);
        /* The rows fetched of the table no longer tell its numbers. */
        if (row_done) link_rows_forget(rows, link.project, link.table);
        if (s_clean_failed) rc = SS_WALK_STOP;
    } else if (by_key == 0) {
        clean_relink(list, &link, row);
    } else if (several && by_key == LINK_ERR_ROW) {
        if (clean_unlink(list, ename) == 0) ++s_lost;
    } else {
        /* Found by neither search: the entity has lost its row. */
        ++s_lost;
    }
    if (rc == 0) ads_ssdel(ename, ss);
    sql_close_query(&stmt, &cursor, &by_key_row);
    link_rows_free(&own);
    ads_relrb(list);
    return rc;
}

long ss_walk_rows(ads_name ss, const char *progress, ss_walk_fn handle, link_rows_rec *rows)
{
    /* The entities whose links the last batch gathered. */
    std::set<std::pair<long, long>> gathered;
    return ss_walk(ss, progress, handle, [&](ads_name set, long at) {
        ads_name e;
        if (!rows || ads_ssname(set, at, e) != RTNORM || gathered.count({e[0], e[1]})) return;
        gathered.clear();
        std::vector<link_rec> links;
        const size_t batch = (size_t)link_rows_per_request();
        for (long i = at; links.size() < batch && ads_ssname(set, i, e) == RTNORM; ++i) {
            gathered.insert({e[0], e[1]});
            link_rec link;
            if (link_xdata_get(&link, e) == 0) links.push_back(link);
        }
        link_rows_fetch(rows, links.data(), (int)links.size());
    });
}

int pv_clean(struct resbuf *)
{
    ads_name ss = {0, 0};
    if (ads_ssget(nullptr, nullptr, nullptr, nullptr, ss) != RTNORM) return RTNORM;
    long n = 0;
    if (ads_sslength(ss, &n) != RTNORM || n == 0) {
        ss_free(ss);
        return RTNORM;
    }
    s_clean_rows = link_rows_new();
    if (!s_clean_rows) {
        ss_free(ss);
        err_report(ERR_NO_MEMORY, nullptr);
        return RTNORM;
    }
    ads_printf("\n");
    s_lost = 0;
    s_clean_failed = 0;
    long cleaned = ss_walk_rows(ss, "Cleaning...", clean_entity, s_clean_rows) - s_lost;
    link_rows_free(&s_clean_rows);
    ads_printf("\rCleaning...  %ld\n", cleaned);
    ss_free(ss);
    /* A failed read is said once, in place of counts it would make wrong. */
    if (s_clean_failed) {
        link_read_report(&s_clean_link, s_clean_failed);
        return RTNORM;
    }
    msg_alert(k_clean_title, "Cleaned... %ld entities\n%ld entities lost their rows", cleaned, s_lost);
    return RTNORM;
}
