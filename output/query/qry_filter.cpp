/*
** qry_filter.cpp: the post-filter of stored queries (see qry_filter.h).
**
** IS holds when the row's item is the condition's item or lies below it in
** the column's item tree, HAS the other way round; an item not in the tree
** fails both. INSIDE and OUTSIDE test the row's point against the area's
** ring, NEAR against the line within the condition's distance; the points
** are kept in the coordinate system of the column's point setup, so the
** row's coordinates are compared as they are. A row without its X or Y
** value fails all three.
*/
#include "output/query/qry_filter.h"

#include <cstdlib>
#include <cstring>
#include <string>

#include "core/col_attr.h"
#include "core/geo_util.h"
#include "core/item_tree.h"
#include "core/pnt.h"
#include "core/qry.h"
#include "core/sql_access.h"
#include "core/str_util.h"

/* Fewest points of an area (a closed ring of three corners) and of a line. */
#define QRY_AREA_MIN_POINTS 4
#define QRY_LINE_MIN_POINTS 2

/* A trimmed copy of a text (empty for null). */
static std::string qry_filter_trim(const char *text)
{
    std::string t = text ? text : "";
    t.resize(std::strlen(str_trim(t.data())));
    return t;
}

/* The row's column of the same name and table as the given one; null when
** the row lacks it. */
static sql_col_rec *qry_row_column(sql_col_rec *row, const sql_col_rec *column)
{
    return column ? sql_col_find(row, column->name, column->table, nullptr) : nullptr;
}

/* IS and HAS; see the file's comment. */
static int qry_eval_tree(const qry_cond_rec *cond, sql_col_rec *row, int op)
{
    const col_attr_rec *rule = cond->column ? cond->column->attr : nullptr;
    if (!rule || !rule->tree) return 0;
    sql_col_rec *c = qry_row_column(row, cond->column);
    if (!c || !c->text) return 0;
    std::string want = qry_filter_trim(cond->value), have = qry_filter_trim(c->text);
    if (op == QRY_OP_IS) return item_is_ancestor_named(rule->tree, want.c_str(), have.c_str()) ? 1 : 0;
    return item_is_ancestor_named(rule->tree, have.c_str(), want.c_str()) ? 1 : 0;
}

/* The number in a column's text; 0 (and *ok clear) when null or no number. */
static double qry_row_number(const sql_col_rec *c, int *ok)
{
    std::string t = c ? qry_filter_trim(c->text) : "";
    if (!c || c->null_ind == SQL_COL_NULL || t.empty() || !sql_is_number(t.c_str())) {
        *ok = 0;
        return 0.0;
    }
    return std::strtod(t.c_str(), nullptr);
}

/* INSIDE, OUTSIDE and NEAR; see the file's comment. */
static int qry_eval_spatial(const qry_cond_rec *cond, sql_col_rec *row, int op)
{
    int need = op == QRY_OP_NEAR ? QRY_LINE_MIN_POINTS : QRY_AREA_MIN_POINTS;
    if (!cond->points || cond->point_count < need) return 0;
    const col_attr_rec *rule = cond->column ? cond->column->attr : nullptr;
    if (!rule || !(rule->flags & COL_ATTR_POINT) || !rule->point) return 0;
    const pnt_rec *pt = rule->point;
    int ok = 1;
    geo_point p{};
    p.x = qry_row_number(qry_row_column(row, pt->x_col), &ok);
    p.y = qry_row_number(qry_row_column(row, pt->y_col), &ok);
    if (!ok || !pt->x_col || !pt->y_col) return 0;
    if (op == QRY_OP_NEAR) {
        std::string d = qry_filter_trim(cond->value);
        double distance = sql_is_number(d.c_str()) ? std::strtod(d.c_str(), nullptr) : 0.0;
        return geo_pt_near_polyline(&p, cond->points, cond->point_count, distance) ? 1 : 0;
    }
    int inside = geo_pt_in_polygon(&p, cond->points, cond->point_count, &cond->box) ? 1 : 0;
    return op == QRY_OP_INSIDE ? inside : !inside;
}

/* Whether one condition holds; see the header. */
int qry_eval_condition(const qry_cond_rec *cond, sql_col_rec *row)
{
    if (!cond) return 1;
    int op = qry_op_index(cond->op);
    switch (op) {
    case QRY_OP_IS:
    case QRY_OP_HAS: return qry_eval_tree(cond, row, op);
    case QRY_OP_INSIDE:
    case QRY_OP_OUTSIDE:
    case QRY_OP_NEAR: return qry_eval_spatial(cond, row, op);
    default: return 1;
    }
}

/* Whether the row passes the query's post-filter; see the header. */
int qry_filter_row(qry_rec *query, sql_col_rec *row)
{
    if (!row) return -2;
    if (!query) return 1;
    for (const qry_cond_rec *c = query->filters; c; c = c->next)
        if (!qry_eval_condition(c, row)) return 0;
    return 1;
}
