/*
** tbl_fixtures.h: builders of column lists and registry rows for the
** registry, input-rule, point-setup and setup-table tests, and stand-ins
** for the services of the core and the item tree these records call (the
** project list, the column maximum, the row conversion, freeing a tree).
** Include it from exactly one source file of a test program. The tests of
** the registry and the input rules need none of the core's SQL layer, so
** these stand in for the real ones (the core's header keeps their
** signatures the same as the real ones'); a program that reaches the SQL
** layer anyway defines TBL_FIXTURES_REAL_CORE first and leaves them out.
*/
#ifndef PV_TESTS_DATA_TBL_FIXTURES_H
#define PV_TESTS_DATA_TBL_FIXTURES_H

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "core/col_attr.h"
#include "core/pjct.h"
#include "core/pnt.h"
#include "core/sql_access.h"
#include "core/tbl.h"

#ifndef TBL_FIXTURES_REAL_CORE
/* What the stand-in of the column maximum answers, and what it saw. */
struct fake_sql_state {
    int max_result = 0;         /* answer of sql_select_max */
    std::string max_text;       /* text it writes into the column */
    int max_calls = 0;
    int from_text_calls = 0;
    std::vector<item_node *> freed_trees;
};
static fake_sql_state g_fake;

int sql_select_max(void *, sql_col_rec **row, const char *column, const char *)
{
    g_fake.max_calls++;
    if (g_fake.max_result < 0) return g_fake.max_result;
    sql_col_rec *c = tbl_column_find(*row, column, nullptr, nullptr);
    if (!c) return -2;
    snprintf(c->text, (size_t)c->length + 1, "%s", g_fake.max_text.c_str());
    return 0;
}

int sql_row_from_text(sql_col_rec *)
{
    g_fake.from_text_calls++;
    return 5100;
}

const char *sql_failure_text(int)
{
    return "the stand-in's failure";
}

int item_free_tree(item_node *node)
{
    g_fake.freed_trees.push_back(node);
    return 0;
}
#endif

/* One column of a test table. */
struct col_def {
    const char *name;
    int type;
    int length;
};

static const int C = SQL_TYPE_CHAR, N = SQL_TYPE_NUMERIC, I = SQL_TYPE_INT, F = SQL_TYPE_FLOAT;

/* A column list of a table, each column with its own (listed-nowhere) rule. */
inline sql_col_rec *make_columns(const char *table, const std::vector<col_def> &defs)
{
    sql_col_rec *head = nullptr, **tail = &head;
    for (const col_def &s : defs) {
        sql_col_rec *c = (sql_col_rec *)calloc(1, sizeof(sql_col_rec));
        snprintf(c->name, sizeof c->name, "%s", s.name);
        snprintf(c->table, sizeof c->table, "%s", table);
        c->sql_type = s.type;
        c->length = s.length;
        c->text = (char *)calloc(1, (size_t)s.length + 2);
        c->attr = col_attr_new();
        c->attr->flags = 0;
        snprintf(c->attr->column, sizeof c->attr->column, "%s", s.name);
        snprintf(c->attr->table, sizeof c->attr->table, "%s", table);
        c->attr->flags |= COL_ATTR_PLACEHOLDER;
        *tail = c;
        tail = &c->next;
    }
    return head;
}

/* A registry row of a type with its columns; slots are filled by name. */
inline tbl_rec *make_table(const char *name, int type, const std::vector<col_def> &defs,
                           const std::vector<std::pair<int, const char *>> &slots)
{
    tbl_rec *t = tbl_rec_new();
    snprintf(t->name, sizeof t->name, "%s", name);
    t->table_type = type;
    t->columns = make_columns(name, defs);
    t->column_count = (int)defs.size();
    for (auto &s : slots) t->keys[s.first] = tbl_column_find(t->columns, s.second, nullptr, nullptr);
    return t;
}

/* Frees a column list the way the registry frees a table's columns. */
inline void free_columns(sql_col_rec *columns)
{
    tbl_rec *holder = tbl_rec_new();
    holder->columns = columns;
    tbl_list_free(holder);
}

/* A project in the logged-on list; freed with its lists at the end. */
struct test_project {
    pjct_rec p{};
    test_project() { p.next = g_pjct_list; g_pjct_list = &p; }
    ~test_project()
    {
        for (pjct_rec **l = &g_pjct_list; *l; l = &(*l)->next)
            if (*l == &p) { *l = p.next; break; }
        pnt_list_free(&p.points);
        tbl_list_free(p.tables);
        while (p.col_attrs) {
            col_attr_rec *n = p.col_attrs->next;
            col_attr_free(p.col_attrs);
            p.col_attrs = n;
        }
    }
};

#endif
