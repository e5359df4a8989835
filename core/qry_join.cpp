/*
** qry_join.cpp: the output list of a query completed with key columns,
** and its join conditions (see qry_join.h).
*/
#include "core/qry_join.h"

#include <cstdio>
#include <cstring>
#include <vector>

#include "core/col_attr.h"
#include "core/err_text.h"
#include "core/pjct_list.h"
#include "core/str_util.h"

/* Host result codes. */
#define QRY_ERR_ARG (-2)

/* The key slots joined when either table is of the type, in join order. */
static const struct {
    int type;   /* table type that asks for the key */
    int slot;   /* TBL_KEY_* */
} k_typed_keys[] = {
    {TBL_DEF_REFERENCE, TBL_KEY_REFERENCE}, {TBL_DEF_UNIT, TBL_KEY_UNIT},         {TBL_DEF_LEGEND, TBL_KEY_LEGEND},
    {TBL_DEF_BOUNDARY, TBL_KEY_BOUNDARY},   {TBL_DEF_TRAVERSE, TBL_KEY_TRAVERSE}, {TBL_DEF_OUTCROP, TBL_KEY_OUTCROP},
};
/* The key slots always joined when both tables have them, in join order. */
static const int k_field_keys[] = {TBL_KEY_STATION, TBL_KEY_ROCK, TBL_KEY_SEGMENT, TBL_KEY_SAMPLE, TBL_KEY_ANALYSIS};

/* The link key slot of a table type. */
int qry_link_key_slot(int table_type)
{
    switch (table_type) {
    case TBL_DEF_ANALYSIS: case TBL_DEF_SAMPLE: case TBL_DEF_COMPOSE: case TBL_DEF_ROCK:
    case TBL_DEF_GENESIS: case TBL_DEF_SEGMENT: case TBL_DEF_STATION: return TBL_KEY_STATION;
    case TBL_DEF_OUTCROP: return TBL_KEY_OUTCROP;
    case TBL_DEF_TRAVERSE: return TBL_KEY_TRAVERSE;
    case TBL_DEF_BOUNDARY: return TBL_KEY_BOUNDARY;
    case TBL_DEF_UNIT: return TBL_KEY_UNIT;
    case TBL_DEF_LEGEND: return TBL_KEY_LEGEND;
    case TBL_DEF_REFERENCE: return TBL_KEY_REFERENCE;
    case TBL_DEF_DICTION: return TBL_KEY_DICTION;
    default: return -1;
    }
}

/* The registered table of a column. */
tbl_rec *qry_column_table(const pjct_rec *project, const sql_col_rec *column)
{
    if (!project || !column) return nullptr;
    return tbl_find_by_name(project->tables, column->table, nullptr);
}

/* The table type of an output record's table; 0 when unregistered. */
static int qry_out_type(const pjct_rec *project, const qry_out_rec *o)
{
    tbl_rec *t = qry_column_table(project, o->column);
    return t ? t->table_type : 0;
}

/* 1 when two output records belong to the same table. */
static int qry_same_table(const qry_out_rec *a, const qry_out_rec *b)
{
    return a->column && b->column && str_eq_nocase(a->column->table, b->column->table);
}

/* 1 when the list holds the column (by column and table name). */
static int qry_out_listed(qry_out_rec *list, const sql_col_rec *column)
{
    return qry_out_find(list, column->name, column->table) != nullptr;
}

/* A new unshown record of a column inserted before *at; -9101 without
** memory. */
static int qry_out_insert_before(qry_out_rec **at, sql_col_rec *column, uint16_t flags)
{
    qry_out_rec *o = qry_out_new();
    if (!o) return ERR_NO_MEMORY;
    o->column = column;
    o->flags = flags;
    o->next = *at;
    *at = o;
    return 0;
}

/* The link of the first record of a table in the list. */
static qry_out_rec **qry_first_of_table(qry_out_rec **head, const char *table)
{
    qry_out_rec **at = head;
    while (*at && !str_eq_nocase((*at)->column->table, table)) at = &(*at)->next;
    return at;
}

/* Step 2 and 3 of the list: each run's table gets its link key column and
** its unique number (not for LEGEND and DICTION tables) before its first
** record, unshown, unless listed. 0; -9101. */
static int qry_add_table_keys(pjct_rec *project, qry_out_rec **head)
{
    std::vector<tbl_rec *> runs;
    const qry_out_rec *last = nullptr;
    for (const qry_out_rec *o = *head; o; last = o, o = o->next) {
        if (last && qry_same_table(last, o)) continue;
        tbl_rec *t = qry_column_table(project, o->column);
        if (t) runs.push_back(t);
    }
    for (tbl_rec *t : runs) {
        int slot = qry_link_key_slot(t->table_type);
        sql_col_rec *key = slot >= 0 ? t->keys[slot] : nullptr;
        if (key && !qry_out_listed(*head, key) &&
            qry_out_insert_before(qry_first_of_table(head, t->name), key, 0) < 0)
            return ERR_NO_MEMORY;
    }
    for (tbl_rec *t : runs) {
        if (t->table_type == TBL_DEF_LEGEND || t->table_type == TBL_DEF_DICTION) continue;
        sql_col_rec *base = t->keys[TBL_KEY_BASENUMBER];
        if (base && !qry_out_listed(*head, base) &&
            qry_out_insert_before(qry_first_of_table(head, t->name), base, 0) < 0)
            return ERR_NO_MEMORY;
    }
    return 0;
}

/* The first registered table with both types' link keys. */
tbl_rec *qry_find_link_table(const pjct_rec *project, int type_a, int type_b)
{
    if (!project || type_a < TBL_DEF_ANALYSIS || type_a > TBL_DEF_REFERENCE || type_b < TBL_DEF_ANALYSIS ||
        type_b > TBL_DEF_REFERENCE)
        return nullptr;
    int sa = qry_link_key_slot(type_a), sb = qry_link_key_slot(type_b);
    for (tbl_rec *t = project->tables; t; t = t->next)
        if (t->keys[sa] && t->keys[sb]) return t;
    return nullptr;
}

/* Step 4: between adjacent records of tables A and B where A lacks B's
** link key, the key columns of a table holding both types' keys. 0; -9101. */
static int qry_add_link_tables(pjct_rec *project, qry_out_rec *head)
{
    for (qry_out_rec *a = head; a && a->next; a = a->next) {
        qry_out_rec *b = a->next;
        if (qry_same_table(a, b)) continue;
        tbl_rec *ta = qry_column_table(project, a->column), *tb = qry_column_table(project, b->column);
        if (!ta || !tb || tb->table_type < TBL_DEF_ANALYSIS || tb->table_type > TBL_DEF_DICTION) continue;
        int slot_b = qry_link_key_slot(tb->table_type);
        if (slot_b < 0 || ta->keys[slot_b]) continue;
        tbl_rec *l = qry_find_link_table(project, ta->table_type, tb->table_type);
        if (!l) continue;
        sql_col_rec *ka = l->keys[qry_link_key_slot(ta->table_type)], *kb = l->keys[slot_b];
        if (qry_out_insert_before(&a->next, kb, 0) < 0 || (ka != kb && qry_out_insert_before(&a->next, ka, 0) < 0))
            return ERR_NO_MEMORY;
        while (a->next != b) a = a->next;  /* go on after the inserted records */
    }
    return 0;
}

/* Builds an output list from column indexes; see the header. */
int qry_output_list_build(pjct_rec *project, const int *indexes, int n, int with_keys, qry_out_rec **out)
{
    if (!project || !out || (n > 0 && !indexes)) return QRY_ERR_ARG;
    qry_out_rec *list = nullptr;
    for (int i = 0; i < n; i++) {
        sql_col_rec *c = pjct_nth_column(project, indexes[i]);
        if (!c) {
            qry_out_list_free(&list);
            return QRY_ERR_ARG;
        }
        tbl_rec *t = qry_column_table(project, c);
        int type = t ? t->table_type : 0;
        qry_out_rec **at = &list;
        while (*at && qry_out_type(project, *at) <= type) at = &(*at)->next;
        if (qry_out_insert_before(at, c, QRY_OUT_SHOWN) < 0) {
            qry_out_list_free(&list);
            return ERR_NO_MEMORY;
        }
    }
    if (with_keys && (qry_add_table_keys(project, &list) < 0 || qry_add_link_tables(project, list) < 0)) {
        qry_out_list_free(&list);
        return ERR_NO_MEMORY;
    }
    *out = list;
    return 0;
}

/* Appends one join row; see the header. */
int qry_join_append(sql_col_rec *key_a, sql_col_rec *column_b, qry_rec *query)
{
    if (!key_a || !column_b || !query || !query->project) return QRY_ERR_ARG;
    tbl_rec *ta = qry_column_table(query->project, key_a);
    if (!ta) return -1;
    qry_cond_rec *c = qry_cond_new();
    if (!c) return ERR_NO_MEMORY;
    char value[QRY_JOIN_VALUE_MAX + 1];
    snprintf(value, sizeof value, "%s.%s", column_b->table, column_b->name);
    if (qry_cond_set_value(c, value) < 0) {
        qry_cond_free(c);
        return ERR_NO_MEMORY;
    }
    c->table = ta;
    c->column = key_a;
    c->op = qry_operator_table[QRY_OP_EQ];
    qry_cond_rec **at = &query->joins, *prev = nullptr;
    while (*at) {
        prev = *at;
        at = &(*at)->next;
    }
    c->connector = qry_connector_table[!prev && !query->conds ? QRY_CONN_NONE : QRY_CONN_AND];
    c->prev = prev;
    *at = c;
    return 0;
}

/* The first column of a table whose input rule names the dictionary. */
static sql_col_rec *qry_column_of_dictionary(tbl_rec *t, const char *dictionary)
{
    for (sql_col_rec *c = t->columns; c; c = c->next)
        if (c->attr && str_eq_nocase(c->attr->dictionary, dictionary)) return c;
    return nullptr;
}

/* Appends the join rows of one pair of adjacent tables; the number
** appended, or -9101. */
static int qry_join_pair(qry_rec *q, tbl_rec *a, tbl_rec *b)
{
    int n = 0, rc = 0;
    auto join = [&](sql_col_rec *ka, sql_col_rec *kb) {
        if (rc < 0 || !ka || !kb) return;
        rc = qry_join_append(ka, kb, q);
        if (rc == 0) n++;
    };
    for (const auto &k : k_typed_keys)
        if (a->table_type == k.type || b->table_type == k.type) join(a->keys[k.slot], b->keys[k.slot]);
    for (int slot : k_field_keys) join(a->keys[slot], b->keys[slot]);
    if (a->table_type == TBL_DEF_DICTION && b->table_type == TBL_DEF_DICTION)
        join(a->keys[TBL_KEY_DICTION], b->keys[TBL_KEY_DICTION]);
    if (a->table_type == TBL_DEF_DICTION) join(a->keys[TBL_KEY_DICTION], qry_column_of_dictionary(b, a->name));
    if (b->table_type == TBL_DEF_DICTION) join(qry_column_of_dictionary(a, b->name), b->keys[TBL_KEY_DICTION]);
    return rc < 0 ? rc : n;
}

/* Rebuilds the join list; see the header. */
int qry_build_join_list(qry_rec *query)
{
    if (!query) return QRY_ERR_ARG;
    qry_cond_list_free(&query->joins);
    if (!query->project) return -1;
    for (qry_out_rec *o = query->outputs; o; o = o->next) {
        qry_out_rec *next = o->next;
        while (next && qry_same_table(o, next)) next = next->next;
        if (!next) break;
        tbl_rec *a = qry_column_table(query->project, o->column), *b = qry_column_table(query->project, next->column);
        int rc = a && b ? qry_join_pair(query, a, b) : 0;
        if (rc <= 0) {
            qry_cond_list_free(&query->joins);
            return rc < 0 ? rc : -1;
        }
        while (o->next != next) o = o->next;
    }
    return 0;
}
