/*
** plot_records.cpp: the plot loop over browsed rows. No output type can be
** chosen yet, so no row is plotted.
*/
#include "output/plot.h"

/* Runs the plot loop; see the header. */
long plot_records(int, int)
{
    return 0;
}
