/*
** plot_bind.cpp: the memo columns of browsed rows bound back to the
** cursor. Kept alone in its file: the browser calls it, and test programs
** put their own in its place.
*/
#include "output/plot/plot_memo.h"

/* Binds the memo columns again; see output/plot.h. */
int plot_bind_memo_columns(sql_col_rec *row, void *cursor)
{
    if (!row) return -2;
    return plot_rebind_memo_columns(row, cursor);
}
