/*
** plot_col_type.h: the type code a column is declared with in a SPANS
** .TBA header (and, for the text output, its SQL type code), with the
** width and decimals it is written with. The plot loop and the export
** command both declare their columns through it.
**
**     int width, decimals;
**     int code = plot_col_out_type(column, PLOT_TYPE_SPANS, &width, &decimals);
*/
#ifndef PV_OUTPUT_PLOT_COL_TYPE_H
#define PV_OUTPUT_PLOT_COL_TYPE_H

#include "core/tbl_column.h"

/* SPANS codes. */
#define SPANS_CODE_REAL     0    /* decimal number */
#define SPANS_CODE_DOUBLE   1    /* double precision */
#define SPANS_CODE_SHORT    2    /* short integer */
#define SPANS_CODE_LONG     3    /* long integer */
#define SPANS_CODE_DECIMAL  7    /* DEC with decimals */
#define SPANS_CODE_COORD    10   /* coordinate column */
#define SPANS_CODE_CHAR     20   /* character: 20 plus the width */
/* Width and decimals of a coordinate column. */
#define SPANS_COORD_WIDTH    12
#define SPANS_COORD_DECIMALS 6
/* Width a memo column is declared with. */
#define SPANS_MEMO_WIDTH 250
/* Widths below which NUMERIC and DEC without decimals are short or long. */
#define SPANS_SHORT_BELOW 5
#define SPANS_LONG_BELOW  10

/* The column's code for the output type (4 text: its SQL type code; else
** the SPANS code), with the width and decimals it is written with in
** *width and *decimals (either may be null): the column's own, a memo
** column's width 250, a coordinate column's width 12 and 6 decimals.
** -2 for a null column. */
int plot_col_out_type(const sql_col_rec *column, int out_type, int *width, int *decimals);

#endif
