/*
** tm_transverse_mercator.cpp: the transverse Mercator on the ellipsoid by
** Krueger's series in the third flattening n = (a - b) / (a + b), carried
** to n^6 as Engsager and Poder and Karney publish them: the geodetic
** latitude becomes the conformal latitude chi (a series in sines of even
** multiples of the latitude), the conformal sphere is mapped by the
** spherical transverse Mercator to xi' = atan2(sin chi, cos chi cos lambda),
** eta' = atanh(cos chi sin lambda), and the complex series
** xi + i eta = zeta' + sum alpha_j sin(2 j zeta') gives the grid, x = k0 A
** eta, y = k0 A (xi - xi0) with A the rectifying radius. The inverse runs
** the series of beta_j, then the spherical inverse and chi back to the
** latitude. Both series are summed by Clenshaw's recurrence.
**
** On a sphere (n = 0) every series vanishes and the mapping is exact over
** the whole globe. On an ellipsoid the first terms left out grow as
** A n^7 cosh(14 eta): compared with the exact mapping (the Fourier series
** of the rectifying latitude in the conformal one, summed to far below a
** nanometre) the error stays under a few nanometres to some 4,000 km from
** the central meridian and under a millimetre while A n^7 e^(14 eta) does,
** some 10,000 km on the Earth (66 degrees of longitude at the equator).
** Beyond that reach a point is refused, its result not finite, as are all
** points on an ellipsoid flatter than TM_MAX_THIRD_FLATTENING, where the
** series in n no longer hold to a millimetre anywhere. The longitude
** difference is taken in (-180, 180] and the inverse answers longitudes in
** (-180, 180]. The terms that depend only on the ellipsoid and the origin
** latitude are kept between points (prj_terms.h).
*/
#include <cmath>
#include <limits>

#include "coords/prj_formulas.h"
#include "coords/prj_terms.h"

/* Number of terms of each series (the powers n to n^6). */
constexpr int TM_ORDER = 6;
/* The error allowed at the edge of the reach, metres. */
constexpr double TM_REACH_ERROR_M = 1e-3;

/* Terms of one transverse Mercator that hold for every point. */
struct tm_terms {
  double a_r;               /* rectifying radius A, metres                        */
  double alpha[TM_ORDER];   /* forward series: factor of sin 2j zeta'             */
  double beta[TM_ORDER];    /* inverse series: factor of sin 2j zeta (subtracted) */
  double to_chi[TM_ORDER];  /* chi - phi: factor of sin 2j phi                    */
  double to_phi[TM_ORDER];  /* phi - chi: factor of sin 2j chi                    */
  double xi0;               /* xi of the origin latitude on the central meridian  */
  double reach_eta;         /* largest |eta| served; negative for none            */
};

/* The terms with the key they were computed from. */
struct tm_kept {
  prj_terms_key<3> key; /* axes a and b, origin latitude */
  tm_terms terms;
};

/* The terms last used by each direction (zero-filled: none yet). */
static thread_local tm_kept tm_forward_kept, tm_inverse_kept;

/* Answers the third flattening (a - b) / (a + b) of the ellipsoid. */
double tm_third_flattening(const dtm_rec* dtm) { return (dtm->a_m - dtm->b_m) / (dtm->a_m + dtm->b_m); }

/* Answers sum c_j sin(2 j x), j = 1..TM_ORDER, given sin 2x and cos 2x. */
static inline double tm_sin_series(const double* c, double sin2, double cos2) {
  double two_cos = 2.0 * cos2, b1 = 0.0, b2 = 0.0;
  for (int j = TM_ORDER - 1; j >= 0; --j) {
    double b0 = c[j] + two_cos * b1 - b2;
    b2 = b1;
    b1 = b0;
  }
  return b1 * sin2;
}

/* Adds sum c_j sin(2 j z) to *xi + i *eta for the complex z = xi0 + i eta0,
** given sin and cos of 2 xi0 and sinh and cosh of 2 eta0 (Clenshaw's
** recurrence on complex numbers, written out in their two parts). */
static inline void tm_complex_series(const double* c, double sign, double sin2, double cos2, double sinh2,
                                     double cosh2, double* xi, double* eta) {
  /* 2 cos 2z and sin 2z */
  double ar = 2.0 * cos2 * cosh2, ai = -2.0 * sin2 * sinh2;
  double sr = sin2 * cosh2, si = cos2 * sinh2;
  double b1r = 0.0, b1i = 0.0, b2r = 0.0, b2i = 0.0;
  for (int j = TM_ORDER - 1; j >= 0; --j) {
    double b0r = c[j] + ar * b1r - ai * b1i - b2r;
    double b0i = ar * b1i + ai * b1r - b2i;
    b2r = b1r, b2i = b1i;
    b1r = b0r, b1i = b0i;
  }
  *xi += sign * (b1r * sr - b1i * si);
  *eta += sign * (b1r * si + b1i * sr);
}

/* Fills the series of the ellipsoid and the origin latitude (degrees). */
[[gnu::cold]]
static void tm_setup(tm_terms* s, const dtm_rec* dtm, double lat0_deg) {
  const double n = tm_third_flattening(dtm);
  const double n2 = n * n, n3 = n2 * n, n4 = n3 * n, n5 = n4 * n, n6 = n5 * n;
  s->a_r = dtm->a_m / (1.0 + n) * (1.0 + n2 / 4.0 + n4 / 64.0 + n6 / 256.0);
  const double alpha[TM_ORDER] = {
      n / 2 - 2 * n2 / 3 + 5 * n3 / 16 + 41 * n4 / 180 - 127 * n5 / 288 + 7891 * n6 / 37800,
      13 * n2 / 48 - 3 * n3 / 5 + 557 * n4 / 1440 + 281 * n5 / 630 - 1983433 * n6 / 1935360,
      61 * n3 / 240 - 103 * n4 / 140 + 15061 * n5 / 26880 + 167603 * n6 / 181440,
      49561 * n4 / 161280 - 179 * n5 / 168 + 6601661 * n6 / 7257600,
      34729 * n5 / 80640 - 3418889 * n6 / 1995840,
      212378941 * n6 / 319334400};
  const double beta[TM_ORDER] = {
      n / 2 - 2 * n2 / 3 + 37 * n3 / 96 - n4 / 360 - 81 * n5 / 512 + 96199 * n6 / 604800,
      n2 / 48 + n3 / 15 - 437 * n4 / 1440 + 46 * n5 / 105 - 1118711 * n6 / 3870720,
      17 * n3 / 480 - 37 * n4 / 840 - 209 * n5 / 4480 + 5569 * n6 / 90720,
      4397 * n4 / 161280 - 11 * n5 / 504 - 830251 * n6 / 7257600,
      4583 * n5 / 161280 - 108847 * n6 / 3991680,
      20648693 * n6 / 638668800};
  const double to_chi[TM_ORDER] = {
      -2 * n + 2 * n2 / 3 + 4 * n3 / 3 - 82 * n4 / 45 + 32 * n5 / 45 + 4642 * n6 / 4725,
      5 * n2 / 3 - 16 * n3 / 15 - 13 * n4 / 9 + 904 * n5 / 315 - 1522 * n6 / 945,
      -26 * n3 / 15 + 34 * n4 / 21 + 8 * n5 / 5 - 12686 * n6 / 2835,
      1237 * n4 / 630 - 12 * n5 / 5 - 24832 * n6 / 14175,
      -734 * n5 / 315 + 109598 * n6 / 31185,
      444337 * n6 / 155925};
  const double to_phi[TM_ORDER] = {
      2 * n - 2 * n2 / 3 - 2 * n3 + 116 * n4 / 45 + 26 * n5 / 45 - 2854 * n6 / 675,
      7 * n2 / 3 - 8 * n3 / 5 - 227 * n4 / 45 + 2704 * n5 / 315 + 2323 * n6 / 945,
      56 * n3 / 15 - 136 * n4 / 35 - 1262 * n5 / 105 + 73814 * n6 / 2835,
      4279 * n4 / 630 - 332 * n5 / 35 - 399572 * n6 / 14175,
      4174 * n5 / 315 - 144838 * n6 / 6237,
      601676 * n6 / 22275};
  for (int j = 0; j < TM_ORDER; ++j) {
    s->alpha[j] = alpha[j];
    s->beta[j] = beta[j];
    s->to_chi[j] = to_chi[j];
    s->to_phi[j] = to_phi[j];
  }
  /* On the central meridian xi is the rectifying latitude. */
  double phi0 = lat0_deg * GEO_DEG_TO_RAD;
  double chi0 = phi0 + tm_sin_series(s->to_chi, std::sin(2.0 * phi0), std::cos(2.0 * phi0));
  s->xi0 = chi0 + tm_sin_series(s->alpha, std::sin(2.0 * chi0), std::cos(2.0 * chi0));
  if (n == 0.0)
    s->reach_eta = std::numeric_limits<double>::infinity();
  else if (!(std::fabs(n) <= TM_MAX_THIRD_FLATTENING))
    s->reach_eta = -1.0;
  else
    s->reach_eta = std::log(TM_REACH_ERROR_M / (s->a_r * std::pow(std::fabs(n), 7))) / 14.0;
}

/* Answers the terms for the ellipsoid and origin, kept in *kept and
** computed afresh when either differs from the last call's. */
[[gnu::always_inline]]
static inline const tm_terms* tm_terms_for(tm_kept* kept, const dtm_rec* dtm, const geo_point* origin) {
  if (kept->key.renew(dtm->a_m, dtm->b_m, origin->y)) tm_setup(&kept->terms, dtm, origin->y);
  return &kept->terms;
}

/* Projects geo (degrees) into xy (metres); a point beyond the reach gets
** a result that is not finite. */
void tm_forward(geo_point* geo, geo_point* xy, geo_point* origin, const geo_point* false_origin_m,
                const geo_point*, const dtm_rec* dtm, double scale) {
  const tm_terms* s = tm_terms_for(&tm_forward_kept, dtm, origin);
  const double k0 = scale;
  double phi = geo->y * GEO_DEG_TO_RAD;
  double lam = geo_lon_reduce(geo->x - origin->x) * GEO_DEG_TO_RAD;
  /* The conformal latitude; at a pole exactly the pole, whatever the
  ** longitude. */
  double sin_chi, cos_chi;
  if (geo->y == 90.0 || geo->y == -90.0) {
    sin_chi = geo->y > 0 ? 1.0 : -1.0;
    cos_chi = 0.0;
  } else {
    double sin_phi = std::sin(phi), cos_phi = std::cos(phi);
    double chi = phi + tm_sin_series(s->to_chi, 2.0 * sin_phi * cos_phi, (cos_phi - sin_phi) * (cos_phi + sin_phi));
    sin_chi = std::sin(chi);
    cos_chi = std::cos(chi);
  }
  /* The spherical transverse Mercator of the conformal sphere. */
  double sin_lam = std::sin(lam), cos_lam = std::cos(lam);
  double p = sin_chi, q = cos_chi * cos_lam, t = cos_chi * sin_lam;
  double xi1 = std::atan2(p, q), eta1 = std::atanh(t);
  double r2 = p * p + q * q, u = 1.0 / (1.0 - t * t);
  double xi = xi1, eta = eta1;
  tm_complex_series(s->alpha, 1.0, 2.0 * p * q / r2, (q * q - p * p) / r2, 2.0 * t * u, (1.0 + t * t) * u, &xi,
                    &eta);
  if (!(std::fabs(eta) <= s->reach_eta)) xi = eta = std::numeric_limits<double>::quiet_NaN();
  xy->x = k0 * s->a_r * eta + false_origin_m->x;
  xy->y = k0 * s->a_r * (xi - s->xi0) + false_origin_m->y;
}

/* Unprojects xy (metres) into geo (degrees); a point beyond the reach
** gets a result that is not finite. */
void tm_inverse(geo_point* geo, geo_point* xy, geo_point* origin, const geo_point* false_origin_m,
                const geo_point*, const dtm_rec* dtm, double scale) {
  const tm_terms* s = tm_terms_for(&tm_inverse_kept, dtm, origin);
  const double k0 = scale;
  double xi = (xy->y - false_origin_m->y) / (k0 * s->a_r) + s->xi0;
  double eta = (xy->x - false_origin_m->x) / (k0 * s->a_r);
  if (!(std::fabs(eta) <= s->reach_eta)) {
    geo->x = geo->y = std::numeric_limits<double>::quiet_NaN();
    return;
  }
  double e2 = std::exp(2.0 * eta), e2_inv = 1.0 / e2;
  double xi1 = xi, eta1 = eta;
  tm_complex_series(s->beta, -1.0, std::sin(2.0 * xi), std::cos(2.0 * xi), (e2 - e2_inv) / 2.0,
                    (e2 + e2_inv) / 2.0, &xi1, &eta1);
  /* The spherical inverse: the conformal latitude and the longitude. */
  double sinh_eta1 = std::sinh(eta1), sin_xi1 = std::sin(xi1), cos_xi1 = std::cos(xi1);
  double den = std::sqrt(sinh_eta1 * sinh_eta1 + cos_xi1 * cos_xi1);
  double chi = std::atan2(sin_xi1, den);
  double r2 = sin_xi1 * sin_xi1 + den * den;
  double phi = chi + tm_sin_series(s->to_phi, 2.0 * sin_xi1 * den / r2, (den - sin_xi1) * (den + sin_xi1) / r2);
  double lam = std::atan2(sinh_eta1, cos_xi1);
  geo->x = geo_lon_reduce(origin->x + lam * GEO_RAD_TO_DEG);
  geo->y = phi * GEO_RAD_TO_DEG;
}
