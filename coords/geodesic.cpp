/*
** geodesic.cpp: Vincenty's direct formulas (Survey Review 23, 1975) on the
** reduced latitude, with the reduced latitude taken from the two-argument
** arctangent so that a pole holds too.
*/
#include "coords/geodesic.h"

#include <cmath>

#include "coords/geo_point.h"

/* Answers the point along the geodesic; see geodesic.h. */
int geo_direct(double a_m, double b_m, double lon_deg, double lat_deg, double az_deg, double dist_m,
               double* lon2_deg, double* lat2_deg) {
  if (!lon2_deg || !lat2_deg) return 0;
  if (!std::isfinite(a_m) || !std::isfinite(b_m) || !(b_m > 0.0) || b_m > a_m) return 0;
  if (!std::isfinite(lon_deg) || !std::isfinite(lat_deg) || !std::isfinite(az_deg) || !std::isfinite(dist_m))
    return 0;
  if (dist_m == 0.0) {
    *lon2_deg = lon_deg;
    *lat2_deg = lat_deg;
    return 1;
  }
  const double f = (a_m - b_m) / a_m;
  const double phi1 = lat_deg * GEO_DEG_TO_RAD, alpha1 = az_deg * GEO_DEG_TO_RAD;
  const double sin_a1 = std::sin(alpha1), cos_a1 = std::cos(alpha1);
  const double u1 = std::atan2((1.0 - f) * std::sin(phi1), std::cos(phi1));
  const double sin_u1 = std::sin(u1), cos_u1 = std::cos(u1);
  const double sigma1 = std::atan2(sin_u1, cos_u1 * cos_a1);
  const double sin_a = cos_u1 * sin_a1;
  const double cos2_a = 1.0 - sin_a * sin_a;
  const double u2 = cos2_a * (a_m * a_m - b_m * b_m) / (b_m * b_m);
  const double big_a = 1.0 + u2 / 16384.0 * (4096.0 + u2 * (-768.0 + u2 * (320.0 - 175.0 * u2)));
  const double big_b = u2 / 1024.0 * (256.0 + u2 * (-128.0 + u2 * (74.0 - 47.0 * u2)));
  const double sigma0 = dist_m / (b_m * big_a);
  double sigma = sigma0, sin_s = 0, cos_s = 0, cos_2sm = 0;
  for (int i = 0; i < GEO_DIRECT_MAX_ITERATIONS; ++i) {
    cos_2sm = std::cos(2.0 * sigma1 + sigma);
    sin_s = std::sin(sigma);
    cos_s = std::cos(sigma);
    const double c2 = cos_2sm * cos_2sm;
    const double d_sigma =
        big_b * sin_s *
        (cos_2sm + big_b / 4.0 *
                       (cos_s * (-1.0 + 2.0 * c2) - big_b / 6.0 * cos_2sm * (-3.0 + 4.0 * sin_s * sin_s) * (-3.0 + 4.0 * c2)));
    const double next = sigma0 + d_sigma;
    const double step = std::fabs(next - sigma);
    sigma = next;
    if (step < GEO_DIRECT_STEP_RAD) break;
  }
  cos_2sm = std::cos(2.0 * sigma1 + sigma);
  sin_s = std::sin(sigma);
  cos_s = std::cos(sigma);
  const double tmp = sin_u1 * sin_s - cos_u1 * cos_s * cos_a1;
  const double phi2 = std::atan2(sin_u1 * cos_s + cos_u1 * sin_s * cos_a1, (1.0 - f) * std::sqrt(sin_a * sin_a + tmp * tmp));
  const double lambda = std::atan2(sin_s * sin_a1, cos_u1 * cos_s - sin_u1 * sin_s * cos_a1);
  const double c = f / 16.0 * cos2_a * (4.0 + f * (4.0 - 3.0 * cos2_a));
  const double l = lambda - (1.0 - c) * f * sin_a *
                                (sigma + c * sin_s * (cos_2sm + c * cos_s * (-1.0 + 2.0 * cos_2sm * cos_2sm)));
  *lon2_deg = lon_deg + l * GEO_RAD_TO_DEG;
  *lat2_deg = phi2 * GEO_RAD_TO_DEG;
  return std::isfinite(*lon2_deg) && std::isfinite(*lat2_deg);
}
