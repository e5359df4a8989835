/*
** plot_pie_standin.cpp: Pie diagrams are not built yet: the dialog says so
** and answers -1, so the browser stays open and no stage runs. The
** diagram's own files take this file's place.
*/
#include "output/plot_diagrams.h"
#include "output/plot_state.h"

/* Says the diagram is not built; -1 (-2 without a row). */
int pv_piediagram_dialog(sql_col_rec *row)
{
    if (!row) return -2;
    return plot_diagram_not_built(PLOT_TYPE_PIE);
}

/* Never reached: the dialog never sets the state. -1. */
int pie_plot_row(void)
{
    return -1;
}

/* Never reached: the dialog never sets the state. -1. */
int pie_plot_end(void)
{
    return -1;
}
