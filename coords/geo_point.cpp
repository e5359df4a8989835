/*
** geo_point.cpp: box tests and angle conversions on the four-double point.
** These are the small pieces of plane geometry that the coordinate systems
** (extents of fitted transformations) and the callers of the map (user angles
** of symbols) share.
*/
#include "coords/geo_point.h"

#include <cmath>

/* Answers degrees in radians. */
double geo_deg_to_rad(double degrees) { return degrees * GEO_DEG_TO_RAD; }

/* Answers radians in degrees. */
double geo_rad_to_deg(double radians) { return radians * GEO_RAD_TO_DEG; }

/* Answers 1 when v lies between a and b (in either order), bounds included. */
static int geo_between(double v, double a, double b) {
  return a <= b ? (v >= a && v <= b) : (v >= b && v <= a);
}

/* Answers 1 when the point lies in the box, bounds included; 0 otherwise. */
int geo_pt_in_extent(const geo_point* p, const geo_box* box) {
  if (!p || !box) return 0;
  return geo_between(p->x, box->min.x, box->max.x) && geo_between(p->y, box->min.y, box->max.y);
}

/* Answers 1 when the two closed ranges [a0, a1] and [b0, b1] share a value. */
static int geo_ranges_overlap(double a0, double a1, double b0, double b1) {
  double alo = std::fmin(a0, a1), ahi = std::fmax(a0, a1);
  double blo = std::fmin(b0, b1), bhi = std::fmax(b0, b1);
  return alo <= bhi && blo <= ahi;
}

/* Answers 1 when both the x and the y ranges of the boxes overlap. */
int geo_extents_overlap(const geo_box* a, const geo_box* b) {
  if (!a || !b) return 0;
  return geo_ranges_overlap(a->min.x, a->max.x, b->min.x, b->max.x) &&
         geo_ranges_overlap(a->min.y, a->max.y, b->min.y, b->max.y);
}

/* Answers 1 when both corners agree exactly in x and y. */
int geo_box_equal(const geo_box* a, const geo_box* b) {
  if (!a || !b) return 0;
  return a->min.x == b->min.x && a->min.y == b->min.y && a->max.x == b->max.x && a->max.y == b->max.y;
}

/* Answers the drawing angle in radians: base plus (direction 0) or minus
** (otherwise) the angle, reduced by a truncating remainder of 2 pi. */
double geo_angle_from_user(double angle_deg, double base_deg, int direction) {
  const double two_pi = 2.0 * M_PI;
  double rad = direction == 0 ? geo_deg_to_rad(base_deg) + geo_deg_to_rad(angle_deg)
                              : geo_deg_to_rad(base_deg) - geo_deg_to_rad(angle_deg);
  return std::fmod(rad, two_pi);
}

/* Answers the user angle in degrees, in [0, 360), of a drawing angle: the
** angle measured from the base counter-clockwise (direction 0) or clockwise. */
double geo_angle_to_user(double angle_rad, double base_deg, int direction) {
  double deg = geo_rad_to_deg(angle_rad);
  double user = direction == 0 ? deg - base_deg : base_deg - deg;
  user = std::fmod(user, 360.0);
  if (user < 0.0) user += 360.0;
  return user;
}
