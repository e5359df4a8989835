/*
** link_rows.cpp: the rows of a batch of linked entities (see link_rows.h).
**
** A fetch groups the links by project and table and runs, per table, one
** SELECT * ... WHERE <BASENUMBER column> IN (...) for each run of at most
** link_rows_per_request() ids. Each row is kept as the texts and null
** indicators the fetch left in the statement's row list, under its
** BASENUMBER in the order the result gave them; the row list itself is kept
** as the shape a chosen row is loaded back into, so callers handle it as
** the row of their own look-up. The own look-up and the batch try their
** rows through one loop, first_fitting.
*/
#include "draw/link_rows.h"

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>
#include <string>
#include <unordered_map>
#include <vector>

#include "core/err_text.h"
#include "core/msg_box.h"
#include "core/pjct.h"
#include "core/sql_access.h"
#include "core/str_util.h"
#include "core/tbl.h"

namespace {

/* The ids one statement takes (link_rows_set_per_request). */
int s_per_request = LINK_ROWS_PER_REQUEST;

/* The fetched rows of one table. */
struct held_table {
    std::string project;                    /* the project's name */
    std::string table;                      /* the registered table's name */
    sql_col_rec *shape = nullptr;           /* the statement's row list; owned */
    int columns = 0;                        /* columns of the shape */
    std::vector<std::string> texts;         /* each row's column texts, row after row */
    std::vector<uint16_t> nulls;            /* their null indicators, likewise */
    std::unordered_map<long, std::vector<int>> by_id; /* rows of each BASENUMBER, in result order */

    held_table() = default;
    held_table(const held_table &) = delete;
    held_table &operator=(const held_table &) = delete;
    ~held_table() { sql_col_list_free(&shape); }
};

/* Tries the rows next() moves the row list to, beginning with the one it
** holds (next() answers 1 on a row, 0 past the last, or the code of a read
** that failed): 1 at the first for which fits holds (fits empty:
** link_check_row), 0 when next() finds no more, or next()'s failure. */
int first_fitting(const link_rec *link, sql_col_rec *row, long count, const link_rows_fits &fits,
                  const std::function<int()> &next)
{
    int more = 1;
    do {
        if (fits ? fits(row, count) : link_check_row(link, row) == 0) return 1;
    } while ((more = next()) > 0);
    return more;
}

/* Keeps the row the list holds under its BASENUMBER. */
void hold_row(held_table &h, const sql_col_rec *row, const sql_col_rec *id)
{
    h.by_id[atol(id->text ? id->text : "")].push_back((int)(h.nulls.size() / (size_t)h.columns));
    for (const sql_col_rec *c = row; c; c = c->next) {
        h.texts.emplace_back(c->text ? c->text : "");
        h.nulls.push_back(c->null_ind);
    }
}

/* Loads the k-th held row back into the shape: its texts, the values made
** from them, and its null indicators. */
void load_row(held_table &h, int k)
{
    size_t at = (size_t)k * (size_t)h.columns;
    sql_col_rec *c = h.shape;
    for (size_t i = at; c && i < at + (size_t)h.columns; ++i, c = c->next) {
        if (!c->text) continue;
        size_t room = (size_t)sql_col_text_size(c);
        size_t n = std::min(h.texts[i].size(), room - 1);
        memcpy(c->text, h.texts[i].data(), n);
        c->text[n] = 0;
    }
    sql_row_from_text(h.shape);
    c = h.shape;
    for (size_t i = at; c && i < at + (size_t)h.columns; ++i, c = c->next) c->null_ind = h.nulls[i];
}

/* Runs the statement of one run of ids and keeps its rows. 0, or the SQL
** layer's code (-2 when the result lacks the BASENUMBER column). */
int fetch_run(held_table &h, pjct_rec *p, tbl_rec *t, const long *ids, int n)
{
    void *stmt = nullptr, *cursor = nullptr;
    sql_col_rec *row = nullptr;
    const char *id_name = link_id_column_name(t);
    int got = sql_select_in(p->connection, t->name, id_name, ids, n, nullptr, &stmt, &cursor, &row);
    if (got < 0) {
        sql_close_query(&stmt, &cursor, &row);
        return got;
    }
    sql_col_rec *id = sql_col_find(row, id_name, nullptr, nullptr);
    if (!id) {
        sql_close_query(&stmt, &cursor, &row);
        return -2;
    }
    int columns = 0;
    for (sql_col_rec *c = row; c; c = c->next) ++columns;
    if (!h.shape) h.columns = columns;
    int more = 1;
    if (got > 0 && columns == h.columns) {
        do hold_row(h, row, id);
        while ((more = link_fetch_next(cursor, row)) > 0);
    }
    sql_free_handles(&stmt, &cursor);
    /* A read that failed part way is no end of the rows. */
    if (more < 0) {
        sql_col_list_free(&row);
        return more;
    }
    /* Every id asked for has its entry, rows or none: an id without one was
    ** not asked for and is looked up on its own. */
    for (int i = 0; columns == h.columns && i < n; ++i) h.by_id.try_emplace(ids[i]);
    if (columns != h.columns) {
        sql_col_list_free(&row);
        return -2;   /* the table changed between two runs */
    }
    if (!h.shape) h.shape = row;
    else sql_col_list_free(&row);
    return 0;
}

}  // namespace

/* The batch: the fetched tables and the own look-up answered last. */
struct link_rows_rec {
    std::vector<std::unique_ptr<held_table>> tables; /* fetched tables */
    void *stmt = nullptr;                            /* own look-up's statement */
    void *cursor = nullptr;                          /* its cursor */
    sql_col_rec *row = nullptr;                      /* its row */
};

namespace {

/* Closes the own look-up answered last. */
void close_own(link_rows_rec *rows)
{
    sql_close_query(&rows->stmt, &rows->cursor, &rows->row);
}

/* The fetched table of that project and table name; null when none. */
held_table *held_of(link_rows_rec *rows, const char *project, const char *table)
{
    for (auto &h : rows->tables)
        if (str_eq_nocase(h->project.c_str(), project) && str_eq_nocase(h->table.c_str(), table)) return h.get();
    return nullptr;
}

}  // namespace

int link_fetch_next(void *cursor, sql_col_rec *row)
{
    int rc = sql_fetch(cursor, row, SQL_FETCH_NEXT, SQL_FROM_CURRENT, 0);
    if (rc == RTNORM) return 1;
    int failed = rc == RTERROR ? sql_fetch_failed(cursor) : rc;
    return failed < 0 ? failed : 0;
}

int link_read_failed(int code)
{
    return code < -2 && code != RTERROR && !(code <= LINK_ERR_NOTHING_PICKED && code >= LINK_ERR_GEOMETRY);
}

int link_read_report(const link_rec *link, int code)
{
    return link_table_read_report(link ? link->project : "", link ? link->table : "", code);
}

int link_table_read_report(const char *project, const char *table, int code)
{
    if (sql_driver_lost(code)) err_report(code, nullptr);
    else msg_alert(ERR_TITLE, "Table %s of project %s cannot be read: %s", table ? table : "", project ? project : "",
                   sql_failure_text(code));
    return code;
}

int link_rows_per_request(void)
{
    return s_per_request;
}

void link_rows_set_per_request(int n)
{
    s_per_request = n <= 0 ? LINK_ROWS_PER_REQUEST : std::min(n, LINK_ROWS_PER_REQUEST);
}

int link_row_fetch_fits(const link_rec *link, void **cursor, void **stmt, sql_col_rec **row, long *count,
                        const link_rows_fits &fits)
{
    if (!cursor || !stmt || !row) return -2;
    int rc = link_validate(link);
    if (rc) return rc;
    pjct_rec *p = nullptr;
    tbl_rec *t = nullptr;
    link_find_table(link, &p, &t);
    char id[24];
    snprintf(id, sizeof id, "%ld", (long)link->row_id);
    int n = sql_select_where(p->connection, t->name, link_id_column_name(t), id, nullptr, stmt, cursor, row);
    if (n < 0) {
        sql_close_query(stmt, cursor, row);
        return n;
    }
    if (count) *count = n;
    auto next = [&] { return link_fetch_next(*cursor, *row); };
    int found = n > 0 ? first_fitting(link, *row, n, fits, next) : 0;
    if (found > 0) return 0;
    sql_close_query(stmt, cursor, row);
    return found < 0 ? found : LINK_ERR_ROW;
}

link_rows_rec *link_rows_new(void)
{
    return new (std::nothrow) link_rows_rec;
}

void link_rows_free(link_rows_rec **rows)
{
    if (!rows || !*rows) return;
    close_own(*rows);
    delete *rows;
    *rows = nullptr;
}

int link_rows_fetch(link_rows_rec *rows, const link_rec *links, int n)
{
    if (!rows) return -2;
    close_own(rows);
    rows->tables.clear();
    int per = link_rows_per_request();
    if (per <= 1 || !links) return 0;
    /* The ids of each table, in the order its links come. */
    struct wanted {
        pjct_rec *project;
        tbl_rec *table;
        std::vector<long> ids;
    };
    std::vector<wanted> want;
    for (int i = 0; i < n; ++i) {
        pjct_rec *p = nullptr;
        tbl_rec *t = nullptr;
        if (link_validate(&links[i]) || link_find_table(&links[i], &p, &t)) continue;
        auto w = std::find_if(want.begin(), want.end(), [&](const wanted &x) { return x.table == t; });
        if (w == want.end()) w = want.insert(want.end(), wanted{p, t, {}});
        w->ids.push_back(links[i].row_id);
    }
    int rc = 0;
    for (wanted &w : want) {
        std::sort(w.ids.begin(), w.ids.end());
        w.ids.erase(std::unique(w.ids.begin(), w.ids.end()), w.ids.end());
        auto h = std::make_unique<held_table>();
        h->project = w.project->name;
        h->table = w.table->name;
        int r = 0;
        for (size_t at = 0; r == 0 && at < w.ids.size(); at += (size_t)per)
            r = fetch_run(*h, w.project, w.table, w.ids.data() + at, (int)std::min(w.ids.size() - at, (size_t)per));
        if (r == 0) rows->tables.push_back(std::move(h));
        else if (rc == 0) rc = r;
    }
    return rc;
}

int link_rows_find(link_rows_rec *rows, const link_rec *link, sql_col_rec **row, long *count,
                   const link_rows_fits &fits)
{
    if (!rows || !row) return -2;
    *row = nullptr;
    close_own(rows);
    int rc = link_validate(link);
    if (rc) return rc;
    held_table *h = held_of(rows, link->project, link->table);
    auto found = h ? h->by_id.find(link->row_id) : decltype(h->by_id)::iterator{};
    if (!h || found == h->by_id.end()) {
        rc = link_row_fetch_fits(link, &rows->cursor, &rows->stmt, &rows->row, count, fits);
        if (rc == 0) *row = rows->row;
        return rc;
    }
    long n = (long)found->second.size();
    if (count) *count = n;
    if (n == 0) return LINK_ERR_ROW;
    long k = 0;
    load_row(*h, found->second[0]);
    auto next = [&] {
        if (++k >= n) return 0;
        load_row(*h, found->second[(size_t)k]);
        return 1;
    };
    if (first_fitting(link, h->shape, n, fits, next) <= 0) return LINK_ERR_ROW;
    *row = h->shape;
    return 0;
}

void link_rows_forget(link_rows_rec *rows, const char *project, const char *table)
{
    if (!rows || !project || !table) return;
    auto &t = rows->tables;
    t.erase(std::remove_if(t.begin(), t.end(),
                           [&](const std::unique_ptr<held_table> &h) {
                               return str_eq_nocase(h->project.c_str(), project) &&
                                      str_eq_nocase(h->table.c_str(), table);
                           }),
            t.end());
}
