/*
** plot.h: what the table browser uses of the plotting of query rows: the
** plot output type, the plot options dialog, the memo columns' binding
** and the plot loop.
**
**     plot_reset();
**     pv_plot_opts_dialog(dlg, cursor, row, query);
**     if (plot_type >= 0) { plot_bind_memo_columns(row, cursor); plot_records(0, 0); plot_reset(); }
*/
#ifndef PV_OUTPUT_PLOT_H
#define PV_OUTPUT_PLOT_H

#include <cstdint>

#include "data/tbl_column.h"
#include "platform/include/dcl_host.h"

struct qry_rec;

/* Output type not chosen: the plotting is idle. */
#define PLOT_TYPE_IDLE (-1)

/* The chosen plot output type; PLOT_TYPE_IDLE when none is chosen. */
inline int32_t plot_type = PLOT_TYPE_IDLE;

/* Sets the plot output type to idle and frees the plot options. */
void plot_reset(void);
/* The plot options dialog over the browsed rows, opened from the browser's
** dialog; sets plot_type (not below 0 when an output was chosen). Answers
** 0 after the dialog, -1 when it could not run, -2 for a missing argument. */
int pv_plot_opts_dialog(ads_hdlg dialog, void *cursor, sql_col_rec *row, qry_rec *query);
/* Prepares the memo columns of the browsed row for plotting. 0; -2 for a
** null row. */
int plot_bind_memo_columns(sql_col_rec *row, void *cursor);
/* The plot loop over the browsed rows with the chosen output type. The
** number of rows plotted; -1 when nothing could be plotted. */
long plot_records(int first, int flags);

#endif
