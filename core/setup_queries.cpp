/*
** setup_queries.cpp: the loader and savers of the stored queries
** (core/qry.h): PVQUERY holds their condition rows, PVQOUT their output
** columns and PVQPOINT the points of their spatial conditions; the layouts
** are in setup_tables.h.
**
** Loading comes after PVPOINT, so that the registered tables, their
** columns' input rules and the point setups exist. Every row carries its
** query's name and its position, so the rows of one query may come in any
** order. A query naming a table or column that is not registered any more
** (or an operator it does not know) is left out with a warning; its rows
** are kept as read and written back by every save, unless a query of the
** same name was made since.
*/
#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "core/err_text.h"
#include "core/geo_util.h"
#include "core/qry.h"
#include "core/qry_join.h"
#include "core/setup_store.h"
#include "core/sql_access.h"
#include "core/str_util.h"
#include "platform/include/ads_host.h"

/* Numbers are written with 17 significant digits: they read back exactly. */
#define QRYROW_DOUBLE_FORMAT "%.17g"
/* Characters of the VALUE column; a longer value goes on in VALUEMORE. */
#define QRYROW_VALUE_WIDTH 254
/* The warning for a query left out at logon. */
#define QRYROW_LEFT_OUT "\nQuery %s of project %s is left out: %s. Its setup is kept as stored.\n"

/* Column indexes of PVQUERY, PVQOUT and PVQPOINT (layouts in
** setup_tables.cpp). */
enum { QROW_NAME, QROW_KIND, QROW_POS, QROW_CONN, QROW_OP, QROW_OPEN, QROW_CLOSE, QROW_TABLE, QROW_COLUMN,
       QROW_VALUE, QROW_NPOINTS, QROW_VALUEMORE, QROW_COUNT };
enum { QOUT_NAME, QOUT_POS, QOUT_TABLE, QOUT_COLUMN, QOUT_FLAGS, QOUT_COUNT };
enum { QPT_NAME, QPT_KIND, QPT_COND, QPT_POS, QPT_X, QPT_Y, QPT_Z, QPT_W, QPT_COUNT };

/* Values of LISTKIND. */
enum { QRYROW_KIND_SQL = 0, QRYROW_KIND_FILTER = 1 };

/* The rows of one query as read. */
struct qryrow_group {
    std::string name;                                  /* the query's name as read */
    std::vector<std::vector<std::string>> conds;       /* its PVQUERY rows */
    std::vector<std::vector<std::string>> outs;        /* its PVQOUT rows */
    std::vector<std::vector<std::string>> points;      /* its PVQPOINT rows */
};

/* The rows of a query left out at a project's logon, written back by
** every save of that project. */
struct qryrow_kept {
    std::string project;   /* project name */
    qryrow_group rows;     /* the query's rows as read */
};
static std::vector<qryrow_kept> s_kept;

/* The trimmed text of a row's column. */
static std::string qryrow_text(const std::vector<std::string> &row, int i)
{
    std::string t = setup_row_text(row, i);
    t.resize(strlen(str_trim(t.data())));
    return t;
}

/* A whole number of a row's column; fallback when blank or not a number. */
static long qryrow_whole(const std::vector<std::string> &row, int i, long fallback)
{
    const char *t = setup_row_text(row, i);
    if (!sql_is_number(t)) return fallback;
    double v = strtod(t, nullptr);
    return v >= INT32_MIN && v <= INT32_MAX ? (long)v : fallback;
}

/* A number of a row's column; 0 when blank or not a number. */
static double qryrow_number(const std::vector<std::string> &row, int i)
{
    const char *t = setup_row_text(row, i);
    return sql_is_number(t) ? strtod(t, nullptr) : 0.0;
}

/* A number as text, 17 significant digits. */
static std::string qryrow_double(double v)
{
    char buf[SQL_NUMBER_TEXT_SIZE];
    snprintf(buf, sizeof buf, QRYROW_DOUBLE_FORMAT, v);
    return buf;
}

/* The key a query's rows are grouped under: its trimmed name upper-cased. */
static std::string qryrow_key(const std::string &name)
{
    std::string k = name;
    for (char &ch : k) ch = (char)toupper((unsigned char)ch);
    return k;
}

/* Sorts rows by a position column. */
static void qryrow_sort(std::vector<std::vector<std::string>> &rows, int kind_col, int pos_col)
{
    std::stable_sort(rows.begin(), rows.end(), [&](const auto &a, const auto &b) {
        long ka = kind_col < 0 ? 0 : qryrow_whole(a, kind_col, 0), kb = kind_col < 0 ? 0 : qryrow_whole(b, kind_col, 0);
        if (ka != kb) return ka < kb;
        return qryrow_whole(a, pos_col, 0) < qryrow_whole(b, pos_col, 0);
    });
}

/* The registered table and column a row names; fills why and answers -1
** when either is not registered. */
static int qryrow_column(pjct_rec *project, const std::string &table, const std::string &column, tbl_rec **t,
                         sql_col_rec **c, std::string *why)
{
    *t = tbl_find_by_name(project->tables, table.c_str(), nullptr);
    *c = *t ? tbl_column_find((*t)->columns, column.c_str(), (*t)->name, nullptr) : nullptr;
    if (*t && *c) return 0;
    *why = *t ? "column " + table + "." + column + " is not registered" : "table " + table + " is not registered";
    return -1;
}

/* Appends a condition to the end of a list. */
static void qryrow_append(qry_cond_rec **head, qry_cond_rec *c)
{
    qry_cond_rec **at = head, *prev = nullptr;
    while (*at) {
        prev = *at;
        at = &(*at)->next;
    }
    c->prev = prev;
    *at = c;
}

/* Makes one condition from a PVQUERY row and its points. Answers 0; -1
** with why filled when the row names something unknown; -9101 without
** memory (the condition then freed). */
static int qryrow_cond(pjct_rec *project, const std::vector<std::string> &row,
                       const std::vector<std::vector<std::string>> &points, qry_cond_rec **out, std::string *why)
{
    *out = nullptr;
    std::string table = qryrow_text(row, QROW_TABLE), column = qryrow_text(row, QROW_COLUMN);
    tbl_rec *t = nullptr;
    sql_col_rec *col = nullptr;
    if (qryrow_column(project, table, column, &t, &col, why) < 0) return -1;
    std::string op_text = qryrow_text(row, QROW_OP);
    int op = qry_op_index(op_text.c_str());
    int conn = qry_connector_index(qryrow_text(row, QROW_CONN).c_str());
    if (op < 0 || conn < 0) {
        *why = "the operator or connector of a condition on " + table + "." + column + " is unknown";
        return -1;
    }
    qry_cond_rec *c = qry_cond_new();
    if (!c) return ERR_NO_MEMORY;
    c->op = qry_operator_table[op];
    c->connector = qry_connector_table[conn];
    std::string open = qryrow_text(row, QROW_OPEN), close = qryrow_text(row, QROW_CLOSE);
    c->open_bracket = qry_bracket_table[open == "(" ? QRY_BRACKET_OPEN : QRY_BRACKET_NONE];
    c->close_bracket = qry_bracket_table[close == ")" ? QRY_BRACKET_CLOSE : QRY_BRACKET_NONE];
    c->table = t;
    c->column = col;
    std::string more = setup_row_text(row, QROW_VALUEMORE);
    while (!more.empty() && (unsigned char)more.back() <= ' ') more.pop_back();
    if (qry_cond_set_value(c, (qryrow_text(row, QROW_VALUE) + more).c_str()) < 0) {
        qry_cond_free(c);
        return ERR_NO_MEMORY;
    }
    long kind = qryrow_whole(row, QROW_KIND, QRYROW_KIND_SQL), pos = qryrow_whole(row, QROW_POS, 0);
    std::vector<const std::vector<std::string> *> mine;
    for (const auto &p : points)
        if (qryrow_whole(p, QPT_KIND, 0) == kind && qryrow_whole(p, QPT_COND, 0) == pos) mine.push_back(&p);
    if (!mine.empty()) {
        c->points = (geo_point *)calloc(mine.size(), sizeof(geo_point));
        if (!c->points) {
            qry_cond_free(c);
            return ERR_NO_MEMORY;
        }
        for (size_t i = 0; i < mine.size(); i++)
            c->points[i] = {qryrow_number(*mine[i], QPT_X), qryrow_number(*mine[i], QPT_Y),
                            qryrow_number(*mine[i], QPT_Z), qryrow_number(*mine[i], QPT_W)};
        c->point_count = (int32_t)mine.size();
        geo_box_of_points(c->points, c->point_count, &c->box);
    }
    *out = c;
    return 0;
}

/* Makes one query from its rows. Answers 0; -1 with why filled when it
** names something unknown; -9101 without memory. */
static int qryrow_query(pjct_rec *project, qryrow_group &g, qry_rec **out, std::string *why)
{
    *out = nullptr;
    qry_rec *q = qry_new();
    if (!q) return ERR_NO_MEMORY;
    snprintf(q->name, sizeof q->name, "%s", g.name.c_str());
    q->project = project;
    qryrow_sort(g.conds, QROW_KIND, QROW_POS);
    qryrow_sort(g.points, QPT_KIND, QPT_POS);
    qryrow_sort(g.outs, -1, QOUT_POS);
    int rc = 0;
    for (const auto &row : g.conds) {
        qry_cond_rec *c = nullptr;
        rc = qryrow_cond(project, row, g.points, &c, why);
        if (rc < 0) break;
        qryrow_append(qryrow_whole(row, QROW_KIND, 0) == QRYROW_KIND_FILTER ? &q->filters : &q->conds, c);
    }
    qry_out_rec **tail = &q->outputs;
    for (size_t i = 0; rc == 0 && i < g.outs.size(); i++) {
        tbl_rec *t = nullptr;
        sql_col_rec *col = nullptr;
        rc = qryrow_column(project, qryrow_text(g.outs[i], QOUT_TABLE), qryrow_text(g.outs[i], QOUT_COLUMN), &t,
                           &col, why);
        if (rc < 0) break;
        qry_out_rec *o = qry_out_new();
        if (!o) {
            rc = ERR_NO_MEMORY;
            break;
        }
        o->column = col;
        o->flags = (uint16_t)(qryrow_whole(g.outs[i], QOUT_FLAGS, QRY_OUT_SHOWN) & QRY_OUT_SHOWN);
        *tail = o;
        tail = &o->next;
    }
    if (rc < 0) {
        qry_free(q);
        return rc;
    }
    qry_build_join_list(q);
    *out = q;
    return 0;
}

/* Groups rows by their query's name into groups (in first-seen order). */
static void qryrow_group_rows(const std::vector<std::vector<std::string>> &rows, int which,
                              std::map<std::string, size_t> &index, std::vector<qryrow_group> &groups)
{
    for (const auto &row : rows) {
        std::string name = qryrow_text(row, 0);
        std::string key = qryrow_key(name);
        auto it = index.find(key);
        if (it == index.end()) {
            it = index.emplace(key, groups.size()).first;
            groups.push_back({name, {}, {}, {}});
        }
        qryrow_group &g = groups[it->second];
        (which == 0 ? g.conds : which == 1 ? g.outs : g.points).push_back(row);
    }
}

/* Makes the project's queries from the rows of PVQUERY and those of PVQOUT
** and PVQPOINT, which it reads itself; see the file's comment. Answers 0;
** -9101 without memory; the failure's code when PVQOUT or PVQPOINT cannot
** be read. */
int setup_load_pvquery(pjct_rec *project, const setup_text_rows *rows)
{
    s_kept.erase(std::remove_if(s_kept.begin(), s_kept.end(),
                                [&](const qryrow_kept &k) { return str_eq_nocase(k.project.c_str(), project->name); }),
                 s_kept.end());
    setup_text_rows outs, points;
    int rc = setup_table_read(project, setup_table_find("PVQOUT"), &outs);
    if (rc == 0) rc = setup_table_read(project, setup_table_find("PVQPOINT"), &points);
    if (rc < 0) return rc;
    std::map<std::string, size_t> index;
    std::vector<qryrow_group> groups;
    qryrow_group_rows(rows->rows, 0, index, groups);
    qryrow_group_rows(outs.rows, 1, index, groups);
    qryrow_group_rows(points.rows, 2, index, groups);
    for (auto &g : groups) {
        qryrow_group as_read = g;
        qry_rec *q = nullptr;
        std::string why;
        rc = str_nonblank(g.name.c_str()) == 5100 ? qryrow_query(project, g, &q, &why) : -1;
        if (rc == ERR_NO_MEMORY) return rc;
        if (rc < 0) {
            if (why.empty()) why = "it has no name";
            ads_printf(QRYROW_LEFT_OUT, g.name.c_str(), project->name, why.c_str());
            s_kept.push_back({project->name, std::move(as_read)});
            continue;
        }
        qry_list_insert(&project->queries, q);
    }
    return 0;
}

/* The kept rows of a project's left-out queries whose names no query of
** the project has taken since, of one table (0 PVQUERY, 1 PVQOUT, 2
** PVQPOINT), appended to rows. */
static void qryrow_push_kept(pjct_rec *project, int which, setup_text_rows *rows)
{
    for (const auto &k : s_kept) {
        if (!str_eq_nocase(k.project.c_str(), project->name)) continue;
        if (qry_find(project->queries, k.rows.name.c_str(), nullptr)) continue;
        const auto &list = which == 0 ? k.rows.conds : which == 1 ? k.rows.outs : k.rows.points;
        for (const auto &r : list) rows->rows.push_back(r);
    }
}

/* Splits a value longer than VALUE holds: VALUE takes the most that ends
** in a non-blank (the column keeps no trailing blanks), VALUEMORE the
** rest, its leading blanks kept. */
static void qryrow_split_value(const std::string &value, std::string *head, std::string *rest)
{
    size_t k = value.size() <= QRYROW_VALUE_WIDTH ? value.size() : QRYROW_VALUE_WIDTH;
    while (k < value.size() && k > 0 && (unsigned char)value[k - 1] <= ' ') k--;
    *head = value.substr(0, k);
    *rest = value.substr(k);
}

/* Appends the PVQUERY rows of one condition list. */
static void qryrow_of_conds(const qry_rec *q, const qry_cond_rec *list, int kind, setup_text_rows *rows)
{
    int pos = 0;
    for (const qry_cond_rec *c = list; c; c = c->next, pos++) {
        std::vector<std::string> r(QROW_COUNT);
        r[QROW_NAME] = q->name;
        r[QROW_KIND] = std::to_string(kind);
        r[QROW_POS] = std::to_string(pos);
        r[QROW_CONN] = c->connector ? c->connector : "";
        r[QROW_OP] = c->op ? c->op : "";
        r[QROW_OPEN] = c->open_bracket ? c->open_bracket : "";
        r[QROW_CLOSE] = c->close_bracket ? c->close_bracket : "";
        r[QROW_TABLE] = c->table ? c->table->name : "";
        r[QROW_COLUMN] = c->column ? c->column->name : "";
        qryrow_split_value(c->value ? c->value : "", &r[QROW_VALUE], &r[QROW_VALUEMORE]);
        r[QROW_NPOINTS] = std::to_string(c->points ? c->point_count : 0);
        rows->rows.push_back(std::move(r));
    }
}

/* The rows of both condition lists of every query of the project, made
** by one of the row makers, and the kept rows of that table (0 PVQUERY, 2
** PVQPOINT). Answers 0. */
static int qryrow_save_conds(pjct_rec *project, setup_text_rows *rows, int which,
                             void (*make)(const qry_rec *, const qry_cond_rec *, int, setup_text_rows *))
{
    for (const qry_rec *q = project->queries; q; q = q->next) {
        make(q, q->conds, QRYROW_KIND_SQL, rows);
        make(q, q->filters, QRYROW_KIND_FILTER, rows);
    }
    qryrow_push_kept(project, which, rows);
    return 0;
}

/* The PVQUERY rows of the project's queries (SQL conditions, then the
** post-filter ones), and those kept of left-out queries. Answers 0. */
int setup_save_pvquery(pjct_rec *project, setup_text_rows *rows)
{
    /* A left-out query whose name a query of the project has taken is
    ** replaced by it for good: were that query deleted later, the old
    ** rows must not come back. */
    s_kept.erase(std::remove_if(s_kept.begin(), s_kept.end(),
                                [&](const qryrow_kept &k) {
                                    return str_eq_nocase(k.project.c_str(), project->name) &&
                                           qry_find(project->queries, k.rows.name.c_str(), nullptr);
                                }),
                 s_kept.end());
    return qryrow_save_conds(project, rows, 0, qryrow_of_conds);
}

/* Appends the PVQOUT rows of one query. */
static void qryrow_of_outs(const qry_rec *q, setup_text_rows *rows)
{
    int pos = 0;
    for (const qry_out_rec *o = q->outputs; o; o = o->next, pos++) {
        std::vector<std::string> r(QOUT_COUNT);
        r[QOUT_NAME] = q->name;
        r[QOUT_POS] = std::to_string(pos);
        r[QOUT_TABLE] = o->column ? o->column->table : "";
        r[QOUT_COLUMN] = o->column ? o->column->name : "";
        r[QOUT_FLAGS] = std::to_string(o->flags);
        rows->rows.push_back(std::move(r));
    }
}

/* The PVQOUT rows of the project's queries, and those kept. Answers 0. */
int setup_save_pvqout(pjct_rec *project, setup_text_rows *rows)
{
    for (const qry_rec *q = project->queries; q; q = q->next) qryrow_of_outs(q, rows);
    qryrow_push_kept(project, 1, rows);
    return 0;
}

/* Appends the PVQPOINT rows of one condition list. */
static void qryrow_of_points(const qry_rec *q, const qry_cond_rec *list, int kind, setup_text_rows *rows)
{
    int pos = 0;
    for (const qry_cond_rec *c = list; c; c = c->next, pos++)
        for (int i = 0; c->points && i < c->point_count; i++) {
            const geo_point &p = c->points[i];
            rows->rows.push_back({q->name, std::to_string(kind), std::to_string(pos), std::to_string(i),
                                  qryrow_double(p.x), qryrow_double(p.y), qryrow_double(p.z), qryrow_double(p.w)});
        }
}

/* The PVQPOINT rows of the project's queries, and those kept. Answers 0. */
int setup_save_pvqpoint(pjct_rec *project, setup_text_rows *rows)
{
    return qryrow_save_conds(project, rows, 2, qryrow_of_points);
}

/* One re-bound reference of a query: where it is and what it becomes. */
struct qryrow_move {
    tbl_rec **table;       /* the condition's table slot, or null for an output */
    sql_col_rec **column;  /* the column slot */
    sql_col_rec *to;       /* the column of its name in the new row */
};

/* Collects the references of a condition list into the table of the old
** name, each with the column of its name in the new row; fills why and
** answers -1 for the first one that the row lacks (or all without a row). */
static int qryrow_moves_of(qry_cond_rec *list, tbl_rec *row, const char *old_name,
                           std::vector<qryrow_move> &moves, std::string *why)
{
    for (qry_cond_rec *c = list; c; c = c->next) {
        const char *was = c->column ? c->column->table : c->table ? c->table->name : nullptr;
        if (!was || tbl_name_cmp(was, old_name) != 0) continue;
        sql_col_rec *to = row && c->column ? tbl_column_find(row->columns, c->column->name, nullptr, nullptr) : nullptr;
        if (!row || (c->column && !to)) {
            *why = !row ? std::string("table ") + old_name + " is not registered"
                        : std::string("column ") + old_name + "." + c->column->name + " is not registered";
            return -1;
        }
        moves.push_back({&c->table, &c->column, to});
    }
    return 0;
}

/* Moves the stored queries' references from the table of the old name to
** the columns of the same names in the new row, while the old columns
** still exist (tbl_rebind_columns's hook, through pjct_rebind_setup). A
** query that names a column the row lacks, or any column of a table that
** is gone, is left out as the logon leaves it out: warned about, its rows
** made now and kept, so that every save writes it back as it was. */
void setup_rebind_queries(pjct_rec *project, tbl_rec *row, const char *old_name)
{
    if (!project || tbl_name_blank(old_name)) return;
    for (qry_rec *q = project->queries, *next; q; q = next) {
        next = q->next;
        std::vector<qryrow_move> moves;
        std::string why;
        int rc = qryrow_moves_of(q->conds, row, old_name, moves, &why);
        if (rc == 0) rc = qryrow_moves_of(q->filters, row, old_name, moves, &why);
        if (rc == 0) rc = qryrow_moves_of(q->joins, row, old_name, moves, &why);
        for (qry_out_rec *o = q->outputs; rc == 0 && o; o = o->next) {
            if (!o->column || tbl_name_cmp(o->column->table, old_name) != 0) continue;
            sql_col_rec *to = row ? tbl_column_find(row->columns, o->column->name, nullptr, nullptr) : nullptr;
            if (!to) {
                why = !row ? std::string("table ") + old_name + " is not registered"
                           : std::string("column ") + old_name + "." + o->column->name + " is not registered";
                rc = -1;
            }
            moves.push_back({nullptr, &o->column, to});
        }
        if (rc == 0) {
            for (const qryrow_move &m : moves) {
                if (m.table) *m.table = row;
                *m.column = m.to;
            }
            continue;
        }
        qryrow_kept kept{project->name, {q->name, {}, {}, {}}};
        setup_text_rows conds, outs, points;
        qryrow_of_conds(q, q->conds, QRYROW_KIND_SQL, &conds);
        qryrow_of_conds(q, q->filters, QRYROW_KIND_FILTER, &conds);
        qryrow_of_outs(q, &outs);
        qryrow_of_points(q, q->conds, QRYROW_KIND_SQL, &points);
        qryrow_of_points(q, q->filters, QRYROW_KIND_FILTER, &points);
        kept.rows.conds = std::move(conds.rows);
        kept.rows.outs = std::move(outs.rows);
        kept.rows.points = std::move(points.rows);
        ads_printf(QRYROW_LEFT_OUT, q->name, project->name, why.c_str());
        /* Rows kept earlier under its name were replaced by this query. */
        s_kept.erase(std::remove_if(s_kept.begin(), s_kept.end(),
                                    [&](const qryrow_kept &k) {
                                        return str_eq_nocase(k.project.c_str(), project->name) &&
                                               qryrow_key(k.rows.name) == qryrow_key(q->name);
                                    }),
                     s_kept.end());
        s_kept.push_back(std::move(kept));
        qry_list_unlink(&project->queries, q);
        qry_free(q);
    }
}
