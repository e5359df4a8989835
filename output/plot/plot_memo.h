/*
** plot_memo.h: memo columns of the plotted rows. A memo column's own value
** is the placeholder "MEMO"; while rows are plotted its buffers are sized
** for the memo text and each row's memo is loaded into them, and after
** the plot they are sized and bound to the cursor again for the browser.
**
**     plot_size_memo_columns(0, row, cursor);   // before the options dialog
**     plot_size_memo_columns(1, row, cursor);   // per fetched row
**     plot_rebind_memo_columns(row, cursor);    // after the loop
*/
#ifndef PV_OUTPUT_PLOT_MEMO_H
#define PV_OUTPUT_PLOT_MEMO_H

#include <string>

#include "core/tbl_column.h"
#include "output/plot/plot.h"

/* Width a memo text gets in the file and table outputs. */
#define PLOT_MEMO_WIDTH 250
/* Length of a short memo in the map and text outputs. */
#define PLOT_MEMO_SHORT 4
/* Smallest text buffer a rebound memo column gets, in bytes. */
#define PLOT_MEMO_MIN_TEXT 5

/* 1 when the column is a memo column holding its placeholder: rule with
** the memo flag, string value, text "MEMO". */
int plot_is_memo_column(const sql_col_rec *column);
/* Sizes the memo columns for the current plot type (nothing for types 2
** and 8 to 12) and, with load, reads the current row's memo text into
** them (blanks for a row without a memo); every changed column is bound to
** the cursor again, so the cursor never holds a released buffer. 0; -9101
** without memory (the column keeps its former buffers); -2 for a null row;
** the read's code when a memo cannot be read (its side table damaged, its
** driver ended), with failure (when given) naming the row and table. */
int plot_size_memo_columns(int load, sql_col_rec *row, void *cursor, std::string *failure = nullptr);
/* Sizes the memo columns back for browsing and binds them again (nothing
** for types 2 and 8 to 12). 0; -9101 without memory; -2 for a null row. */
int plot_rebind_memo_columns(sql_col_rec *row, void *cursor);

#endif
