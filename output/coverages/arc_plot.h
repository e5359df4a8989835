/*
** arc_plot.h: the drawing of a coverage polygon as map-unit outlines: one
** POLYLINE per ring, its points converted from the coverage's coordinate
** system into the map's, and one hatch over all the rings, linked to the
** unit's row.
**
**   if (arc_cover_attach(cover, dir)) arc_plot_polygon(cover, 2, cover_prj, map_prj, &link, &place);
*/
#ifndef PV_OUTPUT_ARC_PLOT_H
#define PV_OUTPUT_ARC_PLOT_H

#include <string>

#include "output/coverages/arc_cover.h"

struct prj_rec;
struct link_rec;
struct sym_place_rec;

/* Draws polygon n of the coverage with the placement's layer, colour, width
** and pattern: a POLYLINE (closed flag 0, its first point repeated at its
** end) per ring, rings broken by an arc entry 0 or an arc without points,
** every point converted with prj_transform_point (a point that does not
** convert is left out), and one hatch over the polylines that carries the
** link. 0; -1 when the polygon cannot be assembled, an arc of it cannot
** be read (a unit drawn from part of its boundary would be another unit),
** no ring has points, or the editor refuses an entity (what was drawn of
** that polygon is deleted); why, when given, then says which. */
int arc_plot_polygon(arc_cover_rec *cover, long n, prj_rec *cover_prj, prj_rec *map_prj, const link_rec *link,
                     sym_place_rec *place, std::string *why = nullptr);

#endif
