/*
** qry_geometry_stub.cpp: drawing an area or a line for a spatial query
** condition is not built yet. The condition dialog calls this when the
** user asks for one; it says so on the prompt line and picks nothing, so
** the dialog comes back with the condition as it was.
*/
#include "output/qry.h"

#include "platform/include/ads_host.h"

/* Says that drawing is not available yet; answers 0 (nothing picked). */
int qry_pick_geometry(int, qry_cond_rec *)
{
    ads_printf("\nDrawing an area or a line is not available yet.\n");
    return 0;
}
