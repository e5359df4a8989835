/*
** pnt.h: point setups.
**
** A point setup names the columns of a registered table that hold the X,
** Y and (optionally) Z coordinates of a point, the coordinate system they
** are given in and the column whose value names the symbol drawn there.
** The project keeps a list of them (newest first), the in-memory form of
** the setup table PVPOINT. Attaching a setup marks the input rules of its
** columns as point columns; detaching it unmarks them.
**
**     pnt_rec *p = pnt_new();
**     p->x_col = x; p->y_col = y; p->projection = prj;
**     pnt_attach(project, p);
*/
#ifndef PV_CORE_PNT_H
#define PV_CORE_PNT_H

#include <cstdint>

#include "core/pjct.h"
#include "core/tbl_column.h"

struct prj_rec;   /* coordinate system (coords/prj_list.h) */

/* One point setup. */
struct pnt_rec {
    sql_col_rec *x_col;     /* column holding X; a column of `table`, not owned */
    sql_col_rec *y_col;     /* column holding Y; not owned */
    sql_col_rec *z_col;     /* column holding Z (elevation), or null; not owned */
    tbl_rec *table;         /* the registered table; not owned */
    sql_col_rec *sym_col;   /* column naming the symbol, or null; not owned */
    prj_rec *projection;    /* coordinate system of X and Y; not owned */
    int32_t x_index;        /* position of X in the table's columns, -1 unset */
    int32_t y_index;        /* position of Y, -1 unset */
    int32_t z_index;        /* position of Z, -1 unset */
    pnt_rec *next;          /* next setup of the project's list */
};

void pnt_rec_init(pnt_rec *setup);
pnt_rec *pnt_new(void);
void pnt_list_free(pnt_rec **slot);
pnt_rec *pnt_find(pnt_rec *list, const char *column, const char *table);
int pnt_same_columns(const pnt_rec *a, const pnt_rec *b);
int pnt_attach(pjct_rec *project, pnt_rec *setup);
int pnt_detach(pjct_rec *project, pnt_rec *setup);
/* The linking steps of attach and detach alone, for a setup that stays in
** its place in the list while its columns change. */
void pnt_tie_rules(pjct_rec *project, pnt_rec *setup);
void pnt_untie_rules(pnt_rec *setup);

#endif
