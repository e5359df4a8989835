/*
** tbl.cpp: the registry rows and the project's sorted list of them.
**
** Rows are kept sorted by name without regard to case and never two of
** one name. Inserting, removing and replacing a row set the project's
** change bit PJCT_CHG_TABLES so that PVTABLE is written at the next save;
** registering a table whose columns carry placeholder input rules moves
** those rules into the project's rule list (PJCT_CHG_COLUMNS).
** Re-binding moves the column references held by the project's point
** setups (and, through the core's hook, its stored queries, pie and
** chemistry diagrams) from an old column list to a new one.
*/
#include "core/tbl.h"

#include <cctype>
#include <cstdlib>
#include <cstdio>
#include <cstring>

#include "core/col_attr.h"
#include "core/pnt.h"

/* Compares two names without regard to case; answers below 0, 0 or above
** 0 as a sorts before, equal to or after b. A null name sorts first. */
int tbl_name_cmp(const char *a, const char *b)
{
    if (!a || !b) return (a ? 1 : 0) - (b ? 1 : 0);
    for (;; a++, b++) {
        int ca = toupper((unsigned char)*a), cb = toupper((unsigned char)*b);
        if (ca != cb) return ca - cb;
        if (!ca) return 0;
    }
}

/* Answers 1 when the name is null or holds no character above a blank
** (127 counts as blank), else 0. */
int tbl_name_blank(const char *s)
{
    if (!s) return 1;
    for (; *s; s++)
        if ((unsigned char)*s > 32 && *s != 127) return 0;
    return 1;
}

/* The column of a column list with that name (without regard to case)
** and, when the table name is not blank, of that table; its position goes
** to index. Answers null (index -1) when there is none. */
sql_col_rec *tbl_column_find(sql_col_rec *columns, const char *name, const char *table, int *index)
{
    int i = 0;
    if (index) *index = -1;
    if (!name) return nullptr;
    for (sql_col_rec *c = columns; c; c = c->next, i++) {
        if (tbl_name_cmp(c->name, name) != 0) continue;
        if (!tbl_name_blank(table) && tbl_name_cmp(c->table, table) != 0) continue;
        if (index) *index = i;
        return c;
    }
    return nullptr;
}

/* Frees a column list with its buffers and the placeholder rules its
** columns own (rules of a project's list are left to the list). */
static void tbl_free_columns(sql_col_rec *c)
{
    while (c) {
        sql_col_rec *next = c->next;
        if (c->attr && (c->attr->flags & COL_ATTR_PLACEHOLDER)) col_attr_free(c->attr);
        free(c->text);
        free(c->value);
        free(c->format);
        free(c);
        c = next;
    }
}

/* Clears a row: every field zero, the name empty. */
void tbl_rec_init(tbl_rec *row)
{
    if (row) memset(row, 0, sizeof *row);
}

/* A new cleared row; null when memory is short. */
tbl_rec *tbl_rec_new(void)
{
    tbl_rec *row = (tbl_rec *)malloc(sizeof(tbl_rec));
    tbl_rec_init(row);
    return row;
}

/* Copies a row field by field; the column list is shared, not duplicated.
** Answers 0, or -2 for a null argument. */
int tbl_rec_copy(tbl_rec *dst, const tbl_rec *src)
{
    if (!dst || !src) return -2;
    if (dst != src) memcpy(dst, src, sizeof *dst);
    return 0;
}

/* Frees a list of rows, each with its column list. */
void tbl_list_free(tbl_rec *list)
{
    while (list) {
        tbl_rec *next = list->next;
        tbl_free_columns(list->columns);
        free(list);
        list = next;
    }
}

/* The row of that name (without regard to case) and its position; null
** (index -1) when absent or for a null name. */
tbl_rec *tbl_find_by_name(tbl_rec *list, const char *name, int *index)
{
    int i = 0;
    if (index) *index = -1;
    if (!name) return nullptr;
    for (tbl_rec *t = list; t; t = t->next, i++)
        if (tbl_name_cmp(t->name, name) == 0) {
            if (index) *index = i;
            return t;
        }
    return nullptr;
}

/* The n-th row of a list, 0 being the first; null when out of range. */
tbl_rec *tbl_nth(tbl_rec *list, int n)
{
    if (n < 0) return nullptr;
    tbl_rec *t = list;
    while (t && n-- > 0) t = t->next;
    return t;
}

/* The first row of a table type and its position; null (index -1) when
** there is none. */
tbl_rec *tbl_find_by_type(tbl_rec *list, int type, int *index)
{
    int i = 0;
    if (index) *index = -1;
    for (tbl_rec *t = list; t; t = t->next, i++)
        if (t->table_type == type) {
            if (index) *index = i;
            return t;
        }
    return nullptr;
}

/* Links a row into the project's list in name order. Answers 0 when
** inserted; -1 when a row of an equal name is there (nothing changes);
** -2 for a null argument or a blank name. Sets PJCT_CHG_TABLES. */
int tbl_insert(pjct_rec *project, tbl_rec *row)
{
    if (!project || !row || tbl_name_blank(row->name)) return -2;
    tbl_rec **link = &project->tables;
    int cmp = 1;
    while (*link && (cmp = tbl_name_cmp((*link)->name, row->name)) < 0) link = &(*link)->next;
    if (*link && cmp == 0) return -1;
    row->next = *link;
    *link = row;
    project->flags |= PJCT_CHG_TABLES;
    return 0;
}

/* Unlinks a row from the project's list and frees it with its columns.
** Answers 0; -1 when the row is not in the list; -2 for a null argument.
** Sets PJCT_CHG_TABLES. */
int tbl_remove(pjct_rec *project, tbl_rec *row)
{
    if (!project || !row) return -2;
    tbl_rec **link = &project->tables;
    while (*link && *link != row) link = &(*link)->next;
    if (!*link) return -1;
    *link = row->next;
    row->next = nullptr;
    tbl_list_free(row);
    project->flags |= PJCT_CHG_TABLES;
    return 0;
}

/* Registers a row, replacing a registered row of its name: the project's
** references move to the new row's columns and the old row is removed.
** A new table's placeholder input rules join the project's rule list.
** Sets PJCT_CHG_TABLES and PJCT_CHG_COLUMNS.
** Answers the result of tbl_insert; 0 when the row is already the
** registered one; -2 for a null argument or a blank name. */
int tbl_add(pjct_rec *project, tbl_rec *row)
{
    if (!project || !row || tbl_name_blank(row->name)) return -2;
    tbl_rec *old = tbl_find_by_name(project->tables, row->name, nullptr);
    if (old == row) return 0;
    if (old) {
        char old_name[TBL_NAME_SIZE];
        memcpy(old_name, old->name, sizeof old_name);
        old_name[TBL_NAME_SIZE - 1] = 0;
        if (old->columns == row->columns) {
            old->columns = nullptr;
            old->column_count = 0;
        }
        tbl_rebind_columns(project, row, old_name);
        tbl_remove(project, old);
    } else {
        for (sql_col_rec *c = row->columns; c; c = c->next) {
            col_attr_rec *a = c->attr;
            if (!a || !(a->flags & COL_ATTR_PLACEHOLDER)) continue;
            if (col_attr_find(project->col_attrs, c->name, row->name, nullptr)) continue;
            if (tbl_name_blank(a->column)) snprintf(a->column, sizeof a->column, "%s", c->name);
            if (tbl_name_blank(a->table)) snprintf(a->table, sizeof a->table, "%s", row->name);
            a->flags &= (uint16_t)~COL_ATTR_PLACEHOLDER;
            a->next = project->col_attrs;
            project->col_attrs = a;
        }
    }
    /* The definition check may have changed the key columns' rules. */
    project->flags |= PJCT_CHG_COLUMNS;
    return tbl_insert(project, row);
}

/* The re-binding of the references kept outside data/, or null. */
static tbl_rebind_fn s_rebind_hook = nullptr;

/* Sets (or with null clears) the hook tbl_rebind_columns calls. */
void tbl_set_rebind_hook(tbl_rebind_fn fn)
{
    s_rebind_hook = fn;
}

/* Whether a column reference belongs to the table of that name. */
static int tbl_col_of(const sql_col_rec *c, const char *table)
{
    return c && tbl_name_cmp(c->table, table) == 0;
}

/* The column of the same name in the new row, or null. */
static sql_col_rec *tbl_col_rebound(tbl_rec *row, const sql_col_rec *c, int *index)
{
    if (index) *index = -1;
    return row ? tbl_column_find(row->columns, c->name, nullptr, index) : nullptr;
}

/* Points the input rule of a point setup's column back at the setup. */
static void tbl_mark_point_rule(sql_col_rec *c, pnt_rec *p)
{
    if (c && c->attr) {
        c->attr->point = p;
        c->attr->flags |= COL_ATTR_POINT;
    }
}

/* Moves the point setups' references from the columns of the old table to
** the columns of the same names in the new row (null without a new row or
** such a column); a setup left without its X or Y column is detached.
** Sets PJCT_CHG_POINTS when a setup changed. */
static void tbl_rebind_points(pjct_rec *project, tbl_rec *row, const char *old_name)
{
    pnt_rec *p = project->points;
    while (p) {
        int in_x = tbl_col_of(p->x_col, old_name), in_y = tbl_col_of(p->y_col, old_name);
        int in_z = tbl_col_of(p->z_col, old_name), in_s = tbl_col_of(p->sym_col, old_name);
        int in_t = p->table && tbl_name_cmp(p->table->name, old_name) == 0;
        if (!in_x && !in_y && !in_z && !in_s && !in_t) {
            p = p->next;
            continue;
        }
        int xi = p->x_index, yi = p->y_index, zi = p->z_index;
        sql_col_rec *x = in_x ? tbl_col_rebound(row, p->x_col, &xi) : p->x_col;
        sql_col_rec *y = in_y ? tbl_col_rebound(row, p->y_col, &yi) : p->y_col;
        if (!x || !y) {
            /* Detach while the old columns still name it, then start over:
            ** the list has changed under us. */
            pnt_detach(project, p);
            p = project->points;
            continue;
        }
        sql_col_rec *z = in_z ? tbl_col_rebound(row, p->z_col, &zi) : p->z_col;
        if (in_s) p->sym_col = tbl_col_rebound(row, p->sym_col, nullptr);
        p->x_col = x;
        p->y_col = y;
        p->z_col = z;
        p->x_index = xi;
        p->y_index = yi;
        p->z_index = z ? zi : -1;
        if (in_t || in_x) p->table = row;
        tbl_mark_point_rule(x, p);
        tbl_mark_point_rule(y, p);
        tbl_mark_point_rule(z, p);
        project->flags |= PJCT_CHG_POINTS;
        p = p->next;
    }
}

/* Re-binds the project's column references from the table of the old name
** to the columns of the new row (or to nothing without a new row): the
** point setups, then whatever the hook re-binds; then
** recounts the new row's columns and looks its filled key slots up again
** by name in its own list. Answers 0; -2 for a null project or a blank
** old name. */
int tbl_rebind_columns(pjct_rec *project, tbl_rec *row, const char *old_name)
{
    if (!project || tbl_name_blank(old_name)) return -2;
    char name[TBL_NAME_SIZE];
    snprintf(name, sizeof name, "%s", old_name);
    tbl_rebind_points(project, row, name);
    if (s_rebind_hook) s_rebind_hook(project, row, name);
    if (row) {
        int n = 0;
        for (sql_col_rec *c = row->columns; c; c = c->next) n++;
        row->column_count = n;
        for (int k = 0; k < TBL_KEY_COUNT; k++) {
            if (!row->keys[k]) continue;
            char key[SQL_COL_NAME_SIZE];
            snprintf(key, sizeof key, "%s", row->keys[k]->name);
            row->keys[k] = tbl_column_find(row->columns, key, nullptr, nullptr);
        }
    }
    return 0;
}

/* Takes a registered row out of the project: the references into its
** columns are re-bound to nothing first (under the table name its columns
** carry, which an upgrade may have changed on the row), then the row is
** removed and freed with its columns. Answers the result of tbl_remove. */
int tbl_unregister(pjct_rec *project, tbl_rec *row)
{
    if (!project || !row) return -2;
    const char *name = row->columns && !tbl_name_blank(row->columns->table) ? row->columns->table : row->name;
    if (!tbl_name_blank(name)) tbl_rebind_columns(project, nullptr, name);
    return tbl_remove(project, row);
}
