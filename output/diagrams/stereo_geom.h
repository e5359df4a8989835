/*
** stereo_geom.h: where planes and lines fall on a lower-hemisphere net.
** Compass angles (degrees clockwise from north) become drawing angles with
** north up; a net type picks equal-area or stereographic (equal-angle)
** distances from the net's centre. Planes are drawn as arcs of their great
** circle or as the point of their pole; lines as one point.
** A great circle is an arc of a circle on the stereographic net only; on
** the equal-area net it is drawn through its projected points.
**
**   geo_point c; double r = 1.0, a0, a1;
**   stereo_great_circle(330, 30, &r, 0, STEREO_STEREOGRAPHIC, &c, &a0, &a1);
**   std::vector<geo_point> pts;
**   stereo_great_circle_points(90, 60, 1.0, 0, STEREO_EQUAL_AREA, &pts);
*/
#ifndef PV_OUTPUT_STEREO_GEOM_H
#define PV_OUTPUT_STEREO_GEOM_H

#include <vector>

#include "coords/geo_point.h"

/* Net types. */
#define STEREO_EQUAL_AREA 1    /* equal-area (Schmidt) net                  */
#define STEREO_STEREOGRAPHIC 2 /* stereographic (equal-angle, Wulff) net    */

/* Results. */
#define STEREO_OK 0       /* the point or arc was computed                  */
#define STEREO_BAD_ARG -2 /* angle out of 0..90, radius not above 0, missing
                             output or an unknown net type                  */

/* Largest distance, as a part of the net's radius, of a chord of a great
** circle's points from the curve it stands for. */
#define STEREO_CURVE_TOLERANCE 0.00025

/* Distance from the centre of a vertical plane's dip point: a vertical
** plane becomes a very large arc through the centre. */
#define STEREO_VERTICAL_DIP_DISTANCE 0.0001
/* End angle of the primitive circle drawn for a horizontal plane:
** 2 pi less 0.0001 radians. */
#define STEREO_FULL_CIRCLE_END 6.2830853071795865

/* The drawing angle in radians of a compass angle in degrees (base 90,
** clockwise); turned by a further pi/2 when direction_flag is 1 or more
** (the angle is a dip or plunge direction, not a strike). */
double stereo_drawing_angle(double compass_deg, int direction_flag);

/* The projected distance from the centre of a net of the given radius for
** the angle phi_rad: R sqrt(2) sin(phi) for equal-area, R tan(phi) for
** stereographic. Answers 0 for an unknown type. */
double stereo_distance(double phi_rad, double radius, int type);

/* The point of a line of trend and plunge (degrees). Answers STEREO_OK with
** *point set (x, y; z 0), or STEREO_BAD_ARG (plunge outside 0..90, radius
** not above 0, no point, unknown type). Plunge 90 is the centre, plunge 0
** lies on the primitive circle. */
int stereo_line_point(double trend, double plunge, double radius, int direction_flag, int type,
                      geo_point* point);

/* The pole of a plane of strike and dip (degrees). Answers STEREO_OK with
** *point set, or STEREO_BAD_ARG under the same guards as for a line. Dip 0
** is the centre; dip 90 lies on the primitive 90 degrees from the strike. */
int stereo_pole_point(double strike, double dip, double radius, int direction_flag, int type,
                      geo_point* point);

/* The great circle of a plane as a counter-clockwise arc from *start_rad to
** *end_rad (each in [0, 2 pi)) about *centre of radius *radius (in: the
** net's radius; out: the arc's). The arc ends at both ends of the strike
** and passes through the dip point on the dip direction. Answers STEREO_OK,
** or STEREO_BAD_ARG under the same guards. Dip 0 is the primitive circle
** itself (centre 0, start 0, end STEREO_FULL_CIRCLE_END). */
int stereo_great_circle(double strike, double dip, double* radius, int direction_flag, int type,
                        geo_point* centre, double* start_rad, double* end_rad);

/* The great circle of a plane as points of a polyline from the strike end
** to the opposite end through the dip point, each a line of the plane
** projected like a line's point, close enough that no chord strays more
** than STEREO_CURVE_TOLERANCE x radius from the curve. Answers STEREO_OK
** with *points filled (x, y; z 0), or STEREO_BAD_ARG under the same guards
** (and for a null vector). Dip 0 gives the half of the primitive on the
** dip side; a vertical plane the straight diameter along its strike. */
int stereo_great_circle_points(double strike, double dip, double radius, int direction_flag, int type,
                               std::vector<geo_point>* points);

#endif /* PV_OUTPUT_STEREO_GEOM_H */
