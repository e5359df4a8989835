/*
** plot_reset.cpp: resetting the plot state to idle. No plot options are
** kept yet, so only the output type is reset.
*/
#include "output/plot.h"

/* Sets the output type idle; see the header. */
void plot_reset(void)
{
    plot_type = PLOT_TYPE_IDLE;
}
