/*
** plot_reset.cpp: setting the plot state idle. Kept alone in its file: the
** browser calls it, and test programs put their own in its place.
*/
#include "output/plot_state.h"

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
