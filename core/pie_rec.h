/*
** pie_rec.h: the pie-diagram definitions a project keeps by name, their
** chosen columns, and the loader and savers of the setup tables PVPIE and
** PVPIEOUT that hold them.
**
** A project's definitions hang from pjct_rec.pies, newest first. Each one
** names up to eight columns of registered tables, split into an inside
** ring (sectors reaching inwards from the pie's circle) and an outside
** ring. A stored column whose table or column is no longer registered
** keeps its names and is written back as read, but is never drawn.
**
**     pie_rec *p = pie_find(project->pies, "ASSAYS", nullptr);
**     for (pie_col_rec *c = p ? p->inside : nullptr; c; c = c->next) ...
**     pie_list_free(&project->pies);    // at logoff
*/
#ifndef PV_CORE_PIE_REC_H
#define PV_CORE_PIE_REC_H

#include <cstdint>

#include "core/pjct.h"
#include "core/tbl_column.h"

struct setup_text_rows;

/* Room of a definition's name and absent text: 32 characters and the
** terminator. */
#define PIE_NAME_SIZE 33
/* Text of PVPIEOUT.INSIDE for a column of the inside ring. */
#define PIE_INSIDE_MARK "Y"

/* One chosen column of a definition. */
struct pie_col_rec {
    sql_col_rec *column;              /* a column of a registered table's column list; not
                                         owned; null when the names below resolve to none */
    char table[SQL_COL_NAME_SIZE];    /* the column's table, as stored */
    char name[SQL_COL_NAME_SIZE];     /* the column's name, as stored */
    pie_col_rec *next;                /* next column of the ring; owned by the definition */
};

/* One pie-diagram definition (a row of PVPIE). Widths are degrees,
** lengths and the radius are block units of the diagram. */
struct pie_rec {
    char name[PIE_NAME_SIZE];         /* PLOTNAME */
    float radius;                     /* RADIUS: the pie's circle */
    int32_t circle;                   /* CIRCLE: 1 draws the circle */
    char absent[PIE_NAME_SIZE];       /* ABSENT: the value standing for a missing one */
    float maximum;                    /* MAXVALUE: 0 uses the row's own total */
    float in_width;                   /* INWIDTH: fixed width of an inside sector */
    float in_length;                  /* INLENGTH: fixed length of an inside sector */
    uint16_t in_width_prop;           /* INWIDPROP: 1 when the width follows the value */
    uint16_t in_length_prop;          /* INLENPROP: 1 when the length follows the value */
    pie_col_rec *inside;              /* inside columns in their order; owned */
    float out_width;                  /* OUTWIDTH */
    float out_length;                 /* OUTLENGTH */
    uint16_t out_width_prop;          /* OUTWIDPROP */
    uint16_t out_length_prop;         /* OUTLENPROP */
    pie_col_rec *outside;             /* outside columns in their order; owned */
    pie_rec *next;                    /* next (older) definition of the project */
};

/* A new definition: name and absent text empty, numbers 0, no lists. */
void pie_rec_init(pie_rec *rec);
/* A new pie column: no column, names empty, no next. */
void pie_col_init(pie_col_rec *rec);
/* A heap definition set by pie_rec_init; null without memory. */
pie_rec *pie_new(void);
/* A heap pie column for a registered column (its names copied; null
** allowed), appended at the end of *ring. The new record; null without
** memory (the ring unchanged). */
pie_col_rec *pie_col_append(pie_col_rec **ring, sql_col_rec *column);
/* Frees one definition with both its column lists. */
void pie_free(pie_rec *rec);
/* Frees a list of definitions with their column lists and clears the
** head. */
void pie_list_free(pie_rec **head);
/* The n-th definition (0 the first); null when out of range. */
pie_rec *pie_nth(pie_rec *list, int n);
/* The definition of that name (without regard to case or blanks at both
** ends) and its index in *index when given; null when absent or for a
** blank name. */
pie_rec *pie_find(pie_rec *list, const char *name, int *index);
/* Unlinks a definition from the project's list without freeing it. 0; -1
** when it is not in the list; -2 for a missing argument. */
int pie_unlink(pjct_rec *project, pie_rec *rec);

/* Re-binds the pie columns after a registered table changed: a column of
** the table of the old name takes the column of its name in the new row,
** or none without a row or such a column (its names stay, so it is
** written back as read); a column without one whose stored table is the
** row's takes the column of its name in the row. Call it while the old
** columns still exist. */
void pie_rebind_columns(pjct_rec *project, tbl_rec *row, const char *old_name);

/* The loader of PVPIE, which also reads PVPIEOUT: the definitions in
** their stored order (newest first), each column looked up in the
** project's registered tables. 0; a negative code when PVPIEOUT cannot
** be read; -9101 without memory. */
int setup_load_pvpie(pjct_rec *project, const setup_text_rows *rows);
/* The rows of PVPIE for the project's definitions, in list order. 0. */
int setup_save_pvpie(pjct_rec *project, setup_text_rows *rows);
/* The rows of PVPIEOUT: each definition's inside columns ("Y"), then its
** outside columns (blank). 0. */
int setup_save_pvpieout(pjct_rec *project, setup_text_rows *rows);

#endif /* PV_CORE_PIE_REC_H */
