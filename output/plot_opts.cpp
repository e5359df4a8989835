/*
** plot_opts.cpp: the plot options dialog opened from the table browser.
** Plotting is not available yet: the browser is told so in its "error"
** tile and no output is chosen, so the browser stays open.
*/
#include "output/plot.h"

/* Text written into the browser's "error" tile. */
static const char k_not_yet[] = "Plotting is not available yet.";

/* The plot options dialog; see the header. */
int pv_plot_opts_dialog(ads_hdlg dialog, void *cursor, sql_col_rec *row, qry_rec *)
{
    if (!dialog || !cursor || !row) return -2;
    plot_type = PLOT_TYPE_IDLE;
    ads_set_tile(dialog, "error", k_not_yet);
    return 0;
}
