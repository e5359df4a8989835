/*
** tm_transverse_mercator.cpp: the transverse Mercator on the ellipsoid, by
** the extended power series in the longitude difference (to its seventh
** and eighth powers) that survey offices use for grids of moderate width,
** with the meridian arc of meridian_arc.cpp and the footpoint latitude from
** the rectifying latitude by its series to e1^4 (with the term in sin 8 mu
** that the shorter series leaves out, 0.1 mm at most: the footpoint is the inverse
** of the meridian arc and as right as it). Accurate to a millimetre within some 4 degrees of
** the central meridian. The longitude difference is taken in (-180, 180]
** (taken unreduced it would throw a point across the antimeridian from
** the central meridian to the far side of the globe), and
** the inverse answers longitudes in (-180, 180]. The terms that depend only
** on the ellipsoid and the origin latitude are kept between points
** (prj_terms.h).
*/
#include <cmath>

#include "coords/meridian_arc.h"
#include "coords/prj_formulas.h"
#include "coords/prj_terms.h"

/* Terms of one transverse Mercator that hold for every point. */
struct tm_terms {
  ell_terms t; /* ellipsoid terms                                         */
  double m0;   /* meridian arc to the origin latitude, metres             */
  double a_a0; /* a A0: the rectifying radius, metres (inverse)           */
  double fp2;  /* footpoint series: 1.5 e1 - 0.84375 e1^3 (inverse)       */
  double fp4;  /*   1.3125 e1^2 - 1.71875 e1^4                            */
  double fp6;  /*   1.5729166666666665 e1^3                               */
  double fp8;  /*   2.142578125 e1^4 (1097/512)                          */
};

/* The terms with the key they were computed from. */
struct tm_kept {
  prj_terms_key<3> key; /* axes a and b, origin latitude              */
  tm_terms terms;
};

/* Fills the terms of the ellipsoid and origin latitude (degrees). */
[[gnu::cold]]
static void tm_setup(tm_terms* s, const dtm_rec* dtm, double lat0_deg) {
  ell_terms_set(&s->t, dtm->a_m, dtm->b_m);
  s->m0 = meridian_arc_m(&s->t, lat0_deg * GEO_DEG_TO_RAD);
  s->a_a0 = s->t.a_m * s->t.a0;
  double r1e = std::sqrt(1.0 - s->t.e2);
  double e1 = (1.0 - r1e) / (1.0 + r1e);
  double e1_2 = e1 * e1, e1_3 = e1_2 * e1, e1_4 = e1_3 * e1;
  s->fp2 = 1.5 * e1 - 0.84375 * e1_3;
  s->fp4 = 1.3125 * e1_2 - 1.71875 * e1_4;
  s->fp6 = 1.5729166666666665 * e1_3;
  s->fp8 = 2.142578125 * e1_4;
}

/* Answers the terms for the ellipsoid and origin, kept in *kept and
** computed afresh when either differs from the last call's. */
[[gnu::always_inline]]
static inline const tm_terms* tm_terms_for(tm_kept* kept, const dtm_rec* dtm, const geo_point* origin) {
  if (kept->key.renew(dtm->a_m, dtm->b_m, origin->y)) tm_setup(&kept->terms, dtm, origin->y);
  return &kept->terms;
}

/* The terms last used by each direction (zero-filled: none yet). */
static thread_local tm_kept tm_forward_kept, tm_inverse_kept;

/* Projects geo (degrees) into xy (metres): x = k0 N [A + ...] + FE,
** y = k0 [M - M0 + N tan phi (A^2/2 + ...)] + FN. */
void tm_forward(geo_point* geo, geo_point* xy, geo_point* origin, const geo_point* false_origin_m,
                const geo_point*, const dtm_rec* dtm, double scale) {
  const tm_terms* s = tm_terms_for(&tm_forward_kept, dtm, origin);
  const ell_terms& t = s->t;
  const double k0 = scale;
  double phi = geo->y * GEO_DEG_TO_RAD;
  double m = meridian_arc_m(&t, phi);
  const double m0 = s->m0;
  if (geo->y == 90.0 || geo->y == -90.0) {
    xy->x = false_origin_m->x;
    xy->y = k0 * (m - m0) + false_origin_m->y;
    return;
  }
  double cos_phi = std::cos(phi), tan_phi = std::tan(phi);
  double c = t.ep2 * cos_phi * cos_phi;
  double tt = tan_phi * tan_phi;
  double n = ell_radius_n_m(&t, phi);
  double a = geo_lon_reduce(geo->x - origin->x) * GEO_DEG_TO_RAD * cos_phi;
  double a2 = a * a, a3 = a2 * a, a4 = a3 * a, a5 = a4 * a, a6 = a5 * a, a7 = a6 * a, a8 = a7 * a;
  double c2 = c * c, c3 = c2 * c, c4 = c3 * c;
  double t2 = tt * tt, t3 = t2 * tt;

  double x = a + (1.0 - tt + c) * a3 * 0.16666666666666666 +
             (5.0 - 18.0 * tt + t2 + 14.0 * c - 58.0 * tt * c + 13.0 * c2 + 4.0 * c3 - 64.0 * tt * c2 -
              24.0 * tt * c3) * a5 * 0.008333333333333333 +
             (61.0 - 479.0 * tt + 179.0 * t2 - t3) * a7 * 0.0001984126984126984;
  double y = a2 * 0.5 + (5.0 - tt + 9.0 * c + 4.0 * c2) * a4 * 0.041666666666666664 +
             (61.0 - 58.0 * tt + t2 + 270.0 * c - 330.0 * tt * c + 445.0 * c2 + 324.0 * c3 - 680.0 * tt * c2 +
              88.0 * c4 - 600.0 * tt * c3 - 192.0 * tt * c4) * a6 * 0.001388888888888889 +
             (1385.0 - 3111.0 * tt + 543.0 * t2 - t3) * a8 * 2.48015873015873e-5;
  xy->x = k0 * n * x + false_origin_m->x;
  xy->y = k0 * (m - m0 + n * tan_phi * y) + false_origin_m->y;
}

/* Unprojects xy (metres) into geo (degrees) from the footpoint latitude. */
void tm_inverse(geo_point* geo, geo_point* xy, geo_point* origin, const geo_point* false_origin_m,
                const geo_point*, const dtm_rec* dtm, double scale) {
  const tm_terms* s = tm_terms_for(&tm_inverse_kept, dtm, origin);
  const ell_terms& t = s->t;
  const double k0 = scale;
  double xp = xy->x - false_origin_m->x;
  double yp = xy->y - false_origin_m->y;
  double m = s->m0 + yp / k0;
  double mu = m / s->a_a0;
  double phi1 = mu + s->fp2 * std::sin(2.0 * mu) + s->fp4 * std::sin(4.0 * mu) + s->fp6 * std::sin(6.0 * mu) +
                s->fp8 * std::sin(8.0 * mu);
  double phi1_deg = phi1 * GEO_RAD_TO_DEG;
  if (phi1_deg == 90.0 || phi1_deg == -90.0) {
    geo->x = geo_lon_reduce(origin->x);
    geo->y = yp >= 0.0 ? 90.0 : -90.0;
    return;
  }
  double cos1 = std::cos(phi1), tan1 = std::tan(phi1);
  double c1 = t.ep2 * cos1 * cos1;
  double t1 = tan1 * tan1;
  double n1 = ell_radius_n_m(&t, phi1);
  double r1 = ell_radius_r_m(&t, phi1);
  double d = xp / (k0 * n1);
  double d2 = d * d, d3 = d2 * d, d4 = d3 * d, d5 = d4 * d, d6 = d5 * d, d7 = d6 * d, d8 = d7 * d;
  double c1_2 = c1 * c1, c1_3 = c1_2 * c1, c1_4 = c1_3 * c1;
  double t1_2 = t1 * t1, t1_3 = t1_2 * t1;

  double lat = d2 * -0.5 +
               (5.0 + 3.0 * t1 + c1 - 4.0 * c1_2 - 9.0 * c1 * t1) * d4 * 0.041666666666666664 +
               (61.0 + 90.0 * t1 + 46.0 * c1 + 45.0 * t1_2 - 252.0 * c1 * t1 - 3.0 * c1_2 + 100.0 * c1_3 -
                66.0 * c1_2 * t1 - 90.0 * c1 * t1_2 + 88.0 * c1_4 + 225.0 * c1_2 * t1_2 + 84.0 * c1_3 * t1 -
                192.0 * c1_4 * t1) * d6 * -0.001388888888888889 +
               (1385.0 + 3633.0 * t1 + 4095.0 * t1_2 + 1575.0 * t1_3) * d8 * 2.48015873015873e-5;
  double phi = phi1 + (n1 * tan1 / r1) * lat;
  double lon = d + (1.0 + 2.0 * t1 + c1) * d3 * -0.16666666666666666 +
               (5.0 + 6.0 * c1 + 28.0 * t1 - 3.0 * c1_2 + 8.0 * c1 * t1 + 24.0 * t1_2 - 4.0 * c1_3 +
                4.0 * c1_2 * t1 + 24.0 * c1_3 * t1) * d5 * 0.008333333333333333 +
               (61.0 + 662.0 * t1 + 1320.0 * t1_2 + 720.0 * t1_3) * d7 * -0.0001984126984126984;
  geo->x = geo_lon_reduce(origin->x + (lon / cos1) * GEO_RAD_TO_DEG);
  geo->y = phi * GEO_RAD_TO_DEG;
}
