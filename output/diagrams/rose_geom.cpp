/*
** rose_geom.cpp: reduction of directions into the rose's range, their
** interval index, and the corners of a wedge in block units.
*/
#include "output/diagrams/rose_geom.h"

#include <cmath>

#include "coords/geo_point.h"

namespace {
constexpr double kNorthBaseDeg = 90.0; /* compass base: north is +y          */
constexpr int kClockwise = 1;          /* compass angles turn clockwise       */
}  // namespace

/* Answers the counter index of the angle, or -1 when it has none. */
int rose_bin_index(double angle_deg, double range_deg, double interval_deg, int dip) {
  if (!(range_deg > 0.0) || !(interval_deg > 0.0) || !std::isfinite(angle_deg)) return -1;
  double a = angle_deg;
  if (dip >= 1) a -= ROSE_DIP_OFFSET_DEG;
  a -= std::trunc(a / range_deg) * range_deg;
  if (a < 0.0) a += range_deg;
  double k = std::trunc(a / interval_deg);
  if (k >= range_deg || k >= ROSE_MAX_INTERVALS) return -1;
  return static_cast<int>(k);
}

/* Answers the number of intervals drawn over the range. */
int rose_interval_count(double range_deg, double interval_deg) {
  if (!(range_deg > 0.0) || !(interval_deg > 0.0)) return 0;
  int n = static_cast<int>(std::trunc(range_deg / interval_deg));
  if (n * interval_deg < range_deg) ++n;
  return n;
}

/* Sets the three corners of wedge i of the given length ratio. */
void rose_wedge(int i, double interval_deg, double ratio, geo_point corners[3]) {
  double from = geo_angle_from_user(i * interval_deg, kNorthBaseDeg, kClockwise);
  double to = geo_angle_from_user((i + 1) * interval_deg, kNorthBaseDeg, kClockwise);
  corners[0] = geo_point{0.0, 0.0, 0.0, 0.0};
  corners[1] = geo_point{ratio * std::cos(from), ratio * std::sin(from), 0.0, 0.0};
  corners[2] = geo_point{ratio * std::cos(to), ratio * std::sin(to), 0.0, 0.0};
}
