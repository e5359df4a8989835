/*
** chem_term.h: one term of a chemistry diagram's axis equation, the
** project's list of them, and the setup table PVCHEM that keeps them.
**
** An axis equation is a list of terms such as  2(FEO + MGO) / SIO2 : each
** term carries an operator, a bracket factor, brackets, a constant and a
** column. A saved diagram is the run of consecutive terms of the project's
** list that carry its name; each term's axis says which equation it
** belongs to, and the diagram's limits, scales and symbol column ride on
** every term.
**
**     chem_term_rec *t = chem_term_new(CHEM_AXIS_X);
**     chem_term_set_column(t, sio2);  equation = t;  ...  chem_term_list_free(&equation);
*/
#ifndef PV_CORE_CHEM_TERM_H
#define PV_CORE_CHEM_TERM_H

#include <cstdint>

#include "core/pjct.h"
#include "core/tbl_column.h"

struct setup_text_rows;

/* Room of a diagram's name: 32 characters and the terminator. */
#define CHEM_NAME_SIZE 33
/* Characters of a name typed in the dialog. */
#define CHEM_NAME_TYPED 28

/* Axes of chem_term_rec.axis. */
#define CHEM_AXIS_UNSET (-1)
#define CHEM_AXIS_X 0
#define CHEM_AXIS_Y 1
#define CHEM_AXIS_Z 2

/* Operators of chem_term_rec.op, also indexes of chem_operator_names. */
#define CHEM_OP_NONE   0
#define CHEM_OP_PLUS   1
#define CHEM_OP_MINUS  2
#define CHEM_OP_DIVIDE 3
#define CHEM_OP_TIMES  4
#define CHEM_OP_COUNT  5

/* The operators as the editor lists them: " ", "+", "-", "/", "x". */
extern const char *const chem_operator_names[CHEM_OP_COUNT];

/* One term of an axis equation. */
struct chem_term_rec {
    char name[CHEM_NAME_SIZE];      /* the diagram's name */
    double xmin, ymin, xmax, ymax;  /* the diagram's limits, axis units; all 0: none */
    double xscale, yscale;          /* the diagram's scales, block units per axis unit */
    int32_t axis;                   /* CHEM_AXIS_*: the equation the term belongs to */
    int32_t log_flag;               /* 1: base-10 logarithm of the whole equation (first term) */
    sql_col_rec *symbol_col;        /* column whose symbol setup draws the point; a
                                       registered table's column; not owned; null none */
    int32_t op;                     /* CHEM_OP_*: how the term joins what stands before it */
    double scalar1;                 /* bracket factor of an opening term; 0 or 1: none */
    int32_t open_bracket;           /* 1: the term opens a bracket group */
    double scalar2;                 /* the term's constant; multiplies the column when not 0 */
    sql_col_rec *column;            /* a registered table's column; not owned; null none */
    int32_t close_bracket;          /* 1: the term closes the bracket group */
    double value;                   /* work field of the evaluation */
    /* The table and column names of the column and of the symbol column,
    ** set with them (chem_term_set_column, chem_term_set_symbol) and kept
    ** when they are no longer registered. Terms are read and written by
    ** these names: a restructured table frees the column records the
    ** pointers name. */
    char col_table[SQL_COL_NAME_SIZE];
    char col_name[SQL_COL_NAME_SIZE];
    char sym_table[SQL_COL_NAME_SIZE];
    char sym_name[SQL_COL_NAME_SIZE];
    chem_term_rec *next;            /* next term; owned by the list */
};

/* Clears a term: name empty, numbers 0, scales 1.0, the given axis, no
** columns, next none. */
void chem_term_init(chem_term_rec *term, int axis);
/* A new cleared term of the axis; null without memory. */
chem_term_rec *chem_term_new(int axis);
/* A new copy of a term (columns shared), next none; null without memory. */
chem_term_rec *chem_term_copy(const chem_term_rec *term);
/* Frees a list of terms and clears its head. */
void chem_term_list_free(chem_term_rec **head);
/* Appends copies of every term of `from` to the end of *to, each renamed
** to `name` when it is given. 0; -9101 without memory (the copies made
** so far stay). */
int chem_term_list_append(chem_term_rec **to, const chem_term_rec *from, const char *name);
/* Sets the term's column and its names (both cleared for null). */
void chem_term_set_column(chem_term_rec *term, const sql_col_rec *column);
/* Sets the term's symbol column and its names (both cleared for null). */
void chem_term_set_symbol(chem_term_rec *term, const sql_col_rec *column);
/* 1 when the term has neither constant nor column (it is passed over). */
int chem_term_is_empty(const chem_term_rec *term);
/* The number of terms of a list. */
int chem_term_count(const chem_term_rec *head);

/* Re-binds the terms' columns and symbol columns after a registered table
** changed: one of the table of the old name takes the column of its name
** in the new row, or none without a row or such a column (its names then
** kept in the term, so that it is written back as read); one kept by name
** whose table is the row's takes the column of its name in the row. Call
** it while the old columns still exist. */
void chem_term_rebind_columns(pjct_rec *project, tbl_rec *row, const char *old_name);

/* Makes the project's terms from PVCHEM's rows, in the order of their
** positions; a column that is no longer registered keeps its names. 0;
** -9101 without memory (no term is kept). */
int setup_load_pvchem(pjct_rec *project, const setup_text_rows *rows);
/* Fills PVCHEM's rows from the project's terms, each with its position.
** 0. */
int setup_save_pvchem(pjct_rec *project, setup_text_rows *rows);

#endif
