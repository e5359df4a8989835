/*
** plot_chem_standin.cpp: Chemistry diagrams are not built yet: the dialog says so
** and answers -1, so the browser stays open and no stage runs. The
** diagram's own files take this file's place.
*/
#include "output/plot_diagrams.h"
#include "output/plot_state.h"

/* Says the diagram is not built; -1 (-2 without a row). */
int chem_dialog_run(sql_col_rec *row)
{
    if (!row) return -2;
    return plot_diagram_not_built(PLOT_TYPE_CHEM);
}

/* Never reached: the dialog never sets the state. -1. */
int chem_plot_row(void)
{
    return -1;
}

/* Never reached: the dialog never sets the state. -1. */
int chem_plot_end(void)
{
    return -1;
}
