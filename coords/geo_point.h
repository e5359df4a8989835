/*
** geo_point.h: the application's point of four doubles and its box, with the
** few geometry helpers the coordinate systems need.
**
** A geographic position carries the longitude in x and the latitude in y,
** both in decimal degrees (east and north positive); a projected position
** carries the easting in x and the northing in y in its system's units.
** z passes through every conversion; w carries a UTM zone into the formulas.
**
**   geo_point p = {3.0, 45.0, 0.0, 0.0};
**   if (geo_pt_in_extent(&p, &xfrm->extents)) ...
*/
#ifndef PV_COORDS_GEO_POINT_H
#define PV_COORDS_GEO_POINT_H

#include <cmath>

/* One point: four doubles. */
struct geo_point {
  double x; /* longitude (degrees) or easting (system units)               */
  double y; /* latitude (degrees) or northing (system units)               */
  double z; /* height; carried through unchanged                           */
  double w; /* free value; a UTM zone on its way into the formulas         */
};

/* A box: its minimum and maximum corner. */
struct geo_box {
  geo_point min; /* corner of the smallest x and y                         */
  geo_point max; /* corner of the largest x and y                          */
};

/* Degrees to radians and back, with the project's exact factors. */
constexpr double GEO_DEG_TO_RAD = 0.017453292519943295;
constexpr double GEO_RAD_TO_DEG = 57.29577951308232;

/* Answers degrees times GEO_DEG_TO_RAD. */
double geo_deg_to_rad(double degrees);
/* Answers radians times GEO_RAD_TO_DEG. */
double geo_rad_to_deg(double radians);

/* Answers a longitude or a difference of longitudes (degrees) reduced to
** (-180, 180]: the same bits for a value already there, exactly 180 for
** any odd multiple of 180. */
inline double geo_lon_reduce(double degrees) {
  if (degrees > -180.0 && degrees <= 180.0) return degrees;
  double r = std::remainder(degrees, 360.0); /* exact: in [-180, 180] */
  return r <= -180.0 ? r + 360.0 : r;
}

/* Answers 1 when the point's x lies between the two corner x values and its
** y between the two corner y values, bounds included; 0 otherwise or when
** an argument is missing. */
int geo_pt_in_extent(const geo_point* p, const geo_box* box);
/* Answers 1 when the x ranges and the y ranges of the two boxes overlap
** (touching counts); 0 otherwise or when an argument is missing. */
int geo_extents_overlap(const geo_box* a, const geo_box* b);
/* Answers 1 when both corners of the two boxes are equal in x and y. */
int geo_box_equal(const geo_box* a, const geo_box* b);

/* A drawing angle from a user angle: angle_deg and base_deg in degrees,
** direction 0 counter-clockwise, otherwise clockwise. Answers radians, the
** truncating remainder by 2 pi of base + angle (or base - angle). */
double geo_angle_from_user(double angle_deg, double base_deg, int direction);
/* The inverse: a drawing angle in radians as a user angle in degrees,
** measured from base_deg in the given direction, in [0, 360). */
double geo_angle_to_user(double angle_rad, double base_deg, int direction);

#endif /* PV_COORDS_GEO_POINT_H */
