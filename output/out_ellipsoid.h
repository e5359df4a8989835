/*
** out_ellipsoid.h: finding an ellipsoid's row in a writer's table by its
** axes. Both the E00 spheroid table and the MapInfo datum table round their
** axes, while a project's ellipsoids may carry more digits (WGS 84's minor
** axis 6356752.314245), so a row whose axes are equal wins, else the first
** row whose two axes both lie within a centimetre.
**
**   const e00_spheroid_row* r = out_find_axes(e00_spheroid_table, n, a, b);
*/
#ifndef PV_OUTPUT_OUT_ELLIPSOID_H
#define PV_OUTPUT_OUT_ELLIPSOID_H

#include <cmath>

/* Distance within which two axes are the same, in metres. */
constexpr double OUT_AXIS_TOLERANCE_M = 0.01;

/* Answers the row of rows[0..n) matching the axes a and b (fields a_m and
** b_m), or null. */
template <class Row>
const Row* out_find_axes(const Row* rows, int n, double a_m, double b_m) {
  for (int i = 0; i < n; ++i)
    if (rows[i].a_m == a_m && rows[i].b_m == b_m) return &rows[i];
  for (int i = 0; i < n; ++i)
    if (std::fabs(rows[i].a_m - a_m) <= OUT_AXIS_TOLERANCE_M &&
        std::fabs(rows[i].b_m - b_m) <= OUT_AXIS_TOLERANCE_M)
      return &rows[i];
  return nullptr;
}

#endif /* PV_OUTPUT_OUT_ELLIPSOID_H */
