/*
** out_ellipsoid.h: finding an ellipsoid's row in a writer's table by its
** axes. Both the E00 spheroid table and the MapInfo datum table round their
** axes, each row to its own digits (WGS84's minor axis 6356752.31, GRS80's
** 6356752.31414), while a project's ellipsoids carry digits of their own
** (WGS 84's 6356752.314245, GRS 1980's 6356752.314). Rounding makes the
** plain distance mislead: WGS 84's true axis lies nearer GRS80's row than
** its own. So a row is chosen in three steps:
**   1. the first row whose axes are equal;
**   2. the first row whose axes agree with the given ones as far as both
**      are written (compared at the digits of the shorter of the two)
**      and lie within a centimetre of them;
**   3. the nearest row whose two axes both lie within a centimetre.
**
**   const e00_spheroid_row* r = out_find_axes(e00_spheroid_table, n, a, b);
*/
#ifndef PV_OUTPUT_OUT_ELLIPSOID_H
#define PV_OUTPUT_OUT_ELLIPSOID_H

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

/* Distance within which two axes are the same, in metres. */
constexpr double OUT_AXIS_TOLERANCE_M = 0.01;

/* Most decimals an axis in metres is compared at. */
constexpr int OUT_AXIS_MAX_DECIMALS = 9;

/* Answers the fewest decimals (0 to OUT_AXIS_MAX_DECIMALS) that write the
** axis so that it reads back as the same double. */
inline int out_axis_decimals(double axis_m) {
  char text[64];
  for (int k = 0; k < OUT_AXIS_MAX_DECIMALS; ++k) {
    std::snprintf(text, sizeof text, "%.*f", k, axis_m);
    if (std::strtod(text, nullptr) == axis_m) return k;
  }
  return OUT_AXIS_MAX_DECIMALS;
}

/* Answers true when two axes agree at the decimals of the shorter one. */
inline bool out_axes_agree(double row_m, double given_m) {
  int k = out_axis_decimals(row_m);
  int given_k = out_axis_decimals(given_m);
  if (given_k < k) k = given_k;
  char row_text[64], given_text[64];
  std::snprintf(row_text, sizeof row_text, "%.*f", k, row_m);
  std::snprintf(given_text, sizeof given_text, "%.*f", k, given_m);
  return std::strcmp(row_text, given_text) == 0;
}

/* Answers true when both axes of the row lie within the tolerance. */
template <class Row>
bool out_axes_near(const Row& row, double a_m, double b_m) {
  return std::fabs(row.a_m - a_m) <= OUT_AXIS_TOLERANCE_M &&
         std::fabs(row.b_m - b_m) <= OUT_AXIS_TOLERANCE_M;
}

/* Answers the row of rows[0..n) matching the axes a and b (fields a_m and
** b_m) by the three steps above, or null. */
template <class Row>
const Row* out_find_axes(const Row* rows, int n, double a_m, double b_m) {
  for (int i = 0; i < n; ++i)
    if (rows[i].a_m == a_m && rows[i].b_m == b_m) return &rows[i];
  for (int i = 0; i < n; ++i)
    if (out_axes_near(rows[i], a_m, b_m) && out_axes_agree(rows[i].a_m, a_m) &&
        out_axes_agree(rows[i].b_m, b_m))
      return &rows[i];
  const Row* nearest = nullptr;
  double nearest_m = 0;
  for (int i = 0; i < n; ++i) {
    double off_m = std::fabs(rows[i].a_m - a_m) + std::fabs(rows[i].b_m - b_m);
    if (out_axes_near(rows[i], a_m, b_m) && (!nearest || off_m < nearest_m))
      nearest = &rows[i], nearest_m = off_m;
  }
  return nearest;
}

#endif /* PV_OUTPUT_OUT_ELLIPSOID_H */
