/*
** col_attr_list.cpp: the project's list of input rules.
**
** New rules go to the head of the list; one rule per column and table is
** meant to be listed. Rules naming the same profile and dictionary share
** one item tree, freed when the last of them leaves the list. Every change
** sets the project's PJCT_CHG_COLUMNS bit so that PVCOLUMN is written at
** the next save. Column records of registered tables that pointed at a
** rule being freed are cleared, and so are those of its followers (an
** open table setup tree), so that none is left pointing at freed memory.
*/
#include "core/col_attr.h"

#include "core/item_tree.h"
#include "core/tbl.h"

col_attr_followers g_col_attr_followers = {nullptr, nullptr};

/* Links a rule at the head of the project's list; a listed rule is no
** longer a placeholder (its list owns it, not the column that points to
** it). Answers 0, or -2 for a null argument. Sets PJCT_CHG_COLUMNS. */
int col_attr_push(col_attr_rec *rule, pjct_rec *project)
{
    if (!rule || !project) return -2;
    rule->flags &= (uint16_t)~COL_ATTR_PLACEHOLDER;
    rule->next = project->col_attrs;
    project->col_attrs = rule;
    project->flags |= PJCT_CHG_COLUMNS;
    return 0;
}

/* Frees the tree of an unlinked rule when it names a profile and a
** dictionary that no listed rule names any more, unless `keep` is that
** same tree. */
static void col_attr_drop_tree(const col_attr_rec *gone, pjct_rec *project, const item_node *keep)
{
    if (!gone->tree || gone->tree == keep) return;
    if (tbl_name_blank(gone->profile) || tbl_name_blank(gone->dictionary)) return;
    if (col_attr_find_profile(project->col_attrs, gone->profile, gone->dictionary)) return;
    item_free_tree(gone->tree);
}

/* Clears the registered columns' references to a rule about to be freed,
** and the open setup tree's; `to` takes their place (null for none). */
static void col_attr_repoint(pjct_rec *project, const col_attr_rec *from, col_attr_rec *to)
{
    for (tbl_rec *t = project->tables; t; t = t->next)
        for (sql_col_rec *c = t->columns; c; c = c->next)
            if (c->attr == from) c->attr = to;
    if (g_col_attr_followers.repoint) g_col_attr_followers.repoint(from, to);
}

static int col_attr_same_pair(const col_attr_rec *a, const col_attr_rec *b)
{
    return tbl_name_cmp(a->column, b->column) == 0 && tbl_name_cmp(a->table, b->table) == 0;
}

/* Unlinks and frees the first listed rule of the key's column and table,
** with its item tree when no listed rule still uses it. Answers 0; -1 when
** no rule of that pair is listed; -2 for a null argument. Sets
** PJCT_CHG_COLUMNS. */
int col_attr_remove(const col_attr_rec *key, pjct_rec *project)
{
    if (!key || !project) return -2;
    col_attr_rec **link = &project->col_attrs;
    while (*link && !col_attr_same_pair(*link, key)) link = &(*link)->next;
    if (!*link) return -1;
    col_attr_rec *gone = *link;
    *link = gone->next;
    gone->next = nullptr;
    col_attr_drop_tree(gone, project, nullptr);
    col_attr_repoint(project, gone, nullptr);
    col_attr_free(gone);
    project->flags |= PJCT_CHG_COLUMNS;
    return 0;
}

/* Installs an edited rule: every listed rule of its column and table is
** unlinked and freed (their trees as in col_attr_remove, unless the new
** rule uses the same tree), the rule is pushed, and the registered column
** of that table and name points at it, and so does the column node of
** the open setup tree; a placeholder rule that column owned is freed.
** Answers 0, or -2 for a null argument. Sets PJCT_CHG_COLUMNS. */
int col_attr_replace(col_attr_rec *rule, pjct_rec *project)
{
    if (!rule || !project) return -2;
    col_attr_rec **link = &project->col_attrs;
    while (*link) {
        col_attr_rec *r = *link;
        if (!col_attr_same_pair(r, rule)) {
            link = &r->next;
            continue;
        }
        *link = r->next;
        r->next = nullptr;
        project->flags |= PJCT_CHG_COLUMNS;
        if (r == rule) continue;   /* already listed: pushed again below */
        col_attr_drop_tree(r, project, rule->tree);
        col_attr_repoint(project, r, rule);
        col_attr_free(r);
    }
    col_attr_push(rule, project);
    tbl_rec *t = tbl_find_by_name(project->tables, rule->table, nullptr);
    if (t) {
        sql_col_rec *c = tbl_column_find(t->columns, rule->column, nullptr, nullptr);
        /* A placeholder the column owned is freed, once nothing points at it. */
        col_attr_rec *owned = c ? c->attr : nullptr;
        if (owned && owned != rule && (owned->flags & COL_ATTR_PLACEHOLDER)) {
            col_attr_repoint(project, owned, rule);
            col_attr_free(owned);
        }
        if (c) c->attr = rule;
    }
    if (g_col_attr_followers.point_column_at) g_col_attr_followers.point_column_at(rule);
    return 0;
}
