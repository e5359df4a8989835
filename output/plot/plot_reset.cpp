/*
** plot_reset.cpp: setting the plot state idle, and handing the table
** browser the plot and post-filter calls it offers.
*/
#include "output/plot/plot_state.h"

#include "data/browse.h"
#include "output/query/qry_filter.h"

/* Sets the output type idle and frees the options; see output/plot.h. */
void plot_reset(void)
{
    plot_type = PLOT_TYPE_IDLE;
    plot_state_rec &s = g_plot_state;
    s.cursor = nullptr;
    s.row = nullptr;
    s.query = nullptr;
    s.project = nullptr;
    plot_free_options();
}

/* Fills the browser's table of plot and post-filter calls; see
** output/plot.h. */
void plot_serve_browser(void)
{
    g_browse_output.row_counts = qry_filter_row;
    g_browse_output.plot_opts_dialog = pv_plot_opts_dialog;
    g_browse_output.plot_type = [] { return (int)plot_type; };
    g_browse_output.plot_bind_memo_columns = plot_bind_memo_columns;
    g_browse_output.plot_records = plot_records;
    g_browse_output.plot_reset = plot_reset;
}
