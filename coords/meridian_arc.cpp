/*
** meridian_arc.cpp: ellipsoid terms and the meridian arc. The arc is the
** series in e squared of a (1 - e2) times the integral of
** (1 - e2 sin^2 phi)^(-3/2), truncated after its fourth power; its terms
** in e^8 are those of that expansion (other e^8 terms in circulation put
** the arc up to 1.7 mm off at high latitudes). The first left-out term is
** of the order a e^10, well under 0.01 mm for every ellipsoid of the Earth.
*/
#include "coords/meridian_arc.h"

#include <cmath>

/* Fills the eccentricities, their powers and the arc coefficients. */
void ell_terms_set(ell_terms* t, double a_m, double b_m) {
  double a2 = a_m * a_m, b2 = b_m * b_m;
  t->a_m = a_m;
  t->e2 = (a2 - b2) / a2;
  t->e = std::sqrt(t->e2);
  t->e4 = t->e2 * t->e2;
  t->e6 = t->e4 * t->e2;
  t->e8 = t->e6 * t->e2;
  t->ep2 = (a2 - b2) / b2;
  t->a0 = 1.0 - 0.25 * t->e2 - 0.046875 * t->e4 - 0.01953125 * t->e6 - 0.01068115234375 * t->e8;
  t->a2 = 0.375 * (t->e2 + 0.25 * t->e4 + 0.1171875 * t->e6 + 0.068359375 * t->e8);     /* 35/512 e^8 */
  t->a4 = 0.05859375 * (t->e4 + 0.75 * t->e6 + 0.546875 * t->e8);                        /* 35/64 e^8  */
  t->a6 = 0.011393229166666666 * (t->e6 + 1.25 * t->e8);                                  /* 5/4 e^8    */
  t->a8 = 0.00240325927734375 * t->e8;                                                    /* 315/131072 */
}

/* Answers the meridian arc length to phi_rad, metres. */
double meridian_arc_m(const ell_terms* t, double phi_rad) {
  return t->a_m * (t->a0 * phi_rad - t->a2 * std::sin(2.0 * phi_rad) + t->a4 * std::sin(4.0 * phi_rad) -
                   t->a6 * std::sin(6.0 * phi_rad) + t->a8 * std::sin(8.0 * phi_rad));
}

/* Answers N = a / sqrt(1 - e2 sin^2 phi), metres. */
double ell_radius_n_m(const ell_terms* t, double phi_rad) {
  double s = std::sin(phi_rad);
  return t->a_m / std::sqrt(1.0 - t->e2 * s * s);
}

/* Answers R = a (1 - e2) / (1 - e2 sin^2 phi)^(3/2), metres. */
double ell_radius_r_m(const ell_terms* t, double phi_rad) {
  double s = std::sin(phi_rad);
  double w = 1.0 - t->e2 * s * s;
  return t->a_m * (1.0 - t->e2) / (w * std::sqrt(w));
}
