/*
** geo_util.h: plane geometry on the four-double point and its box.
**
** The point and box types, the angle conversions and the extent tests live
** with the coordinate systems (coords/geo_point.h); these are the further
** helpers that drawing, selection and queries share.
**
**     geo_box box;
**     geo_box_of_points(pts, n, &box);
**     if (geo_pt_in_polygon(&p, pts, n, &box)) ...
*/
#ifndef PV_CORE_GEO_UTIL_H
#define PV_CORE_GEO_UTIL_H

#include "coords/geo_point.h"

/* Slope answered for a vertical segment. */
#define GEO_SLOPE_VERTICAL 9.9999e250

/* Copies x, y and z (not w); 1, 0 for a null point. */
int geo_pt_copy(geo_point *to, const geo_point *from);
/* Swaps x, y and z of two points. */
void geo_pt_swap(geo_point *a, geo_point *b);
/* Sets all four values to 0. */
void geo_pt_zero(geo_point *p);
/* 1 when x, y and z are all exactly 0. */
int geo_pt_is_zero(const geo_point *p);
/* 1 when x and y are exactly equal. */
int geo_pt_equal_2d(const geo_point *a, const geo_point *b);
/* Component-wise '*', '+', '-' or '/' of a and b (x, y, z) into out; 1, or
** 0 for another operator or a null point. */
int geo_vec_op(const geo_point *a, const geo_point *b, char op, geo_point *out);
/* Component-wise minimum or maximum of x and y into out. */
void geo_pt_min(const geo_point *a, const geo_point *b, geo_point *out);
void geo_pt_max(const geo_point *a, const geo_point *b, geo_point *out);
/* Rotates x and y of a vector in place by an angle in radians. */
void geo_vec_rotate(geo_point *v, double angle_rad);

/* Copies a box. */
void geo_box_copy(geo_box *to, const geo_box *from);
/* Clears a box. */
void geo_box_zero(geo_box *box);
/* 1 when both corners are zero points. */
int geo_box_is_zero(const geo_box *box);
/* Extends a box to include the point. */
void geo_box_extend(geo_box *box, const geo_point *p);
/* The minimum and maximum corners of n points (both start at the first);
** 1, or 0 for no points. */
int geo_box_of_points(const geo_point *points, int n, geo_box *box);

/* 1 when the segments a[0]-a[1] and b[0]-b[1] touch or cross. */
int geo_seg_intersect(const geo_point *a, const geo_point *b);
/* dy/dx of the segment; GEO_SLOPE_VERTICAL when dx is 0. */
double geo_slope(const geo_point *p1, const geo_point *p2);
/* 1 when the point lies inside the polygon of n points (n >= 3), by ray
** casting; box (the polygon's extents, may be null) rejects early. */
int geo_pt_in_polygon(const geo_point *p, const geo_point *points, int n, const geo_box *box);
/* 1 when the point lies within distance of the polyline of n points
** (n >= 2). */
int geo_pt_near_polyline(const geo_point *p, const geo_point *points, int n, double distance);

#endif
