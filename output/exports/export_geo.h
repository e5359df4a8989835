/*
** export_geo.h: ring geometry of the export command on point lists kept as
** x and y arrays: the box, a point-in-ring test, a point inside a ring for
** the polygon's label, and the ring's winding by its signed area. A ring is
** closed: its last point repeats its first.
**
**   if (geo_ring_inside_point(x, y, n, &label) && geo_ring_orientation(x, y, n) > 0)
**       geo_ring_reverse(x, y, n);
*/
#ifndef PV_OUTPUT_EXPORT_GEO_H
#define PV_OUTPUT_EXPORT_GEO_H

#include "coords/geo_point.h"

/* The y a test point is raised by when it equals a vertex's y. */
constexpr double GEO_RING_Y_NUDGE = 1e-12;

/* The box of n points into box. 1; 0 for no points or a missing argument. */
int geo_points_box(const double *x, const double *y, int n, geo_box *box);
/* 1 when (px, py) lies inside the ring of n points; 0 outside, for fewer
** than 3 points or a missing argument. A test point whose y equals a
** vertex's y is raised by GEO_RING_Y_NUDGE first. */
int geo_point_in_ring(double px, double py, const double *x, const double *y, int n);
/* A point inside the closed ring of n points: the first midpoint between
** vertex i and the vertex half the ring further on, then between vertex i
** and the one two further on (vertices counted around the ring) that lies
** inside. 1 with out set; 0 when none does or for fewer than 4 points. */
int geo_ring_inside_point(const double *x, const double *y, int n, geo_point *out);
/* The signed area of the ring (positive counter-clockwise). */
double geo_ring_signed_area(const double *x, const double *y, int n);
/* The ring's winding: 1 counter-clockwise, -1 clockwise, 0 when its area
** is zero (or fewer than 3 points). */
int geo_ring_orientation(const double *x, const double *y, int n);
/* Reverses the order of the ring's points in place. */
void geo_ring_reverse(double *x, double *y, int n);

#endif /* PV_OUTPUT_EXPORT_GEO_H */
