/*
** pnt.cpp: point setups and their ties to the input rules.
**
** Attaching a setup puts it at the head of the project's list, marks the
** input rules of its X, Y and Z columns as point columns pointing back at
** it (the Y and Z rules also take the X rule's symbol) and finds the
** columns' table and positions. Detaching undoes the marks and frees the
** setup. Both set the project's PJCT_CHG_POINTS bit so that PVPOINT is
** written at the next save.
*/
#include "core/pnt.h"

#include <cstdlib>
#include <cstring>

#include "core/col_attr.h"
#include "core/tbl.h"

/* Clears a setup: null pointers, indexes -1, no next. */
void pnt_rec_init(pnt_rec *setup)
{
    if (!setup) return;
    memset(setup, 0, sizeof *setup);
    setup->x_index = setup->y_index = setup->z_index = -1;
}

/* A new cleared setup; null when memory is short. */
pnt_rec *pnt_new(void)
{
    pnt_rec *setup = (pnt_rec *)malloc(sizeof(pnt_rec));
    pnt_rec_init(setup);
    return setup;
}

/* Frees a list of setups (the columns, table and projection they name
** belong to others) and clears the slot. */
void pnt_list_free(pnt_rec **slot)
{
    if (!slot) return;
    pnt_rec *p = *slot;
    while (p) {
        pnt_rec *next = p->next;
        free(p);
        p = next;
    }
    *slot = nullptr;
}

/* The setup whose symbol column has that name and, when the table name is
** not blank, that table; null when none. */
pnt_rec *pnt_find(pnt_rec *list, const char *column, const char *table)
{
    if (!column) return nullptr;
    for (pnt_rec *p = list; p; p = p->next) {
        const sql_col_rec *s = p->sym_col;
        if (!s || tbl_name_cmp(s->name, column) != 0) continue;
        if (!tbl_name_blank(table) && tbl_name_cmp(s->table, table) != 0) continue;
        return p;
    }
    return nullptr;
}

/* 1 when the two setups name the same X, Y and Z column records, else 0
** (also for a null argument). */
int pnt_same_columns(const pnt_rec *a, const pnt_rec *b)
{
    return a && b && a->x_col == b->x_col && a->y_col == b->y_col && a->z_col == b->z_col;
}

/* Marks one column's rule for the setup and finds its table and position. */
static void pnt_tie(pjct_rec *project, pnt_rec *setup, sql_col_rec *c, int32_t *index, int take_symbol)
{
    if (!c) return;
    if (c->attr) {
        c->attr->point = setup;
        c->attr->flags |= COL_ATTR_POINT;
        if (take_symbol && setup->x_col && setup->x_col->attr) c->attr->symbol = setup->x_col->attr->symbol;
    }
    tbl_rec *t = tbl_find_by_name(project->tables, c->table, nullptr);
    if (t) setup->table = t;
    int i = -1;
    if (t) tbl_column_find(t->columns, c->name, nullptr, &i);
    *index = i;
}

/* Ties the rules of a setup's X, Y and Z columns to it and finds the
** table and the columns' positions; a column that is absent keeps index
** -1. Leaves the setup where it is in the list. */
void pnt_tie_rules(pjct_rec *project, pnt_rec *setup)
{
    if (!project || !setup) return;
    setup->x_index = setup->y_index = setup->z_index = -1;
    pnt_tie(project, setup, setup->x_col, &setup->x_index, 0);
    pnt_tie(project, setup, setup->y_col, &setup->y_index, 1);
    pnt_tie(project, setup, setup->z_col, &setup->z_index, 1);
}

/* Puts a setup at the head of the project's list and ties the rules of
** its X, Y and Z columns to it. A setup already listed is moved to the
** head, never listed twice. Answers 0, or -2 for a null argument. Sets
** PJCT_CHG_POINTS. */
int pnt_attach(pjct_rec *project, pnt_rec *setup)
{
    if (!project || !setup) return -2;
    for (pnt_rec **link = &project->points; *link; link = &(*link)->next)
        if (*link == setup) {
            *link = setup->next;
            break;
        }
    setup->next = project->points;
    project->points = setup;
    pnt_tie_rules(project, setup);
    project->flags |= PJCT_CHG_POINTS;
    return 0;
}

/* Unties one column's rule from its point setup. */
static void pnt_untie(sql_col_rec *c, int drop_symbol)
{
    if (!c || !c->attr) return;
    c->attr->point = nullptr;
    c->attr->flags &= (uint16_t)~COL_ATTR_POINT;
    if (drop_symbol) c->attr->symbol = nullptr;
}

/* Unties the rules of a setup's X, Y and Z columns: each loses flag
** COL_ATTR_POINT and its point back-reference, the Y and Z rules also
** their symbol. The setup itself is left as it is. */
void pnt_untie_rules(pnt_rec *setup)
{
    if (!setup) return;
    pnt_untie(setup->x_col, 0);
    pnt_untie(setup->y_col, 1);
    pnt_untie(setup->z_col, 1);
}

/* Unlinks the listed setup with the same X, Y and Z columns as the given
** one, unties its columns' rules and frees it. Answers 0; -1 when no such
** setup is listed; -2 for a null argument. Sets PJCT_CHG_POINTS. */
int pnt_detach(pjct_rec *project, pnt_rec *setup)
{
    if (!project || !setup) return -2;
    pnt_rec **link = &project->points;
    while (*link && !pnt_same_columns(*link, setup)) link = &(*link)->next;
    if (!*link) return -1;
    pnt_rec *gone = *link;
    *link = gone->next;
    pnt_untie_rules(gone);
    free(gone);
    project->flags |= PJCT_CHG_POINTS;
    return 0;
}
