/*
** qry_geometry.h: the area or line of a spatial query condition, drawn
** point by point or taken from a LINE, POLYLINE or LWPOLYLINE of the
** drawing, checked (enough points, closed, not crossing itself) and kept
** in the coordinate system of the condition's point column.
**
** A condition with the operator INSIDE or OUTSIDE carries an AREA (a
** closed ring whose last point repeats its first), NEAR a LINE. The
** selection mode says how the points are got:
**
**     int mode = pv_sel_mode_dialog(1);                 // 0: cancelled
**     if (mode & QRY_SEL_DRAW) n = qry_pick_points(&pts, &count, 1, column_system);
**     else if (mode & QRY_SEL_PICK) n = qry_pick_closed_polyline(&pts, &count, mode);
*/
#ifndef PV_OUTPUT_QRY_GEOMETRY_H
#define PV_OUTPUT_QRY_GEOMETRY_H

#include "coords/geo_point.h"

struct prj_rec;

/* Selection-mode flags of pv_sel_mode_dialog and qry_pick_closed_polyline. */
#define QRY_SEL_AREA  0x0001  /* an AREA; clear: a LINE */
#define QRY_SEL_CLOSE 0x1000  /* an open polyline is closed automatically */
#define QRY_SEL_DRAW  0x2000  /* the points are drawn */
#define QRY_SEL_PICK  0x4000  /* an entity of the drawing is selected */

/* Most points of one drawn AREA or LINE; an AREA's input ends one point
** earlier, keeping room for its closing point. */
#define QRY_DRAW_MAX 255
/* Fewest points of an AREA (three corners and the closing point) and of a
** LINE. */
#define QRY_AREA_MIN 4
#define QRY_LINE_MIN 2

/* The map's coordinate system (g_map_params); null after showing "No
** projection assigned to map.\nUse the Map Setup option in DU-ZOREZ."
** under the error title when none is assigned. */
prj_rec *qry_map_projection(void);

/* Converts a copy of in from one system into out in another. 1; 0 after
** showing "Cannot transform this point from %s to %s" with the two names
** under the error title (out unchanged). */
int qry_convert_point(const geo_point *in, prj_rec *from, geo_point *out, prj_rec *to);

/* Shows the dialog pv_sel_mode for an AREA (area non-zero) or a LINE.
** Answers 0 when it is cancelled, else QRY_SEL_DRAW or QRY_SEL_PICK, plus
** QRY_SEL_CLOSE when "closemode" is on, plus QRY_SEL_AREA for an AREA;
** -5001 after "Cannot load dialog box: %s." when it cannot be created. */
int pv_sel_mode_dialog(int area);

/* Lets the user draw an AREA (area non-zero) or a LINE in the map's
** coordinate system (g_map_params). Every point must convert into
** column_system; an AREA's edges must not touch. Answers the count, with
** *points a new heap array (the caller frees it) in map coordinates and an
** AREA closed by its first point; 0 (nothing out) when the user cancelled
** or too few points were given; -1 when BLIPMODE cannot be set or no map
** projection is assigned (reported); -2 for missing arguments; -9101
** without memory. BLIPMODE and the screen's temporary vectors are as they
** were on every path. */
int qry_pick_points(geo_point **points, int *count, int area, prj_rec *column_system);

/* Lets the user select a LINE (LINE mode only), POLYLINE or LWPOLYLINE of
** the drawing, asking again after a refused entity. flags: QRY_SEL_AREA and
** QRY_SEL_CLOSE. Answers the count, with *points a new heap array (w 0, the
** caller frees it), an AREA closed by its first point; -1 when the user
** cancels or the selection fails; -2 for missing arguments; -9101 without
** memory. */
int qry_pick_closed_polyline(geo_point **points, int *count, int flags);

/* Sweeps the closed ring of count points (the last repeats the first) for
** edges that cross or touch, consecutive edges excepted unless one folds
** back over the other. Answers 1 when the ring is simple; 0 after showing
** "The polygon crosses itself." under the error title. */
int qry_polygon_crosses_itself(const geo_point *points, int count);

/* The same sweep without a message: 1 when the ring is simple, else 0. */
int qry_ring_is_simple(const geo_point *points, int count);

/* 1 when the edges s-a and s-b, meeting at s, lie on one line on the same
** side of s: the second runs back along the first. */
int qry_edges_fold_back(const geo_point *a, const geo_point *s, const geo_point *b);

#endif
