/*
** plot.h: what the table browser uses of the plotting of query rows: the
** plot output type, the plot options dialog, the memo columns' binding
** and the plot loop.
**
**     plot_reset();
**     pv_plot_opts_dialog(dlg, cursor, row, query);
**     if (plot_type >= 0) { plot_bind_memo_columns(row, cursor); plot_records(nullptr, 0); plot_reset(); }
**
** The plot state behind these calls is output/plot_state.h.
*/
#ifndef PV_OUTPUT_PLOT_H
#define PV_OUTPUT_PLOT_H

#include <cstdint>

#include "core/tbl_column.h"
#include "platform/include/dcl_host.h"

struct qry_rec;

/* Output type not chosen: the plotting is idle. */
#define PLOT_TYPE_IDLE (-1)

/* The chosen plot output type; PLOT_TYPE_IDLE when none is chosen. */
inline int32_t plot_type = PLOT_TYPE_IDLE;

/* Sets the plot output type to idle and frees the plot options. */
void plot_reset(void);
/* The plot options dialog over the browsed rows for the output type chosen
** in the browser's "plot" list; sets plot_type (not below 0 when the
** browser is to close and plot). Answers 0 after the options dialog, the
** diagram dialog's result, -1 after a refused check or when the dialog
** cannot be loaded, -5001 when an image plot has no image column, -2 for a
** missing argument or a type outside 1 to 17. */
int pv_plot_opts_dialog(ads_hdlg dialog, void *cursor, sql_col_rec *row, qry_rec *query);
/* Prepares the memo columns of the browsed row for plotting. 0; -2 for a
** null row. */
int plot_bind_memo_columns(sql_col_rec *row, void *cursor);
/* The record plotting loop over the browsed rows with the chosen output
** type, showing progress in the dialog's "error" tile (or on the command
** line without a dialog); pass 0 is a single pass, 1 and 2 the two passes
** of E00 and of MapInfo in a USER projection. The number of rows plotted
** (0 when nothing was done); -1 when the rows stopped short of the end
** (a memo that cannot be read): the output is then undone, said with its
** reason. */
long plot_records(ads_hdlg dialog, int pass);
/* Hands the table browser (data/browse.h) the calls above and the query
** post-filter; the module's entry calls it when the module starts. */
void plot_serve_browser(void);

#endif
