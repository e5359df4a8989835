/*
** plot_bind.cpp: binding the memo columns of browsed rows for plotting.
** No output writes memo texts yet, so there is nothing to bind.
*/
#include "output/plot.h"

/* Prepares the memo columns; see the header. */
int plot_bind_memo_columns(sql_col_rec *row, void *)
{
    return row ? 0 : -2;
}
